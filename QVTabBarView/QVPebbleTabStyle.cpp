#include "QVTabBarView/QVPebbleTabStyle.h"

#include "QVTabBarView/QVAttachedTabBarButton.h"
#include "QVTabBarView/QVOverflowPopUpButton.h"
#include "QVTabBarView/QVTabBarButtonCell.h"
#include "QVTabBarView/QVTabBarView.h"
#include "QVTabBarView/QVTabBarViewExtensions.h"
#include "kit/graphics/BezierPath.h"
#include "kit/graphics/GraphicsContext.h"
#include "kit/graphics/Gradient.h"
#include "kit/graphics/Shadow.h"

#include <algorithm>
#include <cmath>

KIT_REGISTER_CLASS(QVPebbleTabStyle, QVTabStyle)
{
    c.bundle("QVTabBarView");
    c.optionalOperations({ "leftMarginForTabBarView", "rightMarginForTabBarView", "topMarginForTabBarView", "heightOfTabBarButtonsForTabBarView",
        "draggingRectForTabButtonOfTabBarView", "closeButtonImageOfTypeForTabCell", "drawingRectForBoundsOfTabCell",
        "closeButtonRectForBoundsOfTabCell", "iconRectForBoundsOfTabCell", "titleRectForBoundsOfTabCell", "indicatorRectForBoundsOfTabCell",
        "objectCounterRectForBoundsOfTabCell", "largeImageRectForBoundsOfTabCell", "drawBezelOfTabBarViewInRect",
        "drawBezelOfButtonAtIndexInButtonsIndexOfSelectedButtonTabBarViewInRect", "drawBezelOfTabCellWithFrameInView",
        "drawBezelOfOverflowButtonOfTabBarViewInRect", "drawIconOfTabCellWithFrameInView", "drawObjectCounterOfTabCellWithFrameInView",
        "drawCloseButtonOfTabCellWithFrameInView" });
}

namespace {

const std::array<QString, 6>& qvPebbleCloseKeys()
{
    static const std::array<QString, 6> keys { QStringLiteral("closeButton"), QStringLiteral("closeButtonOver"), QStringLiteral("closeButtonDown"),
        QStringLiteral("closeDirtyButton"), QStringLiteral("closeDirtyButtonOver"), QStringLiteral("closeDirtyButtonDown") };
    return keys;
}

bool qvPebblePresent(const kit::Rect& r) { return !kit::EqualRects(r, kit::ZeroRect); }

bool qvPebbleHorizontal(const QVTabBarButtonCell* cell)
{
    const kit::Ref<QVTabBarView> view = cell ? cell->tabBarView() : nullptr;
    return QVTabStyleSupport::isHorizontal(view.get());
}

// The style's edge shadow: white 0.65, blur 2, at `offset` (device space, y up).
void qvPebbleSetShadow(kit::Size offset)
{
    auto shadow = kit::make<kit::Shadow>();
    shadow->setShadowColor(kit::Color::colorWithCalibratedWhiteAlpha(0.65, 1.0));
    shadow->setShadowBlurRadius(2);
    shadow->setShadowOffset(offset);
    shadow->set();
}

void qvPebbleStrokeLine(kit::Point a, kit::Point b, double width)
{
    auto path = kit::BezierPath::bezierPath();
    path->moveToPoint(a);
    path->lineToPoint(b);
    path->setLineWidth(width);
    path->stroke();
}

void qvPebbleAntialiasOff()
{
    if (kit::GraphicsContext* context = kit::GraphicsContext::currentContext())
        context->setShouldAntialias(false);
}

} // namespace

QVPebbleTabStyle::QVPebbleTabStyle() { loadImages(); }

void QVPebbleTabStyle::loadImages()
{
    close_ = QVTabStyleSupport::aquaCloseImages();
    gradientImage_ = QVTabBarView::bundleImage(QStringLiteral("PebbleGradient"));
}

double QVPebbleTabStyle::leftMarginForTabBarView(QVTabBarView* view) { return QVTabStyleSupport::isHorizontal(view) ? 3 : 0; }
double QVPebbleTabStyle::rightMarginForTabBarView(QVTabBarView* view) { return QVTabStyleSupport::isHorizontal(view) ? 3 : 0; }
double QVPebbleTabStyle::topMarginForTabBarView(QVTabBarView* view) { return QVTabStyleSupport::isHorizontal(view) ? 0 : 10; }
double QVPebbleTabStyle::heightOfTabBarButtonsForTabBarView(QVTabBarView* view) { return QVTabStyleSupport::isHorizontal(view) ? 22 : 28; }

kit::Rect QVPebbleTabStyle::draggingRectForTabButtonOfTabBarView(QVAttachedTabBarButton* button, QVTabBarView* view)
{
    kit::Rect r = button ? button->stackingFrame() : kit::ZeroRect;
    if (button && QVTabStyleSupport::isHorizontal(view) && button->state() == kit::OnState) {
        r.size.width += 1;
        r.size.height -= 2;
    }
    return r;
}

kit::Ref<kit::Image> QVPebbleTabStyle::closeButtonImageOfTypeForTabCell(std::uint64_t type, QVTabBarButtonCell*)
{
    return QVTabStyleSupport::closeImageOfType(close_, type);
}

kit::Rect QVPebbleTabStyle::drawingRectForBoundsOfTabCell(kit::Rect bounds, QVTabBarButtonCell* cell)
{
    if (qvPebbleHorizontal(cell) && cell && cell->state() == kit::OnState) {
        kit::Rect r = kit::InsetRect(bounds, 4, 0);
        r.origin.y += 1;
        r.size.height -= 5;
        return r;
    }
    return kit::InsetRect(bounds, 4, 2);
}

kit::Rect QVPebbleTabStyle::closeButtonRectForBoundsOfTabCell(kit::Rect bounds, QVTabBarButtonCell* cell)
{
    if (!cell)
        return kit::ZeroRect;
    // Horizontal: where the icon is; vertical: left of the indicator, where the counter is.
    return QVTabStyleSupport::closeButtonRect(bounds, *cell, [&](kit::Rect d, kit::Size s) {
        if (qvPebbleHorizontal(cell))
            return d.origin.x;
        double w = d.size.width;
        if (const kit::Rect i = cell->indicatorRectForBounds(bounds); qvPebblePresent(i))
            w -= i.size.width + 4;
        return d.origin.x + w - s.width - 4;
    });
}

kit::Rect QVPebbleTabStyle::iconRectForBoundsOfTabCell(kit::Rect bounds, QVTabBarButtonCell* cell)
{
    return cell ? QVTabStyleSupport::leadingIconRect(bounds, *cell) : kit::ZeroRect;
}

kit::Rect QVPebbleTabStyle::titleRectForBoundsOfTabCell(kit::Rect bounds, QVTabBarButtonCell* cell)
{
    if (!cell)
        return kit::ZeroRect;
    const kit::Rect d = cell->drawingRectForBounds(bounds);
    double x = d.origin.x, w = d.size.width;
    if (const kit::Rect i = cell->indicatorRectForBounds(bounds); qvPebblePresent(i))
        w -= i.size.width + 4;
    if (const kit::Rect l = cell->largeImageRectForBounds(bounds); qvPebblePresent(l)) {
        x += l.size.width + 4;
        w -= l.size.width + 4;
    }
    const kit::Rect close = cell->closeButtonRectForBounds(bounds);
    if (!qvPebbleHorizontal(cell)) {
        if (cell->icon() && !cell->largeImage())
            if (const kit::Rect i = cell->iconRectForBounds(bounds); qvPebblePresent(i)) {
                x += i.size.width + 4;
                w -= i.size.width + 4;
            }
        const kit::Rect counter = cell->objectCounterRectForBounds(bounds);
        if (qvPebblePresent(close) || qvPebblePresent(counter))
            w -= std::max(close.size.width, counter.size.width) + 4;
    } else {
        const kit::Rect icon = cell->iconRectForBounds(bounds);
        if (qvPebblePresent(close) || qvPebblePresent(icon)) {
            const double shift = std::max(icon.size.width, close.size.width) + 4;
            x += shift;
            w -= shift;
        }
        if (const kit::Rect counter = cell->objectCounterRectForBounds(bounds); qvPebblePresent(counter))
            w -= counter.size.width + 4;
    }
    const kit::AttributedString s = cell->attributedStringValue();
    if (s.length() == 0)
        return kit::ZeroRect;
    const double h = cell->sizeOfTitle(s).height;
    return kit::IntegralRect(kit::MakeRect(x, d.origin.y + std::ceil((d.size.height - h) / 2), w, h));
}

kit::Rect QVPebbleTabStyle::indicatorRectForBoundsOfTabCell(kit::Rect bounds, QVTabBarButtonCell* cell)
{
    if (!cell || !cell->isProcessing())
        return kit::ZeroRect;
    const kit::Rect d = cell->drawingRectForBounds(bounds);
    return kit::IntegralRect(kit::MakeRect(d.maxX() - 16, d.origin.y + d.size.height / 2 - 8, 16, 16));
}

kit::Rect QVPebbleTabStyle::objectCounterRectForBoundsOfTabCell(kit::Rect bounds, QVTabBarButtonCell* cell)
{
    // The count, not showObjectCount: a hidden counter has no size, and the integral of an empty rectangle is zero.
    if (!cell || cell->objectCount() == 0)
        return kit::ZeroRect;
    const kit::Rect d = cell->drawingRectForBounds(bounds);
    double w = d.size.width;
    if (const kit::Rect i = cell->indicatorRectForBounds(bounds); qvPebblePresent(i))
        w -= i.size.width + 4;
    const kit::Size z = cell->objectCounterSize();
    return kit::IntegralRect(kit::MakeRect(d.origin.x + w - z.width, std::ceil(d.origin.y + (d.size.height - z.height) / 2), z.width, z.height));
}

kit::Rect QVPebbleTabStyle::largeImageRectForBoundsOfTabCell(kit::Rect bounds, QVTabBarButtonCell* cell)
{
    return cell ? QVTabStyleSupport::largeImageRect(bounds, *cell) : kit::ZeroRect;
}

void QVPebbleTabStyle::fillUnified(kit::Rect rect, const QVTabBarView* view) const
{
    if (view && view->isWindowActive()) {
        kit::Gradient::gradientWithStartingColorEndingColor(
            kit::Color::colorWithCalibratedWhiteAlpha(0.835, 1.0), kit::Color::colorWithCalibratedWhiteAlpha(0.843, 1.0))
            ->drawInRectAngle(rect, 90);
    } else {
        kit::Color::windowBackgroundColor()->setFill();
        kit::BezierPath::fillRect(rect);
    }
}

void QVPebbleTabStyle::drawBezelOfTabBarViewInRect(QVTabBarView* view, kit::Rect)
{
    if (!view)
        return;
    const kit::Rect r = view->bounds();
    const bool horizontal = QVTabStyleSupport::isHorizontal(view);
    kit::GraphicsContext::saveCurrentGraphicsState();
    if (!horizontal) {
        kit::Color::colorWithCalibratedRedGreenBlueAlpha(0.9059, 0.9294, 0.9647, 1.0)->setFill();
        kit::BezierPath::fillRect(r);
    } else if (!drawsUnified_) {
        kit::Color::colorWithCalibratedWhiteAlpha(0.85, 0.6)->setFill();
        kit::BezierPath::fillRect(r);
    } else {
        fillUnified(r, view);
    }
    qvPebbleAntialiasOff();
    kit::Color::grayColor()->setStroke();
    if (!horizontal) {
        const double x = drawsRight_ ? r.origin.x : r.maxX();
        qvPebbleSetShadow(drawsRight_ ? kit::MakeSize(0.5, -0.5) : kit::MakeSize(-0.5, -1.0));
        qvPebbleStrokeLine(kit::MakePoint(x, r.origin.y), kit::MakePoint(x, r.maxY()), 2);
        qvPebbleSetShadow(kit::MakeSize(0, 0));
        qvPebbleStrokeLine(kit::MakePoint(r.origin.x, r.origin.y), kit::MakePoint(r.maxX(), r.origin.y), 2);
    } else {
        qvPebbleSetShadow(kit::MakeSize(0, -1));
        qvPebbleStrokeLine(kit::MakePoint(r.origin.x, r.origin.y), kit::MakePoint(r.maxX(), r.origin.y), 2);
    }
    kit::GraphicsContext::restoreCurrentGraphicsState();
}

void QVPebbleTabStyle::drawBezelOfButtonAtIndexInButtonsIndexOfSelectedButtonTabBarViewInRect(QVAttachedTabBarButton* button, std::uint64_t,
    const std::vector<kit::Ref<QVAttachedTabBarButton>>&, std::uint64_t, QVTabBarView* view, kit::Rect)
{
    if (button)
        _drawBezelWithFrameUsingStatesOfAttachedButtonOfTabBarViewApplyShadowDrawRollovers(button->frame(), button, view, true, false);
}

void QVPebbleTabStyle::drawBezelOfTabCellWithFrameInView(QVTabBarButtonCell* cell, kit::Rect frame, kit::View* controlView)
{
    auto* button = dynamic_cast<QVAttachedTabBarButton*>(controlView);
    if (!cell || !button)
        return;
    _drawBezelWithFrameUsingStatesOfAttachedButtonOfTabBarViewApplyShadowDrawRollovers(frame, button, button->tabBarView().get(), false, true);
}

void QVPebbleTabStyle::drawBezelOfOverflowButtonOfTabBarViewInRect(QVOverflowPopUpButton* button, QVTabBarView* view, kit::Rect)
{
    if (!button || !view || !QVTabStyleSupport::isHorizontal(view))
        return;
    const kit::Ref<QVAttachedTabBarButton> last = view->lastAttachedButton();
    if (!last || last->isSliding())
        return;
    const kit::Rect f = button->frame();
    if (last->state() == kit::OnState) {
        _drawBezelInRectWithCapMaskUsingStatesOfAttachedButtonOfTabBarViewApplyShadowDrawRollovers(
            kit::MakeRect(f.origin.x, f.origin.y, f.size.width + 4.5, f.size.height - 2.5), QVRightCap, last.get(), view, true, true);
        return;
    }
    const kit::Rect r = kit::MakeRect(f.origin.x, f.origin.y + 0.5, f.size.width + 4.5, f.size.height - 1);
    kit::GraphicsContext::saveCurrentGraphicsState();
    if (last->mouseHovered()) {
        kit::Color::blackColor()->colorWithAlphaComponent(0.1)->set();
        kit::RectFillUsingOperation(r, kit::CompositeSourceAtop);
    }
    if (view->showAddTabButton()) {
        kit::Color::grayColor()->setStroke();
        kit::BezierPath::strokeLineFromPointToPoint(kit::MakePoint(r.maxX(), r.origin.y), kit::MakePoint(r.maxX(), r.maxY()));
    }
    kit::GraphicsContext::restoreCurrentGraphicsState();
}

void QVPebbleTabStyle::drawIconOfTabCellWithFrameInView(QVTabBarButtonCell* cell, kit::Rect frame, kit::View* controlView)
{
    if (!cell)
        return;
    const bool horizontal = qvPebbleHorizontal(cell);
    if (!horizontal && cell->largeImage())
        return;
    if (horizontal && cell->shouldDisplayCloseButton() && cell->mouseHovered())
        return;
    cell->_drawIconWithFrameInView(frame, controlView);
}

void QVPebbleTabStyle::drawObjectCounterOfTabCellWithFrameInView(QVTabBarButtonCell* cell, kit::Rect frame, kit::View* controlView)
{
    if (!cell)
        return;
    if (!qvPebbleHorizontal(cell) && cell->shouldDisplayCloseButton() && cell->mouseHovered())
        return;
    cell->_drawObjectCounterWithFrameInView(frame, controlView);
}

void QVPebbleTabStyle::drawCloseButtonOfTabCellWithFrameInView(QVTabBarButtonCell* cell, kit::Rect, kit::View*)
{
    if (!cell)
        return;
    // Changed while drawing: the kit reads the close button's flag after the tab drew.
    const bool swaps = qvPebbleHorizontal(cell) ? bool(cell->icon()) : cell->showObjectCount();
    if (!swaps)
        return;
    if (const kit::Ref<QVRolloverButton> close = cell->closeButton())
        close->setHidden(!cell->mouseHovered());
}

void QVPebbleTabStyle::_drawBezelWithFrameUsingStatesOfAttachedButtonOfTabBarViewApplyShadowDrawRollovers(
    kit::Rect f, QVAttachedTabBarButton* button, QVTabBarView* view, bool shadow, bool rollovers)
{
    if (!button)
        return;
    const bool overflow = QVTabStyleSupport::countsAsOverflowButton(*button);
    kit::GraphicsContext::saveCurrentGraphicsState();
    qvPebbleAntialiasOff();
    kit::Rect r = f;
    std::uint32_t mask = overflow ? QVLeftCap : QVAllCaps;
    if (button->state() == kit::OnState) {
        if (QVTabStyleSupport::isHorizontal(view)) {
            r.size.height -= 2.5;
        } else if (drawsRight_) {
            r = kit::MakeRect(f.origin.x - 1, f.origin.y, f.size.width - 3, f.size.height);
            mask = QVRightCap;
        } else {
            r = kit::MakeRect(f.origin.x + 2, f.origin.y, f.size.width - 2, f.size.height);
            mask = QVLeftCap;
        }
    }
    _drawBezelInRectWithCapMaskUsingStatesOfAttachedButtonOfTabBarViewApplyShadowDrawRollovers(r, mask, button, view, shadow, rollovers);
    kit::GraphicsContext::restoreCurrentGraphicsState();
}

void QVPebbleTabStyle::_drawBezelInRectWithCapMaskUsingStatesOfAttachedButtonOfTabBarViewApplyShadowDrawRollovers(
    kit::Rect r, std::uint32_t m, QVAttachedTabBarButton* b, QVTabBarView* view, bool shadow, bool rollovers)
{
    const bool horizontal = QVTabStyleSupport::isHorizontal(view);
    const bool selected = b && b->state() == kit::OnState;
    if (!horizontal && !selected)
        return;
    const double x = r.origin.x, y = r.origin.y, w = r.size.width, h = r.size.height;
    kit::GraphicsContext::saveCurrentGraphicsState();
    qvPebbleAntialiasOff();
    const auto strokeWithShadow = [&](const kit::BezierPath& path, kit::Size offset) {
        kit::GraphicsContext::saveCurrentGraphicsState();
        if (shadow)
            qvPebbleSetShadow(offset);
        kit::Color::grayColor()->setStroke();
        path.stroke();
        kit::GraphicsContext::restoreCurrentGraphicsState();
    };
    if (horizontal && selected) {
        if (!drawsUnified_) {
            if (gradientImage_)
                gradientImage_->drawInRectFromRectOperationFractionRespectFlippedHints(r, kit::ZeroRect, kit::CompositeSourceOver, 1.0, true);
        } else {
            fillUnified(r, view);
        }
        if (m & QVLeftCap) {
            auto left = kit::BezierPath::bezierPath();
            left->moveToPoint(kit::MakePoint(x, y));
            left->lineToPoint(kit::MakePoint(x, y + h));
            strokeWithShadow(*left, kit::MakeSize(-1, -1));
        }
        auto path = kit::BezierPath::bezierPath();
        path->moveToPoint(kit::MakePoint(x, y + h));
        path->lineToPoint(kit::MakePoint(x + w, y + h));
        if (m & QVRightCap)
            path->lineToPoint(kit::MakePoint(x + w, y));
        else
            path->moveToPoint(kit::MakePoint(x + w, y));
        if (!b || b->frame().size.height < 2) {
            path->moveToPoint(kit::MakePoint(x, y + 0.5));
            path->lineToPoint(kit::MakePoint(x + w, y + 0.5));
        }
        strokeWithShadow(*path, kit::MakeSize(1, -1));
    } else if (horizontal) {
        if (rollovers && b && b->mouseHovered()) {
            kit::Color::blackColor()->colorWithAlphaComponent(0.1)->set();
            kit::RectFillUsingOperation(r, kit::CompositeSourceAtop);
        }
        auto path = kit::BezierPath::bezierPath();
        path->moveToPoint(kit::MakePoint(x, y));
        path->lineToPoint(kit::MakePoint(x + w, y));
        if (b && QVTabStyleSupport::drawsRightDivider(*b))
            path->lineToPoint(kit::MakePoint(x + w, y + h));
        if (b && b->shouldDisplayLeftDivider()) {
            path->moveToPoint(kit::MakePoint(x, y));
            path->lineToPoint(kit::MakePoint(x, y + h));
        }
        kit::Color::grayColor()->setStroke();
        path->stroke();
    } else {
        if (!drawsUnified_) {
            const double a = drawsRight_ ? 0.92 : 0.98, c = drawsRight_ ? 0.98 : 0.92;
            kit::Gradient::gradientWithStartingColorEndingColor(
                kit::Color::colorWithCalibratedWhiteAlpha(a, 1.0), kit::Color::colorWithCalibratedWhiteAlpha(c, 1.0))
                ->drawInRectAngle(r, 0);
        } else {
            fillUnified(r, view);
        }
        kit::Color::grayColor()->setStroke();
        kit::BezierPath::strokeLineFromPointToPoint(kit::MakePoint(x, y), kit::MakePoint(x + w, y));
        auto path = kit::BezierPath::bezierPath();
        if (drawsRight_) {
            path->moveToPoint(kit::MakePoint(x + w, y));
            path->lineToPoint(kit::MakePoint(x + w, y + h));
            path->lineToPoint(kit::MakePoint(x, y + h));
        } else {
            path->moveToPoint(kit::MakePoint(x, y));
            path->lineToPoint(kit::MakePoint(x, y + h));
            path->lineToPoint(kit::MakePoint(x + w, y + h));
        }
        strokeWithShadow(*path, drawsRight_ ? kit::MakeSize(1, -1) : kit::MakeSize(-1, -1));
    }
    kit::GraphicsContext::restoreCurrentGraphicsState();
}

void QVPebbleTabStyle::encodeWithCoder(kit::Coder& coder) const
{
    QVTabStyleSupport::encodeImages(coder, close_, qvPebbleCloseKeys());
    coder.encodeBoolForKey(drawsUnified_, QStringLiteral("drawsUnified"));
    coder.encodeBoolForKey(drawsRight_, QStringLiteral("drawsRight"));
}

void QVPebbleTabStyle::initWithCoder(kit::Coder& coder)
{
    // Onto a fully made style: the gradient image stays loaded, absent keys keep the defaults.
    QVTabStyleSupport::decodeImages(coder, close_, qvPebbleCloseKeys());
    if (coder.containsValueForKey(QStringLiteral("drawsUnified")))
        drawsUnified_ = coder.decodeBoolForKey(QStringLiteral("drawsUnified"));
    if (coder.containsValueForKey(QStringLiteral("drawsRight")))
        drawsRight_ = coder.decodeBoolForKey(QStringLiteral("drawsRight"));
}
