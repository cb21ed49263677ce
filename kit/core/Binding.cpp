#include "kit/core/Binding.h"

#include "kit/core/Class.h"
#include "kit/core/Exception.h"
#include "kit/core/KeyValueObserving.h"
#include "kit/core/ObjectExtras_p.h"
#include "kit/core/ValueTransformer.h"

namespace kit {

namespace {

Ref<ValueTransformer> transformerOf(const Dictionary& options)
{
    if (auto t = options.objectForKey(ValueTransformerBindingOption).objectAs<ValueTransformer>())
        return t;
    const Value name = options.objectForKey(ValueTransformerNameBindingOption);
    return name.isString() ? ValueTransformer::valueTransformerForName(name.string()) : nullptr;
}

// Observes one key path for one binding and pushes each new value into the bound key.
class Binder final : public Object {
public:
    Binder(Object* bound, QString binding, Object* observed, QString keyPath, Dictionary options)
        : bound_(bound)
        , binding_(std::move(binding))
        , observed_(observed)
        , keyPath_(std::move(keyPath))
        , options_(std::move(options))
    { }
    ~Binder() override { stop(); }

    void start()
    {
        if (auto o = observed_.lock()) {
            registered_ = true;
            o->addObserverForKeyPathOptionsContext(this, keyPath_, KeyValueObservingOptionNew | KeyValueObservingOptionInitial, this);
        }
    }

    void stop()
    {
        if (!std::exchange(registered_, false))
            return;
        if (auto o = observed_.lock()) {
            try {
                o->removeObserverForKeyPathContext(this, keyPath_, this);
            } catch (const Exception&) {
                // Already dropped with a dead intermediate: nothing left to remove.
            }
        }
    }

    Value info() const
    {
        Dictionary info;
        if (auto o = observed_.lock())
            info.setObjectForKey(Value(o), ObservedObjectKey);
        info.setObjectForKey(keyPath_, ObservedKeyPathKey);
        info.setObjectForKey(options_, OptionsKey);
        return Value(info);
    }

    // kit::Object:
    void observeValueForKeyPathOfObjectChangeContext(const QString&, Object*, const KeyValueChange&, void*) override
    {
        Ref<Object> bound = bound_.lock();
        Ref<Object> observed = observed_.lock();
        if (!bound || !observed)
            return;
        Value v = boundValueWithOptions(observed->valueForKeyPath(keyPath_), options_);
        if (v.isNilOrNull()) {
            const PropertyInfo* p = bound->class_().property(binding_);
            if (p && p->scalar) {
                if (!p->zero.isNil())
                    bound->setValueForKey(p->zero, binding_);
                return;
            }
        }
        bound->setValueForKey(v, binding_);
    }

private:
    Weak<Object> bound_;
    QString binding_;
    Weak<Object> observed_;
    QString keyPath_;
    Dictionary options_;
    bool registered_ = false;
};

Ref<Binder> binderFor(const Object& object, const QString& binding)
{
    auto* e = object.extrasForObservation();
    if (!e)
        return nullptr;
    std::lock_guard guard(e->mutex);
    return static_pointer_cast<Binder>(e->bindings.value(binding));
}

} // namespace

Value boundValueWithOptions(const Value& observed, const Dictionary& options)
{
    Value v = observed;
    if (v.isMarker()) {
        const QString* key = nullptr;
        switch (v.marker()) {
        case Marker::NoSelection:
            key = &NoSelectionPlaceholderBindingOption;
            break;
        case Marker::MultipleValues:
            key = &MultipleValuesPlaceholderBindingOption;
            break;
        case Marker::NotApplicable:
            key = &NotApplicablePlaceholderBindingOption;
            break;
        }
        // A marker without a placeholder passes on untransformed.
        if (!options.containsKey(*key))
            return v;
        v = options.objectForKey(*key);
        if (v.isNull())
            v = Value();
    } else if (v.isNilOrNull() && options.containsKey(NullPlaceholderBindingOption)) {
        v = options.objectForKey(NullPlaceholderBindingOption);
        if (v.isNull())
            v = Value();
    }
    if (auto t = transformerOf(options))
        v = t->transformedValue(v);
    return v;
}

Value reverseTransformedValueWithOptions(const Value& value, const Dictionary& options)
{
    auto t = transformerOf(options);
    return t && t->allowsReverseTransformation() ? t->reverseTransformedValue(value) : value;
}

Array Object::exposedBindings() const
{
    std::vector<Value> out;
    for (const QString& b : class_().exposedBindings())
        out.push_back(b);
    return Array(std::move(out));
}

void Object::bindToObjectWithKeyPathOptions(const QString& binding, Object* observable, const QString& keyPath, const Dictionary& options)
{
    KIT_PARAMETER_ASSERT(observable != nullptr, "observable != nil");
    unbind(binding);
    auto binder = make<Binder>(this, binding, observable, keyPath, options);
    {
        auto& e = ensureExtrasForObservation();
        std::lock_guard guard(e.mutex);
        e.bindings.insert(binding, binder);
    }
    binder->start();
}

void Object::unbind(const QString& binding)
{
    auto* e = extrasForObservation();
    if (!e)
        return;
    Ref<Object> binder;
    {
        std::lock_guard guard(e->mutex);
        binder = e->bindings.take(binding);
    }
    if (binder)
        static_pointer_cast<Binder>(binder)->stop();
}

ValueKind Object::valueClassForBinding(const QString& binding) const
{
    const PropertyInfo* p = class_().property(binding);
    return p ? p->kind : ValueKind::Nil;
}

Value Object::infoForBinding(const QString& binding) const
{
    auto binder = binderFor(*this, binding);
    return binder ? binder->info() : Value();
}

} // namespace kit
