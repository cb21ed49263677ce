#pragma once

// Scripted input for kit tests: mouse and key events in a window's base coordinates (y up),
// stamped on the kit's manual clock and fed into the application's queue when their time comes.
// While a tracking loop waits, the script advances the clock to the next scripted event or run-loop
// timer of the loop's mode, so loops, timers, animations and click counts run deterministically
// without sleeping.

#include "kit/appkit/Event.h"
#include "kit/core/Geometry.h"
#include "kit/foundation/Clock.h"

#include <QColor>
#include <QImage>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

namespace kit {
class Window;
}

namespace kit::test {

class EventScript {
public:
    // Installs a manual clock and the waiting turn on the shared application; the destructor
    // restores the clock and resets the application, the run loop and the input state.
    explicit EventScript(Window* window);
    ~EventScript();
    EventScript(const EventScript&) = delete;
    EventScript& operator=(const EventScript&) = delete;

    // The kit clock's monotonic time.
    double now() const;
    ManualClock& clock() { return *clock_; }

    // Events are stamped at the script time, which wait() moves on.
    EventScript& wait(double seconds);
    EventScript& mouseDown(Point p, std::uint64_t flags = 0, int button = 0);
    EventScript& mouseDragged(Point p, std::uint64_t flags = 0, int button = 0);
    EventScript& mouseUp(Point p, std::uint64_t flags = 0, int button = 0);
    EventScript& mouseMoved(Point p, std::uint64_t flags = 0);
    EventScript& click(Point p, std::uint64_t flags = 0);
    EventScript& scroll(Point p, double deltaX, double deltaY);
    // Down and up. Characters default to what the key types (function keys, Return, ...).
    EventScript& key(std::uint16_t keyCode, const QString& characters = {}, std::uint64_t flags = 0);
    EventScript& keyDown(std::uint16_t keyCode, const QString& characters = {}, std::uint64_t flags = 0);
    EventScript& keyUp(std::uint16_t keyCode, const QString& characters = {}, std::uint64_t flags = 0);
    // A key down and up per character (a surrogate pair is one): "\n" as Return, "\t" as Tab,
    // so they go through the binding table; other characters are plain text keys.
    EventScript& type(const QString& text);
    EventScript& post(Ref<Event> event);
    // Later steps go to `window` (base coordinates are its own), e.g. a drag ending in another window.
    EventScript& inWindow(Window* window);

    // Puts the events whose time has come into the application's queue, without dispatching.
    void postDueEvents() { postDue(); }

    // Dispatches every scripted event in time order, firing the default mode's timers as the
    // clock passes them. Returns the number of events dispatched at this level.
    int run();

private:
    struct Scheduled {
        double time;
        Ref<Event> event;
    };

    Ref<Event> makeMouse(EventType type, Point p, std::uint64_t flags, int button);
    Ref<Event> makeKey(EventType type, std::uint16_t keyCode, const QString& characters, std::uint64_t flags);
    bool turn(const QString& mode, double until);
    void postDue();
    double nextTime() const;
    void advanceTo(double time);

    Window* window_;
    std::shared_ptr<ManualClock> clock_;
    std::shared_ptr<Clock> previousClock_;
    double scriptTime_ = 0;
    std::int64_t pressCount_ = 0;
    Point lastMouse_;
    std::vector<Scheduled> pending_;
    static constexpr int MaxDryTurns = 1000;
    int dryTurns_ = 0; // turns in a row of an unbounded wait with nothing scripted
};

// The window's snapshot pixel at a point in base coordinates (y up).
QColor basePixel(const QImage& snapshot, Point basePoint);
testing::AssertionResult basePixelIs(const QImage& snapshot, Point basePoint, QColor expected, int tolerance = 2);

} // namespace kit::test
