#include "kit/x11/XkbKeyboard.h"

#include "kit/appkit/Event.h"
#include "kit/core/NotificationCenter.h"

#include <QAbstractNativeEventFilter>
#include <QGuiApplication>
#include <QObject>
#include <QtGui/qguiapplication_platform.h>

#include <array>
#include <functional>
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
#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>

namespace kit {

namespace {

struct ContextUnref {
    void operator()(xkb_context* c) const { xkb_context_unref(c); }
};
struct KeymapUnref {
    void operator()(xkb_keymap* k) const { xkb_keymap_unref(k); }
};
struct StateUnref {
    void operator()(xkb_state* s) const { xkb_state_unref(s); }
};
using ContextPtr = std::unique_ptr<xkb_context, ContextUnref>;
using KeymapPtr = std::unique_ptr<xkb_keymap, KeymapUnref>;
using StatePtr = std::unique_ptr<xkb_state, StateUnref>;

// The eight real modifiers in the order of the bits of an X core event state.
constexpr std::array<const char*, 8> realModifierNames
    = { XKB_MOD_NAME_SHIFT, XKB_MOD_NAME_CAPS, XKB_MOD_NAME_CTRL, XKB_MOD_NAME_ALT, XKB_MOD_NAME_NUM, "Mod3", XKB_MOD_NAME_LOGO, "Mod5" };

ContextPtr quietContext()
{
    // No environment names: a keymap from names is the same on every machine.
    ContextPtr context(xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES));
    if (context)
        xkb_context_set_log_level(context.get(), XKB_LOG_LEVEL_CRITICAL);
    return context;
}

// With NumLock off the keypad moves instead of typing digits: it types what the keys it stands
// for type, rather than nothing.
char16_t keypadMotionCharacter(xkb_keysym_t sym)
{
    switch (sym) {
    case XKB_KEY_KP_Left:
        return LeftArrowFunctionKey;
    case XKB_KEY_KP_Right:
        return RightArrowFunctionKey;
    case XKB_KEY_KP_Up:
        return UpArrowFunctionKey;
    case XKB_KEY_KP_Down:
        return DownArrowFunctionKey;
    case XKB_KEY_KP_Home:
        return HomeFunctionKey;
    case XKB_KEY_KP_End:
        return EndFunctionKey;
    case XKB_KEY_KP_Prior:
        return PageUpFunctionKey;
    case XKB_KEY_KP_Next:
        return PageDownFunctionKey;
    case XKB_KEY_KP_Insert:
        return InsertFunctionKey;
    case XKB_KEY_KP_Delete:
        return DeleteFunctionKey;
    default:
        return 0;
    }
}

QString utf8Of(xkb_state* state, xkb_keycode_t key)
{
    std::array<char, 64> buffer {};
    const int length = xkb_state_key_get_utf8(state, key, buffer.data(), buffer.size());
    if (length > 0 && std::size_t(length) < buffer.size())
        return QString::fromUtf8(buffer.data(), length);
    return {};
}

QString textOf(xkb_state* state, xkb_keycode_t key)
{
    if (QString text = utf8Of(state, key); !text.isEmpty())
        return text;
    if (const char16_t c = keypadMotionCharacter(xkb_state_key_get_one_sym(state, key)))
        return QString(QChar(c));
    return {};
}

// Control plus a letter or one of @[\]^_ types the control character, as on a terminal.
QString controlCharacters(const QString& text)
{
    if (text.size() != 1)
        return text;
    const char16_t c = text.at(0).unicode();
    if ((c >= u'@' && c <= u'~') || c == u' ')
        return QString(QChar(char16_t(c & 0x1F)));
    return text;
}

std::unique_ptr<XkbKeyboard>& sharedSlot()
{
    static std::unique_ptr<XkbKeyboard> keyboard;
    return keyboard;
}

bool& sharedTried()
{
    static bool tried = false;
    return tried;
}

} // namespace

// Follows the server's keyboard from the XKB events the toolkit's connection already receives: a
// new keymap (a new keyboard, a reloaded layout) is read once the burst of events that announce it
// has been handled, a layout switch is taken as it comes.
class KeymapWatch : public QObject, public QAbstractNativeEventFilter {
public:
    KeymapWatch(std::uint8_t xkbEventBase, std::int32_t device, std::function<void()> reload, std::function<void(const xcb_xkb_state_notify_event_t&)> state)
        : base_(xkbEventBase)
        , device_(device)
        , reload_(std::move(reload))
        , state_(std::move(state))
    {
        QCoreApplication::instance()->installNativeEventFilter(this);
    }
    ~KeymapWatch() override
    {
        if (QCoreApplication::instance())
            QCoreApplication::instance()->removeNativeEventFilter(this);
    }
    KeymapWatch(const KeymapWatch&) = delete;
    KeymapWatch& operator=(const KeymapWatch&) = delete;

    // A new keymap was announced and has not been read yet.
    bool changed = false;

    // QAbstractNativeEventFilter:
    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override
    {
        if (type != "xcb_generic_event_t")
            return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if ((event->response_type & 0x7F) != base_)
            return false;
        // Every XKB event names its kind in the second byte and its device in the ninth.
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(event);
        if (std::int32_t(bytes[8]) != device_)
            return false;
        if (bytes[1] == XCB_XKB_NEW_KEYBOARD_NOTIFY || bytes[1] == XCB_XKB_MAP_NOTIFY) {
            if (!changed) {
                changed = true;
                QMetaObject::invokeMethod(this, [this] { readIfChanged(); }, Qt::QueuedConnection);
            }
        } else if (bytes[1] == XCB_XKB_STATE_NOTIFY && !changed) {
            state_(*reinterpret_cast<const xcb_xkb_state_notify_event_t*>(event));
        }
        return false;
    }

    void readIfChanged()
    {
        if (!changed)
            return;
        changed = false;
        reload_();
    }

private:
    std::uint8_t base_;
    std::int32_t device_;
    std::function<void()> reload_;
    std::function<void(const xcb_xkb_state_notify_event_t&)> state_;
};

struct XkbKeyboard::Private {
    ContextPtr context;
    KeymapPtr keymap;
    StatePtr state;
    StatePtr scratch; // for lookups under other modifiers than the live ones
    bool server = false;
    xcb_connection_t* connection = nullptr;
    std::int32_t device = -1;
    std::unique_ptr<KeymapWatch> watch;
    std::array<xkb_mod_mask_t, 8> realMasks {}; // X core bit -> keymap mask
    xkb_mod_mask_t shift = 0, lock = 0, ctrl = 0, alt = 0, num = 0, logo = 0;

    void takeMasks()
    {
        for (std::size_t i = 0; i < realModifierNames.size(); ++i) {
            const xkb_mod_index_t index = xkb_keymap_mod_get_index(keymap.get(), realModifierNames[i]);
            realMasks[i] = index == XKB_MOD_INVALID ? 0 : xkb_mod_mask_t(1) << index;
        }
        shift = realMasks[0];
        lock = realMasks[1];
        ctrl = realMasks[2];
        alt = realMasks[3];
        num = realMasks[4];
        logo = realMasks[6];
    }

    // The server's keymap and state as they are now.
    bool loadServerKeymap()
    {
        KeymapPtr newKeymap(xkb_x11_keymap_new_from_device(context.get(), connection, device, XKB_KEYMAP_COMPILE_NO_FLAGS));
        if (!newKeymap)
            return false;
        StatePtr newState(xkb_x11_state_new_from_device(newKeymap.get(), connection, device));
        if (!newState)
            return false;
        keymap = std::move(newKeymap);
        state = std::move(newState);
        return true;
    }

    // The server's keymap again after it announced a new one; the old one stays when the new
    // one cannot be read.
    void reloadServerKeymap()
    {
        if (!loadServerKeymap())
            return;
        takeMasks();
        scratch.reset(xkb_state_new(keymap.get()));
        // Names of keys read from the layout are stale now.
        NotificationCenter::defaultCenter()->postNotificationNameObject(NotifySelectedKeyboardInputSourceChanged, nullptr);
    }

    // A layout switch on the server (a group locked or latched by any client) moves the lookups at
    // once; the modifiers stay as the key events left them.
    void takeServerGroup(const xcb_xkb_state_notify_event_t& e)
    {
        xkb_state* s = state.get();
        const xkb_layout_index_t before = layout();
        xkb_state_update_mask(s, xkb_state_serialize_mods(s, XKB_STATE_MODS_DEPRESSED), xkb_state_serialize_mods(s, XKB_STATE_MODS_LATCHED),
            xkb_state_serialize_mods(s, XKB_STATE_MODS_LOCKED), xkb_layout_index_t(e.baseGroup), xkb_layout_index_t(e.latchedGroup),
            xkb_layout_index_t(e.lockedGroup));
        if (layout() != before)
            NotificationCenter::defaultCenter()->postNotificationNameObject(NotifySelectedKeyboardInputSourceChanged, nullptr);
    }

    xkb_mod_mask_t effective() const { return xkb_state_serialize_mods(state.get(), XKB_STATE_MODS_EFFECTIVE); }
    xkb_layout_index_t layout() const { return xkb_state_serialize_layout(state.get(), XKB_STATE_LAYOUT_EFFECTIVE); }
};

XkbKeyboard::XkbKeyboard(std::unique_ptr<Private> p)
    : d(std::move(p))
{
    d->takeMasks();
    d->scratch.reset(xkb_state_new(d->keymap.get()));
}

XkbKeyboard::~XkbKeyboard() = default;

std::unique_ptr<XkbKeyboard> XkbKeyboard::fromNames(const Names& names)
{
    auto p = std::make_unique<Private>();
    p->context = quietContext();
    if (!p->context)
        return nullptr;
    const QByteArray rules = names.rules.toUtf8(), model = names.model.toUtf8(), layout = names.layout.toUtf8(),
                     variant = names.variant.toUtf8(), options = names.options.toUtf8();
    auto field = [](const QByteArray& b) { return b.isEmpty() ? nullptr : b.constData(); };
    const xkb_rule_names rmlvo { field(rules), field(model), field(layout), field(variant), field(options) };
    p->keymap.reset(xkb_keymap_new_from_names(p->context.get(), &rmlvo, XKB_KEYMAP_COMPILE_NO_FLAGS));
    if (!p->keymap)
        return nullptr;
    p->state.reset(xkb_state_new(p->keymap.get()));
    if (!p->state)
        return nullptr;
    return std::unique_ptr<XkbKeyboard>(new XkbKeyboard(std::move(p)));
}

std::unique_ptr<XkbKeyboard> XkbKeyboard::fromX11()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return nullptr;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection)
        return nullptr;
    std::uint8_t xkbEventBase = 0;
    if (!xkb_x11_setup_xkb_extension(connection, XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
            XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr, &xkbEventBase, nullptr))
        return nullptr;
    auto p = std::make_unique<Private>();
    p->context = quietContext();
    p->connection = connection;
    p->device = xkb_x11_get_core_keyboard_device_id(connection);
    if (!p->context || p->device < 0 || !p->loadServerKeymap())
        return nullptr;
    p->server = true;
    Private* keyboard = p.get();
    p->watch = std::make_unique<KeymapWatch>(
        xkbEventBase, p->device, [keyboard] { keyboard->reloadServerKeymap(); },
        [keyboard](const xcb_xkb_state_notify_event_t& e) { keyboard->takeServerGroup(e); });
    return std::unique_ptr<XkbKeyboard>(new XkbKeyboard(std::move(p)));
}

XkbKeyboard* XkbKeyboard::shared()
{
    std::unique_ptr<XkbKeyboard>& keyboard = sharedSlot();
    if (!keyboard && !sharedTried()) {
        sharedTried() = true;
        keyboard = fromX11();
        if (!keyboard)
            keyboard = fromNames({});
    }
    return keyboard.get();
}

void XkbKeyboard::resetSharedForTesting(std::unique_ptr<XkbKeyboard> keyboard)
{
    const bool installed = keyboard != nullptr;
    sharedSlot() = std::move(keyboard);
    sharedTried() = installed;
    if (installed)
        NotificationCenter::defaultCenter()->postNotificationNameObject(NotifySelectedKeyboardInputSourceChanged, nullptr);
}

bool XkbKeyboard::followsServer() const { return d->server; }

bool XkbKeyboard::hasKey(std::uint32_t xkbKeyCode) const
{
    return xkbKeyCode >= xkb_keymap_min_keycode(d->keymap.get()) && xkbKeyCode <= xkb_keymap_max_keycode(d->keymap.get())
        && xkb_keymap_key_get_name(d->keymap.get(), xkbKeyCode) != nullptr;
}

void XkbKeyboard::updateKey(std::uint32_t xkbKeyCode, bool down)
{
    if (hasKey(xkbKeyCode))
        xkb_state_update_key(d->state.get(), xkbKeyCode, down ? XKB_KEY_DOWN : XKB_KEY_UP);
}

void XkbKeyboard::syncCoreState(std::uint32_t coreState)
{
    // A key that comes before the announced keymap was read is read with the new one.
    if (d->watch)
        d->watch->readIfChanged();
    xkb_mod_mask_t mods = 0;
    for (std::size_t i = 0; i < d->realMasks.size(); ++i)
        if (coreState & (1u << i))
            mods |= d->realMasks[i];
    xkb_state* s = d->state.get();
    const xkb_mod_mask_t latched = xkb_state_serialize_mods(s, XKB_STATE_MODS_LATCHED) & mods;
    xkb_mod_mask_t locked = xkb_state_serialize_mods(s, XKB_STATE_MODS_LOCKED) & mods;
    xkb_mod_mask_t depressed = xkb_state_serialize_mods(s, XKB_STATE_MODS_DEPRESSED) & mods;
    // What the server has on that we did not see come: Caps Lock and NumLock were locked, the
    // rest is held.
    const xkb_mod_mask_t unseen = mods & ~(depressed | latched | locked);
    locked |= unseen & (d->lock | d->num);
    depressed |= unseen & ~(d->lock | d->num);
    const xkb_layout_index_t group = (coreState >> 13) & 0x3;
    xkb_state_update_mask(s, depressed, latched, locked, 0, 0, group);
}

void XkbKeyboard::reset() { d->state.reset(xkb_state_new(d->keymap.get())); }

std::uint64_t XkbKeyboard::modifierFlags() const
{
    const xkb_mod_mask_t mods = d->effective();
    std::uint64_t flags = 0;
    if (mods & d->lock)
        flags |= AlphaShiftKeyMask;
    if (mods & d->shift)
        flags |= ShiftKeyMask;
    if (mods & d->ctrl)
        flags |= CommandKeyMask;
    if (mods & d->alt)
        flags |= AlternateKeyMask;
    if (mods & d->logo)
        flags |= ControlKeyMask;
    return flags;
}

QString XkbKeyboard::characters(std::uint32_t xkbKeyCode) const
{
    if (!hasKey(xkbKeyCode))
        return {};
    // Ctrl is Command here, which never changes what a key types: look the key up without it.
    xkb_state* s = d->state.get();
    const xkb_mod_mask_t noCtrl = ~d->ctrl;
    xkb_state_update_mask(d->scratch.get(), xkb_state_serialize_mods(s, XKB_STATE_MODS_DEPRESSED) & noCtrl,
        xkb_state_serialize_mods(s, XKB_STATE_MODS_LATCHED) & noCtrl, xkb_state_serialize_mods(s, XKB_STATE_MODS_LOCKED) & noCtrl,
        xkb_state_serialize_layout(s, XKB_STATE_LAYOUT_DEPRESSED), xkb_state_serialize_layout(s, XKB_STATE_LAYOUT_LATCHED),
        xkb_state_serialize_layout(s, XKB_STATE_LAYOUT_LOCKED));
    const QString text = textOf(d->scratch.get(), xkbKeyCode);
    return (d->effective() & d->logo) ? controlCharacters(text) : text;
}

QString XkbKeyboard::charactersIgnoringModifiers(std::uint32_t xkbKeyCode) const
{
    return charactersForKey(xkbKeyCode, d->effective() & d->shift);
}

QString XkbKeyboard::charactersForKey(std::uint32_t xkbKeyCode, bool shift) const
{
    if (!hasKey(xkbKeyCode))
        return {};
    // NumLock stays as it is: it decides whether the keypad types digits at all.
    xkb_state_update_mask(d->scratch.get(), shift ? d->shift : 0, 0, d->effective() & d->num, 0, 0, d->layout());
    return textOf(d->scratch.get(), xkbKeyCode);
}

namespace {

// Dead keys type nothing on their own; a shortcut names them by their spacing accent.
char16_t xkbSpacingAccent(xkb_keysym_t sym)
{
    switch (sym) {
    case XKB_KEY_dead_grave: return u'`';
    case XKB_KEY_dead_acute: return u'\u00B4';
    case XKB_KEY_dead_circumflex: return u'^';
    case XKB_KEY_dead_tilde: return u'~';
    case XKB_KEY_dead_macron: return u'\u00AF';
    case XKB_KEY_dead_breve: return u'\u02D8';
    case XKB_KEY_dead_abovedot: return u'\u02D9';
    case XKB_KEY_dead_diaeresis: return u'\u00A8';
    case XKB_KEY_dead_abovering: return u'\u02DA';
    case XKB_KEY_dead_doubleacute: return u'\u02DD';
    case XKB_KEY_dead_caron: return u'\u02C7';
    case XKB_KEY_dead_cedilla: return u'\u00B8';
    case XKB_KEY_dead_ogonek: return u'\u02DB';
    default: return 0;
    }
}

} // namespace

QString XkbKeyboard::displayCharacterForKey(std::uint32_t xkbKeyCode, bool shift) const
{
    if (!hasKey(xkbKeyCode))
        return {};
    // NumLock on: a keypad digit always shows its digit. Shift would bring back the motion level
    // there, so keypad keys ignore it.
    xkb_state_update_mask(d->scratch.get(), 0, 0, d->num, 0, 0, d->layout());
    const xkb_keysym_t plain = xkb_state_key_get_one_sym(d->scratch.get(), xkbKeyCode);
    const bool keypad = plain >= XKB_KEY_KP_Space && plain <= XKB_KEY_KP_Equal;
    if (shift && !keypad)
        xkb_state_update_mask(d->scratch.get(), d->shift, 0, d->num, 0, 0, d->layout());
    if (const char16_t accent = xkbSpacingAccent(xkb_state_key_get_one_sym(d->scratch.get(), xkbKeyCode)))
        return QString(QChar(accent));
    // Never a motion key's function-key character: those name no key on a shortcut.
    const QString text = utf8Of(d->scratch.get(), xkbKeyCode);
    if (text.isEmpty())
        return {};
    return text.left(text.at(0).isHighSurrogate() && text.size() > 1 ? 2 : 1);
}

} // namespace kit
