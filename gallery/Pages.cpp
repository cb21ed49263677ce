#include "gallery/GalleryPage.h"
#include "gallery/pages/AboutPage.h"
#include "gallery/pages/ControlsPage.h"

std::vector<GalleryPage> galleryPages()
{
    return {
        { QStringLiteral("about"), QStringLiteral("About"), makeAboutPage },
        { QStringLiteral("controls"), QStringLiteral("Controls"), makeControlsPage },
    };
}
