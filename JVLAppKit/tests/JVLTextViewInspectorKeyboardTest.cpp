// The form by keyboard and as a screen reader hears it: Tab and Backtab reach every field's control
// in text order and leave the form at either end; each stop gets the focus, named by its label;
// the controls answer their keys as they do elsewhere.

#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorCheckboxField.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorColorField.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorDateField.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorIntegerField.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorLocaleFields.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorRatingField.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorTextField.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorTokenListField.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorURLField.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorViewField.h"
#include "JVLAppKit/tests/JVLTextViewInspectorTestSupport.h"

#include "kit/appkit/AccessibilityBridge.h"
#include "kit/appkit/KeyCodes.h"
#include "kit/controls/Button.h"
#include "kit/controls/DatePicker.h"
#include "kit/controls/LevelIndicator.h"
#include "kit/controls/PopUpButton.h"
#include "kit/core/ArrayController.h"
#include "kit/foundation/Date.h"
#include "kit/graphics/Color.h"
#include "kit/tests/AccessibilityTestSupport.h"
#include "kit/testsupport/ScriptedMenuPresenter.h"

#include <QAccessible>

#include <gtest/gtest.h>

namespace {

using namespace kit;
using Label = JVLTextViewInspectorFieldLabel;

class InspectorKeyboard : public testing::Test {
protected:
    void SetUp() override
    {
        AccessibilityBridge::setEventObserverForTesting(test::recordEvent);
        QAccessible::setActive(true);
        f.emplace();
        f->inspector->setVerticallyResizable(false);
        f->inspector->setFrame(MakeRect(0, 30, 400, 240));
        before = addButton("Before", 274);
        after = addButton("After", 2);
        model = make<InspectorModel>();
        model->setValueForKey(Value("Sans Book"), "name");
        model->setValueForKey(Value(std::int64_t(12)), "size");
        model->setValueForKey(Value("A. Type"), "designer");
        model->setValueForKey(Value("example.org"), "url");
        model->setValueForKey(Value("type@example.org"), "mail");
        model->setValueForKey(Value("DE"), "country");
        model->setValueForKey(Value("de"), "language");
        model->setValueForKey(Value(std::int64_t(3)), "rating");
        model->setValueForKey(Value(true), "embeddable");
        model->setValueForKey(Value(Color::colorWithSRGBRedGreenBlueAlpha(0.2, 0.4, 0.7, 1)), "colour");
        model->setValueForKey(Value(CalendarDate::dateWithYearMonthDay(2019, 5, 14).date()), "date");

        auto name = JVLTextViewInspectorTextField::fieldWithIdentifierPlaceholderAndLabel("name", "Font name", Label::fieldLabelWithString("Name"));
        auto family = JVLTextViewInspectorTextField::fieldWithIdentifierPlaceholderAndLabel("family", "Family", Label::fieldLabelWithString("Family"));
        family->setEditable(false);
        auto size = JVLTextViewInspectorIntegerField::fieldWithIdentifierPlaceholderAndLabel("size", "Size", Label::fieldLabelWithString("Size"));
        designer = JVLTextViewInspectorTextField::fieldWithIdentifierPlaceholderAndLabel(
            "designer", "Who drew it", Label::fieldLabelWithStringRepresentedObject("Designer", Value("designer")));
        designer->setLabelArray({ designer->label(), Label::fieldLabelWithStringRepresentedObject("Manufacturer", Value("manufacturer")) });
        auto url = JVLTextViewInspectorURLField::fieldWithTextFieldIdentifierPlaceholderAndLabel("url", "Web site", Label::fieldLabelWithString("URL"));
        auto mail = JVLTextViewInspectorEmailField::fieldWithTextFieldIdentifierPlaceholderAndLabel("mail", "Address", Label::fieldLabelWithString("E-mail"));
        auto country = JVLTextViewInspectorCountryField::fieldWithIdentifierAndLabel("country", Label::fieldLabelWithString("Country"));
        auto language = JVLTextViewInspectorLanguageField::fieldWithIdentifierAndLabel("language", Label::fieldLabelWithString("Language"));
        rating = JVLTextViewInspectorRatingField::fieldWithIdentifierAndLabel("rating", Label::fieldLabelWithString("Rating"));
        auto embeddable = JVLTextViewInspectorCheckboxField::fieldWithIdentifierAndLabel("embeddable", Label::fieldLabelWithString("Embeddable"));
        auto colour = JVLTextViewInspectorColorField::fieldWithIdentifierAndLabel("colour", Label::fieldLabelWithString("Colour"));
        date = JVLTextViewInspectorDateField::fieldWithIdentifierAndLabel("date", Label::fieldLabelWithString("Released"));
        for (const auto& [field, key] : std::vector<std::pair<Ref<JVLTextViewInspectorField>, const char*>> { { name, "name" }, { family, "name" },
                 { size, "size" }, { designer, "designer" }, { url->allFields().front(), "url" }, { mail->allFields().front(), "mail" },
                 { country, "country" }, { language, "language" }, { rating, "rating" }, { embeddable, "embeddable" }, { colour, "colour" },
                 { date, "date" } })
            bind(field, key);
        keywords = make<ArrayController>();
        keywords->setObjectClass(&InspectorModel::staticClass());
        keywordList = JVLTextViewInspectorTokenListField::fieldWithIdentifierPlaceholderAndLabel("keywords", "Keyword", Label::fieldLabelWithString("Keywords"));
        keywordList->bindToObjectControllerKeyModelKeyPathForValueModelKeyPathForLabel(keywords.get(), "arrangedObjects", "text", QString());
        for (const char* word : { "sans", "humanist", "text" }) {
            auto keyword = make<InspectorModel>();
            keyword->setValueForKey(Value(QString::fromUtf8(word)), "text");
            words.addObject(Value(keyword));
        }
        keywords->setContent(Value(words));

        f->inspector->beginFieldEditing();
        f->inspector->addFieldsArray({ name, family, size, designer, JVLTextViewInspectorViewField::separatorField(), url, mail, country, language,
            rating, embeddable, colour, date, keywordList });
        f->inspector->endFieldEditing();
        f->inspector->setEditableState(true);
        f->window->display();
        f->window->makeFirstResponder(before.get());
        // The pop-ups say their choice in the user's language.
        shownCountry = dynamic_cast<PopUpButton*>(country->view().get())->titleOfSelectedItem();
        shownLanguage = dynamic_cast<PopUpButton*>(language->view().get())->titleOfSelectedItem();
    }
    void TearDown() override
    {
        for (const auto& field : bound)
            field->unbind("value");
        keywordList->unbind();
        f.reset();
        QAccessible::setActive(false);
        AccessibilityBridge::setEventObserverForTesting(nullptr);
    }
    Ref<Button> addButton(const char* title, double y)
    {
        auto button = make<Button>(MakeRect(10, y, 80, 24));
        button->setTitle(QString::fromUtf8(title));
        f->content->addSubview(button.get());
        return button;
    }
    void bind(const Ref<JVLTextViewInspectorField>& field, const char* key)
    {
        field->bindToObjectWithKeyPathOptions("value", model.get(), QString::fromUtf8(key), {});
        bound.push_back(field);
    }
    void key(std::uint16_t code, std::uint64_t modifiers = 0, const QString& characters = {})
    {
        test::events().clear();
        f->script->key(code, characters, modifiers);
        f->script->run();
    }
    // A pop-up is heard by its label (else its name) and its choice.
    static QString heard(const QAccessibleInterface* iface)
    {
        if (!iface)
            return QStringLiteral("(nothing)");
        if (iface->role() != QAccessible::ComboBox)
            return iface->text(QAccessible::Name);
        const auto labels = iface->relations(QAccessible::Label);
        const QString label = labels.isEmpty() ? iface->text(QAccessible::Name) : labels.first().first->text(QAccessible::Name);
        return label + QStringLiteral(": ") + iface->text(QAccessible::Value);
    }
    // The focus as the bridge reports it, after checking that the key announced it once.
    QString focusHeard() const
    {
        QAccessibleInterface* focused = AccessibilityBridge::interfaceFor(AccessibilityFocusedUIElement(Value(f->window)));
        const auto focusEvents = test::eventsOf(QAccessible::Focus);
        if (focusEvents.size() != 1 || focusEvents.back() != focused)
            return QStringLiteral("(announced %1 times) ").arg(focusEvents.size()) + heard(focused);
        if (!focused->state().focused)
            return QStringLiteral("(not focused) ") + heard(focused);
        return heard(focused);
    }

    QAccessibleInterface* focusedNow() const { return AccessibilityBridge::interfaceFor(AccessibilityFocusedUIElement(Value(f->window))); }
    // The form's child a screen reader meets under `name`.
    QAccessibleInterface* child(const QString& name) const
    {
        QAccessibleInterface* form = AccessibilityBridge::interfaceFor(Value(Ref<Object>(f->inspector)));
        for (int i = 0; form && i < form->childCount(); ++i)
            if (heard(form->child(i)) == name)
                return form->child(i);
        return nullptr;
    }

    std::optional<InspectorFixture> f;
    QString shownCountry;
    QString shownLanguage;
    Ref<Button> before;
    Ref<Button> after;
    Ref<InspectorModel> model;
    Ref<JVLTextViewInspectorTextField> designer;
    Ref<JVLTextViewInspectorDateField> date;
    Ref<JVLTextViewInspectorRatingField> rating;
    Ref<ArrayController> keywords;
    Array words;
    Ref<JVLTextViewInspectorTokenListField> keywordList;
    std::vector<Ref<JVLTextViewInspectorField>> bound;
};

TEST_F(InspectorKeyboard, TabAndBacktabReachEveryControlInOrderAndLeaveTheForm)
{
    // The date's parts come one by one, in the order of the user's locale, each after the date's label.
    QStringList dateParts;
    for (const DatePickerCell::Element part : dynamic_cast<DatePicker*>(date->view().get())->datePickerCell()->elementOrder())
        dateParts << QStringLiteral("Released, ") + DatePartElement::nameOfPart(part);
    const QStringList stops = QStringList { "Name", "Size", "Label: Designer", "Designer", "Open the web address", "Write an e-mail",
                                  "Country: " + shownCountry, "Language: " + shownLanguage, "Rating", "Embeddable", "Colour" }
        + dateParts
        + QStringList { "Add to Keywords after sans", "Keyword, row 1", "Add to Keywords after humanist", "Remove humanist from Keywords",
              "Keyword, row 2", "Add to Keywords after text", "Remove text from Keywords", "Keyword, row 3" };

    QStringList forward;
    for (qsizetype i = 0; i <= stops.size(); ++i) {
        key(KeyCodeTab);
        forward << focusHeard();
    }
    EXPECT_EQ(forward, QStringList(stops) << "After");

    QStringList backward;
    for (qsizetype i = 0; i <= stops.size(); ++i) {
        key(KeyCodeTab, ShiftKeyMask);
        backward << focusHeard();
    }
    QStringList expected(stops.rbegin(), stops.rend());
    EXPECT_EQ(backward, expected << "Before");
    // Passing through changed nothing: each keyword row keeps its own object.
    ASSERT_EQ(keywords->arrangedObjects().count(), 3);
    for (std::int64_t i = 0; i < 3; ++i)
        EXPECT_TRUE(keywords->arrangedObjects()[i].identicalTo(words[i])) << i;
    EXPECT_EQ(model->valueForKey("name"), Value("Sans Book"));
}

TEST_F(InspectorKeyboard, ReadOnlyTheKeysReachOnlyTheControlsStillShown)
{
    f->inspector->setEditableState(false);
    f->window->display();
    // A text field's label pop-up stays while its field can be edited.
    QStringList forward;
    for (int i = 0; i < 5; ++i) {
        key(KeyCodeTab);
        forward << focusHeard();
    }
    EXPECT_EQ(forward, QStringList({ "Label: Designer", "Open the web address", "Write an e-mail", "Rating", "After" }));
}

TEST_F(InspectorKeyboard, ThePopUpTheRatingAndTheCheckBoxAnswerTheirKeys)
{
    test::MenuScope menus;
    for (int i = 0; i < 3; ++i)
        key(KeyCodeTab);
    ASSERT_EQ(focusHeard(), QStringLiteral("Label: Designer"));
    // Space opens the label menu; its second label is chosen.
    menus.presenter->choices.push_back(1);
    key(KeyCodeSpace, 0, QStringLiteral(" "));
    ASSERT_EQ(menus.presenter->sessions.size(), 1u);
    EXPECT_EQ(designer->label()->label(), QStringLiteral("Manufacturer"));
    key(KeyCodeTab);
    EXPECT_EQ(focusHeard(), QStringLiteral("Manufacturer"));

    for (int i = 0; i < 5; ++i)
        key(KeyCodeTab);
    ASSERT_EQ(focusHeard(), QStringLiteral("Rating"));
    key(KeyCodeRightArrow);
    EXPECT_EQ(model->valueForKey("rating").integerValue(), 4);
    // An arrow the control does not take moves nothing: neither the keys, nor the rating, nor the
    // form's text.
    key(KeyCodeDownArrow);
    EXPECT_TRUE(test::eventsOf(QAccessible::Focus).empty());
    EXPECT_EQ(heard(focusedNow()), QStringLiteral("Rating"));
    EXPECT_EQ(model->valueForKey("rating").integerValue(), 4);
    EXPECT_FALSE(f->inspector->isEditing());

    key(KeyCodeTab);
    ASSERT_EQ(focusHeard(), QStringLiteral("Embeddable"));
    key(KeyCodeSpace, 0, QStringLiteral(" "));
    EXPECT_FALSE(model->valueForKey("embeddable").boolValue());
}

TEST_F(InspectorKeyboard, TheFormIsNamedAndItsChildrenAreTheFieldsNamedByTheirLabels)
{
    QAccessibleInterface* form = AccessibilityBridge::interfaceFor(Value(Ref<Object>(f->inspector)));
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->text(QAccessible::Name), QStringLiteral("Inspector"));
    QStringList names;
    for (int i = 0; i < form->childCount(); ++i)
        names << heard(form->child(i));
    EXPECT_EQ(names,
        QStringList({ "Name", "Family", "Size", "Label: Designer", "Designer", "URL", "Open the web address", "E-mail", "Write an e-mail",
            "Country: " + shownCountry, "Language: " + shownLanguage, "Rating", "Embeddable", "Colour", "Released", "Add to Keywords after sans",
            "Keyword, row 1", "Add to Keywords after humanist", "Remove humanist from Keywords", "Keyword, row 2", "Add to Keywords after text",
            "Remove text from Keywords", "Keyword, row 3" }));
    // A value reads as shown; the colour well is a colour chooser called by its label.
    ASSERT_EQ(form->childCount(), 23);
    EXPECT_EQ(form->child(0)->text(QAccessible::Value), QStringLiteral("Sans Book"));
    EXPECT_EQ(form->child(13)->role(), QAccessible::ColorChooser);
    EXPECT_EQ(form->child(13)->text(QAccessible::Name), QStringLiteral("Colour"));
    // A keyword row is heard with the keyword it shows.
    for (const auto& [row, word] : { std::pair { 16, "sans" }, std::pair { 19, "humanist" }, std::pair { 22, "text" } }) {
        EXPECT_EQ(form->child(row)->text(QAccessible::Value), QString::fromUtf8(word)) << row;
        ASSERT_NE(form->child(row)->textInterface(), nullptr) << row;
        EXPECT_EQ(form->child(row)->textInterface()->text(0, form->child(row)->textInterface()->characterCount()), QString::fromUtf8(word)) << row;
    }
}

// What can be typed into is editable to a screen reader too, and takes the text it sets; a value
// that cannot be edited, or any value of the read-only form, is read only.
TEST_F(InspectorKeyboard, EditableValuesAreEditableToAScreenReader)
{
    for (const char* name : { "Name", "Size", "Designer" }) {
        QAccessibleInterface* value = child(QString::fromUtf8(name));
        ASSERT_NE(value, nullptr) << name;
        EXPECT_EQ(value->role(), QAccessible::EditableText) << name;
        EXPECT_TRUE(value->state().editable) << name;
        EXPECT_NE(value->editableTextInterface(), nullptr) << name;
    }
    QAccessibleInterface* family = child("Family");
    ASSERT_NE(family, nullptr);
    EXPECT_FALSE(family->state().editable);
    // Tabbed to, each is announced as the focus before its selection is: a reader says its name first.
    for (const char* name : { "Name", "Size" }) {
        key(KeyCodeTab);
        ASSERT_EQ(focusHeard(), QString::fromUtf8(name));
        const auto first = std::find_if(test::events().begin(), test::events().end(), [&](const auto& e) { return e.second == focusedNow(); });
        EXPECT_EQ(first->first, QAccessible::Focus) << name;
    }

    // A value set by the reader goes to the record, as if typed and the field left.
    child("Name")->setText(QAccessible::Value, QStringLiteral("Sans Light"));
    EXPECT_EQ(model->valueForKey("name"), Value("Sans Light"));
    EXPECT_EQ(child("Name")->text(QAccessible::Value), QStringLiteral("Sans Light"));
    child("Size")->setText(QAccessible::Value, QStringLiteral("14"));
    EXPECT_EQ(model->valueForKey("size").integerValue(), 14);
    family->setText(QAccessible::Value, QStringLiteral("Serif"));
    EXPECT_EQ(model->valueForKey("name"), Value("Sans Light"));

    f->inspector->setEditableState(false);
    for (const char* name : { "Name", "Size", "Designer" }) {
        QAccessibleInterface* value = child(QString::fromUtf8(name));
        ASSERT_NE(value, nullptr) << name;
        EXPECT_FALSE(value->state().editable) << name;
    }
    child("Name")->setText(QAccessible::Value, QStringLiteral("Sans Heavy"));
    EXPECT_EQ(model->valueForKey("name"), Value("Sans Light"));
}

// Read only, no field changes, by mouse, keyboard or a screen reader; the rating is still read.
TEST_F(InspectorKeyboard, ReadOnlyNoFieldTakesAnEdit)
{
    f->inspector->setEditableState(false);
    f->window->display();
    auto* stars = dynamic_cast<LevelIndicator*>(rating->view().get());
    ASSERT_NE(stars, nullptr);
    ASSERT_FALSE(stars->isHidden());
    // The fifth star.
    const Rect box = stars->bounds();
    f->script->click(stars->convertPointToView(MakePoint(box.maxX() - 3, box.midY()), nullptr));
    f->script->run();
    EXPECT_EQ(stars->integerValue(), 3);
    f->window->makeFirstResponder(before.get());
    for (int i = 0; i < 4; ++i)
        key(KeyCodeTab);
    ASSERT_EQ(heard(focusedNow()), QStringLiteral("Rating"));
    key(KeyCodeRightArrow);
    key(KeyCodeLeftArrow);
    QAccessibleInterface* reader = focusedNow();
    EXPECT_EQ(reader->text(QAccessible::Value).toInt(), 3);
    ASSERT_NE(reader->valueInterface(), nullptr);
    reader->valueInterface()->setCurrentValue(5);
    EXPECT_EQ(stars->integerValue(), 3);
    EXPECT_EQ(model->valueForKey("rating").integerValue(), 3);
    // Nothing shown in the read-only form offers a value to set.
    QAccessibleInterface* form = AccessibilityBridge::interfaceFor(Value(Ref<Object>(f->inspector)));
    for (int i = 0; i < form->childCount(); ++i) {
        EXPECT_FALSE(form->child(i)->state().editable) << heard(form->child(i)).toStdString();
        if (form->child(i)->role() != QAccessible::ComboBox)
            EXPECT_EQ(form->child(i)->editableTextInterface(), nullptr) << heard(form->child(i)).toStdString();
    }

    // Editable again, the rating takes its keys.
    f->inspector->setEditableState(true);
    f->window->display();
    f->window->makeFirstResponder(stars);
    key(KeyCodeRightArrow);
    EXPECT_EQ(model->valueForKey("rating").integerValue(), 4);
}

// The keyword rows' + and - are stops of the form's own: the keyboard adds a row after one and
// removes one.
TEST_F(InspectorKeyboard, TheKeywordRowsAreAddedAndRemovedByKeyboard)
{
    f->window->makeFirstResponder(after.get());
    for (int i = 0; i < 2; ++i)
        key(KeyCodeTab, ShiftKeyMask);
    ASSERT_EQ(heard(focusedNow()), QStringLiteral("Remove text from Keywords"));
    key(KeyCodeSpace, 0, QStringLiteral(" "));
    ASSERT_EQ(keywords->arrangedObjects().count(), 2);
    EXPECT_TRUE(keywords->arrangedObjects()[1].identicalTo(words[1]));
    // The keys stay in the list: on the row before the one removed.
    EXPECT_EQ(heard(focusedNow()), QStringLiteral("Keyword, row 2"));

    QStringList back;
    for (int i = 0; i < 4; ++i) {
        key(KeyCodeTab, ShiftKeyMask);
        back << heard(focusedNow());
    }
    ASSERT_EQ(back, QStringList({ "Remove humanist from Keywords", "Add to Keywords after humanist", "Keyword, row 1", "Add to Keywords after sans" }));
    key(KeyCodeSpace, 0, QStringLiteral(" "));
    // An empty row after the first, with the keys in it.
    ASSERT_EQ(keywordList->allFields().size(), 3u);
    EXPECT_TRUE(keywordList->allFields()[1]->value().isNil());
    EXPECT_EQ(heard(focusedNow()), QStringLiteral("Keyword, row 2"));
}

} // namespace
