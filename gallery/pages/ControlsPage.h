#pragma once

// The kit's own controls in their states, drawn by the kit under the current style: push,
// square, recessed and textured buttons, checkboxes (off, on, mixed), radios, pop-up and
// pull-down buttons, steppers, a rating, a colour well, progress bars, a separator, an image view
// and a tab view, enabled and disabled.
// While shown, the page installs a main menu (drawn as a strip of titles at its top) whose key
// equivalents drive the controls, and Return presses its default button.

#include "kit/appkit/View.h"

kit::Ref<kit::View> makeControlsPage(kit::Rect frame);
