#pragma once

// One page of the gallery: a component family shown working, as a kit view tree. Each page lives
// in a file of its own under pages/ and is listed once in Pages.cpp. `create` builds the page's
// root view at the given frame; the root should autoresize in both directions.

#include "kit/appkit/View.h"

#include <QString>

#include <functional>
#include <vector>

struct GalleryPage {
    QString id; // file name of its screenshot
    QString title; // shown in the page list
    std::function<kit::Ref<kit::View>(kit::Rect frame)> create;
    // Optional: whether the page, just made and in its window, shows what it loads in the
    // background; the screenshot run turns the main loop until it does (a few seconds at most).
    std::function<bool(kit::View* page)> isReady = {};
};

// All pages, in the order the gallery lists them.
std::vector<GalleryPage> galleryPages();
