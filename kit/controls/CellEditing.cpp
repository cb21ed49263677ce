// Cell: editing its text with the window's field editor.

#include "kit/appkit/FieldEditing.h"
#include "kit/appkit/Responder.h"
#include "kit/appkit/View.h"
#include "kit/controls/Cell.h"

namespace kit {

void Cell::fillFieldEditorAttributes(FieldEditorAttributes& attributes) const
{
    attributes.font = s_.font;
    attributes.alignment = s_.alignment;
    attributes.string = stringValue();
    attributes.editable = isEditable();
    attributes.selectable = isSelectable();
    attributes.scrollable = isScrollable();
}

Ref<Responder> Cell::setUpFieldEditorAttributes(Responder* editor)
{
    if (auto* editing = dynamic_cast<FieldEditing*>(editor)) {
        FieldEditorAttributes attributes;
        fillFieldEditorAttributes(attributes);
        editing->setUpFieldEditorAttributes(attributes);
    }
    return Ref<Responder>(editor);
}

void Cell::startEditingSession(Rect frame, View* view, Responder* editor, Object* delegate, const Event* event, Range selection)
{
    auto* editing = dynamic_cast<FieldEditing*>(editor);
    if (!editing || !view || s_.type != TextCellType)
        return;
    const Ref<Cell> keep(this);
    const std::uint64_t session = editing->beginEditingSession(view, frame, drawingRectForBounds(frame), delegate, event, selection);
    editor_ = editor;
    editingSession_ = session;
}

void Cell::editWithFrameInViewEditorDelegateEvent(Rect frame, View* view, Responder* editor, Object* delegate, const Event* event)
{
    startEditingSession(frame, view, editor, delegate, event, { NotFound, 0 });
}

void Cell::selectWithFrameInViewEditorDelegateStartLength(
    Rect frame, View* view, Responder* editor, Object* delegate, std::int64_t start, std::int64_t length)
{
    startEditingSession(frame, view, editor, delegate, nullptr, { std::max<std::int64_t>(start, 0), std::max<std::int64_t>(length, 0) });
}

bool Cell::isEditingWithFieldEditor() const
{
    const Ref<Responder> editor = editor_.lock();
    auto* editing = dynamic_cast<FieldEditing*>(editor.get());
    return editing && editingSession_ != 0 && editing->editingSessionNumber() == editingSession_;
}

void Cell::takeValueFromFieldEditor(Responder* editor)
{
    if (auto* editing = dynamic_cast<FieldEditing*>(editor))
        setStringValue(editing->editorString());
}

void Cell::endEditing(Responder* editor)
{
    if (!editor || editor != editor_.unsafeRaw() || !isEditingWithFieldEditor())
        return;
    editingSession_ = 0;
    editor_ = nullptr;
    dynamic_cast<FieldEditing*>(editor)->abandonEditingSession();
}

} // namespace kit
