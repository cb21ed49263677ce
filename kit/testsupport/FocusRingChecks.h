#pragma once

// The keyboard focus ring's rule, checked on a view drawn in a window: it shows while the view is
// first responder of the key window, chosen by the program, and not after a click until a key
// follows it.

#include "kit/appkit/KeyCodes.h"
#include "kit/appkit/View.h"
#include "kit/appkit/Window.h"
#include "kit/testsupport/EventScript.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>

namespace kit::test {

// `ringed` tells whether the ring shows now; `inside` is a point of the view in window coordinates;
// `key` is a key the view takes after the click.
inline void ExpectTheRingFollowsKeyAndFocus(
    Window& window, View& view, Point inside, const std::function<bool()>& ringed, std::uint16_t key = KeyCodeRightArrow)
{
    ASSERT_TRUE(window.makeFirstResponder(&view));
    EXPECT_TRUE(ringed()) << "chosen by the program";
    {
        auto other = make<Window>(MakeRect(700, 0, 50, 50), TitledWindowMask);
        other->makeKeyAndOrderFront();
        ASSERT_FALSE(window.isKeyWindow());
        EXPECT_FALSE(ringed()) << "not key";
        other->close();
    }
    window.makeKeyAndOrderFront();
    EXPECT_TRUE(ringed()) << "key again";
    window.makeFirstResponder(nullptr);
    EXPECT_FALSE(ringed()) << "focus left";
    EventScript script(&window);
    script.click(inside).run();
    ASSERT_EQ(window.firstResponder().get(), &view);
    EXPECT_FALSE(ringed()) << "clicked";
    script.key(key).run();
    EXPECT_TRUE(ringed()) << "a key after the click";
}

} // namespace kit::test
