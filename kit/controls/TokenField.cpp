#include "kit/controls/TokenField.h"

namespace kit {

KIT_REGISTER_CLASS(TokenField, TextField)
{
    c.property("tokenizingCharacterSet", &TokenField::tokenizingCharacterSet, &TokenField::setTokenizingCharacterSet);
}

TokenField::TokenField(Rect frame)
    : TokenField(frame, cellClass()())
{ }

TokenField::TokenField(Rect frame, Ref<Cell> cell)
    : TextField(frame, std::move(cell))
{ }

QString TokenField::tokenizingCharacterSet() const { return tokenCell() ? tokenCell()->tokenizingCharacterSet() : QStringLiteral(";"); }

void TokenField::setTokenizingCharacterSet(const QString& characters)
{
    if (TokenFieldCell* c = tokenCell())
        c->setTokenizingCharacterSet(characters);
}

} // namespace kit
