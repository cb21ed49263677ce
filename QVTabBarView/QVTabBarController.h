#pragma once

// The layout engine of one tab bar view: how many buttons show and how wide (or, in a vertical
// bar, where) each one is, which button stands for the tabs that do not fit, and which items go
// into the overflow menu. Also the slide animation that moves the buttons to their places.

#include "QVTabBarView/QVTabBarView.h"
#include "kit/appkit/Animation.h"
#include "kit/controls/Menu.h"

class QVSlideButtonsAnimation : public kit::ViewAnimation {
    KIT_CLASS(QVSlideButtonsAnimation)
public:
    QVSlideButtonsAnimation() = default;
    // One entry per button, from its frame to its stacking frame, over 0.3 s; not blocking, in
    // the common modes, so it runs inside tracking loops.
    explicit QVSlideButtonsAnimation(const QVButtons& buttons);
};

class QVTabBarController : public kit::Object, public kit::MenuDelegate {
    KIT_CLASS(QVTabBarController)
public:
    QVTabBarController() = default;
    explicit QVTabBarController(QVTabBarView* view);

    kit::Ref<kit::Menu> overflowMenu() const { return overflowMenu_; }
    void layoutButtons();

    // The steps, public for the tests: widths (horizontal) or y origins (vertical) of the buttons
    // that show; points removed by shrinking toward `minimum`.
    // Null entries are items whose buttons are made when the width loop reaches them.
    std::vector<double> _generateWidthsFromAttachedButtons(QVButtons& buttons);
    std::int64_t _shrinkWidthsTowardMinimumWithAvailableWidth(std::vector<double>& widths, std::int64_t minimum, double available);
    void _setupAttachedButtonsWithWidths(const QVButtons& buttons, const std::vector<double>& widths);
    void _addItemToOverflowMenuWithTitle(kit::TabViewItem* item, const QString& title);

    // kit::MenuDelegate:
    std::int64_t numberOfItemsInMenu(kit::Menu* menu) override;
    bool menuUpdateItemAtIndexShouldCancel(kit::Menu* menu, kit::MenuItem* item, std::int64_t index, bool shouldCancel) override;

private:
    // Buttons beyond the shown ones are never made: a layout of 1,000 tabs makes the few it
    // shows. The items of null entries, for the layout running now.
    QVAttachedTabBarButton* buttonAt(QVButtons& buttons, std::size_t index);
    QString titleForItem(kit::TabViewItem* item) const;
    // _addItemToOverflowMenuWithTitle with the view and the delegate's report looked up once per layout.
    void addItemToOverflowMenu(kit::TabViewItem* item, const QString& title, QVTabBarView* view, QVTabBarViewDelegate* reporter);
    std::vector<kit::Ref<kit::TabViewItem>> pendingItems_;
    kit::Weak<QVTabBarView> view_;
    kit::Ref<kit::Menu> overflowMenu_;
};
