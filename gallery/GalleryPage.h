#pragma once

// One page of the gallery: a component family shown working. Each page lives in a file of its
// own under pages/ and is listed once in Pages.cpp.

#include <QString>

#include <functional>
#include <vector>

class QWidget;

struct GalleryPage {
    QString id; // file name of its screenshot
    QString title; // shown in the page list
    std::function<QWidget*()> create;
};

// All pages, in the order the gallery lists them.
std::vector<GalleryPage> galleryPages();
