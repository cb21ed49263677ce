#pragma once

// A graphics backend that draws nothing and records every primitive with the state it was drawn
// in, so tests can assert what a drawing routine did (paths, colours, operations, images and their
// destinations, gradients, shadows, text) instead of probing pixels.

#include "kit/graphics/GraphicsBackend.h"

#include <QString>

#include <vector>

namespace kit {

struct DrawRecord {
    enum class Kind { Fill, Stroke, Image, Text };
    Kind kind = Kind::Fill;
    QPainterPath path; // user space (fill, stroke)
    QBrush brush; // fill or text brush; a gradient shows as a gradient brush
    QPen pen; // stroke
    QImage image; // image
    QRectF source; // image pixels
    QRectF deviceRect; // where the image or text box lands on the device
    double fraction = 1;
    QString text;
    QFont font;
    QPointF baseline; // text, in device space
    GraphicsState state; // CTM, clip, operation, shadow, antialiasing...

    QColor color() const { return brush.color(); }
    CompositingOperation operation() const { return state.operation; }
    // "M 0 10 L 0 40 C ... Z" in user space, for comparing element lists.
    QString elements() const;
};

class RecordingBackend final : public GraphicsBackend {
public:
    explicit RecordingBackend(QSize deviceSize = QSize(400, 300))
        : size_(deviceSize)
    { }

    std::vector<DrawRecord> records;

    QSize deviceSize() const override { return size_; }
    void fillPath(const QPainterPath& path, const QBrush& brush, const GraphicsState& state) override;
    void strokePath(const QPainterPath& path, const QPen& pen, const GraphicsState& state) override;
    void drawImage(const QImage& image, const QRectF& source, const QRectF& target, const QTransform& toUser, double fraction,
        const GraphicsState& state) override;
    void drawText(const QString& text, const QFont& font, const QBrush& brush, QPointF baseline, const QTransform& toUser,
        const GraphicsState& state) override;

private:
    QSize size_;
};

// Element list of a path as text: "M x y", "L x y", "C x1 y1 x2 y2 x y", "Z"; numbers rounded to 3 decimals.
QString describePath(const QPainterPath& path);

} // namespace kit
