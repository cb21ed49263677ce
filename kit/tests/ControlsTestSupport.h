#pragma once

// Fixtures for the cell and control tests: a window with a content view to place controls in, an
// event script on it, a target that records the actions it gets (name, sender, time) and a log
// that recording cells and targets append to, so tests compare call orders as strings.

#include "kit/appkit/Application.h"
#include "kit/appkit/Responder.h"
#include "kit/appkit/View.h"
#include "kit/appkit/Window.h"
#include "kit/controls/Menu.h"
#include "kit/controls/MenuPlacement.h"
#include "kit/core/NotificationCenter.h"
#include "kit/foundation/KeyedUnarchiver.h"
#include "kit/testsupport/EventScript.h"
#include "kit/tests/GraphicsTestSupport.h"

#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

// Archives written by hand, as a file a user edited might hold: `objects` is the "$objects" array
// and object 0 the root.
inline QByteArray archiveOf(const char* objects)
{
    return QByteArray(R"({"$archiver": "KeyedArchiver", "$version": 1, "$top": {"root": {"$ref": 0}}, "$objects": )") + objects + "}";
}

// Decodes despite errors, as an interface file's objects are: the object and the first error.
template <class T> std::pair<kit::Ref<T>, QString> decodeLeniently(const QByteArray& data)
{
    auto unarchiver = kit::make<kit::KeyedUnarchiver>(data);
    const auto object = unarchiver->decodeObjectForKey("root").objectAs<T>();
    return { object, unarchiver->error() };
}

namespace kit::test {

// Answers the actions it was given (of "act", "itemAct", "other") and records each one.
class RecordingTarget : public Responder {
    KIT_CLASS(RecordingTarget)
public:
    struct Call {
        QString action;
        Object* sender;
        double time;
    };
    explicit RecordingTarget(QStringList actions = { QStringLiteral("act") }, QStringList* log = nullptr)
        : actions_(std::move(actions))
        , log_(log)
    { }
    bool respondsToSelector(const Selector& s) const override
    {
        static const QStringList recorded { QStringLiteral("act"), QStringLiteral("itemAct"), QStringLiteral("other") };
        return recorded.contains(s.name()) ? actions_.contains(s.name()) : Responder::respondsToSelector(s);
    }
    void act(Object* sender) { record(QStringLiteral("act"), sender); }
    void itemAct(Object* sender) { record(QStringLiteral("itemAct"), sender); }
    void other(Object* sender) { record(QStringLiteral("other"), sender); }

    std::vector<Call> calls;
    std::function<void()> onAction;

private:
    void record(const QString& action, Object* sender)
    {
        if (!actions_.contains(action))
            return;
        calls.push_back({ action, sender, Application::sharedApplication()->now() });
        if (log_)
            log_->append(QStringLiteral("action"));
        if (onAction)
            onAction();
    }
    QStringList actions_;
    QStringList* log_;
};

// A titled window with a plain content view of the given size at (100, 100).
class ControlWindow {
public:
    explicit ControlWindow(Size size = { 300, 200 })
    {
        window = make<Window>(MakeRect(100, 100, size.width, size.height), TitledWindowMask);
        content = make<View>(MakeRect(0, 0, size.width, size.height));
        window->setContentView(content.get());
        window->makeKeyAndOrderFront();
        script.emplace(window.get());
    }
    ~ControlWindow()
    {
        script.reset();
        window->orderOut();
        window->setContentView(nullptr);
    }
    Ref<Window> window;
    Ref<View> content;
    std::optional<EventScript> script;
};

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
