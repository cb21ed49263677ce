#pragma once

// The strip a toolbar shows above its window's content: item buttons (image over label) laid
// out left to right, the views of view items, separators and spaces. A click on an enabled
// button tracks the mouse and sends the item's action on release inside. The strip is a key view
// of its own (never by a click): its current button stands for the keyboard focus, the arrows move
// it, Space or Return press it, and Tab goes on to the item views that take the keyboard. To a
// screen reader it is a group of its items' elements.

#include "kit/appkit/Accessibility.h"
#include "kit/appkit/View.h"

#include <vector>

namespace kit {

class Toolbar;
class ToolbarItem;

class ToolbarView : public View, public ToolTipOwner, public Accessibility {
public:
    explicit ToolbarView(Toolbar* toolbar);

    // Places every item in the strip's width; view items get their views as subviews.
    void layoutItems();
    // An item's slot in the strip's coordinates (flipped), or the zero rect.
    Rect rectOfItemAtIndex(std::size_t index) const;
    Rect rectOfItem(const ToolbarItem* item) const;

    // The button the keys act on while the strip has the focus; null without buttons.
    Ref<ToolbarItem> currentItem() const;
    bool hasKeyboardFocus() const;
    // Makes `item` current and gives the strip the focus; announced as a focus change.
    void focusItem(ToolbarItem* item);
    // What a click on an enabled button does: selects a selectable item and sends its action.
    void pressItem(ToolbarItem* item);

    // kit::View:
    bool isFlipped() const override { return true; }
    void setFrameSize(Size size) override;
    void drawRect(Rect dirty) override;
    void mouseDown(const Event& event) override;
    // Only from the keyboard or the program: a click on the strip leaves the focus where it is.
    bool acceptsFirstResponder() const override;
    bool becomeFirstResponder() override;
    bool resignFirstResponder() override;
    void keyDown(const Event& event) override;
    // The views of view items that take the keyboard, depth first in item order: the window's key
    // loop goes from the strip through each of them, both ways.
    std::vector<Ref<View>> keyViewsInside() const;

    // kit::ToolTipOwner: the item's tool tip, asked when it is about to show.
    QString viewStringForToolTipPointUserData(View* view, std::int64_t tag, Point point, void* userData) override;

    // kit::Accessibility: a group named "Toolbar" of the buttons and item views, in order; while
    // the strip has the focus its current button is the focused element.
    bool accessibilityIsIgnored() const override { return false; }
    QStringList accessibilityAttributeNames() const override;
    Value accessibilityAttributeValue(const QString& attribute) const override;
    Value accessibilityHitTest(Point point) const override;
    Value accessibilityFocusedUIElement() const override;

private:
    friend class Toolbar;
    // The toolbar's items changed: laid out, drawn and told to accessibility.
    void itemsChanged();
    std::ptrdiff_t buttonIndexAtPoint(Point point) const;
    std::vector<Ref<ToolbarItem>> buttons() const;
    void moveCurrent(int step);
    // The current button's slot, ring included.
    void invalidateCurrent();

    Weak<Toolbar> toolbar_;
    std::vector<Rect> slots_;
    std::ptrdiff_t pressed_ = -1; // the button held down and under the pointer
    Weak<ToolbarItem> current_;
};

} // namespace kit
