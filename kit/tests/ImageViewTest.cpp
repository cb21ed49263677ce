#include "kit/controls/ImageView.h"

#include "ControlsTestSupport.h"
#include "kit/graphics/ImageRep.h"

#include <gtest/gtest.h>

namespace {

using namespace kit;
using namespace kit::test;

Ref<Image> solidImage(int w, int h, QColor color)
{
    QImage pixels(w, h, QImage::Format_ARGB32_Premultiplied);
    pixels.fill(color);
    auto image = make<Image>(MakeSize(w, h));
    image->addRepresentation(make<BitmapImageRep>(pixels));
    return image;
}

TEST(ImageView, ScalesDownProportionallyAndCentres)
{
    ControlWindow w(MakeSize(100, 60));
    auto view = make<ImageView>(MakeRect(10, 10, 20, 20));
    view->setImage(solidImage(40, 20, Qt::red));
    w.content->addSubview(view.get());
    const QImage shot = w.window->snapshot();
    // 40 × 20 into 20 × 20: 20 × 10, centred, so rows 15..25 in base coordinates.
    EXPECT_TRUE(basePixelIs(shot, MakePoint(20, 20), Qt::red, 8));
    EXPECT_TRUE(basePixelIs(shot, MakePoint(11, 16), Qt::red, 8));
    EXPECT_FALSE(basePixelIs(shot, MakePoint(20, 12), Qt::red, 40));
    EXPECT_FALSE(basePixelIs(shot, MakePoint(20, 28), Qt::red, 40));
    // A small image keeps its size; "value" is the image.
    view->setValueForKey(Value(solidImage(4, 4, Qt::blue)), "value");
    const QImage small = w.window->snapshot();
    EXPECT_TRUE(basePixelIs(small, MakePoint(20, 20), Qt::blue, 8));
    EXPECT_FALSE(basePixelIs(small, MakePoint(14, 20), Qt::blue, 40));
}

} // namespace
