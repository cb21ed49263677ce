#include "kit/controls/Box.h"

#include "ControlsTestSupport.h"

#include <gtest/gtest.h>

namespace {

using namespace kit;
using namespace kit::test;

TEST(Box, ASeparatorDrawsOneLineAlongItsLongerSide)
{
    ControlWindow w(MakeSize(120, 60));
    auto box = make<Box>();
    box->setFrame(MakeRect(10, 30, 100, 2));
    w.content->addSubview(box.get());
    EXPECT_EQ(box->boxType(), BoxSeparator);
    EXPECT_EQ(box->autoresizingMask(), unsigned(ViewWidthSizable));
    const QImage shot = w.window->snapshot();
    const QColor background = basePixel(shot, MakePoint(60, 45));
    EXPECT_FALSE(basePixelIs(shot, MakePoint(60, 31), background, 4));
    EXPECT_FALSE(basePixelIs(shot, MakePoint(105, 31), background, 4));
    EXPECT_TRUE(basePixelIs(shot, MakePoint(60, 36), background, 0));
}

// The form inspector's separators are one point high: the line still shows, along the whole box.
TEST(Box, AOnePointSeparatorStillShowsItsLine)
{
    ControlWindow w(MakeSize(120, 60));
    auto box = make<Box>();
    box->setFrame(MakeRect(10, 30, 100, 1));
    w.content->addSubview(box.get());
    const QImage shot = w.window->snapshot();
    const QColor background = basePixel(shot, MakePoint(60, 45));
    EXPECT_FALSE(basePixelIs(shot, MakePoint(12, 30.5), background, 4));
    EXPECT_FALSE(basePixelIs(shot, MakePoint(108, 30.5), background, 4));
    EXPECT_TRUE(basePixelIs(shot, MakePoint(60, 33), background, 0));
}

} // namespace
