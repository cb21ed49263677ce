#pragma once

// A URL or e-mail address with a small button beside it that opens it: a compound field of a text
// field (validated as a URL or an address) and a button enabled while the text is valid.

#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorCompoundField.h"

#include <QUrl>

class JVLTextViewInspectorTextField;

class JVLTextViewInspectorURLField : public JVLTextViewInspectorCompoundField {
    KIT_CLASS(JVLTextViewInspectorURLField)
public:
    // No sub-fields.
    static kit::Ref<JVLTextViewInspectorURLField> fieldWithIdentifierAndLabel(const QString& identifier, kit::Ref<JVLTextViewInspectorFieldLabel> label)
    {
        return makeField<JVLTextViewInspectorURLField>(identifier, QString(), std::move(label));
    }
    // The text sub-field labelled from the entity's model and the button; identifier the property name.
    static kit::Ref<JVLTextViewInspectorURLField> fieldWithPropertyNameOfEntity(const QString& propertyName, const kit::EntityDescription* entity)
    {
        return makeFieldForProperty<JVLTextViewInspectorURLField>(propertyName, entity);
    }
    void initWithPropertyNameOfEntity(const QString& propertyName, const kit::EntityDescription* entity) override;
    // The text sub-field (label, placeholder, URL validation, no newline) and the button.
    static kit::Ref<JVLTextViewInspectorURLField> fieldWithTextFieldIdentifierPlaceholderAndLabel(
        const QString& identifier, const QString& placeholder, kit::Ref<JVLTextViewInspectorFieldLabel> label);
    void bindURLFieldToObjectWithKeyPath(kit::Object* object, const QString& keyPath);
    void openURLAction(kit::Object* sender);
    // The URL opened for `text`: http, https and ftp only (no scheme: http); invalid otherwise.
    static QUrl openableURLForString(const QString& text);

    bool shouldBeVisibleWithEditableState(bool editable) const override;

protected:
    // Sub-field 1 made from the given text field (validated as a URL), sub-field 2 the button.
    virtual void buildSubFields(kit::Ref<JVLTextViewInspectorTextField> text);
    void addTextAndButton(kit::Ref<JVLTextViewInspectorTextField> text, std::int32_t validation, const QString& image, const char* action);
    // The first sub-field's text, or empty after a beep when there is none to open.
    QString textToOpen() const;
    // Opens a valid URL, beeps for an invalid one.
    static void openOrBeep(const QUrl& url);
};

class JVLTextViewInspectorEmailField : public JVLTextViewInspectorURLField {
    KIT_CLASS(JVLTextViewInspectorEmailField)
public:
    static kit::Ref<JVLTextViewInspectorEmailField> fieldWithIdentifierAndLabel(const QString& identifier, kit::Ref<JVLTextViewInspectorFieldLabel> label)
    {
        return makeField<JVLTextViewInspectorEmailField>(identifier, QString(), std::move(label));
    }
    static kit::Ref<JVLTextViewInspectorEmailField> fieldWithPropertyNameOfEntity(const QString& propertyName, const kit::EntityDescription* entity)
    {
        return makeFieldForProperty<JVLTextViewInspectorEmailField>(propertyName, entity);
    }
    static kit::Ref<JVLTextViewInspectorEmailField> fieldWithTextFieldIdentifierPlaceholderAndLabel(
        const QString& identifier, const QString& placeholder, kit::Ref<JVLTextViewInspectorFieldLabel> label);
    void bindEmailFieldToObjectWithKeyPath(kit::Object* object, const QString& keyPath) { bindURLFieldToObjectWithKeyPath(object, keyPath); }
    void writeEmailAction(kit::Object* sender);
    // "mailto:" and the address, with "?", "#", "&", "%" and white space encoded.
    static QUrl mailURLForAddress(const QString& address);

protected:
    // Validated as an address, with the mail button.
    void buildSubFields(kit::Ref<JVLTextViewInspectorTextField> text) override;
};
