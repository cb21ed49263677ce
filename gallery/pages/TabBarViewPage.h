#pragma once

// The tab bar view page: a horizontal bar over a tab view of eight documents (icons, a counter,
// one busy, one edited; those that do not fit go into the overflow pull-down), an add button
// and close buttons, a vertical bar over a second tab view, a style pop-up for each bar and check
// boxes for the top bar's options.

#include "kit/appkit/View.h"

kit::Ref<kit::View> makeTabBarViewPage(kit::Rect frame);
