#include "QVTabBarView/QVAttachedTabBarButton.h"

#include "QVTabBarView/QVProgressIndicator.h"
#include "QVTabBarView/QVTabBarView.h"
#include "kit/appkit/Event.h"
#include "kit/foundation/Bundle.h"
#include "kit/graphics/ImageRep.h"

KIT_REGISTER_CLASS(QVAttachedTabBarButtonCell, QVTabBarButtonCell)
{
    c.bundle("QVTabBarView");
    c.copyable();
}

KIT_REGISTER_CLASS(QVAttachedTabBarButton, QVTabBarButton) { c.bundle("QVTabBarView"); }

void QVAttachedTabBarButtonCell::copyTo(kit::Object& copy) const
{
    QVTabBarButtonCell::copyTo(copy);
    static_cast<QVAttachedTabBarButtonCell&>(copy).isOverflowButton_ = isOverflowButton_;
}

QVAttachedTabBarButton::QVAttachedTabBarButton(kit::Rect frame, kit::Ref<kit::TabViewItem> item)
    : QVTabBarButton(frame, cellClass()())
    , tabViewItem_(std::move(item))
{ }

void QVAttachedTabBarButton::setIsOverflowButton(bool flag)
{
    if (auto* c = attachedCell())
        c->setIsOverflowButton(flag);
}

void QVAttachedTabBarButton::setSlidingFrame(kit::Rect r)
{
    r.origin.y = frame().origin.y;
    setFrame(r);
}

kit::Rect QVAttachedTabBarButton::draggingRect()
{
    const kit::Ref<QVTabStyle> s = style();
    if (s && s->implements("draggingRectForTabButtonOfTabBarView"))
        return s->draggingRectForTabButtonOfTabBarView(this, tabBarView().get());
    return _draggingRect();
}

kit::Ref<kit::Image> QVAttachedTabBarButton::dragImage()
{
    setFrame(stackingFrame());
    const kit::Rect r = draggingRect();
    const kit::Ref<QVTabBarView> bar = tabBarView();
    if (!bar)
        return nullptr;
    bar->lockFocus();
    bar->display();
    auto rep = kit::BitmapImageRep::initWithFocusedViewRect(r);
    bar->unlockFocus();
    if (!rep)
        return nullptr;
    auto captured = kit::make<kit::Image>(rep->size());
    captured->addRepresentation(rep);
    auto image = kit::make<kit::Image>(rep->size());
    image->lockFocus();
    captured->drawAtPointFromRectOperationFraction(kit::ZeroPoint, kit::ZeroRect, kit::CompositeSourceOver, 1.0);
    if (indicator() && !indicator()->isHidden()) {
        if (const kit::Ref<kit::Image> pi = QVTabBarView::bundleImage(QStringLiteral("pi")))
            pi->drawAtPointFromRectOperationFraction(kit::MakePoint(frame().size.width - 22, 3), kit::ZeroRect, kit::CompositeSourceOver, 1.0);
    }
    image->unlockFocus();
    return image;
}

kit::Ref<QVAttachedTabBarButton> QVAttachedTabBarButton::_selectedAttachedTabBarButton() const
{
    const kit::Ref<QVTabBarView> bar = tabBarView();
    return bar ? bar->selectedAttachedButton() : nullptr;
}

void QVAttachedTabBarButton::setTitle(const QString& title)
{
    QVTabBarButton::setTitle(title);
    if (tabViewItem_ && tabViewItem_->label() != title)
        tabViewItem_->setLabel(title);
}

bool QVAttachedTabBarButton::shouldDisplayLeftDivider() const
{
    return isSliding() || (tabState() & QVTabStatePreviousIsPlaceholder) || QVTabBarButton::shouldDisplayLeftDivider();
}

bool QVAttachedTabBarButton::shouldDisplayRightDivider() const { return !isOverflowButton(); }

void QVAttachedTabBarButton::viewWillDraw()
{
    // The bar draws the bezels under the buttons: it redraws whenever a button does.
    if (const kit::Ref<kit::View> bar = superview())
        bar->setNeedsDisplayInRect(bar->bounds());
    QVTabBarButton::viewWillDraw();
}

void QVAttachedTabBarButton::selectThroughAction()
{
    const kit::Ref<QVTabBarView> bar = tabBarView();
    if (const kit::Ref<QVAttachedTabBarButton> selected = _selectedAttachedTabBarButton(); selected && selected.get() != this)
        selected->setState(kit::OffState);
    setState(kit::OnState);
    sendActionTo(action(), kit::Weak<kit::Object>(target().get()));
    // The tab view may have refused: the states follow its selection, not the click.
    if (bar)
        bar->synchronizeSelectionStates();
}

void QVAttachedTabBarButton::mouseDown(const kit::Event& event)
{
    const kit::Ref<QVTabBarView> bar = tabBarView();
    if (!bar)
        return;
    const kit::Ref<kit::Object> keep(this);
    bar->takeFocusForClick();
    if (bar->selectsTabsOnMouseDown() && _selectedAttachedTabBarButton().get() != this)
        selectThroughAction();
    if (bar->shouldStartDraggingAttachedTabBarButtonWithMouseDownEvent(this, event))
        bar->startDraggingAttachedTabBarButtonWithMouseDownEvent(this, event);
}

void QVAttachedTabBarButton::mouseUp(const kit::Event& event)
{
    const kit::Ref<QVTabBarView> bar = tabBarView();
    if (!bar)
        return;
    const kit::Point p = convertPointFromView(event.locationInWindow(), nullptr);
    if (kit::MouseInRect(p, bounds(), isFlipped()) && !bar->selectsTabsOnMouseDown())
        selectThroughAction();
}
