#pragma once

// The hot-keys page (register and unregister global combinations, a log of firings) and the
// bubble page (the twelve sides drawn with the bubble's own outline, and real bubbles attached
// to spots of the gallery window).

#include "kit/appkit/View.h"

kit::Ref<kit::View> makeHotKeysPage(kit::Rect frame);
kit::Ref<kit::View> makeBubblePage(kit::Rect frame);
