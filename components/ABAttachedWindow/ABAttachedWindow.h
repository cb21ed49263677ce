#pragma once

// A borderless, shadowed window that shows a client's view in a rounded bubble whose arrow points
// at a spot on the screen or in another window. It does not show itself: the client orders it
// in, typically as a child window of the window it points into, so it follows that window.

#include "components/ABAttachedWindow/ABAttachedWindowGeometry.h"
#include "kit/appkit/View.h"
#include "kit/appkit/Window.h"
#include "kit/controls/Menu.h"
#include "kit/graphics/Color.h"
#include "kit/graphics/Image.h"

class ABAttachedWindow : public kit::Window, public kit::MenuItemValidation {
    KIT_CLASS(ABAttachedWindow)

    // Null when `view` is null. `window` (not owned) gives the coordinates of `point`; without it
    // the point is on the screen. ABPositionAutomatic picks the side that fits, once.
    static kit::Ref<ABAttachedWindow> initWithViewAttachedToPointInWindowOnSideAtDistance(
        kit::View* view, kit::Point point, kit::Window* window, int side, double distance);
    static kit::Ref<ABAttachedWindow> initWithViewAttachedToPointInWindowAtDistance(
        kit::View* view, kit::Point point, kit::Window* window, double distance);
    static kit::Ref<ABAttachedWindow> initWithViewAttachedToPointOnSideAtDistance(kit::View* view, kit::Point point, int side, double distance);
    static kit::Ref<ABAttachedWindow> initWithViewAttachedToPointAtDistance(kit::View* view, kit::Point point, double distance);
    static kit::Ref<ABAttachedWindow> initWithViewAttachedToPointInWindow(kit::View* view, kit::Point point, kit::Window* window);
    static kit::Ref<ABAttachedWindow> initWithViewAttachedToPointOnSide(kit::View* view, kit::Point point, int side);
    static kit::Ref<ABAttachedWindow> initWithViewAttachedToPoint(kit::View* view, kit::Point point);

    ABAttachedWindow(kit::View* view, kit::Point point, kit::Window* window, int side, double distance);
    ~ABAttachedWindow() override;

    kit::Ref<kit::Color> windowBackgroundColor() const { return backgroundColor_; }
    // The bubble's fill (the window's own background is the bubble's pattern).
    void setBackgroundColor(kit::Color* color);
    kit::Ref<kit::Color> borderColor() const { return borderColor_; }
    void setBorderColor(kit::Color* color);
    // Fills the bubble with a pattern of `image`; null does nothing.
    void setBackgroundImage(kit::Image* image);
    double borderWidth() const { return borderWidth_; }
    // At most the view margin.
    void setBorderWidth(double width);
    double viewMargin() const { return viewMargin_; }
    void setViewMargin(double margin);
    double arrowBaseWidth() const { return arrowBaseWidth_; }
    void setArrowBaseWidth(double width);
    double arrowHeight() const { return arrowHeight_; }
    void setArrowHeight(double height);
    double cornerRadius() const { return cornerRadius_; }
    void setCornerRadius(double radius);
    // The flags read and write as floats: 0.0 or 1.0, and any value is truncated (0.5 is NO).
    float hasArrow() const { return hasArrow_ ? 1.0f : 0.0f; }
    void setHasArrow(float flag);
    float drawsRoundCornerBesideArrow() const { return drawsRoundCornerBesideArrow_ ? 1.0f : 0.0f; }
    void setDrawsRoundCornerBesideArrow(float flag);

    int side() const { return side_; }
    kit::Rect viewFrame() const { return viewFrame_; }
    // How many times the geometry was laid out (a nested redisplay adds none).
    int geometryPassCount() const { return geometryPasses_; }
    // The bubble as drawn into the window's background, window-sized.
    kit::Ref<kit::Image> backgroundColorPatternImage() const;

    // kit::Window:
    bool canBecomeMainWindow() const override { return false; }
    bool canBecomeKeyWindow() const override { return true; }
    bool isExcludedFromWindowsMenu() const { return true; }
    // Both go to the window the bubble points into, when there is one.
    void performClose(kit::Object* sender = nullptr) override;
    bool validateMenuItem(kit::MenuItem* item) override;

    void windowDidResize(kit::Notification* note);
    // Lays out and redraws; does nothing when called from within itself.
    void redisplay();

private:
    ABAttachedWindowGeometry::Metrics metrics() const;
    kit::Point attachmentPoint() const;
    kit::Rect screenVisibleFrame() const;
    int bestSideForAutomaticPosition() const;
    void updateGeometry();
    void updateBackground();
    // The outline filled and bordered, in the current context (window base coordinates).
    void drawBubble(const ABAttachedWindowGeometry::Metrics& m) const;

    kit::Ref<kit::Color> borderColor_;
    double borderWidth_ = 2.0;
    double viewMargin_ = 2.0;
    double arrowBaseWidth_ = 20.0;
    double arrowHeight_ = 16.0;
    bool hasArrow_ = true;
    double cornerRadius_ = 8.0;
    bool drawsRoundCornerBesideArrow_ = true;
    kit::Ref<kit::Color> backgroundColor_;
    kit::Weak<kit::View> view_;
    kit::Weak<kit::Window> window_;
    kit::Point point_;
    int side_ = ABPositionAutomatic;
    double distance_ = 0;
    kit::Rect viewFrame_;
    bool resizing_ = false;
    int geometryPasses_ = 0;
};
