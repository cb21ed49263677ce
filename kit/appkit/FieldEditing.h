#pragma once

// What the window and the cells know of the window's field editor, so that neither appkit nor
// controls depend on the text system: the editor (a text view in kit/text) implements it, and the
// text system installs the factory that makes one per window (Window::setFieldEditorFactory).

#include "kit/core/Geometry.h"
#include "kit/core/Object.h"
#include "kit/core/Selector.h"
#include "kit/graphics/Color.h"
#include "kit/graphics/ParagraphStyle.h"

#include <QFont>
#include <QString>
#include <QStringList>

#include <cstdint>

namespace kit {

class Event;
class Notification;
class Responder;
class View;

// The movement codes an end of editing reports under "NSTextMovement".
enum TextMovement : int {
    OtherTextMovement = 0,
    ReturnTextMovement = 16,
    TabTextMovement = 17,
    BacktabTextMovement = 18,
    LeftTextMovement = 19,
    RightTextMovement = 20,
    UpTextMovement = 21,
    DownTextMovement = 22,
    CancelTextMovement = 23,
};

inline const QString TextMovementKey = QStringLiteral("NSTextMovement");
inline const QString FieldEditorKey = QStringLiteral("NSFieldEditor");

// Posted by a text view (the object) as it is edited; a field editor's session delegate hears
// the matching TextDelegate operation first.
inline const QString TextDidBeginEditingNotification = QStringLiteral("NSTextDidBeginEditingNotification");
inline const QString TextDidChangeNotification = QStringLiteral("NSTextDidChangeNotification");
inline const QString TextDidEndEditingNotification = QStringLiteral("NSTextDidEndEditingNotification");

inline constexpr const char* TextShouldBeginEditingOperation = "textShouldBeginEditing";
inline constexpr const char* TextDidBeginEditingOperation = "textDidBeginEditing";
inline constexpr const char* TextDidChangeOperation = "textDidChange";
inline constexpr const char* TextShouldEndEditingOperation = "textShouldEndEditing";
inline constexpr const char* TextDidEndEditingOperation = "textDidEndEditing";
inline constexpr const char* TextDoCommandBySelectorOperation = "textDoCommandBySelector";

// What a text view's delegate may implement about a run of editing; each operation is sent only
// when the delegate's class registered it (c.optionalOperation).
class TextDelegate {
public:
    virtual ~TextDelegate() = default;
    virtual bool textShouldBeginEditing(Responder* /*text*/) { return true; }
    virtual void textDidBeginEditing(Notification*) { }
    virtual void textDidChange(Notification*) { }
    virtual bool textShouldEndEditing(Responder* /*text*/) { return true; }
    // The user info holds "NSTextMovement".
    virtual void textDidEndEditing(Notification*) { }
    // A command of the editor's key bindings (Escape: cancelOperation) before the editor runs it;
    // YES when the delegate took it.
    virtual bool textDoCommandBySelector(Responder* /*text*/, Selector) { return false; }
};

// What a cell hands its editor so the edited text looks as the cell draws it.
struct FieldEditorAttributes {
    QFont font;
    Ref<Color> textColor;
    TextAlignment alignment = NaturalTextAlignment;
    Ref<Color> backgroundColor;
    bool drawsBackground = false;
    QString string;
    bool editable = true;
    bool selectable = true;
    // Scrolls horizontally instead of clipping at the frame's edge.
    bool scrollable = false;
    // A token session: `tokens` stand as one U+FFFC chip each (`string` is then ignored), and
    // typing one of `tokenizingCharacters` turns the text before it into a token.
    bool tokenizes = false;
    QStringList tokens;
    QString tokenizingCharacters;
    // The editor covers the whole text frame and its lines wrap at its width, running down from
    // the top (a token field taller than one line of chips).
    bool wrapsLines = false;
};

class FieldEditing {
public:
    virtual ~FieldEditing() = default;

    virtual void setUpFieldEditorAttributes(const FieldEditorAttributes& attributes) = 0;
    // Starts a session: the editor becomes a subview of `view` over `textFrame` (its line placed as
    // a cell inside `cellFrame` places its title), holds `delegate` and becomes first responder.
    // A mouse event acts as a press in the editor; without one, `selection` is selected (NotFound:
    // the caret at the end). Answers the session's number (never 0).
    virtual std::uint64_t beginEditingSession(View* view, Rect cellFrame, Rect textFrame, Object* delegate, const Event* event, Range selection) = 0;
    // The running session's number; 0 when no session runs.
    virtual std::uint64_t editingSessionNumber() const = 0;
    // The running session's delegate; null when no session runs.
    virtual Ref<Object> editingSessionDelegate() const = 0;
    // The view the running session's editor lives in; null when no session runs.
    virtual Ref<View> editingSessionView() const = 0;
    // The session ends with no end message and nothing stored: the editor leaves its view and the
    // window takes first responder.
    virtual void abandonEditingSession() = 0;
    // Ends the session with the end message (movement Other) whatever the delegate answers.
    virtual void forceEndEditingSession() = 0;

    virtual QString editorString() const = 0;
    virtual void setEditorString(const QString& string) = 0;
    virtual Range editorSelectedRange() const = 0;
    virtual void setEditorSelectedRange(Range range) = 0;
    // A token session's tokens: each chip's token, and the typed text between the chips split at
    // the tokenizing characters (trimmed, empty pieces dropped). Empty outside a token session.
    virtual QStringList editorTokens() const { return {}; }
};

} // namespace kit
