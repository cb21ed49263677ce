#pragma once

// A spreadsheet-like grid: a strip of column headers, a strip of row headers, an empty corner and
// a scrolling area of cells, filled by a data source and steered by a delegate. The selection is a
// rectangle (selected columns × selected rows), moved and extended with mouse and keys; cells are
// edited in place, columns resized by their header edges, whole columns and rows moved by drag
// and drop. Every coordinate is a double and every count 64-bit: 10^8 rows are fine.

#include "JVLAppKit/JVLTableGrid/JVLTableGridColumnWidths.h"
#include "JVLAppKit/JVLTableGrid/JVLTableGridContentView.h"
#include "JVLAppKit/JVLTableGrid/JVLTableGridHeaderView.h"
#include "JVLAppKit/JVLTableGrid/JVLTableGridProtocols.h"

#include "kit/appkit/AccessibilityTable.h"
#include "kit/appkit/Dragging.h"
#include "kit/appkit/ScrollView.h"
#include "kit/controls/Control.h"
#include "kit/foundation/NibLoader.h"

#include <QImage>

#include <array>
#include <bitset>
#include <functional>
#include <map>
#include <optional>
#include <vector>

class JVLTableGrid : public kit::Control,
                     public kit::DraggingDestination,
                     public kit::DraggingSource,
                     public kit::NibAwaking,
                     public kit::AccessibilityTable {
    KIT_CLASS(JVLTableGrid)

    static constexpr double ColumnHeaderHeight = 19;
    static constexpr double RowHeaderWidth = 40;
    static constexpr double RowHeight = 20;
    static constexpr double DefaultColumnWidth = 60;
    static constexpr double MinimumColumnWidth = 20;

    explicit JVLTableGrid(kit::Rect frame = {});
    ~JVLTableGrid() override;

    // Held weakly; the optional operations it answers are asked once here (set it again after
    // changing what it implements).
    kit::Ref<kit::Object> dataSource() const { return dataSource_.lock(); }
    void setDataSource(kit::Object* dataSource);
    // Moves the delegate's notification registrations to the new delegate.
    void setDelegate(kit::Object* delegate) override;

    kit::Ref<JVLTableGridHeaderView> columnHeaderView() const { return columnHeaderView_; }
    kit::Ref<JVLTableGridHeaderView> rowHeaderView() const { return rowHeaderView_; }
    kit::Ref<JVLTableGridContentView> contentView() const { return contentView_; }
    kit::Ref<kit::ScrollView> columnHeaderScrollView() const { return columnHeaderScrollView_; }
    kit::Ref<kit::ScrollView> rowHeaderScrollView() const { return rowHeaderScrollView_; }
    kit::Ref<kit::ScrollView> contentScrollView() const { return contentScrollView_; }

    // --- Selection and keys (JVLTableGridSelection.cpp). ---
    const kit::IndexSet& selectedColumnIndexes() const { return selectedColumns_; }
    const kit::IndexSet& selectedRowIndexes() const { return selectedRows_; }
    void setSelectedColumnIndexes(const kit::IndexSet& indexes);
    void setSelectedRowIndexes(const kit::IndexSet& indexes);
    bool allowsMultipleSelection() const { return allowsMultipleSelection_; }
    void setAllowsMultipleSelection(bool flag) { allowsMultipleSelection_ = flag; }
    bool allowsEditing() const { return allowsEditing_; }
    void setAllowsEditing(bool flag) { allowsEditing_ = flag; }
    bool shouldOverrideModifiers() const { return shouldOverrideModifiers_; }
    // 0 left, 1 right; 3 top, 4 bottom.
    void setStickyColumnRow(int columnEdge, int rowEdge);
    int stickyColumn() const { return stickyColumnEdge_; }
    int stickyRow() const { return stickyRowEdge_; }
    void scrollToAreaAnimate(kit::Rect area, bool animate);

    void moveUp(kit::Object* sender);
    void moveDown(kit::Object* sender);
    void moveLeft(kit::Object* sender);
    void moveRight(kit::Object* sender);
    void moveUpAndModifySelection(kit::Object* sender);
    void moveDownAndModifySelection(kit::Object* sender);
    void moveLeftAndModifySelection(kit::Object* sender);
    void moveRightAndModifySelection(kit::Object* sender);
    // Home and End: the first and the last cell of the row; with Ctrl, of the grid.
    void moveToBeginningOfLine(kit::Object* sender);
    void moveToEndOfLine(kit::Object* sender);
    void moveToBeginningOfDocument(kit::Object* sender);
    void moveToEndOfDocument(kit::Object* sender);
    // Page Up and Page Down: as many rows as are shown, the cells scrolled by as much.
    void pageUp(kit::Object* sender);
    void pageDown(kit::Object* sender);
    void insertTab(kit::Object* sender);
    void insertBacktab(kit::Object* sender);
    void insertNewline(kit::Object* sender);
    void selectAll(kit::Object* sender);
    void deleteBackward(kit::Object* sender);

    // --- Counts, reloading, geometry (grid coordinates). ---
    std::int64_t numberOfRows() const { return numberOfRows_; }
    void setNumberOfRows(std::int64_t count) { numberOfRows_ = count; }
    std::int64_t numberOfColumns() const { return numberOfColumns_; }
    void setNumberOfColumns(std::int64_t count) { numberOfColumns_ = count; }
    void reloadData();

    kit::Rect rectOfColumn(std::int64_t column) const;
    kit::Rect rectOfRow(std::int64_t row) const;
    kit::Rect frameOfCellAtColumnRow(std::int64_t column, std::int64_t row) const;
    kit::Rect headerRectOfColumn(std::int64_t column) const;
    kit::Rect headerRectOfRow(std::int64_t row) const;
    kit::Rect headerRectOfCorner() const { return { 0, 0, rowHeaderWidth_, ColumnHeaderHeight }; }
    // RowHeaderWidth, or wider when the first or last row's header needs it (set by reloadData).
    double rowHeaderWidth() const { return rowHeaderWidth_; }
    // NotFound when no column (row) contains the point.
    std::int64_t columnAtPoint(kit::Point point) const;
    std::int64_t rowAtPoint(kit::Point point) const;

    // Column geometry of the cell area: x of a column, and the range of columns an x span touches.
    double columnOffset(std::int64_t column) const;
    double columnWidth(std::int64_t column) const;
    // The first column whose span [x, x + w] contains `x` (inclusive), NotFound when none.
    std::int64_t columnSpanning(double x, std::int64_t from = 0) const;
    // The same for rows (spans [20r, 20r + 20]).
    std::int64_t rowSpanning(double y, std::int64_t from = 0) const;

    // --- Data-source calls with their defaults (the views of the grid use them). ---
    QString headerStringForColumn(std::int64_t column);
    QString headerStringForRow(std::int64_t row);
    kit::Value objectValueForColumnRow(std::int64_t column, std::int64_t row);
    kit::Ref<kit::Color> backgroundColorForColumnRow(std::int64_t column, std::int64_t row);
    void setObjectValueForColumnRow(const kit::Value& value, std::int64_t column, std::int64_t row);
    // The remembered width, else the data source's answer (remembered), else 60.
    double widthForColumn(std::int64_t column);
    double setWidthForColumn(std::int64_t column);
    bool canEditCellAtColumnRow(std::int64_t column, std::int64_t row);
    bool dataSourceCanSetObjectValue() const;

    // New width = old + distance, at least 20; the cell area and the column strip follow.
    void resizeColumnWithIndexWithDistance(std::int64_t column, float distance);

    // --- Drawing. ---
    void drawColumnHeaderBackgroundInRect(kit::Rect rect);
    void drawRowHeaderBackgroundInRect(kit::Rect rect);
    void drawCornerHeaderBackgroundInRect(kit::Rect rect);
    // Whether a view inside the grid is first responder of the key window.
    bool hasKeyboardFocus() const;

    // --- Moving columns and rows (JVLTableGridDragging.cpp). ---
    // The given types plus the two grid types, for the grid and its cell area.
    void registerForDraggedTypes(const QStringList& types) override;
    void dragColumnsWithEvent(const kit::Event& event);
    void dragRowsWithEvent(const kit::Event& event);
    kit::Ref<kit::Image> imageForSelectedColumns();
    kit::Ref<kit::Image> imageForSelectedRows();
    std::int64_t dropColumnForPoint(kit::Point point) const;
    std::int64_t dropRowForPoint(kit::Point point) const;
    // Test seam: runs a drag the grid starts (default: the kit's drag session).
    using DragStarter = std::function<void(JVLTableGrid&, kit::Image*, kit::Point at, const kit::Event&, kit::Pasteboard*)>;
    void setDragStarterForTesting(DragStarter starter) { dragStarter_ = std::move(starter); }

    // kit::DraggingDestination:
    std::uint64_t draggingEntered(kit::DraggingInfo& info) override;
    std::uint64_t draggingUpdated(kit::DraggingInfo& info) override;
    void draggingExited(kit::DraggingInfo& info) override;
    void draggingEnded(kit::DraggingInfo& info) override;
    bool prepareForDragOperation(kit::DraggingInfo& info) override;
    bool performDragOperation(kit::DraggingInfo& info) override;
    void concludeDragOperation(kit::DraggingInfo& info) override;
    // kit::DraggingSource: moves inside the application only.
    std::uint64_t draggingSourceOperationMaskForLocal(bool local) override;

    // kit::NibAwaking:
    void awakeFromNib() override;

    // kit::View:
    bool isFlipped() const override { return true; }
    void drawRect(kit::Rect dirtyRect) override;
    bool acceptsFirstResponder() const override { return true; }
    bool canBecomeKeyView() const override { return true; }
    bool becomeFirstResponder() override;
    bool resignFirstResponder() override;
    void mouseDown(const kit::Event& event) override;
    void keyDown(const kit::Event& event) override;
    void insertText(const QString& text) override;
    void viewWillMoveToWindow(kit::Window* window) override;
    void encodeWithCoder(kit::Coder& coder) const override;
    void initWithCoder(kit::Coder& coder) override;

    // kit::Accessibility (JVLTableGridAccessibility.cpp): a table whose children are the cells
    // shown, row by row, and the current cell wherever it is; each cell has its values, its place,
    // its headers and its selected state. Elements are made when first asked for; those of the
    // cells (and headers) shown and of the current cell are kept while they are, so a reader
    // keeps getting the same one; beside them the last asked for are kept, AccessibilityKeptElements
    // in all, and the rest let go at the end of a client's request. With the focus in the grid
    // (or in a cell being edited), the current cell is the focused element: the selection's single
    // cell, or the far end of a range, where extending it moves.
    static constexpr std::size_t AccessibilityKeptElements = 512;
    bool accessibilityIsIgnored() const override { return false; }
    kit::Value accessibilityAttributeValue(const QString& attribute) const override;
    std::int64_t accessibilityArrayAttributeCount(const QString& attribute) const override;
    kit::Array accessibilityArrayAttributeValues(const QString& attribute, std::int64_t index, std::int64_t maxCount) const override;
    std::int64_t accessibilityIndexOfChild(const kit::Value& child) const override;
    bool accessibilityIsAttributeSettable(const QString& attribute) const override;
    void accessibilitySetValueForAttribute(const kit::Value& value, const QString& attribute) override;
    kit::Value accessibilityHitTest(kit::Point point) const override;
    kit::Value accessibilityFocusedUIElement() const override;
    // kit::AccessibilityTable: every row and column by place, the headers, the selected rectangle.
    std::int64_t accessibilityRowCount() const override { return numberOfRows_; }
    std::int64_t accessibilityColumnCount() const override { return numberOfColumns_; }
    kit::Value accessibilityCellForColumnRow(std::int64_t column, std::int64_t row) const override;
    kit::Value accessibilityColumnHeader(std::int64_t column) const override;
    kit::Value accessibilityRowHeader(std::int64_t row) const override;
    Selection accessibilitySelection() const override { return { selectedRows_, selectedColumns_ }; }
    bool accessibilitySetRowSelected(std::int64_t row, bool selected) override;
    bool accessibilitySetColumnSelected(std::int64_t column, bool selected) override;
    // Selects one cell as a click on it does.
    void accessibilitySelectCell(std::int64_t column, std::int64_t row) { selectCell(column, row); }
    // The cell element (column -1: a row's header, row -1: a column's header).
    kit::Value accessibilityCellElement(std::int64_t column, std::int64_t row) const;
    // The rows and the columns shown now, first and last (last < first: none).
    std::pair<std::int64_t, std::int64_t> accessibilityVisibleRows() const;
    std::pair<std::int64_t, std::int64_t> accessibilityVisibleColumns() const;
    // The cell the focus stands on: the selection's anchor, or its far end after Shift with an
    // arrow moved it; none without a selection.
    std::optional<std::pair<std::int64_t, std::int64_t>> accessibilityCurrentCell() const;

private:
    friend class JVLTableGridContentView;
    friend class JVLTableGridScrollView;
    friend class JVLTableGridHeaderView;
    friend class JVLTableGridStripAccess; // tests
    enum Operation : std::size_t {
        NumberOfColumns,
        NumberOfRows,
        ObjectValue,
        SetObjectValue,
        BackgroundColor,
        HeaderStringForColumn,
        HeaderStringForRow,
        SetWidthForColumn,
        WriteColumns,
        WriteRows,
        CanMoveColumns,
        CanMoveRows,
        MoveColumns,
        MoveRows,
        ValidateDrop,
        AcceptDrop,
        WillSelectColumns,
        WillSelectRows,
        ShouldEdit,
        OperationCount,
    };
    struct DataSourceCall {
        kit::Ref<kit::Object> object;
        JVLTableGridDataSource* d = nullptr;
        explicit operator bool() const { return d != nullptr; }
        JVLTableGridDataSource* operator->() const { return d; }
    };
    struct DelegateCall {
        kit::Ref<kit::Object> object;
        JVLTableGridDelegate* d = nullptr;
        explicit operator bool() const { return d != nullptr; }
        JVLTableGridDelegate* operator->() const { return d; }
    };
    // The one way to the data source and the delegate: the cached respondsToSelector answer, and
    // a reference held for the call.
    DataSourceCall dataSourceFor(Operation operation) const;
    DelegateCall delegateFor(Operation operation) const;

    // The header strips' backgrounds: the same gradients at every scroll step, so each is drawn
    // once into an image and then copied (see drawStripFromCache).
    enum Strip : std::size_t { ColumnStrip, RowStrip, CornerStrip, StripCount };
    void paintStripBackground(Strip strip, kit::Rect rect);
    void drawStripBackground(Strip strip, kit::Rect rect);
    bool drawStripFromCache(Strip strip, kit::Rect rect);

    // The three scroll views in `frame`; with `documents`, the strips and the cells sized to them
    // (until a reload sizes the cells).
    void layOutScrollViews(kit::Rect frame, bool documents = true);
    // The strips as long as the cells plus a shown scroller's width, so that their clips scroll
    // exactly as far as the content's; then they take the content's origin.
    void fitHeaderStrips();
    void contentViewDidScroll(kit::Notification* notification);
    void viewFrameDidChange(kit::Notification*) { }
    void observeDelegate(kit::Object* delegate, bool observe);
    void observeWindow(kit::Window* window, bool observe);
    void invalidateFocusRing();
    // Column widths known for columns 0 … count − 1 (asked once per column).
    void ensureColumnWidths(std::int64_t count);
    double rowHeaderWidthForRows();
    std::int64_t anchorColumn() const;
    std::int64_t anchorRow() const;
    void selectCell(std::int64_t column, std::int64_t row);
    // Whether a cell is selected to move from. Without one, a grid with the focus selects the
    // first cell shown (the keys' way in after a reload or a new data source cleared the
    // selection), and the move ends there.
    bool hasCellToMoveFrom();
    void moveToCell(std::int64_t column, std::int64_t row);
    void pageBy(std::int64_t direction);
    // The cells (and rows) whose selected state changed since the two sets tell so, and the
    // current cell is announced while the grid has focus; held while selectCell sets both.
    void accessibilitySelectionDidChange(const kit::IndexSet& columnsBefore, const kit::IndexSet& rowsBefore);
    // The cells shown: `columns` × `rows` from (`column`, `row`).
    struct AccessibilityBlock {
        std::int64_t column = 0, row = 0, columns = 0, rows = 0;
        bool contains(std::int64_t c, std::int64_t r) const { return c >= column && c < column + columns && r >= row && r < row + rows; }
    };
    AccessibilityBlock accessibilityShownBlock() const;
    std::optional<std::pair<std::int64_t, std::int64_t>> accessibilityCurrentCellOutside(const AccessibilityBlock& block) const;
    void scrollCellIntoView(std::int64_t column, std::int64_t row);
    void dragItemsWithEvent(const kit::Event& event, bool columns);
    kit::Ref<kit::Image> imageForRect(kit::Rect rect);
    std::optional<kit::IndexSet> movedIndexes(kit::DraggingInfo& info, const QString& type) const;
    bool isOwnDrag(kit::DraggingInfo& info) const;

    kit::Weak<kit::Object> dataSource_;
    JVLTableGridDataSource* dataSourceProtocol_ = nullptr;
    std::bitset<OperationCount> answers_;
    kit::Ref<kit::ScrollView> columnHeaderScrollView_;
    kit::Ref<JVLTableGridHeaderView> columnHeaderView_;
    kit::Ref<kit::ScrollView> rowHeaderScrollView_;
    kit::Ref<JVLTableGridHeaderView> rowHeaderView_;
    kit::Ref<kit::ScrollView> contentScrollView_;
    kit::Ref<JVLTableGridContentView> contentView_;
    // A cell's place: its column and row, -1 for a header.
    using AccessibilityPlace = std::pair<std::int64_t, std::int64_t>;
    struct AccessibilityPlaceHash {
        std::size_t operator()(const AccessibilityPlace& p) const { return std::hash<std::int64_t>()(p.first * 1'000'003 ^ p.second); }
    };
    // Whether the element of `place` stays whatever the others: a cell or header shown, or the current cell.
    bool accessibilityKeepsElement(const AccessibilityPlace& place) const;
    mutable kit::AccessibilityElementCache<AccessibilityPlace, kit::Object, AccessibilityPlaceHash> accessibilityElements_ {
        AccessibilityKeptElements, [this](const AccessibilityPlace& place, const kit::Object&) { return accessibilityKeepsElement(place); }
    };
    kit::IndexSet selectedColumns_;
    kit::IndexSet selectedRows_;
    bool holdsSelectionAnnouncement_ = false;
    // Set while Shift with an arrow extends the selection; the selection it stores puts the
    // focus on its far end (any other change puts it back on the anchor).
    bool extendingSelection_ = false;
    bool focusOnFarEnd_ = false;
    struct ExtendingSelection {
        explicit ExtendingSelection(JVLTableGrid& grid)
            : grid(grid)
        {
            grid.extendingSelection_ = true;
        }
        ~ExtendingSelection() { grid.extendingSelection_ = false; }
        ExtendingSelection(const ExtendingSelection&) = delete;
        ExtendingSelection& operator=(const ExtendingSelection&) = delete;
        JVLTableGrid& grid;
    };
    bool allowsMultipleSelection_ = true;
    bool shouldOverrideModifiers_ = false;
    bool allowsEditing_ = false;
    int stickyColumnEdge_ = 0;
    int stickyRowEdge_ = 3;
    // Remembered widths (the data source's answers and resizes), and the widths in force.
    std::vector<std::optional<float>> rememberedWidths_;
    mutable JVLTableGridColumnWidths widths_;
    double rowHeaderWidth_ = RowHeaderWidth;
    std::int64_t numberOfRows_ = 0;
    std::int64_t numberOfColumns_ = 0;
    kit::Weak<kit::Window> observedWindow_;
    DragStarter dragStarter_;
    struct StripImage {
        QImage image; // null when the strip's drawing is not opaque
        QSize size;
        bool antialias = true;
    };
    std::array<StripImage, StripCount> stripImages_;
};
