#include "kit/layers/ScrollLayer.h"

namespace kit {

KIT_REGISTER_CLASS(ScrollLayer, Layer)
{
    c.property("scrollMode", &ScrollLayer::scrollMode, &ScrollLayer::setScrollMode);
    c.copyable();
}

ScrollLayer::ScrollLayer() { setMasksToBounds(true); }

void ScrollLayer::scrollToPoint(Point point)
{
    Rect b = bounds();
    if (scrollMode_ == ScrollHorizontally || scrollMode_ == ScrollBoth)
        b.origin.x = point.x;
    if (scrollMode_ == ScrollVertically || scrollMode_ == ScrollBoth)
        b.origin.y = point.y;
    setBounds(b);
}

void ScrollLayer::scrollToRect(Rect rect)
{
    const Rect b = bounds();
    auto axis = [](double origin, double extent, double min, double max) {
        if (max - min > extent || min < origin)
            return min;
        if (max > origin + extent)
            return max - extent;
        return origin;
    };
    scrollToPoint(MakePoint(axis(b.minX(), b.width(), rect.minX(), rect.maxX()), axis(b.minY(), b.height(), rect.minY(), rect.maxY())));
}

void ScrollLayer::copyTo(Object& copy) const
{
    Layer::copyTo(copy);
    static_cast<ScrollLayer&>(copy).scrollMode_ = scrollMode_;
}

} // namespace kit
