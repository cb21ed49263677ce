#include "QVFlowView/QVFlowView.h"
#include "kit/appkit/Workspace.h"
#include "kit/core/MainThread.h"
#include "kit/graphics/CGContext.h"
#include "kit/graphics/Image.h"
#include "kit/graphics/ImageRep.h"
#include "kit/graphics/ImageSource.h"
#include "kit/graphics/PDFPage.h"

#include <QFileInfo>
#include <QIcon>
#include <QLinearGradient>
#include <QPainter>
#include <QScopeGuard>
#include <QUrl>

#include <atomic>
#include <cfloat>
#include <cmath>

using namespace kit;

namespace qv_flow_view_images {

std::atomic<std::uint64_t> imagesMadeCount { 0 };

const QHash<QString, QString>& uniformTypes()
{
    static const QHash<QString, QString> types {
        { QVFlowViewCGImageRepresentationType, UTTypeImage },
        { QVFlowViewPDFPageRepresentationType, UTTypePDF },
        { QVFlowViewNSImageRepresentationType, UTTypeImage },
        { QVFlowViewNSBitmapRepresentationType, UTTypeImage },
        { QVFlowViewIconRefRepresentationType, UTTypeImage },
        // Compositions have a type no file here conforms to.
        { QVFlowViewQCCompositionRepresentationType, QString() },
    };
    return types;
}

// Whole pixels, rounded up: an item of 599.4 points takes a 600-pixel picture as it is, where
// truncating would scale it down by less than a pixel (a softer picture, for nothing).
int pixelSide(Size size) { return ClampedInt(std::ceil(std::max(size.width, size.height) - 1e-6)); }

// Icons are drawn through QIcon, which belongs to the main thread.
Ref<CGImage> renderThemeIcon(const QString& name, Size size)
{
    const QIcon icon = QIcon::fromTheme(name);
    const int side = std::max(1, pixelSide(size));
    if (icon.isNull())
        return nullptr;
    const QImage pixels = icon.pixmap(BitmapPixelsForSize(MakeSize(side, side), 1, BitmapLimit::Fit)).toImage();
    return pixels.isNull() ? nullptr : CGImage::create(pixels);
}

} // namespace qv_flow_view_images

const QSet<QString>& QVFlowView::pathRepresentationTypes()
{
    static const QSet<QString> types { QVFlowViewURLRepresentationType, QVFlowViewPathRepresentationType,
        QVFlowViewQCCompositionPathRepresentationType, QVFlowViewQuickLookPathRepresentationType, QVFlowViewIconRefPathRepresentationType };
    return types;
}

QString QVFlowView::pathForRepresentation(const Value& representation)
{
    if (!representation.isString())
        return {};
    const QString text = representation.string();
    if (text.startsWith(QLatin1Char('/')))
        return text;
    const QUrl url(text);
    if (url.isLocalFile())
        return url.toLocalFile();
    return {}; // other schemes name no file here
}

Ref<CGImage> QVFlowView::defaultImage()
{
    static const Ref<CGImage> image = [] {
        QImage pixels(100, 100, QImage::Format_ARGB32_Premultiplied);
        pixels.fill(Qt::transparent);
        QPainter painter(&pixels);
        QLinearGradient gradient(0, 0, 100, 0);
        gradient.setColorAt(0, QColor::fromRgbF(0.8f, 0.8f, 0.8f, 0.7f));
        gradient.setColorAt(1, QColor::fromRgbF(0.6f, 0.6f, 0.6f, 0.7f));
        painter.fillRect(QRectF(0, 0, 100, 100), gradient);
        painter.end();
        return CGImage::create(pixels);
    }();
    return image;
}

Ref<CGImage> QVFlowView::newImageFromPDFPage(const Value& page, Size size, bool transparentBackground)
{
    const Ref<PDFPage> pdf = page.objectAs<PDFPage>();
    if (!pdf || !(size.width >= 1) || !(size.height >= 1) || size.width > 1e5 || size.height > 1e5)
        return nullptr;
    const auto width = unsigned(size.width);
    const auto height = unsigned(size.height);
    if (std::uint64_t(width) * height * 4 == 0)
        return nullptr;
    const Ref<CGContext> context = CGContext::createBitmap(int(width), int(height));
    if (!context)
        return nullptr;
    const Rect all { { 0, 0 }, { size.width, size.height } };
    if (transparentBackground)
        context->clearRect(all);
    else {
        context->setGrayFillColor(1, 1);
        context->fillRect(all);
    }
    const Rect media = pdf->boxRect(PDFMediaBox);
    const CGAffineTransform t = size.width <= media.size.width ? pdf->drawingTransform(PDFMediaBox, all, 0, true)
                                                               : pdf->widthFittingTransform(PDFMediaBox, size.width);
    context->concatCTM(t);
    context->drawPDFPage(pdf);
    return context->createImage();
}

Ref<CGImage> QVFlowView::newImageFromQuickLookURL(const QString& url, Size size)
{
    const QString path = pathForRepresentation(Value(url));
    const int side = qv_flow_view_images::pixelSide(size);
    return path.isEmpty() || side <= 0 ? nullptr : ThumbnailImageCreate(path, side);
}

Ref<CGImage> QVFlowView::newImageFromURL(const QString& url, Size size) { return newImageFromQuickLookURL(url, size); }

Ref<CGImage> QVFlowView::newImageFromPath(const QString& path, Size size)
{
    return path.isEmpty() ? nullptr : newImageFromURL(QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded), size);
}

Ref<CGImage> QVFlowView::newImageFromIconRefPath(const QString& path, Size size) { return newImageFromPath(path, size); }

Ref<CGImage> QVFlowView::newImageFromNSImage(const Image* image, Size size)
{
    Rect proposed { { 0, 0 }, size };
    return image ? image->CGImageForProposedRectContextHints(&proposed) : nullptr;
}

Ref<CGImage> QVFlowView::newImageFromNSBitmapImage(const BitmapImageRep* bitmap, Size) { return bitmap ? bitmap->CGImage() : nullptr; }

Ref<CGImage> QVFlowView::newImageFromIcon(const Value& icon, Size size)
{
    if (icon.isString())
        return isMainThread() ? qv_flow_view_images::renderThemeIcon(icon.string(), size) : nullptr;
    if (const Ref<Image> image = icon.objectAs<Image>())
        return newImageFromNSImage(image.get(), size);
    return icon.objectAs<CGImage>();
}

Ref<CGImage> QVFlowView::newImageFromData(const QByteArray& data, Size size)
{
    const Ref<ImageSource> source = ImageSource::createWithData(data);
    return source ? newImageFromCGImageSource(source.get(), size) : nullptr;
}

Ref<CGImage> QVFlowView::newImageFromCGImageSource(const ImageSource* source, Size size)
{
    const int side = qv_flow_view_images::pixelSide(size);
    if (!source || source->type().isEmpty() || side <= 0)
        return nullptr;
    ThumbnailOptions options;
    options.createThumbnailFromImageIfAbsent = true;
    options.maxPixelSize = side;
    return source->createThumbnailAtIndex(0, options);
}

const QHash<QString, QString>& QVFlowView::uniformTypesDictionary() { return qv_flow_view_images::uniformTypes(); }

Ref<CGImage> QVFlowView::newImageFromRepresentation(const Value& representation, const QString& type, Size size)
{
    if (pathRepresentationTypes().contains(type))
        return representation.isString() ? newImageFromURL(representation.string(), size) : nullptr;
    if (type == QVFlowViewCGImageRepresentationType)
        return representation.objectAs<CGImage>();
    if (type == QVFlowViewPDFPageRepresentationType)
        return newImageFromPDFPage(representation, size, false);
    if (type == QVFlowViewNSImageRepresentationType)
        return newImageFromNSImage(representation.objectAs<Image>().get(), size);
    if (type == QVFlowViewNSBitmapRepresentationType)
        return newImageFromNSBitmapImage(representation.objectAs<BitmapImageRep>().get(), size);
    if (type == QVFlowViewNSDataRepresentationType)
        return representation.kind() == Value::Kind::Data ? newImageFromData(representation.data(), size) : nullptr;
    // Icons are drawn on the main thread before their render is queued: a name alone gives nothing here.
    if (type == QVFlowViewIconRefRepresentationType)
        return representation.isString() ? nullptr : newImageFromIcon(representation, size);
    return nullptr;
}

double QVFlowView::differenceForImage(const CGImage* image, Size desiredSize)
{
    if (!image)
        return double(FLT_MAX);
    return (double(image->width()) - desiredSize.width) / desiredSize.width * 100;
}

std::uint64_t QVFlowView::imagesMade(bool reset)
{
    return reset ? qv_flow_view_images::imagesMadeCount.exchange(0) : qv_flow_view_images::imagesMadeCount.load();
}

void QVFlowView::cacheImageWithUID(const Ref<CGImage>& image, const Value& uid)
{
    if (image && !uid.isNilOrNull())
        imageCache_->setObjectForKeyCost(image, uid.stringValue(), std::uint64_t(image->bytesPerRow()) * std::uint64_t(image->height()));
}

Ref<CGImage> QVFlowView::lookupForImageUID(const Value& uid) const
{
    if (uid.isNilOrNull())
        return nullptr;
    return imageCache_->objectForKey(uid.stringValue()).value_or(nullptr);
}

QString QVFlowView::uniformTypeIdentifierAtIndex(std::int64_t index) const
{
    return uniformTypeIdentifierForItem(imageItemForIndex(index));
}

QString QVFlowView::uniformTypeIdentifierForItem(const Value& item) const
{
    const QString type = imageRepresentationTypeForItem(item);
    if (pathRepresentationTypes().contains(type))
        return Workspace::sharedWorkspace()->typeOfFileError(pathForRepresentation(imageRepresentationForItem(item)), nullptr);
    return qv_flow_view_images::uniformTypes().value(type);
}

bool QVFlowView::isMovieAtIndex(std::int64_t index) const { return isMovieItem(imageItemForIndex(index)); }

bool QVFlowView::isMovieItem(const Value& item) const { return UTTypeConformsTo(uniformTypeIdentifierForItem(item), UTTypeMovie); }

Ref<CGImage> QVFlowView::defaultImageForItem(const Value& item, Size size) const
{
    if (!pathRepresentationTypes().contains(imageRepresentationTypeForItem(item)))
        return nullptr;
    const QString extension = QFileInfo(pathForRepresentation(imageRepresentationForItem(item))).suffix().toLower();
    const int width = ClampedInt(size.width, 1);
    const int height = ClampedInt(size.height, 1);
    const QString key = QStringLiteral("%1 %2 %3").arg(extension).arg(width).arg(height);
    if (const auto it = iconCache_.constFind(key); it != iconCache_.constEnd())
        return it.value();
    const Ref<Image> icon = Workspace::sharedWorkspace()->iconForFileType(extension);
    Rect rect { { 0, 0 }, { double(width), double(height) } };
    Ref<CGImage> image = icon ? icon->CGImageForProposedRectContextHints(&rect) : nullptr;
    iconCache_.insert(key, image);
    return image;
}

Ref<CGImage> QVFlowView::placeholderForItem(const Value& item, Size size) const
{
    const Ref<CGImage> icon = defaultImageForItem(item, size);
    return icon ? icon : defaultImage();
}

void QVFlowView::updateImages()
{
    operationQueue_->cancelAllOperations();
    // Cancelled before they started, or done: only running renders stay of interest.
    renders_.removeIf([](const auto& entry) { return entry.value()->phase.load() != Render::Running; });
    if (!scrollLayer_)
        return;
    const std::int64_t n = std::min<std::int64_t>(numberOfItems_, std::int64_t(scrollLayer_->sublayers().size()));
    // The visible items and one neighbour on each side are rendered anew.
    IndexSet window;
    if (visibleItemIndexes_.count() > 0) {
        const std::int64_t lo = std::max<std::int64_t>(0, visibleItemIndexes_.firstIndex() - 1);
        const std::int64_t hi = std::min<std::int64_t>(n - 1, visibleItemIndexes_.lastIndex() + 1);
        if (hi >= lo)
            window = IndexSet::indexSetWithIndexesInRange(Range { lo, hi - lo + 1 });
    }
    // The others show the cached image or a placeholder; only those that showed something else
    // (or were in the last window) can change, unless everything may have.
    MutableIndexSet visit = window;
    if (updateAllImages_) {
        if (n > 0)
            visit = IndexSet::indexSetWithIndexesInRange(Range { 0, n });
    } else {
        visit.addIndexes(lastImageWindow_);
        visit.addIndexes(shownImages_);
    }
    const Size placeholderSize = itemSizeForRect(scrollLayer_->visibleRect());
    const ItemReader items = itemReader();
    for (const std::int64_t i : visit) {
        if (i >= n)
            break;
        if (window.containsIndex(i)) {
            updateImageLayerAtIndex(i);
            continue;
        }
        const Value item = items.itemAt(this, i);
        if (const Ref<CGImage> cached = lookupForImageUID(imageUIDForItem(item)))
            showImage(cached, i, false);
        else
            showImage(placeholderForItem(item, placeholderSize), i, true);
    }
    lastImageWindow_ = window;
    updateAllImages_ = false;
}

void QVFlowView::updateImageLayerAtIndex(std::int64_t index)
{
    Size size = itemSizeForRect(scrollLayer_->frame());
    if (index != selectedIndex_)
        size = Size { size.width * previewScale_, size.height * previewScale_ };
    const Value item = imageItemForIndex(index);
    const Value uid = imageUIDForItem(item);
    Value representation = imageRepresentationForItem(item);
    const Ref<CGImage> cached = lookupForImageUID(uid);
    if (!cached) {
        showImage(placeholderForItem(item, size), index, true);
    } else {
        showImage(cached, index, false);
        if (differenceForImage(cached.get(), size) > -10)
            return;
    }
    QString type = imageRepresentationTypeForItem(item);
    if (type == QVFlowViewIconRefRepresentationType)
        representation = Value(Ref<Object>(newImageFromIcon(representation, size)));
    const QString key = uid.isNilOrNull() ? QString() : uid.stringValue();
    const Weak<QVFlowView> weak(this);
    const Ref<Cache<QString, Ref<CGImage>>> cache = imageCache_;
    const std::shared_ptr<std::atomic<std::uint64_t>> generation = imageGeneration_;
    const std::uint64_t askedIn = generation->load();
    // A picture of this item already being made, for this index and cache, at no more than 10 %
    // narrower, lands here and in the cache when done: a second one would be the same work again.
    if (!key.isNull()) {
        if (const auto it = renders_.constFind(key); it != renders_.constEnd()) {
            const Render& running = **it;
            if (running.phase.load() == Render::Running && running.index == index && running.generation == askedIn
                && (running.width - size.width) / size.width * 100 > -10)
                return;
        }
    }
    const auto render = std::make_shared<Render>(index, askedIn, size.width);
    if (!key.isNull())
        renders_.insert(key, render);
    operationQueue_->addOperationWithBlock([weak, cache, generation, askedIn, representation, type, key, size, index, render] {
        render->phase = Render::Running;
        const Ref<CGImage> image = newImageFromRepresentation(representation, type, size);
        // Stored (below) before it counts as done: a request after this finds it in the cache.
        const auto done = qScopeGuard([&render] { render->phase = Render::Done; });
        if (!image)
            return;
        ++qv_flow_view_images::imagesMadeCount;
        // A picture made for the scale before the cache was emptied stays out of it; the emptying may
        // also come between the check and the store, so the store is checked again.
        if (!key.isNull() && generation->load() == askedIn) {
            cache->setObjectForKeyCost(image, key, std::uint64_t(image->bytesPerRow()) * std::uint64_t(image->height()));
            if (generation->load() != askedIn)
                cache->removeObjectForKey(key);
        }
        OperationQueue::mainQueue()->addOperationWithBlock([weak, generation, askedIn, image, key, index] {
            // The content may have been reloaded meanwhile: only the same item takes the picture.
            const Ref<QVFlowView> view = weak.lock();
            if (!view || generation->load() != askedIn)
                return;
            const Ref<Layer> layer = view->itemLayerAtIndex(index);
            if (!layer || layer->valueForKey(QStringLiteral("imageItemUID")).stringValue() != key)
                return;
            view->setImageAtIndex(image, index);
        });
    });
}

void QVFlowView::setImageAtIndex(const Ref<CGImage>& image, std::int64_t index) { showImage(image, index, false); }

void QVFlowView::showImage(const Ref<CGImage>& image, std::int64_t index, bool placeholder)
{
    if (!image)
        return;
    const Ref<Layer> item = itemLayerAtIndex(index);
    if (!item || item->sublayers().empty())
        return;
    Layer* picture = item->sublayers().front().get();
    if (picture->contents() == image)
        return;
    const double ratio = image->height() > 0 ? double(image->width()) / double(image->height()) : 1.0;
    picture->setValueForKey(Value(ratio), QStringLiteral("aspectRatioKey"));
    picture->setFrame(boundsFromContentWithAspectRatio(ratio, item->bounds()));
    picture->setContents(image);
    if (placeholder)
        shownImages_.removeIndex(index);
    else
        shownImages_.addIndex(index);
}
