#pragma once

// The tab button of one tab view item inside a tab bar view: it knows its item, selects its tab
// on press or release, starts drags, makes its drag image, and carries the sliding flags the
// drags and slide animations set while buttons move.

#include "QVTabBarView/QVTabBarButton.h"
#include "kit/controls/TabView.h"

class QVAttachedTabBarButtonCell : public QVTabBarButtonCell {
    KIT_CLASS(QVAttachedTabBarButtonCell)
public:
    bool isOverflowButton() const { return isOverflowButton_; }
    void setIsOverflowButton(bool flag) { isOverflowButton_ = flag; }

protected:
    void copyTo(kit::Object& copy) const override;

private:
    bool isOverflowButton_ = false;
};

class QVAttachedTabBarButton : public QVTabBarButton {
    KIT_CLASS(QVAttachedTabBarButton)
    KIT_CONTROL_CELL_CLASS(QVAttachedTabBarButton, QVAttachedTabBarButtonCell)
public:
    // The item is the designated argument; without one (the runtime's plain factory, decoding)
    // the button stands for no tab until given one.
    explicit QVAttachedTabBarButton(kit::Rect frame = {}, kit::Ref<kit::TabViewItem> item = nullptr);

    QVAttachedTabBarButtonCell* attachedCell() const { return dynamic_cast<QVAttachedTabBarButtonCell*>(cell().get()); }
    kit::Ref<kit::TabViewItem> tabViewItem() const { return tabViewItem_; }
    void setTabViewItem(kit::Ref<kit::TabViewItem> item) { tabViewItem_ = std::move(item); }
    bool isOverflowButton() const { return attachedCell() && attachedCell()->isOverflowButton(); }
    void setIsOverflowButton(bool flag);

    bool isInAnimatedSlide() const { return inAnimatedSlide_; }
    bool isInDraggedSlide() const { return inDraggedSlide_; }
    void setIsInDraggedSlide(bool flag) { inDraggedSlide_ = flag; }
    bool isSliding() const { return inAnimatedSlide_ || inDraggedSlide_; }
    void slideAnimationWillStart() { inAnimatedSlide_ = true; }
    void slideAnimationDidEnd() { inAnimatedSlide_ = false; }
    kit::Rect slidingFrame() const { return frame(); }
    // A slide moves x and size only: the button keeps its y.
    void setSlidingFrame(kit::Rect frame);

    kit::Rect draggingRect();
    kit::Rect _draggingRect() const { return frame(); }
    // The button as drawn by the bar, with the busy mark when its indicator shows.
    kit::Ref<kit::Image> dragImage();
    kit::Ref<QVAttachedTabBarButton> _selectedAttachedTabBarButton() const;

    // QVTabBarButton:
    void setTitle(const QString& title) override;
    bool shouldDisplayLeftDivider() const override;
    bool shouldDisplayRightDivider() const override;
    // kit::View:
    void viewWillDraw() override;
    void mouseDown(const kit::Event& event) override;
    void mouseUp(const kit::Event& event) override;
    // The bar takes the keyboard focus for its tabs.
    bool acceptsFirstResponder() const override { return false; }
    // kit::Accessibility: a page tab named by its title, selected with its item; help is what its
    // badges show. Focused while selected in the bar that has the keyboard focus; taking the focus
    // selects it there (QVTabBarViewAccessibility.cpp).
    QStringList accessibilityAttributeNames() const override;
    kit::Value accessibilityAttributeValue(const QString& attribute) const override;
    bool accessibilityIsAttributeSettable(const QString& attribute) const override;
    void accessibilitySetValueForAttribute(const kit::Value& value, const QString& attribute) override;

private:
    void selectThroughAction();

    kit::Ref<kit::TabViewItem> tabViewItem_;
    bool inAnimatedSlide_ = false;
    bool inDraggedSlide_ = false;
};
