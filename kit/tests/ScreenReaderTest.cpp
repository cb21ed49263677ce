// What a screen reader hears of standard controls through Qt's accessibility: names, texts,
// states, roles and focus, read from the QAccessibleInterface the bridge shows for each element.

#include "kit/appkit/Accessibility.h"
#include "kit/appkit/AccessibilityBridge.h"
#include "kit/appkit/FieldEditing.h"
#include "kit/appkit/KeyCodes.h"
#include "kit/appkit/ScrollView.h"
#include "kit/appkit/ClipView.h"
#include "kit/controls/Button.h"
#include "kit/controls/ButtonCell.h"
#include "kit/controls/ComboBox.h"
#include "kit/controls/PopUpButton.h"
#include "kit/controls/ProgressIndicator.h"
#include "kit/controls/Slider.h"
#include "kit/controls/Stepper.h"
#include "kit/controls/TextField.h"
#include "kit/foundation/RunLoop.h"
#include "kit/graphics/Image.h"
#include "kit/text/TextView.h"
#include "kit/tests/AccessibilityTestSupport.h"
#include "kit/tests/ControlsTestSupport.h"

#include <QAccessible>
#include <QCoreApplication>
#include <QWidget>

#include <cmath>
#include <functional>
#include <limits>
#include <vector>

#include <gtest/gtest.h>
#include <sys/mman.h>

namespace screen_reader_test {

using namespace kit;
using test::ControlWindow;

QAccessibleInterface* interfaceOf(const Ref<Control>& control) { return AccessibilityBridge::interfaceFor(control->accessibilityElement()); }

TEST(ScreenReaderNames, AnAbsentStringIsEmptyNeverNull)
{
    ControlWindow w;
    auto slider = make<Slider>(MakeRect(10, 10, 100, 20));
    auto untitled = make<Button>(MakeRect(10, 40, 100, 24));
    untitled->setTitle(QString());
    auto field = make<TextField>(MakeRect(10, 70, 100, 22));
    for (const Ref<Control>& control : std::initializer_list<Ref<Control>> { slider, untitled, field }) {
        w.content->addSubview(control.get());
        QAccessibleInterface* iface = interfaceOf(control);
        ASSERT_NE(iface, nullptr);
        for (const QAccessible::Text t : { QAccessible::Name, QAccessible::Description, QAccessible::Help })
            EXPECT_EQ(iface->text(t), QString()) << control->class_().name().toStdString() << " text " << int(t);
    }
    // The window's own element too.
    QAccessibleInterface* host = AccessibilityBridge::interfaceFor(Value(w.window));
    EXPECT_FALSE(host->text(QAccessible::Description).contains(QStringLiteral("(null)")));
}

using test::events;
using test::eventsOf;
using test::recordEvent;

class ScreenReader : public testing::Test {
protected:
    void SetUp() override
    {
        AccessibilityBridge::setEventObserverForTesting(recordEvent);
        QAccessible::setActive(true);
        events().clear();
    }
    void TearDown() override
    {
        QAccessible::setActive(false);
        AccessibilityBridge::setEventObserverForTesting(nullptr);
    }
    template <class T> Ref<T> add(Rect frame)
    {
        auto control = make<T>(frame);
        w.content->addSubview(control.get());
        return control;
    }
    // A caption at the top left, as a form puts one beside its control.
    Ref<TextField> addLabel(const QString& text)
    {
        auto label = add<TextField>(MakeRect(10, 10, 60, 20));
        label->setEditable(false);
        label->setBezeled(false);
        label->setStringValue(text);
        return label;
    }
    ControlWindow w { Size { 400, 300 } };
};

// Text ---------------------------------------------------------------------------------------------

TEST_F(ScreenReader, ALabelIsNamedByItsTextAndReadsItButTakesNoEdits)
{
    auto label = add<TextField>(MakeRect(10, 10, 120, 20));
    label->setEditable(false);
    label->setBezeled(false);
    label->setStringValue(QStringLiteral("Ready to send"));
    QAccessibleInterface* iface = interfaceOf(label);
    EXPECT_EQ(iface->role(), QAccessible::StaticText);
    EXPECT_EQ(iface->text(QAccessible::Name), QStringLiteral("Ready to send"));
    ASSERT_NE(iface->textInterface(), nullptr);
    EXPECT_EQ(iface->textInterface()->characterCount(), 13);
    EXPECT_EQ(iface->textInterface()->text(6, 8), QStringLiteral("to"));
    EXPECT_EQ(iface->editableTextInterface(), nullptr);
}

TEST_F(ScreenReader, AFieldReadsAndEditsItsValueAndSaysItsPlaceholderWhileEmpty)
{
    auto number = add<TextField>(MakeRect(10, 10, 120, 22));
    number->setStringValue(QStringLiteral("42"));
    auto name = add<TextField>(MakeRect(10, 40, 120, 22));
    name->setPlaceholderString(QStringLiteral("Your name"));

    QAccessibleInterface* iface = interfaceOf(number);
    ASSERT_NE(iface->textInterface(), nullptr);
    ASSERT_NE(iface->editableTextInterface(), nullptr);
    EXPECT_EQ(iface->textInterface()->text(0, iface->textInterface()->characterCount()), QStringLiteral("42"));
    iface->editableTextInterface()->insertText(2, QStringLiteral("0"));
    EXPECT_EQ(number->stringValue(), QStringLiteral("420"));
    iface->editableTextInterface()->replaceText(0, 1, QStringLiteral("7"));
    EXPECT_EQ(number->stringValue(), QStringLiteral("720"));
    iface->editableTextInterface()->deleteText(1, 3);
    EXPECT_EQ(number->stringValue(), QStringLiteral("7"));

    QAccessibleInterface* empty = interfaceOf(name);
    EXPECT_EQ(empty->text(QAccessible::Description), QStringLiteral("Your name"));
    EXPECT_EQ(empty->textInterface()->characterCount(), 0);
    name->setStringValue(QStringLiteral("Ada"));
    EXPECT_EQ(empty->text(QAccessible::Description), QString());
}

TEST_F(ScreenReader, WhileEditingTheCaretAndSelectionAreTheEditors)
{
    auto field = add<TextField>(MakeRect(10, 10, 160, 22));
    field->setStringValue(QStringLiteral("Lyon"));
    QAccessibleTextInterface* text = interfaceOf(field)->textInterface();
    ASSERT_NE(text, nullptr);
    ASSERT_TRUE(w.window->makeFirstResponder(field.get()));
    auto* editor = dynamic_cast<FieldEditing*>(field->currentEditor().get());
    ASSERT_NE(editor, nullptr);
    editor->setEditorSelectedRange(MakeRange(1, 2));
    int start = -1, end = -1;
    EXPECT_EQ(text->selectionCount(), 1);
    text->selection(0, &start, &end);
    EXPECT_EQ(std::pair(start, end), std::pair(1, 3));
    EXPECT_EQ(text->cursorPosition(), 3);
    text->setCursorPosition(2);
    EXPECT_EQ(editor->editorSelectedRange(), MakeRange(2, 0));
    EXPECT_EQ(text->selectionCount(), 0);
    text->setSelection(0, 4, 0);
    EXPECT_EQ(editor->editorSelectedRange(), MakeRange(0, 4));
    // Typing shows at once and is announced.
    events().clear();
    editor->setEditorString(QStringLiteral("Lyons"));
    field->textDidChange(nullptr);
    EXPECT_EQ(text->text(0, 5), QStringLiteral("Lyons"));
    EXPECT_EQ(eventsOf(QAccessible::TextUpdated).size(), 1u);
}

TEST_F(ScreenReader, ValueChangesAreAnnouncedOnceEach)
{
    auto field = add<TextField>(MakeRect(10, 10, 120, 22));
    auto slider = add<Slider>(MakeRect(10, 40, 120, 22));
    auto box = add<Button>(MakeRect(10, 70, 120, 22));
    box->setButtonType(SwitchButton);
    QAccessibleInterface* fieldInterface = interfaceOf(field);
    QAccessibleInterface* sliderInterface = interfaceOf(slider);
    QAccessibleInterface* boxInterface = interfaceOf(box);
    events().clear();
    field->setStringValue(QStringLiteral("42"));
    slider->setDoubleValue(0.5);
    box->setState(OnState);
    EXPECT_EQ(eventsOf(QAccessible::TextUpdated), std::vector<const QAccessibleInterface*> { fieldInterface });
    EXPECT_EQ(eventsOf(QAccessible::ValueChanged), std::vector<const QAccessibleInterface*> { sliderInterface });
    EXPECT_EQ(eventsOf(QAccessible::StateChanged), std::vector<const QAccessibleInterface*> { boxInterface });
}

// A state change says only the states that changed, of those the element has.
struct StateChangeCase {
    const char* name;
    ButtonType type;
    CellStateValue from, to;
    const char* changed;
};

void PrintTo(const StateChangeCase& c, std::ostream* os) { *os << c.name; }

class StateChanges : public ScreenReader, public testing::WithParamInterface<StateChangeCase> { };

TEST_P(StateChanges, SayWhatChanged)
{
    const StateChangeCase& c = GetParam();
    auto button = add<Button>(MakeRect(10, 10, 120, 22));
    button->setButtonType(c.type);
    button->setAllowsMixedState(true);
    button->setState(c.from);
    QAccessibleInterface* iface = interfaceOf(button);
    events().clear();
    test::stateChanges().clear();
    button->setState(c.to);
    ASSERT_EQ(test::stateChanges().size(), 1u);
    EXPECT_EQ(test::stateChanges()[0].first, iface);
    EXPECT_EQ(test::stateNames(test::stateChanges()[0].second), QString::fromLatin1(c.changed));
    // The same state again is no change.
    button->setState(c.to);
    EXPECT_EQ(test::stateChanges().size(), 1u);
}

// Qt 6.4 passes on only `checked` to the bus: a mixed change carries it, so a reader reads the
// check box's state again (indeterminate).
INSTANTIATE_TEST_SUITE_P(Buttons, StateChanges,
    testing::Values(StateChangeCase { "CheckBoxOn", SwitchButton, OffState, OnState, "checked" },
        StateChangeCase { "CheckBoxMixed", SwitchButton, OffState, MixedState, "checked mixed" },
        StateChangeCase { "CheckBoxOnToMixed", SwitchButton, OnState, MixedState, "checked mixed" },
        StateChangeCase { "RadioOff", RadioButton, OnState, OffState, "checked" },
        StateChangeCase { "Toggle", PushOnPushOffButton, OffState, OnState, "checked pressed" }),
    [](const auto& info) { return std::string(info.param.name); });

// Focus --------------------------------------------------------------------------------------------

TEST_F(ScreenReader, FocusFollowsTheFirstResponderOneElementAtATime)
{
    auto first = add<Button>(MakeRect(10, 10, 100, 24));
    first->setTitle(QStringLiteral("First"));
    auto field = add<TextField>(MakeRect(10, 40, 100, 22));
    auto last = add<Button>(MakeRect(10, 70, 100, 24));
    last->setTitle(QStringLiteral("Last"));
    const std::vector<QAccessibleInterface*> all { interfaceOf(first), interfaceOf(field), interfaceOf(last) };
    for (QAccessibleInterface* iface : all)
        EXPECT_TRUE(iface->state().focusable);

    // Each change of the first responder, the field's editor included, focuses that one element.
    const std::vector<Ref<Control>> order { first, field, last };
    for (std::size_t i = 0; i < order.size(); ++i) {
        events().clear();
        ASSERT_TRUE(w.window->makeFirstResponder(order[i].get()));
        ASSERT_FALSE(eventsOf(QAccessible::Focus).empty()) << i;
        EXPECT_EQ(eventsOf(QAccessible::Focus).back(), all[i]) << i;
        for (std::size_t j = 0; j < all.size(); ++j)
            EXPECT_EQ(all[j]->state().focused, i == j) << i << " " << j;
    }
    // The window itself: no control is focused any more.
    events().clear();
    ASSERT_TRUE(w.window->makeFirstResponder(nullptr));
    ASSERT_EQ(eventsOf(QAccessible::Focus).size(), 1u);
    EXPECT_EQ(eventsOf(QAccessible::Focus).front(), AccessibilityBridge::interfaceFor(Value(w.window)));
    for (QAccessibleInterface* iface : all)
        EXPECT_FALSE(iface->state().focused);
    // Tab out of the field: its editor hands the focus to the next control, one event, never the
    // window's in between.
    ASSERT_TRUE(w.window->makeFirstResponder(field.get()));
    events().clear();
    w.script->key(KeyCodeTab);
    w.script->run();
    // By place (y up): the control below the field is `first`.
    EXPECT_EQ(w.window->firstResponder().get(), first.get());
    EXPECT_EQ(eventsOf(QAccessible::Focus), std::vector<const QAccessibleInterface*> { all[0] });
    ASSERT_TRUE(w.window->makeFirstResponder(nullptr));
    // A screen reader may move focus itself.
    ASSERT_TRUE(all[2]->actionInterface()->actionNames().contains(QAccessibleActionInterface::setFocusAction()));
    all[2]->actionInterface()->doAction(QAccessibleActionInterface::setFocusAction());
    EXPECT_EQ(w.window->firstResponder().get(), last.get());
}

// Qt's own focus sits on the window's host widget whatever element has the kit's: the window reads
// focused only while no element of its own is, and the element is announced again after Qt
// announces the host.
TEST_F(ScreenReader, TheWindowReadsFocusedOnlyWhileNoElementOfItsOwnIs)
{
    auto button = add<Button>(MakeRect(10, 10, 100, 24));
    button->setTitle(QStringLiteral("Focused"));
    QWidget* host = w.window->hostWidget();
    // Activated as on a display.
    host->hide();
    host->setAttribute(Qt::WA_DontShowOnScreen, false);
    host->show();
    host->activateWindow();
    QCoreApplication::processEvents();
    host->setFocus(Qt::ActiveWindowFocusReason);
    ASSERT_TRUE(host->hasFocus());
    QAccessibleInterface* hostInterface = AccessibilityBridge::interfaceFor(Value(w.window));
    EXPECT_TRUE(hostInterface->state().focused);

    ASSERT_TRUE(w.window->makeFirstResponder(button.get()));
    EXPECT_TRUE(interfaceOf(button)->state().focused);
    EXPECT_FALSE(hostInterface->state().focused);
    EXPECT_TRUE(hostInterface->state().active);

    events().clear();
    host->clearFocus();
    host->setFocus(Qt::ActiveWindowFocusReason);
    QCoreApplication::processEvents();
    ASSERT_FALSE(eventsOf(QAccessible::Focus).empty());
    EXPECT_EQ(eventsOf(QAccessible::Focus).back(), interfaceOf(button));
}

// States and roles ---------------------------------------------------------------------------------

TEST_F(ScreenReader, CheckBoxesRadiosAndToggleButtonsShowTheirState)
{
    auto radio = add<Button>(MakeRect(10, 10, 100, 20));
    radio->setButtonType(RadioButton);
    radio->setTitle(QStringLiteral("Radio 1"));
    auto box = add<Button>(MakeRect(10, 40, 100, 20));
    box->setButtonType(SwitchButton);
    box->cell()->setAllowsMixedState(true);
    auto toggle = add<Button>(MakeRect(10, 70, 100, 24));
    toggle->setButtonType(PushOnPushOffButton);
    toggle->setTitle(QStringLiteral("Bold"));

    QAccessibleInterface* r = interfaceOf(radio);
    EXPECT_EQ(r->role(), QAccessible::RadioButton);
    EXPECT_EQ(r->valueInterface(), nullptr);
    EXPECT_TRUE(r->state().checkable);
    EXPECT_FALSE(r->state().checked);
    radio->setState(OnState);
    EXPECT_TRUE(r->state().checked);

    QAccessibleInterface* b = interfaceOf(box);
    struct Case {
        int state;
        bool checked, mixed;
    };
    for (const Case c : { Case { OffState, false, false }, Case { OnState, true, false }, Case { MixedState, false, true } }) {
        box->setState(c.state);
        EXPECT_EQ(b->state().checked, c.checked) << c.state;
        EXPECT_EQ(b->state().checkStateMixed, c.mixed) << c.state;
    }

    // Qt 6.4 has no toggle-button role: a button that stays in reads as a check box, whose state
    // a reader speaks.
    QAccessibleInterface* t = interfaceOf(toggle);
    EXPECT_EQ(t->role(), QAccessible::CheckBox);
    EXPECT_TRUE(t->state().checkable);
    EXPECT_FALSE(t->state().checked);
    t->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    kit::RunLoop::main().runPending(); // the action follows the call
    EXPECT_EQ(toggle->state(), OnState);
    EXPECT_TRUE(t->state().checked);
    EXPECT_TRUE(t->state().pressed);
    // A plain push button has no such state.
    auto push = add<Button>(MakeRect(10, 100, 100, 24));
    EXPECT_FALSE(interfaceOf(push)->state().checkable);
    EXPECT_EQ(interfaceOf(push)->role(), QAccessible::Button);
}

// An element of the protocol with a role, AXChecked and AXValue as given (nil where not).
class TwoState : public Object, public Accessibility {
public:
    TwoState(QString role, Value checked, Value value)
        : role_(std::move(role))
        , checked_(std::move(checked))
        , value_(std::move(value))
    { }
    QStringList accessibilityAttributeNames() const override
    {
        return { AccessibilityRoleAttribute, AccessibilityCheckedAttribute, AccessibilityValueAttribute };
    }
    Value accessibilityAttributeValue(const QString& a) const override
    {
        if (a == AccessibilityRoleAttribute)
            return Value(role_);
        if (a == AccessibilityCheckedAttribute)
            return checked_;
        return a == AccessibilityValueAttribute ? value_ : Value();
    }

private:
    QString role_;
    Value checked_, value_;
};

// What an element answers to be heard with its state: a button with AXChecked reads as a check
// box; a radio button (a one-choice group's) is checked by AXChecked or by AXValue 1.
TEST(ScreenReaderRoles, TwoStateElementsReadAsRolesWhoseStateIsSpoken)
{
    struct Case {
        const char* name;
        QString role;
        Value checked, value;
        QAccessible::Role expected;
        bool checkable, isChecked, pressed;
    };
    const Case table[] = {
        { "pushButton", AccessibilityButtonRole, Value(), Value(), QAccessible::Button, false, false, false },
        { "toggleOff", AccessibilityButtonRole, Value(false), Value(), QAccessible::CheckBox, true, false, false },
        { "toggleOn", AccessibilityButtonRole, Value(true), Value(), QAccessible::CheckBox, true, true, true },
        { "radioByChecked", AccessibilityRadioButtonRole, Value(true), Value(), QAccessible::RadioButton, true, true, false },
        { "radioOffByChecked", AccessibilityRadioButtonRole, Value(false), Value(), QAccessible::RadioButton, true, false, false },
        { "radioByValue", AccessibilityRadioButtonRole, Value(), Value(1), QAccessible::RadioButton, true, true, false },
    };
    for (const Case& c : table) {
        auto element = make<TwoState>(c.role, c.checked, c.value);
        QAccessibleInterface* iface = AccessibilityBridge::interfaceFor(Value(Ref<Object>(element)));
        ASSERT_NE(iface, nullptr);
        EXPECT_EQ(iface->role(), c.expected) << c.name;
        EXPECT_EQ(bool(iface->state().checkable), c.checkable) << c.name;
        EXPECT_EQ(bool(iface->state().checked), c.isChecked) << c.name;
        EXPECT_EQ(bool(iface->state().pressed), c.pressed) << c.name;
        EXPECT_EQ(iface->valueInterface(), nullptr) << c.name;
    }
}

TEST_F(ScreenReader, RadioButtonsSideBySideWithOneActionAreOneGroup)
{
    // Two of one group, and one beside them with an action of its own.
    std::vector<Ref<Button>> radios;
    for (int i = 0; i < 3; ++i) {
        radios.push_back(add<Button>(MakeRect(10, 10 + 30 * i, 100, 20)));
        radios.back()->setButtonType(RadioButton);
        radios.back()->setAction(i < 2 ? "pickSize" : "pickColour");
        radios.back()->setState(OnState);
    }
    radios[0]->setState(OffState);
    radios[1]->setState(OffState);
    radios[0]->setState(OnState);
    // A press through accessibility and a click do the same: the one pressed is the one on.
    interfaceOf(radios[1])->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    kit::RunLoop::main().runPending(); // the action follows the call
    EXPECT_EQ(radios[0]->state(), OffState);
    EXPECT_EQ(radios[1]->state(), OnState);
    EXPECT_EQ(radios[2]->state(), OnState);
    w.script->click(MakePoint(20, 20));
    w.script->run();
    EXPECT_EQ(radios[0]->state(), OnState);
    EXPECT_EQ(radios[1]->state(), OffState);
    EXPECT_EQ(radios[2]->state(), OnState);
    EXPECT_FALSE(interfaceOf(radios[1])->state().checked);
}

TEST_F(ScreenReader, DisabledControlsSaySo)
{
    const std::vector<Ref<Control>> controls { add<Button>(MakeRect(10, 10, 100, 24)), add<Slider>(MakeRect(10, 40, 100, 20)),
        add<TextField>(MakeRect(10, 70, 100, 22)), add<Stepper>(MakeRect(10, 100, 20, 28)), add<PopUpButton>(MakeRect(10, 140, 100, 24)) };
    for (const Ref<Control>& control : controls) {
        control->setEnabled(false);
        EXPECT_TRUE(interfaceOf(control)->state().disabled) << control->class_().name().toStdString();
        control->setEnabled(true);
        EXPECT_FALSE(interfaceOf(control)->state().disabled) << control->class_().name().toStdString();
    }
}

TEST_F(ScreenReader, AProgressBarHasItsValueAndASpinnerIsBusy)
{
    auto bar = add<ProgressIndicator>(MakeRect(10, 10, 200, 20));
    bar->setIndeterminate(false);
    bar->setDoubleValue(40);
    auto spinner = add<ProgressIndicator>(MakeRect(10, 40, 32, 32));
    spinner->setStyle(ProgressIndicatorSpinningStyle);

    QAccessibleInterface* host = AccessibilityBridge::interfaceFor(Value(w.window));
    ASSERT_EQ(host->childCount(), 2);
    QAccessibleInterface* b = AccessibilityBridge::interfaceFor(Value(bar));
    EXPECT_EQ(host->child(0), b);
    EXPECT_EQ(b->role(), QAccessible::ProgressBar);
    ASSERT_NE(b->valueInterface(), nullptr);
    EXPECT_EQ(b->valueInterface()->currentValue().toDouble(), 40);
    EXPECT_EQ(b->valueInterface()->maximumValue().toDouble(), 100);
    EXPECT_EQ(b->text(QAccessible::Value), QStringLiteral("40"));
    events().clear();
    bar->setDoubleValue(55);
    EXPECT_EQ(eventsOf(QAccessible::ValueChanged).size(), 1u);

    QAccessibleInterface* s = AccessibilityBridge::interfaceFor(Value(spinner));
    EXPECT_EQ(s->role(), QAccessible::Animation);
    EXPECT_TRUE(s->state().busy);
    EXPECT_EQ(s->valueInterface(), nullptr);
}

// A reader prints a value with as many decimals as the step has (one below 1 without a step):
// a whole-number stepper at 0 reads "0", never "0.0".
TEST_F(ScreenReader, ANumberIsReadWithTheDecimalsItHas)
{
    struct Case {
        double min, max, value, step;
    };
    const Case table[] = { { 0, 10, 0, 1 }, { 0, 10, 7, 1 }, { 0, 1, 0.25, 0.01 }, { 0, 1, 0.5, 0.1 }, { -5, 5, -2, 1 } };
    for (const Case& c : table) {
        auto stepper = add<Stepper>(MakeRect(10, 10, 20, 28));
        stepper->setMinValue(c.min);
        stepper->setMaxValue(c.max);
        stepper->setDoubleValue(c.value);
        QAccessibleValueInterface* value = interfaceOf(stepper)->valueInterface();
        ASSERT_NE(value, nullptr);
        EXPECT_DOUBLE_EQ(value->minimumStepSize().toDouble(), c.step) << c.value;
        EXPECT_EQ(interfaceOf(stepper)->text(QAccessible::Value), QString::number(c.value)) << c.value;
        stepper->removeFromSuperview();
    }
}

TEST_F(ScreenReader, APopUpTiedToItsLabelIsNamedByIt)
{
    auto label = addLabel(QStringLiteral("Angle"));
    auto popUp = add<PopUpButton>(MakeRect(80, 10, 100, 24));
    popUp->addItemsWithTitles({ QStringLiteral("70°"), QStringLiteral("80°") });
    AccessibilitySetOverrideValueForAttribute(popUp->accessibilityElement(), label->accessibilityElement(), AccessibilityTitleUIElementAttribute);
    QAccessibleInterface* iface = interfaceOf(popUp);
    EXPECT_EQ(AccessibilityAttributeValue(popUp->accessibilityElement(), AccessibilityTitleUIElementAttribute).object().get(),
        label->accessibilityElement().object().get());
    // A combo box says its choice as its name; the label is its Label relation ("Angle: 70°").
    EXPECT_EQ(iface->role(), QAccessible::ComboBox);
    EXPECT_EQ(iface->text(QAccessible::Name), QStringLiteral("70°"));
    EXPECT_EQ(iface->text(QAccessible::Value), QStringLiteral("70°"));
    // A reader takes a combo box's value from its text, which no one may edit.
    ASSERT_NE(iface->textInterface(), nullptr);
    EXPECT_EQ(iface->textInterface()->text(0, iface->textInterface()->characterCount()), QStringLiteral("70°"));
    EXPECT_EQ(iface->editableTextInterface(), nullptr);
    const auto labelledBy = iface->relations(QAccessible::Label);
    ASSERT_EQ(labelledBy.size(), 1);
    EXPECT_EQ(labelledBy[0].first, interfaceOf(label));
    EXPECT_EQ(labelledBy[0].second, QAccessible::Relation(QAccessible::Label));
    // Another choice is announced as a combo box's value change (Qt renames it on the bus).
    events().clear();
    popUp->selectItemAtIndex(1);
    EXPECT_EQ(iface->text(QAccessible::Name), QStringLiteral("80°"));
    EXPECT_EQ(eventsOf(QAccessible::ValueChanged), std::vector<const QAccessibleInterface*> { iface });
    // The same choice again is not news.
    events().clear();
    popUp->selectItemAtIndex(1);
    EXPECT_TRUE(eventsOf(QAccessible::ValueChanged).empty());
    EXPECT_EQ(iface->text(QAccessible::Description), QString());
    // Without a label, a title of its own that is not the choice names it; the choice is its text.
    auto sized = make<TwoState>(AccessibilityPopUpButtonRole, Value(), Value(QStringLiteral("Small")));
    AccessibilitySetOverrideValueForAttribute(Value(Ref<Object>(sized)), Value(QStringLiteral("Size")), AccessibilityTitleAttribute);
    QAccessibleInterface* group = AccessibilityBridge::interfaceFor(Value(Ref<Object>(sized)));
    EXPECT_EQ(group->text(QAccessible::Name), QStringLiteral("Size"));
    ASSERT_NE(group->textInterface(), nullptr);
    EXPECT_EQ(group->textInterface()->text(0, group->textInterface()->characterCount()), QStringLiteral("Small"));
    // Else its tool tip names it.
    auto tipped = add<PopUpButton>(MakeRect(200, 40, 100, 24));
    tipped->addItemsWithTitles({ QStringLiteral("Chime"), QStringLiteral("Bell") });
    tipped->setToolTip(QStringLiteral("Sound to play"));
    EXPECT_EQ(interfaceOf(tipped)->text(QAccessible::Name), QStringLiteral("Sound to play"));
    EXPECT_EQ(interfaceOf(tipped)->text(QAccessible::Description), QString());
    EXPECT_EQ(interfaceOf(tipped)->text(QAccessible::Value), QStringLiteral("Chime"));
    // A pull-down shows no choice: it stays a menu button.
    auto pullDown = add<PopUpButton>(MakeRect(200, 10, 100, 24));
    pullDown->setPullsDown(true);
    pullDown->addItemsWithTitles({ QStringLiteral("Actions"), QStringLiteral("Copy") });
    EXPECT_EQ(interfaceOf(pullDown)->role(), QAccessible::ButtonMenu);
}

TEST_F(ScreenReader, AnEditableComboBoxReadsAsOneNamedByItsTextAndLabelled)
{
    auto label = addLabel(QStringLiteral("Subject"));
    auto combo = add<ComboBox>(MakeRect(80, 10, 160, 24));
    combo->addItemsWithObjectValues({ Value(QStringLiteral("Question")), Value(QStringLiteral("Fault")) });
    combo->selectItemAtIndex(1);
    AccessibilitySetOverrideValueForAttribute(combo->accessibilityElement(), label->accessibilityElement(), AccessibilityTitleUIElementAttribute);
    QAccessibleInterface* iface = interfaceOf(combo);
    EXPECT_EQ(iface->role(), QAccessible::ComboBox);
    EXPECT_EQ(iface->text(QAccessible::Name), QStringLiteral("Fault"));
    EXPECT_EQ(iface->text(QAccessible::Value), QStringLiteral("Fault"));
    EXPECT_TRUE(iface->state().editable);
    ASSERT_NE(iface->editableTextInterface(), nullptr);
    const auto labelledBy = iface->relations(QAccessible::Label);
    ASSERT_EQ(labelledBy.size(), 1);
    EXPECT_EQ(labelledBy[0].first, interfaceOf(label));
}

TEST_F(ScreenReader, WhatLiesOutsideTheVisiblePartIsNotShowing)
{
    auto scroll = add<ScrollView>(MakeRect(10, 10, 200, 100));
    auto document = make<View>(MakeRect(0, 0, 200, 400));
    scroll->setDocumentView(document.get());
    scroll->contentView()->scrollToPoint(MakePoint(0, 0));
    auto shown = make<Button>(MakeRect(10, 10, 80, 24));
    auto below = make<Button>(MakeRect(10, 300, 80, 24));
    document->addSubview(shown.get());
    document->addSubview(below.get());
    auto outside = add<Button>(MakeRect(500, 10, 80, 24));
    EXPECT_FALSE(interfaceOf(shown)->state().offscreen);
    EXPECT_TRUE(interfaceOf(below)->state().offscreen);
    EXPECT_TRUE(interfaceOf(outside)->state().offscreen);
    scroll->contentView()->scrollToPoint(MakePoint(0, 280));
    EXPECT_TRUE(interfaceOf(shown)->state().offscreen);
    EXPECT_FALSE(interfaceOf(below)->state().offscreen);
}

TEST_F(ScreenReader, UntitledControlsAreNamedByTheirToolTips)
{
    auto slider = add<Slider>(MakeRect(10, 10, 100, 20));
    slider->setToolTip(QStringLiteral("Volume"));
    auto stepper = add<Stepper>(MakeRect(10, 40, 20, 28));
    stepper->setToolTip(QStringLiteral("Copies"));
    auto icon = add<Button>(MakeRect(10, 80, 24, 24));
    icon->setTitle(QString());
    icon->setToolTip(QStringLiteral("Add"));
    auto titled = add<Button>(MakeRect(10, 110, 80, 24));
    titled->setTitle(QStringLiteral("Send"));
    titled->setToolTip(QStringLiteral("Sends the message"));
    EXPECT_EQ(interfaceOf(slider)->text(QAccessible::Name), QStringLiteral("Volume"));
    EXPECT_EQ(interfaceOf(stepper)->text(QAccessible::Name), QStringLiteral("Copies"));
    EXPECT_EQ(interfaceOf(icon)->text(QAccessible::Name), QStringLiteral("Add"));
    EXPECT_EQ(interfaceOf(titled)->text(QAccessible::Name), QStringLiteral("Send"));
    // Without a tool tip, a system image says what it shows.
    auto remove = add<Button>(MakeRect(100, 80, 24, 24));
    remove->setTitle(QString());
    remove->setImage(Image::imageNamed(ImageNameRemoveTemplate));
    EXPECT_EQ(interfaceOf(remove)->text(QAccessible::Name), QStringLiteral("remove"));
    remove->setToolTip(QStringLiteral("Remove the row"));
    EXPECT_EQ(interfaceOf(remove)->text(QAccessible::Name), QStringLiteral("Remove the row"));
}

// A scroll bar of a given orientation holding its knob, or the knob (a value indicator).
class ScrollBarPart : public Object, public Accessibility {
public:
    ScrollBarPart(QString role, QString orientation, Object* parent = nullptr)
        : role_(std::move(role))
        , orientation_(std::move(orientation))
        , parent_(parent)
    { }
    QStringList accessibilityAttributeNames() const override
    {
        return { AccessibilityRoleAttribute, AccessibilityParentAttribute, AccessibilityOrientationAttribute, AccessibilityValueAttribute };
    }
    Value accessibilityAttributeValue(const QString& a) const override
    {
        if (a == AccessibilityRoleAttribute)
            return Value(role_);
        if (a == AccessibilityParentAttribute)
            return Value(parent_.lock());
        if (a == AccessibilityOrientationAttribute)
            return orientation_.isEmpty() ? Value() : Value(orientation_);
        if (a == AccessibilityValueAttribute && role_ == AccessibilityValueIndicatorRole)
            return Value(0.5);
        return {};
    }

private:
    QString role_;
    QString orientation_;
    Weak<Object> parent_;
};

TEST(ScreenReaderNames, AScrollBarsKnobIsNamedAfterItsScrollBar)
{
    const std::pair<QString, QString> table[] = {
        { AccessibilityHorizontalOrientationValue, QStringLiteral("horizontal scroll bar") },
        { AccessibilityVerticalOrientationValue, QStringLiteral("vertical scroll bar") },
        { QString(), QStringLiteral("scroll bar") },
    };
    for (const auto& [orientation, name] : table) {
        auto bar = make<ScrollBarPart>(AccessibilityScrollBarRole, orientation);
        auto knob = make<ScrollBarPart>(AccessibilityValueIndicatorRole, QString(), bar.get());
        QAccessibleInterface* iface = AccessibilityBridge::interfaceFor(Value(Ref<Object>(knob)));
        ASSERT_NE(iface, nullptr);
        EXPECT_EQ(iface->role(), QAccessible::Slider);
        EXPECT_EQ(iface->text(QAccessible::Name), name) << orientation.toStdString();
    }
}

// An element of a given role and nothing else.
class RoleOnly : public Object, public Accessibility {
public:
    explicit RoleOnly(QString role)
        : role_(std::move(role))
    { }
    QStringList accessibilityAttributeNames() const override { return { AccessibilityRoleAttribute }; }
    Value accessibilityAttributeValue(const QString& a) const override { return a == AccessibilityRoleAttribute ? Value(role_) : Value(); }

private:
    QString role_;
};

TEST(ScreenReaderRoles, EveryRoleReadsAsOneAScreenReaderKnows)
{
    const std::pair<QString, QAccessible::Role> table[] = {
        { AccessibilityValueIndicatorRole, QAccessible::Slider },
        { AccessibilityProgressIndicatorRole, QAccessible::ProgressBar },
        { AccessibilityBusyIndicatorRole, QAccessible::Animation },
        { AccessibilityIncrementorRole, QAccessible::SpinBox },
        { AccessibilityPopUpButtonRole, QAccessible::ButtonMenu },
        { AccessibilityTextFieldRole, QAccessible::EditableText },
        { AccessibilityTextAreaRole, QAccessible::EditableText },
    };
    for (const auto& [role, expected] : table) {
        auto element = make<RoleOnly>(role);
        QAccessibleInterface* iface = AccessibilityBridge::interfaceFor(Value(Ref<Object>(element)));
        ASSERT_NE(iface, nullptr);
        EXPECT_EQ(iface->role(), expected) << role.toStdString();
        EXPECT_NE(AccessibilityRoleDescription(role), QStringLiteral("unknown")) << role.toStdString();
    }
}

// Out of range -------------------------------------------------------------------------------------

// Qt's bus bridge hands a client's numbers on unchecked and uses some answers unchecked: every
// interface answers any offset, index, point, value or action name with something safe.
struct OutOfRangeCase {
    const char* name;
    std::function<Value(View& content)> make;
};

class OutOfRange : public ScreenReader, public testing::WithParamInterface<OutOfRangeCase> { };

TEST_P(OutOfRange, EveryInterfaceAnswersSafely)
{
    QAccessibleInterface* iface = AccessibilityBridge::interfaceFor(GetParam().make(*w.content));
    ASSERT_NE(iface, nullptr);
    const int wild[] = { -1, -2, std::numeric_limits<int>::min(), std::numeric_limits<int>::max(), 3, 1000 };

    for (const int i : wild) {
        EXPECT_EQ(iface->child(i), nullptr) << i;
        EXPECT_EQ(iface->childAt(i, i), nullptr) << i;
    }
    EXPECT_NE(iface->parent(), nullptr);
    for (const auto& [related, relation] : iface->relations())
        EXPECT_NE(related, nullptr) << int(relation);
    EXPECT_TRUE(iface->rect().isValid());

    // Qt calls the editable-text interface's text through the text interface.
    if (iface->editableTextInterface())
        EXPECT_NE(iface->textInterface(), nullptr);
    if (QAccessibleTextInterface* text = iface->textInterface()) {
        for (const int a : wild) {
            int start = -7, end = -7;
            text->selection(a, &start, &end);
            EXPECT_TRUE(start >= 0 && end >= start && end <= text->characterCount()) << a;
            // Qt splits each "name:value" pair of the attributes and reads both halves.
            const QString attributes = text->attributes(a, &start, &end);
            for (const QString& pair : attributes.split(u';', Qt::SkipEmptyParts))
                EXPECT_EQ(pair.split(u':', Qt::SkipEmptyParts).size(), 2) << pair.toStdString();
            EXPECT_NE(start, -7);
            EXPECT_NE(end, -7);
            for (const auto boundary : { QAccessible::CharBoundary, QAccessible::WordBoundary, QAccessible::LineBoundary }) {
                text->textAtOffset(a, boundary, &start, &end);
                text->textBeforeOffset(a, boundary, &start, &end);
                text->textAfterOffset(a, boundary, &start, &end);
            }
            text->characterRect(a);
            text->offsetAtPoint(QPoint(a, a));
            for (const int b : wild)
                EXPECT_LE(text->text(a, b).size(), text->characterCount()) << a << " " << b;
            text->setCursorPosition(a);
            text->setSelection(a, a, 1);
            text->addSelection(a, ~a);
            text->removeSelection(a);
            EXPECT_GE(text->cursorPosition(), 0);
            EXPECT_LE(text->cursorPosition(), text->characterCount());
        }
        if (QAccessibleEditableTextInterface* editable = iface->editableTextInterface())
            for (const int a : wild) {
                editable->insertText(a, QStringLiteral("x"));
                editable->deleteText(a, ~a);
                editable->replaceText(~a, a, QStringLiteral("y"));
            }
    }
    // A client may hand over a text of INT_MAX characters (Qt pads a short one to the length it
    // is given): an edit that would make the text longer than an int counts is refused.
    if (QAccessibleEditableTextInterface* editable = iface->editableTextInterface()) {
        constexpr int most = std::numeric_limits<int>::max();
        const std::size_t bytes = std::size_t(most) * sizeof(QChar);
        void* zeros = mmap(nullptr, bytes, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
        ASSERT_NE(zeros, MAP_FAILED);
        const QString huge = QString::fromRawData(static_cast<const QChar*>(zeros), most);
        const QString before = iface->textInterface()->text(0, iface->textInterface()->characterCount());
        editable->insertText(most, huge);
        editable->replaceText(0, 0, huge);
        EXPECT_EQ(iface->textInterface()->text(0, iface->textInterface()->characterCount()), before);
        munmap(zeros, bytes);
    }

    if (QAccessibleValueInterface* value = iface->valueInterface()) {
        const double min = value->minimumValue().toDouble();
        const double max = value->maximumValue().toDouble();
        for (const double v : { std::nan(""), std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(), 1e300, -1e300 }) {
            value->setCurrentValue(v);
            const double now = value->currentValue().toDouble();
            EXPECT_TRUE(std::isfinite(now) && now >= min && now <= max) << v << " gave " << now;
        }
    }

    if (QAccessibleActionInterface* actions = iface->actionInterface()) {
        for (const QString& name : actions->actionNames())
            EXPECT_FALSE(name.isEmpty());
        actions->doAction(QStringLiteral("no such action"));
        actions->doAction(QString());
        EXPECT_TRUE(actions->keyBindingsForAction(QStringLiteral("no such action")).isEmpty());
    }
    RunLoop::main().runPending();
}

// The element a view of kind T shows, set up and placed in `content`.
template <class T> Value addTo(View& content, Rect frame, std::function<void(T&)> setUp = {})
{
    auto view = make<T>(frame);
    if (setUp)
        setUp(*view);
    content.addSubview(view.get());
    if constexpr (std::is_base_of_v<Control, T>)
        return view->accessibilityElement();
    else
        return Value(view);
}

INSTANTIATE_TEST_SUITE_P(Controls, OutOfRange,
    testing::Values(OutOfRangeCase { "label",
                        [](View& c) {
                            return addTo<TextField>(c, MakeRect(10, 10, 120, 20), [](TextField& f) {
                                f.setEditable(false);
                                f.setStringValue(QStringLiteral("Ready"));
                            });
                        } },
        OutOfRangeCase { "field", [](View& c) { return addTo<TextField>(c, MakeRect(10, 10, 120, 22), [](TextField& f) { f.setStringValue(QStringLiteral("Lyon")); }); } },
        OutOfRangeCase { "emptyField", [](View& c) { return addTo<TextField>(c, MakeRect(10, 10, 120, 22)); } },
        OutOfRangeCase { "slider", [](View& c) { return addTo<Slider>(c, MakeRect(10, 10, 120, 22)); } },
        OutOfRangeCase { "stepper",
            [](View& c) {
                return addTo<Stepper>(c, MakeRect(10, 10, 20, 28), [](Stepper& s) {
                    s.setMaxValue(10);
                    s.setValueWraps(true);
                });
            } },
        OutOfRangeCase { "checkBox", [](View& c) { return addTo<Button>(c, MakeRect(10, 10, 120, 22), [](Button& b) { b.setButtonType(SwitchButton); }); } },
        OutOfRangeCase { "toggle", [](View& c) { return addTo<Button>(c, MakeRect(10, 10, 120, 22), [](Button& b) { b.setButtonType(OnOffButton); }); } },
        OutOfRangeCase { "popUp",
            [](View& c) { return addTo<PopUpButton>(c, MakeRect(10, 10, 120, 24), [](PopUpButton& p) { p.addItemsWithTitles({ "a", "b" }); }); } },
        OutOfRangeCase { "comboBox",
            [](View& c) { return addTo<ComboBox>(c, MakeRect(10, 10, 160, 24), [](ComboBox& b) { b.addItemsWithObjectValues({ Value(QStringLiteral("a")) }); }); } },
        OutOfRangeCase { "progressBar",
            [](View& c) { return addTo<ProgressIndicator>(c, MakeRect(10, 10, 120, 20), [](ProgressIndicator& p) { p.setIndeterminate(false); }); } },
        OutOfRangeCase { "textView",
            [](View& c) { return addTo<TextView>(c, MakeRect(10, 10, 200, 80), [](TextView& t) { t.setString(QStringLiteral("One\ntwo words")); }); } }),
    [](const testing::TestParamInfo<OutOfRangeCase>& info) { return std::string(info.param.name); });

} // namespace screen_reader_test
