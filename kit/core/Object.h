#pragma once

// The root of every kit object: an intrusive, thread-safe reference count with zeroing weak
// references. Objects are created with kit::make<T>(...) and shared through kit::Ref<T>;
// back pointers (delegates, targets, owners upward) are kit::Weak<T>.

#include <QString>

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
class Class;
class Value;
class Selector;
class Dictionary;
class Array;
class IndexSet;
struct KeyValueChange;

// The kinds of kit::Value (Value::Kind).
enum class ValueKind {
    Nil,
    Null,
    Bool,
    Integer,
    Real,
    String,
    Data,
    Date,
    Array,
    Dictionary,
    Set,
    Object,
    Point,
    Size,
    Rect,
    Range,
    AffineTransform,
    Transform3D,
    IndexSet,
    Marker,
};

// Key-value observing options.
enum KeyValueObservingOptions : unsigned {
    KeyValueObservingOptionNew = 1,
    KeyValueObservingOptionOld = 2,
    KeyValueObservingOptionInitial = 4,
    KeyValueObservingOptionPrior = 8,
};

enum KeyValueChangeKind : int {
    KeyValueChangeSetting = 1,
    KeyValueChangeInsertion = 2,
    KeyValueChangeRemoval = 3,
    KeyValueChangeReplacement = 4,
};

namespace detail {
struct ObjectExtras;

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

    // Identity, description, copying.
    static const Class& staticClass();
    virtual const Class& class_() const;
    bool isKindOfClass(const Class& c) const;
    bool isMemberOfClass(const Class& c) const;
    virtual bool isEqual(const Object* other) const { return other == this; }
    virtual std::size_t hash() const;
    // "<ClassName: 0x…>" with the registered class name.
    virtual QString description() const;
    // Makes a new object of the receiver's class and applies copyTo (base to derived). Classes not
    // registered as copyable raise InvalidArgumentException. Immutable classes may answer themselves.
    virtual Ref<Object> copy() const;

    // Dispatch by name: registered actions, optional operations and key-value accessors answer YES.
    virtual bool respondsToSelector(const Selector& selector) const;
    // Invokes a registered action; an unknown one raises InvalidArgumentException.
    Value performSelector(const Selector& selector);
    Value performSelectorWithObject(const Selector& selector, const Value& object);
    Value performSelectorWithObjectWithObject(const Selector& selector, const Value& object1, const Value& object2);

    // Key-value coding.
    virtual Value valueForKey(const QString& key) const;
    virtual void setValueForKey(const Value& value, const QString& key);
    Value valueForKeyPath(const QString& keyPath) const;
    void setValueForKeyPath(const Value& value, const QString& keyPath);
    void setValuesForKeysWithDictionary(const Dictionary& keyedValues);
    virtual Value valueForUndefinedKey(const QString& key) const;
    virtual void setValueForUndefinedKey(const Value& value, const QString& key);
    virtual void setNilValueForKey(const QString& key);
    // What an unset key reads as in a class that stores undefined keys.
    virtual Value defaultValueForKey(const QString& key) const;

    // Key-value observing. Observers and observed objects are held weakly.
    void addObserverForKeyPathOptionsContext(Object* observer, const QString& keyPath, unsigned options, void* context);
    // Removing a registration that does not exist raises RangeException.
    void removeObserverForKeyPath(Object* observer, const QString& keyPath);
    void removeObserverForKeyPathContext(Object* observer, const QString& keyPath, void* context);
    // The default raises InternalInconsistencyException: pass contexts you do not own up.
    virtual void observeValueForKeyPathOfObjectChangeContext(
        const QString& keyPath, Object* object, const KeyValueChange& change, void* context);
    void willChangeValueForKey(const QString& key);
    void didChangeValueForKey(const QString& key);
    void willChangeValuesAtIndexesForKey(KeyValueChangeKind kind, const IndexSet& indexes, const QString& key);
    void didChangeValuesAtIndexesForKey(KeyValueChangeKind kind, const IndexSet& indexes, const QString& key);

    // Bindings.
    Array exposedBindings() const;
    virtual void bindToObjectWithKeyPathOptions(
        const QString& binding, Object* observable, const QString& keyPath, const Dictionary& options);
    virtual void unbind(const QString& binding);
    // {"NSObservedObject", "NSObservedKeyPath", "NSOptions"}, or nil when the binding is not bound.
    virtual Value infoForBinding(const QString& binding) const;
    // The kind of value the bound key takes (Nil: any), from the registered key.
    virtual ValueKind valueClassForBinding(const QString& binding) const;

    // Runtime internals: the side table of observations, bindings and stored keys.
    detail::ObjectExtras* extrasForObservation() const noexcept { return extras_.load(std::memory_order_acquire); }
    detail::ObjectExtras& ensureExtrasForObservation() const;

protected:
    // Called when the last strong reference is gone. The default deletes at once (on the main
    // thread for main-thread-affine objects); others may override and arrange for `delete this`.
    virtual void destroy() const noexcept;

    // A copyable class copies its own fields into `copy` (of the receiver's class) after calling its
    // base class's copyTo.
    virtual void copyTo(Object& copy) const;

    // Views, windows, layers and controllers: when the last reference drops on another thread, the
    // object is deleted on the main thread.
    void setMainThreadAffine() { mainThreadAffine_ = true; }

    // The notifying setter: will-change, assign, did-change. Every call notifies, changed or not.
    template <class Field, class V> void setValueNotifying(const QString& key, Field& field, V&& value)
    {
        willChangeValueForKey(key);
        field = std::forward<V>(value);
        didChangeValueForKey(key);
    }

private:
    template <class T> friend class Weak;
    template <class T, class... Args> friend Ref<T> make(Args&&... args);
    friend struct detail::ObjectExtras;

    detail::WeakControl* weakControl() const;
    bool tryRetain() const noexcept;

    // Starts at one: the reference that make() adopts, so a Ref(this) taken and dropped inside a
    // constructor cannot destroy the half-built object.
    mutable std::atomic<long> refs_ { 1 };
    mutable std::atomic<detail::WeakControl*> weak_ { nullptr };
    // Observations, bindings and stored keys, made on first use.
    mutable std::atomic<detail::ObjectExtras*> extras_ { nullptr };
    bool mainThreadAffine_ = false;
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
    template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>> Weak& operator=(const Ref<U>& r)
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

#include "kit/core/Value.h"
