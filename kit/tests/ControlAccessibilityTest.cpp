// What controls, cells and buttons show to accessibility without any code of their own: the cell
// is the element, the control leads to it, and the Qt adapter shows it as the matching widget.

#include "kit/appkit/Accessibility.h"
#include "kit/appkit/AccessibilityBridge.h"
#include "kit/controls/Button.h"
#include "kit/controls/ButtonCell.h"
#include "kit/controls/Control.h"
#include "kit/foundation/RunLoop.h"
#include "kit/tests/AccessibilityTestSupport.h"
#include "kit/tests/ControlsTestSupport.h"

#include <QAccessible>
#include <QAccessibleActionInterface>

#include <gtest/gtest.h>

namespace {

using namespace kit;
using test::ControlWindow;
using test::RecordingTarget;

QString roleOf(const Value& element) { return AccessibilityAttributeValue(element, AccessibilityRoleAttribute).stringValue(); }

struct ButtonRoleCase {
    const char* name;
    ButtonType type;
    QString role;
    QString roleDescription;
    bool hasValue;
};

class ButtonAccessibility : public testing::TestWithParam<ButtonRoleCase> { };

TEST_P(ButtonAccessibility, TheCellAnswersRoleTitleValueAndPress)
{
    const ButtonRoleCase& c = GetParam();
    ControlWindow w;
    auto button = make<Button>(MakeRect(20, 30, 100, 24));
    button->setButtonType(c.type);
    button->setTitle(QStringLiteral("Wrap lines"));
    auto target = make<RecordingTarget>();
    button->setTarget(target.get());
    button->setAction("act");
    w.content->addSubview(button.get());
    const Value cell(button->cell());

    EXPECT_EQ(roleOf(cell), c.role);
    EXPECT_EQ(AccessibilityAttributeValue(cell, AccessibilityRoleDescriptionAttribute).stringValue(), c.roleDescription);
    EXPECT_EQ(AccessibilityAttributeValue(cell, AccessibilityTitleAttribute).stringValue(), QStringLiteral("Wrap lines"));
    EXPECT_TRUE(AccessibilityAttributeValue(cell, AccessibilityEnabledAttribute).boolValue());
    EXPECT_EQ(AccessibilityActionNames(cell), QStringList { AccessibilityPressAction });
    EXPECT_EQ(AccessibilityAttributeValue(cell, AccessibilityValueAttribute).isNumber(), c.hasValue);

    AccessibilityPerformAction(cell, AccessibilityPressAction);
    ASSERT_EQ(target->calls.size(), 1u);
    EXPECT_EQ(target->calls[0].sender, button.get());
    if (c.hasValue) {
        EXPECT_EQ(AccessibilityAttributeValue(cell, AccessibilityValueAttribute).integerValue(), 1);
    }
}

INSTANTIATE_TEST_SUITE_P(Types, ButtonAccessibility,
    testing::Values(ButtonRoleCase { "push", MomentaryPushInButton, AccessibilityButtonRole, QStringLiteral("button"), false },
        ButtonRoleCase { "toggle", PushOnPushOffButton, AccessibilityButtonRole, QStringLiteral("button"), false },
        ButtonRoleCase { "checkbox", SwitchButton, AccessibilityCheckBoxRole, QStringLiteral("check box"), true },
        ButtonRoleCase { "radio", RadioButton, AccessibilityRadioButtonRole, QStringLiteral("radio button"), true }),
    [](const testing::TestParamInfo<ButtonRoleCase>& info) {
        std::string name = info.param.name;
        std::erase(name, ' ');
        return name;
    });

TEST(ButtonAccessibilityStates, ACheckBoxValueIsOffOnOrMixed)
{
    auto button = make<Button>(MakeRect(0, 0, 100, 24));
    button->setButtonType(SwitchButton);
    button->cell()->setAllowsMixedState(true);
    const Value cell(button->cell());
    for (const auto& [state, value] : { std::pair { OffState, 0 }, std::pair { OnState, 1 }, std::pair { MixedState, 2 } }) {
        button->setState(state);
        EXPECT_EQ(AccessibilityAttributeValue(cell, AccessibilityValueAttribute).integerValue(), value) << state;
    }
}

TEST(ButtonAccessibilityStates, ADisabledButtonSaysSoAndIgnoresPress)
{
    auto button = make<Button>(MakeRect(0, 0, 100, 24));
    auto target = make<RecordingTarget>();
    button->setTarget(target.get());
    button->setAction("act");
    button->setEnabled(false);
    const Value cell(button->cell());
    EXPECT_FALSE(AccessibilityAttributeValue(cell, AccessibilityEnabledAttribute).boolValue());
    AccessibilityPerformAction(cell, AccessibilityPressAction);
    EXPECT_TRUE(target->calls.empty());
}

// The element tree of a window holding a button: the control stands back for its cell.
class ControlAccessibilityTree : public testing::Test {
protected:
    void SetUp() override
    {
        button = make<Button>(MakeRect(20, 30, 100, 24));
        button->setTitle(QStringLiteral("Send"));
        w.content->addSubview(button.get());
    }
    ControlWindow w;
    Ref<Button> button;
};

TEST_F(ControlAccessibilityTree, TheControlIsIgnoredAndItsCellIsTheWindowsChild)
{
    const Value control(button), cell(button->cell());
    EXPECT_TRUE(AccessibilityIsIgnored(control));
    EXPECT_FALSE(AccessibilityIsIgnored(cell));
    const Array children = AccessibilityAttributeValue(Value(w.window), AccessibilityChildrenAttribute).array();
    ASSERT_EQ(children.count(), 1);
    EXPECT_EQ(children.objectAtIndex(0).object().get(), button->cell().get());
    EXPECT_EQ(AccessibilityAttributeValue(cell, AccessibilityParentAttribute).object().get(), w.window.get());
    EXPECT_EQ(AccessibilityUnignoredAncestor(control).object().get(), w.window.get());
    EXPECT_EQ(AccessibilityAttributeValue(cell, AccessibilityWindowAttribute).object().get(), w.window.get());
    EXPECT_TRUE(AccessibilityAttributeValue(cell, AccessibilityChildrenAttribute).array().isEmpty());
}

TEST_F(ControlAccessibilityTree, TheCellTakesItsControlsPlaceOnTheScreen)
{
    const Value cell(button->cell());
    const Point corner = w.window->convertBaseToScreen(button->convertRectToView(button->bounds(), nullptr).origin);
    EXPECT_EQ(AccessibilityAttributeValue(cell, AccessibilityPositionAttribute).pointValue(), corner);
    EXPECT_EQ(AccessibilityAttributeValue(cell, AccessibilitySizeAttribute).sizeValue(), MakeSize(100, 24));
    const Point inside = MakePoint(corner.x + 50, corner.y + 12);
    EXPECT_EQ(AccessibilityHitTest(Value(w.window), inside).object().get(), button->cell().get());
}

TEST_F(ControlAccessibilityTree, AFocusedControlShowsItsCellAsTheFocusedElement)
{
    const Value cell(button->cell());
    EXPECT_FALSE(AccessibilityAttributeValue(cell, AccessibilityFocusedAttribute).boolValue());
    ASSERT_TRUE(w.window->makeFirstResponder(button.get()));
    EXPECT_TRUE(AccessibilityAttributeValue(cell, AccessibilityFocusedAttribute).boolValue());
    EXPECT_EQ(AccessibilityFocusedUIElement(Value(w.window)).object().get(), button->cell().get());
}

TEST_F(ControlAccessibilityTree, ATextCellIsStaticTextOrAFieldWithItsStringAsValue)
{
    auto label = make<Control>(MakeRect(0, 0, 80, 20));
    label->setStringValue(QStringLiteral("Ready"));
    w.content->addSubview(label.get());
    const Value cell(label->cell());
    EXPECT_EQ(roleOf(cell), AccessibilityStaticTextRole);
    EXPECT_EQ(AccessibilityAttributeValue(cell, AccessibilityValueAttribute).stringValue(), QStringLiteral("Ready"));
    EXPECT_TRUE(AccessibilityActionNames(cell).isEmpty());
    label->cell()->setEditable(true);
    EXPECT_EQ(roleOf(cell), AccessibilityTextFieldRole);
    EXPECT_EQ(AccessibilityRoleDescriptionForUIElement(cell), QStringLiteral("text field"));
    label->cell()->setType(ImageCellType);
    EXPECT_EQ(roleOf(cell), AccessibilityImageRole);
}

TEST_F(ControlAccessibilityTree, TheQtAdapterShowsAPressableButtonNamedByItsTitle)
{
    auto target = make<RecordingTarget>();
    button->setTarget(target.get());
    button->setAction("act");
    QAccessibleInterface* iface = AccessibilityBridge::interfaceFor(Value(button->cell()));
    ASSERT_NE(iface, nullptr);
    EXPECT_EQ(iface->role(), QAccessible::Button);
    EXPECT_EQ(iface->text(QAccessible::Name), QStringLiteral("Send"));
    auto* actions = iface->actionInterface();
    ASSERT_NE(actions, nullptr);
    ASSERT_TRUE(actions->actionNames().contains(QAccessibleActionInterface::pressAction()));
    actions->doAction(QAccessibleActionInterface::pressAction());
    kit::RunLoop::main().runPending(); // the action follows the call
    EXPECT_EQ(target->calls.size(), 1u);
}

// A button whose title changes (Start becomes Stop) is renamed to a reader, who speaks the new
// name of the focused button; the same title again is no news.
TEST_F(ControlAccessibilityTree, ANewTitleRenamesTheButton)
{
    AccessibilityBridge::setEventObserverForTesting(test::recordEvent);
    QAccessible::setActive(true);
    QAccessibleInterface* iface = AccessibilityBridge::interfaceFor(Value(button->cell()));
    ASSERT_NE(iface, nullptr);
    test::events().clear();
    button->setTitle(QStringLiteral("Stop"));
    EXPECT_EQ(test::eventsOf(QAccessible::NameChanged), std::vector<const QAccessibleInterface*> { iface });
    EXPECT_EQ(iface->text(QAccessible::Name), QStringLiteral("Stop"));
    test::events().clear();
    button->setTitle(QStringLiteral("Stop"));
    EXPECT_TRUE(test::eventsOf(QAccessible::NameChanged).empty());
    QAccessible::setActive(false);
    AccessibilityBridge::setEventObserverForTesting(nullptr);
}

} // namespace
