#pragma once

// A tab view without tabs: it keeps an ordered list of items and shows the selected item's view
// filling its content rectangle; the other items' views leave the view tree. Selection, insertion
// and removal tell the delegate in a fixed order, and the delegate may veto a selection made by
// the user or by the program alike.

#include "kit/appkit/View.h"
#include "kit/core/Class.h"
#include "kit/core/Value.h"

#include <QString>

#include <vector>

namespace kit {

class TabView;

enum TabViewType : int {
    TopTabsBezelBorder = 0,
    LeftTabsBezelBorder = 1,
    BottomTabsBezelBorder = 2,
    RightTabsBezelBorder = 3,
    NoTabsBezelBorder = 4,
    NoTabsLineBorder = 5,
    NoTabsNoBorder = 6,
};

// An item: a label and an identifier (both observable), the view it shows, and any other key a
// client stores on it (observable too).
class TabViewItem : public Object, public Coding {
    KIT_CLASS(TabViewItem)
public:
    TabViewItem() = default;
    explicit TabViewItem(Value identifier);

    // kit::Coding (TabViewCoding.cpp): label, an archivable identifier and the view; other keys
    // a client stored are not archived.
    void encodeWithCoder(Coder& coder) const override;
    void initWithCoder(Coder& coder) override;

    QString label() const { return label_; }
    void setLabel(const QString& label) { setValueNotifying("label", label_, label); }
    Value identifier() const { return identifier_; }
    void setIdentifier(const Value& identifier) { setValueNotifying("identifier", identifier_, identifier); }
    Ref<View> view() const { return view_; }
    void setView(Ref<View> view);
    Ref<TabView> tabView() const;

private:
    friend class TabView;
    QString label_;
    Value identifier_;
    Ref<View> view_;
    Weak<TabView> tabView_;
};

// Optional operations; a delegate registers those it implements (respondsToSelector answers).
class TabViewDelegate {
public:
    virtual ~TabViewDelegate() = default;
    virtual bool tabViewShouldSelectTabViewItem(TabView*, TabViewItem*) { return true; }
    virtual void tabViewWillSelectTabViewItem(TabView*, TabViewItem*) { }
    virtual void tabViewDidSelectTabViewItem(TabView*, TabViewItem*) { }
    virtual void tabViewDidChangeNumberOfTabViewItems(TabView*) { }
};

class TabView : public View {
    KIT_CLASS(TabView)
public:
    explicit TabView(Rect frame = {});
    ~TabView() override;

    // kit::Coding (TabViewCoding.cpp): the items, the selection, the type and the delegate
    // (conditional); the shown item's view comes back through its item, not as a subview.
    void encodeWithCoder(Coder& coder) const override;
    void initWithCoder(Coder& coder) override;

    TabViewType tabViewType() const { return type_; }
    // Stored; every type draws as NoTabsNoBorder.
    void setTabViewType(TabViewType type) { type_ = type; }
    Rect contentRect() const { return bounds(); }

    // --- Items. ---
    const std::vector<Ref<TabViewItem>>& tabViewItems() const { return items_; }
    std::int64_t numberOfTabViewItems() const { return std::int64_t(items_.size()); }
    // Out of range raises RangeException.
    Ref<TabViewItem> tabViewItemAtIndex(std::int64_t index) const;
    // By identity; NotFound when absent.
    std::int64_t indexOfTabViewItem(const TabViewItem* item) const;
    std::int64_t indexOfTabViewItemWithIdentifier(const Value& identifier) const;
    void addTabViewItem(Ref<TabViewItem> item);
    // index > count raises RangeException. The first item of an empty view becomes selected.
    void insertTabViewItemAtIndex(Ref<TabViewItem> item, std::int64_t index);
    // Absent: nothing. A removed selection passes to the item now at its index, else the last.
    void removeTabViewItem(TabViewItem* item);

    // --- Selection. ---
    Ref<TabViewItem> selectedTabViewItem() const { return selected_; }
    void selectTabViewItem(TabViewItem* item);
    void selectTabViewItemAtIndex(std::int64_t index);
    void selectTabViewItemWithIdentifier(const Value& identifier);
    void selectFirstTabViewItem(Object* sender = nullptr);
    void selectLastTabViewItem(Object* sender = nullptr);
    void selectNextTabViewItem(Object* sender = nullptr);
    void selectPreviousTabViewItem(Object* sender = nullptr);

    // The delegate object must implement TabViewDelegate; held weakly.
    Ref<Object> delegate() const { return delegate_.lock(); }
    void setDelegate(Object* delegate) { delegate_ = delegate; }

private:
    friend class TabViewItem;
    // Will, swap, did; `ask` adds the should-select veto first.
    void select(const Ref<TabViewItem>& item, bool ask);
    void showViewOf(TabViewItem* item);
    void countChanged();
    TabViewDelegate* delegateFor(const char* operation, Ref<Object>& keep) const;

    TabViewType type_ = NoTabsNoBorder;
    std::vector<Ref<TabViewItem>> items_;
    Ref<TabViewItem> selected_;
    Weak<Object> delegate_;
};

} // namespace kit
