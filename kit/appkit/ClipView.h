#pragma once

// The view a scroll view looks through: its only subview is the document view, and its bounds
// origin is the scroll position. It takes the document view's flip, keeps the scroll position
// inside the document, scrolls toward the pointer when asked to autoscroll, and animates
// scrollRectToVisible inside a group that allows implicit animation.

#include "kit/appkit/View.h"

namespace kit {

class ClipView : public View {
    KIT_CLASS(ClipView)

    ClipView() = default;
    explicit ClipView(Rect frame)
        : View(frame)
    { }

    // kit::Coding (ScrollViewCoding.cpp): the view part, the document view and drawsBackground.
    void encodeWithCoder(Coder& coder) const override;
    void initWithCoder(Coder& coder) override;

    Ref<View> documentView() const { return documentView_; }
    void setDocumentView(View* view);
    // The part of the document shown, in the document view's coordinates.
    Rect documentVisibleRect() const;
    Rect documentRect() const;

    // Moves the bounds origin to `point` after constraining it; tells the enclosing scroll view.
    // A direct scroll stops an animated one where it stands.
    virtual void scrollToPoint(Point point);
    virtual Point constrainScrollPoint(Point proposed) const;
    bool drawsBackground() const { return drawsBackground_; }
    void setDrawsBackground(bool flag) { drawsBackground_ = flag; }

    // kit::View:
    bool isFlipped() const override;
    bool isOpaque() const override { return drawsBackground_; }
    // The background, except where an opaque document view covers whole pixels: that view paints
    // those itself, and a keystroke in a text view fills its line once, not twice.
    void drawRect(Rect dirty) override;
    // Outside the visible rect, scrolls toward the pointer by the overshoot; YES when it moved.
    bool autoscroll(const Event& event) override;
    // `rect` in this view's coordinates: the smallest move that shows it (leading and top edges
    // when it is too big); YES when it moves. In an animation group that allows implicit
    // animation the move runs through the animator, measured from where a running one is heading;
    // otherwise it stops a running one and scrolls at once.
    bool scrollRectToVisible(Rect rect) override;
    void setFrameSize(Size size) override;
    // Constrained, like every scroll; tells the enclosing scroll view.
    void setBoundsOrigin(Point origin) override;

    // Whether `r` maps to whole device pixels under `toDevice`.
    static bool liesOnWholePixels(Rect r, const QTransform& toDevice);

protected:
    void subviewFrameDidChange(View* view) override;
    // The background colour over `dirty` except inside `covered`.
    static void fillBackgroundAround(QPainter& painter, Rect dirty, Rect covered);

private:
    void reflect();
    // Keeps the position inside the document without stopping an animated scroll.
    void constrainInPlace();

    Ref<View> documentView_;
    bool drawsBackground_ = true;
};

} // namespace kit
