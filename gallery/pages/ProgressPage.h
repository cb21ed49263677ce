#pragma once

// The progress page: spinning indicators (indeterminate, determinate pie, animated from a thread
// of their own, coloured) with buttons that start, stop and step them.

#include "kit/appkit/View.h"

kit::Ref<kit::View> makeProgressPage(kit::Rect frame);
