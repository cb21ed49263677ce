#pragma once

// The inner loop of projectiveimage::DrawInto: a run of device pixels that the picture covers
// whole, each sampled from the inverse map and composited source-over. Several pixels per step in
// SIMD; one instance per kind of draw (bilinear or nearest, opaque source or not, faded or not) so
// that no per-pixel branch asks. Here for DrawInto and for the tests that hold the variants to the
// same pixels.

#include <QtGlobal>

#include <array>
#include <cstdint>
#include <vector>

namespace kit::projectiveimage {

// The pixels of a picture and the rectangle drawn from it (inclusive bounds); `opaque` when its
// alpha bytes are to be taken as 255 (a 32-bit RGB image).
struct SpanSource {
    const std::uint32_t* texels = nullptr; // texel (0, 0)
    qsizetype stride = 0; // texels per row
    int left = 0, top = 0, right = 0, bottom = 0;
    bool opaque = false;
};

// The homogeneous source position (u, v, w) of the first pixel's centre and its change per pixel
// to the right: the inverse map along a row. w stays positive along the run.
struct SpanMap {
    double u = 0, v = 0, w = 1;
    double du = 0, dv = 0, dw = 0;
};

// What each channel of a sample is multiplied by, packed as a pixel (alpha, red, green, blue;
// 255 keeps it): an opacity in every channel, a tint (a replicator copy's colour) in the colour
// channels as well. Multiplying a premultiplied sample keeps it premultiplied.
inline constexpr std::uint32_t SpanKeep = 0xffffffffu;
std::uint32_t SpanMultiplier(double opacity, const std::array<double, 3>& tint = { 1, 1, 1 });

// Composites `count` pixels from `dst` on: bilinear (else nearest) samples, times `multiplier`.
using SpanDrawer = void (*)(std::uint32_t* dst, int count, const SpanMap& map, const SpanSource& source, std::uint32_t multiplier);

// One pixel the slow way, for pixels along the picture's outline: the sample at source position
// (u, v), as the drawers take it, and its source-over composite times `multiplier`.
std::uint32_t SpanSample(const SpanSource& source, bool smooth, double u, double v);
void SpanBlend(std::uint32_t* dst, std::uint32_t sample, std::uint32_t multiplier);

// Instruction sets a span drawer is written for.
enum class SpanISA { Plain, SSE2, AVX2 };

// Those this processor runs, Plain first.
std::vector<SpanISA> SupportedSpanISAs();

// The drawer for a kind of draw; `isa` must be supported. The widest one when not given.
SpanDrawer SpanDrawerFor(const SpanSource& source, bool smooth, std::uint32_t multiplier);
SpanDrawer SpanDrawerFor(SpanISA isa, const SpanSource& source, bool smooth, std::uint32_t multiplier);

} // namespace kit::projectiveimage
