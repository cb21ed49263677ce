#include "kit/testsupport/MissingTool.h"
#include "kit/testsupport/PixelProbe.h"
#include "kit/testsupport/TestApplication.h"

#include <QApplication>
#include <QFontInfo>
#include <QGuiApplication>
#include <QPainter>
#include <QStyle>

#include <gtest/gtest-spi.h>

TEST(TestEnvironment, RunsOffscreenWithThePinnedStyleAndFont)
{
    EXPECT_EQ(QGuiApplication::platformName(), QStringLiteral("offscreen"));
    EXPECT_EQ(QApplication::style()->name().toLower(), QStringLiteral("fusion"));
    EXPECT_EQ(QFontInfo(QApplication::font()).family(), kit::test::testFontFamily);
}

TEST(TestEnvironment, RendersAndProbesPixels)
{
    const QImage image = kit::test::renderImage(20, 10, [](QPainter& p) { p.fillRect(QRect(0, 0, 10, 10), QColor(200, 30, 40)); });
    EXPECT_TRUE(kit::test::pixelIs(image, 9, 5, QColor(200, 30, 40)));
    EXPECT_TRUE(kit::test::pixelIs(image, 10, 5, Qt::white));
    EXPECT_FALSE(kit::test::pixelIs(image, 25, 5, Qt::white));

    // Text draws with the pinned font: some pixel of the glyph box turns dark.
    const QImage text = kit::test::renderImage(40, 20, [](QPainter& p) {
        p.setPen(Qt::black);
        p.drawText(QRect(0, 0, 40, 20), Qt::AlignCenter, QStringLiteral("W"));
    });
    int dark = 0;
    for (int y = 0; y < text.height(); ++y)
        for (int x = 0; x < text.width(); ++x)
            dark += kit::test::pixel(text, x, y).lightness() < 100;
    EXPECT_GT(dark, 10);
}

namespace {

void needsAMissingTool() { KIT_SKIP_TEST_WITHOUT("a missing tool"); }

} // namespace

// In CI every program a test needs is installed: one missing fails the test rather than skip it.
TEST(TestEnvironment, AMissingToolFailsTheTestInCI)
{
    const bool wasSet = qEnvironmentVariableIsSet("CI");
    const QByteArray was = qgetenv("CI");
    qputenv("CI", "true");
    EXPECT_TRUE(kit::test::runsInCI());
    EXPECT_FATAL_FAILURE(needsAMissingTool(), "needs a missing tool, which CI installs");
    qputenv("CI", "");
    EXPECT_FALSE(kit::test::runsInCI());
    qunsetenv("CI");
    EXPECT_FALSE(kit::test::runsInCI());
    if (wasSet)
        qputenv("CI", was);
}
