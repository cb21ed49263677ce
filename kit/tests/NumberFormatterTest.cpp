#include "kit/foundation/NumberFormatter.h"

#include "kit/foundation/KeyedArchiver.h"
#include "kit/foundation/KeyedUnarchiver.h"
#include "kit/testsupport/ManualClockScope.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <latch>
#include <thread>

using namespace kit;

namespace {

// The integer field's formatter: decimal, no floats, localised "#0", lenient.
Ref<NumberFormatter> integerFormatter(const QString& locale)
{
    auto f = make<NumberFormatter>();
    f->setNumberStyle(NumberFormatterDecimalStyle);
    f->setAllowsFloats(false);
    f->setLocalizesFormat(true);
    f->setFormat("#0");
    f->setLenient(true);
    f->setLocaleIdentifier(locale);
    return f;
}

struct ParseCase {
    const char* locale;
    const char* text;
    bool parses;
    std::int64_t value;
};

class IntegerParseTest : public ::testing::TestWithParam<ParseCase> { };

TEST_P(IntegerParseTest, ParsesWholeNumbersOnly)
{
    const ParseCase& c = GetParam();
    Value v;
    QString error;
    EXPECT_EQ(integerFormatter(c.locale)->getObjectValueForStringErrorDescription(&v, c.text, &error), c.parses);
    if (c.parses)
        EXPECT_EQ(v, Value(c.value));
    else
        EXPECT_FALSE(error.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Texts, IntegerParseTest,
    ::testing::Values(ParseCase { "en_US", "42", true, 42 }, ParseCase { "en_US", " -7 ", true, -7 },
        ParseCase { "en_US", "3.5", false, 0 }, ParseCase { "de_DE", "3,5", false, 0 }, ParseCase { "en_US", "12abc", false, 0 },
        ParseCase { "en_US", "", false, 0 }, ParseCase { "en_US", "abc", false, 0 }, ParseCase { "de_DE", "1000", true, 1000 }));

TEST(NumberFormatterTest, FormatsWithoutGroupingOrFraction)
{
    auto f = integerFormatter("de_DE");
    EXPECT_EQ(f->stringForObjectValue(Value(1234567)), "1234567");
    EXPECT_EQ(f->stringForObjectValue(Value(-5)), "-5");
    EXPECT_EQ(f->stringForObjectValue(Value(2.0)), "2");
    EXPECT_TRUE(f->stringForObjectValue(Value("text")).isNull());
    auto plain = make<NumberFormatter>();
    plain->setAllowsFloats(true);
    EXPECT_EQ(plain->stringForObjectValue(Value(240.5)), "240.5");
    EXPECT_EQ(plain->numberFromString("240.5"), Value(240.5));
}

TEST(NumberFormatterTest, CopiesAreIndependentAndSettingsArchive)
{
    auto f = integerFormatter("de_DE");
    auto copy = dynamic_pointer_cast<NumberFormatter>(f->copy());
    ASSERT_TRUE(copy);
    copy->setAllowsFloats(true);
    EXPECT_FALSE(f->allowsFloats());
    auto back = KeyedUnarchiver::unarchiveObjectWithData(KeyedArchiver::archivedDataWithRootObject(Value(f))).objectAs<NumberFormatter>();
    ASSERT_TRUE(back);
    EXPECT_EQ(back->format(), "#0");
    EXPECT_FALSE(back->allowsFloats());
    EXPECT_TRUE(back->isLenient());
    EXPECT_EQ(back->localeIdentifier(), "de_DE");
    EXPECT_TRUE(back->numberFromString("3.5").isNil());
}

// A formatter keeps what it opened between calls: every setting changed after a use, and the
// environment's locale for a formatter without one, must show in the next text and parse.
struct ChangeCase {
    const char* name;
    std::function<void(NumberFormatter&)> change;
    double number;
    const char* before;
    const char* after;
    const char* text;
    bool parsesBefore;
    bool parsesAfter;
};

void PrintTo(const ChangeCase& c, std::ostream* os) { *os << c.name; }

class ChangeAfterUseTest : public ::testing::TestWithParam<ChangeCase> { };

TEST_P(ChangeAfterUseTest, NextCallFollowsTheChange)
{
    const ChangeCase& c = GetParam();
    auto f = make<NumberFormatter>();
    f->setNumberStyle(NumberFormatterDecimalStyle);
    f->setLocalizesFormat(true);
    f->setLocaleIdentifier("en_US");
    EXPECT_EQ(f->stringFromNumber(Value(c.number)), c.before);
    EXPECT_EQ(!f->numberFromString(c.text).isNil(), c.parsesBefore);
    c.change(*f);
    EXPECT_EQ(f->stringFromNumber(Value(c.number)), c.after);
    EXPECT_EQ(!f->numberFromString(c.text).isNil(), c.parsesAfter);
}

INSTANTIATE_TEST_SUITE_P(Settings, ChangeAfterUseTest,
    ::testing::Values(ChangeCase { "Format", [](NumberFormatter& f) { f.setFormat("#0.00"); }, 1234.5, "1,234.5", "1234.50", "1234.50", true, true },
        ChangeCase { "Locale", [](NumberFormatter& f) { f.setLocaleIdentifier("de_DE"); }, 1234.5, "1,234.5", "1.234,5", "1.234,5", false, true },
        ChangeCase { "Localizing", [](NumberFormatter& f) {
                        f.setLocaleIdentifier("de_DE");
                        f.setLocalizesFormat(false);
                    }, 1234.5, "1,234.5", "1234.5", "2.5", true, true },
        ChangeCase { "Floats", [](NumberFormatter& f) { f.setAllowsFloats(false); }, 7, "7", "7", "3.5", true, false },
        ChangeCase { "Style", [](NumberFormatter& f) { f.setNumberStyle(NumberFormatterNoStyle); }, 1234.5, "1,234.5", "1234.5", "1234.5", true, true },
        ChangeCase { "Leniency", [](NumberFormatter& f) { f.setLenient(true); }, 12, "12", "12", "+12", false, true }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(NumberFormatterTest, FormatterWithoutLocaleFollowsTheEnvironment)
{
    auto f = make<NumberFormatter>();
    f->setNumberStyle(NumberFormatterDecimalStyle);
    f->setLocalizesFormat(true);
    {
        test::EnvironmentScope all("LC_ALL", "en_US.UTF-8");
        EXPECT_EQ(f->stringFromNumber(Value(1234.5)), "1,234.5");
    }
    test::EnvironmentScope all("LC_ALL", "de_DE.UTF-8");
    EXPECT_EQ(f->stringFromNumber(Value(1234.5)), "1.234,5");
    EXPECT_EQ(f->numberFromString("2,5"), Value(2.5));
}

TEST(NumberFormatterTest, OneFormatterServesSeveralThreads)
{
    auto f = make<NumberFormatter>();
    f->setNumberStyle(NumberFormatterDecimalStyle);
    f->setLocalizesFormat(true);
    f->setLocaleIdentifier("de_DE");
    std::atomic<int> wrong { 0 };
    std::latch start(2); // both open the formatter's first use together
    auto work = [&] {
        start.arrive_and_wait();
        for (int i = 0; i < 200; ++i) {
            if (f->stringFromNumber(Value(std::int64_t(1000 + i))) != QStringLiteral("1.%1").arg(i, 3, 10, QLatin1Char('0')))
                ++wrong;
            if (f->numberFromString(QStringLiteral("%1,5").arg(i)) != Value(i + 0.5))
                ++wrong;
        }
    };
    std::thread a(work), b(work);
    a.join();
    b.join();
    EXPECT_EQ(wrong, 0);
}

} // namespace
