#pragma once

// A list field whose rows host token fields: each row shows its object's value as tokens, and what
// the user types is written back into the controller when the row's edit ends (a changed token
// replaces the row's object, an emptied row removes it). A line break typed or pasted commits the
// row and opens an empty one below it.

#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorListField.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorViewField.h"

#include "kit/controls/ControlTextEditingDelegate.h"
#include "kit/controls/TokenField.h"

class JVLTextViewInspectorTokenListField;

// A row's token field: Tab and Backtab at the end of its edit move on in the form that hosts it,
// where the window alone would leave the whole form.
class JVLTextViewInspectorTokenField : public kit::TokenField {
    KIT_CLASS(JVLTextViewInspectorTokenField)
public:
    explicit JVLTextViewInspectorTokenField(kit::Rect frame = {});
    // kit::Control:
    void textDidEndEditing(kit::Notification* notification) override;
};

// A row: a view field hosting a token field bound to the row object's value key path.
class JVLTextViewInspectorTokenListFieldItem : public JVLTextViewInspectorViewField {
    KIT_CLASS(JVLTextViewInspectorTokenListFieldItem)
public:
    kit::Ref<kit::View> tokenField() const { return view(); }
    kit::Ref<JVLTextViewInspectorTokenListField> tokenListField() const;

    void initWithIdentifierPlaceholderAndLabel(const QString& identifier, const QString& placeholder,
        kit::Ref<JVLTextViewInspectorFieldLabel> label) override;
    kit::Ref<kit::View> viewForField() override;
    void setIsEditable(bool flag) override;
    void setPlaceholder(const QString& placeholder) override;
    // Empty without a value; else the token field's text.
    QString notEditableReplacementString() const override;
    // "value" also binds the token field to the object's value key path, and the label to its label key path.
    void bindToObjectWithKeyPathOptions(const QString& binding, kit::Object* observable, const QString& keyPath, const kit::Dictionary& options) override;
    void unbind(const QString& binding) override;
};

class JVLTextViewInspectorTokenListField : public JVLTextViewInspectorListField, public kit::ControlTextEditingDelegate {
    KIT_CLASS(JVLTextViewInspectorTokenListField)
public:
    // Label, placeholder and identifier from the entity's model.
    static kit::Ref<JVLTextViewInspectorTokenListField> fieldWithPropertyNameOfEntity(const QString& propertyName, const kit::EntityDescription* entity)
    {
        return makeFieldForProperty<JVLTextViewInspectorTokenListField>(propertyName, entity);
    }
    static kit::Ref<JVLTextViewInspectorTokenListField> fieldWithIdentifierPlaceholderAndLabel(
        const QString& identifier, const QString& placeholder, kit::Ref<JVLTextViewInspectorFieldLabel> label)
    {
        return makeField<JVLTextViewInspectorTokenListField>(identifier, placeholder, std::move(label));
    }
    void initWithIdentifierPlaceholderAndLabel(const QString& identifier, const QString& placeholder,
        kit::Ref<JVLTextViewInspectorFieldLabel> label) override;
    // What goes into the controller for a typed token; the token itself by default.
    virtual kit::Value objectToInsertWithProposedObjectFieldAtIndexLabel(
        const kit::Value& proposed, JVLTextViewInspectorField* row, std::int64_t index, JVLTextViewInspectorFieldLabel* label);

    // kit::ControlTextEditingDelegate (of every row's token field):
    bool controlTextShouldEndEditing(kit::Control* control, kit::Responder* fieldEditor) override;
    void controlTextDidChange(kit::Notification* notification) override;

private:
    kit::Ref<JVLTextViewInspectorField> rowWithView(const kit::View* view) const;
};
