#include "QVTabBarView/QVCardTabStyle.h"

#include "QVTabBarView/QVAttachedTabBarButton.h"
#include "QVTabBarView/QVOverflowPopUpButton.h"
#include "QVTabBarView/QVTabBarButtonCell.h"
#include "QVTabBarView/QVTabBarView.h"
#include "QVTabBarView/QVTabBarViewExtensions.h"
#include "kit/graphics/BezierPath.h"
#include "kit/graphics/GraphicsContext.h"
#include "kit/graphics/Gradient.h"

#include <algorithm>

KIT_REGISTER_CLASS(QVCardTabStyle, QVTabStyle)
{
    c.bundle("QVTabBarView");
    c.optionalOperations({ "supportsOrientationForTabBarView", "leftMarginForTabBarView", "rightMarginForTabBarView", "topMarginForTabBarView",
        "heightOfTabBarButtonsForTabBarView", "overflowButtonRectForTabBarView", "draggingRectForTabButtonOfTabBarView",
        "closeButtonImageOfTypeForTabCell", "drawBezelOfTabBarViewInRect", "drawBezelOfTabCellWithFrameInView",
        "drawBezelOfOverflowButtonOfTabBarViewInRect" });
}

namespace {

kit::Ref<kit::Color> qvCardLineColor() { return kit::Color::colorWithCalibratedWhiteAlpha(0.576, 1.0); }

kit::Ref<kit::Gradient> qvCardGradient(kit::Ref<kit::Color> a, kit::Ref<kit::Color> b)
{
    return kit::Gradient::gradientWithStartingColorEndingColor(std::move(a), std::move(b));
}

kit::Ref<kit::Color> qvCardWhite(double white) { return kit::Color::colorWithCalibratedWhiteAlpha(white, 1.0); }

} // namespace

QVCardTabStyle::QVCardTabStyle()
    : close_(QVTabStyleSupport::aquaCloseImages())
{
}

bool QVCardTabStyle::supportsOrientationForTabBarView(std::uint64_t orientation, QVTabBarView*) { return orientation == QVTabBarHorizontalOrientation; }
double QVCardTabStyle::leftMarginForTabBarView(QVTabBarView* view) { return QVTabStyleSupport::isHorizontal(view) ? horizontalInset_ : 0; }
double QVCardTabStyle::rightMarginForTabBarView(QVTabBarView* view) { return QVTabStyleSupport::isHorizontal(view) ? horizontalInset_ : 0; }
double QVCardTabStyle::topMarginForTabBarView(QVTabBarView* view) { return QVTabStyleSupport::isHorizontal(view) ? 2.0 : 0; }
double QVCardTabStyle::heightOfTabBarButtonsForTabBarView(QVTabBarView* view) { return 22 - topMarginForTabBarView(view); }

kit::Rect QVCardTabStyle::overflowButtonRectForTabBarView(QVTabBarView* view)
{
    if (!view)
        return kit::ZeroRect;
    kit::Rect r = view->_overflowButtonRect();
    const double top = view->topMargin();
    r.origin.y += top;
    r.size.height -= top;
    return r;
}

kit::Rect QVCardTabStyle::draggingRectForTabButtonOfTabBarView(QVAttachedTabBarButton* button, QVTabBarView*)
{
    return QVTabStyleSupport::widenedStackingFrame(button);
}

kit::Ref<kit::Image> QVCardTabStyle::closeButtonImageOfTypeForTabCell(std::uint64_t type, QVTabBarButtonCell*)
{
    return QVTabStyleSupport::closeImageOfType(close_, type);
}

void QVCardTabStyle::drawBezelOfTabBarViewInRect(QVTabBarView* view, kit::Rect)
{
    if (!view)
        return;
    const kit::Rect b = view->bounds();
    kit::Rect r = b;
    r.size.height -= 1;
    const bool active = view->isWindowActive();
    kit::GraphicsContext::saveCurrentGraphicsState();
    kit::Gradient::gradientWithColorsAndLocations({ qvCardWhite(active ? 0.678 : 0.821), qvCardWhite(active ? 0.821 : 0.956) }, { 0.0, 1.0 })
        ->drawInRectAngle(r, 270);
    qvCardLineColor()->setStroke();
    kit::BezierPath::strokeLineFromPointToPoint(kit::MakePoint(b.origin.x, b.maxY() - 0.5), kit::MakePoint(b.maxX(), b.maxY() - 0.5));
    kit::GraphicsContext::restoreCurrentGraphicsState();
}

void QVCardTabStyle::drawBezelOfTabCellWithFrameInView(QVTabBarButtonCell* cell, kit::Rect frame, kit::View* controlView)
{
    auto* button = dynamic_cast<QVAttachedTabBarButton*>(controlView);
    if (!cell || !button)
        return;
    kit::Rect r = kit::MakeRect(frame.origin.x + 0.5, frame.origin.y + 0.5, frame.size.width - 1, frame.size.height);
    std::uint32_t mask = QVAllCaps;
    if (QVTabStyleSupport::countsAsOverflowButton(*button)) {
        r.size.width += 0.5;
        mask = QVLeftCap;
    }
    drawBezelInRectWithCapMaskUsingStatesOfAttachedButtonOfTabBarView(r, mask, button, button->tabBarView().get());
}

void QVCardTabStyle::drawBezelOfOverflowButtonOfTabBarViewInRect(QVOverflowPopUpButton* button, QVTabBarView* view, kit::Rect)
{
    if (!button || !view)
        return;
    const kit::Ref<QVAttachedTabBarButton> last = view->lastAttachedButton();
    if (!last || last->isSliding())
        return;
    const kit::Rect o = button->frame();
    drawBezelInRectWithCapMaskUsingStatesOfAttachedButtonOfTabBarView(
        kit::MakeRect(o.origin.x, o.origin.y + 0.5, o.size.width + 4.5, o.size.height), QVRightCap, last.get(), view);
}

void QVCardTabStyle::drawBezelInRectWithCapMaskUsingStatesOfAttachedButtonOfTabBarView(
    kit::Rect rect, std::uint32_t capMask, QVAttachedTabBarButton* button, QVTabBarView* view)
{
    if (!button)
        return;
    const double radius = std::min(6.0, std::min(rect.size.width, rect.size.height) / 2) - 0.5;
    const bool active = view && view->isWindowActive();
    kit::Ref<kit::Gradient> fill;
    kit::GraphicsContext::saveCurrentGraphicsState();
    if (!active) {
        // An inactive window fills the rectangle itself, corners included.
        kit::Color::windowBackgroundColor()->setFill();
        kit::BezierPath::fillRect(rect);
    } else if (button->state() == kit::OnState) {
        fill = qvCardGradient(kit::Color::whiteColor(), kit::Color::colorWithDeviceWhiteAlpha(0.929, 1.0));
    } else if (button->mouseHovered()) {
        fill = qvCardGradient(qvCardWhite(0.8), qvCardWhite(0.8));
    } else {
        fill = qvCardGradient(qvCardWhite(0.835), qvCardWhite(0.843));
    }
    QVTabStyleSupport::drawCardBezel(rect, radius, capMask, fill, 90, qvCardLineColor());
    if (button->state() == kit::OffState)
        kit::BezierPath::strokeLineFromPointToPoint(kit::MakePoint(rect.origin.x, rect.maxY() - 0.5), kit::MakePoint(rect.maxX(), rect.maxY() - 0.5));
    kit::GraphicsContext::restoreCurrentGraphicsState();
}
