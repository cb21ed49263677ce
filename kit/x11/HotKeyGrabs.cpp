#include "kit/x11/HotKeyGrabs.h"

#include "kit/appkit/Event.h"
#include "kit/appkit/KeyCodes.h"
#include "kit/foundation/MainThread.h"

#include <QAbstractNativeEventFilter>
#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

#include <array>
#include <cstdlib>
#include <optional>
#include <map>
#include <memory>
#include <vector>
#include <xcb/xcb.h>
// The XKB protocol header names a field after a C++ keyword.
#if defined(__clang__)
#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Wkeyword-macro"
#endif
#define explicit xkbExplicitField
#include <xcb/xkb.h>
#undef explicit
#if defined(__clang__)
#pragma clang diagnostic pop
#endif

namespace kit {

namespace {

// Key symbols of the modifiers that the hot-key bits name.
constexpr xcb_keysym_t grabsAltL = 0xffe9, grabsAltR = 0xffea, grabsSuperL = 0xffeb, grabsSuperR = 0xffec, grabsNumLock = 0xff7f;

// Which real modifiers hold Alt, Super and NumLock on this server.
struct GrabsModifierMap {
    std::uint16_t alt = 0;
    std::uint16_t super = 0;
    std::uint16_t numLock = 0;
};

GrabsModifierMap grabsReadModifierMap(xcb_connection_t* c)
{
    GrabsModifierMap map;
    const xcb_setup_t* setup = xcb_get_setup(c);
    const std::uint8_t first = setup->min_keycode;
    const std::uint8_t count = std::uint8_t(setup->max_keycode - setup->min_keycode + 1);
    std::unique_ptr<xcb_get_modifier_mapping_reply_t, decltype(&std::free)> mods(
        xcb_get_modifier_mapping_reply(c, xcb_get_modifier_mapping(c), nullptr), &std::free);
    std::unique_ptr<xcb_get_keyboard_mapping_reply_t, decltype(&std::free)> keys(
        xcb_get_keyboard_mapping_reply(c, xcb_get_keyboard_mapping(c, first, count), nullptr), &std::free);
    if (!mods || !keys)
        return map;
    const xcb_keycode_t* modCodes = xcb_get_modifier_mapping_keycodes(mods.get());
    const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(keys.get());
    const int symsPerCode = keys->keysyms_per_keycode;
    const int symCount = xcb_get_keyboard_mapping_keysyms_length(keys.get());
    for (int modifier = 0; modifier < 8; ++modifier) {
        for (int k = 0; k < mods->keycodes_per_modifier; ++k) {
            const xcb_keycode_t code = modCodes[modifier * mods->keycodes_per_modifier + k];
            if (code < first)
                continue;
            for (int s = 0; s < symsPerCode; ++s) {
                const int index = (code - first) * symsPerCode + s;
                if (index >= symCount)
                    break;
                const xcb_keysym_t sym = syms[index];
                const auto bit = std::uint16_t(1u << modifier);
                // Shift, Lock and Control are fixed; only Mod1..Mod5 can hold the others.
                if (modifier < 3)
                    continue;
                if ((sym == grabsAltL || sym == grabsAltR) && !map.alt)
                    map.alt = bit;
                else if ((sym == grabsSuperL || sym == grabsSuperR) && !map.super)
                    map.super = bit;
                else if (sym == grabsNumLock && !map.numLock)
                    map.numLock = bit;
            }
        }
    }
    return map;
}

class X11HotKeyGrabs : public HotKeyBackend, public QAbstractNativeEventFilter {
public:
    X11HotKeyGrabs(xcb_connection_t* connection, xcb_window_t root)
        : c_(connection)
        , root_(root)
        , map_(grabsReadModifierMap(connection))
    {
        // A held key then repeats as presses alone; the release test below covers servers without it.
        const xcb_query_extension_reply_t* xkb = xcb_get_extension_data(c_, &xcb_xkb_id);
        if (xkb && xkb->present) {
            free(xcb_xkb_use_extension_reply(c_, xcb_xkb_use_extension(c_, XCB_XKB_MAJOR_VERSION, XCB_XKB_MINOR_VERSION), nullptr));
            free(xcb_xkb_per_client_flags_reply(c_,
                xcb_xkb_per_client_flags(c_, XCB_XKB_ID_USE_CORE_KBD, XCB_XKB_PER_CLIENT_FLAG_DETECTABLE_AUTO_REPEAT,
                    XCB_XKB_PER_CLIENT_FLAG_DETECTABLE_AUTO_REPEAT, 0, 0, 0),
                nullptr));
        }
        QCoreApplication::instance()->installNativeEventFilter(this);
    }

    ~X11HotKeyGrabs() override
    {
        if (QCoreApplication::instance())
            QCoreApplication::instance()->removeNativeEventFilter(this);
        *alive_ = false;
        for (const auto& [grab, g] : grabs_)
            ungrabVariants(g.keycode, variants(g.mods));
        open_.clear();
        letGoOfKeyboardIfDone();
        xcb_flush(c_);
    }

    X11HotKeyGrabs(const X11HotKeyGrabs&) = delete;
    X11HotKeyGrabs& operator=(const X11HotKeyGrabs&) = delete;

    // HotKeyBackend:
    bool grab(std::uint64_t grab, std::uint16_t keyCode, std::uint32_t modifiers) override
    {
        const std::uint32_t xkbCode = XkbFromKeyCode(keyCode);
        if (keyCode == 0 || xkbCode == 0 || xkbCode > 255)
            return false;
        std::uint16_t mods = 0;
        if (modifiers & CarbonCmdKey)
            mods |= XCB_MOD_MASK_CONTROL;
        if (modifiers & CarbonShiftKey)
            mods |= XCB_MOD_MASK_SHIFT;
        if (modifiers & CarbonOptionKey) {
            if (!map_.alt)
                return false;
            mods |= map_.alt;
        }
        if (modifiers & CarbonControlKey) {
            if (!map_.super)
                return false;
            mods |= map_.super;
        }
        const auto keycode = xcb_keycode_t(xkbCode);
        const std::vector<std::uint16_t> all = variants(mods);
        std::vector<xcb_void_cookie_t> cookies;
        for (const std::uint16_t m : all)
            cookies.push_back(xcb_grab_key_checked(c_, 1, root_, m, keycode, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        std::vector<std::uint16_t> made;
        bool refused = false;
        for (std::size_t i = 0; i < cookies.size(); ++i) {
            if (xcb_generic_error_t* error = xcb_request_check(c_, cookies[i])) {
                refused = true;
                free(error);
            } else {
                made.push_back(all[i]);
            }
        }
        if (refused) {
            ungrabVariants(keycode, made);
            xcb_flush(c_);
            return false;
        }
        grabs_[grab] = { keycode, mods };
        return true;
    }

    void ungrab(std::uint64_t grab) override
    {
        const auto it = grabs_.find(grab);
        if (it == grabs_.end())
            return;
        ungrabVariants(it->second.keycode, variants(it->second.mods));
        open_.erase(grab);
        letGoOfKeyboardIfDone();
        grabs_.erase(it);
        xcb_flush(c_);
    }

    // QAbstractNativeEventFilter:
    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override
    {
        if (type != "xcb_generic_event_t")
            return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        const std::uint8_t kind = event->response_type & 0x7F;
        if (kind == XCB_KEY_PRESS)
            return keyPress(*reinterpret_cast<const xcb_key_press_event_t*>(event));
        if (kind == XCB_KEY_RELEASE)
            return keyRelease(*reinterpret_cast<const xcb_key_release_event_t*>(event));
        if (kind == XCB_FOCUS_IN || kind == XCB_FOCUS_OUT)
            return grabFocusChange(*reinterpret_cast<const xcb_focus_in_event_t*>(event));
        return false;
    }

private:
    struct Grab {
        xcb_keycode_t keycode = 0;
        std::uint16_t mods = 0;
    };
    struct OpenPress {
        xcb_keycode_t keycode = 0;
        // Time of a release that may yet turn out to be auto-repeat; 0 while none waits.
        xcb_timestamp_t pendingRelease = 0;
        std::uint64_t releaseFlags = 0;
    };

    std::vector<std::uint16_t> variants(std::uint16_t mods) const
    {
        std::vector<std::uint16_t> all = { mods, std::uint16_t(mods | XCB_MOD_MASK_LOCK) };
        if (map_.numLock) {
            all.push_back(std::uint16_t(mods | map_.numLock));
            all.push_back(std::uint16_t(mods | map_.numLock | XCB_MOD_MASK_LOCK));
        }
        return all;
    }

    void ungrabVariants(xcb_keycode_t keycode, const std::vector<std::uint16_t>& mods)
    {
        for (const std::uint16_t m : mods)
            xcb_ungrab_key(c_, keycode, root_, m);
    }

    std::uint64_t flagsOf(std::uint16_t state) const
    {
        std::uint64_t flags = 0;
        if (state & XCB_MOD_MASK_SHIFT)
            flags |= ShiftKeyMask;
        if (state & XCB_MOD_MASK_LOCK)
            flags |= AlphaShiftKeyMask;
        if (state & XCB_MOD_MASK_CONTROL)
            flags |= CommandKeyMask;
        if (map_.alt && (state & map_.alt))
            flags |= AlternateKeyMask;
        if (map_.super && (state & map_.super))
            flags |= ControlKeyMask;
        return flags;
    }

    // A grab that becomes active moves the focus away from our key window for as long as the key
    // is held ("grab" and "ungrab" modes). The window stays key all the same, so while we hold
    // grabs these passing changes do not reach the toolkit.
    bool grabFocusChange(const xcb_focus_in_event_t& e) const
    {
        return !grabs_.empty() && (e.mode == XCB_NOTIFY_MODE_GRAB || e.mode == XCB_NOTIFY_MODE_UNGRAB);
    }

    bool keyPress(const xcb_key_press_event_t& e)
    {
        if (e.event != root_)
            return false;
        for (auto& [grab, press] : open_) {
            if (press.keycode != e.detail)
                continue;
            // Held down: a repeat, as presses alone or as a release and a press at the same time.
            // The keyboard stays ours while a press is open, so no release of it goes elsewhere.
            if (!press.pendingRelease || press.pendingRelease == e.time) {
                press.pendingRelease = 0;
                return true;
            }
            // Released, then pressed again later: that release was real.
            fireRelease(grab);
            break;
        }
        const auto state = std::uint16_t(e.state & ~(XCB_MOD_MASK_LOCK | map_.numLock));
        for (const auto& [grab, g] : grabs_) {
            if (g.keycode == e.detail && g.mods == state) {
                open_[grab] = OpenPress { e.detail };
                holdKeyboard();
                report(grab, true, flagsOf(e.state));
                return true;
            }
        }
        return false;
    }

    bool keyRelease(const xcb_key_release_event_t& e)
    {
        // Matched by key alone: the modifiers may be let go before or after the key.
        for (auto& [grab, press] : open_) {
            if (press.keycode != e.detail)
                continue;
            const xcb_timestamp_t time = e.time ? e.time : 1;
            press.pendingRelease = time;
            press.releaseFlags = flagsOf(e.state);
            // A press of the same key at the same time, already queued behind this release, is
            // auto-repeat; decide once the queued events have been read.
            performOnMainThread(
                [this, alive = alive_, id = grab, time] {
                    if (!*alive)
                        return;
                    if (const auto it = open_.find(id); it != open_.end() && it->second.pendingRelease == time)
                        fireRelease(id);
                },
                false);
            return true;
        }
        return false;
    }

    void fireRelease(std::uint64_t grab)
    {
        const std::uint64_t flags = open_[grab].releaseFlags;
        open_.erase(grab);
        letGoOfKeyboardIfDone();
        report(grab, false, flags);
    }

    // A key grab ends as its key goes up, and with it the releases of other hot keys pressed
    // meanwhile (a rolled chord) would go to the focused window: while any press is open the
    // keyboard is held explicitly.
    void holdKeyboard()
    {
        xcb_discard_reply(c_, xcb_grab_keyboard(c_, 0, root_, XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC).sequence);
        holdingKeyboard_ = true;
        xcb_flush(c_);
    }

    void letGoOfKeyboardIfDone()
    {
        if (!holdingKeyboard_ || !open_.empty())
            return;
        xcb_ungrab_keyboard(c_, XCB_CURRENT_TIME);
        holdingKeyboard_ = false;
        xcb_flush(c_);
    }

    xcb_connection_t* c_;
    xcb_window_t root_;
    GrabsModifierMap map_;
    std::map<std::uint64_t, Grab> grabs_;
    std::map<std::uint64_t, OpenPress> open_; // by grab: every hot key held down now
    bool holdingKeyboard_ = false;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace

bool isWaylandSession()
{
    return qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

std::unique_ptr<HotKeyBackend> makePlatformHotKeyBackend()
{
    if (!qGuiApp || QGuiApplication::platformName() != QLatin1String("xcb"))
        return nullptr;
    if (isWaylandSession()) {
        static bool told = false;
        if (!told) {
            told = true;
            qWarning("Global hot keys are off: in a Wayland session an X11 key grab only sees keys while an X11 window has focus.");
        }
        return nullptr;
    }
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection)
        return nullptr;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    if (!screen)
        return nullptr;
    return std::make_unique<X11HotKeyGrabs>(connection, screen->root);
}

} // namespace kit
