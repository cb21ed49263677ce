#pragma once

// Colour gradients. kit::Gradient interpolates each component of non-premultiplied sRGB (alpha
// included) and draws axially at an angle of the current user space (90° runs from minY to maxY:
// bottom to top when y is up, top to bottom in a flipped view) or radially. kit::Shading is the
// graphics layer's axial shading driven by a colour function.

#include "kit/core/Class.h"
#include "kit/core/Geometry.h"
#include "kit/core/Object.h"
#include "kit/foundation/Coder.h"
#include "kit/graphics/Color.h"

#include <QBrush>
#include <QGradientStops>
#include <QPainterPath>

#include <functional>
#include <vector>

namespace kit {

class BezierPath;

enum GradientDrawingOptions : unsigned {
    GradientDrawsBeforeStartingLocation = 1u << 0,
    GradientDrawsAfterEndingLocation = 1u << 1,
};

// Immutable, so a copy is the gradient itself. Archivable: its stops' colours and locations.
class Gradient : public Object, public Coding {
    KIT_CLASS(Gradient)
    // Null when either colour is null (a null gradient draws nothing).
    static Ref<Gradient> gradientWithStartingColorEndingColor(const Ref<Color>& start, const Ref<Color>& end);
    // Evenly spaced; null when fewer than two colours or any is null.
    static Ref<Gradient> gradientWithColors(const std::vector<Ref<Color>>& colors);
    static Ref<Gradient> gradientWithColorsAndLocations(const std::vector<Ref<Color>>& colors, const std::vector<double>& locations);

    int numberOfColorStops() const { return int(colors_.size()); }
    // The stop at `index` (0 ≤ index < numberOfColorStops), in ascending location order.
    void getColorLocationAtIndex(Ref<Color>* color, double* location, int index) const;
    Ref<Color> interpolatedColorAtLocation(double location) const;

    // Axial along (cos θ, sin θ) through the rectangle's centre, spanning corner to corner, clipped to the rectangle.
    void drawInRectAngle(Rect rect, double degrees) const;
    void drawInBezierPathAngle(const BezierPath& path, double degrees) const;
    void drawFromPointToPointOptions(Point start, Point end, unsigned options) const;
    // Radial from centre + (rx·w/2, ry·h/2), radius 0 to the farthest corner, clipped to the rectangle.
    void drawInRectRelativeCenterPosition(Rect rect, Point relativeCenter) const;

    // Stops for QGradient, with extra samples where alpha changes so the result is the
    // non-premultiplied interpolation.
    QGradientStops qtStops() const;
    QBrush axialBrush(const QRectF& bounds, double degrees) const;

    Ref<Object> copy() const override { return Ref<Object>(const_cast<Gradient*>(this)); }
    // Same stops (colours compared as drawn).
    bool isEqual(const Object* other) const override;
    std::size_t hash() const override;

    // kit::Coding: "kit.colors" (colours) and "kit.locations" (numbers), one per stop. A decoded
    // archive whose stops do not make a gradient keeps the factory's transparent one and fails
    // the coder.
    void encodeWithCoder(Coder& coder) const override;
    void initWithCoder(Coder& coder) override;

private:
    Gradient(std::vector<QColor> colors, std::vector<double> locations)
        : colors_(std::move(colors))
        , locations_(std::move(locations))
    { }
    void fillAxial(const QPainterPath& area, double degrees) const;
    QColor colorAt(double t) const;

    std::vector<QColor> colors_;
    std::vector<double> locations_;
};

// The graphics layer's axial shading. Colours come from a function of t in [0, 1], sampled.
class Shading : public Object {
    KIT_CLASS(Shading)
    using Function = std::function<QColor(double t)>;
    static Ref<Shading> axial(Point start, Point end, Function function, bool extendStart = false, bool extendEnd = false);
    // start → end.
    static Function linearFunction(QColor start, QColor end);
    // start at both ends, middle at 0.5.
    static Function bilinearFunction(QColor start, QColor middle);

    QBrush brush() const;
    // Where the shading paints, in user space: the band between the perpendiculars at start and end,
    // extended past an end when asked.
    QPainterPath area() const;

private:
    Shading() = default;
    Point start_, end_;
    bool extendStart_ = false, extendEnd_ = false;
    QGradientStops stops_;
};

} // namespace kit
