// TableView: editing one cell in place with the window's field editor.

#include "kit/appkit/FieldEditing.h"
#include "kit/appkit/Window.h"
#include "kit/controls/ControlTextEditingDelegate.h"
#include "kit/controls/TableView.h"
#include "kit/controls/TextFieldCell.h"
#include "kit/core/NotificationCenter.h"

namespace kit {

bool TableView::editColumnRowWithEventSelect(std::int64_t column, std::int64_t row, const Event* event, bool select)
{
    const Ref<TableView> keep(this);
    endCellEditing();
    if (!canEditColumnRow(column, row))
        return false;
    const Ref<Window> w = window();
    if (!w)
        return false;
    if (!isRowSelected(row) || numberOfSelectedRows() != 1)
        selectRowIndexesByExtendingSelection(IndexSet(row), false);
    scrollRowToVisible(row);
    const Ref<Cell> cell = preparedCellAtColumnRow(column, row);
    const Ref<Responder> editor = w->fieldEditorForObject(true, this);
    if (!cell || !editor || cell->type() != TextCellType)
        return false;
    cell->setControlView(this);
    cell->setEditable(true);
    // The edited text sits on the base colour, not on the row's highlight.
    cell->setBackgroundStyle(BackgroundStyleLight);
    if (auto* text = dynamic_cast<TextFieldCell*>(cell.get()))
        text->setDrawsBackground(true);
    editingCell_ = cell;
    editedRow_ = row;
    editedColumn_ = column;
    // Asked now, through the hook: a subclass may have moved the cell.
    const Rect frame = frameOfCellAtColumnRow(column, row);
    cell->setUpFieldEditorAttributes(editor.get());
    if (select || !event)
        cell->selectWithFrameInViewEditorDelegateStartLength(frame, this, editor.get(), this, 0, cell->stringValue().size());
    else
        cell->editWithFrameInViewEditorDelegateEvent(frame, this, editor.get(), this, event);
    if (!cell->isEditingWithFieldEditor()) {
        editingCell_ = nullptr;
        editedRow_ = editedColumn_ = -1;
        return false;
    }
    setNeedsDisplayInRow(row);
    return true;
}

bool TableView::abortCellEditing()
{
    if (!editingCell_)
        return false;
    const Ref<TableView> keep(this);
    const Ref<Cell> cell = std::move(editingCell_);
    const std::int64_t row = editedRow_;
    editedRow_ = editedColumn_ = -1;
    // The focus goes from the editor back to the view: a reader hears the row, not the window
    // holding the focus in between.
    const Ref<Window> w = window();
    if (w)
        w->beginFocusHandover();
    if (const Ref<Responder> editor = currentEditor())
        dynamic_cast<FieldEditing*>(editor.get())->abandonEditingSession();
    setNeedsDisplayInRow(row);
    if (w && w->firstResponder().get() == w.get())
        w->makeFirstResponder(this);
    if (w)
        w->endFocusHandover();
    return true;
}

void TableView::endCellEditing()
{
    if (!editingCell_)
        return;
    const Ref<TableView> keep(this);
    if (const Ref<Responder> editor = currentEditor())
        dynamic_cast<FieldEditing*>(editor.get())->forceEndEditingSession();
    // A session that vanished without its end message leaves nothing to store.
    if (editingCell_)
        abortCellEditing();
}

bool TableView::textDoCommandBySelector(Responder*, Selector action)
{
    if (action.name() != QLatin1String("cancelOperation") || !editingCell_)
        return false;
    abortCellEditing();
    return true;
}

std::pair<std::int64_t, std::int64_t> TableView::neighbourEditableCell(std::int64_t column, std::int64_t row, bool forward)
{
    const std::int64_t step = forward ? 1 : -1;
    for (std::int64_t r = row; r >= 0 && r < numberOfRows() && std::abs(r - row) <= 1; r += step) {
        std::int64_t c = r == row ? column + step : (forward ? 0 : numberOfColumns() - 1);
        for (; c >= 0 && c < numberOfColumns(); c += step)
            if (canEditColumnRow(c, r))
                return { c, r };
    }
    return { -1, -1 };
}

void TableView::textDidEndEditing(Notification* notification)
{
    const Ref<TableView> keep(this);
    const Ref<Responder> editor = notification ? dynamic_pointer_cast<Responder>(notification->object()) : nullptr;
    if (!editingCell_ || !editor || currentEditor() != editor) {
        Control::textDidEndEditing(notification);
        return;
    }
    const Ref<Cell> cell = std::move(editingCell_);
    const std::int64_t row = editedRow_;
    const std::int64_t column = editedColumn_;
    editedRow_ = editedColumn_ = -1;
    // Through the cell, so its formatter reads the text; a refused text stores nothing.
    cell->takeValueFromFieldEditor(editor.get());
    cell->endEditing(editor.get());
    if (currentEditor() == editor)
        dynamic_cast<FieldEditing*>(editor.get())->abandonEditingSession();
    if (cell->hasValidObjectValue() && row < numberOfRows() && column < numberOfColumns())
        setObjectValueForColumnRow(cell->objectValue(), tableColumns()[std::size_t(column)].get(), row);
    setNeedsDisplayInRow(row);
    postTextNotification(ControlTextDidEndEditingNotification, notification);
    const int movement = int(notification->userInfo().objectForKey(Value(TextMovementKey)).integerValue());
    const Ref<Window> w = window();
    if (!w)
        return;
    if (movement == TabTextMovement || movement == BacktabTextMovement) {
        const auto [nextColumn, nextRow] = neighbourEditableCell(column, row, movement == TabTextMovement);
        if (nextColumn >= 0 && editColumnRowWithEventSelect(nextColumn, nextRow, nullptr, true))
            return;
    }
    if (movement != OtherTextMovement && w->firstResponder().get() == w.get())
        w->makeFirstResponder(this);
}

} // namespace kit
