#pragma once

// The library's name and version, read from the main bundle's Info.json.

#include "kit/appkit/View.h"

kit::Ref<kit::View> makeAboutPage(kit::Rect frame);
