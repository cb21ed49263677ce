// The scope bar through Qt's accessibility: its shown buttons and collapsed pop-ups as elements.

#include "SRScopeBarTestSupport.h"

#include "kit/appkit/Accessibility.h"
#include "kit/appkit/AccessibilityBridge.h"
#include "kit/appkit/Screen.h"
#include "kit/appkit/Window.h"
#include "kit/foundation/RunLoop.h"

#include <QAccessible>
#include <QAccessibleActionInterface>

#include <gtest/gtest.h>

namespace {

using namespace kit;

class ScopeBarAccessibility : public testing::Test, protected SRBarInWindow {
protected:
    void SetUp() override
    {
        setUpBarInWindow();
        window->display();
        RunLoop::main().runPending();
    }
    void TearDown() override
    {
        bar->setDelegate(nullptr);
        window->orderOut();
        window->setContentView(nullptr);
        srTestWidths().clear();
    }
    QAccessibleInterface* barInterface() const { return AccessibilityBridge::interfaceFor(Value(Ref<Object>(bar))); }
};

TEST_F(ScopeBarAccessibility, TheBarIsAGroupOfItsButtonsWithTheirTitlesAndSelection)
{
    QAccessibleInterface* group = barInterface();
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->role(), QAccessible::Grouping);
    EXPECT_EQ(AccessibilityBridge::interfaceFor(Value(window))->child(0), group);
    ASSERT_EQ(group->childCount(), 4);
    const QStringList titles { "All", "Images", "Small", "Large" };
    for (int i = 0; i < 4; ++i) {
        QAccessibleInterface* button = group->child(i);
        EXPECT_EQ(button->role(), QAccessible::Button) << i;
        EXPECT_EQ(button->text(QAccessible::Name), titles[i]);
        EXPECT_TRUE(button->state().selectable) << i;
        // The first object of each single-selection group starts selected.
        EXPECT_EQ(button->state().selected, i == 0 || i == 2) << i;
        EXPECT_EQ(button->parent(), group);
        // Where the bar draws it.
        const Rect inBar = bar->groupHelpers()[std::size_t(i / 2)]->buttonRects()[std::size_t(i % 2)];
        EXPECT_EQ(button->rect(), QtRectFromScreen(AccessibilityScreenRectOfRectInView(*bar, inBar)).toRect()) << i;
        const QPoint centre = button->rect().center();
        EXPECT_EQ(group->childAt(centre.x(), centre.y()), button) << i;
    }
}

TEST_F(ScopeBarAccessibility, PressingAButtonSelectsAsAClickDoesAndTheDelegateMayRefuse)
{
    auto delegate = make<SRTestDelegate>();
    delegate->implemented = { "scopeBarShouldSelectObject" };
    delegate->shouldSelect = [](const Value& v) { return v.stringValue() != QStringLiteral("Large"); };
    bar->setDelegate(delegate.get());
    SRNotificationLog log;
    QAccessibleInterface* group = barInterface();
    group->child(1)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(bar->groupAtIndex(0)->selectionIndexes(), IndexSet(1));
    EXPECT_TRUE(group->child(1)->state().selected);
    EXPECT_FALSE(group->child(0)->state().selected);
    EXPECT_EQ(log.notes.size(), 1u);
    group->child(3)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(bar->groupAtIndex(1)->selectionIndexes(), IndexSet(0));
    EXPECT_EQ(log.notes.size(), 1u);
}

TEST_F(ScopeBarAccessibility, ACollapsedGroupIsAPopUpValuedByItsSelection)
{
    bar->setAutoResizesGroups(false);
    bar->groupAtIndex(1)->setLabel(QStringLiteral("Size"));
    bar->groupAtIndex(1)->setCollapsed(true);
    bar->reloadData();
    window->display();
    QAccessibleInterface* group = barInterface();
    ASSERT_EQ(group->childCount(), 3);
    QAccessibleInterface* popUp = group->child(2);
    EXPECT_EQ(popUp->role(), QAccessible::ButtonMenu);
    EXPECT_EQ(popUp->text(QAccessible::Name), QStringLiteral("Size"));
    EXPECT_EQ(popUp->text(QAccessible::Value), QStringLiteral("Small"));
}

} // namespace
