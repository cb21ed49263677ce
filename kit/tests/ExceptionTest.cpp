#include "kit/core/Exception.h"

#include "kit/core/Error.h"
#include "kit/testsupport/RuntimeRecorders.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

int checked(int x)
{
    KIT_PARAMETER_ASSERT(x != 0, "binding != nil");
    KIT_ASSERT(x > 0, "value %d must be positive", x);
    return x;
}

TEST(Assertions, TheDefaultHandlerLogsAndRaises)
{
    kit::test::LogRecorder log;
    try {
        checked(0);
        FAIL();
    } catch (const kit::Exception& e) {
        EXPECT_EQ(e.name(), "NSInternalInconsistencyException");
        EXPECT_EQ(e.reason(), "Invalid parameter not satisfying: binding != nil");
    }
    EXPECT_TRUE(log.lines().value(0).startsWith("*** Assertion failure in checked"));
    try {
        checked(-3);
        FAIL();
    } catch (const kit::Exception& e) {
        EXPECT_EQ(e.reason(), "value -3 must be positive");
    }
}

TEST(Assertions, AReturningHandlerLetsTheCodeContinue)
{
    kit::test::AssertionRecorder recorder;
    EXPECT_EQ(checked(-1), -1);
    ASSERT_EQ(recorder.descriptions.size(), 1u);
    EXPECT_EQ(recorder.descriptions[0], "value -1 must be positive");
}

TEST(Log, LineForm)
{
    QStringList raw;
    auto previous = kit::setLogSink([&](const QString& line) { raw << line; });
    kit::log("hello %@", QStringLiteral("world"));
    kit::setLogSink(previous);
    ASSERT_EQ(raw.size(), 1);
    static const QRegularExpression form(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} \S+\[\d+:\d+\] hello world$)");
    EXPECT_TRUE(form.match(raw[0]).hasMatch()) << raw[0].toStdString();
}

TEST(Error, LocalizedTexts)
{
    auto e = kit::Error::errorWithDomainCodeUserInfo(kit::CocoaErrorDomain, 0,
        { { kit::LocalizedDescriptionKey, "Bad key" }, { kit::LocalizedRecoveryOptionsErrorKey, kit::Array { "OK" } } });
    EXPECT_EQ(e->domain(), "NSCocoaErrorDomain");
    EXPECT_EQ(e->localizedDescription(), "Bad key");
    EXPECT_EQ(e->localizedRecoveryOptions(), kit::Array { "OK" });
    EXPECT_EQ(e->localizedRecoverySuggestion(), "");
}

} // namespace
