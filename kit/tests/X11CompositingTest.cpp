// A compositing manager on a real X server, played by this test: another client takes the
// manager's selection "_NET_WM_CM_S0" and gives it up again. The kit follows it, and a window whose
// background is a see-through pattern is shaped for it: without a manager the window itself is
// cut to the pattern's visible part, with one only its input is, so its alpha shows in full.
// Real X11 only: under xvfb-run with QT_QPA_PLATFORM=xcb. Elsewhere the tests skip themselves.

#include "kit/appkit/Application.h"
#include "kit/appkit/Screen.h"
#include "kit/appkit/View.h"
#include "kit/appkit/Window.h"
#include "kit/core/NotificationCenter.h"
#include "kit/graphics/CGImage.h"
#include "kit/graphics/Color.h"
#include "kit/graphics/Image.h"
#include "kit/testsupport/X11CompositingManagerFixture.h"
#include "kit/testsupport/X11KeyboardFixture.h"
#include "kit/x11/InputShape.h"

#include <QImage>
#include <QWidget>

#include <gtest/gtest.h>


namespace {

using namespace kit;

namespace x11compositing {

// Counts the presses that reach it.
class PressCountingView : public View {
public:
    using View::View;
    void mouseDown(const Event&) override { ++presses; }
    int presses = 0;
};

// 60 x 40 points: the left half opaque red, the right half fully transparent.
Ref<Color> halfSeeThroughPattern()
{
    QImage pixels(60, 40, QImage::Format_ARGB32_Premultiplied);
    pixels.fill(Qt::transparent);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 30; ++x)
            pixels.setPixel(x, y, qRgba(255, 0, 0, 255));
    return Color::colorWithPatternImage(Image::imageWithCGImageSize(CGImage::create(pixels), ZeroSize));
}

class X11Compositing : public testing::Test {
protected:
    void SetUp() override
    {
        if (!test::isRealX11())
            GTEST_SKIP() << "needs a real X server";
        ASSERT_TRUE(manager.ready);
        note = NotificationCenter::defaultCenter()->addObserverForNameObjectQueueUsingBlock(
            ScreenCompositingManagerDidChangeNotification, nullptr, nullptr, [this](Notification*) { ++notes; });
    }
    void TearDown() override
    {
        if (note)
            NotificationCenter::defaultCenter()->removeObserver(note.get());
        for (const Ref<Window>& w : windows)
            w->orderOut();
        windows.clear();
        Application::resetForTesting();
    }

    // A borderless window at `frame` (screen points, y up), shown and exposed.
    template <class Configure> Ref<PressCountingView> showWindow(Rect frame, const Configure& configure)
    {
        auto window = make<Window>(frame, BorderlessWindowMask);
        auto view = make<PressCountingView>(MakeRect(0, 0, frame.width(), frame.height()));
        window->setContentView(view.get());
        configure(*window);
        window->orderFront();
        windows.push_back(window);
        EXPECT_TRUE(test::turnUntil([&] { return test::isExposedOnServer(*window); }));
        return view;
    }

    void clickAt(QPoint global)
    {
        test::sendPointerOnServer({ test::X11PointerStep::Move, global });
        test::sendPointerOnServer({ test::X11PointerStep::Press, global });
        test::sendPointerOnServer({ test::X11PointerStep::Release, global });
    }

    test::PretendCompositingManager manager;
    Ref<Object> note;
    int notes = 0;
    std::vector<Ref<Window>> windows;
};

TEST_F(X11Compositing, TheKitFollowsTheManagersSelectionBothWays)
{
    ASSERT_FALSE(Screen::hasCompositingManager()) << "the bare server has no compositing manager";
    manager.start();
    ASSERT_TRUE(manager.ownsSelection());
    EXPECT_TRUE(test::turnUntil([] { return Screen::hasCompositingManager(); }));
    EXPECT_EQ(notes, 1);

    manager.quitByDestroyingItsWindow();
    EXPECT_TRUE(test::turnUntil([] { return !Screen::hasCompositingManager(); }));
    EXPECT_EQ(notes, 2);

    // A manager that hands the selection to nobody has quit as well.
    manager.start();
    EXPECT_TRUE(test::turnUntil([] { return Screen::hasCompositingManager(); }));
    manager.release();
    EXPECT_TRUE(test::turnUntil([] { return !Screen::hasCompositingManager(); }));
    EXPECT_EQ(notes, 4);
}

TEST_F(X11Compositing, ASeeThroughPatternWindowIsCutWithoutAManagerAndTakesInputOnlyWhereVisibleWithOne)
{
    ASSERT_FALSE(Screen::hasCompositingManager());
    const Ref<PressCountingView> below = showWindow(MakeRect(100, 100, 200, 200), [](Window&) { });
    const Ref<PressCountingView> bubble = showWindow(MakeRect(150, 150, 60, 40), [](Window& w) {
        w.setOpaque(false);
        w.setBackgroundColor(halfSeeThroughPattern().get());
    });
    Window& shaped = *windows.back();
    const auto id = static_cast<unsigned long>(shaped.hostWidget()->winId());
    const QRegion visible(0, 0, 30, 40);
    const QRegion whole(0, 0, 60, 40);
    // Alpha needs a visual with an alpha channel.
    EXPECT_EQ(manager.depthOf(std::uint32_t(id)), 32);
    const QPoint onVisible = shaped.hostWidget()->mapToGlobal(QPoint(15, 20));
    const QPoint onSeeThrough = shaped.hostWidget()->mapToGlobal(QPoint(45, 20));

    // A press on the window behind brings that one to the front; the shaped one goes back on top.
    auto pressThrough = [&](int expected) {
        clickAt(onSeeThrough);
        EXPECT_TRUE(test::turnUntil([&] { return below->presses == expected; }));
        shaped.orderFront();
    };

    // Without a manager: the window is cut to what it shows.
    EXPECT_EQ(shapeOnServer(id, ShapeKind::Bounding), visible);
    clickAt(onVisible);
    EXPECT_TRUE(test::turnUntil([&] { return bubble->presses == 1; }));
    pressThrough(1);
    EXPECT_EQ(bubble->presses, 1);

    // With one: the window keeps its whole rectangle (its soft edges show), its input is cut.
    manager.start();
    ASSERT_TRUE(test::turnUntil([] { return Screen::hasCompositingManager(); }));
    EXPECT_EQ(shapeOnServer(id, ShapeKind::Bounding), whole);
    EXPECT_EQ(shapeOnServer(id, ShapeKind::Input), visible);
    clickAt(onVisible);
    EXPECT_TRUE(test::turnUntil([&] { return bubble->presses == 2; }));
    pressThrough(2);
    EXPECT_EQ(bubble->presses, 2);

    // The manager quits: cut again, the input no longer cut on its own.
    manager.quitByDestroyingItsWindow();
    ASSERT_TRUE(test::turnUntil([] { return !Screen::hasCompositingManager(); }));
    EXPECT_EQ(shapeOnServer(id, ShapeKind::Bounding), visible);
    EXPECT_EQ(shapeOnServer(id, ShapeKind::Input), whole);
    pressThrough(3);
    EXPECT_EQ(bubble->presses, 2);
}

} // namespace x11compositing

} // namespace
