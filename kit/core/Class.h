#pragma once

// The class registry. Each class registers once, in its .cpp, with one macro block: its name and
// superclass, key-value accessors, dependent keys, exposed bindings, actions callable by name,
// the optional protocol operations it implements, the protocols it adopts and whether it stores
// undefined keys. A descriptor holds its superclass's entries as well, so lookups are one step.
// See runtime-architecture notes in ARCHITECTURE.md for the pattern.

#include "kit/core/Object.h"
#include "kit/core/Selector.h"
#include "kit/core/ValueTraits.h"

#include <QStringList>

#include <functional>
#include <initializer_list>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace kit {

// Key-value property flags.
enum PropertyFlags : unsigned {
    PropertyToMany = 1, // an Array-valued key whose changes come with indexes
};

// FNV-1a over the UTF-16 units: registry lookups are on every key-value access.
struct StringHash {
    using is_transparent = void;
    std::size_t operator()(QStringView s) const noexcept
    {
        std::size_t h = 1469598103934665603ull;
        for (QChar c : s)
            h = (h ^ c.unicode()) * 1099511628211ull;
        return h;
    }
    std::size_t operator()(const QString& s) const noexcept { return (*this)(QStringView(s)); }
};

struct PropertyInfo {
    QString key;
    std::function<Value(const Object&)> get;
    std::function<void(Object&, const Value&)> set; // empty for read-only keys
    bool scalar = false; // nil cannot be stored
    Value zero; // what a binding stores for nil in a scalar key
    ValueKind kind = ValueKind::Nil; // the kind the getter answers (Nil: any)
    bool toMany = false;
};

struct ActionInfo {
    int arity = 0;
    std::function<Value(Object&, const Value& a, const Value& b)> invoke;
};

class Class {
public:
    Class(QString name, const Class* superclass);
    Class(const Class&) = delete;
    Class& operator=(const Class&) = delete;

    const QString& name() const { return name_; }
    const Class* superclass() const { return superclass_; }
    bool isSubclassOfClass(const Class& other) const;

    // A new instance, or null when the class has no plain factory.
    Ref<Object> make() const { return factory_ ? factory_() : nullptr; }
    bool canMake() const { return bool(factory_); }
    // A new instance decoded from a coder, or null when the class cannot be decoded.
    Ref<Object> makeWithCoder(Object& coder) const { return decoder_ ? decoder_(coder) : nullptr; }

    const PropertyInfo* property(const QString& key) const;
    const ActionInfo* action(const QString& name) const;
    bool instancesRespondToSelector(const Selector& selector) const { return responds_.contains(selector.name()); }
    bool implementsOptionalOperation(const QString& name) const { return optional_.contains(name); }
    bool conformsToProtocolNamed(const QString& protocol) const { return protocols_.contains(protocol); }
    bool storesUndefinedKeys() const { return storesUndefinedKeys_; }
    bool isCopyable() const { return copyable_; }
    // The keys whose values depend on `key` (not including `key`).
    const QStringList& keysAffectedByKey(const QString& key) const;
    // The keys `key` depends on.
    QStringList keyPathsForValuesAffectingKey(const QString& key) const
    {
        auto it = dependsOn_.find(key);
        return it == dependsOn_.end() ? QStringList() : it->second;
    }
    const QStringList& exposedBindings() const { return bindings_; }

    // The bundle the class comes with: a bundle name (`c.bundle("Name")` in its registration) or,
    // for plug-in code, the bundle's folder; empty = the main bundle. Not inherited: the bundle
    // lookup walks up the superclasses.
    QString bundleName() const;
    // Plug-in loading (and tests) assign a bundle after registration.
    void setBundleName(const QString& name) const;

    // Every registered class, in registration order.
    static std::vector<const Class*> allClasses();

private:
    template <class T> friend class ClassBuilder;
    friend struct ClassRegistrar;

    void inheritFrom(const Class& super);
    void addProperty(PropertyInfo info, const QString& setterName);
    void addDependency(const QString& key, const QStringList& on);

    QString name_;
    const Class* superclass_;
    std::function<Ref<Object>()> factory_;
    std::function<Ref<Object>(Object&)> decoder_;
    std::unordered_map<QString, PropertyInfo, StringHash, std::equal_to<>> properties_;
    std::unordered_map<QString, ActionInfo, StringHash> actions_;
    std::unordered_set<QString, StringHash> optional_;
    std::unordered_set<QString, StringHash> protocols_;
    std::unordered_set<QString, StringHash> responds_;
    std::unordered_map<QString, QStringList, StringHash> dependsOn_;
    std::unordered_map<QString, QStringList, StringHash> affects_;
    QStringList bindings_;
    bool storesUndefinedKeys_ = false;
    bool copyable_ = false;
    mutable QString bundleName_; // under the registry's lock
};

// The class of that name, or null. Registration happens when a library loads.
const Class* classFromString(const QString& name);
inline QString stringFromClass(const Class& c) { return c.name(); }

// Protocols are abstract classes: conformance is a dynamic cast.
template <class Protocol> bool conformsToProtocol(const Object* object) { return dynamic_cast<const Protocol*>(object) != nullptr; }

// "isValid" -> "setValid", "title" -> "setTitle".
QString setterNameForKey(const QString& key);

template <class T> class ClassBuilder {
public:
    explicit ClassBuilder(Class& c)
        : c_(c)
    { }

    // A read-only key, or a read-write key; getter and setter are member functions of T or a base.
    template <class R, class B> ClassBuilder& property(const QString& key, R (B::*getter)() const, unsigned flags = 0)
    {
        return add<R>(key, getter, nullptr, flags);
    }
    template <class R, class B, class A, class B2, class SR>
    ClassBuilder& property(const QString& key, R (B::*getter)() const, SR (B2::*setter)(A), unsigned flags = 0)
    {
        static_assert(std::is_base_of_v<B2, T>);
        PropertyInfo info = makeGetter<R>(key, getter, flags);
        info.set = [setter](Object& o, const Value& v) { (static_cast<T&>(o).*setter)(ValueTraitsOf<A>::fromValue(v)); };
        c_.addProperty(std::move(info), setterNameForKey(key));
        return *this;
    }
    // A key with hand-written accessors.
    ClassBuilder& property(const QString& key, std::function<Value(const T&)> get, std::function<void(T&, const Value&)> set = {},
        bool scalar = false, unsigned flags = 0)
    {
        PropertyInfo info;
        info.key = key;
        info.get = [get](const Object& o) { return get(static_cast<const T&>(o)); };
        if (set)
            info.set = [set](Object& o, const Value& v) { set(static_cast<T&>(o), v); };
        info.scalar = scalar;
        info.toMany = flags & PropertyToMany;
        c_.addProperty(std::move(info), setterNameForKey(key));
        return *this;
    }
    // `key` changes whenever one of `on` changes.
    ClassBuilder& dependentKey(const QString& key, const QStringList& on)
    {
        c_.addDependency(key, on);
        return *this;
    }
    ClassBuilder& exposeBinding(const QString& binding)
    {
        if (!c_.bindings_.contains(binding))
            c_.bindings_.append(binding);
        return *this;
    }
    // An action or method callable by name with 0 to 2 arguments.
    template <class R, class B, class... A> ClassBuilder& action(const QString& name, R (B::*method)(A...))
    {
        static_assert(sizeof...(A) <= 2, "actions take at most two arguments");
        static_assert(std::is_base_of_v<B, T>);
        ActionInfo info;
        info.arity = sizeof...(A);
        info.invoke = [method](Object& o, const Value& a, const Value& b) -> Value {
            auto& self = static_cast<T&>(o);
            auto call = [&](auto&&... args) -> Value {
                if constexpr (std::is_void_v<R>) {
                    (self.*method)(args...);
                    return {};
                } else {
                    return ValueTraitsOf<R>::toValue((self.*method)(args...));
                }
            };
            if constexpr (sizeof...(A) == 0)
                return call();
            else if constexpr (sizeof...(A) == 1)
                return call(ValueTraitsOf<A>::fromValue(a)...);
            else
                return callTwo<A...>(call, a, b);
        };
        c_.actions_.insert_or_assign(name, std::move(info));
        c_.responds_.insert(name);
        return *this;
    }
    // An optional protocol operation this class implements (asked through respondsToSelector).
    ClassBuilder& optionalOperation(const QString& name)
    {
        c_.optional_.insert(name);
        c_.responds_.insert(name);
        return *this;
    }
    ClassBuilder& optionalOperations(std::initializer_list<const char*> names)
    {
        for (const char* n : names)
            optionalOperation(QString::fromUtf8(n));
        return *this;
    }
    ClassBuilder& protocol(const QString& name)
    {
        c_.protocols_.insert(name);
        return *this;
    }
    // Unknown keys are stored per object instead of raising; stored keys are observable.
    ClassBuilder& storesUndefinedKeys()
    {
        c_.storesUndefinedKeys_ = true;
        return *this;
    }
    // Instances copy: copy() makes the receiver's class and applies copyTo.
    ClassBuilder& copyable()
    {
        c_.copyable_ = true;
        return *this;
    }
    // The class's resources (strings, images, interface files) live in the bundle of that name.
    ClassBuilder& bundle(const QString& name)
    {
        c_.bundleName_ = name;
        return *this;
    }
    ClassBuilder& factory(std::function<Ref<Object>()> f)
    {
        c_.factory_ = std::move(f);
        return *this;
    }
    ClassBuilder& noFactory()
    {
        c_.factory_ = nullptr;
        return *this;
    }
    // Instances decoded by a constructor taking the coder.
    template <class Coder> ClassBuilder& decodable()
    {
        c_.decoder_ = [](Object& coder) -> Ref<Object> {
            auto* typed = dynamic_cast<Coder*>(&coder);
            return typed ? Ref<Object>(kit::make<T>(*typed)) : nullptr;
        };
        return *this;
    }

private:
    template <class A1, class A2, class F> static Value callTwo(F& call, const Value& a, const Value& b)
    {
        return call(ValueTraitsOf<A1>::fromValue(a), ValueTraitsOf<A2>::fromValue(b));
    }
    template <class R, class B> PropertyInfo makeGetter(const QString& key, R (B::*getter)() const, unsigned flags)
    {
        static_assert(std::is_base_of_v<B, T>);
        PropertyInfo info;
        info.key = key;
        info.get = [getter](const Object& o) { return ValueTraitsOf<R>::toValue((static_cast<const T&>(o).*getter)()); };
        info.scalar = ValueTraitsOf<R>::scalar;
        if constexpr (std::is_default_constructible_v<std::remove_cvref_t<R>>) {
            const ValueKind k = ValueTraitsOf<R>::toValue(std::remove_cvref_t<R> {}).kind();
            info.kind = k == ValueKind::Nil && !std::is_same_v<std::remove_cvref_t<R>, Value> ? ValueKind::Object : k;
        }
        if constexpr (ValueTraitsOf<R>::scalar)
            info.zero = ValueTraitsOf<R>::toValue(std::remove_cvref_t<R> {});
        info.toMany = flags & PropertyToMany;
        return info;
    }
    template <class R, class B> ClassBuilder& add(const QString& key, R (B::*getter)() const, std::nullptr_t, unsigned flags)
    {
        c_.addProperty(makeGetter<R>(key, getter, flags), QString());
        return *this;
    }

    Class& c_;
};

namespace detail {
const Class& enterClass(Class* c); // adds to the registry; a duplicate name is refused and logged

template <class T> const Class& registerClass(const char* name, const Class& super, void (*body)(ClassBuilder<T>&))
{
    auto* c = new Class(QString::fromUtf8(name), &super);
    if constexpr (std::is_default_constructible_v<T> && !std::is_abstract_v<T>)
        ClassBuilder<T>(*c).factory([] { return Ref<Object>(kit::make<T>()); });
    ClassBuilder<T> builder(*c);
    body(builder);
    return enterClass(c);
}
} // namespace detail

} // namespace kit

// In the class body (first line): declares the class accessors.
#define KIT_CLASS(Name)                                                                                                                    \
public:                                                                                                                                    \
    static const ::kit::Class& staticClass();                                                                                              \
    const ::kit::Class& class_() const override { return staticClass(); }                                                                  \
    static void kitRegisterClass_(::kit::ClassBuilder<Name>& c);                                                                           \
                                                                                                                                           \
public:

// In the .cpp, in the class's namespace, followed by the registration body using `c`.
#define KIT_REGISTER_CLASS(Name, Super)                                                                                                    \
    const ::kit::Class& Name::staticClass()                                                                                                \
    {                                                                                                                                      \
        static const ::kit::Class& cls = ::kit::detail::registerClass<Name>(#Name, Super::staticClass(), &Name::kitRegisterClass_);        \
        return cls;                                                                                                                        \
    }                                                                                                                                      \
    namespace {                                                                                                                            \
    [[maybe_unused]] const bool kitRegistered_##Name = (Name::staticClass(), true);                                                        \
    }                                                                                                                                      \
    void Name::kitRegisterClass_([[maybe_unused]] ::kit::ClassBuilder<Name>& c)
