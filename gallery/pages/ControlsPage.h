#pragma once

class QWidget;

// The kit's own controls in their states, drawn by the kit under the current style: push,
// square, recessed and textured buttons, checkboxes (off, on, mixed), radios, pop-up and
// pull-down buttons, steppers, enabled and disabled.
QWidget* makeControlsPage();
