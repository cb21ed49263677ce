#pragma once

// Helpers the cells share for drawing in a view's coordinates: an upright, y-down QPainter space
// for one cell frame (images and QStyle draw y-down), attributed titles through the current
// graphics context with the cell's attributes filling in, image placement by scaling, and the
// style option base.

#include "kit/controls/ControlTypes.h"
#include "kit/core/Geometry.h"
#include "kit/graphics/AttributedString.h"
#include "kit/graphics/Image.h"

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QRectF>
#include <QString>

class QStyleOption;

namespace kit {

class View;

// The size an image of `image` size takes in a box of `box` size under `scaling`.
Size ImageFitSize(Size image, Size box, ImageScaling scaling);

// Saves the painter and maps `frame` so that its visual top-left lies within a unit of the origin
// and y runs down, whatever the view's flip. map() gives a view rectangle in that space, so QStyle's
// int rectangles hold even for a cell 3 × 10^9 points down a view.
class UprightPainter {
public:
    UprightPainter(QPainter* painter, Rect frame, bool flipped);
    ~UprightPainter();
    UprightPainter(const UprightPainter&) = delete;
    UprightPainter& operator=(const UprightPainter&) = delete;

    QPainter* painter() const { return painter_; }
    explicit operator bool() const { return painter_ != nullptr; }
    QRectF map(Rect r) const;

private:
    QPainter* painter_;
    Rect frame_;
    bool flipped_;
    QPointF origin_;
};

// A view rectangle inside `frame` in the frame's upright space (as UprightPainter::map), and back.
// That space starts within a unit of the frame's corner: QStyle's int rectangles stay exact for a
// cell far down a tall view.
QRectF VisualRect(Rect r, Rect frame, bool flipped);
Rect ViewRect(const QRectF& r, Rect frame, bool flipped);

// The kit font of a cell's QFont (sized in pixels).
Ref<Font> CellFont(const QFont& font);
// Draws `title` on one line per paragraph, vertically centred in `frame` and aligned in it by its
// paragraph style; null attributes take `defaults`. Answers the rectangle the text took. Needs a
// current graphics context (or a view painter to make one from).
Rect DrawCellAttributedTitle(const AttributedString& title, Rect frame, const StringAttributes& defaults, bool flipped);
// `title` with its null attributes taken from `defaults`.
AttributedString CompleteAttributes(const AttributedString& title, const StringAttributes& defaults);

// Width and line height of a single line of text.
Size TextSize(const QString& text, const QFont& font);
// The image's pixels at the painter's scale, tinted with `tint` when valid (template images).
// `darken` (0...1) blends the pixels towards black: a pressed image button.
void DrawCellImage(QPainter& painter, const Image& image, const QRectF& box, double opacity, const QColor& tint = {}, double darken = 0);
// State_Enabled, State_Active (key window), State_HasFocus with State_KeyboardFocusChange (the
// view is first responder of the key window and `focusRing` asks for a ring).
void InitStyleOption(QStyleOption& option, View* view, const QRectF& rect, bool enabled, bool focusRing);
// Tool-style panels (PE_PanelButtonTool): the size of the panel that holds `content`
// (CT_ToolButton), and the content rectangle of a panel of `bounds` by the same margins.
Size ToolPanelSizeForContent(View* view, Size content);
Rect ToolPanelContentRect(View* view, Rect bounds);
// Whether `view` shows a focus ring now: first responder of the key window, ring type not None.
bool ShowsFocusRing(const View* view, FocusRingType type);
// The style's focus frame just inside `rect` (in the painter's upright space): the view clips
// anything outside its bounds, so the ring sits inside.
void DrawFocusRing(QPainter& painter, View* view, const QRectF& rect);
// The same round `frame` (in the view's coordinates) with the view's current painter.
void DrawFocusRing(View* view, Rect frame);

} // namespace kit
