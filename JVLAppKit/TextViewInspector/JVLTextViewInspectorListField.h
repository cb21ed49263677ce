#pragma once

#include <functional>

// A list of values as rows of the form: copies of a template field, one bound to each object of an
// array controller's arranged objects (followed as they change), plus empty rows offered for
// default labels. The delegate (the inspector) hears of every row that comes or goes.

#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorCompoundField.h"

#include "kit/core/ArrayController.h"

class JVLTextViewInspectorListField;

inline constexpr const char* JVLListFieldDidInsertRowAtIndexOperation = "listFieldDidInsertRowAtIndex";
inline constexpr const char* JVLListFieldDidRemoveRowAtIndexOperation = "listFieldDidRemoveRowAtIndex";

class JVLTextViewInspectorListFieldDelegate {
public:
    virtual ~JVLTextViewInspectorListFieldDelegate() = default;
    virtual void listFieldDidInsertRowAtIndex(JVLTextViewInspectorListField*, JVLTextViewInspectorField*, std::int64_t) { }
    virtual void listFieldDidRemoveRowAtIndex(JVLTextViewInspectorListField*, JVLTextViewInspectorField*, std::int64_t) { }
};

class JVLTextViewInspectorListField : public JVLTextViewInspectorCompoundField {
    KIT_CLASS(JVLTextViewInspectorListField)
public:
    // Label, placeholder and identifier from the entity's model.
    static kit::Ref<JVLTextViewInspectorListField> fieldWithPropertyNameOfEntity(const QString& propertyName, const kit::EntityDescription* entity)
    {
        return makeFieldForProperty<JVLTextViewInspectorListField>(propertyName, entity);
    }
    static kit::Ref<JVLTextViewInspectorListField> fieldWithIdentifierAndLabel(const QString& identifier, kit::Ref<JVLTextViewInspectorFieldLabel> label)
    {
        return makeField<JVLTextViewInspectorListField>(identifier, QString(), std::move(label));
    }
    ~JVLTextViewInspectorListField() override;

    kit::Ref<JVLTextViewInspectorField> entryFieldTemplate() const { return template_; }
    // Kept as a copy.
    void setEntryFieldTemplate(const kit::Ref<JVLTextViewInspectorField>& field);
    const JVLTextViewInspectorLabels& defaultLabels() const { return defaultLabels_; }
    void setDefaultLabels(JVLTextViewInspectorLabels labels) { defaultLabels_ = std::move(labels); }

    // Follows the controller's "arrangedObjects" (new and old values, no initial call).
    void bindToObjectControllerKeyModelKeyPathForValueModelKeyPathForLabel(
        kit::ArrayController* controller, const QString& controllerKey, const QString& valuePath, const QString& labelPath);
    using kit::Object::unbind;
    void unbind();
    kit::Ref<kit::ArrayController> observableController() const { return controller_; }
    QString controllerKey() const { return controllerKey_; }
    QString modelKeyPathForValue() const { return valuePath_; }
    QString modelKeyPathForLabel() const { return labelPath_; }
    bool canAdd() const { return controller_ && controller_->canAdd(); }
    bool canRemove() const { return controller_ && controller_->canRemove(); }

    const std::vector<kit::Ref<JVLTextViewInspectorField>>& allRows() const { return allFields(); }
    kit::Ref<JVLTextViewInspectorField> rowAtIndex(std::int64_t index) const { return fieldAtIndex(index); }
    kit::Ref<JVLTextViewInspectorField> insertRowAtIndex(std::int64_t index) { return insertRowAtIndexWithLabel(index, nullptr); }
    kit::Ref<JVLTextViewInspectorField> insertRowAtIndexWithLabel(std::int64_t index, kit::Ref<JVLTextViewInspectorFieldLabel> label);
    kit::Ref<JVLTextViewInspectorField> addRow() { return insertRowAtIndex(std::int64_t(allFields().size())); }
    void removeRowAtIndex(std::int64_t index);
    void removeRow(JVLTextViewInspectorField* row);
    void removeAllRows();
    // The controller's index of the row's object: rows without a value (empty rows offered for
    // default labels, rows added by hand) hold none and are not counted.
    std::int64_t arrangedObjectIndexOfRowAtIndex(std::int64_t rowIndex) const;

    // JVLTextViewInspectorField:
    // An array gives one template copy per (distinct) element; anything else is ignored.
    void setValue(const kit::Value& value) override;
    // Disabled for a non-empty controller that cannot both add and remove.
    bool isEnabled() const override;
    void observeValueForKeyPathOfObjectChangeContext(
        const QString& keyPath, kit::Object* object, const kit::KeyValueChange& change, void* context) override;

private:
    // A row inserted and readied by `prepare` (bound, editable, enabled) before the delegate shows it.
    kit::Ref<JVLTextViewInspectorField> insertPreparedRow(
        std::int64_t index, kit::Ref<JVLTextViewInspectorFieldLabel> label, const std::function<void(JVLTextViewInspectorField*)>& prepare);
    kit::Ref<JVLTextViewInspectorField> template_;
    JVLTextViewInspectorLabels defaultLabels_;
    kit::Ref<kit::ArrayController> controller_;
    QString controllerKey_;
    QString valuePath_;
    QString labelPath_;
};
