#pragma once

// The form inspector over two font records: text, integer, labelled, URL and e-mail fields, a
// rating, a check box, a colour and a date; Edit switches edit mode, pop-ups choose the selection
// and the display mode.

#include "kit/appkit/View.h"

kit::Ref<kit::View> makeInspectorPage(kit::Rect frame);
