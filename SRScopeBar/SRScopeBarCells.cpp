#include "SRScopeBarCells.h"

#include "kit/graphics/BezierPath.h"
#include "kit/graphics/Font.h"
#include "kit/graphics/Shadow.h"
#include "kit/graphics/StringDrawing.h"

using namespace kit;

KIT_REGISTER_CLASS(SRButtonCell, kit::ButtonCell)
{
    c.copyable();
    c.property("selected", &SRButtonCell::selected, &SRButtonCell::setSelected);
    c.property("mouseOver", &SRButtonCell::mouseOver, &SRButtonCell::setMouseOver);
}

KIT_REGISTER_CLASS(SRPopUpButtonCell, kit::PopUpButtonCell)
{
    c.copyable();
}

KIT_REGISTER_CLASS(SROverflowPullDownCell, kit::PopUpButtonCell)
{
    c.copyable();
}

namespace {

// The title looks: shadow colour, shadow offset (y up), text colour; always the bold system font 11.
AttributedString srcellStyledTitle(const QString& text, const Ref<Color>& shadowColor, Size shadowOffset, const Ref<Color>& textColor)
{
    StringAttributes a;
    a.font = Font::boldSystemFontOfSize(11);
    a.foregroundColor = textColor;
    a.shadow = make<Shadow>();
    a.shadow->setShadowColor(shadowColor);
    a.shadow->setShadowOffset(shadowOffset);
    return AttributedString(text, a);
}

// A rounded pill of `white` filling the frame less half a point.
void srcellDrawPill(Rect frame, double white)
{
    const Rect r = MakeRect(frame.minX() + 0.5, frame.minY() + 0.5, std::max(0.0, frame.width() - 1), std::max(0.0, frame.height() - 1));
    const double radius = r.height() / 2;
    Color::colorWithDeviceWhiteAlpha(white, 1)->setFill();
    BezierPath::bezierPathWithRoundedRectXRadiusYRadius(r, radius, radius)->fill();
}

} // namespace

// SRButtonCell -------------------------------------------------------------------------------------

void SRButtonCell::copyTo(Object& copy) const
{
    ButtonCell::copyTo(copy);
    auto& c = static_cast<SRButtonCell&>(copy);
    c.selected_ = selected_;
    c.mouseOver_ = mouseOver_;
}

void SRButtonCell::setState(int state)
{
    ButtonCell::setState(state);
    selected_ = state == OnState;
}

void SRButtonCell::mouseEntered(const Event& event)
{
    mouseOver_ = true;
    ButtonCell::mouseEntered(event);
}

void SRButtonCell::mouseExited(const Event& event)
{
    mouseOver_ = false;
    ButtonCell::mouseExited(event);
}

Rect SRButtonCell::drawTitleWithFrameInView(const AttributedString& title, Rect frame, View* controlView)
{
    const bool lit = selected_ || mouseOver_;
    const AttributedString styled = lit
        ? srcellStyledTitle(title.string(), Color::colorWithDeviceWhiteAlpha(0.2, 1), MakeSize(0, -0.5), Color::whiteColor())
        : srcellStyledTitle(title.string(), Color::whiteColor(), MakeSize(0, -1), Color::colorWithDeviceWhiteAlpha(0.25, 1));
    return ButtonCell::drawTitleWithFrameInView(styled, frame, controlView);
}

void SRButtonCell::drawBezelWithFrameInView(Rect frame, View*) { srcellDrawPill(frame, isHighlighted() ? 0.35 : selected_ ? 0.45 : 0.6); }

void SRButtonCell::drawWithFrameInView(Rect cellFrame, View* controlView)
{
    if (selected_ || mouseOver_ || isHighlighted())
        drawBezelWithFrameInView(cellFrame, controlView);
    drawInteriorWithFrameInView(cellFrame, controlView);
}

// SRPopUpButtonCell --------------------------------------------------------------------------------

void SRPopUpButtonCell::drawBezelWithFrameInView(Rect frame, View*)
{
    srcellDrawPill(frame, isHighlighted() ? 0.35 : (!showsBorderOnlyWhileMouseInside() || isMouseInside()) ? 0.45 : 0.62);
}

void SRPopUpButtonCell::drawWithFrameInView(Rect cellFrame, View* controlView)
{
    drawBezelWithFrameInView(cellFrame, controlView);
    drawInteriorWithFrameInView(cellFrame, controlView);
}

Rect SRPopUpButtonCell::drawTitleWithFrameInView(const AttributedString& title, Rect frame, View* controlView)
{
    const AttributedString styled = srcellStyledTitle(title.string(), Color::colorWithDeviceWhiteAlpha(0.2, 1), MakeSize(0, -0.5), Color::whiteColor());
    Rect moved = frame;
    moved.origin.y -= 1;
    return PopUpButtonCell::drawTitleWithFrameInView(styled, moved, controlView);
}

// SROverflowPullDownCell ---------------------------------------------------------------------------

SROverflowPullDownCell::SROverflowPullDownCell()
    : SROverflowPullDownCell(QString(), true)
{ }

SROverflowPullDownCell::SROverflowPullDownCell(const QString& title, bool)
    : PopUpButtonCell(title, true)
{
    setButtonType(PushOnPushOffButton);
    setArrowPosition(PopUpNoArrow);
    setControlSize(SmallControlSize);
    setImagePosition(ImageOnly);
    setBordered(false);
    setHighlightsBy(ChangeGrayCellMask);
}

Size SROverflowPullDownCell::cellSizeForBounds(Rect) const
{
    const Ref<MenuItem> face = itemAtIndex(0);
    const Ref<Image> image = face ? face->image() : nullptr;
    if (!image)
        return ZeroSize;
    const Size s = image->size();
    return MakeSize(s.width + 12, s.height);
}
