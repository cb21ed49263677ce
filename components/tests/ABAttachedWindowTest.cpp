#include "components/ABAttachedWindow/ABAttachedWindow.h"
#include "kit/appkit/Application.h"
#include "kit/appkit/Screen.h"
#include "kit/testsupport/PixelProbe.h"
#include "kit/controls/MenuItem.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cmath>
#include <optional>

namespace {

using namespace kit;
using namespace ABAttachedWindowGeometry;

Metrics abView100x50(double distance = 0)
{
    Metrics m;
    m.viewSize = MakeSize(100, 50);
    m.distance = distance;
    return m;
}

struct ABSideRow {
    const char* name;
    Point p;
    Rect screen;
    std::optional<Rect> parent;
    int side;
};

class ABBestSide : public testing::TestWithParam<ABSideRow> { };

TEST_P(ABBestSide, PicksTheSideThatFits)
{
    const ABSideRow& row = GetParam();
    EXPECT_EQ(bestSide(abView100x50(), row.p, row.screen, row.parent), row.side) << row.name;
}

// View 100 x 50 with the defaults: W 104, H 54, d 16, inset 18.
const Rect abScreen = MakeRect(0, 0, 1280, 800);
INSTANTIATE_TEST_SUITE_P(Table, ABBestSide,
    testing::Values(ABSideRow { "room below", MakePoint(640, 400), abScreen, std::nullopt, ABPositionBottom },
        ABSideRow { "near the bottom, half above it", MakePoint(300, 60), abScreen, std::nullopt, ABPositionRight },
        ABSideRow { "less than half above the bottom", MakePoint(300, 20), abScreen, std::nullopt, ABPositionRightTop },
        ABSideRow { "below, at the left edge", MakePoint(30, 400), abScreen, std::nullopt, ABPositionBottomRight },
        ABSideRow { "below, at the right edge", MakePoint(1270, 400), abScreen, std::nullopt, ABPositionBottomLeft },
        ABSideRow { "no room right", MakePoint(1250, 50), abScreen, std::nullopt, ABPositionLeft },
        ABSideRow { "no room right, low", MakePoint(1250, 20), abScreen, std::nullopt, ABPositionLeftTop },
        ABSideRow { "left, parent top below the bubble's", MakePoint(1250, 50), abScreen, MakeRect(1000, 0, 280, 60),
            ABPositionLeftBottom },
        ABSideRow { "right, parent top below the bubble's", MakePoint(300, 50), abScreen, MakeRect(200, 0, 300, 60),
            ABPositionRightBottom },
        ABSideRow { "no room beside", MakePoint(100, 50), MakeRect(0, 0, 200, 800), std::nullopt, ABPositionTop },
        ABSideRow { "above, parent starts right of the bubble", MakePoint(90, 50), MakeRect(0, 0, 200, 800), MakeRect(60, 0, 140, 100),
            ABPositionTopRight },
        ABSideRow { "above, parent ends inside the bubble", MakePoint(110, 50), MakeRect(0, 0, 200, 800), MakeRect(0, 0, 150, 100),
            ABPositionTopLeft },
        ABSideRow { "no room anywhere", MakePoint(100, 50), MakeRect(0, 0, 200, 100), std::nullopt, ABPositionBottom }));

struct ABOriginRow {
    int side;
    Point origin;
    Size size;
    Point viewOrigin;
};

class ABOrigin : public testing::TestWithParam<ABOriginRow> { };

TEST_P(ABOrigin, PlacesTheWindowAndTheView)
{
    const ABOriginRow& row = GetParam();
    const Layout placed = layout(abView100x50(5), row.side, MakePoint(500, 400));
    EXPECT_EQ(placed.frame, MakeRect(row.origin.x, row.origin.y, row.size.width, row.size.height)) << row.side;
    EXPECT_EQ(placed.viewFrame, MakeRect(row.viewOrigin.x, row.viewOrigin.y, 100, 50)) << row.side;
}

// P (500, 400), distance 5, inset 18, arrow 16.
INSTANTIATE_TEST_SUITE_P(Table, ABOrigin,
    testing::Values(ABOriginRow { 0, MakePoint(375, 373), MakeSize(120, 54), MakePoint(2, 2) },
        ABOriginRow { 1, MakePoint(448, 325), MakeSize(104, 70), MakePoint(2, 2) },
        ABOriginRow { 2, MakePoint(505, 373), MakeSize(120, 54), MakePoint(18, 2) },
        ABOriginRow { 3, MakePoint(448, 405), MakeSize(104, 70), MakePoint(2, 18) },
        ABOriginRow { 4, MakePoint(375, 382), MakeSize(120, 54), MakePoint(2, 2) },
        ABOriginRow { 5, MakePoint(375, 364), MakeSize(120, 54), MakePoint(2, 2) },
        ABOriginRow { 6, MakePoint(505, 382), MakeSize(120, 54), MakePoint(18, 2) },
        ABOriginRow { 7, MakePoint(505, 364), MakeSize(120, 54), MakePoint(18, 2) },
        ABOriginRow { 8, MakePoint(414, 405), MakeSize(104, 70), MakePoint(2, 18) },
        ABOriginRow { 9, MakePoint(482, 405), MakeSize(104, 70), MakePoint(2, 18) },
        ABOriginRow { 10, MakePoint(414, 325), MakeSize(104, 70), MakePoint(2, 2) },
        ABOriginRow { 11, MakePoint(482, 325), MakeSize(104, 70), MakePoint(2, 2) },
        ABOriginRow { 13, MakePoint(500, 400), MakeSize(104, 54), MakePoint(2, 2) }));

TEST(ABAttachedWindowGeometry, WithoutAnArrowTheRoomStaysOnlyTheArrowGoes)
{
    Metrics m = abView100x50();
    m.hasArrow = false;
    EXPECT_EQ(layout(m, ABPositionBottom, MakePoint(0, 0)).frame.size, MakeSize(104, 70));
    const Rect bounds = outline(m, ABPositionBottom, MakeRect(2, 2, 100, 50))->bounds();
    EXPECT_NEAR(bounds.minY(), 0, 1e-9);
    EXPECT_NEAR(bounds.maxY(), 54, 1e-9);
    EXPECT_NEAR(bounds.width(), 104, 1e-9);
}

class ABAttachedWindowTest : public testing::Test {
protected:
    void TearDown() override { Application::resetForTesting(); }

    static Ref<ABAttachedWindow> bubble(Size viewSize, int side, double distance = 0)
    {
        auto view = make<View>(MakeRect(0, 0, viewSize.width, viewSize.height));
        return ABAttachedWindow::initWithViewAttachedToPointOnSideAtDistance(view.get(), MakePoint(500, 400), side, distance);
    }
    // The pattern's pixel at (x, y) from the top-left, alpha 0..255.
    static int alphaAt(const QImage& image, int x, int y) { return qAlpha(image.pixel(x, y)); }
};

TEST_F(ABAttachedWindowTest, ANullViewGivesNoWindowAndTheExampleSizeHolds)
{
    EXPECT_EQ(ABAttachedWindow::initWithViewAttachedToPoint(nullptr, MakePoint(0, 0)), nullptr);
    const auto window = bubble(MakeSize(100, 50), ABPositionBottom, 3);
    EXPECT_EQ(window->frame(), MakeRect(500 - 52, 400 - 70 - 3, 104, 70));
    EXPECT_EQ(window->viewFrame(), MakeRect(2, 2, 100, 50));
    EXPECT_FALSE(window->canBecomeMainWindow());
    EXPECT_TRUE(window->canBecomeKeyWindow());
    EXPECT_FALSE(window->isOpaque());
    EXPECT_TRUE(window->hasShadow());
}

TEST_F(ABAttachedWindowTest, SettersClamp)
{
    const auto window = bubble(MakeSize(100, 50), ABPositionBottom);
    window->setBorderWidth(5);
    EXPECT_EQ(window->borderWidth(), 2);
    window->setCornerRadius(-3);
    EXPECT_EQ(window->cornerRadius(), 0);
    window->setCornerRadius(100);
    EXPECT_EQ(window->cornerRadius(), (4 + 50 - 20) / 2.0);
    // A smaller margin clamps the radius and then the arrow again.
    window->setViewMargin(0);
    EXPECT_EQ(window->cornerRadius(), 15);
    EXPECT_EQ(window->arrowBaseWidth(), 20);
    window->setArrowBaseWidth(500);
    EXPECT_EQ(window->arrowBaseWidth(), 50 - 15 - 15);
    window->setArrowBaseWidth(-4);
    EXPECT_EQ(window->arrowBaseWidth(), 0);
    window->setViewMargin(-2);
    EXPECT_EQ(window->viewMargin(), 0);
}

TEST_F(ABAttachedWindowTest, ATinyViewGetsNoNegativeRadiusOrArrowWiderThanItsEdge)
{
    const auto window = bubble(MakeSize(10, 10), ABPositionBottom);
    EXPECT_EQ(window->cornerRadius(), 0);
    EXPECT_EQ(window->arrowBaseWidth(), 14);
    // A view of 32 points or more keeps the defaults.
    const auto large = bubble(MakeSize(32, 32), ABPositionBottom);
    EXPECT_EQ(large->cornerRadius(), 8);
    EXPECT_EQ(large->arrowBaseWidth(), 20);
}

TEST_F(ABAttachedWindowTest, TheFlagsReadAndWriteAsFloats)
{
    const auto window = bubble(MakeSize(100, 50), ABPositionBottom);
    EXPECT_EQ(window->hasArrow(), 1.0f);
    window->setHasArrow(0.5f);
    EXPECT_EQ(window->hasArrow(), 0.0f);
    window->setHasArrow(2.0f);
    EXPECT_EQ(window->hasArrow(), 1.0f);
    window->setDrawsRoundCornerBesideArrow(0.9f);
    EXPECT_EQ(window->drawsRoundCornerBesideArrow(), 0.0f);
}

TEST_F(ABAttachedWindowTest, ANestedRedisplayDoesNothing)
{
    const auto window = bubble(MakeSize(100, 50), ABPositionBottom);
    const int before = window->geometryPassCount();
    // The new height resizes the window, whose resize notification asks for a redisplay inside this one.
    window->setArrowHeight(10);
    EXPECT_EQ(window->geometryPassCount(), before + 1);
    EXPECT_EQ(window->frame().size, MakeSize(104, 64));
    window->setArrowHeight(10);
    EXPECT_EQ(window->geometryPassCount(), before + 1);
}

TEST_F(ABAttachedWindowTest, ThePatternIsTransparentOutsideBorderedOnTheEdgeAndTipsAtThePoint)
{
    const auto window = bubble(MakeSize(100, 50), ABPositionBottom);
    window->setBorderColor(Color::colorWithSRGBRedGreenBlueAlpha(1, 0, 0, 1).get());
    window->setBackgroundColor(Color::colorWithSRGBRedGreenBlueAlpha(0, 0, 1, 1).get());
    const QImage image = window->backgroundColorPatternImage()->bitmapForDrawing(1);
    ASSERT_EQ(image.size(), QSize(104, 70));
    // Rounded bottom-left corner, and beside the arrow.
    EXPECT_EQ(alphaAt(image, 0, 69), 0);
    EXPECT_EQ(alphaAt(image, 20, 2), 0);
    // The left edge, halfway up the body: border; inside: the fill.
    const QColor edge = image.pixelColor(0, 70 - 27);
    EXPECT_GT(edge.red(), 200);
    EXPECT_LT(edge.blue(), 60);
    const QColor inside = image.pixelColor(50, 70 - 27);
    EXPECT_GT(inside.blue(), 200);
    EXPECT_LT(inside.red(), 60);
    // The arrow's tip touches the top at the middle, which is the point.
    EXPECT_GT(alphaAt(image, 52, 1), 0);
    EXPECT_EQ(window->frame().maxY(), 400);
    EXPECT_EQ(window->frame().midX(), 500);
}

TEST_F(ABAttachedWindowTest, TheCornerBesideAnOffCentreArrowIsSquareOnlyWhenAsked)
{
    const auto window = bubble(MakeSize(100, 50), ABPositionLeftBottom);
    // Side 5: the arrow on the right edge near the top; the body ends 16 points before the right.
    const int cornerX = int(window->frame().width()) - 16 - 1;
    EXPECT_EQ(alphaAt(window->backgroundColorPatternImage()->bitmapForDrawing(1), cornerX, 0), 0);
    window->setDrawsRoundCornerBesideArrow(0);
    EXPECT_GT(alphaAt(window->backgroundColorPatternImage()->bitmapForDrawing(1), cornerX, 0), 0);
}

// Run at the screen's scale: 1 in the plain run, 2 in the run under QT_SCALE_FACTOR=2. The
// bubble is drawn for the device pixels, so its outline is as sharp as the view inside it.
TEST_F(ABAttachedWindowTest, TheBackgroundIsMadeAtTheBackingScale)
{
    const Ref<Screen> screen = Screen::mainScreen();
    ASSERT_NE(screen, nullptr);
    const double scale = screen->backingScaleFactor();
    const auto window = bubble(MakeSize(100, 50), ABPositionBottom);
    window->setBorderColor(Color::colorWithSRGBRedGreenBlueAlpha(1, 0, 0, 1).get());
    window->setBackgroundColor(Color::colorWithSRGBRedGreenBlueAlpha(0, 0, 1, 1).get());
    window->setBorderWidth(1.5);
    EXPECT_EQ(window->backgroundColorPatternImage()->bitmapForDrawing(scale).size(), QSize(int(104 * scale), int(70 * scale)));

    // The window's pixels along the straight left edge, halfway up the body: the border covers
    // 1.5 points, so 1.5 x scale device pixels are wholly border and the first after them wholly fill.
    const QImage backing = window->snapshot();
    ASSERT_EQ(backing.size(), QSize(int(104 * scale), int(70 * scale)));
    const int row = int((70 - 27) * scale);
    const int border = int(1.5 * scale);
    for (int x = 0; x < border; ++x)
        EXPECT_TRUE(test::pixelIs(backing, x, row, Qt::red, 0)) << "column " << x;
    EXPECT_TRUE(test::pixelIs(backing, int(std::ceil(1.5 * scale)), row, Qt::blue, 0));
}

// A parent that records what the bubble hands it.
class ABParentWindow : public Window, public MenuItemValidation {
public:
    ABParentWindow()
        : Window(MakeRect(100, 100, 400, 300), TitledWindowMask)
    { }
    void performClose(Object*) override { ++closes; }
    bool validateMenuItem(MenuItem*) override
    {
        ++validations;
        return false;
    }
    int closes = 0;
    int validations = 0;
};

TEST_F(ABAttachedWindowTest, AChildBubbleFollowsItsParentAndHandsItCloseAndValidation)
{
    auto parent = make<ABParentWindow>();
    auto view = make<View>(MakeRect(0, 0, 100, 50));
    auto window = ABAttachedWindow::initWithViewAttachedToPointInWindowOnSideAtDistance(
        view.get(), MakePoint(200, 150), parent.get(), ABPositionBottom, 0);
    EXPECT_EQ(window->frame().maxY(), 250);
    EXPECT_EQ(window->frame().midX(), 300);
    parent->orderFront();
    parent->addChildWindowOrdered(window.get(), WindowAbove);
    const Rect before = window->frame();
    parent->setFrameOrigin(MakePoint(160, 80));
    EXPECT_EQ(window->frame(), OffsetRect(before, 60, -20));
    window->performClose(nullptr);
    EXPECT_EQ(parent->closes, 1);
    auto item = make<MenuItem>(QStringLiteral("Close"), Selector("performClose"), QString());
    EXPECT_FALSE(window->validateMenuItem(item.get()));
    EXPECT_EQ(parent->validations, 1);
    parent->orderOut();
}

TEST(ABAttachedWindowClass, IsFoundByName) { EXPECT_NE(classFromString(QStringLiteral("ABAttachedWindow")), nullptr); }

} // namespace
