#include "kit/x11/DisplayProbe.h"

#include <xcb/xcb.h>

namespace kit {

bool displayCanBeOpened(const QByteArray& name)
{
    xcb_connection_t* c = xcb_connect(name.isEmpty() ? nullptr : name.constData(), nullptr);
    const bool open = !xcb_connection_has_error(c);
    xcb_disconnect(c);
    return open;
}

} // namespace kit
