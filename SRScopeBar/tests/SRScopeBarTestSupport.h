#pragma once

// Helpers shared by the scope bar tests: button and pop-up cells whose size comes from a table by
// title (so layout numbers are exact and font-free), a data source of fixed values, and a delegate
// that records calls and answers as told.

#include "SRScopeBar/SRScopeBar.h"

#include "kit/appkit/Window.h"
#include "kit/core/NotificationCenter.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

// Widths by title; unknown titles are 40 wide. Every cell is 20 high.
inline std::map<QString, double>& srTestWidths()
{
    static std::map<QString, double> widths;
    return widths;
}

inline kit::Size srTestSize(const QString& title)
{
    const auto it = srTestWidths().find(title);
    return kit::MakeSize(it == srTestWidths().end() ? 40 : it->second, 20);
}

class SRTableButtonCell : public SRButtonCell {
    KIT_CLASS(SRTableButtonCell)
public:
    static inline int measured = 0;
    static inline int highlighted = 0;
    kit::Size cellSizeForBounds(kit::Rect) const override
    {
        ++measured;
        return srTestSize(title());
    }
    void setHighlighted(bool flag) override
    {
        highlighted += flag ? 1 : 0;
        SRButtonCell::setHighlighted(flag);
    }
};

class SRTablePopUpCell : public SRPopUpButtonCell {
    KIT_CLASS(SRTablePopUpCell)
public:
    kit::Size cellSizeForBounds(kit::Rect) const override
    {
        const kit::Ref<kit::MenuItem> item = menuItem();
        return srTestSize(QStringLiteral("popup:") + (item ? item->title() : QString()));
    }
};

// Archivable (with nothing of its own) so that archive tests can keep it beside a bar.
class SRTestDataSource : public kit::Object, public SRScopeBarDataSource, public kit::Coding {
    KIT_CLASS(SRTestDataSource)
public:
    void encodeWithCoder(kit::Coder&) const override { }
    void initWithCoder(kit::Coder&) override { }
    std::vector<std::vector<kit::Value>> groups;
    std::int64_t scopeBarNumberOfObjectsInScopeBarGroup(SRScopeBar*, std::int64_t group) override
    {
        return group < std::int64_t(groups.size()) ? std::int64_t(groups[std::size_t(group)].size()) : 0;
    }
    kit::Value scopeBarValueForObjectInGroupAtIndex(SRScopeBar*, std::int64_t group, std::int64_t index) override
    {
        return groups.at(std::size_t(group)).at(std::size_t(index));
    }
};

class SRTestDelegate : public kit::Object, public SRScopeBarDelegate, public kit::Coding {
    KIT_CLASS(SRTestDelegate)
public:
    void encodeWithCoder(kit::Coder&) const override { }
    void initWithCoder(kit::Coder&) override { }
    std::set<std::string, std::less<>> implemented;
    QStringList calls;
    std::function<bool(const kit::Value&)> shouldSelect;
    std::function<bool(SRScopeBarGroup*)> shouldCollapse;
    std::function<bool(SRScopeBarGroup*)> shouldExpand;
    std::vector<kit::Ref<kit::Notification>> heard;

    bool respondsToSelector(const kit::Selector& selector) const override
    {
        return implemented.count(selector.name().toStdString()) != 0 || kit::Object::respondsToSelector(selector);
    }
    bool scopeBarShouldSelectObject(SRScopeBar*, const kit::Value& object) override
    {
        calls << QStringLiteral("select:") + object.stringValue();
        return shouldSelect ? shouldSelect(object) : true;
    }
    bool scopeBarShouldCollapseGroup(SRScopeBar*, SRScopeBarGroup* group) override
    {
        calls << QStringLiteral("collapse:") + group->identifier();
        return shouldCollapse ? shouldCollapse(group) : true;
    }
    bool scopeBarShouldExpandGroup(SRScopeBar*, SRScopeBarGroup* group) override
    {
        calls << QStringLiteral("expand:") + group->identifier();
        return shouldExpand ? shouldExpand(group) : true;
    }
    void scopeBarSelectionDidChange(kit::Notification* n) override { heard.push_back(kit::Ref<kit::Notification>(n)); }
};

// A bar with the table cells installed, `width` wide and 25 high, fed by `source` (groups of
// strings, identified "g0", "g1", …).
inline kit::Ref<SRScopeBar> makeTableBar(double width, SRTestDataSource* source, const std::vector<QStringList>& groups)
{
    auto bar = kit::make<SRScopeBar>(kit::MakeRect(0, 0, width, 25));
    bar->setButtonCell(kit::make<SRTableButtonCell>().get());
    bar->setPopUpButtonCell(kit::make<SRTablePopUpCell>().get());
    source->groups.clear();
    for (const QStringList& titles : groups) {
        std::vector<kit::Value> values;
        for (const QString& t : titles)
            values.emplace_back(t);
        source->groups.push_back(values);
    }
    bar->setDataSource(source);
    for (std::size_t i = 0; i < groups.size(); ++i)
        bar->addGroup()->setIdentifier(QStringLiteral("g%1").arg(i));
    bar->reloadData();
    return bar;
}

// A 400 × 60 window whose content shows, at (0, 20), a table bar of two groups: "All", "Images"
// and "Small", "Large".
struct SRBarInWindow {
    kit::Ref<SRTestDataSource> source;
    kit::Ref<kit::Window> window;
    kit::Ref<kit::View> content;
    kit::Ref<SRScopeBar> bar;
    void setUpBarInWindow()
    {
        srTestWidths() = { { "All", 40 }, { "Images", 50 }, { "Small", 40 }, { "Large", 40 }, { "popup:Small", 60 } };
        source = kit::make<SRTestDataSource>();
        window = kit::make<kit::Window>(kit::MakeRect(100, 100, 400, 60), kit::TitledWindowMask);
        content = kit::make<kit::View>(kit::MakeRect(0, 0, 400, 60));
        window->setContentView(content.get());
        window->makeKeyAndOrderFront();
        bar = makeTableBar(400, source.get(), { { "All", "Images" }, { "Small", "Large" } });
        bar->setFrameOrigin(kit::MakePoint(0, 20));
        content->addSubview(bar.get());
    }
};

// Records the bar's notifications in the order they arrive.
class SRNotificationLog {
public:
    SRNotificationLog()
    {
        token = kit::NotificationCenter::defaultCenter()->addObserverForNameObjectQueueUsingBlock(
            SRScopeBarSelectionDidChangeNotification, nullptr, nullptr, [this](kit::Notification* n) { notes.push_back(kit::Ref<kit::Notification>(n)); });
    }
    ~SRNotificationLog() { kit::NotificationCenter::defaultCenter()->removeObserver(token.get()); }
    std::vector<kit::Ref<kit::Notification>> notes;
    kit::Ref<kit::Object> token;
};
