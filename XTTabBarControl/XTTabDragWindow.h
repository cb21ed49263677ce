#pragma once

// The small windows of a tab drag: the dragged tab following the pointer, the picture of the
// window it would become, and the overlay that grows a torn-off window out of the pointer. All are
// borderless, at the status level, see-through and never take the mouse, so the drag finds the
// bars beneath them.

#include "kit/appkit/Animation.h"
#include "kit/appkit/CrossFadeWindow.h"
#include "kit/foundation/Timer.h"
#include "kit/graphics/Image.h"

#include <utility>

// Its fractions are worked out in single precision.
class XTTabDragView : public kit::CrossFadeImageView {
    KIT_CLASS(XTTabDragView)
public:
    explicit XTTabDragView(kit::Rect frame = {});

protected:
    std::pair<double, double> fractionsForFade(double fade) const override;
};

class XTTabDragWindow : public kit::CrossFadeImageWindow {
    KIT_CLASS(XTTabDragWindow)
public:
    // Of the image's size (1 × 1 without one), and borderless whatever the mask, on a clear
    // background: the picture of a titled window already shows its title bar, and the kit's
    // frames hold none, so no height is added.
    explicit XTTabDragWindow(kit::Ref<kit::Image> image = nullptr, unsigned styleMask = kit::BorderlessWindowMask);
    static kit::Ref<XTTabDragWindow> dragWindowWithImageStyleMask(kit::Ref<kit::Image> image, unsigned styleMask);
    kit::Ref<XTTabDragView> dragView() const { return kit::static_pointer_cast<XTTabDragView>(imageView()); }
};

// A switch grows from the window's frame when it began to the other image's size, its timer
// running while the pointer is held too.
class XTTabDragWindowController : public kit::CrossFadeWindowController {
    KIT_CLASS(XTTabDragWindowController)
public:
    XTTabDragWindowController() = default;
    // Tear-off style 1 switches images.
    XTTabDragWindowController(kit::Ref<kit::Image> image, unsigned styleMask, int tearOffStyle);

    kit::Ref<XTTabDragWindow> window() const { return kit::static_pointer_cast<XTTabDragWindow>(crossFadeWindow()); }
    using kit::CrossFadeWindowController::animateTimer;
    void animateTimer(kit::Timer*) { animateTimer(); }

protected:
    kit::Size windowSizeAt(double value, double fade) const override;
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
