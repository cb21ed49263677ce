#include "kit/appkit/Event.h"

#include "kit/appkit/InputState.h"
#include "kit/appkit/TrackingArea.h"
#include "kit/appkit/Window.h"
#include "kit/core/Exception.h"

#include <QGuiApplication>
#include <QStyleHints>

#include <cmath>

namespace kit {

namespace {

bool isMouseType(EventType t)
{
    switch (t) {
    case LeftMouseDown:
    case LeftMouseUp:
    case RightMouseDown:
    case RightMouseUp:
    case MouseMoved:
    case LeftMouseDragged:
    case RightMouseDragged:
    case OtherMouseDown:
    case OtherMouseUp:
    case OtherMouseDragged:
    case ScrollWheel:
        return true;
    default:
        return false;
    }
}

[[noreturn]] void wrongKind(const char* field, EventType t)
{
    Exception::raise(InternalInconsistencyException,
        QStringLiteral("Invalid message sent to event \"%1\" of type %2").arg(QLatin1String(field)).arg(int(t)));
}

[[noreturn]] void wrongType(const char* factory)
{
    Exception::raise(InvalidArgumentException, QStringLiteral("Event: invalid type for %1").arg(QLatin1String(factory)));
}

} // namespace

double InputState::doubleClickInterval() const { return QGuiApplication::styleHints()->mouseDoubleClickInterval() / 1000.0; }

double InputState::doubleClickDistance() const
{
    return doubleClickDistanceOverride.value_or(QGuiApplication::styleHints()->mouseDoubleClickDistance());
}

std::int64_t InputState::countClick(std::int64_t button, double time, Point location)
{
    const double distance = doubleClickDistance();
    const bool near = std::abs(location.x - lastClickLocation.x) <= distance && std::abs(location.y - lastClickLocation.y) <= distance;
    if (button == lastClickButton && time - lastClickTime <= doubleClickInterval() && near)
        ++lastClickCount;
    else
        lastClickCount = 1;
    lastClickButton = button;
    lastClickTime = time;
    lastClickLocation = location;
    return lastClickCount;
}

InputState& InputState::shared()
{
    static InputState state;
    return state;
}

void InputState::reset() { shared() = InputState {}; }

bool KeyIsDown(std::uint16_t keyCode) { return InputState::shared().keysDown.contains(keyCode); }

namespace {

// What every factory sets the same way.
Event::Fields commonFields(EventType type, Point location, std::uint64_t flags, double time, std::int64_t windowNumber)
{
    Event::Fields f;
    f.type = type;
    f.location = location;
    f.modifierFlags = flags;
    f.timestamp = time;
    f.windowNumber = windowNumber;
    f.window = Window::windowWithNumber(windowNumber);
    return f;
}

} // namespace

Ref<Event> Event::mouseEventWithTypeLocationModifierFlagsTimestampWindowNumberContextEventNumberClickCountPressure(EventType type,
    Point location, std::uint64_t flags, double time, std::int64_t windowNumber, const void*, std::int64_t, std::int64_t clickCount, float)
{
    if (!isMouseType(type) || type == ScrollWheel)
        wrongType("a mouse event");
    Fields f = commonFields(type, location, flags, time, windowNumber);
    f.clickCount = clickCount;
    f.buttonNumber = (type == RightMouseDown || type == RightMouseUp || type == RightMouseDragged) ? 1
        : (type >= OtherMouseDown && type <= OtherMouseDragged)                                    ? 2
                                                                                                   : 0;
    return make<Event>(std::move(f));
}

Ref<Event> Event::keyEventWithTypeLocationModifierFlagsTimestampWindowNumberContextCharactersCharactersIgnoringModifiersIsARepeatKeyCode(
    EventType type, Point location, std::uint64_t flags, double time, std::int64_t windowNumber, const void*, const QString& characters,
    const QString& charactersIgnoringModifiers, bool isARepeat, std::uint16_t keyCode)
{
    if (type != KeyDown && type != KeyUp && type != FlagsChanged)
        wrongType("a key event");
    Fields f = commonFields(type, location, flags, time, windowNumber);
    f.characters = characters;
    f.charactersIgnoringModifiers = charactersIgnoringModifiers;
    f.isARepeat = isARepeat;
    f.keyCode = keyCode;
    return make<Event>(std::move(f));
}

Ref<Event> Event::enterExitEventWithTypeLocationModifierFlagsTimestampWindowNumberContextEventNumberTrackingNumberUserData(EventType type,
    Point location, std::uint64_t flags, double time, std::int64_t windowNumber, const void*, std::int64_t, std::int64_t trackingNumber,
    const void* userData)
{
    if (type != MouseEntered && type != MouseExited)
        wrongType("an enter/exit event");
    Fields f = commonFields(type, location, flags, time, windowNumber);
    f.trackingNumber = trackingNumber;
    f.userData = userData;
    return make<Event>(std::move(f));
}

Ref<Event> Event::otherEventWithTypeLocationModifierFlagsTimestampWindowNumberContextSubtypeData1Data2(EventType type, Point location,
    std::uint64_t flags, double time, std::int64_t windowNumber, const void*, std::int16_t subtype, std::int64_t data1, std::int64_t data2)
{
    if (type != ApplicationDefined)
        wrongType("an application-defined event");
    Fields f = commonFields(type, location, flags, time, windowNumber);
    f.subtype = subtype;
    f.data1 = data1;
    f.data2 = data2;
    return make<Event>(std::move(f));
}

Ref<Window> Event::window() const { return f_.window.lock(); }

bool Event::isMouseEvent() const { return isMouseType(f_.type) && f_.type != ScrollWheel; }
bool Event::isKeyEvent() const { return f_.type == KeyDown || f_.type == KeyUp || f_.type == FlagsChanged; }

std::int64_t Event::clickCount() const
{
    if (!isMouseEvent())
        wrongKind("clickCount", f_.type);
    return f_.clickCount;
}

std::int64_t Event::buttonNumber() const
{
    if (!isMouseType(f_.type))
        wrongKind("buttonNumber", f_.type);
    return f_.buttonNumber;
}

double Event::deltaX() const
{
    if (!isMouseType(f_.type) && f_.type != EventTypeSwipe)
        wrongKind("deltaX", f_.type);
    return f_.deltaX;
}

double Event::deltaY() const
{
    if (!isMouseType(f_.type) && f_.type != EventTypeSwipe)
        wrongKind("deltaY", f_.type);
    return f_.deltaY;
}

QString Event::characters() const
{
    if (f_.type != KeyDown && f_.type != KeyUp)
        wrongKind("characters", f_.type);
    return f_.characters;
}

QString Event::charactersIgnoringModifiers() const
{
    if (f_.type != KeyDown && f_.type != KeyUp)
        wrongKind("charactersIgnoringModifiers", f_.type);
    return f_.charactersIgnoringModifiers;
}

bool Event::isARepeat() const
{
    if (f_.type != KeyDown && f_.type != KeyUp)
        wrongKind("isARepeat", f_.type);
    return f_.isARepeat;
}

std::uint16_t Event::keyCode() const
{
    if (!isKeyEvent())
        wrongKind("keyCode", f_.type);
    return f_.keyCode;
}

std::int64_t Event::trackingNumber() const
{
    if (f_.type != MouseEntered && f_.type != MouseExited)
        wrongKind("trackingNumber", f_.type);
    return f_.trackingNumber;
}

Ref<TrackingArea> Event::trackingArea() const
{
    if (f_.type != MouseEntered && f_.type != MouseExited)
        wrongKind("trackingArea", f_.type);
    return f_.trackingArea.lock();
}

const void* Event::userData() const
{
    if (f_.type != MouseEntered && f_.type != MouseExited)
        wrongKind("userData", f_.type);
    return f_.userData;
}

std::int16_t Event::subtype() const
{
    if (f_.type != ApplicationDefined)
        wrongKind("subtype", f_.type);
    return f_.subtype;
}

std::int64_t Event::data1() const
{
    if (f_.type != ApplicationDefined)
        wrongKind("data1", f_.type);
    return f_.data1;
}

std::int64_t Event::data2() const
{
    if (f_.type != ApplicationDefined)
        wrongKind("data2", f_.type);
    return f_.data2;
}

std::uint64_t Event::currentModifierFlags() { return InputState::shared().modifierFlags; }
Point Event::mouseLocation() { return InputState::shared().mouseLocation; }
double Event::doubleClickInterval() { return InputState::shared().doubleClickInterval(); }

KIT_REGISTER_CLASS(Event, Object) { }

} // namespace kit
