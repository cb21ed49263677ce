// The window's place among the others: ordering in and out (children follow their parent), key and
// main state, and what a click in a window that is not key does: what the window manager does, raise
// and activate at the press.

#include "kit/appkit/Application.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/View.h"
#include "kit/appkit/Window.h"
#include "kit/appkit/WindowHost.h"

#include <algorithm>

namespace kit {

std::vector<Ref<Window>> Application::orderedWindows() const
{
    std::vector<Ref<Window>> out;
    for (auto it = stacking_.rbegin(); it != stacking_.rend(); ++it)
        if (Ref<Window> w = it->lock(); w && w->isVisible())
            out.push_back(std::move(w));
    return out;
}

void Window::restack(const Window* below)
{
    auto& stack = Application::sharedApplication()->stacking_;
    std::erase_if(stack, [this](const Weak<Window>& w) { return w.unsafeRaw() == this || !w.unsafeRaw(); });
    auto at = stack.end();
    if (below)
        at = std::find_if(stack.begin(), stack.end(), [below](const Weak<Window>& w) { return w.unsafeRaw() == below; });
    stack.insert(at, Weak<Window>(this));
}

void Window::orderFront(Object*)
{
    if (!visible_) {
        constrainFirstFrame();
        visible_ = true;
        invalidateRect(MakeRect(0, 0, frame_.width(), frame_.height()));
        // Its views hear of the window's first update without waiting for input.
        Application::sharedApplication()->scheduleWindowUpdate();
    }
    // A fully transparent window stays off the screen, though the kit counts it visible.
    if (alpha_ > 0 && !host_->isVisible()) {
        // Drawn before it appears: the first expose shows the views, not an empty backing.
        displayIfNeeded();
        prepareHostForMap();
        host_->show();
    }
    raiseHost();
    restack(nullptr);
    orderChildren();
}

void Window::raiseHost()
{
    // A window kept off the screen (offscreen rendering) is stacked by the kit alone: the platform
    // has no stacking to change and would only complain.
    if (!host_->testAttribute(Qt::WA_DontShowOnScreen))
        host_->raise();
}

void Window::orderChildren()
{
    // Children above the parent are raised after it; those below go right under it.
    for (const auto& [w, place] : children_)
        if (const Ref<Window> child = w.lock()) {
            if (place == WindowBelow) {
                child->orderFront();
                child->host_->stackUnder(host_.get());
                child->restack(this);
            } else {
                child->orderFront();
            }
        }
}

void Window::orderOut(Object*)
{
    const Ref<Window> keep(this);
    visible_ = false;
    host_->hide();
    if (const std::optional<bool> unmanaged = std::exchange(unmanagedWhenHidden_, std::nullopt))
        setUnmanagedChild(*unmanaged);
    auto app = Application::sharedApplication();
    std::erase_if(app->stacking_, [this](const Weak<Window>& w) { return w.unsafeRaw() == this || !w.unsafeRaw(); });
    // Children go with the parent (a key child hands key on, past the parent already out).
    for (const Ref<Window>& child : childWindows())
        child->orderOut();
    const bool wasKey = app->keyWindow().get() == this;
    if (wasKey) {
        resignKeyWindow();
        app->key_ = nullptr;
        postNote(WindowDidResignKeyNotification, "windowDidResignKey", &WindowDelegate::windowDidResignKey);
    }
    if (app->mainWindow().get() == this) {
        resignMainWindow();
        app->main_ = nullptr;
        postNote(WindowDidResignMainNotification, "windowDidResignMain", &WindowDelegate::windowDidResignMain);
    }
    // Key goes to the frontmost window that can take it, as the window manager's focus would.
    if (wasKey && !app->keyWindow())
        for (const Ref<Window>& w : app->orderedWindows())
            if (w->canBecomeKeyWindow()) {
                w->makeKeyWindow();
                break;
            }
}

void Window::makeKeyAndOrderFront(Object* sender)
{
    orderFront(sender);
    makeKeyWindow();
}

bool Window::handleFirstMouse(const Event&, View* hit)
{
    // As the window manager does: the press raises and activates the window and is delivered too.
    // acceptsFirstMouse and shouldDelayWindowOrderingForEvent stay answers views give, not acted on.
    if (!becomesKeyOnPressIn(hit)) {
        if (visible_)
            orderFront();
        return true;
    }
    if (!isKeyWindow() || !Application::sharedApplication()->isActive()) {
        if (visible_)
            bringForwardByClick();
        else
            makeKeyWindow(); // only scripts click windows that are not on screen
    } else if (visible_) {
        keepChildrenAbove();
    }
    return true;
}

void Window::finishFirstMouse() { }

void Window::bringForwardByClick()
{
    const Ref<Window> keep(this);
    Application::sharedApplication()->setActive(true);
    orderFront();
    makeKeyWindow();
}

bool Window::canBecomeKeyWindow() const { return styleMask_ != BorderlessWindowMask; }
bool Window::canBecomeMainWindow() const { return visible_ && styleMask_ != BorderlessWindowMask; }

void Window::makeKeyWindow() { becomeKey(true); }

void Window::becomeKey(bool askFocus)
{
    auto app = Application::sharedApplication();
    // A window clicks pass through is never focused, whatever its style.
    if (!canBecomeKeyWindow() || ignoresMouse_)
        return;
    const Ref<Window> keep(this);
    const bool wasKey = app->keyWindow().get() == this;
    if (!wasKey) {
        if (const Ref<Window> old = app->keyWindow()) {
            old->resignKeyWindow();
            app->key_ = nullptr;
            old->postNote(WindowDidResignKeyNotification, "windowDidResignKey", &WindowDelegate::windowDidResignKey);
        }
        app->key_ = this;
        becomeKeyWindow();
        postNote(WindowDidBecomeKeyNotification, "windowDidBecomeKey", &WindowDelegate::windowDidBecomeKey);
        app->scheduleWindowUpdate();
        if (canBecomeMainWindow())
            makeMainWindow();
    }
    // Without this the window manager's focus stays where it was (a closed window's, say) and the
    // keys go elsewhere; the key window asks again when the focus left it for a window of Qt's own
    // (an alert) that closed. An inactive application takes no focus from another.
    if (askFocus && app->isActive() && visible_ && host_->isVisible() && !host_->testAttribute(Qt::WA_DontShowOnScreen)
        && !(wasKey && host_->isActiveWindow())) {
        // The host is the window's focus widget before the server answers: activated straight from
        // another window, Qt would otherwise leave it without focus and the kit unaware of it.
        host_->setFocus(Qt::ActiveWindowFocusReason);
        host_->activateWindow();
    }
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
