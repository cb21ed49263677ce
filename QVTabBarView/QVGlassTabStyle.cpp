#include "QVTabBarView/QVGlassTabStyle.h"

#include "QVTabBarView/QVAttachedTabBarButton.h"
#include "QVTabBarView/QVOverflowPopUpButton.h"
#include "QVTabBarView/QVRolloverButton.h"
#include "QVTabBarView/QVTabBarButtonCell.h"
#include "QVTabBarView/QVTabBarView.h"
#include "kit/graphics/BezierPath.h"
#include "kit/graphics/GraphicsContext.h"

#include <map>

KIT_REGISTER_CLASS(QVGlassTabStyle, QVTabStyle)
{
    c.bundle("QVTabBarView");
    c.optionalOperations({ "supportsOrientationForTabBarView", "leftMarginForTabBarView", "rightMarginForTabBarView", "addTabButtonSizeForTabBarView",
        "addTabButtonRectForTabBarView", "overflowButtonRectForTabBarView", "updateAddButtonOfTabBarView", "closeButtonImageOfTypeForTabCell",
        "drawingRectForBoundsOfTabCell", "closeButtonRectForBoundsOfTabCell", "draggingRectForTabButtonOfTabBarView", "drawBezelOfTabBarViewInRect",
        "drawBezelOfButtonAtIndexInButtonsIndexOfSelectedButtonTabBarViewInRect", "drawBezelOfOverflowButtonOfTabBarViewInRect",
        "drawBezelOfTabCellWithFrameInView" });
}

namespace {

QString qvGlassName(bool active, const char* rest) { return QStringLiteral("Glass") + (active ? QStringLiteral("AW") : QStringLiteral("IW")) + QLatin1String(rest); }

// y + 1 and height - 1, unless the rectangle is the zero one.
kit::Rect qvGlassLowered(kit::Rect r)
{
    if (kit::EqualRects(r, kit::ZeroRect))
        return r;
    r.origin.y += 1;
    r.size.height -= 1;
    return r;
}

kit::Rect qvGlassWidened(kit::Rect r) { return kit::MakeRect(r.origin.x - 5, r.origin.y, r.size.width + 10, r.size.height); }

void qvGlassThreePart(kit::Rect frame, const QString& left, const QString& fill, const QString& right, kit::CompositingOperation op, bool flipped)
{
    const kit::Ref<kit::Image> l = left.isEmpty() ? nullptr : QVGlassTabStyle::image(left);
    const kit::Ref<kit::Image> f = fill.isEmpty() ? nullptr : QVGlassTabStyle::image(fill);
    const kit::Ref<kit::Image> r = right.isEmpty() ? nullptr : QVGlassTabStyle::image(right);
    if (!l && !f && !r)
        return;
    kit::DrawThreePartImage(frame, l.get(), f.get(), r.get(), false, op, 1, flipped);
}

bool qvGlassActive(const QVTabBarView* view) { return view && view->isWindowActive(); }

} // namespace

kit::Ref<kit::Image> QVGlassTabStyle::image(const QString& name)
{
    static std::map<QString, kit::Ref<kit::Image>> images;
    auto it = images.find(name);
    if (it == images.end())
        it = images.emplace(name, QVTabBarView::bundleImage(name)).first;
    return it->second;
}

bool QVGlassTabStyle::supportsOrientationForTabBarView(std::uint64_t orientation, QVTabBarView*) { return orientation == QVTabBarHorizontalOrientation; }
double QVGlassTabStyle::leftMarginForTabBarView(QVTabBarView*) { return 6; }
double QVGlassTabStyle::rightMarginForTabBarView(QVTabBarView*) { return 6; }

kit::Size QVGlassTabStyle::addTabButtonSizeForTabBarView(QVTabBarView* view) { return kit::MakeSize(22, view ? view->frame().size.height : 0); }

kit::Rect QVGlassTabStyle::addTabButtonRectForTabBarView(QVTabBarView* view)
{
    if (!view)
        return kit::ZeroRect;
    kit::Rect r = view->_addTabButtonRect();
    r.origin.y += 1;
    r.size.height -= 1;
    return r;
}

kit::Rect QVGlassTabStyle::overflowButtonRectForTabBarView(QVTabBarView* view) { return view ? qvGlassLowered(view->_overflowButtonRect()) : kit::ZeroRect; }

void QVGlassTabStyle::updateAddButtonOfTabBarView(QVRolloverButton* button, QVTabBarView*)
{
    if (!button)
        return;
    button->setImage(image(QStringLiteral("GlassAWAddTabButton")));
    button->setAlternateImage(image(QStringLiteral("GlassAWAddTabButtonPushed")));
    button->setRolloverImage(image(QStringLiteral("GlassAWAddTabButtonRolloverPlus")));
}

kit::Ref<kit::Image> QVGlassTabStyle::closeButtonImageOfTypeForTabCell(std::uint64_t type, QVTabBarButtonCell* cell)
{
    static const char* const dirty[] = { "TabClose_Dirty", "TabClose_Dirty_Rollover", "TabClose_Dirty_Pressed" };
    static const char* const suffixes[] = { "Close", "CloseRollover", "ClosePressed" };
    if (type >= 3 && type <= 5)
        return image(QLatin1String(dirty[type - 3]));
    if (type > 5)
        return nullptr;
    const kit::Ref<kit::View> control = cell ? cell->controlView() : nullptr;
    const auto* button = dynamic_cast<const QVTabBarButton*>(control.get());
    const kit::Ref<QVTabBarView> view = button ? button->tabBarView() : nullptr;
    const bool selected = cell && cell->state() == kit::OnState;
    return image(qvGlassName(qvGlassActive(view.get()), selected ? "AT" : "IT") + QLatin1String(suffixes[type]));
}

kit::Rect QVGlassTabStyle::drawingRectForBoundsOfTabCell(kit::Rect b, QVTabBarButtonCell* cell)
{
    if (!cell)
        return b;
    const double left = cell->_leftMargin(), right = cell->_rightMargin();
    return kit::MakeRect(b.origin.x + left, b.origin.y + 1, b.size.width - (right + left), b.size.height - 1);
}

kit::Rect QVGlassTabStyle::closeButtonRectForBoundsOfTabCell(kit::Rect bounds, QVTabBarButtonCell* cell)
{
    return cell ? qvGlassLowered(cell->_closeButtonRectForBounds(bounds)) : kit::ZeroRect;
}

kit::Rect QVGlassTabStyle::draggingRectForTabButtonOfTabBarView(QVAttachedTabBarButton* button, QVTabBarView* view)
{
    return QVTabStyleSupport::draggingRectOfTab(button, view);
}

void QVGlassTabStyle::drawBezelOfTabBarViewInRect(QVTabBarView* view, kit::Rect)
{
    if (!view)
        return;
    const kit::Rect b = view->bounds();
    kit::GraphicsContext::saveCurrentGraphicsState();
    if (b.size.height < 2) {
        kit::Color::darkGrayColor()->setFill();
        kit::RectFillUsingOperation(b, kit::CompositeSourceOver);
    } else {
        // Copy: the background image is opaque, so nothing behind it shows through.
        qvGlassThreePart(b, {}, qvGlassName(view->isWindowActive(), "BG"), {}, kit::CompositeCopy, view->isFlipped());
    }
    kit::GraphicsContext::restoreCurrentGraphicsState();
}

QVGlassTabStyle::Parts QVGlassTabStyle::partsForButtonAtIndex(const QVAttachedTabBarButton& button, std::uint64_t i,
    const std::vector<kit::Ref<QVAttachedTabBarButton>>& buttons, std::uint64_t s, const QVTabBarView& view)
{
    const bool active = view.isWindowActive();
    const QString itLeft = qvGlassName(active, "ITLeftCap"), itRight = qvGlassName(active, "ITRightCap");
    const QVAttachedTabBarButton* previous = i > 0 && i - 1 < buttons.size() ? buttons[i - 1].get() : nullptr;
    const QVAttachedTabBarButton* next = i + 1 < buttons.size() ? buttons[i + 1].get() : nullptr;
    const bool selectedSet = s != QVNotFound;
    // The drop place, compared before any arithmetic: "not found" is the largest index.
    const std::uint64_t destination = view.destinationIndexForDraggedItem();
    const bool dropAfter = destination != QVNotFound && destination == i + 1;
    const bool dropBefore = destination != QVNotFound && destination + 1 == i;
    Parts parts;
    if (button.isInAnimatedSlide()) {
        parts.left = qvGlassName(true, "ITLeftCap");
        parts.right = qvGlassName(true, "ITRightCap");
    } else if (button.state() == kit::OnState) {
        parts.left = qvGlassName(active, "ATLeftCap");
        parts.fill = qvGlassName(active, "ATFill");
        if (!QVTabStyleSupport::countsAsOverflowButton(button))
            parts.right = qvGlassName(active, "ATRightCap");
    } else if (!previous) {
        if (!(selectedSet && s <= i) && ((next && next->isSliding()) || dropAfter))
            parts.right = itRight;
    } else if (!next) {
        if (!selectedSet || s < i) {
            if (!selectedSet || previous->isSliding() || dropBefore)
                parts.left = itLeft;
            if (view.showAddTabButton() && !view.isOverflowButtonVisible())
                parts.right = itRight;
        }
    } else if (!selectedSet || i < s) {
        parts.left = itLeft;
        if (next->isSliding() || dropAfter)
            parts.right = itRight;
    } else if (i > s) {
        if (previous->isSliding())
            parts.left = itLeft;
        parts.right = itRight;
    }
    return parts;
}

void QVGlassTabStyle::drawBezelOfButtonAtIndexInButtonsIndexOfSelectedButtonTabBarViewInRect(QVAttachedTabBarButton* button, std::uint64_t index,
    const std::vector<kit::Ref<QVAttachedTabBarButton>>& buttons, std::uint64_t selectedIndex, QVTabBarView* view, kit::Rect)
{
    if (!button || !view)
        return;
    const Parts parts = partsForButtonAtIndex(*button, index, buttons, selectedIndex, *view);
    qvGlassThreePart(qvGlassWidened(button->frame()), parts.left, parts.fill, parts.right, kit::CompositeSourceOver, view->isFlipped());
}

void QVGlassTabStyle::drawBezelOfOverflowButtonOfTabBarViewInRect(QVOverflowPopUpButton* button, QVTabBarView* view, kit::Rect)
{
    if (!button || !view)
        return;
    const kit::Rect f = button->frame();
    const kit::Rect r = kit::MakeRect(f.origin.x, f.origin.y - 1, f.size.width + 11, f.size.height + 1);
    const bool active = view->isWindowActive();
    const kit::Ref<QVAttachedTabBarButton> last = view->lastAttachedButton();
    if (last && last->state() == kit::OnState && !last->isSliding())
        qvGlassThreePart(r, {}, qvGlassName(active, "ATFill"), qvGlassName(active, "ATRightCap"), kit::CompositeSourceOver, view->isFlipped());
    else
        qvGlassThreePart(r, {}, {}, qvGlassName(active, "ITRightCap"), kit::CompositeSourceOver, view->isFlipped());
}

void QVGlassTabStyle::drawBezelOfTabCellWithFrameInView(QVTabBarButtonCell* cell, kit::Rect frame, kit::View* controlView)
{
    if (!cell || !controlView || controlView->frame().size.height < 2 || cell->state() != kit::OnState)
        return;
    const auto* button = dynamic_cast<const QVAttachedTabBarButton*>(controlView);
    const kit::Ref<QVTabBarView> view = button ? button->tabBarView() : nullptr;
    const bool active = qvGlassActive(view.get());
    const bool overflow = button && button->isOverflowButton() && !button->isSliding();
    qvGlassThreePart(qvGlassWidened(frame), qvGlassName(active, "ATLeftCap"), qvGlassName(active, "ATFill"),
        overflow ? QString() : qvGlassName(active, "ATRightCap"), kit::CompositeSourceOver, view ? view->isFlipped() : true);
}
