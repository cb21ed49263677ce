#pragma once

// What a graphics context draws through. The painter backend renders with QPainter (shadows,
// compositing operations and clipping included); the recording backend only logs, so tests can
// check what was drawn instead of probing pixels.

#include "kit/graphics/GraphicsState.h"

#include <QBrush>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPen>
#include <QRectF>
#include <QSize>
#include <QString>

#include <memory>
#include <vector>


namespace kit {

// True when `path` is one axis-aligned rectangle (as a mapped rectangle is); answers it in `rect`.
bool isAxisAlignedRect(const QPainterPath& path, QRectF* rect);

class GraphicsBackend {
public:
    virtual ~GraphicsBackend() = default;

    // Device size in pixels; shadow layers are limited to it. Empty means unknown.
    virtual QSize deviceSize() const = 0;
    // The painter behind this backend, or null (recording).
    virtual QPainter* painter() { return nullptr; }
    // Puts the painter back as it was before this backend drew on it, for code that goes on
    // drawing on the painter itself.
    virtual void yieldPainter() { }

    // Paths are in user space (the state's CTM maps them to the device); the path carries its fill rule.
    virtual void fillPath(const QPainterPath& path, const QBrush& brush, const GraphicsState& state) = 0;
    // Rectangles in user space, filled one after another as fillPath would fill each.
    virtual void fillRects(const QRectF* rects, int count, const QBrush& brush, const GraphicsState& state);
    virtual void strokePath(const QPainterPath& path, const QPen& pen, const GraphicsState& state) = 0;
    // `source` in image pixels (y down); `target` in a local space that `toUser` maps to user space.
    virtual void drawImage(const QImage& image, const QRectF& source, const QRectF& target, const QTransform& toUser, double fraction,
        const GraphicsState& state)
        = 0;
    // One line of text; `baseline` is its left end in the local, y-down space `toUser` maps to user space.
    virtual void drawText(
        const QString& text, const QFont& font, const QBrush& brush, QPointF baseline, const QTransform& toUser, const GraphicsState& state)
        = 0;
};

// Renders through a QPainter: either one that it is given (a window's backing store) or its own
// painter on a QImage.
class PainterBackend final : public GraphicsBackend {
public:
    explicit PainterBackend(QPainter* painter);
    explicit PainterBackend(QImage* image);
    // For a reusable context: the painter is saved by each begin and restored by its end.
    struct Reusable { };
    PainterBackend(QPainter* painter, Reusable);
    ~PainterBackend() override;
    void begin();
    void end();

    QSize deviceSize() const override;
    QPainter* painter() override;
    void yieldPainter() override;
    void fillPath(const QPainterPath& path, const QBrush& brush, const GraphicsState& state) override;
    void fillRects(const QRectF* rects, int count, const QBrush& brush, const GraphicsState& state) override;
    void strokePath(const QPainterPath& path, const QPen& pen, const GraphicsState& state) override;
    void drawImage(const QImage& image, const QRectF& source, const QRectF& target, const QTransform& toUser, double fraction,
        const GraphicsState& state) override;
    void drawText(const QString& text, const QFont& font, const QBrush& brush, QPointF baseline, const QTransform& toUser,
        const GraphicsState& state) override;

private:
    // `draw` paints in the space `local` maps into user space, on the painter it is given.
    template <class Draw>
    void paint(const GraphicsState& state, QRectF deviceBounds, double opacity, const QTransform& local, const Draw& draw);
    // A pixel-aligned solid fill straight through fillRect; false when the rectangle needs the rasteriser.
    bool fillWholePixels(const QRectF& userRect, const QColor& color, const GraphicsState& state);
    void applyClip(const GraphicsState& state);
    // Each setter touches the painter only when the value differs from what it last set; Qt marks
    // its state dirty on every set, and the raster engine then recomputes its span functions.
    void setTransform(const QTransform& t);
    void setOpacity(double opacity);
    void setCompositionMode(QPainter::CompositionMode mode);
    void setHints(bool antialias, bool smoothImages);
    void forgetApplied();
    // Plain lines without a shadow, one after another in one font, colour and state (a column of
    // cells), wait here and go to the painter as one glyph run, before anything else is drawn or
    // set. Only in a reusable context, whose device nobody reads before its end.
    bool deferGlyphs(const QString& text, const QFont& font, const QBrush& brush, QPointF baseline, const QTransform& toUser,
        const GraphicsState& state);
    void flushGlyphs();

    std::unique_ptr<QPainter> owned_;
    QPainter* painter_;
    std::uint64_t appliedClip_ = ~std::uint64_t(0);
    std::uint64_t narrowedClips_ = 0;
    bool clipKnown_ = false;
    // What this backend last set on the painter; valid while `appliedKnown_`.
    struct Applied {
        QTransform transform;
        double opacity = 1;
        QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver;
        bool antialias = false;
        bool smoothImages = false;
    } applied_;
    bool transformKnown_ = false;
    bool opacityKnown_ = false;
    bool modeKnown_ = false;
    bool hintsKnown_ = false;
    bool touched_ = false; // the painter was changed since the last save
    bool reusable_ = false;
    struct PendingGlyphs {
        QFont font;
        QColor color;
        std::vector<quint32> glyphs;
        std::vector<QPointF> positions;
    } pending_;
};

} // namespace kit
