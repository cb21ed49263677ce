#include "kit/core/Object.h"

namespace kit {

Object::~Object()
{
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

void Object::destroy() const noexcept { delete this; }

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

} // namespace kit
