#pragma once

// The process's global hot keys: registers combinations with the system and runs their targets'
// actions or tasks when the user releases them. Every instance shares one set of hot keys and one
// identifier counter; main thread only.

#include "components/HKHotKey/HKHotKey.h"

#include <functional>
#include <vector>

class HKHotKeyCenter : public kit::Object {
    KIT_CLASS(HKHotKeyCenter)

    using Filter = std::function<bool(const HKHotKey_&)>;

    HKHotKeyCenter();

    // The registered hot keys that pass the filter.
    std::vector<kit::Ref<HKHotKey>> hotKeysMatchingPredicate(const Filter& filter) const;
    bool hasRegisteredHotKeyWithKeyCodeModifierFlags(std::uint16_t keyCode, std::uint64_t flags) const;
    // NO when the same key code and flags are registered here or the system refuses.
    bool registerHotKeyWithKeyCodeModifierFlagsTask(std::uint16_t keyCode, std::uint64_t flags, HKHotKey::Task task);
    bool registerHotKeyWithKeyCodeModifierFlagsTargetActionObject(std::uint16_t keyCode, std::uint64_t flags,
        kit::Ref<kit::Object> target, kit::Selector action, kit::Ref<kit::Object> object);
    void unregisterHotKeysMatchingPredicate(const Filter& filter);
    // Raises InvalidArgumentException "Invalid hotkey" for anything the center did not make.
    void unregisterHotKey(HKHotKey* hotKey);
    void unregisterHotKeysWithTarget(kit::Object* target);
    void unregisterHotKeysWithTargetAction(kit::Object* target, kit::Selector action);
    void unregisterHotKeyWithKeyCodeModifierFlags(std::uint16_t keyCode, std::uint64_t flags);
    std::vector<kit::Ref<HKHotKey>> registeredHotKeys() const;

    // The identifier the next registration gets.
    static std::uint32_t nextHotKeyIDForTesting();
    // Test-only: forgets every hot key (unregistering them) and the installed handler.
    static void resetForTesting();
};
