#include "kit/x11/QtXcbConnection.h"

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

namespace kit {

xcb_connection_t* qtXcbConnection()
{
    if (!qGuiApp || QGuiApplication::platformName() != QLatin1String("xcb"))
        return nullptr;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

xcb_connection_t* qtXcbConnectionWithExtension(xcb_extension_t* extension)
{
    xcb_connection_t* c = qtXcbConnection();
    if (!c)
        return nullptr;
    const xcb_query_extension_reply_t* data = xcb_get_extension_data(c, extension);
    return data && data->present ? c : nullptr;
}

} // namespace kit
