#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorCompoundField.h"

#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorViewField.h"

#include "kit/core/Exception.h"

using namespace kit;

KIT_REGISTER_CLASS(JVLTextViewInspectorCompoundField, JVLTextViewInspectorField)
{
    c.bundle(QStringLiteral("JVLAppKit"));
    c.copyable();
}

JVLTextViewInspectorCompoundField::~JVLTextViewInspectorCompoundField()
{
    for (const auto& field : fields_)
        field->setCompoundField(nullptr);
}

Ref<JVLTextViewInspectorField> JVLTextViewInspectorCompoundField::fieldAtIndex(std::int64_t index) const
{
    if (index < 0 || index >= std::int64_t(fields_.size()))
        Exception::raise(RangeException, QStringLiteral("fieldAtIndex: index %1 beyond %2 sub-fields").arg(index).arg(fields_.size()));
    return fields_[std::size_t(index)];
}

std::int64_t JVLTextViewInspectorCompoundField::indexOfField(const JVLTextViewInspectorField* field) const
{
    for (std::size_t i = 0; i < fields_.size(); ++i)
        if (fields_[i].get() == field)
            return std::int64_t(i);
    return NotFound;
}

void JVLTextViewInspectorCompoundField::insertFieldAtIndex(Ref<JVLTextViewInspectorField> field, std::int64_t index)
{
    if (!field)
        return;
    if (index < 0 || index > std::int64_t(fields_.size()))
        Exception::raise(RangeException, QStringLiteral("insertFieldAtIndex: index %1 beyond %2 sub-fields").arg(index).arg(fields_.size()));
    field->setCompoundField(this);
    fields_.insert(fields_.begin() + index, std::move(field));
}

void JVLTextViewInspectorCompoundField::addField(Ref<JVLTextViewInspectorField> field) { insertFieldAtIndex(std::move(field), std::int64_t(fields_.size())); }

void JVLTextViewInspectorCompoundField::removeFieldAtIndex(std::int64_t index)
{
    const Ref<JVLTextViewInspectorField> field = fieldAtIndex(index);
    fields_.erase(fields_.begin() + index);
    field->setCompoundField(nullptr);
}

void JVLTextViewInspectorCompoundField::removeAllFields()
{
    for (const auto& field : fields_)
        field->setCompoundField(nullptr);
    fields_.clear();
}

Ref<JVLTextViewInspectorField> JVLTextViewInspectorCompoundField::fieldWithIdentifier(const QString& identifier) const
{
    for (const auto& field : fields_)
        if (field->identifier() == identifier)
            return field;
    return nullptr;
}

Ref<JVLTextViewInspectorField> JVLTextViewInspectorCompoundField::fieldWithView(const View* view) const
{
    const std::int64_t index = indexOfFieldWithView(view);
    return index == NotFound ? nullptr : fields_[std::size_t(index)];
}

std::int64_t JVLTextViewInspectorCompoundField::indexOfFieldWithView(const View* view) const
{
    for (std::size_t i = 0; i < fields_.size(); ++i)
        if (auto* viewField = dynamic_cast<JVLTextViewInspectorViewField*>(fields_[i].get()); viewField && viewField->view().get() == view)
            return std::int64_t(i);
    return NotFound;
}

void JVLTextViewInspectorCompoundField::setValueOfFieldWithIdentifier(const Value& value, const QString& identifier)
{
    if (const Ref<JVLTextViewInspectorField> field = fieldWithIdentifier(identifier))
        field->setValue(value);
}
