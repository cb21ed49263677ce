#pragma once

// The form inspector: a text view whose text is a form of labelled fields. Each visible field is a
// paragraph (a tab, the label, a tab, then the value as editable text or an attachment hosting a
// view); every character is marked with the field it belongs to, so layout and editing find the
// field under any character. In edit mode the user edits text values in place, one value run at a
// time, and the edit is written back through the field's "value" binding when it ends.
//
// The keyboard walks the form's stops in text order (the editable values and the hosted controls
// that take the keys), then leaves it for the window's next key view; a screen reader hears each
// stop named by its field's label.
//
// Files: this header; JVLTextViewInspectorText.cpp (fields, building the text, attributes),
// JVLTextViewInspectorEditing.cpp (selection, typing, keys, mouse, completion, write-back),
// JVLTextViewInspectorKeyboard.cpp (the key loop through the form),
// JVLTextViewInspectorAccessibility.cpp (the form and its values to a screen reader),
// JVLTextViewInspectorDrawing.cpp (raised editor, cursor rects, rollover).

#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorField.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorListField.h"

#include "kit/foundation/NibLoader.h"
#include "kit/foundation/Timer.h"
#include "kit/graphics/AttributedString.h"
#include "kit/graphics/BezierPath.h"
#include "kit/graphics/Image.h"
#include "kit/text/TextView.h"

#include <QHash>

#include <cstdint>
#include <unordered_map>
#include <vector>

namespace kit {
class Button;
class Color;
class Font;
} // namespace kit

class JVLTextViewInspectorCompoundField;
class JVLTextViewInspectorTextField;
class JVLTextViewInspectorValueElement;
class JVLTextViewInspectorViewField;

inline const QString JVLTextInspectorFieldAttributeName = QStringLiteral("JVLTextInspectorFieldAttributeName");
inline const QString JVLPlaceholderValueAttributeName = QStringLiteral("PlaceholderValueAttributeName");
inline const QString JVLLabelAttributeName = QStringLiteral("LabelAttributeName");
// Marks the grey "multiple values" and "no selection" texts: like a placeholder, never a value.
inline const QString JVLStateTextAttributeName = QStringLiteral("StateTextAttributeName");

// What the inspector's delegate may implement (registered optional operations).
inline constexpr const char* JVLDelegateShouldChangeEditStateOperation = "delegateShouldChangeEditStateForTextViewInspector";
inline constexpr const char* JVLTextViewInspectorDidChangedValueOfFieldOperation = "textViewInspectorDidChangedValueOfField";

class JVLTextViewInspectorDelegate {
public:
    virtual ~JVLTextViewInspectorDelegate() = default;
    virtual void delegateShouldChangeEditStateForTextViewInspector(JVLTextViewInspector*) { }
    virtual void textViewInspectorDidChangedValueOfField(JVLTextViewInspector*, JVLTextViewInspectorField*) { }
};

class JVLTextViewInspector : public kit::TextView,
                             public kit::TextViewDelegate,
                             public kit::NibAwaking,
                             public JVLTextViewInspectorListFieldDelegate {
    KIT_CLASS(JVLTextViewInspector)
public:
    using Fields = std::vector<kit::Ref<JVLTextViewInspectorField>>;
    enum DisplayMode : int { FieldsDisplayMode = 0, NoSelectionDisplayMode = 1, MultipleSelectionDisplayMode = 2 };

    explicit JVLTextViewInspector(kit::Rect frame = {});
    ~JVLTextViewInspector() override;

    // --- The fields of the form. ---
    void addField(const kit::Ref<JVLTextViewInspectorField>& field);
    void addFieldsArray(const Fields& fields);
    // Ends an open edit, removes every hosted view and empties the text.
    void removeAllFields();
    const Fields& fieldsArray() const { return fields_; }
    // The fields shown, in text order: top-level fields, sub-fields and list rows alike.
    const Fields& visibleFieldsArray() const { return visible_; }
    // The field's index in visibleFieldsArray (identity), or NotFound; constant time.
    std::int64_t visibleIndexOfField(const JVLTextViewInspectorField* field) const;
    // Top-level fields only.
    Fields fieldsWithIdentifier(const QString& identifier) const;
    kit::Ref<JVLTextViewInspectorField> firstFieldWithIdentifier(const QString& identifier) const;
    kit::Ref<JVLTextViewInspectorField> fieldWithIdentifier(const QString& identifier) const { return firstFieldWithIdentifier(identifier); }
    void setObjectValueForFieldWithIdentifier(const kit::Value& value, const QString& identifier);
    void setValueForFieldWithIdentifier(const kit::Value& value, const QString& identifier);
    // Batches nest; the outermost end rebuilds once.
    void beginFieldEditing() { ++fieldEditingCounter_; }
    void endFieldEditing();
    void updateTextFieldStorage();

    // --- Modes. ---
    bool editableState() const { return editableState_; }
    void setEditableState(bool flag);
    int displayMode() const { return displayMode_; }
    void setDisplaymode(int mode);
    void allFieldsShouldShowNoSelection(bool flag);
    static void setMinFieldLabelWidth(double width);
    static double minFieldLabelWidth();
    double maxLabelWidth() const { return maxLabelWidth_; }

    // --- The text. ---
    // The first run carrying `field` itself; {NotFound, 0} when it is not shown.
    kit::Range charRangeOfField(const JVLTextViewInspectorField* field) const;
    kit::Ref<JVLTextViewInspectorField> fieldAtIndex(std::int64_t index) const;
    // Plain text: tabs become blanks, a blank after a newline goes.
    QString stringRepresentation() const;
    void recreateFieldTextStorage();
    void removeSubviewsAndEmptyTextStorage();
    void recalcMaxLabelWidth();
    bool appendTextField(JVLTextViewInspectorTextField* field);
    bool appendViewField(JVLTextViewInspectorViewField* field);
    bool appendCompoundField(JVLTextViewInspectorCompoundField* field);
    // View fields only (NO for any other).
    bool insertFieldAtCharacterIndexVisibleRowIndex(JVLTextViewInspectorField* field, std::int64_t index, std::int64_t row);
    bool insertViewFieldAtCharacterIndexVisibleRowIndex(JVLTextViewInspectorViewField* field, std::int64_t index, std::int64_t row);
    kit::AttributedString newTextFieldValueStringForTextField(JVLTextViewInspectorTextField* field);
    // Redraws the value run of `field` from its value.
    void updateDisplayOfTextField(JVLTextViewInspectorTextField* field);

    // --- Attributes. ---
    static kit::Dictionary labelAttributes();
    static kit::Ref<kit::Font> labelFont();
    kit::Dictionary placeholderValueAttributesWithValueForTextField(const QString& value, const JVLTextViewInspectorField* field) const;
    kit::Dictionary typingAttributesForPlaceholderValueForTextField(const QString& value, const JVLTextViewInspectorField* field) const;
    static kit::Dictionary replacementStringAttributes();
    kit::Dictionary tabStopAttributes() const;

    // --- Editing. ---
    bool isEditing() const { return currentEditedStartLocation_ != kit::NotFound; }
    std::int64_t currentEditedStartLocation() const { return currentEditedStartLocation_; }
    kit::Ref<JVLTextViewInspectorField> activeField() const;
    kit::Range currentEditingCharRange() const;
    kit::Range currentEditingGlyphRange() const;
    kit::Range validateProposedRangeUpdateEditingInfo(kit::Range proposed, bool update);
    // Writes the edited run back (when the user changed it) and leaves edit state.
    void endEditing();
    // `text` as the field's new value, written to its record as an edit is (a screen reader's set).
    void writeStringOfField(JVLTextViewInspectorTextField* field, QString text);
    kit::Ref<kit::Object> inspectorDelegate() const { return inspectorDelegate_.lock(); }
    void setInspectorDelegate(kit::Object* delegate) { inspectorDelegate_ = delegate; }
    kit::Range nextEditableRangeForward(std::int64_t location, bool forward) const;
    kit::Ref<JVLTextViewInspectorField> nextEditableFieldForwardFieldRange(std::int64_t location, bool forward, kit::Range* range) const;
    bool editableFieldAtIndex(std::int64_t index, kit::Ref<JVLTextViewInspectorField>* field = nullptr) const;
    void jumpToField(JVLTextViewInspectorField* field);
    void startCompletionTimer();
    void stopCompletionTimer();
    void doCompletion(kit::Object* sender);
    bool hasCompletionTimer() const { return completionTimer_ != nullptr; }
    // Own delegate.
    void setupUI();

    // --- Keyboard. ---
    // A stop of the form's key loop: the value run of an editable text field, or a hosted control
    // that takes the keys (a field's view, a label pop-up).
    struct KeyStop {
        std::int64_t location = kit::NotFound;
        // The value run; NotFound for a control.
        kit::Range run { kit::NotFound, 0 };
        kit::Ref<kit::View> view;
    };
    // In text order.
    std::vector<KeyStop> keyStops() const;
    // The hosted view holding the keyboard (the window's first responder, or the view it edits, or
    // a view inside it); null when the keyboard is elsewhere.
    kit::Ref<kit::View> focusedHostedView() const;
    // The character carrying the attachment that hosts `view`; NotFound when none does.
    std::int64_t characterIndexOfHostedView(const kit::View* view) const;
    // Tab and Backtab from `hosted` (a hosted control), else from the value being edited: the next
    // stop, else out of the form to the window's next key view (round to the other end when there
    // is none).
    void selectKeyStopFollowingHostedView(kit::View* hosted, bool forward);

    // --- Accessibility. ---
    // What a screen reader calls the field: its label, else its compound field's (never a list's:
    // its rows have names of their own); without a trailing colon. Empty when it has none.
    static QString accessibilityLabelOfField(const JVLTextViewInspectorField* field);
    // The name of a label pop-up ("Label"): what it shows is the label itself.
    static QString labelChoiceAccessibilityName();
    // The element of a text field's value (made when first asked for, kept while shown).
    kit::Ref<JVLTextViewInspectorValueElement> valueElementOfField(JVLTextViewInspectorTextField* field) const;

    // --- List rows. ---
    static kit::Ref<kit::Button> addButton();
    static kit::Ref<kit::Button> removeButton();
    bool shouldDisplayAddButtonForListFieldRowFieldAtRowIndex(JVLTextViewInspectorListField* list, JVLTextViewInspectorField* row, std::int64_t index) const;
    bool shouldDisplayRemoveButtonForListFieldRowFieldAtRowIndex(JVLTextViewInspectorListField* list, JVLTextViewInspectorField* row, std::int64_t index) const;
    void addListRow(kit::Object* sender);
    void removeListRow(kit::Object* sender);
    kit::Ref<JVLTextViewInspectorField> previousVisibleFieldForField(const JVLTextViewInspectorField* field) const;
    std::vector<kit::Ref<kit::View>> viewsInCharacterRange(kit::Range range) const;
    // JVLTextViewInspectorListFieldDelegate: the text patched in place (nothing while a batch is open).
    void listFieldDidInsertRowAtIndex(JVLTextViewInspectorListField* list, JVLTextViewInspectorField* row, std::int64_t index) override;
    void listFieldDidRemoveRowAtIndex(JVLTextViewInspectorListField* list, JVLTextViewInspectorField* row, std::int64_t index) override;

    // --- Drawing. ---
    kit::Rect selectedRect() const { return selectedRect_; }
    void setSelectedRect(kit::Rect rect) { selectedRect_ = rect; }
    void calcSelectedRect();
    // The raised editor's shadowed frame, `size` plus 15 on each side.
    kit::Ref<kit::Image> shadowImageAroundPath(kit::BezierPath* path);
    kit::Ref<kit::BezierPath> rolloverForCharacterRange(kit::Range range);
    kit::Ref<kit::BezierPath> rollover() const { return rollover_; }
    void setRollover(kit::Ref<kit::BezierPath> path) { rollover_ = std::move(path); }
    static kit::Dictionary rolloverAttributes();
    // Fills the rollover outline, when one is set, and draws the text over it.
    void drawRolloverIfNecessaryInRect(kit::Rect rect);

    // kit::TextView:
    void drawRect(kit::Rect dirtyRect) override;
    void resetCursorRects() override;
    void viewWillMoveToWindow(kit::Window* window) override;
    void setSelectedRange(kit::Range range) override;
    kit::Range selectionRangeForProposedRangeGranularity(kit::Range proposed, kit::SelectionGranularity granularity) override;
    bool shouldChangeTextInRangeReplacementString(kit::Range range, const QString& replacement) override;
    kit::Dictionary typingAttributes() const override;
    bool shouldDrawInsertionPoint() const override { return isEditing(); }
    bool smartInsertDeleteEnabled() const override { return false; }
    void insertNewline(kit::Object* sender) override;
    void insertTab(kit::Object* sender) override;
    void insertBacktab(kit::Object* sender) override;
    void mouseDown(const kit::Event& event) override;
    // Keys a hosted control leaves unhandled climb to the form: Tab and Backtab move on in the
    // form, the rest go on past it (never into its text).
    void keyDown(const kit::Event& event) override;
    // Entered by Tab, the first stop takes the keys; by Backtab, the last.
    bool becomeFirstResponder() override;
    bool resignFirstResponder() override;
    // Also tells a screen reader the edited value's caret moved.
    void setSelectedRangeAffinityStillSelecting(kit::Range range, kit::SelectionAffinity affinity, bool stillSelecting) override;
    QStringList completionsForPartialWordRangeIndexOfSelectedItem(kit::Range range, std::int64_t* index) override;
    QStringList acceptableDragTypes() const override { return {}; }
    void initWithCoder(kit::Coder& coder) override;
    // Text replaced before the value being edited moves the edit along with its characters.
    void textStorageDidProcessEditing(kit::TextStorage& storage, unsigned editedMask, kit::Range editedRange, std::int64_t changeInLength) override;
    // kit::NibAwaking: the inspector's layout manager and typesetter, undo off, own delegate.
    void awakeFromNib() override;

    // kit::Accessibility (JVLTextViewInspectorAccessibility.cpp): a form named by its tool tip, else
    // "Inspector"; its children the fields in text order (values and hosted controls); the value
    // being edited stands for its keyboard focus.
    QStringList accessibilityAttributeNames() const override;
    kit::Value accessibilityAttributeValue(const QString& attribute) const override;
    kit::Value accessibilityFocusedUIElement() const override;

    // kit::TextViewDelegate (its own delegate):
    kit::Range textViewWillChangeSelectionFromCharacterRangeToCharacterRange(kit::TextView*, kit::Range old, kit::Range proposed) override;

    // Test hook: how many times the text was rebuilt.
    int rebuildCountForTesting() const { return rebuildCount_; }
    // Whether the user changed the run being edited since the edit started.
    bool editedRunIsDirty() const { return dirty_; }

private:
    void commonInit();
    std::int64_t textLength() const;
    // The value run (effective range of the placeholder attribute) at `index`; NotFound outside.
    kit::Range valueRunAt(std::int64_t index) const;
    // What validation answers for `proposed`, and the start of the run it would edit (NotFound: none).
    kit::Range validatedRange(kit::Range proposed, std::int64_t* newStart) const;
    bool appendFieldOfAnyKind(JVLTextViewInspectorField* field);
    kit::AttributedString labelPartForTextField(JVLTextViewInspectorField* field);
    kit::AttributedString attachmentHosting(const kit::Ref<kit::View>& view);
    // A list row's add and remove buttons, before its label.
    void appendListRowButtons(JVLTextViewInspectorViewField* field, kit::AttributedString& paragraph);
    JVLTextViewInspectorField* previousVisibleFieldForFieldSearchingFieldArray(
        const JVLTextViewInspectorField* field, const Fields& fields, bool* reached) const;
    void removeVisibleField(const JVLTextViewInspectorField* field);
    // A row's paragraph, hosted views and place among the visible fields go; or are built again.
    void removeRowParagraph(JVLTextViewInspectorField* row);
    void rebuildRowParagraph(JVLTextViewInspectorField* row);
    void writeBack(std::int64_t start);
    kit::Dictionary cachedValueAttributes(const QString& placeholder, const JVLTextViewInspectorField* field, const kit::Ref<kit::Color>& colour,
        QHash<QString, kit::Dictionary>& cache) const;
    // Adds the field attribute and the tab stops to a field's paragraph and closes it.
    void closeFieldParagraph(kit::AttributedString& paragraph, JVLTextViewInspectorField* field) const;
    void addVisibleField(JVLTextViewInspectorField* field, std::int64_t row);
    QString noSelectionText() const;
    QString multipleValuesText() const;
    void drawRaisedEditorIfNecessaryInRect(kit::Rect rect);
    // `takeKeys` NO: the form is becoming first responder already.
    void selectKeyStop(const KeyStop& stop, bool forward, bool takeKeys = true);
    void moveToKeyStopFrom(std::int64_t from, bool forward);
    // Names each hosted control after its field, for a screen reader.
    void nameHostedView(const kit::Ref<kit::View>& view, const QString& name) const;
    // Tells a screen reader when the value standing for the focus is another one (only keeps
    // count while a key step holds the announcements, or with `announce` NO).
    void announceFocusedElementIfChanged(bool announce = true);

    std::int64_t currentEditedStartLocation_ = kit::NotFound;
    kit::Ref<kit::BezierPath> rollover_;
    kit::Range currentRolloverRange_ { kit::NotFound, 0 };
    Fields fields_;
    Fields visible_;
    std::unordered_map<const JVLTextViewInspectorField*, std::int64_t> visibleIndex_;
    int fieldEditingCounter_ = 0;
    double maxLabelWidth_ = 0;
    bool editableState_ = false;
    bool showNoSelection_ = true;
    kit::Rect selectedRect_ {};
    kit::Weak<kit::Object> inspectorDelegate_;
    kit::Ref<kit::Timer> completionTimer_;
    std::int64_t nextInsertionIndex_ = kit::NotFound;
    int displayMode_ = FieldsDisplayMode;
    kit::Weak<JVLTextViewInspectorField> fieldToEdit_;
    // The user changed the edited run (typing, deleting, pasting, completing, line breaks).
    bool dirty_ = false;
    // A write-back from inside the selection hook lets the nested hook through unvalidated.
    bool writingBack_ = false;
    QHash<QString, double> labelWidths_;
    // The paragraph style for the current label column width.
    mutable kit::Dictionary tabStops_;
    mutable double tabStopsWidth_ = -1;
    // Value attributes in the standard font by placeholder, grey and black.
    mutable QHash<QString, kit::Dictionary> greyValueAttributes_;
    mutable QHash<QString, kit::Dictionary> blackValueAttributes_;
    int rebuildCount_ = 0;
    // Raised-editor image cache: size and focus.
    kit::Ref<kit::Image> shadowImage_;
    kit::Size shadowSize_ {};
    bool shadowFocused_ = false;
    // Value elements by field; entries whose field went are dropped on each rebuild.
    mutable std::unordered_map<const JVLTextViewInspectorField*, kit::Ref<JVLTextViewInspectorValueElement>> valueElements_;
    kit::Weak<kit::Object> announcedFocus_;
    // A key step ends one edit and starts another: only where it ends is announced.
    int heldFocusAnnouncements_ = 0;
};
