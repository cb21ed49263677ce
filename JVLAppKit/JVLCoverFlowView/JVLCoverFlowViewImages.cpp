// Pictures of the cover-flow view: the values are read on the main thread, decoded one at a time
// on the view's queue, and shown on the main thread again. Pictures are capped at twice the drawn
// extent, and only items near the selection hold one.

#include "JVLAppKit/JVLCoverFlowView/JVLCoverFlowView.h"

#include "AppKitExtensions/JVLNSImage_Extension.h"
#include "kit/appkit/Screen.h"
#include "kit/appkit/Window.h"
#include "kit/core/Exception.h"
#include "kit/graphics/CGContext.h"
#include "kit/graphics/Color.h"
#include "kit/graphics/Gradient.h"
#include "kit/graphics/GraphicsContext.h"
#include "kit/graphics/ImageRep.h"
#include "kit/graphics/ImageSource.h"
#include "kit/layers/Transaction.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

using namespace kit;

namespace JVLCoverFlowViewImages {

// A bitmap of the picture no larger than `cap` on either axis; pictures within it are copied as they
// are (the layer stretches them to the item anyway). Safe on the load queue for bitmap images.
Ref<CGImage> cappedPicture(const Image& image, Size cap, bool* capped)
{
    const Size size = image.size();
    *capped = false;
    if (size.width <= cap.width && size.height <= cap.height)
        return JVLNSImage_Extension::imageRefCopy(image);
    const int width = ClampedInt(std::floor(std::min(size.width, cap.width)), 1);
    const int height = ClampedInt(std::floor(std::min(size.height, cap.height)), 1);
    auto bitmap = CGContext::createBitmap(width, height);
    if (!bitmap)
        return nullptr;
    {
        GraphicsContext::Scope current(GraphicsContext::graphicsContextWithGraphicsPortFlipped(bitmap, false));
        image.drawInRectFromRectOperationFraction(MakeRect(0, 0, width, height), ZeroRect, CompositeCopy, 1.0);
    }
    *capped = true;
    return bitmap->createImage();
}

// A picture decoded from file data at no more than the cap needs: each axis at least its cap (or
// the picture's own size), so the larger side is the one the image source reduces to. A picture
// too large to decode whole is never decoded whole.
Ref<CGImage> thumbnailPicture(const ImageSource& source, Size cap, bool* capped)
{
    *capped = false;
    const Dictionary properties = source.copyPropertiesAtIndex(0);
    const double width = properties.objectForKey(Value(ImagePropertyPixelWidth)).doubleValue();
    const double height = properties.objectForKey(Value(ImagePropertyPixelHeight)).doubleValue();
    if (!(width > 0 && height > 0))
        return nullptr;
    const double scale = std::min(1.0, std::max(cap.width / width, cap.height / height));
    ThumbnailOptions options;
    options.maxPixelSize = ClampedInt(std::ceil(std::max(width, height) * scale - 1e-6), 1);
    const Ref<CGImage> thumbnail = source.createThumbnailAtIndex(0, options);
    if (!thumbnail)
        return nullptr;
    *capped = scale < 1;
    if (thumbnail->width() <= cap.width && thumbnail->height() <= cap.height)
        return thumbnail;
    *capped = true;
    const int w = ClampedInt(std::floor(std::min(double(thumbnail->width()), cap.width)), 1);
    const int h = ClampedInt(std::floor(std::min(double(thumbnail->height()), cap.height)), 1);
    return CGImage::create(thumbnail->image().scaled(w, h, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
}

// Whether every representation is a plain bitmap, which the load queue may draw.
bool drawsOffMainThread(const Image& image)
{
    const auto reps = image.representations();
    return !reps.empty() && std::all_of(reps.begin(), reps.end(), [](const Ref<ImageRep>& r) { return r && r->isBitmap(); });
}

std::int64_t pictureBytesOf(const Ref<CGImage>& picture) { return picture ? std::int64_t(picture->bytesPerRow()) * picture->height() : 0; }

} // namespace JVLCoverFlowViewImages

Ref<CGImage> JVLCoverFlowView::drawnBitmap(int width, int height, const std::function<void(Rect)>& draw)
{
    auto bitmap = CGContext::createBitmap(width, height);
    if (!bitmap)
        return nullptr;
    {
        // Marked flipped as the original drawing asks; gradients run in user space either way.
        GraphicsContext::Scope current(GraphicsContext::graphicsContextWithGraphicsPortFlipped(bitmap, true));
        draw(MakeRect(0, 0, width, height));
    }
    return bitmap->createImage();
}

Ref<CGImage> JVLCoverFlowView::shadedReflection(const Ref<CGImage>& picture, const Ref<CGImage>& shade, Size item, double scale)
{
    if (!picture || picture->width() <= 0 || picture->height() <= 0 || item.width <= 0 || item.height <= 0)
        return picture;
    // Shown darkened and mostly small: at most the item's own extent in device pixels.
    const int width = std::min(picture->width(), ClampedInt(std::ceil(item.width * scale)));
    const int height = std::min(picture->height(), ClampedInt(std::ceil(item.height * scale)));
    // Painted straight into the pixels the reflection keeps: one buffer, written once, where a
    // bitmap context would clear one and copy it into another.
    QImage pixels(width, height, QImage::Format_ARGB32_Premultiplied);
    {
        QPainter painter(&pixels);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(QRectF(0, 0, width, height), picture->image());
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        // Where the shade stands over the reflection: 1 point wider on either side and 2 points
        // taller at its top (the far end of the mirrored reflection; row 0 is the top).
        const double sx = width / item.width, sy = height / item.height;
        painter.drawImage(QRectF(-sx, -2 * sy, width + 2 * sx, height + 2 * sy), shade->image());
    }
    return CGImage::create(pixels);
}

double JVLCoverFlowView::backingScale() const
{
    if (const Ref<Window> w = window())
        if (const Ref<Screen> s = w->screen())
            return s->backingScaleFactor();
    return 1;
}

Size JVLCoverFlowView::pictureCap() const
{
    const double scale = backingScale();
    const Size size = itemSize();
    return MakeSize(std::ceil(2 * size.width * scale), std::ceil(2 * size.height * scale));
}

bool JVLCoverFlowView::isResident(std::int64_t index) const
{
    // Around the last item while the selection stands past the content.
    const std::int64_t k = residentRadius();
    const std::int64_t centre = std::min(selectionIndex_, std::int64_t(items_.size()) - 1);
    return index >= centre - k && index <= centre + k;
}

std::int64_t JVLCoverFlowView::residentPictureBytes() const
{
    std::int64_t total = 0;
    for (const auto& item : items_)
        total += item->pictureBytes;
    return total;
}

bool JVLCoverFlowView::mayShowNow(const Item& item) const
{
    if (item.stale)
        return false;
    // A turned picture reaches about 0.8·w beyond its centre, the raised one 0.66·w; the scroll
    // layer clips the rest.
    const double reach = item.layer->bounds().width();
    const double centre = item.layer->presentationValueForKey(QStringLiteral("position")).pointValue().x;
    const Rect shown = scrollLayer_->presentationValueForKey(QStringLiteral("bounds")).rectValue();
    return centre + reach >= shown.minX() && centre - reach <= shown.maxX();
}

void JVLCoverFlowView::setNeedsDisplayInRect(Rect rect)
{
    if (!unseenChange_)
        View::setNeedsDisplayInRect(rect);
}

void JVLCoverFlowView::showPicture(Item& item, const Ref<CGImage>& picture, const Ref<CGImage>& reflection, bool capped, Size cap)
{
    // Pictures mostly arrive for items entering the resident range, out of sight: the frames
    // drawn anyway show them once they come into view.
    const bool unseen = !mayShowNow(item);
    unseenChange_ = unseen;
    const Ref<CGImage> shown = picture ? picture : placeholderRef_;
    // At once, also when an eviction comes inside a scroll's transaction: a cross-fade would blend
    // both pictures every frame of it.
    Transaction::begin();
    Transaction::setDisableActions(true);
    item.image->setContents(shown);
    item.reflection->setContents(picture ? reflection : placeholderReflection_);
    item.image->setBackgroundColor(std::nullopt);
    item.reflection->setBackgroundColor(std::nullopt);
    Transaction::commit();
    item.pictureBytes = JVLCoverFlowViewImages::pictureBytesOf(picture) + (reflection != picture ? JVLCoverFlowViewImages::pictureBytesOf(reflection) : 0);
    item.capped = picture && capped;
    item.capFor = cap;
    setItemHasImage(item, picture != nullptr);
    unseenChange_ = false;
}

void JVLCoverFlowView::refreshLayer(Item& item)
{
    using namespace JVLCoverFlowViewImages;
    setItemHasImage(item, false);
    const std::uint64_t token = item.token->fetch_add(1) + 1;
    if (!isResident(item.index)) {
        // Out of the resident range: the state of a pending refresh, without the picture.
        item.wanted = false;
        showPicture(item, nullptr, nullptr, false, {});
        return;
    }
    Value value = item.object;
    if (!imageKeyPath_.isNull()) {
        const Ref<Object> object = item.object.object();
        if (!object)
            return;
        try {
            value = object->valueForKeyPath(imageKeyPath_);
        } catch (const Exception&) {
            return; // no such key: the item stays as it was
        }
    }
    item.wanted = true;
    Ref<Image> image = value.objectAs<Image>();
    const bool isData = value.kind() == ValueKind::Data;
    if (!value.isNilOrNull() && !image && !isData)
        return; // neither picture nor data: as a load that failed, nothing changes
    const Size cap = pictureCap();
    Ref<CGImage> ready;
    bool readyCapped = false;
    if (image && !drawsOffMainThread(*image)) {
        // Drawn pictures (vector, PDF) render here; only bitmaps go to the queue.
        ready = cappedPicture(*image, cap, &readyCapped);
        image = nullptr;
    }
    ++loadsQueued_;
    // The load itself keeps view and layer alive until it has run; what it hands back to the main
    // queue does not (a view gone by then has nothing left to show).
    auto finish = [self = Ref<JVLCoverFlowView>(this), layer = item.layer, counter = item.token, token, cap](
                      Ref<CGImage> picture, Ref<CGImage> reflection, bool capped) {
        OperationQueue::mainQueue()->addOperationWithBlock(
            [view = Weak<JVLCoverFlowView>(self.get()), shown = Weak<Layer>(layer.get()), counter, token, cap, picture, reflection, capped] {
                const Ref<JVLCoverFlowView> v = view.lock();
                const Ref<Layer> l = shown.lock();
                if (!v || !l || counter->load() != token)
                    return;
                if (Item* target = v->itemForLayer(l.get()))
                    v->showPicture(*target, picture, reflection, capped, cap);
            });
    };
    imageLoadQueue_->addOperationWithBlock([finish = std::move(finish), counter = item.token, token, value, image, isData, ready, readyCapped,
                                               cap, shade = shadowImage_, size = itemSize(), scale = backingScale()] {
            // Refreshed or evicted since it was queued: decode nothing.
            if (counter->load() != token)
                return;
            Ref<CGImage> picture = ready;
            bool capped = readyCapped;
            if (!picture) {
                // Bitmap file data through the image source, at the cap; drawn pictures (PDF, SVG)
                // as images drawn into it.
                const Ref<ImageSource> source = isData ? ImageSource::createWithData(value.data()) : nullptr;
                if (source && source->type() != TypeSVG) {
                    picture = thumbnailPicture(*source, cap, &capped);
                } else if (const Ref<Image> decoded = isData ? Image::imageWithData(value.data()) : image) {
                    picture = cappedPicture(*decoded, cap, &capped);
                }
            }
            finish(picture, shadedReflection(picture, shade, size, scale), capped);
        });
}

void JVLCoverFlowView::updateResidency()
{
    const Size cap = pictureCap();
    for (const auto& item : items_) {
        if (!isResident(item->index)) {
            if (item->wanted || item->hasImage) {
                item->token->fetch_add(1);
                item->wanted = false;
                showPicture(*item, nullptr, nullptr, false, {});
            }
        } else if (!item->wanted) {
            refreshLayer(*item);
        } else if (item->hasImage && item->capped && (cap.width > item->capFor.width || cap.height > item->capFor.height)) {
            // Grown past what the picture was made for; the old one shows until the new arrives.
            refreshLayer(*item);
        }
    }
}

void JVLCoverFlowView::recachePlaceholder()
{
    const Size size = itemSize();
    if (placeholderRef_ && size == placeholderSize_ && placeholderIcon_ == placeholderMadeWith_)
        return;
    const double W = size.width * 600 / size.height, H = 600;
    auto canvas = Image::imageWithSize(MakeSize(W, H));
    canvas->lockFocus();
    Gradient::gradientWithStartingColorEndingColor(Color::colorWithCalibratedWhiteAlpha(0.15, 1), Color::colorWithCalibratedWhiteAlpha(0, 1))
        ->drawInRectRelativeCenterPosition(MakeRect(0, 0, W, H), MakePoint(0, 1));
    Color::colorWithCalibratedWhiteAlpha(0.3, 1)->setFill();
    BezierPath::fillRect(MakeRect(0, 595, W, 5));
    Color::colorWithCalibratedWhiteAlpha(0.1, 1)->setFill();
    BezierPath::fillRect(MakeRect(0, 0, W, 5));
    if (placeholderIcon_) {
        const Size icon = placeholderIcon_->size();
        if (icon.width > 0 && icon.height > 0) {
            double bw = icon.width * 300 / icon.height, bh = 300;
            if (bw > 0.666 * W) {
                bw = 0.5 * W;
                bh = 0.5 * W * icon.height / icon.width;
            }
            const Rect box = MakeRect((W - bw) * 0.5, (H - bh) * 0.5, bw, bh);
            auto tinted = Image::imageWithSize(box.size);
            tinted->lockFocus();
            Gradient::gradientWithStartingColorEndingColor(Color::colorWithCalibratedRedGreenBlueAlpha(0.38, 0.4, 0.427, 1),
                Color::colorWithCalibratedRedGreenBlueAlpha(0.224, 0.255, 0.302, 1))
                ->drawInRectAngle(MakeRect(0, 0, bw, bh), -90);
            placeholderIcon_->drawInRectFromRectOperationFraction(MakeRect(0, 0, bw, bh), ZeroRect, CompositeDestinationIn, 1.0);
            tinted->unlockFocus();
            tinted->drawInRectFromRectOperationFraction(box, ZeroRect, CompositeSourceOver, 1.0);
        }
    }
    canvas->unlockFocus();
    // A canvas too large for any bitmap was refused (and logged): there is nothing to copy.
    placeholderRef_ = canvas->representations().empty() ? nullptr : JVLNSImage_Extension::imageRefCopy(*canvas);
    // At the canvas's own size: the placeholder stays while autoresizing changes the item size.
    placeholderReflection_ = shadedReflection(placeholderRef_, shadowImage_, MakeSize(W, H), 1);
    placeholderSize_ = size;
    placeholderMadeWith_ = placeholderIcon_;
    Transaction::begin();
    Transaction::setDisableActions(true);
    for (const auto& item : items_)
        if (!item->hasImage) {
            item->image->setContents(placeholderRef_);
            item->reflection->setContents(placeholderReflection_);
        }
    Transaction::commit();
}
