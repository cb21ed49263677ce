#pragma once

// A country or a language chosen from a pop-up of the supported locales, through a private array
// controller: the value is the locale's identifier (a country in upper case). Several values show the
// multiple-values title, none the no-selection title; those titles are never written back.

#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorViewField.h"

#include "kit/core/ArrayController.h"

class JVLTextViewInspectorLocaleField : public JVLTextViewInspectorViewField {
    KIT_CLASS(JVLTextViewInspectorLocaleField)
public:
    ~JVLTextViewInspectorLocaleField() override;
    kit::Ref<kit::ArrayController> localeController() const { return controller_; }
    kit::Array locales() const { return locales_; }
    void setLocales(const kit::Array& locales);
    void localePopUpButtonChanged(kit::Object* sender);

    void initWithIdentifierPlaceholderAndLabel(const QString& identifier, const QString& placeholder,
        kit::Ref<JVLTextViewInspectorFieldLabel> label) override;
    void setValue(const kit::Value& value) override;
    // The pop-up's title when no text of its own is set.
    QString notEditableReplacementString() const override;

protected:
    // What a subclass fills in.
    virtual QString localesKey() const = 0;
    virtual kit::Array supportedLocales() const = 0;
    virtual QString normalisedCode(const QString& code) const = 0;
    virtual QString currentCode() const = 0;
    virtual const kit::Class& localeClass() const = 0;

private:
    // The last locale whose identifier is `code`, else the user's own, else the first.
    kit::Value localeForCode(const QString& code) const;
    kit::Ref<kit::ArrayController> controller_;
    kit::Array locales_;
};

class JVLTextViewInspectorCountryField : public JVLTextViewInspectorLocaleField {
    KIT_CLASS(JVLTextViewInspectorCountryField)
public:
    // Label, placeholder and identifier from the entity's model.
    static kit::Ref<JVLTextViewInspectorCountryField> fieldWithPropertyNameOfEntity(const QString& propertyName, const kit::EntityDescription* entity)
    {
        return makeFieldForProperty<JVLTextViewInspectorCountryField>(propertyName, entity);
    }
    static kit::Ref<JVLTextViewInspectorCountryField> fieldWithIdentifierAndLabel(const QString& identifier, kit::Ref<JVLTextViewInspectorFieldLabel> label)
    {
        return makeField<JVLTextViewInspectorCountryField>(identifier, QString(), std::move(label));
    }
    kit::Array countryLocales() const { return locales(); }
    void setCountryLocales(const kit::Array& locales) { setLocales(locales); }
    void countryPopUpButtonChanged(kit::Object* sender) { localePopUpButtonChanged(sender); }

protected:
    QString localesKey() const override { return QStringLiteral("countryLocales"); }
    kit::Array supportedLocales() const override;
    QString normalisedCode(const QString& code) const override { return code.toUpper(); }
    QString currentCode() const override;
    const kit::Class& localeClass() const override;
};

class JVLTextViewInspectorLanguageField : public JVLTextViewInspectorLocaleField {
    KIT_CLASS(JVLTextViewInspectorLanguageField)
public:
    // Label, placeholder and identifier from the entity's model.
    static kit::Ref<JVLTextViewInspectorLanguageField> fieldWithPropertyNameOfEntity(const QString& propertyName, const kit::EntityDescription* entity)
    {
        return makeFieldForProperty<JVLTextViewInspectorLanguageField>(propertyName, entity);
    }
    static kit::Ref<JVLTextViewInspectorLanguageField> fieldWithIdentifierAndLabel(const QString& identifier, kit::Ref<JVLTextViewInspectorFieldLabel> label)
    {
        return makeField<JVLTextViewInspectorLanguageField>(identifier, QString(), std::move(label));
    }
    kit::Array languageLocales() const { return locales(); }
    void setLanguageLocales(const kit::Array& locales) { setLocales(locales); }
    void languagePopUpButtonChanged(kit::Object* sender) { localePopUpButtonChanged(sender); }

protected:
    QString localesKey() const override { return QStringLiteral("languageLocales"); }
    kit::Array supportedLocales() const override;
    QString normalisedCode(const QString& code) const override { return code; }
    QString currentCode() const override;
    const kit::Class& localeClass() const override;
};
