#include "kit/graphics/RecordingBackend.h"

#include <QFontMetricsF>
#include <QStringList>

#include <cmath>

namespace kit {

namespace {

QString num(double v)
{
    double r = std::round(v * 1000) / 1000;
    if (r == 0)
        r = 0; // no "-0"
    return QString::number(r, 'g', 12);
}

} // namespace

QString describePath(const QPainterPath& path)
{
    QStringList parts;
    const int n = path.elementCount();
    for (int i = 0; i < n; ++i) {
        const auto e = path.elementAt(i);
        switch (e.type) {
        case QPainterPath::MoveToElement:
            parts << "M " + num(e.x) + " " + num(e.y);
            break;
        case QPainterPath::LineToElement:
            parts << "L " + num(e.x) + " " + num(e.y);
            break;
        case QPainterPath::CurveToElement: {
            const auto c2 = path.elementAt(i + 1), end = path.elementAt(i + 2);
            parts << "C " + num(e.x) + " " + num(e.y) + " " + num(c2.x) + " " + num(c2.y) + " " + num(end.x) + " " + num(end.y);
            i += 2;
            break;
        }
        case QPainterPath::CurveToDataElement:
            break;
        }
    }
    return parts.join(' ');
}

QString DrawRecord::elements() const { return describePath(path); }

void RecordingBackend::fillPath(const QPainterPath& path, const QBrush& brush, const GraphicsState& state)
{
    DrawRecord r;
    r.kind = DrawRecord::Kind::Fill;
    r.path = path;
    r.brush = brush;
    r.state = state;
    r.deviceRect = state.ctm.mapRect(path.boundingRect());
    records.push_back(std::move(r));
}

void RecordingBackend::strokePath(const QPainterPath& path, const QPen& pen, const GraphicsState& state)
{
    DrawRecord r;
    r.kind = DrawRecord::Kind::Stroke;
    r.path = path;
    r.pen = pen;
    r.brush = pen.brush();
    r.state = state;
    r.deviceRect = state.ctm.mapRect(path.boundingRect());
    records.push_back(std::move(r));
}

void RecordingBackend::drawImage(
    const QImage& image, const QRectF& source, const QRectF& target, const QTransform& toUser, double fraction, const GraphicsState& state)
{
    DrawRecord r;
    r.kind = DrawRecord::Kind::Image;
    r.image = image;
    r.source = source;
    r.deviceRect = (toUser * state.ctm).mapRect(target);
    r.fraction = fraction;
    r.state = state;
    records.push_back(std::move(r));
}

void RecordingBackend::drawText(
    const QString& text, const QFont& font, const QBrush& brush, QPointF baseline, const QTransform& toUser, const GraphicsState& state)
{
    DrawRecord r;
    r.kind = DrawRecord::Kind::Text;
    r.text = text;
    r.font = font;
    r.brush = brush;
    r.baseline = (toUser * state.ctm).map(baseline);
    QFontMetricsF m(font);
    r.deviceRect = (toUser * state.ctm).mapRect(QRectF(baseline.x(), baseline.y() - m.ascent(), m.horizontalAdvance(text), m.height()));
    r.state = state;
    records.push_back(std::move(r));
}

} // namespace kit
