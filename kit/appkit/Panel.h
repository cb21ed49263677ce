#pragma once

// An auxiliary window: it never becomes main, floats over its application's windows when asked,
// and may become key only when a view that needs it is clicked. Natively a tool window.

#include "kit/appkit/Window.h"

namespace kit {

class Panel : public Window {
    KIT_CLASS(Panel)

    Panel(Rect contentRect, unsigned styleMask);
    Panel()
        : Panel(MakeRect(0, 0, 100, 100), TitledWindowMask)
    { }

    bool becomesKeyOnlyIfNeeded() const { return keyOnlyIfNeeded_; }
    void setBecomesKeyOnlyIfNeeded(bool flag) { keyOnlyIfNeeded_ = flag; }
    bool isFloatingPanel() const { return level() >= FloatingWindowLevel; }
    void setFloatingPanel(bool flag) { setLevel(flag ? FloatingWindowLevel : NormalWindowLevel); }

    // kit::Window:
    bool canBecomeMainWindow() const override { return false; }

protected:
    // kit::Window: a panel that becomes key only if needed takes the click without becoming key
    // unless the clicked view needs it.
    bool becomesKeyOnPressIn(const View* hit) const override;

private:
    bool keyOnlyIfNeeded_ = false;
};

} // namespace kit
