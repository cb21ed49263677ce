#include "kit/x11/ServerPointer.h"

#include "kit/x11/QtXcbConnection.h"

#include <cstdlib>
#include <xcb/xcb.h>

namespace kit {

std::optional<ServerPointer> serverPointer()
{
    xcb_connection_t* c = qtXcbConnection();
    if (!c)
        return std::nullopt;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    xcb_query_pointer_reply_t* reply = xcb_query_pointer_reply(c, xcb_query_pointer(c, root), nullptr);
    if (!reply)
        return std::nullopt;
    constexpr std::uint16_t buttons = XCB_BUTTON_MASK_1 | XCB_BUTTON_MASK_2 | XCB_BUTTON_MASK_3 | XCB_BUTTON_MASK_4 | XCB_BUTTON_MASK_5;
    const ServerPointer out { QPoint(reply->root_x, reply->root_y), (reply->mask & XCB_BUTTON_MASK_1) != 0, (reply->mask & buttons) != 0 };
    std::free(reply);
    return out;
}

} // namespace kit
