#include "kit/appkit/Application.h"
#include "kit/appkit/Screen.h"
#include "kit/appkit/Window.h"
#include "kit/core/NotificationCenter.h"
#include "kit/graphics/Color.h"
#include "kit/testsupport/EventScript.h"

#include <QWidget>

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace kit;

class ZoomDelegate : public Object, public WindowDelegate {
    KIT_CLASS(ZoomDelegate)
public:
    Rect windowWillUseStandardFrameDefaultFrame(Window*, Rect) override { return standard; }
    Rect standard = MakeRect(10, 20, 400, 300);
};

KIT_REGISTER_CLASS(ZoomDelegate, Object) { c.optionalOperations({ "windowWillUseStandardFrameDefaultFrame" }); }

TEST(WindowZoom, TogglesBetweenTheStandardFrameAndTheUserFrame)
{
    auto w = make<Window>(MakeRect(50, 60, 200, 100), TitledWindowMask | ResizableWindowMask);
    w->zoom();
    EXPECT_EQ(w->frame(), Screen::mainScreen()->visibleFrame()) << "without a delegate: the visible screen";
    EXPECT_TRUE(w->isZoomed());
    w->zoom();
    EXPECT_EQ(w->frame(), MakeRect(50, 60, 200, 100));
    auto d = make<ZoomDelegate>();
    w->setDelegate(d.get());
    w->zoom();
    EXPECT_EQ(w->frame(), d->standard);
    w->zoom();
    EXPECT_EQ(w->frame(), MakeRect(50, 60, 200, 100));
    EXPECT_FALSE(w->isZoomed());
    Application::resetForTesting();
}

TEST(WindowZoom, TheZoomButtonsEnablingMapsToTheMaximizeHint)
{
    auto w = make<Window>(MakeRect(0, 0, 200, 100), TitledWindowMask | ClosableWindowMask | ResizableWindowMask);
    const Ref<TitleBarButton> zoom = w->standardWindowButton(WindowZoomButton);
    ASSERT_TRUE(zoom);
    EXPECT_TRUE(zoom->isEnabled()) << "resizable: zoomable";
    EXPECT_EQ(w->standardWindowButton(WindowZoomButton), zoom) << "one per window";
    zoom->setEnabled(false);
    EXPECT_FALSE(w->hostWidget()->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(w->hostWidget()->windowFlags() & Qt::WindowCloseButtonHint) << "the other buttons stay";
    EXPECT_FALSE(w->hostWidget()->windowFlags() & Qt::WindowMinimizeButtonHint) << "not miniaturizable";
    zoom->setEnabled(true);
    EXPECT_TRUE(w->hostWidget()->windowFlags() & Qt::WindowMaximizeButtonHint);

    EXPECT_FALSE(make<Window>(MakeRect(0, 0, 10, 10), TitledWindowMask)->standardWindowButton(WindowZoomButton)->isEnabled())
        << "a fixed-size window cannot zoom";
    EXPECT_FALSE(make<Window>(MakeRect(0, 0, 10, 10), BorderlessWindowMask)->standardWindowButton(WindowZoomButton));
    Application::resetForTesting();
}

TEST(WindowAnimatedFrame, BlocksForAFifthOfASecondPer150PointsOfTheLargestEdgeMove)
{
    auto w = make<Window>(MakeRect(0, 0, 200, 100), TitledWindowMask | ResizableWindowMask);
    std::vector<Rect> frames;
    const Ref<Object> token = NotificationCenter::defaultCenter()->addObserverForNameObjectQueueUsingBlock(
        WindowDidMoveNotification, w.get(), nullptr, [&](Notification*) { frames.push_back(w->frame()); });
    {
        test::EventScript script(w.get());
        const double start = script.now();
        // The left edge moves 300 pt, the right one 150: 0.4 s.
        w->setFrameDisplayAnimate(MakeRect(300, 0, 50, 100), true, true);
        EXPECT_NEAR(script.now() - start, 0.4, 1.0 / 60);
        EXPECT_EQ(w->frame(), MakeRect(300, 0, 50, 100));
        EXPECT_GT(frames.size(), 10u) << "it moves in frames";
        const double mid = script.now();
        w->setFrameDisplayAnimate(MakeRect(0, 0, 200, 100), true, false);
        EXPECT_EQ(script.now(), mid) << "not animated: at once";
    }
    NotificationCenter::defaultCenter()->removeObserver(token.get());
}

TEST(WindowBackground, AClearColourMakesANonOpaqueWindowTranslucent)
{
    auto w = make<Window>(MakeRect(0, 0, 60, 40), TitledWindowMask);
    w->setBackgroundColor(Color::redColor().get());
    EXPECT_TRUE(test::basePixelIs(w->snapshot(), MakePoint(5, 5), QColor(255, 0, 0)));
    EXPECT_FALSE(w->hostWidget()->testAttribute(Qt::WA_TranslucentBackground));
    w->setBackgroundColor(Color::clearColor().get());
    EXPECT_EQ(w->snapshot().pixelColor(5, 5).alpha(), 0) << "the last pass's red is gone";
    EXPECT_FALSE(w->hostWidget()->testAttribute(Qt::WA_TranslucentBackground)) << "opaque windows are not";
    w->setOpaque(false);
    EXPECT_TRUE(w->hostWidget()->testAttribute(Qt::WA_TranslucentBackground));
    w->setBackgroundColor(Color::redColor().get());
    EXPECT_FALSE(w->hostWidget()->testAttribute(Qt::WA_TranslucentBackground));
    Application::resetForTesting();
}

} // namespace
