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
    // The manager announces the screen with a MANAGER message to the root (to structure- or, as
    // openbox sends it, substructure-notify clients); selected before the spawn so it cannot be missed.
    const std::uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c_, root_, XCB_CW_EVENT_MASK, &mask);
    const std::uint32_t manager = atom("MANAGER");
    const std::uint32_t wmS0 = atom("WM_S0");

    char* argv[] = {const_cast<char*>(kOpenbox), const_cast<char*>("--sm-disable"), nullptr};
    if (posix_spawn(&pid_, kOpenbox, nullptr, nullptr, argv, environ) != 0) {
        pid_ = 0;
        return false;
    }
    const bool managed = waitForEvent(XCB_CLIENT_MESSAGE, [&](const void* event) {
        const auto* message = static_cast<const xcb_client_message_event_t*>(event);
        return message->type == manager && message->data.data32[1] == wmS0;
    }, 5000);
    const std::uint32_t none = 0;
    xcb_change_window_attributes(c_, root_, XCB_CW_EVENT_MASK, &none);
    sync();
    // Announced, it is still starting: a window mapped before its event loop runs stays unmapped.
    return managed && syncWithManager();
}

bool WindowManagerOnServer::waitForEvent(std::uint8_t type, const std::function<bool(const void*)>& matches, int milliseconds)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (!xcb_connection_has_error(c_)) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(c_)) {
            const bool found = (event->response_type & 0x7f) == type && matches(event);
            std::free(event);
            if (found)
                return true;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        pollfd fd { xcb_get_file_descriptor(c_), POLLIN, 0 };
        ::poll(&fd, 1, static_cast<int>(left.count()));
    }
    return false;
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

void WindowManagerOnServer::requestFromPager(std::uint32_t window, const char* type)
{
    xcb_client_message_event_t message {};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = atom(type);
    message.data.data32[0] = 2; // the source: a pager
    xcb_send_event(c_, 0, root_, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
        reinterpret_cast<const char*>(&message));
    xcb_flush(c_);
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

std::uint32_t WindowManagerOnServer::parentOf(std::uint32_t window)
{
    xcb_query_tree_reply_t* tree = xcb_query_tree_reply(c_, xcb_query_tree(c_, window), nullptr);
    const std::uint32_t parent = tree ? tree->parent : 0;
    std::free(tree);
    return parent;
}

std::pair<int, int> WindowManagerOnServer::topLeftOnScreen(std::uint32_t window)
{
    xcb_translate_coordinates_reply_t* at = xcb_translate_coordinates_reply(c_, xcb_translate_coordinates(c_, window, root_, 0, 0), nullptr);
    const std::pair<int, int> out = at ? std::pair<int, int>(at->dst_x, at->dst_y) : std::pair<int, int>(0, 0);
    std::free(at);
    return out;
}

bool WindowManagerOnServer::syncWithManager()
{
    if (!running())
        return false;
    const std::uint32_t extents = atom("_NET_FRAME_EXTENTS");
    if (!probe_) {
        probe_ = xcb_generate_id(c_);
        const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_create_window(c_, XCB_COPY_FROM_PARENT, probe_, root_, -10, -10, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
            XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &mask);
    }
    xcb_client_message_event_t request {};
    request.response_type = XCB_CLIENT_MESSAGE;
    request.format = 32;
    request.window = probe_;
    request.type = atom("_NET_REQUEST_FRAME_EXTENTS");
    const auto answered = [&](const void* event) {
        const auto* notify = static_cast<const xcb_property_notify_event_t*>(event);
        return notify->window == probe_ && notify->atom == extents && notify->state == XCB_PROPERTY_NEW_VALUE;
    };
    // A manager still starting drops requests: asked again until it answers.
    for (int attempt = 0; attempt < 25; ++attempt) {
        xcb_delete_property(c_, probe_, extents);
        xcb_send_event(c_, 0, root_, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
            reinterpret_cast<const char*>(&request));
        xcb_flush(c_);
        if (waitForEvent(XCB_PROPERTY_NOTIFY, answered, 200))
            return true;
    }
    return false;
}

// A round trip: the server has handled every request sent before it.
void WindowManagerOnServer::sync() { std::free(xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr)); }

} // namespace kit::test
