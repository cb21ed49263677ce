#include "components/HKHotKey/HKHotKeyCenter.h"

#include "kit/core/Exception.h"
#include "kit/core/MainThread.h"
#include "kit/foundation/Clock.h"

#include <QDebug>

#include <unordered_set>

using namespace kit;

namespace {

struct HKHotKeyCenterState {
    std::unordered_set<Ref<HKHotKey_>> hotKeys;
    std::uint32_t nextID = 1;
    bool handlerInstalled = false;
};

HKHotKeyCenterState& hkCenterState()
{
    KIT_ASSERT(isMainThread(), "hot keys belong to the main thread");
    static HKHotKeyCenterState state;
    return state;
}

void hkCenterHandleEvent(const HotKeyEvent& systemEvent)
{
    // Only the release fires.
    if (systemEvent.pressed)
        return;
    std::vector<Ref<HKHotKey_>> matches;
    for (const Ref<HKHotKey_>& hotKey : hkCenterState().hotKeys)
        if (hotKey->hotKeyID() == systemEvent.hotKeyID.id)
            matches.push_back(hotKey);
    if (matches.size() >= 2)
        qWarning("ERROR!");
    if (matches.empty())
        return;
    const Ref<HKHotKey_> hotKey = matches.front();
    const Ref<Event> event = Event::keyEventWithTypeLocationModifierFlagsTimestampWindowNumberContextCharactersCharactersIgnoringModifiersIsARepeatKeyCode(
        KeyUp, Event::mouseLocation(), systemEvent.modifierFlags, Clock::currentUptime(), -1, nullptr, QString(), QString(), false,
        hotKey->keyCode());
    hotKey->invokeWithEvent(event.get());
}

void hkCenterInitialize()
{
    auto& s = hkCenterState();
    if (s.handlerInstalled)
        return;
    s.handlerInstalled = true;
    HotKeyService::installEventHandler(hkCenterHandleEvent);
}

bool hkCenterRegister(Ref<HKHotKey_> hotKey)
{
    auto& s = hkCenterState();
    hotKey->setHotKeyID(s.nextID);
    if (!hotKey->registerHotKey())
        return false;
    ++s.nextID;
    s.hotKeys.insert(std::move(hotKey));
    return true;
}

} // namespace

KIT_REGISTER_CLASS(HKHotKeyCenter, Object) { }

HKHotKeyCenter::HKHotKeyCenter() { hkCenterInitialize(); }

std::vector<Ref<HKHotKey>> HKHotKeyCenter::hotKeysMatchingPredicate(const Filter& filter) const
{
    std::vector<Ref<HKHotKey>> matches;
    for (const Ref<HKHotKey_>& hotKey : hkCenterState().hotKeys)
        if (filter(*hotKey))
            matches.push_back(hotKey);
    return matches;
}

bool HKHotKeyCenter::hasRegisteredHotKeyWithKeyCodeModifierFlags(std::uint16_t keyCode, std::uint64_t flags) const
{
    return !hotKeysMatchingPredicate([&](const HKHotKey_& h) { return h.keyCode() == keyCode && h.modifierFlags() == flags; }).empty();
}

bool HKHotKeyCenter::registerHotKeyWithKeyCodeModifierFlagsTask(std::uint16_t keyCode, std::uint64_t flags, HKHotKey::Task task)
{
    if (hasRegisteredHotKeyWithKeyCodeModifierFlags(keyCode, flags))
        return false;
    auto hotKey = make<HKHotKey_>();
    hotKey->setTask(std::move(task));
    hotKey->setKeyCode(keyCode);
    hotKey->setModifierFlags(flags);
    return hkCenterRegister(std::move(hotKey));
}

bool HKHotKeyCenter::registerHotKeyWithKeyCodeModifierFlagsTargetActionObject(
    std::uint16_t keyCode, std::uint64_t flags, Ref<Object> target, Selector action, Ref<Object> object)
{
    if (hasRegisteredHotKeyWithKeyCodeModifierFlags(keyCode, flags))
        return false;
    auto hotKey = make<HKHotKey_>();
    hotKey->setTarget(std::move(target));
    hotKey->setAction(action);
    hotKey->setObject(std::move(object));
    hotKey->setKeyCode(keyCode);
    hotKey->setModifierFlags(flags);
    return hkCenterRegister(std::move(hotKey));
}

void HKHotKeyCenter::unregisterHotKeysMatchingPredicate(const Filter& filter)
{
    auto& s = hkCenterState();
    // The set owns the hot keys: hold them until they are unregistered.
    std::vector<Ref<HKHotKey_>> matches;
    for (const Ref<HKHotKey_>& hotKey : s.hotKeys)
        if (filter(*hotKey))
            matches.push_back(hotKey);
    for (const Ref<HKHotKey_>& hotKey : matches)
        s.hotKeys.erase(hotKey);
    for (const Ref<HKHotKey_>& hotKey : matches)
        hotKey->unregisterHotKey();
}

void HKHotKeyCenter::unregisterHotKey(HKHotKey* hotKey)
{
    auto* concrete = dynamic_cast<HKHotKey_*>(hotKey);
    if (!concrete)
        Exception::raise(InvalidArgumentException, QStringLiteral("Invalid hotkey"));
    const Ref<HKHotKey_> keep(concrete);
    hkCenterState().hotKeys.erase(keep);
    keep->unregisterHotKey();
}

void HKHotKeyCenter::unregisterHotKeysWithTarget(Object* target)
{
    unregisterHotKeysMatchingPredicate([target](const HKHotKey_& h) { return h.target().get() == target; });
}

void HKHotKeyCenter::unregisterHotKeysWithTargetAction(Object* target, Selector action)
{
    const QString name = action.isNull() ? QString() : action.name();
    unregisterHotKeysMatchingPredicate([&](const HKHotKey_& h) { return h.target().get() == target && h.actionString() == name; });
}

void HKHotKeyCenter::unregisterHotKeyWithKeyCodeModifierFlags(std::uint16_t keyCode, std::uint64_t flags)
{
    unregisterHotKeysMatchingPredicate([&](const HKHotKey_& h) { return h.keyCode() == keyCode && h.modifierFlags() == flags; });
}

std::vector<Ref<HKHotKey>> HKHotKeyCenter::registeredHotKeys() const
{
    return hotKeysMatchingPredicate([](const HKHotKey_& h) { return h.hotKeyRef() != 0; });
}

std::uint32_t HKHotKeyCenter::nextHotKeyIDForTesting() { return hkCenterState().nextID; }

void HKHotKeyCenter::resetForTesting()
{
    auto& s = hkCenterState();
    const std::unordered_set<Ref<HKHotKey_>> all = std::move(s.hotKeys);
    s.hotKeys.clear();
    for (const Ref<HKHotKey_>& hotKey : all)
        hotKey->unregisterHotKey();
    s.handlerInstalled = false;
}
