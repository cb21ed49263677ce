#pragma once

// Plain geometry values in points (1 point = 1 device-independent pixel). Rectangles have their
// origin at the minimum corner; whether y grows up or down is the drawing context's business.

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

} // namespace kit
