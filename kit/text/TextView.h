#pragma once

// A flipped view that shows and edits a text storage through its layout manager and text
// container (the view owns the storage, the storage its layout managers, they their containers,
// which hold the view weakly). Every user change goes through one pipeline: the virtual
// shouldChangeTextInRangeReplacementString (by default the delegate's answer), then the
// replacement in the typing attributes, the caret after it, then didChangeText. Every selection
// change that is not still-selecting passes the delegate's selection hook; mouse proposals pass
// selectionRangeForProposedRangeGranularity. Key events go through the binding table to the
// registered actions, each overridable. Drawing runs through the layout manager's two hooks.
//
// The window's field editor is a TextView too (isFieldEditor): one per window, made by the
// factory this file's registration installs, running the sessions a cell starts (FieldEditing).
// Main thread only.

#include "kit/appkit/Accessibility.h"
#include "kit/appkit/FieldEditing.h"
#include "kit/appkit/TextInput.h"
#include "kit/appkit/View.h"
#include "kit/core/Selector.h"
#include "kit/core/Value.h"
#include "kit/text/TextContainer.h"
#include "kit/text/TextLayoutClient.h"
#include "kit/text/TextViewDelegate.h"

#include <QFont>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>

namespace kit {

class Color;
class LayoutManager;
class TextContainer;
class TextStorage;
class Timer;

enum SelectionAffinity : int { SelectionAffinityUpstream = 0, SelectionAffinityDownstream = 1 };
enum SelectionGranularity : int { SelectByCharacter = 0, SelectByWord = 1, SelectByParagraph = 2 };

class TextView : public View, public FieldEditing, public TextLayoutClient, public TextInputClient, public Accessibility {
    KIT_CLASS(TextView)
public:
    // A text view with its own storage, layout manager and a container as wide as the frame.
    explicit TextView(Rect frame = {});
    // Shows `container`'s layout manager and storage (the container keeps its manager).
    TextView(Rect frame, Ref<TextContainer> container);
    ~TextView() override;

    void encodeWithCoder(Coder& coder) const override;
    void initWithCoder(Coder& coder) override;

    // --- The network.
    Ref<TextStorage> textStorage() const;
    Ref<LayoutManager> layoutManager() const;
    Ref<TextContainer> textContainer() const { return container_; }
    void replaceTextContainer(Ref<TextContainer> container);
    Size textContainerInset() const { return inset_; }
    void setTextContainerInset(Size inset);
    // Where the container's origin sits in the view (the inset, less the field editor's scroll).
    Point textContainerOrigin() const;

    // --- Text.
    QString string() const;
    // The whole text replaced in the typing attributes; the caret at the end.
    void setString(const QString& string);
    // A programmatic change: no pipeline, no delegate.
    void replaceCharactersInRangeWithString(Range range, const QString& string);
    QFont font() const { return font_; }
    // Over the whole text and for typing.
    void setFont(const QFont& font);
    Ref<Color> textColor() const { return textColor_; }
    void setTextColor(Ref<Color> color);
    TextAlignment alignment() const { return alignment_; }
    void setAlignment(TextAlignment alignment);

    // --- Configuration.
    bool isEditable() const { return editable_; }
    // Editable implies selectable.
    void setEditable(bool flag);
    bool isSelectable() const { return selectable_; }
    void setSelectable(bool flag);
    bool isRichText() const { return richText_; }
    void setRichText(bool flag) { richText_ = flag; }
    bool drawsBackground() const { return drawsBackground_; }
    void setDrawsBackground(bool flag);
    // Null: the palette's base colour.
    Ref<Color> backgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(Ref<Color> color);
    bool isFieldEditor() const { return fieldEditor_; }
    // One line that never wraps, Return/Tab/Backtab end the session, padding 2.
    void setFieldEditor(bool flag);
    // Stored only.
    bool allowsUndo() const { return allowsUndo_; }
    void setAllowsUndo(bool flag) { allowsUndo_ = flag; }
    bool isContinuousSpellCheckingEnabled() const { return spelling_; }
    void setContinuousSpellCheckingEnabled(bool flag) { spelling_ = flag; }
    bool isGrammarCheckingEnabled() const { return grammar_; }
    void setGrammarCheckingEnabled(bool flag) { grammar_ = flag; }
    bool importsGraphics() const { return importsGraphics_; }
    void setImportsGraphics(bool flag) { importsGraphics_ = flag; }
    virtual bool smartInsertDeleteEnabled() const { return false; }
    virtual QStringList acceptableDragTypes() const { return {}; }
    // Vertical growth to the used height (a scroll view's document view never gets shorter than
    // its clip view).
    bool isVerticallyResizable() const { return verticallyResizable_; }
    void setVerticallyResizable(bool flag) { verticallyResizable_ = flag; }
    void sizeToFit();

    // Held weakly; a TextViewDelegate (and TextDelegate) registering the operations it implements.
    Ref<Object> delegate() const { return delegate_.lock(); }
    void setDelegate(Object* delegate) { delegate_ = delegate; }

    // --- Display and scrolling.
    void setNeedsDisplayInRectAvoidAdditionalLayout(Rect rect, bool avoidAdditionalLayout);
    void scrollRangeToVisible(Range range);
    // The selected range's highlight colour: the palette's Highlight as first responder of the key
    // window, else the inactive one.
    Ref<Color> selectionColor() const;
    virtual bool shouldDrawInsertionPoint() const;

    // --- Selection.
    Range selectedRange() const { return selected_; }
    SelectionAffinity selectionAffinity() const { return affinity_; }
    SelectionGranularity selectionGranularity() const { return granularity_; }
    void setSelectionGranularity(SelectionGranularity granularity) { granularity_ = granularity; }
    virtual void setSelectedRange(Range range);
    // Still-selecting changes (a drag) skip the delegate's hook; the final one passes it.
    virtual void setSelectedRangeAffinityStillSelecting(Range range, SelectionAffinity affinity, bool stillSelecting);
    // Word (1) or paragraph (2) around the proposal; character (0) unchanged.
    virtual Range selectionRangeForProposedRangeGranularity(Range proposed, SelectionGranularity granularity);

    // --- The edit pipeline.
    virtual bool shouldChangeTextInRangeReplacementString(Range range, const QString& replacement);
    virtual void didChangeText();
    // Empty: the attributes before the caret.
    virtual Dictionary typingAttributes() const { return typingAttributes_; }
    void setTypingAttributes(const Dictionary& attributes) { typingAttributes_ = attributes; }
    // The attributes new text takes at the selection when typing attributes are empty.
    Dictionary attributesForInsertion() const;
    // The view's font, colour and alignment as attributes (what an empty text types in).
    Dictionary defaultAttributes() const;

    // --- Actions (registered, overridable).
    virtual void insertNewline(Object* sender);
    virtual void insertTab(Object* sender);
    virtual void insertBacktab(Object* sender);
    // Out of the view to the next/previous key view (a field editor ends its session): Ctrl+Tab and
    // Ctrl+Shift+Tab from any text view.
    virtual void selectNextKeyView(Object* sender);
    virtual void selectPreviousKeyView(Object* sender);
    virtual void insertNewlineIgnoringFieldEditor(Object* sender);
    virtual void deleteBackward(Object* sender);
    virtual void deleteForward(Object* sender);
    virtual void deleteWordBackward(Object* sender);
    virtual void deleteWordForward(Object* sender);
    virtual void moveLeft(Object* sender);
    virtual void moveRight(Object* sender);
    virtual void moveUp(Object* sender);
    virtual void moveDown(Object* sender);
    virtual void moveWordLeft(Object* sender);
    virtual void moveWordRight(Object* sender);
    virtual void moveToBeginningOfLine(Object* sender);
    virtual void moveToEndOfLine(Object* sender);
    virtual void moveToBeginningOfParagraph(Object* sender);
    virtual void moveToEndOfParagraph(Object* sender);
    virtual void moveToBeginningOfDocument(Object* sender);
    virtual void moveToEndOfDocument(Object* sender);
    virtual void pageUp(Object* sender);
    virtual void pageDown(Object* sender);
    virtual void moveLeftAndModifySelection(Object* sender);
    virtual void moveRightAndModifySelection(Object* sender);
    virtual void moveUpAndModifySelection(Object* sender);
    virtual void moveDownAndModifySelection(Object* sender);
    virtual void moveWordLeftAndModifySelection(Object* sender);
    virtual void moveWordRightAndModifySelection(Object* sender);
    virtual void moveToBeginningOfLineAndModifySelection(Object* sender);
    virtual void moveToEndOfLineAndModifySelection(Object* sender);
    virtual void moveToBeginningOfParagraphAndModifySelection(Object* sender);
    virtual void moveToEndOfParagraphAndModifySelection(Object* sender);
    virtual void moveToBeginningOfDocumentAndModifySelection(Object* sender);
    virtual void moveToEndOfDocumentAndModifySelection(Object* sender);
    virtual void pageUpAndModifySelection(Object* sender);
    virtual void pageDownAndModifySelection(Object* sender);
    virtual void selectAll(Object* sender);
    // The copy: action; Object's copy() (a duplicate of the object) stays reachable.
    using Object::copy;
    virtual void copy(Object* sender);
    virtual void cut(Object* sender);
    virtual void paste(Object* sender);
    // Escape: completion (or, while the list shows, back to what was typed); in a field editor, on to the window.
    virtual void cancelOperation(Object* sender);
    virtual void complete(Object* sender);

    // --- Completion.
    // The partial word before the caret.
    Range rangeForUserCompletion() const;
    // Default: the delegate's answer, else none.
    virtual QStringList completionsForPartialWordRangeIndexOfSelectedItem(Range range, std::int64_t* index);
    bool isShowingCompletions() const { return completion_ != nullptr; }
    QStringList shownCompletions() const;
    std::int64_t chosenCompletion() const;

    // --- Links: the delegate's textViewClickedOnLinkAtIndex, else the workspace opens the URL.
    virtual void clickedOnLinkAtIndex(const Value& link, std::int64_t index);

    // --- Geometry helpers (view coordinates).
    std::int64_t characterIndexForInsertionAtViewPoint(Point point);
    // The glyph under the point, or NotFound in empty text.
    std::int64_t characterIndexUnderViewPoint(Point point);
    Rect insertionPointRect(std::int64_t index);

    // kit::Responder / View:
    bool isFlipped() const override { return true; }
    bool isOpaque() const override;
    bool acceptsFirstResponder() const override { return selectable_; }
    bool becomeFirstResponder() override;
    bool resignFirstResponder() override;
    bool canBecomeKeyView() const override { return !fieldEditor_ && View::canBecomeKeyView(); }
    void keyDown(const Event& event) override;
    bool performKeyEquivalent(const Event&) override { return false; }
    void insertText(const QString& text) override;
    void doCommandBySelector(Selector action) override;
    void mouseDown(const Event& event) override;
    void drawRect(Rect dirtyRect) override;
    void resetCursorRects() override;
    void setFrameSize(Size size) override;
    void viewDidMoveToWindow() override;

    // kit::FieldEditing:
    void setUpFieldEditorAttributes(const FieldEditorAttributes& attributes) override;
    std::uint64_t beginEditingSession(View* view, Rect cellFrame, Rect textFrame, Object* delegate, const Event* event, Range selection) override;
    std::uint64_t editingSessionNumber() const override { return sessionView_.lock() ? session_ : 0; }
    Ref<Object> editingSessionDelegate() const override { return sessionView_.lock() ? delegate() : nullptr; }
    Ref<View> editingSessionView() const override { return sessionView_.lock(); }
    void abandonEditingSession() override;
    void forceEndEditingSession() override;
    QString editorString() const override { return string(); }
    void setEditorString(const QString& string) override { setString(string); }
    Range editorSelectedRange() const override { return selectedRange(); }
    void setEditorSelectedRange(Range range) override { setSelectedRange(range); }
    QStringList editorTokens() const override;

    // kit::TextLayoutClient:
    void textStorageDidProcessEditing(TextStorage& storage, unsigned editedMask, Range editedRange, std::int64_t changeInLength) override;
    void textLayoutNeedsDisplayInRect(Rect containerRect) override;
    void textLayoutDidInvalidate() override;
    void textLayoutDidReplaceTextStorage(TextStorage& storage) override;
    Range textLayoutSelectedRange() const override;
    Ref<Color> textLayoutSelectionColor() const override;

    // kit::TextInputClient:
    void setMarkedTextSelectedRange(const QString& text, Range selected) override;
    void unmarkText() override;
    bool hasMarkedText() const override { return !marked_.isEmpty(); }
    QString markedText() const override { return marked_; }
    Rect firstRectForCharacterRange(Range range) const override;
    Range selectedRangeForInput() const override { return selected_; }
    QString surroundingText() const override;
    std::int64_t cursorPositionInSurroundingText() const override;

    // kit::Accessibility (TextViewAccessibility.cpp): a multi-line text area valued by its text,
    // whose value, selected text and selection a client changes as the user would; every change of
    // the text is announced. The field editor is ignored: the field it edits stands for it.
    QStringList accessibilityAttributeNames() const override;
    Value accessibilityAttributeValue(const QString& attribute) const override;
    bool accessibilityIsAttributeSettable(const QString& attribute) const override;
    void accessibilitySetValueForAttribute(const Value& value, const QString& attribute) override;
    bool accessibilityIsIgnored() const override { return fieldEditor_; }

protected:
    // The user path: asks, replaces in the typing attributes, places the caret, didChangeText.
    // YES when the change was made.
    bool replaceForUser(Range range, const QString& replacement);
    // Ends the field editor's session with `movement` after asking textShouldEndEditing (NO: a
    // beep and editing goes on). Outside a session, NO.
    bool endSessionWithMovement(TextMovement movement);

private:
    // Tells a screen reader the caret or selection moved: the field editor's is its field's.
    void announceSelectedTextChange();
    struct Completion;
    // Completion lives in TextViewCompletion.cpp only.
    struct CompletionDeleter {
        void operator()(Completion* completion) const;
    };

    void setUpNetwork(Ref<TextContainer> container);
    // Token sessions (TextViewTokens.cpp): the text as one chip per token; typed text before a
    // tokenizing character becomes a chip. Answers where the caret goes.
    void setTokens(const QStringList& tokens);
    std::int64_t tokenizeTypedText(std::int64_t caret);
    // The widest a token's chip may be: the line's width (0, no limit, before a session has a frame).
    double tokenWidthLimit() const;
    void applyFieldEditorLayout();
    // The field editor's one line: its container is as wide as the text (never narrower than the
    // view), so the line never wraps and scrolls sideways instead.
    void fitFieldEditorContainer();
    void updateFrameForText();
    void keepCaretVisibleInFieldEditor();
    Point containerPoint(Point viewPoint) const;
    Rect viewRect(Rect containerRect) const;
    // What a selection (or the caret) of `range` covers on screen.
    Rect selectionDisplayRect(Range range);
    std::int64_t length() const;
    // Moves and extensions.
    std::int64_t clusterBefore(std::int64_t index);
    std::int64_t clusterAfter(std::int64_t index);
    std::int64_t wordBoundary(std::int64_t index, bool forward) const;
    Range paragraphRangeAt(std::int64_t index) const;
    Range lineRangeAt(std::int64_t index);
    std::int64_t verticalMove(std::int64_t index, double lines);
    void moveCaretTo(std::int64_t index);
    void extendSelectionTo(std::int64_t extent, bool forward);
    // The end of the selection that moves when it is extended (the other one is the anchor).
    std::int64_t movingEnd(bool forward = true) const;
    Dictionary attributesBefore(std::int64_t index) const;
    void deleteRange(Range range);
    // Mouse.
    void trackSelection(const Event& event, std::int64_t anchor, SelectionGranularity granularity);
    bool trackLink(const Event& event, std::int64_t index);
    // Delegate and notifications.
    // The delegate as D when it registered `operation`, else null; `keep` holds it meanwhile.
    template <class D> D* delegateFor(const char* operation, Ref<Object>& keep) const
    {
        keep = delegate_.lock();
        auto* d = dynamic_cast<D*>(keep.get());
        return d && keep->respondsToSelector(Selector(operation)) ? d : nullptr;
    }
    bool askShouldBegin();
    bool askShouldEnd();
    void postTextNote(const QString& name, const char* operation, void (TextDelegate::*call)(Notification*), const Dictionary& info = {});
    void runEndSequence(TextMovement movement, bool leaveFirstResponder);
    // Completion.
    void showCompletions(Range range, const QStringList& items, std::int64_t index);
    bool completionKey(Selector action);
    void acceptCompletion();
    void closeCompletions();
    void scheduleCaretBlink();

    Ref<TextStorage> storage_; // keeps a replaced storage alive
    Ref<TextContainer> container_;
    Size inset_ { 0, 0 };
    double scrollX_ = 0; // the field editor's horizontal scroll
    QFont font_;
    Ref<Color> textColor_;
    TextAlignment alignment_ = NaturalTextAlignment;
    bool editable_ = true;
    bool selectable_ = true;
    bool richText_ = true;
    bool drawsBackground_ = true;
    Ref<Color> backgroundColor_;
    bool fieldEditor_ = false;
    bool tokenizing_ = false;
    QString tokenizingCharacters_;
    bool wrapsLines_ = false; // a field editor session whose lines wrap at the frame's width
    bool allowsUndo_ = false;
    bool spelling_ = false;
    bool grammar_ = false;
    bool importsGraphics_ = false;
    bool verticallyResizable_ = true;
    Weak<Object> delegate_;

    Range selected_ { 0, 0 };
    SelectionAffinity affinity_ = SelectionAffinityDownstream;
    SelectionGranularity granularity_ = SelectByCharacter;
    std::int64_t anchor_ = NotFound; // the fixed end while a selection is extended
    bool stillSelecting_ = false;
    Dictionary typingAttributes_;
    int userEditDepth_ = 0; // the pipeline's own storage edit: the selection is set afterwards

    // The editing run (a field editor's session, or first change to resignation otherwise).
    bool beganEditing_ = false;
    std::uint64_t session_ = 0;
    Weak<View> sessionView_;
    std::uint64_t endingSession_ = 0; // the session whose end sequence runs
    std::uint64_t endedSession_ = 0; // the last session that heard textDidEndEditing

    QString marked_; // preedit: drawn at the caret, never stored
    Range markedSelection_ { 0, 0 };
    bool caretOn_ = true;
    double caretMovedAt_ = 0; // the kit clock's time of the last selection change: the caret holds still
    Ref<Timer> blinkTimer_;
    std::unique_ptr<Completion, CompletionDeleter> completion_;
};

} // namespace kit
