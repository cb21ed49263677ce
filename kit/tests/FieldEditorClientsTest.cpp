// The field editor as the kit's own clients use it: a control editing parts of itself with its
// cells (a date-like control), a view that starts a session on a key and then sets the text (a
// grid-like view), and a key-recording control beside an edited field.

#include "kit/appkit/FieldEditing.h"
#include "kit/appkit/KeyCodes.h"
#include "kit/controls/TextField.h"
#include "kit/controls/TextFieldCell.h"
#include "kit/testsupport/CallRecorder.h"
#include "kit/text/TextView.h"
#include "kit/tests/ControlsTestSupport.h"

#include <gtest/gtest.h>

#include <array>

namespace {

using namespace kit;
using namespace kit::test;

// Three numeric parts edited in place, as a compact date control does it.
class PartsControl : public Control, public TextViewDelegate {
    KIT_CLASS(PartsControl)

    explicit PartsControl(Rect frame)
        : Control(frame)
    {
        for (int i = 0; i < 3; ++i) {
            cells[i] = make<TextFieldCell>(QStringLiteral("0"));
            cells[i]->setEditable(true);
            cells[i]->setAlignment(RightTextAlignment);
            cells[i]->setControlView(this);
            rects[i] = MakeRect(4 + 40 * i, 4, 36, 20);
        }
    }
    bool isFlipped() const override { return true; }
    bool acceptsFirstResponder() const override { return true; }
    bool becomeFirstResponder() override
    {
        if (!Control::becomeFirstResponder())
            return false;
        const Ref<Window> w = window();
        editPart(w && w->keyViewSelectionDirection() == SelectingPrevious ? 2 : 0);
        return true;
    }
    void mouseDown(const Event& event) override
    {
        const Point p = convertPointFromView(event.locationInWindow(), nullptr);
        for (int i = 0; i < 3; ++i) {
            if (!mouseInRect(p, rects[i]))
                continue;
            if (editing && i == selected)
                return;
            if (editing)
                editOff();
            else if (window()->firstResponder().get() != editorOrNull().get())
                window()->makeFirstResponder(this);
            editPart(i);
            return;
        }
    }
    Ref<Responder> editorOrNull() const { return window() ? window()->fieldEditorForObject(false, nullptr) : nullptr; }
    void editPart(int i)
    {
        const Ref<Responder> editor = window()->fieldEditorForObject(true, this);
        cells[i]->setUpFieldEditorAttributes(editor.get());
        cells[i]->selectWithFrameInViewEditorDelegateStartLength(rects[i], this, editor.get(), this, 0, cells[i]->stringValue().size());
        editing = true;
        selected = i;
    }
    void editOff()
    {
        cells[selected]->endEditing(editorOrNull().get());
        editing = false;
    }
    bool textViewShouldChangeTextInRangeReplacementString(TextView*, Range range, const QString& replacement) override
    {
        if (range.location > 3 || range.length > 4)
            return false;
        for (QChar c : replacement)
            if (!c.isDigit())
                return false;
        return true;
    }
    void textDidEndEditing(Notification* n) override
    {
        auto* editor = dynamic_cast<FieldEditing*>(n->object().get());
        bool ok = false;
        const int value = editor->editorString().toInt(&ok);
        if (ok)
            values[selected] = value;
        cells[selected]->setIntegerValue(values[selected]);
        cells[selected]->endEditing(dynamic_cast<Responder*>(n->object().get()));
        editing = false;
        ends.record("end " + QString::number(n->userInfo().objectForKey(Value(TextMovementKey)).integerValue()));
        const std::int64_t movement = n->userInfo().objectForKey(Value(TextMovementKey)).integerValue();
        if (movement == TabTextMovement) {
            if (selected < 2) {
                editPart(selected + 1);
            } else {
                window()->selectKeyViewFollowingView(this);
                if (window()->firstResponder().get() == window().get())
                    editPart(0);
            }
        } else if (movement == BacktabTextMovement) {
            if (selected > 0) {
                editPart(selected - 1);
            } else {
                window()->selectKeyViewPrecedingView(this);
                if (window()->firstResponder().get() == window().get())
                    editPart(2);
            }
        }
    }

    std::array<Ref<TextFieldCell>, 3> cells;
    std::array<Rect, 3> rects;
    std::array<int, 3> values { 0, 0, 0 };
    bool editing = false;
    int selected = 0;
    CallRecorder ends;
};

KIT_REGISTER_CLASS(PartsControl, Control)
{
    c.optionalOperations({ TextViewShouldChangeTextInRangeReplacementStringOperation, TextDidEndEditingOperation });
}

class PartsEditing : public testing::Test {
protected:
    void SetUp() override
    {
        w.emplace(Size { 300, 120 });
        parts = make<PartsControl>(MakeRect(20, 40, 130, 28));
        w->content->addSubview(parts.get());
    }
    void TearDown() override { w.reset(); }
    Ref<TextView> editor() const { return dynamic_pointer_cast<TextView>(w->window->fieldEditorForObject(false, nullptr)); }
    Point partPoint(int i) const
    {
        const Rect r = parts->convertRectToView(parts->rects[i], nullptr);
        return MakePoint(r.midX(), r.midY());
    }

    std::optional<ControlWindow> w;
    Ref<PartsControl> parts;
};

TEST_F(PartsEditing, DigitsOnlyAndTabMovesThroughThePartsThenWraps)
{
    ASSERT_TRUE(w->window->makeFirstResponder(parts.get()));
    EXPECT_EQ(w->window->firstResponder().get(), editor().get());
    w->script->type("1a2").key(KeyCodeTab).type("3").key(KeyCodeTab).type("2024").key(KeyCodeTab);
    w->script->run();
    EXPECT_EQ(parts->values, (std::array<int, 3> { 12, 3, 2024 }));
    EXPECT_EQ(parts->ends.calls(), QStringList({ "end 17", "end 17", "end 17" }));
    // No other key view: the window took first responder and the first part is edited again.
    EXPECT_TRUE(parts->editing);
    EXPECT_EQ(parts->selected, 0);
    EXPECT_EQ(w->window->firstResponder().get(), editor().get());
}

TEST_F(PartsEditing, APressOnAnotherPartKeepsTheTypedDigits)
{
    w->window->makeFirstResponder(parts.get());
    w->script->type("07").click(partPoint(1));
    w->script->run();
    EXPECT_EQ(parts->values[0], 7);
    EXPECT_EQ(parts->selected, 1);
    EXPECT_EQ(w->window->firstResponder().get(), editor().get());
    EXPECT_EQ(editor()->superview().get(), parts.get());
}

// A grid-like view: a key starts a session over a cell, then the typed text replaces the editor's.
class GridLike : public View, public kit::TextDelegate {
    KIT_CLASS(GridLike)

    using View::View;
    bool acceptsFirstResponder() const override { return true; }
    void keyDown(const Event& event) override
    {
        const QString typed = event.characters();
        if (typed.isEmpty() || typed.at(0).unicode() < 0x20) {
            View::keyDown(event);
            return;
        }
        const Ref<Responder> editor = window()->fieldEditorForObject(true, this);
        cell->setUpFieldEditorAttributes(editor.get());
        cell->editWithFrameInViewEditorDelegateEvent(MakeRect(10, 10, 80, 20), this, editor.get(), this, nullptr);
        dynamic_cast<FieldEditing*>(editor.get())->setEditorString(typed);
    }
    void textDidEndEditing(Notification* n) override
    {
        stored = dynamic_cast<FieldEditing*>(n->object().get())->editorString();
        cell->endEditing(dynamic_cast<Responder*>(n->object().get()));
        window()->makeFirstResponder(this);
    }
    Ref<TextFieldCell> cell = make<TextFieldCell>(QStringLiteral("old"));
    QString stored;
};

KIT_REGISTER_CLASS(GridLike, View) { c.optionalOperation(TextDidEndEditingOperation); }

TEST(FieldEditorClients, TypingIntoAGridLikeViewStoresEverythingTyped)
{
    ControlWindow w;
    auto grid = make<GridLike>(MakeRect(10, 10, 200, 100));
    grid->cell->setEditable(true);
    w.content->addSubview(grid.get());
    w.window->makeFirstResponder(grid.get());
    w.script->type("ab").key(KeyCodeReturn);
    w.script->run();
    EXPECT_EQ(grid->stored, QStringLiteral("ab"));
    EXPECT_EQ(w.window->firstResponder().get(), grid.get());
}

// Answers key equivalents only as first responder, as a shortcut recorder does.
class RecorderLike : public View {
    KIT_CLASS(RecorderLike)

    using View::View;
    bool acceptsFirstResponder() const override { return true; }
    bool performKeyEquivalent(const Event& event) override
    {
        if (window()->firstResponder().get() != this)
            return false;
        recorded << event.charactersIgnoringModifiers();
        return true;
    }
    void mouseDown(const Event&) override { }
    QStringList recorded;
};

KIT_REGISTER_CLASS(RecorderLike, View) { }

TEST(FieldEditorClients, AFieldEditedBesideAKeyRecorder)
{
    ControlWindow w;
    auto field = make<TextField>(MakeRect(10, 60, 150, 22));
    field->setStringValue("value");
    auto recorder = make<RecorderLike>(MakeRect(10, 20, 150, 22));
    w.content->addSubview(field.get());
    w.content->addSubview(recorder.get());
    w.window->makeFirstResponder(field.get());
    const Ref<TextView> editor = dynamic_pointer_cast<TextView>(w.window->fieldEditorForObject(false, nullptr));
    ASSERT_TRUE(editor);

    // The recorder is not first responder: Ctrl+A reaches the editor through the binding table.
    editor->setSelectedRange({ 5, 0 });
    w.script->key(KeyCodeA, "a", CommandKeyMask);
    w.script->run();
    EXPECT_TRUE(recorder->recorded.isEmpty());
    EXPECT_EQ(editor->selectedRange().length, 5);

    // A press on the recorder ends the session through the focus path, value kept.
    w.script->type("new");
    const Rect r = recorder->convertRectToView(recorder->bounds(), nullptr);
    w.script->click(MakePoint(r.midX(), r.midY()));
    w.script->run();
    EXPECT_EQ(field->stringValue(), QStringLiteral("new"));
    EXPECT_EQ(field->currentEditor(), nullptr);
    EXPECT_EQ(w.window->firstResponder().get(), recorder.get());

    // Recording: the keys go to the recorder, none to an editor.
    w.script->key(KeyCodeA, "a", CommandKeyMask);
    w.script->run();
    EXPECT_EQ(recorder->recorded, QStringList({ "a" }));
    EXPECT_EQ(editor->string(), QStringLiteral("new"));
}

} // namespace
