#include "kit/controls/TabView.h"

#include "kit/appkit/Window.h"
#include "kit/core/Exception.h"
#include "kit/core/Selector.h"

namespace kit {

KIT_REGISTER_CLASS(TabViewItem, Object)
{
    c.property("label", &TabViewItem::label, &TabViewItem::setLabel);
    c.property("identifier", &TabViewItem::identifier, &TabViewItem::setIdentifier);
    c.storesUndefinedKeys();
}

KIT_REGISTER_CLASS(TabView, View)
{
    // Held weakly, so an interface file can make a control the delegate without a cycle.
    c.property(
        "delegate", [](const TabView& x) { return Value(x.delegate()); }, [](TabView& x, const Value& v) { x.setDelegate(v.object().get()); });
}

TabViewItem::TabViewItem(Value identifier)
    : identifier_(std::move(identifier))
{ }

Ref<TabView> TabViewItem::tabView() const { return tabView_.lock(); }

void TabViewItem::setView(Ref<View> view)
{
    const Ref<TabView> owner = tabView();
    const bool shown = owner && owner->selectedTabViewItem().get() == this;
    if (shown && view_)
        view_->removeFromSuperview();
    view_ = std::move(view);
    if (shown)
        owner->showViewOf(this);
}

TabView::TabView(Rect frame)
    : View(frame)
{ }

TabView::~TabView()
{
    for (const Ref<TabViewItem>& item : items_)
        item->tabView_ = nullptr;
}

Ref<TabViewItem> TabView::tabViewItemAtIndex(std::int64_t index) const
{
    if (index < 0 || index >= numberOfTabViewItems())
        throw Exception(
            RangeException, QStringLiteral("TabView: index %1 beyond bounds [0 .. %2]").arg(index).arg(numberOfTabViewItems() - 1));
    return items_[std::size_t(index)];
}

std::int64_t TabView::indexOfTabViewItem(const TabViewItem* item) const
{
    for (std::size_t i = 0; i < items_.size(); ++i)
        if (items_[i].get() == item)
            return std::int64_t(i);
    return NotFound;
}

std::int64_t TabView::indexOfTabViewItemWithIdentifier(const Value& identifier) const
{
    for (std::size_t i = 0; i < items_.size(); ++i)
        if (items_[i]->identifier() == identifier)
            return std::int64_t(i);
    return NotFound;
}

TabViewDelegate* TabView::delegateFor(const char* operation, Ref<Object>& keep) const
{
    keep = delegate_.lock();
    if (!keep || !keep->respondsToSelector(Selector(operation)))
        return nullptr;
    return dynamic_cast<TabViewDelegate*>(keep.get());
}

void TabView::addTabViewItem(Ref<TabViewItem> item) { insertTabViewItemAtIndex(std::move(item), numberOfTabViewItems()); }

void TabView::insertTabViewItemAtIndex(Ref<TabViewItem> item, std::int64_t index)
{
    if (!item)
        return;
    if (index < 0 || index > numberOfTabViewItems())
        throw Exception(RangeException, QStringLiteral("TabView: insertion index %1 beyond %2").arg(index).arg(numberOfTabViewItems()));
    const Ref<TabView> keep(this);
    item->tabView_ = this;
    items_.insert(items_.begin() + index, item);
    if (items_.size() == 1)
        select(item, false);
    countChanged();
}

void TabView::removeTabViewItem(TabViewItem* item)
{
    const std::int64_t index = indexOfTabViewItem(item);
    if (index == NotFound)
        return;
    const Ref<TabView> keep(this);
    const Ref<TabViewItem> removed(item);
    items_.erase(items_.begin() + index);
    removed->tabView_ = nullptr;
    if (selected_ == removed) {
        if (removed->view() && removed->view()->superview().get() == this)
            removed->view()->removeFromSuperview();
        selected_ = nullptr;
        if (!items_.empty())
            select(items_[std::size_t(std::min<std::int64_t>(index, numberOfTabViewItems() - 1))], false);
    }
    countChanged();
}

void TabView::countChanged()
{
    Ref<Object> keep;
    if (TabViewDelegate* d = delegateFor("tabViewDidChangeNumberOfTabViewItems", keep))
        d->tabViewDidChangeNumberOfTabViewItems(this);
}

void TabView::selectTabViewItem(TabViewItem* item)
{
    if (indexOfTabViewItem(item) == NotFound)
        return;
    select(Ref<TabViewItem>(item), true);
}

void TabView::selectTabViewItemAtIndex(std::int64_t index) { select(tabViewItemAtIndex(index), true); }

void TabView::selectTabViewItemWithIdentifier(const Value& identifier)
{
    const std::int64_t index = indexOfTabViewItemWithIdentifier(identifier);
    if (index != NotFound)
        selectTabViewItemAtIndex(index);
}

void TabView::selectFirstTabViewItem(Object*)
{
    if (!items_.empty())
        select(items_.front(), true);
}

void TabView::selectLastTabViewItem(Object*)
{
    if (!items_.empty())
        select(items_.back(), true);
}

void TabView::selectNextTabViewItem(Object*)
{
    const std::int64_t index = selected_ ? indexOfTabViewItem(selected_.get()) : -1;
    if (index + 1 < numberOfTabViewItems())
        select(items_[std::size_t(index + 1)], true);
}

void TabView::selectPreviousTabViewItem(Object*)
{
    const std::int64_t index = selected_ ? indexOfTabViewItem(selected_.get()) : NotFound;
    if (index != NotFound && index > 0)
        select(items_[std::size_t(index - 1)], true);
}

void TabView::select(const Ref<TabViewItem>& item, bool ask)
{
    if (!item || item == selected_)
        return;
    const Ref<TabView> keep(this);
    Ref<Object> holder;
    if (ask)
        if (TabViewDelegate* d = delegateFor("tabViewShouldSelectTabViewItem", holder);
            d && !d->tabViewShouldSelectTabViewItem(this, item.get()))
            return;
    if (TabViewDelegate* d = delegateFor("tabViewWillSelectTabViewItem", holder))
        d->tabViewWillSelectTabViewItem(this, item.get());
    if (selected_ && selected_->view() && selected_->view()->superview().get() == this)
        selected_->view()->removeFromSuperview();
    selected_ = item;
    showViewOf(item.get());
    if (TabViewDelegate* d = delegateFor("tabViewDidSelectTabViewItem", holder))
        d->tabViewDidSelectTabViewItem(this, item.get());
}

void TabView::showViewOf(TabViewItem* item)
{
    const Ref<View> view = item->view();
    if (!view)
        return;
    view->setFrame(contentRect());
    view->setAutoresizingMask(ViewWidthSizable | ViewHeightSizable);
    addSubview(view.get());
    setNeedsDisplay(true);
}

} // namespace kit
