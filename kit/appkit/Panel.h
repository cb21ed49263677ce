#pragma once

// An auxiliary window: it never becomes main, floats over its application's windows when asked,
// and may become key only when a view that needs it is clicked.

#include "kit/appkit/Window.h"

namespace kit {

class Panel : public Window {
    KIT_CLASS(Panel)

    using Window::Window;

    bool becomesKeyOnlyIfNeeded() const { return keyOnlyIfNeeded_; }
    void setBecomesKeyOnlyIfNeeded(bool flag) { keyOnlyIfNeeded_ = flag; }
    bool isFloatingPanel() const { return level() >= FloatingWindowLevel; }
    void setFloatingPanel(bool flag) { setLevel(flag ? FloatingWindowLevel : NormalWindowLevel); }

    // kit::Window:
    bool canBecomeMainWindow() const override { return false; }
    void sendEvent(const Event& event) override;

private:
    bool keyOnlyIfNeeded_ = false;
};

} // namespace kit
