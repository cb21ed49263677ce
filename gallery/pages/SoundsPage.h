#pragma once

// The sounds page: every sound the sound manager lists (system, user, and the gallery's own tones),
// each with its file name and a Play button.

#include "kit/appkit/View.h"

kit::Ref<kit::View> makeSoundsPage(kit::Rect frame);
