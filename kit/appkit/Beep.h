#pragma once

// The system beep behind a replaceable hook, so that tests can count beeps and headless runs
// stay quiet.

#include <functional>

namespace kit {

void Beep();

// Replaces what Beep() does; an empty function restores the default (QApplication::beep).
void setBeepHook(std::function<void()> hook);

} // namespace kit
