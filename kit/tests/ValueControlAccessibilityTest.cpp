// Controls holding a value, as accessibility and Qt's adapter show them: pop-up buttons valued by
// their selected title, steppers and level indicators with range and step actions, and text
// fields whose value an assistive client may set as a user edit would.

#include "kit/appkit/Accessibility.h"
#include "kit/appkit/AccessibilityBridge.h"
#include "kit/controls/ControlTextEditingDelegate.h"
#include "kit/controls/LevelIndicator.h"
#include "kit/controls/PopUpButton.h"
#include "kit/controls/Stepper.h"
#include "kit/controls/TextField.h"
#include "kit/foundation/RunLoop.h"
#include "kit/tests/ControlsTestSupport.h"

#include <QAccessible>
#include <QAccessibleActionInterface>

#include <gtest/gtest.h>

namespace {

using namespace kit;
using test::ControlWindow;
using test::MenuScope;
using test::RecordingTarget;

Value attr(const Value& element, const QString& name) { return AccessibilityAttributeValue(element, name); }

// Pop-up buttons ---------------------------------------------------------------------------------

class PopUpAccessibility : public testing::Test {
protected:
    void SetUp() override
    {
        popUp = make<PopUpButton>(MakeRect(20, 30, 140, 24));
        popUp->addItemsWithTitles({ QStringLiteral("Small"), QStringLiteral("Medium"), QStringLiteral("Large") });
        popUp->selectItemAtIndex(1);
        popUp->setTarget(target.get());
        popUp->setAction("act");
        w.content->addSubview(popUp.get());
        cell = Value(popUp->cell());
    }
    ControlWindow w;
    Ref<RecordingTarget> target = make<RecordingTarget>();
    Ref<PopUpButton> popUp;
    Value cell;
};

TEST_F(PopUpAccessibility, ItIsAPopUpValuedByTheSelectedTitle)
{
    EXPECT_EQ(attr(cell, AccessibilityRoleAttribute).stringValue(), AccessibilityPopUpButtonRole);
    EXPECT_EQ(AccessibilityRoleDescriptionForUIElement(cell), QStringLiteral("pop up button"));
    EXPECT_EQ(attr(cell, AccessibilityValueAttribute).stringValue(), QStringLiteral("Medium"));
    QAccessibleInterface* iface = AccessibilityBridge::interfaceFor(cell);
    ASSERT_NE(iface, nullptr);
    // A pop-up that shows a choice is a combo box, named by the choice.
    EXPECT_EQ(iface->role(), QAccessible::ComboBox);
    EXPECT_EQ(iface->text(QAccessible::Name), QStringLiteral("Medium"));
    EXPECT_EQ(iface->text(QAccessible::Value), QStringLiteral("Medium"));
    popUp->selectItemAtIndex(2);
    EXPECT_EQ(iface->text(QAccessible::Value), QStringLiteral("Large"));
}

TEST_F(PopUpAccessibility, SettingATitleChoosesThatItemAndSendsTheActionOnce)
{
    ASSERT_TRUE(AccessibilityIsAttributeSettable(cell, AccessibilityValueAttribute));
    AccessibilityBridge::interfaceFor(cell)->setText(QAccessible::Value, QStringLiteral("Small"));
    EXPECT_EQ(popUp->indexOfSelectedItem(), 0);
    ASSERT_EQ(target->calls.size(), 1u);
    EXPECT_EQ(target->calls[0].sender, popUp.get());
    // An index chooses too; a title no item has, a disabled item and a separator change nothing.
    AccessibilitySetValueForAttribute(cell, Value(2), AccessibilityValueAttribute);
    EXPECT_EQ(popUp->titleOfSelectedItem(), QStringLiteral("Large"));
    popUp->setAutoenablesItems(false);
    popUp->itemAtIndex(0)->setEnabled(false);
    popUp->menu()->addItem(MenuItem::separatorItem());
    for (const Value& refused : { Value(QStringLiteral("Huge")), Value(0), Value(3) })
        AccessibilitySetValueForAttribute(cell, refused, AccessibilityValueAttribute);
    EXPECT_EQ(popUp->titleOfSelectedItem(), QStringLiteral("Large"));
    EXPECT_EQ(target->calls.size(), 2u);
}

TEST_F(PopUpAccessibility, PressAndShowMenuOpenTheMenuOverTheSelectedItem)
{
    MenuScope menus;
    menus.presenter->choices = { 2 };
    auto* actions = AccessibilityBridge::interfaceFor(cell)->actionInterface();
    ASSERT_NE(actions, nullptr);
    ASSERT_TRUE(actions->actionNames().contains(QAccessibleActionInterface::pressAction()));
    ASSERT_TRUE(actions->actionNames().contains(QAccessibleActionInterface::showMenuAction()));
    actions->doAction(QAccessibleActionInterface::pressAction());
    kit::RunLoop::main().runPending(); // the action follows the call
    ASSERT_EQ(menus.presenter->sessions.size(), 1u);
    EXPECT_EQ(menus.presenter->sessions[0].positioned, QStringLiteral("Medium"));
    EXPECT_EQ(attr(cell, AccessibilityValueAttribute).stringValue(), QStringLiteral("Large"));
    EXPECT_EQ(target->calls.size(), 1u);
    actions->doAction(QAccessibleActionInterface::showMenuAction());
    kit::RunLoop::main().runPending(); // the action follows the call
    EXPECT_EQ(menus.presenter->sessions.size(), 2u);
}

TEST_F(PopUpAccessibility, APullDownOrADisabledPopUpTakesNoValue)
{
    popUp->setEnabled(false);
    EXPECT_FALSE(AccessibilityIsAttributeSettable(cell, AccessibilityValueAttribute));
    AccessibilitySetValueForAttribute(cell, Value(QStringLiteral("Small")), AccessibilityValueAttribute);
    EXPECT_EQ(popUp->indexOfSelectedItem(), 1);
    popUp->setEnabled(true);
    popUp->setPullsDown(true);
    EXPECT_FALSE(AccessibilityIsAttributeSettable(cell, AccessibilityValueAttribute));
    EXPECT_TRUE(attr(cell, AccessibilityValueAttribute).isNil());
}

// Steppers and level indicators ------------------------------------------------------------------

struct StepperAccessibilityCase {
    const char* name;
    bool wraps;
    double start;
    bool up;
    double expected;
};

class StepperAccessibility : public testing::TestWithParam<StepperAccessibilityCase> { };

TEST_P(StepperAccessibility, IncrementAndDecrementStepAsTheArrowsDo)
{
    const StepperAccessibilityCase& c = GetParam();
    ControlWindow w;
    auto stepper = make<Stepper>(MakeRect(10, 10, 19, 27));
    stepper->setMinValue(1);
    stepper->setMaxValue(10);
    stepper->setIncrement(3);
    stepper->setValueWraps(c.wraps);
    stepper->setDoubleValue(c.start);
    auto target = make<RecordingTarget>();
    stepper->setTarget(target.get());
    stepper->setAction("act");
    w.content->addSubview(stepper.get());

    QAccessibleInterface* iface = AccessibilityBridge::interfaceFor(Value(stepper->cell()));
    ASSERT_NE(iface, nullptr);
    ASSERT_NE(iface->actionInterface(), nullptr);
    iface->actionInterface()->doAction(c.up ? QAccessibleActionInterface::increaseAction() : QAccessibleActionInterface::decreaseAction());
    EXPECT_DOUBLE_EQ(stepper->doubleValue(), c.expected);
    ASSERT_EQ(target->calls.size(), 1u);
    EXPECT_EQ(target->calls[0].sender, stepper.get());
    ASSERT_NE(iface->valueInterface(), nullptr);
    EXPECT_DOUBLE_EQ(iface->valueInterface()->currentValue().toDouble(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Steps, StepperAccessibility,
    testing::Values(StepperAccessibilityCase { "up", true, 4, true, 7 }, StepperAccessibilityCase { "down", true, 4, false, 1 },
        StepperAccessibilityCase { "upWrapsToMin", true, 9, true, 1 }, StepperAccessibilityCase { "downWrapsToMax", true, 2, false, 10 },
        StepperAccessibilityCase { "upStopsAtMax", false, 9, true, 10 }, StepperAccessibilityCase { "downStopsAtMin", false, 2, false, 1 }),
    [](const testing::TestParamInfo<StepperAccessibilityCase>& info) { return std::string(info.param.name); });

TEST(StepperAccessibilityValue, AnIncrementorWithItsRangeWhoseValueIsSetWithinIt)
{
    auto stepper = make<Stepper>(MakeRect(0, 0, 19, 27));
    stepper->setMinValue(0);
    stepper->setMaxValue(59);
    const Value cell(stepper->cell());
    EXPECT_EQ(attr(cell, AccessibilityRoleAttribute).stringValue(), AccessibilityIncrementorRole);
    EXPECT_TRUE(AccessibilityAttributeNames(cell).contains(AccessibilityMaxValueAttribute));
    QAccessibleInterface* iface = AccessibilityBridge::interfaceFor(cell);
    EXPECT_EQ(iface->role(), QAccessible::SpinBox);
    QAccessibleValueInterface* value = iface->valueInterface();
    ASSERT_NE(value, nullptr);
    EXPECT_DOUBLE_EQ(value->minimumValue().toDouble(), 0);
    EXPECT_DOUBLE_EQ(value->maximumValue().toDouble(), 59);
    value->setCurrentValue(12.0);
    EXPECT_DOUBLE_EQ(stepper->doubleValue(), 12);
    value->setCurrentValue(100.0);
    EXPECT_DOUBLE_EQ(stepper->doubleValue(), 59);
    stepper->setEnabled(false);
    AccessibilityPerformAction(cell, AccessibilityIncrementAction);
    value->setCurrentValue(3.0);
    EXPECT_DOUBLE_EQ(stepper->doubleValue(), 59);
}

TEST(LevelIndicatorAccessibility, AnEditableRatingStepsByOneWithinItsRangeAndSendsItsAction)
{
    ControlWindow w;
    auto rating = make<LevelIndicator>(MakeRect(10, 10, 80, 16));
    rating->cell()->setEditable(true);
    rating->setIntegerValue(4);
    auto target = make<RecordingTarget>();
    rating->setTarget(target.get());
    rating->setAction("act");
    w.content->addSubview(rating.get());
    const Value cell(rating->cell());
    EXPECT_EQ(attr(cell, AccessibilityRoleAttribute).stringValue(), AccessibilityLevelIndicatorRole);
    EXPECT_DOUBLE_EQ(attr(cell, AccessibilityMaxValueAttribute).doubleValue(), 5);
    AccessibilityPerformAction(cell, AccessibilityIncrementAction);
    AccessibilityPerformAction(cell, AccessibilityIncrementAction);
    EXPECT_EQ(rating->integerValue(), 5);
    AccessibilityPerformAction(cell, AccessibilityDecrementAction);
    EXPECT_EQ(rating->integerValue(), 4);
    EXPECT_EQ(target->calls.size(), 3u);
    AccessibilitySetValueForAttribute(cell, Value(2), AccessibilityValueAttribute);
    EXPECT_EQ(rating->integerValue(), 2);
    EXPECT_EQ(AccessibilityBridge::interfaceFor(cell)->valueInterface()->currentValue().toDouble(), 2);
}

TEST(LevelIndicatorAccessibility, AReadOnlyIndicatorOffersNoWayToChangeIt)
{
    auto level = make<LevelIndicator>(MakeRect(0, 0, 80, 16));
    level->setIntegerValue(3);
    const Value cell(level->cell());
    EXPECT_TRUE(AccessibilityActionNames(cell).isEmpty());
    EXPECT_FALSE(AccessibilityIsAttributeSettable(cell, AccessibilityValueAttribute));
    AccessibilityBridge::interfaceFor(cell)->valueInterface()->setCurrentValue(1.0);
    EXPECT_EQ(level->integerValue(), 3);
}

// Text fields ------------------------------------------------------------------------------------

// Records the control's text notifications (and who sent them) in order.
class TextNotificationLog {
public:
    explicit TextNotificationLog(Control* control)
    {
        const Ref<NotificationCenter> center = NotificationCenter::defaultCenter();
        for (const QString& name : { ControlTextDidBeginEditingNotification, ControlTextDidChangeNotification, ControlTextDidEndEditingNotification })
            tokens_.push_back(center->addObserverForNameObjectQueueUsingBlock(
                name, control, nullptr, [this](Notification* n) { names << n->name().mid(int(qstrlen("NSControlText"))); }));
    }
    ~TextNotificationLog()
    {
        for (const Ref<Object>& token : tokens_)
            NotificationCenter::defaultCenter()->removeObserver(token.get());
    }
    QStringList names;

private:
    std::vector<Ref<Object>> tokens_;
};

class TextFieldAccessibility : public testing::Test {
protected:
    void SetUp() override
    {
        field = make<TextField>(MakeRect(20, 30, 160, 22));
        field->setStringValue(QStringLiteral("Lyon"));
        field->setTarget(target.get());
        field->setAction("act");
        w.content->addSubview(field.get());
        cell = Value(field->cell());
    }
    ControlWindow w;
    Ref<RecordingTarget> target = make<RecordingTarget>();
    Ref<TextField> field;
    Value cell;
};

TEST_F(TextFieldAccessibility, OnlyAnEnabledEditableFieldTakesAValue)
{
    EXPECT_TRUE(AccessibilityIsAttributeSettable(cell, AccessibilityValueAttribute));
    QAccessibleInterface* iface = AccessibilityBridge::interfaceFor(cell);
    EXPECT_EQ(iface->role(), QAccessible::EditableText);
    EXPECT_TRUE(iface->state().editable);
    field->setEnabled(false);
    EXPECT_FALSE(AccessibilityIsAttributeSettable(cell, AccessibilityValueAttribute));
    iface->setText(QAccessible::Value, QStringLiteral("Nice"));
    field->setEnabled(true);
    field->setEditable(false);
    EXPECT_FALSE(AccessibilityIsAttributeSettable(cell, AccessibilityValueAttribute));
    EXPECT_FALSE(iface->state().editable);
    AccessibilitySetValueForAttribute(cell, Value(QStringLiteral("Nice")), AccessibilityValueAttribute);
    EXPECT_EQ(field->stringValue(), QStringLiteral("Lyon"));
}

TEST_F(TextFieldAccessibility, ANewValueIsAnEditThatBeginsChangesAndEndsWithoutTheAction)
{
    TextNotificationLog log(field.get());
    AccessibilityBridge::interfaceFor(cell)->setText(QAccessible::Value, QStringLiteral("Paris"));
    EXPECT_EQ(field->stringValue(), QStringLiteral("Paris"));
    EXPECT_EQ(AccessibilityBridge::interfaceFor(cell)->text(QAccessible::Value), QStringLiteral("Paris"));
    EXPECT_EQ(log.names, (QStringList { QStringLiteral("DidBeginEditingNotification"), QStringLiteral("DidChangeNotification"),
                             QStringLiteral("DidEndEditingNotification") }));
    EXPECT_TRUE(target->calls.empty());
}

TEST_F(TextFieldAccessibility, WhileTheUserEditsTheNewTextReplacesTheEditorsAndTheSessionGoesOn)
{
    ASSERT_TRUE(w.window->makeFirstResponder(field.get()));
    ASSERT_NE(field->currentEditor(), nullptr);
    TextNotificationLog log(field.get());
    AccessibilitySetValueForAttribute(cell, Value(QStringLiteral("Paris")), AccessibilityValueAttribute);
    auto* editing = dynamic_cast<FieldEditing*>(field->currentEditor().get());
    ASSERT_NE(editing, nullptr);
    EXPECT_EQ(editing->editorString(), QStringLiteral("Paris"));
    EXPECT_EQ(log.names, QStringList { QStringLiteral("DidChangeNotification") });
    EXPECT_EQ(field->stringValue(), QStringLiteral("Paris"));
}

// Refuses every edit.
class RefusingFieldDelegate : public Object, public ControlTextEditingDelegate {
    KIT_CLASS(RefusingFieldDelegate)
public:
    bool controlTextShouldBeginEditing(Control*, Responder*) override { return false; }
};

KIT_REGISTER_CLASS(RefusingFieldDelegate, Object) { c.optionalOperations({ ControlTextShouldBeginEditingOperation }); }

TEST_F(TextFieldAccessibility, ADelegateThatRefusesEditsKeepsTheText)
{
    auto delegate = make<RefusingFieldDelegate>();
    field->setDelegate(delegate.get());
    TextNotificationLog log(field.get());
    AccessibilitySetValueForAttribute(cell, Value(QStringLiteral("Paris")), AccessibilityValueAttribute);
    EXPECT_EQ(field->stringValue(), QStringLiteral("Lyon"));
    EXPECT_TRUE(log.names.isEmpty());
    field->setDelegate(nullptr);
}

} // namespace
