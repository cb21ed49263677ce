#pragma once

// The flow view page: about 300 covers the page draws, handed over as images, bitmaps, PNG data and
// PDF pages, plus three files (a picture, a PDF, a movie) for thumbnails, icons and the movie
// control; an angle pop-up and a spacing stepper animate through the animator.

#include "kit/appkit/View.h"

kit::Ref<kit::View> makeFlowViewPage(kit::Rect frame);
// Whether the visible pictures are in (none still shows the placeholder and no image is pending).
bool flowViewPageIsReady(kit::View* page);
