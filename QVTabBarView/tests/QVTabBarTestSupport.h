#pragma once

// Helpers of the tab bar view tests: a stub style whose margins are zero and whose desired widths
// come from a table (so layouts do not depend on fonts), a recording delegate, and a bar over a
// tab view with titled items.

#include "QVTabBarView/QVAttachedTabBarButton.h"
#include "QVTabBarView/QVTabBarController.h"
#include "QVTabBarView/QVTabBarView.h"
#include "kit/controls/TabView.h"
#include "kit/foundation/RunLoop.h"

#include <QStringList>

#include <map>
#include <set>
#include <string>

class QVStubStyle : public QVTabStyle {
    KIT_CLASS(QVStubStyle)
public:
    static QString tabStyleName() { return QStringLiteral("Stub"); }
    QString name() const override { return tabStyleName(); }
    double leftMarginForTabBarView(QVTabBarView*) override { return 0; }
    double rightMarginForTabBarView(QVTabBarView*) override { return 0; }
    double desiredWidthOfTabCell(QVTabBarButtonCell* cell) override
    {
        auto it = desired.find(cell->title());
        return it == desired.end() ? 60 : it->second;
    }
    kit::Rect titleRectForBoundsOfTabCell(kit::Rect bounds, QVTabBarButtonCell* cell) override
    {
        return movedTitle ? kit::MakeRect(bounds.origin.x + 40, bounds.origin.y, 10, 10) : cell->_titleRectForBounds(bounds);
    }
    std::map<QString, double> desired;
    bool movedTitle = false;
};

class QVRecordingDelegate : public kit::Object, public QVTabBarViewDelegate {
public:
    std::set<std::string, std::less<>> implemented;
    QStringList calls;
    bool shouldClose = true;
    bool shouldSelect = true;

    bool respondsToSelector(const kit::Selector& selector) const override { return implemented.count(selector.name().toStdString()) != 0; }
    bool tabViewShouldSelectTabViewItem(kit::TabView*, kit::TabViewItem* item) override
    {
        calls << QStringLiteral("should:") + item->label();
        return shouldSelect;
    }
    void tabViewDidSelectTabViewItem(kit::TabView*, kit::TabViewItem* item) override { calls << QStringLiteral("did:") + item->label(); }
    void tabViewDidChangeNumberOfTabViewItems(kit::TabView*) override { calls << QStringLiteral("count"); }
    void tabViewDidDetachTabViewItem(kit::TabView*, kit::TabViewItem* item) override { calls << QStringLiteral("detach:") + item->label(); }
    void tabViewTabViewItemIsInOverflowMenu(kit::TabView*, kit::TabViewItem* item, bool flag) override
    {
        calls << QStringLiteral("overflow:%1:%2").arg(item->label()).arg(flag);
    }
    bool tabViewShouldCloseTabViewItem(kit::TabView*, kit::TabViewItem* item) override
    {
        calls << QStringLiteral("shouldClose:") + item->label();
        return shouldClose;
    }
    void tabViewWillCloseTabViewItem(kit::TabView*, kit::TabViewItem* item) override { calls << QStringLiteral("willClose:") + item->label(); }
    void tabViewDidCloseTabViewItem(kit::TabView*, kit::TabViewItem* item) override { calls << QStringLiteral("didClose:") + item->label(); }
};

// A bar of the given frame over a tab view with items titled "Tab 1", "Tab 2", ...
struct QVBarFixture {
    kit::Ref<kit::TabView> tabView = kit::make<kit::TabView>(kit::MakeRect(0, 0, 300, 200));
    kit::Ref<QVTabBarView> bar;
    kit::Ref<QVStubStyle> style = kit::make<QVStubStyle>();

    explicit QVBarFixture(kit::Rect frame, int tabs, bool stub = true)
    {
        bar = kit::make<QVTabBarView>(frame);
        if (stub)
            bar->setStyle(style);
        for (int i = 1; i <= tabs; ++i)
            addTab(QStringLiteral("Tab %1").arg(i));
        tabView->setDelegate(bar.get());
        bar->setTabView(tabView);
        bar->updateAnimate(false);
        // The update setTabView queued has nothing left to do; tests start from an empty queue.
        kit::RunLoop::main().runPending();
    }
    kit::Ref<kit::TabViewItem> addTab(const QString& label)
    {
        auto item = kit::make<kit::TabViewItem>(kit::Value(label));
        item->setLabel(label);
        tabView->addTabViewItem(item);
        return item;
    }
    kit::Ref<kit::TabViewItem> item(int i) const { return tabView->tabViewItemAtIndex(i); }
    std::vector<double> widths() const
    {
        std::vector<double> out;
        for (const auto& b : bar->orderedAttachedButtons())
            out.push_back(b->stackingFrame().size.width);
        return out;
    }
    QStringList overflowTitles() const
    {
        QStringList out;
        if (const auto menu = bar->controller()->overflowMenu())
            for (const auto& item : menu->itemArray())
                out << item->title();
        return out;
    }
};
