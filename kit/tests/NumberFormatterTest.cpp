#include "kit/foundation/NumberFormatter.h"

#include "kit/foundation/KeyedArchiver.h"
#include "kit/foundation/KeyedUnarchiver.h"

#include <gtest/gtest.h>

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

} // namespace
