#include "kit/foundation/FrameText.h"

#include <gtest/gtest.h>

using namespace kit;

namespace {

TEST(FrameTextTest, WritesWholeNumbersWithSingleBlanksAndATrailingBlank)
{
    EXPECT_EQ(stringWithSavedFrame(MakeRect(100.4, 200.6, 500, 300), MakeRect(0, 0, 1920, 1080)), "100 201 500 300 0 0 1920 1080 ");
    EXPECT_EQ(stringWithSavedFrame(MakeRect(-20, -5.5, 1, 2), MakeRect(0, 0, 0, 0)), "-20 -6 1 2 0 0 0 0 ");
    EXPECT_EQ(windowFrameDefaultsKey("Prefs"), "NSWindow Frame Prefs");
}

TEST(FrameTextTest, RestoreKeepsTheSavedTopLeftCorner)
{
    EXPECT_EQ(originKeepingSavedTopLeft("100 200 500 300 0 0 1920 1080 ", MakeSize(500, 250)), MakePoint(100, 250));
}

struct MalformedCase {
    const char* text;
    bool restores;
};

class MalformedFrameTextTest : public ::testing::TestWithParam<MalformedCase> { };

TEST_P(MalformedFrameTextTest, FewerThanFourNumbersCentresInstead)
{
    EXPECT_EQ(originKeepingSavedTopLeft(GetParam().text, MakeSize(10, 10)).has_value(), GetParam().restores);
}

INSTANTIATE_TEST_SUITE_P(Texts, MalformedFrameTextTest,
    ::testing::Values(MalformedCase { "", false }, MalformedCase { "100", false }, MalformedCase { "1 2 3", false },
        MalformedCase { "1 2 x 4", false }, MalformedCase { "1 2 3 nan", false }, MalformedCase { "garbage", false },
        MalformedCase { "1  2  3  4", true }, MalformedCase { "1 2 3 4", true }, MalformedCase { "1.5 2 3 4 junk", true },
        // Not finite, or beyond the geometry limit of ±16,777,215: not a number of a frame.
        MalformedCase { "inf 0 10 10", false }, MalformedCase { "0 -inf 5 5", false }, MalformedCase { "nan nan 500 nan", false },
        MalformedCase { "1e12 0 10 10", false }, MalformedCase { "16777216 0 10 10", false }, MalformedCase { "0 0 10 -16777216", false },
        MalformedCase { "16777215 -16777215 10 10", true }));

} // namespace
