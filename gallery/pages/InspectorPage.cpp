#include "gallery/pages/InspectorPage.h"

#include "JVLAppKit/TextViewInspector/JVLTextViewInspector.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorCheckboxField.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorColorField.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorDateField.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorImageField.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorIntegerField.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorLocaleFields.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorLayoutManager.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorRatingField.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorTextField.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorTokenListField.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorTypesetter.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorURLField.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorViewField.h"

#include "kit/appkit/ScrollView.h"
#include "kit/controls/Button.h"
#include "kit/controls/MenuItem.h"
#include "kit/controls/PopUpButton.h"
#include "kit/core/ArrayController.h"
#include "kit/core/IndexSet.h"
#include "kit/foundation/Date.h"
#include "kit/graphics/Color.h"
#include "kit/graphics/Image.h"
#include "kit/text/TextContainer.h"

namespace {

using namespace kit;
using Label = JVLTextViewInspectorFieldLabel;

// A font's record: any key, observable.
class InspectorPageRecord : public Object {
    KIT_CLASS(InspectorPageRecord)
public:
    InspectorPageRecord() = default;
};

KIT_REGISTER_CLASS(InspectorPageRecord, Object) { c.storesUndefinedKeys(); }

// Each keyword a record of its own, so an edited keyword stays bound to its row.
class InspectorPageKeywordList : public JVLTextViewInspectorTokenListField {
    KIT_CLASS(InspectorPageKeywordList)
public:
    Value objectToInsertWithProposedObjectFieldAtIndexLabel(const Value& proposed, JVLTextViewInspectorField*, std::int64_t, Label*) override
    {
        auto keyword = make<InspectorPageRecord>();
        keyword->setValueForKey(proposed, QStringLiteral("text"));
        return Value(keyword);
    }
};

KIT_REGISTER_CLASS(InspectorPageKeywordList, JVLTextViewInspectorTokenListField) { c.copyable(); }

class InspectorPageView : public View {
    KIT_CLASS(InspectorPageView)
public:
    explicit InspectorPageView(Rect frame)
        : View(frame)
    {
        setAutoresizingMask(ViewWidthSizable | ViewHeightSizable);
    }
    ~InspectorPageView() override
    {
        for (const auto& field : boundFields)
            field->unbind(QStringLiteral("value"));
        if (keywordList)
            keywordList->unbind();
    }

    void toggleEdit(Object* sender)
    {
        inspector->setEditableState(!inspector->editableState());
        showEditState(dynamic_cast<Button*>(sender));
    }
    // The button names what a click switches to.
    void showEditState(Button* button) const
    {
        if (button)
            button->setTitle(inspector->editableState() ? QStringLiteral("Done") : QStringLiteral("Edit"));
    }
    void chooseSelection(Object* sender)
    {
        const auto* popUp = dynamic_cast<PopUpButton*>(sender);
        const std::int64_t choice = popUp ? popUp->indexOfSelectedItem() : 0;
        controller->setSelectionIndexes(choice == 0 ? IndexSet(0) : choice == 1 ? IndexSet({ 0, 1 }) : IndexSet());
    }
    void chooseMode(Object* sender)
    {
        const auto* popUp = dynamic_cast<PopUpButton*>(sender);
        inspector->setDisplaymode(popUp ? int(popUp->indexOfSelectedItem()) : 0);
    }
    // Bound through the controller's selected objects, so several records show as several values.
    void bindField(const Ref<JVLTextViewInspectorField>& field, const QString& key)
    {
        field->bindToObjectWithKeyPathOptions(QStringLiteral("value"), controller.get(), QStringLiteral("selectedObjects.") + key, {});
        boundFields.push_back(field);
    }

    Ref<ArrayController> controller;
    Ref<ArrayController> keywords;
    Ref<JVLTextViewInspectorTokenListField> keywordList;
    Ref<JVLTextViewInspector> inspector;
    std::vector<Ref<JVLTextViewInspectorField>> boundFields;
};

KIT_REGISTER_CLASS(InspectorPageView, View)
{
    c.action("toggleEdit", &InspectorPageView::toggleEdit);
    c.action("chooseSelection", &InspectorPageView::chooseSelection);
    c.action("chooseMode", &InspectorPageView::chooseMode);
}

Ref<InspectorPageRecord> makeRecord(const char* name, const char* family, std::int64_t size, const char* designer, std::int64_t rating, bool flag,
    const char* country, const char* language)
{
    auto record = make<InspectorPageRecord>();
    record->setValueForKey(Value(QString::fromUtf8(name)), QStringLiteral("name"));
    record->setValueForKey(Value(QString::fromUtf8(family)), QStringLiteral("family"));
    record->setValueForKey(Value(size), QStringLiteral("size"));
    record->setValueForKey(Value(QString::fromUtf8(designer)), QStringLiteral("designer"));
    record->setValueForKey(Value(QStringLiteral("example.org/fonts")), QStringLiteral("url"));
    record->setValueForKey(Value(QStringLiteral("type@example.org")), QStringLiteral("mail"));
    record->setValueForKey(Value(rating), QStringLiteral("rating"));
    record->setValueForKey(Value(QString::fromUtf8(country)), QStringLiteral("country"));
    record->setValueForKey(Value(QString::fromUtf8(language)), QStringLiteral("language"));
    record->setValueForKey(Value(flag), QStringLiteral("embeddable"));
    record->setValueForKey(Value(Color::colorWithSRGBRedGreenBlueAlpha(0.2, 0.4, 0.7, 1)), QStringLiteral("colour"));
    return record;
}

Ref<PopUpButton> makePageChoice(View* parent, Rect frame, const QStringList& titles, const char* action)
{
    auto popUp = make<PopUpButton>(frame);
    popUp->addItemsWithTitles(titles);
    popUp->setTarget(parent);
    popUp->setAction(Selector(action));
    parent->addSubview(popUp.get());
    return popUp;
}

} // namespace

Ref<View> makeInspectorPage(Rect frame)
{
    auto page = make<InspectorPageView>(frame);
    View* v = page.get();
    const double top = frame.height() - 16;

    auto edit = make<Button>(MakeRect(16, top - 24, 80, 24));
    edit->setTarget(v);
    edit->setAction(Selector("toggleEdit"));
    v->addSubview(edit.get());
    makePageChoice(v, MakeRect(110, top - 24, 160, 24), { "First record", "Both records", "No record" }, "chooseSelection");
    makePageChoice(v, MakeRect(284, top - 24, 200, 24), { "Fields", "No-selection view", "Multiple-selection view" }, "chooseMode");

    // The first record has a release date and a specimen, the second neither.
    const Ref<InspectorPageRecord> first = makeRecord("Sans Book", "Sans", 12, "A. Type", 4, true, "DE", "de");
    first->setValueForKey(Value(CalendarDate::dateWithYearMonthDay(2019, 5, 14).date()), QStringLiteral("date"));
    first->setValueForKey(Value(Image::imageWithContentsOfFile(QStringLiteral(":/Gallery/Resources/InspectorSpecimen.svg"))), QStringLiteral("image"));
    page->controller = make<ArrayController>(Array { Value(first), Value(makeRecord("Sans Bold", "Sans", 14, "B. Letter", 3, false, "FR", "fr")) });
    page->controller->setSelectionIndexes(IndexSet(0));

    auto scroll = make<ScrollView>(MakeRect(16, 16, 460, top - 40 - 16));
    scroll->setHasVerticalScroller(true);
    scroll->setAutoresizingMask(ViewHeightSizable);
    v->addSubview(scroll.get());
    page->inspector = make<JVLTextViewInspector>(MakeRect(0, 0, scroll->contentSize().width, scroll->contentSize().height));
    scroll->setDocumentView(page->inspector.get());
    // As an interface file would set it up.
    page->inspector->awakeFromNib();
    const Ref<JVLTextViewInspector>& inspector = page->inspector;

    inspector->beginFieldEditing();
    auto name = JVLTextViewInspectorTextField::fieldWithIdentifierPlaceholderAndLabel("name", "Font name", Label::fieldLabelWithString("Name"));
    auto family = JVLTextViewInspectorTextField::fieldWithIdentifierPlaceholderAndLabel("family", "Family", Label::fieldLabelWithString("Family"));
    family->setEditable(false);
    auto size = JVLTextViewInspectorIntegerField::fieldWithIdentifierPlaceholderAndLabel("size", "Size", Label::fieldLabelWithString("Size"));
    auto designer = JVLTextViewInspectorTextField::fieldWithIdentifierPlaceholderAndLabel(
        "designer", "Who drew it", Label::fieldLabelWithStringRepresentedObject("Designer", Value("designer")));
    designer->setLabelArray({ designer->label(), Label::fieldLabelWithStringRepresentedObject("Manufacturer", Value("manufacturer")) });
    auto url = JVLTextViewInspectorURLField::fieldWithTextFieldIdentifierPlaceholderAndLabel("url", "Web site", Label::fieldLabelWithString("URL"));
    auto mail = JVLTextViewInspectorEmailField::fieldWithTextFieldIdentifierPlaceholderAndLabel("mail", "Address", Label::fieldLabelWithString("E-mail"));
    auto country = JVLTextViewInspectorCountryField::fieldWithIdentifierAndLabel("country", Label::fieldLabelWithString("Country"));
    auto language = JVLTextViewInspectorLanguageField::fieldWithIdentifierAndLabel("language", Label::fieldLabelWithString("Language"));
    auto image = JVLTextViewInspectorImageField::fieldWithIdentifierAndLabel("image", Label::fieldLabelWithString("Specimen"));
    auto rating = JVLTextViewInspectorRatingField::fieldWithIdentifierAndLabel("rating", Label::fieldLabelWithString("Rating"));
    auto embeddable = JVLTextViewInspectorCheckboxField::fieldWithIdentifierAndLabel("embeddable", Label::fieldLabelWithString("Embeddable"));
    auto colour = JVLTextViewInspectorColorField::fieldWithIdentifierAndLabel("colour", Label::fieldLabelWithString("Colour"));
    auto date = JVLTextViewInspectorDateField::fieldWithIdentifierAndLabel("date", Label::fieldLabelWithString("Released"));
    page->bindField(name, "name");
    page->bindField(family, "family");
    page->bindField(size, "size");
    page->bindField(designer, "designer");
    page->bindField(url->allFields().front(), "url");
    page->bindField(mail->allFields().front(), "mail");
    page->bindField(country, "country");
    page->bindField(language, "language");
    page->bindField(image, "image");
    page->bindField(rating, "rating");
    page->bindField(embeddable, "embeddable");
    page->bindField(colour, "colour");
    page->bindField(date, "date");
    // Keywords: one token row per keyword object, written back as the user edits the tokens.
    page->keywords = make<ArrayController>();
    page->keywords->setObjectClass(&InspectorPageRecord::staticClass());
    page->keywordList = JVLTextViewInspectorField::makeField<InspectorPageKeywordList>("keywords", "Keyword", Label::fieldLabelWithString("Keywords"));
    page->keywordList->bindToObjectControllerKeyModelKeyPathForValueModelKeyPathForLabel(page->keywords.get(), "arrangedObjects", "text", QString());
    Array keywordObjects;
    for (const char* word : { "sans", "humanist", "text" }) {
        auto keyword = make<InspectorPageRecord>();
        keyword->setValueForKey(Value(QString::fromUtf8(word)), QStringLiteral("text"));
        keywordObjects.addObject(Value(keyword));
    }
    page->keywords->setContent(Value(keywordObjects));
    inspector->addFieldsArray({ name, family, size, designer, JVLTextViewInspectorViewField::separatorField(), url, mail, country, language, rating,
        embeddable, colour, date, image, page->keywordList });
    inspector->endFieldEditing();
    // Opens editing the name, so the raised editor shows.
    inspector->setEditableState(true);
    page->showEditState(edit.get());
    inspector->jumpToField(name.get());
    return page;
}
