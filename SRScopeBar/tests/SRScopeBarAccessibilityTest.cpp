// The scope bar through Qt's accessibility: its shown buttons and collapsed pop-ups as elements.

#include "SRScopeBarTestSupport.h"

#include "kit/appkit/Accessibility.h"
#include "kit/appkit/AccessibilityBridge.h"
#include "kit/appkit/Screen.h"
#include "kit/appkit/Window.h"
#include "kit/controls/Button.h"
#include "kit/foundation/RunLoop.h"
#include "kit/graphics/Image.h"
#include "kit/appkit/KeyCodes.h"
#include "kit/testsupport/EventScript.h"
#include "kit/testsupport/ScriptedMenuPresenter.h"
#include "kit/tests/AccessibilityTestSupport.h"

#include <QAccessible>
#include <QAccessibleActionInterface>

#include <gtest/gtest.h>

// Gives every object the system's "add" image.
class SRImageDataSource : public SRTestDataSource {
    KIT_CLASS(SRImageDataSource)
public:
    kit::Ref<kit::Image> scopeBarImageForObjectInGroupAtIndex(SRScopeBar*, std::int64_t, std::int64_t) override
    {
        return kit::Image::imageNamed(kit::ImageNameAddTemplate);
    }
};

KIT_REGISTER_CLASS(SRImageDataSource, SRTestDataSource) { c.optionalOperation("scopeBarImageForObjectInGroupAtIndex"); }

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
    // Named after what its groups are for: their labels.
    EXPECT_EQ(group->text(QAccessible::Name), QStringLiteral("Scope"));
    bar->groupAtIndex(1)->setLabel(QStringLiteral("Size:"));
    EXPECT_EQ(group->text(QAccessible::Name), QStringLiteral("Size"));
    bar->groupAtIndex(0)->setLabel(QStringLiteral("Kind"));
    EXPECT_EQ(group->text(QAccessible::Name), QStringLiteral("Kind, Size"));
    EXPECT_TRUE(group->state().focusable);
    ASSERT_EQ(group->childCount(), 4);
    const QStringList titles { "All", "Images", "Small", "Large" };
    for (int i = 0; i < 4; ++i) {
        QAccessibleInterface* button = group->child(i);
        // One choice per group: radio buttons, the first object of each starting checked.
        EXPECT_EQ(button->role(), QAccessible::RadioButton) << i;
        EXPECT_EQ(button->text(QAccessible::Name), titles[i]);
        EXPECT_TRUE(button->state().checkable) << i;
        EXPECT_EQ(button->state().checked, i == 0 || i == 2) << i;
        EXPECT_FALSE(button->state().selectable) << i;
        EXPECT_TRUE(button->state().focusable) << i;
        EXPECT_FALSE(button->state().focused) << i;
        EXPECT_EQ(button->parent(), group);
        // Where the bar draws it.
        const Rect inBar = bar->groupHelpers()[std::size_t(i / 2)]->buttonRects()[std::size_t(i % 2)];
        EXPECT_EQ(button->rect(), QtRectFromScreen(AccessibilityScreenRectOfRectInView(*bar, inBar)).toRect()) << i;
        const QPoint centre = button->rect().center();
        EXPECT_EQ(group->childAt(centre.x(), centre.y()), button) << i;
    }
    // Several choices: buttons that are checked or not, each on its own, read as check boxes.
    bar->groupAtIndex(1)->setGroupSelectionStyle(1);
    bar->groupAtIndex(1)->setSelectionIndexes(IndexSet(1));
    for (int i = 2; i < 4; ++i) {
        QAccessibleInterface* button = group->child(i);
        EXPECT_EQ(button->role(), QAccessible::CheckBox) << i;
        EXPECT_TRUE(button->state().checkable) << i;
        EXPECT_EQ(button->state().checked, i == 3) << i;
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
    kit::RunLoop::main().runPending(); // the action follows the call
    EXPECT_EQ(bar->groupAtIndex(0)->selectionIndexes(), IndexSet(1));
    EXPECT_TRUE(group->child(1)->state().checked);
    EXPECT_FALSE(group->child(0)->state().checked);
    EXPECT_EQ(log.notes.size(), 1u);
    group->child(3)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    kit::RunLoop::main().runPending(); // the action follows the call
    EXPECT_EQ(bar->groupAtIndex(1)->selectionIndexes(), IndexSet(0));
    EXPECT_EQ(log.notes.size(), 1u);
}

// The bar takes the keyboard focus for its buttons: the one standing for it is focused, the arrows
// move it and Space presses it; each change of a button's state is announced.
TEST_F(ScopeBarAccessibility, AButtonTakesTheFocusThroughTheBarAndEachChangeIsAnnounced)
{
    AccessibilityBridge::setEventObserverForTesting(test::recordEvent);
    QAccessibleInterface* group = barInterface();
    ASSERT_EQ(group->childCount(), 4);
    QAccessibleInterface* buttons[] = { group->child(0), group->child(1), group->child(2), group->child(3) };
    using Seen = std::vector<const QAccessibleInterface*>;
    test::events().clear();
    buttons[1]->actionInterface()->doAction(QAccessibleActionInterface::setFocusAction());
    EXPECT_EQ(window->firstResponder().get(), bar.get());
    EXPECT_EQ(test::eventsOf(QAccessible::Focus), Seen { buttons[1] });
    EXPECT_TRUE(buttons[1]->state().focused);
    EXPECT_FALSE(group->state().focused) << "one focused element: the button";

    test::events().clear();
    {
        test::EventScript script(window.get());
        script.key(KeyCodeSpace, QStringLiteral(" ")).run();
    }
    EXPECT_EQ(bar->groupAtIndex(0)->selectionIndexes(), IndexSet(1));
    EXPECT_EQ(test::eventsOf(QAccessible::StateChanged), (Seen { buttons[0], buttons[1] }));
    EXPECT_TRUE(buttons[1]->state().checked);

    test::events().clear();
    {
        test::EventScript script(window.get());
        script.key(KeyCodeRightArrow).key(KeyCodeRightArrow).run();
    }
    EXPECT_EQ(test::eventsOf(QAccessible::Focus), (Seen { buttons[2], buttons[3] }));
    EXPECT_TRUE(buttons[3]->state().focused);
    EXPECT_FALSE(buttons[1]->state().focused);
    // A change by the program is announced too.
    test::events().clear();
    bar->groupAtIndex(1)->selectObjectWithIndex(1);
    EXPECT_EQ(test::eventsOf(QAccessible::StateChanged), (Seen { buttons[2], buttons[3] }));
    AccessibilityBridge::setEventObserverForTesting(nullptr);
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
    // A combo box named by its group's label, its choice as its value.
    EXPECT_EQ(popUp->role(), QAccessible::ComboBox);
    EXPECT_EQ(popUp->text(QAccessible::Name), QStringLiteral("Size"));
    EXPECT_EQ(popUp->text(QAccessible::Value), QStringLiteral("Small"));
}

// A screen reader opens a collapsed group's menu, and the overflow's, as a click does.
TEST_F(ScopeBarAccessibility, PressingAPopUpOpensItsMenuAndTheChoiceSelects)
{
    test::MenuScope menus;
    bar->setAutoResizesGroups(false);
    bar->groupAtIndex(1)->setCollapsed(true);
    bar->reloadData();
    window->display();
    QAccessibleInterface* popUp = barInterface()->child(2);
    ASSERT_EQ(popUp->role(), QAccessible::ComboBox);
    ASSERT_NE(popUp->actionInterface(), nullptr);
    EXPECT_TRUE(popUp->actionInterface()->actionNames().contains(QAccessibleActionInterface::showMenuAction()));
    menus.presenter->choices.push_back(1);
    popUp->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    RunLoop::main().runPending();
    ASSERT_EQ(menus.presenter->sessions.size(), 1u);
    EXPECT_EQ(menus.presenter->sessions[0].titles, QStringList({ "Small", "Large" }));
    EXPECT_EQ(bar->groupAtIndex(1)->selectionIndexes(), IndexSet(1));
    EXPECT_EQ(popUp->text(QAccessible::Value), QStringLiteral("Large"));
    menus.presenter->choices.push_back(0);
    popUp->actionInterface()->doAction(QAccessibleActionInterface::showMenuAction());
    RunLoop::main().runPending();
    EXPECT_EQ(menus.presenter->sessions.size(), 2u);
    EXPECT_EQ(bar->groupAtIndex(1)->selectionIndexes(), IndexSet(0));
}

TEST_F(ScopeBarAccessibility, ACollapsedGroupWithoutALabelIsNamedByWhatItShows)
{
    bar->setAutoResizesGroups(false);
    bar->groupAtIndex(1)->setCollapsed(true);
    bar->reloadData();
    window->display();
    QAccessibleInterface* popUp = barInterface()->child(2);
    ASSERT_NE(popUp, nullptr);
    EXPECT_EQ(popUp->text(QAccessible::Name), QStringLiteral("Small"));
    bar->groupAtIndex(1)->setSelectionIndexes(IndexSet(1));
    EXPECT_EQ(popUp->text(QAccessible::Name), QStringLiteral("Large"));
}

TEST_F(ScopeBarAccessibility, AButtonWithoutATitleIsNamedByItsImage)
{
    auto images = make<SRImageDataSource>();
    const Ref<SRScopeBar> imageBar = makeTableBar(400, images.get(), { { "", "Images" } });
    content->addSubview(imageBar.get());
    window->display();
    QAccessibleInterface* group = AccessibilityBridge::interfaceFor(Value(Ref<Object>(imageBar)));
    ASSERT_EQ(group->childCount(), 2);
    EXPECT_EQ(group->child(0)->text(QAccessible::Name), QStringLiteral("add"));
    EXPECT_EQ(group->child(1)->text(QAccessible::Name), QStringLiteral("Images"));
    imageBar->removeFromSuperview();
}

// Narrowed, the bar collapses its groups and then peels them into its overflow menu: a screen
// reader is shown what the bar shows, each element named and inside the bar, the overflow
// pull-down among them while it shows.
TEST_F(ScopeBarAccessibility, ANarrowBarShowsOnlyWhatItDraws)
{
    bool overflowSeen = false;
    for (const double width : { 400.0, 160.0, 120.0, 90.0 }) {
        bar->setFrameSize(MakeSize(width, 25));
        window->display();
        QAccessibleInterface* group = barInterface();
        const QRect inside = group->rect();
        int overflows = 0;
        for (int i = 0; i < group->childCount(); ++i) {
            QAccessibleInterface* element = group->child(i);
            EXPECT_FALSE(element->text(QAccessible::Name).isEmpty()) << width << " " << i;
            EXPECT_FALSE(element->rect().isEmpty()) << width << " " << i;
            EXPECT_TRUE(inside.contains(element->rect())) << width << " " << i;
            if (element->text(QAccessible::Name) != QStringLiteral("More"))
                continue;
            ++overflows;
            EXPECT_EQ(element->role(), QAccessible::ButtonMenu);
            EXPECT_EQ(element->rect(), QtRectFromScreen(AccessibilityScreenRectOfRectInView(*bar, bar->overflowPullDownRect())).toRect());
        }
        EXPECT_EQ(overflows, bar->showsOverflowPullDown() ? 1 : 0) << width;
        overflowSeen = overflowSeen || bar->showsOverflowPullDown();
    }
    EXPECT_TRUE(overflowSeen);
}

TEST_F(ScopeBarAccessibility, TheAccessoryViewFollowsTheButtons)
{
    auto save = make<Button>(MakeRect(0, 0, 50, 18));
    save->setTitle(QStringLiteral("Save"));
    bar->setAccessoryView(save.get());
    window->display();
    QAccessibleInterface* group = barInterface();
    ASSERT_EQ(group->childCount(), 5);
    QAccessibleInterface* accessory = group->child(4);
    EXPECT_EQ(accessory->role(), QAccessible::Button);
    EXPECT_EQ(accessory->text(QAccessible::Name), QStringLiteral("Save"));
    EXPECT_EQ(accessory->parent(), group);
}

// The accessory view is a stop of the window's key-view loop, right after the bar.
TEST_F(ScopeBarAccessibility, TabGoesFromTheBarToTheAccessoryViewAndOn)
{
    auto save = make<Button>(MakeRect(0, 0, 50, 18));
    save->setTitle(QStringLiteral("Save"));
    bar->setAccessoryView(save.get());
    auto below = make<Button>(MakeRect(0, 0, 50, 18));
    below->setTitle(QStringLiteral("Below"));
    content->addSubview(below.get());
    window->display();
    ASSERT_TRUE(window->makeFirstResponder(bar.get()));
    window->selectNextKeyView();
    EXPECT_EQ(window->firstResponder().get(), save.get());
    window->selectNextKeyView();
    EXPECT_EQ(window->firstResponder().get(), below.get());
    window->selectPreviousKeyView();
    EXPECT_EQ(window->firstResponder().get(), save.get());
    window->selectPreviousKeyView();
    EXPECT_EQ(window->firstResponder().get(), bar.get());
}

} // namespace
