#pragma once

// Pictures under a projective map (a layer turned in perspective), drawn by sampling each device
// pixel from the inverse map: exact, one pass, and without the per-pixel cost of the painter's
// projective image path or its thread-pool fills.

#include <QImage>
#include <QPointF>
#include <QRect>
#include <QTransform>

#include <array>
#include <vector>

class QPainter;

namespace kit {

struct GraphicsState;

namespace projectiveimage {

// A convex quadrilateral in device pixels, corners in order around it.
using Quad = std::array<QPointF, 4>;

// Source-over with `opacity` of the pixels `source` of `image` into `canvas`, each pixel taken
// from where `sourceToDevice` (image pixels → canvas pixels, projective) puts it; nothing outside
// `clip`. Bilinear when `smooth`; edges covered by area when `antialias`, else a pixel belongs to
// the picture when its centre does. Answers false, drawing nothing, for formats it does not take
// (32-bit premultiplied or RGB) or a map that sends a corner behind the eye or is singular.
// `occluders` are quads that something drawn later paints over opaquely: pixels lying wholly
// inside one (their centres a pixel from every edge) are left alone, since whatever lands there
// now is replaced. `tint` multiplies the colour channels of each sample (a replicator copy's
// colour), so that no tinted copy of the picture is made or read.
bool DrawInto(QImage& canvas, const QRect& clip, const QImage& image, const QRect& source, const QTransform& sourceToDevice,
    double opacity, bool smooth, bool antialias, const std::vector<Quad>* occluders = nullptr, const std::array<double, 3>& tint = { 1, 1, 1 });

// Whether every pixel of `image` is opaque: such a picture covers whatever lies under it.
bool AllOpaque(const QImage& image);

// The painter backend's hook: `target` in a space that `toDevice` maps to the painter's world
// space. Draws and answers true only where the result is the painter's own: an image device,
// no clip or a rectangular one, no shadow, source-over. Leaves the painter's state as it was.
bool Draw(QPainter& painter, const QImage& image, const QRectF& source, const QRectF& target, const QTransform& toDevice, double opacity,
    const GraphicsState& s, const std::vector<Quad>* occluders = nullptr, const std::array<double, 3>& tint = { 1, 1, 1 });

} // namespace projectiveimage

} // namespace kit
