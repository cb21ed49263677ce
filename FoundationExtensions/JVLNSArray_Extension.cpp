#include "FoundationExtensions/JVLNSArray_Extension.h"

namespace JVLNSArray_Extension {

kit::Array arrayWithObjectsOfClass(const kit::Array& array, const kit::Class& cls)
{
    std::vector<kit::Value> kept;
    for (const kit::Value& v : array)
        if (v.isObject() && v.object() && v.object()->isKindOfClass(cls))
            kept.push_back(v);
    return kit::Array(std::move(kept));
}

} // namespace JVLNSArray_Extension
