#pragma once

// A pop-up or pull-down button: a Button around a PopUpButtonCell whose mouse down runs the menu
// session and returns only after it, and which forwards the item and selection calls.

#include "kit/controls/Button.h"
#include "kit/controls/PopUpButtonCell.h"

namespace kit {

class PopUpButton : public Button {
    KIT_CLASS(PopUpButton)
    KIT_CONTROL_CELL_CLASS(PopUpButton, PopUpButtonCell)
public:
    explicit PopUpButton(Rect frame = {}, bool pullsDown = false);

    PopUpButtonCell* popUpCell() const { return dynamic_cast<PopUpButtonCell*>(cell().get()); }

    bool pullsDown() const { return popUpCell()->pullsDown(); }
    void setPullsDown(bool flag) { popUpCell()->setPullsDown(flag); }
    Ref<Menu> menu() const { return popUpCell()->menu(); }
    void setMenu(Ref<Menu> menu) { popUpCell()->setMenu(std::move(menu)); }
    bool autoenablesItems() const { return popUpCell()->autoenablesItems(); }
    void setAutoenablesItems(bool flag) { popUpCell()->setAutoenablesItems(flag); }
    const std::vector<Ref<MenuItem>>& itemArray() const { return popUpCell()->itemArray(); }
    std::int64_t numberOfItems() const { return popUpCell()->numberOfItems(); }
    Ref<MenuItem> itemAtIndex(std::int64_t index) const { return popUpCell()->itemAtIndex(index); }
    Ref<MenuItem> itemWithTitle(const QString& title) const { return popUpCell()->itemWithTitle(title); }
    Ref<MenuItem> lastItem() const { return popUpCell()->lastItem(); }
    QStringList itemTitles() const { return popUpCell()->itemTitles(); }
    std::int64_t indexOfItem(const MenuItem* item) const { return popUpCell()->indexOfItem(item); }
    std::int64_t indexOfItemWithTitle(const QString& title) const { return popUpCell()->indexOfItemWithTitle(title); }
    std::int64_t indexOfItemWithTag(std::int64_t tag) const { return popUpCell()->indexOfItemWithTag(tag); }
    std::int64_t indexOfItemWithRepresentedObject(const Value& object) const
    {
        return popUpCell()->indexOfItemWithRepresentedObject(object);
    }
    void addItemWithTitle(const QString& title) { popUpCell()->addItemWithTitle(title); }
    void addItemsWithTitles(const QStringList& titles) { popUpCell()->addItemsWithTitles(titles); }
    void insertItemWithTitleAtIndex(const QString& title, std::int64_t index) { popUpCell()->insertItemWithTitleAtIndex(title, index); }
    void removeItemWithTitle(const QString& title) { popUpCell()->removeItemWithTitle(title); }
    void removeItemAtIndex(std::int64_t index) { popUpCell()->removeItemAtIndex(index); }
    void removeAllItems() { popUpCell()->removeAllItems(); }
    void selectItemAtIndex(std::int64_t index) { popUpCell()->selectItemAtIndex(index); }
    void selectItem(const MenuItem* item) { popUpCell()->selectItem(item); }
    bool selectItemWithTitle(const QString& title) { return popUpCell()->selectItemWithTitle(title); }
    bool selectItemWithTag(std::int64_t tag) { return popUpCell()->selectItemWithTag(tag); }
    std::int64_t indexOfSelectedItem() const { return popUpCell()->indexOfSelectedItem(); }
    Ref<MenuItem> selectedItem() const { return popUpCell()->selectedItem(); }
    QString titleOfSelectedItem() const { return popUpCell()->titleOfSelectedItem(); }
    RectEdge preferredEdge() const { return popUpCell()->preferredEdge(); }
    void setPreferredEdge(RectEdge edge) { popUpCell()->setPreferredEdge(edge); }

    // --- Bindings ("content", "contentValues", "contentObjects", "selectedIndex"). ---
    // One item per content element, titled by contentValues (else the element's description) and
    // representing contentObjects (else the element); a change rebuilds and keeps the index.
    Array content() const { return content_; }
    void setContent(const Array& content);
    Array contentValues() const { return contentValues_; }
    void setContentValues(const Array& values);
    Array contentObjects() const { return contentObjects_; }
    void setContentObjects(const Array& objects);
    // NotFound when nothing is selected. A string (a placeholder) selects or adds an item so titled.
    Value selectedIndexValue() const;
    void setSelectedIndexValue(const Value& value);
    // The user chose an item: bound selections are written back.
    void userChangedSelection();

    // kit::View:
    void mouseDown(const Event& event) override;

protected:
    PopUpButton(Rect frame, Ref<Cell> cell, bool pullsDown);

private:
    void rebuildFromContent();
    Array content_;
    Array contentValues_;
    Array contentObjects_;
    bool hasContent_ = false;
};

} // namespace kit
