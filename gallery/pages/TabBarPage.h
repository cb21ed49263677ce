#pragma once

// The tab bar page: a tab bar over a tab view with eight documents (icons, counts, an edited and
// a busy one; some overflow into the pull-down), and buttons that change its options and tabs.

#include "kit/appkit/View.h"

kit::Ref<kit::View> makeTabBarPage(kit::Rect frame);
