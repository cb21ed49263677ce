#include "kit/graphics/ProjectiveImageSpan.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#endif

namespace kit::projectiveimage {

namespace projective_span {

// x · a / 255 per 8-bit channel, rounded, two channels at a time.
inline std::uint32_t byteMul(std::uint32_t x, std::uint32_t a)
{
    std::uint32_t rb = (x & 0x00ff00ffu) * a;
    rb = ((rb + ((rb >> 8) & 0x00ff00ffu) + 0x00800080u) >> 8) & 0x00ff00ffu;
    std::uint32_t ag = ((x >> 8) & 0x00ff00ffu) * a;
    ag = (ag + ((ag >> 8) & 0x00ff00ffu) + 0x00800080u) & 0xff00ff00u;
    return ag | rb;
}

// x · m / 255 per 8-bit channel, each channel by its own byte of `m`, rounded as byteMul.
inline std::uint32_t channelsMul(std::uint32_t x, std::uint32_t m)
{
    const std::uint32_t a = m & 0xff;
    if (m == a * 0x01010101u)
        return byteMul(x, a);
    std::uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const std::uint32_t t = ((x >> shift) & 0xff) * ((m >> shift) & 0xff);
        out |= ((t + (t >> 8) + 0x80) >> 8) << shift;
    }
    return out;
}

// a + (b − a) · d / 256 per channel, d in 0…256.
inline std::uint32_t lerp(std::uint32_t a, std::uint32_t b, std::uint32_t d)
{
    const std::uint32_t id = 256 - d;
    const std::uint32_t rb = (((a & 0x00ff00ffu) * id + (b & 0x00ff00ffu) * d) >> 8) & 0x00ff00ffu;
    const std::uint32_t ag = (((a >> 8) & 0x00ff00ffu) * id + ((b >> 8) & 0x00ff00ffu) * d) & 0xff00ff00u;
    return ag | rb;
}

// Clamped to [lo, hi], NaN to lo: whatever comes in, the texel index stays inside.
inline double clampedTo(double x, double lo, double hi) { return x >= lo ? std::min(x, hi) : lo; }

// One texel and its right and lower neighbours, taken at `s` (0…1 texel past it, in 1/256).
struct Tap {
    int x0, x1, dx;
};

// Texel x0 ≤ s and the one after, both inside [lo, hi]: on the last texel the one before it,
// weighted 0, so that every variant reads two texels side by side.
inline Tap tapAt(double s, int lo, int hi)
{
    s = clampedTo(s, lo, hi);
    const int x0 = std::min(int(s), std::max(hi - 1, lo));
    return { x0, std::min(x0 + 1, hi), int((s - x0) * 256) };
}

// Straight alpha "over" of a premultiplied sample. Where the sample is opaque 255 − alpha is 0 and
// the destination drops out; where it is clear, byteMul(d, 255) = d: no branch needed.
inline std::uint32_t over(std::uint32_t sample, std::uint32_t d) { return sample + byteMul(d, 255 - (sample >> 24)); }

} // namespace projective_span

std::uint32_t SpanSample(const SpanSource& s, bool smooth, double u, double v)
{
    using namespace projective_span;
    const auto* texels = s.texels;
    std::uint32_t sample;
    if (smooth) {
        // Texel centres lie at .5: the four around (u, v) are those around (u − .5, v − .5).
        const Tap h = tapAt(u - 0.5, s.left, s.right), k = tapAt(v - 0.5, s.top, s.bottom);
        const std::uint32_t* r0 = texels + k.x0 * s.stride;
        const std::uint32_t* r1 = texels + k.x1 * s.stride;
        // Down the columns first, then across: the order of the SIMD variants, same roundings.
        sample = lerp(lerp(r0[h.x0], r1[h.x0], std::uint32_t(k.dx)), lerp(r0[h.x1], r1[h.x1], std::uint32_t(k.dx)), std::uint32_t(h.dx));
    } else {
        const int x = int(clampedTo(u, s.left, s.right)), y = int(clampedTo(v, s.top, s.bottom));
        sample = texels[y * s.stride + x];
    }
    return s.opaque ? sample | 0xff000000u : sample;
}

void SpanBlend(std::uint32_t* dst, std::uint32_t sample, std::uint32_t multiplier)
{
    using namespace projective_span;
    *dst = over(multiplier != SpanKeep ? channelsMul(sample, multiplier) : sample, *dst);
}

std::uint32_t SpanMultiplier(double opacity, const std::array<double, 3>& tint)
{
    const double a = std::isnan(opacity) ? 0.0 : std::clamp(opacity, 0.0, 1.0);
    const auto byte = [&](double t) { return std::uint32_t((std::isnan(t) ? 0.0 : std::clamp(t, 0.0, 1.0)) * a * 255 + 0.5); };
    return byte(1) << 24 | byte(tint[0]) << 16 | byte(tint[1]) << 8 | byte(tint[2]);
}

namespace projective_span {

// The plain variant: one pixel at a time, in double precision.
template <bool Smooth, bool Opaque, bool Faded> struct PlainSpan {
    static void draw(std::uint32_t* dst, int count, const SpanMap& m, const SpanSource& s, std::uint32_t multiplier)
    {
        for (int i = 0; i < count; ++i) {
            const double w = m.w + i * m.dw;
            const std::uint32_t sample = SpanSample(s, Smooth, (m.u + i * m.du) / w, (m.v + i * m.dv) / w);
            dst[i] = over(Faded ? channelsMul(sample, multiplier) : sample, dst[i]);
        }
    }
};

// The SIMD variants take positions in single precision: rescaled so that w is 1 where the run
// starts, the error stays below 1/200 texel for pictures of 30,000.
inline SpanMap normalised(const SpanMap& m)
{
    const double k = 1 / m.w;
    return { m.u * k, m.v * k, 1, m.du * k, m.dv * k, m.dw * k };
}

// The SIMD variants hold one pixel per 32-bit lane and work on its red and blue bytes, then its
// alpha and green bytes, widened in place to 16-bit lanes (x & 0x00ff00ff, x >> 8 per 16 bits):
// every product is at most 255 · 256, and so is each sum of two weighted by complementary
// weights, and a pixel's weight fills both halves of its lane. The arithmetic is the plain
// variant's, rounding for rounding.

// Positions advance in single precision from step to step, started again from double precision
// every 64 pixels, before the rounding errors add up.
constexpr int spanRestart = 64;

// A run in steps of `Step` pixels, the last few on a copy so that no step reads or writes past
// the run. Inlined into each variant's draw, where the variant's own instruction set lets the
// steps inline in turn.
template <int Step, typename Variant> [[gnu::always_inline]] inline void drawInSteps(Variant& variant, std::uint32_t* dst, int count)
{
    for (int i = 0; i < count; i += Step) {
        if (i % spanRestart == 0)
            variant.restart(i);
        if (count - i >= Step) {
            variant.step(dst + i);
            continue;
        }
        alignas(32) std::uint32_t tail[Step] = {};
        const auto bytes = std::size_t(count - i) * sizeof(std::uint32_t);
        std::memcpy(tail, dst + i, bytes);
        variant.step(tail);
        std::memcpy(dst + i, tail, bytes);
    }
}

#if defined(__SSE2__)

// Four pixels a step.

// x · a / 255 per byte: red and blue by `rb`, alpha and green by `ag` (each factor in its 16-bit
// half of the lane).
inline __m128i mulBytesSSE2(__m128i x, __m128i rb, __m128i ag)
{
    const auto mul = [&](__m128i c, __m128i a) {
        const __m128i t = _mm_mullo_epi16(c, a);
        return _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(t, _mm_srli_epi16(t, 8)), _mm_set1_epi16(0x80)), 8);
    };
    return _mm_or_si128(mul(_mm_and_si128(x, _mm_set1_epi32(0x00ff00ff)), rb), _mm_slli_epi16(mul(_mm_srli_epi16(x, 8), ag), 8));
}

inline __m128i mulBytesSSE2(__m128i x, __m128i a) { return mulBytesSSE2(x, a, a); }

// A multiplier's factors as mulBytes takes them: red and blue, alpha and green, per 16-bit half.
inline std::uint32_t factorsRB(std::uint32_t m) { return (m & 0x00ff00ffu); }
inline std::uint32_t factorsAG(std::uint32_t m) { return (m >> 8) & 0x00ff00ffu; }

// (a · wa + b · wb) / 256 per 16-bit lane.
inline __m128i lerpSSE2(__m128i a, __m128i b, __m128i wa, __m128i wb)
{
    return _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(a, wa), _mm_mullo_epi16(b, wb)), 8);
}

// A 32-bit lane's value in both of its 16-bit halves.
inline __m128i doubledSSE2(__m128i w) { return _mm_or_si128(w, _mm_slli_epi32(w, 16)); }

// Clamped to [lo, hi]; max first, so that a NaN gives way to the bound.
inline __m128 clampSSE2(__m128 x, __m128 lo, __m128 hi) { return _mm_min_ps(_mm_max_ps(x, lo), hi); }

// Texel pairs at offsets `at[a]` (low half) and `at[b]` from `row`.
inline __m128 pairsSSE2(const std::uint32_t* row, const std::int32_t* at, int a, int b)
{
    return _mm_loadh_pi(
        _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + at[a]))), reinterpret_cast<const __m64*>(row + at[b]));
}

// What every step of a run uses, set up once: in registers, where the source's fields would be
// read again after every store (the destination might alias them).
template <bool Smooth, bool Opaque, bool Faded> struct SSE2Span {
    SpanMap map;
    __m128 u {}, v {}, w {}; // the current step's homogeneous positions, set by restart()
    __m128 du, dv, dw; // their change from step to step
    __m128 left, right, top, bottom, lastLeft, lastTop;
    const std::uint32_t* texels;
    qsizetype stride;
    __m128i strides, factorRB, factorAG;

    SSE2Span(const SpanMap& m, const SpanSource& s, std::uint32_t a)
        : map(normalised(m))
        , du(_mm_set1_ps(float(4 * map.du)))
        , dv(_mm_set1_ps(float(4 * map.dv)))
        , dw(_mm_set1_ps(float(4 * map.dw)))
        , left(_mm_set1_ps(float(s.left)))
        , right(_mm_set1_ps(float(s.right)))
        , top(_mm_set1_ps(float(s.top)))
        , bottom(_mm_set1_ps(float(s.bottom)))
        , lastLeft(_mm_set1_ps(float(s.right - 1)))
        , lastTop(_mm_set1_ps(float(s.bottom - 1)))
        , texels(s.texels)
        , stride(s.stride)
        , strides(_mm_set1_epi32(int(s.stride)))
        , factorRB(_mm_set1_epi32(int(factorsRB(a))))
        , factorAG(_mm_set1_epi32(int(factorsAG(a))))
    { }

    void restart(int i)
    {
        const __m128 iota = _mm_setr_ps(0, 1, 2, 3);
        const auto lanes = [&](double start, double step) {
            return _mm_add_ps(_mm_set1_ps(float(start + i * step)), _mm_mul_ps(iota, _mm_set1_ps(float(step))));
        };
        u = lanes(map.u, map.du);
        v = lanes(map.v, map.dv);
        w = lanes(map.w, map.dw);
    }

    // The samples of the current step's pixels, then on to the next step.
    __m128i sample()
    {
        const __m128 rw = _mm_div_ps(_mm_set1_ps(1), w);
        const __m128 su = _mm_mul_ps(u, rw), sv = _mm_mul_ps(v, rw);
        u = _mm_add_ps(u, du);
        v = _mm_add_ps(v, dv);
        w = _mm_add_ps(w, dw);
        alignas(16) std::int32_t at[4];
        if constexpr (Smooth) {
            // Texel centres lie at .5. The last texel of a row or column reads the one before it,
            // weighted 0: every pixel takes two texels side by side from two rows.
            const __m128 half = _mm_set1_ps(0.5f), scale = _mm_set1_ps(256);
            const __m128 fx = clampSSE2(_mm_sub_ps(su, half), left, right), fy = clampSSE2(_mm_sub_ps(sv, half), top, bottom);
            const __m128i x0 = _mm_cvttps_epi32(_mm_min_ps(fx, lastLeft)), y0 = _mm_cvttps_epi32(_mm_min_ps(fy, lastTop));
            const __m128i dx = _mm_cvttps_epi32(_mm_mul_ps(_mm_sub_ps(fx, _mm_cvtepi32_ps(x0)), scale));
            const __m128i dy = _mm_cvttps_epi32(_mm_mul_ps(_mm_sub_ps(fy, _mm_cvtepi32_ps(y0)), scale));
            alignas(16) std::int32_t xs[4], ys[4];
            _mm_store_si128(reinterpret_cast<__m128i*>(xs), x0);
            _mm_store_si128(reinterpret_cast<__m128i*>(ys), y0);
            for (int k = 0; k < 4; ++k)
                at[k] = ys[k] * int(stride) + xs[k];
            const __m128 upper01 = pairsSSE2(texels, at, 0, 1), upper23 = pairsSSE2(texels, at, 2, 3);
            const __m128 lower01 = pairsSSE2(texels + stride, at, 0, 1), lower23 = pairsSSE2(texels + stride, at, 2, 3);
            const auto lefts = [](__m128 p, __m128 q) { return _mm_castps_si128(_mm_shuffle_ps(p, q, _MM_SHUFFLE(2, 0, 2, 0))); };
            const auto rights = [](__m128 p, __m128 q) { return _mm_castps_si128(_mm_shuffle_ps(p, q, _MM_SHUFFLE(3, 1, 3, 1))); };
            const __m128i tl = lefts(upper01, upper23), tr = rights(upper01, upper23);
            const __m128i bl = lefts(lower01, lower23), br = rights(lower01, lower23);
            const __m128i full = _mm_set1_epi16(256);
            const __m128i wy = doubledSSE2(dy), wx = doubledSSE2(dx);
            const __m128i wt = _mm_sub_epi16(full, wy), wl = _mm_sub_epi16(full, wx);
            // Down the columns, then across; red and blue, then alpha and green.
            const auto bilinear
                = [&](auto part) { return lerpSSE2(lerpSSE2(part(tl), part(bl), wt, wy), lerpSSE2(part(tr), part(br), wt, wy), wl, wx); };
            const __m128i rb = bilinear([](__m128i x) { return _mm_and_si128(x, _mm_set1_epi32(0x00ff00ff)); });
            const __m128i ag = bilinear([](__m128i x) { return _mm_srli_epi16(x, 8); });
            return _mm_or_si128(rb, _mm_slli_epi16(ag, 8));
        } else {
            // Nearest: the texel holding the position.
            alignas(16) std::int32_t xs[4], ys[4];
            _mm_store_si128(reinterpret_cast<__m128i*>(xs), _mm_cvttps_epi32(clampSSE2(su, left, right)));
            _mm_store_si128(reinterpret_cast<__m128i*>(ys), _mm_cvttps_epi32(clampSSE2(sv, top, bottom)));
            const auto texel = [&](int k) { return int(texels[ys[k] * stride + xs[k]]); };
            return _mm_setr_epi32(texel(0), texel(1), texel(2), texel(3));
        }
    }

    void composite(std::uint32_t* out, __m128i x) const
    {
        const __m128i alphaMask = _mm_set1_epi32(int(0xff000000u));
        if constexpr (Opaque)
            x = _mm_or_si128(x, alphaMask);
        if constexpr (Faded)
            x = mulBytesSSE2(x, factorRB, factorAG);
        auto* target = reinterpret_cast<__m128i*>(out);
        // Opaque samples replace what is there: no need to read it.
        if ((Opaque && !Faded) || _mm_movemask_epi8(_mm_cmpeq_epi32(_mm_and_si128(x, alphaMask), alphaMask)) == 0xffff) {
            _mm_storeu_si128(target, x);
            return;
        }
        const __m128i clear = _mm_sub_epi16(_mm_set1_epi16(255), doubledSSE2(_mm_srli_epi32(x, 24)));
        _mm_storeu_si128(target, _mm_adds_epu8(x, mulBytesSSE2(_mm_loadu_si128(target), clear)));
    }

    void step(std::uint32_t* out) { composite(out, sample()); }

    static void draw(std::uint32_t* dst, int count, const SpanMap& map, const SpanSource& s, std::uint32_t multiplier)
    {
        SSE2Span frame(map, s, multiplier);
        drawInSteps<4>(frame, dst, count);
    }
};

#endif

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))

// Eight pixels a step, chosen at run time (the build's baseline is SSE2): the SSE2 variant in
// 256 bits. Lambdas would not take the target: helpers are functions.

__attribute__((target("avx2"))) inline __m256i mulByteAVX2(__m256i c, __m256i a)
{
    const __m256i t = _mm256_mullo_epi16(c, a);
    return _mm256_srli_epi16(_mm256_add_epi16(_mm256_add_epi16(t, _mm256_srli_epi16(t, 8)), _mm256_set1_epi16(0x80)), 8);
}

__attribute__((target("avx2"))) inline __m256i mulBytesAVX2(__m256i x, __m256i rb, __m256i ag)
{
    const __m256i low = mulByteAVX2(_mm256_and_si256(x, _mm256_set1_epi32(0x00ff00ff)), rb);
    return _mm256_or_si256(low, _mm256_slli_epi16(mulByteAVX2(_mm256_srli_epi16(x, 8), ag), 8));
}

__attribute__((target("avx2"))) inline __m256i mulBytesAVX2(__m256i x, __m256i a) { return mulBytesAVX2(x, a, a); }

__attribute__((target("avx2"))) inline __m256i lerpAVX2(__m256i a, __m256i b, __m256i wa, __m256i wb)
{
    return _mm256_srli_epi16(_mm256_add_epi16(_mm256_mullo_epi16(a, wa), _mm256_mullo_epi16(b, wb)), 8);
}

__attribute__((target("avx2"))) inline __m256i doubledAVX2(__m256i w) { return _mm256_or_si256(w, _mm256_slli_epi32(w, 16)); }

__attribute__((target("avx2"))) inline __m256 clampAVX2(__m256 x, __m256 lo, __m256 hi) { return _mm256_min_ps(_mm256_max_ps(x, lo), hi); }

// Texel pairs at offsets `at[a]`, `at[b]` (low half) and `at[c]`, `at[d]` from `row`. Loaded one
// by one: faster than the gather instructions on the processors measured.
__attribute__((target("avx2"))) inline __m256 pairsAVX2(const std::uint32_t* row, const std::int32_t* at, int a, int b, int c, int d)
{
    return _mm256_insertf128_ps(_mm256_castps128_ps256(pairsSSE2(row, at, a, b)), pairsSSE2(row, at, c, d), 1);
}

__attribute__((target("avx2"))) inline __m256i bilinearAVX2(__m256i tl, __m256i tr, __m256i bl, __m256i br, __m256i wy, __m256i wx)
{
    const __m256i full = _mm256_set1_epi16(256);
    const __m256i wt = _mm256_sub_epi16(full, wy), wl = _mm256_sub_epi16(full, wx);
    return lerpAVX2(lerpAVX2(tl, bl, wt, wy), lerpAVX2(tr, br, wt, wy), wl, wx);
}

// SSE2Span's counterpart.
template <bool Smooth, bool Opaque, bool Faded> struct AVX2Span {
    SpanMap map;
    __m256 u {}, v {}, w {};
    __m256 du, dv, dw;
    __m256 left, right, top, bottom, lastLeft, lastTop;
    const std::uint32_t* texels;
    qsizetype stride;
    __m256i strides, factorRB, factorAG;

    __attribute__((target("avx2"))) AVX2Span(const SpanMap& m, const SpanSource& s, std::uint32_t a)
        : map(normalised(m))
        , du(_mm256_set1_ps(float(8 * map.du)))
        , dv(_mm256_set1_ps(float(8 * map.dv)))
        , dw(_mm256_set1_ps(float(8 * map.dw)))
        , left(_mm256_set1_ps(float(s.left)))
        , right(_mm256_set1_ps(float(s.right)))
        , top(_mm256_set1_ps(float(s.top)))
        , bottom(_mm256_set1_ps(float(s.bottom)))
        , lastLeft(_mm256_set1_ps(float(s.right - 1)))
        , lastTop(_mm256_set1_ps(float(s.bottom - 1)))
        , texels(s.texels)
        , stride(s.stride)
        , strides(_mm256_set1_epi32(int(s.stride)))
        , factorRB(_mm256_set1_epi32(int(factorsRB(a))))
        , factorAG(_mm256_set1_epi32(int(factorsAG(a))))
    { }

    __attribute__((target("avx2"))) void restart(int i)
    {
        const __m256 iota = _mm256_setr_ps(0, 1, 2, 3, 4, 5, 6, 7);
        u = _mm256_add_ps(_mm256_set1_ps(float(map.u + i * map.du)), _mm256_mul_ps(iota, _mm256_set1_ps(float(map.du))));
        v = _mm256_add_ps(_mm256_set1_ps(float(map.v + i * map.dv)), _mm256_mul_ps(iota, _mm256_set1_ps(float(map.dv))));
        w = _mm256_add_ps(_mm256_set1_ps(float(map.w + i * map.dw)), _mm256_mul_ps(iota, _mm256_set1_ps(float(map.dw))));
    }

    __attribute__((target("avx2"))) __m256i sample()
    {
        const __m256 rw = _mm256_div_ps(_mm256_set1_ps(1), w);
        const __m256 su = _mm256_mul_ps(u, rw), sv = _mm256_mul_ps(v, rw);
        u = _mm256_add_ps(u, du);
        v = _mm256_add_ps(v, dv);
        w = _mm256_add_ps(w, dw);
        alignas(32) std::int32_t at[8];
        if constexpr (Smooth) {
            const __m256 half = _mm256_set1_ps(0.5f), scale = _mm256_set1_ps(256);
            const __m256 fx = clampAVX2(_mm256_sub_ps(su, half), left, right), fy = clampAVX2(_mm256_sub_ps(sv, half), top, bottom);
            const __m256i x0 = _mm256_cvttps_epi32(_mm256_min_ps(fx, lastLeft)), y0 = _mm256_cvttps_epi32(_mm256_min_ps(fy, lastTop));
            const __m256i dx = _mm256_cvttps_epi32(_mm256_mul_ps(_mm256_sub_ps(fx, _mm256_cvtepi32_ps(x0)), scale));
            const __m256i dy = _mm256_cvttps_epi32(_mm256_mul_ps(_mm256_sub_ps(fy, _mm256_cvtepi32_ps(y0)), scale));
            _mm256_store_si256(reinterpret_cast<__m256i*>(at), _mm256_add_epi32(_mm256_mullo_epi32(y0, strides), x0));
            // Pairs of pixels 0, 1, 4, 5 and of 2, 3, 6, 7: the shuffles below, which work within
            // each 128-bit half, then give the left and right texels of pixels 0 to 7 in order.
            const __m256 upper0145 = pairsAVX2(texels, at, 0, 1, 4, 5), upper2367 = pairsAVX2(texels, at, 2, 3, 6, 7);
            const __m256 lower0145 = pairsAVX2(texels + stride, at, 0, 1, 4, 5), lower2367 = pairsAVX2(texels + stride, at, 2, 3, 6, 7);
            const __m256i tl = _mm256_castps_si256(_mm256_shuffle_ps(upper0145, upper2367, _MM_SHUFFLE(2, 0, 2, 0)));
            const __m256i tr = _mm256_castps_si256(_mm256_shuffle_ps(upper0145, upper2367, _MM_SHUFFLE(3, 1, 3, 1)));
            const __m256i bl = _mm256_castps_si256(_mm256_shuffle_ps(lower0145, lower2367, _MM_SHUFFLE(2, 0, 2, 0)));
            const __m256i br = _mm256_castps_si256(_mm256_shuffle_ps(lower0145, lower2367, _MM_SHUFFLE(3, 1, 3, 1)));
            const __m256i wy = doubledAVX2(dy), wx = doubledAVX2(dx), mask = _mm256_set1_epi32(0x00ff00ff);
            const __m256i rb = bilinearAVX2(
                _mm256_and_si256(tl, mask), _mm256_and_si256(tr, mask), _mm256_and_si256(bl, mask), _mm256_and_si256(br, mask), wy, wx);
            const __m256i ag = bilinearAVX2(
                _mm256_srli_epi16(tl, 8), _mm256_srli_epi16(tr, 8), _mm256_srli_epi16(bl, 8), _mm256_srli_epi16(br, 8), wy, wx);
            return _mm256_or_si256(rb, _mm256_slli_epi16(ag, 8));
        } else {
            const __m256i x = _mm256_cvttps_epi32(clampAVX2(su, left, right)), y = _mm256_cvttps_epi32(clampAVX2(sv, top, bottom));
            _mm256_store_si256(reinterpret_cast<__m256i*>(at), _mm256_add_epi32(_mm256_mullo_epi32(y, strides), x));
            return _mm256_setr_epi32(int(texels[at[0]]), int(texels[at[1]]), int(texels[at[2]]), int(texels[at[3]]), int(texels[at[4]]),
                int(texels[at[5]]), int(texels[at[6]]), int(texels[at[7]]));
        }
    }

    __attribute__((target("avx2"))) void composite(std::uint32_t* out, __m256i x) const
    {
        const __m256i alphaMask = _mm256_set1_epi32(int(0xff000000u));
        if constexpr (Opaque)
            x = _mm256_or_si256(x, alphaMask);
        if constexpr (Faded)
            x = mulBytesAVX2(x, factorRB, factorAG);
        auto* target = reinterpret_cast<__m256i*>(out);
        if ((Opaque && !Faded) || _mm256_movemask_epi8(_mm256_cmpeq_epi32(_mm256_and_si256(x, alphaMask), alphaMask)) == -1) {
            _mm256_storeu_si256(target, x);
            return;
        }
        const __m256i clear = _mm256_sub_epi16(_mm256_set1_epi16(255), doubledAVX2(_mm256_srli_epi32(x, 24)));
        _mm256_storeu_si256(target, _mm256_adds_epu8(x, mulBytesAVX2(_mm256_loadu_si256(target), clear)));
    }

    __attribute__((target("avx2"))) void step(std::uint32_t* out) { composite(out, sample()); }

    __attribute__((target("avx2"))) static void draw(
        std::uint32_t* dst, int count, const SpanMap& map, const SpanSource& s, std::uint32_t multiplier)
    {
        AVX2Span frame(map, s, multiplier);
        drawInSteps<8>(frame, dst, count);
    }
};

#endif

// The eight kinds of one variant.
template <template <bool, bool, bool> typename Variant> SpanDrawer drawerOf(bool smooth, bool opaque, bool faded)
{
    static constexpr std::array<SpanDrawer, 8> drawers = { &Variant<false, false, false>::draw, &Variant<false, false, true>::draw,
        &Variant<false, true, false>::draw, &Variant<false, true, true>::draw, &Variant<true, false, false>::draw,
        &Variant<true, false, true>::draw, &Variant<true, true, false>::draw, &Variant<true, true, true>::draw };
    return drawers[std::size_t(smooth) * 4 + std::size_t(opaque) * 2 + std::size_t(faded)];
}

} // namespace projective_span

std::vector<SpanISA> SupportedSpanISAs()
{
    std::vector<SpanISA> isas { SpanISA::Plain };
#if defined(__SSE2__)
    isas.push_back(SpanISA::SSE2);
#endif
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
    if (__builtin_cpu_supports("avx2"))
        isas.push_back(SpanISA::AVX2);
#endif
    return isas;
}

SpanDrawer SpanDrawerFor(SpanISA isa, const SpanSource& source, bool smooth, std::uint32_t multiplier)
{
    using namespace projective_span;
    const bool faded = multiplier != SpanKeep;
    // The SIMD variants read two texels side by side and two rows: a picture one texel wide or
    // high takes the plain one.
    if (smooth && (source.right == source.left || source.bottom == source.top))
        isa = SpanISA::Plain;
    switch (isa) {
#if defined(__SSE2__)
    case SpanISA::SSE2:
        return drawerOf<SSE2Span>(smooth, source.opaque, faded);
#endif
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
    case SpanISA::AVX2:
        return drawerOf<AVX2Span>(smooth, source.opaque, faded);
#endif
    default:
        return drawerOf<PlainSpan>(smooth, source.opaque, faded);
    }
}

SpanDrawer SpanDrawerFor(const SpanSource& source, bool smooth, std::uint32_t multiplier)
{
    static const SpanISA widest = SupportedSpanISAs().back();
    return SpanDrawerFor(widest, source, smooth, multiplier);
}

} // namespace kit::projectiveimage
