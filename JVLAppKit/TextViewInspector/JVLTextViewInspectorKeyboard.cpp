// JVLTextViewInspector: the form's key loop. Tab and Backtab walk the editable values and the hosted
// controls in text order, whichever of them holds the keys, and leave the form past either end.

#include "JVLAppKit/TextViewInspector/JVLTextViewInspector.h"

#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorTextField.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorViewTextAttachmentCell.h"

#include "kit/appkit/Beep.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/FieldEditing.h"
#include "kit/appkit/FocusAnnouncement.h"
#include "kit/appkit/KeyBindings.h"
#include "kit/appkit/Window.h"
#include "kit/controls/Button.h"
#include "kit/controls/Control.h"
#include "kit/controls/DatePicker.h"
#include "kit/controls/PopUpButton.h"
#include "kit/graphics/StringDrawing.h"
#include "kit/text/TextAttachment.h"
#include "kit/text/TextStorage.h"

using namespace kit;

namespace {

JVLTextViewInspectorViewTextAttachmentCell* hostingCellAt(const TextStorage& storage, std::int64_t index)
{
    const Ref<TextAttachment> attachment = storage.attributeAtIndexEffectiveRange(AttachmentAttributeName, index).objectAs<TextAttachment>();
    return attachment ? dynamic_cast<JVLTextViewInspectorViewTextAttachmentCell*>(attachment->attachmentCell().get()) : nullptr;
}

// A field's own view, its label pop-up or a list row's add and remove buttons, when it takes the keys.
bool takesKeysInForm(const JVLTextViewInspectorViewTextAttachmentCell& cell)
{
    const Ref<View> view = cell.view();
    if (!view || !view->acceptsFirstResponder())
        return false;
    if (const auto* control = dynamic_cast<const Control*>(view.get()); control && !control->isEnabled())
        return false;
    return dynamic_cast<const JVLTextViewInspectorFieldTextAttachmentCell*>(&cell) || dynamic_cast<const Button*>(view.get());
}

} // namespace

std::vector<JVLTextViewInspector::KeyStop> JVLTextViewInspector::keyStops() const
{
    std::vector<KeyStop> stops;
    const Ref<TextStorage> storage = textStorage();
    if (!storage || displayMode_ != FieldsDisplayMode)
        return stops;
    const QString text = storage->string();
    const std::int64_t n = text.size();
    for (std::int64_t i = 0; i < n;) {
        if (text.at(i).unicode() == AttachmentCharacter) {
            if (const auto* cell = hostingCellAt(*storage, i); cell && takesKeysInForm(*cell))
                stops.push_back({ i, { NotFound, 0 }, cell->view() });
            ++i;
            continue;
        }
        Range stored;
        const bool value = !storage->attributeAtIndexEffectiveRange(JVLPlaceholderValueAttributeName, i, &stored).isNil();
        if (value) {
            const Range run = valueRunAt(i);
            const auto* field = dynamic_cast<const JVLTextViewInspectorTextField*>(fieldAtIndex(i).get());
            if (editableState_ && field && field->isEditable())
                stops.push_back({ run.location, run, nullptr });
            i = std::max(i + 1, MaxRange(run));
            continue;
        }
        i = std::max(i + 1, MaxRange(stored));
    }
    return stops;
}

Ref<View> JVLTextViewInspector::focusedHostedView() const
{
    const Ref<Window> w = window();
    if (!w)
        return nullptr;
    Ref<Responder> responder = w->firstResponder();
    if (const auto* editor = dynamic_cast<const FieldEditing*>(responder.get()))
        if (const Ref<View> edited = editor->editingSessionView())
            responder = edited;
    for (Ref<View> v = dynamic_pointer_cast<View>(responder); v && v.get() != this; v = v->superview())
        if (v->superview().get() == this)
            return v;
    return nullptr;
}

std::int64_t JVLTextViewInspector::characterIndexOfHostedView(const View* view) const
{
    const Ref<TextStorage> storage = textStorage();
    if (!storage || !view)
        return NotFound;
    const QString text = storage->string();
    for (std::int64_t i = text.indexOf(QChar(AttachmentCharacter)); i >= 0; i = text.indexOf(QChar(AttachmentCharacter), i + 1))
        if (const auto* cell = hostingCellAt(*storage, i); cell && cell->view().get() == view)
            return i;
    return NotFound;
}

void JVLTextViewInspector::selectKeyStop(const KeyStop& stop, bool forward, bool takeKeys)
{
    const Ref<Window> w = window();
    if (stop.view) {
        // Entered backwards, a date starts on its last part, as a Shift+Tab from the window's
        // loop would have it.
        if (auto* picker = dynamic_cast<DatePicker*>(stop.view.get()); picker && !forward && picker->datePickerCell())
            picker->datePickerCell()->setFocusedElement(2);
        if (w)
            w->makeFirstResponder(stop.view.get());
    } else {
        // The edit starts before the form takes the keys (back from a hosted control), so that the
        // window announces the value, not the form.
        setSelectedRange(stop.run);
        if (takeKeys && w && w->firstResponder().get() != this)
            w->makeFirstResponder(this);
    }
    scrollRangeToVisible({ stop.location, std::max<std::int64_t>(1, stop.run.length) });
    announceFocusedElementIfChanged();
}

void JVLTextViewInspector::selectKeyStopFollowingHostedView(View* hosted, bool forward)
{
    const Ref<JVLTextViewInspector> keep(this);
    const Ref<Window> w = window();
    const Ref<Responder> before = w ? w->firstResponder() : nullptr;
    const std::int64_t from = hosted ? characterIndexOfHostedView(hosted) : currentEditedStartLocation_;
    // The selection the move makes is heard after the focus announced at its end.
    const FocusChangeScope moving;
    ++heldFocusAnnouncements_;
    // The edit ends first (its write-back may change the run's length, never where it starts).
    endEditing();
    moveToKeyStopFrom(from, forward);
    --heldFocusAnnouncements_;
    // A new first responder was announced by the window.
    announceFocusedElementIfChanged(!w || w->firstResponder() == before);
}

void JVLTextViewInspector::moveToKeyStopFrom(std::int64_t from, bool forward)
{
    const std::vector<KeyStop> stops = keyStops();
    const KeyStop* next = nullptr;
    if (forward) {
        for (const KeyStop& stop : stops)
            if (from == NotFound || stop.location > from) {
                next = &stop;
                break;
            }
    } else {
        for (auto it = stops.rbegin(); it != stops.rend(); ++it)
            if (from == NotFound || it->location < from) {
                next = &*it;
                break;
            }
    }
    if (next) {
        selectKeyStop(*next, forward);
        return;
    }
    const Ref<Window> w = window();
    if (!w)
        return;
    const Ref<Responder> before = w->firstResponder();
    if (forward)
        w->selectKeyViewFollowingView(this);
    else
        w->selectKeyViewPrecedingView(this);
    const Ref<Responder> after = w->firstResponder();
    // The form is the window's only key view: round to its other end.
    if ((after.get() == before.get() || after.get() == w.get()) && !stops.empty())
        selectKeyStop(forward ? stops.front() : stops.back(), forward);
}

void JVLTextViewInspector::insertTab(Object*) { selectKeyStopFollowingHostedView(focusedHostedView().get(), true); }
void JVLTextViewInspector::insertBacktab(Object*) { selectKeyStopFollowingHostedView(focusedHostedView().get(), false); }

void JVLTextViewInspector::keyDown(const Event& event)
{
    if (!focusedHostedView()) {
        TextView::keyDown(event);
        return;
    }
    const Ref<JVLTextViewInspector> keep(this);
    const Selector action = ActionForKeyEvent(event);
    if (action == Selector("insertTab") || action == Selector("insertBacktab")) {
        selectKeyStopFollowingHostedView(focusedHostedView().get(), action == Selector("insertTab"));
        return;
    }
    // What the window does with a key nobody took, from past the form: the text stays put under
    // the control that has the keys.
    if (const Ref<Responder> next = nextResponder(); action && next && next->tryToPerformWith(action, nullptr))
        return;
    const Ref<Window> w = window();
    const bool offered = event.modifierFlags() & (CommandKeyMask | ControlKeyMask | FunctionKeyMask);
    if (!offered && w && w->performKeyEquivalent(event))
        return;
    Beep();
}

bool JVLTextViewInspector::becomeFirstResponder()
{
    if (!TextView::becomeFirstResponder())
        return false;
    const Ref<JVLTextViewInspector> keep(this);
    const Ref<Window> w = window();
    const SelectionDirection direction = w ? w->keyViewSelectionDirection() : DirectSelection;
    if (direction != DirectSelection && !isEditing()) {
        const std::vector<KeyStop> stops = keyStops();
        // The window announces the form's focused value once it has the keys: nothing is said before.
        ++heldFocusAnnouncements_;
        if (!stops.empty())
            selectKeyStop(direction == SelectingPrevious ? stops.back() : stops.front(), direction != SelectingPrevious, false);
        --heldFocusAnnouncements_;
        announceFocusedElementIfChanged(false);
    }
    return true;
}
