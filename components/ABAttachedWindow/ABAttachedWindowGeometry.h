#pragma once

// The attached window's sides, placement and outline as pure functions of its sizes and of the
// point, screen and parent frame (all y-up screen coordinates), so they are tested without screens.

#include "kit/core/Geometry.h"
#include "kit/graphics/BezierPath.h"

#include <optional>

// Where the bubble sits relative to its point; the arrow is on the opposite edge.
enum : int {
    ABPositionLeft = 0,
    ABPositionBottom = 1,
    ABPositionRight = 2,
    ABPositionTop = 3,
    ABPositionLeftTop = 4, // left of the point, extending upward
    ABPositionLeftBottom = 5,
    ABPositionRightTop = 6,
    ABPositionRightBottom = 7,
    ABPositionTopLeft = 8, // above the point, extending to the left
    ABPositionTopRight = 9,
    ABPositionBottomLeft = 10,
    ABPositionBottomRight = 11,
    ABPositionAutomatic = 12,
};

namespace ABAttachedWindowGeometry {

struct Metrics {
    kit::Size viewSize;
    double viewMargin = 2;
    double arrowBaseWidth = 20;
    double arrowHeight = 16;
    double cornerRadius = 8;
    double distance = 0;
    bool hasArrow = true;
    bool drawsRoundCornerBesideArrow = true;
    // The main screen's user-space scale factor.
    double scale = 1;
};

// From a bubble corner to the arrow's tip on the off-centre sides.
double arrowInset(const Metrics& m);

// The side that fits: below, right, left, above, then moved off-centre when the parent frame
// (or the screen without one) leaves no room for a centred bubble.
int bestSide(const Metrics& m, kit::Point p, kit::Rect screenVisibleFrame, std::optional<kit::Rect> parentFrame);

struct Layout {
    kit::Rect frame;     // the window, in screen coordinates
    kit::Rect viewFrame; // the view, in window coordinates
};
Layout layout(const Metrics& m, int side, kit::Point p);

// The bubble with its arrow, in window coordinates, around a view at `viewFrame`.
kit::Ref<kit::BezierPath> outline(const Metrics& m, int side, kit::Rect viewFrame);

} // namespace ABAttachedWindowGeometry
