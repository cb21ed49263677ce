#include "JVLAppKit/JVLWindow/JVLWindow.h"

using namespace kit;

KIT_REGISTER_CLASS(JVLWindow, kit::Window)
{
    c.bundle("JVLAppKit");
    c.property("canZoom", &JVLWindow::canZoom, &JVLWindow::setCanZoom);
}

JVLWindow::JVLWindow(Rect contentRect, unsigned styleMask)
    : Window(contentRect, styleMask)
{ }

void JVLWindow::setCanZoom(bool flag)
{
    canZoom_ = flag;
    if (Ref<TitleBarButton> zoom = standardWindowButton(WindowZoomButton))
        zoom->setEnabled(flag);
}

void JVLWindow::encodeWithCoder(Coder& coder) const
{
    coder.encodeIntegerForKey(styleMask(), QStringLiteral("styleMask"));
    coder.encodeRectForKey(contentRectForFrameRect(frame()), QStringLiteral("contentRect"));
    coder.encodeObjectForKey(Value(title()), QStringLiteral("title"));
    coder.encodeObjectForKey(Value(contentView()), QStringLiteral("contentView"));
}

void JVLWindow::initWithCoder(Coder& coder)
{
    if (coder.containsValueForKey(QStringLiteral("styleMask")))
        setStyleMask(unsigned(coder.decodeIntegerForKey(QStringLiteral("styleMask"))));
    if (coder.containsValueForKey(QStringLiteral("contentRect"))) {
        const Rect r = coder.decodeRectForKey(QStringLiteral("contentRect"));
        setFrameDisplay(frameRectForContentRect(r), false);
    }
    if (coder.containsValueForKey(QStringLiteral("title")))
        setTitle(coder.decodeStringForKey(QStringLiteral("title")));
    if (coder.containsValueForKey(QStringLiteral("contentView")))
        if (Ref<Object> view = coder.decodeObjectOfClassForKey(View::staticClass(), QStringLiteral("contentView")))
            setContentView(static_cast<View*>(view.get()));
}
