#include "kit/controls/Button.h"

#include "kit/appkit/Event.h"
#include "kit/appkit/KeyCodes.h"
#include "kit/appkit/Window.h"

namespace kit {

KIT_REGISTER_CLASS(Button, Control)
{
    c.property("title", &Button::title, &Button::setTitle);
    c.property("state", &Button::state, &Button::setState);
    c.exposeBinding("title");
}

Button::Button(Rect frame)
    : Button(frame, cellClass()())
{ }

Button::Button(Rect frame, Ref<Cell> cell)
    : Control(frame, std::move(cell))
{ }

#define KIT_GET(type, name, fallback)                                                                                                      \
    type Button::name() const                                                                                                              \
    {                                                                                                                                      \
        const ButtonCell* c = buttonCell();                                                                                                \
        return c ? c->name() : fallback;                                                                                                   \
    }
#define KIT_SET(setter, type)                                                                                                              \
    void Button::setter(type value)                                                                                                        \
    {                                                                                                                                      \
        if (ButtonCell* c = buttonCell())                                                                                                  \
            c->setter(value);                                                                                                              \
        setNeedsDisplay(true);                                                                                                             \
    }

KIT_GET(QString, title, cell() ? cell()->title() : QString())
KIT_GET(QString, alternateTitle, QString())
KIT_GET(Ref<Image>, alternateImage, nullptr)
KIT_GET(CellImagePosition, imagePosition, NoImage)
KIT_GET(BezelStyle, bezelStyle, RoundedBezelStyle)
KIT_GET(QString, keyEquivalent, QString())
KIT_GET(std::uint64_t, keyEquivalentModifierMask, 0)
KIT_GET(bool, showsBorderOnlyWhileMouseInside, false)
KIT_SET(setAlternateTitle, const QString&)
KIT_SET(setAlternateImage, Ref<Image>)
KIT_SET(setImagePosition, CellImagePosition)
KIT_SET(setImageScaling, ImageScaling)
KIT_SET(setButtonType, ButtonType)
KIT_SET(setBezelStyle, BezelStyle)
KIT_SET(setKeyEquivalent, const QString&)
KIT_SET(setKeyEquivalentModifierMask, std::uint64_t)
#undef KIT_GET
#undef KIT_SET

void Button::updateDefaultButtonRegistration()
{
    const Ref<Window> w = window();
    const Ref<Cell> c = cell();
    if (!w)
        return;
    const auto* buttonCell = dynamic_cast<const ButtonCell*>(c.get());
    if (buttonCell && buttonCell->isDefaultButton())
        w->setDefaultButtonCell(c.get());
    else if (c && w->defaultButtonCell() == c)
        w->setDefaultButtonCell(nullptr);
}

void Button::viewWillMoveToWindow(Window* newWindow)
{
    const Ref<Window> old = window();
    if (old && old.get() != newWindow)
        if (const Ref<Cell> c = cell(); c && old->defaultButtonCell() == c)
            old->setDefaultButtonCell(nullptr);
    Control::viewWillMoveToWindow(newWindow);
}

void Button::viewDidMoveToWindow()
{
    Control::viewDidMoveToWindow();
    updateDefaultButtonRegistration();
}

void Button::setCell(Ref<Cell> newCell)
{
    if (const Ref<Window> w = window())
        if (const Ref<Cell> c = cell(); c && w->defaultButtonCell() == c)
            w->setDefaultButtonCell(nullptr);
    Control::setCell(std::move(newCell));
    updateDefaultButtonRegistration();
}

void Button::setTitle(const QString& title)
{
    if (const Ref<Cell> c = cell())
        c->setTitle(title);
    setNeedsDisplay(true);
}

AttributedString Button::attributedTitle() const
{
    const ButtonCell* c = buttonCell();
    return c ? c->attributedTitle() : AttributedString(title());
}

void Button::setAttributedTitle(const AttributedString& title)
{
    if (ButtonCell* c = buttonCell())
        c->setAttributedTitle(title);
    setNeedsDisplay(true);
}

Ref<Image> Button::image() const { return cell() ? cell()->image() : nullptr; }

void Button::setImage(Ref<Image> image)
{
    if (const Ref<Cell> c = cell())
        c->setImage(std::move(image));
    setNeedsDisplay(true);
}

bool Button::isBordered() const { return cell() && cell()->isBordered(); }

void Button::setBordered(bool flag)
{
    if (const Ref<Cell> c = cell())
        c->setBordered(flag);
    setNeedsDisplay(true);
}

int Button::state() const { return cell() ? cell()->state() : OffState; }

void Button::setState(int state)
{
    if (const Ref<Cell> c = cell())
        c->setState(state);
    setNeedsDisplay(true);
}

void Button::setNextState()
{
    if (const Ref<Cell> c = cell())
        c->setNextState();
    setNeedsDisplay(true);
}

bool Button::allowsMixedState() const { return cell() && cell()->allowsMixedState(); }

void Button::setAllowsMixedState(bool flag)
{
    if (const Ref<Cell> c = cell())
        c->setAllowsMixedState(flag);
    setNeedsDisplay(true);
}

void Button::setShowsBorderOnlyWhileMouseInside(bool flag)
{
    if (ButtonCell* c = buttonCell())
        c->setShowsBorderOnlyWhileMouseInside(flag);
    rebuildTrackingArea();
    setNeedsDisplay(true);
}

void Button::rebuildTrackingArea()
{
    if (hoverArea_) {
        removeTrackingArea(hoverArea_.get());
        hoverArea_ = nullptr;
    }
    if (!showsBorderOnlyWhileMouseInside())
        return;
    hoverArea_ = make<TrackingArea>(bounds(), TrackingMouseEnteredAndExited | TrackingActiveAlways | TrackingEnabledDuringMouseDrag, this);
    addTrackingArea(hoverArea_.get());
    // A new area reports only later crossings: take the hover state from the pointer itself.
    if (const Ref<Window> w = window(); w && buttonCell())
        buttonCell()->setMouseInside(mouseInRect(convertPointFromView(w->mouseLocationOutsideOfEventStream(), nullptr), bounds()));
}

void Button::updateTrackingAreas() { rebuildTrackingArea(); }

void Button::setFrameSize(Size size)
{
    Control::setFrameSize(size);
    if (hoverArea_)
        rebuildTrackingArea();
}

void Button::setFrameOrigin(Point origin)
{
    Control::setFrameOrigin(origin);
    if (hoverArea_)
        rebuildTrackingArea();
}

void Button::mouseEntered(const Event& event)
{
    if (const Ref<Cell> c = cell())
        c->mouseEntered(event);
}

void Button::mouseExited(const Event& event)
{
    if (const Ref<Cell> c = cell())
        c->mouseExited(event);
}

void Button::keyDown(const Event& event)
{
    if (isEnabled() && event.charactersIgnoringModifiers() == QStringLiteral(" ")
        && !(event.modifierFlags() & (CommandKeyMask | ControlKeyMask | AlternateKeyMask))) {
        performClick(this);
        return;
    }
    Control::keyDown(event);
}

} // namespace kit
