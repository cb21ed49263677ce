#include "kit/appkit/Application.h"
#include "kit/appkit/Panel.h"
#include "kit/appkit/Screen.h"
#include "kit/appkit/View.h"
#include "kit/appkit/Window.h"
#include "kit/graphics/BezierPath.h"
#include "kit/graphics/Color.h"
#include "kit/graphics/GraphicsContext.h"
#include "kit/testsupport/EventScript.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using namespace kit;

struct Drawn {
    std::string name;
    Rect dirty;
};

class Recording : public View {
public:
    Recording(std::vector<Drawn>* log, std::string name, Rect frame, QColor color = Qt::transparent)
        : View(frame)
        , log(log)
        , name(std::move(name))
        , color(color)
    { }
    void drawRect(Rect dirty) override
    {
        log->push_back({ name, dirty });
        if (color.alpha() && currentPainter())
            currentPainter()->fillRect(QRectF(0, 0, bounds().width(), bounds().height() / 2), color);
        if (onDraw)
            onDraw();
    }
    void viewWillDraw() override
    {
        if (onWillDraw)
            onWillDraw();
    }
    bool isFlipped() const override { return flipped; }

    std::vector<Drawn>* log;
    std::string name;
    QColor color;
    bool flipped = false;
    std::function<void()> onDraw;
    std::function<void()> onWillDraw;
};

class WindowDisplay : public testing::Test {
protected:
    void SetUp() override
    {
        window = make<Window>(MakeRect(100, 100, 200, 100), TitledWindowMask);
        a = make<Recording>(&log, "a", MakeRect(0, 0, 100, 100));
        a1 = make<Recording>(&log, "a1", MakeRect(10, 10, 20, 20));
        b = make<Recording>(&log, "b", MakeRect(100, 0, 100, 100));
        window->contentView()->addSubview(a.get());
        a->addSubview(a1.get());
        window->contentView()->addSubview(b.get());
        window->displayIfNeeded();
        log.clear();
    }
    void TearDown() override { Application::resetForTesting(); }

    std::vector<std::string> names() const
    {
        std::vector<std::string> out;
        for (const Drawn& d : log)
            out.push_back(d.name);
        return out;
    }

    std::vector<Drawn> log;
    Ref<Window> window;
    Ref<Recording> a, a1, b;
};

TEST_F(WindowDisplay, DrawsOnlyViewsInTheDirtyRegionParentsFirst)
{
    a1->setNeedsDisplayInRect(MakeRect(2, 3, 4, 5));
    EXPECT_TRUE(a1->needsDisplay());
    EXPECT_TRUE(a->needsDisplay());
    EXPECT_FALSE(b->needsDisplay());
    window->displayIfNeeded();
    EXPECT_EQ(names(), (std::vector<std::string> { "a", "a1" }));
    EXPECT_EQ(log[1].dirty, MakeRect(2, 3, 4, 5));
    EXPECT_EQ(log[0].dirty, MakeRect(12, 13, 4, 5));
    EXPECT_FALSE(window->viewsNeedDisplay());
}

TEST_F(WindowDisplay, HiddenViewsAreNotDrawnAndNoNeedsDisplayClears)
{
    a->setHidden(true);
    window->displayIfNeeded();
    EXPECT_EQ(names(), (std::vector<std::string> {}));
    a->setHidden(false);
    b->setNeedsDisplay(true);
    b->setNeedsDisplay(false);
    window->displayIfNeeded();
    EXPECT_EQ(names(), (std::vector<std::string> { "a", "a1" }));
}

TEST_F(WindowDisplay, InvalidationsInViewWillDrawJoinThePass)
{
    a->onWillDraw = [this] { b->setNeedsDisplay(true); };
    a->setNeedsDisplay(true);
    const int passes = window->displayPassCount();
    window->displayIfNeeded();
    EXPECT_EQ(window->displayPassCount(), passes + 1);
    EXPECT_EQ(names(), (std::vector<std::string> { "a", "a1", "b" }));
    EXPECT_FALSE(window->viewsNeedDisplay());
}

TEST_F(WindowDisplay, InvalidationsInDrawRectGoToAFollowUpPassUnlessAlreadyCovered)
{
    int draws = 0;
    a->onDraw = [&] {
        ++draws;
        a->setNeedsDisplay(true); // covered by this pass: nothing new
    };
    a->setNeedsDisplay(true);
    window->displayIfNeeded();
    EXPECT_EQ(draws, 1);
    EXPECT_FALSE(window->viewsNeedDisplay());

    a->onDraw = [&] {
        ++draws;
        b->setNeedsDisplay(true); // outside the pass: drawn next time, never recursively
    };
    a->setNeedsDisplay(true);
    log.clear();
    window->displayIfNeeded();
    EXPECT_EQ(names(), (std::vector<std::string> { "a", "a1" }));
    EXPECT_TRUE(window->viewsNeedDisplay());
    window->displayIfNeeded();
    EXPECT_EQ(names(), (std::vector<std::string> { "a", "a1", "b" }));
}

TEST_F(WindowDisplay, SubviewsMovedWhileTheParentDrawsAppearInTheSamePass)
{
    a->onDraw = [this] { a1->setFrameOrigin(MakePoint(50, 50)); };
    window->display();
    const QImage before = window->snapshot();
    a1->color = Qt::red;
    a->setNeedsDisplay(true);
    const QImage image = window->snapshot();
    EXPECT_TRUE(kit::test::basePixelIs(image, MakePoint(55.5, 55.5), Qt::red));
    EXPECT_FALSE(kit::test::basePixelIs(image, MakePoint(15.5, 15.5), Qt::red));
}

TEST_F(WindowDisplay, SnapshotsShowFlippedAndUnflippedDrawingTheRightWayUp)
{
    // Each view fills the first half of its bounds in y: the bottom when unflipped, the top when flipped.
    a->color = Qt::blue;
    b->color = Qt::red;
    b->flipped = true;
    window->display();
    const QImage image = window->snapshot();
    EXPECT_EQ(image.size(), QSize(200, 100));
    EXPECT_TRUE(kit::test::basePixelIs(image, MakePoint(50.5, 10.5), Qt::blue));
    EXPECT_FALSE(kit::test::basePixelIs(image, MakePoint(50.5, 90.5), Qt::blue));
    EXPECT_TRUE(kit::test::basePixelIs(image, MakePoint(150.5, 90.5), Qt::red));
    EXPECT_FALSE(kit::test::basePixelIs(image, MakePoint(150.5, 10.5), Qt::red));
}

TEST_F(WindowDisplay, DisplayIsSynchronousAndNeedsToDrawRectIsExact)
{
    bool askedInside = false, askedOutside = true;
    b->onDraw = [&] {
        askedInside = b->needsToDrawRect(MakeRect(0, 0, 10, 10));
        askedOutside = b->needsToDrawRect(MakeRect(50, 50, 10, 10));
    };
    b->displayRect(MakeRect(0, 0, 20, 20));
    EXPECT_EQ(names(), (std::vector<std::string> { "b" }));
    EXPECT_TRUE(askedInside);
    EXPECT_FALSE(askedOutside);
}

TEST_F(WindowDisplay, FrameChangesResizeTheBackingAndTheContentView)
{
    window->setFrameDisplay(MakeRect(100, 100, 300, 150), true);
    EXPECT_EQ(window->contentView()->frame(), MakeRect(0, 0, 300, 150));
    EXPECT_EQ(window->snapshot().size(), QSize(300, 150));
    EXPECT_EQ(window->contentView()->opaqueAncestor(), window->frameView());
}

// Draws through the kit's current graphics context, clipped to a dirty rect it did not ask for.
class KitDrawing : public View {
public:
    using View::View;
    bool isFlipped() const override { return true; }
    void drawRect(Rect) override
    {
        ASSERT_TRUE(GraphicsContext::currentContext());
        EXPECT_TRUE(GraphicsContext::currentContext()->isFlipped());
        Color::redColor()->setFill();
        RectFill(MakeRect(0, 0, 40, 10)); // the top strip of a flipped view
        Color::blueColor()->setFill();
        BezierPath::bezierPathWithRect(MakeRect(0, 30, 40, 10))->fill();
    }
};

TEST_F(WindowDisplay, ViewsDrawThroughTheCurrentGraphicsContextInTheirOwnCoordinates)
{
    auto v = make<KitDrawing>(MakeRect(150, 20, 40, 40));
    window->contentView()->addSubview(v.get());
    window->display();
    const QImage image = window->snapshot();
    EXPECT_TRUE(kit::test::basePixelIs(image, MakePoint(160.5, 55.5), Qt::red)); // top of the view
    EXPECT_TRUE(kit::test::basePixelIs(image, MakePoint(160.5, 25.5), Qt::blue)); // bottom
    EXPECT_FALSE(GraphicsContext::currentContext());
    // Partial redraws stay inside their region.
    v->setNeedsDisplayInRect(MakeRect(0, 0, 10, 10));
    window->displayIfNeeded();
    EXPECT_TRUE(kit::test::basePixelIs(window->snapshot(), MakePoint(185.5, 55.5), Qt::red));
}

} // namespace

namespace {

using namespace kit;

class Closer : public Object, public WindowDelegate {
    KIT_CLASS(Closer)

    bool windowShouldClose(Window*) override
    {
        ++asked;
        return allow;
    }
    int asked = 0;
    bool allow = false;
};

KIT_REGISTER_CLASS(Closer, Object) { c.optionalOperation("windowShouldClose"); }

TEST(WindowFrames, ScreenFramesAreYUpAndConvertThroughOneFunction)
{
    const Ref<Screen> screen = Screen::mainScreen();
    ASSERT_TRUE(screen);
    const Rect primary = screen->frame();
    EXPECT_EQ(primary.origin, ZeroPoint);
    const QRectF q = QtRectFromScreen(MakeRect(10, 20, 300, 200));
    EXPECT_EQ(q, QRectF(10, primary.height() - 220, 300, 200));
    EXPECT_EQ(ScreenRectFromQt(q), MakeRect(10, 20, 300, 200));
}

TEST(WindowFrames, SavedFrameTextAndReadingItBack)
{
    auto window = make<Window>(MakeRect(10.4, 20.6, 300, 200), TitledWindowMask);
    const Rect visible = Screen::mainScreen()->visibleFrame();
    const QString expected = QStringLiteral("10 21 300 200 %1 %2 %3 %4 ")
                                 .arg(int(visible.minX()))
                                 .arg(int(visible.minY()))
                                 .arg(int(visible.width()))
                                 .arg(int(visible.height()));
    EXPECT_EQ(window->stringWithSavedFrame(), expected);
    EXPECT_FALSE(window->setFrameFromString(QStringLiteral("1 2 3")));
    EXPECT_EQ(window->frame().size, MakeSize(300, 200));
    EXPECT_TRUE(window->setFrameFromString(QStringLiteral("5 6 120 80 0 0 1024 768 ")));
    EXPECT_EQ(window->frame(), MakeRect(5, 6, 120, 80));
    window->setMinSize(MakeSize(150, 100));
    window->setFrameDisplay(MakeRect(5, 6, 50, 50), false);
    EXPECT_EQ(window->frame().size, MakeSize(150, 100));
    window->setFrameTopLeftPoint(MakePoint(0, 500));
    EXPECT_EQ(window->frame().origin, MakePoint(0, 400));
}

TEST(WindowFrames, ChildrenFollowTheirParentsMoves)
{
    auto parent = make<Window>(MakeRect(100, 100, 300, 200), TitledWindowMask);
    auto child = make<Window>(MakeRect(150, 150, 50, 50), BorderlessWindowMask);
    parent->addChildWindowOrdered(child.get(), WindowAbove);
    parent->setFrameOrigin(MakePoint(120, 90));
    EXPECT_EQ(child->frame().origin, MakePoint(170, 140));
    EXPECT_EQ(child->parentWindow(), parent);
    parent->removeChildWindow(child.get());
    parent->setFrameOrigin(MakePoint(0, 0));
    EXPECT_EQ(child->frame().origin, MakePoint(170, 140));
    EXPECT_FALSE(child->canBecomeKeyWindow());
    Application::resetForTesting();
}

TEST(WindowFrames, PerformCloseAsksTheDelegateAndAlphaZeroStaysVisible)
{
    auto window = make<Window>(MakeRect(0, 0, 100, 100), TitledWindowMask);
    auto closer = make<Closer>();
    window->setDelegate(closer.get());
    window->makeKeyAndOrderFront();
    window->performClose();
    EXPECT_TRUE(window->isVisible());
    closer->allow = true;
    window->setAlphaValue(0);
    EXPECT_TRUE(window->isVisible());
    window->performClose();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(closer->asked, 2);
    EXPECT_FALSE(window->isKeyWindow());
    Application::resetForTesting();
}

class NeedsKey : public View {
public:
    using View::View;
    bool needsPanelToBecomeKey() const override { return needs; }
    void mouseDown(const Event&) override { ++clicks; }
    bool needs = false;
    int clicks = 0;
};

TEST(Panels, NeverMainAndKeyOnlyForViewsThatNeedIt)
{
    auto main = make<Window>(MakeRect(0, 0, 100, 100), TitledWindowMask);
    main->makeKeyAndOrderFront();
    auto panel = make<Panel>(MakeRect(200, 0, 100, 100), TitledWindowMask | UtilityWindowMask);
    panel->setBecomesKeyOnlyIfNeeded(true);
    auto plain = make<NeedsKey>(MakeRect(0, 0, 50, 100));
    auto field = make<NeedsKey>(MakeRect(50, 0, 50, 100));
    field->needs = true;
    panel->contentView()->addSubview(plain.get());
    panel->contentView()->addSubview(field.get());
    panel->orderFront();
    EXPECT_FALSE(panel->canBecomeMainWindow());
    {
        kit::test::EventScript script(panel.get());
        Application::sharedApplication()->setActive(true);
        main->makeKeyWindow();
        script.click(MakePoint(10, 10));
        script.run();
        EXPECT_EQ(plain->clicks, 1);
        EXPECT_TRUE(main->isKeyWindow());
        script.click(MakePoint(60, 10));
        script.run();
        EXPECT_EQ(field->clicks, 1);
        EXPECT_TRUE(panel->isKeyWindow());
        EXPECT_TRUE(main->isMainWindow()); // a panel never takes main
    }
}

TEST(FocusRings, InvalidateTheRectGrownByThreePointsInTheSuperview)
{
    auto window = make<Window>(MakeRect(0, 0, 100, 100), TitledWindowMask);
    auto v = make<View>(MakeRect(20, 20, 30, 30));
    window->contentView()->addSubview(v.get());
    window->displayIfNeeded();
    v->setKeyboardFocusRingNeedsDisplayInRect(v->bounds());
    window->clearRect(MakeRect(20, 20, 30, 30)); // what is left lies outside the view's bounds
    EXPECT_TRUE(window->viewsNeedDisplay());
    window->clearRect(MakeRect(17, 17, 36, 36));
    EXPECT_FALSE(window->viewsNeedDisplay());
    Application::resetForTesting();
}

} // namespace

namespace {

using namespace kit;

class LiveResizeLog : public View {
public:
    using View::View;
    void viewWillStartLiveResize() override { log.push_back(inLiveResize() ? "start (in)" : "start"); }
    void viewDidEndLiveResize() override { log.push_back(inLiveResize() ? "end (in)" : "end"); }
    std::vector<std::string> log;
};

TEST(LiveResize, ResizesCloseTogetherFormOneLiveResize)
{
    auto window = make<Window>(MakeRect(0, 0, 200, 100), TitledWindowMask);
    auto v = make<LiveResizeLog>(MakeRect(0, 0, 10, 10));
    window->contentView()->addSubview(v.get());
    kit::test::EventScript script(window.get());
    window->userDidResize(MakeRect(0, 0, 210, 100));
    script.clock().advance(0.1);
    window->userDidResize(MakeRect(0, 0, 220, 100));
    script.clock().advance(0.15);
    EXPECT_TRUE(v->inLiveResize());
    EXPECT_EQ(window->frame().size, MakeSize(220, 100));
    script.clock().advance(0.1);
    EXPECT_FALSE(v->inLiveResize());
    EXPECT_EQ(v->log, (std::vector<std::string> { "start (in)", "end" }));
    window->setFrameDisplay(MakeRect(0, 0, 230, 100), true); // the kit's own resizes are not live
    EXPECT_FALSE(v->inLiveResize());
}

TEST(ScreenUpdates, DisablingNestsAndWindowsDrawWithoutFlushing)
{
    auto window = make<Window>(MakeRect(0, 0, 100, 100), TitledWindowMask);
    window->display();
    EXPECT_FALSE(window->hasUnflushedDrawing());
    DisableScreenUpdates();
    DisableScreenUpdates();
    window->display();
    EXPECT_TRUE(window->hasUnflushedDrawing());
    EnableScreenUpdates();
    EXPECT_TRUE(window->hasUnflushedDrawing());
    EnableScreenUpdates();
    EXPECT_FALSE(window->hasUnflushedDrawing());
    EnableScreenUpdates(); // unbalanced: stays enabled
    EXPECT_TRUE(ScreenUpdatesEnabled());
    EXPECT_EQ(WindowLevelForKey(StatusWindowLevelKey), 25);
    EXPECT_EQ(WindowLevelForKey(FloatingWindowLevelKey), 3);
}

} // namespace
