#include "kit/controls/PopUpButton.h"

#include "kit/appkit/Event.h"
#include "kit/appkit/Window.h"

namespace kit {

KIT_REGISTER_CLASS(PopUpButton, Button) { }

PopUpButton::PopUpButton(Rect frame, bool pullsDown)
    : PopUpButton(frame, cellClass()(), pullsDown)
{ }

PopUpButton::PopUpButton(Rect frame, Ref<Cell> cell, bool pullsDown)
    : Button(frame, std::move(cell))
{
    if (PopUpButtonCell* c = popUpCell())
        c->setPullsDown(pullsDown);
}

void PopUpButton::mouseDown(const Event&)
{
    if (!isEnabled())
        return;
    const Ref<PopUpButton> keep(this);
    if (const Ref<Cell> c = cell(); PopUpButtonCell* p = dynamic_cast<PopUpButtonCell*>(c.get()))
        p->performClickWithFrameInView(bounds(), this);
}

} // namespace kit
