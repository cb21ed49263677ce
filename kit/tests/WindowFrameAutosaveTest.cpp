#include "kit/appkit/Application.h"
#include "kit/appkit/Screen.h"
#include "kit/appkit/Window.h"
#include "kit/foundation/UserDefaults.h"

#include <QTemporaryDir>

#include <cmath>
#include <limits>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

using namespace kit;

class FrameAutosave : public testing::Test {
protected:
    void SetUp() override { UserDefaults::resetStandardUserDefaultsForTesting(dir.filePath("defaults.json")); }
    void TearDown() override
    {
        UserDefaults::resetStandardUserDefaultsForTesting();
        Application::resetForTesting();
    }
    static QString saved(const QString& name)
    {
        return UserDefaults::standardUserDefaults()->stringForKey(QStringLiteral("NSWindow Frame ") + name);
    }

    QTemporaryDir dir;
};

TEST_F(FrameAutosave, SavesTheFrameThenTheVisibleScreenFrameAsWholeNumbers)
{
    auto w = make<Window>(MakeRect(12, 34, 300, 200), TitledWindowMask);
    w->saveFrameUsingName(QStringLiteral("Prefs"));
    const Rect v = Screen::mainScreen()->visibleFrame();
    const QString expected = QStringLiteral("12 34 300 200 %1 %2 %3 %4 ").arg(v.minX()).arg(v.minY()).arg(v.width()).arg(v.height());
    EXPECT_EQ(saved(QStringLiteral("Prefs")), expected);
}

TEST(Screens, ObjectsForTheSameDisplayAreEqual)
{
    const Ref<Screen> main = Screen::mainScreen();
    const Ref<Screen> first = Screen::screens().front();
    EXPECT_NE(main.get(), first.get());
    EXPECT_TRUE(main->isEqual(first.get()));
    EXPECT_EQ(main->hash(), first->hash());
    EXPECT_FALSE(main->isEqual(make<Object>().get()));
}

TEST_F(FrameAutosave, RestoringNeedsFourNumbers)
{
    auto w = make<Window>(MakeRect(0, 0, 100, 100), TitledWindowMask);
    auto* defaults = UserDefaults::standardUserDefaults();
    defaults->setObjectForKey(Value(QStringLiteral("40 50 300")), QStringLiteral("NSWindow Frame Short"));
    EXPECT_FALSE(w->setFrameUsingName(QStringLiteral("Short")));
    EXPECT_FALSE(w->setFrameUsingName(QStringLiteral("Missing")));
    EXPECT_EQ(w->frame(), MakeRect(0, 0, 100, 100));
    defaults->setObjectForKey(Value(QStringLiteral("40 50 300 250 0 0 1024 768 ")), QStringLiteral("NSWindow Frame Full"));
    EXPECT_TRUE(w->setFrameUsingName(QStringLiteral("Full")));
    EXPECT_EQ(w->frame(), MakeRect(40, 50, 300, 250));
}

TEST_F(FrameAutosave, TheAutosaveNameRestoresThenSavesEveryMoveAndResize)
{
    UserDefaults::standardUserDefaults()->setObjectForKey(
        Value(QStringLiteral("40 50 300 250 0 0 1024 768 ")), QStringLiteral("NSWindow Frame Main"));
    auto w = make<Window>(MakeRect(0, 0, 100, 100), TitledWindowMask);
    EXPECT_TRUE(w->setFrameAutosaveName(QStringLiteral("Main")));
    EXPECT_EQ(w->frame(), MakeRect(40, 50, 300, 250));
    EXPECT_TRUE(saved(QStringLiteral("Main")).startsWith(QStringLiteral("40 50 300 250 ")));

    w->setFrameOrigin(MakePoint(70, 80));
    EXPECT_TRUE(saved(QStringLiteral("Main")).startsWith(QStringLiteral("70 80 300 250 ")));
    w->setContentSize(MakeSize(320, 240));
    EXPECT_TRUE(saved(QStringLiteral("Main")).startsWith(QStringLiteral("70 80 320 240 ")));

    auto other = make<Window>(MakeRect(0, 0, 100, 100), TitledWindowMask);
    EXPECT_FALSE(other->setFrameAutosaveName(QStringLiteral("Main"))) << "one window per name";
    EXPECT_TRUE(other->frameAutosaveName().isEmpty());

    EXPECT_TRUE(w->setFrameAutosaveName(QString()));
    w->setFrameOrigin(MakePoint(5, 5));
    EXPECT_TRUE(saved(QStringLiteral("Main")).startsWith(QStringLiteral("70 80 320 240 "))) << "no name, no saving";
    EXPECT_TRUE(other->setFrameAutosaveName(QStringLiteral("Main"))) << "the name is free again";
}

TEST_F(FrameAutosave, FieldsBeyondTheGeometryLimitAreNoNumbers)
{
    auto w = make<Window>(MakeRect(0, 0, 100, 100), TitledWindowMask);
    auto* defaults = UserDefaults::standardUserDefaults();
    for (const char* text : { "1e12 0 10 10", "0 -16777216 10 10", "inf 0 10 10", "nan nan 500 nan" }) {
        defaults->setObjectForKey(Value(QString::fromLatin1(text)), QStringLiteral("NSWindow Frame Huge"));
        EXPECT_FALSE(w->setFrameUsingName(QStringLiteral("Huge"))) << text;
        EXPECT_EQ(w->frame(), MakeRect(0, 0, 100, 100)) << text;
    }
}

// Whatever frame a window is given, Qt gets geometry within its limit.
TEST(WindowNativeSize, AHugeFrameStaysWithinTheGeometryLimit)
{
    auto w = make<Window>(MakeRect(0, 0, 100, 100), TitledWindowMask | ResizableWindowMask);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (const Rect& frame : { MakeRect(1e12, -1e12, 50, 50), MakeRect(0, 1e300, 50, 50), MakeRect(nan, nan, 50, nan),
             MakeRect(-std::numeric_limits<double>::infinity(), 0, 50, 50) }) {
        w->setFrameDisplay(frame, false);
        const Rect f = w->frame();
        for (double v : { f.minX(), f.minY(), f.maxX(), f.maxY() }) {
            EXPECT_FALSE(std::isnan(v));
            EXPECT_LE(std::abs(v), 2 * 16777215.0);
        }
        EXPECT_LE(f.width(), 16777215.0);
        EXPECT_LE(f.height(), 16777215.0);
        EXPECT_LE(std::abs(f.minX()), 16777215.0);
        EXPECT_LE(std::abs(f.minY()), 16777215.0);
    }
    Application::resetForTesting();
}

TEST(WindowNativeSize, OnlyResizableWindowsLetTheUserResize)
{
    auto fixed = make<Window>(MakeRect(0, 0, 120, 80), TitledWindowMask);
    EXPECT_EQ(fixed->hostWidget()->minimumSize(), QSize(120, 80));
    EXPECT_EQ(fixed->hostWidget()->maximumSize(), QSize(120, 80));
    fixed->setContentSize(MakeSize(200, 90));
    EXPECT_EQ(fixed->hostWidget()->minimumSize(), QSize(200, 90)) << "the kit still resizes it";
    EXPECT_EQ(fixed->hostWidget()->maximumSize(), QSize(200, 90));
    EXPECT_EQ(fixed->hostWidget()->size(), QSize(200, 90));
    auto free = make<Window>(MakeRect(0, 0, 120, 80), TitledWindowMask | ResizableWindowMask);
    EXPECT_NE(free->hostWidget()->minimumSize(), free->hostWidget()->maximumSize());
    Application::resetForTesting();
}

} // namespace
