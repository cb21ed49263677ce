#include "kit/appkit/Beep.h"
#include "kit/appkit/FieldEditing.h"
#include "kit/appkit/KeyCodes.h"
#include "kit/appkit/Pasteboard.h"
#include "kit/controls/Button.h"
#include "kit/controls/ControlTextEditingDelegate.h"
#include "kit/controls/TextField.h"
#include "kit/foundation/KeyedArchiver.h"
#include "kit/foundation/KeyedUnarchiver.h"
#include "kit/foundation/NumberFormatter.h"
#include "kit/testsupport/CallRecorder.h"
#include "kit/testsupport/RuntimeRecorders.h"
#include "kit/text/LayoutManager.h"
#include "kit/text/TextAttachment.h"
#include "kit/text/TextContainer.h"
#include "kit/text/TextStorage.h"
#include "kit/text/TextView.h"
#include "kit/tests/ControlsTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

namespace {

using namespace kit;
using namespace kit::test;

QString movementOf(Notification* n) { return QString::number(n->userInfo().objectForKey(Value(TextMovementKey)).integerValue()); }

// A text field that logs what the field editor asks of it as the session's delegate.
class LoggingField : public TextField {
    KIT_CLASS(LoggingField)

    explicit LoggingField(Rect frame = {}, CallRecorder* calls = nullptr, QString name = {})
        : TextField(frame)
        , calls(calls)
        , name(std::move(name))
    { }
    bool textShouldBeginEditing(Responder* text) override
    {
        log("textShouldBeginEditing");
        return TextField::textShouldBeginEditing(text);
    }
    void textDidBeginEditing(Notification* n) override
    {
        log("textDidBeginEditing");
        TextField::textDidBeginEditing(n);
    }
    void textDidChange(Notification* n) override
    {
        log("textDidChange");
        TextField::textDidChange(n);
    }
    bool textShouldEndEditing(Responder* text) override
    {
        log("textShouldEndEditing");
        return TextField::textShouldEndEditing(text);
    }
    void textDidEndEditing(Notification* n) override
    {
        log("textDidEndEditing " + movementOf(n));
        if (onEnd)
            onEnd(n);
        TextField::textDidEndEditing(n);
        if (afterEnd)
            afterEnd(n);
    }
    bool becomeFirstResponder() override
    {
        log("becomeFirstResponder");
        return TextField::becomeFirstResponder();
    }
    void log(const QString& call)
    {
        if (calls)
            calls->record(name.isEmpty() ? call : name + ": " + call);
    }

    CallRecorder* calls;
    QString name;
    std::function<void(Notification*)> onEnd;
    std::function<void(Notification*)> afterEnd;
};

KIT_REGISTER_CLASS(LoggingField, TextField) { }

// The control's delegate: answers should-begin/should-end and logs the control notifications.
class FieldDelegate : public Object, public ControlTextEditingDelegate {
    KIT_CLASS(FieldDelegate)

    bool controlTextShouldBeginEditing(Control*, Responder*) override
    {
        calls.record("controlTextShouldBeginEditing");
        return allowBegin;
    }
    bool controlTextShouldEndEditing(Control*, Responder*) override
    {
        calls.record("controlTextShouldEndEditing");
        return allowEnd;
    }
    void controlTextDidBeginEditing(Notification* n) override { record("controlTextDidBeginEditing", n); }
    void controlTextDidChange(Notification* n) override { record("controlTextDidChange", n); }
    void controlTextDidEndEditing(Notification* n) override
    {
        record("controlTextDidEndEditing " + movementOf(n), n);
        endedValue = dynamic_cast<Control*>(n->object().get())->stringValue();
    }
    void record(const QString& call, Notification* n)
    {
        calls.record(call);
        editors.push_back(n->userInfo().objectForKey(Value(FieldEditorKey)).object().get());
    }

    CallRecorder calls;
    std::vector<Object*> editors;
    bool allowBegin = true;
    bool allowEnd = true;
    QString endedValue;
};

KIT_REGISTER_CLASS(FieldDelegate, Object)
{
    c.optionalOperations({ ControlTextShouldBeginEditingOperation, ControlTextShouldEndEditingOperation, ControlTextDidBeginEditingOperation,
        ControlTextDidChangeOperation, ControlTextDidEndEditingOperation });
}

class FieldEditorSessions : public testing::Test {
protected:
    void SetUp() override
    {
        w.emplace(Size { 300, 200 });
        first = make<LoggingField>(MakeRect(20, 140, 120, 22), &calls, "first");
        second = make<LoggingField>(MakeRect(20, 100, 120, 22), &calls, "second");
        first->setStringValue("one");
        second->setStringValue("two");
        w->content->addSubview(first.get());
        w->content->addSubview(second.get());
    }
    void TearDown() override { w.reset(); }

    Ref<TextView> editor() const { return dynamic_pointer_cast<TextView>(w->window->fieldEditorForObject(false, nullptr)); }
    Point centerOf(View* v) const
    {
        const Rect r = v->convertRectToView(v->bounds(), nullptr);
        return MakePoint(r.midX(), r.midY());
    }
    void editFirst()
    {
        ASSERT_TRUE(w->window->makeFirstResponder(first.get()));
        calls.clear();
    }

    std::optional<ControlWindow> w;
    CallRecorder calls;
    Ref<LoggingField> first, second;
};

TEST_F(FieldEditorSessions, BecomingFirstResponderHandsOverToTheEditorWithEverythingSelected)
{
    editFirst();
    const Ref<TextView> e = editor();
    ASSERT_TRUE(e);
    EXPECT_TRUE(e->isFieldEditor());
    EXPECT_EQ(w->window->firstResponder().get(), e.get());
    EXPECT_EQ(first->currentEditor().get(), e.get());
    EXPECT_EQ(second->currentEditor(), nullptr);
    EXPECT_EQ(e->superview().get(), first.get());
    EXPECT_EQ(e->string(), QStringLiteral("one"));
    EXPECT_EQ(e->selectedRange().location, 0);
    EXPECT_EQ(e->selectedRange().length, 3);
    EXPECT_FALSE(e->canBecomeKeyView());
}

TEST_F(FieldEditorSessions, OneEditorServesEveryFieldOfAWindow)
{
    editFirst();
    const Ref<TextView> e = editor();
    w->window->makeFirstResponder(second.get());
    EXPECT_EQ(editor().get(), e.get());
    EXPECT_EQ(second->currentEditor().get(), e.get());
    EXPECT_EQ(first->currentEditor(), nullptr);

    ControlWindow other;
    EXPECT_NE(other.window->fieldEditorForObject(true, nullptr).get(), e.get());
}

TEST_F(FieldEditorSessions, TypingRunsBeginThenChangeAndPostsTheirNotifications)
{
    NotificationRecorder text(QString(), nullptr);
    editFirst();
    w->script->type("ab");
    w->script->run();
    EXPECT_EQ(calls.calls(), QStringList({ "first: textShouldBeginEditing", "first: textDidBeginEditing", "first: textDidChange",
                                 "first: textDidChange" }));
    QStringList names;
    for (const QString& n : text.names())
        if ((n.startsWith("NSText") && !n.startsWith("NSTextView")) || n.startsWith("NSControlText"))
            names << n;
    // The session's delegate hears each first (and posts the control's), then the text's own is posted.
    EXPECT_EQ(names, QStringList({ "NSControlTextDidBeginEditingNotification", "NSTextDidBeginEditingNotification",
                         "NSControlTextDidChangeNotification", "NSTextDidChangeNotification", "NSControlTextDidChangeNotification",
                         "NSTextDidChangeNotification" }));
    EXPECT_EQ(editor()->string(), QStringLiteral("ab"));
}

TEST_F(FieldEditorSessions, StringValueWhileEditingReadsTheEditor)
{
    editFirst();
    w->script->type("42");
    w->script->run();
    EXPECT_EQ(first->stringValue(), QStringLiteral("42"));
    EXPECT_EQ(first->integerValue(), 42);
    EXPECT_TRUE(first->currentEditor()); // reading does not end the session
}

TEST_F(FieldEditorSessions, NumbersGoThroughTheFormatterWhileEditing)
{
    auto formatter = make<NumberFormatter>();
    formatter->setLocaleIdentifier("en_US");
    first->setFormatter(formatter);
    first->setIntegerValue(7);
    editFirst();
    w->script->type("12");
    w->script->run();
    EXPECT_EQ(first->objectValue().integerValue(), 12);
    EXPECT_TRUE(first->objectValue().isNumber());
}

struct MovementCase {
    const char* name;
    std::uint16_t key;
    std::uint64_t flags;
    int movement;
    const char* nowEditing; // "second", or "first": Return ends the edit and the field keeps the focus
};

void PrintTo(const MovementCase& c, std::ostream* os) { *os << c.name; }

class FieldEditorMovements : public FieldEditorSessions, public testing::WithParamInterface<MovementCase> { };

TEST_P(FieldEditorMovements, EndingKeysLeaveFirstResponderThenReportTheirMovement)
{
    const MovementCase c = GetParam();
    const auto delegate = make<FieldDelegate>();
    first->setDelegate(delegate.get());
    editFirst();
    w->script->type("x");
    w->script->run();
    calls.clear();
    Responder* firstResponderAtEnd = nullptr;
    first->onEnd = [&](Notification*) { firstResponderAtEnd = w->window->firstResponder().get(); };
    w->script->key(c.key, {}, c.flags);
    w->script->run();

    EXPECT_EQ(calls.only({ "first:" }).mid(0, 2), QStringList({ "first: textShouldEndEditing", "first: textDidEndEditing " + QString::number(c.movement) }));
    EXPECT_EQ(firstResponderAtEnd, w->window.get()) << "the editor left first responder before the end message";
    EXPECT_EQ(delegate->calls.only({ "controlTextDidEndEditing" }), QStringList({ "controlTextDidEndEditing " + QString::number(c.movement) }));
    ASSERT_FALSE(delegate->editors.empty());
    EXPECT_EQ(delegate->editors.back(), editor().get());
    EXPECT_EQ(delegate->endedValue, QStringLiteral("x"));
    EXPECT_EQ(first->stringValue(), QStringLiteral("x"));
    const QString editing = QString::fromUtf8(c.nowEditing);
    const Ref<LoggingField> now = editing == "second" ? second : first;
    const Ref<LoggingField> other = editing == "second" ? first : second;
    EXPECT_EQ(now->currentEditor().get(), editor().get());
    EXPECT_EQ(w->window->firstResponder().get(), editor().get());
    EXPECT_EQ(other->currentEditor(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Keys, FieldEditorMovements,
    testing::Values(MovementCase { "Tab", KeyCodeTab, 0, 17, "second" }, MovementCase { "Backtab", KeyCodeTab, ShiftKeyMask, 18, "second" },
        MovementCase { "Return", KeyCodeReturn, 0, 16, "first" }),
    [](const auto& info) { return std::string(info.param.name); });

// After Return the field keeps the focus: Tab goes on from it, not from the top.
struct AfterReturnCase {
    const char* name;
    std::uint64_t flags;
    const char* nowEditing;
};

void PrintTo(const AfterReturnCase& c, std::ostream* os) { *os << c.name; }

class FieldEditorAfterReturn : public FieldEditorSessions, public testing::WithParamInterface<AfterReturnCase> { };

TEST_P(FieldEditorAfterReturn, TabMovesOnFromTheFieldThatEnded)
{
    const AfterReturnCase c = GetParam();
    auto third = make<LoggingField>(MakeRect(20, 60, 120, 22), &calls, "third");
    w->content->addSubview(third.get());
    const std::map<QString, TextField*> fields { { "first", first.get() }, { "second", second.get() }, { "third", third.get() } };
    ASSERT_TRUE(w->window->makeFirstResponder(second.get()));
    w->script->type("x");
    w->script->key(KeyCodeReturn);
    w->script->run();
    ASSERT_EQ(second->currentEditor().get(), editor().get());
    ASSERT_EQ(w->window->firstResponder().get(), editor().get());
    w->script->key(KeyCodeTab, {}, c.flags);
    w->script->type("9");
    w->script->run();
    EXPECT_EQ(fields.at(c.nowEditing)->currentEditor().get(), editor().get());
    EXPECT_EQ(second->stringValue(), QStringLiteral("x"));
    EXPECT_EQ(fields.at(c.nowEditing)->stringValue(), QStringLiteral("9"));
}

INSTANTIATE_TEST_SUITE_P(Keys, FieldEditorAfterReturn,
    testing::Values(AfterReturnCase { "Tab", 0, "third" }, AfterReturnCase { "Backtab", ShiftKeyMask, "first" }),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FieldEditorSessions, AfterReturnAViewMadeFirstResponderIsWhereTabStarts)
{
    auto third = make<LoggingField>(MakeRect(20, 60, 120, 22), &calls, "third");
    w->content->addSubview(third.get());
    ASSERT_TRUE(w->window->makeFirstResponder(first.get()));
    w->script->key(KeyCodeReturn);
    w->script->run();
    ASSERT_TRUE(w->window->makeFirstResponder(second.get()));
    ASSERT_TRUE(w->window->makeFirstResponder(w->window.get()));
    w->script->key(KeyCodeTab);
    w->script->run();
    EXPECT_EQ(third->currentEditor().get(), editor().get());
}

TEST_F(FieldEditorSessions, ReturnSendsTheActionElseReachesTheDefaultButton)
{
    auto target = make<RecordingTarget>();
    first->setTarget(target.get());
    first->setAction(Selector("act"));
    editFirst();
    w->script->key(KeyCodeReturn);
    w->script->run();
    ASSERT_EQ(target->calls.size(), 1u);
    EXPECT_EQ(target->calls[0].sender, first.get());

    // Without an action the Return key falls to the default button.
    auto button = make<Button>(MakeRect(200, 20, 80, 24));
    button->setKeyEquivalent("\r");
    auto buttonTarget = make<RecordingTarget>();
    button->setTarget(buttonTarget.get());
    button->setAction(Selector("act"));
    w->content->addSubview(button.get());
    first->setAction(Selector());
    w->window->makeFirstResponder(second.get());
    w->script->key(KeyCodeReturn);
    w->script->run();
    EXPECT_EQ(buttonTarget->calls.size(), 1u);
}

// A one-line field has no use for Escape: it goes on to the window, which presses its Escape button.
TEST_F(FieldEditorSessions, EscapeGoesOnToTheWindowsEscapeButton)
{
    auto button = make<Button>(MakeRect(200, 20, 80, 24));
    button->setKeyEquivalent(QString(QChar(0x1B)));
    auto target = make<RecordingTarget>();
    button->setTarget(target.get());
    button->setAction(Selector("act"));
    w->content->addSubview(button.get());
    editFirst();
    BeepRecorder beeps;
    w->script->key(KeyCodeEscape, QString(QChar(0x1B)));
    w->script->run();
    ASSERT_EQ(target->calls.size(), 1u);
    EXPECT_EQ(target->calls[0].sender, button.get());
    EXPECT_EQ(editor()->string(), QStringLiteral("one"));
    EXPECT_EQ(beeps.count(), 0);
}

TEST_F(FieldEditorSessions, ARefusedEndBeepsAndEditingGoesOn)
{
    BeepRecorder beeps;
    const auto delegate = make<FieldDelegate>();
    delegate->allowEnd = false;
    first->setDelegate(delegate.get());
    editFirst();
    w->script->type("z");
    w->script->key(KeyCodeTab);
    w->script->run();
    EXPECT_EQ(beeps.count(), 1);
    EXPECT_EQ(calls.count("first: textDidEndEditing"), 0);
    EXPECT_EQ(w->window->firstResponder().get(), editor().get());
    EXPECT_EQ(first->currentEditor().get(), editor().get());

    // The focus path is refused too: the press on the other field changes nothing.
    w->script->click(centerOf(second.get()));
    w->script->run();
    EXPECT_EQ(first->currentEditor().get(), editor().get());
    EXPECT_EQ(calls.count("first: textDidEndEditing"), 0);

    // Typing goes on in the same session.
    w->script->type("q");
    w->script->run();
    EXPECT_EQ(editor()->string(), QStringLiteral("zq"));
}

TEST_F(FieldEditorSessions, ARefusedBeginChangesNothing)
{
    const auto delegate = make<FieldDelegate>();
    delegate->allowBegin = false;
    first->setDelegate(delegate.get());
    editFirst();
    w->script->type("z");
    w->script->run();
    EXPECT_EQ(editor()->string(), QStringLiteral("one"));
    EXPECT_EQ(calls.count("first: textDidChange"), 0);
    EXPECT_EQ(calls.count("first: textDidBeginEditing"), 0);
}

TEST_F(FieldEditorSessions, APressOnAnotherFieldEndsTheSessionBeforeThatFieldBecomesFirst)
{
    editFirst();
    w->script->type("new");
    w->script->click(centerOf(second.get()));
    w->script->run();
    const QStringList order = calls.only({ "first:", "second:" });
    const auto endAt = order.indexOf("first: textDidEndEditing 0");
    const auto becomeAt = order.indexOf("second: becomeFirstResponder");
    ASSERT_GE(endAt, 0);
    ASSERT_GE(becomeAt, 0);
    EXPECT_LT(endAt, becomeAt);
    EXPECT_EQ(first->stringValue(), QStringLiteral("new"));
    EXPECT_EQ(second->currentEditor().get(), editor().get());
}

TEST_F(FieldEditorSessions, EndEditingForSendsTheEndMessageWhateverTheAnswer)
{
    const auto delegate = make<FieldDelegate>();
    delegate->allowEnd = false;
    first->setDelegate(delegate.get());
    editFirst();
    w->script->type("5");
    w->script->run();
    w->window->endEditingFor(nullptr);
    EXPECT_EQ(calls.count("first: textDidEndEditing"), 1);
    EXPECT_EQ(calls.only({ "first:" }).last(), QStringLiteral("first: textDidEndEditing 0"));
    EXPECT_EQ(first->stringValue(), QStringLiteral("5"));
    EXPECT_EQ(first->currentEditor(), nullptr);
    EXPECT_EQ(w->window->firstResponder().get(), w->window.get());
}

TEST_F(FieldEditorSessions, CellEndEditingAndAbortStoreNothingAndSendNoEndMessage)
{
    editFirst();
    w->script->type("lost");
    w->script->run();
    first->cell()->endEditing(editor().get());
    EXPECT_EQ(calls.count("first: textDidEndEditing"), 0);
    EXPECT_EQ(first->stringValue(), QStringLiteral("one"));
    EXPECT_EQ(first->currentEditor(), nullptr);
    EXPECT_EQ(editor()->superview(), nullptr);
    EXPECT_EQ(w->window->firstResponder().get(), w->window.get());

    w->window->makeFirstResponder(second.get());
    w->script->type("gone");
    w->script->run();
    calls.clear();
    EXPECT_TRUE(second->abortEditing());
    EXPECT_FALSE(second->abortEditing());
    EXPECT_EQ(calls.count("second: textDidEndEditing"), 0);
    EXPECT_EQ(second->stringValue(), QStringLiteral("two"));
}

TEST_F(FieldEditorSessions, EndEditingOfAnotherCellOrANullEditorLeavesTheSessionAlone)
{
    editFirst();
    second->cell()->endEditing(editor().get());
    first->cell()->endEditing(nullptr);
    EXPECT_EQ(first->currentEditor().get(), editor().get());
    EXPECT_EQ(w->window->firstResponder().get(), editor().get());
}

TEST_F(FieldEditorSessions, AFieldLeavingItsWindowWhileEditedAbortsTheSession)
{
    editFirst();
    w->script->type("x");
    w->script->run();
    const Ref<TextView> e = editor();
    first->removeFromSuperview();
    EXPECT_EQ(calls.count("first: textDidEndEditing"), 0);
    EXPECT_EQ(e->superview(), nullptr);
    EXPECT_EQ(w->window->firstResponder().get(), w->window.get());
}

TEST_F(FieldEditorSessions, NestedEndRequestsInsideTheEndSequenceDoNothing)
{
    editFirst();
    int ends = 0;
    first->onEnd = [&](Notification*) {
        ++ends;
        EXPECT_TRUE(editor()->resignFirstResponder());
        EXPECT_TRUE(w->window->makeFirstResponder(nullptr));
        w->window->endEditingFor(nullptr);
    };
    w->script->key(KeyCodeTab);
    w->script->run();
    EXPECT_EQ(ends, 1);
    EXPECT_EQ(calls.count("first: textShouldEndEditing"), 1);
}

TEST_F(FieldEditorSessions, ASessionStartedInsideTheEndMessageIsNotTouchedByTheOldOnesTail)
{
    editFirst();
    // Like a date control moving to its next part: the delegate starts the next session itself.
    first->afterEnd = [&](Notification*) { w->window->makeFirstResponder(second.get()); };
    w->script->key(KeyCodeReturn);
    w->script->run();
    EXPECT_EQ(second->currentEditor().get(), editor().get());
    EXPECT_EQ(w->window->firstResponder().get(), editor().get());
    w->script->type("k");
    w->script->run();
    EXPECT_EQ(second->stringValue(), QStringLiteral("k"));
}

// A session delegate that is not a control (a grid's cell area), dropped while the end runs.
class AreaDelegate : public View, public kit::TextDelegate {
    KIT_CLASS(AreaDelegate)

    using View::View;
    void textDidEndEditing(Notification* n) override
    {
        ended = true;
        if (onEnd)
            onEnd(n);
    }
    std::function<void(Notification*)> onEnd;
    bool ended = false;
};

KIT_REGISTER_CLASS(AreaDelegate, View) { c.optionalOperation(TextDidEndEditingOperation); }

TEST_F(FieldEditorSessions, ADelegateFreedInsideTheEndSequenceStaysAliveUntilItReturns)
{
    auto area = make<AreaDelegate>(MakeRect(150, 20, 100, 60));
    w->content->addSubview(area.get());
    const Ref<Responder> e = w->window->fieldEditorForObject(true, area.get());
    auto cell = make<TextFieldCell>(QStringLiteral("cell"));
    cell->setEditable(true);
    cell->setUpFieldEditorAttributes(e.get());
    cell->selectWithFrameInViewEditorDelegateStartLength(MakeRect(0, 0, 100, 20), area.get(), e.get(), area.get(), 0, 4);
    ASSERT_EQ(w->window->firstResponder().get(), e.get());
    Weak<AreaDelegate> weak(area.get());
    area->onEnd = [&](Notification*) {
        cell->endEditing(e.get());
        area->removeFromSuperview();
        area = nullptr; // the last owner lets go inside the end message
    };
    w->script->key(KeyCodeTab);
    w->script->run();
    EXPECT_FALSE(weak.lock());
}

TEST_F(FieldEditorSessions, CommandKeysReachTheEditorThroughTheBindingTable)
{
    editFirst();
    w->script->key(KeyCodeA, "a", CommandKeyMask);
    w->script->key(KeyCodeC, "c", CommandKeyMask);
    w->script->run();
    EXPECT_EQ(Pasteboard::generalPasteboard()->stringForType(StringPboardType), QStringLiteral("one"));
    w->script->key(KeyCodeRightArrow);
    w->script->key(KeyCodeV, "v", CommandKeyMask);
    w->script->run();
    EXPECT_EQ(editor()->string(), QStringLiteral("oneone"));
    w->script->key(KeyCodeA, "a", CommandKeyMask);
    w->script->key(KeyCodeX, "x", CommandKeyMask);
    w->script->run();
    EXPECT_EQ(editor()->string(), QString());
    EXPECT_EQ(Pasteboard::generalPasteboard()->stringForType(StringPboardType), QStringLiteral("oneone"));
}

TEST_F(FieldEditorSessions, TheEditorLineSitsWhereTheCellDrawsItsTitle)
{
    editFirst();
    const Ref<TextView> e = editor();
    const Rect title = first->cell()->titleRectForBounds(first->bounds());
    // The text starts at the title's x (the editor's padding is the cell's inset) and the line is
    // centred on the title rectangle.
    EXPECT_DOUBLE_EQ(e->frame().minX() + e->textContainer()->lineFragmentPadding(), title.minX());
    EXPECT_NEAR(e->frame().midY(), title.midY(), 0.5);
}

TEST_F(FieldEditorSessions, TheEditorScrollsSidewaysToKeepTheCaretInView)
{
    editFirst();
    w->script->type("a rather long line that cannot fit in the field");
    w->script->run();
    const Ref<TextView> e = editor();
    EXPECT_LT(e->textContainerOrigin().x, 0);
    const Rect caret = e->insertionPointRect(e->selectedRange().location);
    EXPECT_GE(caret.minX(), 0);
    EXPECT_LE(caret.maxX(), e->bounds().width());
    // Back at the start, the text is back at its place.
    w->script->key(KeyCodeHome);
    w->script->run();
    EXPECT_DOUBLE_EQ(e->textContainerOrigin().x, 0);
}

// A token: one U+FFFC whose cell draws a box.
class TokenCell : public TextAttachmentCell {
public:
    Size cellSize() const override { return { 30, 14 }; }
    void drawWithFrameInView(Rect, View*) override { ++draws; }
    int draws = 0;
};

TEST_F(FieldEditorSessions, TokensAreAttachmentsTheEditorDrawsAndMovesOver)
{
    editFirst();
    const Ref<TextView> e = editor();
    auto cell = make<TokenCell>();
    e->textStorage()->setAttributedString(TextAttachment::attributedStringWithAttachment(make<TextAttachment>(cell)));
    e->textStorage()->appendAttributedString(AttributedString(QStringLiteral("x")));
    w->window->display();
    EXPECT_GT(cell->draws, 0);
    const Rect box = e->layoutManager()->boundingRectForGlyphRangeInTextContainer({ 0, 1 }, e->textContainer().get());
    EXPECT_DOUBLE_EQ(box.width(), 30);
    e->setSelectedRange({ 2, 0 });
    w->script->key(KeyCodeLeftArrow).key(KeyCodeLeftArrow);
    w->script->run();
    EXPECT_EQ(e->selectedRange().location, 0);
    w->script->key(KeyCodeForwardDelete);
    w->script->run();
    EXPECT_EQ(e->string(), QStringLiteral("x"));
}

TEST_F(FieldEditorSessions, TheEditedTextSitsOnThePixelsTheCellDrewIt)
{
    first->setStringValue("Hello");
    const QImage drawn = w->window->snapshot();
    ASSERT_TRUE(w->window->makeFirstResponder(first.get()));
    const Ref<TextView> e = editor();
    e->setSelectedRange({ 0, 0 }); // the caret at the start, left of the compared text
    const QImage edited = w->window->snapshot();

    const Rect title = first->convertRectToView(first->cell()->titleRectForBounds(first->bounds()), nullptr);
    EXPECT_EQ(differingTextPixels(drawn, edited, title), 0);
}

TEST(TextFieldCoding, AFieldComesBackFromAnArchiveWithItsLook)
{
    auto field = make<TextField>(MakeRect(0, 0, 200, 22));
    field->setStringValue("address");
    field->setPlaceholderString("Your e-mail");
    field->setTextColor(Color::redColor());
    field->setDrawsBackground(false);
    field->setEditable(false);
    QString error;
    const Value back
        = KeyedUnarchiver::unarchiveTopLevelObjectWithDataError(KeyedArchiver::archivedDataWithRootObject(Value(field)), &error);
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    const auto decoded = back.objectAs<TextField>();
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->stringValue(), QStringLiteral("address"));
    EXPECT_EQ(decoded->placeholderString(), QStringLiteral("Your e-mail"));
    ASSERT_TRUE(decoded->textColor());
    EXPECT_EQ(decoded->textColor()->toQColor(), QColor(Qt::red));
    EXPECT_FALSE(decoded->drawsBackground());
    EXPECT_FALSE(decoded->isEditable());
    EXPECT_TRUE(decoded->isSelectable());
}

} // namespace
