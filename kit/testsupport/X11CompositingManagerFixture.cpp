#include "kit/testsupport/X11CompositingManagerFixture.h"

#include <cstdlib>
#include <xcb/xcb.h>

namespace kit::test {

PretendCompositingManager::PretendCompositingManager()
{
    c_ = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c_))
        return;
    root_ = xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root;
    const char name[] = "_NET_WM_CM_S0";
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(c_, xcb_intern_atom(c_, 0, sizeof name - 1, name), nullptr);
    if (!atom)
        return;
    selection_ = atom->atom;
    std::free(atom);
    ready = true;
}

PretendCompositingManager::~PretendCompositingManager()
{
    if (c_)
        xcb_disconnect(c_);
}

void PretendCompositingManager::start()
{
    owner_ = xcb_generate_id(c_);
    xcb_create_window(
        c_, XCB_COPY_FROM_PARENT, owner_, root_, -1, -1, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    xcb_set_selection_owner(c_, owner_, selection_, XCB_CURRENT_TIME);
    sync();
}

void PretendCompositingManager::quitByDestroyingItsWindow()
{
    xcb_destroy_window(c_, owner_);
    sync();
}

void PretendCompositingManager::release()
{
    xcb_set_selection_owner(c_, XCB_NONE, selection_, XCB_CURRENT_TIME);
    sync();
}

bool PretendCompositingManager::ownsSelection()
{
    xcb_get_selection_owner_reply_t* reply = xcb_get_selection_owner_reply(c_, xcb_get_selection_owner(c_, selection_), nullptr);
    const bool owns = reply && owner_ != XCB_NONE && reply->owner == owner_;
    std::free(reply);
    return owns;
}

std::uint8_t PretendCompositingManager::depthOf(std::uint32_t window)
{
    xcb_get_geometry_reply_t* reply = xcb_get_geometry_reply(c_, xcb_get_geometry(c_, window), nullptr);
    const std::uint8_t depth = reply ? reply->depth : 0;
    std::free(reply);
    return depth;
}

// A round trip: the server has handled every request sent before it.
void PretendCompositingManager::sync() { std::free(xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr)); }

} // namespace kit::test
