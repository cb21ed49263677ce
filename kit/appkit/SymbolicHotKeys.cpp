#include "kit/appkit/SymbolicHotKeys.h"

#include "kit/appkit/Application.h"
#include "kit/appkit/Window.h"
#include "kit/core/MainThread.h"
#include "kit/core/NotificationCenter.h"

#include <QGuiApplication>
#include <QPointer>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <mutex>
#include <utility>

namespace kit {

namespace {

struct SymbolicHotKeyRegistry {
    std::mutex lock;
    std::vector<SymbolicHotKey> keys;
    std::vector<std::pair<SymbolicHotKeyModeToken, SymbolicHotKeyMode>> modes;
    SymbolicHotKeyModeToken nextToken = 1;
};

SymbolicHotKeyRegistry& symbolicHotKeyRegistry()
{
    static SymbolicHotKeyRegistry registry;
    return registry;
}

bool symbolicHotKeysEnabledLocked(const SymbolicHotKeyRegistry& r)
{
    return r.modes.empty() || r.modes.back().second == SymbolicHotKeyMode::Enabled;
}

// The key window that holds the keyboard while hot keys are off. On X11 another client's passive
// grab (a desktop shortcut) would otherwise take a key before it reaches a recorder; an active
// grab of our own keeps it. Main thread only.
class SymbolicHotKeyKeyboardHold {
public:
    static SymbolicHotKeyKeyboardHold& shared()
    {
        static SymbolicHotKeyKeyboardHold hold;
        return hold;
    }

    bool held() const { return !window_.isNull(); }

    void follow(bool hotKeysEnabled)
    {
        if (hotKeysEnabled)
            release();
        else
            take();
    }

    void take()
    {
        if (held() || QGuiApplication::platformName() != QLatin1String("xcb"))
            return;
        const Ref<Window> key = keyboardWindow();
        QWidget* host = key ? key->hostWidget() : nullptr;
        QWindow* handle = host ? host->windowHandle() : nullptr;
        if (!handle || !handle->isVisible() || !handle->setKeyboardGrabEnabled(true))
            return;
        window_ = handle;
        const auto end = [](Notification*) { SymbolicHotKeyKeyboardHold::shared().release(); };
        const Ref<NotificationCenter>& center = NotificationCenter::defaultCenter();
        resigned_ = center->addObserverForNameObjectQueueUsingBlock(WindowDidResignKeyNotification, key.get(), nullptr, end);
        closing_ = center->addObserverForNameObjectQueueUsingBlock(WindowWillCloseNotification, key.get(), nullptr, end);
        // A window that cannot become key (a borderless one) may still have the keyboard; the
        // hold ends when it loses it too.
        focus_ = QObject::connect(qGuiApp, &QGuiApplication::focusWindowChanged, qGuiApp, [](QWindow* now) {
            SymbolicHotKeyKeyboardHold& hold = SymbolicHotKeyKeyboardHold::shared();
            if (now != hold.window_)
                hold.release();
        });
    }

    void release()
    {
        if (window_)
            window_->setKeyboardGrabEnabled(false);
        window_.clear();
        QObject::disconnect(focus_);
        for (Ref<Object>* token : { &resigned_, &closing_ })
            if (*token) {
                NotificationCenter::defaultCenter()->removeObserver(token->get());
                *token = nullptr;
            }
    }

private:
    // The key window, else the window that has the keyboard focus.
    static Ref<Window> keyboardWindow()
    {
        if (const Ref<Window> key = Application::sharedApplication()->keyWindow())
            return key;
        QWindow* focus = QGuiApplication::focusWindow();
        for (const Ref<Window>& w : Window::allWindows())
            if (QWidget* host = w->hostWidget(); focus && host && host->windowHandle() == focus)
                return w;
        return nullptr;
    }

    QPointer<QWindow> window_;
    QMetaObject::Connection focus_;
    Ref<Object> resigned_;
    Ref<Object> closing_;
};

void symbolicHotKeysFollowModes(bool hotKeysEnabled)
{
    if (isMainThread())
        SymbolicHotKeyKeyboardHold::shared().follow(hotKeysEnabled);
}

} // namespace

std::vector<SymbolicHotKey> CopySymbolicHotKeys()
{
    auto& r = symbolicHotKeyRegistry();
    std::lock_guard guard(r.lock);
    return r.keys;
}

void AddSymbolicHotKey(std::uint16_t keyCode, std::uint32_t modifiers)
{
    auto& r = symbolicHotKeyRegistry();
    std::lock_guard guard(r.lock);
    r.keys.push_back({ keyCode, modifiers, true });
}

void RemoveSymbolicHotKey(std::uint16_t keyCode, std::uint32_t modifiers)
{
    auto& r = symbolicHotKeyRegistry();
    std::lock_guard guard(r.lock);
    const auto it = std::find(r.keys.begin(), r.keys.end(), SymbolicHotKey { keyCode, modifiers, true });
    if (it != r.keys.end())
        r.keys.erase(it);
}

SymbolicHotKeyModeToken PushSymbolicHotKeyMode(SymbolicHotKeyMode mode)
{
    auto& r = symbolicHotKeyRegistry();
    SymbolicHotKeyModeToken token = 0;
    bool enabled = true;
    {
        std::lock_guard guard(r.lock);
        token = r.nextToken++;
        r.modes.emplace_back(token, mode);
        enabled = symbolicHotKeysEnabledLocked(r);
    }
    symbolicHotKeysFollowModes(enabled);
    return token;
}

void PopSymbolicHotKeyMode(SymbolicHotKeyModeToken token)
{
    auto& r = symbolicHotKeyRegistry();
    bool enabled = true;
    {
        std::lock_guard guard(r.lock);
        std::erase_if(r.modes, [token](const auto& entry) { return entry.first == token; });
        enabled = symbolicHotKeysEnabledLocked(r);
    }
    symbolicHotKeysFollowModes(enabled);
}

bool SymbolicHotKeysEnabled()
{
    auto& r = symbolicHotKeyRegistry();
    std::lock_guard guard(r.lock);
    return symbolicHotKeysEnabledLocked(r);
}

bool SymbolicHotKeyModeHoldsKeyboard() { return isMainThread() && SymbolicHotKeyKeyboardHold::shared().held(); }

void ResetSymbolicHotKeysForTesting()
{
    auto& r = symbolicHotKeyRegistry();
    {
        std::lock_guard guard(r.lock);
        r.keys.clear();
        r.modes.clear();
    }
    symbolicHotKeysFollowModes(true);
}

} // namespace kit
