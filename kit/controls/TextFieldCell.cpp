#include "kit/controls/TextFieldCell.h"

#include "kit/appkit/FieldEditing.h"
#include "kit/appkit/View.h"
#include "kit/appkit/Window.h"
#include "kit/controls/CellDrawing.h"
#include "kit/controls/Control.h"
#include "kit/graphics/Color.h"

#include <QApplication>
#include <QPalette>
#include <QStyle>
#include <QStyleOption>

namespace kit {

KIT_REGISTER_CLASS(TextFieldCell, ActionCell)
{
    c.copyable();
    c.property("textColor", &TextFieldCell::textColor, &TextFieldCell::setTextColor);
    c.property("backgroundColor", &TextFieldCell::backgroundColor, &TextFieldCell::setBackgroundColor);
    c.property("drawsBackground", &TextFieldCell::drawsBackground, &TextFieldCell::setDrawsBackground);
    c.property("placeholderString", &TextFieldCell::placeholderString, &TextFieldCell::setPlaceholderString);
}

TextFieldCell::TextFieldCell()
    : TextFieldCell(QString())
{ }

TextFieldCell::TextFieldCell(const QString& text)
    : ActionCell(text)
{
    setLineBreakMode(LineBreakByClipping);
}

void TextFieldCell::copyTo(Object& copy) const
{
    ActionCell::copyTo(copy);
    auto& c = static_cast<TextFieldCell&>(copy);
    c.textColor_ = textColor_;
    c.backgroundColor_ = backgroundColor_;
    c.drawsBackground_ = drawsBackground_;
    c.placeholder_ = placeholder_;
}

void TextFieldCell::encodeWithCoder(Coder& coder) const
{
    ActionCell::encodeWithCoder(coder);
    if (textColor_)
        coder.encodeObjectForKey(Value(textColor_), "kit.textColor");
    if (backgroundColor_)
        coder.encodeObjectForKey(Value(backgroundColor_), "kit.backgroundColor");
    coder.encodeBoolForKey(drawsBackground_, "kit.drawsBackground");
    if (!placeholder_.isEmpty())
        coder.encodeObjectForKey(Value(placeholder_), "kit.placeholderString");
}

void TextFieldCell::initWithCoder(Coder& coder)
{
    ActionCell::initWithCoder(coder);
    if (coder.containsValueForKey(QStringLiteral("kit.textColor")))
        textColor_ = static_pointer_cast<Color>(coder.decodeObjectOfClassForKey(Color::staticClass(), QStringLiteral("kit.textColor")));
    if (coder.containsValueForKey(QStringLiteral("kit.backgroundColor")))
        backgroundColor_
            = static_pointer_cast<Color>(coder.decodeObjectOfClassForKey(Color::staticClass(), QStringLiteral("kit.backgroundColor")));
    if (coder.containsValueForKey(QStringLiteral("kit.drawsBackground")))
        drawsBackground_ = coder.decodeBoolForKey(QStringLiteral("kit.drawsBackground"));
    if (const Value v = coder.decodeObjectForKey(QStringLiteral("kit.placeholderString")); v.isString())
        placeholder_ = v.string();
}

void TextFieldCell::setTextColor(Ref<Color> color)
{
    textColor_ = std::move(color);
    changed();
}

void TextFieldCell::setBackgroundColor(Ref<Color> color)
{
    backgroundColor_ = std::move(color);
    changed();
}

void TextFieldCell::setDrawsBackground(bool flag)
{
    drawsBackground_ = flag;
    changed();
}

void TextFieldCell::setPlaceholderString(const QString& placeholder)
{
    placeholder_ = placeholder;
    changed();
}

void TextFieldCell::fillFieldEditorAttributes(FieldEditorAttributes& attributes) const
{
    ActionCell::fillFieldEditorAttributes(attributes);
    attributes.textColor = textColor_;
    attributes.backgroundColor = backgroundColor_;
    attributes.drawsBackground = drawsBackground_;
}

bool TextFieldCell::showsEditingFocus(const View* view) const
{
    const auto* control = dynamic_cast<const Control*>(view);
    const Ref<Window> window = view ? view->window() : nullptr;
    if (!control || !window || !window->isKeyWindow() || focusRingType() == FocusRingTypeNone || !isEditingWithFieldEditor())
        return false;
    const Ref<Responder> editor = control->currentEditor();
    return editor && window->firstResponder() == editor;
}

void TextFieldCell::drawWithFrameInView(Rect cellFrame, View* view)
{
    ActionCell::drawWithFrameInView(cellFrame, view);
    // A bezel shows the focus itself (showsFocusInBezel); a field without one gets a ring.
    if (!isBezeled() && showsEditingFocus(view))
        DrawFocusRing(view, cellFrame);
}

void TextFieldCell::drawInteriorWithFrameInView(Rect cellFrame, View* view)
{
    const bool flipped = view && view->isFlipped();
    // Asked only when needed: handing the painter out resets what the context set on it.
    if (QPainter* painter = drawsBackground_ ? View::currentPainter() : nullptr) {
        UprightPainter up(painter, cellFrame, flipped);
        const QColor fill = backgroundColor_ ? backgroundColor_->toQColor() : QApplication::palette().color(QPalette::Base);
        painter->fillRect(up.map(drawingRectForBounds(cellFrame)), fill);
    }
    // The editor draws the text while it edits this cell.
    if (isEditingWithFieldEditor())
        return;
    const QPalette::ColorGroup group = isEnabled() ? QPalette::Active : QPalette::Disabled;
    StringAttributes defaults;
    AttributedString shown = attributedStringValue();
    if (shown.length() == 0 && !placeholder_.isEmpty()) {
        StringAttributes attributes;
        attributes.font = CellFont(font());
        auto paragraph = make<ParagraphStyle>();
        paragraph->setAlignment(alignment());
        paragraph->setLineBreakMode(LineBreakByTruncatingTail);
        attributes.paragraphStyle = paragraph;
        shown = AttributedString(placeholder_, attributes);
        defaults.foregroundColor = Color::fromQColor(QApplication::palette().color(QPalette::Disabled, QPalette::Text));
    } else if (backgroundStyle() == BackgroundStyleDark) {
        defaults.foregroundColor = Color::fromQColor(QApplication::palette().color(group, QPalette::HighlightedText));
    } else {
        defaults.foregroundColor = textColor_ && isEnabled() ? textColor_ : Color::fromQColor(QApplication::palette().color(group, QPalette::Text));
    }
    DrawCellAttributedTitle(shown, titleRectForBounds(cellFrame), defaults, flipped);
}

} // namespace kit
