#pragma once

// The scrolling cell area of the table grid: draws the visible cells through one shared cell, the
// selection with its grab handle and the drop indicators; turns presses and drags into selections,
// autoscrolls while the button is held or a drag hovers, edits a cell in place through the window's
// field editor, and passes every drag-destination message on to the grid.

#include "JVLAppKit/JVLTableGrid/JVLTableGridCell.h"

#include "kit/appkit/Accessibility.h"
#include "kit/appkit/ClipView.h"
#include "kit/appkit/Dragging.h"
#include "kit/appkit/FieldEditing.h"
#include "kit/appkit/ScrollView.h"
#include "kit/appkit/View.h"
#include "kit/foundation/Timer.h"

#include <QTransform>

#include <cstdint>
#include <vector>

class JVLTableGrid;

// The cell area's clip view: where the cell area lies on whole pixels it paints every pixel of its
// frame itself, so the background is filled only around it.
class JVLTableGridClipView : public kit::ClipView {
    KIT_CLASS(JVLTableGridClipView)

    JVLTableGridClipView() = default;

    // kit::View:
    void drawRect(kit::Rect dirty) override;
};

// The cell area's scroll view: each tiling may bring a scroller in or take it away, and the grid's
// header strips run a shown scroller's width past the cells, so every tiling refits them.
class JVLTableGridScrollView : public kit::ScrollView {
    KIT_CLASS(JVLTableGridScrollView)

    JVLTableGridScrollView() = default;

    // kit::ScrollView:
    void tile() override;
};

class JVLTableGridContentView : public kit::View, public kit::DraggingDestination, public kit::TextDelegate, public kit::Accessibility {
    KIT_CLASS(JVLTableGridContentView)

    explicit JVLTableGridContentView(kit::Rect frame = {});
    ~JVLTableGridContentView() override;

    kit::Ref<JVLTableGrid> tableGrid() const;

    // Own coordinates.
    kit::Rect rectOfColumn(std::int64_t column) const;
    kit::Rect rectOfRow(std::int64_t row) const;
    kit::Rect frameOfCellAtColumnRow(std::int64_t column, std::int64_t row) const;
    std::int64_t columnAtPoint(kit::Point point) const;
    std::int64_t rowAtPoint(kit::Point point) const;

    void editSelectedCell(kit::Object* sender);
    std::int64_t editedColumn() const { return editedColumn_; }
    std::int64_t editedRow() const { return editedRow_; }
    std::int64_t mouseDownColumn() const { return mouseDownColumn_; }
    std::int64_t mouseDownRow() const { return mouseDownRow_; }

    void setDropColumn(std::int64_t column);
    void setDropRow(std::int64_t row);
    std::int64_t dropColumn() const { return dropColumn_; }
    std::int64_t dropRow() const { return dropRow_; }
    void setDraggingColumnOrRow(bool flag) { isDraggingColumnOrRow_ = flag; }
    bool isDraggingColumnOrRow() const { return isDraggingColumnOrRow_; }
    kit::Rect grabHandleRect() const { return grabHandleRect_; }
    kit::Ref<kit::Timer> autoscrollTimer() const { return autoscrollTimer_.lock(); }

    kit::Ref<kit::Cursor> cellSelectionCursor() const;
    kit::Ref<kit::Cursor> cellExtendSelectionCursor() const;

    // kit::TextDelegate (the field editor's session):
    void textDidEndEditing(kit::Notification* notification) override;
    // Escape: the edit ends with the old value kept, and goes no further (not to the window's
    // Escape button).
    bool textDoCommandBySelector(kit::Responder* text, kit::Selector action) override;
    // Ends a running edit storing nothing; the grid takes the keys back.
    void abortEditing();

    // kit::DraggingDestination:
    std::uint64_t draggingEntered(kit::DraggingInfo& info) override;
    std::uint64_t draggingUpdated(kit::DraggingInfo& info) override;
    void draggingExited(kit::DraggingInfo& info) override;
    void draggingEnded(kit::DraggingInfo& info) override;
    bool prepareForDragOperation(kit::DraggingInfo& info) override;
    bool performDragOperation(kit::DraggingInfo& info) override;
    void concludeDragOperation(kit::DraggingInfo& info) override;

    // kit::Accessibility: the area stands back for the grid, which reads its cells; while a cell
    // is edited here the focus is that cell's, not the editor's nor the table's.
    bool accessibilityIsIgnored() const override { return true; }
    QStringList accessibilityAttributeNames() const override { return kit::ViewAccessibilityAttributeNames(); }
    kit::Value accessibilityAttributeValue(const QString& attribute) const override { return kit::ViewAccessibilityAttributeValue(*this, attribute); }
    kit::Value accessibilityFocusedUIElement() const override;

    // kit::View:
    bool isFlipped() const override { return true; }
    bool isOpaque() const override { return true; }
    void drawRect(kit::Rect dirtyRect) override;
    void mouseDown(const kit::Event& event) override;
    void mouseDragged(const kit::Event& event) override;
    void mouseUp(const kit::Event& event) override;
    void resetCursorRects() override;

private:
    void startAutoscrollTimer();
    void stopAutoscrollTimer();
    void autoscrollTimerFired(kit::Timer* timer);
    bool drawCellsBatched(
        JVLTableGrid& grid, const kit::Color& page, std::int64_t firstColumn, std::int64_t lastColumn, std::int64_t firstRow, std::int64_t lastRow);
    void drawSelection(JVLTableGrid& grid);
    void drawDropIndicators(JVLTableGrid& grid);

    std::int64_t mouseDownColumn_ = kit::NotFound;
    std::int64_t mouseDownRow_ = kit::NotFound;
    std::int64_t editedColumn_ = kit::NotFound;
    std::int64_t editedRow_ = kit::NotFound;
    kit::Ref<kit::Image> cursorImage_;
    kit::Ref<kit::Image> cursorExtendSelectionImage_;
    kit::Rect grabHandleRect_;
    std::int64_t dropColumn_ = kit::NotFound;
    std::int64_t dropRow_ = kit::NotFound;
    kit::Weak<kit::Timer> autoscrollTimer_;
    bool isDraggingColumnOrRow_ = false;
    kit::Ref<JVLTableGridCell> cell_;
    bool drawsCellByCell_ = false; // for tests: the steps of each cell one after another
    friend class JVLTableGridContentViewTestAccess;
    // Kept between paints: a page's lines and which of its cells the pass covers.
    std::vector<kit::Rect> lineRects_;
    std::vector<bool> cellsToDraw_;
};
