#pragma once

// The cover-flow page: about 300 covers drawn at start in an array controller bound to the view
// from the gallery's interface file, with the scroller, an accessory caption and a status line.

#include "kit/appkit/View.h"

kit::Ref<kit::View> makeCoverFlowPage(kit::Rect frame);
// Whether the page's pictures are all shown (for the screenshot run).
bool coverFlowPageIsReady(kit::View* page);
