#pragma once

// What several tab bar view styles share: the close images they load under the same names,
// the overflow-button and right-divider rules, the signed counter string, and the card bezel
// skeleton (a filled outline closed at the bottom, then the open outline stroked). The styles
// stay separate classes so each registers only its own hooks.

#include "QVTabBarView/QVTabStyle.h"
#include "kit/graphics/StringDrawing.h"

#include <array>
#include <functional>

class QVAttachedTabBarButton;

namespace kit {
class Coder;
class Color;
class Gradient;
class View;
}

namespace QVTabStyleSupport {

// Normal, rollover, pressed, edited, edited rollover, edited pressed: the image types 0-5.
using CloseImages = std::array<kit::Ref<kit::Image>, 6>;

// The shared "AquaTabClose…" set, in type order.
CloseImages aquaCloseImages();
// The image of the type, nil for a type above 5.
kit::Ref<kit::Image> closeImageOfType(const CloseImages& images, std::uint64_t type);
// Archives the six images that code themselves under `keys`; reads back only the keys present.
void encodeImages(kit::Coder& coder, const CloseImages& images, const std::array<QString, 6>& keys);
void decodeImages(kit::Coder& coder, CloseImages& images, const std::array<QString, 6>& keys);

bool isHorizontal(const QVTabBarView* view);
// Whether the view's window has a toolbar that is shown.
bool hasVisibleToolbar(const kit::View* view);
// The overflow button counts as such only while it is not sliding.
bool countsAsOverflowButton(const QVAttachedTabBarButton& button);
// Drawn when the button shows its right divider, unless the next tab is selected and neither
// slides nor is the drop place.
bool drawsRightDivider(const QVAttachedTabBarButton& button);
// The button's stacking frame one point wider (zero without a button).
kit::Rect widenedStackingFrame(const QVAttachedTabBarButton* button);

// The stacking frame one point wider; a selected tab two points lower (horizontal) or moved into
// the bar (vertical), an unselected vertical one a point left.
kit::Rect draggingRectOfTab(const QVAttachedTabBarButton* button, const QVTabBarView* view);

// The image's size fitted (proportionally down) into its own width and `height`.
kit::Size sizeFittedToHeight(const kit::Image& image, double height);
// The close button's image fitted to the drawing rectangle D, at the x that `x(D, size)` gives,
// centred vertically; zero when the cell shows no close button or has no image. Integral.
kit::Rect closeButtonRect(kit::Rect bounds, QVTabBarButtonCell& cell, const std::function<double(kit::Rect, kit::Size)>& x);
// The icon at the start of the drawing rectangle, centred in 16 points; none on a vertical bar
// beside a large image. Integral.
kit::Rect leadingIconRect(kit::Rect bounds, QVTabBarButtonCell& cell);
// The large image fitted into the drawing rectangle, centred in 16 points; not integral.
kit::Rect largeImageRect(kit::Rect bounds, QVTabBarButtonCell& cell);

// Bold counter attributes in `family` (else the system font) of size 11, white at 0.85.
kit::StringAttributes counterAttributes(const QString& family);
// The counter formatted signed: a negative count reads as one.
kit::AttributedString counterString(const QVTabBarButtonCell* cell, const kit::StringAttributes& attributes);

// Fills the card outline of `rect` (closed with QVFillCap) with `gradient` at `angle` when there is
// one, then strokes the open outline in `line`.
void drawCardBezel(kit::Rect rect, double radius, std::uint32_t capMask, const kit::Ref<kit::Gradient>& gradient, double angle,
    const kit::Ref<kit::Color>& line);

} // namespace QVTabStyleSupport
