#pragma once

// A registered global hot key: a key code with modifier flags that runs a target's action or a
// task when the user releases the combination, whatever application is in front. Clients see
// `HKHotKey`; `HKHotKey_` (registered as "_HKHotKey") holds the values.

#include "kit/appkit/Event.h"
#include "kit/appkit/HotKeyService.h"
#include "kit/core/Class.h"
#include "kit/core/Object.h"
#include "kit/core/Selector.h"

#include <cstdint>
#include <functional>

class HKHotKey : public kit::Object {
    KIT_CLASS(HKHotKey)

    using Task = std::function<void(kit::Event*)>;

    virtual kit::Ref<kit::Object> target() const { return nullptr; }
    virtual kit::Selector action() const { return {}; }
    virtual kit::Ref<kit::Object> object() const { return nullptr; }
    virtual Task task() const { return {}; }
    virtual std::uint16_t keyCode() const { return 0; }
    virtual std::uint64_t modifierFlags() const { return 0; }

    // kit::Object: equal when key code and flags are (target and action take no part).
    std::size_t hash() const override;
    bool isEqual(const kit::Object* other) const override;
    QString description() const override;
};

// The modifier names of `flags` in the form the description shows.
QString hotKeyModifierDescription(std::uint64_t flags);
// The system hot-key modifiers of the platform's modifier flags; other bits are dropped.
std::uint32_t carbonModifiersFromCocoaFlags(std::uint64_t flags);

class HKHotKey_ : public HKHotKey {
public:
    static const kit::Class& staticClass();
    // Clients never see the concrete class.
    const kit::Class& class_() const override { return HKHotKey::staticClass(); }
    static void kitRegisterClass_(kit::ClassBuilder<HKHotKey_>& c);

    ~HKHotKey_() override;

    // The target's action with the event and the object, when the target responds to it;
    // else the task.
    void invokeWithEvent(kit::Event* event);
    QString actionString() const { return action_.isNull() ? QString() : action_.name(); }
    bool registerHotKey();
    void unregisterHotKey();

    kit::Ref<kit::Object> target() const override { return target_; }
    kit::Selector action() const override { return action_; }
    kit::Ref<kit::Object> object() const override { return object_; }
    Task task() const override { return task_; }
    std::uint16_t keyCode() const override { return keyCode_; }
    std::uint64_t modifierFlags() const override { return modifierFlags_; }
    std::uint32_t hotKeyID() const { return hotKeyID_; }
    kit::EventHotKeyRef hotKeyRef() const { return hotKeyRef_; }

    void setTarget(kit::Ref<kit::Object> target) { target_ = std::move(target); }
    void setAction(kit::Selector action) { action_ = action; }
    void setObject(kit::Ref<kit::Object> object) { object_ = std::move(object); }
    void setTask(Task task) { task_ = std::move(task); }
    void setKeyCode(std::uint16_t keyCode) { keyCode_ = keyCode; }
    void setModifierFlags(std::uint64_t flags) { modifierFlags_ = flags; }
    void setHotKeyID(std::uint32_t id) { hotKeyID_ = id; }
    void setHotKeyRef(kit::EventHotKeyRef ref) { hotKeyRef_ = ref; }

private:
    kit::Ref<kit::Object> target_;
    kit::Selector action_;
    kit::Ref<kit::Object> object_;
    Task task_;
    std::uint16_t keyCode_ = 0;
    std::uint64_t modifierFlags_ = 0;
    std::uint32_t hotKeyID_ = 0;
    kit::EventHotKeyRef hotKeyRef_ = 0;
};
