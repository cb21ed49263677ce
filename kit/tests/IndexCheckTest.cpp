// Index and range checks on what callers pass in: an index such as NotFound, or a length that
// reaches past the largest index, is refused or clamped; it never overflows into a small index.

#include "kit/core/Exception.h"
#include "kit/core/IndexSet.h"
#include "kit/core/Value.h"
#include "kit/graphics/AttributedString.h"
#include "kit/graphics/Font.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>

using namespace kit;

namespace {

constexpr std::int64_t indexCheckLargest = std::numeric_limits<std::int64_t>::max();

struct IndexCheckRangeCase {
    const char* name;
    Range range;
};

class ArrayRangeTest : public testing::TestWithParam<IndexCheckRangeCase> { };

TEST_P(ArrayRangeTest, RangesPastTheEndRaiseTheRangeException)
{
    const Array array { 1, 2, 3 };
    try {
        (void)array.subarrayWithRange(GetParam().range);
        ADD_FAILURE() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.name(), RangeException);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, ArrayRangeTest,
    testing::Values(IndexCheckRangeCase { "notFoundPlusOne", MakeRange(NotFound, 1) },
        IndexCheckRangeCase { "lengthToTheLargest", MakeRange(1, indexCheckLargest) },
        IndexCheckRangeCase { "bothLarge", MakeRange(indexCheckLargest, indexCheckLargest) },
        IndexCheckRangeCase { "oneTooLong", MakeRange(1, 3) }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ArrayRange, RangesInsideAnswerTheirObjects)
{
    const Array array { 1, 2, 3 };
    EXPECT_EQ(array.subarrayWithRange(MakeRange(1, 2)).count(), 2);
    EXPECT_EQ(array.subarrayWithRange(MakeRange(3, 0)).count(), 0);
}

TEST(IndexSetRange, RemovingOrCountingAtTheLargestIndexChangesNothing)
{
    MutableIndexSet set;
    set.addIndexesInRange(MakeRange(2, 5));
    set.removeIndex(NotFound);
    set.removeIndexesInRange(MakeRange(4, indexCheckLargest));
    EXPECT_EQ(set.count(), 2) << "2 and 3 stay";
    EXPECT_TRUE(set.containsIndex(3));
    EXPECT_FALSE(set.intersectsIndexesInRange(MakeRange(NotFound, 1)));
    EXPECT_EQ(set.countOfIndexesInRange(MakeRange(3, indexCheckLargest)), 1);
}

TEST(AttributedStringRange, RangesReachingPastTheEndRaiseWithoutOverflow)
{
    // Attributed strings raise RangeException for ranges outside the text; a location like NotFound
    // must be refused without forming location + length.
    const StringAttributes plain { Font::systemFontOfSize(10), nullptr, nullptr, nullptr };
    const StringAttributes big { Font::systemFontOfSize(20), nullptr, nullptr, nullptr };
    AttributedString s("abcdef", plain);
    auto raisesRange = [](const std::function<void()>& call) {
        try {
            call();
        } catch (const Exception& e) {
            return e.name() == RangeException;
        }
        return false;
    };
    EXPECT_TRUE(raisesRange([&] { s.setAttributes(big, MakeRange(NotFound, 1)); }));
    EXPECT_TRUE(raisesRange([&] { s.addAttributes(big, MakeRange(4, indexCheckLargest)); }));
    EXPECT_TRUE(raisesRange([&] { (void)s.attributedSubstringFromRange(MakeRange(2, indexCheckLargest)); }));
    EXPECT_TRUE(raisesRange([&] { (void)s.attributedSubstringFromRange(MakeRange(NotFound, 1)); }));
    EXPECT_EQ(s.runs().size(), 1u) << "nothing changed";
    EXPECT_EQ(s.attributesAtIndex(5).font, plain.font);
}

} // namespace
