#include "kit/x11/Stacking.h"

#include "kit/core/Exception.h"
#include "kit/x11/QtXcbConnection.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <xcb/xcb.h>

namespace kit {

namespace {

// The child of the root that holds `window`, or none.
xcb_window_t topLevelAncestor(xcb_connection_t* c, xcb_window_t window)
{
    for (int depth = 0; depth < 64; ++depth) {
        xcb_query_tree_reply_t* tree = xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr);
        if (!tree)
            return XCB_NONE;
        const xcb_window_t parent = tree->parent, root = tree->root;
        std::free(tree);
        if (parent == root || parent == XCB_NONE)
            return window;
        window = parent;
    }
    return XCB_NONE;
}

// Requests other clients (pagers, panels, Qt itself) send the window manager through the root, as
// client messages with the substructure masks: the watch's selection brings them to this client.
constexpr const char* kRequestsToTheManager[] = { "_NET_ACTIVE_WINDOW", "_NET_CLOSE_WINDOW", "_NET_MOVERESIZE_WINDOW",
    "_NET_WM_MOVERESIZE", "_NET_RESTACK_WINDOW", "_NET_REQUEST_FRAME_EXTENTS", "_NET_WM_STATE", "_NET_WM_DESKTOP",
    "_NET_CURRENT_DESKTOP", "_NET_NUMBER_OF_DESKTOPS", "_NET_DESKTOP_GEOMETRY", "_NET_DESKTOP_VIEWPORT", "_NET_SHOWING_DESKTOP",
    "_NET_WM_FULLSCREEN_MONITORS", "WM_CHANGE_STATE", "_KDE_WM_CHANGE_STATE" };

// The notices of a window's life that substructure-notify selects on its parent: each carries the
// parent ("event") then the window, in the same two words.
bool isSubstructureNotice(std::uint8_t type)
{
    switch (type) {
    case XCB_CREATE_NOTIFY:
    case XCB_DESTROY_NOTIFY:
    case XCB_UNMAP_NOTIFY:
    case XCB_MAP_NOTIFY:
    case XCB_REPARENT_NOTIFY:
    case XCB_CONFIGURE_NOTIFY:
    case XCB_GRAVITY_NOTIFY:
    case XCB_CIRCULATE_NOTIFY:
        return true;
    default:
        return false;
    }
}

class StackingWatch final : public QAbstractNativeEventFilter {
public:
    StackingWatch(xcb_connection_t* c, xcb_window_t root)
        : root_(root)
    {
        std::vector<xcb_intern_atom_cookie_t> cookies;
        for (const char* name : kRequestsToTheManager)
            cookies.push_back(xcb_intern_atom(c, 0, std::uint16_t(std::strlen(name)), name));
        for (const xcb_intern_atom_cookie_t cookie : cookies)
            if (xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(c, cookie, nullptr)) {
                if (reply->atom != XCB_NONE)
                    requests_.push_back(reply->atom);
                std::free(reply);
            }
        // Every restack of the root's children (a window manager's frames), added to what Qt
        // listens to there. What only this selection brings is the watch's alone.
        xcb_get_window_attributes_reply_t* attributes = xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, root), nullptr);
        const std::uint32_t qtMask = attributes ? attributes->your_event_mask : 0;
        std::free(attributes);
        ownsSelection_ = !(qtMask & XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY);
        const std::uint32_t mask = qtMask | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(c);
        QCoreApplication::instance()->installNativeEventFilter(this);
    }

    // Answers whether the event is the watch's own, kept from Qt.
    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override
    {
        if (type != "xcb_generic_event_t")
            return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        const std::uint8_t kind = event->response_type & 0x7f;
        if (kind == XCB_CLIENT_MESSAGE) {
            // Qt would dispatch them to the window they name and complain it has no use for them.
            const auto* request = reinterpret_cast<const xcb_client_message_event_t*>(event);
            return ownsSelection_ && std::find(requests_.begin(), requests_.end(), request->type) != requests_.end();
        }
        if (!isSubstructureNotice(kind))
            return false;
        std::uint32_t parent = 0, window = 0;
        std::memcpy(&parent, reinterpret_cast<const char*>(event) + 4, 4);
        std::memcpy(&window, reinterpret_cast<const char*>(event) + 8, 4);
        if (parent != root_ || window == root_)
            return false;
        // Unmanaged windows (the kit's own among them) are ordered by their clients: not a restack
        // by the window manager, and never an answer to one.
        if (kind == XCB_CONFIGURE_NOTIFY && !reinterpret_cast<const xcb_configure_notify_event_t*>(event)->override_redirect)
            noteRestack();
        return ownsSelection_;
    }

    std::function<void()> restacked_;

private:
    void noteRestack()
    {
        if (!restacked_ || pending_)
            return;
        pending_ = true;
        QTimer::singleShot(0, QCoreApplication::instance(), [this] {
            pending_ = false;
            if (restacked_)
                restacked_();
        });
    }

    xcb_window_t root_;
    std::vector<xcb_atom_t> requests_;
    bool ownsSelection_ = false;
    bool pending_ = false;
};

} // namespace

void watchStackingOnServer(std::function<void()> restacked)
{
    xcb_connection_t* c = qtXcbConnection();
    if (!c)
        return;
    static StackingWatch* watch = new StackingWatch(c, xcb_setup_roots_iterator(xcb_get_setup(c)).data->root);
    watch->restacked_ = std::move(restacked);
}

void waitUntilWithdrawnOnServer(unsigned long window)
{
    xcb_connection_t* c = qtXcbConnection();
    if (!c || !window)
        return;
    xcb_flush(c);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    // The manager answers within a few of its event turns; each query is a round trip.
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (std::chrono::steady_clock::now() < giveUp) {
        xcb_query_tree_reply_t* tree = xcb_query_tree_reply(c, xcb_query_tree(c, xcb_window_t(window)), nullptr);
        const bool onRoot = !tree || tree->parent == root;
        std::free(tree);
        if (onRoot)
            return;
        std::this_thread::yield();
    }
    // Mapped anyway, the window may stay unmapped or come up framed: worth a line when it does.
    logMessage(QStringLiteral("Window 0x%1 was not let go by the window manager within a second; mapping it anyway").arg(window, 0, 16));
}

std::optional<std::vector<unsigned long>> stackingOnServer(const std::vector<unsigned long>& windows)
{
    xcb_connection_t* c = qtXcbConnection();
    if (!c)
        return std::nullopt;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    xcb_query_tree_reply_t* tree = xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr);
    if (!tree)
        return std::nullopt;
    // The root's children come bottom to top.
    const xcb_window_t* children = xcb_query_tree_children(tree);
    const std::vector<xcb_window_t> order(children, children + xcb_query_tree_children_length(tree));
    std::free(tree);
    std::vector<std::pair<std::ptrdiff_t, unsigned long>> ranked;
    for (const unsigned long w : windows) {
        const auto at = std::find(order.begin(), order.end(), topLevelAncestor(c, xcb_window_t(w)));
        if (at != order.end())
            ranked.emplace_back(at - order.begin(), w);
    }
    std::stable_sort(ranked.begin(), ranked.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<unsigned long> out;
    for (const auto& [rank, w] : ranked)
        out.push_back(w);
    return out;
}

} // namespace kit
