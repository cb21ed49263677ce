#pragma once

// Where a menu opens on the screen. One pure function of the presentation, the menu's measured
// size and the visible screen area decides it, so the QMenu presenter and a scripted presenter
// place a menu alike and tests can check the rules without showing anything.

#include "kit/controls/Menu.h"
#include "kit/core/Geometry.h"

namespace kit {

// What a presenter measured of the menu it is about to show. The positioned item's top is
// counted down from the menu's top edge.
struct MenuMetrics {
    Size size;
    double positionedItemTop = 0;
    double positionedItemHeight = 0;
};

// The menu's frame in screen coordinates (y up) for `where`, whose screenRect and flipped the
// session filled in:
// - a pop-up (positionedItem set) puts that item's middle level with the control's middle, left
//   edges aligned;
// - a pull-down opens on preferredEdge, an edge in the control's own coordinates (MaxY is below
//   in a flipped control, above in an unflipped one; MaxX is to the right), top or left aligned;
// - without a control rectangle (a context menu) the menu's top-left is at the location.
// When `visibleFrame` is not empty, a menu taller than it gets its height (and scrolls), a menu
// that would leave it opens on the opposite edge if more of it fits there, and is then moved inside.
Rect MenuFrameForPresentation(const MenuPresentation& where, const MenuMetrics& menu, Rect visibleFrame);

// `rect` of `view` (an empty rect at the location when `rect` is empty) in screen coordinates;
// without a view in a window, the rectangle itself.
Rect MenuAnchorInScreen(const View* view, Rect rect, Point location);

} // namespace kit
