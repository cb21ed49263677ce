#pragma once

// What the owner of a tab bar view may answer. Every operation is optional: the bar sends one
// only when the delegate's `respondsToSelector` names it (register what you implement with
// `c.optionalOperations`), and takes the documented default otherwise.

#include "kit/appkit/Dragging.h"
#include "kit/core/Geometry.h"
#include "kit/core/Object.h"
#include "kit/graphics/Image.h"

#include <QStringList>

#include <cstdint>

class QVTabBarView;

namespace kit {
class DraggingInfo;
class Event;
class Menu;
class MenuItem;
class TabView;
class TabViewItem;
}

class QVTabBarViewDelegate {
public:
    virtual ~QVTabBarViewDelegate() = default;

    virtual bool tabViewShouldSelectTabViewItem(kit::TabView*, kit::TabViewItem*) { return true; }
    virtual void tabViewWillSelectTabViewItem(kit::TabView*, kit::TabViewItem*) { }
    virtual void tabViewDidSelectTabViewItem(kit::TabView*, kit::TabViewItem*) { }
    virtual void tabViewDidChangeNumberOfTabViewItems(kit::TabView*) { }
    virtual void tabViewDidDetachTabViewItem(kit::TabView*, kit::TabViewItem*) { }
    virtual QString tabViewToolTipForTabViewItem(kit::TabView*, kit::TabViewItem*) { return {}; }
    virtual bool tabViewDisableTabCloseForTabViewItem(kit::TabView*, kit::TabViewItem*) { return false; }
    virtual void tabViewTabViewItemIsInOverflowMenu(kit::TabView*, kit::TabViewItem*, bool) { }
    virtual bool tabViewValidateOverflowMenuItemForTabViewItem(kit::TabView*, kit::MenuItem*, kit::TabViewItem*) { return true; }
    virtual kit::Ref<kit::Menu> tabViewMenuForTabViewItem(kit::TabView*, kit::TabViewItem*) { return nullptr; }
    virtual bool tabViewShouldCloseTabViewItem(kit::TabView*, kit::TabViewItem*) { return true; }
    virtual void tabViewWillCloseTabViewItem(kit::TabView*, kit::TabViewItem*) { }
    virtual void tabViewDidCloseTabViewItem(kit::TabView*, kit::TabViewItem*) { }
    virtual void addNewTabToTabView(kit::TabView*) { }
    virtual void tabViewTabBarViewDidHide(kit::TabView*, QVTabBarView*) { }
    virtual void tabViewTabBarViewDidUnhide(kit::TabView*, QVTabBarView*) { }
    virtual bool tabViewShouldDragTabViewItemInTabBarView(kit::TabView*, kit::TabViewItem*, QVTabBarView*) { return true; }
    virtual bool tabViewShouldAllowTabViewItemToLeaveTabBarView(kit::TabView*, kit::TabViewItem*, QVTabBarView*) { return false; }
    virtual bool tabViewAcceptedDraggingInfoOnTabViewItem(kit::TabView*, kit::DraggingInfo&, kit::TabViewItem*) { return false; }
    virtual QStringList allowedDraggedTypesForTabView(kit::TabView*) { return {}; }
    // Sent by the drag assistant. Both answer a drag operation: none refuses the index.
    virtual std::uint64_t tabViewValidateDropProposedItemProposedIndexInTabBarView(
        kit::TabView*, kit::DraggingInfo&, kit::TabViewItem*, std::uint64_t, QVTabBarView*)
    {
        return kit::DragOperationMove;
    }
    virtual std::uint64_t tabViewValidateSlideOfProposedItemProposedIndexInTabBarView(kit::TabView*, kit::TabViewItem*, std::uint64_t, QVTabBarView*)
    {
        return kit::DragOperationMove;
    }
    virtual void tabViewDidDropTabViewItemInTabBarView(kit::TabView*, kit::TabViewItem*, QVTabBarView*) { }
    virtual kit::Ref<QVTabBarView> tabViewNewTabBarViewForDraggedTabViewItemAtPoint(kit::TabView*, kit::TabViewItem*, kit::Point)
    {
        return nullptr;
    }
    virtual void tabViewCloseWindowForLastTabViewItem(kit::TabView*, kit::TabViewItem*) { }
    virtual kit::Ref<kit::Image> tabViewImageForTabViewItemOffsetStyleMask(kit::TabView*, kit::TabViewItem*, kit::Size*, std::uint64_t*)
    {
        return nullptr;
    }
};
