#include "kit/graphics/Color.h"

#include "kit/core/NotificationCenter.h"
#include "kit/foundation/KeyedArchiver.h"
#include "kit/foundation/KeyedUnarchiver.h"
#include "kit/graphics/Image.h"

#include <QGuiApplication>
#include <QPalette>

#include <gtest/gtest.h>

namespace {

using kit::Color;

void expectRGBA(const Color& c, double r, double g, double b, double a)
{
    double cr, cg, cb, ca;
    c.getRedGreenBlueAlpha(&cr, &cg, &cb, &ca);
    EXPECT_NEAR(cr, r, 1e-6);
    EXPECT_NEAR(cg, g, 1e-6);
    EXPECT_NEAR(cb, b, 1e-6);
    EXPECT_NEAR(ca, a, 1e-6);
}

TEST(Color, ConvertsBetweenWhiteAndRGB)
{
    auto white = Color::colorWithCalibratedWhiteAlpha(0.25, 0.5);
    auto rgb = white->colorUsingColorSpaceName(kit::CalibratedRGBColorSpace);
    ASSERT_TRUE(rgb);
    expectRGBA(*rgb, 0.25, 0.25, 0.25, 0.5);

    auto red = Color::colorWithCalibratedRedGreenBlueAlpha(1, 0.5, 0, 0.7);
    auto grey = red->colorUsingColorSpaceName(kit::DeviceWhiteColorSpace);
    ASSERT_TRUE(grey);
    double w, a;
    grey->getWhiteAlpha(&w, &a);
    EXPECT_NEAR(w, 0.299 + 0.587 * 0.5, 1e-9);
    EXPECT_NEAR(a, 0.7, 1e-9);
    EXPECT_EQ(grey->colorSpaceName(), kit::DeviceWhiteColorSpace);
    EXPECT_EQ(red->colorUsingColorSpaceName("NSCustomColorSpace"), nullptr);

    EXPECT_NEAR(Color::darkGrayColor()->whiteComponent(), 1.0 / 3.0, 1e-9);
    EXPECT_NEAR(Color::grayColor()->whiteComponent(), 0.5, 1e-9);
}

TEST(Color, PatternColoursDoNotConvert)
{
    auto pattern = Color::colorWithPatternImage(kit::Image::imageWithSize({ 4, 4 }));
    ASSERT_TRUE(pattern);
    EXPECT_TRUE(pattern->isPattern());
    EXPECT_EQ(pattern->colorUsingColorSpaceName(kit::CalibratedRGBColorSpace), nullptr);
    EXPECT_EQ(pattern->blendedColorWithFractionOfColor(0.5, *Color::whiteColor()), nullptr);
}

TEST(Color, BlendsPerComponent)
{
    auto a = Color::colorWithCalibratedRedGreenBlueAlpha(1, 0, 0, 1);
    auto b = Color::colorWithCalibratedRedGreenBlueAlpha(0, 0, 1, 0);
    expectRGBA(*a->blendedColorWithFractionOfColor(0.25, *b), 0.75, 0, 0.25, 0.75);
    auto mid = Color::colorWithCalibratedRedGreenBlueAlpha(0.4, 0.6, 0.8, 0.5);
    expectRGBA(*mid->shadowWithLevel(0.5), 0.2, 0.3, 0.4, 0.5);
    expectRGBA(*mid->highlightWithLevel(0.5), 0.7, 0.8, 0.9, 0.5);
    expectRGBA(*mid->colorWithAlphaComponent(0.1), 0.4, 0.6, 0.8, 0.1);
}

TEST(Color, EqualityComparesSpaceAndComponents)
{
    auto a = Color::colorWithCalibratedWhiteAlpha(0.5, 1);
    auto b = Color::colorWithCalibratedWhiteAlpha(0.5, 1);
    EXPECT_TRUE(a->isEqual(*b));
    EXPECT_NE(a, b); // different objects
    EXPECT_FALSE(a->isEqual(*Color::colorWithDeviceWhiteAlpha(0.5, 1)));
    EXPECT_FALSE(a->isEqual(*Color::colorWithCalibratedRedGreenBlueAlpha(0.5, 0.5, 0.5, 1)));
    EXPECT_TRUE(Color::textColor()->isEqual(*Color::textColor()));
}

TEST(Color, SystemColoursFollowThePalette)
{
    const QPalette saved = QGuiApplication::palette();
    Color::observePaletteChanges();
    Color::observePaletteChanges(); // once is enough
    int posted = 0;
    auto token = kit::NotificationCenter::defaultCenter()->addObserverForNameObjectQueueUsingBlock(
        kit::SystemColorsDidChangeNotification, nullptr, nullptr, [&](kit::Notification*) { ++posted; });
    auto text = Color::controlTextColor();
    auto selected = Color::selectedControlColor();
    QPalette p = saved;
    p.setColor(QPalette::Active, QPalette::WindowText, QColor(10, 20, 30));
    p.setColor(QPalette::Active, QPalette::Highlight, QColor(0, 0, 200));
    p.setColor(QPalette::Active, QPalette::Base, QColor(255, 255, 255));
    QGuiApplication::setPalette(p);
    EXPECT_EQ(posted, 1);
    EXPECT_EQ(text->toQColor(), QColor(10, 20, 30));
    EXPECT_EQ(Color::keyboardFocusIndicatorColor()->toQColor(), QColor(0, 0, 200));
    const QColor half = selected->toQColor();
    EXPECT_NEAR(half.redF(), 0.5, 0.01);
    EXPECT_NEAR(half.blueF(), (200 / 255.0 + 1) / 2, 0.01);
    QGuiApplication::setPalette(saved);
    kit::NotificationCenter::defaultCenter()->removeObserver(token.get());
    EXPECT_EQ(posted, 2);
    EXPECT_EQ(text->toQColor(), saved.color(QPalette::Active, QPalette::WindowText));
    EXPECT_EQ(Color::currentControlTint(), kit::DefaultControlTint);
}

} // namespace

namespace {

kit::Ref<Color> archivedAndBack(const kit::Ref<Color>& colour)
{
    QString error;
    const kit::Value back = kit::KeyedUnarchiver::unarchiveTopLevelObjectWithDataError(
        kit::KeyedArchiver::archivedDataWithRootObject(kit::Value(kit::Ref<kit::Object>(colour))), &error);
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    return back.objectAs<Color>();
}

} // namespace

TEST(Color, ArchivesComponentsSpaceAndSystemNames)
{
    const kit::Ref<Color> colours[] = {
        Color::colorWithCalibratedWhiteAlpha(0.25, 0.5),
        Color::colorWithDeviceWhiteAlpha(1, 1),
        Color::colorWithCalibratedRedGreenBlueAlpha(0.1, 0.2, 0.3, 0.4),
        Color::colorWithDeviceRedGreenBlueAlpha(1, 0.5, 0, 1),
        Color::clearColor(),
        Color::textColor(),
        Color::windowBackgroundColor(),
        Color::alternateSelectedControlColor(),
    };
    for (const auto& colour : colours) {
        const auto back = archivedAndBack(colour);
        ASSERT_TRUE(back);
        EXPECT_EQ(back->colorSpaceName(), colour->colorSpaceName());
        EXPECT_TRUE(back->isEqual(*colour)) << colour->colorSpaceName().toStdString();
    }
    // sRGB colours come back as calibrated RGB with the same components.
    const auto srgb = archivedAndBack(Color::colorWithSRGBRedGreenBlueAlpha(0.5, 0.25, 1, 1));
    ASSERT_TRUE(srgb);
    EXPECT_EQ(srgb->colorSpaceName(), kit::CalibratedRGBColorSpace);
    EXPECT_DOUBLE_EQ(srgb->greenComponent(), 0.25);
}

TEST(Color, PatternColoursAreNotArchived)
{
    const auto back = archivedAndBack(Color::colorWithPatternImage(kit::Image::imageWithSize({ 4, 4 })));
    ASSERT_TRUE(back);
    EXPECT_FALSE(back->isPattern());
    EXPECT_TRUE(back->isEqual(*Color::clearColor()));
}

TEST(Color, MalformedArchivesFail)
{
    for (const char* record : { R"({"$class": "Color", "colorSpace": "NSCalibratedRGBColorSpace", "components": [1.0, 0.5]})",
             R"({"$class": "Color", "colorSpace": "NSNamedColorSpace", "name": "noSuchColor"})",
             R"({"$class": "Color", "colorSpace": "NSCustomColorSpace", "components": [1.0]})" }) {
        const QByteArray archive
            = QByteArray(R"({"$archiver": "KeyedArchiver", "$version": 1, "$top": {"root": {"$ref": 0}}, "$objects": [)") + record + "]}";
        QString error;
        EXPECT_FALSE(kit::KeyedUnarchiver::unarchiveTopLevelObjectWithDataError(archive, &error).object()) << record;
        EXPECT_FALSE(error.isEmpty()) << record;
    }
}
