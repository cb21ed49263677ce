// The inspector's field model: value states, visibility, labels, conversion and validation, copies.

#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorCheckboxField.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorCompoundField.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorField.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorImageField.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorIntegerField.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorListField.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorRatingField.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorSmallButtonField.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorTextField.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorURLField.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorViewField.h"
#include "JVLAppKit/tests/JVLTextViewInspectorTestSupport.h"

#include "kit/controls/Menu.h"
#include "kit/controls/MenuItem.h"
#include "kit/foundation/ManagedObjectModel.h"
#include "kit/testsupport/ManualClockScope.h"

#include <gtest/gtest.h>

namespace {

using namespace kit;
using Label = JVLTextViewInspectorFieldLabel;

class LabelChoiceRecorder : public Object, public JVLTextViewInspectorFieldDelegate {
    KIT_CLASS(LabelChoiceRecorder)
public:
    void inspectorFieldDidChangeLabelSelection(JVLTextViewInspectorField*, JVLTextViewInspectorFieldLabel* label) override
    {
        chosen << label->label();
    }
    QStringList chosen;
};

KIT_REGISTER_CLASS(LabelChoiceRecorder, Object) { c.optionalOperation(JVLInspectorFieldDidChangeLabelSelectionOperation); }

Ref<Label> fieldLabel(const char* text, Value represented = {}) { return Label::fieldLabelWithStringRepresentedObject(QString::fromUtf8(text), represented); }

// Value states ------------------------------------------------------------------------------------------

struct StateCase {
    const char* name;
    Value value;
    bool multipleValuesSupported;
    JVLTextViewInspectorValueState expected;
};

class InspectorFieldValueState : public testing::TestWithParam<StateCase> { };

TEST_P(InspectorFieldValueState, CountsDistinctValues)
{
    auto field = JVLTextViewInspectorTextField::fieldWithIdentifierPlaceholderAndLabel("f", "p", nullptr);
    field->setSupportMultipleValues(GetParam().multipleValuesSupported);
    field->JVLTextViewInspectorField::setValue(GetParam().value);
    EXPECT_EQ(field->valueState(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Values, InspectorFieldValueState,
    testing::Values(StateCase { "Nil", Value(), false, JVLNullValueState }, StateCase { "Null", Value::null(), false, JVLNullValueState },
        StateCase { "EmptyArray", Value(Array {}), false, JVLNoSelectionState },
        StateCase { "ArrayOfNull", Value(Array { Value::null() }), false, JVLNullValueState },
        StateCase { "OneElement", Value(Array { Value("a") }), false, JVLSingleValueState },
        StateCase { "TwoDifferent", Value(Array { Value("a"), Value("b") }), false, JVLMultipleValuesState },
        StateCase { "TwoDifferentSupported", Value(Array { Value("a"), Value("b") }), true, JVLSingleValueState },
        // The model's echo after one value was written to a multiple selection: one value.
        StateCase { "TwoEqual", Value(Array { Value("a"), Value("a") }), false, JVLSingleValueState },
        StateCase { "NumbersEqualAcrossKinds", Value(Array { Value(std::int64_t(1)), Value(1.0) }), false, JVLSingleValueState },
        StateCase { "EmptySet", Value(Set {}), false, JVLNoSelectionState },
        StateCase { "SetOfTwo", Value(Set { Value("a"), Value("b") }), false, JVLMultipleValuesState },
        StateCase { "String", Value("a"), false, JVLSingleValueState }),
    [](const testing::TestParamInfo<StateCase>& info) { return info.param.name; });

// Visibility ------------------------------------------------------------------------------------------------

TEST(InspectorField, VisibilityFollowsFlagsStateAndCompoundField)
{
    auto field = JVLTextViewInspectorTextField::fieldWithIdentifierPlaceholderAndLabel("f", "p", nullptr);
    field->setValue(Value("x"));
    EXPECT_TRUE(field->shouldBeVisibleWithEditableState(true));
    EXPECT_TRUE(field->shouldBeVisibleWithEditableState(false));
    field->setSuppressFieldIfNotEditable(true);
    EXPECT_FALSE(field->shouldBeVisibleWithEditableState(false));
    field->setSuppressFieldIfNotEditable(false);
    // A null text field is hidden read-only unless it has a replacement text.
    field->setValue(Value::null());
    EXPECT_FALSE(field->shouldBeVisibleWithEditableState(false));
    EXPECT_TRUE(field->shouldBeVisibleWithEditableState(true));
    field->setNotEditableReplacementString("none");
    EXPECT_TRUE(field->shouldBeVisibleWithEditableState(false));
    field->setConditionallySetsHidden(true);
    EXPECT_FALSE(field->shouldBeVisibleWithEditableState(true));

    auto compound = JVLTextViewInspectorCompoundField::fieldWithIdentifierAndLabel("c", nullptr);
    auto sub = JVLTextViewInspectorTextField::fieldWithIdentifierPlaceholderAndLabel("s", "p", nullptr);
    compound->addField(sub);
    EXPECT_EQ(sub->compoundField().get(), compound.get());
    EXPECT_TRUE(sub->isSubFieldOf(compound.get()));
    EXPECT_TRUE(sub->isSubFieldOf(sub.get()));
    EXPECT_FALSE(compound->isSubFieldOf(sub.get()));
    compound->setHidden(true);
    EXPECT_FALSE(sub->shouldBeVisibleWithEditableState(true));

    // A view field shows read-only only when always visible, replaced by text, or a separator.
    auto view = JVLTextViewInspectorViewField::viewFieldWithIdentifierFieldViewAndLabel("v", make<View>(MakeRect(0, 0, 10, 10)), nullptr);
    EXPECT_TRUE(view->shouldBeVisibleWithEditableState(true));
    EXPECT_FALSE(view->shouldBeVisibleWithEditableState(false));
    view->setViewShouldAlwaysBeVisible(true);
    EXPECT_TRUE(view->shouldBeVisibleWithEditableState(false));
    EXPECT_TRUE(JVLTextViewInspectorViewField::separatorField()->shouldBeVisibleWithEditableState(false));
}

TEST(InspectorField, TwoSeparatorsMadeInOneMillisecondDiffer)
{
    test::ManualClockScope clock;
    const auto a = JVLTextViewInspectorViewField::separatorField();
    const auto b = JVLTextViewInspectorViewField::separatorField();
    EXPECT_TRUE(a->isSeparator());
    EXPECT_NE(a->identifier(), b->identifier());
    EXPECT_EQ(a->view()->frame().size, MakeSize(100, 1));
}

// Labels -------------------------------------------------------------------------------------------------

TEST(InspectorField, TheLabelMenuListsTheLabelsSortedAndOnlyWhenEditable)
{
    auto field = JVLTextViewInspectorTextField::fieldWithIdentifierPlaceholderAndLabel("f", "default", fieldLabel("Designer", Value("d")));
    EXPECT_FALSE(field->shouldDisplayLabelMenu());
    field->setLabelArray({ fieldLabel("manufacturer", Value("m")), fieldLabel("Designer", Value("d")), fieldLabel("Author") });
    EXPECT_TRUE(field->shouldDisplayLabelMenu());
    field->setEditable(false);
    EXPECT_FALSE(field->shouldDisplayLabelMenu());
    const Ref<Menu> menu = field->labelMenu();
    ASSERT_TRUE(menu);
    QStringList titles;
    for (const auto& item : menu->itemArray())
        titles << item->title();
    EXPECT_EQ(titles, QStringList({ "Author", "Designer", "manufacturer" }));
    EXPECT_EQ(menu->itemArray()[0]->target().get(), field.get());

    // A sub-field offers its compound field's labels.
    auto compound = JVLTextViewInspectorCompoundField::fieldWithIdentifierAndLabel("c", nullptr);
    compound->setLabelArray(field->labelArray());
    auto sub = JVLTextViewInspectorTextField::fieldWithIdentifierAndLabel("s", nullptr);
    compound->addField(sub);
    EXPECT_EQ(sub->effectiveLabelArray().size(), 3u);
}

TEST(InspectorField, RepresentedObjectsChooseTheLabelAndItsPlaceholder)
{
    auto designer = fieldLabel("Designer", Value("d"));
    designer->setLabelDependentPlaceholder("Who drew it");
    auto maker = fieldLabel("Manufacturer", Value("m"));
    auto field = JVLTextViewInspectorTextField::fieldWithIdentifierPlaceholderAndLabel("f", "default", nullptr);
    field->setLabelArray({ designer, maker });
    field->setSelectedRepresentedObjectOfLabel(Value(QStringLiteral("d")));
    EXPECT_EQ(field->label().get(), designer.get());
    EXPECT_EQ(field->placeholder(), QStringLiteral("Who drew it"));
    field->setSelectedRepresentedObjectOfLabel(Value("m"));
    EXPECT_EQ(field->label().get(), maker.get());
    EXPECT_EQ(field->placeholder(), QStringLiteral("default"));
    // No label stands for it: the field ends without a label and, having had one, without the object.
    field->setSelectedRepresentedObjectOfLabel(Value("x"));
    EXPECT_FALSE(field->label());
    EXPECT_TRUE(field->selectedRepresentedObjectOfLabel().isNil());
    // Without a label before, the given object stays.
    field->setSelectedRepresentedObjectOfLabel(Value("y"));
    EXPECT_EQ(field->selectedRepresentedObjectOfLabel(), Value("y"));
    EXPECT_FALSE(field->labelWithRepresentedObject(Value()));
}

TEST(InspectorField, ChoosingALabelWritesItsObjectBackAndChoosingTheCurrentOneSendsNothing)
{
    auto model = make<InspectorModel>();
    auto designer = fieldLabel("Designer", Value("d"));
    auto maker = fieldLabel("Manufacturer", Value("m"));
    auto field = JVLTextViewInspectorTextField::fieldWithIdentifierPlaceholderAndLabel("f", "p", designer);
    field->setLabelArray({ designer, maker });
    field->bindToObjectWithKeyPathOptions("selectedRepresentedObjectOfLabel", model.get(), "role", {});
    model->setValueForKey(Value("d"), "role");
    const Ref<Menu> menu = field->labelMenu();
    auto itemFor = [&](const Ref<Label>& label) {
        for (const auto& item : menu->itemArray())
            if (item->representedObject().object().get() == label.get())
                return item;
        return Ref<MenuItem>();
    };
    auto recorder = make<LabelChoiceRecorder>();
    field->setDelegate(recorder.get());
    field->labelSelectionDidChange(itemFor(designer).get());
    EXPECT_TRUE(recorder->chosen.isEmpty());
    EXPECT_EQ(model->valueForKey("role"), Value("d"));
    field->labelSelectionDidChange(itemFor(maker).get());
    EXPECT_EQ(field->label().get(), maker.get());
    EXPECT_EQ(model->valueForKey("role"), Value("m"));
    EXPECT_EQ(recorder->chosen, QStringList { "Manufacturer" });
    field->unbind("selectedRepresentedObjectOfLabel");
}

// Text and integer fields -------------------------------------------------------------------------------

TEST(InspectorTextField, DisplayStringsReduceAndJoinLines)
{
    auto field = JVLTextViewInspectorTextField::fieldWithIdentifierPlaceholderAndLabel("f", "p", nullptr);
    field->setValue(Value(Array { Value("a"), Value("a") }));
    EXPECT_EQ(field->displayStringForValue(), QStringLiteral("a"));
    // Reduced in place.
    EXPECT_EQ(field->value(), Value("a"));
    field->setValue(Value(Array { Value("a"), Value("b") }));
    EXPECT_TRUE(field->displayStringForValue().isEmpty());
    field->setValue(Value(QStringLiteral("one\n\ntwo")));
    EXPECT_EQ(field->displayStringForValue(), QStringLiteral("one") + QChar(0x2028) + QStringLiteral("two"));
    field->setValue(Value(std::int64_t(3)));
    EXPECT_TRUE(field->displayStringForValue().isEmpty());
}

TEST(InspectorTextField, PlaceholderAndMultipleValuesTextConvertToNil)
{
    InspectorFixture f; // its bundle tables
    auto field = JVLTextViewInspectorTextField::fieldWithIdentifierPlaceholderAndLabel("f", "Family", nullptr);
    EXPECT_TRUE(field->valueObjectForString("family").isNil());
    EXPECT_TRUE(field->valueObjectForString("FAMILY").isNil());
    EXPECT_TRUE(field->valueObjectForString(JVLTextViewInspectorTextField::multipleValuesText()).isNil());
    EXPECT_EQ(field->valueObjectForString("Sans"), Value("Sans"));
}

struct ValidationCase {
    const char* name;
    std::int32_t method;
    const char* text;
    bool valid;
};

class InspectorTextFieldValidation : public testing::TestWithParam<ValidationCase> { };

TEST_P(InspectorTextFieldValidation, ReachesTheModel)
{
    auto model = make<InspectorModel>();
    auto field = JVLTextViewInspectorTextField::fieldWithIdentifierPlaceholderAndLabel("f", "p", nullptr);
    field->setValidationMethod(GetParam().method);
    field->bindToObjectWithKeyPathOptions("isValid", model.get(), "ok", {});
    field->setValue(GetParam().text ? Value(QString::fromUtf8(GetParam().text)) : Value());
    EXPECT_EQ(field->isValid(), GetParam().valid);
    EXPECT_EQ(model->valueForKey("ok"), Value(GetParam().valid));
    field->unbind("isValid");
}

INSTANTIATE_TEST_SUITE_P(Rules, InspectorTextFieldValidation,
    testing::Values(ValidationCase { "UrlPlain", 2, "example.org", true }, ValidationCase { "UrlNoDot", 2, "localhost", false },
        ValidationCase { "UrlDotFirst", 2, ".org", false }, ValidationCase { "UrlDotLast", 2, "example.", false },
        ValidationCase { "UrlNone", 2, nullptr, false }, ValidationCase { "MailPlain", 1, "a@b.c", true },
        ValidationCase { "MailNoAt", 1, "ab.c", false }, ValidationCase { "MailAtFirst", 1, "@b.c", false },
        ValidationCase { "MailAtLast", 1, "b.c@", false }, ValidationCase { "MailNoDot", 1, "a@b", false },
        ValidationCase { "NoMethod", 0, "anything", true }, ValidationCase { "UnknownMethod", 7, "anything", false }),
    [](const testing::TestParamInfo<ValidationCase>& info) { return info.param.name; });

TEST(InspectorTextField, EmptyValues)
{
    auto field = JVLTextViewInspectorTextField::fieldWithIdentifierPlaceholderAndLabel("f", "p", nullptr);
    for (const Value& v : { Value(), Value(" \t "), Value(std::int64_t(0)), Value(0.0), Value(Set {}), Value(Array {}) }) {
        field->JVLTextViewInspectorField::setValue(v);
        EXPECT_TRUE(field->isValueEmpty()) << v.description().toStdString();
    }
    for (const Value& v : { Value("\n"), Value("x"), Value(std::int64_t(1)), Value(Array { Value() }) }) {
        field->JVLTextViewInspectorField::setValue(v);
        EXPECT_FALSE(field->isValueEmpty()) << v.description().toStdString();
    }
    field->JVLTextViewInspectorField::setValue(Value(Array { Value("a"), Value("a") }));
    EXPECT_FALSE(field->isMultipleValue());
    field->JVLTextViewInspectorField::setValue(Value(Array { Value("a"), Value("b") }));
    EXPECT_TRUE(field->isMultipleValue());
}

TEST(InspectorIntegerField, ShowsDigitsWithoutGroupingInEveryLocale)
{
    auto field = JVLTextViewInspectorIntegerField::fieldWithIdentifierPlaceholderAndLabel("size", "Size", nullptr);
    auto other = JVLTextViewInspectorIntegerField::fieldWithIdentifierPlaceholderAndLabel("count", "Count", nullptr);
    EXPECT_NE(field->formatter().get(), other->formatter().get());
    field->setValue(Value(std::int64_t(1234)));
    EXPECT_EQ(field->displayStringForValue(), QStringLiteral("1234"));
    EXPECT_EQ(field->valueObjectForString("42"), Value(std::int64_t(42)));
    // A formatter failure is no refusal: the text is kept as it is.
    EXPECT_EQ(field->valueObjectForString("many"), Value("many"));
}

// Copies ------------------------------------------------------------------------------------------------------

TEST(InspectorField, CopiesKeepSettingsAndLabelsButNoValue)
{
    auto delegate = make<InspectorModel>();
    auto designer = fieldLabel("Designer", Value("d"));
    auto field = JVLTextViewInspectorTextField::fieldWithIdentifierPlaceholderAndLabel("f", "p", designer);
    field->setLabelArray({ designer, fieldLabel("Maker", Value("m")) });
    field->setValue(Value("v"));
    field->setMinimumHeight(40);
    field->setInsetValue(5);
    field->setSupportNewLine(true);
    field->setSupportMultipleValues(true);
    field->setDelegate(delegate.get());
    const auto copy = dynamic_pointer_cast<JVLTextViewInspectorTextField>(field->copy());
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->identifier(), QStringLiteral("f"));
    EXPECT_TRUE(copy->value().isNil());
    EXPECT_NE(copy->label().get(), designer.get());
    EXPECT_EQ(copy->label()->label(), QStringLiteral("Designer"));
    EXPECT_EQ(copy->labelArray().front().get(), designer.get());
    EXPECT_EQ(copy->minimumHeight(), 40);
    EXPECT_EQ(copy->insetValue(), 0);
    EXPECT_FALSE(copy->supportNewLine());
    EXPECT_TRUE(copy->supportMultipleValues());
    EXPECT_TRUE(copy->isEditable());
    EXPECT_EQ(copy->delegate().get(), delegate.get());

    auto compound = JVLTextViewInspectorCompoundField::fieldWithIdentifierAndLabel("c", nullptr);
    compound->addField(copy);
    EXPECT_TRUE(dynamic_pointer_cast<JVLTextViewInspectorCompoundField>(compound->copy())->allFields().empty());
}


// Fields made from a model's entity -----------------------------------------------------------------

class InspectorFieldFromModel : public testing::Test {
protected:
    Ref<ManagedObjectModel> model = ManagedObjectModel::modelWithLocalizationDictionaryEntityNames(
        {
            { "Label/Property/size/Entity/Font", "Point size" },
            { "Label/Property/size", "Size" },
            { "Placeholder/Property/size", "Points" },
            { "Label/Property/url", "Web site" },
            { "Placeholder/Property/url/Entity/Font", "Where to get it" },
        },
        { "Font" });
    Ref<EntityDescription> entity = model->entityForName("Font");
};

TEST_F(InspectorFieldFromModel, EveryFieldKindTakesLabelPlaceholderAndIdentifierFromTheModel)
{
    const std::vector<std::pair<const char*, Ref<JVLTextViewInspectorField>>> fields = {
        { "text", JVLTextViewInspectorTextField::fieldWithPropertyNameOfEntity("size", entity.get()) },
        { "integer", JVLTextViewInspectorIntegerField::fieldWithPropertyNameOfEntity("size", entity.get()) },
        { "checkbox", JVLTextViewInspectorCheckboxField::fieldWithPropertyNameOfEntity("size", entity.get()) },
        { "rating", JVLTextViewInspectorRatingField::fieldWithPropertyNameOfEntity("size", entity.get()) },
        { "image", JVLTextViewInspectorImageField::fieldWithPropertyNameOfEntity("size", entity.get()) },
        { "small button", JVLTextViewInspectorSmallButtonField::fieldWithPropertyNameOfEntity("size", entity.get()) },
        { "list", JVLTextViewInspectorListField::fieldWithPropertyNameOfEntity("size", entity.get()) },
    };
    for (const auto& [kind, field] : fields) {
        SCOPED_TRACE(kind);
        EXPECT_EQ(field->identifier(), QStringLiteral("size"));
        ASSERT_TRUE(field->label());
        EXPECT_EQ(field->label()->label(), QStringLiteral("Point size:"));
        EXPECT_EQ(field->placeholder(), QStringLiteral("Points"));
        EXPECT_EQ(field->entity().objectAs<EntityDescription>().get(), entity.get());
        if (const auto* viewField = dynamic_cast<const JVLTextViewInspectorViewField*>(field.get())) {
            EXPECT_TRUE(viewField->view());
        }
    }
    // The integer field keeps its formatter; only a field made by identifier keeps the image's height.
    EXPECT_TRUE(static_cast<JVLTextViewInspectorIntegerField&>(*fields[1].second).formatter());
    EXPECT_EQ(fields[4].second->minimumHeight(), 0);
}

TEST_F(InspectorFieldFromModel, WithoutAPropertyNameThereIsNoLabelPlaceholderOrIdentifier)
{
    auto field = JVLTextViewInspectorTextField::fieldWithPropertyNameOfEntity(QString(), entity.get());
    EXPECT_FALSE(field->label());
    EXPECT_TRUE(field->placeholder().isEmpty());
    EXPECT_TRUE(field->identifier().isEmpty());
    EXPECT_EQ(field->entity().objectAs<EntityDescription>().get(), entity.get());
}

TEST_F(InspectorFieldFromModel, URLAndEmailFieldsLabelTheirTextAndKeepTheLineUnlabelled)
{
    auto url = JVLTextViewInspectorURLField::fieldWithPropertyNameOfEntity("url", entity.get());
    auto mail = JVLTextViewInspectorEmailField::fieldWithPropertyNameOfEntity("url", entity.get());
    for (const auto& [compound, validation] : { std::pair<JVLTextViewInspectorURLField*, std::int32_t> { url.get(), JVLTextViewInspectorTextField::URLValidation },
             { mail.get(), JVLTextViewInspectorTextField::EMailValidation } }) {
        EXPECT_EQ(compound->identifier(), QStringLiteral("url"));
        EXPECT_FALSE(compound->label());
        EXPECT_TRUE(compound->placeholder().isEmpty());
        ASSERT_EQ(compound->allFields().size(), 2u);
        auto text = dynamic_pointer_cast<JVLTextViewInspectorTextField>(compound->allFields()[0]);
        ASSERT_TRUE(text);
        EXPECT_EQ(text->label()->label(), QStringLiteral("Web site:"));
        EXPECT_EQ(text->placeholder(), QStringLiteral("Where to get it"));
        EXPECT_EQ(text->validationMethod(), validation);
        EXPECT_FALSE(text->shouldAppendNewline());
        EXPECT_EQ(compound->allFields()[1]->identifier(), QStringLiteral("button"));
    }
}

TEST_F(InspectorFieldFromModel, ACompoundFieldKeepsItsPropertyMapping)
{
    const Dictionary mapping { { "title", Value("name") } };
    auto field = JVLTextViewInspectorCompoundField::fieldWithPropertyMappingForEntity(mapping, entity.get());
    EXPECT_EQ(Value(field->propertyMapping()), Value(mapping));
    EXPECT_TRUE(field->allFields().empty());
}

} // namespace
