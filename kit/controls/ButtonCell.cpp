#include "kit/controls/ButtonCell.h"

#include "kit/appkit/View.h"
#include "kit/appkit/Window.h"
#include "kit/controls/Button.h"
#include "kit/controls/CellDrawing.h"
#include "kit/controls/Control.h"
#include "kit/graphics/Color.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionToolButton>

#include <cmath>

namespace kit {

KIT_REGISTER_CLASS(ButtonCell, ActionCell) { c.copyable(); }

namespace {

// Room between an image and its title.
constexpr double ImageTitleGap = 4;

QStyle* style() { return QApplication::style(); }

QSize toQSize(Size s) { return QSize(int(std::ceil(s.width)), int(std::ceil(s.height))); }

} // namespace

ButtonCell::ButtonCell()
    : ButtonCell(QStringLiteral("Button"))
{ }

ButtonCell::ButtonCell(const QString& title)
{
    b_.title = title;
    setBordered(true);
    setAlignment(CenterTextAlignment);
}

ButtonCell::ButtonCell(Ref<Image> image)
    : ButtonCell(QString())
{
    setImage(std::move(image));
    b_.imagePosition = ImageOnly;
}

void ButtonCell::copyTo(Object& copy) const
{
    ActionCell::copyTo(copy);
    auto& c = static_cast<ButtonCell&>(copy);
    c.b_ = b_;
    c.b_.mouseInside = false;
}

void ButtonCell::setButtonType(ButtonType type)
{
    b_.type = type;
    switch (type) {
    case MomentaryLightButton:
        b_.highlightsBy = ChangeBackgroundCellMask | ChangeGrayCellMask;
        b_.showsStateBy = NoCellMask;
        break;
    case PushOnPushOffButton:
        b_.highlightsBy = PushInCellMask | ChangeGrayCellMask;
        b_.showsStateBy = ChangeBackgroundCellMask | ChangeGrayCellMask;
        break;
    case ToggleButton:
        b_.highlightsBy = PushInCellMask | ContentsCellMask;
        b_.showsStateBy = ContentsCellMask;
        break;
    case SwitchButton:
    case RadioButton:
        b_.highlightsBy = ContentsCellMask;
        b_.showsStateBy = ContentsCellMask;
        b_.imagePosition = ImageLeft;
        setBordered(false);
        setAlignment(LeftTextAlignment);
        break;
    case MomentaryChangeButton:
        b_.highlightsBy = ContentsCellMask;
        b_.showsStateBy = NoCellMask;
        break;
    case OnOffButton:
        b_.highlightsBy = ChangeBackgroundCellMask;
        b_.showsStateBy = ChangeBackgroundCellMask;
        break;
    case MomentaryPushInButton:
        b_.highlightsBy = PushInCellMask | ChangeGrayCellMask | ChangeBackgroundCellMask;
        b_.showsStateBy = NoCellMask;
        break;
    }
    changed();
}

void ButtonCell::setHighlightsBy(int mask)
{
    b_.highlightsBy = mask;
    changed();
}

void ButtonCell::setShowsStateBy(int mask)
{
    b_.showsStateBy = mask;
    changed();
}

bool ButtonCell::showsAlternateContents() const
{
    return (isHighlighted() && (b_.highlightsBy & ContentsCellMask)) || (state() == OnState && (b_.showsStateBy & ContentsCellMask));
}

void ButtonCell::setTitle(const QString& title)
{
    const bool renamed = title != b_.title;
    b_.title = title;
    b_.attributedTitle.reset();
    changed();
    if (renamed)
        accessibilityTitleChanged();
}

void ButtonCell::setAttributedTitle(const AttributedString& title)
{
    b_.title = title.string();
    b_.attributedTitle = title;
    changed();
}

AttributedString ButtonCell::attributedTitle() const
{
    if (b_.attributedTitle)
        return *b_.attributedTitle;
    StringAttributes attributes = titleDefaults();
    attributes.foregroundColor = nullptr;
    return AttributedString(title(), attributes);
}

StringAttributes ButtonCell::titleDefaults() const
{
    auto paragraph = make<ParagraphStyle>();
    paragraph->setAlignment(alignment());
    paragraph->setLineBreakMode(lineBreakMode());
    const QPalette::ColorRole role = backgroundStyle() == BackgroundStyleDark ? QPalette::HighlightedText
        : look() == Look::PushButton || look() == Look::ToolPanel             ? QPalette::ButtonText
                                                                              : QPalette::WindowText;
    StringAttributes attributes;
    attributes.font = CellFont(font());
    attributes.paragraphStyle = paragraph;
    attributes.foregroundColor
        = Color::fromQColor(QApplication::palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, role));
    return attributes;
}

void ButtonCell::setAlternateTitle(const QString& title)
{
    b_.alternateTitle = title;
    changed();
}

void ButtonCell::setAlternateImage(Ref<Image> image)
{
    b_.alternateImage = std::move(image);
    changed();
}

void ButtonCell::setImagePosition(CellImagePosition position)
{
    b_.imagePosition = position;
    changed();
}

void ButtonCell::setImageScaling(ImageScaling scaling)
{
    b_.imageScaling = scaling;
    changed();
}

void ButtonCell::setBezelStyle(BezelStyle style)
{
    b_.bezelStyle = style;
    changed();
}

void ButtonCell::setShowsBorderOnlyWhileMouseInside(bool flag)
{
    b_.bordersOnHover = flag;
    changed();
}

void ButtonCell::setKeyEquivalent(const QString& key)
{
    b_.keyEquivalent = key;
    changed();
    if (auto* button = dynamic_cast<Button*>(owningControl().get()))
        button->updateDefaultButtonRegistration();
}

int ButtonCell::nextState() const
{
    if (b_.type == RadioButton)
        return OnState;
    const bool toggles = b_.type == SwitchButton || b_.type == PushOnPushOffButton || b_.type == ToggleButton || b_.type == OnOffButton
        || b_.showsStateBy != NoCellMask;
    return toggles ? ActionCell::nextState() : state();
}

void ButtonCell::setNextState()
{
    ActionCell::setNextState();
    if (b_.type != RadioButton || state() != OnState)
        return;
    const Ref<Control> control = owningControl();
    const Ref<View> group = control ? control->superview() : nullptr;
    if (!group)
        return;
    for (const Ref<View>& sibling : std::vector<Ref<View>>(group->subviews())) {
        const auto* other = dynamic_cast<const Control*>(sibling.get());
        const Ref<ButtonCell> cell = other && other != control.get() ? dynamic_pointer_cast<ButtonCell>(other->cell()) : nullptr;
        if (cell && cell->buttonType() == RadioButton && cell->action() == action())
            cell->setState(OffState);
    }
}

// Geometry ----------------------------------------------------------------------------------------

ButtonCell::Look ButtonCell::look() const
{
    if (b_.type == SwitchButton)
        return Look::Check;
    if (b_.type == RadioButton)
        return Look::Radio;
    if (!isBordered())
        return Look::Plain;
    return b_.bezelStyle == RoundedBezelStyle || b_.bezelStyle == RegularSquareBezelStyle ? Look::PushButton : Look::ToolPanel;
}

bool ButtonCell::drawsBezel() const
{
    const Look l = look();
    return (l == Look::PushButton || l == Look::ToolPanel) && (!b_.bordersOnHover || b_.mouseInside);
}

Size ButtonCell::contentSize() const
{
    const bool hasImage = b_.imagePosition != NoImage && image();
    const AttributedString title = CompleteAttributes(attributedTitle(), titleDefaults());
    const bool hasTitle = b_.imagePosition != ImageOnly && title.length() > 0;
    const Size i = hasImage ? image()->size() : ZeroSize;
    Size t = hasTitle ? title.size() : ZeroSize;
    t = { std::ceil(t.width), std::ceil(t.height) };
    const double gap = hasImage && hasTitle ? ImageTitleGap : 0;
    switch (b_.imagePosition) {
    case ImageLeft:
    case ImageRight:
        return { i.width + gap + t.width, std::max(i.height, t.height) };
    case ImageAbove:
    case ImageBelow:
        return { std::max(i.width, t.width), i.height + gap + t.height };
    default:
        return { std::max(i.width, t.width), std::max(i.height, t.height) };
    }
}

Rect ButtonCell::indicatorRect(Rect bounds) const
{
    const bool radio = look() == Look::Radio;
    const double w = style()->pixelMetric(radio ? QStyle::PM_ExclusiveIndicatorWidth : QStyle::PM_IndicatorWidth);
    const double h = style()->pixelMetric(radio ? QStyle::PM_ExclusiveIndicatorHeight : QStyle::PM_IndicatorHeight);
    return MakeRect(bounds.minX(), std::floor(bounds.midY() - h / 2), w, h);
}

Size ButtonCell::cellSizeForBounds(Rect) const
{
    const Size content = contentSize();
    switch (look()) {
    case Look::Check:
    case Look::Radio: {
        const Rect ind = indicatorRect(ZeroRect);
        const double spacing
            = style()->pixelMetric(look() == Look::Radio ? QStyle::PM_RadioButtonLabelSpacing : QStyle::PM_CheckBoxLabelSpacing);
        return { ind.width() + (content.width > 0 ? spacing + content.width : 0), std::max(ind.height(), content.height) };
    }
    case Look::PushButton: {
        QStyleOptionButton option;
        InitStyleOption(option, controlView().get(), QRectF(0, 0, content.width, content.height), isEnabled(), false);
        option.text = attributedTitle().string();
        const QSize s = style()->sizeFromContents(QStyle::CT_PushButton, &option, toQSize(content));
        // The contents rectangle of a button that size must still hold the content.
        option.rect = QRect(QPoint(), s);
        const QRect inner = style()->subElementRect(QStyle::SE_PushButtonContents, &option);
        return { double(s.width() + std::max(0, toQSize(content).width() - inner.width())),
            double(s.height() + std::max(0, toQSize(content).height() - inner.height())) };
    }
    case Look::ToolPanel:
        return ToolPanelSizeForContent(controlView().get(), content);
    case Look::Plain:
        break;
    }
    return content;
}

Rect ButtonCell::drawingRectForBounds(Rect bounds) const
{
    const View* view = controlView().get();
    const bool flipped = view && view->isFlipped();
    switch (look()) {
    case Look::Check:
    case Look::Radio: {
        const Rect ind = indicatorRect(bounds);
        const double spacing
            = style()->pixelMetric(look() == Look::Radio ? QStyle::PM_RadioButtonLabelSpacing : QStyle::PM_CheckBoxLabelSpacing);
        const double x = ind.maxX() + spacing;
        return MakeRect(x, bounds.minY(), std::max(0.0, bounds.maxX() - x), bounds.height());
    }
    case Look::PushButton: {
        QStyleOptionButton option;
        InitStyleOption(option, controlView().get(), VisualRect(bounds, bounds, flipped), isEnabled(), false);
        return ViewRect(QRectF(style()->subElementRect(QStyle::SE_PushButtonContents, &option)), bounds, flipped);
    }
    case Look::ToolPanel:
        return ToolPanelContentRect(controlView().get(), bounds);
    case Look::Plain:
        break;
    }
    return bounds;
}

void ButtonCell::layout(Rect content, bool flipped, Rect* imageRect, Rect* titleRect) const
{
    const Ref<Image> img = showsAlternateContents() && b_.alternateImage ? b_.alternateImage : image();
    const bool hasImage = b_.imagePosition != NoImage && img;
    if (!hasImage) {
        *imageRect = ZeroRect;
        *titleRect = b_.imagePosition == ImageOnly ? ZeroRect : content;
        return;
    }
    const bool hasTitle = b_.imagePosition != ImageOnly && b_.imagePosition != ImageOverlaps && attributedTitle().length() > 0;
    const Size fit = ImageFitSize(img->size(), content.size, b_.imageScaling);
    const auto centred = [&](Rect box) { return MakeRect(box.midX() - fit.width / 2, box.midY() - fit.height / 2, fit.width, fit.height); };
    if (!hasTitle) {
        *imageRect = centred(content);
        *titleRect = b_.imagePosition == ImageOverlaps ? content : ZeroRect;
        return;
    }
    const double gap = ImageTitleGap;
    Rect slice, rest;
    switch (b_.imagePosition) {
    case ImageLeft:
        DivideRect(content, &slice, &rest, fit.width, MinXEdge);
        break;
    case ImageRight:
        DivideRect(content, &slice, &rest, fit.width, MaxXEdge);
        break;
    case ImageAbove: // the visual top: MinY when flipped
        DivideRect(content, &slice, &rest, fit.height, flipped ? MinYEdge : MaxYEdge);
        break;
    default: // ImageBelow
        DivideRect(content, &slice, &rest, fit.height, flipped ? MaxYEdge : MinYEdge);
        break;
    }
    *imageRect = centred(slice);
    switch (b_.imagePosition) {
    case ImageLeft:
        rest = MakeRect(rest.minX() + gap, rest.minY(), std::max(0.0, rest.width() - gap), rest.height());
        break;
    case ImageRight:
        rest.size.width = std::max(0.0, rest.width() - gap);
        break;
    default:
        rest = InsetRect(rest, 0, gap / 2);
        break;
    }
    *titleRect = rest;
}

Rect ButtonCell::titleRectForBounds(Rect bounds) const
{
    Rect imageRect, titleRect;
    const View* view = controlView().get();
    layout(drawingRectForBounds(bounds), view && view->isFlipped(), &imageRect, &titleRect);
    return titleRect;
}

Rect ButtonCell::imageRectForBounds(Rect bounds) const
{
    Rect imageRect, titleRect;
    const View* view = controlView().get();
    layout(drawingRectForBounds(bounds), view && view->isFlipped(), &imageRect, &titleRect);
    return imageRect;
}

// Drawing -----------------------------------------------------------------------------------------

void ButtonCell::drawWithFrameInView(Rect cellFrame, View* view)
{
    if (drawsBezel())
        drawBezelWithFrameInView(cellFrame, view);
    drawInteriorWithFrameInView(cellFrame, view);
    if (!ShowsFocusRing(view, focusRingType()))
        return;
    if (QPainter* painter = View::currentPainter()) {
        const bool flipped = view && view->isFlipped();
        UprightPainter up(painter, cellFrame, flipped);
        DrawFocusRing(*painter, view, up.map(focusRingRect(cellFrame, flipped)));
    }
}

Rect ButtonCell::focusRingRect(Rect cellFrame, bool flipped) const
{
    if (look() != Look::Check && look() != Look::Radio)
        return cellFrame;
    // Around what the user reads, not the empty rest of a wide frame.
    Rect imageRect, titleRect;
    layout(drawingRectForBounds(cellFrame), flipped, &imageRect, &titleRect);
    Rect ring = indicatorRect(cellFrame);
    if (!IsEmptyRect(imageRect))
        ring = UnionRect(ring, imageRect);
    const Size title = CompleteAttributes(attributedTitle(), titleDefaults()).size();
    if (title.width > 0 && !IsEmptyRect(titleRect))
        ring = UnionRect(
            ring, MakeRect(titleRect.minX(), titleRect.midY() - title.height / 2, std::min(titleRect.width(), title.width), title.height));
    return IntersectionRect(InsetRect(ring, -3, -3), cellFrame);
}

void ButtonCell::drawBezelWithFrameInView(Rect frame, View* view)
{
    QPainter* painter = View::currentPainter();
    if (!painter)
        return;
    UprightPainter up(painter, frame, view && view->isFlipped());
    const bool pressed = isHighlighted() && (b_.highlightsBy & (PushInCellMask | ChangeGrayCellMask | ChangeBackgroundCellMask));
    const bool on = state() != OffState && (b_.showsStateBy & (PushInCellMask | ChangeGrayCellMask | ChangeBackgroundCellMask));
    const bool ring = focusRingType() != FocusRingTypeNone;
    if (look() == Look::PushButton) {
        QStyleOptionButton option;
        InitStyleOption(option, view, up.map(frame), isEnabled(), ring);
        if (isDefaultButton())
            option.features |= QStyleOptionButton::DefaultButton;
        option.state |= pressed ? QStyle::State_Sunken : QStyle::State_Raised;
        if (on)
            option.state |= QStyle::State_On;
        if (b_.mouseInside)
            option.state |= QStyle::State_MouseOver;
        style()->drawControl(QStyle::CE_PushButtonBevel, &option, painter);
        return;
    }
    QStyleOptionToolButton option;
    InitStyleOption(option, view, up.map(frame), isEnabled(), ring);
    option.state |= pressed ? QStyle::State_Sunken : QStyle::State_Raised;
    if (on)
        option.state |= QStyle::State_On;
    if (b_.bordersOnHover)
        option.state |= QStyle::State_AutoRaise;
    if (b_.mouseInside)
        option.state |= QStyle::State_MouseOver;
    style()->drawPrimitive(QStyle::PE_PanelButtonTool, &option, painter);
}

void ButtonCell::drawInteriorWithFrameInView(Rect cellFrame, View* view)
{
    const bool flipped = view && view->isFlipped();
    const bool alternate = showsAlternateContents();
    if (look() == Look::Check || look() == Look::Radio) {
        if (QPainter* painter = View::currentPainter()) {
            UprightPainter up(painter, cellFrame, flipped);
            QStyleOptionButton option;
            InitStyleOption(option, view, up.map(indicatorRect(cellFrame)), isEnabled(), focusRingType() != FocusRingTypeNone);
            option.state |= state() == OnState ? QStyle::State_On : state() == MixedState ? QStyle::State_NoChange : QStyle::State_Off;
            if (isHighlighted())
                option.state |= QStyle::State_Sunken;
            style()->drawPrimitive(
                look() == Look::Radio ? QStyle::PE_IndicatorRadioButton : QStyle::PE_IndicatorCheckBox, &option, painter);
        }
    }
    Rect imageRect, titleRect;
    layout(drawingRectForBounds(cellFrame), flipped, &imageRect, &titleRect);
    const Ref<Image> img = alternate && b_.alternateImage ? b_.alternateImage : image();
    if (img && !IsEmptyRect(imageRect))
        drawImageWithFrameInView(img.get(), imageRect, view);
    AttributedString shown = attributedTitle();
    if (alternate && !b_.alternateTitle.isEmpty())
        shown = AttributedString(b_.alternateTitle, shown.length() > 0 ? shown.attributesAtIndex(0) : StringAttributes {});
    if (shown.length() > 0 && !IsEmptyRect(titleRect))
        drawTitleWithFrameInView(shown, titleRect, view);
}

void ButtonCell::drawImageWithFrameInView(const Image* image, Rect frame, View* view)
{
    QPainter* painter = View::currentPainter();
    if (!painter || !image)
        return;
    UprightPainter up(painter, frame, view && view->isFlipped());
    const double opacity = !isEnabled() && b_.imageDimsWhenDisabled ? 0.5 : 1.0;
    const QColor tint = image->isTemplate() ? QApplication::palette().color(QPalette::ButtonText) : QColor();
    // An unbordered image button with no alternate to show looks pressed by darkening.
    const bool darken = isHighlighted() && (b_.highlightsBy & PushInCellMask) && look() == Look::Plain && !showsAlternateContents();
    DrawCellImage(*painter, *image, up.map(frame), opacity, tint, darken ? 0.35 : 0);
}

Rect ButtonCell::drawTitleWithFrameInView(const AttributedString& title, Rect frame, View* view)
{
    return DrawCellAttributedTitle(title, frame, titleDefaults(), view && view->isFlipped());
}

// Events ------------------------------------------------------------------------------------------

void ButtonCell::setMouseInside(bool flag)
{
    if (b_.mouseInside == flag)
        return;
    b_.mouseInside = flag;
    changed();
}

void ButtonCell::mouseEntered(const Event&) { setMouseInside(true); }
void ButtonCell::mouseExited(const Event&) { setMouseInside(false); }

bool ButtonCell::performKeyEquivalent(const Event& event)
{
    if (!isEnabled() || b_.keyEquivalent.isEmpty() || event.type() != KeyDown)
        return false;
    std::uint64_t mask = b_.keyEquivalentMask;
    if (b_.keyEquivalent.size() == 1 && b_.keyEquivalent.at(0).isUpper())
        mask |= ShiftKeyMask;
    const std::uint64_t relevant = ShiftKeyMask | ControlKeyMask | AlternateKeyMask | CommandKeyMask;
    if ((event.modifierFlags() & relevant) != mask)
        return false;
    if (event.charactersIgnoringModifiers().compare(b_.keyEquivalent, Qt::CaseInsensitive) != 0)
        return false;
    if (const Ref<Control> control = owningControl())
        control->performClick(nullptr);
    else
        performClick(nullptr);
    return true;
}

} // namespace kit
