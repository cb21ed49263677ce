#include "kit/appkit/Screen.h"

#include "kit/appkit/Application.h"
#include "kit/appkit/Window.h"
#include "kit/core/NotificationCenter.h"
#include "kit/core/MainThread.h"
#include "kit/x11/CompositingManagerWatch.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <functional>

namespace kit {

namespace {
QRectF primaryGeometry()
{
    const QScreen* primary = QGuiApplication::primaryScreen();
    return primary ? QRectF(primary->geometry()) : QRectF();
}
} // namespace

Rect ScreenRectFromQt(const QRectF& q)
{
    const QRectF p = primaryGeometry();
    return MakeRect(q.x() - p.x(), p.y() + p.height() - q.y() - q.height(), q.width(), q.height());
}

QRectF QtRectFromScreen(Rect r)
{
    const QRectF p = primaryGeometry();
    return QRectF(r.minX() + p.x(), p.y() + p.height() - r.minY() - r.height(), r.width(), r.height());
}

std::vector<Ref<Screen>> Screen::screens()
{
    std::vector<Ref<Screen>> out;
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (primary)
        out.push_back(make<Screen>(const_cast<QScreen*>(primary)));
    for (QScreen* s : QGuiApplication::screens())
        if (s != primary)
            out.push_back(make<Screen>(s));
    return out;
}

Ref<Screen> Screen::mainScreen()
{
    if (const Ref<Window> key = Application::sharedApplication()->keyWindow())
        if (QWidget* host = key->hostWidget(); host && host->screen())
            return make<Screen>(host->screen());
    if (QScreen* primary = QGuiApplication::primaryScreen())
        return make<Screen>(primary);
    return nullptr;
}

Rect Screen::frame() const { return ScreenRectFromQt(screen_->geometry()); }
Rect Screen::visibleFrame() const { return ScreenRectFromQt(screen_->availableGeometry()); }
double Screen::backingScaleFactor() const { return screen_->devicePixelRatio(); }

bool Screen::isEqual(const Object* other) const
{
    const auto* s = dynamic_cast<const Screen*>(other);
    return s && s->screen_ == screen_;
}

std::size_t Screen::hash() const { return std::hash<const QScreen*>()(screen_); }

Rect RectMovedInsideRect(Rect frame, Rect visible)
{
    // Right and bottom first, then left and top, so that the top-left corner wins when it is too big.
    frame.origin.x -= std::max(0.0, frame.maxX() - visible.maxX());
    frame.origin.x = std::max(frame.origin.x, visible.minX());
    frame.origin.y = std::max(frame.origin.y, visible.minY());
    frame.origin.y -= std::max(0.0, frame.maxY() - visible.maxY());
    return frame;
}

Rect FrameMovedOnScreen(Rect frame)
{
    Ref<Screen> best = Screen::mainScreen();
    double most = 0;
    for (const Ref<Screen>& screen : Screen::screens()) {
        const Rect common = IntersectionRect(frame, screen->frame());
        if (const double area = common.width() * common.height(); area > most) {
            most = area;
            best = screen;
        }
    }
    return best ? RectMovedInsideRect(frame, best->visibleFrame()) : frame;
}

namespace {

struct ScreenCompositing {
    std::unique_ptr<CompositingManagerWatch> watch;
    bool watching = false;
    std::optional<bool> forTesting;
};

ScreenCompositing& screenCompositing()
{
    static ScreenCompositing state;
    return state;
}

bool screenCompositingAnswer()
{
    const ScreenCompositing& s = screenCompositing();
    if (s.forTesting)
        return *s.forTesting;
    return s.watch && s.watch->isRunning();
}

void screenCompositingChanged()
{
    Window::compositingManagerDidChange();
    NotificationCenter::defaultCenter()->postNotificationNameObject(ScreenCompositingManagerDidChangeNotification, nullptr);
}

} // namespace

bool Screen::hasCompositingManager()
{
    ScreenCompositing& s = screenCompositing();
    if (!s.watching && isMainThread()) {
        // Watched from the first question on, for the life of the process (Qt's connection stays).
        s.watching = true;
        s.watch = CompositingManagerWatch::make([](bool) {
            if (!screenCompositing().forTesting)
                screenCompositingChanged();
        });
    }
    return screenCompositingAnswer();
}

void Screen::setCompositingManagerForTesting(std::optional<bool> running)
{
    const bool before = hasCompositingManager();
    screenCompositing().forTesting = running;
    if (hasCompositingManager() != before)
        screenCompositingChanged();
}

} // namespace kit
