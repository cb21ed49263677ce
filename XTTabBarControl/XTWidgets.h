#pragma once

// The two buttons of the tab bar: the add-tab button, which shows a third image while the
// pointer rests on it, and the pull-down of the tabs that do not fit, which can pulse a second
// image to draw the eye.

#include "kit/controls/Button.h"
#include "kit/controls/PopUpButton.h"
#include "kit/foundation/NibLoader.h"
#include "kit/graphics/Image.h"

namespace kit {
class Notification;
class Timer;
} // namespace kit

class XTRolloverButton : public kit::Button, public kit::NibAwaking {
    KIT_CLASS(XTRolloverButton)
public:
    explicit XTRolloverButton(kit::Rect frame = {});
    ~XTRolloverButton() override;
    kit::Ref<kit::Image> usualImage() const { return usualImage_; }
    // Stored and shown.
    void setUsualImage(kit::Ref<kit::Image> image);
    kit::Ref<kit::Image> rolloverImage() const { return rolloverImage_; }
    void setRolloverImage(kit::Ref<kit::Image> image) { rolloverImage_ = std::move(image); }
    // The pointer came in or left without an event of its own (a resting pointer after layout).
    void rolloverEntered();
    void rolloverExited();
    // The tag of the rectangle tracked over the bounds; -1 when none.
    std::int64_t rolloverTrackingTag() const { return trackingTag_; }

    // A new rectangle over the bounds, and the image the pointer's place asks for at once.
    void resetCursorRects() override;
    void rolloverFrameDidChange(kit::Notification* notification);

    // kit::NibAwaking: follows its own frame from now on.
    void awakeFromNib() override;

    // kit::Coding: the two images; the tracking tag belongs to the process that made it.
    void encodeWithCoder(kit::Coder& coder) const override;
    void initWithCoder(kit::Coder& coder) override;

    // kit::View / kit::Button
    void mouseEntered(const kit::Event& event) override;
    void mouseExited(const kit::Event& event) override;
    void viewWillMoveToSuperview(kit::View* superview) override;
    void viewWillMoveToWindow(kit::Window* window) override;
    void viewDidMoveToSuperview() override;
    void viewDidMoveToWindow() override;
    void setFrameOrigin(kit::Point origin) override;
    void setFrameSize(kit::Size size) override;
    void setBoundsOrigin(kit::Point origin) override;
    void setBoundsSize(kit::Size size) override;

private:
    void addRolloverTrackingRect();
    void removeRolloverTrackingRect();

    kit::Ref<kit::Image> usualImage_;
    kit::Ref<kit::Image> rolloverImage_;
    std::int64_t trackingTag_ = -1;
};

class XTOverflowPopUpButton : public kit::PopUpButton {
    KIT_CLASS(XTOverflowPopUpButton)
public:
    // Always a pull-down, whatever `pullsDown` says.
    explicit XTOverflowPopUpButton(kit::Rect frame = {}, bool pullsDown = true);
    ~XTOverflowPopUpButton() override;

    // The button's image: the pressed one exactly while its menu shows.
    kit::Ref<kit::Image> currentImage() const { return down_ ? pressedImage_ : image_; }
    bool isMenuDown() const { return down_; }

    // The alternate image pulses over the usual one, on a 1/15-second timer that runs only while
    // the button shows.
    bool animatingAlternateImage() const { return animatingAlternateImage_; }
    void setAnimatingAlternateImage(bool flag);
    void animateStep(kit::Timer* timer);
    // The pulse phase, in (0, 1).
    double animationValue() const { return animationValue_; }
    kit::Ref<kit::Timer> pulseTimer() const { return pulseTimer_; }

    void drawRect(kit::Rect rect) override;
    void mouseDown(const kit::Event& event) override;
    void setHidden(bool flag) override;
    void menuDidEndTracking(kit::Notification* notification);

    // kit::Coding: the two images and the pulse flag.
    void encodeWithCoder(kit::Coder& coder) const override;
    void initWithCoder(kit::Coder& coder) override;

private:
    void startPulse();
    void stopPulse();

    kit::Ref<kit::Image> image_;
    kit::Ref<kit::Image> pressedImage_;
    bool down_ = false;
    bool animatingAlternateImage_ = false;
    kit::Ref<kit::Timer> pulseTimer_;
    double animationValue_ = 0;
};
