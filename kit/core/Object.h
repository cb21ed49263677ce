#pragma once

// The root of every kit object: an intrusive, thread-safe reference count with zeroing weak
// references. Objects are created with kit::make<T>(...) and shared through kit::Ref<T>;
// back pointers (delegates, targets, owners upward) are kit::Weak<T>.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <type_traits>
#include <utility>

namespace kit {

class Object;
template <class T> class Ref;
template <class T> class Weak;

namespace detail {

// Shared between an object and its weak references. The mutex orders "the object is being
// destroyed" against "a weak reference is being locked", so lock() never touches freed memory.
struct WeakControl {
    std::mutex mutex;
    Object* object = nullptr;
    std::atomic<long> count { 1 };

    void retain() noexcept { count.fetch_add(1, std::memory_order_relaxed); }
    void release() noexcept
    {
        if (count.fetch_sub(1, std::memory_order_acq_rel) == 1)
            delete this;
    }
};

} // namespace detail

class Object {
public:
    Object() = default;
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;
    virtual ~Object();

    void retain() const noexcept { refs_.fetch_add(1, std::memory_order_relaxed); }
    void release() const noexcept;
    long retainCount() const noexcept { return refs_.load(std::memory_order_relaxed); }

protected:
    // Called when the last strong reference is gone. The default deletes at once; objects that
    // must die on a particular thread override it and arrange for `delete this` there.
    virtual void destroy() const noexcept;

private:
    template <class T> friend class Weak;
    template <class T, class... Args> friend Ref<T> make(Args&&... args);

    detail::WeakControl* weakControl() const;
    bool tryRetain() const noexcept;

    // Starts at one: the reference that make() adopts, so a Ref(this) taken and dropped inside a
    // constructor cannot destroy the half-built object.
    mutable std::atomic<long> refs_ { 1 };
    mutable std::atomic<detail::WeakControl*> weak_ { nullptr };
};

struct AdoptTag { };
inline constexpr AdoptTag adopt {};

// A strong reference. Null is a valid value; comparison and hashing are by identity.
template <class T> class Ref {
public:
    using element_type = T;

    Ref() noexcept = default;
    Ref(std::nullptr_t) noexcept { }
    Ref(T* p) noexcept
        : p_(p)
    {
        if (p_)
            p_->retain();
    }
    Ref(T* p, AdoptTag) noexcept
        : p_(p)
    { }
    Ref(const Ref& o) noexcept
        : Ref(o.p_)
    { }
    Ref(Ref&& o) noexcept
        : p_(std::exchange(o.p_, nullptr))
    { }
    template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
    Ref(const Ref<U>& o) noexcept
        : Ref(o.get())
    { }
    template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
    Ref(Ref<U>&& o) noexcept
        : p_(o.leak())
    { }
    ~Ref()
    {
        if (p_)
            p_->release();
    }

    Ref& operator=(Ref o) noexcept
    {
        std::swap(p_, o.p_);
        return *this;
    }

    T* get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    T& operator*() const noexcept { return *p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }

    // Gives up ownership without releasing.
    T* leak() noexcept { return std::exchange(p_, nullptr); }

    template <class U> friend bool operator==(const Ref& a, const Ref<U>& b) noexcept { return a.get() == b.get(); }
    friend bool operator==(const Ref& a, std::nullptr_t) noexcept { return a.p_ == nullptr; }
    friend bool operator==(const Ref& a, const T* b) noexcept { return a.p_ == b; }

private:
    T* p_ = nullptr;
};

// A zeroing weak reference: lock() answers the object, or null once it has been destroyed.
template <class T> class Weak {
public:
    Weak() noexcept = default;
    Weak(std::nullptr_t) noexcept { }
    Weak(T* p) { reset(p); }
    Weak(const Ref<T>& r) { reset(r.get()); }
    template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>> Weak(const Ref<U>& r) { reset(r.get()); }
    Weak(const Weak& o) noexcept
        : control_(o.control_)
        , raw_(o.raw_)
    {
        if (control_)
            control_->retain();
    }
    Weak(Weak&& o) noexcept
        : control_(std::exchange(o.control_, nullptr))
        , raw_(std::exchange(o.raw_, nullptr))
    { }
    ~Weak()
    {
        if (control_)
            control_->release();
    }
    Weak& operator=(Weak o) noexcept
    {
        std::swap(control_, o.control_);
        std::swap(raw_, o.raw_);
        return *this;
    }
    Weak& operator=(T* p)
    {
        reset(p);
        return *this;
    }
    Weak& operator=(const Ref<T>& r)
    {
        reset(r.get());
        return *this;
    }

    Ref<T> lock() const noexcept
    {
        if (!control_)
            return nullptr;
        std::lock_guard guard(control_->mutex);
        if (!control_->object || !control_->object->tryRetain())
            return nullptr;
        return Ref<T>(raw_, adopt);
    }

    bool expired() const noexcept { return !lock(); }

    // Identity without taking a reference: valid only for comparison, never to dereference.
    const T* unsafeRaw() const noexcept { return raw_; }

    friend bool operator==(const Weak& a, const Weak& b) noexcept { return a.raw_ == b.raw_; }

private:
    void reset(T* p)
    {
        detail::WeakControl* c = p ? static_cast<const Object*>(p)->weakControl() : nullptr;
        if (c)
            c->retain();
        if (control_)
            control_->release();
        control_ = c;
        raw_ = p;
    }

    detail::WeakControl* control_ = nullptr;
    T* raw_ = nullptr;
};

// Creates an object and hands over the reference it was born with.
template <class T, class... Args> Ref<T> make(Args&&... args)
{
    static_assert(std::is_base_of_v<Object, T>, "kit::make creates kit objects");
    return Ref<T>(new T(std::forward<Args>(args)...), adopt);
}

template <class T, class U> Ref<T> static_pointer_cast(const Ref<U>& r) noexcept { return Ref<T>(static_cast<T*>(r.get())); }
template <class T, class U> Ref<T> dynamic_pointer_cast(const Ref<U>& r) noexcept { return Ref<T>(dynamic_cast<T*>(r.get())); }

} // namespace kit

template <class T> struct std::hash<kit::Ref<T>> {
    std::size_t operator()(const kit::Ref<T>& r) const noexcept { return std::hash<const void*>()(r.get()); }
};
