#include "kit/core/Exception.h"
#include "kit/foundation/KeyedArchiver.h"
#include "kit/foundation/KeyedUnarchiver.h"
#include "kit/graphics/Gradient.h"

#include <gtest/gtest.h>

namespace {

using kit::Color;
using kit::Gradient;
using kit::Ref;

Ref<Gradient> threeStops()
{
    return Gradient::gradientWithColorsAndLocations(
        { Color::colorWithCalibratedWhiteAlpha(0.8, 1), Color::colorWithCalibratedRedGreenBlueAlpha(1, 0, 0, 0.5), Color::colorWithCalibratedWhiteAlpha(0.94, 1) },
        { 0.0, 0.25, 1.0 });
}

TEST(GradientCoding, CopyIsTheImmutableGradientItself)
{
    const auto g = threeStops();
    EXPECT_EQ(g->copy().get(), g.get());
}

TEST(GradientCoding, RoundTripKeepsEveryStop)
{
    const auto g = threeStops();
    QString error;
    const auto back = kit::KeyedUnarchiver::unarchiveTopLevelObjectWithDataError(kit::KeyedArchiver::archivedDataWithRootObject(kit::Value(g)), &error)
                          .objectAs<Gradient>();
    ASSERT_TRUE(back) << error.toStdString();
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    ASSERT_EQ(back->numberOfColorStops(), 3);
    EXPECT_TRUE(back->isEqual(g.get()));
    Ref<Color> color;
    double location = -1;
    back->getColorLocationAtIndex(&color, &location, 1);
    EXPECT_DOUBLE_EQ(location, 0.25);
    EXPECT_NEAR(color->redComponent(), 1, 1e-3);
    EXPECT_NEAR(color->alphaComponent(), 0.5, 1e-3);
    EXPECT_NEAR(back->interpolatedColorAtLocation(1.0)->whiteComponent(), 0.94, 1e-3);
}

TEST(GradientCoding, StopsThatMakeNoGradientFailTheCoder)
{
    // One colour against two locations: no gradient comes of it, and the decoded one draws nothing.
    const QByteArray data = R"({"$archiver": "KeyedArchiver", "$version": 1, "$top": {"root": {"$ref": 0}}, "$objects": [
        {"$class": "Gradient", "kit.colors": [{"$ref": 1}], "kit.locations": [0, 1]},
        {"$class": "Color", "colorSpace": "NSCalibratedWhiteColorSpace", "components": [0.5, 1]}]})";
    QString error;
    const auto back = kit::KeyedUnarchiver::unarchiveTopLevelObjectWithDataError(data, &error).objectAs<Gradient>();
    EXPECT_FALSE(error.isEmpty());
    if (back) {
        EXPECT_DOUBLE_EQ(back->interpolatedColorAtLocation(0.5)->alphaComponent(), 0);
    }
}

TEST(GradientCoding, StopIndexOutOfRangeRaises)
{
    EXPECT_THROW(threeStops()->getColorLocationAtIndex(nullptr, nullptr, 3), kit::Exception);
}

} // namespace
