// List fields in the inspector: rows following an array controller, the row buttons and their
// rules, and the text patched in place as rows come and go (compared with a fresh rebuild).

#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorListField.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorTextField.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorTokenListField.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorViewField.h"
#include "JVLAppKit/tests/JVLTextViewInspectorTestSupport.h"

#include "kit/controls/Button.h"
#include "kit/controls/TokenField.h"
#include "kit/core/IndexSet.h"
#include "kit/core/KeyValueObserving.h"
#include "kit/text/TextStorage.h"

#include <gtest/gtest.h>

#include <random>

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

TEST(InspectorTokenList, RowsHostTokenFieldsWhoseEditsReachTheController)
{
    InspectorFixture f;
    f.inspector->setEditableState(true);
    auto controller = make<ArrayController>();
    controller->setObjectClass(&InspectorModel::staticClass());
    auto list = JVLTextViewInspectorTokenListField::fieldWithIdentifierPlaceholderAndLabel("keywords", "Keyword", Label::fieldLabelWithString("Keywords"));
    list->bindToObjectControllerKeyModelKeyPathForValueModelKeyPathForLabel(controller.get(), "arrangedObjects", "text", QString());
    f.inspector->addField(list);
    auto a = make<InspectorModel>();
    a->setValueForKey(Value("bold"), "text");
    auto b = make<InspectorModel>();
    b->setValueForKey(Value("serif"), "text");
    controller->setContent(Value(Array { Value(a), Value(b) }));
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

