#pragma once

// Pixel probes on rendered images: tests ask "what colour is this pixel" and "is it close to
// that colour", so a failure names the coordinates and both colours.

#include <QColor>
#include <QImage>

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace kit::test {

// Renders `paint` into a fresh ARGB32-premultiplied image filled with `background`.
QImage renderImage(int width, int height, const std::function<void(class QPainter&)>& paint, QColor background = Qt::white);

// Colour of one pixel, unpremultiplied.
QColor pixel(const QImage& image, int x, int y);

// Succeeds when every channel (alpha included) is within `tolerance` of `expected`.
testing::AssertionResult pixelIs(const QImage& image, int x, int y, QColor expected, int tolerance = 2);

std::string describe(QColor c);

} // namespace kit::test
