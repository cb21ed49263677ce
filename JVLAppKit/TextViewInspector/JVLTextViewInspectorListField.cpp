#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorListField.h"

#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorViewField.h"

#include "kit/appkit/Window.h"
#include "kit/core/KeyValueObserving.h"

using namespace kit;

KIT_REGISTER_CLASS(JVLTextViewInspectorListField, JVLTextViewInspectorCompoundField)
{
    c.bundle(QStringLiteral("JVLAppKit"));
    c.copyable();
}

namespace {

const QString listArrangedObjectsKey = QStringLiteral("arrangedObjects");

} // namespace

JVLTextViewInspectorListField::~JVLTextViewInspectorListField() { unbind(); }

void JVLTextViewInspectorListField::setEntryFieldTemplate(const Ref<JVLTextViewInspectorField>& field)
{
    template_ = field ? dynamic_pointer_cast<JVLTextViewInspectorField>(field->copy()) : nullptr;
}

void JVLTextViewInspectorListField::bindToObjectControllerKeyModelKeyPathForValueModelKeyPathForLabel(
    ArrayController* controller, const QString& controllerKey, const QString& valuePath, const QString& labelPath)
{
    unbind();
    controller_ = controller;
    controllerKey_ = controllerKey;
    valuePath_ = valuePath;
    labelPath_ = labelPath;
    if (!controller_)
        return;
    if (const Value context = controller_->managedObjectContext(); context.isObject())
        setManagedObjectContext(context.object());
    controller_->addObserverForKeyPathOptionsContext(this, listArrangedObjectsKey, KeyValueObservingOptionNew | KeyValueObservingOptionOld, nullptr);
}

void JVLTextViewInspectorListField::unbind()
{
    if (controller_)
        controller_->removeObserverForKeyPath(this, listArrangedObjectsKey);
    controller_ = nullptr;
    controllerKey_.clear();
    valuePath_.clear();
    labelPath_.clear();
}

Ref<JVLTextViewInspectorField> JVLTextViewInspectorListField::insertRowAtIndexWithLabel(std::int64_t index, Ref<JVLTextViewInspectorFieldLabel> label)
{
    return insertPreparedRow(index, std::move(label), nullptr);
}

Ref<JVLTextViewInspectorField> JVLTextViewInspectorListField::insertPreparedRow(
    std::int64_t index, Ref<JVLTextViewInspectorFieldLabel> label, const std::function<void(JVLTextViewInspectorField*)>& prepare)
{
    if (!template_)
        return nullptr;
    const Ref<JVLTextViewInspectorField> row = dynamic_pointer_cast<JVLTextViewInspectorField>(template_->copy());
    insertFieldAtIndex(row, index);
    row->setLabel(std::move(label));
    if (prepare)
        prepare(row.get());
    const Ref<Object> d = delegate();
    if (auto* listener = dynamic_cast<JVLTextViewInspectorListFieldDelegate*>(d.get());
        listener && d->respondsToSelector(Selector(JVLListFieldDidInsertRowAtIndexOperation)))
        listener->listFieldDidInsertRowAtIndex(this, row.get(), index);
    return row;
}

void JVLTextViewInspectorListField::removeRowAtIndex(std::int64_t index)
{
    // Kept alive until the delegate has been told.
    const Ref<JVLTextViewInspectorField> row = fieldAtIndex(index);
    removeFieldAtIndex(index);
    const Ref<Object> d = delegate();
    if (auto* listener = dynamic_cast<JVLTextViewInspectorListFieldDelegate*>(d.get());
        listener && d->respondsToSelector(Selector(JVLListFieldDidRemoveRowAtIndexOperation)))
        listener->listFieldDidRemoveRowAtIndex(this, row.get(), index);
}

void JVLTextViewInspectorListField::removeRow(JVLTextViewInspectorField* row)
{
    if (const std::int64_t index = indexOfField(row); index != NotFound)
        removeRowAtIndex(index);
}

void JVLTextViewInspectorListField::removeAllRows()
{
    while (!allFields().empty())
        removeRow(allFields().front().get());
}

std::int64_t JVLTextViewInspectorListField::arrangedObjectIndexOfRowAtIndex(std::int64_t rowIndex) const
{
    std::int64_t objectIndex = rowIndex;
    for (std::int64_t i = 0; i < rowIndex && i < std::int64_t(allFields().size()); ++i)
        if (fieldAtIndex(i)->value().isNil())
            --objectIndex;
    return objectIndex;
}

void JVLTextViewInspectorListField::observeValueForKeyPathOfObjectChangeContext(
    const QString& keyPath, Object*, const KeyValueChange& change, void*)
{
    if (keyPath != listArrangedObjectsKey || !controller_)
        return;
    const Ref<JVLTextViewInspectorListField> keep(this);
    const bool editable = isEditable(), enabled = isEnabled();
    // Each row is bound and set before the inspector shows it: it is shown, and named, by its value.
    const auto made = [&](std::int64_t index, const Value& object, Ref<JVLTextViewInspectorFieldLabel> label = nullptr) {
        return insertPreparedRow(index, std::move(label), [&](JVLTextViewInspectorField* row) {
            row->setEditable(editable);
            row->setEnabled(enabled);
            if (object.isObject())
                row->bindToObjectWithKeyPathOptions(QStringLiteral("value"), object.object().get(), QStringLiteral("self"), {});
        });
    };
    const Array arranged = controller_->arrangedObjects();
    const auto arrangedAt = [&](std::int64_t index) { return index >= 0 && index < arranged.count() ? arranged[index] : Value(); };
    // An edit in a row's view ends first.
    for (const auto& row : allFields())
        if (auto* viewField = dynamic_cast<JVLTextViewInspectorViewField*>(row.get()); viewField && viewField->view())
            if (const Ref<Window> w = viewField->view()->window(); w && w->firstResponder().get() == viewField->view().get())
                w->makeFirstResponder(nullptr);

    switch (change.kind) {
    case KeyValueChangeInsertion:
        for (const std::int64_t index : change.indexes.indexes())
            made(index, arrangedAt(index));
        break;
    case KeyValueChangeRemoval: {
        const std::vector<std::int64_t> indexes = change.indexes.indexes();
        for (auto it = indexes.rbegin(); it != indexes.rend(); ++it)
            if (*it < std::int64_t(allFields().size())) {
                fieldAtIndex(*it)->unbind(QStringLiteral("value"));
                removeRowAtIndex(*it);
            }
        break;
    }
    case KeyValueChangeReplacement:
        for (const std::int64_t index : change.indexes.indexes()) {
            if (index < std::int64_t(allFields().size())) {
                fieldAtIndex(index)->unbind(QStringLiteral("value"));
                removeRowAtIndex(index);
            }
            made(index, arrangedAt(index));
        }
        break;
    default: {
        for (const auto& row : allFields())
            row->unbind(QStringLiteral("value"));
        removeAllRows();
        const Value objects = controller_->valueForKey(controllerKey_.isEmpty() ? listArrangedObjectsKey : controllerKey_);
        const Array list = objects.isArray() ? objects.array() : Array();
        if (!list.isEmpty()) {
            JVLTextViewInspectorLabels left = defaultLabels_;
            for (std::int64_t i = 0; i < list.count(); ++i) {
                const Ref<JVLTextViewInspectorField> row = made(std::int64_t(allFields().size()), list[i]);
                if (!row)
                    continue;
                std::erase_if(left, [&](const Ref<JVLTextViewInspectorFieldLabel>& label) { return label == row->label(); });
            }
            for (const auto& label : left)
                made(std::int64_t(allFields().size()), Value(), label);
        } else if (defaultLabels_.empty()) {
            made(0, Value());
        } else {
            for (const auto& label : defaultLabels_)
                made(std::int64_t(allFields().size()), Value(), label);
        }
        break;
    }
    }
}

void JVLTextViewInspectorListField::setValue(const Value& value)
{
    if (!value.isArray())
        return;
    removeAllFields();
    Array elements = value.array();
    if (!elements.isEmpty() && elements[0].isArray()) {
        Set distinct;
        for (const Value& inner : elements)
            if (inner.isArray())
                distinct.unionSet(Set(inner.array()));
        elements = distinct.allObjects();
    }
    if (template_)
        for (std::int64_t i = 0; i < elements.count(); ++i)
            addField(dynamic_pointer_cast<JVLTextViewInspectorField>(template_->copy()));
    JVLTextViewInspectorCompoundField::setValue(value);
}

bool JVLTextViewInspectorListField::isEnabled() const
{
    if (!controller_)
        return JVLTextViewInspectorCompoundField::isEnabled();
    const Value objects = controller_->valueForKey(controllerKey_.isEmpty() ? listArrangedObjectsKey : controllerKey_);
    if (objects.isArray() && !objects.array().isEmpty())
        return JVLTextViewInspectorCompoundField::isEnabled() && controller_->canAdd() && controller_->canRemove();
    return JVLTextViewInspectorCompoundField::isEnabled();
}
