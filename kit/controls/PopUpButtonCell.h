#pragma once

// The cell of pop-up and pull-down buttons. It owns a menu; a click runs a menu session over the
// control (the selected item over the face for a pop-up, the list below the face for a
// pull-down, whose item 0 is the title and never listed). A choice selects the item, then sends
// either the item's own action (sender: the item) or the cell's action, never both.

#include "kit/controls/ButtonCell.h"
#include "kit/controls/Menu.h"

namespace kit {

enum PopUpArrowPosition : int { PopUpNoArrow = 0, PopUpArrowAtCenter = 1, PopUpArrowAtBottom = 2 };

class PopUpButtonCell : public ButtonCell {
    KIT_CLASS(PopUpButtonCell)
public:
    PopUpButtonCell();
    PopUpButtonCell(const QString& title, bool pullsDown);
    // The menu and the face item are copied, so a copy selects on its own; other references stay shared.
    void copyTo(Object& copy) const override;
    // kit::Coding: the menu, the selected item's index and the pop-up settings.
    void encodeWithCoder(Coder& coder) const override;
    void initWithCoder(Coder& coder) override;

    bool pullsDown() const { return p_.pullsDown; }
    void setPullsDown(bool flag);
    Ref<Menu> menu() const { return p_.menu; }
    void setMenu(Ref<Menu> menu);
    bool autoenablesItems() const { return p_.menu && p_.menu->autoenablesItems(); }
    void setAutoenablesItems(bool flag);

    // --- Items. Indexes count item 0 of a pull-down too. ---
    const std::vector<Ref<MenuItem>>& itemArray() const;
    std::int64_t numberOfItems() const { return p_.menu ? p_.menu->numberOfItems() : 0; }
    Ref<MenuItem> itemAtIndex(std::int64_t index) const { return p_.menu ? p_.menu->itemAtIndex(index) : nullptr; }
    Ref<MenuItem> itemWithTitle(const QString& title) const { return p_.menu ? p_.menu->itemWithTitle(title) : nullptr; }
    Ref<MenuItem> lastItem() const { return itemAtIndex(numberOfItems() - 1); }
    QStringList itemTitles() const;
    QString itemTitleAtIndex(std::int64_t index) const;
    std::int64_t indexOfItem(const MenuItem* item) const { return p_.menu ? p_.menu->indexOfItem(item) : -1; }
    std::int64_t indexOfItemWithTitle(const QString& title) const { return p_.menu ? p_.menu->indexOfItemWithTitle(title) : -1; }
    std::int64_t indexOfItemWithTag(std::int64_t tag) const { return p_.menu ? p_.menu->indexOfItemWithTag(tag) : -1; }
    // Identity of the represented object; -1 when none has it.
    std::int64_t indexOfItemWithRepresentedObject(const Value& object) const;
    // An existing item of that title is removed first.
    void addItemWithTitle(const QString& title);
    void addItemsWithTitles(const QStringList& titles);
    void insertItemWithTitleAtIndex(const QString& title, std::int64_t index);
    void removeItemWithTitle(const QString& title);
    void removeItemAtIndex(std::int64_t index);
    void removeAllItems();

    // --- Selection. -1 selects nothing. ---
    void selectItemAtIndex(std::int64_t index);
    void selectItem(const MenuItem* item) { selectItemAtIndex(indexOfItem(item)); }
    bool selectItemWithTitle(const QString& title);
    bool selectItemWithTag(std::int64_t tag);
    std::int64_t indexOfSelectedItem() const;
    Ref<MenuItem> selectedItem() const;
    QString titleOfSelectedItem() const;
    // Pop-up: chosen item On, the previous one Off.
    bool altersStateOfSelectedItem() const { return p_.altersState; }
    void setAltersStateOfSelectedItem(bool flag) { p_.altersState = flag; }

    // --- Face. ---
    // YES: the face shows the selected item (pop-up) or item 0 (pull-down); NO: menuItem().
    bool usesItemFromMenu() const { return p_.usesItemFromMenu; }
    void setUsesItemFromMenu(bool flag);
    Ref<MenuItem> menuItem() const { return p_.faceItem; }
    void setMenuItem(Ref<MenuItem> item);
    RectEdge preferredEdge() const { return p_.preferredEdge; }
    void setPreferredEdge(RectEdge edge) { p_.preferredEdge = edge; }
    PopUpArrowPosition arrowPosition() const { return p_.arrowPosition; }
    void setArrowPosition(PopUpArrowPosition position);

    // Runs the menu session for a control in `frame` of `view` and acts on the choice.
    virtual void performClickWithFrameInView(Rect frame, View* view);
    // Draws the face item's image in `frame`.
    using ButtonCell::drawImageWithFrameInView;
    virtual void drawImageWithFrameInView(Rect frame, View* controlView);

    // Cell:
    QString title() const override;
    // Pop-up: selects the item with that title, adding one when there is none. Pull-down: renames
    // the title item.
    void setTitle(const QString& title) override;
    int nextState() const override { return state(); }
    Size cellSizeForBounds(Rect bounds) const override;
    Rect drawingRectForBounds(Rect bounds) const override;
    Rect titleRectForBounds(Rect bounds) const override;
    Rect imageRectForBounds(Rect bounds) const override;
    void drawBezelWithFrameInView(Rect frame, View* controlView) override;
    void drawInteriorWithFrameInView(Rect cellFrame, View* controlView) override;
    void performClick(Object* sender) override;

    // Accessibility (ValueControlAccessibility.cpp): a pop-up button valued by the selected title;
    // setting a title or an index chooses that item as the menu would; press and show-menu run
    // the menu.
    Value accessibilityAttributeValue(const QString& attribute) const override;
    bool accessibilityIsAttributeSettable(const QString& attribute) const override;
    void accessibilitySetValueForAttribute(const Value& value, const QString& attribute) override;
    QStringList accessibilityActionNames() const override;
    void accessibilityPerformAction(const QString& action) override;

protected:
private:
    Ref<MenuItem> faceItem() const;
    void choose(const Ref<MenuItem>& item);
    bool drawsArrow() const;

    struct Fields {
        bool pullsDown = false;
        Ref<Menu> menu;
        Weak<MenuItem> selected;
        bool altersState = true;
        bool usesItemFromMenu = true;
        Ref<MenuItem> faceItem;
        RectEdge preferredEdge = MaxYEdge;
        PopUpArrowPosition arrowPosition = PopUpArrowAtCenter;
    };
    Fields p_;
};

} // namespace kit
