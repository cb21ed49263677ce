#include "components/HKHotKey/HKHotKey.h"

#include "kit/core/Value.h"

#include <QStringList>

using namespace kit;

KIT_REGISTER_CLASS(HKHotKey, Object) { c.noFactory(); }

std::size_t HKHotKey::hash() const { return std::size_t(modifierFlags() + keyCode()); }

bool HKHotKey::isEqual(const Object* other) const
{
    const auto* hotKey = dynamic_cast<const HKHotKey*>(other);
    return hotKey && hotKey->keyCode() == keyCode() && hotKey->modifierFlags() == modifierFlags();
}

QString HKHotKey::description() const
{
    const Ref<Object> receiver = target();
    const Selector selector = action();
    const QString invokes = receiver && !selector.isNull()
        ? QStringLiteral("[%1 %2]").arg(receiver->description(), selector.name())
        : QStringLiteral("(block)");
    return QStringLiteral("%1\n\t(key: %2\n\tflags: %3\n\tinvokes: %4)")
        .arg(Object::description())
        .arg(keyCode())
        .arg(hotKeyModifierDescription(modifierFlags()), invokes);
}

QString hotKeyModifierDescription(std::uint64_t flags)
{
    QStringList names;
    if (flags & ControlKeyMask)
        names << QStringLiteral("NSControlKeyMask");
    if (flags & CommandKeyMask)
        names << QStringLiteral("NSCommandKeyMask");
    if (flags & ShiftKeyMask)
        names << QStringLiteral("NSShiftKeyMask");
    if (flags & AlternateKeyMask)
        names << QStringLiteral("NSAlternateKeyMask");
    if (names.isEmpty())
        return QStringLiteral("ERROR: No valid flags");
    return QStringLiteral("(%1)").arg(names.join(QStringLiteral(" | ")));
}

std::uint32_t carbonModifiersFromCocoaFlags(std::uint64_t flags)
{
    std::uint32_t modifiers = 0;
    if (flags & CommandKeyMask)
        modifiers |= CarbonCmdKey;
    if (flags & ShiftKeyMask)
        modifiers |= CarbonShiftKey;
    if (flags & AlternateKeyMask)
        modifiers |= CarbonOptionKey;
    if (flags & ControlKeyMask)
        modifiers |= CarbonControlKey;
    return modifiers;
}

// Registered under the name the class has always had; C++ reserves it as an identifier.
const Class& HKHotKey_::staticClass()
{
    static const Class& cls = detail::registerClass<HKHotKey_>("_HKHotKey", HKHotKey::staticClass(), &HKHotKey_::kitRegisterClass_);
    return cls;
}

namespace {
[[maybe_unused]] const bool hkHotKeyRegistered = (HKHotKey_::staticClass(), true);
}

void HKHotKey_::kitRegisterClass_(ClassBuilder<HKHotKey_>&) { }

HKHotKey_::~HKHotKey_()
{
    if (hotKeyRef_)
        unregisterHotKey();
}

void HKHotKey_::invokeWithEvent(Event* event)
{
    if (target_ && !action_.isNull() && target_->respondsToSelector(action_)) {
        const Ref<Object> receiver = target_; // the action may unregister this hot key
        receiver->performSelectorWithObjectWithObject(action_, Value(Ref<Event>(event)), Value(object_));
    } else if (task_) {
        const Task task = task_;
        task(event);
    }
}

bool HKHotKey_::registerHotKey()
{
    const EventHotKeyID id { 0x68746B31, hotKeyID_ };
    const EventHotKeyRef ref = HotKeyService::registerEventHotKey(keyCode_, carbonModifiersFromCocoaFlags(modifierFlags_), id);
    if (!ref)
        return false;
    hotKeyRef_ = ref;
    return true;
}

void HKHotKey_::unregisterHotKey()
{
    HotKeyService::unregisterEventHotKey(hotKeyRef_);
    hotKeyRef_ = 0;
}
