#pragma once

// The constants cells and controls share: button types and bezels, image placement and scaling,
// cell states and masks, control sizes, and the font sizes that go with them. Values are the
// platform's, since interface files and archives carry them as numbers.

// Control sizes, alignments and line-break modes are the drawing layer's.
#include "kit/graphics/Font.h"
#include "kit/graphics/ParagraphStyle.h"

#include <QFont>

#include <cstdint>

namespace kit {

enum ButtonType : int {
    MomentaryLightButton = 0,
    PushOnPushOffButton = 1,
    ToggleButton = 2,
    SwitchButton = 3,
    RadioButton = 4,
    MomentaryChangeButton = 5,
    OnOffButton = 6,
    MomentaryPushInButton = 7,
};

enum BezelStyle : int {
    RoundedBezelStyle = 1,
    RegularSquareBezelStyle = 2,
    ShadowlessSquareBezelStyle = 6,
    TexturedSquareBezelStyle = 8,
    SmallSquareBezelStyle = 10,
    RecessedBezelStyle = 13,
};

enum CellImagePosition : int {
    NoImage = 0,
    ImageOnly = 1,
    ImageLeft = 2,
    ImageRight = 3,
    ImageBelow = 4,
    ImageAbove = 5,
    ImageOverlaps = 6,
};

enum CellStateValue : int { MixedState = -1, OffState = 0, OnState = 1 };

// What highlightsBy and showsStateBy use.
enum : int {
    NoCellMask = 0,
    ContentsCellMask = 1,
    PushInCellMask = 2,
    ChangeGrayCellMask = 4,
    ChangeBackgroundCellMask = 8,
};

enum CellType : int { NullCellType = 0, TextCellType = 1, ImageCellType = 2 };

enum CellAttribute : int {
    CellDisabled = 0,
    CellState = 1,
    PushInCell = 2,
    CellEditable = 3,
    ChangeGrayCell = 4,
    CellHighlighted = 5,
    CellLightsByContents = 6,
    CellLightsByGray = 7,
    ChangeBackgroundCell = 8,
    CellLightsByBackground = 9,
    CellIsBordered = 10,
    CellHasOverlappingImage = 11,
    CellHasImageHorizontal = 12,
    CellHasImageOnLeftOrBottom = 13,
    CellChangesContents = 14,
    CellIsInsetButton = 15,
    CellAllowsMixedState = 16,
};

enum FocusRingType : int { FocusRingTypeDefault = 0, FocusRingTypeNone = 1, FocusRingTypeExterior = 2 };

enum BackgroundStyle : int { BackgroundStyleLight = 0, BackgroundStyleDark = 1, BackgroundStyleRaised = 2, BackgroundStyleLowered = 3 };

// Periodic events, for continuous cells; the bit of sendActionOn's mask that asks for them.
inline constexpr int PeriodicEventType = 16;
inline constexpr std::uint64_t PeriodicMask = std::uint64_t(1) << PeriodicEventType;

// Font sizes in pixels.
double systemFontSizeForControlSize(ControlSize size);
inline double systemFontSize() { return 13; }
inline double smallSystemFontSize() { return 11; }
inline double labelFontSize() { return 10; }
// The font controls draw their content in: the application font at `size` pixels (0 = the
// regular system size).
QFont controlContentFontOfSize(double size);

} // namespace kit
