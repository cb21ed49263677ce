#pragma once

// A tab dragged by the mouse on a tab page: pressed at `from`, pulled past the drag threshold and
// off its bar, then to `to`, where it is let go (window base coordinates). The two places a tab
// of the tab pages is let go of: outside every bar, and on a style sample.

#include "kit/appkit/Window.h"
#include "kit/testsupport/EventScript.h"

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
};
inline constexpr GalleryTabDropPlace galleryTabDropPlaces[] = { { "outside every bar", false }, { "on the Pebble sample", true } };
// Below the window: outside every bar.
inline constexpr kit::Point galleryOutsideEveryBar { 450, -150 };
