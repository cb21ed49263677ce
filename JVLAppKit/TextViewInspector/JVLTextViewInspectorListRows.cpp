// JVLTextViewInspector: list rows — their add and remove buttons, and the text patched in place as
// a list field's rows come and go.

#include "JVLAppKit/TextViewInspector/JVLTextViewInspector.h"

#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorListField.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorViewField.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorViewTextAttachmentCell.h"

#include "FoundationExtensions/JVLNSObject_Extension.h"

#include "kit/controls/Button.h"
#include "kit/graphics/Image.h"
#include "kit/graphics/StringDrawing.h"
#include "kit/text/TextAttachment.h"
#include "kit/text/TextStorage.h"

using namespace kit;

namespace {

Ref<Button> listRowButton(const char* image)
{
    auto button = make<Button>(MakeRect(0, 3, 16, 18));
    button->setBezelStyle(TexturedSquareBezelStyle);
    button->setImageScaling(ImageScaleProportionallyDown);
    button->setButtonType(MomentaryPushInButton);
    // Image only: named by its tool tip, not by a cell's stock title.
    button->setTitle(QString());
    button->setImagePosition(ImageOnly);
    button->cell()->setBordered(true);
    button->setControlSize(MiniControlSize);
    button->setImage(Image::imageNamed(QString::fromLatin1(image)));
    return button;
}

} // namespace

Ref<Button> JVLTextViewInspector::addButton() { return listRowButton("NSAddTemplate"); }
Ref<Button> JVLTextViewInspector::removeButton() { return listRowButton("NSRemoveTemplate"); }

bool JVLTextViewInspector::shouldDisplayAddButtonForListFieldRowFieldAtRowIndex(JVLTextViewInspectorListField* list, JVLTextViewInspectorField*, std::int64_t) const
{
    return list->canAdd() && list->isEditable() && editableState_;
}

bool JVLTextViewInspector::shouldDisplayRemoveButtonForListFieldRowFieldAtRowIndex(
    JVLTextViewInspectorListField* list, JVLTextViewInspectorField* row, std::int64_t index) const
{
    return index != 0 && (list->canRemove() || row->value().isNil()) && list->isEditable() && editableState_;
}

void JVLTextViewInspector::appendListRowButtons(JVLTextViewInspectorViewField* field, AttributedString& paragraph)
{
    auto* list = dynamic_cast<JVLTextViewInspectorListField*>(field->compoundField().get());
    if (!list)
        return;
    const std::int64_t index = list->indexOfField(field);
    // Each row's buttons say what they do to which row ("Add to Keywords after sans").
    const auto localized = [](const char* key) {
        return JVLNSObject_Extension::bundle(staticClass())
            ->localizedStringForKeyValueTable(QString::fromLatin1(key), QString(), QStringLiteral("JVLTextViewInspector"));
    };
    const QString listName = list->label() ? list->label()->label() : QString();
    // A row is called by what it shows (a token row's value is its record), else by its number.
    const Value value = field->value();
    const QString shown = value.isString() ? value.stringValue() : field->notEditableReplacementString();
    const QString rowName = !shown.isEmpty() ? shown : localized("JVLTextViewInspectorRowNumber").arg(index + 1);
    // Rows of one list share its placeholder: a screen reader tells them apart by their number.
    if (auto* control = dynamic_cast<Control*>(field->view().get()); control && !field->placeholder().isEmpty())
        control->setToolTip(QStringLiteral("%1, %2").arg(field->placeholder(), localized("JVLTextViewInspectorRowNumber").arg(index + 1)));
    auto hosting = [&](const Ref<Button>& button, const char* action, const char* nameKey) {
        button->setToolTip(localized(nameKey).arg(listName, rowName));
        // The row is the button's represented object: it keeps the row alive while the button lives.
        button->cell()->setRepresentedObject(Value(Ref<Object>(field)));
        button->setTarget(this);
        button->setAction(Selector(action));
        paragraph.appendAttributedString(attachmentHosting(button));
    };
    if (shouldDisplayAddButtonForListFieldRowFieldAtRowIndex(list, field, index))
        hosting(addButton(), "addListRow", "JVLTextViewInspectorAddRow");
    if (shouldDisplayRemoveButtonForListFieldRowFieldAtRowIndex(list, field, index)) {
        paragraph.appendAttributedString(AttributedString(QStringLiteral(" "), Dictionary()));
        hosting(removeButton(), "removeListRow", "JVLTextViewInspectorRemoveRow");
    }
}

namespace {

// The row and its list from a row button's represented object.
std::pair<Ref<JVLTextViewInspectorField>, Ref<JVLTextViewInspectorListField>> listRowOf(Object* sender)
{
    auto* button = dynamic_cast<Button*>(sender);
    const Ref<JVLTextViewInspectorField> row = button ? button->cell()->representedObject().objectAs<JVLTextViewInspectorField>() : nullptr;
    const Ref<JVLTextViewInspectorListField> list = row ? dynamic_pointer_cast<JVLTextViewInspectorListField>(row->compoundField()) : nullptr;
    return { row, list };
}

} // namespace

void JVLTextViewInspector::addListRow(Object* sender)
{
    const auto [row, list] = listRowOf(sender);
    if (!row || !list)
        return;
    const std::int64_t index = list->allFields().empty() ? 0 : list->indexOfField(row.get()) + 1;
    list->insertRowAtIndexWithLabel(index, row->label());
    if (index < std::int64_t(list->allFields().size()))
        jumpToField(list->rowAtIndex(index).get());
}

void JVLTextViewInspector::removeListRow(Object* sender)
{
    const auto [row, list] = listRowOf(sender);
    if (!row || !list || list->allFields().empty())
        return;
    const std::int64_t index = list->indexOfField(row.get());
    if (index == NotFound)
        return;
    // Pressed from the keyboard, the button goes with its row: the keys go on to the row now in
    // its place, else the one before.
    const bool hadKeys = focusedHostedView().get() == dynamic_cast<View*>(sender);
    // The controller's object is the row's own: counted among the rows that have one.
    const std::int64_t objectIndex = list->arrangedObjectIndexOfRowAtIndex(index);
    const bool hasObject = !row->value().isNil();
    list->removeRowAtIndex(index);
    if (const Ref<ArrayController> controller = list->observableController();
        controller && hasObject && objectIndex >= 0 && objectIndex < controller->arrangedObjects().count())
        controller->removeObjectAtArrangedObjectIndex(objectIndex);
    const std::int64_t rows = std::int64_t(list->allFields().size());
    if (hadKeys && rows > 0)
        jumpToField(list->rowAtIndex(std::min(index, rows - 1)).get());
}

JVLTextViewInspectorField* JVLTextViewInspector::previousVisibleFieldForFieldSearchingFieldArray(
    const JVLTextViewInspectorField* field, const Fields& fields, bool* reached) const
{
    JVLTextViewInspectorField* candidate = nullptr;
    for (const auto& f : fields) {
        if (f.get() == field) {
            *reached = true;
            return candidate;
        }
        if (auto* compound = dynamic_cast<JVLTextViewInspectorCompoundField*>(f.get())) {
            JVLTextViewInspectorField* inner = previousVisibleFieldForFieldSearchingFieldArray(field, compound->allFields(), reached);
            if (inner || *reached)
                return inner ? inner : candidate;
            candidate = nullptr;
        } else if (visibleIndexOfField(f.get()) != NotFound) {
            candidate = f.get();
        }
    }
    return nullptr;
}

Ref<JVLTextViewInspectorField> JVLTextViewInspector::previousVisibleFieldForField(const JVLTextViewInspectorField* field) const
{
    bool reached = false;
    return Ref<JVLTextViewInspectorField>(previousVisibleFieldForFieldSearchingFieldArray(field, fields_, &reached));
}

std::vector<Ref<View>> JVLTextViewInspector::viewsInCharacterRange(Range range) const
{
    std::vector<Ref<View>> views;
    const Ref<TextStorage> storage = textStorage();
    if (!storage)
        return views;
    const std::int64_t end = std::min<std::int64_t>(MaxRange(range), storage->length());
    for (std::int64_t i = range.location; i < end;) {
        Range run;
        const Value value = storage->attributeAtIndexLongestEffectiveRangeInRange(AttachmentAttributeName, i, &run, { i, end - i });
        if (const auto attachment = value.objectAs<TextAttachment>())
            if (auto* cell = dynamic_cast<JVLTextViewInspectorViewTextAttachmentCell*>(attachment->attachmentCell().get()); cell && cell->view())
                views.push_back(cell->view());
        i = std::max(MaxRange(run), i + 1);
    }
    return views;
}

void JVLTextViewInspector::listFieldDidInsertRowAtIndex(JVLTextViewInspectorListField* list, JVLTextViewInspectorField* row, std::int64_t index)
{
    if (fieldEditingCounter_ != 0 || displayMode_ != FieldsDisplayMode)
        return;
    // Only a list shown in the form gets rows in it.
    if (!list || list->textViewInspector().get() != this || !list->shouldBeVisibleWithEditableState(editableState_))
        return;
    const Ref<TextStorage> storage = textStorage();
    std::int64_t character = NotFound;
    std::int64_t visibleRow = NotFound;
    auto after = [&](const JVLTextViewInspectorField* anchor) {
        const Range r = charRangeOfField(anchor);
        const std::int64_t v = visibleIndexOfField(anchor);
        if (r.location == NotFound || v == NotFound)
            return;
        // The end of the anchor's paragraph: past its closing character.
        character = std::min<std::int64_t>(MaxRange(r) + 1, storage->length());
        visibleRow = v + 1;
    };
    if (list->allFields().size() == 1) {
        const bool first = !fields_.empty() && fields_.front().get() == list;
        const Ref<JVLTextViewInspectorField> previous = first ? nullptr : previousVisibleFieldForField(list);
        if (previous) {
            const auto* compound = dynamic_cast<JVLTextViewInspectorCompoundField*>(previous.get());
            after(compound && !compound->allFields().empty() ? compound->allFields().back().get() : previous.get());
        } else {
            // The start of the form is after its empty first paragraph, which every form begins with.
            character = std::min<std::int64_t>(1, storage->length());
            visibleRow = 0;
        }
    } else if (index > 0) {
        after(list->rowAtIndex(index - 1).get());
    } else if (list->allFields().size() > 1) {
        const JVLTextViewInspectorField* next = list->rowAtIndex(1).get();
        character = charRangeOfField(next).location;
        visibleRow = visibleIndexOfField(next);
    }
    // An anchor not in the text: the whole form is built again instead.
    if (character == NotFound || visibleRow == NotFound) {
        recreateFieldTextStorage();
        return;
    }
    insertFieldAtCharacterIndexVisibleRowIndex(row, character, visibleRow);
    // The old first row is the second now: it loses the list's label and may gain a remove button.
    if (index == 0 && list->allFields().size() > 1)
        rebuildRowParagraph(list->rowAtIndex(1).get());
}

void JVLTextViewInspector::rebuildRowParagraph(JVLTextViewInspectorField* row)
{
    const Range range = charRangeOfField(row);
    const std::int64_t visibleRow = visibleIndexOfField(row);
    if (range.location == NotFound || visibleRow == NotFound)
        return;
    const Ref<JVLTextViewInspectorField> keep(row);
    removeRowParagraph(row);
    insertFieldAtCharacterIndexVisibleRowIndex(row, range.location, visibleRow);
}

void JVLTextViewInspector::listFieldDidRemoveRowAtIndex(JVLTextViewInspectorListField* list, JVLTextViewInspectorField* row, std::int64_t index)
{
    if (fieldEditingCounter_ != 0)
        return;
    removeRowParagraph(row);
    // The new first row takes the list's label and drops its remove button.
    if (index == 0 && list && !list->allFields().empty())
        rebuildRowParagraph(list->rowAtIndex(0).get());
}

void JVLTextViewInspector::removeRowParagraph(JVLTextViewInspectorField* row)
{
    const Ref<TextStorage> storage = textStorage();
    Range range = charRangeOfField(row);
    if (!storage || range.location == NotFound)
        return;
    if (row->shouldAppendNewline() && MaxRange(range) < storage->length())
        range.length += 1;
    storage->beginEditing();
    for (const Ref<View>& view : viewsInCharacterRange(range))
        view->removeFromSuperview();
    storage->deleteCharactersInRange(range);
    storage->endEditing();
    removeVisibleField(row);
    setNeedsDisplay(true);
}

void JVLTextViewInspector::removeVisibleField(const JVLTextViewInspectorField* field)
{
    const std::int64_t index = visibleIndexOfField(field);
    if (index == NotFound)
        return;
    visible_.erase(visible_.begin() + index);
    visibleIndex_.erase(field);
    for (std::size_t i = std::size_t(index); i < visible_.size(); ++i)
        visibleIndex_[visible_[i].get()] = std::int64_t(i);
}
