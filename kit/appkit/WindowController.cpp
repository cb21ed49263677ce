#include "kit/appkit/WindowController.h"

#include "kit/appkit/Window.h"
#include "kit/foundation/Bundle.h"

namespace kit {

KIT_REGISTER_CLASS(WindowController, Responder)
{
    // The interface file's outlet; reading it loads nothing.
    c.property(
        "window", [](const WindowController& x) { return Value(x.window_); },
        [](WindowController& x, const Value& v) { x.setWindow(dynamic_cast<Window*>(v.object().get())); });
    c.action("showWindow", &WindowController::showWindow);
    c.action("close", &WindowController::close);
}

WindowController::WindowController(Window* window)
{
    setMainThreadAffine();
    setWindow(window);
}

WindowController::WindowController(const QString& windowNibName)
    : nibName_(windowNibName)
{
    setMainThreadAffine();
}

WindowController::~WindowController() = default;

Ref<Window> WindowController::window()
{
    if (!window_ && !nibName_.isEmpty() && !loading_) {
        loading_ = true;
        windowWillLoad();
        loadWindow();
        loading_ = false;
        if (window_)
            windowDidLoad();
    }
    return window_;
}

void WindowController::setWindow(Window* window) { window_ = window; }

void WindowController::loadWindow()
{
    Array topLevel;
    if (Bundle::loadNibNamedOwnerTopLevelObjects(nibName_, this, &topLevel))
        topLevelObjects_ = topLevel;
}

void WindowController::showWindow(Object*)
{
    if (Ref<Window> w = window())
        w->makeKeyAndOrderFront(this);
}

void WindowController::close()
{
    if (window_)
        window_->close();
}

} // namespace kit
