#pragma once

// The optional operations of a tab bar's delegate. The control sends each only when the delegate
// answers respondsToSelector with the operation's name; the bodies here are the defaults.

#include "kit/appkit/Dragging.h"
#include "kit/controls/Menu.h"
#include "kit/controls/TabView.h"
#include "kit/graphics/Image.h"

#include <QStringList>

class XTTabBarControl;

class XTTabBarControlDelegate : public kit::TabViewDelegate {
public:
    virtual QStringList allowedDraggedTypesForTabView(kit::TabView*) { return {}; }
    virtual double desiredWidthForVerticalTabBar(XTTabBarControl*) { return 0; }
    // What follows a tab's title and count in its accessibility help ("3 unread").
    virtual QString accessibilityStringForTabViewObjectCount(kit::TabView*, std::int64_t) { return {}; }
    virtual void tabViewDidCloseTabViewItem(kit::TabView*, kit::TabViewItem*) { }
    virtual bool tabViewShouldCloseTabViewItem(kit::TabView*, kit::TabViewItem*) { return true; }
    virtual bool tabViewShouldDragTabViewItemFromTabBar(kit::TabView*, kit::TabViewItem*, XTTabBarControl*) { return false; }
    virtual bool tabViewShouldDropTabViewItemInTabBar(kit::TabView*, kit::TabViewItem*, XTTabBarControl*) { return true; }
    virtual kit::Ref<kit::Menu> tabViewMenuForTabViewItem(kit::TabView*, kit::TabViewItem*) { return nullptr; }
    virtual QString tabViewToolTipForTabViewItem(kit::TabView*, kit::TabViewItem*) { return {}; }
    virtual bool tabViewValidateOverflowMenuItemForTabViewItem(kit::TabView*, kit::MenuItem*, kit::TabViewItem*) { return true; }
    virtual void tabViewTabBarDidHide(kit::TabView*, XTTabBarControl*) { }
    virtual void tabViewTabBarDidUnhide(kit::TabView*, XTTabBarControl*) { }
    virtual bool tabViewDisableTabCloseForTabViewItem(kit::TabView*, kit::TabViewItem*) { return false; }
    virtual void tabViewTabViewItemIsInOverflowMenu(kit::TabView*, kit::TabViewItem*, bool) { }
    virtual bool tabViewShouldAllowTabViewItemToLeaveTabBar(kit::TabView*, kit::TabViewItem*, XTTabBarControl*) { return true; }
    virtual void tabViewDidDropTabViewItemInTabBar(kit::TabView*, kit::TabViewItem*, XTTabBarControl*) { }
    virtual kit::Ref<XTTabBarControl> tabViewNewTabBarForDraggedTabViewItemAtPoint(kit::TabView*, kit::TabViewItem*, kit::Point)
    {
        return nullptr;
    }
    virtual void tabViewCloseWindowForLastTabViewItem(kit::TabView*, kit::TabViewItem*) { }
    // The torn-off window's picture; fills where the tab sits in it and the window's style mask.
    virtual kit::Ref<kit::Image> tabViewImageForTabViewItemOffsetStyleMask(kit::TabView*, kit::TabViewItem*, kit::Size*, unsigned*)
    {
        return nullptr;
    }
    virtual void tabViewAcceptedDraggingInfoOnTabViewItem(kit::TabView*, kit::DraggingInfo&, kit::TabViewItem*) { }
};
