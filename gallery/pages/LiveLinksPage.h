#pragma once

// The live-links page: a document of shapes whose selected shape is edited through a live link
// by a second gallery process (`gallery --live-link-server`), over the session bus; every change
// made in that editor flows back to the document.

#include "kit/appkit/View.h"
#include "kit/appkit/Window.h"

kit::Ref<kit::View> makeLiveLinksPage(kit::Rect frame);

// The second process's editor: publishes the page's server name and shows what it edits. Null
// when the name cannot be published (already running, no session bus).
kit::Ref<kit::Window> makeLiveLinkServerWindow();
