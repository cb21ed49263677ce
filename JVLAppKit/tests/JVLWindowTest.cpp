#include "JVLAppKit/JVLWindow/JVLWindow.h"

#include "kit/foundation/KeyedArchiver.h"
#include "kit/foundation/KeyedUnarchiver.h"

#include <gtest/gtest.h>

using namespace kit;

TEST(JVLWindow, CanZoomSwitchesTheZoomButton)
{
    auto window = make<JVLWindow>(MakeRect(100, 100, 300, 200), TitledWindowMask | ClosableWindowMask | ResizableWindowMask);
    Ref<TitleBarButton> zoom = window->standardWindowButton(WindowZoomButton);
    ASSERT_TRUE(zoom);
    EXPECT_TRUE(window->canZoom());
    EXPECT_TRUE(zoom->isEnabled());
    window->setCanZoom(false);
    EXPECT_FALSE(window->canZoom());
    EXPECT_FALSE(zoom->isEnabled());
    window->setCanZoom(true);
    EXPECT_TRUE(zoom->isEnabled());
}

TEST(JVLWindow, ABorderlessWindowOnlyRecordsTheFlag)
{
    auto window = make<JVLWindow>(MakeRect(100, 100, 300, 200), BorderlessWindowMask);
    EXPECT_FALSE(window->standardWindowButton(WindowZoomButton));
    window->setCanZoom(false);
    EXPECT_FALSE(window->canZoom());
    EXPECT_FALSE(window->valueForKey("canZoom").boolValue());
}

TEST(JVLWindow, IsMadeByName)
{
    const Class* cls = classFromString("JVLWindow");
    ASSERT_TRUE(cls);
    Ref<Object> made = cls->make();
    EXPECT_TRUE(dynamic_cast<JVLWindow*>(made.get()));
}

TEST(JVLWindow, AnArchiveKeepsTheStyleAndTheCloseBoxWithIt)
{
    auto window = make<JVLWindow>(MakeRect(100, 100, 300, 200), TitledWindowMask | ClosableWindowMask | MiniaturizableWindowMask);
    QString error;
    const Ref<Object> copy = KeyedUnarchiver::unarchivedObjectOfClass(
        JVLWindow::staticClass(), KeyedArchiver::archivedDataWithRootObject(Value(window)), &error);
    auto* decoded = dynamic_cast<JVLWindow*>(copy.get());
    ASSERT_TRUE(decoded) << error.toStdString();
    EXPECT_EQ(decoded->styleMask(), TitledWindowMask | ClosableWindowMask | MiniaturizableWindowMask);
    EXPECT_TRUE(decoded->standardWindowButton(WindowCloseButton)->isEnabled());
    EXPECT_FALSE(decoded->standardWindowButton(WindowZoomButton)->isEnabled());
    EXPECT_EQ(decoded->contentRectForFrameRect(decoded->frame()).size, MakeSize(300, 200));
}
