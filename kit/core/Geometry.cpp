#include "kit/core/Geometry.h"

namespace kit {

Rect IntegralRect(const Rect& r)
{
    if (IsEmptyRect(r))
        return ZeroRect;
    const double x0 = std::floor(r.minX()), y0 = std::floor(r.minY());
    return { { x0, y0 }, { std::ceil(r.maxX()) - x0, std::ceil(r.maxY()) - y0 } };
}

void DivideRect(const Rect& r, Rect* slice, Rect* remainder, double amount, RectEdge edge)
{
    Rect s = ZeroRect, rest = ZeroRect;
    if (!IsEmptyRect(r)) {
        const bool horizontal = edge == MinXEdge || edge == MaxXEdge;
        const double extent = horizontal ? r.size.width : r.size.height;
        const double a = std::clamp(amount, 0.0, extent);
        s = rest = r;
        switch (edge) {
        case MinXEdge:
            s.size.width = a;
            rest.origin.x += a;
            rest.size.width -= a;
            break;
        case MaxXEdge:
            s.origin.x = r.maxX() - a;
            s.size.width = a;
            rest.size.width -= a;
            break;
        case MinYEdge:
            s.size.height = a;
            rest.origin.y += a;
            rest.size.height -= a;
            break;
        case MaxYEdge:
            s.origin.y = r.maxY() - a;
            s.size.height = a;
            rest.size.height -= a;
            break;
        }
    }
    if (slice)
        *slice = s;
    if (remainder)
        *remainder = rest;
}

} // namespace kit
