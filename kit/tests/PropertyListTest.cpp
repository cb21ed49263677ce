#include "kit/foundation/PropertyList.h"

#include "kit/foundation/Json.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>

using namespace kit;

namespace {

TEST(JsonTest, IntegersAndRealsKeepTheirKind)
{
    auto v = Json::read("[1, 1.0, -0.5, 1e3, 9223372036854775807, 92233720368547758070]");
    ASSERT_TRUE(v);
    const Array& a = v->array();
    EXPECT_EQ(a[0].kind(), Value::Kind::Integer);
    EXPECT_EQ(a[1].kind(), Value::Kind::Real);
    EXPECT_EQ(a[2].doubleValue(), -0.5);
    EXPECT_EQ(a[3].kind(), Value::Kind::Real);
    EXPECT_EQ(a[4].integerValue(), INT64_MAX);
    EXPECT_EQ(a[5].kind(), Value::Kind::Real);
    EXPECT_EQ(
        Json::write(Value(Array { Value(1), Value(1.0), Value(240.5), Value(1e21), Value(true) })), QByteArray("[1,1.0,240.5,1e+21,true]"));
}

TEST(JsonTest, WritingIgnoresTheProcessLocale)
{
    const std::string old = std::setlocale(LC_NUMERIC, nullptr);
    // Whatever locale is installed; with a comma-decimal one this proves the point.
    std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    EXPECT_EQ(Json::write(Value(240.5)), QByteArray("240.5"));
    EXPECT_EQ(Json::read("240.5")->doubleValue(), 240.5);
    std::setlocale(LC_NUMERIC, old.c_str());
}

TEST(JsonTest, StringsEscapeAndSurvive)
{
    const QString s = QStringLiteral("quote\" back\\ nl\n tab\t ctl\x01 é 😀 ") + QChar(0xD800); // a lone surrogate too
    auto text = Json::write(Value(s));
    ASSERT_TRUE(text);
    EXPECT_EQ(Json::read(*text)->string(), s);
    EXPECT_EQ(Json::read(R"("\u00e9\ud83d\ude00")")->string(), QStringLiteral("é😀"));
}

TEST(JsonTest, NumbersBelowTheLeastDoubleReadAsZeroAndAboveTheLargestFail)
{
    const auto v = Json::read("[1e-400, -1e-400, 0.0000000000000000000001e-390, 5e-324, 100000e-330, 1.7976931348623157e308]");
    ASSERT_TRUE(v);
    const Array& a = v->array();
    EXPECT_EQ(a[0].doubleValue(), 0.0);
    EXPECT_EQ(a[1].doubleValue(), 0.0);
    EXPECT_TRUE(std::signbit(a[1].doubleValue()));
    EXPECT_EQ(a[2].doubleValue(), 0.0);
    EXPECT_EQ(a[3].doubleValue(), 5e-324);
    EXPECT_EQ(a[4].doubleValue(), 0.0);
    EXPECT_EQ(a[5].doubleValue(), 1.7976931348623157e308);
    for (const char* huge : { "1e309", "-1e309", "1000000000e300", "0.1e310", "1e99999999999999999999" })
        EXPECT_FALSE(Json::read(huge)) << huge;
    EXPECT_EQ(Json::read("1e-99999999999999999999")->doubleValue(), 0.0);
}

struct PlistHostileCase {
    const char* name;
    QByteArray json;
};

class HostileJsonTest : public ::testing::TestWithParam<PlistHostileCase> { };

TEST_P(HostileJsonTest, FailsCleanly)
{
    QString error;
    EXPECT_FALSE(Json::read(GetParam().json, &error));
    EXPECT_FALSE(error.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Inputs, HostileJsonTest,
    ::testing::Values(PlistHostileCase { "empty", "" }, PlistHostileCase { "truncated", R"({"a": [1, 2)" }, PlistHostileCase { "trailing", "1 2" },
        PlistHostileCase { "deep", QByteArray(100000, '[') }, PlistHostileCase { "badUtf8", "\"\xc3\x28\"" }, PlistHostileCase { "control", "\"a\x01\"" },
        PlistHostileCase { "hugeReal", "1e999" }, PlistHostileCase { "badEscape", R"("\x")" }, PlistHostileCase { "shortUnicode", R"("\u12")" },
        PlistHostileCase { "bareWord", "nul" }, PlistHostileCase { "leadingPlus", "+1" }, PlistHostileCase { "missingColon", R"({"a" 1})" },
        PlistHostileCase { "unterminated", "\"abc" }, PlistHostileCase { "dotOnly", "1." },
        PlistHostileCase { "leadingZero", "01" }, PlistHostileCase { "negativeLeadingZero", "[-00.5]" }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PropertyListTest, EveryKindRoundTripsExactly)
{
    Dictionary inner { { Value("flag"), Value(true) }, { Value("ratio"), Value(1.0) } };
    Dictionary plist { { Value("bool"), Value(false) }, { Value("int"), Value(42) }, { Value("double"), Value(0.1) },
        { Value("string"), Value("text") }, { Value("data"), Value(QByteArray("\x00\x01\xff", 3)) }, { Value("date"), Value(Date(123.25)) },
        { Value("array"), Value(Array { Value(1), Value("two") }) }, { Value("$dollar"), Value("kept") }, { Value("dict"), Value(inner) } };
    auto data = PropertyList::dataFromPropertyList(Value(plist));
    ASSERT_TRUE(data);
    auto back = PropertyList::propertyListFromData(*data);
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, Value(plist));
    const Dictionary& d = back->dictionary();
    EXPECT_EQ(d.objectForKey(Value("bool")).kind(), Value::Kind::Bool);
    EXPECT_EQ(d.objectForKey(Value("dict")).dictionary().objectForKey(Value("ratio")).kind(), Value::Kind::Real);
    EXPECT_EQ(d.objectForKey(Value("data")).kind(), Value::Kind::Data);
    EXPECT_EQ(d.objectForKey(Value("date")).kind(), Value::Kind::Date);
    EXPECT_TRUE(d.containsKey(Value("$dollar")));
}

TEST(PropertyListTest, RejectsWhatIsNoPropertyList)
{
    QString error;
    EXPECT_FALSE(PropertyList::dataFromPropertyList(Value(MakeRect(0, 0, 1, 1)), &error));
    EXPECT_FALSE(PropertyList::dataFromPropertyList(Value(Dictionary { { Value(1), Value(2) } })));
    EXPECT_FALSE(PropertyList::propertyListFromData(R"({"$data": "***"})"));
    EXPECT_FALSE(PropertyList::propertyListFromData(R"({"$date": "soon"})"));
    EXPECT_FALSE(PropertyList::propertyListFromData(R"({"$ref": 1})"));
    EXPECT_FALSE(PropertyList::propertyListFromData("null"));
}

} // namespace
