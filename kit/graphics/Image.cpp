#include "kit/graphics/Image.h"

#include "kit/foundation/Bundle.h"
#include "kit/graphics/CGImage.h"
#include "kit/graphics/GraphicsContext.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QIcon>
#include <QImageWriter>
#include <QPainter>
#include <QThread>

#include <cmath>
#include <map>

namespace kit {

QSize BitmapPixelsForSize(Size points, double scale, BitmapLimit limit)
{
    const double exactWidth = points.width * scale, exactHeight = points.height * scale;
    const bool finite = std::isfinite(exactWidth) && std::isfinite(exactHeight);
    double width = finite ? std::max(1.0, std::ceil(exactWidth - 1e-9)) : 0;
    double height = finite ? std::max(1.0, std::ceil(exactHeight - 1e-9)) : 0;
    constexpr double maxPixels = double(MaxBitmapBytes / 4);
    if (finite && width <= MaxBitmapSide && height <= MaxBitmapSide && width * height <= maxPixels)
        return QSize(int(width), int(height));
    if (!finite || limit == BitmapLimit::Refuse) {
        log(QStringLiteral("Image: a bitmap of %g x %g points at scale %g is not made (limit %d pixels a side, %d MB)"), points.width,
            points.height, scale, MaxBitmapSide, int(MaxBitmapBytes >> 20));
        return {};
    }
    const double k = std::min({ MaxBitmapSide / width, MaxBitmapSide / height, std::sqrt(maxPixels / (width * height)) });
    return QSize(std::max(1, int(width * k)), std::max(1, int(height * k)));
}

namespace {

// Where drawing into an image too large to hold goes.
class DiscardingBackend final : public GraphicsBackend {
public:
    QSize deviceSize() const override { return {}; }
    void fillPath(const QPainterPath&, const QBrush&, const GraphicsState&) override { }
    void strokePath(const QPainterPath&, const QPen&, const GraphicsState&) override { }
    void drawImage(const QImage&, const QRectF&, const QRectF&, const QTransform&, double, const GraphicsState&) override { }
    void drawText(const QString&, const QFont&, const QBrush&, QPointF, const QTransform&, const GraphicsState&) override { }
};

// Our own template drawings for the system names: black shapes on transparent.
const std::map<QString, QByteArray>& systemImages()
{
    static const std::map<QString, QByteArray> images {
        { ImageNameAddTemplate,
            R"(<svg xmlns="http://www.w3.org/2000/svg" width="11" height="11"><path d="M4.5 1h2v3.5H10v2H6.5V10h-2V6.5H1v-2h3.5z"/></svg>)" },
        { ImageNameRemoveTemplate, R"(<svg xmlns="http://www.w3.org/2000/svg" width="11" height="11"><path d="M1 4.5h9v2H1z"/></svg>)" },
        { ImageNameQuickLookTemplate,
            R"(<svg xmlns="http://www.w3.org/2000/svg" width="19" height="12"><path d="M9.5 1C5 1 1.8 4 1 6c.8 2 4 5 8.5 5S17.2 8 18 6c-.8-2-4-5-8.5-5zm0 2a3 3 0 1 1 0 6 3 3 0 0 1 0-6z"/></svg>)" },
        { ImageNamePreferencesGeneral,
            R"(<svg xmlns="http://www.w3.org/2000/svg" width="32" height="32"><path fill="#666" d="M14 2h4l1 4 3 1.3 3.5-2.2 2.9 2.9-2.2 3.5L27.5 14l4 1v4l-4 1-1.3 3 2.2 3.5-2.9 2.9-3.5-2.2-3 1.3-1 4h-4l-1-4-3-1.3-3.5 2.2-2.9-2.9 2.2-3.5L5.5 20l-4-1v-4l4-1 1.3-3-2.2-3.5 2.9-2.9 3.5 2.2L13 6z"/><circle cx="16.5" cy="17" r="5" fill="#fff"/></svg>)" },
    };
    return images;
}

// The desktop theme's icon for a template name that has one, at the size of our own drawing, so
// layouts do not depend on the theme. Icon themes are read on the main thread only.
Ref<Image> themeTemplateImage(const QString& name)
{
    static const std::map<QString, QString> themeNames {
        { ImageNameAddTemplate, QStringLiteral("list-add") },
        { ImageNameRemoveTemplate, QStringLiteral("list-remove") },
    };
    const auto it = themeNames.find(name);
    const QCoreApplication* app = QCoreApplication::instance();
    if (it == themeNames.end() || !app || QThread::currentThread() != app->thread() || !QIcon::hasThemeIcon(it->second))
        return nullptr;
    const QIcon icon = QIcon::fromTheme(it->second);
    QSize best;
    for (const QSize& s : icon.availableSizes())
        if (s.width() <= 64 && s.width() > best.width())
            best = s;
    const QImage pixels = icon.pixmap(best.isValid() ? best : QSize(32, 32)).toImage();
    if (pixels.isNull())
        return nullptr;
    // Keep the size of the bundled drawing.
    const Ref<Image> own = Image::imageWithData(systemImages().at(name));
    auto image = make<Image>(own ? own->size() : Size { 11, 11 });
    image->addRepresentation(make<BitmapImageRep>(pixels));
    return image;
}

// The main bundle's icon file, else a generic application icon.
Ref<Image> applicationIcon()
{
    const Ref<Bundle> bundle = Bundle::mainBundle();
    const QString file = bundle->objectForInfoDictionaryKey(QStringLiteral("CFBundleIconFile")).stringValue();
    if (!file.isEmpty())
        if (const QString path = bundle->pathForImageResource(file); !path.isEmpty())
            if (Ref<Image> image = Image::imageWithContentsOfFile(path))
                return image;
    return Image::imageWithData(QByteArrayLiteral(
        R"(<svg xmlns="http://www.w3.org/2000/svg" width="64" height="64"><rect x="6" y="6" width="52" height="52" rx="11" fill="#5b7085"/>)"
        R"(<rect x="15" y="17" width="34" height="28" rx="3" fill="#fff"/><rect x="15" y="17" width="34" height="7" rx="3" fill="#c9d3dd"/>)"
        R"(<rect x="20" y="49" width="24" height="3" rx="1.5" fill="#c9d3dd"/></svg>)"));
}

struct NamedImages {
    std::mutex mutex;
    std::map<QString, Ref<Image>> cache;
    std::function<Ref<Image>(const QString&)> lookup;
};

NamedImages& namedImages()
{
    static NamedImages named;
    return named;
}

double deviceScale(const QTransform& m) { return std::max(std::hypot(m.m11(), m.m12()), std::hypot(m.m21(), m.m22())); }

} // namespace

KIT_REGISTER_CLASS(Image, Object) { }

Image::Image(Size size)
    : size_(size)
    , sizeSet_(size.width > 0 || size.height > 0)
{ }

Ref<Image> Image::imageWithData(const QByteArray& data)
{
    if (data.isEmpty())
        return nullptr;
    Ref<ImageRep> rep;
    if (data.startsWith("%PDF"))
        rep = PDFImageRep::imageRepWithData(data);
    else if (data.left(1024).contains("<svg"))
        rep = SVGImageRep::imageRepWithData(data);
    else
        rep = BitmapImageRep::imageRepWithData(data);
    if (!rep)
        return nullptr;
    auto image = make<Image>();
    image->addRepresentation(rep);
    return image;
}

Ref<Image> Image::imageWithContentsOfFile(const QString& path)
{
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return nullptr;
    return imageWithData(file.readAll());
}

Ref<Image> Image::imageByReferencingFile(const QString& path)
{
    if (path.isNull())
        return nullptr;
    auto image = make<Image>();
    image->pendingPath_ = path;
    image->referencedPath_ = path;
    return image;
}

Ref<Image> Image::imageWithCGImageSize(const Ref<CGImage>& cgImage, Size size)
{
    if (!cgImage)
        return nullptr;
    auto image = make<Image>(size.width > 0 && size.height > 0 ? size : MakeSize(cgImage->width(), cgImage->height()));
    auto rep = BitmapImageRep::imageRepWithCGImage(cgImage);
    rep->setSize(image->size());
    image->addRepresentation(rep);
    return image;
}

Ref<Image> Image::imageNamed(const QString& name)
{
    NamedImages& named = namedImages();
    std::function<Ref<Image>(const QString&)> lookup;
    {
        std::lock_guard lock(named.mutex);
        if (auto it = named.cache.find(name); it != named.cache.end())
            return it->second;
        lookup = named.lookup;
    }
    Ref<Image> image = name == ImageNameApplicationIcon ? applicationIcon() : themeTemplateImage(name);
    if (name == ImageNameApplicationIcon) {
        // Never a template: it keeps its colours.
    } else if (image) {
        image->setTemplate(true);
    } else if (auto it = systemImages().find(name); it != systemImages().end()) {
        image = imageWithData(it->second);
        if (image)
            image->setTemplate(true);
    }
    if (!image && lookup)
        image = lookup(name);
    if (!image) {
        const QString path = Bundle::mainBundle()->pathForImageResource(name);
        if (!path.isEmpty())
            image = imageWithContentsOfFile(path);
    }
    if (!image)
        return nullptr;
    image->setName(name);
    std::lock_guard lock(named.mutex);
    return named.cache.emplace(name, image).first->second;
}

void Image::setNamedImageLookup(std::function<Ref<Image>(const QString&)> lookup)
{
    NamedImages& named = namedImages();
    std::lock_guard lock(named.mutex);
    named.lookup = std::move(lookup);
    named.cache.clear();
}

void Image::ensureLoaded() const
{
    if (pendingPath_.isNull())
        return;
    const QString path = std::exchange(pendingPath_, QString());
    // A missing or unreadable file leaves an empty image that draws nothing.
    if (auto loaded = imageWithContentsOfFile(path))
        reps_ = loaded->reps_;
}

Size Image::sizeLocked() const
{
    ensureLoaded();
    if (sizeSet_)
        return size_;
    return reps_.empty() ? ZeroSize : reps_.front()->size();
}

Size Image::size() const
{
    std::lock_guard lock(mutex_);
    return sizeLocked();
}

void Image::setSize(Size size)
{
    std::lock_guard lock(mutex_);
    size_ = size;
    sizeSet_ = true;
}

bool Image::isValid() const
{
    std::lock_guard lock(mutex_);
    ensureLoaded();
    return !reps_.empty();
}

std::vector<Ref<ImageRep>> Image::representations() const
{
    std::lock_guard lock(mutex_);
    ensureLoaded();
    return reps_;
}

void Image::addRepresentation(const Ref<ImageRep>& rep)
{
    if (!rep)
        return;
    std::lock_guard lock(mutex_);
    ensureLoaded();
    reps_.push_back(rep);
}

void Image::removeRepresentation(const Ref<ImageRep>& rep)
{
    std::lock_guard lock(mutex_);
    std::erase(reps_, rep);
}

Ref<Object> Image::copy() const
{
    std::lock_guard lock(mutex_);
    ensureLoaded();
    auto image = make<Image>();
    for (const auto& rep : reps_)
        image->reps_.push_back(static_pointer_cast<ImageRep>(rep->copy()));
    image->size_ = size_;
    image->sizeSet_ = sizeSet_;
    image->flipped_ = flipped_;
    image->template_ = template_;
    image->scalesWhenResized_ = scalesWhenResized_;
    image->name_ = name_;
    image->referencedPath_ = referencedPath_;
    return image;
}

// The smallest bitmap at least as large as asked, else the largest bitmap, else a vector rep.
Ref<ImageRep> Image::bestRep(QSize pixels) const
{
    Ref<ImageRep> best, vector;
    for (const auto& rep : reps_) {
        if (!rep->isBitmap()) {
            if (!vector)
                vector = rep;
            continue;
        }
        if (!best) {
            best = rep;
            continue;
        }
        const bool fits = rep->pixelsWide() >= pixels.width() && rep->pixelsHigh() >= pixels.height();
        const bool bestFits = best->pixelsWide() >= pixels.width() && best->pixelsHigh() >= pixels.height();
        if ((fits && (!bestFits || rep->pixelsWide() < best->pixelsWide()))
            || (!fits && !bestFits && rep->pixelsWide() > best->pixelsWide()))
            best = rep;
    }
    if (vector && (!best || best->pixelsWide() < pixels.width()))
        return vector;
    return best;
}

QImage Image::bitmapForDrawing(double scale) const
{
    Ref<ImageRep> rep;
    QSize pixels;
    {
        std::lock_guard lock(mutex_);
        const Size s = sizeLocked();
        if (s.width <= 0 || s.height <= 0)
            return {};
        pixels = BitmapPixelsForSize(s, scale, BitmapLimit::Fit);
        if (pixels.isEmpty())
            return {};
        rep = bestRep(pixels);
    }
    return rep ? rep->pixelsForSize(pixels) : QImage();
}

void Image::drawInRectFromRectOperationFraction(Rect dest, Rect from, CompositingOperation op, double fraction) const
{
    auto* context = GraphicsContext::currentContext();
    if (!context || IsEmptyRect(dest))
        return;
    Ref<ImageRep> rep;
    Size size;
    QSize pixels;
    {
        std::lock_guard lock(mutex_);
        size = sizeLocked();
        if (size.width <= 0 || size.height <= 0)
            return;
        const double scale = deviceScale(context->state().ctm);
        // A whole image renders at its size on the device. A part of one (a slice stretched over a
        // bar) renders at the image's own size and its pixels stretch, as a bitmap's would: each
        // new width would otherwise render the document again.
        const double sx = IsEmptyRect(from) ? dest.size.width / size.width : 1;
        const double sy = IsEmptyRect(from) ? dest.size.height / size.height : 1;
        pixels = BitmapPixelsForSize(MakeSize(size.width * sx, size.height * sy), scale, BitmapLimit::Fit);
        if (pixels.isEmpty())
            return;
        rep = bestRep(pixels);
    }
    if (!rep)
        return;
    const QImage image = rep->pixelsForSize(pixels);
    if (image.isNull())
        return;
    // From image points (y up) to pixel rows (y down).
    const double px = image.width() / size.width, py = image.height() / size.height;
    QRectF source(0, 0, image.width(), image.height());
    if (!IsEmptyRect(from))
        source = QRectF(from.origin.x * px, (size.height - from.maxY()) * py, from.size.width * px, from.size.height * py);
    context->drawImage(image, source, dest, op, fraction);
}

void Image::drawInRectFromRectOperationFractionRespectFlippedHints(
    Rect dest, Rect from, CompositingOperation op, double fraction, bool, const Dictionary*) const
{
    drawInRectFromRectOperationFraction(dest, from, op, fraction);
}

void Image::drawAtPointFromRectOperationFraction(Point point, Rect from, CompositingOperation op, double fraction) const
{
    auto* context = GraphicsContext::currentContext();
    if (!context)
        return;
    const Size s = IsEmptyRect(from) ? size() : from.size;
    // The visual lower-left corner: maxY of the rectangle when user space runs down.
    const double y = context->userSpaceRunsDown() ? point.y - s.height : point.y;
    drawInRectFromRectOperationFraction(MakeRect(point.x, y, s.width, s.height), from, op, fraction);
}

void Image::lockFocusFlipped(bool flipped)
{
    Ref<BitmapImageRep> target;
    Size size;
    {
        std::lock_guard lock(mutex_);
        size = sizeLocked();
        const QSize pixels = BitmapPixelsForSize(size, 1);
        if (pixels.isEmpty()) {
            // Nothing to draw into.
        } else if (reps_.size() == 1 && reps_.front()->isBitmap() && reps_.front()->pixelsWide() == pixels.width()
            && reps_.front()->pixelsHigh() == pixels.height()) {
            target = static_pointer_cast<BitmapImageRep>(reps_.front());
        } else {
            // Drawing goes into one bitmap holding what the image showed so far.
            QImage canvas(pixels, QImage::Format_ARGB32_Premultiplied);
            canvas.fill(Qt::transparent);
            if (auto rep = bestRep(pixels)) {
                QPainter p(&canvas);
                p.setRenderHint(QPainter::SmoothPixmapTransform);
                p.drawImage(QRectF(canvas.rect()), rep->pixelsForSize(pixels));
            }
            target = make<BitmapImageRep>(std::move(canvas));
            target->setSize(size);
            reps_ = { target };
        }
    }
    Ref<GraphicsContext> context;
    if (!target) {
        // Too large to hold: still a focus, so that unlockFocus pairs, and what is drawn goes nowhere.
        context = GraphicsContext::graphicsContextWithBackend(std::make_shared<DiscardingBackend>(), flipped);
    } else {
        context = GraphicsContext::graphicsContextWithImage(&target->mutableImage(), flipped);
        const double sx = size.width > 0 ? target->pixelsWide() / size.width : 1;
        const double sy = size.height > 0 ? target->pixelsHigh() / size.height : 1;
        if (flipped)
            context->setCTM(AffineTransform(AffineTransformStruct { sx, 0, 0, sy, 0, 0 }));
        else
            context->setCTM(AffineTransform(AffineTransformStruct { sx, 0, 0, -sy, 0, double(target->pixelsHigh()) }));
    }
    Ref<GraphicsContext> previous(GraphicsContext::currentContext());
    GraphicsContext::setCurrentContext(context);
    focus_.push_back({ std::move(context), std::move(previous) });
}

void Image::unlockFocus()
{
    if (focus_.empty())
        return;
    Focus f = std::move(focus_.back());
    focus_.pop_back();
    GraphicsContext::setCurrentContext(f.previous);
}

Ref<CGImage> Image::CGImageForProposedRectContextHints(Rect* proposed) const
{
    Size s = size();
    if (proposed && !IsEmptyRect(*proposed))
        s = proposed->size;
    if (s.width <= 0 || s.height <= 0)
        return nullptr;
    Ref<ImageRep> rep;
    const QSize pixels = BitmapPixelsForSize(s, 1, BitmapLimit::Fit);
    if (pixels.isEmpty())
        return nullptr;
    {
        std::lock_guard lock(mutex_);
        rep = bestRep(pixels);
    }
    return rep ? CGImage::create(rep->pixelsForSize(pixels)) : nullptr;
}

QByteArray Image::TIFFRepresentation() const
{
    const QImage pixels = bitmapForDrawing(1.0);
    if (pixels.isNull())
        return {};
    return BitmapImageRep(pixels).TIFFRepresentation();
}

namespace {
const QString imageCodingNameKey = QStringLiteral("name");
const QString imageCodingPathKey = QStringLiteral("path");
const QString imageCodingDataKey = QStringLiteral("data");
const QString imageCodingSizeKey = QStringLiteral("size");
const QString imageCodingTemplateKey = QStringLiteral("template");
const QString imageCodingFlippedKey = QStringLiteral("flipped");
} // namespace

void Image::encodeWithCoder(Coder& coder) const
{
    double scale = 1.0;
    {
        std::lock_guard lock(mutex_);
        if (sizeSet_)
            coder.encodeSizeForKey(size_, imageCodingSizeKey);
        if (name_.isEmpty() && referencedPath_.isEmpty()) {
            ensureLoaded();
            const Size s = sizeLocked();
            for (const auto& rep : reps_)
                if (rep->isBitmap() && s.width > 0)
                    scale = std::max(scale, rep->pixelsWide() / s.width);
        }
    }
    coder.encodeBoolForKey(template_, imageCodingTemplateKey);
    coder.encodeBoolForKey(flipped_, imageCodingFlippedKey);
    // A named image from some bundle keeps its path too: the name may not be found on decoding.
    if (!name_.isEmpty())
        coder.encodeObjectForKey(Value(name_), imageCodingNameKey);
    if (!referencedPath_.isEmpty())
        coder.encodeObjectForKey(Value(referencedPath_), imageCodingPathKey);
    if (!name_.isEmpty() || !referencedPath_.isEmpty())
        return;
    // Bitmaps keep their finest resolution; vector images are rendered at their size.
    const QImage pixels = bitmapForDrawing(scale);
    QByteArray png;
    QBuffer buffer(&png);
    if (!pixels.isNull() && buffer.open(QIODevice::WriteOnly))
        pixels.save(&buffer, "PNG");
    coder.encodeObjectForKey(Value(png), imageCodingDataKey);
}

void Image::initWithCoder(Coder& coder)
{
    Ref<Image> source;
    const QString name = coder.decodeStringForKey(imageCodingNameKey);
    if (!name.isEmpty())
        source = imageNamed(name);
    if (!source && coder.containsValueForKey(imageCodingPathKey)) {
        source = imageByReferencingFile(coder.decodeStringForKey(imageCodingPathKey));
    } else if (!source && coder.containsValueForKey(imageCodingDataKey)) {
        const QByteArray data = coder.decodeObjectForKey(imageCodingDataKey).data();
        source = data.isEmpty() ? nullptr : imageWithData(data);
        if (!data.isEmpty() && !source)
            coder.failWithError(QStringLiteral("image data in no known format"));
    } else if (!source && !name.isEmpty()) {
        coder.failWithError(QStringLiteral("no image named %1").arg(name));
    }
    std::lock_guard lock(mutex_);
    if (source) {
        // Copies: drawing into the decoded image must never reach a shared named image.
        std::lock_guard sourceLock(source->mutex_);
        source->ensureLoaded();
        reps_.clear();
        for (const auto& rep : source->reps_)
            reps_.push_back(static_pointer_cast<ImageRep>(rep->copy()));
        pendingPath_ = source->pendingPath_;
        referencedPath_ = source->referencedPath_;
        size_ = source->size_;
        sizeSet_ = source->sizeSet_;
        name_ = name;
    }
    if (coder.containsValueForKey(imageCodingSizeKey)) {
        size_ = coder.decodeSizeForKey(imageCodingSizeKey);
        sizeSet_ = true;
    }
    template_ = coder.decodeBoolForKey(imageCodingTemplateKey);
    flipped_ = coder.decodeBoolForKey(imageCodingFlippedKey);
}

QByteArray Image::TIFFRepresentationUsingCompressionFactor(TIFFCompression, double) const { return TIFFRepresentation(); }

} // namespace kit
