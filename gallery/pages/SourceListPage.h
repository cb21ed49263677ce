#pragma once

// The source-list page: a sidebar of three groups with icons and badges, its notifications and
// a reload from a freshly decoded archive of its tree.

#include "kit/appkit/View.h"

kit::Ref<kit::View> makeSourceListPage(kit::Rect frame);
