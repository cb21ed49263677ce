#pragma once

// Tab drags between windows: bars filling their windows, a delegate answering the drag
// operations a test switches on, and the checks every drag ends with.

#include "XTTabBarControl/XTTabDragAssistant.h"
#include "XTTabBarControl/tests/XTTabBarTestSupport.h"
#include "kit/appkit/Application.h"
#include "kit/appkit/Dragging.h"
#include "kit/appkit/Window.h"

#include <gtest/gtest.h>

#include <functional>

class XTDragDelegate : public XTRecordingDelegate {
public:
    bool allowDrop = true;
    kit::Ref<XTTabBarControl> newBar;
    std::function<void()> onDrop;
    std::function<void()> onCloseWindow;

    bool tabViewShouldDragTabViewItemFromTabBar(kit::TabView*, kit::TabViewItem* item, XTTabBarControl*) override
    {
        calls << QStringLiteral("shouldDrag:") + item->label();
        return true;
    }
    bool tabViewShouldDropTabViewItemInTabBar(kit::TabView*, kit::TabViewItem*, XTTabBarControl*) override { return allowDrop; }
    void tabViewDidDropTabViewItemInTabBar(kit::TabView*, kit::TabViewItem* item, XTTabBarControl* bar) override
    {
        calls << QStringLiteral("didDrop:%1:%2").arg(item->label(), bar == newBar.get() ? QStringLiteral("new") : QStringLiteral("bar"));
        if (onDrop)
            onDrop();
    }
    kit::Ref<XTTabBarControl> tabViewNewTabBarForDraggedTabViewItemAtPoint(kit::TabView*, kit::TabViewItem* item, kit::Point) override
    {
        calls << QStringLiteral("newBar:") + item->label();
        return newBar;
    }
    void tabViewCloseWindowForLastTabViewItem(kit::TabView*, kit::TabViewItem* item) override
    {
        calls << QStringLiteral("closeWindow:") + (item ? item->label() : QString());
        if (onCloseWindow)
            onCloseWindow();
    }
};

// A bar of `tabs` tabs filling a 434 × 22 window at `origin`; window point (x, 22 − y) is bar
// point (x, y). Tabs are 130 wide from x = 10.
struct XTWindowBar {
    XTBarFixture f;
    kit::Ref<kit::Window> window;

    XTWindowBar(kit::Point origin, int tabs, const QString& prefix = QStringLiteral("Tab"))
        : f(434, 0)
        , window(kit::make<kit::Window>(kit::MakeRect(origin.x, origin.y, 434, 22), kit::TitledWindowMask))
    {
        for (int i = 0; i < tabs; ++i)
            f.addTab(QStringLiteral("%1 %2").arg(prefix).arg(i));
        window->setContentView(f.bar.get());
        window->orderFront();
    }
    static kit::Point at(double x, double y = 11) { return kit::MakePoint(x, 22 - y); }
    kit::Ref<XTTabBarControl> bar() const { return f.bar; }
    QStringList labels() const
    {
        QStringList out;
        for (std::int64_t i = 0; i < f.tabView->numberOfTabViewItems(); ++i)
            out << f.tabView->tabViewItemAtIndex(i)->label();
        return out;
    }
    // One cell per item, in the tab view's order, and no gap left behind.
    testing::AssertionResult cellsMatchItems() const
    {
        const auto& cells = f.bar->cells();
        if (std::int64_t(cells.size()) != f.tabView->numberOfTabViewItems())
            return testing::AssertionFailure() << cells.size() << " cells for " << f.tabView->numberOfTabViewItems() << " items";
        for (std::size_t i = 0; i < cells.size(); ++i) {
            if (cells[i]->isPlaceholder())
                return testing::AssertionFailure() << "placeholder at " << i;
            if (cells[i]->representedObject().object().get() != f.tabView->tabViewItemAtIndex(std::int64_t(i)).get())
                return testing::AssertionFailure() << "cell " << i << " stands for another item";
            if (cells[i]->tabBar() != f.bar)
                return testing::AssertionFailure() << "cell " << i << " belongs to another bar";
        }
        return testing::AssertionSuccess();
    }
};

// Keeps tab drags in the kit's loop and leaves no drag state behind.
struct XTDragScope {
    XTDragScope()
    {
        kit::ExternalDrag::setPresenter([](kit::OutgoingDrag&) {
            ADD_FAILURE() << "the tab drag left the kit's loop";
            return Qt::IgnoreAction;
        });
    }
    ~XTDragScope()
    {
        XTTabDragAssistant::resetForTesting();
        kit::ExternalDrag::resetForTesting();
        kit::Application::resetForTesting();
    }
    XTDragScope(const XTDragScope&) = delete;
    XTDragScope& operator=(const XTDragScope&) = delete;
};
