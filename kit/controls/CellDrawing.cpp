#include "kit/controls/CellDrawing.h"

#include "kit/appkit/Application.h"
#include "kit/appkit/View.h"
#include "kit/appkit/Window.h"
#include "kit/graphics/FastLine.h"
#include "kit/graphics/GraphicsContext.h"
#include "kit/graphics/TextLayoutEngine.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPalette>
#include <QStyleOption>

#include <cmath>
#include <limits>

namespace kit {

double systemFontSizeForControlSize(ControlSize size)
{
    switch (size) {
    case SmallControlSize:
        return 11;
    case MiniControlSize:
        return 9;
    default:
        return 13;
    }
}

QFont controlContentFontOfSize(double size)
{
    QFont font = QGuiApplication::font();
    font.setPixelSize(int(std::lround(size > 0 ? size : systemFontSize())));
    return font;
}

Size ImageFitSize(Size image, Size box, ImageScaling scaling)
{
    switch (scaling) {
    case ImageScaleAxesIndependently:
        return box;
    case ImageScaleProportionallyDown:
    case ImageScaleProportionallyUpOrDown: {
        if (image.width <= 0 || image.height <= 0 || box.width <= 0 || box.height <= 0)
            return ZeroSize;
        const double r = std::min(box.width / image.width, box.height / image.height);
        if (scaling == ImageScaleProportionallyDown && r >= 1)
            return image;
        return { image.width * r, image.height * r };
    }
    default:
        return image;
    }
}

// Whole units from the frame's corner, so a rectangle keeps its pixel alignment.
static QPointF cellDrawingOrigin(Rect frame) { return QPointF(std::floor(frame.minX()), std::floor(frame.minY())); }

UprightPainter::UprightPainter(QPainter* painter, Rect frame, bool flipped)
    : painter_(painter)
    , frame_(frame)
    , flipped_(flipped)
    , origin_(cellDrawingOrigin(frame))
{
    if (!painter_)
        return;
    painter_->save();
    if (!flipped_) {
        // Mirror about the frame's horizontal mid-line: the frame stays where it is, y runs down.
        painter_->translate(0, frame_.minY() + frame_.maxY());
        painter_->scale(1, -1);
    }
    // QStyle takes int rectangles: near the origin, a cell far down a tall view stays exact.
    painter_->translate(origin_);
}

UprightPainter::~UprightPainter()
{
    if (painter_)
        painter_->restore();
}

QRectF UprightPainter::map(Rect r) const { return VisualRect(r, frame_, flipped_); }

QRectF VisualRect(Rect r, Rect frame, bool flipped)
{
    const QPointF origin = cellDrawingOrigin(frame);
    if (flipped)
        return QRectF(r.minX() - origin.x(), r.minY() - origin.y(), r.width(), r.height());
    return QRectF(r.minX() - origin.x(), frame.minY() + frame.maxY() - r.maxY() - origin.y(), r.width(), r.height());
}

Rect ViewRect(const QRectF& r, Rect frame, bool flipped)
{
    const QPointF origin = cellDrawingOrigin(frame);
    if (flipped)
        return MakeRect(r.x() + origin.x(), r.y() + origin.y(), r.width(), r.height());
    return MakeRect(r.x() + origin.x(), frame.minY() + frame.maxY() - (r.y() + origin.y()) - r.height(), r.width(), r.height());
}

Ref<Font> CellFont(const QFont& font)
{
    const double size = font.pixelSize() > 0 ? font.pixelSize() : font.pointSizeF() > 0 ? font.pointSizeF() : systemFontSize();
    return Font::fromQFont(font, size);
}

AttributedString CompleteAttributes(const AttributedString& title, const StringAttributes& defaults)
{
    AttributedString complete = title;
    const Dictionary fill = defaults.dictionary();
    for (const AttributedString::Run& run : title.runs()) {
        Dictionary a = fill;
        a.addEntriesFromDictionary(run.attributes);
        complete.setAttributesRange(a, MakeRange(run.start, run.length));
    }
    return complete;
}

Rect DrawCellAttributedTitle(const AttributedString& title, Rect frame, const StringAttributes& defaults, bool flipped)
{
    if (title.length() == 0 || frame.width() <= 0)
        return MakeRect(frame.minX(), frame.midY(), 0, 0);
    // Plain one-line titles (numbers, most labels) skip shaping and the completed copy.
    fastline::PlainLine line;
    if (fastline::PlainTitleOf(title, defaults, &line)) {
        const Size size = fastline::SizeOfLine(title.string(), line);
        const Rect box = MakeRect(frame.minX(), frame.midY() - size.height / 2, frame.width(), size.height);
        bool drawn = false;
        if (GraphicsContext::currentContext()) {
            drawn = fastline::DrawLineInRect(title.string(), line, box);
        } else if (QPainter* painter = View::currentPainter()) {
            const Ref<GraphicsContext> context = GraphicsContext::graphicsContextWithPainter(painter, flipped);
            GraphicsContext::Scope scope(context);
            drawn = fastline::DrawLineInRect(title.string(), line, box);
        } else {
            drawn = true; // nowhere to draw
        }
        if (drawn)
            return MakeRect(frame.minX(), box.minY(), std::min(frame.width(), size.width), size.height);
    }
    const AttributedString shown = CompleteAttributes(title, defaults);
    const Size size = shown.size();
    const double width = std::min(frame.width(), size.width);
    const ParagraphStyle* paragraph = shown.attributesAtIndex(0).paragraphStyle.get();
    const TextAlignment alignment = paragraph ? paragraph->alignment() : NaturalTextAlignment;
    double x = frame.minX();
    if (alignment == CenterTextAlignment)
        x = frame.midX() - width / 2;
    else if (alignment == RightTextAlignment)
        x = frame.maxX() - width;
    const Rect box = MakeRect(frame.minX(), frame.midY() - size.height / 2, frame.width(), size.height);
    if (GraphicsContext::currentContext()) {
        shown.drawInRect(box);
    } else if (QPainter* painter = View::currentPainter()) {
        const Ref<GraphicsContext> context = GraphicsContext::graphicsContextWithPainter(painter, flipped);
        GraphicsContext::Scope scope(context);
        shown.drawInRect(box);
    }
    return MakeRect(x, box.minY(), width, size.height);
}

Size TextSize(const QString& text, const QFont& font)
{
    // The one layouter: what the field editor lays out is what a cell measures; plain text
    // measures the same from the font's advances.
    StringAttributes attributes;
    attributes.font = CellFont(font);
    fastline::PlainLine line;
    line.font = attributes.font;
    const Size size = fastline::IsPlain(text, attributes.font->qFont())
        ? fastline::SizeOfLine(text, line)
        : textlayout::StringLayout(AttributedString(text, attributes), std::numeric_limits<double>::infinity()).size();
    return { std::ceil(size.width), std::ceil(size.height) };
}

void DrawCellImage(QPainter& painter, const Image& image, const QRectF& box, double opacity, const QColor& tint, double darken)
{
    if (box.isEmpty())
        return;
    const double scale = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const Size size = image.size();
    if (size.width <= 0 || size.height <= 0)
        return;
    // Render at the drawn size so vector images stay sharp.
    const double sx = box.width() / size.width, sy = box.height() / size.height;
    QImage pixels = image.bitmapForDrawing(scale * std::max(sx, sy));
    if (pixels.isNull())
        return;
    if (tint.isValid() || darken > 0) {
        pixels = pixels.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        QPainter p(&pixels);
        p.setCompositionMode(QPainter::CompositionMode_SourceAtop);
        if (tint.isValid())
            p.fillRect(pixels.rect(), tint);
        if (darken > 0)
            p.fillRect(pixels.rect(), QColor(0, 0, 0, int(std::lround(255 * std::min(darken, 1.0)))));
    }
    painter.save();
    painter.setOpacity(painter.opacity() * opacity);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(box, pixels);
    painter.restore();
}

void InitStyleOption(QStyleOption& option, View* view, const QRectF& rect, bool enabled, bool focusRing)
{
    option.rect = rect.toAlignedRect();
    option.palette = QGuiApplication::palette();
    option.fontMetrics = QFontMetrics(QGuiApplication::font());
    option.direction = Qt::LeftToRight;
    option.state = QStyle::State_None;
    if (enabled)
        option.state |= QStyle::State_Enabled;
    const Ref<Window> window = view ? view->window() : nullptr;
    if (!window || window->isKeyWindow())
        option.state |= QStyle::State_Active;
    if (focusRing && ShowsFocusRing(view, FocusRingTypeDefault))
        option.state |= QStyle::State_HasFocus | QStyle::State_KeyboardFocusChange;
    if (!(option.state & QStyle::State_Active))
        option.palette.setCurrentColorGroup(QPalette::Inactive);
    if (!enabled)
        option.palette.setCurrentColorGroup(QPalette::Disabled);
}

namespace {

// What CT_ToolButton adds around a content of `content` size.
QSize toolPanelMargins(View* view, QSize content)
{
    QStyleOptionToolButton option;
    InitStyleOption(option, view, QRectF(QPointF(), QSizeF(content)), true, false);
    option.toolButtonStyle = Qt::ToolButtonTextOnly;
    const QSize s = QApplication::style()->sizeFromContents(QStyle::CT_ToolButton, &option, content);
    return { std::max(0, s.width() - content.width()), std::max(0, s.height() - content.height()) };
}

} // namespace

Size ToolPanelSizeForContent(View* view, Size content)
{
    const QSize c(int(std::ceil(content.width)), int(std::ceil(content.height)));
    const QSize m = toolPanelMargins(view, c);
    return { double(c.width() + m.width()), double(c.height() + m.height()) };
}

Rect ToolPanelContentRect(View* view, Rect bounds)
{
    const QSize m = toolPanelMargins(view, QSize(int(std::ceil(bounds.width())), int(std::ceil(bounds.height()))));
    const double left = std::floor(m.width() / 2.0), top = std::floor(m.height() / 2.0);
    // Flip-agnostic: the leftover odd pixel goes to the far side either way.
    return MakeRect(
        bounds.minX() + left, bounds.minY() + top, std::max(0.0, bounds.width() - m.width()), std::max(0.0, bounds.height() - m.height()));
}

bool ShowsFocusRing(const View* view, FocusRingType type)
{
    return view && type != FocusRingTypeNone && view->showsKeyboardFocusRing();
}

void DrawFocusRing(QPainter& painter, View* view, const QRectF& rect)
{
    QStyleOptionFocusRect option;
    InitStyleOption(option, view, rect.adjusted(1, 1, -1, -1), true, true);
    option.state |= QStyle::State_HasFocus | QStyle::State_KeyboardFocusChange;
    option.backgroundColor = option.palette.color(QPalette::Window);
    QApplication::style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter);
}

void DrawFocusRing(View* view, Rect frame)
{
    if (QPainter* painter = View::currentPainter()) {
        UprightPainter up(painter, frame, view && view->isFlipped());
        DrawFocusRing(*painter, view, up.map(frame));
    }
}

} // namespace kit
