// Fields that host kit controls (check box, rating, colour, date, small button) and the URL and
// e-mail fields that open what they hold.

#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorCheckboxField.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorColorField.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorDateField.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorImageField.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorLocaleFields.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorRatingField.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorSmallButtonField.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorTextField.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorURLField.h"
#include "JVLAppKit/tests/JVLTextViewInspectorTestSupport.h"

#include "JVLAppKit/JVLImageView/JVLImageView.h"
#include "FoundationExtensions/JVLLocales.h"

#include "kit/appkit/AccessibilityBridge.h"
#include "kit/appkit/Beep.h"
#include "kit/appkit/Workspace.h"
#include "kit/controls/Button.h"
#include "kit/controls/ColorWell.h"
#include "kit/controls/DatePicker.h"
#include "kit/controls/LevelIndicator.h"
#include "kit/controls/PopUpButton.h"
#include "kit/testsupport/ManualClockScope.h"
#include "kit/graphics/Color.h"

#include <gtest/gtest.h>

namespace {

using namespace kit;

struct CheckboxCase {
    const char* name;
    Value onValue;
    Value value;
    int state;
    bool enabled;
};

class InspectorCheckboxField : public testing::TestWithParam<CheckboxCase> { };

TEST_P(InspectorCheckboxField, ShowsTheValue)
{
    auto field = JVLTextViewInspectorCheckboxField::fieldWithIdentifierAndLabel("flag", nullptr);
    auto* button = dynamic_cast<Button*>(field->view().get());
    ASSERT_TRUE(button);
    button->setState(OnState);
    field->setONValue(GetParam().onValue);
    field->setValue(GetParam().value);
    EXPECT_EQ(button->state(), GetParam().state);
    EXPECT_EQ(button->isEnabled(), GetParam().enabled);
}

INSTANTIATE_TEST_SUITE_P(Values, InspectorCheckboxField,
    testing::Values(CheckboxCase { "TwoIsOn", Value(std::int64_t(2)), Value(std::int64_t(2)), OnState, true },
        CheckboxCase { "OneIsOffForTwo", Value(std::int64_t(2)), Value(std::int64_t(1)), OffState, true },
        CheckboxCase { "YesEqualsOne", Value(true), Value(std::int64_t(1)), OnState, true },
        // Nil keeps the state it had and disables.
        CheckboxCase { "NilKeepsState", Value(true), Value(), OnState, false },
        CheckboxCase { "MixedSelection", Value(true), Value(Array { Value(std::int64_t(1)), Value(std::int64_t(0)) }), MixedState, true },
        CheckboxCase { "AgreeingSelection", Value(true), Value(Array { Value(std::int64_t(0)), Value(std::int64_t(0)) }), OffState, true },
        CheckboxCase { "EmptySelection", Value(true), Value(Array {}), OffState, false }),
    [](const testing::TestParamInfo<CheckboxCase>& info) { return info.param.name; });

TEST(InspectorViewFields, ClickingTheCheckboxStoresOnValueOrZero)
{
    auto model = make<InspectorModel>();
    auto field = JVLTextViewInspectorCheckboxField::fieldWithIdentifierAndLabel("flag", nullptr);
    field->setONValue(Value(std::int64_t(2)));
    field->bindToObjectWithKeyPathOptions("value", model.get(), "flag", {});
    model->setValueForKey(Value(Array { Value(std::int64_t(2)), Value(std::int64_t(0)) }), "flag");
    auto* button = dynamic_cast<Button*>(field->view().get());
    EXPECT_EQ(button->state(), MixedState);
    button->performClick(nullptr);
    EXPECT_EQ(field->value(), Value(std::int64_t(2)));
    EXPECT_EQ(model->valueForKey("flag"), Value(std::int64_t(2)));
    button->performClick(nullptr);
    EXPECT_EQ(model->valueForKey("flag"), Value(std::int64_t(0)));
    EXPECT_EQ(field->notEditableReplacementString(), QString());
    button->performClick(nullptr);
    EXPECT_EQ(field->notEditableReplacementString(), QStringLiteral("YES"));
    field->unbind("value");
    // A copy has its own box and the default on value.
    const auto copy = dynamic_pointer_cast<JVLTextViewInspectorCheckboxField>(field->copy());
    EXPECT_NE(copy->view().get(), field->view().get());
    EXPECT_EQ(copy->ONValue(), Value(true));
    EXPECT_EQ(dynamic_cast<Button*>(copy->view().get())->target().get(), copy.get());
}

struct RatingCase {
    const char* name;
    Value value;
    std::int64_t shown;
};

class InspectorRatingField : public testing::TestWithParam<RatingCase> { };

TEST_P(InspectorRatingField, ShowsOneRatingOrNone)
{
    auto field = JVLTextViewInspectorRatingField::fieldWithIdentifierAndLabel("rating", nullptr);
    auto* indicator = dynamic_cast<LevelIndicator*>(field->view().get());
    indicator->setIntegerValue(4);
    field->setValue(GetParam().value);
    EXPECT_EQ(indicator->integerValue(), GetParam().shown);
    EXPECT_TRUE(field->viewShouldAlwaysBeVisible());
}

INSTANTIATE_TEST_SUITE_P(Values, InspectorRatingField,
    testing::Values(RatingCase { "Number", Value(std::int64_t(3)), 3 },
        RatingCase { "Agreeing", Value(Array { Value(std::int64_t(2)), Value(std::int64_t(2)) }), 2 },
        RatingCase { "Different", Value(Array { Value(std::int64_t(1)), Value(std::int64_t(3)) }), 0 }, RatingCase { "Empty", Value(Array {}), 0 },
        RatingCase { "Other", Value("x"), 4 }),
    [](const testing::TestParamInfo<RatingCase>& info) { return info.param.name; });

TEST(InspectorViewFields, ColoursForSelections)
{
    auto field = JVLTextViewInspectorColorField::fieldWithIdentifierAndLabel("colour", nullptr);
    auto* well = dynamic_cast<ColorWell*>(field->view().get());
    const Ref<Color> red = Color::redColor();
    field->setValue(Value(red));
    EXPECT_EQ(well->color().get(), red.get());
    field->setValue(Value(Array { Value(red), Value(red) }));
    EXPECT_EQ(well->color().get(), red.get());
    field->setValue(Value(Array { Value::null() }));
    EXPECT_TRUE(well->color()->isEqual(Color::clearColor().get()));
    field->setValue(Value(Array { Value(red), Value(Color::blueColor()) }));
    EXPECT_TRUE(well->color()->isEqual(Color::clearColor().get()));
    field->setValue(Value());
    EXPECT_TRUE(well->color()->isEqual(Color::blackColor().get()));
}

TEST(InspectorViewFields, ADateFieldIsHiddenReadOnlyAndASmallButtonCopyHasNoView)
{
    auto date = JVLTextViewInspectorDateField::fieldWithIdentifierAndLabel("date", nullptr);
    EXPECT_FALSE(date->shouldBeVisibleWithEditableState(false));
    EXPECT_TRUE(date->shouldBeVisibleWithEditableState(true));
    EXPECT_EQ(date->view()->frame().size, MakeSize(68, 18));
    auto button = JVLTextViewInspectorSmallButtonField::fieldWithIdentifierAndLabel("button", nullptr);
    EXPECT_TRUE(button->view());
    EXPECT_FALSE(dynamic_pointer_cast<JVLTextViewInspectorSmallButtonField>(button->copy())->view());
}

// URL and e-mail fields ------------------------------------------------------------------------------------

class InspectorURLField : public testing::Test {
protected:
    void SetUp() override
    {
        Workspace::setURLOpener([this](const QUrl& url) {
            opened << url.toString(QUrl::FullyEncoded);
            return true;
        });
        setBeepHook([this] { ++beeps; });
    }
    void TearDown() override
    {
        Workspace::setURLOpener({});
        setBeepHook({});
    }
    QStringList opened;
    int beeps = 0;
};

TEST_F(InspectorURLField, TheButtonIsEnabledExactlyWhileTheTextIsAValidURL)
{
    auto field = JVLTextViewInspectorURLField::fieldWithTextFieldIdentifierPlaceholderAndLabel("url", "Address", nullptr);
    ASSERT_EQ(field->allFields().size(), 2u);
    auto text = field->allFields()[0];
    auto* button = dynamic_cast<Button*>(dynamic_pointer_cast<JVLTextViewInspectorViewField>(field->allFields()[1])->view().get());
    ASSERT_TRUE(button);
    text->setValue(Value("localhost"));
    EXPECT_FALSE(button->isEnabled());
    text->setValue(Value("example.org"));
    EXPECT_TRUE(button->isEnabled());
    button->performClick(nullptr);
    EXPECT_EQ(opened, QStringList { "http://example.org" });
    EXPECT_TRUE(JVLTextViewInspectorURLField::fieldWithIdentifierAndLabel("bare", nullptr)->allFields().empty());
}

struct OpenCase {
    const char* name;
    const char* text;
    const char* opened; // nullptr: a beep
};

class InspectorURLOpening : public InspectorURLField, public testing::WithParamInterface<OpenCase> { };

TEST_P(InspectorURLOpening, OpensOnlyWebAddresses)
{
    auto field = JVLTextViewInspectorURLField::fieldWithTextFieldIdentifierPlaceholderAndLabel("url", "Address", nullptr);
    field->allFields()[0]->setValue(Value(QString::fromUtf8(GetParam().text)));
    field->openURLAction(nullptr);
    if (GetParam().opened) {
        EXPECT_EQ(opened, QStringList { QString::fromUtf8(GetParam().opened) });
        EXPECT_EQ(beeps, 0);
    } else {
        EXPECT_TRUE(opened.isEmpty());
        EXPECT_EQ(beeps, 1);
    }
}

INSTANTIATE_TEST_SUITE_P(Texts, InspectorURLOpening,
    testing::Values(OpenCase { "NoScheme", "example.org/fonts", "http://example.org/fonts" },
        OpenCase { "Https", "https://example.org", "https://example.org" }, OpenCase { "Ftp", "ftp://example.org/a", "ftp://example.org/a" },
        OpenCase { "Spaces", "example.org/my font", "http://example.org/my%20font" }, OpenCase { "File", "file:///etc/passwd", nullptr },
        OpenCase { "CustomScheme", "other-app://do/something", nullptr }, OpenCase { "Blank", "   ", nullptr }),
    [](const testing::TestParamInfo<OpenCase>& info) { return info.param.name; });

TEST_F(InspectorURLField, SeveralValuesBeepAndMailAddressesAreEncoded)
{
    auto url = JVLTextViewInspectorURLField::fieldWithTextFieldIdentifierPlaceholderAndLabel("url", "Address", nullptr);
    url->allFields()[0]->setValue(Value(Array { Value("a.org"), Value("b.org") }));
    url->openURLAction(nullptr);
    EXPECT_EQ(beeps, 1);

    auto mail = JVLTextViewInspectorEmailField::fieldWithTextFieldIdentifierPlaceholderAndLabel("mail", "Mail", nullptr);
    mail->allFields()[0]->setValue(Value("type maker@example.org?subject=x&body=y#z"));
    mail->writeEmailAction(nullptr);
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened[0], QStringLiteral("mailto:type%20maker@example.org%3Fsubject=x%26body=y%23z"));
    EXPECT_EQ(beeps, 1);
}

} // namespace

namespace {

Ref<JVLLocaleEntry> selectedLocale(JVLTextViewInspectorLocaleField* field)
{
    const Array selected = field->localeController()->selectedObjects();
    return selected.count() == 1 ? selected[0].objectAs<JVLLocaleEntry>() : nullptr;
}

TEST(InspectorLocaleFields, CountryCodesChooseTheirLocale)
{
    InspectorFixture f; // its bundle tables
    test::EnvironmentScope locale("LC_ALL", "de_DE.UTF-8");
    auto field = JVLTextViewInspectorCountryField::fieldWithIdentifierAndLabel("country", nullptr);
    ASSERT_GT(field->countryLocales().count(), 10);
    auto* popUp = dynamic_cast<PopUpButton*>(field->view().get());
    ASSERT_TRUE(popUp);
    EXPECT_EQ(popUp->numberOfItems(), field->countryLocales().count());

    field->setValue(Value("fr"));
    ASSERT_TRUE(selectedLocale(field.get()));
    EXPECT_EQ(selectedLocale(field.get())->localeIdentifier(), QStringLiteral("FR"));
    EXPECT_EQ(field->notEditableReplacementString(), selectedLocale(field.get())->displayName());
    // A code no locale has: the user's own country.
    field->setValue(Value("ZZ"));
    EXPECT_EQ(selectedLocale(field.get())->localeIdentifier(), QStringLiteral("DE"));

    // A screen reader hears the pop-up by its field's label, with the country it shows.
    auto labelled = JVLTextViewInspectorCountryField::fieldWithIdentifierAndLabel(
        "country", JVLTextViewInspectorFieldLabel::fieldLabelWithString(QStringLiteral("Country")));
    auto* labelledPopUp = dynamic_cast<PopUpButton*>(labelled->view().get());
    ASSERT_TRUE(labelledPopUp);
    QAccessibleInterface* heard = AccessibilityBridge::interfaceFor(labelledPopUp->accessibilityElement());
    EXPECT_EQ(heard->text(QAccessible::Name), QStringLiteral("Country"));
    EXPECT_EQ(heard->text(QAccessible::Value), labelledPopUp->titleOfSelectedItem());
}

TEST(InspectorLocaleFields, SeveralOrNoCodesShowATitleThatWritesNothing)
{
    InspectorFixture f;
    auto model = make<InspectorModel>();
    auto field = JVLTextViewInspectorCountryField::fieldWithIdentifierAndLabel("country", nullptr);
    field->bindToObjectWithKeyPathOptions("value", model.get(), "country", {});
    auto* popUp = dynamic_cast<PopUpButton*>(field->view().get());
    model->setValueForKey(Value(Array { Value("DE"), Value("FR") }), "country");
    EXPECT_FALSE(selectedLocale(field.get()));
    EXPECT_EQ(popUp->titleOfSelectedItem(), QStringLiteral("Multiple values"));
    EXPECT_TRUE(popUp->isEnabled());
    // Choosing the title item (past the locales) writes nothing.
    popUp->selectItemAtIndex(popUp->numberOfItems() - 1);
    field->countryPopUpButtonChanged(popUp);
    EXPECT_EQ(model->valueForKey("country"), Value(Array { Value("DE"), Value("FR") }));
    // A real choice writes its identifier.
    popUp->selectItemAtIndex(0);
    field->countryPopUpButtonChanged(popUp);
    EXPECT_EQ(model->valueForKey("country"), Value(field->countryLocales()[0].objectAs<JVLLocaleEntry>()->localeIdentifier()));

    model->setValueForKey(Value(Array {}), "country");
    EXPECT_EQ(popUp->titleOfSelectedItem(), QStringLiteral("No selection"));
    EXPECT_FALSE(popUp->isEnabled());
    field->unbind("value");
}

TEST(InspectorLocaleFields, LanguagesMatchUnchanged)
{
    auto field = JVLTextViewInspectorLanguageField::fieldWithIdentifierAndLabel("language", nullptr);
    field->setValue(Value("fr"));
    ASSERT_TRUE(selectedLocale(field.get()));
    EXPECT_EQ(selectedLocale(field.get())->localeIdentifier(), QStringLiteral("fr"));
}

TEST(InspectorViewFields, AnImageFieldShowsImagesOnly)
{
    auto field = JVLTextViewInspectorImageField::fieldWithIdentifierAndLabel("image", nullptr);
    EXPECT_EQ(field->minimumHeight(), 120);
    auto* imageView = dynamic_cast<JVLImageView*>(field->view().get());
    ASSERT_TRUE(imageView);
    const Ref<Image> image = Image::imageWithSize(MakeSize(8, 8));
    field->setValue(Value(image));
    EXPECT_EQ(imageView->image().get(), image.get());
    field->setValue(Value("not an image"));
    EXPECT_FALSE(imageView->image());
}

// A selection of records gives its values as an array: exactly one distinct date or image shows,
// none or several show empty.
TEST(InspectorViewFields, DateAndImageFieldsShowTheOneValueOfASelection)
{
    auto dateField = JVLTextViewInspectorDateField::fieldWithIdentifierAndLabel("date", nullptr);
    auto* picker = dynamic_cast<DatePicker*>(dateField->view().get());
    ASSERT_TRUE(picker);
    const Value day(Date::dateWithTimeIntervalSince1970(1.7e9));
    const Value other(Date::dateWithTimeIntervalSince1970(1.6e9));
    dateField->setValue(Value(Array { day }));
    EXPECT_EQ(picker->dateValue(), day);
    dateField->setValue(Value(Array { day, day }));
    EXPECT_EQ(picker->dateValue(), day);
    dateField->setValue(Value(Array { day, other }));
    EXPECT_TRUE(picker->dateValue().isNil());
    dateField->setValue(Value(Array {}));
    EXPECT_TRUE(picker->dateValue().isNil());

    auto imageField = JVLTextViewInspectorImageField::fieldWithIdentifierAndLabel("image", nullptr);
    auto* imageView = dynamic_cast<JVLImageView*>(imageField->view().get());
    ASSERT_TRUE(imageView);
    const Ref<Image> image = Image::imageWithSize(MakeSize(8, 8));
    imageField->setValue(Value(Array { Value(image) }));
    EXPECT_EQ(imageView->image().get(), image.get());
    imageField->setValue(Value(Array { Value(image), Value(Image::imageWithSize(MakeSize(4, 4))) }));
    EXPECT_FALSE(imageView->image());
}

} // namespace
