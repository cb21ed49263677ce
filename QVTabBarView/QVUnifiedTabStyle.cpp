#include "QVTabBarView/QVUnifiedTabStyle.h"

#include "QVTabBarView/QVAttachedTabBarButton.h"
#include "QVTabBarView/QVOverflowPopUpButton.h"
#include "QVTabBarView/QVTabBarButtonCell.h"
#include "QVTabBarView/QVTabBarView.h"
#include "QVTabBarView/QVTabBarViewExtensions.h"
#include "kit/graphics/BezierPath.h"
#include "kit/graphics/GraphicsContext.h"
#include "kit/graphics/Gradient.h"

#include <algorithm>

KIT_REGISTER_CLASS(QVUnifiedTabStyle, QVTabStyle)
{
    c.bundle("QVTabBarView");
    c.optionalOperations({ "supportsOrientationForTabBarView", "leftMarginForTabBarView", "rightMarginForTabBarView", "topMarginForTabBarView",
        "draggingRectForTabButtonOfTabBarView", "closeButtonImageOfTypeForTabCell", "drawBezelOfTabBarViewInRect",
        "drawBezelOfButtonAtIndexInButtonsIndexOfSelectedButtonTabBarViewInRect", "drawBezelOfTabCellWithFrameInView",
        "drawBezelOfOverflowButtonOfTabBarViewInRect" });
}

namespace {

const std::array<QString, 6>& qvUnifiedCloseKeys()
{
    static const std::array<QString, 6> keys { QStringLiteral("unifiedCloseButton"), QStringLiteral("unifiedCloseButtonOver"),
        QStringLiteral("unifiedCloseButtonDown"), QStringLiteral("unifiedCloseDirtyButton"), QStringLiteral("unifiedCloseDirtyButtonOver"),
        QStringLiteral("unifiedCloseDirtyButtonDown") };
    return keys;
}

kit::Ref<kit::Color> qvUnifiedLineColor() { return kit::Color::colorWithCalibratedWhiteAlpha(0.576, 1.0); }

// A line-colour line at x + 0.5 from y to maxY, and its white highlight at x + 1.5, one point shorter at each end.
void qvUnifiedEtchedDivider(double x, double y, double maxY)
{
    qvUnifiedLineColor()->setStroke();
    kit::BezierPath::strokeLineFromPointToPoint(kit::MakePoint(x + 0.5, y), kit::MakePoint(x + 0.5, maxY));
    kit::Color::colorWithCalibratedWhiteAlpha(1.0, 0.5)->setStroke();
    kit::BezierPath::strokeLineFromPointToPoint(kit::MakePoint(x + 1.5, y + 1), kit::MakePoint(x + 1.5, maxY - 1));
}

kit::Ref<kit::Gradient> qvUnifiedDeviceGradient(double from, double to)
{
    return kit::Gradient::gradientWithStartingColorEndingColor(kit::Color::colorWithDeviceWhiteAlpha(from, 1.0), kit::Color::colorWithDeviceWhiteAlpha(to, 1.0));
}

} // namespace

QVUnifiedTabStyle::QVUnifiedTabStyle()
    : close_(QVTabStyleSupport::aquaCloseImages())
{
}

bool QVUnifiedTabStyle::supportsOrientationForTabBarView(std::uint64_t orientation, QVTabBarView*) { return orientation == QVTabBarHorizontalOrientation; }
double QVUnifiedTabStyle::leftMarginForTabBarView(QVTabBarView* view) { return QVTabStyleSupport::isHorizontal(view) ? leftMargin_ : 0; }
double QVUnifiedTabStyle::rightMarginForTabBarView(QVTabBarView* view) { return QVTabStyleSupport::isHorizontal(view) ? leftMargin_ : 0; }
double QVUnifiedTabStyle::topMarginForTabBarView(QVTabBarView*) { return 0; }

kit::Rect QVUnifiedTabStyle::draggingRectForTabButtonOfTabBarView(QVAttachedTabBarButton* button, QVTabBarView*)
{
    return QVTabStyleSupport::widenedStackingFrame(button);
}

kit::Ref<kit::Image> QVUnifiedTabStyle::closeButtonImageOfTypeForTabCell(std::uint64_t type, QVTabBarButtonCell*)
{
    return QVTabStyleSupport::closeImageOfType(close_, type);
}

void QVUnifiedTabStyle::drawBezelOfTabBarViewInRect(QVTabBarView* view, kit::Rect)
{
    if (!view)
        return;
    kit::Rect r = view->bounds();
    if (QVTabStyleSupport::hasVisibleToolbar(view))
        r.size.height -= 1;
    kit::GraphicsContext::saveCurrentGraphicsState();
    if (view->isWindowActive()) {
        kit::Gradient::gradientWithStartingColorEndingColor(
            kit::Color::colorWithCalibratedWhiteAlpha(0.835, 1.0), kit::Color::colorWithCalibratedWhiteAlpha(0.843, 1.0))
            ->drawInRectAngle(r, 90);
    } else {
        kit::Color::windowBackgroundColor()->setFill();
        kit::BezierPath::fillRect(r);
    }
    qvUnifiedLineColor()->setStroke();
    kit::BezierPath::strokeLineFromPointToPoint(kit::MakePoint(r.origin.x, r.origin.y + 0.5), kit::MakePoint(r.maxX(), r.origin.y + 0.5));
    kit::GraphicsContext::restoreCurrentGraphicsState();
}

void QVUnifiedTabStyle::drawBezelOfButtonAtIndexInButtonsIndexOfSelectedButtonTabBarViewInRect(QVAttachedTabBarButton* button, std::uint64_t,
    const std::vector<kit::Ref<QVAttachedTabBarButton>>&, std::uint64_t, QVTabBarView* view, kit::Rect)
{
    if (!button || QVTabStyleSupport::hasVisibleToolbar(view))
        return;
    const kit::Rect f = button->frame();
    kit::GraphicsContext::saveCurrentGraphicsState();
    if (QVTabStyleSupport::drawsRightDivider(*button))
        qvUnifiedEtchedDivider(f.maxX(), f.origin.y, f.maxY());
    if (button->shouldDisplayLeftDivider())
        qvUnifiedEtchedDivider(f.origin.x, f.origin.y, f.maxY());
    kit::GraphicsContext::restoreCurrentGraphicsState();
}

void QVUnifiedTabStyle::drawBezelOfTabCellWithFrameInView(QVTabBarButtonCell* cell, kit::Rect frame, kit::View* controlView)
{
    auto* button = dynamic_cast<QVAttachedTabBarButton*>(controlView);
    if (!cell || !button)
        return;
    const bool overflow = QVTabStyleSupport::countsAsOverflowButton(*button);
    const double d = overflow ? 0.5 : 1.0;
    const double x = frame.origin.x, y = frame.origin.y, w = frame.size.width, h = frame.size.height;
    const kit::Ref<QVTabBarView> view = button->tabBarView();
    if (QVTabStyleSupport::hasVisibleToolbar(button)) {
        kit::Rect r = kit::MakeRect(x + 0.5, y - 0.5, w - d, h - 1);
        if (cell->mouseHovered() && cell->state() == kit::OffState) {
            r.origin.y += 1.5;
            r.size.height -= 1.5;
        }
        _drawCardBezelInRectWithCapMaskUsingStatesOfAttachedButtonOfTabBarView(r, overflow ? (QVFlipCap | QVLeftCap) : (QVFlipCap | QVAllCaps), button, view.get());
    } else {
        _drawBoxBezelInRectWithCapMaskUsingStatesOfAttachedButtonOfTabBarView(
            kit::MakeRect(x + 0.5, y + 0.5, w - d, h - 1), overflow ? QVLeftCap : QVAllCaps, button, view.get());
    }
}

void QVUnifiedTabStyle::drawBezelOfOverflowButtonOfTabBarViewInRect(QVOverflowPopUpButton* button, QVTabBarView* view, kit::Rect)
{
    if (!button || !view)
        return;
    const kit::Ref<QVAttachedTabBarButton> last = view->lastAttachedButton();
    if (!last || last->isSliding())
        return;
    const kit::Rect f = button->frame();
    if (QVTabStyleSupport::hasVisibleToolbar(view)) {
        kit::Rect r = kit::MakeRect(f.origin.x, f.origin.y - 0.5, f.size.width + 4.5, f.size.height - 1);
        if (last->mouseHovered() && last->state() == kit::OffState) {
            r.origin.y += 1.5;
            r.size.height -= 1.5;
        }
        _drawCardBezelInRectWithCapMaskUsingStatesOfAttachedButtonOfTabBarView(r, QVFlipCap | QVRightCap, last.get(), view);
        return;
    }
    const kit::Rect r = kit::MakeRect(f.origin.x, f.origin.y + 0.5, f.size.width + 4.5, f.size.height - 1);
    _drawBoxBezelInRectWithCapMaskUsingStatesOfAttachedButtonOfTabBarView(r, QVFlipCap | QVRightCap, last.get(), view);
    if (view->showAddTabButton()) {
        kit::GraphicsContext::saveCurrentGraphicsState();
        qvUnifiedEtchedDivider(r.maxX(), r.origin.y, r.maxY());
        kit::GraphicsContext::restoreCurrentGraphicsState();
    }
}

void QVUnifiedTabStyle::_drawCardBezelInRectWithCapMaskUsingStatesOfAttachedButtonOfTabBarView(
    kit::Rect rect, std::uint32_t capMask, QVAttachedTabBarButton* button, QVTabBarView* view)
{
    if (!button)
        return;
    const double radius = std::min(6.0, std::min(rect.size.width, rect.size.height) / 2);
    const bool selected = button->state() == kit::OnState;
    kit::GraphicsContext::saveCurrentGraphicsState();
    if (view && view->isWindowActive()) {
        kit::Ref<kit::Gradient> fill;
        if (selected)
            fill = qvUnifiedDeviceGradient(0.698, 0.663);
        else if (button->mouseHovered())
            fill = qvUnifiedDeviceGradient(0.8, 0.8);
        QVTabStyleSupport::drawCardBezel(rect, radius, capMask, fill, 80, qvUnifiedLineColor());
    } else {
        if (selected) {
            kit::GraphicsContext* context = kit::GraphicsContext::currentContext();
            if (context)
                context->setShouldAntialias(false);
            qvUnifiedDeviceGradient(0.875, 0.902)->drawInBezierPathAngle(
                *QVTabBarViewExtensions::bezierPathWithCardInRectRadiusCapMask(rect, radius, capMask | QVFillCap), 90);
            if (context)
                context->setShouldAntialias(true);
        }
        QVTabStyleSupport::drawCardBezel(rect, radius, capMask, nullptr, 90, qvUnifiedLineColor());
    }
    kit::GraphicsContext::restoreCurrentGraphicsState();
}

void QVUnifiedTabStyle::_drawBoxBezelInRectWithCapMaskUsingStatesOfAttachedButtonOfTabBarView(
    kit::Rect rect, std::uint32_t, QVAttachedTabBarButton* button, QVTabBarView*)
{
    if (!button || (button->state() != kit::OnState && !button->mouseHovered()))
        return;
    kit::GraphicsContext::saveCurrentGraphicsState();
    kit::Color::blackColor()->colorWithAlphaComponent(button->state() == kit::OnState ? 0.2 : 0.1)->set();
    kit::RectFillUsingOperation(rect, kit::CompositeSourceAtop);
    kit::GraphicsContext::restoreCurrentGraphicsState();
}

void QVUnifiedTabStyle::encodeWithCoder(kit::Coder& coder) const { QVTabStyleSupport::encodeImages(coder, close_, qvUnifiedCloseKeys()); }

void QVUnifiedTabStyle::initWithCoder(kit::Coder& coder) { QVTabStyleSupport::decodeImages(coder, close_, qvUnifiedCloseKeys()); }
