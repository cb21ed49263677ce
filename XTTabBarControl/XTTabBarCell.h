#pragma once

// One tab of the tab bar: its frame, selection and position bits, close-button state, the values
// shown from its tab view item (icon, count, edited, large image, progress) and, as a drop gap,
// its placeholder step. It draws nothing itself: the control's style measures and draws it.

#include "XTTabBarControl/XTProgressIndicator.h"
#include "kit/appkit/Accessibility.h"
#include "kit/appkit/Responder.h"
#include "kit/controls/ActionCell.h"
#include "kit/controls/MenuItem.h"
#include "kit/graphics/AttributedString.h"
#include "kit/graphics/Color.h"

#include <QStringList>

class XTTabBarControl;
class XTTabStyle;
class XTTabBarCell;

// A tab's close button to a screen reader: the cell draws it, so it is an element of its own, a
// button named "Close" and the tab's title, focused while the keyboard is on it; pressing it closes
// the tab as a click does.
class XTTabCloseButtonElement : public kit::Object, public kit::Accessibility {
    KIT_CLASS(XTTabCloseButtonElement)
public:
    XTTabCloseButtonElement() = default;
    explicit XTTabCloseButtonElement(XTTabBarCell* cell)
        : cell_(cell)
    { }

    // kit::Accessibility:
    QStringList accessibilityAttributeNames() const override;
    kit::Value accessibilityAttributeValue(const QString& attribute) const override;
    bool accessibilityIsIgnored() const override { return false; }
    QStringList accessibilityActionNames() const override;
    void accessibilityPerformAction(const QString& action) override;
    kit::Value accessibilityHitTest(kit::Point) const override { return self(); }
    kit::Value accessibilityFocusedUIElement() const override { return self(); }

private:
    kit::Weak<XTTabBarCell> cell_;
};

// Tab-state bits.
enum XTTabStateMask : std::int64_t {
    XTTabSelectedMask = 0x02,
    XTTabLeftNeighbourSelectedMask = 0x04,
    XTTabRightNeighbourSelectedMask = 0x08,
    XTTabPositionLeftMask = 0x10,
    XTTabPositionMiddleMask = 0x20,
    XTTabPositionRightMask = 0x40,
    XTTabPositionSingleMask = 0x80,
};

class XTTabBarCell : public kit::ActionCell {
    KIT_CLASS(XTTabBarCell)
public:
    XTTabBarCell();
    explicit XTTabBarCell(XTTabBarControl* control);
    // A drop gap; a collapsed one has no width (no height on a vertical bar).
    XTTabBarCell(kit::Rect frame, bool expanded, XTTabBarControl* control);
    ~XTTabBarCell() override;

    kit::Ref<XTTabBarControl> tabBar() const;
    void setTabBar(XTTabBarControl* control) { control_ = control; }

    kit::Rect frame() const { return frame_; }
    void setFrame(kit::Rect frame);
    double width() const { return frame_.size.width; }
    kit::Size stringSize() const { return stringSize_; }
    std::int64_t tabState() const { return tabState_; }
    void setTabState(std::int64_t state) { tabState_ = state; }
    std::int64_t closeButtonTrackingTag() const { return closeButtonTrackingTag_; }
    void setCloseButtonTrackingTag(std::int64_t tag) { closeButtonTrackingTag_ = tag; }
    std::int64_t cellTrackingTag() const { return cellTrackingTag_; }
    void setCellTrackingTag(std::int64_t tag) { cellTrackingTag_ = tag; }
    kit::Ref<XTProgressIndicator> indicator() const { return indicator_; }
    bool indicatorShown() const { return indicator_ && !indicator_->isHidden(); }

    bool isInOverflowMenu() const { return isInOverflowMenu_; }
    // Tells the delegate only when the value changes.
    void setIsInOverflowMenu(bool flag);
    // The tab's item of the overflow menu, kept from one layout to the next: a bar of many tabs
    // would otherwise make hundreds of items at every layout.
    const kit::Ref<kit::MenuItem>& overflowMenuItem() const { return overflowMenuItem_; }
    // Takes the item, its title made from the title and count the cell has now.
    void setOverflowMenuItem(kit::Ref<kit::MenuItem> item)
    {
        overflowMenuItem_ = std::move(item);
        overflowMenuItemVersion_ = titleVersion_;
    }
    // The item's title still reads as the cell's title and count.
    bool overflowMenuItemIsCurrent() const { return overflowMenuItem_ && overflowMenuItemVersion_ == titleVersion_; }
    bool closeButtonPressed() const { return closeButtonPressed_; }
    void setCloseButtonPressed(bool flag) { closeButtonPressed_ = flag; }
    // Over the close button, and that button works: background closing, the selected tab, or
    // Command held.
    bool closeButtonOver() const;
    void setCloseButtonOver(bool flag) { closeButtonOver_ = flag; }
    bool hasCloseButton() const { return hasCloseButton_; }
    void setHasCloseButton(bool flag) { hasCloseButton_ = flag; }
    bool isCloseButtonSuppressed() const { return closeButtonSuppressed_; }
    void setCloseButtonSuppressed(bool flag) { closeButtonSuppressed_ = flag; }
    bool hasIcon() const { return hasIcon_; }
    void setHasIcon(bool flag);
    bool hasLargeImage() const { return hasLargeImage_; }
    void setHasLargeImage(bool flag) { hasLargeImage_ = flag; }
    std::int64_t count() const { return count_; }
    void setCount(std::int64_t count);
    kit::Ref<kit::Color> countColor() const { return countColor_; }
    void setCountColor(kit::Ref<kit::Color> color) { countColor_ = std::move(color); }
    bool isEdited() const { return isEdited_; }
    void setIsEdited(bool flag);
    bool isPlaceholder() const { return isPlaceholder_; }
    std::int64_t currentStep() const { return currentStep_; }
    // Clamped to 0…7.
    void setCurrentStep(std::int64_t step);

    // The title as the style draws it, measured once per change of title, style or state.
    kit::AttributedString attributedStringValue() const override;
    // The size of that title, kept with it: layout asks for every cell's width on each pass.
    kit::Size attributedStringSize() const;
    void setStringValue(const QString& value) override;
    void setState(int state) override;
    void setHighlighted(bool flag) override;
    // Forgets the measured title (the style changed).
    void invalidateTitleCache() { titleCacheValid_ = false; }

    kit::Rect indicatorRectForFrame(kit::Rect frame) const;
    kit::Rect closeButtonRectForFrame(kit::Rect frame) const;
    double minimumWidthOfCell() const;
    double desiredWidthOfCell() const;

    void drawWithFrameInView(kit::Rect cellFrame, kit::View* controlView) override;
    // The tab as the bar shows it (its drag rectangle read back from the window), with the
    // "pi" mark when its indicator shows (XTTabBarControlDragging.cpp).
    kit::Ref<kit::Image> dragImage();

    // kit::MouseTrackingTarget: the control's tracking rectangles for this cell.
    void mouseEntered(const kit::Event& event) override;
    void mouseExited(const kit::Event& event) override;
    void mouseMoved(const kit::Event&) override { }
    void cursorUpdate(const kit::Event&) override { }

    // The identifier this cell observes and the key paths it observes there (the control keeps
    // each observed exactly once across identifier changes).
    kit::Ref<kit::Object> observedIdentifier() const { return observedIdentifier_.lock(); }
    const QStringList& observedKeyPaths() const { return observedKeyPaths_; }
    void setObserved(kit::Object* identifier, QStringList keyPaths)
    {
        observedIdentifier_ = identifier;
        observedKeyPaths_ = std::move(keyPaths);
    }
    // A shown value of the identifier changed: the bar lays out again on the next pass.
    void observeValueForKeyPathOfObjectChangeContext(
        const QString& keyPath, kit::Object* object, const kit::KeyValueChange& change, void* context) override;

    // kit::Accessibility: a page tab named by its title, pressed to select it; help is what its
    // badges show, the count as the delegate words it. Focused while selected in the bar that has
    // the keyboard focus; taking the focus selects it there.
    QStringList accessibilityAttributeNames() const override;
    kit::Value accessibilityAttributeValue(const QString& attribute) const override;
    bool accessibilityIsIgnored() const override { return false; }
    bool accessibilityIsAttributeSettable(const QString& attribute) const override;
    void accessibilitySetValueForAttribute(const kit::Value& value, const QString& attribute) override;
    QStringList accessibilityActionNames() const override;
    void accessibilityPerformAction(const QString& action) override;
    kit::Value accessibilityHitTest(kit::Point point) const override;
    kit::Value accessibilityFocusedUIElement() const override;
    // Whether the tab shows a close button now, and its element (made when first asked for).
    bool showsCloseButton() const;
    kit::Ref<XTTabCloseButtonElement> closeButtonElement() const;

    // kit::Coding: settings only; tags and transient mouse state mean nothing in a new process.
    void encodeWithCoder(kit::Coder& coder) const override;
    void initWithCoder(kit::Coder& coder) override;

private:
    XTTabStyle* style() const;
    // "3 unread, busy, edited": the count, the busy indicator and the edited mark, as shown.
    QString accessibilityBadges() const;
    void changedLook();

    kit::Weak<XTTabBarControl> control_;
    kit::Rect frame_ {};
    kit::Size stringSize_ {};
    std::int64_t currentStep_ = 0;
    bool isPlaceholder_ = false;
    std::int64_t tabState_ = 0;
    std::int64_t closeButtonTrackingTag_ = 0;
    std::int64_t cellTrackingTag_ = 0;
    bool closeButtonOver_ = false;
    bool closeButtonPressed_ = false;
    kit::Ref<XTProgressIndicator> indicator_;
    bool isInOverflowMenu_ = false;
    kit::Ref<kit::MenuItem> overflowMenuItem_;
    // Counts changes of the title and count.
    std::uint64_t titleVersion_ = 0;
    std::uint64_t overflowMenuItemVersion_ = 0;
    bool hasCloseButton_ = true;
    bool closeButtonSuppressed_ = false;
    bool hasIcon_ = false;
    bool hasLargeImage_ = false;
    std::int64_t count_ = 0;
    kit::Ref<kit::Color> countColor_;
    bool isEdited_ = false;
    kit::Weak<kit::Object> observedIdentifier_;
    QStringList observedKeyPaths_;
    mutable kit::AttributedString titleCache_;
    mutable bool titleCacheValid_ = false;
    mutable kit::Size titleSizeCache_ {};
    mutable bool titleSizeValid_ = false;
    mutable kit::Ref<XTTabCloseButtonElement> closeButtonElement_;
};
