#pragma once

// The gallery's application delegate: the gallery quits when its last window closes, the main
// window's or, in the live-link server, the editor's.

#include "kit/appkit/Application.h"
#include "kit/core/Object.h"

class GalleryDelegate : public kit::Object, public kit::ApplicationDelegate {
    KIT_CLASS(GalleryDelegate)
public:
    bool applicationShouldTerminateAfterLastWindowClosed(kit::Application*) override { return true; }
};
