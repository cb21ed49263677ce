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
{
    placeToolTipRect();
}

void TokenField::placeToolTipRect()
{
    if (toolTipTag_ != 0)
        removeToolTip(toolTipTag_);
    toolTipTag_ = addToolTipRectOwnerUserData(bounds(), this, nullptr);
}

void TokenField::setFrameSize(Size size)
{
    TextField::setFrameSize(size);
    placeToolTipRect();
}

QString TokenField::viewStringForToolTipPointUserData(View*, std::int64_t, Point point, void*)
{
    if (TokenFieldCell* c = tokenCell())
        for (const TokenFieldCell::TokenPlace& place : c->tokenPlacesInFrame(bounds(), this))
            if (place.truncated && mouseInRect(point, place.frame))
                return place.token;
    return toolTip().isEmpty() ? QString() : toolTip();
}

QString TokenField::tokenizingCharacterSet() const { return tokenCell() ? tokenCell()->tokenizingCharacterSet() : QStringLiteral(";"); }

void TokenField::setTokenizingCharacterSet(const QString& characters)
{
    if (TokenFieldCell* c = tokenCell())
        c->setTokenizingCharacterSet(characters);
}

} // namespace kit
