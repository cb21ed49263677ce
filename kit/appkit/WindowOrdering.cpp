// The window's place among the others: ordering in and out, key and main state, and what a click
// in a window that is not key does to them.

#include "kit/appkit/Application.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/View.h"
#include "kit/appkit/Window.h"
#include "kit/appkit/WindowHost.h"

namespace kit {

void Window::orderFront(Object*)
{
    if (!visible_) {
        visible_ = true;
        invalidateRect(MakeRect(0, 0, frame_.width(), frame_.height()));
    }
    host_->show();
    host_->raise();
}

void Window::orderOut(Object*)
{
    visible_ = false;
    host_->hide();
    auto app = Application::sharedApplication();
    const Ref<Window> keep(this);
    if (app->keyWindow().get() == this) {
        resignKeyWindow();
        app->key_ = nullptr;
        postNote(WindowDidResignKeyNotification, "windowDidResignKey", &WindowDelegate::windowDidResignKey);
    }
    if (app->mainWindow().get() == this) {
        resignMainWindow();
        app->main_ = nullptr;
        postNote(WindowDidResignMainNotification, "windowDidResignMain", &WindowDelegate::windowDidResignMain);
    }
}

void Window::makeKeyAndOrderFront(Object* sender)
{
    orderFront(sender);
    makeKeyWindow();
}

bool Window::handleFirstMouse(const Event& event, View* hit)
{
    auto app = Application::sharedApplication();
    orderingDelayed_ = false;
    app->windowOrderingPrevented_ = false;
    // Only scripts click windows that are not on screen: those take the click as if key.
    if (!visible_ || (isKeyWindow() && app->isActive())) {
        if (!isKeyWindow())
            makeKeyWindow();
        return true;
    }
    if (hit && hit->shouldDelayWindowOrderingForEvent(event))
        orderingDelayed_ = true;
    else
        bringForwardByClick();
    // A window that never becomes key takes every click.
    return !canBecomeKeyWindow() || (hit && hit->acceptsFirstMouse(&event));
}

void Window::finishFirstMouse()
{
    if (!orderingDelayed_)
        return;
    orderingDelayed_ = false;
    if (!Application::sharedApplication()->windowOrderingPrevented_)
        bringForwardByClick();
}

void Window::bringForwardByClick()
{
    const Ref<Window> keep(this);
    Application::sharedApplication()->setActive(true);
    orderFront();
    makeKeyWindow();
}

bool Window::canBecomeKeyWindow() const { return styleMask_ != BorderlessWindowMask; }
bool Window::canBecomeMainWindow() const { return visible_ && styleMask_ != BorderlessWindowMask; }

void Window::makeKeyWindow()
{
    auto app = Application::sharedApplication();
    if (!canBecomeKeyWindow() || app->keyWindow().get() == this)
        return;
    const Ref<Window> keep(this);
    if (const Ref<Window> old = app->keyWindow()) {
        old->resignKeyWindow();
        app->key_ = nullptr;
        old->postNote(WindowDidResignKeyNotification, "windowDidResignKey", &WindowDelegate::windowDidResignKey);
    }
    app->key_ = this;
    becomeKeyWindow();
    postNote(WindowDidBecomeKeyNotification, "windowDidBecomeKey", &WindowDelegate::windowDidBecomeKey);
    if (canBecomeMainWindow())
        makeMainWindow();
}

void Window::makeMainWindow()
{
    auto app = Application::sharedApplication();
    if (!canBecomeMainWindow() || app->mainWindow().get() == this)
        return;
    const Ref<Window> keep(this);
    if (const Ref<Window> old = app->mainWindow()) {
        old->resignMainWindow();
        app->main_ = nullptr;
        old->postNote(WindowDidResignMainNotification, "windowDidResignMain", &WindowDelegate::windowDidResignMain);
    }
    app->main_ = this;
    becomeMainWindow();
    postNote(WindowDidBecomeMainNotification, "windowDidBecomeMain", &WindowDelegate::windowDidBecomeMain);
}

bool Window::isKeyWindow() const { return Application::sharedApplication()->keyWindow().get() == this; }
bool Window::isMainWindow() const { return Application::sharedApplication()->mainWindow().get() == this; }

void Window::becomeKeyWindow()
{
    if (!firstResponder_.unsafeRaw())
        if (const Ref<View> initial = initialFirstResponder())
            makeFirstResponder(initial.get());
    setViewsNeedDisplay(true);
    noteGeometryChanged();
}

void Window::resignKeyWindow()
{
    setViewsNeedDisplay(true);
    noteGeometryChanged();
}

void Window::becomeMainWindow() { setViewsNeedDisplay(true); }
void Window::resignMainWindow() { setViewsNeedDisplay(true); }

} // namespace kit
