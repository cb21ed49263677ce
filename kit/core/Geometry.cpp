#include "kit/core/Geometry.h"

#include <algorithm>

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

void AutoresizeAxis(double& origin, double& size, double oldSuper, double newSuper, bool minFlex, bool sizeFlex, bool maxFlex)
{
    const double delta = newSuper - oldSuper;
    const int flexible = int(minFlex) + int(sizeFlex) + int(maxFlex);
    if (delta == 0 || flexible == 0)
        return;
    if (flexible == 1) {
        if (minFlex)
            origin += delta;
        else if (sizeFlex)
            size += delta;
        return;
    }
    const double minPart = minFlex ? std::max(0.0, origin) : 0;
    const double sizePart = sizeFlex ? std::max(0.0, size) : 0;
    const double maxPart = maxFlex ? std::max(0.0, oldSuper - origin - size) : 0;
    const double total = minPart + sizePart + maxPart;
    origin += total > 0 ? delta * minPart / total : (minFlex ? delta / flexible : 0);
    size += total > 0 ? delta * sizePart / total : (sizeFlex ? delta / flexible : 0);
}

} // namespace kit
