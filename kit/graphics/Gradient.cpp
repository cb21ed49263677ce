#include "kit/graphics/Gradient.h"

#include "kit/graphics/BezierPath.h"
#include "kit/core/Exception.h"
#include "kit/graphics/GraphicsContext.h"

#include <QLinearGradient>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace kit {

namespace {

QColor mix(const QColor& a, const QColor& b, double f)
{
    auto m = [f](float x, float y) { return float((1 - f) * x + f * y); };
    return QColor::fromRgbF(m(a.redF(), b.redF()), m(a.greenF(), b.greenF()), m(a.blueF(), b.blueF()), m(a.alphaF(), b.alphaF()));
}

} // namespace

KIT_REGISTER_CLASS(Gradient, Object)
{
    // What the unarchiver makes before initWithCoder: transparent from end to end.
    c.factory([] { return Ref<Object>(Gradient::gradientWithStartingColorEndingColor(Color::clearColor(), Color::clearColor())); });
}
KIT_REGISTER_CLASS(Shading, Object) { }

Ref<Gradient> Gradient::gradientWithStartingColorEndingColor(const Ref<Color>& start, const Ref<Color>& end)
{
    return gradientWithColors({ start, end });
}

Ref<Gradient> Gradient::gradientWithColors(const std::vector<Ref<Color>>& colors)
{
    std::vector<double> locations;
    for (std::size_t i = 0; i < colors.size(); ++i)
        locations.push_back(colors.size() > 1 ? double(i) / double(colors.size() - 1) : 0.0);
    return gradientWithColorsAndLocations(colors, locations);
}

Ref<Gradient> Gradient::gradientWithColorsAndLocations(const std::vector<Ref<Color>>& colors, const std::vector<double>& locations)
{
    if (colors.size() < 2 || locations.size() != colors.size())
        return nullptr;
    std::vector<std::pair<double, QColor>> stops;
    for (std::size_t i = 0; i < colors.size(); ++i) {
        if (!colors[i] || colors[i]->isPattern())
            return nullptr;
        stops.emplace_back(std::clamp(locations[i], 0.0, 1.0), colors[i]->toQColor());
    }
    std::stable_sort(stops.begin(), stops.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<QColor> c;
    std::vector<double> l;
    for (auto& [loc, color] : stops) {
        l.push_back(loc);
        c.push_back(color);
    }
    return Ref<Gradient>(new Gradient(std::move(c), std::move(l)), adopt);
}

QColor Gradient::colorAt(double t) const
{
    if (t <= locations_.front())
        return colors_.front();
    if (t >= locations_.back())
        return colors_.back();
    for (std::size_t i = 1; i < locations_.size(); ++i) {
        if (t <= locations_[i]) {
            const double span = locations_[i] - locations_[i - 1];
            return span <= 0 ? colors_[i] : mix(colors_[i - 1], colors_[i], (t - locations_[i - 1]) / span);
        }
    }
    return colors_.back();
}

Ref<Color> Gradient::interpolatedColorAtLocation(double location) const { return Color::fromQColor(colorAt(location)); }

void Gradient::getColorLocationAtIndex(Ref<Color>* color, double* location, int index) const
{
    if (index < 0 || index >= numberOfColorStops())
        throw Exception(RangeException, QStringLiteral("-[Gradient getColor:location:atIndex:]: index %1 beyond bounds").arg(index));
    if (color)
        *color = Color::fromQColor(colors_[std::size_t(index)]);
    if (location)
        *location = locations_[std::size_t(index)];
}

bool Gradient::isEqual(const Object* other) const
{
    const auto* g = dynamic_cast<const Gradient*>(other);
    return g && (g == this || (g->colors_ == colors_ && g->locations_ == locations_));
}

std::size_t Gradient::hash() const
{
    std::size_t h = colors_.size();
    for (std::size_t i = 0; i < colors_.size(); ++i)
        h = h * 31 + std::size_t(colors_[i].rgba64()) + std::size_t(locations_[i] * 1000);
    return h;
}

namespace {
const QString gradientColorsKey = QStringLiteral("kit.colors");
const QString gradientLocationsKey = QStringLiteral("kit.locations");
} // namespace

void Gradient::encodeWithCoder(Coder& coder) const
{
    Array colors;
    Array locations;
    for (std::size_t i = 0; i < colors_.size(); ++i) {
        colors.addObject(Value(Ref<Object>(Color::fromQColor(colors_[i]))));
        locations.addObject(Value(locations_[i]));
    }
    coder.encodeObjectForKey(Value(colors), gradientColorsKey);
    coder.encodeObjectForKey(Value(locations), gradientLocationsKey);
}

void Gradient::initWithCoder(Coder& coder)
{
    const Array colors = coder.decodeObjectForKey(gradientColorsKey).array();
    const Array locations = coder.decodeObjectForKey(gradientLocationsKey).array();
    std::vector<Ref<Color>> c;
    std::vector<double> l;
    for (std::int64_t i = 0; i < colors.count(); ++i)
        c.push_back(colors[i].objectAs<Color>());
    for (std::int64_t i = 0; i < locations.count(); ++i) {
        if (!locations[i].isNumber()) {
            coder.failWithError(QStringLiteral("a gradient location that is not a number"));
            return;
        }
        l.push_back(locations[i].doubleValue());
    }
    const Ref<Gradient> decoded = gradientWithColorsAndLocations(c, l);
    if (!decoded) {
        coder.failWithError(QStringLiteral("a gradient with %1 colours and %2 locations").arg(colors.count()).arg(locations.count()));
        return;
    }
    colors_ = decoded->colors_;
    locations_ = decoded->locations_;
}

QGradientStops Gradient::qtStops() const
{
    QGradientStops stops;
    for (std::size_t i = 0; i < colors_.size(); ++i) {
        if (i > 0 && colors_[i - 1].alpha() != colors_[i].alpha()) {
            // Qt interpolates premultiplied colours; sample so the curve is the unpremultiplied one.
            constexpr int samples = 16;
            for (int k = 1; k < samples; ++k) {
                const double f = double(k) / samples;
                stops.append({ locations_[i - 1] + f * (locations_[i] - locations_[i - 1]), mix(colors_[i - 1], colors_[i], f) });
            }
        }
        double loc = locations_[i];
        if (!stops.isEmpty() && loc <= stops.last().first)
            loc = std::min(1.0, stops.last().first + 1e-6);
        stops.append({ loc, colors_[i] });
    }
    return stops;
}

QBrush Gradient::axialBrush(const QRectF& b, double degrees) const
{
    const double a = degrees * std::numbers::pi / 180.0;
    const double dx = std::cos(a), dy = std::sin(a);
    const QPointF c = b.center();
    double lo = 0, hi = 0;
    for (const QPointF& corner : { b.topLeft(), b.topRight(), b.bottomLeft(), b.bottomRight() }) {
        const double t = (corner.x() - c.x()) * dx + (corner.y() - c.y()) * dy;
        lo = std::min(lo, t);
        hi = std::max(hi, t);
    }
    QLinearGradient g(c + QPointF(dx * lo, dy * lo), c + QPointF(dx * hi, dy * hi));
    g.setStops(qtStops());
    g.setSpread(QGradient::PadSpread);
    return QBrush(g);
}

void Gradient::fillAxial(const QPainterPath& area, double degrees) const
{
    auto* c = GraphicsContext::currentContext();
    if (!c || area.isEmpty())
        return;
    c->fillPathWithBrush(area, axialBrush(area.boundingRect(), degrees));
}

void Gradient::drawInRectAngle(Rect r, double degrees) const
{
    if (IsEmptyRect(r))
        return;
    QPainterPath p;
    p.addRect(r.origin.x, r.origin.y, r.size.width, r.size.height);
    fillAxial(p, degrees);
}

void Gradient::drawInBezierPathAngle(const BezierPath& path, double degrees) const { fillAxial(path.qtPath(), degrees); }

void Gradient::drawFromPointToPointOptions(Point start, Point end, unsigned options) const
{
    auto* c = GraphicsContext::currentContext();
    if (!c)
        return;
    auto shading = Shading::axial(
        start, end, [this](double t) { return colorAt(t); }, options & GradientDrawsBeforeStartingLocation,
        options & GradientDrawsAfterEndingLocation);
    QLinearGradient g(QPointF(start.x, start.y), QPointF(end.x, end.y));
    g.setStops(qtStops());
    c->fillPathWithBrush(shading->area(), QBrush(g));
}

void Gradient::drawInRectRelativeCenterPosition(Rect r, Point rel) const
{
    auto* c = GraphicsContext::currentContext();
    if (!c || IsEmptyRect(r))
        return;
    const QPointF centre(r.midX() + rel.x * r.width() / 2, r.midY() + rel.y * r.height() / 2);
    double radius = 0;
    for (const QPointF corner :
        { QPointF(r.minX(), r.minY()), QPointF(r.maxX(), r.minY()), QPointF(r.minX(), r.maxY()), QPointF(r.maxX(), r.maxY()) })
        radius = std::max(radius, std::hypot(corner.x() - centre.x(), corner.y() - centre.y()));
    QRadialGradient g(centre, radius);
    g.setStops(qtStops());
    QPainterPath p;
    p.addRect(r.origin.x, r.origin.y, r.size.width, r.size.height);
    c->fillPathWithBrush(p, QBrush(g));
}

// --- Shading ---

Ref<Shading> Shading::axial(Point start, Point end, Function function, bool extendStart, bool extendEnd)
{
    Ref<Shading> s(new Shading, adopt);
    s->start_ = start;
    s->end_ = end;
    s->extendStart_ = extendStart;
    s->extendEnd_ = extendEnd;
    constexpr int samples = 64;
    for (int i = 0; i <= samples; ++i) {
        const double t = double(i) / samples;
        s->stops_.append({ t, function ? function(t) : QColor(Qt::transparent) });
    }
    return s;
}

Shading::Function Shading::linearFunction(QColor start, QColor end)
{
    return [start, end](double t) { return mix(start, end, t); };
}

Shading::Function Shading::bilinearFunction(QColor start, QColor middle)
{
    return [start, middle](double t) { return t <= 0.5 ? mix(start, middle, t * 2) : mix(middle, start, (t - 0.5) * 2); };
}

QBrush Shading::brush() const
{
    QLinearGradient g(QPointF(start_.x, start_.y), QPointF(end_.x, end_.y));
    g.setStops(stops_);
    return QBrush(g);
}

QPainterPath Shading::area() const
{
    const double dx = end_.x - start_.x, dy = end_.y - start_.y, len = std::hypot(dx, dy);
    if (len == 0)
        return {};
    constexpr double far = 1e6;
    const double ux = dx / len, uy = dy / len, nx = -uy, ny = ux;
    const double t0 = extendStart_ ? -far : 0, t1 = extendEnd_ ? len + far : len;
    auto at = [&](double t, double n) { return QPointF(start_.x + ux * t + nx * n, start_.y + uy * t + ny * n); };
    QPainterPath p;
    p.moveTo(at(t0, -far));
    p.lineTo(at(t1, -far));
    p.lineTo(at(t1, far));
    p.lineTo(at(t0, far));
    p.closeSubpath();
    return p;
}

} // namespace kit
