#include "kit/graphics/Font.h"

#include "kit/testsupport/TestApplication.h"

#include <QFontInfo>
#include <QFontMetricsF>

#include <gtest/gtest.h>

namespace {

using kit::Font;

TEST(Font, OnePointIsOnePixel)
{
    auto font = Font::systemFontOfSize(13);
    EXPECT_EQ(font->qFont().pixelSize(), 13);
    EXPECT_EQ(QFontInfo(font->qFont()).pixelSize(), 13);
    EXPECT_EQ(font->pointSize(), 13);
    EXPECT_EQ(font->familyName(), kit::test::testFontFamily);
    // DejaVu Sans: ascent and descent in proportion to the 13 px em.
    EXPECT_NEAR(font->ascender(), 13 * 0.928, 1.0);
    EXPECT_NEAR(font->descender(), -13 * 0.236, 1.0);
    EXPECT_GE(font->leading(), 0);
    EXPECT_EQ(Font::systemFontOfSize(0)->pointSize(), 13);
    EXPECT_EQ(Font::systemFontOfSize(12.6)->qFont().pixelSize(), 13);
}

struct ControlSizeCase {
    kit::ControlSize size;
    double points;
};
class ControlSizes : public testing::TestWithParam<ControlSizeCase> { };
TEST_P(ControlSizes, Table) { EXPECT_EQ(Font::systemFontSizeForControlSize(GetParam().size), GetParam().points); }
INSTANTIATE_TEST_SUITE_P(Sizes, ControlSizes,
    testing::Values(ControlSizeCase { kit::RegularControlSize, 13 }, ControlSizeCase { kit::SmallControlSize, 11 },
        ControlSizeCase { kit::MiniControlSize, 9 }));

TEST(Font, UnknownFamiliesFallBackAndBoldConverts)
{
    auto font = Font::fontWithNameSize("Nonexistent Family Name", 11);
    ASSERT_TRUE(font);
    EXPECT_EQ(font->familyName(), kit::test::testFontFamily);
    EXPECT_EQ(font->pointSize(), 11);
    EXPECT_EQ(Font::fontWithNameSize("DejaVu Sans-Bold", 10)->isBold(), true);

    auto bold = kit::FontManager::sharedFontManager()->convertFontToHaveTrait(Font::systemFontOfSize(12), kit::BoldFontMask);
    EXPECT_TRUE(bold->isBold());
    EXPECT_EQ(bold->pointSize(), 12);
    EXPECT_TRUE(bold->isEqual(*Font::boldSystemFontOfSize(12)));
    EXPECT_FALSE(bold->isEqual(*Font::systemFontOfSize(12)));
    EXPECT_EQ(Font::labelFontOfSize(0)->pointSize(), 10);
}

} // namespace
