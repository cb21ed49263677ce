#pragma once

// The layers page: a perspective row of fifteen cards with reflections on a gradient floor, turning
// and sliding through the selection; buttons step it (Shift slows the move), switch reflections and
// perspective, and a click brings a card to the front through the presentation tree.

#include "kit/appkit/View.h"

kit::Ref<kit::View> makeLayersPage(kit::Rect frame);
