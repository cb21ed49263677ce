#pragma once

// The field of a value shown as editable text inside the inspector's own text: it turns the value
// into the text shown, the typed text back into a value, validates it as an e-mail address or URL
// when asked, and asks the inspector to redraw its run when the value changes.

#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorField.h"

#include <QStringList>

#include <cstdint>

class JVLTextViewInspectorTextField : public JVLTextViewInspectorField {
    KIT_CLASS(JVLTextViewInspectorTextField)
public:
    enum ValidationMethod : std::int32_t { NoValidation = 0, EMailValidation = 1, URLValidation = 2 };

    JVLTextViewInspectorTextField();
    // Label, placeholder and identifier from the entity's model.
    static kit::Ref<JVLTextViewInspectorTextField> fieldWithPropertyNameOfEntity(const QString& propertyName, const kit::EntityDescription* entity)
    {
        return makeFieldForProperty<JVLTextViewInspectorTextField>(propertyName, entity);
    }
    static kit::Ref<JVLTextViewInspectorTextField> fieldWithIdentifierAndLabel(const QString& identifier, kit::Ref<JVLTextViewInspectorFieldLabel> label)
    {
        return makeField<JVLTextViewInspectorTextField>(identifier, QString(), std::move(label));
    }
    static kit::Ref<JVLTextViewInspectorTextField> fieldWithIdentifierPlaceholderAndLabel(
        const QString& identifier, const QString& placeholder, kit::Ref<JVLTextViewInspectorFieldLabel> label)
    {
        return makeField<JVLTextViewInspectorTextField>(identifier, placeholder, std::move(label));
    }

    double overrideFontSizeWithPointSize() const { return overrideFontSize_; }
    void setOverrideFontSizeWithPointSize(double size) { overrideFontSize_ = size; }
    bool supportTextCompletion() const { return supportTextCompletion_; }
    void setSupportTextCompletion(bool flag) { supportTextCompletion_ = flag; }
    bool supportMultipleValues() const { return supportMultipleValues_; }
    void setSupportMultipleValues(bool flag) { supportMultipleValues_ = flag; }
    // A kit::Formatter; the field keeps its own copy.
    kit::Ref<kit::Object> formatter() const { return formatter_; }
    void setFormatter(const kit::Ref<kit::Object>& formatter);
    std::int32_t validationMethod() const { return validationMethod_; }
    void setValidationMethod(std::int32_t method) { validationMethod_ = method; }
    bool supportNewLine() const { return supportNewLine_; }
    void setSupportNewLine(bool flag) { supportNewLine_ = flag; }

    // The text shown for the value; empty when the inspector shows the placeholder or a state text.
    // A collection of equal values is reduced to one, stored without a redisplay.
    QString displayStringForValue();
    // The value for typed text: nil for the placeholder or the multiple-values text (any case); a
    // formatter's object; else the text itself.
    kit::Value valueObjectForString(const QString& string) const;
    // Called after the user changed the text.
    virtual void valueDidChangedFromTextInspector() { validate(); }
    virtual QStringList completionsForPartialStringIndexOfSelectedItem(const QString& partial, std::int64_t* index);
    bool isMultipleValue() const;
    bool isValueEmpty() const;

    // JVLTextViewInspectorField:
    void initWithIdentifierPlaceholderAndLabel(const QString& identifier, const QString& placeholder,
        kit::Ref<JVLTextViewInspectorFieldLabel> label) override;
    // Stores, validates, then redraws the field's run in the inspector.
    void setValue(const kit::Value& value) override;
    void validate() override;
    bool acceptsMultipleValues() const override { return supportMultipleValues_; }
    bool shouldBeVisibleWithEditableState(bool editable) const override;
    void copyTo(kit::Object& copy) const override;

    // The localised multiple-values text of the class's bundle.
    static QString multipleValuesText();

protected:
    // The value as it is stored, without validation or redisplay.
    void storeValue(const kit::Value& value) { JVLTextViewInspectorField::setValue(value); }

private:
    double overrideFontSize_ = 0;
    bool supportTextCompletion_ = false;
    bool supportMultipleValues_ = false;
    kit::Ref<kit::Object> formatter_;
    std::int32_t validationMethod_ = NoValidation;
    bool supportNewLine_ = false;
};
