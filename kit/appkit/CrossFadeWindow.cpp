#include "kit/appkit/CrossFadeWindow.h"

#include "kit/appkit/Event.h"
#include "kit/graphics/Color.h"

namespace kit {

KIT_REGISTER_CLASS(CrossFadeImageView, View) { }
KIT_REGISTER_CLASS(CrossFadeImageWindow, Window) { }
KIT_REGISTER_CLASS(CrossFadeWindowController, Object) { }

CrossFadeImageView::CrossFadeImageView(Rect frame)
    : View(frame)
{ }

std::pair<double, double> CrossFadeImageView::fractionsForFade(double fade) const
{
    return { fade + 0.001, 1.001 - fade };
}

void CrossFadeImageView::drawRect(Rect)
{
    const auto [imageFraction, alternateFraction] = fractionsForFade(fade_);
    if (image_)
        image_->drawInRectFromRectOperationFractionRespectFlippedHints(bounds(), ZeroRect, CompositeSourceOver, imageFraction, true);
    if (alternateImage_)
        alternateImage_->drawInRectFromRectOperationFractionRespectFlippedHints(bounds(), ZeroRect, CompositeSourceOver, alternateFraction, true);
}

CrossFadeImageWindow::CrossFadeImageWindow(Ref<Image> image, unsigned styleMask, Ref<CrossFadeImageView> view)
    : Window(MakeRect(0, 0, image ? image->size().width : 1, image ? image->size().height : 1), styleMask)
    , imageView_(view ? std::move(view) : make<CrossFadeImageView>())
{
    // Frames here are the client area: the window manager puts any title bar above it.
    const Size size = image ? image->size() : MakeSize(1, 1);
    imageView_->setFrame(MakeRect(0, 0, size.width, size.height));
    imageView_->setImage(std::move(image));
    setContentView(imageView_.get());
    setLevel(WindowLevelForKey(StatusWindowLevelKey));
    setIgnoresMouseEvents(true);
    setOpaque(false);
}

CrossFadeWindowController::CrossFadeWindowController(Ref<CrossFadeImageWindow> window, bool switchesImages, CrossFadeTimerSchedule schedule)
    : switchesImages_(switchesImages)
    , schedule_(std::move(schedule))
    , window_(std::move(window))
    , view_(window_ ? window_->imageView() : nullptr)
{
    if (!window_)
        return;
    if (switchesImages_) {
        window_->setBackgroundColor(Color::clearColor().get());
        window_->setHasShadow(true);
    }
    window_->setAlphaValue(0.75);
}

CrossFadeWindowController::~CrossFadeWindowController()
{
    if (timer_)
        timer_->invalidate();
    if (window_)
        window_->orderOut();
}

void CrossFadeWindowController::setAlternateImage(Ref<Image> image)
{
    if (view_)
        view_->setAlternateImage(std::move(image));
}

void CrossFadeWindowController::switchImages()
{
    if (!switchesImages_ || !window_ || !alternateImage())
        return;
    showingAlternate_ = !showingAlternate_;
    double start = 0;
    if (animation_) {
        // A reversal at full progress is already where it goes: it completes at once.
        start = 1 - animation_->currentProgress();
        std::exchange(animation_, nullptr)->stopAnimation();
    }
    animation_ = make<Animation>(0.25, AnimationEaseInOut);
    animation_->setAnimationBlockingMode(AnimationNonblocking);
    originalWindowFrame_ = window_->frame();
    if (start < 1) {
        animation_->setCurrentProgress(start);
        animation_->startAnimation();
    }
    if (timer_)
        timer_->invalidate();
    timer_ = Timer::timerWithTimeIntervalRepeatsBlock(schedule_.interval, true, [weak = Weak<CrossFadeWindowController>(this)](Timer*) {
        if (const Ref<CrossFadeWindowController> controller = weak.lock())
            controller->animateTimer();
    });
    for (const RunLoopMode& mode : schedule_.modes)
        RunLoop::main().addTimerForMode(timer_, mode);
    if (start >= 1)
        animateTimer();
}

Size CrossFadeWindowController::windowSizeAt(double, double fade) const
{
    const Ref<Image> imageNow = image();
    const Ref<Image> alternateNow = alternateImage();
    const Size imageSize = imageNow ? imageNow->size() : ZeroSize;
    const Size alternateSize = alternateNow ? alternateNow->size() : ZeroSize;
    return MakeSize(imageSize.width + (alternateSize.width - imageSize.width) * (1 - fade),
        imageSize.height + (alternateSize.height - imageSize.height) * (1 - fade));
}

void CrossFadeWindowController::animateTimer()
{
    if (!animation_ || !window_)
        return;
    const double v = animation_->isAnimating() ? animation_->currentValue() : 1.0;
    const double fade = showingAlternate_ ? 1 - v : v;
    const Size size = windowSizeAt(v, fade);
    view_->setFadeValue(fade);
    const Point mouse = Event::mouseLocation();
    window_->setFrameDisplay(MakeRect(mouse.x - size.width / 2, mouse.y - size.height / 2, size.width, size.height), true);
    if (!animation_->isAnimating()) {
        animation_ = nullptr;
        if (timer_)
            std::exchange(timer_, nullptr)->invalidate();
    }
}

} // namespace kit
