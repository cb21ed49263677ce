#include "kit/graphics/CGImage.h"

namespace kit {

KIT_REGISTER_CLASS(CGImage, Object) { }

Ref<CGImage> CGImage::create(const QImage& image)
{
    if (image.isNull())
        return nullptr;
    QImage pixels
        = image.format() == QImage::Format_ARGB32_Premultiplied ? image : image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    return Ref<CGImage>(new CGImage(std::move(pixels)), adopt);
}

} // namespace kit
