// Control: its text edited by the window's field editor, and the control as the session's delegate.

#include "kit/appkit/Application.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/FieldEditing.h"
#include "kit/appkit/Window.h"
#include "kit/controls/Control.h"
#include "kit/controls/ControlTextEditingDelegate.h"
#include "kit/core/NotificationCenter.h"

namespace kit {

Ref<Responder> Control::currentEditor() const
{
    const Ref<Window> w = window();
    if (!w)
        return nullptr;
    Ref<Responder> editor = w->fieldEditorForObject(false, nullptr);
    auto* editing = dynamic_cast<FieldEditing*>(editor.get());
    if (!editing || editing->editingSessionNumber() == 0)
        return nullptr;
    const Ref<Object> delegate = editing->editingSessionDelegate();
    if (delegate.get() != this && editing->editingSessionView().get() != this)
        return nullptr;
    return editor;
}

bool Control::abortEditing()
{
    const Ref<Responder> editor = currentEditor();
    if (!editor)
        return false;
    const Ref<Control> keep(this);
    dynamic_cast<FieldEditing*>(editor.get())->abandonEditingSession();
    setNeedsDisplay(true);
    return true;
}

void Control::validateEditing()
{
    if (validating_)
        return;
    const Ref<Responder> editor = currentEditor();
    if (!editor || !cell_)
        return;
    const Ref<Control> keep(this);
    validating_ = true;
    // Straight to the cell: the control's own setters would abort the session.
    cell_->takeValueFromFieldEditor(editor.get());
    validating_ = false;
}

Value Control::objectValue() const
{
    const_cast<Control*>(this)->validateEditing();
    return cell_ ? cell_->objectValue() : Value();
}

QString Control::stringValue() const
{
    const_cast<Control*>(this)->validateEditing();
    return cell_ ? cell_->stringValue() : QString();
}

std::int64_t Control::integerValue() const
{
    const_cast<Control*>(this)->validateEditing();
    return cell_ ? cell_->integerValue() : 0;
}

double Control::doubleValue() const
{
    const_cast<Control*>(this)->validateEditing();
    return cell_ ? cell_->doubleValue() : 0;
}

void Control::viewWillMoveToWindow(Window* newWindow)
{
    if (newWindow != window().get())
        abortEditing();
    View::viewWillMoveToWindow(newWindow);
}

void Control::postTextNotification(const QString& name, Notification* from)
{
    Dictionary info = from ? from->userInfo() : Dictionary();
    if (from && from->object())
        info.setObjectForKey(Value(from->object()), Value(FieldEditorKey));
    NotificationCenter::defaultCenter()->postNotificationNameObjectUserInfo(name, this, info);
}

bool Control::askDelegateShould(const char* operation, Responder* text)
{
    const Ref<Object> delegate = delegate_.lock();
    auto* listener = dynamic_cast<ControlTextEditingDelegate*>(delegate.get());
    if (!listener || !delegate->respondsToSelector(Selector(operation)))
        return true;
    const Ref<Control> keep(this);
    if (operation == std::string_view(ControlTextShouldBeginEditingOperation))
        return listener->controlTextShouldBeginEditing(this, text);
    return listener->controlTextShouldEndEditing(this, text);
}

bool Control::textShouldBeginEditing(Responder* text) { return askDelegateShould(ControlTextShouldBeginEditingOperation, text); }

void Control::textDidBeginEditing(Notification* notification) { postTextNotification(ControlTextDidBeginEditingNotification, notification); }

void Control::textDidChange(Notification* notification)
{
    // A screen reader hears what was typed.
    if (cell_)
        cell_->accessibilityValueChanged();
    postTextNotification(ControlTextDidChangeNotification, notification);
}

bool Control::textShouldEndEditing(Responder* text) { return askDelegateShould(ControlTextShouldEndEditingOperation, text); }

void Control::textDidEndEditing(Notification* notification)
{
    const Ref<Control> keep(this);
    const Ref<Responder> editor = notification ? dynamic_pointer_cast<Responder>(notification->object()) : nullptr;
    // Only while the ending session is still this control's: the value comes from its editor.
    if (editor && currentEditor() == editor) {
        validateEditing();
        if (cell_)
            cell_->endEditing(editor.get());
        // A session the cell did not start (a caller's own selectWithFrame… on another cell) ends too.
        if (currentEditor() == editor)
            dynamic_cast<FieldEditing*>(editor.get())->abandonEditingSession();
    }
    setNeedsDisplay(true);
    postTextNotification(ControlTextDidEndEditingNotification, notification);
    const int movement = notification ? int(notification->userInfo().objectForKey(Value(TextMovementKey)).integerValue()) : 0;
    const Ref<Window> w = window();
    if (!w)
        return;
    if (movement == TabTextMovement) {
        w->selectKeyViewFollowingView(this);
    } else if (movement == BacktabTextMovement) {
        w->selectKeyViewPrecedingView(this);
    } else if (movement == ReturnTextMovement) {
        // Nobody took the action: the Return key goes to the control, then the window (its default button).
        if (!sendAction())
            if (const Ref<Event> event = Application::sharedApplication()->currentEvent(); event && event->type() == KeyDown)
                if (!performKeyEquivalent(*event))
                    w->performKeyEquivalent(*event);
        // The window held the focus only between the editor and this message: the control takes it
        // back, ready for Tab or more typing, unless the action gave it to another view.
        if (window() == w && w->firstResponder().get() == w.get() && acceptsFirstResponder())
            w->makeFirstResponder(this);
    }
}

} // namespace kit
