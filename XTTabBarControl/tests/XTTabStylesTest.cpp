#include "XTTabBarControl/XTAquaTabStyle.h"
#include "XTTabBarControl/XTCardTabStyle.h"
#include "XTTabBarControl/XTPebbleTabStyle.h"
#include "XTTabBarControl/XTShading.h"
#include "XTTabBarControl/XTTabBarControl.h"
#include "XTTabBarControl/XTUnifiedTabStyle.h"
#include "XTTabBarControl/tests/XTTabBarTestSupport.h"
#include "kit/appkit/Application.h"
#include "kit/appkit/Toolbar.h"
#include "kit/appkit/Window.h"
#include "kit/foundation/Bundle.h"
#include "kit/foundation/KeyedArchiver.h"
#include "kit/foundation/KeyedUnarchiver.h"
#include "kit/testsupport/EventScript.h"
#include "kit/tests/GraphicsTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using kit::MakeRect;
using kit::test::Canvas;
using kit::test::pixel;
using kit::test::pixelIs;

kit::Ref<kit::Color> xtsRGB(double r, double g, double b, double a = 1) { return kit::Color::colorWithCalibratedRedGreenBlueAlpha(r, g, b, a); }

// --- Shading fills

TEST(XTShading, LinearStartsAtTheBoundsMinimumY)
{
    for (const bool flipped : { true, false }) {
        Canvas canvas(20, 40, flipped);
        XTShading::linearGradientFillWithStartColorEndColor(*kit::BezierPath::bezierPathWithRect(MakeRect(0, 0, 20, 40)), *xtsRGB(1, 0, 0), *xtsRGB(0, 0, 1));
        const QImage& out = canvas.finish();
        // Flipped: y grows downwards, so the start colour is the top row.
        const QColor top = pixel(out, 10, 0), bottom = pixel(out, 10, 39);
        EXPECT_GT(flipped ? top.red() : bottom.red(), 240) << flipped;
        EXPECT_GT(flipped ? bottom.blue() : top.blue(), 240) << flipped;
    }
    Canvas canvas(40, 20, true);
    XTShading::linearVerticalGradientFillWithStartColorEndColor(*kit::BezierPath::bezierPathWithRect(MakeRect(0, 0, 40, 20)), *xtsRGB(1, 0, 0), *xtsRGB(0, 0, 1));
    const QImage& out = canvas.finish();
    EXPECT_GT(pixel(out, 0, 10).red(), 240);
    EXPECT_GT(pixel(out, 39, 10).blue(), 240);
}

TEST(XTShading, BilinearPutsTheInnerColourAtBothEnds)
{
    Canvas canvas(20, 41, true);
    XTShading::bilinearGradientFillWithOuterColorInnerColor(*kit::BezierPath::bezierPathWithRect(MakeRect(0, 0, 20, 41)), *xtsRGB(1, 0, 0), *xtsRGB(0, 0, 1));
    const QImage& out = canvas.finish();
    EXPECT_GT(pixel(out, 10, 0).blue(), 240);
    EXPECT_GT(pixel(out, 10, 40).blue(), 240);
    EXPECT_GT(pixel(out, 10, 20).red(), 230);
}

TEST(XTShading, WhitesConvertAlphaInterpolatesAndNothingLeavesThePath)
{
    Canvas canvas(40, 40, true, Qt::white);
    XTShading::linearGradientFillWithStartColorEndColor(*kit::BezierPath::bezierPathWithRect(MakeRect(10, 0, 20, 40)),
        *kit::Color::colorWithCalibratedWhiteAlpha(0, 0), *kit::Color::colorWithCalibratedWhiteAlpha(0, 1));
    const QImage& out = canvas.finish();
    EXPECT_TRUE(pixelIs(out, 20, 0, Qt::white, 12)) << "transparent black at the start";
    EXPECT_TRUE(pixelIs(out, 20, 39, Qt::black, 12)) << "opaque black at the end";
    const QColor middle = pixel(out, 20, 20);
    EXPECT_NEAR(middle.red(), 128, 16) << kit::test::describe(middle);
    EXPECT_TRUE(pixelIs(out, 5, 20, Qt::white, 0));
    EXPECT_TRUE(pixelIs(out, 35, 20, Qt::white, 0));
}

// --- What every style answers

struct XTStyleCase {
    const char* name;
    double left, right, top, height, bareMinimum;
};

class XTStyleMetrics : public testing::TestWithParam<XTStyleCase> { };

TEST_P(XTStyleMetrics, MarginsHeightImagesAndTheBareMinimum)
{
    const XTStyleCase& c = GetParam();
    XTBarFixture f(600, 1);
    f.bar->setStyleNamed(QLatin1String(c.name));
    const kit::Ref<XTTabStyle> style = f.bar->style();
    ASSERT_EQ(style->name(), QLatin1String(c.name));
    EXPECT_EQ(style->leftMarginForTabBarControl(), c.left);
    EXPECT_EQ(style->rightMarginForTabBarControl(), c.right);
    EXPECT_EQ(style->topMarginForTabBarControl(), c.top);
    EXPECT_EQ(style->tabCellHeight(), c.height);
    for (const auto& image : { style->addTabButtonImage(), style->addTabButtonPressedImage(), style->addTabButtonRolloverImage() }) {
        ASSERT_TRUE(image);
        EXPECT_EQ(image->size(), kit::MakeSize(16, 16));
    }
    const auto& base = static_cast<XTTabStyleBase&>(*style);
    ASSERT_TRUE(base.closeImages().normal);
    EXPECT_EQ(base.closeImages().normal->size(), kit::MakeSize(12, 12));
    EXPECT_EQ(f.bar->addTabButton()->usualImage(), style->addTabButtonImage());
    const kit::Ref<XTTabBarCell> cell = f.bar->cells()[0];
    cell->setHasCloseButton(false);
    EXPECT_EQ(cell->minimumWidthOfCell(), c.bareMinimum);
    EXPECT_EQ(cell->desiredWidthOfCell(), std::ceil(c.bareMinimum - 30 + cell->attributedStringValue().size().width + (c.bareMinimum == 38 ? 2 : 0)));
}

INSTANTIATE_TEST_SUITE_P(XTTabStyles, XTStyleMetrics,
    testing::Values(XTStyleCase { "Aqua", 0, 24, 0, 22, 42 }, XTStyleCase { "Card", 5, 24, 10, 22, 42 }, XTStyleCase { "Pebble", 3, 24, 10, 22, 38 },
        XTStyleCase { "Unified", 5, 24, 10, 22, 42 }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(XTTabStyles, NamesAreExactAndEveryOtherNameIsMetal)
{
    XTBarFixture f(400, 2);
    for (const char* name : { "Aqua", "Card", "Pebble", "Unified", "Metal" }) {
        f.bar->setStyleNamed(QLatin1String(name));
        EXPECT_EQ(f.bar->styleName(), QLatin1String(name));
    }
    f.bar->setStyleNamed(QStringLiteral("aqua"));
    EXPECT_EQ(f.bar->styleName(), QStringLiteral("Metal"));
    f.bar->setStyleNamed(QStringLiteral("Card"));
    // Card's margin of 5 starts the first tab.
    EXPECT_EQ(f.bar->cells()[0]->frame().origin.x, 5);
}

// --- Aqua

TEST(XTAquaTabStyle, SelectedStripFollowsKeyStateAndTint)
{
    kit::Application::resetForTesting();
    XTBarFixture f(400, 2);
    f.bar->setStyleNamed(QStringLiteral("Aqua"));
    auto& style = static_cast<XTAquaTabStyle&>(*f.bar->style());
    const kit::Ref<XTTabBarCell> cell = f.bar->cells()[0];
    EXPECT_EQ(style.selectedStripForCell(*cell)->name(), QStringLiteral("AquaTabsDownNonKey")) << "no window is key";
    auto window = kit::make<kit::Window>(MakeRect(0, 0, 400, 300), kit::TitledWindowMask);
    window->contentView()->addSubview(f.bar.get());
    window->makeKeyAndOrderFront();
    EXPECT_EQ(style.selectedStripForCell(*cell)->name(), QStringLiteral("AquaTabsDown"));
    cell->setControlTint(6);
    EXPECT_EQ(style.selectedStripForCell(*cell)->name(), QStringLiteral("AquaTabsDownGraphite"));
    auto other = kit::make<kit::Window>(MakeRect(0, 0, 100, 100), kit::TitledWindowMask);
    other->makeKeyAndOrderFront();
    EXPECT_EQ(style.selectedStripForCell(*cell)->name(), QStringLiteral("AquaTabsDownNonKey")) << "whatever the tint";
    kit::Application::resetForTesting();
}

TEST(XTAquaTabStyle, ATallDirtyRectangleGetsNoBackgroundAndTitlesArePlain)
{
    XTBarFixture f(200, 0);
    f.bar->setStyleNamed(QStringLiteral("Aqua"));
    f.bar->setTabView(nullptr);
    {
        Canvas canvas(200, 40, true);
        f.bar->style()->drawTabBarInRect(*f.bar, MakeRect(0, 0, 200, 23));
        EXPECT_TRUE(pixelIs(canvas.finish(), 100, 20, Qt::white, 0));
    }
    Canvas canvas(200, 40, true);
    f.bar->style()->drawTabBarInRect(*f.bar, MakeRect(0, 0, 200, 22));
    EXPECT_LT(pixel(canvas.finish(), 100, 20).red(), 250) << "the background strip";

    XTBarFixture g(200, 1);
    g.bar->setStyleNamed(QStringLiteral("Aqua"));
    const kit::StringAttributes title = g.bar->cells()[0]->attributedStringValue().attributesAtIndex(0);
    EXPECT_FALSE(title.shadow);
    EXPECT_FALSE(title.foregroundColor);
    EXPECT_EQ(title.font->pointSize(), 11);
    EXPECT_FALSE(title.font->qFont().bold());
}

// --- Card

TEST(XTCardTabStyle, RadiusFollowsTheSmallerSideAndTheCloseButtonIsWhereItIsDrawn)
{
    EXPECT_DOUBLE_EQ(XTCardTabStyle::cornerRadiusForCellFrame(MakeRect(0, 0, 100, 22)), 5.5);
    EXPECT_DOUBLE_EQ(XTCardTabStyle::cornerRadiusForCellFrame(MakeRect(0, 0, 100, 10)), 2.5);
    XTBarFixture f(400, 2);
    f.bar->setStyleNamed(QStringLiteral("Card"));
    const kit::Ref<XTTabBarCell> cell = f.bar->cells()[0];
    const kit::Rect frame = cell->frame();
    EXPECT_EQ(cell->closeButtonRectForFrame(frame), MakeRect(frame.origin.x + 6, frame.origin.y + 7, 12, 12));
    cell->setCloseButtonSuppressed(true);
    EXPECT_EQ(cell->closeButtonRectForFrame(frame), kit::Rect {});
    EXPECT_EQ(cell->minimumWidthOfCell(), 42) << "a suppressed button counts the plain 6 points";
}

TEST(XTCardTabStyle, AClickOnTheLowerPartOfTheDrawnCloseButtonCloses)
{
    kit::Application::resetForTesting();
    XTBarFixture f(434, 3);
    f.bar->setStyleNamed(QStringLiteral("Card"));
    auto window = kit::make<kit::Window>(MakeRect(100, 100, 434, 22), kit::TitledWindowMask);
    window->setContentView(f.bar.get());
    const kit::Rect tab = f.bar->cells()[1]->frame();
    // The image stands 7 points down on the card; its lower third is 15 to 19 points down.
    const kit::Point press = kit::MakePoint(tab.origin.x + 12, 22 - (tab.origin.y + 17));
    kit::test::EventScript script(window.get());
    script.mouseDown(press).mouseUp(press);
    script.run();
    EXPECT_EQ(f.tabView->numberOfTabViewItems(), 2);
    kit::Application::resetForTesting();
}

TEST(XTCardTabStyle, AnInactiveApplicationOnlyOutlinesTheCards)
{
    kit::Application::resetForTesting();
    XTBarFixture f(300, 2);
    f.bar->setStyleNamed(QStringLiteral("Card"));
    const kit::Ref<XTTabBarCell> cell = f.bar->cells()[1];
    const kit::Rect frame = cell->frame();
    auto inside = [&] {
        Canvas canvas(300, 22, true);
        f.bar->style()->drawTabCell(*cell);
        return pixel(canvas.finish(), int(frame.origin.x + frame.size.width / 2), 12);
    };
    kit::Application::sharedApplication()->setActive(true);
    EXPECT_LT(inside().red(), 235) << "filled grey while active";
    kit::Application::sharedApplication()->setActive(false);
    EXPECT_EQ(inside(), QColor(Qt::white));
    kit::Application::resetForTesting();
}

// --- Pebble

TEST(XTPebbleTabStyle, HeightsFollowTheOrientationAndAnIconWithoutCloseButtonHasItsRoom)
{
    XTBarFixture f(400, 1);
    f.bar->setStyleNamed(QStringLiteral("Pebble"));
    auto& style = static_cast<XTPebbleTabStyle&>(*f.bar->style());
    EXPECT_EQ(style.tabCellHeight(), 22);
    f.bar->setOrientation(XTTabBarVerticalOrientation);
    EXPECT_EQ(style.tabCellHeight(), 28);
    f.bar->setOrientation(XTTabBarHorizontalOrientation);
    const kit::Ref<XTTabBarCell> cell = f.bar->cells()[0];
    auto identifier = kit::make<XTTestIdentifier>();
    identifier->setIcon(kit::Image::imageWithSize(kit::MakeSize(16, 16)));
    auto item = f.addTab(QStringLiteral("Icon"), kit::Value(identifier));
    const kit::Ref<XTTabBarCell> iconCell = f.bar->cells()[1];
    iconCell->setHasIcon(true);
    iconCell->setHasCloseButton(false);
    // 16-point icon + 2 + 4, then 30 + 4.
    EXPECT_EQ(iconCell->minimumWidthOfCell(), 56);
}

TEST(XTPebbleTabStyle, TheHeightCacheIsKeyedByStringAndEmptiesAtAHundredAndOne)
{
    const kit::AttributedString title(QStringLiteral("Pebble cache title"), kit::StringAttributes {});
    const double measured = XTPebbleTabStyle::heightOfAttributedStringWithWidth(title, 500);
    EXPECT_GT(measured, 0);
    EXPECT_EQ(XTPebbleTabStyle::heightOfAttributedStringWithWidth(title, 20), measured) << "the width is not part of the key";
    for (int i = 0; XTPebbleTabStyle::heightCacheCountForTesting() < 101; ++i)
        XTPebbleTabStyle::heightOfAttributedStringWithWidth(kit::AttributedString(QStringLiteral("filler %1").arg(i), kit::StringAttributes {}), 100);
    XTPebbleTabStyle::heightOfAttributedStringWithWidth(title, 20);
    EXPECT_EQ(XTPebbleTabStyle::heightCacheCountForTesting(), 1u);
}

TEST(XTPebbleTabStyle, ArchivesItsSettingsAndADecodedStyleStillFillsAndCounts)
{
    auto style = kit::make<XTPebbleTabStyle>();
    style->setDrawsUnified(true);
    style->setDrawsRight(true);
    const QByteArray archive = kit::KeyedArchiver::archivedDataWithRootObject(kit::Value(style));
    QString error;
    auto decoded = kit::dynamic_pointer_cast<XTPebbleTabStyle>(
        kit::KeyedUnarchiver::unarchivedObjectOfClass(XTPebbleTabStyle::staticClass(), archive, &error));
    ASSERT_TRUE(decoded) << error.toStdString();
    EXPECT_TRUE(decoded->drawsUnified());
    EXPECT_TRUE(decoded->drawsRight());
    ASSERT_TRUE(decoded->closeImages().dirtyRollover);
    EXPECT_EQ(decoded->closeImages().dirtyRollover->name(), QStringLiteral("AquaTabCloseDirty_Front_Rollover"));
    EXPECT_TRUE(decoded->gradientImage()) << "the gradient comes from the plain factory";
    XTBarFixture f(300, 1);
    f.bar->cells()[0]->setCount(3);
    const kit::StringAttributes counter = decoded->attributedObjectCountValueForTabCell(*f.bar->cells()[0]).attributesAtIndex(0);
    EXPECT_TRUE(counter.font->qFont().bold());
}

TEST(XTPebbleTabStyle, TheStyleHoldsItsBarWeakly)
{
    auto style = kit::make<XTPebbleTabStyle>();
    {
        XTBarFixture f(300, 1);
        f.bar->setStyle(style);
        Canvas canvas(300, 22, true);
        style->drawTabBarInRect(*f.bar, MakeRect(0, 0, 300, 22));
        EXPECT_EQ(style->tabBar(), f.bar);
        f.tabView->setDelegate(nullptr);
    }
    EXPECT_FALSE(style->tabBar());
}

TEST(XTPebbleTabStyle, AVerticalCounterTakesTheCloseButtonsPlace)
{
    XTBarFixture f(150, 2, 300);
    f.bar->setStyleNamed(QStringLiteral("Pebble"));
    f.bar->setOrientation(XTTabBarVerticalOrientation);
    const kit::Ref<XTTabBarCell> cell = f.bar->cells()[0];
    cell->setFrame(MakeRect(0, 0, 150, 28));
    cell->setCount(4);
    cell->setCountColor(xtsRGB(1, 0, 0));
    const kit::Rect close = cell->closeButtonRectForFrame(cell->frame());
    Canvas canvas(150, 28, true);
    f.bar->style()->drawInteriorWithTabCellInView(*cell, f.bar.get());
    const QImage& out = canvas.finish();
    // The red badge stands where the close button would be.
    const QColor badge = pixel(out, int(close.origin.x + close.size.width - 2), 14);
    EXPECT_GT(badge.red(), 200) << kit::test::describe(badge);
    EXPECT_LT(badge.green(), 80) << kit::test::describe(badge);
}

TEST(XTPebbleTabStyle, EdgesAndShadowsFollowTheBarsSide)
{
    XTBarFixture f(100, 1, 100);
    f.bar->setStyleNamed(QStringLiteral("Pebble"));
    f.bar->setOrientation(XTTabBarVerticalOrientation);
    auto& style = static_cast<XTPebbleTabStyle&>(*f.bar->style());
    auto shadowed = [&](bool right) {
        style.setDrawsRight(right);
        Canvas canvas(100, 100, true);
        style.drawTabBarInRect(*f.bar, MakeRect(0, 0, 100, 100));
        const QImage& out = canvas.finish();
        return std::pair { pixel(out, 2, 60), pixel(out, 96, 60) };
    };
    const auto [leftOfRightBar, rightOfRightBar] = shadowed(true);
    EXPECT_LT(leftOfRightBar.red(), 220) << "the edge's shadow falls inside, to the right of the left edge";
    EXPECT_GT(rightOfRightBar.red(), 225) << kit::test::describe(rightOfRightBar);
    const auto [leftOfLeftBar, rightOfLeftBar] = shadowed(false);
    EXPECT_GT(leftOfLeftBar.red(), 225) << kit::test::describe(leftOfLeftBar);
    EXPECT_LT(rightOfLeftBar.red(), 220);
}

TEST(XTPebbleTabStyle, TheLargeImageStandsUprightWithRoundedCorners)
{
    XTBarFixture f(150, 2, 300);
    f.bar->setStyleNamed(QStringLiteral("Pebble"));
    f.bar->setOrientation(XTTabBarVerticalOrientation);
    auto identifier = kit::make<XTTestIdentifier>();
    QImage picture(24, 24, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::blue);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 24; ++x)
            picture.setPixel(x, y, qRgb(255, 0, 0));
    auto large = kit::make<kit::Image>();
    large->addRepresentation(kit::make<kit::BitmapImageRep>(picture));
    identifier->setLargeImage(large);
    f.addTab(QStringLiteral("Large"), kit::Value(identifier));
    const kit::Ref<XTTabBarCell> cell = f.bar->cells()[2];
    cell->setHasLargeImage(true);
    cell->setFrame(MakeRect(0, 40, 150, 28));
    Canvas canvas(150, 80, true);
    f.bar->style()->drawInteriorWithTabCellInView(*cell, f.bar.get());
    const QImage& out = canvas.finish();
    // The picture spans (4, 42) to (28, 66) in the flipped bar.
    EXPECT_TRUE(pixelIs(out, 16, 45, Qt::red, 10)) << "its top row at the top";
    EXPECT_TRUE(pixelIs(out, 16, 62, Qt::blue, 10));
    EXPECT_TRUE(pixelIs(out, 4, 42, Qt::white, 10)) << "the corner is rounded off";
}

// --- Unified

TEST(XTUnifiedTabStyle, MarginIsSettableAndTheBarStaysHorizontal)
{
    XTBarFixture f(400, 2);
    f.bar->setStyleNamed(QStringLiteral("Unified"));
    auto& style = static_cast<XTUnifiedTabStyle&>(*f.bar->style());
    style.setLeftMarginForTabBarControl(12);
    f.bar->update(false);
    EXPECT_EQ(f.bar->cells()[0]->frame().origin.x, 12);
    f.bar->setOrientation(XTTabBarVerticalOrientation);
    EXPECT_EQ(style.tabCellHeight(), 22);
    EXPECT_FALSE(XTUnifiedTabStyle::cellHasSeparator(*f.bar->cells()[0])) << "no window, no toolbar";
}

TEST(XTUnifiedTabStyle, UnderABaselineSeparatorUnselectedTabsAreOnlyDividers)
{
    kit::Application::resetForTesting();
    kit::Application::sharedApplication()->setActive(true);
    XTBarFixture f(400, 2);
    f.bar->setStyleNamed(QStringLiteral("Unified"));
    auto window = kit::make<kit::Window>(MakeRect(0, 0, 400, 22), kit::TitledWindowMask);
    window->contentView()->addSubview(f.bar.get());
    const kit::Ref<XTTabBarCell> unselected = f.bar->cells()[1];
    const kit::Rect frame = unselected->frame();
    auto middle = [&] {
        Canvas canvas(400, 22, true);
        f.bar->style()->drawTabCell(*unselected);
        return pixel(canvas.finish(), int(frame.origin.x + frame.size.width - 8), 12);
    };
    EXPECT_LT(middle().red(), 235) << "a rounded, filled tab without a toolbar";
    auto toolbar = kit::make<kit::Toolbar>(QStringLiteral("unified"));
    toolbar->setShowsBaselineSeparator(true);
    window->setToolbar(toolbar.get());
    EXPECT_TRUE(XTUnifiedTabStyle::cellHasSeparator(*unselected));
    EXPECT_EQ(middle(), QColor(Qt::white)) << "only the dividers are drawn";
    kit::Application::resetForTesting();
}

} // namespace

TEST(XTTabBarResources, TheBarsBundleStaysValidWhenTheBundleTableIsRebuilt)
{
    ASSERT_NE(XTTabBarControl::bundle(), nullptr);
    kit::Bundle::setMainBundlePathForTesting(QString());
    // Images and strings still come from a live bundle.
    EXPECT_FALSE(XTTabBarControl::bundle()->pathForImageResource(QStringLiteral("AquaTabClose_Front")).isEmpty());
}
