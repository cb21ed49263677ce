#include "kit/controls/PopUpButton.h"

#include "kit/appkit/Event.h"
#include "kit/appkit/Window.h"
#include "kit/core/Binding.h"

namespace kit {

KIT_REGISTER_CLASS(PopUpButton, Button)
{
    c.property("content", &PopUpButton::content, &PopUpButton::setContent);
    c.property("contentValues", &PopUpButton::contentValues, &PopUpButton::setContentValues);
    c.property("contentObjects", &PopUpButton::contentObjects, &PopUpButton::setContentObjects);
    c.property("selectedIndex", &PopUpButton::selectedIndexValue, &PopUpButton::setSelectedIndexValue);
    c.exposeBinding(ContentBinding);
    c.exposeBinding(ContentValuesBinding);
    c.exposeBinding(ContentObjectsBinding);
    c.exposeBinding(SelectedIndexBinding);
}

PopUpButton::PopUpButton(Rect frame, bool pullsDown)
    : PopUpButton(frame, cellClass()(), pullsDown)
{ }

PopUpButton::PopUpButton(Rect frame, Ref<Cell> cell, bool pullsDown)
    : Button(frame, std::move(cell))
{
    if (PopUpButtonCell* c = popUpCell())
        c->setPullsDown(pullsDown);
}

void PopUpButton::mouseDown(const Event&)
{
    if (!isEnabled())
        return;
    const Ref<PopUpButton> keep(this);
    if (const Ref<Cell> c = cell(); PopUpButtonCell* p = dynamic_cast<PopUpButtonCell*>(c.get()))
        p->performClickWithFrameInView(bounds(), this);
}

void PopUpButton::setContent(const Array& content)
{
    content_ = content;
    hasContent_ = true;
    rebuildFromContent();
}

void PopUpButton::setContentValues(const Array& values)
{
    contentValues_ = values;
    rebuildFromContent();
}

void PopUpButton::setContentObjects(const Array& objects)
{
    contentObjects_ = objects;
    rebuildFromContent();
}

void PopUpButton::rebuildFromContent()
{
    PopUpButtonCell* c = popUpCell();
    if (!c || (!hasContent_ && contentValues_.isEmpty()))
        return;
    const std::int64_t index = c->indexOfSelectedItem();
    const Array& source = hasContent_ ? content_ : contentValues_;
    c->removeAllItems();
    const Ref<Menu> menu = c->menu() ? c->menu() : make<Menu>();
    if (!c->menu())
        c->setMenu(menu);
    for (std::int64_t i = 0; i < source.count(); ++i) {
        const Value& element = source[i];
        const QString title = i < contentValues_.count() ? contentValues_[i].stringValue() : element.stringValue();
        // Equal titles are kept apart: every element gets its own item.
        auto item = make<MenuItem>(title, Selector(), QString());
        item->setRepresentedObject(i < contentObjects_.count() ? contentObjects_[i] : element);
        menu->addItem(item);
    }
    c->selectItemAtIndex(index < c->numberOfItems() ? index : -1);
    setNeedsDisplay(true);
}

Value PopUpButton::selectedIndexValue() const
{
    const std::int64_t index = indexOfSelectedItem();
    return Value(index < 0 ? NotFound : index);
}

void PopUpButton::setSelectedIndexValue(const Value& value)
{
    if (value.isString()) {
        cell()->setTitle(value.stringValue());
        return;
    }
    const std::int64_t index = value.isNumber() ? value.integerValue() : NotFound;
    selectItemAtIndex(index >= 0 && index < numberOfItems() ? index : -1);
    setNeedsDisplay(true);
}

void PopUpButton::userChangedSelection()
{
    const Value info = infoForBinding(SelectedIndexBinding);
    if (!info.isDictionary())
        return;
    const Dictionary d = info.dictionary();
    const Ref<Object> observed = d.objectForKey(ObservedObjectKey).object();
    if (!observed)
        return;
    const Dictionary options = d.objectForKey(OptionsKey).isDictionary() ? d.objectForKey(OptionsKey).dictionary() : Dictionary();
    observed->setValueForKeyPath(
        reverseTransformedValueWithOptions(selectedIndexValue(), options), d.objectForKey(ObservedKeyPathKey).stringValue());
}

} // namespace kit
