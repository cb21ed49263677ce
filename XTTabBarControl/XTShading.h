#pragma once

// Two-colour gradient fills of a path, for the Card, Pebble and Unified tab styles: the path
// becomes the clip and an axial shading spans its bounds, ends not extended. Colours are taken in
// device RGB and all four components, alpha too, interpolate linearly.

#include "kit/graphics/BezierPath.h"
#include "kit/graphics/Color.h"
#include "kit/graphics/Gradient.h"

namespace XTShading {

// Start colour at the bounds' minimum y, end colour at the maximum (the top of a flipped view
// gets the start colour).
void linearGradientFillWithStartColorEndColor(const kit::BezierPath& path, const kit::Color& start, const kit::Color& end);
// The same from the bounds' left edge to its right edge.
void linearVerticalGradientFillWithStartColorEndColor(const kit::BezierPath& path, const kit::Color& start, const kit::Color& end);
// The inner colour at both y ends, the outer along the middle: the names are kept as they are used.
void bilinearGradientFillWithOuterColorInnerColor(const kit::BezierPath& path, const kit::Color& outer, const kit::Color& inner);

// The fills above with a function of t in [0, 1] made from the two colours.
using FunctionMaker = kit::Shading::Function (*)(QColor first, QColor second);
void customHorizontalFillWithFunction(const kit::BezierPath& path, FunctionMaker function, const kit::Color& first, const kit::Color& second);
void customVerticalFillWithFunction(const kit::BezierPath& path, FunctionMaker function, const kit::Color& first, const kit::Color& second);
void customFillWithFunction(const kit::BezierPath& path, FunctionMaker function, const kit::Color& first, const kit::Color& second,
    kit::Point start, kit::Point end);

} // namespace XTShading
