#include "kit/x11/Stacking.h"

#include "kit/x11/QtXcbConnection.h"

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

} // namespace

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
