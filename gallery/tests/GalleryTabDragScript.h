#pragma once

// A tab dragged by the mouse on a tab page: pressed at `from`, pulled past the drag threshold and
// off its bar, then to `to`, where it is let go (window base coordinates). The places a tab of the
// tab pages is let go of: outside every bar, on a style sample's bar and on the strip under it.

#include "kit/appkit/Screen.h"
#include "kit/appkit/Window.h"
#include "kit/foundation/RunLoop.h"
#include "kit/testsupport/EventScript.h"

#include <functional>
#include <vector>

#include <gtest/gtest.h>

inline void galleryDragTab(kit::Window* window, kit::Point from, kit::Point to)
{
    kit::test::EventScript script(window);
    script.mouseDown(from).mouseDragged(kit::MakePoint(from.x + 12, from.y)).wait(0.1);
    script.mouseDragged(kit::MakePoint(from.x + 12, from.y - 60)).wait(0.3).mouseDragged(to).wait(0.3).mouseDragged(to).wait(0.1);
    script.mouseUp(to).run();
}

struct GalleryTabDropPlace {
    const char* where;
    bool onSample;
    bool onStrip; // the sample's tab view, under its bar
};
inline constexpr GalleryTabDropPlace galleryTabDropPlaces[]
    = { { "outside every bar", false, false }, { "on the Pebble sample", true, false }, { "on the Pebble sample's strip", true, true } };

// Where a tab is let go on a sample: near the left edge of its bar (the pointer is on it, the
// dragged picture's origin is not), or in the middle of the height of the strip under it.
inline kit::Point galleryDropPointOnSample(const kit::View& bar, const kit::View& strip, bool onStrip)
{
    return onStrip ? strip.convertPointToView(kit::MakePoint(12, strip.bounds().midY()), nullptr) : bar.convertPointToView(kit::MakePoint(12, 11), nullptr);
}
// Below the window: outside every bar.
inline constexpr kit::Point galleryOutsideEveryBar { 450, -150 };

// Torn-off windows asked of a page's delegate (`tearOffAt`, answering the new bar's window) for
// tabs let go near two corners of the screen: each opens wholly on the screen. The last one made
// comes last.
inline std::vector<kit::Weak<kit::Window>> galleryTearOffNearTheScreensCorners(const std::function<kit::Ref<kit::Window>(kit::Point)>& tearOffAt)
{
    std::vector<kit::Weak<kit::Window>> made;
    const kit::Ref<kit::Screen> screen = kit::Screen::mainScreen();
    EXPECT_TRUE(screen);
    if (!screen)
        return made;
    const kit::Rect visible = screen->visibleFrame();
    for (const kit::Point near : { kit::MakePoint(visible.minX() + 2, visible.minY() + 2), kit::MakePoint(visible.maxX() - 2, visible.maxY() - 2) }) {
        const kit::Ref<kit::Window> window = tearOffAt(near);
        EXPECT_TRUE(window);
        if (!window)
            continue;
        EXPECT_TRUE(kit::ContainsRect(visible, window->frame())) << near.x << ", " << near.y;
        made.emplace_back(window.get());
    }
    return made;
}

// Closes the windows; each is let go once closed.
inline void galleryCloseTornOffWindows(const std::vector<kit::Weak<kit::Window>>& made)
{
    for (const kit::Weak<kit::Window>& w : made)
        if (const kit::Ref<kit::Window> open = w.lock())
            open->close();
    kit::RunLoop::main().runPending();
    for (const kit::Weak<kit::Window>& w : made)
        EXPECT_FALSE(w.lock()) << "closed, it is let go";
}
