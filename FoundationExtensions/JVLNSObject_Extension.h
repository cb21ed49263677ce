#pragma once

// What every object can do beyond the kit: find the bundle its class came with, and write a value
// back through one of its bindings the way a bound control does (reverse transformer, then the
// observed object's key path).

#include "kit/core/Class.h"
#include "kit/core/Object.h"
#include "kit/foundation/Bundle.h"

namespace JVLNSObject_Extension {

// The bundle holding the class (the main bundle for the program's own classes).
kit::Bundle* bundle(const kit::Class& cls);
kit::Bundle* bundle(const kit::Object* object);

// Writes `value` to the observed object's key path of `binding` on `receiver`, reversed through the
// binding's value transformer when that allows it. Does nothing for an unbound binding; logs and
// writes nothing when the observed object is gone or the key path is missing. The write reaches the
// receiver's bound key again, synchronously, before this returns.
void propagateValueForBinding(kit::Object& receiver, const kit::Value& value, const QString& binding);

} // namespace JVLNSObject_Extension
