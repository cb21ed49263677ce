#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorField.h"

#include "JVLAppKit/TextViewInspector/JVLTextViewInspector.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorCompoundField.h"
#include "JVLAppKit/JVLPopUpButton/JVLPopUpButton.h"
#include "FoundationExtensions/JVLManagedObjectModelExtensions.h"
#include "FoundationExtensions/JVLNSObject_Extension.h"

#include "kit/controls/Menu.h"
#include "kit/controls/MenuItem.h"
#include "kit/controls/PopUpButton.h"
#include "kit/core/SortDescriptor.h"

using namespace kit;

KIT_REGISTER_CLASS(JVLTextViewInspectorField, kit::Object)
{
    c.bundle(QStringLiteral("JVLAppKit"));
    c.copyable();
    c.property(
        "value", [](const JVLTextViewInspectorField& x) { return x.value(); },
        [](JVLTextViewInspectorField& x, const Value& v) { x.setValue(v); });
    c.property("isValid", &JVLTextViewInspectorField::isValid, &JVLTextViewInspectorField::setValid);
    c.property(
        "selectedRepresentedObjectOfLabel", [](const JVLTextViewInspectorField& x) { return x.selectedRepresentedObjectOfLabel(); },
        [](JVLTextViewInspectorField& x, const Value& v) { x.setSelectedRepresentedObjectOfLabel(v); });
    c.property("identifier", &JVLTextViewInspectorField::identifier, &JVLTextViewInspectorField::setIdentifier);
    c.property("placeholder", &JVLTextViewInspectorField::placeholder, &JVLTextViewInspectorField::setPlaceholder);
    c.exposeBinding("value");
    c.exposeBinding("isValid");
    c.action("labelSelectionDidChange", &JVLTextViewInspectorField::labelSelectionDidChange);
}

JVLTextViewInspectorField::~JVLTextViewInspectorField()
{
    unbind(QStringLiteral("value"));
    unbind(QStringLiteral("isValid"));
}

void JVLTextViewInspectorField::initWithIdentifierPlaceholderAndLabel(
    const QString& identifier, const QString& placeholder, Ref<JVLTextViewInspectorFieldLabel> label)
{
    placeholder_ = placeholder;
    defaultPlaceholder_ = placeholder;
    identifier_ = identifier;
    setLabel(std::move(label));
    lineFragmentRect_ = ZeroRect;
}

void JVLTextViewInspectorField::initWithPropertyNameOfEntity(const QString& propertyName, const EntityDescription* entity)
{
    if (propertyName.isNull()) {
        initWithIdentifierPlaceholderAndLabel(QString(), QString(), nullptr);
    } else {
        const Ref<ManagedObjectModel> model = entity ? entity->managedObjectModel() : nullptr;
        initWithIdentifierPlaceholderAndLabel(propertyName,
            JVLExtensions::localizedPlaceholderForPropertyNameOfEntity(model.get(), propertyName, entity),
            JVLTextViewInspectorFieldLabel::fieldLabelWithString(
                JVLExtensions::localizedLabelForPropertyNameOfEntity(model.get(), propertyName, entity)));
    }
    setEntity(entity ? Value(Ref<Object>(const_cast<EntityDescription*>(entity))) : Value());
}

void JVLTextViewInspectorField::setValid(bool flag)
{
    // Observed: a URL field's button is enabled through a binding to its text's "isValid".
    willChangeValueForKey(QStringLiteral("isValid"));
    isValid_ = flag;
    didChangeValueForKey(QStringLiteral("isValid"));
}

void JVLTextViewInspectorField::setValue(const Value& value) { value_ = value; }

Value JVLTextViewInspectorField::soleValue(const Value& value)
{
    if (!value.isArray() && !value.isSet())
        return value;
    const Set distinct = value.isSet() ? value.set() : Set(value.array());
    return distinct.count() == 1 ? distinct.anyObject() : Value();
}

Ref<JVLTextViewInspectorCompoundField> JVLTextViewInspectorField::compoundField() const { return compoundField_.lock(); }
void JVLTextViewInspectorField::setCompoundField(JVLTextViewInspectorCompoundField* field) { compoundField_ = field; }
Ref<JVLTextViewInspector> JVLTextViewInspectorField::textViewInspector() const { return inspector_.lock(); }
void JVLTextViewInspectorField::setTextViewInspector(JVLTextViewInspector* inspector) { inspector_ = inspector; }
void JVLTextViewInspectorField::hasBecomeVisibleInInspector(JVLTextViewInspector* inspector) { inspector_ = inspector; }

// Value state ---------------------------------------------------------------------------------------

JVLTextViewInspectorValueState JVLTextViewInspectorField::valueState() const
{
    if (value_.isArray() || value_.isSet()) {
        // Distinct elements: a selection whose values agree is one value.
        const Set distinct = value_.isSet() ? value_.set() : Set(value_.array());
        if (distinct.isEmpty())
            return JVLNoSelectionState;
        if (distinct.count() >= 2)
            return acceptsMultipleValues() ? JVLSingleValueState : JVLMultipleValuesState;
        return distinct.anyObject().isNull() ? JVLNullValueState : JVLSingleValueState;
    }
    return value_.isNilOrNull() ? JVLNullValueState : JVLSingleValueState;
}

bool JVLTextViewInspectorField::shouldBeVisibleWithEditableState(bool editable) const
{
    if (const Ref<JVLTextViewInspectorCompoundField> compound = compoundField(); compound && !compound->shouldBeVisibleWithEditableState(editable))
        return false;
    if (!editable && suppressFieldIfNotEditable_)
        return false;
    if (isHidden_)
        return false;
    return !conditionallySetsHidden_ || valueState() != JVLNullValueState;
}

bool JVLTextViewInspectorField::isSubFieldOf(const JVLTextViewInspectorField* field) const
{
    for (const JVLTextViewInspectorField* f = this; f; f = f->compoundField_.unsafeRaw())
        if (f == field)
            return true;
    return false;
}

// Labels ---------------------------------------------------------------------------------------------

void JVLTextViewInspectorField::setLabel(Ref<JVLTextViewInspectorFieldLabel> label)
{
    if (label == label_)
        return;
    selectedRepresentedObjectOfLabel_ = Value();
    label_ = std::move(label);
    if (label_)
        selectedRepresentedObjectOfLabel_ = label_->representedObject();
    setPlaceholder(label_ && !label_->labelDependentPlaceholder().isEmpty() ? label_->labelDependentPlaceholder() : defaultPlaceholder_);
}

JVLTextViewInspectorLabels JVLTextViewInspectorField::effectiveLabelArray() const
{
    if (!labelArray_.empty())
        return labelArray_;
    if (const Ref<JVLTextViewInspectorCompoundField> compound = compoundField())
        return compound->effectiveLabelArray();
    return {};
}

bool JVLTextViewInspectorField::shouldDisplayLabelMenu() const { return effectiveLabelArray().size() >= 2 && isEditable(); }

Ref<Menu> JVLTextViewInspectorField::labelMenu() { return effectiveLabelArray().size() >= 2 ? createLabelMenu() : nullptr; }

Ref<Menu> JVLTextViewInspectorField::createLabelMenu()
{
    Array labels;
    for (const auto& label : effectiveLabelArray())
        labels.addObject(Value(label));
    const Array sorted = sortedArrayUsingDescriptors(
        labels, { SortDescriptor(QStringLiteral("label"), true, Selector("localizedCaseInsensitiveCompare")) });
    auto menu = make<Menu>(QString());
    for (const Value& label : sorted) {
        auto item = make<MenuItem>(label.objectAs<JVLTextViewInspectorFieldLabel>()->label(), Selector("labelSelectionDidChange"), QString());
        item->setTarget(this);
        item->setRepresentedObject(label);
        menu->addItem(item);
    }
    return menu;
}

Ref<View> JVLTextViewInspectorField::labelSelectionPopup()
{
    if (!labelPopup_) {
        auto popUp = make<JVLPopUpButton>(MakeRect(0, 0, 80, 14));
        popUp->popUpCell()->setArrowPosition(PopUpArrowAtBottom);
        popUp->setPreferredEdge(MinXEdge);
        popUp->setBezelStyle(SmallSquareBezelStyle);
        popUp->cell()->setBordered(false);
        popUp->setAlignment(RightTextAlignment);
        popUp->setControlSize(SmallControlSize);
        popUp->setTarget(this);
        popUp->setAction(Selector("labelSelectionDidChange"));
        if (const Ref<Menu> menu = labelMenu())
            popUp->setMenu(menu);
        labelPopup_ = popUp;
    }
    return labelPopup_;
}

Ref<JVLTextViewInspectorFieldLabel> JVLTextViewInspectorField::labelWithRepresentedObject(const Value& object) const
{
    for (const auto& label : effectiveLabelArray()) {
        const Value represented = label->representedObject();
        if (represented.isNil())
            continue;
        if (represented.identicalTo(object) || represented.isEqual(object))
            return label;
    }
    return nullptr;
}

void JVLTextViewInspectorField::setSelectedRepresentedObjectOfLabel(const Value& object)
{
    if (object.identicalTo(selectedRepresentedObjectOfLabel_))
        return;
    selectedRepresentedObjectOfLabel_ = Value();
    if (object.isNil())
        return;
    selectedRepresentedObjectOfLabel_ = object;
    setLabel(labelWithRepresentedObject(object));
    // The label's own represented object replaced ours in setLabel; without a label the given one stays
    // unless there was a label before.
    if (auto* popUp = dynamic_cast<PopUpButton*>(labelSelectionPopup().get()); popUp && label_) {
        if (const std::int64_t index = popUp->indexOfItemWithRepresentedObject(Value(label_)); index != -1)
            popUp->selectItemAtIndex(index);
    }
}

void JVLTextViewInspectorField::labelSelectionDidChange(Object* sender)
{
    auto* item = dynamic_cast<MenuItem*>(sender);
    if (!item)
        return;
    const Ref<JVLTextViewInspectorFieldLabel> chosen = item->representedObject().objectAs<JVLTextViewInspectorFieldLabel>();
    if (chosen == label_)
        return;
    const Ref<JVLTextViewInspectorField> keep(this);
    setLabel(chosen);
    const Value represented = chosen ? chosen->representedObject() : Value();
    setSelectedRepresentedObjectOfLabel(represented);
    propagateValueForBinding(represented, QStringLiteral("selectedRepresentedObjectOfLabel"));
    const Ref<Object> d = delegate();
    if (auto* listener = dynamic_cast<JVLTextViewInspectorFieldDelegate*>(d.get());
        listener && d->respondsToSelector(Selector(JVLInspectorFieldDidChangeLabelSelectionOperation)))
        listener->inspectorFieldDidChangeLabelSelection(this, chosen.get());
}

void JVLTextViewInspectorField::propagateValueForBinding(const Value& value, const QString& binding)
{
    JVLNSObject_Extension::propagateValueForBinding(*this, value, binding);
}

// Copying --------------------------------------------------------------------------------------------

void JVLTextViewInspectorField::copyTo(Object& copy) const
{
    Object::copyTo(copy);
    auto& field = static_cast<JVLTextViewInspectorField&>(copy);
    field.initWithIdentifierPlaceholderAndLabel(identifier_, placeholder_, label_ ? dynamic_pointer_cast<JVLTextViewInspectorFieldLabel>(label_->copy()) : nullptr);
    field.labelArray_ = labelArray_;
    field.selectedRepresentedObjectOfLabel_ = field.label_ ? field.label_->representedObject() : Value();
    field.isSeparator_ = isSeparator_;
    field.isEditable_ = isEditable_;
    field.isEnabled_ = isEnabled_;
    field.isHidden_ = isHidden_;
    field.isLabelHidden_ = isLabelHidden_;
    field.isValid_ = isValid_;
    field.shouldAppendNewline_ = shouldAppendNewline_;
    field.suppressFieldIfNotEditable_ = suppressFieldIfNotEditable_;
    field.minimumHeight_ = minimumHeight_;
    field.suppressMinimumHeight_ = suppressMinimumHeight_;
    field.conditionallySetsHidden_ = conditionallySetsHidden_;
    field.entity_ = entity_;
    field.placeholder_ = placeholder_;
    // Through the setter: a view field hands the delegate on to its view.
    field.setDelegate(delegate().get());
}
