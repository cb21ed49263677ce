#pragma once

// The preferences page: a button that opens the shared preference window (General, Appearance and
// Sounds panes from interface files, plus a plug-in pane from PlugIns/ beside the program, with
// the configuration pane and captioned categories), and the same panes' grouped overview embedded
// in the page: clicking an icon opens that pane in the window.

#include "kit/appkit/View.h"

class JVLPreferenceWindowController;

kit::Ref<kit::View> makePreferencesPage(kit::Rect frame);
// The shared window with the gallery's panes, set up once.
kit::Ref<JVLPreferenceWindowController> galleryPreferenceWindow();
