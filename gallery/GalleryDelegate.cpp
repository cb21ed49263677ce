#include "gallery/GalleryDelegate.h"

KIT_REGISTER_CLASS(GalleryDelegate, kit::Object) { c.optionalOperations({ "applicationShouldTerminateAfterLastWindowClosed" }); }
