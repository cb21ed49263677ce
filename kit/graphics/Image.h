#pragma once

// A picture with a size in points and ordered representations. Images always draw upright: the
// `flipped` flag only chooses the coordinates inside lockFocus, and drawAtPoint puts the image's
// visual lower-left corner at the point. Drawing and reading are thread-safe; lockFocus is for
// images no other thread uses.

#include "kit/core/Class.h"
#include "kit/core/Geometry.h"
#include "kit/core/Object.h"
#include "kit/foundation/Coder.h"
#include "kit/graphics/GraphicsState.h"
#include "kit/graphics/ImageRep.h"

#include <QByteArray>
#include <QSize>
#include <QString>

#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

namespace kit {

class CGImage;
class Dictionary;
class GraphicsContext;

// System image names (our own drawings).
inline const QString ImageNameAddTemplate = QStringLiteral("NSAddTemplate");
inline const QString ImageNameRemoveTemplate = QStringLiteral("NSRemoveTemplate");
inline const QString ImageNameQuickLookTemplate = QStringLiteral("NSQuickLookTemplate");
inline const QString ImageNamePreferencesGeneral = QStringLiteral("NSPreferencesGeneral");
// The application's icon: the main bundle's "CFBundleIconFile" image, else a generic one of our own.
inline const QString ImageNameApplicationIcon = QStringLiteral("NSApplicationIcon");

enum TIFFCompression : int { TIFFCompressionNone = 1 };
enum ImageScaling : int {
    ImageScaleProportionallyDown = 0,
    ImageScaleAxesIndependently = 1,
    ImageScaleNone = 2,
    ImageScaleProportionallyUpOrDown = 3
};

// The largest bitmap the kit makes: 32767 pixels a side (an X11 drawable's sides are 16-bit, and
// Qt's raster painter keeps device coordinates within that range) and 256 MB at 4 bytes a pixel
// (twice Qt's image-reader allocation limit). Sizes from input (item sizes, pictures, zoom factors)
// can ask for more.
inline constexpr int MaxBitmapSide = 32767;
inline constexpr std::int64_t MaxBitmapBytes = std::int64_t(256) << 20;
enum class BitmapLimit {
    Refuse, // a bitmap that holds drawing: not made, one log line
    Fit // pixels rendered to be drawn: reduced, in proportion, to the limit
};
// Whole pixels covering `points` at `scale` pixels a point (noise under 1e-9 of a pixel ignored), at
// least 1 a side. A size that is not finite, or too large to Refuse, answers an empty size.
QSize BitmapPixelsForSize(Size points, double scale, BitmapLimit limit = BitmapLimit::Refuse);

// Archived by name when it has one, else by the path of the file it references, else as PNG data.
class Image : public Object, public Coding {
    KIT_CLASS(Image)
    explicit Image(Size size = {});

    static Ref<Image> imageWithSize(Size size) { return make<Image>(size); }
    // PNG, JPEG, TIFF (and other raster formats Qt reads) or SVG; null for anything else.
    static Ref<Image> imageWithData(const QByteArray& data);
    static Ref<Image> imageWithContentsOfFile(const QString& path);
    // Loads on first use. A null path gives null; a missing file gives a (0, 0) image that draws nothing.
    static Ref<Image> imageByReferencingFile(const QString& path);
    // A zero size takes the pixel size.
    static Ref<Image> imageWithCGImageSize(const Ref<CGImage>& image, Size size);
    // System names, then the named-image lookup, then the main bundle's image resources. Cached by name.
    static Ref<Image> imageNamed(const QString& name);
    // Where other image sources (plug-in bundles, tests) plug in. An empty function resets; either
    // way the cache of named images is cleared.
    static void setNamedImageLookup(std::function<Ref<Image>(const QString& name)> lookup);

    Size size() const;
    void setSize(Size size);
    bool scalesWhenResized() const { return scalesWhenResized_; }
    void setScalesWhenResized(bool on) { scalesWhenResized_ = on; }
    bool isFlipped() const { return flipped_; }
    void setFlipped(bool flipped) { flipped_ = flipped; }
    bool isTemplate() const { return template_; }
    void setTemplate(bool on) { template_ = on; }
    // Accepted; every image caches separately here.
    void setCachedSeparately(bool) { }
    const QString& name() const { return name_; }
    void setName(const QString& name) { name_ = name; }
    bool isValid() const;

    std::vector<Ref<ImageRep>> representations() const;
    void addRepresentation(const Ref<ImageRep>& rep);
    void removeRepresentation(const Ref<ImageRep>& rep);
    // Independent: later drawing into either does not show in the other.
    Ref<Object> copy() const override;

    // --- Drawing into the current context. `fromRect` in image points with y up; ZeroRect = all. ---
    void drawInRectFromRectOperationFraction(Rect dest, Rect from, CompositingOperation op, double fraction) const;
    // `respectFlipped` and `hints` are accepted: images are upright anyway, and scaling is always smooth.
    void drawInRectFromRectOperationFractionRespectFlippedHints(
        Rect dest, Rect from, CompositingOperation op, double fraction, bool respectFlipped, const Dictionary* hints = nullptr) const;
    void drawInRect(Rect dest) const { drawInRectFromRectOperationFraction(dest, ZeroRect, CompositeSourceOver, 1.0); }
    // `point` is the visual lower-left corner; the image keeps its own size (or from's).
    void drawAtPointFromRectOperationFraction(Point point, Rect from, CompositingOperation op, double fraction) const;

    // --- Drawing into the image. ---
    // Y up from the bottom-left, or down from the top-left with lockFocusFlipped(true). Nests.
    void lockFocus() { lockFocusFlipped(flipped_); }
    void lockFocusFlipped(bool flipped);
    void unlockFocus();

    // The pixels of the best rep; vector reps rendered at the proposed rectangle's size (or the image's).
    Ref<CGImage> CGImageForProposedRectContextHints(Rect* proposed) const;
    QByteArray TIFFRepresentation() const;
    QByteArray TIFFRepresentationUsingCompressionFactor(TIFFCompression compression, double factor) const;
    // Pixels for drawing at `scale` device pixels per point.
    QImage bitmapForDrawing(double scale) const;

    // kit::Coding:
    void encodeWithCoder(Coder& coder) const override;
    void initWithCoder(Coder& coder) override;

private:
    struct Focus {
        Ref<GraphicsContext> context;
        Ref<GraphicsContext> previous;
    };
    void ensureLoaded() const;
    Ref<ImageRep> bestRep(QSize pixels) const;
    Size sizeLocked() const;

    mutable std::mutex mutex_;
    mutable std::vector<Ref<ImageRep>> reps_;
    mutable QString pendingPath_; // referenced file not loaded yet
    QString referencedPath_;      // kept for archiving
    Size size_;
    bool sizeSet_ = false;
    bool flipped_ = false;
    bool template_ = false;
    bool scalesWhenResized_ = false;
    QString name_;
    std::vector<Focus> focus_;
};

// A bar from three images: the caps at their natural width (height, when vertical) stretched across
// the frame, the fill tiled between them. Null parts are left out; `flipped` is ignored, images
// always come out upright. A frame too short for both caps clips each cap to its half.
void DrawThreePartImage(Rect frame, const Image* startCap, const Image* centerFill, const Image* endCap, bool vertical,
    CompositingOperation op, double alpha, bool flipped);

} // namespace kit
