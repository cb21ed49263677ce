#pragma once

// The data views and dialogs of the kit: an outline of the library's component families, a date
// picker and an alert, each reporting what the user did in a status line.

#include "kit/appkit/View.h"

kit::Ref<kit::View> makeListsPage(kit::Rect frame);
