#include "kit/core/Value.h"

#include "kit/core/Exception.h"

#include <QLocale>

#include <gtest/gtest.h>

#include <clocale>

using kit::Value;

namespace {

struct Thing : kit::Object { };

TEST(Value, NumbersAreEqualAcrossKindsWithEqualHashes)
{
    const Value yes(true), one(1), oneReal(1.0);
    EXPECT_EQ(yes, one);
    EXPECT_EQ(one, oneReal);
    EXPECT_EQ(yes, oneReal);
    EXPECT_EQ(yes.hash(), one.hash());
    EXPECT_EQ(one.hash(), oneReal.hash());
    EXPECT_NE(Value(0.5), Value(0));

    kit::Set set { yes, one, oneReal, Value(2) };
    EXPECT_EQ(set.count(), 2);
    EXPECT_EQ(set.anyObject().kind(), Value::Kind::Bool); // first inserted
}

TEST(Value, NullIsNotNilAndStringsAreNotNumbers)
{
    EXPECT_NE(Value(), Value::null());
    EXPECT_EQ(Value::null(), Value::null());
    EXPECT_NE(Value("1"), Value(1));
    EXPECT_NE(kit::NoSelectionMarker, kit::MultipleValuesMarker);
    EXPECT_EQ(kit::NoSelectionMarker, Value(kit::Marker::NoSelection));
    EXPECT_NE(kit::NoSelectionMarker, Value::null());
}

TEST(Value, NumberConversionsTruncateAndWrap)
{
    EXPECT_EQ(Value(-2.7).intValue(), -2);
    EXPECT_EQ(Value(2.7).integerValue(), 2);
    EXPECT_EQ(Value(70000).shortValue(), 4464);
    EXPECT_EQ(Value(-1).unsignedIntegerValue(), UINT64_MAX);
    EXPECT_TRUE(Value(0.1).boolValue());
    EXPECT_FALSE(Value(0).boolValue());
    EXPECT_EQ(Value(true).description(), "1");
    EXPECT_EQ(Value(1.0).description(), "1");
    EXPECT_EQ(Value(0.5).description(), "0.5");
    EXPECT_EQ(Value(1e300 * 10).integerValue(), INT64_MAX); // no undefined conversion
}

TEST(Value, StringsReadTheirLeadingNumber)
{
    EXPECT_DOUBLE_EQ(Value("240.5H").doubleValue(), 240.5);
    EXPECT_EQ(Value("240.5H").intValue(), 240);
    EXPECT_EQ(Value("  -12abc").integerValue(), -12);
    EXPECT_EQ(Value("abc").integerValue(), 0);
    EXPECT_DOUBLE_EQ(Value("1e3x").doubleValue(), 1000);
    EXPECT_TRUE(Value("YES").boolValue());
    EXPECT_FALSE(Value("no").boolValue());
    // A surrogate pair counts two UTF-16 units.
    EXPECT_EQ(Value(QString::fromUtf8("a\xF0\x9F\x98\x80")).string().size(), 3);
}

TEST(Value, CommaLocaleChangesNothing)
{
    const char* saved = std::setlocale(LC_ALL, nullptr);
    const std::string restore = saved ? saved : "C";
    std::setlocale(LC_ALL, "de_DE.UTF-8");
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(kit::format("%g", 0.5), "0.5");
    EXPECT_EQ(kit::format("%.2f", 1234.5), "1234.50");
    EXPECT_DOUBLE_EQ(Value("240.5").doubleValue(), 240.5);
    QLocale::setDefault(previous);
    std::setlocale(LC_ALL, restore.c_str());
}

struct FormatCase {
    const char* format;
    std::function<QString()> run;
    const char* expected;
};

TEST(Format, Conversions)
{
    auto obj = kit::make<Thing>();
    const FormatCase cases[] = {
        { "%d", [] { return kit::format("%d", -5); }, "-5" },
        { "%ld", [] { return kit::format("%ld", std::int64_t(1) << 40); }, "1099511627776" },
        { "%lu", [] { return kit::format("%lu", std::uint64_t(7)); }, "7" },
        { "%hu", [] { return kit::format("%hu", 70000); }, "4464" },
        { "%u", [] { return kit::format("%u", -1); }, "4294967295" },
        { "%qu", [] { return kit::format("%qu", std::uint64_t(12)); }, "12" },
        { "%x", [] { return kit::format("%x", 255); }, "ff" },
        { "%.4x", [] { return kit::format("%.4x", 255); }, "00ff" },
        { "%02ld", [] { return kit::format("%02ld", 7); }, "07" },
        { "%c", [] { return kit::format("%c", 'A'); }, "A" },
        { "%C", [] { return kit::format("%C", QChar(0x00E9)); }, "\u00e9" },
        { "%s", [] { return kit::format("[%s]", "abc"); }, "[abc]" },
        { "%f", [] { return kit::format("%f", 1.5); }, "1.500000" },
        { "%g", [] { return kit::format("%g", 1234567.0); }, "1.23457e+06" },
        { "%g short", [] { return kit::format("%g", 0.1); }, "0.1" },
        { "%g int", [] { return kit::format("%g", 100.0); }, "100" },
        { "%%", [] { return kit::format("100%%"); }, "100%" },
        { "%@ value",
            [] {
                return kit::format("<%@>", Value(kit::Array { 1, "a b" }));
            },
            "<(\n    1,\n    \"a b\"\n)>" },
        { "%@ exception", [] { return kit::format("%@", kit::Exception(kit::RangeException, "why")); }, "why" },
        { "%-4d|", [] { return kit::format("%-4d|", 7); }, "7   |" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.run(), QString::fromUtf8(c.expected)) << c.format;
    EXPECT_TRUE(kit::format("%@", obj).startsWith("<Object: 0x"));
}

TEST(IndexSet, EmptyAnswersNotFoundAndRangesReachingNotFoundRaise)
{
    kit::IndexSet empty;
    EXPECT_EQ(empty.firstIndex(), kit::NotFound);
    EXPECT_EQ(empty.lastIndex(), kit::NotFound);
    EXPECT_EQ(empty.count(), 0);
    EXPECT_THROW(kit::IndexSet::indexSetWithIndexesInRange({ kit::NotFound - 1, 2 }), kit::Exception);
    EXPECT_THROW((void)kit::IndexSet(kit::NotFound), kit::Exception);
}

TEST(IndexSet, IdenticalIsNotEqual)
{
    kit::IndexSet a { 1, 2, 3 };
    kit::IndexSet copy = a;
    kit::IndexSet equal { 3, 2, 1 };
    EXPECT_TRUE(a.identicalTo(copy));
    EXPECT_FALSE(a.identicalTo(equal));
    EXPECT_EQ(a, equal);
    EXPECT_FALSE(kit::IndexSet().identicalTo(kit::IndexSet()));
    kit::MutableIndexSet m = a;
    m.addIndex(9);
    EXPECT_EQ(a.count(), 3); // the copy detached
    EXPECT_FALSE(Value(a).identicalTo(Value(m)));
}

TEST(IndexSet, EditsKeepRangesSortedAndMerged)
{
    kit::MutableIndexSet s;
    s.addIndexesInRange({ 5, 3 }); // 5 6 7
    s.addIndex(1);
    s.addIndex(4); // 1 4-7
    EXPECT_EQ(s.ranges().size(), 2u);
    s.removeIndex(6); // 1 4 5 7
    EXPECT_EQ(s.indexes(), (std::vector<std::int64_t> { 1, 4, 5, 7 }));
    EXPECT_EQ(s.indexGreaterThanIndex(5), 7);
    EXPECT_EQ(s.indexLessThanIndex(4), 1);
    EXPECT_TRUE(s.containsIndex(7));
    EXPECT_FALSE(s.containsIndex(6));
    s.shiftIndexesStartingAtIndex(4, 2); // 1 6 7 9
    EXPECT_EQ(s.indexes(), (std::vector<std::int64_t> { 1, 6, 7, 9 }));
    s.shiftIndexesStartingAtIndex(6, -2); // 1 4 5 7
    EXPECT_EQ(s.indexes(), (std::vector<std::int64_t> { 1, 4, 5, 7 }));
}

TEST(Array, RangeChecksAndIdentity)
{
    auto a = kit::make<Thing>();
    kit::Array array { 1, "two", a };
    EXPECT_THROW(array.objectAtIndex(3), kit::Exception);
    EXPECT_THROW(array.insertObjectAtIndex(4, 5), kit::Exception);
    EXPECT_THROW(array.removeObjectAtIndex(-1), kit::Exception);
    try {
        array.objectAtIndex(7);
    } catch (const kit::Exception& e) {
        EXPECT_EQ(e.name(), "NSRangeException");
    }
    array.insertObjectAtIndex(0, 3);
    EXPECT_EQ(array.lastObject(), 0);
    EXPECT_EQ(array.indexOfObject(Value(true)), 0); // YES equals 1
    EXPECT_EQ(array.indexOfObjectIdenticalTo(Value(a)), 2);
    EXPECT_EQ(array.indexOfObjectIdenticalTo(Value(kit::make<Thing>())), kit::NotFound);
}

TEST(Array, EnumerationSeesTheCopyItStartedWith)
{
    struct Owner {
        kit::Array items { 1, 2, 3 };
        kit::Array children() const { return items; }
    } owner;
    int seen = 0;
    for (const Value& v : owner.children()) {
        owner.items.addObject(v); // changes the owner's copy, not the one being enumerated
        ++seen;
    }
    EXPECT_EQ(seen, 3);
    EXPECT_EQ(owner.items.count(), 6);
}

TEST(Dictionary, InsertionOrderNullKeysAndUnorderedEquality)
{
    kit::Dictionary d { { "b", 1 }, { "a", 2 } };
    d.setObjectForKey("null", Value::null());
    EXPECT_EQ(d.allKeys(), (kit::Array { "b", "a", Value::null() }));
    EXPECT_EQ(d.objectForKey(Value::null()), "null");
    kit::Dictionary e { { "a", 2.0 }, { "b", true }, { Value::null(), "null" } };
    EXPECT_EQ(d, e);
    d.setObjectForKey(Value(), "a");
    EXPECT_FALSE(d.containsKey("a"));
}

TEST(Set, DistinctByEqualityAndEqualRegardlessOfOrder)
{
    kit::Set a { "x", "y" };
    kit::Set b { "y", "x", "x" };
    EXPECT_EQ(a, b);
    EXPECT_EQ(Value(a).hash(), Value(b).hash());
    EXPECT_EQ(a.anyObject(), "x");
}

TEST(Strings, Comparisons)
{
    EXPECT_EQ(kit::compare("B", "a"), kit::OrderedAscending); // ordinal: uppercase first
    EXPECT_EQ(kit::caseInsensitiveCompare("B", "a"), kit::OrderedDescending);
    EXPECT_EQ(kit::caseInsensitiveCompare("abc", "ABC"), kit::OrderedSame);
    EXPECT_EQ(kit::localizedCaseInsensitiveCompare("b", "A"), kit::OrderedDescending);
}

TEST(Value, DatesDescribeThemselvesInUTC)
{
    EXPECT_EQ(Value(kit::Date(0)).description(), "2001-01-01 00:00:00 +0000");
    EXPECT_EQ(Value(kit::Date(1.5)), Value(kit::Date(1.5)));
}

} // namespace
