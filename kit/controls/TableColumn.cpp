#include "kit/controls/TableColumn.h"

#include "kit/controls/ArchivableValue.h"
#include "kit/controls/TableView.h"
#include "kit/controls/TextFieldCell.h"

#include <algorithm>

namespace kit {

KIT_REGISTER_CLASS(TableColumn, Object) { }

namespace {
const QString tableColumnIdentifierKey = QStringLiteral("kit.identifier");
const QString tableColumnWidthKey = QStringLiteral("kit.width");
const QString tableColumnMinWidthKey = QStringLiteral("kit.minWidth");
const QString tableColumnMaxWidthKey = QStringLiteral("kit.maxWidth");
const QString tableColumnEditableKey = QStringLiteral("kit.editable");
const QString tableColumnDataCellKey = QStringLiteral("kit.dataCell");
} // namespace

TableColumn::TableColumn()
    : dataCell_(makeDefaultCell())
{ }

TableColumn::TableColumn(const Value& identifier)
    : TableColumn()
{
    identifier_ = identifier;
}

Ref<Cell> TableColumn::makeDefaultCell()
{
    auto cell = make<TextFieldCell>(QString());
    cell->setLineBreakMode(LineBreakByTruncatingTail);
    cell->setEditable(true);
    return cell;
}

void TableColumn::setWidth(double width)
{
    width = std::clamp(width, minWidth_, std::max(minWidth_, maxWidth_));
    if (width == width_)
        return;
    width_ = width;
    changed();
}

void TableColumn::setMinWidth(double width)
{
    minWidth_ = std::max(0.0, width);
    if (width_ < minWidth_)
        setWidth(minWidth_);
}

void TableColumn::setMaxWidth(double width)
{
    maxWidth_ = std::max(minWidth_, width);
    if (width_ > maxWidth_)
        setWidth(maxWidth_);
}

void TableColumn::setDataCell(Ref<Cell> cell) { dataCell_ = cell ? std::move(cell) : makeDefaultCell(); }

Ref<Cell> TableColumn::dataCellForRow(std::int64_t) const { return dataCell_; }

Ref<TableView> TableColumn::tableView() const { return tableView_.lock(); }

void TableColumn::setTableView(TableView* view) { tableView_ = view; }

void TableColumn::changed()
{
    if (const Ref<TableView> view = tableView())
        view->tile();
}

void TableColumn::encodeWithCoder(Coder& coder) const
{
    if (detail::isArchivableValue(identifier_))
        coder.encodeObjectForKey(identifier_, tableColumnIdentifierKey);
    coder.encodeDoubleForKey(width_, tableColumnWidthKey);
    coder.encodeDoubleForKey(minWidth_, tableColumnMinWidthKey);
    coder.encodeDoubleForKey(maxWidth_, tableColumnMaxWidthKey);
    coder.encodeBoolForKey(editable_, tableColumnEditableKey);
    coder.encodeObjectForKey(Value(dataCell_), tableColumnDataCellKey);
}

void TableColumn::initWithCoder(Coder& coder)
{
    if (coder.containsValueForKey(tableColumnIdentifierKey))
        identifier_ = coder.decodeObjectForKey(tableColumnIdentifierKey);
    // Limits first, so an archived width is judged against its own limits.
    if (coder.containsValueForKey(tableColumnMinWidthKey))
        minWidth_ = std::max(0.0, coder.decodeDoubleForKey(tableColumnMinWidthKey));
    if (coder.containsValueForKey(tableColumnMaxWidthKey))
        maxWidth_ = std::max(minWidth_, coder.decodeDoubleForKey(tableColumnMaxWidthKey));
    if (coder.containsValueForKey(tableColumnWidthKey))
        width_ = std::clamp(coder.decodeDoubleForKey(tableColumnWidthKey), minWidth_, maxWidth_);
    if (coder.containsValueForKey(tableColumnEditableKey))
        editable_ = coder.decodeBoolForKey(tableColumnEditableKey);
    if (coder.containsValueForKey(tableColumnDataCellKey))
        if (const Ref<Object> cell = coder.decodeObjectOfClassForKey(Cell::staticClass(), tableColumnDataCellKey))
            dataCell_ = static_pointer_cast<Cell>(cell);
}

} // namespace kit
