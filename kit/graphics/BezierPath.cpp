#include "kit/graphics/BezierPath.h"

#include "kit/core/Exception.h"
#include "kit/graphics/AffineTransform.h"
#include "kit/graphics/GraphicsContext.h"

#include <QPen>

#include <cmath>
#include <numbers>

namespace kit {

namespace {

// Used when no context is current on this thread.
PathDefaults& defaults()
{
    thread_local PathDefaults fallback;
    if (auto* c = GraphicsContext::currentContext())
        return c->pathDefaults();
    return fallback;
}

constexpr double radians(double degrees) { return degrees * std::numbers::pi / 180.0; }

} // namespace

BezierPath::BezierPath()
{
    const PathDefaults& d = defaults();
    lineWidth_ = d.lineWidth;
    cap_ = d.lineCapStyle;
    join_ = d.lineJoinStyle;
    miterLimit_ = d.miterLimit;
    winding_ = d.windingRule;
    flatness_ = d.flatness;
}

Ref<BezierPath> BezierPath::bezierPath() { return make<BezierPath>(); }

Ref<BezierPath> BezierPath::bezierPathWithRect(Rect r)
{
    auto p = bezierPath();
    p->appendBezierPathWithRect(r);
    return p;
}

Ref<BezierPath> BezierPath::bezierPathWithOvalInRect(Rect r)
{
    auto p = bezierPath();
    p->appendBezierPathWithOvalInRect(r);
    return p;
}

Ref<BezierPath> BezierPath::bezierPathWithRoundedRectXRadiusYRadius(Rect r, double rx, double ry)
{
    auto p = bezierPath();
    p->appendBezierPathWithRoundedRectXRadiusYRadius(r, rx, ry);
    return p;
}

double BezierPath::defaultLineWidth() { return defaults().lineWidth; }
void BezierPath::setDefaultLineWidth(double w) { defaults().lineWidth = w; }
LineCapStyle BezierPath::defaultLineCapStyle() { return defaults().lineCapStyle; }
void BezierPath::setDefaultLineCapStyle(LineCapStyle s) { defaults().lineCapStyle = s; }
LineJoinStyle BezierPath::defaultLineJoinStyle() { return defaults().lineJoinStyle; }
void BezierPath::setDefaultLineJoinStyle(LineJoinStyle s) { defaults().lineJoinStyle = s; }
double BezierPath::defaultMiterLimit() { return defaults().miterLimit; }
void BezierPath::setDefaultMiterLimit(double m) { defaults().miterLimit = m; }
WindingRule BezierPath::defaultWindingRule() { return defaults().windingRule; }
void BezierPath::setDefaultWindingRule(WindingRule r) { defaults().windingRule = r; }

void BezierPath::fillRect(Rect r)
{
    auto* c = GraphicsContext::currentContext();
    if (!c)
        return;
    QPainterPath p;
    p.addRect(QRectF(r.origin.x, r.origin.y, r.size.width, r.size.height));
    c->fillPathUsingOperation(p, CompositeSourceOver);
}

void BezierPath::strokeRect(Rect r) { bezierPathWithRect(r)->stroke(); }

void BezierPath::clipRect(Rect r)
{
    if (auto* c = GraphicsContext::currentContext())
        c->clipToRect(r);
}

void BezierPath::strokeLineFromPointToPoint(Point a, Point b)
{
    auto p = bezierPath();
    p->moveToPoint(a);
    p->lineToPoint(b);
    p->stroke();
}

KIT_REGISTER_CLASS(BezierPath, Object) { }

Ref<Object> BezierPath::copy() const
{
    auto p = make<BezierPath>();
    p->elements_ = elements_;
    p->current_ = current_;
    p->subpathStart_ = subpathStart_;
    p->closed_ = closed_;
    p->lineWidth_ = lineWidth_;
    p->cap_ = cap_;
    p->join_ = join_;
    p->miterLimit_ = miterLimit_;
    p->winding_ = winding_;
    p->flatness_ = flatness_;
    return p;
}

void BezierPath::moveToPoint(Point p)
{
    elements_.push_back({ MoveToBezierPathElement, { p, {}, {} } });
    current_ = subpathStart_ = p;
    closed_ = false;
    changed();
}

// After closePath the next segment starts a new subpath at the closed one's start.
void BezierPath::ensureSubpath()
{
    if (!current_)
        Exception::raise(GenericException, QStringLiteral("no current point"));
    if (closed_)
        moveToPoint(subpathStart_);
}

void BezierPath::lineToPoint(Point p)
{
    ensureSubpath();
    elements_.push_back({ LineToBezierPathElement, { p, {}, {} } });
    current_ = p;
    changed();
}

void BezierPath::curveToPointControlPoint1ControlPoint2(Point end, Point c1, Point c2)
{
    ensureSubpath();
    elements_.push_back({ CurveToBezierPathElement, { c1, c2, end } });
    current_ = end;
    changed();
}

void BezierPath::relativeMoveToPoint(Point d)
{
    const Point c = currentPoint();
    moveToPoint({ c.x + d.x, c.y + d.y });
}

void BezierPath::relativeLineToPoint(Point d)
{
    const Point c = currentPoint();
    lineToPoint({ c.x + d.x, c.y + d.y });
}

void BezierPath::closePath()
{
    if (!current_ || closed_)
        return;
    elements_.push_back({ ClosePathBezierPathElement, {} });
    current_ = subpathStart_;
    closed_ = true;
    changed();
}

void BezierPath::removeAllPoints()
{
    elements_.clear();
    current_.reset();
    closed_ = false;
    changed();
}

void BezierPath::appendBezierPath(const BezierPath& other)
{
    const std::vector<Element> source = other.elements_; // `other` may be this path
    for (const Element& e : source) {
        switch (e.type) {
        case MoveToBezierPathElement:
            moveToPoint(e.points[0]);
            break;
        case LineToBezierPathElement:
            lineToPoint(e.points[0]);
            break;
        case CurveToBezierPathElement:
            curveToPointControlPoint1ControlPoint2(e.points[2], e.points[0], e.points[1]);
            break;
        case ClosePathBezierPathElement:
            closePath();
            break;
        }
    }
}

void BezierPath::appendBezierPathWithRect(Rect r)
{
    moveToPoint({ r.minX(), r.minY() });
    lineToPoint({ r.maxX(), r.minY() });
    lineToPoint({ r.maxX(), r.maxY() });
    lineToPoint({ r.minX(), r.maxY() });
    closePath();
}

void BezierPath::appendBezierPathWithOvalInRect(Rect r) { appendBezierPathWithRoundedRectXRadiusYRadius(r, r.width() / 2, r.height() / 2); }

void BezierPath::appendBezierPathWithRoundedRectXRadiusYRadius(Rect r, double rx, double ry)
{
    rx = std::clamp(rx, 0.0, std::max(0.0, r.width() / 2));
    ry = std::clamp(ry, 0.0, std::max(0.0, r.height() / 2));
    if (rx <= 0 || ry <= 0) {
        appendBezierPathWithRect(r);
        return;
    }
    // Quarter ellipses as single cubics, counter-clockwise in y-up space.
    const double k = 4.0 / 3.0 * std::tan(std::numbers::pi / 8);
    const double kx = k * rx, ky = k * ry;
    const double x0 = r.minX(), x1 = r.maxX(), y0 = r.minY(), y1 = r.maxY();
    moveToPoint({ x1, y0 + ry });
    if (y1 - ry > y0 + ry)
        lineToPoint({ x1, y1 - ry });
    curveToPointControlPoint1ControlPoint2({ x1 - rx, y1 }, { x1, y1 - ry + ky }, { x1 - rx + kx, y1 });
    if (x0 + rx < x1 - rx)
        lineToPoint({ x0 + rx, y1 });
    curveToPointControlPoint1ControlPoint2({ x0, y1 - ry }, { x0 + rx - kx, y1 }, { x0, y1 - ry + ky });
    if (y0 + ry < y1 - ry)
        lineToPoint({ x0, y0 + ry });
    curveToPointControlPoint1ControlPoint2({ x0 + rx, y0 }, { x0, y0 + ry - ky }, { x0 + rx - kx, y0 });
    if (x1 - rx > x0 + rx)
        lineToPoint({ x1 - rx, y0 });
    curveToPointControlPoint1ControlPoint2({ x1, y0 + ry }, { x1 - rx + kx, y0 }, { x1, y0 + ry - ky });
    closePath();
}

// Cubics of at most 90° each, k = 4/3·tan(θ/4). `sweep` in degrees, signed.
void BezierPath::appendArc(Point c, double radius, double startAngle, double sweep, bool connect)
{
    const double a0 = radians(startAngle);
    const Point start { c.x + radius * std::cos(a0), c.y + radius * std::sin(a0) };
    if (connect) {
        if (current_ && !closed_)
            lineToPoint(start);
        else
            moveToPoint(start);
    }
    if (sweep == 0)
        return;
    const int n = ClampedInt(std::ceil(std::abs(sweep) / 90.0 - 1e-9), 1);
    const double step = radians(sweep) / n;
    const double k = 4.0 / 3.0 * std::tan(step / 4);
    double a = a0;
    for (int i = 0; i < n; ++i) {
        const double b = a + step;
        const double ca = std::cos(a), sa = std::sin(a), cb = std::cos(b), sb = std::sin(b);
        const Point p3 { c.x + radius * cb, c.y + radius * sb };
        const Point c1 { c.x + radius * (ca - k * sa), c.y + radius * (sa + k * ca) };
        const Point c2 { c.x + radius * (cb + k * sb), c.y + radius * (sb - k * cb) };
        curveToPointControlPoint1ControlPoint2(p3, c1, c2);
        a = b;
    }
}

void BezierPath::appendBezierPathWithArcWithCenterRadiusStartAngleEndAngle(Point center, double radius, double startAngle, double endAngle)
{
    appendBezierPathWithArcWithCenterRadiusStartAngleEndAngleClockwise(center, radius, startAngle, endAngle, false);
}

void BezierPath::appendBezierPathWithArcWithCenterRadiusStartAngleEndAngleClockwise(
    Point center, double radius, double startAngle, double endAngle, bool clockwise)
{
    double sweep = endAngle - startAngle;
    if (!clockwise) {
        while (sweep < 0)
            sweep += 360;
        while (sweep > 360)
            sweep -= 360;
    } else {
        while (sweep > 0)
            sweep -= 360;
        while (sweep < -360)
            sweep += 360;
    }
    appendArc(center, radius, startAngle, sweep, true);
}

void BezierPath::appendBezierPathWithArcFromPointToPointRadius(Point p1, Point p2, double radius)
{
    const Point p0 = currentPoint();
    const double ux = p0.x - p1.x, uy = p0.y - p1.y, vx = p2.x - p1.x, vy = p2.y - p1.y;
    const double lu = std::hypot(ux, uy), lv = std::hypot(vx, vy);
    const double cross = ux * vy - uy * vx;
    if (radius <= 0 || lu == 0 || lv == 0 || std::abs(cross) <= 1e-12 * lu * lv) {
        lineToPoint(p1);
        return;
    }
    const double nux = ux / lu, nuy = uy / lu, nvx = vx / lv, nvy = vy / lv;
    const double halfAngle = std::acos(std::clamp(nux * nvx + nuy * nvy, -1.0, 1.0)) / 2;
    const double d = radius / std::tan(halfAngle);
    const Point t1 { p1.x + nux * d, p1.y + nuy * d };
    const Point t2 { p1.x + nvx * d, p1.y + nvy * d };
    const double bx = nux + nvx, by = nuy + nvy, lb = std::hypot(bx, by);
    const double h = radius / std::sin(halfAngle);
    const Point c { p1.x + bx / lb * h, p1.y + by / lb * h };
    lineToPoint(t1);
    const double a0 = std::atan2(t1.y - c.y, t1.x - c.x) * 180 / std::numbers::pi;
    const double a1 = std::atan2(t2.y - c.y, t2.x - c.x) * 180 / std::numbers::pi;
    // The turn P0 → P1 → P2 is to the left (counter-clockwise) when (P1 − P0) × (P2 − P1) > 0.
    const bool counterClockwise = (-ux) * vy - (-uy) * vx > 0;
    double sweep = a1 - a0;
    if (counterClockwise)
        while (sweep < 0)
            sweep += 360;
    else
        while (sweep > 0)
            sweep -= 360;
    appendArc(c, radius, a0, sweep, false);
}

void BezierPath::transformUsingAffineTransform(const AffineTransform& t)
{
    for (Element& e : elements_) {
        const int n = e.type == CurveToBezierPathElement ? 3 : e.type == ClosePathBezierPathElement ? 0 : 1;
        for (int i = 0; i < n; ++i)
            e.points[i] = t.transformPoint(e.points[i]);
    }
    if (current_)
        current_ = t.transformPoint(*current_);
    subpathStart_ = t.transformPoint(subpathStart_);
    changed();
}

BezierPathElement BezierPath::elementAtIndexAssociatedPoints(int index, Point* points) const
{
    if (index < 0 || index >= elementCount())
        Exception::raise(RangeException, QStringLiteral("element index %1 beyond bounds (%2)").arg(index).arg(elementCount()));
    const Element& e = elements_[std::size_t(index)];
    if (points) {
        const int n = e.type == CurveToBezierPathElement ? 3 : e.type == ClosePathBezierPathElement ? 0 : 1;
        for (int i = 0; i < n; ++i)
            points[i] = e.points[i];
    }
    return e.type;
}

Point BezierPath::currentPoint() const
{
    if (!current_)
        Exception::raise(GenericException, QStringLiteral("no current point"));
    return *current_;
}

const QPainterPath& BezierPath::qtPath() const
{
    if (!cache_) {
        QPainterPath p;
        for (const Element& e : elements_) {
            switch (e.type) {
            case MoveToBezierPathElement:
                p.moveTo(e.points[0].x, e.points[0].y);
                break;
            case LineToBezierPathElement:
                p.lineTo(e.points[0].x, e.points[0].y);
                break;
            case CurveToBezierPathElement:
                p.cubicTo(e.points[0].x, e.points[0].y, e.points[1].x, e.points[1].y, e.points[2].x, e.points[2].y);
                break;
            case ClosePathBezierPathElement:
                p.closeSubpath();
                break;
            }
        }
        p.setFillRule(winding_ == EvenOddWindingRule ? Qt::OddEvenFill : Qt::WindingFill);
        cache_ = std::move(p);
    } else {
        cache_->setFillRule(winding_ == EvenOddWindingRule ? Qt::OddEvenFill : Qt::WindingFill);
    }
    return *cache_;
}

Rect BezierPath::bounds() const
{
    if (elements_.empty())
        return ZeroRect;
    const QRectF b = qtPath().boundingRect();
    return MakeRect(b.x(), b.y(), b.width(), b.height());
}

Rect BezierPath::controlPointBounds() const
{
    if (elements_.empty())
        return ZeroRect;
    const QRectF b = qtPath().controlPointRect();
    return MakeRect(b.x(), b.y(), b.width(), b.height());
}

bool BezierPath::containsPoint(Point p) const { return !elements_.empty() && qtPath().contains(QPointF(p.x, p.y)); }

QPen BezierPath::pen(const QBrush& brush) const
{
    QPen pen(brush, lineWidth_ <= 0 ? 0.0 : lineWidth_);
    pen.setCapStyle(cap_ == RoundLineCapStyle ? Qt::RoundCap : cap_ == SquareLineCapStyle ? Qt::SquareCap : Qt::FlatCap);
    pen.setJoinStyle(join_ == RoundLineJoinStyle ? Qt::RoundJoin : join_ == BevelLineJoinStyle ? Qt::BevelJoin : Qt::SvgMiterJoin);
    // Our limit is miter length over line width; Qt measures from the join point in half widths.
    pen.setMiterLimit(miterLimit_ / 2);
    return pen;
}

void BezierPath::fill() const
{
    if (auto* c = GraphicsContext::currentContext(); c && !elements_.empty())
        c->fillPath(qtPath());
}

void BezierPath::stroke() const
{
    if (auto* c = GraphicsContext::currentContext(); c && !elements_.empty())
        c->strokePath(qtPath(), pen(c->brushForColor(c->strokeColor().get())));
}

void BezierPath::addClip() const
{
    if (auto* c = GraphicsContext::currentContext())
        c->clipToPath(qtPath());
}

void BezierPath::setClip() const
{
    if (auto* c = GraphicsContext::currentContext())
        c->setClipPath(qtPath());
}

} // namespace kit
