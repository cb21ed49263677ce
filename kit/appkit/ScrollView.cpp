#include "kit/appkit/ScrollView.h"

#include "kit/appkit/Event.h"

#include <algorithm>

namespace kit {

ScrollView::ScrollView()
    : ScrollView(MakeRect(0, 0, 100, 100))
{ }

ScrollView::ScrollView(Rect frame)
    : View(frame)
    , clip_(make<ClipView>(MakeRect(0, 0, frame.width(), frame.height())))
    , vertical_(make<Scroller>(MakeRect(0, 0, Scroller::scrollerWidth(), 100)))
    , horizontal_(make<Scroller>(MakeRect(0, 0, 100, Scroller::scrollerWidth())))
{
    for (Scroller* s : { vertical_.get(), horizontal_.get() }) {
        s->setTarget(this);
        s->setAction(Selector("scrollerAction"));
    }
    addSubview(clip_.get());
    tile();
}

void ScrollView::setContentView(ClipView* clip)
{
    if (!clip || clip == clip_.get())
        return;
    const Ref<View> document = clip_->documentView();
    clip_->removeFromSuperview();
    clip_ = clip;
    addSubviewPositionedRelativeTo(clip, WindowBelow, nullptr);
    if (document && !clip->documentView())
        clip->setDocumentView(document.get());
    tile();
}

void ScrollView::setHasVerticalScroller(bool flag)
{
    hasVertical_ = flag;
    tile();
}

void ScrollView::setHasHorizontalScroller(bool flag)
{
    hasHorizontal_ = flag;
    tile();
}

void ScrollView::setAutohidesScrollers(bool flag)
{
    autohides_ = flag;
    tile();
}

void ScrollView::setFrameSize(Size size)
{
    View::setFrameSize(size);
    tile();
}

void ScrollView::tile()
{
    if (tiling_)
        return;
    tiling_ = true;
    const Rect b = bounds();
    const double w = Scroller::scrollerWidth();
    const Rect doc = clip_->documentRect();
    // Showing one scroller narrows the room for the other: settle both directions.
    bool showV = hasVertical_, showH = hasHorizontal_;
    if (autohides_) {
        showV = showH = false;
        for (int pass = 0; pass < 2; ++pass) {
            showV = hasVertical_ && doc.height() > b.height() - (showH ? w : 0);
            showH = hasHorizontal_ && doc.width() > b.width() - (showV ? w : 0);
        }
    }
    const double clipWidth = std::max(0.0, b.width() - (showV ? w : 0));
    const double clipHeight = std::max(0.0, b.height() - (showH ? w : 0));
    // Scrollers sit right and bottom; in an unflipped scroll view the bottom is minY.
    const double clipY = isFlipped() ? b.minY() : b.minY() + (showH ? w : 0);
    clip_->setFrame(MakeRect(b.minX(), clipY, clipWidth, clipHeight));
    if (showV) {
        vertical_->setFrame(MakeRect(b.minX() + clipWidth, clipY, w, clipHeight));
        if (vertical_->superview().get() != this)
            addSubview(vertical_.get());
    } else if (vertical_->superview()) {
        vertical_->removeFromSuperview();
    }
    if (showH) {
        horizontal_->setFrame(MakeRect(b.minX(), isFlipped() ? b.minY() + clipHeight : b.minY(), clipWidth, w));
        if (horizontal_->superview().get() != this)
            addSubview(horizontal_.get());
    } else if (horizontal_->superview()) {
        horizontal_->removeFromSuperview();
    }
    tiling_ = false;
    reflectScrolledClipView(clip_.get());
}

void ScrollView::reflectScrolledClipView(ClipView* clip)
{
    if (clip != clip_.get())
        return;
    const Rect doc = clip_->documentRect();
    const Rect visible = clip_->bounds();
    // Tiling again when the document changed size keeps autohidden scrollers right at once.
    if (autohides_ && !tiling_) {
        const double w = Scroller::scrollerWidth();
        const bool wantV = hasVertical_ && doc.height() > bounds().height() - (horizontal_->superview() ? w : 0);
        const bool wantH = hasHorizontal_ && doc.width() > bounds().width() - (vertical_->superview() ? w : 0);
        if (wantV != bool(vertical_->superview()) || wantH != bool(horizontal_->superview())) {
            tile();
            return;
        }
    }
    const double spanY = doc.height() - visible.height();
    const double spanX = doc.width() - visible.width();
    vertical_->setKnobProportion(doc.height() > 0 ? visible.height() / doc.height() : 1);
    horizontal_->setKnobProportion(doc.width() > 0 ? visible.width() / doc.width() : 1);
    // Value 0 is the top: minY in a flipped document, maxY otherwise.
    double v = spanY > 0 ? (visible.minY() - doc.minY()) / spanY : 0;
    if (!clip_->isFlipped())
        v = 1 - v;
    vertical_->setFloatValue(spanY > 0 ? v : 0);
    horizontal_->setFloatValue(spanX > 0 ? (visible.minX() - doc.minX()) / spanX : 0);
    vertical_->setEnabled(spanY > 0);
    horizontal_->setEnabled(spanX > 0);
}

void ScrollView::scrollBy(Scroller& scroller, bool vertical)
{
    const Rect doc = clip_->documentRect();
    const Rect visible = clip_->bounds();
    Point origin = visible.origin;
    const double line = vertical ? verticalLine_ : horizontalLine_;
    const double page = (vertical ? visible.height() - verticalPage_ : visible.width() - horizontalPage_);
    double delta = 0;
    switch (scroller.hitPart()) {
    case ScrollerDecrementLine:
        delta = -line;
        break;
    case ScrollerIncrementLine:
        delta = line;
        break;
    case ScrollerDecrementPage:
        delta = -page;
        break;
    case ScrollerIncrementPage:
        delta = page;
        break;
    case ScrollerKnob: {
        const double value = scroller.floatValue();
        if (vertical) {
            const double span = doc.height() - visible.height();
            origin.y = doc.minY() + (clip_->isFlipped() ? value : 1 - value) * span;
        } else {
            origin.x = doc.minX() + value * (doc.width() - visible.width());
        }
        clip_->scrollToPoint(origin);
        return;
    }
    default:
        return;
    }
    // Down the document is +y when flipped, -y otherwise.
    if (vertical)
        origin.y += clip_->isFlipped() ? delta : -delta;
    else
        origin.x += delta;
    clip_->scrollToPoint(origin);
}

void ScrollView::scrollerAction(Object* sender)
{
    if (sender == vertical_.get())
        scrollBy(*vertical_, true);
    else if (sender == horizontal_.get())
        scrollBy(*horizontal_, false);
}

void ScrollView::scrollWheel(const Event& event)
{
    // deltaY > 0 scrolls up, deltaX > 0 scrolls left.
    Point origin = clip_->bounds().origin;
    const double dy = event.deltaY() * verticalLine_;
    origin.y += clip_->isFlipped() ? -dy : dy;
    origin.x -= event.deltaX() * horizontalLine_;
    clip_->scrollToPoint(origin);
}

KIT_REGISTER_CLASS(ScrollView, View) { c.action("scrollerAction", &ScrollView::scrollerAction); }

} // namespace kit
