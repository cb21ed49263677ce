#pragma once

// A bar in a window: an unflipped container holding the bar and its tab view, which is also the
// bar's partner when the test asks for one; and a delegate answering the hiding, tool-tip, menu
// and accessibility questions.

#include "XTTabBarControl/tests/XTTabBarTestSupport.h"
#include "kit/appkit/InputState.h"
#include "kit/appkit/Window.h"
#include "kit/controls/Menu.h"
#include "kit/foundation/RunLoop.h"

struct XTWindowFixture {
    kit::Ref<kit::Window> window;
    kit::Ref<kit::View> container;
    kit::Ref<kit::TabView> tabView;
    kit::Ref<XTTabBarControl> bar;

    // The window's content is `content` (screen, y up); an empty partner frame means no partner:
    // the tab view then stays out of the window.
    XTWindowFixture(kit::Rect content, kit::Rect barFrame, kit::Rect partnerFrame, int tabs, int orientation = XTTabBarHorizontalOrientation,
        unsigned styleMask = kit::TitledWindowMask)
        : window(kit::make<kit::Window>(content, styleMask))
        , container(kit::make<kit::View>(kit::MakeRect(0, 0, content.size.width, content.size.height)))
        , tabView(kit::make<kit::TabView>(kit::IsEmptyRect(partnerFrame) ? kit::MakeRect(0, 0, 100, 100) : partnerFrame))
        , bar(kit::make<XTTabBarControl>(barFrame))
    {
        tabView->setTabViewType(kit::NoTabsNoBorder);
        container->addSubview(bar.get());
        if (!kit::IsEmptyRect(partnerFrame)) {
            container->addSubview(tabView.get());
            bar->setPartnerView(tabView);
        }
        window->setContentView(container.get());
        bar->setOrientation(orientation);
        bar->setTabView(tabView);
        tabView->setDelegate(bar.get());
        for (int i = 0; i < tabs; ++i)
            addTab(QStringLiteral("Tab %1").arg(i));
    }
    ~XTWindowFixture()
    {
        window->orderOut();
        kit::InputState::reset();
    }
    XTWindowFixture(const XTWindowFixture&) = delete;
    XTWindowFixture& operator=(const XTWindowFixture&) = delete;

    kit::Ref<kit::TabViewItem> addTab(const QString& label)
    {
        auto item = kit::make<kit::TabViewItem>(kit::Value(label));
        item->setLabel(label);
        tabView->addTabViewItem(item);
        return item;
    }
    // Shows the window and lets its first update pass: no input is needed for it.
    void showWindow()
    {
        window->orderFront();
        kit::RunLoop::main().runPending();
    }
    // A bar point (flipped) in the window's base coordinates.
    kit::Point base(double x, double y) const { return bar->convertPointToView(kit::MakePoint(x, y), nullptr); }
    // The pointer resting over a bar point, without an event.
    void restPointerAt(double x, double y) const { kit::InputState::shared().mouseLocation = window->convertBaseToScreen(base(x, y)); }
};

// A delegate answering what the test switches on, with answers the test can set.
class XTAnsweringDelegate : public XTRecordingDelegate {
public:
    double desiredWidth = 0;
    QString toolTip;
    kit::Ref<kit::Menu> menu = kit::make<kit::Menu>(QStringLiteral("Tab"));
    QString countWords;

    double desiredWidthForVerticalTabBar(XTTabBarControl*) override { return desiredWidth; }
    void tabViewTabBarDidHide(kit::TabView*, XTTabBarControl*) override { calls << QStringLiteral("didHide"); }
    void tabViewTabBarDidUnhide(kit::TabView*, XTTabBarControl*) override { calls << QStringLiteral("didUnhide"); }
    QString tabViewToolTipForTabViewItem(kit::TabView*, kit::TabViewItem* item) override { return toolTip + item->label(); }
    kit::Ref<kit::Menu> tabViewMenuForTabViewItem(kit::TabView*, kit::TabViewItem* item) override
    {
        calls << QStringLiteral("menu:") + item->label();
        return menu;
    }
    QString accessibilityStringForTabViewObjectCount(kit::TabView*, std::int64_t) override { return countWords; }
};
