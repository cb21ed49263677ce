#pragma once

// An input event as the kit's responders see it: mouse, key, scroll, enter/exit and
// application-defined events, with locations in the window's base coordinates (y up), the
// platform's modifier bits and virtual key codes, and a timestamp from the kit clock.

#include "kit/core/Class.h"
#include "kit/core/Geometry.h"
#include "kit/core/Object.h"

#include <QString>

#include <cstdint>

namespace kit {

class Window;
class TrackingArea;

enum EventType : int {
    LeftMouseDown = 1,
    LeftMouseUp = 2,
    RightMouseDown = 3,
    RightMouseUp = 4,
    MouseMoved = 5,
    LeftMouseDragged = 6,
    RightMouseDragged = 7,
    MouseEntered = 8,
    MouseExited = 9,
    KeyDown = 10,
    KeyUp = 11,
    FlagsChanged = 12,
    ApplicationDefined = 15,
    CursorUpdate = 17,
    ScrollWheel = 22,
    OtherMouseDown = 25,
    OtherMouseUp = 26,
    OtherMouseDragged = 27,
    EventTypeSwipe = 31,
};

constexpr std::uint64_t EventMaskFromType(EventType type) { return std::uint64_t(1) << type; }

inline constexpr std::uint64_t LeftMouseDownMask = 1 << LeftMouseDown;
inline constexpr std::uint64_t LeftMouseUpMask = 1 << LeftMouseUp;
inline constexpr std::uint64_t RightMouseDownMask = 1 << RightMouseDown;
inline constexpr std::uint64_t RightMouseUpMask = 1 << RightMouseUp;
inline constexpr std::uint64_t MouseMovedMask = 1 << MouseMoved;
inline constexpr std::uint64_t LeftMouseDraggedMask = 1 << LeftMouseDragged;
inline constexpr std::uint64_t RightMouseDraggedMask = 1 << RightMouseDragged;
inline constexpr std::uint64_t MouseEnteredMask = 1 << MouseEntered;
inline constexpr std::uint64_t MouseExitedMask = 1 << MouseExited;
inline constexpr std::uint64_t KeyDownMask = 1 << KeyDown;
inline constexpr std::uint64_t KeyUpMask = 1 << KeyUp;
inline constexpr std::uint64_t FlagsChangedMask = 1 << FlagsChanged;
inline constexpr std::uint64_t ApplicationDefinedMask = 1 << ApplicationDefined;
inline constexpr std::uint64_t ScrollWheelMask = 1 << ScrollWheel;
inline constexpr std::uint64_t OtherMouseDownMask = 1 << OtherMouseDown;
inline constexpr std::uint64_t OtherMouseUpMask = 1 << OtherMouseUp;
inline constexpr std::uint64_t OtherMouseDraggedMask = 1 << OtherMouseDragged;
inline constexpr std::uint64_t AnyEventMask = ~std::uint64_t(0);

// Modifier flags, with the platform's bit values. Command = Ctrl, Option = Alt, Control = Super.
inline constexpr std::uint64_t AlphaShiftKeyMask = 0x10000;
inline constexpr std::uint64_t ShiftKeyMask = 0x20000;
inline constexpr std::uint64_t ControlKeyMask = 0x40000;
inline constexpr std::uint64_t AlternateKeyMask = 0x80000;
inline constexpr std::uint64_t CommandKeyMask = 0x100000;
inline constexpr std::uint64_t NumericPadKeyMask = 0x200000;
inline constexpr std::uint64_t HelpKeyMask = 0x400000;
inline constexpr std::uint64_t FunctionKeyMask = 0x800000;
inline constexpr std::uint64_t DeviceIndependentModifierFlagsMask = 0xFFFF0000;

// Private-use characters of function keys.
enum : char16_t {
    UpArrowFunctionKey = 0xF700,
    DownArrowFunctionKey = 0xF701,
    LeftArrowFunctionKey = 0xF702,
    RightArrowFunctionKey = 0xF703,
    F1FunctionKey = 0xF704,
    F35FunctionKey = 0xF726,
    InsertFunctionKey = 0xF727,
    DeleteFunctionKey = 0xF728,
    HomeFunctionKey = 0xF729,
    EndFunctionKey = 0xF72B,
    PageUpFunctionKey = 0xF72C,
    PageDownFunctionKey = 0xF72D,
    MenuFunctionKey = 0xF735,
    ClearLineFunctionKey = 0xF739,
    HelpFunctionKey = 0xF746,
};

// Asking an event for a field its type does not have raises InternalInconsistencyException.
class Event : public Object {
    KIT_CLASS(Event)

public:
    // Everything an event can carry; the factories fill the fields that belong to the type.
    struct Fields {
        EventType type = ApplicationDefined;
        Point location;
        std::uint64_t modifierFlags = 0;
        double timestamp = 0;
        std::int64_t windowNumber = 0;
        Weak<Window> window;
        // mouse
        std::int64_t clickCount = 0;
        std::int64_t buttonNumber = 0;
        double deltaX = 0;
        double deltaY = 0;
        // key
        QString characters;
        QString charactersIgnoringModifiers;
        bool isARepeat = false;
        std::uint16_t keyCode = 0;
        // entered/exited
        std::int64_t trackingNumber = 0;
        Weak<TrackingArea> trackingArea;
        const void* userData = nullptr;
        // application-defined
        std::int16_t subtype = 0;
        std::int64_t data1 = 0;
        std::int64_t data2 = 0;
    };

    explicit Event(Fields fields)
        : f_(std::move(fields))
    { }

    static Ref<Event> mouseEventWithTypeLocationModifierFlagsTimestampWindowNumberContextEventNumberClickCountPressure(EventType type,
        Point location, std::uint64_t flags, double time, std::int64_t windowNumber, const void* context, std::int64_t eventNumber,
        std::int64_t clickCount, float pressure);
    static Ref<Event>
    keyEventWithTypeLocationModifierFlagsTimestampWindowNumberContextCharactersCharactersIgnoringModifiersIsARepeatKeyCode(EventType type,
        Point location, std::uint64_t flags, double time, std::int64_t windowNumber, const void* context, const QString& characters,
        const QString& charactersIgnoringModifiers, bool isARepeat, std::uint16_t keyCode);
    static Ref<Event> enterExitEventWithTypeLocationModifierFlagsTimestampWindowNumberContextEventNumberTrackingNumberUserData(
        EventType type, Point location, std::uint64_t flags, double time, std::int64_t windowNumber, const void* context,
        std::int64_t eventNumber, std::int64_t trackingNumber, const void* userData);
    static Ref<Event> otherEventWithTypeLocationModifierFlagsTimestampWindowNumberContextSubtypeData1Data2(EventType type, Point location,
        std::uint64_t flags, double time, std::int64_t windowNumber, const void* context, std::int16_t subtype, std::int64_t data1,
        std::int64_t data2);

    EventType type() const { return f_.type; }
    Ref<Window> window() const;
    std::int64_t windowNumber() const { return f_.windowNumber; }
    double timestamp() const { return f_.timestamp; }
    // Base coordinates of the window, or screen coordinates when there is none.
    Point locationInWindow() const { return f_.location; }
    std::uint64_t modifierFlags() const { return f_.modifierFlags; }

    std::int64_t clickCount() const;
    std::int64_t buttonNumber() const;
    double deltaX() const;
    double deltaY() const;
    double deltaZ() const { return 0; }

    QString characters() const;
    QString charactersIgnoringModifiers() const;
    bool isARepeat() const;
    std::uint16_t keyCode() const;

    std::int64_t trackingNumber() const;
    Ref<TrackingArea> trackingArea() const;
    const void* userData() const;

    std::int16_t subtype() const;
    std::int64_t data1() const;
    std::int64_t data2() const;

    bool isMouseEvent() const;
    bool isKeyEvent() const;
    const Fields& fields() const { return f_; }

    // The state right now, independent of any event (the class form of modifierFlags).
    static std::uint64_t currentModifierFlags();
    static Point mouseLocation();
    static double doubleClickInterval();

private:
    Fields f_;
};

} // namespace kit
