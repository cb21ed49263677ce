#pragma once

// The live-links page: a document shape edited through a live link by an editor in the same
// gallery, over the session bus; changes made in the editor flow back to the document.

#include "kit/appkit/View.h"

kit::Ref<kit::View> makeLiveLinksPage(kit::Rect frame);
