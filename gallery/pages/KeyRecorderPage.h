#pragma once

// The shortcut recorder in four settings: the default look, the sliding style, key-only shortcuts
// with Escape recording, and Ctrl required with the global hot keys captured. The second is bound
// to a model whose value is shown beside it; the first keeps its shortcut in the gallery's defaults.

#include "kit/appkit/View.h"

kit::Ref<kit::View> makeKeyRecorderPage(kit::Rect frame);
