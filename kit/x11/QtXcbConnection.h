#pragma once

// Qt's own connection to the X server, which the kit's X11 files share so that their requests and
// events stay in order with Qt's.

struct xcb_connection_t;
struct xcb_extension_t;

namespace kit {

// nullptr off the xcb platform.
xcb_connection_t* qtXcbConnection();
// The same, only when the server has the extension `extension`.
xcb_connection_t* qtXcbConnectionWithExtension(xcb_extension_t* extension);

} // namespace kit
