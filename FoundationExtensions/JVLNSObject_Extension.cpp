#include "FoundationExtensions/JVLNSObject_Extension.h"

#include "kit/core/Binding.h"
#include "kit/core/Exception.h"
#include "kit/core/ValueTransformer.h"

namespace JVLNSObject_Extension {

using namespace kit;

namespace {

const char* const propagateName = "propagateValueForBinding";

// The binding's transformer: the object option first, else the named one; Null counts as none.
Ref<ValueTransformer> propagateTransformerOf(const Dictionary& options)
{
    const Value object = options.objectForKey(ValueTransformerBindingOption);
    if (auto t = object.objectAs<ValueTransformer>())
        return t;
    const Value name = options.objectForKey(ValueTransformerNameBindingOption);
    return name.isString() ? ValueTransformer::valueTransformerForName(name.string()) : nullptr;
}

} // namespace

Bundle* bundle(const Class& cls)
{
    return Bundle::bundleForClass(cls);
}

Bundle* bundle(const Object* object)
{
    return Bundle::bundleForClass(object ? object->class_() : Object::staticClass());
}

void propagateValueForBinding(Object& receiver, const Value& value, const QString& binding)
{
    KIT_PARAMETER_ASSERT(!binding.isNull(), "binding != nil");
    if (binding.isNull())
        return;
    const Value info = receiver.infoForBinding(binding);
    if (!info.isDictionary())
        return;
    const Dictionary& bindingInfo = info.dictionary();

    Value written = value;
    if (Ref<ValueTransformer> transformer = propagateTransformerOf(bindingInfo.objectForKey(OptionsKey).dictionary())) {
        if (transformer->allowsReverseTransformation())
            written = transformer->reverseTransformedValue(value);
        else
            log(QStringLiteral("WARNING: binding \"%@\" has value transformer, but it doesn't allow reverse transformations in %s"), binding,
                propagateName);
    }

    Ref<Object> observed = bindingInfo.objectForKey(ObservedObjectKey).object();
    if (!observed) {
        log(QStringLiteral("ERROR: NSObservedObjectKey was nil for binding \"%@\" in %s"), binding, propagateName);
        return;
    }
    const Value keyPath = bindingInfo.objectForKey(ObservedKeyPathKey);
    if (!keyPath.isString() || keyPath.string().isEmpty()) {
        log(QStringLiteral("ERROR: NSObservedKeyPathKey was nil for binding \"%@\" in %s"), binding, propagateName);
        return;
    }
    observed->setValueForKeyPath(written, keyPath.string());
}

} // namespace JVLNSObject_Extension
