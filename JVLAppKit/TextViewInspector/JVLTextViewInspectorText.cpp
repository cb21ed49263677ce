// JVLTextViewInspector: the fields of the form, building the text from them, and its attributes.

#include "JVLAppKit/TextViewInspector/JVLTextViewInspector.h"

#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorCompoundField.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorLayoutManager.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorTextField.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorTypesetter.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorValueElement.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorViewController.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorViewField.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorViewTextAttachmentCell.h"

#include "FoundationExtensions/JVLNSObject_Extension.h"
#include "FoundationExtensions/JVLNSTextStorageExtensions.h"

#include "kit/controls/Control.h"
#include "kit/controls/PopUpButton.h"
#include "kit/core/Exception.h"
#include "kit/foundation/Bundle.h"
#include "kit/foundation/Timer.h"
#include "kit/graphics/Color.h"
#include "kit/graphics/Font.h"
#include "kit/graphics/ParagraphStyle.h"
#include "kit/graphics/StringDrawing.h"
#include "kit/text/LayoutManager.h"
#include "kit/text/TextContainer.h"
#include "kit/text/TextStorage.h"

#include <cmath>

using namespace kit;

KIT_REGISTER_CLASS(JVLTextViewInspector, kit::TextView)
{
    c.bundle(QStringLiteral("JVLAppKit"));
    c.action("doCompletion", &JVLTextViewInspector::doCompletion);
    c.action("addListRow", &JVLTextViewInspector::addListRow);
    c.action("removeListRow", &JVLTextViewInspector::removeListRow);
    c.optionalOperations({ TextViewWillChangeSelectionFromCharacterRangeToCharacterRangeOperation, JVLListFieldDidInsertRowAtIndexOperation,
        JVLListFieldDidRemoveRowAtIndexOperation });
}

namespace {

double& inspectorMinimumLabelWidth()
{
    static double width = 0;
    return width;
}

AttributedString inspectorPlain(const QString& text) { return AttributedString(text, Dictionary()); }

bool isListField(const Object* field) { return dynamic_cast<const JVLTextViewInspectorListField*>(field) != nullptr; }

} // namespace

// Construction ---------------------------------------------------------------------------------------

JVLTextViewInspector::JVLTextViewInspector(Rect frame)
    : TextView(frame)
{
    commonInit();
}

JVLTextViewInspector::~JVLTextViewInspector() { stopCompletionTimer(); }

void JVLTextViewInspector::commonInit()
{
    currentEditedStartLocation_ = NotFound;
    currentRolloverRange_ = { NotFound, 0 };
    fieldEditingCounter_ = 0;
    maxLabelWidth_ = 0;
    editableState_ = false;
    showNoSelection_ = true;
    selectedRect_ = ZeroRect;
    nextInsertionIndex_ = NotFound;
    displayMode_ = FieldsDisplayMode;
    setContinuousSpellCheckingEnabled(false);
    setGrammarCheckingEnabled(false);
    setImportsGraphics(false);
}

void JVLTextViewInspector::initWithCoder(Coder& coder)
{
    TextView::initWithCoder(coder);
    commonInit();
    setDelegate(this);
}

void JVLTextViewInspector::awakeFromNib()
{
    auto manager = make<JVLTextViewInspectorLayoutManager>();
    manager->setTypesetter(make<JVLTextViewInspectorTypesetter>());
    textContainer()->replaceLayoutManager(manager);
    setAllowsUndo(false);
    setupUI();
}

void JVLTextViewInspector::setupUI() { setDelegate(this); }

std::int64_t JVLTextViewInspector::textLength() const
{
    const Ref<TextStorage> storage = textStorage();
    return storage ? storage->length() : 0;
}

// Fields -----------------------------------------------------------------------------------------------

void JVLTextViewInspector::addField(const Ref<JVLTextViewInspectorField>& field)
{
    if (!field)
        return;
    fields_.push_back(field);
    if (isListField(field.get()))
        field->setDelegate(this);
    if (fieldEditingCounter_ == 0)
        recreateFieldTextStorage();
    if (const Ref<TextStorage> storage = textStorage())
        storage->fixAttributesInRange({ 0, storage->length() });
}

void JVLTextViewInspector::addFieldsArray(const Fields& fields)
{
    for (const auto& field : fields)
        addField(field);
}

void JVLTextViewInspector::removeAllFields()
{
    // An open edit ends first (written back only when typed into): its start would point into
    // whatever text comes next.
    endEditing();
    // Every hosted view goes: label pop-ups, sub-field buttons, rows and their buttons too.
    const std::vector<Ref<View>> views = subviews();
    for (const Ref<View>& view : views)
        view->removeFromSuperview();
    fields_.clear();
    if (const Ref<TextStorage> storage = textStorage())
        storage->replaceCharactersInRangeWithString({ 0, storage->length() }, QString());
}

JVLTextViewInspector::Fields JVLTextViewInspector::fieldsWithIdentifier(const QString& identifier) const
{
    Fields found;
    for (const auto& field : fields_)
        if (field->identifier() == identifier)
            found.push_back(field);
    return found;
}

Ref<JVLTextViewInspectorField> JVLTextViewInspector::firstFieldWithIdentifier(const QString& identifier) const
{
    const Fields found = fieldsWithIdentifier(identifier);
    return found.empty() ? nullptr : found.front();
}

namespace {

// Both setters log their own message for an unknown identifier.
void inspectorSetFieldValue(JVLTextViewInspector* inspector, const Value& value, const QString& identifier, const char* what)
{
    const Ref<JVLTextViewInspectorField> field = inspector->firstFieldWithIdentifier(identifier);
    if (!field) {
        kit::logMessage(QStringLiteral("JVLTextViewInspector: could not set %1 for field with identifier: %2").arg(QLatin1String(what), identifier));
        return;
    }
    field->setValue(value);
    inspector->updateTextFieldStorage();
}

} // namespace

void JVLTextViewInspector::setObjectValueForFieldWithIdentifier(const Value& value, const QString& identifier)
{
    inspectorSetFieldValue(this, value, identifier, "object value");
}

void JVLTextViewInspector::setValueForFieldWithIdentifier(const Value& value, const QString& identifier)
{
    inspectorSetFieldValue(this, value, identifier, "value");
}

void JVLTextViewInspector::endFieldEditing()
{
    const int before = fieldEditingCounter_--;
    if (before <= 1) {
        fieldEditingCounter_ = 0;
        recreateFieldTextStorage();
    }
}

void JVLTextViewInspector::updateTextFieldStorage()
{
    if (fieldEditingCounter_ == 0)
        recreateFieldTextStorage();
}

std::int64_t JVLTextViewInspector::visibleIndexOfField(const JVLTextViewInspectorField* field) const
{
    const auto found = visibleIndex_.find(field);
    return found == visibleIndex_.end() ? NotFound : found->second;
}

void JVLTextViewInspector::addVisibleField(JVLTextViewInspectorField* field, std::int64_t row)
{
    row = std::clamp<std::int64_t>(row, 0, std::int64_t(visible_.size()));
    visible_.insert(visible_.begin() + row, Ref<JVLTextViewInspectorField>(field));
    if (row + 1 == std::int64_t(visible_.size())) {
        visibleIndex_[field] = row;
    } else {
        for (std::size_t i = std::size_t(row); i < visible_.size(); ++i)
            visibleIndex_[visible_[i].get()] = std::int64_t(i);
    }
    field->hasBecomeVisibleInInspector(this);
}

// Modes ------------------------------------------------------------------------------------------------

void JVLTextViewInspector::setEditableState(bool flag)
{
    editableState_ = flag;
    if (isEditing())
        endEditing();
    if (fieldEditingCounter_ == 0 && displayMode_ == FieldsDisplayMode)
        recreateFieldTextStorage();
}

void JVLTextViewInspector::setDisplaymode(int mode)
{
    if (mode == displayMode_)
        return;
    displayMode_ = mode;
    if (mode == FieldsDisplayMode) {
        recreateFieldTextStorage();
        return;
    }
    endEditing();
    removeSubviewsAndEmptyTextStorage();
    if (mode == NoSelectionDisplayMode || mode == MultipleSelectionDisplayMode) {
        const Ref<View> view = mode == NoSelectionDisplayMode ? JVLTextViewInspectorViewController::noSelectionView()
                                                              : JVLTextViewInspectorViewController::multipleSelectionView();
        if (view) {
            const Size size = view->frame().size;
            view->setFrameOrigin(MakePoint(double(std::trunc(float((bounds().width() - size.width) / 2))),
                double(std::trunc(float((bounds().height() - size.height) / 2)))));
            addSubview(view.get());
        }
    }
}

void JVLTextViewInspector::allFieldsShouldShowNoSelection(bool flag)
{
    if (flag == showNoSelection_)
        return;
    showNoSelection_ = flag;
    recreateFieldTextStorage();
}

void JVLTextViewInspector::setMinFieldLabelWidth(double width) { inspectorMinimumLabelWidth() = width; }
double JVLTextViewInspector::minFieldLabelWidth() { return inspectorMinimumLabelWidth(); }

// Queries ----------------------------------------------------------------------------------------------

Range JVLTextViewInspector::charRangeOfField(const JVLTextViewInspectorField* field) const
{
    const Ref<TextStorage> storage = textStorage();
    if (!storage || !field)
        return { NotFound, 0 };
    return JVLNSTextStorageExtensions::longestRangeForAttributeWithObjectStartAtIndex(
        *storage, JVLTextInspectorFieldAttributeName, Value(Ref<Object>(const_cast<JVLTextViewInspectorField*>(field))), 0);
}

Ref<JVLTextViewInspectorField> JVLTextViewInspector::fieldAtIndex(std::int64_t index) const
{
    const Ref<TextStorage> storage = textStorage();
    if (!storage || index < 0 || index >= storage->length())
        return nullptr;
    return storage->attributeAtIndexEffectiveRange(JVLTextInspectorFieldAttributeName, index).objectAs<JVLTextViewInspectorField>();
}

QString JVLTextViewInspector::stringRepresentation() const
{
    QString text = string();
    text.replace(u'\t', u' ');
    text.replace(QStringLiteral("\n "), QStringLiteral("\n"));
    return text;
}

// Attributes ------------------------------------------------------------------------------------------

Ref<Font> JVLTextViewInspector::labelFont()
{
    static const Ref<Font> font = Font::boldSystemFontOfSize(11);
    return font;
}

Dictionary JVLTextViewInspector::labelAttributes()
{
    static const Dictionary attributes {
        { Value(FontAttributeName), Value(labelFont()) },
        { Value(ForegroundColorAttributeName), Value(Color::darkGrayColor()) },
        { Value(JVLLabelAttributeName), Value(QString()) },
    };
    return attributes;
}

namespace {

Ref<Font> inspectorValueFont(const JVLTextViewInspectorField* field)
{
    static const Ref<Font> standard = Font::systemFontOfSize(11);
    if (const auto* text = dynamic_cast<const JVLTextViewInspectorTextField*>(field); text && text->overrideFontSizeWithPointSize() > 0)
        return Font::systemFontOfSize(text->overrideFontSizeWithPointSize());
    return standard;
}

Dictionary inspectorValueAttributes(const QString& placeholder, const JVLTextViewInspectorField* field, const Ref<Color>& colour)
{
    Dictionary attributes;
    attributes.setObjectForKey(Value(inspectorValueFont(field)), Value(FontAttributeName));
    attributes.setObjectForKey(Value(colour), Value(ForegroundColorAttributeName));
    // A missing placeholder leaves the entry out: no value run.
    if (!placeholder.isNull())
        attributes.setObjectForKey(Value(placeholder), Value(JVLPlaceholderValueAttributeName));
    return attributes;
}

} // namespace

Dictionary JVLTextViewInspector::placeholderValueAttributesWithValueForTextField(const QString& value, const JVLTextViewInspectorField* field) const
{
    static const Ref<Color> grey = Color::grayColor();
    return cachedValueAttributes(value, field, grey, greyValueAttributes_);
}

Dictionary JVLTextViewInspector::typingAttributesForPlaceholderValueForTextField(const QString& value, const JVLTextViewInspectorField* field) const
{
    static const Ref<Color> black = Color::blackColor();
    return cachedValueAttributes(value, field, black, blackValueAttributes_);
}

Dictionary JVLTextViewInspector::cachedValueAttributes(
    const QString& placeholder, const JVLTextViewInspectorField* field, const Ref<Color>& colour, QHash<QString, Dictionary>& cache) const
{
    // A form repeats a few placeholders in the standard font: their attributes are made once.
    const auto* text = dynamic_cast<const JVLTextViewInspectorTextField*>(field);
    if ((text && text->overrideFontSizeWithPointSize() > 0) || placeholder.isNull())
        return inspectorValueAttributes(placeholder, field, colour);
    auto found = cache.constFind(placeholder);
    if (found == cache.constEnd())
        found = cache.insert(placeholder, inspectorValueAttributes(placeholder, field, colour));
    return found.value();
}

Dictionary JVLTextViewInspector::replacementStringAttributes()
{
    static const Dictionary attributes {
        { Value(FontAttributeName), Value(Font::systemFontOfSize(11)) },
        { Value(ForegroundColorAttributeName), Value(Color::blackColor()) },
    };
    return attributes;
}

Dictionary JVLTextViewInspector::tabStopAttributes() const
{
    // Made once per label column width and shared by every paragraph (never changed once made).
    if (tabStopsWidth_ != maxLabelWidth_ || tabStops_.count() == 0) {
        Ref<ParagraphStyle> style = ParagraphStyle::defaultParagraphStyle()->mutableCopy();
        style->setTabStops({ TextTab(RightTabStopType, maxLabelWidth_ - 10), TextTab(LeftTabStopType, maxLabelWidth_) });
        style->setParagraphSpacing(7);
        style->setLineBreakMode(LineBreakByWordWrapping);
        style->setHeadIndent(maxLabelWidth_);
        tabStops_ = Dictionary { { Value(ParagraphStyleAttributeName), Value(style) } };
        tabStopsWidth_ = maxLabelWidth_;
    }
    return tabStops_;
}

QString JVLTextViewInspector::noSelectionText() const
{
    return Bundle::mainBundle()->localizedStringForKeyValueTable(
        QStringLiteral("JVLTextViewInspectorNoSelection"), QString(), QStringLiteral("JVLTextViewInspector"));
}

QString JVLTextViewInspector::multipleValuesText() const
{
    return JVLNSObject_Extension::bundle(staticClass())
        ->localizedStringForKeyValueTable(QStringLiteral("JVLTextViewInspectorMultipleValues"), QString(), QStringLiteral("JVLTextViewInspector"));
}

// Building the text ---------------------------------------------------------------------------------

void JVLTextViewInspector::recalcMaxLabelWidth()
{
    maxLabelWidth_ = 0;
    for (const auto& field : fields_) {
        const Ref<JVLTextViewInspectorFieldLabel> label = field->label();
        if (!label || label->label().isNull())
            continue;
        const QString text = label->label();
        auto cached = labelWidths_.constFind(text);
        if (cached == labelWidths_.constEnd())
            cached = labelWidths_.insert(text, AttributedString(text, labelAttributes()).size().width);
        maxLabelWidth_ = std::max(maxLabelWidth_, cached.value() + 10);
    }
    maxLabelWidth_ = double(std::trunc(float(maxLabelWidth_ + 10)));
    if (inspectorMinimumLabelWidth() > maxLabelWidth_)
        maxLabelWidth_ = inspectorMinimumLabelWidth();
}

void JVLTextViewInspector::removeSubviewsAndEmptyTextStorage()
{
    const std::vector<Ref<View>> views = subviews();
    for (const Ref<View>& view : views)
        view->removeFromSuperview();
    if (const Ref<TextStorage> storage = textStorage()) {
        storage->beginEditing();
        storage->replaceCharactersInRangeWithString({ 0, storage->length() }, QString());
        storage->appendAttributedString(inspectorPlain(QStringLiteral("\n")));
        storage->endEditing();
    }
}

void JVLTextViewInspector::recreateFieldTextStorage()
{
    const Ref<TextStorage> storage = textStorage();
    if (!storage)
        return;
    // An open edit ends first, outside the batch: its start would point into the new text.
    endEditing();
    const Ref<JVLTextViewInspector> keep(this);
    if (displayMode_ != FieldsDisplayMode) {
        displayMode_ = FieldsDisplayMode;
    }
    recalcMaxLabelWidth();
    ++rebuildCount_;
    storage->beginEditing();
    visible_.clear();
    visibleIndex_.clear();
    removeSubviewsAndEmptyTextStorage();
    // Each paragraph comes with its tab stops: no pass over the whole text afterwards.
    storage->addAttributesRange(tabStopAttributes(), { 0, storage->length() });
    for (const auto& field : fields_) {
        if (!field->shouldBeVisibleWithEditableState(editableState_))
            continue;
        field->setEnabled(field->shouldBeEnabledWithEditableState(editableState_));
        appendFieldOfAnyKind(field.get());
    }
    storage->endEditing();
    std::erase_if(valueElements_, [this](const auto& entry) { return !visibleIndex_.contains(entry.first); });
    if (const Ref<JVLTextViewInspectorField> target = fieldToEdit_.lock()) {
        fieldToEdit_ = nullptr;
        jumpToField(target.get());
    }
}

bool JVLTextViewInspector::appendFieldOfAnyKind(JVLTextViewInspectorField* field)
{
    if (auto* view = dynamic_cast<JVLTextViewInspectorViewField*>(field))
        return appendViewField(view);
    if (auto* text = dynamic_cast<JVLTextViewInspectorTextField*>(field))
        return appendTextField(text);
    if (auto* compound = dynamic_cast<JVLTextViewInspectorCompoundField*>(field))
        return appendCompoundField(compound);
    return false;
}

bool JVLTextViewInspector::appendCompoundField(JVLTextViewInspectorCompoundField* field)
{
    const Ref<JVLTextViewInspectorCompoundField> keep(field);
    for (const auto& sub : std::vector<Ref<JVLTextViewInspectorField>>(field->allFields())) {
        if (!sub->shouldBeVisibleWithEditableState(editableState_))
            continue;
        sub->setEditable(sub->shouldBeEditableWithEditableState(field->isEditable()));
        sub->setEnabled(sub->shouldBeEnabledWithEditableState(field->isEnabled()));
        if (isListField(sub.get()))
            sub->setDelegate(this);
        appendFieldOfAnyKind(sub.get());
    }
    field->hasBecomeVisibleInInspector(this);
    return true;
}

AttributedString JVLTextViewInspector::attachmentHosting(const Ref<View>& view)
{
    auto cell = make<JVLTextViewInspectorViewTextAttachmentCell>();
    cell->setView(view);
    cell->setLabelFont(labelFont());
    // Hidden until its attachment is first drawn.
    view->setHidden(true);
    addSubview(view.get());
    return TextAttachment::attributedStringWithAttachment(make<TextAttachment>(cell));
}

AttributedString JVLTextViewInspector::labelPartForTextField(JVLTextViewInspectorField* field)
{
    AttributedString part;
    const Ref<JVLTextViewInspectorCompoundField> compound = field->compoundField();
    if (!field->isLabelHidden() && field->shouldDisplayLabelMenu()) {
        const Ref<View> popUp = field->labelSelectionPopup();
        if (auto* control = dynamic_cast<Control*>(popUp.get()))
            control->setFont(labelFont()->qFont());
        nameHostedView(popUp, labelChoiceAccessibilityName());
        part.appendAttributedString(inspectorPlain(QStringLiteral("\t")));
        part.appendAttributedString(attachmentHosting(popUp));
        part.appendAttributedString(inspectorPlain(QStringLiteral("\t")));
    } else if (!field->isLabelHidden() && field->hasLabel()) {
        part.appendAttributedString(inspectorPlain(QStringLiteral("\t")));
        part.appendAttributedString(AttributedString(field->label()->label(), labelAttributes()));
        part.appendAttributedString(inspectorPlain(QStringLiteral("\t")));
    } else if (compound && compound->hasLabel() && !compound->isLabelHidden() && compound->indexOfField(field) == 0) {
        part.appendAttributedString(inspectorPlain(QStringLiteral("\t")));
        part.appendAttributedString(AttributedString(compound->label()->label(), labelAttributes()));
        part.appendAttributedString(inspectorPlain(QStringLiteral("\t")));
    } else if (!visible_.empty() && visible_.back()->shouldAppendNewline()) {
        part.appendAttributedString(inspectorPlain(QStringLiteral("\t\t")));
    }
    return part;
}

bool JVLTextViewInspector::appendTextField(JVLTextViewInspectorTextField* field)
{
    const Ref<TextStorage> storage = textStorage();
    if (!storage)
        return false;
    const Ref<JVLTextViewInspectorTextField> keep(field);
    AttributedString paragraph = labelPartForTextField(field);
    paragraph.appendAttributedString(newTextFieldValueStringForTextField(field));
    closeFieldParagraph(paragraph, field);
    storage->appendAttributedString(paragraph);
    addVisibleField(field, std::int64_t(visible_.size()));
    return true;
}

void JVLTextViewInspector::closeFieldParagraph(AttributedString& paragraph, JVLTextViewInspectorField* field) const
{
    // Field and tab stops in one pass over the runs.
    Dictionary fieldAndStops = tabStopAttributes();
    fieldAndStops.setObjectForKey(Value(Ref<Object>(field)), Value(JVLTextInspectorFieldAttributeName));
    if (paragraph.length() > 0)
        paragraph.addAttributesRange(fieldAndStops, { 0, paragraph.length() });
    // The closing character has no field: it must not merge into the field's runs.
    paragraph.appendAttributedString(AttributedString(field->shouldAppendNewline() ? QStringLiteral("\n") : QStringLiteral(" "), tabStopAttributes()));
}

AttributedString JVLTextViewInspector::newTextFieldValueStringForTextField(JVLTextViewInspectorTextField* field)
{
    const QString placeholder = field->placeholder().isEmpty() ? QString() : field->placeholder();
    const auto stateText = [&](const QString& text) {
        Dictionary attributes = placeholderValueAttributesWithValueForTextField(placeholder, field);
        attributes.setObjectForKey(Value(true), Value(JVLStateTextAttributeName));
        return AttributedString(text, attributes);
    };
    switch (field->valueState()) {
    case JVLMultipleValuesState:
        return stateText(multipleValuesText());
    case JVLNoSelectionState:
        return stateText(noSelectionText());
    default:
        break;
    }
    const QString shown = field->displayStringForValue();
    const QString replacement = field->notEditableReplacementString();
    if (!shown.isEmpty() && (replacement.isEmpty() || editableState_))
        return AttributedString(shown, typingAttributesForPlaceholderValueForTextField(placeholder, field));
    if (!replacement.isEmpty() && !editableState_)
        return AttributedString(replacement, typingAttributesForPlaceholderValueForTextField(placeholder, field));
    return AttributedString(placeholder.isEmpty() ? QStringLiteral("missing placeholder") : placeholder,
        placeholderValueAttributesWithValueForTextField(placeholder, field));
}

bool JVLTextViewInspector::appendViewField(JVLTextViewInspectorViewField* field)
{
    return insertViewFieldAtCharacterIndexVisibleRowIndex(field, textLength(), std::int64_t(visible_.size()));
}

bool JVLTextViewInspector::insertFieldAtCharacterIndexVisibleRowIndex(JVLTextViewInspectorField* field, std::int64_t index, std::int64_t row)
{
    auto* view = dynamic_cast<JVLTextViewInspectorViewField*>(field);
    return view && insertViewFieldAtCharacterIndexVisibleRowIndex(view, index, row);
}

bool JVLTextViewInspector::insertViewFieldAtCharacterIndexVisibleRowIndex(JVLTextViewInspectorViewField* field, std::int64_t index, std::int64_t row)
{
    const Ref<TextStorage> storage = textStorage();
    if (!storage || !field || !field->view())
        return false;
    const Ref<JVLTextViewInspectorViewField> keep(field);
    AttributedString paragraph;

    // 1. List-row buttons.
    appendListRowButtons(field, paragraph);

    // 2. The label.
    const Ref<JVLTextViewInspectorCompoundField> compound = field->compoundField();
    if (!field->isLabelHidden() && field->shouldDisplayLabelMenu() && editableState_) {
        const Ref<View> popUp = field->labelSelectionPopup();
        if (auto* control = dynamic_cast<Control*>(popUp.get()))
            control->setFont(labelFont()->qFont());
        nameHostedView(popUp, labelChoiceAccessibilityName());
        paragraph.appendAttributedString(inspectorPlain(QStringLiteral("\t")));
        paragraph.appendAttributedString(attachmentHosting(popUp));
        paragraph.appendAttributedString(AttributedString(QStringLiteral(":"), labelAttributes()));
        paragraph.appendAttributedString(inspectorPlain(QStringLiteral("\t")));
    } else if (!field->isLabelHidden() && field->hasLabel()) {
        paragraph.appendAttributedString(inspectorPlain(QStringLiteral("\t")));
        paragraph.appendAttributedString(AttributedString(field->label()->label(), labelAttributes()));
        if (!paragraph.string().endsWith(u':'))
            paragraph.appendAttributedString(AttributedString(QStringLiteral(":"), labelAttributes()));
        paragraph.appendAttributedString(inspectorPlain(QStringLiteral("\t")));
    } else if (compound && compound->hasLabel() && !compound->isLabelHidden() && compound->indexOfField(field) == 0) {
        paragraph.appendAttributedString(inspectorPlain(QStringLiteral("\t")));
        paragraph.appendAttributedString(AttributedString(compound->label()->label(), labelAttributes()));
        paragraph.appendAttributedString(inspectorPlain(QStringLiteral("\t")));
    } else if (row != 0 && !field->isSeparator() && row - 1 < std::int64_t(visible_.size()) && visible_[std::size_t(row - 1)]->shouldAppendNewline()) {
        paragraph.appendAttributedString(inspectorPlain(QStringLiteral("\t\t")));
    }

    // 3. The value.
    if (!editableState_ && !field->isSeparator() && !field->viewShouldAlwaysBeVisible()) {
        paragraph.appendAttributedString(AttributedString(field->notEditableReplacementString(), replacementStringAttributes()));
    } else {
        const Ref<View> view = field->view();
        auto cell = make<JVLTextViewInspectorFieldTextAttachmentCell>();
        const Ref<TextContainer> container = textContainer();
        const double containerWidth = container ? container->containerSize().width : bounds().width();
        const double padding = container ? container->lineFragmentPadding() : 0;
        if (field->isSeparator()) {
            view->setFrameSize(MakeSize(containerWidth - 2 * padding, view->frame().height()));
        } else {
            if (auto* control = dynamic_cast<Control*>(view.get()))
                control->setEnabled(field->isEnabled());
            if (field->viewShouldNotShowAtAttachmentPosition()) {
                cell->setOverrideCellSize(MakeSize(1, 6));
            } else if (field->viewWidthShouldBeAdjusted()) {
                const double available = containerWidth - maxLabelWidth_ - padding - 10;
                view->setAutoresizingMask(ViewWidthSizable);
                view->setFrameSize(MakeSize(available, view->frame().height()));
            }
        }
        // Shown in a read-only form (a rating), the view shows its value and takes no edit.
        field->setFormEditable(editableState_);
        cell->setField(Ref<JVLTextViewInspectorViewField>(field));
        cell->setLabelFont(labelFont());
        // Named by the label beside it; one without (a small button, a list's row) keeps its own name.
        nameHostedView(view, accessibilityLabelOfField(field));
        view->setHidden(true);
        addSubview(view.get());
        paragraph.appendAttributedString(TextAttachment::attributedStringWithAttachment(make<TextAttachment>(cell)));
    }

    // 4.–6. Field attribute, closing character, tab stops; inserted in one batch.
    closeFieldParagraph(paragraph, field);
    index = std::clamp<std::int64_t>(index, 0, storage->length());
    storage->beginEditing();
    storage->insertAttributedStringAtIndex(paragraph, index);
    storage->endEditing();
    addVisibleField(field, row);
    return true;
}

void JVLTextViewInspector::updateDisplayOfTextField(JVLTextViewInspectorTextField* field)
{
    const Ref<TextStorage> storage = textStorage();
    if (!storage || !field)
        return;
    const Ref<JVLTextViewInspectorTextField> keep(field);
    // The new text first: building it may store a reduced value.
    AttributedString replacement = newTextFieldValueStringForTextField(field);
    const Range fieldRange = charRangeOfField(field);
    if (fieldRange.location == NotFound)
        return;
    const Range run = JVLNSTextStorageExtensions::rangeForAttributeInRange(*storage, JVLPlaceholderValueAttributeName, fieldRange);
    if (run.location == NotFound)
        return;
    if (replacement.length() > 0)
        replacement.addAttributeValueRange(JVLTextInspectorFieldAttributeName, Value(Ref<Object>(field)), { 0, replacement.length() });
    // The model replaced the run being edited: nothing typed is left to write back.
    if (isEditing() && currentEditedStartLocation_ == run.location)
        dirty_ = false;
    storage->replaceCharactersInRangeWithAttributedString(run, replacement);
}
