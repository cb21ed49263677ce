#include "kit/x11/CompositingManagerWatch.h"

#include "kit/x11/QtXcbConnection.h"

#include <QAbstractNativeEventFilter>
#include <QByteArray>
#include <QCoreApplication>

#include <cstdlib>
#include <xcb/xcb.h>
#include <xcb/xfixes.h>

namespace kit {

namespace {

class X11CompositingManagerWatch final : public CompositingManagerWatch, public QAbstractNativeEventFilter {
public:
    X11CompositingManagerWatch(xcb_connection_t* c, xcb_window_t root, xcb_atom_t selection, std::uint8_t firstEvent,
        std::function<void(bool)> changed)
        : c_(c)
        , selection_(selection)
        , firstEvent_(firstEvent)
        , changed_(std::move(changed))
    {
        QCoreApplication::instance()->installNativeEventFilter(this);
        xcb_xfixes_select_selection_input(c_, root, selection_,
            XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER | XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY
                | XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
        // Asked after the events are selected, so no change falls between the two.
        xcb_get_selection_owner_reply_t* reply = xcb_get_selection_owner_reply(c_, xcb_get_selection_owner(c_, selection_), nullptr);
        running_ = reply && reply->owner != XCB_NONE;
        std::free(reply);
    }

    ~X11CompositingManagerWatch() override
    {
        if (QCoreApplication::instance())
            QCoreApplication::instance()->removeNativeEventFilter(this);
    }

    bool isRunning() const override { return running_; }

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override
    {
        if (type != "xcb_generic_event_t")
            return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if ((event->response_type & 0x7f) != firstEvent_ + XCB_XFIXES_SELECTION_NOTIFY)
            return false;
        const auto* notify = reinterpret_cast<const xcb_xfixes_selection_notify_event_t*>(event);
        if (notify->selection != selection_)
            return false;
        // Gone with its window or its client, or handed to nobody: no manager.
        const bool running = notify->subtype == XCB_XFIXES_SELECTION_EVENT_SET_SELECTION_OWNER && notify->owner != XCB_NONE;
        if (running != running_) {
            running_ = running;
            if (changed_)
                changed_(running_);
        }
        // Others (the clipboard) may watch selections too.
        return false;
    }

private:
    xcb_connection_t* c_;
    xcb_atom_t selection_;
    std::uint8_t firstEvent_;
    std::function<void(bool)> changed_;
    bool running_ = false;
};

} // namespace

std::unique_ptr<CompositingManagerWatch> CompositingManagerWatch::make(std::function<void(bool)> changed)
{
    xcb_connection_t* c = qtXcbConnectionWithExtension(&xcb_xfixes_id);
    if (!c)
        return nullptr;
    const std::uint8_t firstEvent = xcb_get_extension_data(c, &xcb_xfixes_id)->first_event;
    // Selection events need version 1 or later; the server answers the highest it has.
    std::free(xcb_xfixes_query_version_reply(c, xcb_xfixes_query_version(c, XCB_XFIXES_MAJOR_VERSION, XCB_XFIXES_MINOR_VERSION), nullptr));

    // The screen the display name chose, as Qt's connection uses it.
    int screenNumber = 0;
    char* host = nullptr;
    int display = 0;
    if (xcb_parse_display(nullptr, &host, &display, &screenNumber) == 0)
        screenNumber = 0;
    std::free(host);
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screenNumber && it.rem > 0; ++i)
        xcb_screen_next(&it);
    if (it.rem <= 0 || !it.data)
        return nullptr;

    const QByteArray name = "_NET_WM_CM_S" + QByteArray::number(screenNumber);
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::uint16_t(name.size()), name.constData()), nullptr);
    if (!atom)
        return nullptr;
    const xcb_atom_t selection = atom->atom;
    std::free(atom);
    return std::make_unique<X11CompositingManagerWatch>(c, it.data->root, selection, firstEvent, std::move(changed));
}

} // namespace kit
