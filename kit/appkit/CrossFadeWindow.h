#pragma once

// A see-through window following the pointer that shows an image and can cross-fade to an
// alternate one, resizing about the pointer as it goes: the dragged tab turning into the picture
// of the window it would become. The tab bars derive their own named classes from these.

#include "kit/appkit/Animation.h"
#include "kit/appkit/View.h"
#include "kit/appkit/Window.h"
#include "kit/foundation/RunLoop.h"
#include "kit/foundation/Timer.h"
#include "kit/graphics/Image.h"

#include <utility>
#include <vector>

namespace kit {

// Draws its image at the fade value and the alternate image over it at the rest.
class CrossFadeImageView : public View {
    KIT_CLASS(CrossFadeImageView)
public:
    explicit CrossFadeImageView(Rect frame = {});

    Ref<Image> image() const { return image_; }
    void setImage(Ref<Image> image) { image_ = std::move(image); }
    Ref<Image> alternateImage() const { return alternateImage_; }
    void setAlternateImage(Ref<Image> image) { alternateImage_ = std::move(image); }
    double fadeValue() const { return fade_; }
    // Stored only: the window's frame change redraws.
    void setFadeValue(double value) { fade_ = value; }

    void drawRect(Rect dirtyRect) override;

protected:
    // The image's and the alternate's fractions; each keeps 0.001 so neither vanishes at the ends.
    virtual std::pair<double, double> fractionsForFade(double fade) const;

private:
    Ref<Image> image_;
    Ref<Image> alternateImage_;
    double fade_ = 1.0;
};

// Of the image's size (1 × 1 without one), at the status level, not opaque, never taking the mouse.
class CrossFadeImageWindow : public Window {
    KIT_CLASS(CrossFadeImageWindow)
public:
    // `view` (a plain CrossFadeImageView when null) becomes the content view, showing `image`.
    explicit CrossFadeImageWindow(Ref<Image> image = nullptr, unsigned styleMask = BorderlessWindowMask,
        Ref<CrossFadeImageView> view = nullptr);
    Ref<CrossFadeImageView> imageView() const { return imageView_; }

private:
    Ref<CrossFadeImageView> imageView_;
};

// How often a switch redraws, and in which run loop modes.
struct CrossFadeTimerSchedule {
    double interval = 1.0 / 30.0;
    std::vector<RunLoopMode> modes { DefaultRunLoopMode };
};

// Shows its window at alpha 0.75. A switching controller (clear background and shadow) with an
// alternate image swaps the two over 0.25 s, easing in and out, the window centred on the pointer;
// a switch while one runs turns back from where it is.
class CrossFadeWindowController : public Object {
    KIT_CLASS(CrossFadeWindowController)
public:
    CrossFadeWindowController() = default;
    CrossFadeWindowController(Ref<CrossFadeImageWindow> window, bool switchesImages, CrossFadeTimerSchedule schedule = {});
    ~CrossFadeWindowController() override;

    Ref<Image> image() const { return view_ ? view_->image() : nullptr; }
    Ref<Image> alternateImage() const { return view_ ? view_->alternateImage() : nullptr; }
    void setAlternateImage(Ref<Image> image);
    bool isAnimating() const { return animation_ != nullptr; }
    bool showingAlternate() const { return showingAlternate_; }
    void switchImages();
    void animateTimer();

protected:
    Ref<CrossFadeImageWindow> crossFadeWindow() const { return window_; }
    // The window's frame when the running switch began.
    Rect originalWindowFrame() const { return originalWindowFrame_; }
    // The window's size at the switch's eased value `value`, its view at `fade`: by default between
    // the image's size and the alternate's by the fade, so a reversal never jumps.
    virtual Size windowSizeAt(double value, double fade) const;

private:
    bool switchesImages_ = false;
    CrossFadeTimerSchedule schedule_;
    Ref<CrossFadeImageWindow> window_;
    Ref<CrossFadeImageView> view_;
    Ref<Animation> animation_;
    Ref<Timer> timer_;
    bool showingAlternate_ = false;
    Rect originalWindowFrame_ {};
};

} // namespace kit
