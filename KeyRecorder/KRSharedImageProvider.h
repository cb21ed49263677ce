#pragma once

// The recorder's small images, drawn in code at whatever scale they render: the snap-back arrow
// and the remove box in its three looks. One image per name for the whole process.

#include "kit/core/Geometry.h"
#include "kit/graphics/BezierPath.h"
#include "kit/graphics/Image.h"

#include <QString>

class KRSharedImageProvider {
public:
    // "KRSnapback", "KRRemoveShortcut", "KRRemoveShortcutRollover", "KRRemoveShortcutPressed";
    // null for any other name.
    static kit::Ref<kit::Image> supportingImageWithName(const QString& name);
    // The arrow's path in an image of `size`, as it is filled.
    static kit::Ref<kit::BezierPath> snapbackPathForSize(kit::Size size);
};
