#include "QVTabBarView/QVTabBarViewExtensions.h"

#include "kit/graphics/AffineTransform.h"
#include "kit/graphics/BezierPath.h"

namespace QVTabBarViewExtensions {

using kit::MakePoint;

namespace {

kit::Ref<kit::BezierPath> qvFlippedIfAsked(kit::Ref<kit::BezierPath> path, std::uint32_t capMask)
{
    if (capMask & QVFlipCap) {
        kit::AffineTransform flip;
        flipVertical(flip, path->bounds());
        path->transformUsingAffineTransform(flip);
    }
    return path;
}

} // namespace

kit::Ref<kit::BezierPath> bezierPathWithCardInRectRadiusCapMaskUnflipped(kit::Rect r, double radius, std::uint32_t capMask)
{
    const double x = r.origin.x, y = r.origin.y, w = r.size.width, h = r.size.height;
    const bool fill = capMask & QVFillCap;
    auto path = kit::make<kit::BezierPath>();
    if (capMask & QVLeftCap) {
        path->moveToPoint(MakePoint(x, y + h));
        path->appendBezierPathWithArcFromPointToPointRadius(MakePoint(x, y), MakePoint(x + w / 2, y), radius);
    } else if (fill) {
        path->moveToPoint(MakePoint(x, y + h));
        path->lineToPoint(MakePoint(x, y));
    } else {
        path->moveToPoint(MakePoint(x, y));
    }
    if (capMask & QVRightCap) {
        path->appendBezierPathWithArcFromPointToPointRadius(MakePoint(x + w, y), MakePoint(x + w, y + h), radius);
        path->lineToPoint(MakePoint(x + w, y + h));
    } else {
        path->lineToPoint(MakePoint(x + w, y));
        if (fill)
            path->lineToPoint(MakePoint(x + w, y + h));
    }
    return path;
}

kit::Ref<kit::BezierPath> bezierPathWithRoundedRectRadiusCapMaskUnflipped(kit::Rect r, double radius, std::uint32_t capMask)
{
    const double x = r.origin.x, y = r.origin.y, w = r.size.width, h = r.size.height;
    const double m = x + w / 2;
    const bool fill = capMask & QVFillCap;
    auto path = kit::make<kit::BezierPath>();
    path->moveToPoint(MakePoint(m, y + h));
    if (capMask & QVLeftCap) {
        path->appendBezierPathWithArcFromPointToPointRadius(MakePoint(x, y + h), MakePoint(x, y), radius);
        path->appendBezierPathWithArcFromPointToPointRadius(MakePoint(x, y), MakePoint(m, y), radius);
    } else {
        path->lineToPoint(MakePoint(x, y + h));
        if (fill)
            path->lineToPoint(MakePoint(x, y));
        else
            path->moveToPoint(MakePoint(x, y));
    }
    path->lineToPoint(MakePoint(m, y));
    if (capMask & QVRightCap) {
        path->appendBezierPathWithArcFromPointToPointRadius(MakePoint(x + w, y), MakePoint(x + w, y + h), radius);
        path->appendBezierPathWithArcFromPointToPointRadius(MakePoint(x + w, y + h), MakePoint(m, y + h), radius);
    } else {
        path->lineToPoint(MakePoint(x + w, y));
        if (fill)
            path->lineToPoint(MakePoint(x + w, y + h));
        else
            path->moveToPoint(MakePoint(x + w, y + h));
        path->lineToPoint(MakePoint(m, y + h));
    }
    path->closePath();
    return path;
}

kit::Ref<kit::BezierPath> bezierPathWithCardInRectRadiusCapMask(kit::Rect rect, double radius, std::uint32_t capMask)
{
    return qvFlippedIfAsked(bezierPathWithCardInRectRadiusCapMaskUnflipped(rect, radius, capMask), capMask);
}

kit::Ref<kit::BezierPath> bezierPathWithRoundedRectRadiusCapMask(kit::Rect rect, double radius, std::uint32_t capMask)
{
    return qvFlippedIfAsked(bezierPathWithRoundedRectRadiusCapMaskUnflipped(rect, radius, capMask), capMask);
}

kit::AffineTransform& flipVertical(kit::AffineTransform& transform, kit::Rect bounds)
{
    transform.setTransformStruct({ 1, 0, 0, -1, 0, bounds.origin.y + bounds.size.height });
    transform.translateXByYBy(0, -bounds.origin.y);
    return transform;
}

kit::Size scaleImageWithSizeToFitInSizeScalingType(kit::Size image, kit::Size box, int scalingType)
{
    const auto proportional = [&](bool enlarge) -> kit::Size {
        if (image.width <= 0 || image.height <= 0)
            return {};
        const double r = std::min(box.width / image.width, box.height / image.height);
        if (!enlarge && r >= 1)
            return image;
        return { image.width * r, image.height * r };
    };
    switch (scalingType) {
    case 0:
        return proportional(false);
    case 1:
        return box;
    case 3:
        return proportional(true);
    default:
        return image;
    }
}

QString stringByTruncatingToLength(const QString& string, int length)
{
    if (string.size() < length)
        return string;
    int keep = std::max(0, length - 10);
    // Never end between the halves of a surrogate pair.
    if (keep > 0 && keep < string.size() && string.at(keep - 1).isHighSurrogate() && string.at(keep).isLowSurrogate())
        --keep;
    return string.left(keep) + QChar(0x2026);
}

} // namespace QVTabBarViewExtensions
