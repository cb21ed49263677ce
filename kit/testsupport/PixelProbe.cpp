#include "kit/testsupport/PixelProbe.h"

#include <QPainter>

#include <cstdlib>

namespace kit::test {

QImage renderImage(int width, int height, const std::function<void(QPainter&)>& paint, QColor background)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(background);
    QPainter painter(&image);
    paint(painter);
    return image;
}

QColor pixel(const QImage& image, int x, int y) { return image.pixelColor(x, y); }

std::string describe(QColor c)
{
    return "rgba(" + std::to_string(c.red()) + ", " + std::to_string(c.green()) + ", " + std::to_string(c.blue()) + ", "
        + std::to_string(c.alpha()) + ")";
}

testing::AssertionResult pixelIs(const QImage& image, int x, int y, QColor expected, int tolerance)
{
    if (x < 0 || y < 0 || x >= image.width() || y >= image.height())
        return testing::AssertionFailure() << "probe (" << x << ", " << y << ") lies outside the " << image.width() << "x" << image.height()
                                           << " image";
    const QColor actual = pixel(image, x, y);
    const bool close = std::abs(actual.red() - expected.red()) <= tolerance && std::abs(actual.green() - expected.green()) <= tolerance
        && std::abs(actual.blue() - expected.blue()) <= tolerance && std::abs(actual.alpha() - expected.alpha()) <= tolerance;
    if (close)
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is " << describe(actual) << ", expected " << describe(expected);
}

} // namespace kit::test
