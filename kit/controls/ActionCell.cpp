#include "kit/controls/ActionCell.h"

#include "kit/appkit/Window.h"
#include "kit/controls/Control.h"

namespace kit {

KIT_REGISTER_CLASS(ActionCell, Cell) { }

ActionCell::ActionCell(const ActionCell& other)
    : Cell(other)
    , target_(other.target_)
    , action_(other.action_)
    , tag_(other.tag_)
{ }

Ref<Object> ActionCell::copyWithZone() const { return Ref<Object>(new ActionCell(*this), adopt); }

void ActionCell::changed()
{
    if (const Ref<Control> control = dynamic_pointer_cast<Control>(controlView()))
        control->updateCell(this);
    else if (const Ref<View> view = controlView())
        view->setNeedsDisplay(true);
}

} // namespace kit
