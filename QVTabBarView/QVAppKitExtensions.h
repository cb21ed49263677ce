#pragma once

// Colours kept in the user defaults as keyed archives of a colour. Reading accepts only an
// archived colour: any other data (or none) answers null.

#include "kit/foundation/UserDefaults.h"
#include "kit/graphics/Color.h"

namespace QVAppKitExtensions {

void setColorForKey(kit::UserDefaults& defaults, kit::Color* color, const QString& key);
kit::Ref<kit::Color> colorForKey(const kit::UserDefaults& defaults, const QString& key);

} // namespace QVAppKitExtensions
