#pragma once

// A field of the form inspector: one line of the form, described as a model object. It holds its
// identifier, its value (set through the binding "value": a single object, an array or set for a
// multiple selection, Null or nil), its label (optionally chosen from a menu of alternatives), its
// placeholder and the flags that tell the inspector whether and how to show it. It draws nothing:
// the inspector reads it on every rebuild and calls back into it when the user changes something.

#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorFieldLabel.h"

#include "kit/core/Geometry.h"
#include "kit/core/Object.h"
#include "kit/core/Value.h"

#include <QString>

#include <vector>

namespace kit {
class EntityDescription;
class Menu;
class View;
} // namespace kit

class JVLTextViewInspector;
class JVLTextViewInspectorCompoundField;
class JVLTextViewInspectorField;

using JVLTextViewInspectorLabels = std::vector<kit::Ref<JVLTextViewInspectorFieldLabel>>;

// Value states.
enum JVLTextViewInspectorValueState : int {
    JVLSingleValueState = 0,
    JVLMultipleValuesState = 1,
    JVLNoSelectionState = 2,
    JVLNullValueState = 3,
};

// What a field's delegate may implement (registered optional operations).
inline constexpr const char* JVLInspectorFieldDidChangeLabelSelectionOperation = "inspectorFieldDidChangeLabelSelection";

class JVLTextViewInspectorFieldDelegate {
public:
    virtual ~JVLTextViewInspectorFieldDelegate() = default;
    virtual void inspectorFieldDidChangeLabelSelection(JVLTextViewInspectorField*, JVLTextViewInspectorFieldLabel*) { }
};

class JVLTextViewInspectorField : public kit::Object {
    KIT_CLASS(JVLTextViewInspectorField)
public:
    JVLTextViewInspectorField() = default;
    ~JVLTextViewInspectorField() override;

    // The designated initialiser: placeholder and default placeholder, identifier, label.
    virtual void initWithIdentifierPlaceholderAndLabel(const QString& identifier, const QString& placeholder,
        kit::Ref<JVLTextViewInspectorFieldLabel> label);
    // Label and placeholder from the entity's model, the property name as identifier, then the
    // entity; a null name gives a field with none of the three.
    virtual void initWithPropertyNameOfEntity(const QString& propertyName, const kit::EntityDescription* entity);
    template <class F>
    static kit::Ref<F> makeFieldForProperty(const QString& propertyName, const kit::EntityDescription* entity)
    {
        auto field = kit::make<F>();
        field->initWithPropertyNameOfEntity(propertyName, entity);
        return field;
    }
    // Made and initialised: the class constructors of the concrete fields call it.
    template <class F>
    static kit::Ref<F> makeField(const QString& identifier, const QString& placeholder, kit::Ref<JVLTextViewInspectorFieldLabel> label)
    {
        auto field = kit::make<F>();
        field->initWithIdentifierPlaceholderAndLabel(identifier, placeholder, std::move(label));
        return field;
    }

    // --- Flags and settings. ---
    bool isSeparator() const { return isSeparator_; }
    void setSeparator(bool flag) { isSeparator_ = flag; }
    bool isEditable() const { return isEditable_; }
    virtual void setEditable(bool flag) { isEditable_ = flag; }
    bool isHidden() const { return isHidden_; }
    void setHidden(bool flag) { isHidden_ = flag; }
    virtual bool isEnabled() const { return isEnabled_; }
    virtual void setEnabled(bool flag) { isEnabled_ = flag; }
    bool isValid() const { return isValid_; }
    void setValid(bool flag);
    QString identifier() const { return identifier_; }
    void setIdentifier(const QString& identifier) { identifier_ = identifier; }
    kit::Value value() const { return value_; }
    // Keeps the value; subclasses show it in their views and validate.
    virtual void setValue(const kit::Value& value);
    // A selection's values (an array or set) reduced to the one value they agree on; nil when
    // there are none or several. Any other value stands as it is.
    static kit::Value soleValue(const kit::Value& value);
    kit::Ref<JVLTextViewInspectorFieldLabel> label() const { return label_; }
    void setLabel(kit::Ref<JVLTextViewInspectorFieldLabel> label);
    const JVLTextViewInspectorLabels& labelArray() const { return labelArray_; }
    void setLabelArray(JVLTextViewInspectorLabels labels) { labelArray_ = std::move(labels); }
    kit::Value selectedRepresentedObjectOfLabel() const { return selectedRepresentedObjectOfLabel_; }
    void setSelectedRepresentedObjectOfLabel(const kit::Value& object);
    bool isLabelHidden() const { return isLabelHidden_; }
    void setLabelHidden(bool flag) { isLabelHidden_ = flag; }
    bool shouldAppendNewline() const { return shouldAppendNewline_; }
    void setShouldAppendNewline(bool flag) { shouldAppendNewline_ = flag; }
    bool suppressFieldIfNotEditable() const { return suppressFieldIfNotEditable_; }
    void setSuppressFieldIfNotEditable(bool flag) { suppressFieldIfNotEditable_ = flag; }
    double minimumHeight() const { return minimumHeight_; }
    void setMinimumHeight(double height) { minimumHeight_ = height; }
    double insetValue() const { return insetValue_; }
    void setInsetValue(double inset) { insetValue_ = inset; }
    // Text shown instead of the value while the inspector is not editable (empty: none).
    virtual QString notEditableReplacementString() const { return notEditableReplacementString_; }
    void setNotEditableReplacementString(const QString& text) { notEditableReplacementString_ = text; }
    kit::Ref<JVLTextViewInspectorCompoundField> compoundField() const;
    void setCompoundField(JVLTextViewInspectorCompoundField* field);
    kit::Value entity() const { return entity_; }
    void setEntity(const kit::Value& entity) { entity_ = entity; }
    // Empty: no placeholder.
    QString placeholder() const { return placeholder_; }
    virtual void setPlaceholder(const QString& placeholder) { placeholder_ = placeholder; }
    QString defaultPlaceholder() const { return defaultPlaceholder_; }
    void setDefaultPlaceholder(const QString& placeholder) { defaultPlaceholder_ = placeholder; }
    kit::Rect lineFragmentRect() const { return lineFragmentRect_; }
    void setLineFragmentRect(kit::Rect rect) { lineFragmentRect_ = rect; }
    bool suppressMinimumHeight() const { return suppressMinimumHeight_; }
    void setSuppressMinimumHeight(bool flag) { suppressMinimumHeight_ = flag; }
    bool conditionallySetsHidden() const { return conditionallySetsHidden_; }
    void setConditionallySetsHidden(bool flag) { conditionallySetsHidden_ = flag; }
    // Held weakly.
    kit::Ref<kit::Object> delegate() const { return delegate_.lock(); }
    virtual void setDelegate(kit::Object* delegate) { delegate_ = delegate; }
    kit::Ref<kit::Object> managedObjectContext() const { return managedObjectContext_; }
    void setManagedObjectContext(kit::Ref<kit::Object> context) { managedObjectContext_ = std::move(context); }
    kit::Ref<kit::Object> dataSource() const { return dataSource_.lock(); }
    void setDataSource(kit::Object* dataSource) { dataSource_ = dataSource; }
    // The inspector that showed the field last (weak).
    kit::Ref<JVLTextViewInspector> textViewInspector() const;
    void setTextViewInspector(JVLTextViewInspector* inspector);

    // --- What the inspector asks. ---
    bool hasLabel() const { return label_ != nullptr; }
    virtual JVLTextViewInspectorValueState valueState() const;
    // Whether an array or set of several values is one value to this field.
    virtual bool acceptsMultipleValues() const { return false; }
    virtual bool shouldBeVisibleWithEditableState(bool editable) const;
    virtual bool shouldBeEditableWithEditableState(bool editable) const { return editable; }
    virtual bool shouldBeEnabledWithEditableState(bool) const { return true; }
    virtual void hasBecomeVisibleInInspector(JVLTextViewInspector* inspector);
    // The own labels, else the compound field's.
    JVLTextViewInspectorLabels effectiveLabelArray() const;
    bool shouldDisplayLabelMenu() const;
    // A new menu of the effective labels (sorted by their text), when there are two or more.
    kit::Ref<kit::Menu> labelMenu();
    kit::Ref<kit::Menu> createLabelMenu();
    // The pop-up that offers the label menu, made once.
    kit::Ref<kit::View> labelSelectionPopup();
    virtual void validate() { }
    // This field, or a compound field up its chain.
    bool isSubFieldOf(const JVLTextViewInspectorField* field) const;
    // The first effective label standing for `object` (same object or equal); nil matches nothing.
    kit::Ref<JVLTextViewInspectorFieldLabel> labelWithRepresentedObject(const kit::Value& object) const;
    // The label menu's action (sender: the chosen item).
    void labelSelectionDidChange(kit::Object* sender);

    // Copies keep the identity, placeholder, label (copied) and flags, never the value.
    void copyTo(kit::Object& copy) const override;

protected:
    // Writes `value` back through the field's binding `binding`.
    void propagateValueForBinding(const kit::Value& value, const QString& binding);
    bool isEditable_ = false;
    bool isEnabled_ = true;

private:
    bool isSeparator_ = false;
    bool isHidden_ = false;
    bool isValid_ = true;
    QString identifier_;
    kit::Value value_;
    kit::Ref<JVLTextViewInspectorFieldLabel> label_;
    JVLTextViewInspectorLabels labelArray_;
    kit::Value selectedRepresentedObjectOfLabel_;
    bool isLabelHidden_ = false;
    bool shouldAppendNewline_ = true;
    bool suppressFieldIfNotEditable_ = false;
    double minimumHeight_ = 0;
    double insetValue_ = 0;
    QString notEditableReplacementString_;
    kit::Weak<JVLTextViewInspectorCompoundField> compoundField_;
    kit::Value entity_;
    QString placeholder_;
    QString defaultPlaceholder_;
    kit::Rect lineFragmentRect_ {};
    bool suppressMinimumHeight_ = false;
    bool conditionallySetsHidden_ = false;
    kit::Weak<kit::Object> delegate_;
    kit::Ref<kit::Object> managedObjectContext_;
    kit::Weak<kit::Object> dataSource_;
    kit::Ref<kit::View> labelPopup_;
    kit::Weak<JVLTextViewInspector> inspector_;
};
