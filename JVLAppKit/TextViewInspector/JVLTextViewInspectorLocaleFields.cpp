#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorLocaleFields.h"

#include "FoundationExtensions/JVLLocales.h"
#include "FoundationExtensions/JVLNSObject_Extension.h"

#include "kit/controls/PopUpButton.h"
#include "kit/core/Binding.h"
#include "kit/foundation/Locale.h"
#include "kit/graphics/Font.h"

using namespace kit;

KIT_REGISTER_CLASS(JVLTextViewInspectorLocaleField, JVLTextViewInspectorViewField)
{
    c.bundle(QStringLiteral("JVLAppKit"));
    c.noFactory();
    c.action("localePopUpButtonChanged", &JVLTextViewInspectorLocaleField::localePopUpButtonChanged);
}

KIT_REGISTER_CLASS(JVLTextViewInspectorCountryField, JVLTextViewInspectorLocaleField)
{
    c.bundle(QStringLiteral("JVLAppKit"));
    c.copyable();
    c.property("countryLocales", &JVLTextViewInspectorCountryField::countryLocales, &JVLTextViewInspectorCountryField::setCountryLocales);
    c.action("countryPopUpButtonChanged", &JVLTextViewInspectorCountryField::countryPopUpButtonChanged);
}

KIT_REGISTER_CLASS(JVLTextViewInspectorLanguageField, JVLTextViewInspectorLocaleField)
{
    c.bundle(QStringLiteral("JVLAppKit"));
    c.copyable();
    c.property("languageLocales", &JVLTextViewInspectorLanguageField::languageLocales, &JVLTextViewInspectorLanguageField::setLanguageLocales);
    c.action("languagePopUpButtonChanged", &JVLTextViewInspectorLanguageField::languagePopUpButtonChanged);
}

Array JVLTextViewInspectorCountryField::supportedLocales() const { return JVLCountryLocale::supportedCountryLocalesSortedByDisplayName(); }
QString JVLTextViewInspectorCountryField::currentCode() const { return Locale::currentLocale()->countryCode(); }
const Class& JVLTextViewInspectorCountryField::localeClass() const { return JVLCountryLocale::staticClass(); }
Array JVLTextViewInspectorLanguageField::supportedLocales() const { return JVLLanguageLocale::supportedLanguageLocalesSortedByDisplayName(); }
QString JVLTextViewInspectorLanguageField::currentCode() const { return Locale::currentLocale()->languageCode(); }
const Class& JVLTextViewInspectorLanguageField::localeClass() const { return JVLLanguageLocale::staticClass(); }

void JVLTextViewInspectorLocaleField::initWithIdentifierPlaceholderAndLabel(
    const QString& identifier, const QString& placeholder, Ref<JVLTextViewInspectorFieldLabel> label)
{
    controller_ = make<ArrayController>();
    controller_->setObjectClass(&localeClass());
    controller_->bindToObjectWithKeyPathOptions(QStringLiteral("contentArray"), this, localesKey(), {});
    auto popUp = make<PopUpButton>(MakeRect(0, 0, 126, 21), false);
    popUp->setControlSize(SmallControlSize);
    popUp->setFont(Font::systemFontOfSize(Font::systemFontSizeForControlSize(SmallControlSize))->qFont());
    popUp->setTarget(this);
    popUp->setAction(Selector("localePopUpButtonChanged"));
    const Dictionary options { { Value(MultipleValuesPlaceholderBindingOption), Value(QStringLiteral("Multiple Values")) },
        { Value(AllowsEditingMultipleValuesSelectionBindingOption), Value(true) } };
    popUp->bindToObjectWithKeyPathOptions(ContentBinding, controller_.get(), QStringLiteral("arrangedObjects"), options);
    popUp->bindToObjectWithKeyPathOptions(ContentObjectsBinding, controller_.get(), QStringLiteral("arrangedObjects.self"), {});
    popUp->bindToObjectWithKeyPathOptions(ContentValuesBinding, controller_.get(), QStringLiteral("arrangedObjects.displayName"), {});
    popUp->bindToObjectWithKeyPathOptions(SelectedIndexBinding, controller_.get(), QStringLiteral("selectionIndex"), options);
    initWithIdentifierFieldViewPlaceholderAndLabel(identifier, popUp, placeholder, std::move(label));
    setViewWidthShouldBeAdjusted(true);
    setLocales(supportedLocales());
}

JVLTextViewInspectorLocaleField::~JVLTextViewInspectorLocaleField()
{
    if (const Ref<View> popUp = view())
        for (const QString& binding : { ContentBinding, ContentObjectsBinding, ContentValuesBinding, SelectedIndexBinding })
            popUp->unbind(binding);
    if (controller_)
        controller_->unbind(QStringLiteral("contentArray"));
}

void JVLTextViewInspectorLocaleField::setLocales(const Array& locales)
{
    const QString key = localesKey();
    willChangeValueForKey(key);
    locales_ = locales;
    didChangeValueForKey(key);
}

Value JVLTextViewInspectorLocaleField::localeForCode(const QString& code) const
{
    auto lastWith = [this](const QString& identifier) -> Value {
        for (std::int64_t i = locales_.count() - 1; i >= 0; --i)
            if (const auto entry = locales_[i].objectAs<JVLLocaleEntry>(); entry && entry->localeIdentifier() == identifier)
                return locales_[i];
        return {};
    };
    // An unknown code falls back to the user's own country or language, as the form always did.
    Value found = lastWith(normalisedCode(code));
    if (found.isNil())
        found = lastWith(currentCode());
    if (found.isNil() && locales_.count() > 0)
        found = locales_[0];
    return found;
}

void JVLTextViewInspectorLocaleField::setValue(const Value& value)
{
    auto* popUp = dynamic_cast<PopUpButton*>(view().get());
    if (value.isString()) {
        const Value locale = localeForCode(value.stringValue());
        controller_->setSelectedObjects(locale.isNil() ? Array() : Array { locale });
    } else if (value.isArray() && popUp) {
        Array found;
        for (const Value& element : value.array())
            found.addObject(element.isString() ? localeForCode(element.stringValue()) : element);
        if (found.count() == 1) {
            controller_->setSelectedObjects(found);
            popUp->setEnabled(true);
        } else {
            controller_->setSelectionIndexes(IndexSet());
            // The title comes as an item after the bound ones; choosing it writes nothing.
            const bool several = found.count() > 1;
            popUp->setTitle(JVLNSObject_Extension::bundle(staticClass())->localizedStringForKeyValueTable(
                several ? QStringLiteral("JVLTextViewInspectorMultipleValues") : QStringLiteral("JVLTextViewInspectorNoSelection"), QString(),
                QStringLiteral("JVLTextViewInspector")));
            popUp->setEnabled(several);
        }
    }
    JVLTextViewInspectorViewField::setValue(value);
}

void JVLTextViewInspectorLocaleField::localePopUpButtonChanged(Object*)
{
    auto* popUp = dynamic_cast<PopUpButton*>(view().get());
    if (!popUp)
        return;
    const Array arranged = controller_->arrangedObjects();
    const std::int64_t index = popUp->indexOfSelectedItem();
    // The title item set for several or no values lies past the arranged objects.
    if (index < 0 || index >= arranged.count())
        return;
    if (const auto entry = arranged[index].objectAs<JVLLocaleEntry>())
        userChangedValue(Value(entry->localeIdentifier()));
}

QString JVLTextViewInspectorLocaleField::notEditableReplacementString() const
{
    const QString own = JVLTextViewInspectorViewField::notEditableReplacementString();
    if (!own.isEmpty())
        return own;
    const auto* popUp = dynamic_cast<const PopUpButton*>(view().get());
    return popUp ? popUp->titleOfSelectedItem() : QString();
}
