// JVLTextViewInspector: editing values in place — the selection kept inside one value run, typing
// over placeholders, Tab/Backtab/Return, clicks, completion, and the write-back when an edit ends.

#include "JVLAppKit/TextViewInspector/JVLTextViewInspector.h"

#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorCompoundField.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorTextField.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorValueElement.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorViewField.h"

#include "FoundationExtensions/JVLNSObject_Extension.h"
#include "FoundationExtensions/JVLNSTextStorageExtensions.h"

#include "kit/appkit/Event.h"
#include "kit/appkit/Window.h"
#include "kit/controls/Control.h"
#include "kit/foundation/RunLoop.h"
#include "kit/foundation/Timer.h"
#include "kit/text/LayoutManager.h"
#include "kit/text/TextContainer.h"
#include "kit/text/TextStorage.h"

#include <algorithm>

using namespace kit;

namespace {

constexpr double inspectorCompletionDelay = 0.5;

} // namespace

// Edit state -------------------------------------------------------------------------------------------

Range JVLTextViewInspector::valueRunAt(std::int64_t index) const
{
    const Ref<TextStorage> storage = textStorage();
    if (!storage || index < 0 || index >= storage->length())
        return { NotFound, 0 };
    Range run;
    if (storage->attributeAtIndexEffectiveRange(JVLPlaceholderValueAttributeName, index, &run).isNil())
        return { NotFound, 0 };
    return run;
}

Ref<JVLTextViewInspectorField> JVLTextViewInspector::activeField() const
{
    return isEditing() ? fieldAtIndex(currentEditedStartLocation_) : nullptr;
}

Range JVLTextViewInspector::currentEditingCharRange() const { return isEditing() ? valueRunAt(currentEditedStartLocation_) : Range { NotFound, 0 }; }

Range JVLTextViewInspector::currentEditingGlyphRange() const
{
    const Range characters = currentEditingCharRange();
    const Ref<LayoutManager> manager = layoutManager();
    if (characters.location == NotFound || !manager)
        return { NotFound, 0 };
    return manager->glyphRangeForCharacterRangeActualCharacterRange(characters);
}

Range JVLTextViewInspector::validatedRange(Range proposed, std::int64_t* newStart) const
{
    const std::int64_t n = textLength();
    Range working = proposed;
    if (isEditing()) {
        const Range edited = valueRunAt(currentEditedStartLocation_);
        if (edited.location != NotFound) {
            if (proposed.length > 0)
                working = IntersectionRange(proposed, edited);
            else
                working = { proposed.location == MaxRange(edited) ? edited.location : proposed.location, 0 };
        }
    }
    const Range run = working.location < n ? valueRunAt(working.location) : Range { NotFound, 0 };
    if (MaxRange(working) < n && run.location != NotFound && working.location >= run.location && MaxRange(working) <= MaxRange(run)) {
        const Ref<TextStorage> storage = textStorage();
        const QString placeholder = storage->attributeAtIndexEffectiveRange(JVLPlaceholderValueAttributeName, run.location).stringValue();
        // A state text is taken whole, as a placeholder is: typing replaces it, never joins it.
        const bool realValue = storage->string().mid(run.location, run.length) != placeholder
            && storage->attributeAtIndexEffectiveRange(JVLStateTextAttributeName, run.location).isNil();
        *newStart = run.location;
        if (realValue && run.location == currentEditedStartLocation_) {
            const std::int64_t from = std::max(proposed.location, run.location);
            return { from, std::max<std::int64_t>(0, std::min(MaxRange(proposed), MaxRange(run)) - from) };
        }
        return run;
    }
    *newStart = NotFound;
    return { 0, 0 };
}

Range JVLTextViewInspector::validateProposedRangeUpdateEditingInfo(Range proposed, bool update)
{
    std::int64_t start = NotFound;
    const Range result = validatedRange(proposed, &start);
    if (update) {
        setNeedsDisplayInRectAvoidAdditionalLayout(bounds(), false);
        // Another run, or none: nothing typed belongs to the new edit.
        if (start != currentEditedStartLocation_)
            dirty_ = false;
        currentEditedStartLocation_ = start;
    }
    return result;
}

void JVLTextViewInspector::textStorageDidProcessEditing(TextStorage& storage, unsigned editedMask, Range editedRange, std::int64_t delta)
{
    // Another field redrawn, a list row come or gone above the edit: the edit and the completion
    // index move with their characters before the text view moves the selection, so the selection
    // stays inside the run and nothing is written back.
    if ((editedMask & TextStorageEditedCharacters) && delta != 0 && isEditing()) {
        const std::int64_t oldEnd = MaxRange(editedRange) - delta;
        if (editedRange.location < currentEditedStartLocation_ && oldEnd <= currentEditedStartLocation_) {
            currentEditedStartLocation_ += delta;
            if (nextInsertionIndex_ != NotFound && nextInsertionIndex_ >= oldEnd)
                nextInsertionIndex_ += delta;
        }
    }
    TextView::textStorageDidProcessEditing(storage, editedMask, editedRange, delta);
    if ((editedMask & TextStorageEditedCharacters) && isEditing())
        if (const Ref<JVLTextViewInspectorTextField> field = dynamic_pointer_cast<JVLTextViewInspectorTextField>(activeField()))
            valueElementOfField(field.get())->accessibilityValueChanged();
}

Range JVLTextViewInspector::textViewWillChangeSelectionFromCharacterRangeToCharacterRange(TextView*, Range, Range proposed)
{
    // The write-back below edits the text and moves the selection: that nested change passes.
    if (writingBack_)
        return proposed;
    if (isEditing() && dirty_) {
        const Range edited = valueRunAt(currentEditedStartLocation_);
        std::int64_t start = NotFound;
        validatedRange(proposed, &start);
        if (edited.location != NotFound && start != edited.location) {
            // Leaving a typed-into run by other means than click, Tab or Return: keep what was typed.
            const std::int64_t before = textLength();
            writingBack_ = true;
            const std::int64_t editStart = currentEditedStartLocation_;
            currentEditedStartLocation_ = NotFound;
            writeBack(editStart);
            writingBack_ = false;
            if (proposed.location >= MaxRange(edited))
                proposed.location = std::max<std::int64_t>(0, proposed.location + textLength() - before);
        }
    }
    const Range result = validateProposedRangeUpdateEditingInfo(proposed, true);
    if (!(result.length == 0 && result.location == nextInsertionIndex_))
        stopCompletionTimer();
    return result;
}

Range JVLTextViewInspector::selectionRangeForProposedRangeGranularity(Range proposed, SelectionGranularity granularity)
{
    return TextView::selectionRangeForProposedRangeGranularity(validateProposedRangeUpdateEditingInfo(proposed, false), granularity);
}

void JVLTextViewInspector::setSelectedRange(Range range)
{
    if (editableState_)
        TextView::setSelectedRange(range);
}

// Typing ------------------------------------------------------------------------------------------------

Dictionary JVLTextViewInspector::typingAttributes() const
{
    if (!isEditing() || currentEditedStartLocation_ >= textLength())
        return {};
    Dictionary attributes = textStorage()->attributesAtIndexEffectiveRange(currentEditedStartLocation_);
    attributes.removeObjectForKey(Value(JVLStateTextAttributeName));
    const Ref<JVLTextViewInspectorField> field = fieldAtIndex(currentEditedStartLocation_);
    if (dynamic_cast<JVLTextViewInspectorTextField*>(field.get()))
        attributes.addEntriesFromDictionary(typingAttributesForPlaceholderValueForTextField(field->placeholder(), field.get()));
    return attributes;
}

bool JVLTextViewInspector::shouldChangeTextInRangeReplacementString(Range range, const QString& replacement)
{
    if (!editableState_ || !isEditing())
        return false;
    // Backspace at the value's start or Delete at its end would eat the tab before it or the line's
    // end, joining the value to its label or the next line: only the edited run itself changes.
    const Range edited = valueRunAt(currentEditedStartLocation_);
    if (edited.location == NotFound || range.location < edited.location || MaxRange(range) > MaxRange(edited))
        return false;
    const Ref<TextStorage> storage = textStorage();
    const Range run = valueRunAt(range.location);
    if (run.location != NotFound && run == range) {
        const QString placeholder = storage->attributeAtIndexEffectiveRange(JVLPlaceholderValueAttributeName, range.location).stringValue();
        const Ref<JVLTextViewInspectorField> field = fieldAtIndex(range.location);
        Dictionary attributes = storage->attributesAtIndexEffectiveRange(range.location);
        attributes.removeObjectForKey(Value(JVLStateTextAttributeName));
        attributes.addEntriesFromDictionary(
            replacement.isEmpty() ? placeholderValueAttributesWithValueForTextField(placeholder, field.get()) : typingAttributes());
        // The inspector makes this change itself: the placeholder comes back, or the typed text
        // replaces it in the value's colour.
        dirty_ = true;
        storage->replaceCharactersInRangeWithAttributedString(range, AttributedString(replacement.isEmpty() ? placeholder : replacement, attributes));
        stopCompletionTimer();
        return false;
    }
    dirty_ = true;
    nextInsertionIndex_ = range.location + replacement.size();
    startCompletionTimer();
    return true;
}

// Keys (Tab and Backtab: JVLTextViewInspectorKeyboard.cpp) ---------------------------------------

void JVLTextViewInspector::insertNewline(Object*)
{
    const auto* field = dynamic_cast<JVLTextViewInspectorTextField*>(activeField().get());
    if (field && field->supportNewLine())
        insertText(QString(QChar(0x2028)));
    else
        endEditing();
}

Range JVLTextViewInspector::nextEditableRangeForward(std::int64_t location, bool forward) const
{
    const Ref<TextStorage> storage = textStorage();
    const std::int64_t n = textLength();
    if (location == NotFound || !storage || n == 0)
        return { 0, 0 };
    const Range whole { 0, n };
    auto longestAt = [&](std::int64_t index, Range* range) -> Value {
        return storage->attributeAtIndexLongestEffectiveRangeInRange(JVLPlaceholderValueAttributeName, index, range, whole);
    };
    Range current { location, 0 };
    if (location >= 0 && location < n)
        storage->attributeAtIndexEffectiveRange(JVLPlaceholderValueAttributeName, location, &current);
    // A value run at `index`, or past the gap that starts there.
    auto runAtOrPastGap = [&](std::int64_t index, Range* found) -> bool {
        if (index < 0 || index >= n)
            return false;
        Range r;
        if (!longestAt(index, &r).isNil()) {
            *found = valueRunAt(index);
            return true;
        }
        const std::int64_t past = forward ? MaxRange(r) : r.location - 1;
        if (past < 0 || past >= n)
            return false;
        if (longestAt(past, &r).isNil())
            return false;
        *found = valueRunAt(past);
        return true;
    };
    Range found;
    if (runAtOrPastGap(forward ? MaxRange(current) : current.location - 1, &found))
        return found;
    if (runAtOrPastGap(forward ? 0 : n - 1, &found))
        return found;
    return current;
}

Ref<JVLTextViewInspectorField> JVLTextViewInspector::nextEditableFieldForwardFieldRange(std::int64_t location, bool forward, Range* range) const
{
    const Ref<TextStorage> storage = textStorage();
    const std::int64_t n = textLength();
    if (location == NotFound || !storage || location < 0 || location >= n) {
        if (range)
            *range = { NotFound, 0 };
        return nullptr;
    }
    const Range whole { 0, n };
    Range current;
    const Ref<JVLTextViewInspectorField> here
        = storage->attributeAtIndexLongestEffectiveRangeInRange(JVLTextInspectorFieldAttributeName, location, &current, whole).objectAs<JVLTextViewInspectorField>();
    auto fieldAtOrPastGap = [&](std::int64_t index, Range* found) -> Ref<JVLTextViewInspectorField> {
        if (index < 0 || index >= n)
            return nullptr;
        Range r;
        Value v = storage->attributeAtIndexLongestEffectiveRangeInRange(JVLTextInspectorFieldAttributeName, index, &r, whole);
        if (v.isNil()) {
            const std::int64_t past = forward ? MaxRange(r) : r.location - 1;
            if (past < 0 || past >= n)
                return nullptr;
            v = storage->attributeAtIndexLongestEffectiveRangeInRange(JVLTextInspectorFieldAttributeName, past, &r, whole);
        }
        *found = r;
        return v.objectAs<JVLTextViewInspectorField>();
    };
    Range found;
    Ref<JVLTextViewInspectorField> next = fieldAtOrPastGap(forward ? MaxRange(current) : current.location - 1, &found);
    if (!next)
        next = fieldAtOrPastGap(forward ? 0 : n - 1, &found);
    if (!next) {
        next = here;
        found = current;
    }
    if (range)
        *range = found;
    return next;
}

bool JVLTextViewInspector::editableFieldAtIndex(std::int64_t index, Ref<JVLTextViewInspectorField>* out) const
{
    const Ref<JVLTextViewInspectorField> field = fieldAtIndex(index);
    bool yes = false;
    if (field) {
        if (field->isEditable()) {
            yes = true;
        } else if (auto* viewField = dynamic_cast<JVLTextViewInspectorViewField*>(field.get())) {
            const auto* control = dynamic_cast<const Control*>(viewField->view().get());
            yes = control && control->acceptsFirstResponder() && control->isEnabled();
        }
    }
    if (out)
        *out = yes ? field : nullptr;
    return yes;
}

// Mouse -------------------------------------------------------------------------------------------------------

void JVLTextViewInspector::mouseDown(const Event& event)
{
    const Ref<JVLTextViewInspector> keep(this);
    const Ref<LayoutManager> manager = layoutManager();
    const Ref<TextStorage> storage = textStorage();
    if (!manager || !storage || storage->length() == 0)
        return;
    const Point inView = convertPointFromView(event.locationInWindow(), nullptr);
    const Point origin = textContainerOrigin();
    const std::int64_t glyph
        = manager->glyphIndexForPointInTextContainer(MakePoint(inView.x - origin.x, inView.y - origin.y), textContainer().get());
    const std::int64_t index = std::clamp<std::int64_t>(manager->characterIndexForGlyphAtIndex(glyph), 0, storage->length() - 1);
    const bool onValue = !storage->attributeAtIndexEffectiveRange(JVLPlaceholderValueAttributeName, index).isNil();
    Range run;
    const Ref<JVLTextViewInspectorField> field
        = storage->attributeAtIndexEffectiveRange(JVLTextInspectorFieldAttributeName, index, &run).objectAs<JVLTextViewInspectorField>();

    if (editableState_) {
        if (field && !field->isEditable())
            return;
        if (run.location == currentEditedStartLocation_) {
            TextView::mouseDown(event);
            return;
        }
        endEditing();
        currentEditedStartLocation_ = run.location;
        dirty_ = false;
        setNeedsDisplayInRectAvoidAdditionalLayout(bounds(), true);
        setSelectedRange(onValue ? run : Range { 0, 0 });
        return;
    }
    // Read-only: the text view's own click (a selection) never runs.
    const Ref<Object> d = inspectorDelegate();
    auto* listener = dynamic_cast<JVLTextViewInspectorDelegate*>(d.get());
    if (!listener || !d->respondsToSelector(Selector(JVLDelegateShouldChangeEditStateOperation)))
        return;
    if (field && field->shouldBeEditableWithEditableState(true)) {
        const Ref<JVLTextViewInspectorCompoundField> compound = field->compoundField();
        if (!compound || compound->shouldBeEditableWithEditableState(true))
            fieldToEdit_ = field.get();
    }
    listener->delegateShouldChangeEditStateForTextViewInspector(this);
}

void JVLTextViewInspector::jumpToField(JVLTextViewInspectorField* field)
{
    const Ref<TextStorage> storage = textStorage();
    if (!storage || !field)
        return;
    const Range range = charRangeOfField(field);
    if (range.location == NotFound)
        return;
    if (dynamic_cast<JVLTextViewInspectorTextField*>(field)) {
        const Range run = JVLNSTextStorageExtensions::rangeForAttributeInRange(*storage, JVLPlaceholderValueAttributeName, range);
        if (run.location != NotFound)
            setSelectedRange(run);
    } else if (auto* viewField = dynamic_cast<JVLTextViewInspectorViewField*>(field)) {
        const Ref<View> view = viewField->view();
        if (const Ref<Window> w = window(); w && view && view->acceptsFirstResponder())
            w->makeFirstResponder(view.get());
    }
    scrollRangeToVisible(range);
}

// Ending an edit ----------------------------------------------------------------------------------------------

bool JVLTextViewInspector::resignFirstResponder()
{
    endEditing();
    TextView::resignFirstResponder();
    return true;
}

void JVLTextViewInspector::endEditing()
{
    const std::int64_t start = currentEditedStartLocation_;
    currentEditedStartLocation_ = NotFound;
    if (start == NotFound) {
        dirty_ = false;
        return;
    }
    stopCompletionTimer();
    setSelectedRange({ 0, 0 });
    writeBack(start);
}

void JVLTextViewInspector::writeBack(std::int64_t start)
{
    // Only what the user typed in this edit is written: a placeholder, state text or unchanged
    // value that was merely visited stays out of the model.
    const bool typed = dirty_;
    dirty_ = false;
    const Ref<TextStorage> storage = textStorage();
    if (!typed || !storage || start < 0 || start >= storage->length())
        return;
    const Range run = valueRunAt(start);
    const Ref<JVLTextViewInspectorTextField> field = dynamic_pointer_cast<JVLTextViewInspectorTextField>(fieldAtIndex(start));
    if (run.location == NotFound || !field)
        return;
    // Whatever state text is left in the field is no value of any record.
    const Range fieldRange = charRangeOfField(field.get());
    if (JVLNSTextStorageExtensions::rangeForAttributeInRange(*storage, JVLStateTextAttributeName, fieldRange).location != NotFound)
        return;
    writeStringOfField(field.get(), storage->string().mid(run.location, run.length));
}

void JVLTextViewInspector::writeStringOfField(JVLTextViewInspectorTextField* field, QString text)
{
    if (!field)
        return;
    const Ref<JVLTextViewInspector> keep(this);
    const Ref<JVLTextViewInspectorTextField> keepField(field);
    Value value = field->valueObjectForString(text);
    // Line breaks are shown as U+2028; the model gets real ones.
    if (!field->formatter() && value.isString())
        value = Value(value.stringValue().replace(QChar(0x2028), u'\n'));
    if (!value.isNil() && value.isEqual(field->value()))
        return;
    field->setValue(value);
    JVLNSObject_Extension::propagateValueForBinding(*field, value, QStringLiteral("value"));
    const Ref<Object> d = inspectorDelegate();
    if (auto* listener = dynamic_cast<JVLTextViewInspectorDelegate*>(d.get());
        listener && d->respondsToSelector(Selector(JVLTextViewInspectorDidChangedValueOfFieldOperation)))
        listener->textViewInspectorDidChangedValueOfField(this, field);
    field->valueDidChangedFromTextInspector();
}

// Completion ----------------------------------------------------------------------------------------------------

void JVLTextViewInspector::startCompletionTimer()
{
    if (!isEditing())
        return;
    const Ref<JVLTextViewInspectorField> field = fieldAtIndex(currentEditedStartLocation_);
    if (!field)
        return;
    if (const auto* text = dynamic_cast<JVLTextViewInspectorTextField*>(field.get()); text && !text->supportTextCompletion())
        return;
    stopCompletionTimer();
    completionTimer_ = Timer::timerWithTimeIntervalTargetSelectorUserInfoRepeats(inspectorCompletionDelay, this, Selector("doCompletion"), Value(), false);
    RunLoop::current().addTimerForMode(completionTimer_, DefaultRunLoopMode);
}

void JVLTextViewInspector::stopCompletionTimer()
{
    if (completionTimer_)
        completionTimer_->invalidate();
    completionTimer_ = nullptr;
}

void JVLTextViewInspector::doCompletion(Object*)
{
    stopCompletionTimer();
    complete(nullptr);
}

QStringList JVLTextViewInspector::completionsForPartialWordRangeIndexOfSelectedItem(Range range, std::int64_t* index)
{
    if (range.length == 0 || !isEditing())
        return {};
    const Ref<JVLTextViewInspectorTextField> field = dynamic_pointer_cast<JVLTextViewInspectorTextField>(fieldAtIndex(currentEditedStartLocation_));
    if (!field)
        return {};
    return field->completionsForPartialStringIndexOfSelectedItem(string().mid(range.location, range.length), index);
}
