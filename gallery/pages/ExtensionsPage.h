#pragma once

// The extensions page: the form's label pop-ups, the country and language pop-ups, the picture
// well and a text view whose addresses are links.

#include "kit/appkit/View.h"

kit::Ref<kit::View> makeExtensionsPage(kit::Rect frame);
