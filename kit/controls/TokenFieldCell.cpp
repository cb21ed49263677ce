#include "kit/controls/TokenFieldCell.h"

#include "kit/appkit/FieldEditing.h"
#include "kit/appkit/View.h"
#include "kit/controls/CellDrawing.h"
#include "kit/graphics/Color.h"
#include "kit/graphics/TokenChip.h"

#include <QApplication>
#include <QPainter>
#include <QPalette>

namespace kit {

KIT_REGISTER_CLASS(TokenFieldCell, TextFieldCell)
{
    c.copyable();
    c.property("tokenizingCharacterSet", &TokenFieldCell::tokenizingCharacterSet, &TokenFieldCell::setTokenizingCharacterSet);
}

namespace {
const QString tokenFieldCellTokenizingKey = QStringLiteral("kit.tokenizingCharacterSet");
} // namespace

TokenFieldCell::TokenFieldCell() { setObjectValue(Value()); }

void TokenFieldCell::copyTo(Object& copy) const
{
    TextFieldCell::copyTo(copy);
    static_cast<TokenFieldCell&>(copy).tokenizing_ = tokenizing_;
}

void TokenFieldCell::encodeWithCoder(Coder& coder) const
{
    TextFieldCell::encodeWithCoder(coder);
    coder.encodeObjectForKey(Value(tokenizing_), tokenFieldCellTokenizingKey);
}

void TokenFieldCell::initWithCoder(Coder& coder)
{
    TextFieldCell::initWithCoder(coder);
    if (const Value v = coder.decodeObjectForKey(tokenFieldCellTokenizingKey); v.isString())
        setTokenizingCharacterSet(v.string());
}

void TokenFieldCell::setTokenizingCharacterSet(const QString& characters)
{
    tokenizing_ = characters.isEmpty() ? QStringLiteral(";") : characters;
}

QStringList TokenFieldCell::tokensOfString(const QString& text) const { return TokenizeString(text, tokenizing_); }

QStringList TokenFieldCell::tokens() const
{
    QStringList texts;
    const Value value = objectValue();
    if (!value.isArray())
        return texts;
    for (const Value& token : value.array())
        texts.append(Cell::plainStringForValue(token));
    return texts;
}

void TokenFieldCell::setObjectValue(const Value& value)
{
    if (value.isString()) {
        setStringValue(value.string());
        return;
    }
    if (value.isNil()) {
        TextFieldCell::setObjectValue(Value(Array()));
        return;
    }
    TextFieldCell::setObjectValue(value.isArray() ? value : Value(Array { value }));
}

void TokenFieldCell::setStringValue(const QString& value)
{
    Array tokens;
    for (const QString& token : tokensOfString(value))
        tokens.addObject(Value(token));
    TextFieldCell::setObjectValue(Value(std::move(tokens)));
}

QString TokenFieldCell::plainStringForValue(const Value& value) const
{
    if (!value.isArray())
        return TextFieldCell::plainStringForValue(value);
    QStringList texts;
    for (const Value& token : value.array())
        texts.append(TextFieldCell::plainStringForValue(token));
    return texts.join(tokenizing_.at(0));
}

void TokenFieldCell::fillFieldEditorAttributes(FieldEditorAttributes& attributes) const
{
    TextFieldCell::fillFieldEditorAttributes(attributes);
    attributes.tokenizes = true;
    attributes.tokens = tokens();
    attributes.tokenizingCharacters = tokenizing_;
}

void TokenFieldCell::takeValueFromFieldEditor(Responder* editor)
{
    auto* editing = dynamic_cast<FieldEditing*>(editor);
    if (!editing)
        return;
    Array tokens;
    for (const QString& token : editing->editorTokens())
        tokens.addObject(Value(token));
    TextFieldCell::setObjectValue(Value(std::move(tokens)));
}

void TokenFieldCell::drawInteriorWithFrameInView(Rect cellFrame, View* view)
{
    const QStringList texts = tokens();
    // Without tokens the text field's drawing shows the placeholder.
    if (texts.isEmpty() || isEditingWithFieldEditor()) {
        TextFieldCell::drawInteriorWithFrameInView(cellFrame, view);
        return;
    }
    QPainter* painter = View::currentPainter();
    if (!painter)
        return;
    UprightPainter up(painter, cellFrame, view && view->isFlipped());
    if (drawsBackground()) {
        const QColor fill = backgroundColor() ? backgroundColor()->toQColor() : QApplication::palette().color(QPalette::Base);
        painter->fillRect(up.map(drawingRectForBounds(cellFrame)), fill);
    }
    const QFont shown = font();
    const QRectF area = up.map(titleRectForBounds(cellFrame));
    painter->save();
    painter->setClipRect(area, Qt::IntersectClip);
    double x = area.left();
    for (const QString& text : texts) {
        const Size chip = TokenChipSize(text, shown);
        const QRectF box(x, area.center().y() - chip.height / 2, chip.width, chip.height);
        DrawTokenChip(*painter, box, text, shown, false);
        x += chip.width + TokenChipSpacing;
        if (x >= area.right())
            break;
    }
    painter->restore();
}

} // namespace kit
