#include "XTTabBarControl/XTTabDragWindow.h"

#include "kit/appkit/Event.h"
#include "kit/appkit/Screen.h"
#include "kit/foundation/RunLoop.h"
#include "kit/graphics/Color.h"
#include "kit/graphics/ImageRep.h"

KIT_REGISTER_CLASS(XTTabDragView, kit::CrossFadeImageView) { c.bundle("XTTabBarControl"); }
KIT_REGISTER_CLASS(XTTabDragWindow, kit::CrossFadeImageWindow) { c.bundle("XTTabBarControl"); }
KIT_REGISTER_CLASS(XTTabDragWindowController, kit::CrossFadeWindowController) { c.bundle("XTTabBarControl"); }
KIT_REGISTER_CLASS(XTTabWindowExpansion, kit::Object) { c.bundle("XTTabBarControl"); }

namespace {

constexpr double xtdwTick = double(1.0f / 30.0f);

kit::Ref<kit::Timer> xtdwTrackingTimer(kit::Ref<kit::Timer> timer)
{
    // Grows while the pointer is still held, so the tracking mode too.
    kit::RunLoop::main().addTimerForMode(timer, kit::DefaultRunLoopMode);
    kit::RunLoop::main().addTimerForMode(timer, kit::EventTrackingRunLoopMode);
    return timer;
}

} // namespace

XTTabDragView::XTTabDragView(kit::Rect frame)
    : kit::CrossFadeImageView(frame)
{ }

std::pair<double, double> XTTabDragView::fractionsForFade(double fade) const
{
    return { double(float(fade + 0.001f)), double(1.001f - float(fade)) };
}

XTTabDragWindow::XTTabDragWindow(kit::Ref<kit::Image> image, unsigned)
    : kit::CrossFadeImageWindow(std::move(image), kit::BorderlessWindowMask, kit::make<XTTabDragView>())
{
    setBackgroundColor(kit::Color::clearColor().get());
}

kit::Ref<XTTabDragWindow> XTTabDragWindow::dragWindowWithImageStyleMask(kit::Ref<kit::Image> image, unsigned styleMask)
{
    return kit::make<XTTabDragWindow>(std::move(image), styleMask);
}

XTTabDragWindowController::XTTabDragWindowController(kit::Ref<kit::Image> image, unsigned styleMask, int tearOffStyle)
    : kit::CrossFadeWindowController(XTTabDragWindow::dragWindowWithImageStyleMask(std::move(image), styleMask), tearOffStyle == 1,
        { xtdwTick, { kit::DefaultRunLoopMode, kit::EventTrackingRunLoopMode } })
{ }

kit::Size XTTabDragWindowController::windowSizeAt(double v, double) const
{
    const kit::Size from = originalWindowFrame().size;
    const kit::Ref<kit::Image> target = showingAlternate() ? alternateImage() : image();
    const kit::Size to = target ? target->size() : from;
    return kit::MakeSize(from.width + (to.width - from.width) * v, from.height + (to.height - from.height) * v);
}

XTTabWindowExpansion::~XTTabWindowExpansion()
{
    if (timer_)
        timer_->invalidate();
    if (overlay_)
        overlay_->orderOut();
}

void XTTabWindowExpansion::expandWindowAtPoint(kit::Window* window, kit::Point q)
{
    finish();
    if (!window)
        return;
    window_ = window;
    const kit::Size size = window->frame().size;
    // Centred on the pointer, then moved back onto the screen when that puts it partly off.
    window->setFrameOrigin(kit::FrameMovedOnScreen(kit::MakeRect(q.x - size.width * 0.5, q.y - size.height * 0.5, size.width, size.height)).origin);
    window->setAlphaValue(0);
    window->makeKeyAndOrderFront();
    overlay_ = XTTabDragWindow::dragWindowWithImageStyleMask(XTWindowSnapshotImage(window), kit::BorderlessWindowMask);
    overlay_->setAlphaValue(0);
    overlay_->orderFront();
    animation_ = kit::make<kit::Animation>(0.25, kit::AnimationEaseInOut);
    animation_->setAnimationBlockingMode(kit::AnimationNonblocking);
    animation_->setCurrentProgress(0.1);
    animation_->startAnimation();
    timer_ = xtdwTrackingTimer(kit::Timer::timerWithTimeIntervalTargetSelectorUserInfoRepeats(
        xtdwTick, this, &XTTabWindowExpansion::tick, kit::Value(kit::Ref<kit::Object>(window)), true));
    tick(timer_.get());
}

void XTTabWindowExpansion::tick(kit::Timer*)
{
    if (!animation_ || !window_ || !overlay_)
        return;
    if (!animation_->isAnimating()) {
        finish();
        return;
    }
    const double v = animation_->currentValue();
    const kit::Rect f = window_->frame();
    const kit::Point centre = kit::MakePoint(f.origin.x + f.size.width * 0.5, f.origin.y + f.size.height * 0.5);
    const kit::Size size = kit::MakeSize(f.size.width * v, f.size.height * v);
    overlay_->setFrameDisplay(kit::MakeRect(centre.x - size.width * 0.5, centre.y - size.height * 0.5, size.width, size.height), true);
    overlay_->setAlphaValue(v);
}

void XTTabWindowExpansion::finish()
{
    if (timer_)
        std::exchange(timer_, nullptr)->invalidate();
    if (const kit::Ref<kit::Animation> animation = std::exchange(animation_, nullptr))
        animation->stopAnimation();
    if (const kit::Ref<XTTabDragWindow> overlay = std::exchange(overlay_, nullptr))
        overlay->orderOut();
    if (const kit::Ref<kit::Window> window = std::exchange(window_, nullptr)) {
        window->setAlphaValue(1);
        window->makeKeyAndOrderFront();
    }
}

kit::Ref<kit::Image> XTWindowSnapshotImage(kit::Window* window)
{
    if (!window)
        return nullptr;
    const QImage shot = window->snapshot();
    if (shot.isNull())
        return nullptr;
    auto image = kit::make<kit::Image>(window->frame().size);
    image->addRepresentation(kit::make<kit::BitmapImageRep>(shot));
    return image;
}
