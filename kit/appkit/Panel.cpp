#include "kit/appkit/Panel.h"

#include "kit/appkit/Event.h"
#include "kit/appkit/View.h"

namespace kit {

void Panel::sendEvent(const Event& event)
{
    if (keyOnlyIfNeeded_ && event.type() == LeftMouseDown && !isKeyWindow()) {
        // Only a view that needs the panel key makes it key; others get the click as it is.
        const Ref<View> hit = frameView()->hitTest(event.locationInWindow());
        if (hit && hit->needsPanelToBecomeKey())
            makeKeyWindow();
        if (hit) {
            if (hit->acceptsFirstResponder() && hit->needsPanelToBecomeKey())
                makeFirstResponder(hit.get());
            hit->mouseDown(event);
        }
        return;
    }
    Window::sendEvent(event);
}

KIT_REGISTER_CLASS(Panel, Window) { }

} // namespace kit
