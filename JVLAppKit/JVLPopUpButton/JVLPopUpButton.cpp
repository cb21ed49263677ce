#include "JVLAppKit/JVLPopUpButton/JVLPopUpButton.h"

KIT_REGISTER_CLASS(JVLPopUpButtonCell, kit::PopUpButtonCell)
{
    c.bundle("JVLAppKit");
    c.copyable();
}

KIT_REGISTER_CLASS(JVLPopUpButton, kit::PopUpButton) { c.bundle("JVLAppKit"); }

JVLPopUpButton::JVLPopUpButton(kit::Rect frame, bool pullsDown)
    : kit::PopUpButton(frame, cellClass()(), pullsDown)
{ }
