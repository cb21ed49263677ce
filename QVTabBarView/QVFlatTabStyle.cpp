#include "QVTabBarView/QVFlatTabStyle.h"

#include "QVTabBarView/QVAttachedTabBarButton.h"
#include "QVTabBarView/QVOverflowPopUpButton.h"
#include "QVTabBarView/QVTabBarButtonCell.h"
#include "QVTabBarView/QVTabBarView.h"
#include "QVTabBarView/QVTabBarViewExtensions.h"
#include "kit/appkit/Toolbar.h"
#include "kit/appkit/Window.h"
#include "kit/graphics/BezierPath.h"
#include "kit/graphics/Font.h"
#include "kit/graphics/GraphicsContext.h"
#include "kit/graphics/Gradient.h"
#include "kit/graphics/ParagraphStyle.h"

#include <cmath>

KIT_REGISTER_CLASS(QVFlatTabStyle, QVTabStyle)
{
    c.bundle("QVTabBarView");
    c.optionalOperations({ "supportsOrientationForTabBarView", "leftMarginForTabBarView", "rightMarginForTabBarView", "topMarginForTabBarView",
        "draggingRectForTabButtonOfTabBarView", "closeButtonImageOfTypeForTabCell", "attributedStringValueForTabCell",
        "attributedObjectCountStringValueForTabCell", "closeButtonRectForBoundsOfTabCell", "iconRectForBoundsOfTabCell",
        "largeImageRectForBoundsOfTabCell", "indicatorRectForBoundsOfTabCell", "objectCounterRectForBoundsOfTabCell",
        "titleRectForBoundsOfTabCell", "drawBezelOfTabBarViewInRect", "drawBezelOfTabCellWithFrameInView",
        "drawBezelOfOverflowButtonOfTabBarViewInRect" });
}

namespace {

bool qvFlatPresent(const kit::Rect& r) { return !kit::EqualRects(r, kit::ZeroRect); }

kit::Ref<kit::Color> qvFlatLineColor() { return kit::Color::colorWithCalibratedWhiteAlpha(0.576, 1.0); }

// Tail truncation with the default alignment, shared by every Flat title.
const kit::Ref<kit::ParagraphStyle>& qvFlatParagraphStyle()
{
    static const kit::Ref<kit::ParagraphStyle> style = [] {
        auto p = kit::ParagraphStyle::defaultParagraphStyle();
        p->setLineBreakMode(kit::LineBreakByTruncatingTail);
        return p;
    }();
    return style;
}

} // namespace

QVFlatTabStyle::QVFlatTabStyle()
    : close_(QVTabStyleSupport::aquaCloseImages())
    , counterAttributes_(QVTabStyleSupport::counterAttributes(QStringLiteral("Lucida Grande")))
{
}

bool QVFlatTabStyle::supportsOrientationForTabBarView(std::uint64_t orientation, QVTabBarView*) { return orientation == QVTabBarHorizontalOrientation; }
double QVFlatTabStyle::leftMarginForTabBarView(QVTabBarView* view) { return QVTabStyleSupport::isHorizontal(view) ? leftMargin_ : 0; }
double QVFlatTabStyle::rightMarginForTabBarView(QVTabBarView* view) { return QVTabStyleSupport::isHorizontal(view) ? leftMargin_ : 0; }
double QVFlatTabStyle::topMarginForTabBarView(QVTabBarView*) { return 0; }

kit::Rect QVFlatTabStyle::draggingRectForTabButtonOfTabBarView(QVAttachedTabBarButton* button, QVTabBarView*)
{
    return QVTabStyleSupport::widenedStackingFrame(button);
}

kit::Ref<kit::Image> QVFlatTabStyle::closeButtonImageOfTypeForTabCell(std::uint64_t type, QVTabBarButtonCell*)
{
    return QVTabStyleSupport::closeImageOfType(close_, type);
}

kit::AttributedString QVFlatTabStyle::attributedStringValueForTabCell(QVTabBarButtonCell* cell)
{
    if (!cell)
        return {};
    kit::StringAttributes attributes;
    attributes.font = kit::Font::systemFontOfSize(11);
    attributes.paragraphStyle = qvFlatParagraphStyle();
    return kit::AttributedString(cell->title(), attributes);
}

kit::AttributedString QVFlatTabStyle::attributedObjectCountStringValueForTabCell(QVTabBarButtonCell* cell)
{
    return QVTabStyleSupport::counterString(cell, counterAttributes_);
}

kit::Rect QVFlatTabStyle::closeButtonRectForBoundsOfTabCell(kit::Rect bounds, QVTabBarButtonCell* cell)
{
    // At the right end.
    return cell ? QVTabStyleSupport::closeButtonRect(bounds, *cell, [](kit::Rect d, kit::Size s) { return d.maxX() - s.width; }) : kit::ZeroRect;
}

kit::Rect QVFlatTabStyle::iconRectForBoundsOfTabCell(kit::Rect bounds, QVTabBarButtonCell* cell)
{
    return cell ? QVTabStyleSupport::leadingIconRect(bounds, *cell) : kit::ZeroRect;
}

kit::Rect QVFlatTabStyle::largeImageRectForBoundsOfTabCell(kit::Rect bounds, QVTabBarButtonCell* cell)
{
    return cell ? QVTabStyleSupport::largeImageRect(bounds, *cell) : kit::ZeroRect;
}

kit::Rect QVFlatTabStyle::indicatorRectForBoundsOfTabCell(kit::Rect bounds, QVTabBarButtonCell* cell)
{
    if (!cell || !cell->isProcessing())
        return kit::ZeroRect;
    const kit::Rect d = cell->drawingRectForBounds(bounds);
    double w = d.size.width;
    if (const kit::Rect k = cell->closeButtonRectForBounds(bounds); qvFlatPresent(k))
        w -= k.size.width + 4;
    return kit::IntegralRect(kit::MakeRect(d.origin.x + w - 16, d.origin.y + d.size.height / 2 - 8, 16, 16));
}

kit::Rect QVFlatTabStyle::objectCounterRectForBoundsOfTabCell(kit::Rect bounds, QVTabBarButtonCell* cell)
{
    if (!cell || !cell->showObjectCount())
        return kit::ZeroRect;
    const kit::Rect d = cell->drawingRectForBounds(bounds);
    double w = d.size.width;
    for (const kit::Rect& r : { cell->indicatorRectForBounds(bounds), cell->closeButtonRectForBounds(bounds) })
        if (qvFlatPresent(r))
            w -= r.size.width + 4;
    const kit::Size z = cell->objectCounterSize();
    return kit::IntegralRect(kit::MakeRect(d.origin.x + w - z.width, std::ceil(d.origin.y + (d.size.height - z.height) / 2), z.width, z.height));
}

kit::Rect QVFlatTabStyle::titleRectForBoundsOfTabCell(kit::Rect bounds, QVTabBarButtonCell* cell)
{
    if (!cell)
        return kit::ZeroRect;
    const kit::Rect d = cell->drawingRectForBounds(bounds);
    double x = d.origin.x, w = d.size.width;
    kit::Rect leading = cell->largeImageRectForBounds(bounds);
    if (!qvFlatPresent(leading))
        leading = cell->iconRectForBounds(bounds);
    if (qvFlatPresent(leading)) {
        x += leading.size.width + 4;
        w -= leading.size.width + 4;
    }
    for (const kit::Rect& r : { cell->indicatorRectForBounds(bounds), cell->objectCounterRectForBounds(bounds), cell->closeButtonRectForBounds(bounds) })
        if (qvFlatPresent(r))
            w -= r.size.width + 4;
    const kit::AttributedString s = cell->attributedStringValue();
    if (s.length() == 0)
        return kit::ZeroRect;
    const double h = cell->sizeOfTitle(s).height;
    return kit::IntegralRect(kit::MakeRect(x, d.origin.y + std::ceil((d.size.height - h) / 2), w, h));
}

bool QVFlatTabStyle::toolbarShowsBaseline(const kit::View* view)
{
    const kit::Ref<kit::Window> w = view ? view->window() : nullptr;
    const kit::Ref<kit::Toolbar> toolbar = w ? w->toolbar() : nullptr;
    return toolbar && toolbar->showsBaselineSeparator();
}

void QVFlatTabStyle::drawBezelOfTabBarViewInRect(QVTabBarView* view, kit::Rect)
{
    if (!view)
        return;
    const kit::Rect v = view->bounds();
    kit::GraphicsContext::saveCurrentGraphicsState();
    if (view->isWindowActive())
        kit::Gradient::gradientWithStartingColorEndingColor(
            kit::Color::colorWithCalibratedWhiteAlpha(0.75, 1.0), kit::Color::colorWithCalibratedWhiteAlpha(0.75, 0.0))
            ->drawInRectAngle(kit::MakeRect(v.origin.x, v.origin.y + 1, v.size.width, v.size.height), 90);
    qvFlatLineColor()->setStroke();
    kit::BezierPath::strokeLineFromPointToPoint(kit::MakePoint(v.origin.x, v.origin.y + 0.5), kit::MakePoint(v.maxX(), v.origin.y + 0.5));
    kit::GraphicsContext::restoreCurrentGraphicsState();
}

void QVFlatTabStyle::drawBezelOfTabCellWithFrameInView(QVTabBarButtonCell* cell, kit::Rect frame, kit::View* controlView)
{
    auto* button = dynamic_cast<QVAttachedTabBarButton*>(controlView);
    if (!cell || !button)
        return;
    const bool baseline = toolbarShowsBaseline(button);
    kit::Rect f = frame;
    if (!baseline) {
        f.origin.y += 1;
        f.size.height -= 1;
    }
    const bool selected = cell->state() == kit::OnState;
    kit::GraphicsContext::saveCurrentGraphicsState();
    if (!selected && baseline) {
        const kit::Rect r = kit::MakeRect(f.origin.x + 0.5, f.origin.y + 0.5, f.size.width, f.size.height);
        if (cell->mouseHovered()) {
            kit::Color::colorWithCalibratedWhiteAlpha(0.0, 0.1)->set();
            kit::RectFillUsingOperation(r, kit::CompositeSourceAtop);
        }
        if (!(button->tabState() & QVTabStateNextSelected)) {
            // The divider runs as long as the white line beside it: a half-point mark reads as a stray pixel.
            const double top = r.origin.y - 0.5, bottom = r.maxY() - 2.5;
            qvFlatLineColor()->setStroke();
            kit::BezierPath::strokeLineFromPointToPoint(kit::MakePoint(r.maxX(), top), kit::MakePoint(r.maxX(), bottom));
            kit::Color::colorWithCalibratedWhiteAlpha(1.0, 0.5)->setStroke();
            kit::BezierPath::strokeLineFromPointToPoint(kit::MakePoint(r.maxX() + 1, top), kit::MakePoint(r.maxX() + 1, bottom));
        }
    } else {
        kit::Rect r = kit::MakeRect(f.origin.x + 0.5, f.origin.y - 0.5, f.size.width - 1, f.size.height);
        if (selected) {
            r.origin.y -= 1;
            r.size.height += 1;
        }
        std::uint32_t mask = QVFlipCap | QVAllCaps;
        if (QVTabStyleSupport::countsAsOverflowButton(*button)) {
            r.size.width += 0.5;
            mask = QVFlipCap | QVLeftCap;
        }
        drawBezelInRectWithCapMaskUsingStatesOfAttachedButtonOfTabBarView(r, mask, button, button->tabBarView().get());
    }
    kit::GraphicsContext::restoreCurrentGraphicsState();
}

void QVFlatTabStyle::drawBezelOfOverflowButtonOfTabBarViewInRect(QVOverflowPopUpButton* button, QVTabBarView* view, kit::Rect)
{
    if (!button || !view)
        return;
    const kit::Ref<QVAttachedTabBarButton> last = view->lastAttachedButton();
    if (!last || last->isSliding())
        return;
    const bool baseline = toolbarShowsBaseline(view);
    kit::Rect f = button->frame();
    if (!baseline) {
        f.origin.y += 1;
        f.size.height -= 1;
    }
    const bool selected = last->state() == kit::OnState;
    if (baseline && !selected)
        return;
    kit::Rect r = kit::MakeRect(f.origin.x, f.origin.y - 0.5, f.size.width - 0.5 + 5, f.size.height);
    if (selected) {
        r.origin.y -= 1;
        r.size.height += 1;
    }
    drawBezelInRectWithCapMaskUsingStatesOfAttachedButtonOfTabBarView(r, QVFlipCap | QVRightCap, last.get(), view);
}

void QVFlatTabStyle::drawBezelInRectWithCapMaskUsingStatesOfAttachedButtonOfTabBarView(
    kit::Rect rect, std::uint32_t capMask, QVAttachedTabBarButton* button, QVTabBarView* view)
{
    if (!button)
        return;
    const double radius = std::min(6.0, std::min(rect.size.width, rect.size.height) / 2);
    kit::Ref<kit::Gradient> fill;
    if (button->state() == kit::OnState)
        fill = kit::Gradient::gradientWithStartingColorEndingColor(
            kit::Color::colorWithCalibratedWhiteAlpha(1.0, 1.0), kit::Color::colorWithCalibratedWhiteAlpha(0.95, 1.0));
    else if (view && view->isWindowActive() && button->mouseHovered())
        fill = kit::Gradient::gradientWithStartingColorEndingColor(
            kit::Color::colorWithCalibratedWhiteAlpha(0.8, 1.0), kit::Color::colorWithCalibratedWhiteAlpha(0.8, 1.0));
    kit::GraphicsContext::saveCurrentGraphicsState();
    QVTabStyleSupport::drawCardBezel(rect, radius, capMask, fill, 90, qvFlatLineColor());
    kit::GraphicsContext::restoreCurrentGraphicsState();
}
