#include "kit/appkit/Application.h"
#include "kit/appkit/ClipView.h"
#include "kit/appkit/View.h"
#include "kit/appkit/Window.h"
#include "kit/graphics/Color.h"
#include "kit/graphics/GraphicsContext.h"
#include "kit/graphics/Image.h"
#include "kit/graphics/ImageRep.h"
#include "kit/testsupport/EventScript.h"
#include "kit/testsupport/PixelProbe.h"
#include "kit/testsupport/RuntimeRecorders.h"

#include <QPainter>

#include <gtest/gtest.h>

namespace {

using namespace kit;

void fill(Rect rect, QColor color)
{
    Color::fromQColor(color)->setFill();
    RectFill(rect);
}

class Filled : public View {
public:
    Filled(Rect frame, QColor color, bool flipped = false)
        : View(frame)
        , color(color)
        , flipped(flipped)
    { }
    void drawRect(Rect) override { fill(bounds(), color); }
    bool isFlipped() const override { return flipped; }

    QColor color;
    bool flipped;
};

// Draws a square only where the pass says it must.
class Selective : public View {
public:
    using View::View;
    void drawRect(Rect) override
    {
        askedInside = needsToDrawRect(MakeRect(0, 0, 10, 10));
        askedOutside = needsToDrawRect(MakeRect(30, 0, 10, 10));
        if (askedInside)
            fill(MakeRect(0, 0, 10, 10), Qt::red);
    }
    bool askedInside = false;
    bool askedOutside = true;
};

testing::AssertionResult repPixelIs(const BitmapImageRep& rep, int x, int yFromTop, QColor expected)
{
    const Ref<Color> c = rep.colorAtXY(x, yFromTop);
    if (!c)
        return testing::AssertionFailure() << "(" << x << ", " << yFromTop << ") lies outside the rep";
    return test::pixelIs(QImage(rep.image()), x, yFromTop, expected, 3);
}

class ViewCapture : public testing::Test {
protected:
    void SetUp() override
    {
        window = make<Window>(MakeRect(100, 100, 200, 100), TitledWindowMask);
        background = make<Filled>(MakeRect(0, 0, 200, 100), Qt::white);
        window->contentView()->addSubview(background.get());
    }
    void TearDown() override { Application::resetForTesting(); }

    Ref<Window> window;
    Ref<Filled> background;
};

// --- lockFocus ---

struct CaptureFocusCase {
    const char* name;
    bool flipped;
    Point boundsOrigin;
    Rect fill; // in the view, partly outside its bounds
    Point red; // base coordinates that turn red
    Point untouched; // base coordinates outside what may be drawn
};

class ViewLockFocus : public ViewCapture, public testing::WithParamInterface<CaptureFocusCase> { };

TEST_P(ViewLockFocus, DrawsIntoTheBackingThroughTheViewClippedToItsVisibleRect)
{
    const CaptureFocusCase& c = GetParam();
    // Base rectangle (20, 10, 50, 40).
    auto view = make<Filled>(MakeRect(20, 10, 50, 40), Qt::blue, c.flipped);
    view->setBoundsOrigin(c.boundsOrigin);
    background->addSubview(view.get());
    view->lockFocus();
    EXPECT_EQ(View::focusView(), view);
    fill(c.fill, Qt::red);
    view->unlockFocus();
    EXPECT_EQ(View::focusView(), nullptr);

    const QImage snapshot = window->snapshot();
    EXPECT_TRUE(test::basePixelIs(snapshot, c.red, Qt::red));
    EXPECT_TRUE(test::basePixelIs(snapshot, MakePoint(15, 15), Qt::white)); // left of the view
    EXPECT_FALSE(test::basePixelIs(snapshot, c.untouched, Qt::red));
}

INSTANTIATE_TEST_SUITE_P(Views, ViewLockFocus,
    testing::Values(CaptureFocusCase { "unflipped", false, { 0, 0 }, MakeRect(-10, -10, 100, 20), { 25, 15 }, { 25, 25 } },
        CaptureFocusCase { "flipped", true, { 0, 0 }, MakeRect(-10, -10, 100, 20), { 25, 45 }, { 25, 15 } },
        CaptureFocusCase { "boundsOrigin", false, { 100, 100 }, MakeRect(90, 90, 110, 20), { 25, 15 }, { 25, 25 } },
        CaptureFocusCase { "flippedBoundsOrigin", true, { 0, 30 }, MakeRect(-10, 20, 100, 20), { 25, 45 }, { 25, 35 } }),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ViewCapture, ViewScrolledPartlyOutOfItsClipViewDrawsAndCapturesOnlyWhatShows)
{
    auto clip = make<ClipView>(MakeRect(10, 10, 100, 50));
    auto document = make<Filled>(MakeRect(0, 0, 100, 200), Qt::blue);
    clip->setDocumentView(document.get());
    background->addSubview(clip.get());
    clip->scrollToPoint(MakePoint(0, 100)); // shows the document's y 100...150

    document->lockFocus();
    fill(document->bounds(), Qt::red);
    const Ref<BitmapImageRep> rep = BitmapImageRep::initWithFocusedViewRect(document->bounds());
    document->unlockFocus();

    const QImage snapshot = window->snapshot();
    EXPECT_TRUE(test::basePixelIs(snapshot, MakePoint(50, 30), Qt::red));
    EXPECT_TRUE(test::basePixelIs(snapshot, MakePoint(50, 70), Qt::white));
    ASSERT_TRUE(rep);
    EXPECT_EQ(rep->size(), MakeSize(100, 200));
    EXPECT_EQ(rep->pixelsHigh(), 200);
    // Rows from the top: the document's y 150...100 are rows 50...100.
    EXPECT_TRUE(repPixelIs(*rep, 50, 75, Qt::red));
    EXPECT_TRUE(repPixelIs(*rep, 50, 25, Qt::transparent));
    EXPECT_TRUE(repPixelIs(*rep, 50, 175, Qt::transparent));
}

TEST_F(ViewCapture, DisplayInsideLockFocusIsCapturedWithSubviews)
{
    auto view = make<Filled>(MakeRect(20, 10, 60, 40), Qt::red);
    view->addSubview(make<Filled>(MakeRect(10, 10, 20, 10), Qt::blue).get());
    background->addSubview(view.get());
    window->displayIfNeeded();
    view->color = Qt::green; // shows only once the view draws again

    view->lockFocus();
    view->display();
    const Ref<BitmapImageRep> rep = BitmapImageRep::initWithFocusedViewRect(view->bounds());
    const Ref<BitmapImageRep> edge = BitmapImageRep::initWithFocusedViewRect(MakeRect(-10, 0, 20, 10));
    view->unlockFocus();

    ASSERT_TRUE(rep);
    EXPECT_EQ(rep->pixelsWide(), 60);
    EXPECT_TRUE(repPixelIs(*rep, 5, 5, Qt::green));
    EXPECT_TRUE(repPixelIs(*rep, 20, 25, Qt::blue)); // the subview's y 10...20 are rows 20...30
    // Left of the view lies outside its visible rect: transparent, not the background.
    ASSERT_TRUE(edge);
    EXPECT_EQ(edge->size(), MakeSize(20, 10));
    EXPECT_TRUE(repPixelIs(*edge, 5, 5, Qt::transparent));
    EXPECT_TRUE(repPixelIs(*edge, 15, 5, Qt::green));
}

TEST_F(ViewCapture, FlippedViewCapturesUpright)
{
    auto view = make<Filled>(MakeRect(20, 10, 60, 40), Qt::red, true);
    view->addSubview(make<Filled>(MakeRect(0, 0, 60, 10), Qt::blue).get()); // the top strip
    background->addSubview(view.get());
    view->lockFocus();
    const Ref<BitmapImageRep> rep = BitmapImageRep::initWithFocusedViewRect(view->bounds());
    view->unlockFocus();
    ASSERT_TRUE(rep);
    EXPECT_TRUE(repPixelIs(*rep, 30, 5, Qt::blue));
    EXPECT_TRUE(repPixelIs(*rep, 30, 35, Qt::red));
}

TEST(FocusedViewRect, ReadsDevicePixelsAtTheDeviceScale)
{
    QImage device(80, 80, QImage::Format_ARGB32_Premultiplied);
    device.setDevicePixelRatio(2);
    device.fill(Qt::white);
    QPainter painter(&device);
    painter.fillRect(QRectF(10, 10, 20, 20), Qt::red);
    Ref<BitmapImageRep> rep;
    {
        const Ref<GraphicsContext> context = GraphicsContext::graphicsContextWithPainter(&painter, true);
        GraphicsContext::Scope current(context);
        rep = BitmapImageRep::initWithFocusedViewRect(MakeRect(5, 5, 20, 20));
    }
    painter.end();
    ASSERT_TRUE(rep);
    EXPECT_EQ(rep->size(), MakeSize(20, 20));
    EXPECT_EQ(rep->pixelsWide(), 40);
    EXPECT_TRUE(repPixelIs(*rep, 5, 5, Qt::white));
    EXPECT_TRUE(repPixelIs(*rep, 15, 15, Qt::red));
}

TEST_F(ViewCapture, FocusNestsAndAViewThatCannotDrawDrawsNowhere)
{
    auto a = make<Filled>(MakeRect(0, 0, 50, 50), Qt::blue);
    auto b = make<Filled>(MakeRect(50, 0, 50, 50), Qt::blue);
    auto loose = make<Filled>(MakeRect(0, 0, 50, 50), Qt::blue);
    background->addSubview(a.get());
    background->addSubview(b.get());
    EXPECT_TRUE(a->canDraw());
    EXPECT_FALSE(loose->canDraw());
    EXPECT_FALSE(loose->lockFocusIfCanDraw());
    b->setHidden(true);
    EXPECT_FALSE(b->canDraw());
    b->setHidden(false);

    GraphicsContext* const outside = GraphicsContext::currentContext();
    a->lockFocus();
    GraphicsContext* const inA = GraphicsContext::currentContext();
    ASSERT_NE(inA, nullptr);
    ASSERT_TRUE(b->lockFocusIfCanDraw());
    EXPECT_EQ(View::focusView(), b);
    loose->lockFocus();
    EXPECT_EQ(GraphicsContext::currentContext(), nullptr);
    EXPECT_EQ(BitmapImageRep::initWithFocusedViewRect(MakeRect(0, 0, 10, 10)), nullptr);
    loose->unlockFocus();
    {
        test::LogRecorder log;
        a->unlockFocus(); // not the innermost: refused
        EXPECT_TRUE(log.contains(QStringLiteral("without its lockFocus")));
    }
    b->unlockFocus();
    EXPECT_EQ(View::focusView(), a);
    EXPECT_EQ(GraphicsContext::currentContext(), inA);
    a->unlockFocus();
    EXPECT_EQ(View::focusView(), nullptr);
    EXPECT_EQ(GraphicsContext::currentContext(), outside);
}

// --- dataWithPDFInsideRect ---

TEST(ViewData, IsPNGOfTheViewAndItsShownSubviewsOutsideAnyWindow)
{
    auto view = make<Filled>(MakeRect(0, 0, 40, 30), Qt::red);
    view->addSubview(make<Filled>(MakeRect(10, 10, 10, 10), Qt::blue).get());
    auto hidden = make<Filled>(MakeRect(0, 0, 5, 5), Qt::green);
    hidden->setHidden(true);
    view->addSubview(hidden.get());

    const QByteArray data = view->dataWithPDFInsideRect(view->bounds());
    ASSERT_TRUE(data.startsWith("\x89PNG"));
    const Ref<Image> image = Image::imageWithData(data);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->size(), MakeSize(40, 30));
    const Ref<BitmapImageRep> rep = BitmapImageRep::imageRepWithData(data);
    EXPECT_TRUE(repPixelIs(*rep, 15, 14, Qt::blue));
    EXPECT_TRUE(repPixelIs(*rep, 2, 27, Qt::red));
    EXPECT_TRUE(view->dataWithPDFInsideRect(MakeRect(0, 0, 0, 10)).isEmpty());
}

TEST(ViewData, TakesARectangleOfAFlippedViewWithABoundsOrigin)
{
    auto view = make<Filled>(MakeRect(0, 0, 60, 60), Qt::red, true);
    view->setBoundsOrigin(MakePoint(100, 100));
    view->addSubview(make<Filled>(MakeRect(110, 110, 10, 10), Qt::blue).get());
    const Ref<BitmapImageRep> rep = BitmapImageRep::imageRepWithData(view->dataWithPDFInsideRect(MakeRect(105, 105, 20, 20)));
    ASSERT_TRUE(rep);
    EXPECT_EQ(rep->pixelsWide(), 20);
    EXPECT_TRUE(repPixelIs(*rep, 10, 10, Qt::blue));
    EXPECT_TRUE(repPixelIs(*rep, 2, 2, Qt::red));
    EXPECT_TRUE(repPixelIs(*rep, 17, 17, Qt::red));
}

TEST_F(ViewCapture, DataLeavesOutAncestorsAndAnswersNeedsToDrawRectForItsRectangle)
{
    auto clip = make<ClipView>(MakeRect(10, 10, 100, 50));
    auto document = make<Filled>(MakeRect(0, 0, 100, 200), Qt::blue);
    auto selective = make<Selective>(MakeRect(0, 0, 40, 10));
    document->addSubview(selective.get());
    clip->setDocumentView(document.get());
    background->addSubview(clip.get());
    clip->scrollToPoint(MakePoint(0, 100)); // the selective view is scrolled out of sight

    const Ref<BitmapImageRep> rep = BitmapImageRep::imageRepWithData(document->dataWithPDFInsideRect(MakeRect(0, 0, 20, 20)));
    ASSERT_TRUE(rep);
    EXPECT_TRUE(selective->askedInside);
    EXPECT_FALSE(selective->askedOutside);
    EXPECT_TRUE(repPixelIs(*rep, 5, 15, Qt::red));
    EXPECT_TRUE(repPixelIs(*rep, 5, 5, Qt::blue));

    // A view that draws only half its bounds leaves the rest transparent, whatever lies behind.
    const Ref<BitmapImageRep> part = BitmapImageRep::imageRepWithData(selective->dataWithPDFInsideRect(selective->bounds()));
    EXPECT_TRUE(repPixelIs(*part, 20, 5, Qt::transparent));
}

} // namespace
