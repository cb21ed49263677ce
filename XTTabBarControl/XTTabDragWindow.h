#pragma once

// The small windows of a tab drag: the dragged tab following the pointer, the picture of the
// window it would become, and the overlay that grows a torn-off window out of the pointer. All are
// borderless, at the status level, see-through and never take the mouse, so the drag finds the
// bars beneath them.

#include "kit/appkit/Animation.h"
#include "kit/appkit/View.h"
#include "kit/appkit/Window.h"
#include "kit/foundation/Timer.h"
#include "kit/graphics/Image.h"

// Draws its image faded by the fade value and the alternate image over it by the rest.
class XTTabDragView : public kit::View {
    KIT_CLASS(XTTabDragView)
public:
    explicit XTTabDragView(kit::Rect frame = {});

    kit::Ref<kit::Image> image() const { return image_; }
    void setImage(kit::Ref<kit::Image> image) { image_ = std::move(image); }
    kit::Ref<kit::Image> alternateImage() const { return alternateImage_; }
    void setAlternateImage(kit::Ref<kit::Image> image) { alternateImage_ = std::move(image); }
    double fadeValue() const { return alpha_; }
    void setFadeValue(double value) { alpha_ = value; }

    void drawRect(kit::Rect rect) override;

private:
    kit::Ref<kit::Image> image_;
    kit::Ref<kit::Image> alternateImage_;
    double alpha_ = 1.0;
};

class XTTabDragWindow : public kit::Window {
    KIT_CLASS(XTTabDragWindow)
public:
    // Of the image's size (1 × 1 without one), and borderless whatever the mask: the picture of a
    // titled window already shows its title bar, and the kit's frames hold none, so no height is added.
    explicit XTTabDragWindow(kit::Ref<kit::Image> image = nullptr, unsigned styleMask = kit::BorderlessWindowMask);
    static kit::Ref<XTTabDragWindow> dragWindowWithImageStyleMask(kit::Ref<kit::Image> image, unsigned styleMask);
    kit::Ref<XTTabDragView> dragView() const { return dragView_; }

private:
    kit::Ref<XTTabDragView> dragView_;
};

class XTTabDragWindowController : public kit::Object {
    KIT_CLASS(XTTabDragWindowController)
public:
    XTTabDragWindowController() = default;
    // At alpha 0.75; tear-off style 1 adds a clear background and a shadow.
    XTTabDragWindowController(kit::Ref<kit::Image> image, unsigned styleMask, int tearOffStyle);
    ~XTTabDragWindowController() override;

    kit::Ref<XTTabDragWindow> window() const { return window_; }
    kit::Ref<kit::Image> image() const { return view_ ? view_->image() : nullptr; }
    kit::Ref<kit::Image> alternateImage() const { return view_ ? view_->alternateImage() : nullptr; }
    void setAlternateImage(kit::Ref<kit::Image> image);
    bool isAnimating() const { return animation_ != nullptr; }
    bool showingAlternate() const { return showingAlternate_; }
    // Tear-off style 1 with an alternate image only: over 0.25 s the window takes the other
    // image's size, centred on the pointer, cross-fading; a switch while one runs turns it back
    // from where it is.
    void switchImages();
    void animateTimer(kit::Timer* timer);

private:
    int tearOffStyle_ = 0;
    kit::Ref<XTTabDragWindow> window_;
    kit::Ref<XTTabDragView> view_;
    kit::Ref<kit::Animation> animation_;
    kit::Ref<kit::Timer> timer_;
    bool showingAlternate_ = false;
    kit::Rect originalWindowFrame_ {};
};

// A torn-off window growing out of the pointer. Scaling a live window's contents from a tenth
// and back loses their layout, so the real window waits at alpha 0 while an overlay shows its
// snapshot scaled by v about the centre at alpha v, v easing in from 0.1 over 0.25 s; at the
// end the overlay goes and the real window becomes key at alpha 1.
class XTTabWindowExpansion : public kit::Object {
    KIT_CLASS(XTTabWindowExpansion)
public:
    XTTabWindowExpansion() = default;
    ~XTTabWindowExpansion() override;

    // Centres `window` on `screenPoint` and starts the growth.
    void expandWindowAtPoint(kit::Window* window, kit::Point screenPoint);
    void tick(kit::Timer* timer);
    // Ends at once, the window shown.
    void finish();
    bool isRunning() const { return animation_ != nullptr; }
    kit::Ref<XTTabDragWindow> overlay() const { return overlay_; }
    kit::Ref<kit::Window> window() const { return window_; }

private:
    kit::Ref<kit::Window> window_;
    kit::Ref<XTTabDragWindow> overlay_;
    kit::Ref<kit::Animation> animation_;
    kit::Ref<kit::Timer> timer_;
};

// The window's current contents as an image of the window's size (null when it has none).
kit::Ref<kit::Image> XTWindowSnapshotImage(kit::Window* window);
