#include "kit/x11/Stacking.h"

#include "kit/x11/QtXcbConnection.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QTimer>

#include <algorithm>
#include <cstdlib>
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

class StackingWatch final : public QAbstractNativeEventFilter {
public:
    StackingWatch(xcb_connection_t* c, xcb_window_t root)
        : root_(root)
    {
        // Every restack of the root's children (a window manager's frames), added to what Qt
        // listens to there.
        xcb_get_window_attributes_reply_t* attributes = xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, root), nullptr);
        const std::uint32_t mask = (attributes ? attributes->your_event_mask : 0) | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        std::free(attributes);
        xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(c);
        QCoreApplication::instance()->installNativeEventFilter(this);
    }

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override
    {
        if (type != "xcb_generic_event_t" || !restacked_ || pending_)
            return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if ((event->response_type & 0x7f) != XCB_CONFIGURE_NOTIFY)
            return false;
        // Unmanaged windows (the kit's own among them) are ordered by their clients: not a restack
        // by the window manager, and never an answer to one.
        const auto* notify = reinterpret_cast<const xcb_configure_notify_event_t*>(event);
        if (notify->event != root_ || notify->override_redirect)
            return false;
        pending_ = true;
        QTimer::singleShot(0, QCoreApplication::instance(), [this] {
            pending_ = false;
            if (restacked_)
                restacked_();
        });
        return false;
    }

    std::function<void()> restacked_;

private:
    xcb_window_t root_;
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
