#pragma once

// User-interface validation: an item that sends an action (a toolbar item, a menu item) asks the
// object that would receive the action whether the item should be enabled. The receiver is found
// the way the action would be sent: the set target, else the responder chains.

#include "kit/core/Object.h"
#include "kit/core/Selector.h"

#include <cstdint>
#include <functional>
#include <optional>

namespace kit {

// What a validator learns about the item it validates.
class ValidatedUserInterfaceItem {
public:
    virtual ~ValidatedUserInterfaceItem() = default;
    virtual Selector action() const = 0;
    virtual std::int64_t tag() const = 0;
};

// What a receiver implements to enable or disable any item that sends it an action.
class UserInterfaceValidations {
public:
    virtual ~UserInterfaceValidations() = default;
    virtual bool validateUserInterfaceItem(ValidatedUserInterfaceItem* item) = 0;
};

// Answers the item-specific question (validateToolbarItem, validateMenuItem) when the validator
// implements it, else nothing.
using SpecificValidation = std::function<std::optional<bool>(Object* validator)>;

// Whether an item sending its action to `target` (empty: along the chains) is enabled: NO when
// nothing would receive the action; else the specific answer, else the receiver's
// validateUserInterfaceItem, else YES.
bool validateUserInterfaceItemForTarget(
    ValidatedUserInterfaceItem& item, const Weak<Object>& target, const SpecificValidation& specific = {});

} // namespace kit
