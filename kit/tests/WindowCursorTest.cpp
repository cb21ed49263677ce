#include "kit/appkit/Application.h"
#include "kit/appkit/View.h"
#include "kit/appkit/Window.h"
#include "kit/foundation/RunLoop.h"
#include "kit/graphics/Cursor.h"
#include "kit/testsupport/EventScript.h"

#include <QWidget>

#include <gtest/gtest.h>

namespace {

using namespace kit;

class CursorView : public View {
public:
    CursorView(Rect frame, Ref<Cursor> cursor)
        : View(frame)
        , cursor(std::move(cursor))
    { }
    void resetCursorRects() override
    {
        ++resets;
        addCursorRect(bounds(), cursor.get());
    }
    Ref<Cursor> cursor;
    int resets = 0;
};

class WindowCursor : public testing::Test {
protected:
    void SetUp() override
    {
        Cursor::resetForTesting();
        window = make<Window>(MakeRect(0, 0, 200, 100), TitledWindowMask);
        text = make<CursorView>(MakeRect(0, 0, 100, 100), Cursor::IBeamCursor());
        hand = make<CursorView>(MakeRect(20, 20, 30, 30), Cursor::pointingHandCursor());
        window->contentView()->addSubview(text.get());
        text->addSubview(hand.get());
        window->makeKeyAndOrderFront();
    }
    void TearDown() override
    {
        Cursor::resetForTesting();
        Application::resetForTesting();
    }
    Qt::CursorShape shown() const { return window->hostWidget()->cursor().shape(); }

    Ref<Window> window;
    Ref<CursorView> text;
    Ref<CursorView> hand;
};

TEST_F(WindowCursor, TheTopmostRectangleSetsTheHostCursorElseTheArrow)
{
    test::EventScript script(window.get());
    script.mouseMoved(MakePoint(10, 10));
    script.run();
    EXPECT_EQ(shown(), Qt::IBeamCursor);
    EXPECT_EQ(Cursor::currentCursor(), Cursor::IBeamCursor());
    script.mouseMoved(MakePoint(30, 30));
    script.run();
    EXPECT_EQ(shown(), Qt::PointingHandCursor);
    script.mouseMoved(MakePoint(150, 30));
    script.run();
    EXPECT_EQ(shown(), Qt::ArrowCursor);
    EXPECT_EQ(Cursor::stackDepth(), 0) << "rectangles set, they never push";
}

TEST_F(WindowCursor, ASetCursorLastsUntilTheNextRectangleUpdate)
{
    test::EventScript script(window.get());
    script.mouseMoved(MakePoint(10, 10));
    script.run();
    Cursor::crosshairCursor()->set();
    script.mouseMoved(MakePoint(12, 10)).mouseMoved(MakePoint(14, 10));
    script.run();
    EXPECT_EQ(shown(), Qt::CrossCursor) << "same rectangle: the set cursor stays";
    window->invalidateCursorRectsForView(text.get());
    script.mouseMoved(MakePoint(16, 10));
    script.run();
    EXPECT_EQ(shown(), Qt::IBeamCursor) << "rebuilt rectangles show theirs again";
    Cursor::crosshairCursor()->set();
    script.mouseMoved(MakePoint(30, 30));
    script.run();
    EXPECT_EQ(shown(), Qt::PointingHandCursor) << "another rectangle replaces it";
}

TEST_F(WindowCursor, NothingChangesWhileAButtonIsHeld)
{
    test::EventScript script(window.get());
    script.mouseMoved(MakePoint(30, 30)).mouseDown(MakePoint(30, 30)).mouseDragged(MakePoint(10, 10)).mouseDragged(MakePoint(150, 10));
    script.run();
    EXPECT_EQ(shown(), Qt::PointingHandCursor);
    script.mouseUp(MakePoint(150, 10));
    script.run();
    EXPECT_EQ(shown(), Qt::ArrowCursor) << "the release reconciles";
}

TEST_F(WindowCursor, PushAndPopShowOnTheHostAndLeaveTheRectanglesAlone)
{
    test::EventScript script(window.get());
    script.mouseMoved(MakePoint(10, 10));
    script.run();
    Cursor::closedHandCursor()->push();
    EXPECT_EQ(shown(), Qt::ClosedHandCursor);
    Cursor::pop();
    EXPECT_EQ(shown(), Qt::IBeamCursor);
    EXPECT_EQ(Cursor::stackDepth(), 0);
}

TEST_F(WindowCursor, HiddenViewsGiveNoRectangles)
{
    hand->setHidden(true);
    test::EventScript script(window.get());
    script.mouseMoved(MakePoint(30, 30));
    script.run();
    EXPECT_EQ(shown(), Qt::IBeamCursor);
    EXPECT_EQ(hand->resets, 0) << "a hidden view is not asked";
}

TEST_F(WindowCursor, RectanglesActOnlyInTheKeyWindowOfTheActiveApplication)
{
    auto other = make<Window>(MakeRect(300, 0, 100, 100), TitledWindowMask);
    test::EventScript script(window.get());
    script.mouseMoved(MakePoint(10, 10));
    script.run();
    EXPECT_EQ(shown(), Qt::IBeamCursor);
    other->makeKeyAndOrderFront();
    script.mouseMoved(MakePoint(12, 10));
    script.run();
    EXPECT_EQ(shown(), Qt::ArrowCursor) << "no longer key";
    window->makeKeyWindow();
    script.mouseMoved(MakePoint(14, 10));
    script.run();
    EXPECT_EQ(shown(), Qt::IBeamCursor);
    Application::sharedApplication()->setActive(false);
    RunLoop::main().runPending();
    EXPECT_EQ(shown(), Qt::ArrowCursor) << "deactivation shows the arrow without waiting for the pointer";
}

TEST_F(WindowCursor, ARebuildUnderAStillPointerShowsTheNewCursorAtOnce)
{
    test::EventScript script(window.get());
    script.mouseMoved(MakePoint(10, 10));
    script.run();
    EXPECT_EQ(shown(), Qt::IBeamCursor);
    text->cursor = Cursor::resizeUpDownCursor();
    window->invalidateCursorRectsForView(text.get());
    window->invalidateCursorRectsForView(text.get());
    const int before = text->resets;
    RunLoop::main().runPending();
    EXPECT_EQ(shown(), Qt::SizeVerCursor) << "no mouse event came";
    EXPECT_EQ(text->resets, before + 1) << "invalidations coalesce into one rebuild";

    hand->setFrameOrigin(MakePoint(0, 0));
    RunLoop::main().runPending();
    EXPECT_EQ(shown(), Qt::PointingHandCursor) << "a geometry change under the pointer too";
}

} // namespace
