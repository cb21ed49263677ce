#include "QVTabBarView/QVTabDragWindow.h"

#include "kit/appkit/Event.h"
#include "kit/foundation/RunLoop.h"
#include "kit/graphics/Color.h"

KIT_REGISTER_CLASS(QVTabDragView, kit::View) { c.bundle("QVTabBarView"); }
KIT_REGISTER_CLASS(QVTabDragWindow, kit::Window) { c.bundle("QVTabBarView"); }
KIT_REGISTER_CLASS(QVTabDragWindowController, kit::Object) { c.bundle("QVTabBarView"); }

QVTabDragView::QVTabDragView(kit::Rect frame)
    : kit::View(frame)
{ }

void QVTabDragView::drawRect(kit::Rect)
{
    if (image_)
        image_->drawInRectFromRectOperationFractionRespectFlippedHints(bounds(), kit::ZeroRect, kit::CompositeSourceOver, alpha_ + 0.001, true);
    if (alternate_)
        alternate_->drawInRectFromRectOperationFractionRespectFlippedHints(bounds(), kit::ZeroRect, kit::CompositeSourceOver, 1.001 - alpha_, true);
}

QVTabDragWindow::QVTabDragWindow(kit::Ref<kit::Image> image, unsigned styleMask)
    : kit::Window(kit::MakeRect(0, 0, image ? image->size().width : 1, image ? image->size().height : 1), styleMask)
{
    const kit::Size size = image ? image->size() : kit::MakeSize(1, 1);
    dragView_ = kit::make<QVTabDragView>(kit::MakeRect(0, 0, size.width, size.height));
    dragView_->setImage(std::move(image));
    setContentView(dragView_.get());
    setLevel(kit::WindowLevelForKey(kit::StatusWindowLevelKey));
    setIgnoresMouseEvents(true);
    setOpaque(false);
    // Frames here are the client area: the window manager puts any title bar above it.
}

kit::Ref<QVTabDragWindow> QVTabDragWindow::dragWindowWithImageStyleMask(kit::Ref<kit::Image> image, unsigned styleMask)
{
    return kit::make<QVTabDragWindow>(std::move(image), styleMask);
}

QVTabDragWindowController::QVTabDragWindowController(kit::Ref<kit::Image> image, unsigned styleMask, std::uint64_t tearOffStyle)
    : tearOffStyle_(tearOffStyle)
    , window_(QVTabDragWindow::dragWindowWithImageStyleMask(std::move(image), styleMask))
    , view_(window_->dragView())
{
    if (tearOffStyle_ == 1) {
        window_->setBackgroundColor(kit::Color::clearColor().get());
        window_->setHasShadow(true);
    }
    window_->setAlphaValue(0.75);
}

QVTabDragWindowController::~QVTabDragWindowController()
{
    if (timer_)
        timer_->invalidate();
    if (window_)
        window_->orderOut();
}

void QVTabDragWindowController::setAlternateImage(kit::Ref<kit::Image> image)
{
    if (view_)
        view_->setAlternateImage(std::move(image));
}

void QVTabDragWindowController::switchImages()
{
    if (tearOffStyle_ != 1 || !alternateImage())
        return;
    showingAlternate_ = !showingAlternate_;
    double start = 0;
    if (animation_) {
        // A reversal at full progress is already where it goes: it completes at once.
        start = 1 - animation_->currentProgress();
        std::exchange(animation_, nullptr)->stopAnimation();
    }
    animation_ = kit::make<kit::Animation>(0.25, kit::AnimationEaseInOut);
    animation_->setAnimationBlockingMode(kit::AnimationNonblocking);
    originalWindowFrame_ = window_->frame();
    if (start < 1) {
        animation_->setCurrentProgress(start);
        animation_->startAnimation();
    }
    if (timer_)
        timer_->invalidate();
    timer_ = kit::Timer::scheduledTimerWithTimeIntervalRepeatsBlock(1.0 / 30.0, true, [weak = kit::Weak<QVTabDragWindowController>(this)](kit::Timer*) {
        if (const kit::Ref<QVTabDragWindowController> controller = weak.lock())
            controller->animateTimer();
    });
    if (start >= 1)
        animateTimer();
}

void QVTabDragWindowController::animateTimer()
{
    if (!animation_ || !window_)
        return;
    const kit::Ref<kit::Image> imageNow = image();
    const kit::Ref<kit::Image> alternateNow = alternateImage();
    const kit::Size imageSize = imageNow ? imageNow->size() : kit::ZeroSize;
    const kit::Size alternateSize = alternateNow ? alternateNow->size() : kit::ZeroSize;
    const double v = animation_->isAnimating() ? animation_->currentValue() : 1.0;
    const double fade = showingAlternate_ ? 1 - v : v;
    // From the image's size to the alternate's by the fade: a reversal never jumps.
    const kit::Size size = kit::MakeSize(imageSize.width + (alternateSize.width - imageSize.width) * (1 - fade),
        imageSize.height + (alternateSize.height - imageSize.height) * (1 - fade));
    view_->setFadeValue(fade);
    const kit::Point mouse = kit::Event::mouseLocation();
    window_->setFrameDisplay(kit::MakeRect(mouse.x - size.width / 2, mouse.y - size.height / 2, size.width, size.height), true);
    if (!animation_->isAnimating()) {
        animation_ = nullptr;
        if (timer_)
            std::exchange(timer_, nullptr)->invalidate();
    }
}
