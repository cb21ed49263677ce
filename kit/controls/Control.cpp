#include "kit/controls/Control.h"

#include "kit/appkit/Application.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/Window.h"
#include "kit/controls/ControlTextEditingDelegate.h"
#include "kit/core/NotificationCenter.h"
#include "kit/graphics/GraphicsContext.h"

#include <map>

namespace kit {

KIT_REGISTER_CLASS(Control, View)
{
    c.property("enabled", &Control::isEnabled, &Control::setEnabled);
    c.property("objectValue", &Control::objectValue, &Control::setObjectValue);
    c.property("stringValue", &Control::stringValue, &Control::setStringValue);
    c.property("integerValue", &Control::integerValue, &Control::setIntegerValue);
    c.property("doubleValue", &Control::doubleValue, &Control::setDoubleValue);
    // Interface files connect actions through these two keys.
    c.property(
        "target", [](const Control& x) { return Value(x.target()); }, [](Control& x, const Value& v) { x.setTarget(v.object().get()); });
    c.property(
        "action", [](const Control& x) { return Value(x.action().name()); },
        [](Control& x, const Value& v) { x.setAction(selectorFromString(v.stringValue())); });
    c.property(
        "delegate", [](const Control& x) { return Value(x.delegate()); },
        [](Control& x, const Value& v) { x.setDelegate(v.object().get()); });
    // As the field editor's delegate.
    c.optionalOperations({ TextShouldBeginEditingOperation, TextDidBeginEditingOperation, TextDidChangeOperation,
        TextShouldEndEditingOperation, TextDidEndEditingOperation });
}

namespace {

std::map<const Class*, CellClass>& cellClassRegistry()
{
    static std::map<const Class*, CellClass> registry;
    return registry;
}

} // namespace

CellClass detail::registeredCellClass(const Class& controlClass)
{
    const auto& registry = cellClassRegistry();
    const auto found = registry.find(&controlClass);
    return found == registry.end() ? CellClass() : found->second;
}

void detail::registerCellClass(const Class& controlClass, CellClass cellClass)
{
    if (cellClass)
        cellClassRegistry()[&controlClass] = std::move(cellClass);
    else
        cellClassRegistry().erase(&controlClass);
}

void Control::resetCellClassesForTesting() { cellClassRegistry().clear(); }

Control::Control(Rect frame)
    : Control(frame, cellClass()())
{ }

Control::Control(Rect frame, Ref<Cell> cell)
    : View(frame)
{
    setCell(std::move(cell));
}

Control::~Control()
{
    if (const Ref<Object> delegate = delegate_.lock())
        observeTextNotifications(delegate.get(), false);
    if (cell_ && cell_->controlView().get() == this)
        cell_->setControlView(nullptr);
}

void Control::setCell(Ref<Cell> cell)
{
    if (cell_ == cell)
        return;
    if (cell_ && cell_->controlView().get() == this)
        cell_->setControlView(nullptr);
    cell_ = std::move(cell);
    if (cell_)
        cell_->setControlView(this);
    setNeedsDisplay(true);
}

void Control::setObjectValue(const Value& value)
{
    abortEditing();
    if (cell_)
        cell_->setObjectValue(value);
    setNeedsDisplay(true);
}

void Control::setStringValue(const QString& value)
{
    abortEditing();
    if (cell_)
        cell_->setStringValue(value);
    setNeedsDisplay(true);
}

void Control::setIntegerValue(std::int64_t value)
{
    abortEditing();
    if (cell_)
        cell_->setIntegerValue(value);
    setNeedsDisplay(true);
}

void Control::setDoubleValue(double value)
{
    abortEditing();
    if (cell_)
        cell_->setDoubleValue(value);
    setNeedsDisplay(true);
}

#define KIT_FORWARD(setter, type)                                                                                                          \
    void Control::setter(type value)                                                                                                       \
    {                                                                                                                                      \
        if (cell_)                                                                                                                         \
            cell_->setter(value);                                                                                                          \
    }

KIT_FORWARD(setAlignment, TextAlignment)
KIT_FORWARD(setFont, const QFont&)
KIT_FORWARD(setContinuous, bool)
KIT_FORWARD(setTag, std::int64_t)
KIT_FORWARD(setTarget, Object*)
KIT_FORWARD(setAction, Selector)
KIT_FORWARD(setControlSize, ControlSize)
KIT_FORWARD(setRefusesFirstResponder, bool)
#undef KIT_FORWARD

void Control::setFormatter(Ref<Object> formatter)
{
    if (cell_)
        cell_->setFormatter(std::move(formatter));
}

void Control::setEnabled(bool flag)
{
    if (cell_)
        cell_->setEnabled(flag);
    setNeedsDisplay(true);
}

namespace {

struct TextNotification {
    const QString& name;
    const char* operation;
    void (ControlTextEditingDelegate::*method)(Notification*);
};

const TextNotification textNotifications[] = {
    { ControlTextDidBeginEditingNotification, ControlTextDidBeginEditingOperation,
        &ControlTextEditingDelegate::controlTextDidBeginEditing },
    { ControlTextDidChangeNotification, ControlTextDidChangeOperation, &ControlTextEditingDelegate::controlTextDidChange },
    { ControlTextDidEndEditingNotification, ControlTextDidEndEditingOperation, &ControlTextEditingDelegate::controlTextDidEndEditing },
};

} // namespace

void Control::setDelegate(Object* delegate)
{
    const Ref<Object> old = delegate_.lock();
    if (old.get() == delegate)
        return;
    if (old)
        observeTextNotifications(old.get(), false);
    delegate_ = delegate;
    if (delegate)
        observeTextNotifications(delegate, true);
}

void Control::observeTextNotifications(Object* delegate, bool observe)
{
    const Ref<NotificationCenter> center = NotificationCenter::defaultCenter();
    auto* listener = dynamic_cast<ControlTextEditingDelegate*>(delegate);
    for (const TextNotification& t : textNotifications) {
        if (!observe) {
            center->removeObserverNameObject(delegate, t.name, this);
        } else if (listener && delegate->respondsToSelector(Selector(t.operation))) {
            // The center holds the delegate weakly and never calls a dead observer.
            center->addObserverSelectorNameObject(
                delegate, [listener, method = t.method](Notification* n) { (listener->*method)(n); }, t.name, this);
        }
    }
}

bool Control::sendActionTo(Selector action, const Weak<Object>& target)
{
    if (action.isNull())
        return false;
    const Ref<Control> keep(this);
    return Application::sharedApplication()->sendActionToFrom(action, target, this);
}

bool Control::sendAction() { return cell_ && cell_->sendActionFromCell(); }

void Control::performClick(Object* sender)
{
    if (cell_)
        cell_->performClick(sender);
}

void Control::updateCell(Cell*) { setNeedsDisplay(true); }
void Control::updateCellInside(Cell*) { setNeedsDisplay(true); }

void Control::sizeToFit()
{
    if (cell_)
        setFrameSize(cell_->cellSize());
}

void Control::calcSize()
{
    if (cell_)
        cell_->calcDrawInfo(bounds());
}

void Control::drawRect(Rect)
{
    if (!cell_)
        return;
    // Component cells draw with the kit's drawing classes: give them a current context.
    Ref<GraphicsContext> context;
    if (!GraphicsContext::currentContext() && View::currentPainter())
        context = GraphicsContext::graphicsContextWithPainter(View::currentPainter(), isFlipped());
    if (context) {
        GraphicsContext::Scope scope(context);
        cell_->drawWithFrameInView(bounds(), this);
    } else {
        cell_->drawWithFrameInView(bounds(), this);
    }
}

bool Control::acceptsFirstResponder() const { return cell_ && cell_->acceptsFirstResponder(); }

// The focus ring comes and goes with first-responder status.
bool Control::becomeFirstResponder()
{
    const bool accepted = View::becomeFirstResponder();
    if (accepted)
        setKeyboardFocusRingNeedsDisplayInRect(bounds());
    return accepted;
}

bool Control::resignFirstResponder()
{
    const bool resigned = View::resignFirstResponder();
    if (resigned)
        setKeyboardFocusRingNeedsDisplayInRect(bounds());
    return resigned;
}

bool Control::performKeyEquivalent(const Event& event) { return cell_ && isEnabled() && cell_->performKeyEquivalent(event); }

void Control::mouseDown(const Event& event)
{
    if (!isEnabled() || !cell_)
        return;
    const Ref<Control> keep(this);
    const Ref<Cell> cell = cell_;
    const Ref<Application> app = Application::sharedApplication();
    Ref<Event> held; // the re-entering drag, once there is one
    const Event* current = &event;
    for (;;) {
        cell->highlightWithFrameInView(true, bounds(), this);
        const bool up = cell->trackMouseInRectOfViewUntilMouseUp(*current, bounds(), this, cell->prefersTrackingUntilMouseUp());
        cell->highlightWithFrameInView(false, bounds(), this);
        if (up) {
            // A release outside (a cell tracking until mouse up) changes nothing.
            const Ref<Event> last = app->currentEvent();
            const bool inside
                = !last || last->type() != LeftMouseUp || mouseInRect(convertPointFromView(last->locationInWindow(), nullptr), bounds());
            if (inside) {
                cell->setNextState();
                if (cell->actionMask() & LeftMouseUpMask)
                    cell->sendActionFromCell();
            }
            return;
        }
        // Left the frame with the button down: wait for the pointer to come back or the release.
        for (;;) {
            held = app->nextEventMatchingMaskUntilDateInModeDequeue(
                LeftMouseUpMask | LeftMouseDraggedMask, DistantFuture, EventTrackingRunLoopMode, true);
            if (!held || held->type() == LeftMouseUp)
                return;
            if (mouseInRect(convertPointFromView(held->locationInWindow(), nullptr), bounds()))
                break;
        }
        current = held.get();
    }
}

} // namespace kit
