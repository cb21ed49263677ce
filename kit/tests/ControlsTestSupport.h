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
#include "kit/testsupport/ScriptedMenuPresenter.h"
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

// How many pixels of `area` (base coordinates, from 2.5 points in, 40 points wide) differ between
// two snapshots: text that must not move when editing starts.
inline int differingTextPixels(const QImage& before, const QImage& after, Rect area)
{
    int differing = 0;
    for (double y = area.minY() + 0.5; y < area.maxY(); y += 1)
        for (double x = area.minX() + 2.5; x < area.minX() + 40; x += 1)
            if (basePixel(before, MakePoint(x, y)) != basePixel(after, MakePoint(x, y)))
                ++differing;
    return differing;
}

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

} // namespace kit::test
