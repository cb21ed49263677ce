// The window's parts above and around its content: the kit-drawn toolbar between the top of the
// frame and the content view, and the title-bar buttons the window manager draws.

#include "kit/appkit/Toolbar.h"
#include "kit/appkit/Window.h"
#include "kit/appkit/WindowHost.h"

namespace kit {

Ref<Toolbar> Window::toolbar() const { return toolbar_; }

double Window::toolbarHeight() const { return toolbar_ && toolbar_->isVisible() ? Toolbar::Height : 0; }

void Window::setToolbar(Toolbar* toolbar)
{
    if (toolbar == toolbar_.get())
        return;
    const Ref<Window> keep(this);
    const Ref<Toolbar> incoming(toolbar);
    if (toolbar)
        if (const Ref<Window> other = toolbar->window(); other && other.get() != this)
            other->setToolbar(nullptr);
    willChangeValueForKey(QStringLiteral("toolbar"));
    const double before = toolbarHeight();
    if (toolbar_)
        toolbar_->attachToWindow(nullptr);
    toolbar_ = incoming;
    if (toolbar_) {
        frameView_->addSubview(toolbar_->toolbarView().get());
        toolbar_->attachToWindow(this);
    }
    toolbarHeightChanged(before);
    didChangeValueForKey(QStringLiteral("toolbar"));
}

void Window::toggleToolbarShown(Object*)
{
    if (toolbar_)
        toolbar_->setVisible(!toolbar_->isVisible());
}

void Window::toolbarHeightChanged(double before)
{
    const double delta = toolbarHeight() - before;
    if (delta != 0) {
        // The content keeps its size and the top-left corner stays: the frame grows downward.
        Rect frame = frame_;
        frame.size.height += delta;
        frame.origin.y -= delta;
        setFrameDisplay(frame, true);
    }
    layoutFrameView();
}

void Window::layoutFrameView()
{
    const double bar = toolbarHeight();
    const double w = frame_.width(), h = frame_.height();
    if (toolbar_) {
        const Ref<View> strip = toolbar_->toolbarView();
        strip->setHidden(bar == 0);
        if (bar > 0)
            strip->setFrame(MakeRect(0, h - bar, w, bar));
    }
    if (contentView_)
        contentView_->setFrame(MakeRect(0, 0, w, std::max(0.0, h - bar)));
}

// Title-bar buttons --------------------------------------------------------------------------------

TitleBarButton::TitleBarButton(Window* window, WindowButton kind, bool enabled)
    : window_(window)
    , kind_(kind)
    , enabled_(enabled)
{ }

void TitleBarButton::setEnabled(bool flag)
{
    if (enabled_ == flag)
        return;
    enabled_ = flag;
    if (const Ref<Window> w = window_.lock())
        w->updateTitleBarHints();
}

Ref<TitleBarButton> Window::standardWindowButton(WindowButton kind)
{
    if (!(styleMask_ & TitledWindowMask) || kind > WindowZoomButton)
        return nullptr;
    if (titleBarButtons_.empty()) {
        titleBarButtons_.push_back(make<TitleBarButton>(this, WindowCloseButton, bool(styleMask_ & ClosableWindowMask)));
        titleBarButtons_.push_back(make<TitleBarButton>(this, WindowMiniaturizeButton, bool(styleMask_ & MiniaturizableWindowMask)));
        titleBarButtons_.push_back(make<TitleBarButton>(this, WindowZoomButton, bool(styleMask_ & ResizableWindowMask)));
    }
    return titleBarButtons_[std::size_t(kind)];
}

void Window::updateTitleBarHints()
{
    // Once a button was changed the hints say exactly which buttons the window manager shows.
    Qt::WindowFlags flags = host_->windowFlags() & ~Qt::WindowType_Mask;
    flags &= ~(Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint);
    flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint;
    for (const Ref<TitleBarButton>& b : titleBarButtons_) {
        if (!b->isEnabled())
            continue;
        flags |= b->kind() == WindowCloseButton    ? Qt::WindowCloseButtonHint
            : b->kind() == WindowMiniaturizeButton ? Qt::WindowMinimizeButtonHint
                                                   : Qt::WindowMaximizeButtonHint;
    }
    setHostFlags((host_->windowFlags() & Qt::WindowType_Mask) | flags);
}

KIT_REGISTER_CLASS(TitleBarButton, Object) { c.property("isEnabled", &TitleBarButton::isEnabled, &TitleBarButton::setEnabled); }

} // namespace kit
