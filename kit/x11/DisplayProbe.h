#pragma once

// Whether an X display answers, asked before any Qt platform is loaded: Qt's xcb platform aborts
// the process when it cannot connect, which a program would rather report as a plain error.

#include <QByteArray>

namespace kit {

// `name` as in DISPLAY; empty uses DISPLAY itself.
bool displayCanBeOpened(const QByteArray& name);

} // namespace kit
