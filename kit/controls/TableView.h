#pragma once

// A flipped control that shows rows of cells in columns. Rows cost what is visible: geometry,
// drawing and hit testing are arithmetic over uniform rows (the outline view keeps variable rows
// in blocks) and only visible rows are asked for values. Every change of the selection goes
// through one virtual funnel; user changes first ask the delegate. Geometry, cell preparation and
// row drawing are virtual hooks that the kit itself reads through, so a subclass that moves a
// cell moves its drawing, hit testing and tracking together.

#include "kit/appkit/Dragging.h"
#include "kit/controls/Control.h"
#include "kit/controls/TableColumn.h"
#include "kit/controls/TableViewRowHeights.h"
#include "kit/core/IndexSet.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <utility>
#include <vector>

namespace kit {

class Notification;
class TableView;

namespace tableaccessibility {
class TableElement;
class TableRowElement;
} // namespace tableaccessibility

inline const QString TableViewSelectionDidChangeNotification = QStringLiteral("NSTableViewSelectionDidChangeNotification");
inline const QString TableViewSelectionIsChangingNotification = QStringLiteral("NSTableViewSelectionIsChangingNotification");

enum TableViewDropOperation : int { TableViewDropOn = 0, TableViewDropAbove = 1 };

// Optional operations (asked through respondsToSelector once, when the data source is set).
class TableViewDataSource {
public:
    virtual ~TableViewDataSource() = default;
    virtual std::int64_t numberOfRowsInTableView(TableView*) { return 0; }
    virtual Value tableViewObjectValueForTableColumnRow(TableView*, TableColumn*, std::int64_t) { return {}; }
    virtual void tableViewSetObjectValueForTableColumnRow(TableView*, const Value&, TableColumn*, std::int64_t) { }
    virtual bool tableViewWriteRowsWithIndexesToPasteboard(TableView*, const IndexSet&, Pasteboard*) { return false; }
    virtual std::uint64_t tableViewValidateDropProposedRowProposedDropOperation(TableView*, DraggingInfo&, std::int64_t, TableViewDropOperation)
    {
        return DragOperationNone;
    }
    virtual bool tableViewAcceptDropRowDropOperation(TableView*, DraggingInfo&, std::int64_t, TableViewDropOperation) { return false; }
};

// Optional operations of the delegate; the two notification handlers are registered on the
// default centre for the view's selection notifications when the delegate implements them.
class TableViewDelegate {
public:
    virtual ~TableViewDelegate() = default;
    virtual void tableViewWillDisplayCellForTableColumnRow(TableView*, Cell*, TableColumn*, std::int64_t) { }
    virtual bool tableViewShouldSelectRow(TableView*, std::int64_t) { return true; }
    virtual IndexSet tableViewSelectionIndexesForProposedSelection(TableView*, const IndexSet& proposed) { return proposed; }
    virtual bool tableViewShouldEditTableColumnRow(TableView*, TableColumn*, std::int64_t) { return true; }
    virtual bool tableViewShouldTrackCellForTableColumnRow(TableView*, Cell*, TableColumn*, std::int64_t) { return false; }
    virtual Ref<Cell> tableViewDataCellForTableColumnRow(TableView*, TableColumn*, std::int64_t) { return nullptr; }
    virtual bool tableViewIsGroupRow(TableView*, std::int64_t) { return false; }
    // The row's height without the spacing; asked once per row when rows are loaded.
    virtual double tableViewHeightOfRow(TableView*, std::int64_t) { return 17; }
    virtual void tableViewSelectionDidChange(Notification*) { }
    virtual void tableViewSelectionIsChanging(Notification*) { }
};

class TableView : public Control, public DraggingSource, public DraggingDestination {
    KIT_CLASS(TableView)
public:
    explicit TableView(Rect frame = {});
    ~TableView() override;

    // kit::Coding (TableViewCoding.cpp): the control part, then the columns and settings under
    // "kit." keys. Delegate and data source come through outlets.
    void encodeWithCoder(Coder& coder) const override;
    void initWithCoder(Coder& coder) override;

    // --- Delegate and data source, both weak. The optional operations each implements are asked
    // once, here; a delegate that changes what it implements is set again.
    void setDelegate(Object* delegate) override;
    Ref<Object> dataSource() const { return dataSource_.lock(); }
    virtual void setDataSource(Object* dataSource);

    // --- Columns. ---
    const std::vector<Ref<TableColumn>>& tableColumns() const { return columns_; }
    std::int64_t numberOfColumns() const { return std::int64_t(columns_.size()); }
    void addTableColumn(Ref<TableColumn> column);
    void removeTableColumn(TableColumn* column);
    // NotFound (-1) when absent.
    std::int64_t columnWithIdentifier(const Value& identifier) const;
    Ref<TableColumn> tableColumnWithIdentifier(const Value& identifier) const;

    // --- Rows. ---
    virtual std::int64_t numberOfRows() const { return rowCount_; }
    // Asks the data source again; the visible rows redraw.
    virtual void reloadData();
    virtual void noteNumberOfRowsChanged();
    // Asks the delegate again for the heights of `rows` (when it gives heights).
    void noteHeightOfRowsWithIndexesChanged(const IndexSet& rows);
    // The frame: total row height (at least the clip view's), the clip view's width; the last
    // column takes the remaining width.
    virtual void tile();

    // --- Settings. ---
    double rowHeight() const { return rowHeight_; }
    void setRowHeight(double height);
    Size intercellSpacing() const { return intercellSpacing_; }
    void setIntercellSpacing(Size spacing);
    bool allowsEmptySelection() const { return allowsEmptySelection_; }
    void setAllowsEmptySelection(bool flag) { allowsEmptySelection_ = flag; }
    bool allowsMultipleSelection() const { return allowsMultipleSelection_; }
    void setAllowsMultipleSelection(bool flag) { allowsMultipleSelection_ = flag; }
    Selector doubleAction() const { return doubleAction_; }
    void setDoubleAction(Selector action) { doubleAction_ = action; }
    // The row and column of the last click, -1 when none.
    std::int64_t clickedRow() const { return clickedRow_; }
    std::int64_t clickedColumn() const { return clickedColumn_; }
    // The cell being edited: -1 while idle.
    std::int64_t editedRow() const { return editedRow_; }
    std::int64_t editedColumn() const { return editedColumn_; }
    // Whether a double click (or editColumnRowWithEventSelect) edits the cell: its column is
    // editable, the delegate agrees and the data source takes values back.
    virtual bool canEditColumnRow(std::int64_t column, std::int64_t row);
    // Ends a running edit (storing it), selects the row, scrolls it into view and edits a prepared
    // copy of the cell with the window's field editor over frameOfCellAtColumnRow, the view being
    // the session's delegate: `select` selects the whole text, else `event` acts as a press in the
    // editor. editedRow/editedColumn hold the cell until the session ends. Answers whether it began.
    virtual bool editColumnRowWithEventSelect(std::int64_t column, std::int64_t row, const Event* event, bool select);
    // Ends a running edit with nothing stored (Escape does the same); YES when one ran.
    bool abortCellEditing();
    // Ends a running edit as focus leaving would: the text goes through the cell to the data source.
    void endCellEditing();

    // --- Geometry, in the view's (flipped) coordinates. ---
    virtual Rect rectOfColumn(std::int64_t column) const;
    // Its height plus the vertical spacing, across the view.
    virtual Rect rectOfRow(std::int64_t row) const;
    // -1 outside every row or column; rows and columns are half-open.
    virtual std::int64_t rowAtPoint(Point point) const;
    virtual std::int64_t columnAtPoint(Point point) const;
    virtual Range rowsInRect(Rect rect) const;
    // Column and row intersected, inset by half the spacing; a group row spans every column.
    virtual Rect frameOfCellAtColumnRow(std::int64_t column, std::int64_t row);
    // A copy of the data cell holding the row's value, dark on selected rows, after the delegate's
    // will-display. Never asks for a cell frame. While a row draws its cells, the base answer is
    // one copy per data cell for the whole pass, given each row's value and background style (a
    // fresh copy per cell when the delegate supplies cells or may change them): an override that
    // changes anything else of the base's answer must copy it first.
    virtual Ref<Cell> preparedCellAtColumnRow(std::int64_t column, std::int64_t row);
    void scrollRowToVisible(std::int64_t row);
    // Redraws the row's rectangle.
    void setNeedsDisplayInRow(std::int64_t row);
    virtual bool isGroupRow(std::int64_t row);

    // --- Drawing: background, selection, then each row in the dirty rectangle. Everything of a
    // row is drawn inside drawRowClipRect.
    virtual void drawBackgroundInClipRect(Rect clipRect);
    virtual void highlightSelectionInClipRect(Rect clipRect);
    virtual void drawRowClipRect(std::int64_t row, Rect clipRect);
    // Whether the selection shows as active: key window, and the view is first responder.
    bool selectionIsActive() const;

    // --- Selection. The funnel applies the set it is given. ---
    virtual void selectRowIndexesByExtendingSelection(const IndexSet& indexes, bool extend);
    IndexSet selectedRowIndexes() const { return selected_; }
    std::int64_t selectedRow() const;
    std::int64_t numberOfSelectedRows() const { return selected_.count(); }
    bool isRowSelected(std::int64_t row) const { return selected_.containsIndex(row); }
    void deselectRow(std::int64_t row);
    // Actions.
    void deselectAll(Object* sender);
    void selectAll(Object* sender);

    // --- Drags. ---
    void setDraggingSourceOperationMaskForLocal(std::uint64_t mask, bool local);
    double dragThreshold() const { return 3; }

    // kit::View:
    bool isFlipped() const override { return true; }
    bool isOpaque() const override { return true; }
    void drawRect(Rect dirtyRect) override;
    void mouseDown(const Event& event) override;
    void keyDown(const Event& event) override;
    bool acceptsFirstResponder() const override { return true; }
    bool becomeFirstResponder() override;
    bool resignFirstResponder() override;
    void viewWillMoveToWindow(Window* window) override;

    // kit::TextDelegate, as the field editor's session delegate while a cell is edited: the end
    // stores the text through the cell (and its formatter) to the data source, redraws the row,
    // resets editedRow and moves on by the movement (Return: the view takes first responder;
    // Tab/Backtab: the next or previous editable cell of the row, then of the next or previous
    // row). Escape (cancelOperation) aborts.
    void textDidEndEditing(Notification* notification) override;
    bool textDoCommandBySelector(Responder* text, Selector action) override;
    void resizeWithOldSuperviewSize(Size oldSize) override;

    // Accessibility (TableViewAccessibility.cpp): the view stands back for a table (or outline)
    // element whose rows, and their cells, are elements made only when asked for. The current
    // row is the focused element while the view has focus; each selection change announces it.
    Value accessibilityElement() const override;
    // What a row shows, cell by cell, as its element's name says it.
    QStringList accessibilityTextsOfRow(std::int64_t row);
    // What the view draws beside a cell and reads with it (a badge at the row's end, with its
    // last column): the cell's element reads its own text followed by these. None by default.
    virtual QStringList accessibilityTextsBesideCell(std::int64_t column, std::int64_t row);
    // The row the keys move from: the last one moved to while it stays selected, else the last
    // selected; -1 without a selection.
    std::int64_t currentRow() const;

    // kit::DraggingSource:
    std::uint64_t draggingSourceOperationMaskForLocal(bool local) override;
    // kit::DraggingDestination:
    std::uint64_t draggingEntered(DraggingInfo& info) override;
    std::uint64_t draggingUpdated(DraggingInfo& info) override;
    void draggingExited(DraggingInfo& info) override;
    bool performDragOperation(DraggingInfo& info) override;
    void draggingEnded(DraggingInfo& info) override;

    // Where a drop would go: a row and on or above it (row == numberOfRows: after the last).
    struct DropTarget {
        std::int64_t row = -1;
        TableViewDropOperation operation = TableViewDropOn;
        bool valid() const { return row >= 0; }
    };
    // The drop position under `point` (view coordinates): on a row in its middle half, above it
    // in its top quarter, below it (above the next) in its bottom quarter.
    DropTarget dropTargetAtPoint(Point point) const;
    // The target shown, -1 row when none.
    DropTarget shownDropTarget() const { return shownDrop_; }

protected:
    // --- The questions the view asks about rows; the outline view answers them with items. ---
    virtual std::int64_t askNumberOfRows();
    virtual Value objectValueForColumnRow(TableColumn* column, std::int64_t row);
    // Null column for a group row.
    virtual Ref<Cell> dataCellForColumnRow(TableColumn* column, std::int64_t row);
    virtual void willDisplayCellForColumnRow(Cell* cell, TableColumn* column, std::int64_t row);
    // Whether each prepared cell must be a fresh copy of its data cell: the delegate hands out
    // data cells or may change a cell before it shows.
    virtual bool preparesEveryCellAfresh() const { return dl_.willDisplay || dl_.dataCell; }
    virtual bool askIsGroupRow(std::int64_t row);
    virtual bool hasShouldSelectRow() const;
    virtual bool shouldSelectRow(std::int64_t row);
    virtual bool hasSelectionProposal() const;
    virtual IndexSet selectionIndexesForProposedSelection(const IndexSet& proposed);
    virtual bool shouldTrackCell(Cell* cell, TableColumn* column, std::int64_t row);
    virtual void setObjectValueForColumnRow(const Value& value, TableColumn* column, std::int64_t row);
    virtual bool takesObjectValues() const;
    virtual bool shouldEditColumnRow(TableColumn* column, std::int64_t row);
    virtual bool canWriteRows() const;
    virtual bool writeRowsToPasteboard(const IndexSet& rows, Pasteboard* pasteboard);
    virtual std::uint64_t validateDrop(DraggingInfo& info, const DropTarget& target);
    virtual bool acceptDrop(DraggingInfo& info, const DropTarget& target);
    virtual QString selectionDidChangeName() const { return TableViewSelectionDidChangeNotification; }
    virtual QString selectionIsChangingName() const { return TableViewSelectionIsChangingNotification; }
    // The delegate's notification handlers, by notification name; the outline view adds its own.
    struct HandlerName {
        QString notification;
        const char* handler;
    };
    virtual std::vector<HandlerName> delegateNotificationHandlers() const;
    virtual void deliverDelegateNotification(Object* delegate, const QString& handler, Notification* notification);
    void registerDelegate(Object* delegate, bool observe);

    // --- Row geometry: uniform arithmetic unless a subclass keeps variable rows. ---
    virtual double rowTop(std::int64_t row) const;
    virtual double rowSpan(std::int64_t row) const;
    virtual std::int64_t rowAtY(double y) const;
    virtual double rowsHeight() const;
    double uniformRowSpan() const { return rowHeight_ + intercellSpacing_.height; }

    // A press in the disclosure part of a row: the outline view toggles and answers YES.
    virtual bool mouseDownInDisclosure(const Event&, std::int64_t, Point) { return false; }
    // The first column whose cells indent by level: none in a table.
    virtual std::int64_t outlineColumnIndex() const { return -1; }
    // How far the outline column's cell of a row moves right: its level and the triangle.
    virtual double cellIndentOfRow(std::int64_t) const { return 0; }
    // Draws the disclosure triangle of a row (outline view).
    virtual void drawDisclosureOfRow(std::int64_t) { }

    // User paths: form a proposal, let the delegate shape it, keep a non-empty selection when
    // empty is not allowed, then the funnel. `changing` posts IsChanging rather than DidChange.
    void proposeSelection(const IndexSet& proposal);
    // Adds `row` to the selection or takes it out, as a Control-click does (alone where one row
    // at most may be selected); the row becomes the anchor.
    void toggleRowSelection(std::int64_t row);
    // Moves the selection to `row` (clamped), extending from the anchor with `extend` when
    // multiple rows may be selected, and scrolls the row into view with `scroll`.
    void moveSelectionToRow(std::int64_t row, bool extend, bool scroll = true);
    // The selection changed by the program: re-set without asking; used when rows move.
    void replaceSelection(const IndexSet& indexes, bool notify);
    void postSelectionDidChange();
    // Tells accessibility which rows the selection took in or left out since `before`, and,
    // with the focus here, the current row.
    void accessibilitySelectionDidChange(const IndexSet& before);
    // Tells accessibility an outline item opened or closed: its row's state and the rows changed.
    void accessibilityItemExpansionDidChange(const Value& item);
    void redrawSelectedRows();
    bool inSelectSession() const { return inSelectSession_; }
    std::int64_t anchorRow_ = -1;
    std::int64_t cursorRow_ = -1;
    std::int64_t editedRow_ = -1;
    std::int64_t editedColumn_ = -1;

private:
    // Accessibility selects rows the user's way.
    friend class tableaccessibility::TableElement;
    friend class tableaccessibility::TableRowElement;
    // The editable cell after (or before) the edited one, in this row and then the next (or
    // previous) row; column -1 when none.
    std::pair<std::int64_t, std::int64_t> neighbourEditableCell(std::int64_t column, std::int64_t row, bool forward);
    void trackRows(const Event& event, std::int64_t row, std::int64_t column);
    bool startRowDrag(const Event& event, std::int64_t pressRow, const IndexSet& rows);
    void drawGroupRow(std::int64_t row);
    // preparedCellAtColumnRow through the virtual, letting the base answer a pass-long copy.
    Ref<Cell> preparedCellForDrawing(std::int64_t column, std::int64_t row);
    void drawDropTarget();
    void setShownDropTarget(const DropTarget& target);
    std::uint64_t updateDrop(DraggingInfo& info);
    void observeWindow(Window* window, bool observe);
    void cacheDelegateAnswers();
    // Every row's height from the delegate when it gives them, else uniform rows.
    void reloadRowHeights();
    double askRowSpan(std::int64_t row);

    std::vector<Ref<TableColumn>> columns_;
    Weak<Object> dataSource_;
    std::int64_t rowCount_ = 0;
    double rowHeight_ = 17;
    Size intercellSpacing_ { 3, 2 };
    bool allowsEmptySelection_ = true;
    bool allowsMultipleSelection_ = false;
    Selector doubleAction_;
    std::int64_t clickedRow_ = -1;
    std::int64_t clickedColumn_ = -1;
    IndexSet selected_;
    // A press is a drag-select session: changes post IsChanging, the release one DidChange.
    bool inSelectSession_ = false;
    bool changedInSession_ = false;
    std::uint64_t localMask_ = DragOperationEvery;
    std::uint64_t outsideMask_ = DragOperationCopy;
    DropTarget shownDrop_;
    // Variable rows of a plain table; empty while rows are uniform.
    detail::TableRowHeights heights_;
    // The prepared copy the field editor edits; null while idle.
    Ref<Cell> editingCell_;
    // One display pass's copies of the data cells, by the data cell copied; kept while drawRect
    // runs so each cell drawn costs its value, not a copy.
    struct PassCell {
        Ref<Cell> dataCell;
        Ref<Cell> copy;
    };
    std::vector<PassCell> passCells_;
    bool drawingPass_ = false;
    bool reuseNextPreparedCell_ = false;
    Weak<Window> observedWindow_;
    // The delegate's notification registrations, removed by name and identity.
    QStringList registeredNotifications_;
    const Object* delegateIdentity_ = nullptr;
    mutable Ref<Object> accessibilityTable_;

    // The optional operations, asked when each object is set.
    struct DataSourceAnswers {
        bool numberOfRows = false, objectValue = false, setObjectValue = false, writeRows = false, validateDrop = false,
             acceptDrop = false;
    } ds_;
    struct DelegateAnswers {
        bool willDisplay = false, shouldSelect = false, proposal = false, shouldEdit = false, shouldTrack = false, dataCell = false,
             isGroup = false, heightOfRow = false;
    } dl_;
};

} // namespace kit
