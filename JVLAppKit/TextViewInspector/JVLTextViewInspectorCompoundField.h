#pragma once

// A field made of several fields shown one after another (a value with a button beside it, the rows
// of a list). Every sub-field points back to it weakly.

#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorField.h"

#include "kit/core/Geometry.h"

#include <QStringList>

#include <cstdint>
#include <vector>

class JVLTextViewInspectorCompoundField : public JVLTextViewInspectorField {
    KIT_CLASS(JVLTextViewInspectorCompoundField)
public:
    static kit::Ref<JVLTextViewInspectorCompoundField> fieldWithIdentifierAndLabel(
        const QString& identifier, kit::Ref<JVLTextViewInspectorFieldLabel> label)
    {
        return makeField<JVLTextViewInspectorCompoundField>(identifier, QString(), std::move(label));
    }
    // The mapping is kept for the owner; the entity is not used.
    static kit::Ref<JVLTextViewInspectorCompoundField> fieldWithPropertyMappingForEntity(const kit::Dictionary& mapping, const kit::EntityDescription* entity)
    {
        auto field = kit::make<JVLTextViewInspectorCompoundField>();
        field->initWithPropertyMappingForEntity(mapping, entity);
        return field;
    }
    void initWithPropertyMappingForEntity(const kit::Dictionary& mapping, const kit::EntityDescription*) { propertyMapping_ = mapping; }
    ~JVLTextViewInspectorCompoundField() override;

    const std::vector<kit::Ref<JVLTextViewInspectorField>>& allFields() const { return fields_; }
    kit::Ref<JVLTextViewInspectorField> fieldAtIndex(std::int64_t index) const;
    // By identity; NotFound when absent.
    std::int64_t indexOfField(const JVLTextViewInspectorField* field) const;
    virtual void insertFieldAtIndex(kit::Ref<JVLTextViewInspectorField> field, std::int64_t index);
    void addField(kit::Ref<JVLTextViewInspectorField> field);
    virtual void removeFieldAtIndex(std::int64_t index);
    void removeAllFields();
    kit::Ref<JVLTextViewInspectorField> fieldWithIdentifier(const QString& identifier) const;
    // The first view field whose view is `view`.
    kit::Ref<JVLTextViewInspectorField> fieldWithView(const kit::View* view) const;
    std::int64_t indexOfFieldWithView(const kit::View* view) const;
    void setValueOfFieldWithIdentifier(const kit::Value& value, const QString& identifier);

    QStringList createReplacementFromFieldsWithIdentifiers() const { return replacementIdentifiers_; }
    void setCreateReplacementFromFieldsWithIdentifiers(const QStringList& identifiers) { replacementIdentifiers_ = identifiers; }
    kit::Dictionary propertyMapping() const { return propertyMapping_; }
    void setPropertyMapping(const kit::Dictionary& mapping) { propertyMapping_ = mapping; }
    void updateReplacementString() { }

private:
    std::vector<kit::Ref<JVLTextViewInspectorField>> fields_;
    QStringList replacementIdentifiers_;
    kit::Dictionary propertyMapping_;
};
