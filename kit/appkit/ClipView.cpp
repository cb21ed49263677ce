#include "kit/appkit/ClipView.h"

#include "kit/appkit/AnimationContext.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/ScrollView.h"

#include <QApplication>
#include <QPainter>
#include <QPalette>

#include <algorithm>
#include <cmath>

namespace kit {

void ClipView::setDocumentView(View* view)
{
    if (documentView_.get() == view)
        return;
    if (documentView_)
        documentView_->removeFromSuperview();
    documentView_ = view;
    if (view) {
        addSubview(view);
        setBoundsOrigin(view->frame().origin);
    }
    reflect();
}

bool ClipView::isFlipped() const { return documentView_ && documentView_->isFlipped(); }

Rect ClipView::documentRect() const { return documentView_ ? documentView_->frame() : ZeroRect; }

Rect ClipView::documentVisibleRect() const
{
    if (!documentView_)
        return ZeroRect;
    return convertRectToView(bounds(), documentView_.get());
}

Point ClipView::constrainScrollPoint(Point p) const
{
    const Rect doc = documentRect();
    const Size visible = bounds().size;
    p.x = std::clamp(p.x, doc.minX(), std::max(doc.minX(), doc.maxX() - visible.width));
    p.y = std::clamp(p.y, doc.minY(), std::max(doc.minY(), doc.maxY() - visible.height));
    return p;
}

void ClipView::scrollToPoint(Point point) { setBoundsOrigin(point); }

void ClipView::setBoundsOrigin(Point origin)
{
    CancelAnimatedBoundsOrigin(this);
    const Point constrained = constrainScrollPoint(origin);
    if (constrained == bounds().origin)
        return;
    View::setBoundsOrigin(constrained);
    reflect();
}

void ClipView::constrainInPlace()
{
    View::setBoundsOrigin(constrainScrollPoint(bounds().origin));
    reflect();
}

void ClipView::reflect()
{
    if (const Ref<ScrollView> scroll = dynamic_pointer_cast<ScrollView>(superview()))
        scroll->reflectScrolledClipView(this);
}

bool ClipView::liesOnWholePixels(Rect r, const QTransform& toDevice)
{
    const QRectF device = toDevice.mapRect(QRectF(r.minX(), r.minY(), r.width(), r.height()));
    const auto whole = [](double v) { return v == std::floor(v); };
    return toDevice.type() <= QTransform::TxScale && whole(device.left()) && whole(device.top()) && whole(device.right())
        && whole(device.bottom());
}

void ClipView::fillBackgroundAround(QPainter& painter, Rect dirty, Rect covered)
{
    const QColor base = QApplication::palette().color(QPalette::Base);
    const auto fill = [&](double x, double y, double w, double h) {
        if (w > 0 && h > 0)
            painter.fillRect(QRectF(x, y, w, h), base);
    };
    if (IsEmptyRect(covered)) {
        fill(dirty.minX(), dirty.minY(), dirty.width(), dirty.height());
        return;
    }
    fill(dirty.minX(), dirty.minY(), dirty.width(), covered.minY() - dirty.minY());
    fill(dirty.minX(), covered.maxY(), dirty.width(), dirty.maxY() - covered.maxY());
    fill(dirty.minX(), covered.minY(), covered.minX() - dirty.minX(), covered.height());
    fill(covered.maxX(), covered.minY(), dirty.maxX() - covered.maxX(), covered.height());
}

void ClipView::drawRect(Rect dirty)
{
    QPainter* painter = drawsBackground_ ? currentPainter() : nullptr;
    if (!painter)
        return;
    // Partly covered pixels at the document's edges are filled here too: they blend with what is
    // under them.
    Rect covered;
    if (documentView_ && !documentView_->isHidden() && documentView_->isOpaque()) {
        covered = IntersectionRect(documentView_->frame(), dirty);
        if (!liesOnWholePixels(covered, painter->worldTransform()))
            covered = {};
    }
    fillBackgroundAround(*painter, dirty, covered);
}

bool ClipView::autoscroll(const Event& event)
{
    const Point p = convertPointFromView(event.locationInWindow(), nullptr);
    const Rect visible = bounds();
    double dx = 0, dy = 0;
    if (p.x < visible.minX())
        dx = p.x - visible.minX();
    else if (p.x > visible.maxX())
        dx = p.x - visible.maxX();
    if (p.y < visible.minY())
        dy = p.y - visible.minY();
    else if (p.y > visible.maxY())
        dy = p.y - visible.maxY();
    if (dx == 0 && dy == 0)
        return false;
    const Point before = bounds().origin;
    scrollToPoint(MakePoint(before.x + dx, before.y + dy));
    return !(bounds().origin == before);
}

bool ClipView::scrollRectToVisible(Rect rect)
{
    // Animated, the move is measured from where a running animation is heading; a direct one
    // stops it where it stands first.
    const bool animates = AnimationContext::currentContext().allowsImplicitAnimation();
    if (!animates)
        CancelAnimatedBoundsOrigin(this);
    const Point start = animates ? AnimatedBoundsOriginTarget(this).value_or(bounds().origin) : bounds().origin;
    const Rect visible { start, bounds().size };
    Point origin = start;
    if (rect.width() > visible.width() || rect.minX() < visible.minX())
        origin.x = rect.minX();
    else if (rect.maxX() > visible.maxX())
        origin.x = rect.maxX() - visible.width();
    // Too tall: show the top edge, which is minY when flipped and maxY when not.
    if (rect.height() > visible.height())
        origin.y = isFlipped() ? rect.minY() : rect.maxY() - visible.height();
    else if (rect.minY() < visible.minY())
        origin.y = rect.minY();
    else if (rect.maxY() > visible.maxY())
        origin.y = rect.maxY() - visible.height();
    origin = constrainScrollPoint(origin);
    if (origin == start)
        return false;
    if (animates)
        animator().setBoundsOrigin(origin);
    else
        setBoundsOrigin(origin);
    return true;
}

void ClipView::setFrameSize(Size size)
{
    View::setFrameSize(size);
    constrainInPlace();
}

void ClipView::subviewFrameDidChange(View* view)
{
    if (view != documentView_.get())
        return;
    constrainInPlace();
}

KIT_REGISTER_CLASS(ClipView, View) { }

} // namespace kit
