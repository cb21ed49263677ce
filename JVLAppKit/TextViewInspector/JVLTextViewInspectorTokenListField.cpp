#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorTokenListField.h"

#include "JVLAppKit/TextViewInspector/JVLTextViewInspector.h"

#include "kit/appkit/FieldEditing.h"
#include "kit/appkit/Responder.h"
#include "kit/controls/TokenField.h"
#include "kit/core/NotificationCenter.h"
#include "kit/graphics/Font.h"

using namespace kit;

KIT_REGISTER_CLASS(JVLTextViewInspectorTokenListFieldItem, JVLTextViewInspectorViewField)
{
    c.bundle(QStringLiteral("JVLAppKit"));
    c.copyable();
}

KIT_REGISTER_CLASS(JVLTextViewInspectorTokenListField, JVLTextViewInspectorListField)
{
    c.bundle(QStringLiteral("JVLAppKit"));
    c.copyable();
    c.optionalOperations({ ControlTextShouldEndEditingOperation, ControlTextDidChangeOperation });
}

// The rows' token field -------------------------------------------------------------------------------

KIT_REGISTER_CLASS(JVLTextViewInspectorTokenField, kit::TokenField) { }

JVLTextViewInspectorTokenField::JVLTextViewInspectorTokenField(Rect frame)
    : TokenField(frame)
{ }

void JVLTextViewInspectorTokenField::textDidEndEditing(Notification* notification)
{
    const std::int64_t movement = notification ? notification->userInfo().objectForKey(Value(TextMovementKey)).integerValue() : 0;
    const Ref<JVLTextViewInspector> form = dynamic_pointer_cast<JVLTextViewInspector>(superview());
    if (!form || (movement != TabTextMovement && movement != BacktabTextMovement)) {
        TokenField::textDidEndEditing(notification);
        return;
    }
    const Ref<JVLTextViewInspectorTokenField> keep(this);
    // The edit ends without a move of its own; the form chooses where the keys go.
    Dictionary info = notification->userInfo();
    info.setObjectForKey(Value(std::int64_t(OtherTextMovement)), Value(TextMovementKey));
    TokenField::textDidEndEditing(Notification::notificationWithNameObjectUserInfo(notification->name(), notification->object().get(), info).get());
    form->selectKeyStopFollowingHostedView(this, movement == TabTextMovement);
}

// Rows ------------------------------------------------------------------------------------------------

Ref<JVLTextViewInspectorTokenListField> JVLTextViewInspectorTokenListFieldItem::tokenListField() const
{
    return dynamic_pointer_cast<JVLTextViewInspectorTokenListField>(compoundField());
}

void JVLTextViewInspectorTokenListFieldItem::initWithIdentifierPlaceholderAndLabel(
    const QString& identifier, const QString& placeholder, Ref<JVLTextViewInspectorFieldLabel> label)
{
    JVLTextViewInspectorViewField::initWithIdentifierPlaceholderAndLabel(identifier, placeholder, std::move(label));
    setViewWidthShouldBeAdjusted(true);
}

Ref<View> JVLTextViewInspectorTokenListFieldItem::viewForField()
{
    auto field = make<JVLTextViewInspectorTokenField>(MakeRect(0, 0, 233, 17));
    field->setAutoresizingMask(ViewWidthSizable);
    field->setBezeled(false);
    field->cell()->setScrollable(true);
    field->setPlaceholderString(placeholder());
    // Its name for a screen reader, which meets the row without the list's label.
    field->setToolTip(placeholder());
    field->setControlSize(SmallControlSize);
    field->setFont(Font::systemFontOfSize(Font::systemFontSizeForControlSize(SmallControlSize))->qFont());
    field->setTokenizingCharacterSet(QStringLiteral(";"));
    field->cell()->setCellAttributeTo(CellAttribute(15), 0);
    field->cell()->setCellAttributeTo(CellAttribute(10), 0);
    field->setDelegate(delegate().get());
    return field;
}

void JVLTextViewInspectorTokenListFieldItem::setIsEditable(bool flag)
{
    if (auto* field = dynamic_cast<TokenField*>(view().get()))
        field->setEditable(flag);
    JVLTextViewInspectorViewField::setIsEditable(flag);
}

void JVLTextViewInspectorTokenListFieldItem::setPlaceholder(const QString& placeholder)
{
    JVLTextViewInspectorViewField::setPlaceholder(placeholder);
    if (auto* field = dynamic_cast<TokenField*>(view().get())) {
        field->setPlaceholderString(placeholder);
        field->setToolTip(placeholder);
    }
}

QString JVLTextViewInspectorTokenListFieldItem::notEditableReplacementString() const
{
    if (value().isNil())
        return {};
    const auto* field = dynamic_cast<const TokenField*>(view().get());
    return field ? field->stringValue() : QString();
}

void JVLTextViewInspectorTokenListFieldItem::bindToObjectWithKeyPathOptions(
    const QString& binding, Object* observable, const QString& keyPath, const Dictionary& options)
{
    JVLTextViewInspectorViewField::bindToObjectWithKeyPathOptions(binding, observable, keyPath, options);
    const Ref<JVLTextViewInspectorTokenListField> list = tokenListField();
    if (binding != QStringLiteral("value") || !list)
        return;
    if (const Ref<View> field = view(); field && !list->modelKeyPathForValue().isEmpty())
        field->bindToObjectWithKeyPathOptions(QStringLiteral("value"), observable, list->modelKeyPathForValue(), {});
    if (!list->modelKeyPathForLabel().isEmpty())
        JVLTextViewInspectorViewField::bindToObjectWithKeyPathOptions(
            QStringLiteral("selectedRepresentedObjectOfLabel"), observable, list->modelKeyPathForLabel(), {});
}

void JVLTextViewInspectorTokenListFieldItem::unbind(const QString& binding)
{
    if (binding == QStringLiteral("value")) {
        if (const Ref<View> field = view())
            field->unbind(QStringLiteral("value"));
        JVLTextViewInspectorViewField::unbind(QStringLiteral("selectedRepresentedObjectOfLabel"));
    }
    JVLTextViewInspectorViewField::unbind(binding);
}

// The list ------------------------------------------------------------------------------------------

void JVLTextViewInspectorTokenListField::initWithIdentifierPlaceholderAndLabel(
    const QString& identifier, const QString& placeholder, Ref<JVLTextViewInspectorFieldLabel> label)
{
    JVLTextViewInspectorListField::initWithIdentifierPlaceholderAndLabel(identifier, placeholder, std::move(label));
    auto item = JVLTextViewInspectorField::makeField<JVLTextViewInspectorTokenListFieldItem>(QString(), placeholder, nullptr);
    // Every row's token field reports its editing here (copies get it through setDelegate).
    item->setDelegate(this);
    setEntryFieldTemplate(item);
    setEditable(true);
}

Value JVLTextViewInspectorTokenListField::objectToInsertWithProposedObjectFieldAtIndexLabel(
    const Value& proposed, JVLTextViewInspectorField*, std::int64_t, JVLTextViewInspectorFieldLabel*)
{
    return proposed;
}

Ref<JVLTextViewInspectorField> JVLTextViewInspectorTokenListField::rowWithView(const View* view) const
{
    const std::int64_t index = indexOfFieldWithView(view);
    return index == NotFound ? nullptr : fieldAtIndex(index);
}

bool JVLTextViewInspectorTokenListField::controlTextShouldEndEditing(Control* control, Responder*)
{
    auto* tokenField = dynamic_cast<TokenField*>(control);
    if (!tokenField)
        return true;
    const Ref<JVLTextViewInspectorTokenListField> keep(this);
    // A second ask after the rows were rebuilt finds no row: nothing more to do.
    const Ref<JVLTextViewInspectorField> row = rowWithView(tokenField);
    const Ref<ArrayController> controller = observableController();
    if (!row || !controller)
        return true;
    const Value tokens = tokenField->objectValue();
    const std::int64_t rowIndex = indexOfField(row.get());
    const std::int64_t objectIndex = arrangedObjectIndexOfRowAtIndex(rowIndex);
    const Array arranged = controller->arrangedObjects();
    if (tokens.isArray() && !tokens.array().isEmpty()) {
        // A row left as it was keeps its object: passing through by keyboard rebuilds nothing
        // (and leaves the keys where they went).
        const Value& value = row->value();
        const Value shown = value.isObject() && !modelKeyPathForValue().isEmpty() ? value.object()->valueForKeyPath(modelKeyPathForValue()) : value;
        if (!value.isNil() && shown.isEqual(tokens.array()[0]))
            return true;
        const Value object = objectToInsertWithProposedObjectFieldAtIndexLabel(tokens.array()[0], row.get(), rowIndex, row->label().get());
        if (controller->canAdd() && !row->value().isEqual(object) && objectIndex >= 0) {
            if (!row->value().isNil() && objectIndex < arranged.count()) {
                controller->removeObjectAtArrangedObjectIndex(objectIndex);
                controller->insertObjectAtArrangedObjectIndex(object, objectIndex);
            } else if (row->value().isNil() && objectIndex <= arranged.count()) {
                controller->insertObjectAtArrangedObjectIndex(object, objectIndex);
            }
        }
    } else {
        // A plain value (a string) is never of the controller's object class.
        const Ref<Object> object = row->value().isObject() ? row->value().object() : nullptr;
        const Class* objectClass = controller->objectClass();
        if (object && objectClass && object->isKindOfClass(*objectClass) && controller->canRemove())
            controller->removeObject(row->value());
    }
    return true;
}

void JVLTextViewInspectorTokenListField::controlTextDidChange(Notification* notification)
{
    if (!notification)
        return;
    const Ref<Responder> editor = notification->userInfo().objectForKey(Value(FieldEditorKey)).objectAs<Responder>();
    auto* editing = dynamic_cast<FieldEditing*>(editor.get());
    auto* tokenField = dynamic_cast<TokenField*>(notification->object().get());
    if (!editing || !tokenField)
        return;
    const QString text = editing->editorString();
    if (!text.contains(QChar(0x0A)) && !text.contains(QChar(0x2028)))
        return;
    const Ref<JVLTextViewInspectorTokenListField> keep(this);
    // The row's place is taken before the commit rebuilds the rows.
    const Ref<JVLTextViewInspectorField> row = rowWithView(tokenField);
    const std::int64_t index = row ? indexOfField(row.get()) : NotFound;
    // Ending the edit commits the row once (through controlTextShouldEndEditing).
    editor->doCommandBySelector(Selector("insertNewline"));
    if (index != NotFound)
        insertRowAtIndex(std::min<std::int64_t>(index + 1, std::int64_t(allFields().size())));
}
