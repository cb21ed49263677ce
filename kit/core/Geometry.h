#pragma once

// Plain geometry values in points (1 point = 1 device-independent pixel). Rectangles have their
// origin at the minimum corner; whether y grows up or down is the drawing context's business.

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace kit {

struct Point {
    double x = 0;
    double y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
    double width = 0;
    double height = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

struct Rect {
    Point origin;
    Size size;

    constexpr double minX() const { return origin.x; }
    constexpr double minY() const { return origin.y; }
    constexpr double maxX() const { return origin.x + size.width; }
    constexpr double maxY() const { return origin.y + size.height; }
    constexpr double midX() const { return origin.x + size.width / 2; }
    constexpr double midY() const { return origin.y + size.height / 2; }
    constexpr double width() const { return size.width; }
    constexpr double height() const { return size.height; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

constexpr Point MakePoint(double x, double y) { return { x, y }; }
constexpr Size MakeSize(double w, double h) { return { w, h }; }
constexpr Rect MakeRect(double x, double y, double w, double h) { return { { x, y }, { w, h } }; }

inline constexpr Point ZeroPoint {};
inline constexpr Size ZeroSize {};
inline constexpr Rect ZeroRect {};

// "Not found" for indexes and range locations.
inline constexpr std::int64_t NotFound = 0x7FFF'FFFF'FFFF'FFFF;

// A range of UTF-16 code units or of indexes.
struct Range {
    std::int64_t location = 0;
    std::int64_t length = 0;
    friend bool operator==(const Range&, const Range&) = default;
};

constexpr Range MakeRange(std::int64_t location, std::int64_t length) { return { location, length }; }
constexpr std::int64_t MaxRange(Range r) { return r.location + r.length; }

// Edges for DivideRect. MinYEdge is the top in a flipped space, the bottom otherwise.
enum RectEdge : int { MinXEdge = 0, MinYEdge = 1, MaxXEdge = 2, MaxYEdge = 3 };

// --- Rectangle functions. A rectangle whose width or height is <= 0 is empty. ---

constexpr bool IsEmptyRect(const Rect& r) { return !(r.size.width > 0) || !(r.size.height > 0); }
constexpr bool EqualPoints(Point a, Point b) { return a == b; }
constexpr bool EqualSizes(Size a, Size b) { return a == b; }
constexpr bool EqualRects(const Rect& a, const Rect& b) { return a == b; }

// Half-open on both axes, whatever the flipping: a point on a shared edge belongs to the
// rectangle on the right or below.
constexpr bool PointInRect(Point p, const Rect& r)
{
    return !IsEmptyRect(r) && p.x >= r.minX() && p.x < r.maxX() && p.y >= r.minY() && p.y < r.maxY();
}

// As PointInRect when flipped; unflipped the top edge (maxY) is inside and the bottom is not.
constexpr bool MouseInRect(Point p, const Rect& r, bool flipped)
{
    if (IsEmptyRect(r) || p.x < r.minX() || p.x >= r.maxX())
        return false;
    return flipped ? (p.y >= r.minY() && p.y < r.maxY()) : (p.y > r.minY() && p.y <= r.maxY());
}

// Both must be non-empty; rectangles that only touch do not intersect.
constexpr bool IntersectsRect(const Rect& a, const Rect& b)
{
    return !IsEmptyRect(a) && !IsEmptyRect(b) && a.minX() < b.maxX() && b.minX() < a.maxX() && a.minY() < b.maxY() && b.minY() < a.maxY();
}

constexpr bool ContainsRect(const Rect& outer, const Rect& inner)
{
    return !IsEmptyRect(inner) && outer.minX() <= inner.minX() && outer.minY() <= inner.minY() && outer.maxX() >= inner.maxX()
        && outer.maxY() >= inner.maxY();
}

constexpr Rect OffsetRect(const Rect& r, double dx, double dy) { return { { r.origin.x + dx, r.origin.y + dy }, r.size }; }

// No clamping: a negative inset grows the rectangle, a large one makes it negative.
constexpr Rect InsetRect(const Rect& r, double dx, double dy)
{
    return { { r.origin.x + dx, r.origin.y + dy }, { r.size.width - 2 * dx, r.size.height - 2 * dy } };
}

// The overlap, or ZeroRect when the rectangles do not overlap (touching included).
constexpr Rect IntersectionRect(const Rect& a, const Rect& b)
{
    if (!IntersectsRect(a, b))
        return ZeroRect;
    const double x0 = std::max(a.minX(), b.minX()), y0 = std::max(a.minY(), b.minY());
    const double x1 = std::min(a.maxX(), b.maxX()), y1 = std::min(a.maxY(), b.maxY());
    return { { x0, y0 }, { x1 - x0, y1 - y0 } };
}

// The smallest rectangle holding both; an empty operand is ignored, two give ZeroRect.
constexpr Rect UnionRect(const Rect& a, const Rect& b)
{
    if (IsEmptyRect(a))
        return IsEmptyRect(b) ? ZeroRect : b;
    if (IsEmptyRect(b))
        return a;
    const double x0 = std::min(a.minX(), b.minX()), y0 = std::min(a.minY(), b.minY());
    const double x1 = std::max(a.maxX(), b.maxX()), y1 = std::max(a.maxY(), b.maxY());
    return { { x0, y0 }, { x1 - x0, y1 - y0 } };
}

// Floors the origin and ceils the far edges; an empty rectangle becomes ZeroRect, so a part whose
// width fell to zero or below disappears.
Rect IntegralRect(const Rect& r);

// The rectangle a fraction t of the way from a to b, edge by edge; t >= 1 lands exactly on b, so an
// animation's last frame is its end value.
inline Rect InterpolateRect(const Rect& a, const Rect& b, double t)
{
    if (t >= 1)
        return b;
    return { { a.minX() + (b.minX() - a.minX()) * t, a.minY() + (b.minY() - a.minY()) * t },
        { a.width() + (b.width() - a.width()) * t, a.height() + (b.height() - a.height()) * t } };
}

// Cuts `amount` (clamped to [0, extent]) off the given edge into `slice`; the rest goes to
// `remainder`. An empty rectangle gives two zero rectangles.
void DivideRect(const Rect& r, Rect* slice, Rect* remainder, double amount, RectEdge edge);

// The graphics-layer spellings of the same operations.
inline void CGRectDivide(const Rect& r, Rect* slice, Rect* remainder, double amount, RectEdge edge)
{
    DivideRect(r, slice, remainder, amount, edge);
}
constexpr Rect CGRectInset(const Rect& r, double dx, double dy) { return InsetRect(r, dx, dy); }

// --- Range functions (UTF-16 code units or indexes). ---

// Compared unsigned, as the platform does, so NotFound and negative locations are never inside.
constexpr bool LocationInRange(std::int64_t location, Range r)
{
    return static_cast<std::uint64_t>(location - r.location) < static_cast<std::uint64_t>(r.length);
}

constexpr bool EqualRanges(Range a, Range b) { return a == b; }

// Ranges that touch intersect in a zero-length range at the meeting point; disjoint ones give {0, 0}.
constexpr Range IntersectionRange(Range a, Range b)
{
    const std::int64_t lo = std::max(a.location, b.location);
    const std::int64_t hi = std::min(MaxRange(a), MaxRange(b));
    if (hi < lo)
        return { 0, 0 };
    return { lo, hi - lo };
}

constexpr Range UnionRange(Range a, Range b)
{
    const std::int64_t lo = std::min(a.location, b.location);
    return { lo, std::max(MaxRange(a), MaxRange(b)) - lo };
}

// A coordinate, size or count that input can reach (item sizes, zoom factors, scroll positions), as
// an int within [lo, hi] (by default int's range): NaN is lo when 0 is not inside. Round first
// (std::ceil, std::floor, std::round) as the caller needs; a plain int() of such a value is
// undefined behaviour past int's range.
constexpr int ClampedInt(double v, int lo = -2147483647 - 1, int hi = 2147483647)
{
    if (!(v == v))
        return lo > 0 ? lo : hi < 0 ? hi : 0;
    return v <= double(lo) ? lo : v >= double(hi) ? hi : int(v);
}

// One axis of autoresizing (views and layers): when the superview's extent changes from
// `oldSuper` to `newSuper`, the change goes to the one flexible part, or is shared in proportion to
// their extent when several are; with none the frame stays.
void AutoresizeAxis(double& origin, double& size, double oldSuper, double newSuper, bool minFlex, bool sizeFlex, bool maxFlex);

} // namespace kit
