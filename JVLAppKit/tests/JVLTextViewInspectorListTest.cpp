// List fields in the inspector: rows following an array controller, the row buttons and their
// rules, and the text patched in place as rows come and go (compared with a fresh rebuild).

#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorListField.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorTextField.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorTokenListField.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorViewField.h"
#include "JVLAppKit/tests/JVLTextViewInspectorTestSupport.h"

#include "kit/appkit/AccessibilityBridge.h"
#include "kit/controls/Button.h"
#include "kit/controls/TokenField.h"
#include "kit/core/IndexSet.h"
#include "kit/core/KeyValueObserving.h"
#include "kit/text/TextStorage.h"
#include "kit/text/TextView.h"

#include <QAccessible>

#include <gtest/gtest.h>

#include <random>
#include <tuple>

namespace {

using namespace kit;
using Label = JVLTextViewInspectorFieldLabel;

// A row showing its value in a small view of its own.
class ListRowField : public JVLTextViewInspectorViewField {
    KIT_CLASS(ListRowField)
public:
    Ref<View> viewForField() override { return make<View>(MakeRect(0, 0, 60, 14)); }
};

KIT_REGISTER_CLASS(ListRowField, JVLTextViewInspectorViewField) { c.copyable(); }

class InspectorLists : public testing::Test {
protected:
    void SetUp() override
    {
        f.emplace();
        f->inspector->setEditableState(true);
        controller = make<ArrayController>();
        list = JVLTextViewInspectorListField::fieldWithIdentifierAndLabel("keywords", Label::fieldLabelWithString("Keywords"));
        list->setEntryFieldTemplate(JVLTextViewInspectorField::makeField<ListRowField>("", "", nullptr));
        list->setEditable(true);
    }
    void TearDown() override
    {
        list->unbind();
        f.reset();
    }
    Ref<Object> item(const char* text)
    {
        auto object = make<InspectorModel>();
        object->setValueForKey(Value(QString::fromUtf8(text)), "text");
        return object;
    }
    // What a rebuild from scratch shows, to compare a patched text with.
    QString freshText()
    {
        f->inspector->recreateFieldTextStorage();
        return f->inspector->string();
    }

    std::optional<InspectorFixture> f;
    Ref<ArrayController> controller;
    Ref<JVLTextViewInspectorListField> list;
};

TEST_F(InspectorLists, RowsFollowTheControllerAndOfferDefaultLabels)
{
    auto first = Label::fieldLabelWithString("Home");
    auto second = Label::fieldLabelWithString("Work");
    list->setDefaultLabels({ first, second });
    list->bindToObjectControllerKeyModelKeyPathForValueModelKeyPathForLabel(controller.get(), "arrangedObjects", "text", QString());
    controller->setContent(Value(Array {}));
    ASSERT_EQ(list->allRows().size(), 2u);
    EXPECT_EQ(list->rowAtIndex(0)->label().get(), first.get());
    EXPECT_EQ(list->rowAtIndex(1)->label().get(), second.get());

    controller->setContent(Value(Array { Value(item("a")), Value(item("b")) }));
    // Two object rows, then one empty row per default label no row carries.
    ASSERT_EQ(list->allRows().size(), 4u);
    EXPECT_EQ(list->rowAtIndex(0)->value(), controller->arrangedObjects()[0]);
    EXPECT_TRUE(list->rowAtIndex(3)->value().isNil());
}

TEST_F(InspectorLists, ButtonsFollowTheirRules)
{
    list->bindToObjectControllerKeyModelKeyPathForValueModelKeyPathForLabel(controller.get(), "arrangedObjects", "text", QString());
    f->inspector->addField(list);
    controller->setContent(Value(Array { Value(item("a")), Value(item("b")) }));
    ASSERT_EQ(list->allRows().size(), 2u);
    // The first row never has a remove button; the second has one only when the controller can
    // remove (it needs a selection) or the row is empty.
    EXPECT_TRUE(f->inspector->shouldDisplayAddButtonForListFieldRowFieldAtRowIndex(list.get(), list->rowAtIndex(0).get(), 0));
    EXPECT_FALSE(f->inspector->shouldDisplayRemoveButtonForListFieldRowFieldAtRowIndex(list.get(), list->rowAtIndex(0).get(), 0));
    controller->setSelectionIndexes(IndexSet());
    EXPECT_FALSE(f->inspector->shouldDisplayRemoveButtonForListFieldRowFieldAtRowIndex(list.get(), list->rowAtIndex(1).get(), 1));
    controller->setSelectionIndexes(IndexSet(0));
    EXPECT_TRUE(f->inspector->shouldDisplayRemoveButtonForListFieldRowFieldAtRowIndex(list.get(), list->rowAtIndex(1).get(), 1));
    f->inspector->setEditableState(false);
    EXPECT_FALSE(f->inspector->shouldDisplayAddButtonForListFieldRowFieldAtRowIndex(list.get(), list->rowAtIndex(0).get(), 0));
}

TEST_F(InspectorLists, RowsInsertedAndRemovedPatchTheTextAsARebuildWouldShowIt)
{
    auto before = JVLTextViewInspectorTextField::fieldWithIdentifierPlaceholderAndLabel("name", "Name", Label::fieldLabelWithString("Name"));
    before->setValue(Value("Sans"));
    auto after = JVLTextViewInspectorTextField::fieldWithIdentifierPlaceholderAndLabel("family", "Family", Label::fieldLabelWithString("Family"));
    after->setValue(Value("Serif"));
    f->inspector->addFieldsArray({ before, list, after });
    std::mt19937 random(7);
    for (int step = 0; step < 30; ++step) {
        const std::int64_t count = std::int64_t(list->allRows().size());
        if (count == 0 || random() % 3 != 0)
            list->insertRowAtIndex(std::int64_t(random() % std::uint32_t(count + 1)));
        else
            list->removeRowAtIndex(std::int64_t(random() % std::uint32_t(count)));
        const QString patched = f->inspector->string();
        std::vector<const JVLTextViewInspectorField*> visible;
        for (const auto& field : f->inspector->visibleFieldsArray())
            visible.push_back(field.get());
        ASSERT_EQ(patched, freshText()) << "step " << step;
        std::vector<const JVLTextViewInspectorField*> rebuilt;
        for (const auto& field : f->inspector->visibleFieldsArray())
            rebuilt.push_back(field.get());
        ASSERT_EQ(visible, rebuilt) << "step " << step;
    }
}

TEST_F(InspectorLists, TheRemoveButtonTouchesTheControllerOnlyForARowWithAnObject)
{
    list->setDefaultLabels({ Label::fieldLabelWithString("Other") });
    list->bindToObjectControllerKeyModelKeyPathForValueModelKeyPathForLabel(controller.get(), "arrangedObjects", "text", QString());
    f->inspector->addField(list);
    controller->setContent(Value(Array { Value(item("a")), Value(item("b")) }));
    controller->setSelectionIndexes(IndexSet(0));
    ASSERT_EQ(list->allRows().size(), 3u);
    // The empty default-label row: the controller keeps both objects.
    auto button = JVLTextViewInspector::removeButton();
    button->cell()->setRepresentedObject(Value(list->rowAtIndex(2)));
    f->inspector->removeListRow(button.get());
    EXPECT_EQ(controller->arrangedObjects().count(), 2);
    // A bound row: its own object goes.
    const Value second = controller->arrangedObjects()[1];
    button->cell()->setRepresentedObject(Value(list->rowAtIndex(1)));
    f->inspector->removeListRow(button.get());
    ASSERT_EQ(controller->arrangedObjects().count(), 1);
    EXPECT_FALSE(controller->arrangedObjects()[0].identicalTo(second));
}

TEST_F(InspectorLists, AHiddenListChangesNothingInTheText)
{
    list->setHidden(true);
    auto name = JVLTextViewInspectorTextField::fieldWithIdentifierPlaceholderAndLabel("name", "Name", Label::fieldLabelWithString("Name"));
    f->inspector->addFieldsArray({ name, list });
    const QString text = f->inspector->string();
    list->insertRowAtIndex(0);
    list->insertRowAtIndex(0);
    EXPECT_EQ(f->inspector->string(), text);
}

} // namespace

namespace {

// A token list in the form bound to a controller of two keyword objects, "bold" and "serif".
std::pair<Ref<InspectorModel>, Ref<InspectorModel>> showKeywords(
    InspectorFixture& f, const Ref<JVLTextViewInspectorTokenListField>& list, const Ref<ArrayController>& controller)
{
    controller->setObjectClass(&InspectorModel::staticClass());
    list->bindToObjectControllerKeyModelKeyPathForValueModelKeyPathForLabel(controller.get(), "arrangedObjects", "text", QString());
    f.inspector->addField(list);
    auto a = make<InspectorModel>();
    a->setValueForKey(Value("bold"), "text");
    auto b = make<InspectorModel>();
    b->setValueForKey(Value("serif"), "text");
    controller->setContent(Value(Array { Value(a), Value(b) }));
    return { a, b };
}

TEST(InspectorTokenList, RowsHostTokenFieldsWhoseEditsReachTheController)
{
    InspectorFixture f;
    f.inspector->setEditableState(true);
    auto controller = make<ArrayController>();
    auto list = JVLTextViewInspectorTokenListField::fieldWithIdentifierPlaceholderAndLabel("keywords", "Keyword", Label::fieldLabelWithString("Keywords"));
    const auto [a, b] = showKeywords(f, list, controller);
    controller->setSelectionIndexes(IndexSet(0));
    ASSERT_EQ(list->allRows().size(), 2u);
    auto row = dynamic_pointer_cast<JVLTextViewInspectorTokenListFieldItem>(list->rowAtIndex(1));
    ASSERT_TRUE(row);
    auto* tokens = dynamic_cast<TokenField*>(row->tokenField().get());
    ASSERT_TRUE(tokens);
    EXPECT_EQ(tokens->delegate().get(), list.get());
    EXPECT_EQ(tokens->objectValue(), Value(Array { Value("serif") }));
    EXPECT_EQ(row->tokenListField().get(), list.get());
    EXPECT_EQ(tokens->superview().get(), f.inspector.get());
    // A screen reader hears what each row holds, the list's placeholder, and which row it is.
    EXPECT_EQ(AccessibilityBridge::interfaceFor(tokens->accessibilityElement())->text(QAccessible::Name), QStringLiteral("Keyword, row 2"));
    row->setPlaceholder(QStringLiteral("Tag"));
    EXPECT_EQ(AccessibilityBridge::interfaceFor(tokens->accessibilityElement())->text(QAccessible::Name), QStringLiteral("Tag"));

    // Emptied: the row's object leaves the controller.
    tokens->setObjectValue(Value(Array {}));
    EXPECT_TRUE(list->controlTextShouldEndEditing(tokens, nullptr));
    ASSERT_EQ(controller->arrangedObjects().count(), 1);
    EXPECT_TRUE(controller->arrangedObjects()[0].identicalTo(Value(a)));
    // A control of no row (asked again after the rows were rebuilt) changes nothing.
    auto stray = make<TokenField>();
    EXPECT_TRUE(list->controlTextShouldEndEditing(stray.get(), nullptr));
    EXPECT_EQ(controller->arrangedObjects().count(), 1);
    list->unbind();
}

// Keywords as model objects, as an owner of a token list makes them.
class KeywordListField : public JVLTextViewInspectorTokenListField {
    KIT_CLASS(KeywordListField)
public:
    Value objectToInsertWithProposedObjectFieldAtIndexLabel(const Value& proposed, JVLTextViewInspectorField*, std::int64_t, Label*) override
    {
        auto keyword = make<InspectorModel>();
        keyword->setValueForKey(proposed, "text");
        return Value(keyword);
    }
};

KIT_REGISTER_CLASS(KeywordListField, JVLTextViewInspectorTokenListField) { c.copyable(); }

QString keywordOf(const Value& object) { return object.isObject() ? object.object()->valueForKey("text").stringValue() : QString(); }

// A newline pasted into a row's token field ends its edit: the row's keyword is replaced once, in
// place, and one empty row opens right below it, also below the last row.
TEST(InspectorTokenList, APastedNewlineCommitsTheRowOnceAndOpensOneRowBelow)
{
    InspectorFixture f;
    f.inspector->setEditableState(true);
    auto controller = make<ArrayController>();
    auto list = JVLTextViewInspectorField::makeField<KeywordListField>("keywords", "Keyword", Label::fieldLabelWithString("Keywords"));
    showKeywords(f, list, controller);
    ASSERT_EQ(list->allRows().size(), 2u);

    // The first row, then the last one (below the empty row the first newline opened).
    for (const auto& [last, word, replaced] : { std::tuple<bool, const char*, std::int64_t> { false, "light", 0 }, { true, "heavy", 1 } }) {
        SCOPED_TRACE(word);
        const std::int64_t objectsBefore = controller->arrangedObjects().count();
        const std::int64_t rowIndex = last ? std::int64_t(list->allRows().size()) - 1 : 0;
        auto row = dynamic_pointer_cast<JVLTextViewInspectorTokenListFieldItem>(list->rowAtIndex(rowIndex));
        ASSERT_TRUE(row);
        auto* tokens = dynamic_cast<TokenField*>(row->tokenField().get());
        ASSERT_TRUE(tokens);
        ASSERT_TRUE(f.window->makeFirstResponder(tokens));
        auto editor = dynamic_pointer_cast<TextView>(f.window->fieldEditorForObject(false, nullptr));
        ASSERT_TRUE(editor);
        editor->setSelectedRange({ 0, std::int64_t(editor->string().size()) });
        editor->insertText(QString::fromUtf8(word) + QChar(u'\n'));

        // The edit ended; the keyword replaced the row's object at its place; nothing else changed.
        EXPECT_NE(f.window->firstResponder().get(), editor.get());
        const Array arranged = controller->arrangedObjects();
        ASSERT_EQ(arranged.count(), objectsBefore);
        EXPECT_EQ(keywordOf(arranged[replaced]), QString::fromUtf8(word));
        EXPECT_EQ(keywordOf(arranged[1 - replaced]), QString::fromUtf8(replaced == 0 ? "serif" : "light"));
        // One empty row, right below the edited keyword's row.
        ASSERT_EQ(std::int64_t(list->allRows().size()), arranged.count() + 1);
        std::int64_t shown = -1;
        for (std::int64_t i = 0; i < std::int64_t(list->allRows().size()); ++i)
            if (keywordOf(list->rowAtIndex(i)->value()) == QString::fromUtf8(word))
                shown = i;
        ASSERT_GE(shown, 0);
        ASSERT_LT(shown + 1, std::int64_t(list->allRows().size()));
        EXPECT_TRUE(list->rowAtIndex(shown + 1)->value().isNil());
    }
    list->unbind();
}

} // namespace

namespace {

// The kit's array controller reports every change as one setting; a controller that reports index
// changes is simulated by changing the content unobserved and then telling the list what changed.
void changeIndexed(ArrayController* controller, JVLTextViewInspectorListField* list, const Array& content, KeyValueChangeKind kind, const IndexSet& indexes)
{
    controller->removeObserverForKeyPath(list, "arrangedObjects");
    controller->setContent(Value(content));
    controller->addObserverForKeyPathOptionsContext(list, "arrangedObjects", KeyValueObservingOptionNew | KeyValueObservingOptionOld, nullptr);
    KeyValueChange change;
    change.kind = kind;
    change.hasIndexes = true;
    change.indexes = indexes;
    list->observeValueForKeyPathOfObjectChangeContext("arrangedObjects", controller, change, nullptr);
}

TEST(InspectorListChanges, IndexedInsertionsRemovalsAndReplacementsTouchOnlyTheirRows)
{
    InspectorFixture f;
    f.inspector->setEditableState(true);
    auto controller = make<ArrayController>();
    auto list = JVLTextViewInspectorListField::fieldWithIdentifierAndLabel("list", nullptr);
    list->setEntryFieldTemplate(JVLTextViewInspectorField::makeField<ListRowField>("", "", nullptr));
    list->bindToObjectControllerKeyModelKeyPathForValueModelKeyPathForLabel(controller.get(), "arrangedObjects", "text", QString());
    f.inspector->addField(list);
    std::vector<Ref<InspectorModel>> items;
    for (int i = 0; i < 5; ++i)
        items.push_back(make<InspectorModel>());
    auto arrayOf = [&](std::initializer_list<int> which) {
        Array a;
        for (int i : which)
            a.addObject(Value(items[std::size_t(i)]));
        return a;
    };
    controller->setContent(Value(arrayOf({ 0, 1, 2, 3 })));
    ASSERT_EQ(list->allRows().size(), 4u);
    const Ref<JVLTextViewInspectorField> first = list->rowAtIndex(0), last = list->rowAtIndex(3);

    // Two adjacent objects removed at once: their two rows go, no other.
    changeIndexed(controller.get(), list.get(), arrayOf({ 0, 3 }), KeyValueChangeRemoval, IndexSet({ 1, 2 }));
    ASSERT_EQ(list->allRows().size(), 2u);
    EXPECT_EQ(list->rowAtIndex(0).get(), first.get());
    EXPECT_EQ(list->rowAtIndex(1).get(), last.get());

    changeIndexed(controller.get(), list.get(), arrayOf({ 0, 4, 3 }), KeyValueChangeInsertion, IndexSet(1));
    ASSERT_EQ(list->allRows().size(), 3u);
    EXPECT_TRUE(list->rowAtIndex(1)->value().identicalTo(Value(items[4])));
    EXPECT_EQ(list->rowAtIndex(2).get(), last.get());

    changeIndexed(controller.get(), list.get(), arrayOf({ 0, 4, 2 }), KeyValueChangeReplacement, IndexSet(2));
    ASSERT_EQ(list->allRows().size(), 3u);
    EXPECT_TRUE(list->rowAtIndex(2)->value().identicalTo(Value(items[2])));
    EXPECT_NE(list->rowAtIndex(2).get(), last.get());
    // The text shows what a rebuild shows.
    const QString patched = f.inspector->string();
    f.inspector->recreateFieldTextStorage();
    EXPECT_EQ(patched, f.inspector->string());
    list->unbind();
}

} // namespace

