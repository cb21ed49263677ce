// Keyed coding of tab views and their items. The tab view shows the selected item's view as a
// subview of its own, so its archive leaves that view out of the subviews and lets the item carry
// it; decoding adds the items (the first is shown as it is added) and then selects the archived
// one without asking the delegate, which is set last.

#include "kit/controls/ArchivableValue.h"
#include "kit/controls/TabView.h"

namespace kit {

namespace {

const QString tabSubviewsKey = QStringLiteral("subviews");
const QString labelKey = QStringLiteral("kit.label");
const QString identifierKey = QStringLiteral("kit.identifier");
const QString viewKey = QStringLiteral("kit.view");
const QString tabItemsKey = QStringLiteral("kit.items");
const QString tabSelectedIndexKey = QStringLiteral("kit.selectedIndex");
const QString typeKey = QStringLiteral("kit.tabViewType");
const QString delegateKey = QStringLiteral("kit.delegate");

} // namespace

void TabViewItem::encodeWithCoder(Coder& coder) const
{
    coder.encodeObjectForKey(Value(label_), labelKey);
    if (detail::isArchivableValue(identifier_))
        coder.encodeObjectForKey(identifier_, identifierKey);
    if (view_)
        coder.encodeObjectForKey(Value(view_), viewKey);
}

void TabViewItem::initWithCoder(Coder& coder)
{
    if (const Value label = coder.decodeObjectForKey(labelKey); label.isString())
        label_ = label.string();
    if (coder.containsValueForKey(identifierKey))
        identifier_ = coder.decodeObjectForKey(identifierKey);
    if (coder.containsValueForKey(viewKey))
        view_ = static_pointer_cast<View>(coder.decodeObjectOfClassForKey(View::staticClass(), viewKey));
}

void TabView::encodeWithCoder(Coder& coder) const
{
    View::encodeWithCoder(coder);
    const Ref<View> shown = selected_ ? selected_->view() : nullptr;
    Array others;
    for (const Ref<View>& sub : subviews())
        if (sub != shown)
            others.addObject(Value(sub));
    coder.encodeObjectForKey(Value(others), tabSubviewsKey);
    Array items;
    for (const Ref<TabViewItem>& item : items_)
        items.addObject(Value(item));
    coder.encodeObjectForKey(Value(items), tabItemsKey);
    coder.encodeIntegerForKey(selected_ ? indexOfTabViewItem(selected_.get()) : -1, tabSelectedIndexKey);
    coder.encodeIntegerForKey(std::int64_t(type_), typeKey);
    coder.encodeConditionalObjectForKey(delegate_.lock().get(), delegateKey);
}

void TabView::initWithCoder(Coder& coder)
{
    View::initWithCoder(coder);
    if (coder.containsValueForKey(typeKey))
        if (const std::int64_t type = coder.decodeIntegerForKey(typeKey); type >= TopTabsBezelBorder && type <= NoTabsNoBorder)
            type_ = TabViewType(type);
    const Value items = coder.decodeObjectForKey(tabItemsKey);
    if (items.isArray())
        for (const Value& v : items.array()) {
            const auto item = v.objectAs<TabViewItem>();
            // An item of another tab view, or one whose view would hold this one, stays out.
            if (!item || item->tabView() || (item->view() && (item->view().get() == this || isDescendantOf(item->view().get()))))
                continue;
            addTabViewItem(item);
        }
    if (coder.containsValueForKey(tabSelectedIndexKey))
        if (const std::int64_t index = coder.decodeIntegerForKey(tabSelectedIndexKey); index >= 0 && index < numberOfTabViewItems())
            select(items_[std::size_t(index)], false);
    if (const Value delegate = coder.decodeObjectForKey(delegateKey); delegate.isObject())
        setDelegate(delegate.object().get());
}

} // namespace kit
