#include "kit/controls/ActionCell.h"

#include "kit/appkit/Window.h"
#include "kit/controls/Control.h"

namespace kit {

KIT_REGISTER_CLASS(ActionCell, Cell) { c.copyable(); }

void ActionCell::copyTo(Object& copy) const
{
    Cell::copyTo(copy);
    auto& c = static_cast<ActionCell&>(copy);
    c.target_ = target_;
    c.action_ = action_;
    c.tag_ = tag_;
}

void ActionCell::changed()
{
    if (const Ref<Control> control = dynamic_pointer_cast<Control>(controlView()))
        control->updateCell(this);
    else if (const Ref<View> view = controlView())
        view->setNeedsDisplay(true);
}

} // namespace kit
