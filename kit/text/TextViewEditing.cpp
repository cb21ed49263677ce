// TextView: the edit pipeline, the delegate's editing run and the editing actions.

#include "kit/appkit/Application.h"
#include "kit/appkit/Beep.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/FocusAnnouncement.h"
#include "kit/appkit/KeyBindings.h"
#include "kit/appkit/Pasteboard.h"
#include "kit/appkit/Window.h"
#include "kit/core/NotificationCenter.h"
#include "kit/graphics/Color.h"
#include "kit/text/LayoutManager.h"
#include "kit/text/TextStorage.h"
#include "kit/text/TextView.h"

#include <QApplication>
#include <QPalette>

#include <algorithm>
#include <optional>

namespace kit {

void TextView::postTextNote(const QString& name, const char* operation, void (TextDelegate::*call)(Notification*), const Dictionary& info)
{
    const Ref<TextView> keep(this);
    const Ref<Notification> note = Notification::notificationWithNameObjectUserInfo(name, this, info);
    Ref<Object> holder;
    if (TextDelegate* d = delegateFor<TextDelegate>(operation, holder))
        (d->*call)(note.get());
    NotificationCenter::defaultCenter()->postNotification(note);
}

bool TextView::askShouldBegin()
{
    if (beganEditing_)
        return true;
    Ref<Object> holder;
    if (TextDelegate* d = delegateFor<TextDelegate>(TextShouldBeginEditingOperation, holder); d && !d->textShouldBeginEditing(this))
        return false;
    beganEditing_ = true;
    postTextNote(TextDidBeginEditingNotification, TextDidBeginEditingOperation, &TextDelegate::textDidBeginEditing);
    return true;
}

bool TextView::askShouldEnd()
{
    Ref<Object> holder;
    TextDelegate* d = delegateFor<TextDelegate>(TextShouldEndEditingOperation, holder);
    return !d || d->textShouldEndEditing(this);
}

// The pipeline ------------------------------------------------------------------------------------

bool TextView::shouldChangeTextInRangeReplacementString(Range range, const QString& replacement)
{
    if (!editable_)
        return false;
    if (!askShouldBegin())
        return false;
    Ref<Object> holder;
    if (TextViewDelegate* d = delegateFor<TextViewDelegate>(TextViewShouldChangeTextInRangeReplacementStringOperation, holder))
        return d->textViewShouldChangeTextInRangeReplacementString(this, range, replacement);
    return true;
}

void TextView::didChangeText() { postTextNote(TextDidChangeNotification, TextDidChangeOperation, &TextDelegate::textDidChange); }

Dictionary TextView::attributesBefore(std::int64_t index) const
{
    const Ref<TextStorage> storage = textStorage();
    const std::int64_t n = length();
    if (!storage || n == 0)
        return defaultAttributes();
    return storage->attributesAtIndexEffectiveRange(std::clamp<std::int64_t>(index - 1, 0, n - 1), nullptr);
}

bool TextView::replaceForUser(Range range, const QString& replacement)
{
    const Ref<TextView> keep(this);
    std::int64_t n = length();
    range.location = std::clamp<std::int64_t>(range.location, 0, n);
    range.length = std::clamp<std::int64_t>(range.length, 0, n - range.location);
    if (!shouldChangeTextInRangeReplacementString(range, replacement))
        return false;
    const Ref<TextStorage> storage = textStorage();
    if (!storage)
        return false;
    // The answer may have come with edits of its own: stay inside the text.
    n = length();
    range.location = std::min(range.location, n);
    range.length = std::min(range.length, n - range.location);
    Dictionary attributes = typingAttributes();
    if (attributes.isEmpty())
        attributes = attributesBefore(range.location);
    ++userEditDepth_;
    storage->replaceCharactersInRangeWithAttributedString(range, AttributedString(replacement, attributes));
    std::int64_t caret = range.location + replacement.size();
    if (tokenizing_)
        caret = tokenizeTypedText(caret);
    --userEditDepth_;
    anchor_ = NotFound;
    // Settled before didChangeText, which may end the session; nothing is touched after it.
    setSelectedRangeAffinityStillSelecting({ caret, 0 }, SelectionAffinityDownstream, false);
    scrollRangeToVisible(selected_);
    didChangeText();
    return true;
}

void TextView::insertText(const QString& text)
{
    if (hasMarkedText())
        unmarkText();
    if (!editable_) {
        Beep();
        return;
    }
    closeCompletions();
    replaceForUser(selected_, text);
}

void TextView::keyDown(const Event& event)
{
    if (!selectable_) {
        View::keyDown(event);
        return;
    }
    const Ref<TextView> keep(this);
    if (completion_ && completionKey(ActionForKeyEvent(event)))
        return;
    interpretKeyEvents({ Ref<Event>(const_cast<Event*>(&event)) });
}

void TextView::doCommandBySelector(Selector action)
{
    const Ref<TextView> keep(this);
    Ref<Object> holder;
    if (TextViewDelegate* d = delegateFor<TextViewDelegate>(TextViewDoCommandBySelectorOperation, holder))
        if (d->textViewDoCommandBySelector(this, action))
            return;
    if (TextDelegate* d = delegateFor<TextDelegate>(TextDoCommandBySelectorOperation, holder))
        if (d->textDoCommandBySelector(this, action))
            return;
    Responder::doCommandBySelector(action);
}

// Inserting and deleting ---------------------------------------------------------------------------

void TextView::insertNewline(Object*)
{
    if (fieldEditor_) {
        endSessionWithMovement(ReturnTextMovement);
        return;
    }
    insertText(QStringLiteral("\n"));
}

void TextView::insertTab(Object* sender)
{
    // Only a text the user edits takes a tab; from any other Tab moves on, as in a form.
    if (fieldEditor_ || !editable_) {
        selectNextKeyView(sender);
        return;
    }
    insertText(QStringLiteral("\t"));
}

void TextView::insertBacktab(Object* sender) { selectPreviousKeyView(sender); }

void TextView::selectNextKeyView(Object*)
{
    if (fieldEditor_) {
        endSessionWithMovement(TabTextMovement);
        return;
    }
    if (const Ref<Window> w = window())
        w->selectKeyViewFollowingView(this);
}

void TextView::selectPreviousKeyView(Object*)
{
    if (fieldEditor_) {
        endSessionWithMovement(BacktabTextMovement);
        return;
    }
    if (const Ref<Window> w = window())
        w->selectKeyViewPrecedingView(this);
}

void TextView::insertNewlineIgnoringFieldEditor(Object*) { insertText(QStringLiteral("\n")); }

void TextView::deleteRange(Range range)
{
    if (!editable_) {
        Beep();
        return;
    }
    closeCompletions();
    if (range.length > 0)
        replaceForUser(range, QString());
}

void TextView::deleteBackward(Object*)
{
    if (selected_.length > 0 || selected_.location == 0) {
        deleteRange(selected_);
        return;
    }
    const std::int64_t at = std::min(selected_.location, length());
    const std::int64_t from = clusterBefore(at);
    deleteRange({ from, at - from });
}

void TextView::deleteForward(Object*)
{
    if (selected_.length > 0) {
        deleteRange(selected_);
        return;
    }
    const std::int64_t at = std::min(selected_.location, length());
    deleteRange({ at, clusterAfter(at) - at });
}

void TextView::deleteWordBackward(Object*)
{
    if (selected_.length > 0) {
        deleteRange(selected_);
        return;
    }
    const std::int64_t at = std::min(selected_.location, length());
    const std::int64_t from = wordBoundary(at, false);
    deleteRange({ from, at - from });
}

void TextView::deleteWordForward(Object*)
{
    if (selected_.length > 0) {
        deleteRange(selected_);
        return;
    }
    const std::int64_t at = std::min(selected_.location, length());
    deleteRange({ at, wordBoundary(at, true) - at });
}

void TextView::selectAll(Object*)
{
    if (selectable_)
        setSelectedRange({ 0, length() });
}

void TextView::copy(Object*)
{
    const Range r = textLayoutSelectedRange();
    if (r.location == NotFound || r.length == 0) {
        Beep();
        return;
    }
    const Ref<Pasteboard> board = Pasteboard::generalPasteboard();
    board->declareTypesOwner({ StringPboardType }, nullptr);
    board->setStringForType(string().mid(r.location, r.length), StringPboardType);
}

void TextView::cut(Object* sender)
{
    if (!editable_ || selected_.length == 0) {
        Beep();
        return;
    }
    copy(sender);
    deleteRange(selected_);
}

void TextView::paste(Object*)
{
    const QString text = Pasteboard::generalPasteboard()->stringForType(StringPboardType);
    if (!editable_ || text.isNull()) {
        Beep();
        return;
    }
    insertText(text);
}

// Ending -------------------------------------------------------------------------------------------

bool TextView::becomeFirstResponder()
{
    if (!View::becomeFirstResponder())
        return false;
    scheduleCaretBlink();
    setNeedsDisplay(true);
    return true;
}

bool TextView::resignFirstResponder()
{
    const Ref<TextView> keep(this);
    if (fieldEditor_ && editingSessionNumber() != 0) {
        // A nested request inside the end sequence, or a session that already ended: nothing to do.
        if (endingSession_ == session_ || endedSession_ == session_)
            return true;
        if (!askShouldEnd()) {
            Beep();
            return false;
        }
        runEndSequence(OtherTextMovement, false);
    } else if (!fieldEditor_ && beganEditing_) {
        if (!askShouldEnd())
            return false;
        beganEditing_ = false;
        Dictionary info;
        info.setObjectForKey(Value(std::int64_t(OtherTextMovement)), Value(TextMovementKey));
        postTextNote(TextDidEndEditingNotification, TextDidEndEditingOperation, &TextDelegate::textDidEndEditing, info);
    }
    closeCompletions();
    if (hasMarkedText())
        unmarkText();
    setNeedsDisplay(true);
    return View::resignFirstResponder();
}

bool TextView::endSessionWithMovement(TextMovement movement)
{
    if (!fieldEditor_ || editingSessionNumber() == 0)
        return false;
    if (endingSession_ == session_ || endedSession_ == session_)
        return true;
    const Ref<TextView> keep(this);
    if (!askShouldEnd()) {
        Beep();
        return false;
    }
    runEndSequence(movement, true);
    return true;
}

void TextView::runEndSequence(TextMovement movement, bool leaveFirstResponder)
{
    const Ref<TextView> keep(this);
    // The delegate lives until the sequence returns, whatever it releases on the way.
    const Ref<Object> holder = delegate_.lock();
    const std::uint64_t session = session_;
    const std::uint64_t outer = endingSession_;
    endingSession_ = session;
    endedSession_ = session;
    closeCompletions();
    if (hasMarkedText())
        unmarkText();
    // The window holds the focus only between this editor and the view the end message picks.
    const Ref<Window> handingOver = leaveFirstResponder ? window() : nullptr;
    // What the next responder announces of itself follows the focus the handover announces.
    std::optional<FocusChangeScope> holding;
    if (handingOver) {
        holding.emplace();
        handingOver->beginFocusHandover();
    }
    if (handingOver && handingOver->firstResponder().get() == this)
        handingOver->makeFirstResponder(handingOver.get());
    Dictionary info;
    info.setObjectForKey(Value(std::int64_t(movement)), Value(TextMovementKey));
    postTextNote(TextDidEndEditingNotification, TextDidEndEditingOperation, &TextDelegate::textDidEndEditing, info);
    if (handingOver)
        handingOver->endFocusHandover();
    holding.reset();
    endingSession_ = outer;
    // A session started from inside the end message is not the one that ended.
    if (session_ == session)
        beganEditing_ = false;
}

void TextView::forceEndEditingSession()
{
    if (editingSessionNumber() == 0 || endingSession_ == session_)
        return;
    const Ref<TextView> keep(this);
    const std::uint64_t session = session_;
    if (endedSession_ != session)
        runEndSequence(OtherTextMovement, true);
    if (session_ == session && editingSessionNumber() != 0)
        abandonEditingSession();
}

// Sessions -----------------------------------------------------------------------------------------

void TextView::setUpFieldEditorAttributes(const FieldEditorAttributes& attributes)
{
    font_ = attributes.font;
    // The cell's text colour, which is the palette's when it has none of its own.
    textColor_ = attributes.textColor ? attributes.textColor : Color::fromQColor(QApplication::palette().color(QPalette::Text));
    alignment_ = attributes.alignment;
    backgroundColor_ = attributes.backgroundColor;
    drawsBackground_ = attributes.drawsBackground;
    richText_ = false;
    selectable_ = attributes.selectable || attributes.editable;
    editable_ = attributes.editable;
    typingAttributes_ = {};
    tokenizing_ = attributes.tokenizes;
    tokenizingCharacters_ = attributes.tokenizingCharacters;
    wrapsLines_ = attributes.wrapsLines;
    if (tokenizing_)
        setTokens(attributes.tokens);
    else
        setString(attributes.string);
}

std::uint64_t TextView::beginEditingSession(View* view, Rect, Rect textFrame, Object* delegate, const Event* event, Range selection)
{
    const Ref<TextView> keep(this);
    const Ref<View> host(view);
    // A session still running ends quietly: no end message, nothing stored.
    if (editingSessionNumber() != 0 || superview())
        abandonEditingSession();
    ++session_;
    delegate_ = delegate;
    sessionView_ = view;
    beganEditing_ = false;
    scrollX_ = 0;
    if (wrapsLines_) {
        // Lines from the top of the whole text frame, as the cell lays out its chips.
        setFrame(textFrame);
    } else {
        // One line, centred in the text frame as the cell centres its title, so nothing moves.
        const QString sample = string().isEmpty() ? QStringLiteral("X") : string();
        // Unrounded, as the cell centres its title.
        const double height = AttributedString(sample, defaultAttributes()).size().height;
        setFrame(MakeRect(textFrame.minX(), textFrame.midY() - height / 2, textFrame.width(), height));
    }
    // The chips were made before the frame was known: cut the ones wider than a line.
    if (tokenizing_)
        setTokens(editorTokens());
    view->addSubview(this);
    if (!event) {
        const std::int64_t n = length();
        if (selection.location == NotFound)
            setSelectedRange({ n, 0 });
        else
            setSelectedRange({ std::min(selection.location, n), std::min(selection.length, n - std::min(selection.location, n)) });
    }
    if (const Ref<Window> w = window())
        w->makeFirstResponder(this);
    if (event && session_ != 0)
        mouseDown(*event);
    setNeedsDisplay(true);
    return session_;
}

void TextView::abandonEditingSession()
{
    const Ref<TextView> keep(this);
    const Ref<View> host = sessionView_.lock();
    sessionView_ = nullptr;
    delegate_ = nullptr;
    beganEditing_ = false;
    closeCompletions();
    if (hasMarkedText())
        unmarkText();
    // Leaving the view hands first responder to the window (Window::viewWillDetach).
    const Ref<Window> w = window();
    if (superview())
        removeFromSuperview();
    if (w && w->firstResponder().get() == this)
        w->makeFirstResponder(w.get());
    if (host)
        host->setNeedsDisplay(true);
}

} // namespace kit
