#pragma once

// A window whose zoom button can be switched off and that interface files can hold (content
// rectangle, style, title and content view).

#include "kit/appkit/Window.h"
#include "kit/foundation/Coder.h"

class JVLWindow : public kit::Window, public kit::Coding {
    KIT_CLASS(JVLWindow)

    JVLWindow() = default;
    JVLWindow(kit::Rect contentRect, unsigned styleMask);

    // Enables or disables the zoom button and remembers the flag.
    void setCanZoom(bool flag);
    bool canZoom() const { return canZoom_; }

    // kit::Coding: "contentRect", "styleMask" (read only at creation: stored), "title", "contentView".
    void encodeWithCoder(kit::Coder& coder) const override;
    void initWithCoder(kit::Coder& coder) override;

private:
    bool canZoom_ = true;
};
