#pragma once

// The scope bar page: a bar across the top that follows the window's width (groups from a data
// source and from an array controller, a labelled group kept collapsed, an accessory button), a
// caption with the last selection change, and two narrow copies showing the collapsed and the
// overflow states.

#include "kit/appkit/View.h"

kit::Ref<kit::View> makeScopeBarPage(kit::Rect frame);
