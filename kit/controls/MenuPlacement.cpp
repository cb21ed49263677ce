#include "kit/controls/MenuPlacement.h"

#include "kit/appkit/View.h"
#include "kit/appkit/Window.h"

#include <algorithm>

namespace kit {

namespace {

enum class Side { Below, Above, Right, Left };

Side sideFor(RectEdge edge, bool flipped)
{
    switch (edge) {
    case MaxXEdge:
        return Side::Right;
    case MinXEdge:
        return Side::Left;
    case MaxYEdge:
        return flipped ? Side::Below : Side::Above;
    case MinYEdge:
        return flipped ? Side::Above : Side::Below;
    }
    return Side::Below;
}

Side opposite(Side side)
{
    switch (side) {
    case Side::Below:
        return Side::Above;
    case Side::Above:
        return Side::Below;
    case Side::Right:
        return Side::Left;
    case Side::Left:
        return Side::Right;
    }
    return side;
}

Rect placed(Side side, Rect anchor, Size size)
{
    switch (side) {
    case Side::Below:
        return MakeRect(anchor.minX(), anchor.minY() - size.height, size.width, size.height);
    case Side::Above:
        return MakeRect(anchor.minX(), anchor.maxY(), size.width, size.height);
    case Side::Right:
        return MakeRect(anchor.maxX(), anchor.maxY() - size.height, size.width, size.height);
    case Side::Left:
        return MakeRect(anchor.minX() - size.width, anchor.maxY() - size.height, size.width, size.height);
    }
    return anchor;
}

// How much of `side` is left between the anchor and the visible frame's edge.
double room(Side side, Rect anchor, Rect visible)
{
    switch (side) {
    case Side::Below:
        return anchor.minY() - visible.minY();
    case Side::Above:
        return visible.maxY() - anchor.maxY();
    case Side::Right:
        return visible.maxX() - anchor.maxX();
    case Side::Left:
        return anchor.minX() - visible.minX();
    }
    return 0;
}

double needed(Side side, Size size) { return side == Side::Below || side == Side::Above ? size.height : size.width; }

// Moves `frame` inside `visible`; one larger than it keeps its left or top edge at the visible one.
Rect keptInside(Rect frame, Rect visible)
{
    Rect r = frame;
    r.origin.x = std::max(visible.minX(), std::min(r.minX(), visible.maxX() - r.width()));
    r.origin.y = std::min(visible.maxY() - r.height(), std::max(r.minY(), visible.minY()));
    return r;
}

} // namespace

Rect MenuFrameForPresentation(const MenuPresentation& where, const MenuMetrics& menu, Rect visibleFrame)
{
    const Rect anchor = where.screenRect;
    Size size = menu.size;
    // Taller than the screen, a menu gets the visible height and scrolls, in one column.
    if (!IsEmptyRect(visibleFrame))
        size.height = std::min(size.height, visibleFrame.height());
    Rect frame;
    if (where.positionedItem) {
        const double top = anchor.midY() + menu.positionedItemTop + menu.positionedItemHeight / 2;
        frame = MakeRect(anchor.minX(), top - size.height, size.width, size.height);
    } else if (IsEmptyRect(where.rect)) {
        frame = MakeRect(anchor.minX(), anchor.minY() - size.height, size.width, size.height);
    } else {
        Side side = sideFor(where.preferredEdge, where.flipped);
        if (!IsEmptyRect(visibleFrame) && room(side, anchor, visibleFrame) < needed(side, size)
            && room(opposite(side), anchor, visibleFrame) > room(side, anchor, visibleFrame))
            side = opposite(side);
        frame = placed(side, anchor, size);
    }
    return IsEmptyRect(visibleFrame) ? frame : keptInside(frame, visibleFrame);
}

Rect MenuAnchorInScreen(const View* view, Rect rect, Point location)
{
    const Rect local = IsEmptyRect(rect) ? MakeRect(location.x, location.y, 0, 0) : rect;
    const Ref<Window> window = view ? view->window() : nullptr;
    if (!window)
        return local;
    // Base coordinates are y up, like the screen's; only the window's origin separates them.
    const Rect base = view->convertRectToView(local, nullptr);
    return Rect { window->convertBaseToScreen(base.origin), base.size };
}

} // namespace kit
