#include "kit/appkit/Application.h"
#include "kit/appkit/Screen.h"
#include "kit/appkit/Window.h"
#include "kit/graphics/Color.h"
#include "kit/graphics/GraphicsContext.h"
#include "kit/graphics/Image.h"

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
