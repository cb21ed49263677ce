#pragma once

// The small date control: a flat one with an aligned stepper and a bevelled one without, both in
// the user's locale order; the label under them shows the date each time an edit ends.

#include "kit/appkit/View.h"

kit::Ref<kit::View> makeDateControlPage(kit::Rect frame);
