#include "kit/appkit/Application.h"
#include "kit/appkit/Screen.h"
#include "kit/appkit/Window.h"
#include "kit/core/NotificationCenter.h"
#include "kit/graphics/Color.h"
#include "kit/graphics/GraphicsContext.h"
#include "kit/graphics/Image.h"

#include <QImage>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

using namespace kit;

class WindowTranslucencyTest : public testing::Test {
protected:
    void TearDown() override { Application::resetForTesting(); }

    // A window-sized image whose right half is opaque and left half transparent.
    static Ref<Color> halfPattern(Size size)
    {
        auto image = Image::imageWithSize(size);
        image->lockFocus();
        Color::redColor()->setFill();
        GraphicsContext::currentContext()->saveGraphicsState();
        RectFillUsingOperation(MakeRect(size.width / 2, 0, size.width / 2, size.height), CompositeSourceOver);
        GraphicsContext::currentContext()->restoreGraphicsState();
        image->unlockFocus();
        return Color::colorWithPatternImage(image);
    }
};

TEST_F(WindowTranslucencyTest, APatternBackgroundMakesANonOpaqueWindowTranslucent)
{
    auto window = make<Window>(MakeRect(100, 100, 80, 40), BorderlessWindowMask);
    window->setBackgroundColor(halfPattern(MakeSize(80, 40)).get());
    EXPECT_FALSE(window->hostWidget()->testAttribute(Qt::WA_TranslucentBackground));
    window->setOpaque(false);
    EXPECT_TRUE(window->hostWidget()->testAttribute(Qt::WA_TranslucentBackground));
    window->setBackgroundColor(Color::colorWithSRGBRedGreenBlueAlpha(0, 0, 0, 1).get());
    EXPECT_FALSE(window->hostWidget()->testAttribute(Qt::WA_TranslucentBackground));
}

TEST_F(WindowTranslucencyTest, ClicksPassWhereThePatternIsFullyTransparent)
{
    auto window = make<Window>(MakeRect(100, 100, 80, 40), BorderlessWindowMask);
    window->setOpaque(false);
    window->setBackgroundColor(halfPattern(MakeSize(80, 40)).get());
    const QRegion shape = window->hostWidget()->mask();
    EXPECT_FALSE(shape.contains(QPoint(10, 20)));
    EXPECT_TRUE(shape.contains(QPoint(70, 20)));
    // An opaque window takes every click again.
    window->setOpaque(true);
    EXPECT_TRUE(window->hostWidget()->mask().isEmpty());
}

TEST_F(WindowTranslucencyTest, APatternMadeAtTwiceTheScaleShapesTheWindowByPoints)
{
    // 80 x 40 points in 160 x 80 pixels, the right half opaque.
    QImage pixels(160, 80, QImage::Format_ARGB32_Premultiplied);
    pixels.fill(Qt::transparent);
    for (int y = 0; y < 80; ++y)
        for (int x = 80; x < 160; ++x)
            pixels.setPixel(x, y, qRgba(255, 0, 0, 255));
    auto rep = make<BitmapImageRep>(pixels);
    rep->setSize(MakeSize(80, 40));
    auto image = Image::imageWithSize(MakeSize(80, 40));
    image->addRepresentation(rep);
    auto window = make<Window>(MakeRect(100, 100, 80, 40), BorderlessWindowMask);
    window->setOpaque(false);
    window->setBackgroundColor(Color::colorWithPatternImage(image).get());
    EXPECT_EQ(window->hostWidget()->mask(), QRegion(40, 0, 40, 40));
}

TEST_F(WindowTranslucencyTest, UnderACompositingManagerTheWindowKeepsItsWholeShape)
{
    int notes = 0;
    const Ref<Object> observer = NotificationCenter::defaultCenter()->addObserverForNameObjectQueueUsingBlock(
        ScreenCompositingManagerDidChangeNotification, nullptr, nullptr, [&](Notification*) { ++notes; });
    auto window = make<Window>(MakeRect(100, 100, 80, 40), BorderlessWindowMask);
    window->setOpaque(false);
    window->setBackgroundColor(halfPattern(MakeSize(80, 40)).get());
    const QRegion cut(40, 0, 40, 40);
    ASSERT_FALSE(Screen::hasCompositingManager());
    EXPECT_EQ(window->hostWidget()->mask(), cut);

    // Its alpha shows: nothing is cut away (its input is shaped on the server instead).
    struct PlatformAgain {
        ~PlatformAgain() { Screen::setCompositingManagerForTesting(std::nullopt); }
    } platformAgain;
    Screen::setCompositingManagerForTesting(true);
    EXPECT_TRUE(Screen::hasCompositingManager());
    EXPECT_EQ(notes, 1);
    EXPECT_TRUE(window->hostWidget()->mask().isEmpty());
    EXPECT_TRUE(window->hostWidget()->testAttribute(Qt::WA_TranslucentBackground));
    // Set again: no change, no notification.
    Screen::setCompositingManagerForTesting(true);
    EXPECT_EQ(notes, 1);

    Screen::setCompositingManagerForTesting(std::nullopt);
    EXPECT_FALSE(Screen::hasCompositingManager());
    EXPECT_EQ(notes, 2);
    EXPECT_EQ(window->hostWidget()->mask(), cut);
    NotificationCenter::defaultCenter()->removeObserver(observer.get());
}

TEST_F(WindowTranslucencyTest, TheScreenIsTheOneHoldingMostOfTheWindow)
{
    const Ref<Screen> main = Screen::mainScreen();
    ASSERT_TRUE(main);
    const Rect visible = main->frame();
    auto window = make<Window>(MakeRect(visible.minX() + 10, visible.minY() + 10, 100, 80), TitledWindowMask);
    ASSERT_TRUE(window->screen());
    EXPECT_TRUE(window->screen()->isEqual(main.get()));
    window->setFrameDisplay(MakeRect(visible.maxX() + 5000, visible.maxY() + 5000, 100, 80), false);
    EXPECT_EQ(window->screen(), nullptr);
}

} // namespace
