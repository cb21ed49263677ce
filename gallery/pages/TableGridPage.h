#pragma once

// The table grid page: an editable sheet of 26 columns × 500 rows whose columns and rows move by
// their headers, that takes dragged text into a cell, with a caption for the selection and the
// last notification; a switch puts a computed sheet of 10^8 rows in its place.

#include "kit/appkit/View.h"

kit::Ref<kit::View> makeTableGridPage(kit::Rect frame);
