#pragma once

// The kit's text: an editable text field with a placeholder, a right-aligned number field whose
// formatter turns away what is not a number (the status line says why), and a selectable read-only
// label, walked by Tab and Backtab; Return sends the field's action and the status line names the
// last end of editing with its movement. Beside them a rich text view in a scroll view, with a bold
// run, a coloured run, a link and an attachment hosting a pop-up button on its line.

#include "kit/appkit/View.h"

kit::Ref<kit::View> makeTextPage(kit::Rect frame);
