#pragma once

// The system's global hot-key service: a combination registered here fires wherever the user
// is, delivered on the main thread as pressed and released events. The platform part is a
// backend (X11 key grabs; a fake in tests; "none" where the session cannot grab globally).

#include "kit/appkit/SymbolicHotKeys.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <vector>

namespace kit {

struct EventHotKeyID {
    std::uint32_t signature = 0;
    std::uint32_t id = 0;
};

struct HotKeyEvent {
    EventHotKeyID hotKeyID;
    bool pressed = false;
    // The platform's modifier flags at the event (Command = Ctrl).
    std::uint64_t modifierFlags = 0;
    // Clock::uptime() when the event arrived.
    double timestamp = 0;
};

// A registration; 0 is none.
using EventHotKeyRef = std::uint64_t;

// What grabs keys system-wide. It reports presses and releases of its grabs, on the main thread,
// through the sink the service gives it.
class HotKeyBackend {
public:
    using Sink = std::function<void(std::uint64_t grab, bool pressed, std::uint64_t modifierFlags)>;
    virtual ~HotKeyBackend() = default;
    // `modifiers` holds only CarbonHotKeyModifiers bits. False when the system refuses.
    virtual bool grab(std::uint64_t grab, std::uint16_t keyCode, std::uint32_t modifiers) = 0;
    virtual void ungrab(std::uint64_t grab) = 0;
    void setSink(Sink sink) { sink_ = std::move(sink); }

protected:
    void report(std::uint64_t grab, bool pressed, std::uint64_t modifierFlags) const
    {
        if (sink_)
            sink_(grab, pressed, modifierFlags);
    }

private:
    Sink sink_;
};

// A backend that grabs nothing and can fire its grabs by key: the tests' system.
class FakeHotKeyBackend : public HotKeyBackend {
public:
    bool grab(std::uint64_t grab, std::uint16_t keyCode, std::uint32_t modifiers) override;
    void ungrab(std::uint64_t grab) override;
    // The system refuses this combination (another program holds it).
    void refuse(std::uint16_t keyCode, std::uint32_t modifiers) { refused_.insert(combo(keyCode, modifiers)); }
    // Reports a press or release of the grab of this combination, if there is one.
    void fire(std::uint16_t keyCode, std::uint32_t modifiers, bool pressed, std::uint64_t modifierFlags = 0);
    std::size_t grabCount() const { return grabs_.size(); }

private:
    static std::uint64_t combo(std::uint16_t keyCode, std::uint32_t modifiers) { return (std::uint64_t(modifiers) << 16) | keyCode; }
    std::vector<std::pair<std::uint64_t, std::uint64_t>> grabs_; // grab, combination
    std::set<std::uint64_t> refused_;
};

class HotKeyService {
public:
    using Handler = std::function<void(const HotKeyEvent&)>;

    // Installs the one handler of the process; a second call replaces it.
    static void installEventHandler(Handler handler);
    // Registers the combination (alpha lock and other bits are ignored). 0 when the system refuses,
    // or when this process already holds the same combination. Main thread only.
    static EventHotKeyRef registerEventHotKey(std::uint16_t keyCode, std::uint32_t modifiers, EventHotKeyID id);
    // An unknown or zero reference does nothing.
    static void unregisterEventHotKey(EventHotKeyRef ref);

    // Whether this session's backend can grab at all (false offscreen and under Wayland).
    static bool isAvailable();

    // Test-only: `backend` becomes the system (nullptr: back to the platform's own choice).
    // Registrations made so far are dropped.
    static void setBackendForTesting(std::unique_ptr<HotKeyBackend> backend);
    // The backend in use (the platform's, made on first use).
    static HotKeyBackend* backend();
    // Test-only: no handler, no registration, the platform's backend again.
    static void resetForTesting();
};

} // namespace kit
