#pragma once

// The form inspector over two font records: text, integer, labelled, URL and e-mail fields, a
// country, a language, a rating, a check box, a colour, a date, an image and keyword tokens; Edit
// switches edit mode, pop-ups choose the selection and the display mode.

#include "kit/appkit/View.h"

kit::Ref<kit::View> makeInspectorPage(kit::Rect frame);
