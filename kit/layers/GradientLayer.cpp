#include "kit/layers/GradientLayer.h"

#include "kit/graphics/GraphicsContext.h"

#include <QLinearGradient>
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

} // namespace gradientlayer

KIT_REGISTER_CLASS(GradientLayer, Layer)
{
    c.property("colors", &GradientLayer::colorsArray, &GradientLayer::setColorsArray);
    c.property("startPoint", &GradientLayer::startPoint, &GradientLayer::setStartPoint);
    c.property("endPoint", &GradientLayer::endPoint, &GradientLayer::setEndPoint);
    c.property("type", &GradientLayer::type, &GradientLayer::setType);
    c.copyable();
}

void GradientLayer::setColors(const std::vector<CGColor>& colors)
{
    colors_ = colors;
    changed();
}

Array GradientLayer::colorsArray() const { return gradientlayer::arrayOfColors(colors_); }

void GradientLayer::setColorsArray(const Array& colors) { setColors(gradientlayer::colorsOfArray(colors)); }

void GradientLayer::setLocations(std::optional<std::vector<double>> locations)
{
    locations_ = std::move(locations);
    changed();
}

void GradientLayer::setStartPoint(Point point)
{
    startPoint_ = point;
    changed();
}

void GradientLayer::setEndPoint(Point point)
{
    endPoint_ = point;
    changed();
}

void GradientLayer::drawOwnContent(GraphicsContext& context, const LayerValues& values, double opacity, const std::array<double, 3>& tint)
{
    const Rect b = values.bounds;
    if (colors_.empty() || IsEmptyRect(b))
        return;
    auto at = [&](Point unit) { return QPointF(b.minX() + unit.x * b.width(), b.minY() + unit.y * b.height()); };
    QLinearGradient gradient(at(startPoint_), at(endPoint_));
    gradient.setSpread(QGradient::PadSpread);
    const std::size_t n = colors_.size();
    for (std::size_t i = 0; i < n; ++i) {
        double location = n == 1 ? 0 : double(i) / double(n - 1);
        if (locations_ && i < locations_->size())
            location = (*locations_)[i];
        const CGColor& c = colors_[i];
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
