#include "kit/testsupport/EventScript.h"

#include "kit/appkit/Application.h"
#include "kit/appkit/InputState.h"
#include "kit/appkit/KeyCodes.h"
#include "kit/appkit/Window.h"
#include "kit/core/Exception.h"
#include "kit/foundation/RunLoop.h"
#include "kit/testsupport/PixelProbe.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kit::test {

EventScript::EventScript(Window* window)
    : window_(window)
    , clock_(std::make_shared<ManualClock>())
{
    InputState::reset();
    previousClock_ = Clock::install(clock_);
    scriptTime_ = clock_->monotonic();
    Application::sharedApplication()->setWaitTurn([this](const QString& mode, double until) { return turn(mode, until); });
}

EventScript::~EventScript()
{
    Application::resetForTesting();
    RunLoop::main().resetForTesting();
    Clock::install(previousClock_);
    InputState::reset();
}

double EventScript::now() const { return clock_->monotonic(); }

EventScript& EventScript::wait(double seconds)
{
    scriptTime_ += seconds;
    return *this;
}

Ref<Event> EventScript::makeMouse(EventType type, Point p, std::uint64_t flags, int button)
{
    InputState& input = InputState::shared();
    const Point screen = window_->convertBaseToScreen(p);
    if (type == LeftMouseDown || type == RightMouseDown || type == OtherMouseDown)
        pressCount_ = input.countClick(button, scriptTime_, screen);
    Event::Fields f;
    f.type = type;
    f.location = p;
    f.modifierFlags = flags;
    f.timestamp = scriptTime_;
    f.windowNumber = window_->windowNumber();
    f.window = Weak<Window>(window_);
    f.clickCount = type == MouseMoved ? 0 : pressCount_;
    f.buttonNumber = button;
    f.deltaX = p.x - lastMouse_.x;
    f.deltaY = lastMouse_.y - p.y;
    lastMouse_ = p;
    return make<Event>(std::move(f));
}

Ref<Event> EventScript::makeKey(EventType type, std::uint16_t keyCode, const QString& characters, std::uint64_t flags)
{
    flags |= KeyCodeFlags(keyCode);
    const QString chars = CharactersForKey(keyCode, characters, flags);
    return Event::keyEventWithTypeLocationModifierFlagsTimestampWindowNumberContextCharactersCharactersIgnoringModifiersIsARepeatKeyCode(
        type, ZeroPoint, flags, scriptTime_, window_->windowNumber(), nullptr, chars, chars, false, keyCode);
}

EventScript& EventScript::post(Ref<Event> event)
{
    pending_.push_back({ scriptTime_, std::move(event) });
    return *this;
}

EventScript& EventScript::inWindow(Window* window)
{
    window_ = window;
    return *this;
}

EventScript& EventScript::mouseDown(Point p, std::uint64_t flags, int button)
{
    return post(makeMouse(button == 0 ? LeftMouseDown : button == 1 ? RightMouseDown : OtherMouseDown, p, flags, button));
}

EventScript& EventScript::mouseDragged(Point p, std::uint64_t flags, int button)
{
    return post(makeMouse(button == 0 ? LeftMouseDragged : button == 1 ? RightMouseDragged : OtherMouseDragged, p, flags, button));
}

EventScript& EventScript::mouseUp(Point p, std::uint64_t flags, int button)
{
    return post(makeMouse(button == 0 ? LeftMouseUp : button == 1 ? RightMouseUp : OtherMouseUp, p, flags, button));
}

EventScript& EventScript::mouseMoved(Point p, std::uint64_t flags) { return post(makeMouse(MouseMoved, p, flags, 0)); }

EventScript& EventScript::click(Point p, std::uint64_t flags) { return mouseDown(p, flags).mouseUp(p, flags); }

EventScript& EventScript::scroll(Point p, double deltaX, double deltaY)
{
    Event::Fields f;
    f.type = ScrollWheel;
    f.location = p;
    f.timestamp = scriptTime_;
    f.windowNumber = window_->windowNumber();
    f.window = Weak<Window>(window_);
    f.deltaX = deltaX;
    f.deltaY = deltaY;
    return post(make<Event>(std::move(f)));
}

EventScript& EventScript::keyDown(std::uint16_t keyCode, const QString& characters, std::uint64_t flags)
{
    return post(makeKey(KeyDown, keyCode, characters, flags));
}

EventScript& EventScript::keyUp(std::uint16_t keyCode, const QString& characters, std::uint64_t flags)
{
    return post(makeKey(KeyUp, keyCode, characters, flags));
}

EventScript& EventScript::key(std::uint16_t keyCode, const QString& characters, std::uint64_t flags)
{
    return keyDown(keyCode, characters, flags).keyUp(keyCode, characters, flags);
}

EventScript& EventScript::type(const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype n = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QString ch = text.mid(i, n);
        i += n - 1;
        if (ch == QLatin1String("\n") || ch == QLatin1String("\r"))
            key(KeyCodeReturn);
        else if (ch == QLatin1String("\t"))
            key(KeyCodeTab);
        else
            key(KeyCodeUnknown, ch);
    }
    return *this;
}

void EventScript::postDue()
{
    auto app = Application::sharedApplication();
    std::stable_sort(pending_.begin(), pending_.end(), [](const Scheduled& a, const Scheduled& b) { return a.time < b.time; });
    auto it = pending_.begin();
    for (; it != pending_.end() && it->time <= now(); ++it) {
        InputState& input = InputState::shared();
        const Event& e = *it->event;
        input.modifierFlags = e.modifierFlags() & DeviceIndependentModifierFlagsMask & ~(FunctionKeyMask | NumericPadKeyMask);
        if (e.isMouseEvent()) {
            const Ref<Window> w = e.window();
            input.mouseLocation = (w ? w.get() : window_)->convertBaseToScreen(e.locationInWindow());
            const int bit = 1 << e.buttonNumber();
            if (e.type() == LeftMouseDown || e.type() == RightMouseDown || e.type() == OtherMouseDown)
                input.pressedButtons |= bit;
            else if (e.type() == LeftMouseUp || e.type() == RightMouseUp || e.type() == OtherMouseUp)
                input.pressedButtons &= ~bit;
        } else if (e.type() == KeyDown) {
            input.keysDown.insert(e.keyCode());
        } else if (e.type() == KeyUp) {
            input.keysDown.erase(e.keyCode());
        }
        app->postEventAtStart(it->event.get(), false);
    }
    pending_.erase(pending_.begin(), it);
}

double EventScript::nextTime() const
{
    double next = std::numeric_limits<double>::infinity();
    for (const Scheduled& s : pending_)
        next = std::min(next, s.time);
    // The run loop answers for its current mode: the one the waiting loop set.
    if (const std::optional<double> due = RunLoop::main().nextEligibleFireTime())
        next = std::min(next, *due);
    return next;
}

void EventScript::advanceTo(double time)
{
    // The manual clock fires what falls due on the way, in the run loop's current mode.
    if (time > now())
        clock_->advance(time - now());
    RunLoop::main().runPending();
}

bool EventScript::turn(const QString&, double until)
{
    const double next = std::min(nextTime(), until);
    if (!std::isfinite(next))
        return false;
    // Nothing scripted and no deadline: only timers can end the wait, and a repeating one would
    // keep it turning for ever. One-shot timers (a stop, an abort) get their turns; a wait that
    // outlives many of them is a test that forgot an event.
    if (pending_.empty() && !std::isfinite(until)) {
        if (++dryTurns_ > MaxDryTurns) {
            dryTurns_ = 0;
            Exception::raise(InternalInconsistencyException,
                QStringLiteral("EventScript: an unbounded wait with no scripted event left only turns timers; it would never end"));
        }
        advanceTo(next);
        postDue();
        return true;
    }
    dryTurns_ = 0;
    advanceTo(next);
    postDue();
    return true;
}

int EventScript::run()
{
    auto app = Application::sharedApplication();
    int count = 0;
    for (;;) {
        postDue();
        count += app->dispatchQueuedEvents();
        if (pending_.empty())
            break;
        double next = std::numeric_limits<double>::infinity();
        for (const Scheduled& s : pending_)
            next = std::min(next, s.time);
        advanceTo(next);
    }
    return count;
}

QColor basePixel(const QImage& snapshot, Point p)
{
    const double dpr = snapshot.devicePixelRatio();
    const int height = int(snapshot.height() / dpr);
    return pixel(snapshot, int(std::floor(p.x * dpr)), int(std::floor((height - p.y) * dpr)));
}

testing::AssertionResult basePixelIs(const QImage& snapshot, Point p, QColor expected, int tolerance)
{
    const double dpr = snapshot.devicePixelRatio();
    const int height = int(snapshot.height() / dpr);
    return pixelIs(snapshot, int(std::floor(p.x * dpr)), int(std::floor((height - p.y) * dpr)), expected, tolerance);
}

} // namespace kit::test
