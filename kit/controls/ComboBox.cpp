#include "kit/controls/ComboBox.h"

#include "kit/controls/Menu.h"
#include "kit/controls/MenuItem.h"
#include "kit/core/Exception.h"

namespace kit {

KIT_REGISTER_CLASS(ComboBox, TextField)
{
    c.property("indexOfSelectedItem", &ComboBox::indexOfSelectedItem, &ComboBox::selectItemAtIndex);
    c.property("numberOfItems", &ComboBox::numberOfItems);
    c.optionalOperations({ TextDoCommandBySelectorOperation });
}

ComboBox::ComboBox(Rect frame)
    : ComboBox(frame, cellClass()())
{ }

ComboBox::ComboBox(Rect frame, Ref<Cell> cell)
    : TextField(frame, std::move(cell))
{ }

std::int64_t ComboBox::numberOfItems() const { return comboCell() ? comboCell()->numberOfItems() : 0; }

Value ComboBox::itemObjectValueAtIndex(std::int64_t index) const
{
    if (!comboCell())
        Exception::raise(RangeException, QStringLiteral("-[ComboBox itemObjectValueAtIndex:]: no items"));
    return comboCell()->itemObjectValueAtIndex(index);
}

void ComboBox::addItemWithObjectValue(const Value& object)
{
    if (ComboBoxCell* c = comboCell())
        c->addItemWithObjectValue(object);
}

void ComboBox::addItemsWithObjectValues(const Array& objects)
{
    if (ComboBoxCell* c = comboCell())
        c->addItemsWithObjectValues(objects);
}

void ComboBox::insertItemWithObjectValueAtIndex(const Value& object, std::int64_t index)
{
    if (ComboBoxCell* c = comboCell())
        c->insertItemWithObjectValueAtIndex(object, index);
}

void ComboBox::removeItemAtIndex(std::int64_t index)
{
    if (ComboBoxCell* c = comboCell())
        c->removeItemAtIndex(index);
}

void ComboBox::removeAllItems()
{
    if (ComboBoxCell* c = comboCell())
        c->removeAllItems();
}

std::int64_t ComboBox::indexOfSelectedItem() const
{
    const_cast<ComboBox*>(this)->validateEditing();
    return comboCell() ? comboCell()->indexOfSelectedItem() : -1;
}

Value ComboBox::objectValueOfSelectedItem() const
{
    const_cast<ComboBox*>(this)->validateEditing();
    return comboCell() ? comboCell()->objectValueOfSelectedItem() : Value();
}

void ComboBox::selectItemAtIndex(std::int64_t index)
{
    ComboBoxCell* c = comboCell();
    if (!c || index < 0 || index >= c->numberOfItems())
        Exception::raise(RangeException, QStringLiteral("-[ComboBox selectItemAtIndex:]: index %1 beyond bounds").arg(index));
    const Ref<ComboBox> keep(this);
    abortEditing();
    c->selectItemAtIndex(index);
    setNeedsDisplay(true);
}

bool ComboBox::popUpList()
{
    ComboBoxCell* c = comboCell();
    if (!c || !isEnabled() || c->numberOfItems() == 0)
        return false;
    const Ref<ComboBox> keep(this);
    const Ref<Cell> keepCell = cell();
    auto menu = make<Menu>();
    // Items without actions: every one stays enabled.
    menu->setAutoenablesItems(false);
    for (std::int64_t i = 0; i < c->numberOfItems(); ++i)
        menu->addItemWithTitleActionKeyEquivalent(c->itemTextAtIndex(i), Selector(), QString());
    const std::int64_t current = c->indexOfItemWithText(stringValue());
    MenuPresentation where;
    where.view = this;
    where.rect = bounds();
    where.location = bounds().origin;
    where.minimumWidth = bounds().width();
    where.font = font();
    where.positionedItem = current >= 0 ? menu->itemAtIndex(current).get() : nullptr;
    c->setHighlighted(true);
    setNeedsDisplay(true);
    const Ref<MenuItem> chosen = menu->runSession(where, false);
    c->setHighlighted(false);
    setNeedsDisplay(true);
    const std::int64_t index = chosen ? menu->indexOfItem(chosen.get()) : -1;
    if (index < 0)
        return false;
    selectItemAtIndex(index);
    sendAction();
    return true;
}

void ComboBox::mouseDown(const Event& event)
{
    if (ComboBoxCell* c = comboCell(); c && isEnabled() && c->isBezeled()) {
        const Point p = convertPointFromView(event.locationInWindow(), nullptr);
        if (PointInRect(p, c->arrowRectForBounds(bounds()))) {
            popUpList();
            return;
        }
    }
    TextField::mouseDown(event);
}

bool ComboBox::textDoCommandBySelector(Responder* text, Selector action)
{
    if (action.name() == QLatin1String("moveDown") && comboCell() && comboCell()->numberOfItems() > 0) {
        popUpList();
        return true;
    }
    return TextField::textDoCommandBySelector(text, action);
}

} // namespace kit
