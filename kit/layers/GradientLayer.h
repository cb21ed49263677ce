#pragma once

// Fills its (rounded) bounds with an axial gradient from startPoint to endPoint, in unit
// coordinates of the bounds (y up: (0, 0) is the bottom-left), padded beyond the ends. Colours,
// locations and both points animate: colours per component and locations per element while the
// counts match (otherwise the new list shows at the end).

#include "kit/layers/Layer.h"

namespace kit {

inline const QString GradientLayerAxial = QStringLiteral("axial");

class GradientLayer : public Layer {
    KIT_CLASS(GradientLayer)

    static Ref<GradientLayer> layer() { return make<GradientLayer>(); }

    const std::vector<CGColor>& colors() const { return colors_; }
    void setColors(const std::vector<CGColor>& colors);
    // The colours as key-value coding sees them: an array of kit::Color objects.
    Array colorsArray() const;
    void setColorsArray(const Array& colors);
    // In [0, 1], one per colour; none spreads the colours evenly.
    const std::optional<std::vector<double>>& locations() const { return locations_; }
    void setLocations(std::optional<std::vector<double>> locations);
    // As key-value coding sees them: nil, or an array of numbers.
    Value locationsValue() const;
    void setLocationsValue(const Value& locations);
    // (0.5, 0) and (0.5, 1) by default: bottom to top.
    Point startPoint() const { return startPoint_; }
    void setStartPoint(Point point);
    Point endPoint() const { return endPoint_; }
    void setEndPoint(Point point);
    QString type() const { return type_; }
    void setType(const QString& type) { type_ = type; }

    Value defaultActionForKey(const QString& key) const override;

    // kit::Object:
    void copyTo(Object& copy) const override;

protected:
    void drawOwnContent(GraphicsContext& context, const LayerValues& values, double opacity, const std::array<double, 3>& tint) override;
    bool animationKeepsExtent(const QString& key) const override;

private:
    std::vector<CGColor> colors_;
    std::optional<std::vector<double>> locations_;
    Point startPoint_ { 0.5, 0 };
    Point endPoint_ { 0.5, 1 };
    QString type_ = GradientLayerAxial;
};

} // namespace kit
