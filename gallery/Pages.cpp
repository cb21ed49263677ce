#include "gallery/GalleryPage.h"
#include "gallery/pages/AboutPage.h"

std::vector<GalleryPage> galleryPages()
{
    return {
        { QStringLiteral("about"), QStringLiteral("About"), makeAboutPage },
    };
}
