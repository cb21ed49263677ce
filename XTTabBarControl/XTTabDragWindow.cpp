#include "XTTabBarControl/XTTabDragWindow.h"

#include "kit/appkit/Event.h"
#include "kit/foundation/RunLoop.h"
#include "kit/graphics/Color.h"
#include "kit/graphics/ImageRep.h"

KIT_REGISTER_CLASS(XTTabDragView, kit::View) { c.bundle("XTTabBarControl"); }
KIT_REGISTER_CLASS(XTTabDragWindow, kit::Window) { c.bundle("XTTabBarControl"); }
KIT_REGISTER_CLASS(XTTabDragWindowController, kit::Object) { c.bundle("XTTabBarControl"); }
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
    : kit::View(frame)
{ }

void XTTabDragView::drawRect(kit::Rect)
{
    // The 0.001 keeps each picture from vanishing at the fade's ends.
    if (image_)
        image_->drawInRectFromRectOperationFractionRespectFlippedHints(
            bounds(), kit::ZeroRect, kit::CompositeSourceOver, double(float(alpha_ + 0.001f)), true);
    if (alternateImage_)
        alternateImage_->drawInRectFromRectOperationFractionRespectFlippedHints(
            bounds(), kit::ZeroRect, kit::CompositeSourceOver, double(1.001f - float(alpha_)), true);
}

XTTabDragWindow::XTTabDragWindow(kit::Ref<kit::Image> image, unsigned)
    : kit::Window(kit::MakeRect(0, 0, image ? image->size().width : 1, image ? image->size().height : 1), kit::BorderlessWindowMask)
{
    const kit::Size size = image ? image->size() : kit::MakeSize(1, 1);
    dragView_ = kit::make<XTTabDragView>(kit::MakeRect(0, 0, size.width, size.height));
    dragView_->setImage(std::move(image));
    setContentView(dragView_.get());
    setLevel(kit::WindowLevelForKey(kit::StatusWindowLevelKey));
    setIgnoresMouseEvents(true);
    setOpaque(false);
    setBackgroundColor(kit::Color::clearColor().get());
}

kit::Ref<XTTabDragWindow> XTTabDragWindow::dragWindowWithImageStyleMask(kit::Ref<kit::Image> image, unsigned styleMask)
{
    return kit::make<XTTabDragWindow>(std::move(image), styleMask);
}

XTTabDragWindowController::XTTabDragWindowController(kit::Ref<kit::Image> image, unsigned styleMask, int tearOffStyle)
    : tearOffStyle_(tearOffStyle)
    , window_(XTTabDragWindow::dragWindowWithImageStyleMask(std::move(image), styleMask))
    , view_(window_->dragView())
{
    if (tearOffStyle_ == 1) {
        window_->setBackgroundColor(kit::Color::clearColor().get());
        window_->setHasShadow(true);
    }
    window_->setAlphaValue(0.75);
}

XTTabDragWindowController::~XTTabDragWindowController()
{
    if (timer_)
        timer_->invalidate();
    if (window_)
        window_->orderOut();
}

void XTTabDragWindowController::setAlternateImage(kit::Ref<kit::Image> image)
{
    if (view_)
        view_->setAlternateImage(std::move(image));
}

void XTTabDragWindowController::switchImages()
{
    if (tearOffStyle_ != 1 || !alternateImage())
        return;
    showingAlternate_ = !showingAlternate_;
    double progress = 0;
    if (animation_) {
        progress = 1 - animation_->currentProgress();
        std::exchange(animation_, nullptr)->stopAnimation();
    }
    animation_ = kit::make<kit::Animation>(0.25, kit::AnimationEaseInOut);
    animation_->setAnimationBlockingMode(kit::AnimationNonblocking);
    animation_->setCurrentProgress(progress);
    animation_->startAnimation();
    originalWindowFrame_ = window_->frame();
    if (timer_)
        timer_->invalidate();
    timer_ = kit::Timer::scheduledTimerWithTimeIntervalTargetSelectorUserInfoRepeats(
        xtdwTick, this, &XTTabDragWindowController::animateTimer, kit::Value(), true);
}

void XTTabDragWindowController::animateTimer(kit::Timer*)
{
    if (!animation_ || !window_)
        return;
    const kit::Ref<kit::Image> target = showingAlternate_ ? alternateImage() : image();
    const kit::Size to = target ? target->size() : originalWindowFrame_.size;
    const kit::Size from = originalWindowFrame_.size;
    const double v = animation_->isAnimating() ? animation_->currentValue() : 1.0;
    const kit::Size size = kit::MakeSize(from.width + (to.width - from.width) * v, from.height + (to.height - from.height) * v);
    const kit::Point mouse = kit::Event::mouseLocation();
    view_->setFadeValue(showingAlternate_ ? 1 - v : v);
    window_->setFrameDisplay(kit::MakeRect(mouse.x - size.width * 0.5, mouse.y - size.height * 0.5, size.width, size.height), true);
    if (!animation_->isAnimating()) {
        animation_ = nullptr;
        if (timer_)
            std::exchange(timer_, nullptr)->invalidate();
    }
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
    window->setFrameTopLeftPoint(kit::MakePoint(q.x - size.width * 0.5, q.y + size.height * 0.5));
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
