#include "kit/testsupport/X11WindowManagerFixture.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

extern char** environ;

namespace kit::test {

namespace {

constexpr const char* kOpenbox = "/usr/bin/openbox";

} // namespace

WindowManagerOnServer::WindowManagerOnServer()
{
    c_ = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c_))
        return;
    root_ = xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root;
}

WindowManagerOnServer::~WindowManagerOnServer()
{
    stop();
    if (c_)
        xcb_disconnect(c_);
}

bool WindowManagerOnServer::available() { return ::access(kOpenbox, X_OK) == 0; }

std::uint32_t WindowManagerOnServer::atom(const char* name)
{
    xcb_intern_atom_reply_t* reply =
        xcb_intern_atom_reply(c_, xcb_intern_atom(c_, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
    const std::uint32_t value = reply ? reply->atom : 0;
    std::free(reply);
    return value;
}

bool WindowManagerOnServer::screenIsManaged()
{
    xcb_get_selection_owner_reply_t* reply = xcb_get_selection_owner_reply(c_, xcb_get_selection_owner(c_, atom("WM_S0")), nullptr);
    const bool owned = reply && reply->owner != XCB_NONE;
    std::free(reply);
    return owned;
}

bool WindowManagerOnServer::start()
{
    if (!c_ || xcb_connection_has_error(c_) || pid_ > 0 || !available())
        return false;
    // The manager announces the screen with a MANAGER message to the root (structure-notify clients);
    // selected before the spawn so the announcement cannot be missed.
    const std::uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_change_window_attributes(c_, root_, XCB_CW_EVENT_MASK, &mask);
    const std::uint32_t manager = atom("MANAGER");
    const std::uint32_t wmS0 = atom("WM_S0");

    char* argv[] = {const_cast<char*>(kOpenbox), const_cast<char*>("--sm-disable"), nullptr};
    if (posix_spawn(&pid_, kOpenbox, nullptr, nullptr, argv, environ) != 0) {
        pid_ = 0;
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    bool managed = false;
    while (!managed) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(c_)) {
            if ((event->response_type & 0x7f) == XCB_CLIENT_MESSAGE) {
                auto* message = reinterpret_cast<xcb_client_message_event_t*>(event);
                managed = managed || (message->type == manager && message->data.data32[1] == wmS0);
            }
            std::free(event);
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (managed || left.count() <= 0 || xcb_connection_has_error(c_))
            break;
        pollfd fd {xcb_get_file_descriptor(c_), POLLIN, 0};
        ::poll(&fd, 1, static_cast<int>(left.count()));
    }
    const std::uint32_t none = 0;
    xcb_change_window_attributes(c_, root_, XCB_CW_EVENT_MASK, &none);
    sync();
    return managed || screenIsManaged();
}

void WindowManagerOnServer::stop()
{
    if (pid_ <= 0)
        return;
    ::kill(pid_, SIGTERM);
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = 0;
    if (c_)
        sync();
}

std::uint32_t WindowManagerOnServer::activeWindow()
{
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        c_, xcb_get_property(c_, 0, root_, atom("_NET_ACTIVE_WINDOW"), XCB_ATOM_WINDOW, 0, 1), nullptr);
    std::uint32_t window = 0;
    if (reply && xcb_get_property_value_length(reply) >= 4)
        std::memcpy(&window, xcb_get_property_value(reply), 4);
    std::free(reply);
    return window;
}

bool WindowManagerOnServer::isViewable(std::uint32_t window)
{
    xcb_get_window_attributes_reply_t* reply = xcb_get_window_attributes_reply(c_, xcb_get_window_attributes(c_, window), nullptr);
    const bool viewable = reply && reply->map_state == XCB_MAP_STATE_VIEWABLE;
    std::free(reply);
    return viewable;
}

// A round trip: the server has handled every request sent before it.
void WindowManagerOnServer::sync() { std::free(xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr)); }

} // namespace kit::test
