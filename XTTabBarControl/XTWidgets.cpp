#include "XTTabBarControl/XTWidgets.h"

#include "AppKitExtensions/JVLNSImage_Extension.h"
#include "XTTabBarControl/XTTabStyle.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/Window.h"
#include "kit/controls/ControlTypes.h"
#include "kit/core/NotificationCenter.h"
#include "kit/foundation/Coder.h"
#include "kit/foundation/RunLoop.h"
#include "kit/foundation/Timer.h"

#include <cmath>
#include <numbers>

KIT_REGISTER_CLASS(XTRolloverButton, kit::Button) { }
KIT_REGISTER_CLASS(XTOverflowPopUpButton, kit::PopUpButton) { }

namespace {

constexpr double xtwPulseTick = 1.0 / 15;
constexpr double xtwPulseStep = 0.033;

} // namespace

// Rollover button ------------------------------------------------------------------------------

XTRolloverButton::XTRolloverButton(kit::Rect frame)
    : Button(frame)
{
    // Code-made buttons never wake from an interface file, so the tag is set here.
    setTag(-1);
    setButtonType(kit::MomentaryChangeButton);
    setBezelStyle(kit::ShadowlessSquareBezelStyle);
    setImagePosition(kit::ImageOnly);
    setBordered(false);
    setTitle(QString());
}

XTRolloverButton::~XTRolloverButton()
{
    kit::NotificationCenter::defaultCenter()->removeObserver(this);
    removeRolloverTrackingRect();
}

void XTRolloverButton::setUsualImage(kit::Ref<kit::Image> image)
{
    usualImage_ = image;
    setImage(std::move(image));
}

void XTRolloverButton::rolloverEntered()
{
    if (rolloverImage_)
        setImage(rolloverImage_);
    setNeedsDisplay(true);
}

void XTRolloverButton::rolloverExited()
{
    if (usualImage_)
        setImage(usualImage_);
    setNeedsDisplay(true);
}

void XTRolloverButton::resetCursorRects()
{
    removeRolloverTrackingRect();
    addRolloverTrackingRect();
}

void XTRolloverButton::addRolloverTrackingRect()
{
    const kit::Ref<kit::Window> w = window();
    const bool inside = w && mouseInRect(convertPointFromView(w->convertScreenToBase(kit::Event::mouseLocation()), nullptr), bounds());
    trackingTag_ = addTrackingRectOwnerUserDataAssumeInside(bounds(), this, nullptr, inside);
    // The right image at once, though the pointer may never move.
    inside ? rolloverEntered() : rolloverExited();
}

void XTRolloverButton::removeRolloverTrackingRect()
{
    if (trackingTag_ != -1)
        removeTrackingRect(trackingTag_);
    trackingTag_ = -1;
}

void XTRolloverButton::rolloverFrameDidChange(kit::Notification*) { resetCursorRects(); }

void XTRolloverButton::awakeFromNib()
{
    kit::NotificationCenter::defaultCenter()->addObserverSelectorNameObject(
        this, &XTRolloverButton::rolloverFrameDidChange, kit::ViewFrameDidChangeNotification, this);
    setPostsFrameChangedNotifications(true);
    resetCursorRects();
    setTag(-1);
}

void XTRolloverButton::mouseEntered(const kit::Event& event)
{
    if (rolloverImage_)
        setImage(rolloverImage_);
    Button::mouseEntered(event);
}

void XTRolloverButton::mouseExited(const kit::Event& event)
{
    if (usualImage_)
        setImage(usualImage_);
    Button::mouseExited(event);
}

void XTRolloverButton::viewWillMoveToSuperview(kit::View* superview)
{
    removeRolloverTrackingRect();
    Button::viewWillMoveToSuperview(superview);
}

void XTRolloverButton::viewWillMoveToWindow(kit::Window* window)
{
    removeRolloverTrackingRect();
    Button::viewWillMoveToWindow(window);
}

void XTRolloverButton::viewDidMoveToSuperview()
{
    Button::viewDidMoveToSuperview();
    resetCursorRects();
}

void XTRolloverButton::viewDidMoveToWindow()
{
    Button::viewDidMoveToWindow();
    resetCursorRects();
}

void XTRolloverButton::setFrameOrigin(kit::Point origin)
{
    Button::setFrameOrigin(origin);
    resetCursorRects();
}

void XTRolloverButton::setFrameSize(kit::Size size)
{
    Button::setFrameSize(size);
    resetCursorRects();
}

void XTRolloverButton::setBoundsOrigin(kit::Point origin)
{
    Button::setBoundsOrigin(origin);
    resetCursorRects();
}

void XTRolloverButton::setBoundsSize(kit::Size size)
{
    Button::setBoundsSize(size);
    resetCursorRects();
}

void XTRolloverButton::encodeWithCoder(kit::Coder& coder) const
{
    Button::encodeWithCoder(coder);
    if (rolloverImage_)
        coder.encodeObjectForKey(kit::Value(kit::Ref<kit::Object>(rolloverImage_)), QStringLiteral("rolloverImage"));
    if (usualImage_)
        coder.encodeObjectForKey(kit::Value(kit::Ref<kit::Object>(usualImage_)), QStringLiteral("usualImage"));
    coder.encodeIntegerForKey(trackingTag_, QStringLiteral("myTrackingRectTag"));
}

void XTRolloverButton::initWithCoder(kit::Coder& coder)
{
    Button::initWithCoder(coder);
    if (const auto image = coder.decodeObjectForKey(QStringLiteral("rolloverImage")).objectAs<kit::Image>())
        rolloverImage_ = image;
    if (const auto image = coder.decodeObjectForKey(QStringLiteral("usualImage")).objectAs<kit::Image>())
        usualImage_ = image;
    // A tag of another process tracks nothing here.
    trackingTag_ = -1;
}

// Overflow pull-down ---------------------------------------------------------------------------

XTOverflowPopUpButton::XTOverflowPopUpButton(kit::Rect frame, bool)
    : PopUpButton(frame, true)
    , image_(XTTabStyleBase::bundleImage(QStringLiteral("overflowImage")))
    , pressedImage_(XTTabStyleBase::bundleImage(QStringLiteral("overflowImagePressed")))
{
    setBezelStyle(kit::RegularSquareBezelStyle);
    setBordered(false);
    setTitle(QString());
    setPreferredEdge(kit::MaxXEdge);
}

XTOverflowPopUpButton::~XTOverflowPopUpButton()
{
    kit::NotificationCenter::defaultCenter()->removeObserver(this);
    stopPulse();
}

void XTOverflowPopUpButton::drawRect(kit::Rect rect)
{
    const kit::Ref<kit::Image> image = currentImage();
    if (!image) {
        PopUpButton::drawRect(rect);
        return;
    }
    const kit::Rect b = bounds();
    // Centred; the drawing helper places the image's visual lower-left corner, so a flipped view
    // gives the point below the image.
    const auto centred = [&](const kit::Image& im) {
        const kit::Size size = im.size();
        kit::Point at = kit::MakePoint(b.origin.x + b.size.width / 2 - size.width / 2, b.origin.y + b.size.height / 2 - size.height / 2);
        if (isFlipped())
            at.y += size.height;
        return at;
    };
    JVLNSImage_Extension::drawAtPointOperationFraction(
        *image, centred(*image), kit::CompositeSourceOver, animatingAlternateImage_ ? 0.7 : 1.0);
    if (animatingAlternateImage_)
        if (const kit::Ref<kit::Image> alternate = alternateImage())
            JVLNSImage_Extension::drawAtPointOperationFraction(
                *alternate, centred(*alternate), kit::CompositeSourceOver, std::sin(animationValue_ * std::numbers::pi));
}

void XTOverflowPopUpButton::mouseDown(const kit::Event& event)
{
    const kit::Ref<XTOverflowPopUpButton> keep(this);
    down_ = true;
    kit::NotificationCenter::defaultCenter()->addObserverSelectorNameObject(
        this, &XTOverflowPopUpButton::menuDidEndTracking, kit::MenuDidEndTrackingNotification, menu().get());
    setNeedsDisplay(true);
    PopUpButton::mouseDown(event);
}

void XTOverflowPopUpButton::menuDidEndTracking(kit::Notification*)
{
    down_ = false;
    setNeedsDisplay(true);
    kit::NotificationCenter::defaultCenter()->removeObserverNameObject(this, kit::MenuDidEndTrackingNotification, nullptr);
}

void XTOverflowPopUpButton::setAnimatingAlternateImage(bool flag)
{
    if (flag == animatingAlternateImage_)
        return;
    animatingAlternateImage_ = flag;
    if (!isHidden())
        flag ? startPulse() : stopPulse();
    setNeedsDisplay(true);
}

void XTOverflowPopUpButton::setHidden(bool flag)
{
    if (flag != isHidden()) {
        if (flag)
            stopPulse();
        else if (animatingAlternateImage_)
            startPulse();
    }
    PopUpButton::setHidden(flag);
}

void XTOverflowPopUpButton::startPulse()
{
    stopPulse();
    animationValue_ = xtwPulseStep;
    // Pulses on while a menu or a drag tracks the mouse.
    pulseTimer_ = kit::Timer::timerWithTimeIntervalTargetSelectorUserInfoRepeats(xtwPulseTick, this, &XTOverflowPopUpButton::animateStep, {}, true);
    kit::RunLoop::main().addTimerForMode(pulseTimer_, kit::DefaultRunLoopMode);
    kit::RunLoop::main().addTimerForMode(pulseTimer_, kit::EventTrackingRunLoopMode);
}

void XTOverflowPopUpButton::stopPulse()
{
    if (pulseTimer_)
        pulseTimer_->invalidate();
    pulseTimer_ = nullptr;
}

void XTOverflowPopUpButton::animateStep(kit::Timer*)
{
    animationValue_ += xtwPulseStep;
    if (animationValue_ >= 1.0)
        animationValue_ = xtwPulseStep;
    setNeedsDisplay(true);
}

void XTOverflowPopUpButton::encodeWithCoder(kit::Coder& coder) const
{
    PopUpButton::encodeWithCoder(coder);
    if (image_)
        coder.encodeObjectForKey(kit::Value(kit::Ref<kit::Object>(image_)), QStringLiteral("XTTabBarOverflowPopUpImage"));
    if (pressedImage_)
        coder.encodeObjectForKey(kit::Value(kit::Ref<kit::Object>(pressedImage_)), QStringLiteral("XTTabBarOverflowDownPopUpImage"));
    coder.encodeBoolForKey(animatingAlternateImage_, QStringLiteral("XTTabBarOverflowAnimatingAlternateImage"));
}

void XTOverflowPopUpButton::initWithCoder(kit::Coder& coder)
{
    PopUpButton::initWithCoder(coder);
    if (const auto image = coder.decodeObjectForKey(QStringLiteral("XTTabBarOverflowPopUpImage")).objectAs<kit::Image>())
        image_ = image;
    if (const auto image = coder.decodeObjectForKey(QStringLiteral("XTTabBarOverflowDownPopUpImage")).objectAs<kit::Image>())
        pressedImage_ = image;
    setAnimatingAlternateImage(coder.decodeBoolForKey(QStringLiteral("XTTabBarOverflowAnimatingAlternateImage")));
}
