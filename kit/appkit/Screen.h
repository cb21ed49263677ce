#pragma once

// Screens in the kit's screen coordinates: y up, origin at the bottom left of the primary
// screen. ScreenRectFromQt and QtRectFromScreen are the one place where kit and Qt screen
// coordinates meet.

#include "kit/core/Geometry.h"
#include "kit/core/Object.h"

#include <QRect>
#include <QString>

#include <optional>
#include <vector>

class QScreen;

namespace kit {

// Posted on the default centre (main thread, object nil) when a compositing manager starts or quits.
inline const QString ScreenCompositingManagerDidChangeNotification = QStringLiteral("ScreenCompositingManagerDidChangeNotification");

class Screen : public Object {
public:
    explicit Screen(QScreen* screen)
        : screen_(screen)
    { }

    // Primary first.
    static std::vector<Ref<Screen>> screens();
    // The key window's screen, else the primary, else null.
    static Ref<Screen> mainScreen();

    Rect frame() const;
    Rect visibleFrame() const;
    double backingScaleFactor() const;
    double userSpaceScaleFactor() const { return 1; }
    QScreen* qtScreen() const { return screen_; }

    // Whether a compositing manager draws the screens, so that a window's alpha shows (soft edges,
    // see-through parts). Followed live on X11; NO elsewhere. Windows shaped by their background
    // follow a change by themselves.
    static bool hasCompositingManager();
    // Test-only: answers `running` instead of the platform (nullopt: the platform again), with the
    // same notification and reshaping as a real change.
    static void setCompositingManagerForTesting(std::optional<bool> running);

    // Screen objects are made on demand: two are equal when they stand for the same display.
    bool isEqual(const Object* other) const override;
    std::size_t hash() const override;

private:
    QScreen* screen_;
};

Rect ScreenRectFromQt(const QRectF& rect);
QRectF QtRectFromScreen(Rect rect);

// `frame` moved the least distance that puts it inside `visible`; a frame larger than that keeps
// its top-left corner inside, so that its title stays within reach.
Rect RectMovedInsideRect(Rect frame, Rect visible);
// The same inside the visible frame of the screen that holds most of `frame`, else the main screen's.
Rect FrameMovedOnScreen(Rect frame);

} // namespace kit
