#include "kit/layers/GradientLayer.h"

#include "kit/graphics/GraphicsContext.h"

#include <QLinearGradient>
#include <QStringList>
#include <QPainterPath>

#include <algorithm>

namespace kit {

namespace gradientlayer {

Array arrayOfColors(const std::vector<CGColor>& colors)
{
    Array a;
    for (const CGColor& c : colors)
        a.addObject(ValueTraits<CGColor>::toValue(c));
    return a;
}

std::vector<CGColor> colorsOfArray(const Array& a)
{
    std::vector<CGColor> colors;
    for (const Value& v : a)
        colors.push_back(ValueTraits<CGColor>::fromValue(v));
    return colors;
}

std::vector<CGColor> colorsOfValue(const Value& v) { return v.isArray() ? colorsOfArray(v.array()) : std::vector<CGColor> {}; }

Value valueOfLocations(const std::optional<std::vector<double>>& locations)
{
    if (!locations)
        return {};
    Array a;
    for (double l : *locations)
        a.addObject(Value(l));
    return Value(a);
}

std::optional<std::vector<double>> locationsOfValue(const Value& v)
{
    if (!v.isArray())
        return std::nullopt;
    std::vector<double> locations;
    for (const Value& l : v.array())
        locations.push_back(l.doubleValue());
    return locations;
}

const QStringList& animatableKeys()
{
    static const QStringList keys { QStringLiteral("colors"), QStringLiteral("locations"), QStringLiteral("startPoint"), QStringLiteral("endPoint") };
    return keys;
}

} // namespace gradientlayer

KIT_REGISTER_CLASS(GradientLayer, Layer)
{
    c.property("colors", &GradientLayer::colorsArray, &GradientLayer::setColorsArray);
    c.property("locations", &GradientLayer::locationsValue, &GradientLayer::setLocationsValue);
    c.property("startPoint", &GradientLayer::startPoint, &GradientLayer::setStartPoint);
    c.property("endPoint", &GradientLayer::endPoint, &GradientLayer::setEndPoint);
    c.property("type", &GradientLayer::type, &GradientLayer::setType);
    c.copyable();
}

void GradientLayer::setColors(const std::vector<CGColor>& colors)
{
    const std::optional<Value> before = willChangeAnimatable(QStringLiteral("colors"));
    colors_ = colors;
    changed();
    didChangeAnimatable(QStringLiteral("colors"), before);
}

Array GradientLayer::colorsArray() const { return gradientlayer::arrayOfColors(colors_); }

void GradientLayer::setColorsArray(const Array& colors) { setColors(gradientlayer::colorsOfArray(colors)); }

void GradientLayer::setLocations(std::optional<std::vector<double>> locations)
{
    const std::optional<Value> before = willChangeAnimatable(QStringLiteral("locations"));
    locations_ = std::move(locations);
    changed();
    didChangeAnimatable(QStringLiteral("locations"), before);
}

Value GradientLayer::locationsValue() const { return gradientlayer::valueOfLocations(locations_); }

void GradientLayer::setLocationsValue(const Value& locations) { setLocations(gradientlayer::locationsOfValue(locations)); }

void GradientLayer::setStartPoint(Point point)
{
    const std::optional<Value> before = willChangeAnimatable(QStringLiteral("startPoint"));
    startPoint_ = point;
    changed();
    didChangeAnimatable(QStringLiteral("startPoint"), before);
}

void GradientLayer::setEndPoint(Point point)
{
    const std::optional<Value> before = willChangeAnimatable(QStringLiteral("endPoint"));
    endPoint_ = point;
    changed();
    didChangeAnimatable(QStringLiteral("endPoint"), before);
}

bool GradientLayer::animationKeepsExtent(const QString& key) const
{
    return gradientlayer::animatableKeys().contains(key) || Layer::animationKeepsExtent(key);
}

Value GradientLayer::defaultActionForKey(const QString& key) const
{
    if (gradientlayer::animatableKeys().contains(key))
        return implicitAnimationForKey(key);
    return Layer::defaultActionForKey(key);
}

void GradientLayer::drawOwnContent(GraphicsContext& context, const LayerValues& values, double opacity, const std::array<double, 3>& tint)
{
    const Rect b = values.bounds;
    // Running animations show through their presentation values; the model otherwise.
    const bool animating = hasAnimations();
    const std::vector<CGColor> colors = animating ? gradientlayer::colorsOfValue(presentationValueForKey(QStringLiteral("colors"))) : colors_;
    const std::optional<std::vector<double>> locations = animating ? gradientlayer::locationsOfValue(presentationValueForKey(QStringLiteral("locations"))) : locations_;
    const Point start = animating ? presentationValueForKey(QStringLiteral("startPoint")).pointValue() : startPoint_;
    const Point end = animating ? presentationValueForKey(QStringLiteral("endPoint")).pointValue() : endPoint_;
    if (colors.empty() || IsEmptyRect(b))
        return;
    auto at = [&](Point unit) { return QPointF(b.minX() + unit.x * b.width(), b.minY() + unit.y * b.height()); };
    QLinearGradient gradient(at(start), at(end));
    gradient.setSpread(QGradient::PadSpread);
    const std::size_t n = colors.size();
    for (std::size_t i = 0; i < n; ++i) {
        double location = n == 1 ? 0 : double(i) / double(n - 1);
        if (locations && i < locations->size())
            location = (*locations)[i];
        const CGColor& c = colors[i];
        gradient.setColorAt(std::clamp(location, 0.0, 1.0),
            QColor::fromRgbF(float(c.r * tint[0]), float(c.g * tint[1]), float(c.b * tint[2]), float(c.a * std::min(opacity, 1.0))));
    }
    QPainterPath shape;
    const QRectF box(b.minX(), b.minY(), b.width(), b.height());
    if (values.cornerRadius > 0)
        shape.addRoundedRect(box, values.cornerRadius, values.cornerRadius);
    else
        shape.addRect(box);
    context.fillPathWithBrush(shape, QBrush(gradient));
}

void GradientLayer::copyTo(Object& copy) const
{
    Layer::copyTo(copy);
    auto& other = static_cast<GradientLayer&>(copy);
    other.colors_ = colors_;
    other.locations_ = locations_;
    other.startPoint_ = startPoint_;
    other.endPoint_ = endPoint_;
    other.type_ = type_;
}

} // namespace kit
