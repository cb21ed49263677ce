#pragma once

// The split view page: nested horizontal and vertical split views with collapsible panes, a
// resize grip in a pane's bottom bar, and sizes kept under an autosave name across restarts.

#include "kit/appkit/View.h"

kit::Ref<kit::View> makeSplitViewPage(kit::Rect frame);
