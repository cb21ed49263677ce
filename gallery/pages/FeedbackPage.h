#pragma once

// The reports page: the feedback form, the licence window, and the crash reporter (crash the
// gallery on purpose, or offer the last crash log again), beside the licence text itself.

#include "kit/appkit/View.h"

kit::Ref<kit::View> makeFeedbackPage(kit::Rect frame);
