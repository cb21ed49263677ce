#pragma once

// The tab bar page: a tab bar over a tab view with eight documents (icons, counts, an edited and
// a busy one; some overflow into the pull-down), and buttons that change its options and tabs.

#include "kit/appkit/View.h"

#include <vector>

kit::Ref<kit::View> makeTabBarPage(kit::Rect frame);

namespace kit {
class Window;
}

// A window torn off a tab page outlives the page: choosing another page leaves it open with its
// documents. It is kept, with `owner` (the delegate its bars report to), until it closes.
void galleryKeepTornOffWindow(const kit::Ref<kit::Window>& window, const kit::Ref<kit::Object>& owner);

// Whether the screen point lies on one of the views.
bool galleryPointIsOnAnyOf(const std::vector<kit::Weak<kit::View>>& views, kit::Point screenPoint);
