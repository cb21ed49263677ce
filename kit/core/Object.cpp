#include "kit/core/Object.h"

#include "kit/core/Class.h"
#include "kit/core/Exception.h"
#include "kit/core/MainThread.h"
#include "kit/core/ObjectExtras_p.h"

#include <QCoreApplication>

namespace kit {

Object::~Object()
{
    if (auto* e = extras_.exchange(nullptr, std::memory_order_acq_rel))
        detail::destroyExtras(e);
    if (auto* c = weak_.load(std::memory_order_acquire))
        c->release();
}

void Object::release() const noexcept
{
    if (refs_.fetch_sub(1, std::memory_order_acq_rel) != 1)
        return;
    if (auto* c = weak_.load(std::memory_order_acquire)) {
        std::lock_guard guard(c->mutex);
        // A weak lock() may have revived the object between our decrement and this lock.
        if (refs_.load(std::memory_order_acquire) != 0)
            return;
        c->object = nullptr;
    }
    destroy();
}

void Object::destroy() const noexcept
{
    if (mainThreadAffine_ && QCoreApplication::instance() && !isMainThread()) {
        const Object* self = this;
        postToMainThread([self] { delete self; });
        return;
    }
    delete this;
}

bool Object::tryRetain() const noexcept
{
    long n = refs_.load(std::memory_order_relaxed);
    while (n > 0) {
        if (refs_.compare_exchange_weak(n, n + 1, std::memory_order_acq_rel, std::memory_order_relaxed))
            return true;
    }
    return false;
}

detail::WeakControl* Object::weakControl() const
{
    auto* c = weak_.load(std::memory_order_acquire);
    if (c)
        return c;
    auto* fresh = new detail::WeakControl;
    fresh->object = const_cast<Object*>(this);
    if (weak_.compare_exchange_strong(c, fresh, std::memory_order_acq_rel))
        return fresh;
    delete fresh;
    return c;
}

detail::ObjectExtras& Object::ensureExtrasForObservation() const
{
    auto* e = extras_.load(std::memory_order_acquire);
    if (e)
        return *e;
    auto* fresh = new detail::ObjectExtras;
    if (extras_.compare_exchange_strong(e, fresh, std::memory_order_acq_rel))
        return *fresh;
    delete fresh;
    return *e;
}

const Class& Object::staticClass()
{
    static const Class& cls = []() -> const Class& {
        auto* c = new Class(QStringLiteral("Object"), nullptr);
        ClassBuilder<Object>(*c).factory([] { return make<Object>(); });
        return detail::enterClass(c);
    }();
    return cls;
}

namespace {
[[maybe_unused]] const bool objectRegistered = (Object::staticClass(), true);
}

const Class& Object::class_() const { return staticClass(); }

bool Object::isKindOfClass(const Class& c) const { return class_().isSubclassOfClass(c); }

bool Object::isMemberOfClass(const Class& c) const { return &class_() == &c; }

std::size_t Object::hash() const { return std::hash<const void*>()(this); }

QString Object::description() const
{
    return QStringLiteral("<%1: 0x%2>").arg(class_().name()).arg(reinterpret_cast<quintptr>(this), 0, 16);
}

void Object::copyTo(Object&) const { }

Ref<Object> Object::copy() const
{
    if (class_().isCopyable()) {
        if (Ref<Object> copy = class_().make()) {
            copyTo(*copy);
            return copy;
        }
    }
    throw Exception(InvalidArgumentException,
        format(QStringLiteral("-[%@ copyWithZone:]: unrecognized selector sent to instance %p"), class_().name(),
            reinterpret_cast<quintptr>(this)));
}

bool Object::respondsToSelector(const Selector& selector) const { return class_().instancesRespondToSelector(selector); }

namespace {

Value perform(Object& receiver, const Selector& selector, const Value& a, const Value& b)
{
    const ActionInfo* action = receiver.class_().action(selector.name());
    if (!action)
        throw Exception(InvalidArgumentException,
            format(QStringLiteral("-[%@ %@]: unrecognized selector sent to instance %p"), receiver.class_().name(), selector.name(),
                reinterpret_cast<quintptr>(&receiver)));
    // The receiver stays alive through its own action even if the action drops the last other reference.
    Ref<Object> keep(&receiver);
    return action->invoke(receiver, a, b);
}

} // namespace

Value Object::performSelector(const Selector& selector) { return perform(*this, selector, {}, {}); }

Value Object::performSelectorWithObject(const Selector& selector, const Value& object) { return perform(*this, selector, object, {}); }

Value Object::performSelectorWithObjectWithObject(const Selector& selector, const Value& object1, const Value& object2)
{
    return perform(*this, selector, object1, object2);
}

} // namespace kit
