#pragma once

// What a control's delegate may implement about the text of its cell. A delegate is an Object
// that also derives from this class and registers the operations it implements
// (c.optionalOperation("controlDidFailToFormatStringErrorDescription")); a cell finds it through
// its control view's "delegate" key. Control::setDelegate subscribes the delegate to the control's
// text notifications for the operations it registered.

#include <QString>

namespace kit {

class Control;
class Notification;
class Responder;

inline constexpr const char* ControlDidFailToFormatStringErrorDescriptionOperation = "controlDidFailToFormatStringErrorDescription";
inline constexpr const char* ControlTextShouldBeginEditingOperation = "controlTextShouldBeginEditing";
inline constexpr const char* ControlTextShouldEndEditingOperation = "controlTextShouldEndEditing";
inline constexpr const char* ControlTextDidBeginEditingOperation = "controlTextDidBeginEditing";
inline constexpr const char* ControlTextDidChangeOperation = "controlTextDidChange";
inline constexpr const char* ControlTextDidEndEditingOperation = "controlTextDidEndEditing";

// Posted by a control (the object) as its text is edited.
inline const QString ControlTextDidBeginEditingNotification = QStringLiteral("NSControlTextDidBeginEditingNotification");
inline const QString ControlTextDidChangeNotification = QStringLiteral("NSControlTextDidChangeNotification");
inline const QString ControlTextDidEndEditingNotification = QStringLiteral("NSControlTextDidEndEditingNotification");

class ControlTextEditingDelegate {
public:
    virtual ~ControlTextEditingDelegate() = default;
    // The cell's formatter refused `string` with `error`. YES takes the string itself as the
    // value; NO keeps the previous value, marked invalid.
    virtual bool controlDidFailToFormatStringErrorDescription(Control*, const QString& /*string*/, const QString& /*error*/)
    {
        return false;
    }
    // Asked before the first change of a session and before it ends; NO refuses (the user hears a
    // beep and goes on editing).
    virtual bool controlTextShouldBeginEditing(Control*, Responder* /*fieldEditor*/) { return true; }
    virtual bool controlTextShouldEndEditing(Control*, Responder* /*fieldEditor*/) { return true; }
    virtual void controlTextDidBeginEditing(Notification*) { }
    virtual void controlTextDidChange(Notification*) { }
    virtual void controlTextDidEndEditing(Notification*) { }
};

} // namespace kit
