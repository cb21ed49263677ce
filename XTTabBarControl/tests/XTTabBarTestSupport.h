#pragma once

// Helpers of the tab bar tests: a bar over a tab view, a recording delegate that answers the
// operations a test switches on, and identifiers with the observable keys a tab shows.

#include "XTTabBarControl/XTTabBarControl.h"

#include <QStringList>

#include <set>
#include <string>

class XTRecordingDelegate : public kit::Object, public XTTabBarControlDelegate {
public:
    std::set<std::string, std::less<>> implemented;
    QStringList calls;
    bool disableClose = false;

    bool respondsToSelector(const kit::Selector& selector) const override { return implemented.count(selector.name().toStdString()) != 0; }

    bool tabViewShouldSelectTabViewItem(kit::TabView*, kit::TabViewItem* item) override
    {
        calls << QStringLiteral("should:") + item->label();
        return true;
    }
    void tabViewWillSelectTabViewItem(kit::TabView*, kit::TabViewItem* item) override { calls << QStringLiteral("will:") + item->label(); }
    void tabViewDidSelectTabViewItem(kit::TabView*, kit::TabViewItem* item) override { calls << QStringLiteral("did:") + item->label(); }
    void tabViewDidChangeNumberOfTabViewItems(kit::TabView*) override { calls << QStringLiteral("count"); }
    void tabViewDidCloseTabViewItem(kit::TabView*, kit::TabViewItem* item) override { calls << QStringLiteral("closed:") + item->label(); }
    bool tabViewDisableTabCloseForTabViewItem(kit::TabView*, kit::TabViewItem*) override { return disableClose; }
    void tabViewTabViewItemIsInOverflowMenu(kit::TabView*, kit::TabViewItem* item, bool flag) override
    {
        calls << QStringLiteral("overflow:%1:%2").arg(item->label()).arg(flag);
    }
};

// An identifier with the keys a tab shows, each observable.
class XTTestIdentifier : public kit::Object {
    KIT_CLASS(XTTestIdentifier)
public:
    bool isProcessing() const { return processing_; }
    void setIsProcessing(bool flag) { setValueNotifying("isProcessing", processing_, flag); }
    std::int64_t objectCount() const { return count_; }
    void setObjectCount(std::int64_t count) { setValueNotifying("objectCount", count_, count); }
    bool isEdited() const { return edited_; }
    void setIsEdited(bool flag) { setValueNotifying("isEdited", edited_, flag); }
    kit::Ref<kit::Image> icon() const { return icon_; }
    void setIcon(kit::Ref<kit::Image> icon) { setValueNotifying("icon", icon_, std::move(icon)); }
    kit::Ref<kit::Image> largeImage() const { return largeImage_; }
    void setLargeImage(kit::Ref<kit::Image> image) { largeImage_ = std::move(image); }
    kit::Ref<kit::Color> countColor() const { return countColor_; }

private:
    bool processing_ = false;
    std::int64_t count_ = 0;
    bool edited_ = false;
    kit::Ref<kit::Image> icon_;
    kit::Ref<kit::Image> largeImage_;
    kit::Ref<kit::Color> countColor_;
};

// A bar of the given width over a tab view of tabs titled "Tab 0", "Tab 1", …; the bar is the
// tab view's delegate.
struct XTBarFixture {
    kit::Ref<kit::TabView> tabView = kit::make<kit::TabView>(kit::MakeRect(0, 0, 400, 300));
    kit::Ref<XTTabBarControl> bar;

    explicit XTBarFixture(double width, int tabs = 0, double height = 22)
        : bar(kit::make<XTTabBarControl>(kit::MakeRect(0, 0, width, height)))
    {
        bar->setTabView(tabView);
        tabView->setDelegate(bar.get());
        for (int i = 0; i < tabs; ++i)
            addTab(QStringLiteral("Tab %1").arg(i));
    }
    kit::Ref<kit::TabViewItem> addTab(const QString& label, kit::Value identifier = {})
    {
        auto item = kit::make<kit::TabViewItem>(identifier.isNil() ? kit::Value(label) : identifier);
        item->setLabel(label);
        tabView->addTabViewItem(item);
        return item;
    }
    std::vector<double> widths() const
    {
        std::vector<double> w;
        for (const auto& cell : bar->cells())
            if (!cell->isInOverflowMenu())
                w.push_back(cell->frame().size.width);
        return w;
    }
};
