#pragma once

// Screens in the kit's screen coordinates: y up, origin at the bottom left of the primary
// screen. ScreenRectFromQt and QtRectFromScreen are the one place where kit and Qt screen
// coordinates meet.

#include "kit/core/Geometry.h"
#include "kit/core/Object.h"

#include <QRect>

#include <vector>

class QScreen;

namespace kit {

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

    // Screen objects are made on demand: two are equal when they stand for the same display.
    bool isEqual(const Object* other) const override;
    std::size_t hash() const override;

private:
    QScreen* screen_;
};

Rect ScreenRectFromQt(const QRectF& rect);
QRectF QtRectFromScreen(Rect rect);

} // namespace kit
