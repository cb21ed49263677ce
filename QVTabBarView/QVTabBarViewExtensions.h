#pragma once

// Small helpers of the tab bar view: tab outlines with caps (cards and rounded rectangles), the
// vertical flip of a path inside its own bounds, image fitting, and title truncation.

#include "kit/core/Geometry.h"
#include "kit/core/Object.h"

#include <QString>

#include <cstdint>

namespace kit {
class AffineTransform;
class BezierPath;
}

// Cap mask of the tab paths.
enum QVCapMask : std::uint32_t {
    QVLeftCap = 0x0001,
    QVRightCap = 0x0002,
    QVAllCaps = 0x000F,
    QVFlipCap = 0x1000,
    QVFillCap = 0x2000,
};

namespace QVTabBarViewExtensions {

// Rounded top corners where the mask asks, open bottom; flipped with QVFlipCap.
kit::Ref<kit::BezierPath> bezierPathWithCardInRectRadiusCapMask(kit::Rect rect, double radius, std::uint32_t capMask);
// Corners rounded only where the mask asks; flipped with QVFlipCap.
kit::Ref<kit::BezierPath> bezierPathWithRoundedRectRadiusCapMask(kit::Rect rect, double radius, std::uint32_t capMask);
kit::Ref<kit::BezierPath> bezierPathWithCardInRectRadiusCapMaskUnflipped(kit::Rect rect, double radius, std::uint32_t capMask);
kit::Ref<kit::BezierPath> bezierPathWithRoundedRectRadiusCapMaskUnflipped(kit::Rect rect, double radius, std::uint32_t capMask);
// Makes `transform` map `bounds` onto itself upside down; answers it.
kit::AffineTransform& flipVertical(kit::AffineTransform& transform, kit::Rect bounds);

// Image scaling types: 0 proportionally down, 1 axes independently, 2 none, 3 proportionally up
// or down; any other value as 2.
kit::Size scaleImageWithSizeToFitInSizeScalingType(kit::Size image, kit::Size box, int scalingType);

// The first n - 10 characters and an ellipsis when the string has n or more characters; never
// cuts a surrogate pair in two.
QString stringByTruncatingToLength(const QString& string, int length);

} // namespace QVTabBarViewExtensions
