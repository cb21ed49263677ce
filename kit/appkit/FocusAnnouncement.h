#pragma once

// What a responder announces of itself while it takes the focus (a field selecting its text) is
// heard after the focus announcement: a screen reader that hears the selection first follows it and
// never says the field's label. Main thread only.

#include <functional>

namespace kit {

// Held while it lives (Window::makeFirstResponder, a field editor's focus handover; they nest):
// what is announced meanwhile through AnnounceAfterFocus runs when the outermost one ends.
class FocusChangeScope {
public:
    FocusChangeScope();
    ~FocusChangeScope();
    FocusChangeScope(const FocusChangeScope&) = delete;
    FocusChangeScope& operator=(const FocusChangeScope&) = delete;
};

// Runs `announce` now, or after the change of focus under way.
void AnnounceAfterFocus(std::function<void()> announce);

} // namespace kit
