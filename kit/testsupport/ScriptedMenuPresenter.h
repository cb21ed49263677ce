#pragma once

// Menus in tests: a presenter that stands in for the QMenu one (records what each session shows,
// answers queued choices) and a scope that installs it and logs the tracking notifications.

#include "kit/controls/Menu.h"
#include "kit/controls/MenuItem.h"
#include "kit/controls/MenuPlacement.h"
#include "kit/core/NotificationCenter.h"

#include <QString>
#include <QStringList>

#include <algorithm>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

namespace kit::test {

// Stands in for the QMenu presenter: records what each session shows and answers from a queue of
// choices (an index into the menu, or -1 to cancel; an empty queue cancels). Like a real menu, it
// refuses a disabled item or a separator: the session ends as if cancelled.
class ScriptedMenuPresenter : public MenuPresenter {
public:
    struct Shown {
        QStringList titles; // the listed items, "-" for separators
        std::vector<bool> enabled;
        std::vector<int> states;
        QString positioned;
        std::size_t firstShownIndex = 0;
        Rect screenRect; // the anchor the session computed
        Rect frame; // where the menu opens: ItemHeight per listed item, at least 120 wide
    };
    static constexpr double ItemHeight = 20;
    Ref<MenuItem> presentMenu(Menu& menu, const MenuPresentation& where) override
    {
        Shown shown;
        for (std::size_t i = where.firstShownIndex; i < menu.itemArray().size(); ++i) {
            const Ref<MenuItem>& item = menu.itemArray()[i];
            shown.titles << (item->isSeparatorItem() ? QStringLiteral("-") : item->title());
            shown.enabled.push_back(item->isEnabled());
            shown.states.push_back(item->state());
        }
        shown.positioned = where.positionedItem ? where.positionedItem->title() : QString();
        shown.firstShownIndex = where.firstShownIndex;
        shown.screenRect = where.screenRect;
        MenuMetrics metrics;
        metrics.size = { std::max(120.0, where.minimumWidth), ItemHeight * double(shown.titles.size()) };
        if (where.positionedItem) {
            const std::int64_t index = menu.indexOfItem(where.positionedItem) - std::int64_t(where.firstShownIndex);
            metrics.positionedItemTop = ItemHeight * double(index);
            metrics.positionedItemHeight = ItemHeight;
        }
        shown.frame = MenuFrameForPresentation(where, metrics, visibleFrame);
        sessions.push_back(shown);
        if (onPresent)
            onPresent();
        if (log)
            log->append(QStringLiteral("present"));
        if (choices.empty())
            return nullptr;
        const std::int64_t choice = choices.front();
        choices.pop_front();
        const Ref<MenuItem> item = menu.itemAtIndex(choice);
        return item && item->isEnabled() && !item->isSeparatorItem() ? item : nullptr;
    }
    std::deque<std::int64_t> choices;
    std::vector<Shown> sessions;
    Rect visibleFrame; // empty: no screen to fit
    QStringList* log = nullptr;
    std::function<void()> onPresent;
};

// Installs a scripted presenter and a tracking-notification log for a test's lifetime.
class MenuScope {
public:
    MenuScope()
        : presenter(std::make_shared<ScriptedMenuPresenter>())
    {
        Menu::setPresenter(presenter);
        const auto record = [this](Notification* n) {
            notifications << n->name();
            notifiedMenus.push_back(dynamic_cast<Menu*>(n->object().get()));
            if (log)
                log->append(n->name() == MenuDidBeginTrackingNotification ? QStringLiteral("begin") : QStringLiteral("end"));
        };
        const Ref<NotificationCenter> center = NotificationCenter::defaultCenter();
        tokens.push_back(center->addObserverForNameObjectQueueUsingBlock(MenuDidBeginTrackingNotification, nullptr, nullptr, record));
        tokens.push_back(center->addObserverForNameObjectQueueUsingBlock(MenuDidEndTrackingNotification, nullptr, nullptr, record));
    }
    ~MenuScope()
    {
        Menu::setPresenter(nullptr);
        for (const Ref<Object>& token : tokens)
            NotificationCenter::defaultCenter()->removeObserver(token.get());
    }
    void setLog(QStringList* l)
    {
        log = l;
        presenter->log = l;
    }
    std::shared_ptr<ScriptedMenuPresenter> presenter;
    QStringList notifications;
    std::vector<Menu*> notifiedMenus;
    QStringList* log = nullptr;
    std::vector<Ref<Object>> tokens;
};

} // namespace kit::test
