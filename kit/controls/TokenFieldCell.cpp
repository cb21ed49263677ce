#include "kit/controls/TokenFieldCell.h"

#include "kit/appkit/Accessibility.h"
#include "kit/appkit/FieldEditing.h"
#include "kit/appkit/View.h"
#include "kit/controls/CellDrawing.h"
#include "kit/controls/Control.h"
#include "kit/graphics/Color.h"
#include "kit/graphics/TokenChip.h"

#include <QApplication>
#include <QPainter>
#include <QPalette>

#include <algorithm>

namespace kit {

KIT_REGISTER_CLASS(TokenFieldCell, TextFieldCell)
{
    c.copyable();
    c.property("tokenizingCharacterSet", &TokenFieldCell::tokenizingCharacterSet, &TokenFieldCell::setTokenizingCharacterSet);
}

namespace {
const QString tokenFieldCellTokenizingKey = QStringLiteral("kit.tokenizingCharacterSet");
// The character that stands for a chip in the field editor's text (the text system's attachment).
constexpr char16_t tokenChipCharacter = 0xFFFC;
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
    // The editor wraps where the cell does: the field's title area holds two lines or more.
    const Ref<View> view = controlView();
    if (auto* control = dynamic_cast<Control*>(view.get()); control && control->cell().get() == this)
        attributes.wrapsLines = TokenChipsWrap(font(), titleRectForBounds(control->bounds()).height());
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

FieldEditing* TokenFieldCell::editor() const
{
    if (!isEditingWithFieldEditor())
        return nullptr;
    const Ref<Control> control = dynamic_pointer_cast<Control>(controlView());
    const Ref<Responder> editing = control ? control->currentEditor() : nullptr;
    return dynamic_cast<FieldEditing*>(editing.get());
}

QString TokenFieldCell::spokenText(SpokenOffsets* offsets) const
{
    static const QString apart = QStringLiteral(", ");
    const FieldEditing* editing = editor();
    if (!editing)
        return tokens().join(apart);
    // The editor's text holds one attachment character per chip; its tokens are the chips' and
    // the typed text's between them, in order, so each chip's token follows the typed pieces
    // before it.
    const QString text = editing->editorString();
    const QStringList all = editing->editorTokens();
    QString spoken;
    QString typed;
    qsizetype next = 0;
    bool afterChip = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool chip = text.at(i) == QChar(tokenChipCharacter);
        if (offsets)
            offsets->ends.push_back(spoken.size());
        // A chip stands apart from what comes before it, and typed text from the chip before it.
        if (!spoken.isEmpty() && (chip || afterChip) && !spoken.endsWith(QLatin1Char(' ')) && !text.at(i).isSpace())
            spoken += apart;
        if (offsets)
            offsets->starts.push_back(spoken.size());
        if (chip) {
            next += tokensOfString(typed).size();
            typed.clear();
            spoken += next < all.size() ? all.at(next++) : QString();
        } else {
            typed += text.at(i);
            spoken += text.at(i);
        }
        afterChip = chip;
    }
    if (offsets) {
        offsets->ends.push_back(spoken.size());
        offsets->starts.push_back(spoken.size());
    }
    return spoken;
}

Value TokenFieldCell::accessibilityAttributeValue(const QString& attribute) const
{
    if (attribute == AccessibilityValueAttribute)
        return Value(spokenText(nullptr));
    if (attribute == AccessibilitySelectedTextRangeAttribute) {
        const FieldEditing* editing = editor();
        if (!editing)
            return TextFieldCell::accessibilityAttributeValue(attribute);
        SpokenOffsets offsets;
        spokenText(&offsets);
        const Range r = editing->editorSelectedRange();
        const auto at = [](const std::vector<std::int64_t>& in, std::int64_t i) {
            return in.at(std::size_t(std::clamp<std::int64_t>(i, 0, std::int64_t(in.size()) - 1)));
        };
        // A caret stands where the next piece starts; a selection ends where its last piece does.
        const std::int64_t start = at(offsets.starts, r.location);
        const std::int64_t end = r.length > 0 ? at(offsets.ends, r.location + r.length) : start;
        return Value(Range { start, std::max<std::int64_t>(end - start, 0) });
    }
    return TextFieldCell::accessibilityAttributeValue(attribute);
}

std::vector<TokenFieldCell::TokenPlace> TokenFieldCell::tokenPlacesInFrame(Rect cellFrame, View* view) const
{
    const bool flipped = view && view->isFlipped();
    const QStringList texts = tokens();
    std::vector<TokenPlace> places;
    const std::vector<TokenChipPlace> chips = LayoutTokenChips(texts, font(), VisualRect(titleRectForBounds(cellFrame), cellFrame, flipped));
    places.reserve(chips.size());
    for (std::size_t i = 0; i < chips.size(); ++i)
        places.push_back({ texts.at(qsizetype(i)), ViewRect(chips[i].box, cellFrame, flipped), chips[i].truncated });
    return places;
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
    const std::vector<TokenChipPlace> chips = LayoutTokenChips(texts, shown, area);
    for (std::size_t i = 0; i < chips.size() && chips[i].box.left() < area.right(); ++i)
        DrawTokenChip(*painter, chips[i].box, texts.at(qsizetype(i)), shown, false);
    painter->restore();
}

} // namespace kit
