#pragma once

// The pop-up button of the form's field labels. It behaves exactly as the kit's pop-up button; its
// own cell class lets interface files and archives name it, and keeps it when decoded.

#include "kit/controls/PopUpButton.h"

class JVLPopUpButtonCell : public kit::PopUpButtonCell {
    KIT_CLASS(JVLPopUpButtonCell)

    JVLPopUpButtonCell() = default;
};

class JVLPopUpButton : public kit::PopUpButton {
    KIT_CLASS(JVLPopUpButton)
    KIT_CONTROL_CELL_CLASS(JVLPopUpButton, JVLPopUpButtonCell)
public:
    explicit JVLPopUpButton(kit::Rect frame = {}, bool pullsDown = false);
};
