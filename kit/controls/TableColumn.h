#pragma once

// One column of a table or outline view: an identifier the data source recognises it by, its
// width within limits, whether its cells may be edited, and the data cell that draws its rows.
// The view copies the data cell for each row it draws, so one cell serves every row.

#include "kit/controls/Cell.h"
#include "kit/core/Object.h"
#include "kit/core/Value.h"
#include "kit/foundation/Coder.h"

#include <cstdint>

namespace kit {

class TableView;

class TableColumn : public Object, public Coding {
    KIT_CLASS(TableColumn)
public:
    TableColumn();
    explicit TableColumn(const Value& identifier);

    // kit::Coding: identifier (when archivable), widths, editable and the data cell.
    void encodeWithCoder(Coder& coder) const override;
    void initWithCoder(Coder& coder) override;

    Value identifier() const { return identifier_; }
    void setIdentifier(const Value& identifier) { identifier_ = identifier; }
    double width() const { return width_; }
    // Kept within minWidth and maxWidth; the view lays out again.
    void setWidth(double width);
    double minWidth() const { return minWidth_; }
    void setMinWidth(double width);
    double maxWidth() const { return maxWidth_; }
    void setMaxWidth(double width);
    bool isEditable() const { return editable_; }
    void setEditable(bool flag) { editable_ = flag; }

    // A plain text cell until another is set; never null.
    Ref<Cell> dataCell() const { return dataCell_; }
    void setDataCell(Ref<Cell> cell);
    // The cell of one row: the data cell unless a subclass varies it per row.
    virtual Ref<Cell> dataCellForRow(std::int64_t row) const;

    Ref<TableView> tableView() const;
    // Set by the view that takes the column.
    void setTableView(TableView* view);

private:
    void changed();
    static Ref<Cell> makeDefaultCell();

    Value identifier_;
    double width_ = 100;
    double minWidth_ = 10;
    double maxWidth_ = 1e6;
    bool editable_ = true;
    Ref<Cell> dataCell_;
    Weak<TableView> tableView_;
};

} // namespace kit
