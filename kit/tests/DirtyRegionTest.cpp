// What a change costs on screen: a change redraws the views in its region only, each clipped to
// its part, and the host widget repaints only those pixels.

#include "kit/appkit/Application.h"
#include "kit/appkit/View.h"
#include "kit/appkit/Window.h"
#include "kit/graphics/Color.h"
#include "kit/graphics/GraphicsContext.h"
#include "kit/graphics/ImageRep.h"
#include "kit/graphics/StringDrawing.h"
#include "kit/testsupport/EventScript.h"

#include <QBackingStore>
#include <QCoreApplication>
#include <QPainter>
#include <QWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace {

using namespace kit;

struct DirtyDraw {
    std::string name;
    Rect dirty;
};

// Records each drawRect and viewWillDraw, then fills its whole bounds: the clip decides what shows.
class DirtyRecorder : public View {
public:
    DirtyRecorder(std::vector<DirtyDraw>* log, std::string name, Rect frame, QColor color)
        : View(frame)
        , log(log)
        , name(std::move(name))
        , color(color)
    { }
    void drawRect(Rect dirty) override
    {
        log->push_back({ name, dirty });
        if (onDraw)
            onDraw();
        else
            currentPainter()->fillRect(QRectF(0, 0, bounds().width(), bounds().height()), color);
    }
    void viewWillDraw() override { willDraw.push_back(name); }

    std::vector<DirtyDraw>* log;
    std::string name;
    QColor color;
    std::vector<std::string> willDraw;
    std::function<void()> onDraw;
};

// A window of 200 x 100 with eight 50-point tiles, t0..t3 along the bottom row and t4..t7 above.
class DirtyRegions : public testing::Test {
protected:
    void SetUp() override
    {
        window = make<Window>(MakeRect(100, 100, 200, 100), BorderlessWindowMask);
        for (int i = 0; i < 8; ++i) {
            auto tile = make<DirtyRecorder>(&log, "t" + std::to_string(i), MakeRect((i % 4) * 50, (i / 4) * 50, 50, 50),
                QColor::fromHsv(i * 40, 200, 200));
            window->contentView()->addSubview(tile.get());
            tiles.push_back(tile);
        }
        window->orderFront();
        settle();
    }
    void TearDown() override
    {
        window->close();
        Application::resetForTesting();
    }

    // Runs the pending pass and the host's paint, then forgets what they did: once the window's
    // image has caught up, the host's backing store is marked all over with a colour no view draws.
    void settle()
    {
        run();
        window->snapshot();
        log.clear();
        for (const auto& t : tiles)
            t->willDraw.clear();
        QImage* shown = screen();
        ASSERT_TRUE(shown);
        shown->fill(mark);
    }
    QImage* screen() const { return dynamic_cast<QImage*>(window->hostWidget()->backingStore()->paintDevice()); }
    void run()
    {
        window->displayIfNeeded();
        QCoreApplication::sendPostedEvents();
        QCoreApplication::sendPostedEvents();
    }
    std::vector<std::string> names() const
    {
        std::vector<std::string> out;
        for (const DirtyDraw& d : log)
            out.push_back(d.name);
        return out;
    }
    // The pixels of the host's backing store rewritten since the last settle: rows of spans,
    // equal rows running on merged into one band, as a region keeps its rectangles.
    QRegion painted() const
    {
        const QImage* shown = screen();
        std::vector<QRect> rects;
        std::vector<QRect> previous;
        for (int y = 0; y < shown->height(); ++y) {
            std::vector<QRect> row;
            for (int x = 0; x < shown->width(); ++x) {
                if (shown->pixel(x, y) == mark)
                    continue;
                if (!row.empty() && row.back().right() == x - 1)
                    row.back().setRight(x);
                else
                    row.push_back(QRect(x, y, 1, 1));
            }
            const bool same = row.size() == previous.size()
                && std::equal(row.begin(), row.end(), previous.begin(),
                    [](const QRect& a, const QRect& b) { return a.left() == b.left() && a.right() == b.right(); });
            if (same && !row.empty()) {
                for (std::size_t i = rects.size() - row.size(); i < rects.size(); ++i)
                    rects[i].setBottom(y);
            } else {
                rects.insert(rects.end(), row.begin(), row.end());
            }
            previous = row;
        }
        QRegion all;
        all.setRects(rects.data(), int(rects.size()));
        return all;
    }

    static constexpr QRgb mark = 0xff010203;
    std::vector<DirtyDraw> log;
    std::vector<Ref<DirtyRecorder>> tiles;
    Ref<Window> window;
};

TEST_F(DirtyRegions, AOneViewChangeRedrawsOnlyThatViewAndRepaintsOnlyItsPixels)
{
    const QImage before = window->snapshot();
    tiles[5]->setNeedsDisplay(true);
    run();
    ASSERT_EQ(names(), (std::vector<std::string> { "t5" }));
    EXPECT_EQ(log[0].dirty, MakeRect(0, 0, 50, 50));
    // t5 is the second tile of the top row: x 50..100, y 0..50 from the top.
    EXPECT_EQ(painted(), QRegion(50, 0, 50, 50));
    EXPECT_EQ(window->snapshot(), before);
    for (std::size_t i = 0; i < tiles.size(); ++i)
        EXPECT_EQ(tiles[i]->willDraw.size(), i == 5 ? 1u : 0u) << tiles[i]->name;
}

TEST_F(DirtyRegions, TheHostShowsTheBackingsPixelsOnScreenAndWhenGrabbed)
{
    tiles[2]->color = Qt::red;
    tiles[2]->setNeedsDisplay(true);
    run();
    // t2 lies at x 100..150 of the bottom row: only it is rewritten, with the snapshot's pixels.
    EXPECT_EQ(painted(), QRegion(100, 50, 50, 50));
    const QImage* shown = screen();
    const QImage snapshot = window->snapshot().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(snapshot.pixelColor(125, 75), QColor(Qt::red));
    EXPECT_EQ(shown->copy(100, 50, 50, 50), snapshot.copy(100, 50, 50, 50));
    const QImage grabbed = window->hostWidget()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(grabbed, snapshot);
    // A repaint the platform asks for shows the same pixels everywhere.
    window->hostWidget()->repaint();
    EXPECT_EQ(shown->convertToFormat(QImage::Format_RGB32), snapshot);
}

TEST_F(DirtyRegions, ACaptureAfterAChangeReadsTheChangedPixels)
{
    tiles[2]->color = Qt::red;
    tiles[2]->setNeedsDisplay(true);
    run();
    tiles[2]->lockFocus();
    const Ref<BitmapImageRep> rep = BitmapImageRep::initWithFocusedViewRect(MakeRect(10, 10, 20, 20));
    tiles[2]->unlockFocus();
    ASSERT_TRUE(rep);
    EXPECT_EQ(rep->colorAtXY(10, 10)->toQColor(), QColor(Qt::red));
}

TEST_F(DirtyRegions, WithScreenUpdatesOffAChangeIsDrawnAndReachesTheScreenWhenTheyComeBack)
{
    DisableScreenUpdates();
    tiles[1]->setNeedsDisplay(true);
    run();
    EXPECT_EQ(names(), (std::vector<std::string> { "t1" }));
    EXPECT_TRUE(window->hasUnflushedDrawing());
    EnableScreenUpdates();
    EXPECT_FALSE(window->hasUnflushedDrawing());
    EXPECT_EQ(painted(), QRegion(50, 50, 50, 50));
}

TEST_F(DirtyRegions, APartialChangeClipsTheViewToThatPart)
{
    tiles[0]->color = Qt::red;
    tiles[0]->setNeedsDisplayInRect(MakeRect(10, 10, 5, 5));
    run();
    ASSERT_EQ(names(), (std::vector<std::string> { "t0" }));
    EXPECT_EQ(log[0].dirty, MakeRect(10, 10, 5, 5));
    const QImage image = window->snapshot();
    EXPECT_TRUE(kit::test::basePixelIs(image, MakePoint(12.5, 12.5), Qt::red));
    EXPECT_FALSE(kit::test::basePixelIs(image, MakePoint(20.5, 20.5), Qt::red));
    EXPECT_EQ(painted(), QRegion(10, 85, 5, 5));
}

TEST_F(DirtyRegions, DisplayRedrawsTheViewsVisiblePartNotTheWindow)
{
    // t6 reaches 20 points past the window's right edge: what shows of it is drawn, nothing else.
    tiles[7]->setHidden(true);
    tiles[6]->setFrame(MakeRect(130, 50, 90, 50));
    settle();
    tiles[6]->display();
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(names(), (std::vector<std::string> { "t6" }));
    EXPECT_EQ(log[0].dirty, MakeRect(0, 0, 70, 50));
    EXPECT_EQ(painted(), QRegion(130, 0, 70, 50));
}

TEST_F(DirtyRegions, AMovedViewRepaintsWhereItWasAndWhereItIsOnly)
{
    tiles[0]->setFrameOrigin(MakePoint(10, 0));
    run();
    // Where it was and where it is now lie on t0 itself and on t1 beside it.
    EXPECT_EQ(names(), (std::vector<std::string> { "t0", "t1" }));
    EXPECT_EQ(painted(), QRegion(0, 50, 60, 50));
}

TEST_F(DirtyRegions, DistantChangesDrawAViewUnderBothOnlyInsideEach)
{
    // A red floor under the bottom row, seen where two tiles far apart go away.
    auto floor = make<DirtyRecorder>(&log, "floor", MakeRect(0, 0, 200, 50), Qt::red);
    window->contentView()->addSubviewPositionedRelativeTo(floor.get(), WindowBelow, nullptr);
    settle();
    const QColor middle = tiles[1]->color;
    tiles[0]->setHidden(true);
    tiles[3]->setHidden(true);
    run();
    EXPECT_EQ(names(), (std::vector<std::string> { "floor" }));
    const QImage image = window->snapshot();
    EXPECT_TRUE(kit::test::basePixelIs(image, MakePoint(25.5, 25.5), Qt::red));
    EXPECT_TRUE(kit::test::basePixelIs(image, MakePoint(175.5, 25.5), Qt::red));
    EXPECT_TRUE(kit::test::basePixelIs(image, MakePoint(75.5, 25.5), middle));
    EXPECT_TRUE(kit::test::basePixelIs(image, MakePoint(125.5, 25.5), tiles[2]->color));
    EXPECT_EQ(painted(), QRegion(0, 50, 50, 50) + QRegion(150, 50, 50, 50));
}

TEST_F(DirtyRegions, SubtreesOutsideTheRegionAreNeitherAskedNorDrawn)
{
    // t4's child lies partly outside t4: only its visible part counts.
    auto child = make<DirtyRecorder>(&log, "child", MakeRect(40, 10, 30, 30), Qt::blue);
    tiles[4]->addSubview(child.get());
    settle();
    child->willDraw.clear();
    tiles[5]->setNeedsDisplayInRect(MakeRect(0, 0, 10, 50)); // where the child would reach
    run();
    EXPECT_EQ(names(), (std::vector<std::string> { "t5" }));
    EXPECT_TRUE(child->willDraw.empty());
    EXPECT_TRUE(tiles[4]->willDraw.empty());
    tiles[4]->setNeedsDisplayInRect(MakeRect(45, 15, 5, 5));
    run();
    EXPECT_EQ(names(), (std::vector<std::string> { "t5", "t4", "child" }));
    EXPECT_EQ(log[2].dirty, MakeRect(5, 5, 5, 5));
    EXPECT_EQ(child->willDraw.size(), 1u);
}

TEST_F(DirtyRegions, EachViewDrawsFromAFreshContextAndPainterWhateverTheOneBeforeLeft)
{
    // t0 leaves its context and painter in a mess; t1, drawn next in the same pass, sees none of it.
    tiles[0]->onDraw = [] {
        GraphicsContext* c = GraphicsContext::currentContext();
        ASSERT_TRUE(c);
        c->saveGraphicsState();
        c->setFillColor(Color::redColor());
        c->concatCTM(AffineTransform(AffineTransformStruct { 1, 0, 0, 1, 100, 0 }));
        c->clipToRect(MakeRect(0, 0, 1, 1));
        View::currentPainter()->setOpacity(0);
        View::currentPainter()->translate(30, 30);
    };
    bool blackFill = false, unclippedOwnBounds = false;
    tiles[1]->onDraw = [&] {
        GraphicsContext* c = GraphicsContext::currentContext();
        ASSERT_TRUE(c);
        blackFill = c->fillColor()->toQColor() == QColor(Qt::black);
        unclippedOwnBounds = c->clipBoundingBox() == MakeRect(0, 0, 50, 50);
        Color::blueColor()->setFill();
        RectFill(MakeRect(0, 0, 10, 10));
        View::currentPainter()->fillRect(QRectF(20, 20, 10, 10), Qt::red);
    };
    tiles[0]->setNeedsDisplay(true);
    tiles[1]->setNeedsDisplay(true);
    run();
    EXPECT_EQ(names(), (std::vector<std::string> { "t0", "t1" }));
    EXPECT_TRUE(blackFill);
    EXPECT_TRUE(unclippedOwnBounds);
    const QImage image = window->snapshot();
    EXPECT_TRUE(kit::test::basePixelIs(image, MakePoint(55.5, 5.5), Color::blueColor()->toQColor()));
    EXPECT_TRUE(kit::test::basePixelIs(image, MakePoint(75.5, 25.5), Qt::red));
    EXPECT_FALSE(GraphicsContext::currentContext());
    EXPECT_FALSE(View::currentPainter());
}

// A view may draw through its context and then on its painter (a cell's text, then a highlight
// filled directly): the painter comes back in the view's own coordinates and clip.
TEST_F(DirtyRegions, ThePainterComesBackInTheViewsStateAfterContextDrawing)
{
    QTransform before, after;
    QRectF clipBefore, clipAfter;
    tiles[1]->onDraw = [&] {
        QPainter* p = View::currentPainter();
        before = p->worldTransform();
        clipBefore = p->clipBoundingRect();
        StringAttributes attributes;
        attributes.foregroundColor = Color::blackColor();
        StringDrawing::drawAtPointWithAttributes(QStringLiteral("Wg"), MakePoint(2, 2), attributes);
        GraphicsContext::currentContext()->clipToRect(MakeRect(0, 0, 5, 5));
        Color::blueColor()->setFill();
        RectFill(MakeRect(0, 0, 50, 50));
        p = View::currentPainter();
        after = p->worldTransform();
        clipAfter = p->clipBoundingRect();
        p->fillRect(QRectF(20, 20, 10, 10), Qt::red);
    };
    tiles[1]->setNeedsDisplay(true);
    run();
    EXPECT_EQ(after, before);
    EXPECT_EQ(clipAfter, clipBefore);
    const QImage image = window->snapshot();
    EXPECT_TRUE(kit::test::basePixelIs(image, MakePoint(75.5, 25.5), Qt::red));
    EXPECT_TRUE(kit::test::basePixelIs(image, MakePoint(52.5, 2.5), Color::blueColor()->toQColor()));
}

// A context set up on first use: counts how often it is asked to.
class CountingDeferred final : public DeferredGraphicsContext {
public:
    explicit CountingDeferred(QImage* image)
        : context_(GraphicsContext::graphicsContextWithImage(image, false))
    { }
    GraphicsContext* context() override
    {
        ++setUps;
        return context_.get();
    }
    Ref<GraphicsContext> context_;
    int setUps = 0;
};

TEST(DeferredContexts, AreSetUpOnlyWhenDrawingAsksAndLeaveNothingBehind)
{
    QImage image(10, 10, QImage::Format_ARGB32_Premultiplied);
    QImage other(10, 10, QImage::Format_ARGB32_Premultiplied);
    CountingDeferred deferred(&image);
    {
        GraphicsContext::DeferredScope scope(deferred);
        EXPECT_EQ(deferred.setUps, 0);
    }
    EXPECT_EQ(deferred.setUps, 0);
    EXPECT_FALSE(GraphicsContext::currentContext());
    {
        GraphicsContext::DeferredScope scope(deferred);
        // Another context made current inside hides the deferred one, which comes back after.
        {
            GraphicsContext::Scope inner(GraphicsContext::graphicsContextWithImage(&other, false));
            EXPECT_NE(GraphicsContext::currentContext(), deferred.context_.get());
        }
        EXPECT_EQ(deferred.setUps, 0);
        EXPECT_EQ(GraphicsContext::currentContext(), deferred.context_.get());
        EXPECT_EQ(GraphicsContext::currentContext(), deferred.context_.get());
        EXPECT_EQ(deferred.setUps, 1);
    }
    EXPECT_FALSE(GraphicsContext::currentContext());
    {
        // Saving the current state sets the context up first, so restoring brings it back.
        GraphicsContext::DeferredScope scope(deferred);
        GraphicsContext::saveCurrentGraphicsState();
        EXPECT_EQ(deferred.setUps, 2);
        GraphicsContext::setCurrentContext(nullptr);
        GraphicsContext::restoreCurrentGraphicsState();
        EXPECT_EQ(GraphicsContext::currentContext(), deferred.context_.get());
        EXPECT_EQ(deferred.setUps, 2);
    }
    EXPECT_FALSE(GraphicsContext::currentContext());
}

} // namespace
