#pragma once

// The image category the components share: a bitmap snapshot of an image (for layers and worker
// threads), a darkened copy for pressed icons, and drawing at a point with an operation.

#include "kit/core/Geometry.h"
#include "kit/graphics/CGImage.h"
#include "kit/graphics/Color.h"
#include "kit/graphics/Image.h"

namespace JVLNSImage_Extension {

// The whole image drawn with Copy at full opacity into a premultiplied ARGB32 bitmap of its size
// (truncated to whole pixels), through an unflipped context made current for the drawing. Null
// when either side truncates to zero. Safe on worker threads, also while others draw `image`.
kit::Ref<kit::CGImage> imageRefCopy(const kit::Image& image);

// A copy of the first bitmap rep with every red, green and blue value lowered by
// 256 − 255 × the colour's component (calibrated RGB), never below 0; alpha kept.
// Null when the first rep is not a bitmap or the colour has no RGB components.
kit::Ref<kit::Image> darkenedImageWithColor(const kit::Image& image, const kit::Color& color);

// The whole image with its visual lower-left corner at `point`, at full opacity or `fraction`.
void drawAtPointOperation(const kit::Image& image, kit::Point point, kit::CompositingOperation op);
void drawAtPointOperationFraction(const kit::Image& image, kit::Point point, kit::CompositingOperation op, double fraction);

} // namespace JVLNSImage_Extension
