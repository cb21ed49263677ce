#pragma once

// The drawing state a graphics context saves and restores: CTM, clip, colours, shadow,
// compositing operation, antialiasing, interpolation, focus-ring style and the path defaults.
// Backends receive it with every primitive, so a recording backend sees exactly what a painter would.

#include "kit/graphics/Color.h"

#include <QColor>
#include <QPainterPath>
#include <QPointF>
#include <QTransform>

#include <cstdint>
#include <optional>

namespace kit {

enum CompositingOperation : int {
    CompositeClear = 0,
    CompositeCopy = 1,
    CompositeSourceOver = 2,
    CompositeSourceIn = 3,
    CompositeSourceOut = 4,
    CompositeSourceAtop = 5,
    CompositeDestinationOver = 6,
    CompositeDestinationIn = 7,
    CompositeDestinationOut = 8,
    CompositeDestinationAtop = 9,
    CompositeXOR = 10,
    CompositePlusDarker = 11,
    CompositeHighlight = 12,
    CompositePlusLighter = 13,
    // The graphics layer's multiply blend mode (not a platform operation value).
    CompositeMultiplyBlend = 1001,
};

enum LineCapStyle : int { ButtLineCapStyle = 0, RoundLineCapStyle = 1, SquareLineCapStyle = 2 };
enum LineJoinStyle : int { MiterLineJoinStyle = 0, RoundLineJoinStyle = 1, BevelLineJoinStyle = 2 };
enum WindingRule : int { NonZeroWindingRule = 0, EvenOddWindingRule = 1 };
enum ImageInterpolation : int {
    ImageInterpolationDefault = 0,
    ImageInterpolationNone = 1,
    ImageInterpolationLow = 2,
    ImageInterpolationHigh = 3,
    ImageInterpolationMedium = 4,
};
enum FocusRingPlacement : int { FocusRingOnly = 0, FocusRingBelow = 1, FocusRingAbove = 2 };

// A shadow as the context applies it: offset and blur in device pixels, y up.
struct ShadowState {
    QPointF offset;
    double blurRadius = 0;
    QColor color;
    bool isActive() const { return color.isValid() && color.alpha() > 0; }
};

// BezierPath's class defaults, kept per context.
struct PathDefaults {
    double lineWidth = 1;
    LineCapStyle lineCapStyle = ButtLineCapStyle;
    LineJoinStyle lineJoinStyle = MiterLineJoinStyle;
    double miterLimit = 10;
    WindingRule windingRule = NonZeroWindingRule;
    double flatness = 0.6;
};

struct GraphicsState {
    QTransform ctm; // device <- user
    std::optional<QPainterPath> clip; // device space; none = unclipped
    std::uint64_t clipSerial = 0; // changes whenever `clip` does, so backends re-apply it only then
    Ref<Color> fillColor;
    Ref<Color> strokeColor;
    ShadowState shadow;
    CompositingOperation operation = CompositeSourceOver;
    bool shouldAntialias = true;
    ImageInterpolation imageInterpolation = ImageInterpolationDefault;
    std::optional<FocusRingPlacement> focusRingStyle;
    PathDefaults pathDefaults;
    QPointF patternPhase;
};

} // namespace kit
