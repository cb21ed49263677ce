#include "kit/foundation/Locale.h"

#include "kit/testsupport/ManualClockScope.h"

#include <gtest/gtest.h>

using namespace kit;

namespace {

struct EnvCase {
    const char* lcAll;
    const char* lang;
    const char* identifier;
    const char* language;
    const char* country;
};

class CurrentLocaleTest : public ::testing::TestWithParam<EnvCase> { };

TEST_P(CurrentLocaleTest, ReadsTheEnvironment)
{
    const EnvCase& c = GetParam();
    test::EnvironmentScope all("LC_ALL", c.lcAll);
    test::EnvironmentScope messages("LC_MESSAGES", "");
    test::EnvironmentScope lang("LANG", c.lang);
    auto locale = Locale::currentLocale();
    EXPECT_EQ(locale->localeIdentifier(), c.identifier);
    EXPECT_EQ(locale->objectForKey(LocaleLanguageCode), c.language);
    EXPECT_EQ(locale->objectForKey(LocaleCountryCode), c.country);
}

INSTANTIATE_TEST_SUITE_P(Env, CurrentLocaleTest,
    ::testing::Values(EnvCase { "", "de_DE.UTF-8", "de_DE", "de", "DE" }, EnvCase { "de_AT.UTF-8@euro", "en_US", "de_AT", "de", "AT" },
        EnvCase { "C", "de_DE", "en", "en", "" }, EnvCase { "", "POSIX", "en", "en", "" }, EnvCase { "", "", "en", "en", "" }));

struct PatternCase {
    const char* pattern;
    DateOrder order;
    const char* separator;
};

class DatePatternTest : public ::testing::TestWithParam<PatternCase> { };

TEST_P(DatePatternTest, OrderAndSeparator)
{
    const PatternCase& c = GetParam();
    EXPECT_EQ(Locale::shortDateFormatFromPattern(c.pattern), (ShortDateFormat { c.order, c.separator }));
}

INSTANTIATE_TEST_SUITE_P(Patterns, DatePatternTest,
    ::testing::Values(PatternCase { "dd.MM.yyyy", DateOrderDMY, "." }, PatternCase { "M/d/yy", DateOrderMDY, "/" },
        PatternCase { "yyyy-MM-dd", DateOrderYMD, "-" }, PatternCase { "d. M. y", DateOrderDMY, "." },
        PatternCase { "'Day' d/MM/yy", DateOrderDMY, "/" }, PatternCase { "y/d/M", DateOrderYDM, "/" },
        PatternCase { "MM-yy-dd", DateOrderMYD, "-" }, PatternCase { "d y M", DateOrderDYM, "." }, PatternCase { "", DateOrderDMY, "." },
        PatternCase { "EEEE", DateOrderDMY, "." }, PatternCase { "d\u200F/M\u200F/yyyy", DateOrderDMY, "/" }));

TEST(LocaleTest, ShortDateFormatOfNamedLocales)
{
    EXPECT_EQ(Locale("de_DE").shortDateFormat(), (ShortDateFormat { DateOrderDMY, "." }));
    EXPECT_EQ(Locale("en_US").shortDateFormat(), (ShortDateFormat { DateOrderMDY, "/" }));
    EXPECT_EQ(Locale("sv_SE").shortDateFormat(), (ShortDateFormat { DateOrderYMD, "-" }));
}

TEST(LocaleTest, DisplayNamesInTheLocalesLanguageSortedByCollation)
{
    Locale de("de_DE");
    EXPECT_EQ(de.displayNameForCountryCode("DE"), "Deutschland");
    EXPECT_EQ(de.displayNameForLanguageCode("fr"), "Französisch");
    EXPECT_EQ(Locale("en").displayNameForCountryCode("de"), "Germany");
    EXPECT_EQ(
        de.sortedByCollation({ "Zypern", "Österreich", "Oman", "Ägypten" }), (QStringList { "Ägypten", "Oman", "Österreich", "Zypern" }));
    const QStringList countries = Locale::ISOCountryCodes();
    EXPECT_TRUE(countries.contains("DE"));
    EXPECT_GT(countries.size(), 200);
    const QStringList languages = Locale::ISOLanguageCodes();
    EXPECT_TRUE(languages.contains("de"));
    for (const auto& l : languages)
        EXPECT_EQ(l.size(), 2);
}

TEST(LocaleTest, CapitalizedAndFullUppercase)
{
    EXPECT_EQ(Locale("en").capitalized("hello wORLD"), "Hello World");
    EXPECT_EQ(Locale("nl").capitalized("ijssel"), "IJssel");
    EXPECT_EQ(QString("straße").toUpper(), "STRASSE");
}

} // namespace
