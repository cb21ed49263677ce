// The bubble on a real X server under a compositing manager, played by another client: the
// bubble keeps its whole rectangle, so its antialiased edge shows, and takes clicks only inside
// its outline; a click beside the arrow reaches the window it points into.
// Real X11 only: under xvfb-run with QT_QPA_PLATFORM=xcb. Elsewhere the tests skip themselves.

#include "components/ABAttachedWindow/ABAttachedWindow.h"
#include "kit/appkit/Application.h"
#include "kit/appkit/Screen.h"
#include "kit/testsupport/X11CompositingManagerFixture.h"
#include "kit/testsupport/X11KeyboardFixture.h"
#include "kit/x11/InputShape.h"

#include <QWidget>

#include <gtest/gtest.h>

namespace {

using namespace kit;

// Counts the presses that reach it.
class ABPressCountingView : public View {
public:
    using View::View;
    void mouseDown(const Event&) override { ++presses; }
    int presses = 0;
};

void abClickAt(QPoint global)
{
    test::sendPointerOnServer({ test::X11PointerStep::Move, global });
    test::sendPointerOnServer({ test::X11PointerStep::Press, global });
    test::sendPointerOnServer({ test::X11PointerStep::Release, global });
}

TEST(X11AttachedWindow, UnderACompositingManagerOnlyTheOutlineTakesClicks)
{
    if (!test::isRealX11())
        GTEST_SKIP() << "needs a real X server";
    test::PretendCompositingManager manager;
    ASSERT_TRUE(manager.ready);
    manager.start();
    ASSERT_TRUE(test::turnUntil([] { return Screen::hasCompositingManager(); }));

    auto parent = make<Window>(MakeRect(100, 100, 400, 300), BorderlessWindowMask);
    auto parentView = make<ABPressCountingView>(MakeRect(0, 0, 400, 300));
    parent->setContentView(parentView.get());
    parent->orderFront();
    auto view = make<ABPressCountingView>(MakeRect(0, 0, 100, 50));
    // Side 1: below the point, the arrow in the middle of the top edge.
    const auto bubble = ABAttachedWindow::initWithViewAttachedToPointInWindowOnSideAtDistance(
        view.get(), MakePoint(200, 200), parent.get(), ABPositionBottom, 0);
    parent->addChildWindowOrdered(bubble.get(), WindowAbove);
    bubble->orderFront();
    ASSERT_TRUE(test::turnUntil([&] { return test::isExposedOnServer(*parent) && test::isExposedOnServer(*bubble); }));

    // 104 x 70: the arrow in the top 16 rows, the body under it with corners of radius 8.
    QWidget* host = bubble->hostWidget();
    const auto id = static_cast<unsigned long>(host->winId());
    EXPECT_EQ(manager.depthOf(std::uint32_t(id)), 32);
    EXPECT_EQ(shapeOnServer(id, ShapeKind::Bounding), QRegion(0, 0, 104, 70));
    const std::optional<QRegion> input = shapeOnServer(id, ShapeKind::Input);
    ASSERT_TRUE(input);
    EXPECT_TRUE(input->contains(QPoint(52, 40))); // the body
    EXPECT_TRUE(input->contains(QPoint(52, 10))); // the arrow
    EXPECT_FALSE(input->contains(QPoint(10, 8))); // beside the arrow
    EXPECT_FALSE(input->contains(QPoint(0, 16))); // the rounded corner
    EXPECT_FALSE(input->contains(QPoint(0, 69)));

    abClickAt(host->mapToGlobal(QPoint(52, 40)));
    EXPECT_TRUE(test::turnUntil([&] { return view->presses == 1; }));
    abClickAt(host->mapToGlobal(QPoint(10, 8)));
    EXPECT_TRUE(test::turnUntil([&] { return parentView->presses == 1; }));
    EXPECT_EQ(view->presses, 1);

    manager.quitByDestroyingItsWindow();
    ASSERT_TRUE(test::turnUntil([] { return !Screen::hasCompositingManager(); }));
    // Without a manager the bubble itself is cut to its outline.
    const std::optional<QRegion> bounding = shapeOnServer(id, ShapeKind::Bounding);
    ASSERT_TRUE(bounding);
    EXPECT_TRUE(bounding->contains(QPoint(52, 40)));
    EXPECT_FALSE(bounding->contains(QPoint(10, 8)));
    parent->removeChildWindow(bubble.get());
    bubble->orderOut();
    parent->orderOut();
    Application::resetForTesting();
}

} // namespace
