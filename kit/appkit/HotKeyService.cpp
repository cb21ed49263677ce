#include "kit/appkit/HotKeyService.h"

#include "kit/core/Exception.h"
#include "kit/core/MainThread.h"
#include "kit/foundation/Clock.h"
#include "kit/x11/HotKeyGrabs.h"

#include <algorithm>
#include <map>

namespace kit {

namespace {

struct HotKeyRegistration {
    std::uint16_t keyCode = 0;
    std::uint32_t modifiers = 0;
    EventHotKeyID id;
};

struct HotKeyServiceState {
    std::unique_ptr<HotKeyBackend> backend;
    bool backendChosen = false;
    HotKeyService::Handler handler;
    std::map<EventHotKeyRef, HotKeyRegistration> registrations;
    EventHotKeyRef nextRef = 1;
};

HotKeyServiceState& hotKeyServiceState()
{
    static HotKeyServiceState state;
    return state;
}

void hotKeyServiceDeliver(std::uint64_t ref, bool pressed, std::uint64_t modifierFlags)
{
    auto& s = hotKeyServiceState();
    const auto it = s.registrations.find(ref);
    if (it == s.registrations.end() || !s.handler || !SymbolicHotKeysEnabled())
        return;
    const HotKeyEvent event { it->second.id, pressed, modifierFlags, Clock::currentUptime() };
    // The handler may unregister this very key (or install another handler): call a copy.
    const HotKeyService::Handler handler = s.handler;
    handler(event);
}

void hotKeyServiceAdopt(std::unique_ptr<HotKeyBackend> backend)
{
    auto& s = hotKeyServiceState();
    for (const auto& [ref, registration] : s.registrations) {
        if (s.backend)
            s.backend->ungrab(ref);
        RemoveSymbolicHotKey(registration.keyCode, registration.modifiers);
    }
    s.registrations.clear();
    s.backend = std::move(backend);
    if (s.backend)
        s.backend->setSink(hotKeyServiceDeliver);
}

} // namespace

bool FakeHotKeyBackend::grab(std::uint64_t grab, std::uint16_t keyCode, std::uint32_t modifiers)
{
    if (refused_.contains(combo(keyCode, modifiers)))
        return false;
    grabs_.emplace_back(grab, combo(keyCode, modifiers));
    return true;
}

void FakeHotKeyBackend::ungrab(std::uint64_t grab)
{
    std::erase_if(grabs_, [grab](const auto& g) { return g.first == grab; });
}

void FakeHotKeyBackend::fire(std::uint16_t keyCode, std::uint32_t modifiers, bool pressed, std::uint64_t modifierFlags)
{
    const std::uint64_t wanted = combo(keyCode, modifiers & CarbonHotKeyModifiers);
    const auto it = std::find_if(grabs_.begin(), grabs_.end(), [wanted](const auto& g) { return g.second == wanted; });
    if (it != grabs_.end())
        report(it->first, pressed, modifierFlags);
}

HotKeyBackend* HotKeyService::backend()
{
    auto& s = hotKeyServiceState();
    if (!s.backendChosen) {
        s.backendChosen = true;
        hotKeyServiceAdopt(makePlatformHotKeyBackend());
    }
    return s.backend.get();
}

void HotKeyService::installEventHandler(Handler handler)
{
    KIT_ASSERT(isMainThread(), "hot keys belong to the main thread");
    hotKeyServiceState().handler = std::move(handler);
}

EventHotKeyRef HotKeyService::registerEventHotKey(std::uint16_t keyCode, std::uint32_t modifiers, EventHotKeyID id)
{
    KIT_ASSERT(isMainThread(), "hot keys belong to the main thread");
    auto& s = hotKeyServiceState();
    HotKeyBackend* grabber = backend();
    if (!grabber)
        return 0;
    modifiers &= CarbonHotKeyModifiers;
    // One client's second grab of a combination is silently merged by the server, and one ungrab
    // would then drop both: the second registration is refused instead.
    for (const auto& [ref, r] : s.registrations)
        if (r.keyCode == keyCode && r.modifiers == modifiers)
            return 0;
    const EventHotKeyRef ref = s.nextRef++;
    if (!grabber->grab(ref, keyCode, modifiers))
        return 0;
    s.registrations.emplace(ref, HotKeyRegistration { keyCode, modifiers, id });
    AddSymbolicHotKey(keyCode, modifiers);
    return ref;
}

void HotKeyService::unregisterEventHotKey(EventHotKeyRef ref)
{
    KIT_ASSERT(isMainThread(), "hot keys belong to the main thread");
    auto& s = hotKeyServiceState();
    const auto it = s.registrations.find(ref);
    if (it == s.registrations.end())
        return;
    const HotKeyRegistration registration = it->second;
    s.registrations.erase(it);
    if (s.backend)
        s.backend->ungrab(ref);
    RemoveSymbolicHotKey(registration.keyCode, registration.modifiers);
}

bool HotKeyService::isAvailable() { return backend() != nullptr; }

void HotKeyService::setBackendForTesting(std::unique_ptr<HotKeyBackend> backend)
{
    auto& s = hotKeyServiceState();
    s.backendChosen = backend != nullptr;
    hotKeyServiceAdopt(std::move(backend));
}

void HotKeyService::resetForTesting()
{
    setBackendForTesting(nullptr);
    hotKeyServiceState().handler = nullptr;
    hotKeyServiceState().nextRef = 1;
}

} // namespace kit
