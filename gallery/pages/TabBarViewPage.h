#pragma once

// The tab bar view page: a horizontal bar over a tab view of eight documents (icons, a counter,
// one busy, one edited; those that do not fit go into the overflow pull-down), an add button
// and close buttons, a vertical bar over a second tab view, and buttons for the bar's options.

#include "kit/appkit/View.h"

kit::Ref<kit::View> makeTabBarViewPage(kit::Rect frame);
