#include "FoundationExtensions/JVLNSArray_Extension.h"

#include "kit/core/KeyValueCoding.h"

namespace JVLNSArray_Extension {

kit::Array arrayWithObjectsOfClass(const kit::Array& array, const kit::Class& cls)
{
    std::vector<kit::Value> kept;
    for (const kit::Value& v : array)
        if (v.isObject() && v.object() && v.object()->isKindOfClass(cls))
            kept.push_back(v);
    return kit::Array(std::move(kept));
}

kit::Array arrayFromArrayForKeyMatching(const kit::Array& array, const QString& key, const kit::Value& value)
{
    std::vector<kit::Value> kept;
    if (value.isNil())
        return kit::Array();
    for (const kit::Value& element : array) {
        const kit::Value v = kit::valueForKey(element, key);
        if (!v.isNil() && v.isEqual(value))
            kept.push_back(element);
    }
    return kit::Array(std::move(kept));
}

} // namespace JVLNSArray_Extension
