// Editing values in place: placeholders, write-back only of what was typed, Tab and Backtab,
// Return, leaving a run by other means, rebuilds during an edit, read-only clicks, completion.

#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorIntegerField.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorListField.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorTextField.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorViewField.h"
#include "JVLAppKit/tests/JVLTextViewInspectorTestSupport.h"

#include "kit/appkit/KeyCodes.h"
#include "kit/core/ArrayController.h"
#include "kit/controls/Menu.h"
#include "kit/graphics/BezierPath.h"
#include "kit/graphics/Color.h"
#include "kit/graphics/StringDrawing.h"
#include "kit/text/LayoutManager.h"
#include "kit/text/TextContainer.h"
#include "kit/text/TextStorage.h"
#include "kit/testsupport/PixelProbe.h"
#include "kit/testsupport/ScriptedMenuPresenter.h"

#include <gtest/gtest.h>

namespace {

using namespace kit;
using Label = JVLTextViewInspectorFieldLabel;

// A text field that records completion requests.
class CompletingField : public JVLTextViewInspectorTextField {
    KIT_CLASS(CompletingField)
public:
    QStringList completionsForPartialStringIndexOfSelectedItem(const QString& partial, std::int64_t*) override
    {
        asked << partial;
        return {};
    }
    QStringList asked;
};

KIT_REGISTER_CLASS(CompletingField, JVLTextViewInspectorTextField) { c.copyable(); }

class InspectorEditing : public testing::Test {
protected:
    void SetUp() override
    {
        f.emplace();
        model = make<InspectorModel>();
        delegate = make<InspectorRecordingDelegate>();
        delegate->log = &log;
        f->inspector->setInspectorDelegate(delegate.get());
        f->inspector->setEditableState(true);
    }
    void TearDown() override
    {
        for (const auto& field : bound)
            field->unbind("value");
        f.reset();
    }
    // A field bound to the model's key of the same name, holding `value`.
    Ref<JVLTextViewInspectorTextField> addField(const char* id, const char* placeholder, Value value = {})
    {
        auto field = JVLTextViewInspectorTextField::fieldWithIdentifierPlaceholderAndLabel(
            QString::fromUtf8(id), QString::fromUtf8(placeholder), Label::fieldLabelWithString(QString::fromUtf8(id)));
        model->setValueForKey(value, QString::fromUtf8(id));
        field->bindToObjectWithKeyPathOptions("value", model.get(), QString::fromUtf8(id), {});
        bound.push_back(field);
        f->inspector->addField(field);
        return field;
    }
    Range runOf(const JVLTextViewInspectorField* field) const
    {
        const Range r = f->inspector->charRangeOfField(field);
        const QString text = f->inspector->string();
        const std::int64_t secondTab = text.indexOf(u'\t', text.indexOf(u'\t', r.location) + 1);
        return { secondTab + 1, MaxRange(r) - secondTab - 1 };
    }
    void clickInto(const JVLTextViewInspectorField* field)
    {
        const Range r = runOf(field);
        f->script->click(f->characterPoint(r.location + r.length / 2));
        f->script->run();
    }
    // A field offering completions, holding "x", with the caret after it.
    Ref<CompletingField> editCompletingField()
    {
        auto field = JVLTextViewInspectorField::makeField<CompletingField>("c", "Completed", Label::fieldLabelWithString("c"));
        field->setSupportTextCompletion(true);
        field->setValue(Value("x"));
        f->inspector->addField(field);
        clickInto(field.get());
        f->inspector->setSelectedRange({ MaxRange(runOf(field.get())), 0 });
        return field;
    }
    QString shown(const JVLTextViewInspectorField* field) const
    {
        const Range r = runOf(field);
        return f->inspector->string().mid(r.location, r.length);
    }

    std::optional<InspectorFixture> f;
    Ref<InspectorModel> model;
    Ref<InspectorRecordingDelegate> delegate;
    std::vector<Ref<JVLTextViewInspectorTextField>> bound;
    QStringList log;
};

TEST_F(InspectorEditing, TypingOverAPlaceholderThenDeletingAllWritesNilOnce)
{
    auto designer = addField("designer", "Designer");
    addField("other", "Other", Value("o"));
    clickInto(designer.get());
    EXPECT_TRUE(f->inspector->isEditing());
    EXPECT_EQ(f->inspector->selectedRange(), runOf(designer.get()));

    f->script->type("A");
    f->script->run();
    EXPECT_EQ(shown(designer.get()), QStringLiteral("A"));
    const Value colour = f->inspector->textStorage()->attributeAtIndexEffectiveRange(ForegroundColorAttributeName, runOf(designer.get()).location);
    EXPECT_TRUE(colour.isEqual(Value(Color::blackColor())));
    EXPECT_EQ(f->inspector->selectedRange(), (Range { MaxRange(runOf(designer.get())), 0 }));

    // All of it selected and deleted: the grey placeholder comes back.
    f->inspector->setSelectedRange(runOf(designer.get()));
    f->script->key(KeyCodeDelete);
    f->script->run();
    EXPECT_EQ(shown(designer.get()), QStringLiteral("Designer"));
    f->inspector->endEditing();
    EXPECT_TRUE(model->valueForKey("designer").isNil());
    EXPECT_EQ(log, QStringList { "delegate designer" });
    EXPECT_FALSE(f->inspector->isEditing());
}

TEST_F(InspectorEditing, VisitingValuesWithoutTypingWritesNothing)
{
    addField("name", "Name", Value("Sans"));
    auto multiple = addField("style", "Style", Value(Array { Value("Bold"), Value("Italic") }));
    addField("empty", "Empty");
    EXPECT_EQ(shown(multiple.get()), QStringLiteral("Multiple values"));
    clickInto(bound[0].get());
    f->script->key(KeyCodeTab).key(KeyCodeTab).key(KeyCodeTab);
    f->script->run();
    f->inspector->endEditing();
    EXPECT_TRUE(log.isEmpty());
    EXPECT_EQ(model->valueForKey("name"), Value("Sans"));
    EXPECT_EQ(model->valueForKey("style"), Value(Array { Value("Bold"), Value("Italic") }));
}

TEST_F(InspectorEditing, TabAndBacktabWrapAndSkipReadOnlyFields)
{
    auto a = addField("a", "A", Value("1"));
    auto b = addField("b", "B", Value("2"));
    auto c = addField("c", "C", Value("3"));
    b->setEditable(false);
    f->inspector->updateTextFieldStorage();
    clickInto(a.get());
    f->script->key(KeyCodeTab);
    f->script->run();
    EXPECT_EQ(f->inspector->selectedRange(), runOf(c.get()));
    f->script->key(KeyCodeTab);
    f->script->run();
    EXPECT_EQ(f->inspector->selectedRange(), runOf(a.get()));
    f->script->key(KeyCodeTab, {}, ShiftKeyMask);
    f->script->run();
    EXPECT_EQ(f->inspector->selectedRange(), runOf(c.get()));
    EXPECT_EQ(f->inspector->currentEditedStartLocation(), runOf(c.get()).location);
}

TEST_F(InspectorEditing, TabInAFormOfReadOnlyValuesSelectsNothing)
{
    auto a = addField("a", "A", Value("1"));
    auto b = addField("b", "B", Value("2"));
    a->setEditable(false);
    b->setEditable(false);
    f->inspector->updateTextFieldStorage();
    f->inspector->insertTab(nullptr);
    EXPECT_FALSE(f->inspector->isEditing());
    f->inspector->insertBacktab(nullptr);
    EXPECT_FALSE(f->inspector->isEditing());
}

TEST_F(InspectorEditing, ReturnEndsTheEditOrInsertsALineBreakThatTheModelGetsAsNewline)
{
    auto notes = addField("notes", "Notes", Value("a"));
    notes->setSupportNewLine(true);
    auto name = addField("name", "Name", Value("n"));
    clickInto(notes.get());
    f->inspector->setSelectedRange({ MaxRange(runOf(notes.get())), 0 });
    f->script->key(KeyCodeReturn).type("b");
    f->script->run();
    EXPECT_EQ(shown(notes.get()), QStringLiteral("a") + QChar(0x2028) + QStringLiteral("b"));
    EXPECT_TRUE(f->inspector->isEditing());
    f->inspector->endEditing();
    EXPECT_EQ(model->valueForKey("notes"), Value(QStringLiteral("a\nb")));

    clickInto(name.get());
    f->script->type("x").key(KeyCodeReturn);
    f->script->run();
    EXPECT_FALSE(f->inspector->isEditing());
    EXPECT_EQ(model->valueForKey("name"), Value("x"));
}

TEST_F(InspectorEditing, LettersTypedIntoAnIntegerFieldAreKeptAndShownAsTyped)
{
    auto size = JVLTextViewInspectorIntegerField::fieldWithIdentifierPlaceholderAndLabel("size", "Size", Label::fieldLabelWithString("size"));
    model->setValueForKey(Value(std::int64_t(12)), "size");
    size->bindToObjectWithKeyPathOptions("value", model.get(), "size", {});
    bound.push_back(size);
    f->inspector->addField(size);
    addField("after", "After", Value("a"));
    EXPECT_EQ(shown(size.get()), QStringLiteral("12"));

    clickInto(size.get());
    f->script->type("big").key(KeyCodeReturn);
    f->script->run();
    EXPECT_EQ(model->valueForKey("size"), Value("big"));
    EXPECT_EQ(shown(size.get()), QStringLiteral("big"));

    clickInto(size.get());
    f->script->type("14").key(KeyCodeReturn);
    f->script->run();
    EXPECT_EQ(model->valueForKey("size"), Value(std::int64_t(14)));
    EXPECT_EQ(shown(size.get()), QStringLiteral("14"));
}

TEST_F(InspectorEditing, LeavingATypedRunByArrowKeyWritesItOnce)
{
    auto a = addField("a", "A", Value("old"));
    addField("b", "B", Value("other"));
    clickInto(a.get());
    f->script->type("new").key(KeyCodeUpArrow);
    f->script->run();
    EXPECT_FALSE(f->inspector->isEditing());
    EXPECT_EQ(f->inspector->selectedRange(), (Range { 0, 0 }));
    EXPECT_EQ(model->valueForKey("a"), Value("new"));
    EXPECT_EQ(log, QStringList { "delegate a" });
    EXPECT_EQ(model->valueForKey("b"), Value("other"));
}

TEST_F(InspectorEditing, ARebuildDuringAnEditWritesNoOtherField)
{
    auto a = addField("a", "A", Value("first"));
    auto b = addField("b", "B", Value("second"));
    clickInto(a.get());
    f->script->type("typed");
    f->script->run();
    f->inspector->recreateFieldTextStorage();
    EXPECT_EQ(model->valueForKey("a"), Value("typed"));
    EXPECT_EQ(model->valueForKey("b"), Value("second"));
    EXPECT_FALSE(f->inspector->isEditing());
    f->inspector->removeAllFields();
    EXPECT_EQ(log, QStringList { "delegate a" });
}

TEST_F(InspectorEditing, AReadOnlyClickAsksTheDelegateAndEditsTheClickedValue)
{
    auto a = addField("a", "A", Value("one"));
    auto b = addField("b", "B", Value("two"));
    f->inspector->setEditableState(false);
    delegate->switchesToEditMode = true;
    clickInto(b.get());
    EXPECT_EQ(log, QStringList { "shouldChangeEditState" });
    EXPECT_TRUE(f->inspector->editableState());
    EXPECT_EQ(f->inspector->selectedRange(), runOf(b.get()));
    EXPECT_TRUE(f->inspector->isEditing());
}

TEST_F(InspectorEditing, ClicksOnReadOnlyFieldsInEditModeDoNothing)
{
    auto a = addField("a", "A", Value("one"));
    a->setEditable(false);
    clickInto(a.get());
    EXPECT_FALSE(f->inspector->isEditing());
}

TEST_F(InspectorEditing, CompletionIsAskedHalfASecondAfterTheLastKey)
{
    auto field = editCompletingField();
    f->script->type("ab").wait(0.3).type("c").wait(0.4);
    f->script->run();
    EXPECT_TRUE(field->asked.isEmpty());
    EXPECT_TRUE(f->inspector->hasCompletionTimer());
    // A harmless event after the wait lets the script's clock run to it.
    f->script->wait(0.2).mouseMoved(MakePoint(1, 1));
    f->script->run();
    EXPECT_EQ(field->asked, QStringList { "xabc" });

    // Moving the caret cancels a pending request.
    f->script->type("d");
    f->script->run();
    f->inspector->setSelectedRange({ runOf(field.get()).location, 0 });
    EXPECT_FALSE(f->inspector->hasCompletionTimer());
    f->script->wait(1).mouseMoved(MakePoint(1, 1));
    f->script->run();
    EXPECT_EQ(field->asked.size(), 1);
}

TEST_F(InspectorEditing, CompletionWaitsWhileAMenuIsOpen)
{
    auto field = editCompletingField();
    f->script->type("ab");
    f->script->run();

    // A second passes while a menu tracks: no completion pops up over it.
    test::MenuScope menus;
    menus.presenter->onPresent = [this] { f->script->clock().advance(1); };
    auto menu = make<Menu>(QStringLiteral("Choices"));
    menu->addItemWithTitleActionKeyEquivalent(QStringLiteral("One"), Selector(), QString());
    menu->runSession(MenuPresentation {});
    ASSERT_EQ(menus.presenter->sessions.size(), 1u);
    EXPECT_TRUE(field->asked.isEmpty());
    EXPECT_TRUE(f->inspector->hasCompletionTimer());

    // Back in the default mode, the overdue request runs.
    f->script->clock().advance(0.01);
    EXPECT_EQ(field->asked, QStringList { "xab" });
}

TEST_F(InspectorEditing, NothingIsHighlightedWhileNothingIsEdited)
{
    auto a = addField("a", "A", Value("one"));
    f->inspector->display();
    EXPECT_TRUE(IsEmptyRect(f->inspector->selectedRect()));
    clickInto(a.get());
    f->inspector->display();
    EXPECT_FALSE(IsEmptyRect(f->inspector->selectedRect()));
    f->inspector->endEditing();
    f->inspector->display();
    EXPECT_TRUE(IsEmptyRect(f->inspector->selectedRect()));
}

TEST_F(InspectorEditing, ALineBreakAtTheEndMakesTheRaisedEditorOneLineTaller)
{
    auto notes = addField("notes", "Notes", Value("text"));
    notes->setSupportNewLine(true);
    clickInto(notes.get());
    f->inspector->setSelectedRange({ MaxRange(runOf(notes.get())), 0 });
    f->inspector->display();
    const Rect before = f->inspector->selectedRect();
    ASSERT_FALSE(IsEmptyRect(before));
    f->script->key(KeyCodeReturn);
    f->script->run();
    f->inspector->display();
    const Rect after = f->inspector->selectedRect();
    EXPECT_EQ(after.minY(), before.minY());
    EXPECT_NEAR(after.height(), 2 * before.height(), 1.0);
    // The shadowed frame is drawn only while the inspector has the focus of the key window.
    EXPECT_TRUE(f->inspector->shadowImageAroundPath(BezierPath::bezierPathWithRect(MakeRect(0, 0, 40, 20)).get()));
}

// The raised editor: a grey frame around the value grown by 2 points, its image's shadow falling
// below it, and the shadow only while the inspector is first responder of the key window.
TEST_F(InspectorEditing, TheRaisedEditorFramesTheValueWithAShadowBelowOnlyWhileFocused)
{
    auto a = addField("a", "A", Value("value"));
    addField("b", "B", Value("other"));
    clickInto(a.get());
    ASSERT_EQ(f->window->firstResponder().get(), f->inspector.get());
    ASSERT_TRUE(f->window->isKeyWindow());
    f->inspector->display();
    const Rect r = InsetRect(f->inspector->selectedRect(), -2, -2);
    ASSERT_FALSE(IsEmptyRect(r));
    auto shot = [&] { return f->window->snapshot(); };
    QImage image = shot();
    const Rect content = f->window->contentView()->frame();
    const double scale = image.width() / content.width();
    // Inspector points through window points (y up) to the snapshot's pixels (y down).
    auto grey = [&](const QImage& im, double x, double y) {
        const Point p = f->inspector->convertPointToView(MakePoint(x, y), nullptr);
        return test::pixel(im, int(p.x * scale), int((content.height() - p.y) * scale)).red();
    };
    // The frame runs along the grown rectangle's edges; above it nothing is drawn.
    EXPECT_LT(grey(image, r.midX(), r.minY()), 235);
    EXPECT_LT(grey(image, r.minX(), r.midY()), 235);
    EXPECT_GE(grey(image, r.midX(), r.minY() - 4), 250);
    // The shadow: a few points below the bottom edge it darkens the background.
    const int shadowed = grey(image, r.midX(), r.maxY() + 3);
    EXPECT_LT(shadowed, 250);

    // Another window takes the key: the frame stays, its shadow goes.
    auto other = make<Window>(MakeRect(600, 100, 100, 100), TitledWindowMask);
    other->makeKeyAndOrderFront();
    ASSERT_FALSE(f->window->isKeyWindow());
    f->inspector->setNeedsDisplay(true);
    image = shot();
    EXPECT_LT(grey(image, r.midX(), r.minY()), 235);
    EXPECT_GE(grey(image, r.midX(), r.maxY() + 3), 250);
    other->orderOut();
}

// Deleting past either end of the value being edited: refused, so the value never joins its
// label or the next line.
TEST_F(InspectorEditing, DeletingPastEitherEndOfTheValueChangesNothing)
{
    auto a = addField("a", "A", Value("one"));
    addField("b", "B", Value("two"));
    const QString text = f->inspector->string();
    const auto paragraphs = [&] { return f->inspector->string().count(u'\n'); };
    const qsizetype count = paragraphs();
    clickInto(a.get());
    f->inspector->setSelectedRange({ runOf(a.get()).location, 0 });
    f->script->key(KeyCodeDelete).key(KeyCodeDelete);
    f->script->run();
    EXPECT_EQ(f->inspector->string(), text);
    f->inspector->setSelectedRange({ MaxRange(runOf(a.get())), 0 });
    f->script->key(KeyCodeForwardDelete).key(KeyCodeForwardDelete);
    f->script->run();
    EXPECT_EQ(f->inspector->string(), text);
    EXPECT_EQ(paragraphs(), count);
    EXPECT_TRUE(f->inspector->isEditing());
    // Insertion at either end stays allowed.
    f->script->key(KeyCodeEnd).type("!");
    f->script->run();
    EXPECT_EQ(shown(a.get()), QStringLiteral("one!"));
}

// Records the write-back's steps in one log.
class OrderModel : public InspectorModel {
    KIT_CLASS(OrderModel)
public:
    void setValueForKey(const Value& value, const QString& key) override
    {
        if (log)
            log->append(QStringLiteral("model"));
        InspectorModel::setValueForKey(value, key);
    }
    QStringList* log = nullptr;
};

KIT_REGISTER_CLASS(OrderModel, InspectorModel) { c.storesUndefinedKeys(); }

class OrderField : public JVLTextViewInspectorTextField {
    KIT_CLASS(OrderField)
public:
    void setValue(const Value& value) override
    {
        if (log)
            log->append(QStringLiteral("setValue"));
        JVLTextViewInspectorTextField::setValue(value);
    }
    void valueDidChangedFromTextInspector() override
    {
        if (log)
            log->append(QStringLiteral("validation"));
        JVLTextViewInspectorTextField::valueDidChangedFromTextInspector();
    }
    QStringList* log = nullptr;
};

KIT_REGISTER_CLASS(OrderField, JVLTextViewInspectorTextField) { c.copyable(); }

TEST_F(InspectorEditing, TheWriteBackStoresThenWritesTheModelThenTellsTheDelegateThenValidates)
{
    auto orderModel = make<OrderModel>();
    orderModel->setValueForKey(Value("old"), "a");
    auto field = JVLTextViewInspectorField::makeField<OrderField>("a", "A", Label::fieldLabelWithString("a"));
    field->bindToObjectWithKeyPathOptions("value", orderModel.get(), "a", {});
    f->inspector->addField(field);
    clickInto(field.get());
    f->script->type("new");
    f->script->run();
    orderModel->log = &log;
    field->log = &log;
    f->inspector->endEditing();
    // The model's echo reaches the field through its binding before the delegate hears of it.
    EXPECT_EQ(log, QStringList({ "setValue", "model", "setValue", "delegate a", "validation" }));
    EXPECT_EQ(orderModel->valueForKey("a"), Value("new"));
    orderModel->log = nullptr;
    field->log = nullptr;
    field->unbind("value");
}

// Two records with different names behind one field: the grey "Multiple values" is no value of
// either record, so a keystroke in it replaces it whole and nothing of it is ever written.
struct StateTextCase {
    const char* name;
    int caret; // -1: the End key; otherwise characters after the state text's start; 99: its end
    std::uint16_t keyCode; // 0: type "X"
    const char* shownAfterKey;
    const char* writtenOnTab; // nullptr: nil
};

class InspectorStateTextEditing : public InspectorEditing, public testing::WithParamInterface<StateTextCase> { };

TEST_P(InspectorStateTextEditing, AKeystrokeReplacesTheWholeStateTextAndOnlyWhatWasTypedIsWritten)
{
    const StateTextCase& c = GetParam();
    auto first = make<InspectorModel>();
    first->setValueForKey(Value("Sans Book"), "name");
    auto second = make<InspectorModel>();
    second->setValueForKey(Value("Sans Bold"), "name");
    auto records = make<ArrayController>(Array { Value(first), Value(second) });
    records->setSelectionIndexes(IndexSet { 0, 1 });
    auto name = JVLTextViewInspectorTextField::fieldWithIdentifierPlaceholderAndLabel("name", "Font name", Label::fieldLabelWithString("name"));
    name->bindToObjectWithKeyPathOptions("value", records.get(), "selectedObjects.name", {});
    bound.push_back(name);
    f->inspector->addField(name);
    addField("other", "Other", Value("o"));
    ASSERT_EQ(shown(name.get()), QStringLiteral("Multiple values"));

    clickInto(name.get());
    if (c.caret < 0)
        f->script->key(KeyCodeEnd);
    else
        f->inspector->setSelectedRange({ runOf(name.get()).location + std::min<std::int64_t>(c.caret, runOf(name.get()).length), 0 });
    f->script->run();
    EXPECT_EQ(f->inspector->selectedRange(), runOf(name.get()));
    if (c.keyCode)
        f->script->key(c.keyCode);
    else
        f->script->type("X");
    f->script->run();
    EXPECT_EQ(shown(name.get()), QString::fromUtf8(c.shownAfterKey));
    EXPECT_EQ(first->valueForKey("name"), Value("Sans Book"));
    EXPECT_EQ(second->valueForKey("name"), Value("Sans Bold"));
    EXPECT_TRUE(log.isEmpty());

    f->script->key(KeyCodeTab);
    f->script->run();
    const Value written = c.writtenOnTab ? Value(c.writtenOnTab) : Value();
    EXPECT_EQ(first->valueForKey("name"), written);
    EXPECT_EQ(second->valueForKey("name"), written);
    EXPECT_EQ(log, QStringList { "delegate name" });
    EXPECT_EQ(model->valueForKey("other"), Value("o"));
}

INSTANTIATE_TEST_SUITE_P(Cases, InspectorStateTextEditing,
    testing::Values(StateTextCase { "EndThenALetter", -1, 0, "X", "X" }, StateTextCase { "ALetterAfterMultiple", 8, 0, "X", "X" },
        StateTextCase { "BackspaceAtTheEnd", 99, KeyCodeDelete, "Font name", nullptr },
        StateTextCase { "ForwardDeleteAtTheStart", 0, KeyCodeForwardDelete, "Font name", nullptr }),
    [](const testing::TestParamInfo<StateTextCase>& info) { return std::string(info.param.name); });

// A row shown in a small view of its own.
class EditingListRow : public JVLTextViewInspectorViewField {
    KIT_CLASS(EditingListRow)
public:
    Ref<View> viewForField() override { return make<View>(MakeRect(0, 0, 60, 14)); }
};

KIT_REGISTER_CLASS(EditingListRow, JVLTextViewInspectorViewField) { c.copyable(); }

// The text above the value being edited changes while the user types: the edit stays on its
// characters, and what was typed, before and after the change, is what the model gets.
enum class ChangeAbove { FieldGrows, FieldShrinks, RowInserted, RowRemoved };

class InspectorTextBeforeTheEditChanges : public InspectorEditing, public testing::WithParamInterface<ChangeAbove> { };

TEST_P(InspectorTextBeforeTheEditChanges, TheTypedValueReachesTheModel)
{
    auto rows = make<ArrayController>();
    auto list = JVLTextViewInspectorListField::fieldWithIdentifierAndLabel("keywords", Label::fieldLabelWithString("Keywords"));
    list->setEntryFieldTemplate(JVLTextViewInspectorField::makeField<EditingListRow>("", "", nullptr));
    list->setEditable(true);
    list->bindToObjectControllerKeyModelKeyPathForValueModelKeyPathForLabel(rows.get(), "arrangedObjects", "text", QString());
    auto row = [](const char* text) {
        auto object = make<InspectorModel>();
        object->setValueForKey(Value(QString::fromUtf8(text)), "text");
        return Value(object);
    };
    rows->setContent(Value(Array { row("a"), row("b") }));
    f->inspector->addField(list);
    auto above = addField("above", "Above", Value("middle"));
    auto edited = addField("edited", "Edited", Value("old"));
    auto below = addField("below", "Below", Value("under"));
    const std::int64_t length = f->inspector->string().size();

    clickInto(edited.get());
    f->script->type("ty");
    f->script->run();
    QString aboveNow = QStringLiteral("middle");
    switch (GetParam()) {
    case ChangeAbove::FieldGrows:
        aboveNow = QStringLiteral("a much longer text");
        model->setValueForKey(Value(aboveNow), "above");
        break;
    case ChangeAbove::FieldShrinks:
        aboveNow = QStringLiteral("m");
        model->setValueForKey(Value(aboveNow), "above");
        break;
    case ChangeAbove::RowInserted:
        rows->insertObjectAtArrangedObjectIndex(row("c"), 1);
        break;
    case ChangeAbove::RowRemoved:
        rows->removeObjectAtArrangedObjectIndex(1);
        break;
    }
    ASSERT_NE(f->inspector->string().size(), length);
    EXPECT_TRUE(f->inspector->isEditing());
    EXPECT_EQ(f->inspector->currentEditedStartLocation(), runOf(edited.get()).location);
    EXPECT_EQ(f->inspector->selectedRange(), (Range { MaxRange(runOf(edited.get())), 0 }));
    EXPECT_TRUE(log.isEmpty());

    f->script->type("ped").key(KeyCodeReturn);
    f->script->run();
    EXPECT_EQ(shown(edited.get()), QStringLiteral("typed"));
    EXPECT_EQ(model->valueForKey("edited"), Value("typed"));
    EXPECT_EQ(log, QStringList { "delegate edited" });
    EXPECT_EQ(model->valueForKey("below"), Value("under"));
    EXPECT_EQ(model->valueForKey("above"), Value(aboveNow));
    EXPECT_EQ(shown(above.get()), aboveNow);
    EXPECT_EQ(shown(below.get()), QStringLiteral("under"));
    list->unbind();
}

std::string changeAboveName(const testing::TestParamInfo<ChangeAbove>& info)
{
    static const char* const names[] = { "FieldAboveGrows", "FieldAboveShrinks", "RowInsertedAbove", "RowRemovedAbove" };
    return names[int(info.param)];
}

INSTANTIATE_TEST_SUITE_P(Cases, InspectorTextBeforeTheEditChanges,
    testing::Values(ChangeAbove::FieldGrows, ChangeAbove::FieldShrinks, ChangeAbove::RowInserted, ChangeAbove::RowRemoved), changeAboveName);

} // namespace

