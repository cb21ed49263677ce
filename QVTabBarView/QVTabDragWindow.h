#pragma once

// The borderless windows that follow the pointer while a tab is dragged out of its bar: one shows
// the tab's image, another the torn-off contents. A window can cross-fade and resize between its
// image and an alternate one (a miniature of the window the tab came from).

#include "kit/appkit/Animation.h"
#include "kit/appkit/View.h"
#include "kit/appkit/Window.h"
#include "kit/foundation/Timer.h"
#include "kit/graphics/Image.h"

class QVTabDragView : public kit::View {
    KIT_CLASS(QVTabDragView)
public:
    explicit QVTabDragView(kit::Rect frame = {});

    kit::Ref<kit::Image> image() const { return image_; }
    void setImage(kit::Ref<kit::Image> image) { image_ = std::move(image); }
    kit::Ref<kit::Image> alternateImage() const { return alternate_; }
    void setAlternateImage(kit::Ref<kit::Image> image) { alternate_ = std::move(image); }
    double fadeValue() const { return alpha_; }
    // Stored only: the window's frame change redraws.
    void setFadeValue(double value) { alpha_ = value; }

    // kit::View:
    void drawRect(kit::Rect dirtyRect) override;

private:
    kit::Ref<kit::Image> image_;
    kit::Ref<kit::Image> alternate_;
    double alpha_ = 1.0;
};

class QVTabDragWindow : public kit::Window {
    KIT_CLASS(QVTabDragWindow)
public:
    QVTabDragWindow(kit::Ref<kit::Image> image = nullptr, unsigned styleMask = kit::BorderlessWindowMask);
    static kit::Ref<QVTabDragWindow> dragWindowWithImageStyleMask(kit::Ref<kit::Image> image, unsigned styleMask);
    kit::Ref<QVTabDragView> dragView() const { return dragView_; }

private:
    kit::Ref<QVTabDragView> dragView_;
};

class QVTabDragWindowController : public kit::Object {
    KIT_CLASS(QVTabDragWindowController)
public:
    QVTabDragWindowController() = default;
    QVTabDragWindowController(kit::Ref<kit::Image> image, unsigned styleMask, std::uint64_t tearOffStyle);
    ~QVTabDragWindowController() override;

    kit::Ref<QVTabDragWindow> window() const { return window_; }
    kit::Ref<kit::Image> image() const { return view_ ? view_->image() : nullptr; }
    kit::Ref<kit::Image> alternateImage() const { return view_ ? view_->alternateImage() : nullptr; }
    void setAlternateImage(kit::Ref<kit::Image> image);
    bool isAnimating() const { return animation_ != nullptr; }
    bool showingAlternate() const { return showingAlternate_; }
    // Style 1 only, with an alternate image: cross-fades and resizes to the other image, centred
    // on the pointer, over 0.25 s; a switch back while one runs continues from where it is.
    void switchImages();
    void animateTimer();

private:
    std::uint64_t tearOffStyle_ = 0;
    kit::Ref<QVTabDragWindow> window_;
    kit::Ref<QVTabDragView> view_;
    kit::Ref<kit::Animation> animation_;
    kit::Ref<kit::Timer> timer_;
    bool showingAlternate_ = false;
    kit::Rect originalWindowFrame_;
};
