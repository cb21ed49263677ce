#include "components/ABAttachedWindow/ABAttachedWindowGeometry.h"

#include "kit/graphics/GraphicsState.h"

#include <algorithm>

using namespace kit;

namespace ABAttachedWindowGeometry {

double arrowInset(const Metrics& m) { return m.scale * (m.arrowBaseWidth / 2 + (m.drawsRoundCornerBesideArrow ? m.cornerRadius : 0)); }

int bestSide(const Metrics& m, Point p, Rect s, std::optional<Rect> parentFrame)
{
    const double w = m.viewSize.width + 2 * m.scale * m.viewMargin;
    const double h = m.viewSize.height + 2 * m.scale * m.viewMargin;
    const double d = float(m.distance + m.scale * m.arrowHeight);
    int side;
    if (!(p.y - h - d < s.minY()))
        side = ABPositionBottom;
    else if (!(s.maxX() <= p.x + w + d))
        side = ABPositionRight;
    else if (!(p.x - w - d < s.minX()))
        side = ABPositionLeft;
    else if (p.y + h + d < s.maxY())
        side = ABPositionTop;
    else
        side = ABPositionBottom;

    const Rect f = parentFrame.value_or(s);
    const double inset = arrowInset(m);
    if (side == ABPositionLeft || side == ABPositionRight) {
        if (f.minY() <= p.y - h / 2) {
            if (f.maxY() <= p.y + h / 2 && s.minY() <= p.y - h + inset)
                side = side == ABPositionLeft ? ABPositionLeftBottom : ABPositionRightBottom;
        } else if (p.y + h - inset < s.maxY()) {
            side = side == ABPositionLeft ? ABPositionLeftTop : ABPositionRightTop;
        }
    } else {
        if (f.minX() <= p.x - w / 2) {
            if (f.maxX() <= p.x + w / 2 && s.minX() <= p.x - w + inset)
                side = side == ABPositionBottom ? ABPositionBottomLeft : ABPositionTopLeft;
        } else if (p.x + w - inset < s.maxX()) {
            side = side == ABPositionBottom ? ABPositionBottomRight : ABPositionTopRight;
        }
    }
    return side;
}

Layout layout(const Metrics& m, int side, Point p)
{
    const double margin = m.scale * m.viewMargin;
    const double h = m.scale * m.arrowHeight;
    Rect view = MakeRect(margin, margin, m.viewSize.width, m.viewSize.height);
    double width = m.viewSize.width + 2 * margin;
    double height = m.viewSize.height + 2 * margin;
    switch (side) {
    case 0: case 4: case 5:
        width += h;
        break;
    case 2: case 6: case 7:
        view.origin.x += h;
        width += h;
        break;
    case 1: case 10: case 11:
        height += h;
        break;
    case 3: case 8: case 9:
        view.origin.y += h;
        height += h;
        break;
    default:
        break;
    }
    const double inset = arrowInset(m);
    const double dist = m.distance;
    Point origin = p;
    switch (side) {
    case 0: origin = MakePoint(p.x - width - dist, p.y - height / 2); break;
    case 1: origin = MakePoint(p.x - width / 2, p.y - height - dist); break;
    case 2: origin = MakePoint(p.x + dist, p.y - height / 2); break;
    case 3: origin = MakePoint(p.x - width / 2, p.y + dist); break;
    case 4: origin = MakePoint(p.x - width - dist, p.y - inset); break;
    case 5: origin = MakePoint(p.x - width - dist, p.y - (height - inset)); break;
    case 6: origin = MakePoint(p.x + dist, p.y - inset); break;
    case 7: origin = MakePoint(p.x + dist, p.y - (height - inset)); break;
    case 8: origin = MakePoint(p.x - (width - inset), p.y + dist); break;
    case 9: origin = MakePoint(p.x - inset, p.y + dist); break;
    case 10: origin = MakePoint(p.x - (width - inset), p.y - height - dist); break;
    case 11: origin = MakePoint(p.x - inset, p.y - height - dist); break;
    default: break;
    }
    return { MakeRect(origin.x, origin.y, width, height), view };
}

namespace {

// Two lines from the current point: to the tip and back to the edge, one arrow base further.
void abAppendArrow(BezierPath& path, const Metrics& m, int side, Point& at)
{
    if (!m.hasArrow)
        return;
    const double a = m.scale * m.arrowBaseWidth;
    const double h = m.scale * m.arrowHeight;
    Point tip = at;
    Point end = at;
    switch (side) {
    case 0: case 4: case 5:
        tip = MakePoint(at.x + h, at.y - a / 2);
        end = MakePoint(at.x, at.y - a);
        break;
    case 1: case 10: case 11:
        tip = MakePoint(at.x + a / 2, at.y + h);
        end = MakePoint(at.x + a, at.y);
        break;
    case 2: case 6: case 7:
        tip = MakePoint(at.x - h, at.y + a / 2);
        end = MakePoint(at.x, at.y + a);
        break;
    default:
        tip = MakePoint(at.x - a / 2, at.y - h);
        end = MakePoint(at.x - a, at.y);
        break;
    }
    path.lineToPoint(tip);
    path.lineToPoint(end);
    at = end;
}

} // namespace

Ref<BezierPath> outline(const Metrics& m, int side, Rect viewFrame)
{
    const double s = m.scale;
    const double r = s * m.cornerRadius;
    const double a = s * m.arrowBaseWidth;
    const double margin = s * m.viewMargin;
    const Rect content = InsetRect(viewFrame, -margin, -margin);
    const double minX = content.minX() * s, maxX = content.maxX() * s;
    const double minY = content.minY() * s, maxY = content.maxY() * s;
    const double midX = content.midX() * s, midY = content.midY() * s;
    const bool round = r > 0;
    const bool topRight = round && (m.drawsRoundCornerBesideArrow || (side != 5 && side != 10));
    const bool bottomRight = round && (m.drawsRoundCornerBesideArrow || (side != 4 && side != 8));
    const bool bottomLeft = round && (m.drawsRoundCornerBesideArrow || (side != 6 && side != 9));
    const bool topLeft = round && (m.drawsRoundCornerBesideArrow || (side != 7 && side != 11));

    auto path = BezierPath::bezierPath();
    path->setLineJoinStyle(RoundLineJoinStyle);
    Point at = MakePoint(topLeft ? minX + r : minX, maxY);
    path->moveToPoint(at);
    auto lineTo = [&](Point p) {
        path->lineToPoint(p);
        at = p;
    };

    // Top edge, left to right.
    const double topEnd = topRight ? maxX - r : maxX;
    if (side == 11)
        abAppendArrow(*path, m, side, at);
    else if (side == 1) {
        lineTo(MakePoint(midX - a / 2, maxY));
        abAppendArrow(*path, m, side, at);
    } else if (side == 10) {
        lineTo(MakePoint(topEnd - a, maxY));
        abAppendArrow(*path, m, side, at);
    }
    lineTo(MakePoint(topEnd, maxY));
    if (topRight) {
        path->appendBezierPathWithArcFromPointToPointRadius(MakePoint(maxX, maxY), MakePoint(maxX, maxY - r), r);
        at = MakePoint(maxX, maxY - r);
    } else {
        at = MakePoint(maxX, maxY);
    }

    // Right edge, top to bottom.
    const double rightEnd = bottomRight ? minY + r : minY;
    if (side == 5)
        abAppendArrow(*path, m, side, at);
    else if (side == 0) {
        lineTo(MakePoint(maxX, midY + a / 2));
        abAppendArrow(*path, m, side, at);
    } else if (side == 4) {
        lineTo(MakePoint(maxX, rightEnd + a));
        abAppendArrow(*path, m, side, at);
    }
    lineTo(MakePoint(maxX, rightEnd));
    if (bottomRight) {
        path->appendBezierPathWithArcFromPointToPointRadius(MakePoint(maxX, minY), MakePoint(maxX - r, minY), r);
        at = MakePoint(maxX - r, minY);
    } else {
        at = MakePoint(maxX, minY);
    }

    // Bottom edge, right to left.
    const double bottomEnd = bottomLeft ? minX + r : minX;
    if (side == 8)
        abAppendArrow(*path, m, side, at);
    else if (side == 3) {
        lineTo(MakePoint(midX + a / 2, minY));
        abAppendArrow(*path, m, side, at);
    } else if (side == 9) {
        lineTo(MakePoint(bottomEnd + a, minY));
        abAppendArrow(*path, m, side, at);
    }
    lineTo(MakePoint(bottomEnd, minY));
    if (bottomLeft) {
        path->appendBezierPathWithArcFromPointToPointRadius(MakePoint(minX, minY), MakePoint(minX, minY + r), r);
        at = MakePoint(minX, minY + r);
    } else {
        at = MakePoint(minX, minY);
    }

    // Left edge, bottom to top.
    const double leftEnd = topLeft ? maxY - r : maxY;
    if (side == 6)
        abAppendArrow(*path, m, side, at);
    else if (side == 2) {
        lineTo(MakePoint(minX, midY - a / 2));
        abAppendArrow(*path, m, side, at);
    } else if (side == 7) {
        lineTo(MakePoint(minX, leftEnd - a));
        abAppendArrow(*path, m, side, at);
    }
    lineTo(MakePoint(minX, leftEnd));
    if (topLeft)
        path->appendBezierPathWithArcFromPointToPointRadius(MakePoint(minX, maxY), MakePoint(minX + r, maxY), r);
    path->closePath();
    return path;
}

} // namespace ABAttachedWindowGeometry
