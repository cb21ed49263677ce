#pragma once

// The borderless windows that follow the pointer while a tab is dragged out of its bar: one shows
// the tab's image, another the torn-off contents. A window can cross-fade and resize between its
// image and an alternate one (a miniature of the window the tab came from).

#include "kit/appkit/CrossFadeWindow.h"

#include <cstdint>

class QVTabDragView : public kit::CrossFadeImageView {
    KIT_CLASS(QVTabDragView)
public:
    explicit QVTabDragView(kit::Rect frame = {});
};

// Keeps its style mask; the frame is the client area either way.
class QVTabDragWindow : public kit::CrossFadeImageWindow {
    KIT_CLASS(QVTabDragWindow)
public:
    QVTabDragWindow(kit::Ref<kit::Image> image = nullptr, unsigned styleMask = kit::BorderlessWindowMask);
    static kit::Ref<QVTabDragWindow> dragWindowWithImageStyleMask(kit::Ref<kit::Image> image, unsigned styleMask);
    kit::Ref<QVTabDragView> dragView() const { return kit::static_pointer_cast<QVTabDragView>(imageView()); }
};

// Switches between the image sizes by the fade, so a reversal continues from where it is.
class QVTabDragWindowController : public kit::CrossFadeWindowController {
    KIT_CLASS(QVTabDragWindowController)
public:
    QVTabDragWindowController() = default;
    // Style 1 switches images.
    QVTabDragWindowController(kit::Ref<kit::Image> image, unsigned styleMask, std::uint64_t tearOffStyle);

    kit::Ref<QVTabDragWindow> window() const { return kit::static_pointer_cast<QVTabDragWindow>(crossFadeWindow()); }
};
