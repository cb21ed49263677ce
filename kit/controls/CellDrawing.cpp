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

UprightPainter::UprightPainter(QPainter* painter, Rect frame, bool flipped)
    : painter_(painter)
    , frame_(frame)
    , flipped_(flipped)
{
    if (!painter_)
        return;
    painter_->save();
    if (!flipped_) {
        // Mirror about the frame's horizontal mid-line: the frame stays where it is, y runs down.
        painter_->translate(0, frame_.minY() + frame_.maxY());
        painter_->scale(1, -1);
    }
}

UprightPainter::~UprightPainter()
{
    if (painter_)
        painter_->restore();
}

QRectF UprightPainter::map(Rect r) const { return VisualRect(r, frame_, flipped_); }

QRectF VisualRect(Rect r, Rect frame, bool flipped)
{
    if (flipped)
        return QRectF(r.minX(), r.minY(), r.width(), r.height());
    return QRectF(r.minX(), frame.minY() + frame.maxY() - r.maxY(), r.width(), r.height());
}

Rect ViewRect(const QRectF& r, Rect frame, bool flipped)
{
    if (flipped)
        return MakeRect(r.x(), r.y(), r.width(), r.height());
    return MakeRect(r.x(), frame.minY() + frame.maxY() - r.y() - r.height(), r.width(), r.height());
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
    const AttributedString shown = CompleteAttributes(title, defaults);
    // Plain one-line titles (numbers, most labels) skip shaping.
    Size size;
    const bool plain = fastline::SizeOfTitle(shown, &size);
    if (!plain)
        size = shown.size();
    const double width = std::min(frame.width(), size.width);
    const ParagraphStyle* paragraph = shown.attributesAtIndex(0).paragraphStyle.get();
    const TextAlignment alignment = paragraph ? paragraph->alignment() : NaturalTextAlignment;
    double x = frame.minX();
    if (alignment == CenterTextAlignment)
        x = frame.midX() - width / 2;
    else if (alignment == RightTextAlignment)
        x = frame.maxX() - width;
    const Rect box = MakeRect(frame.minX(), frame.midY() - size.height / 2, frame.width(), size.height);
    const auto draw = [&] {
        if (!plain || !fastline::DrawTitleInRect(shown, box))
            shown.drawInRect(box);
    };
    if (GraphicsContext::currentContext()) {
        draw();
    } else if (QPainter* painter = View::currentPainter()) {
        const Ref<GraphicsContext> context = GraphicsContext::graphicsContextWithPainter(painter, flipped);
        GraphicsContext::Scope scope(context);
        draw();
    }
    return MakeRect(x, box.minY(), width, size.height);
}

Size TextSize(const QString& text, const QFont& font)
{
    // The one layouter: what the field editor lays out is what a cell measures.
    StringAttributes attributes;
    attributes.font = CellFont(font);
    const Size size = textlayout::StringLayout(AttributedString(text, attributes), std::numeric_limits<double>::infinity()).size();
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
    if (!view || type == FocusRingTypeNone)
        return false;
    const Ref<Window> window = view->window();
    return window && window->isKeyWindow() && window->firstResponder().get() == view;
}

void DrawFocusRing(QPainter& painter, View* view, const QRectF& rect)
{
    QStyleOptionFocusRect option;
    InitStyleOption(option, view, rect.adjusted(1, 1, -1, -1), true, true);
    option.state |= QStyle::State_HasFocus | QStyle::State_KeyboardFocusChange;
    option.backgroundColor = option.palette.color(QPalette::Window);
    QApplication::style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter);
}

} // namespace kit
