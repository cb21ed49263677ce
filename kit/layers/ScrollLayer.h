#pragma once

// A layer that shows part of its sublayers by moving its bounds origin. Masks to its bounds by
// default. Scrolling changes bounds, so it animates like any bounds change.

#include "kit/layers/Layer.h"

namespace kit {

inline const QString ScrollNone = QStringLiteral("none");
inline const QString ScrollVertically = QStringLiteral("vertically");
inline const QString ScrollHorizontally = QStringLiteral("horizontally");
inline const QString ScrollBoth = QStringLiteral("both");

class ScrollLayer : public Layer {
    KIT_CLASS(ScrollLayer)

    ScrollLayer();
    static Ref<ScrollLayer> layer() { return make<ScrollLayer>(); }

    QString scrollMode() const { return scrollMode_; }
    void setScrollMode(const QString& mode) { scrollMode_ = mode; }
    // Moves the bounds origin to `point` along the axes the mode allows.
    void scrollToPoint(Point point);
    // Scrolls the least that brings `rect` (bounds coordinates) into view.
    void scrollToRect(Rect rect);

    // kit::Object:
    void copyTo(Object& copy) const override;

private:
    QString scrollMode_ = ScrollBoth;
};

} // namespace kit
