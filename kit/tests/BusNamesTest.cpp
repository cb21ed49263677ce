#include "kit/foundation/BusNames.h"

#include <QDBusConnection>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <set>

namespace {

using namespace kit;

// The bus's own rule for a well-known name.
bool busNamesIsValid(const QString& name)
{
    static const QRegularExpression element(QStringLiteral("^[A-Za-z_-][A-Za-z0-9_-]*$"));
    const QStringList parts = name.split(QLatin1Char('.'));
    if (parts.size() < 2 || name.toUtf8().size() > 255)
        return false;
    for (const QString& part : parts)
        if (!element.match(part).hasMatch())
            return false;
    return true;
}

TEST(BusNames, TheBundleElementsTheMarkAndTheServerName)
{
    EXPECT_EQ(BusNameForRegisteredName(QStringLiteral("org.example.Draw:Shapes")), QStringLiteral("org.example.Draw.LiveLink.Shapes"));
    EXPECT_EQ(BusNameForRegisteredName(QStringLiteral("org.example:my_server 2")), QStringLiteral("org.example.LiveLink.my_5fserver_202"));
    EXPECT_EQ(BusNameForRegisteredName(QStringLiteral("org.3d:a.b:c")), QStringLiteral("org._33d.LiveLink.a_2eb_3ac"));
}

TEST(BusNames, OddNamesMapToValidNamesThatNeverCollide)
{
    const QStringList names = { "org.example:Shapes", "org.example:shapes", "org.example:sh_apes", "org.example:sh.apes",
        "org.example:sh_2eapes", "org.example:1", "org.example:_31", "org.example:\u00e9t\u00e9", "org.example:\u2603 snow",
        "org.example:a-b", "org.example:a_2db", "org.ex-ample:x", "org.ex_2dample:x", "org.example:x:y" };
    std::set<QString> seen;
    for (const QString& name : names) {
        const auto mapped = BusNameForRegisteredName(name);
        ASSERT_TRUE(mapped) << name.toStdString();
        EXPECT_TRUE(busNamesIsValid(*mapped)) << mapped->toStdString();
        EXPECT_TRUE(seen.insert(*mapped).second) << name.toStdString() << " collides";
    }
}

TEST(BusNames, UnmappableNames)
{
    EXPECT_FALSE(BusNameForRegisteredName(QStringLiteral("no colon")));
    EXPECT_FALSE(BusNameForRegisteredName(QStringLiteral("org..example:x")));
    EXPECT_FALSE(BusNameForRegisteredName(QStringLiteral("org.example:")));
    EXPECT_FALSE(BusNameForRegisteredName(QStringLiteral(":x")));
    EXPECT_FALSE(BusNameForRegisteredName(QStringLiteral("org.example:") + QString(300, QLatin1Char('x'))));
    // Escaping counts: 100 spaces become 300 bytes.
    EXPECT_FALSE(BusNameForRegisteredName(QStringLiteral("org.example:") + QString(100, QLatin1Char(' '))));
}

} // namespace
