#pragma once

// Fixtures for the cell and control tests: a window with a content view to place controls in, an
// event script on it, a target that records the actions it gets (name, sender, time) and a log
// that recording cells and targets append to, so tests compare call orders as strings.

#include "kit/appkit/Application.h"
#include "kit/appkit/Responder.h"
#include "kit/appkit/View.h"
#include "kit/appkit/Window.h"
#include "kit/testsupport/EventScript.h"

#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace kit::test {

// Answers the actions it was given and records each one.
class RecordingTarget : public Responder {
public:
    struct Call {
        std::string action;
        Object* sender;
        double time;
    };
    explicit RecordingTarget(std::vector<std::string> actions = { "act:" }, QStringList* log = nullptr)
        : actions_(std::move(actions))
        , log_(log)
    { }
    bool respondsToAction(std::string_view action) const override
    {
        for (const std::string& a : actions_)
            if (a == action)
                return true;
        return false;
    }
    void performAction(std::string_view action, Object* sender) override
    {
        calls.push_back({ std::string(action), sender, Application::sharedApplication()->now() });
        if (log_)
            log_->append(QStringLiteral("action"));
    }
    std::vector<Call> calls;

private:
    std::vector<std::string> actions_;
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

} // namespace kit::test
