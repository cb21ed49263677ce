#include "JVLAppKit/JVLTableGrid/JVLTableGridCell.h"

#include "kit/graphics/BezierPath.h"
#include "kit/graphics/FastLine.h"
#include "kit/graphics/GraphicsContext.h"

using namespace kit;

KIT_REGISTER_CLASS(JVLTableGridCell, kit::TextFieldCell)
{
    c.bundle("JVLAppKit");
    c.copyable();
}

KIT_REGISTER_CLASS(JVLTableGridHeaderCell, kit::Cell)
{
    c.bundle("JVLAppKit");
    c.property("orientation", &JVLTableGridHeaderCell::orientation, &JVLTableGridHeaderCell::setOrientation);
}

namespace {

void tableGridCellFill(Rect r, const Ref<Color>& color)
{
    color->setFill();
    RectFill(r);
}

Ref<Color> tableGridCellWhite(double white)
{
    return Color::colorWithDeviceWhiteAlpha(white, 1);
}

// Labels are short plain strings: measured and drawn without shaping when they qualify.
Size tableGridLabelSize(const QString& text, const StringAttributes& attributes, fastline::PlainLine& line, bool& plain)
{
    plain = fastline::PlainTitleOf(AttributedString(text), attributes, &line);
    return plain ? fastline::SizeOfLine(text, line) : StringDrawing::sizeWithAttributes(text, attributes);
}

} // namespace

// --- Grid cell -----------------------------------------------------------------------------------------------

JVLTableGridCell::JVLTableGridCell()
    : JVLTableGridCell(QString())
{ }

JVLTableGridCell::JVLTableGridCell(const QString& text)
    : TextFieldCell(text)
{
    setBackgroundColor(Color::clearColor());
}

void JVLTableGridCell::drawWithFrameInViewWithBackgroundColor(Rect cellFrame, View* controlView, Color* backgroundColor)
{
    if (backgroundColor) {
        backgroundColor->setFill();
        RectFill(cellFrame);
    }
    drawWithFrameInView(cellFrame, controlView);
}

void JVLTableGridCell::drawWithFrameInView(Rect cellFrame, View* controlView)
{
    static const Ref<Color> line = tableGridCellWhite(0.83);
    const double x = cellFrame.minX(), y = cellFrame.minY(), w = cellFrame.width(), h = cellFrame.height();
    line->setFill();
    RectFill({ x + w - 1, y, 1, h });
    RectFill({ x, y + h - 1, w, 1 });
    drawInteriorWithFrameInView(cellFrame, controlView);
}

// --- Header cell ---------------------------------------------------------------------------------------------

JVLTableGridHeaderCell::JVLTableGridHeaderCell()
{
    labelAttributes_.font = Font::labelFontOfSize(Font::labelFontSize());
    labelAttributes_.foregroundColor = Color::controlTextColor();
    auto shadow = make<Shadow>();
    shadow->setShadowOffset({ 0, -1 });
    shadow->setShadowBlurRadius(0);
    shadow->setShadowColor(Color::colorWithDeviceWhiteAlpha(1, 0.8));
    labelAttributes_.shadow = shadow;
}

void JVLTableGridHeaderCell::drawWithFrameInView(Rect cellFrame, View* controlView)
{
    static const Ref<Color> translucent = Color::colorWithDeviceWhiteAlpha(1, 0.4);
    static const Ref<Color> light = tableGridCellWhite(0.95);
    static const Ref<Color> dark = tableGridCellWhite(0.65);
    const double x = cellFrame.minX(), y = cellFrame.minY(), w = cellFrame.width(), h = cellFrame.height();
    if (orientation_ == 0) {
        translucent->setFill();
        BezierPath::fillRect({ x, y, 1, h });
        BezierPath::fillRect({ x + w - 2, y, 1, h });
        tableGridCellFill({ x + w - 1, y, 1, h }, dark);
        tableGridCellFill({ x, y + h - 1, w, 1 }, dark);
    } else {
        tableGridCellFill({ x, y, w, 1 }, light);
        tableGridCellFill({ x + w - 1, y, 1, h }, dark);
        tableGridCellFill({ x, y + h - 1, w, 1 }, dark);
    }
    if (state() == 1) {
        Color::alternateSelectedControlColor()->colorWithAlphaComponent(0.5)->setFill();
        BezierPath::fillRect(cellFrame);
    }
    drawInteriorWithFrameInView(cellFrame, controlView);
}

Size JVLTableGridHeaderCell::labelSize(const QString& text) const
{
    fastline::PlainLine line;
    bool plain = false;
    return tableGridLabelSize(text, labelAttributes_, line, plain);
}

void JVLTableGridHeaderCell::drawInteriorWithFrameInView(Rect cellFrame, View*)
{
    const QString text = stringValue();
    fastline::PlainLine line;
    bool plain = false;
    const Size size = tableGridLabelSize(text, labelAttributes_, line, plain);
    const double y = cellFrame.minY() + (cellFrame.height() - size.height) / 2;
    Rect textRect;
    if (orientation_ == 0)
        textRect = { cellFrame.minX() + 6, y, cellFrame.width() - 6, size.height };
    else
        textRect = { cellFrame.minX() + (cellFrame.width() - size.width) / 2, y, size.width, size.height };
    if (plain && fastline::DrawLineInRect(text, line, textRect))
        return;
    StringDrawing::drawWithRectOptionsAttributes(
        text, textRect, StringDrawingUsesLineFragmentOrigin | StringDrawingTruncatesLastVisibleLine, labelAttributes_);
}
