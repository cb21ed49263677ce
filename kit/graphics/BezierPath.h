#pragma once

// Paths of lines and cubic curves in user space, drawn into the current graphics context.
// Arcs take degrees and turn from +x towards +y of the current user space (counter-clockwise
// when y is up); a clockwise arc turns the other way. Elements are addressable by index, and a
// new path takes its line style from the current context's defaults.

#include "kit/core/Class.h"
#include "kit/core/Geometry.h"
#include "kit/core/Object.h"
#include "kit/graphics/GraphicsState.h"

#include <QPainterPath>

#include <optional>
#include <vector>

class QPen;

namespace kit {

class AffineTransform;

enum BezierPathElement : int {
    MoveToBezierPathElement = 0,
    LineToBezierPathElement = 1,
    CurveToBezierPathElement = 2,
    ClosePathBezierPathElement = 3,
};

class BezierPath : public Object {
    KIT_CLASS(BezierPath)
    BezierPath();

    static Ref<BezierPath> bezierPath();
    static Ref<BezierPath> bezierPathWithRect(Rect r);
    static Ref<BezierPath> bezierPathWithOvalInRect(Rect r);
    // Radii are clamped to half the side; a radius of h/2 gives a capsule.
    static Ref<BezierPath> bezierPathWithRoundedRectXRadiusYRadius(Rect r, double xRadius, double yRadius);

    // --- Class defaults, kept per graphics context (with a per-thread fallback when none is current). ---
    static double defaultLineWidth();
    static void setDefaultLineWidth(double width);
    static LineCapStyle defaultLineCapStyle();
    static void setDefaultLineCapStyle(LineCapStyle style);
    static LineJoinStyle defaultLineJoinStyle();
    static void setDefaultLineJoinStyle(LineJoinStyle style);
    static double defaultMiterLimit();
    static void setDefaultMiterLimit(double limit);
    static WindingRule defaultWindingRule();
    static void setDefaultWindingRule(WindingRule rule);

    // --- Immediate drawing. ---
    // Source-over, unlike RectFill.
    static void fillRect(Rect r);
    static void strokeRect(Rect r);
    static void clipRect(Rect r);
    static void strokeLineFromPointToPoint(Point a, Point b);

    // Same elements and line style.
    Ref<Object> copy() const override;

    // --- Construction. ---
    void moveToPoint(Point p);
    void lineToPoint(Point p);
    void curveToPointControlPoint1ControlPoint2(Point end, Point c1, Point c2);
    void relativeMoveToPoint(Point d);
    void relativeLineToPoint(Point d);
    void closePath();
    void removeAllPoints();
    void appendBezierPath(const BezierPath& other);
    void appendBezierPathWithRect(Rect r);
    void appendBezierPathWithOvalInRect(Rect r);
    void appendBezierPathWithRoundedRectXRadiusYRadius(Rect r, double xRadius, double yRadius);
    // Degrees; a line to the arc's start when there is a current point, else a move there.
    void appendBezierPathWithArcWithCenterRadiusStartAngleEndAngle(Point center, double radius, double startAngle, double endAngle);
    void appendBezierPathWithArcWithCenterRadiusStartAngleEndAngleClockwise(
        Point center, double radius, double startAngle, double endAngle, bool clockwise);
    // The arc of `radius` tangent to (current point → p1) and (p1 → p2): a line to the first tangent
    // point, then the short arc to the second. Degenerate input gives a line to p1.
    void appendBezierPathWithArcFromPointToPointRadius(Point p1, Point p2, double radius);
    void transformUsingAffineTransform(const AffineTransform& t);

    // --- Queries. ---
    bool isEmpty() const { return elements_.empty(); }
    int elementCount() const { return int(elements_.size()); }
    // `points` receives 1 point (move, line), 3 (curve: c1, c2, end) or none (close).
    BezierPathElement elementAtIndexAssociatedPoints(int index, Point* points = nullptr) const;
    BezierPathElement elementAtIndex(int index) const { return elementAtIndexAssociatedPoints(index); }
    // Raises GenericException ("no current point") when empty.
    Point currentPoint() const;
    bool hasCurrentPoint() const { return current_.has_value(); }
    // Tight: curve extrema, not control points; ZeroRect when empty.
    Rect bounds() const;
    Rect controlPointBounds() const;
    // By the winding rule, open subpaths closed.
    bool containsPoint(Point p) const;

    // --- Line style. ---
    double lineWidth() const { return lineWidth_; }
    void setLineWidth(double w) { lineWidth_ = w; }
    LineCapStyle lineCapStyle() const { return cap_; }
    void setLineCapStyle(LineCapStyle s) { cap_ = s; }
    LineJoinStyle lineJoinStyle() const { return join_; }
    void setLineJoinStyle(LineJoinStyle s) { join_ = s; }
    double miterLimit() const { return miterLimit_; }
    void setMiterLimit(double m) { miterLimit_ = m; }
    WindingRule windingRule() const { return winding_; }
    void setWindingRule(WindingRule r) { winding_ = r; }
    double flatness() const { return flatness_; }
    void setFlatness(double f) { flatness_ = f; }

    // --- Drawing into the current context. ---
    void fill() const;
    void stroke() const;
    void addClip() const;
    void setClip() const;

    const QPainterPath& qtPath() const;
    QPen pen(const QBrush& brush) const;

private:
    struct Element {
        BezierPathElement type;
        Point points[3];
    };
    void ensureSubpath();
    void appendArc(Point center, double radius, double startAngle, double sweep, bool connect);
    void changed() { cache_.reset(); }

    std::vector<Element> elements_;
    std::optional<Point> current_;
    Point subpathStart_;
    bool closed_ = false; // the last element closed a subpath
    double lineWidth_;
    LineCapStyle cap_;
    LineJoinStyle join_;
    double miterLimit_;
    WindingRule winding_;
    double flatness_;
    mutable std::optional<QPainterPath> cache_;
};

} // namespace kit
