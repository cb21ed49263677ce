#include "kit/appkit/KeyCodes.h"
#include "kit/appkit/Pasteboard.h"
#include "kit/graphics/StringDrawing.h"
#include "kit/testsupport/CallRecorder.h"
#include "kit/text/LayoutManager.h"
#include "kit/text/TextStorage.h"
#include "kit/text/TextView.h"
#include "kit/tests/ControlsTestSupport.h"
#include "kit/tests/TextViewTestSupport.h"

#include <QCoreApplication>
#include <QInputMethodEvent>
#include <QUrl>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <map>

namespace {

using namespace kit;
using namespace kit::test;

// Records the proposals mouse selection makes.
class ProposalView : public TextView {
    KIT_CLASS(ProposalView)

    using TextView::TextView;
    Range selectionRangeForProposedRangeGranularity(Range proposed, SelectionGranularity granularity) override
    {
        granularities.push_back(granularity);
        const Range r = TextView::selectionRangeForProposedRangeGranularity(proposed, granularity);
        return clip ? IntersectionRange(r, *clip) : r;
    }
    void setSelectedRange(Range range) override
    {
        ++programmatic;
        TextView::setSelectedRange(range);
    }
    std::vector<SelectionGranularity> granularities;
    std::optional<Range> clip;
    int programmatic = 0;
};

KIT_REGISTER_CLASS(ProposalView, TextView) { }

class TextViewEditing : public testing::Test {
protected:
    void SetUp() override
    {
        w.emplace(Size { 400, 300 });
        view = make<ProposalView>(MakeRect(10, 10, 380, 280));
        w->content->addSubview(view.get());
        delegate = make<PipelineDelegate>();
        view->setString("hello world");
        view->setDelegate(delegate.get());
        w->window->makeFirstResponder(view.get());
        delegate->calls.clear();
    }
    void TearDown() override { w.reset(); }

    QStringList changes() const { return delegate->calls.only({ "shouldChange", "textDidChange" }); }
    // The point (base coordinates) at the middle of character `index`'s glyph box.
    Point glyphPoint(std::int64_t index)
    {
        const Rect box = view->layoutManager()->boundingRectForGlyphRangeInTextContainer({ index, 1 }, view->textContainer().get());
        const Point o = view->textContainerOrigin();
        return view->convertPointToView(MakePoint(box.midX() + o.x, box.midY() + o.y), nullptr);
    }

    std::optional<ControlWindow> w;
    Ref<ProposalView> view;
    Ref<PipelineDelegate> delegate;
};

TEST_F(TextViewEditing, SetStringReplacesEverythingAndPutsTheCaretAtTheEnd)
{
    view->setString("abc");
    EXPECT_EQ(view->string(), QStringLiteral("abc"));
    EXPECT_EQ(rangeText(view->selectedRange()), QStringLiteral("{3,0}"));
    w->script->type("d");
    w->script->run();
    EXPECT_EQ(view->string(), QStringLiteral("abcd"));
}

struct EditPathCase {
    const char* name;
    std::function<void(TextView&, EventScript&)> act;
    const char* expectedChange;
    const char* expectedText;
};

void PrintTo(const EditPathCase& c, std::ostream* os) { *os << c.name; }

class EditPaths : public TextViewEditing, public testing::WithParamInterface<EditPathCase> { };

TEST_P(EditPaths, EachUserPathAsksOnceWithItsRangeAndString)
{
    const EditPathCase c = GetParam();
    Pasteboard::generalPasteboard()->declareTypesOwner({ StringPboardType }, nullptr);
    Pasteboard::generalPasteboard()->setStringForType("XY", StringPboardType);
    view->setSelectedRange({ 5, 0 });
    delegate->calls.clear();
    c.act(*view, *w->script);
    w->script->run();
    EXPECT_EQ(changes(), QStringList({ QString::fromUtf8(c.expectedChange), "textDidChange" }));
    EXPECT_EQ(view->string(), QString::fromUtf8(c.expectedText));
}

INSTANTIATE_TEST_SUITE_P(Paths, EditPaths,
    testing::Values(EditPathCase { "Typing", [](TextView&, EventScript& s) { s.type("!"); }, "shouldChange {5,0} \"!\"", "hello! world" },
        EditPathCase { "InsertText", [](TextView& v, EventScript&) { v.insertText("++"); }, "shouldChange {5,0} \"++\"", "hello++ world" },
        EditPathCase { "DeleteBackward", [](TextView&, EventScript& s) { s.key(KeyCodeDelete); }, "shouldChange {4,1} \"\"", "hell world" },
        EditPathCase { "DeleteForward", [](TextView&, EventScript& s) { s.key(KeyCodeForwardDelete); }, "shouldChange {5,1} \"\"", "helloworld" },
        EditPathCase { "DeleteWordBackward", [](TextView&, EventScript& s) { s.key(KeyCodeDelete, {}, CommandKeyMask); }, "shouldChange {0,5} \"\"",
            " world" },
        EditPathCase { "Paste", [](TextView&, EventScript& s) { s.key(KeyCodeV, "v", CommandKeyMask); }, "shouldChange {5,0} \"XY\"", "helloXY world" },
        EditPathCase { "Return", [](TextView&, EventScript& s) { s.key(KeyCodeReturn); }, "shouldChange {5,0} \"\n\"", "hello\n world" },
        EditPathCase { "Tab", [](TextView&, EventScript& s) { s.key(KeyCodeTab); }, "shouldChange {5,0} \"\t\"", "hello\t world" },
        EditPathCase { "AltReturn", [](TextView&, EventScript& s) { s.key(KeyCodeReturn, {}, AlternateKeyMask); }, "shouldChange {5,0} \"\n\"",
            "hello\n world" }),
    [](const auto& info) { return std::string(info.param.name); });

// Tab keys in a text view between two other key views: an editable view types Tab, every other
// Tab key leaves it, Ctrl+Tab from any text view.
struct LeaveCase {
    const char* name;
    bool editable;
    std::uint64_t flags;
    const char* focus; // "above", "below" or "view"
    const char* text;
};

void PrintTo(const LeaveCase& c, std::ostream* os) { *os << c.name; }

class TabKeys : public TextViewEditing, public testing::WithParamInterface<LeaveCase> { };

TEST_P(TabKeys, LeaveTheViewUnlessAnEditableOneTypesTheTab)
{
    const LeaveCase c = GetParam();
    // Key-view order by place: above, the view, below.
    const auto above = make<TextView>(MakeRect(10, 292, 100, 6));
    const auto below = make<TextView>(MakeRect(390, 2, 8, 8));
    w->content->addSubview(above.get());
    w->content->addSubview(below.get());
    view->setEditable(c.editable);
    view->setSelectedRange({ 5, 0 });
    BeepRecorder beeps;
    w->script->key(KeyCodeTab, {}, c.flags);
    w->script->run();
    const std::map<std::string, Object*> views { { "above", above.get() }, { "below", below.get() }, { "view", view.get() } };
    EXPECT_EQ(static_cast<Object*>(w->window->firstResponder().get()), views.at(c.focus));
    EXPECT_EQ(view->string(), QString::fromUtf8(c.text));
    EXPECT_EQ(beeps.count(), 0);
}

INSTANTIATE_TEST_SUITE_P(Keys, TabKeys,
    testing::Values(LeaveCase { "EditableTab", true, 0, "view", "hello\t world" },
        LeaveCase { "EditableBacktab", true, ShiftKeyMask, "above", "hello world" },
        LeaveCase { "EditableCtrlTab", true, CommandKeyMask, "below", "hello world" },
        LeaveCase { "EditableCtrlShiftTab", true, CommandKeyMask | ShiftKeyMask, "above", "hello world" },
        LeaveCase { "ReadOnlyTab", false, 0, "below", "hello world" },
        LeaveCase { "ReadOnlyBacktab", false, ShiftKeyMask, "above", "hello world" },
        LeaveCase { "ReadOnlyCtrlTab", false, CommandKeyMask, "below", "hello world" },
        LeaveCase { "ReadOnlyCtrlShiftTab", false, CommandKeyMask | ShiftKeyMask, "above", "hello world" }),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(TextViewEditing, ARefusedChangeChangesNothingAndSendsNoDidChange)
{
    delegate->allowChange = false;
    view->setSelectedRange({ 0, 5 });
    delegate->calls.clear();
    w->script->type("x").key(KeyCodeDelete);
    w->script->run();
    view->insertText("y");
    EXPECT_EQ(view->string(), QStringLiteral("hello world"));
    EXPECT_EQ(delegate->calls.count("textDidChange"), 0);
    EXPECT_EQ(delegate->calls.count("shouldChange"), 3);
    EXPECT_EQ(rangeText(view->selectedRange()), QStringLiteral("{0,5}"));
}

TEST_F(TextViewEditing, TypedTextTakesTheTypingAttributes)
{
    const Ref<Color> red = Color::redColor();
    Dictionary typing = view->attributesForInsertion();
    typing.setObjectForKey(Value(red), Value(ForegroundColorAttributeName));
    view->setTypingAttributes(typing);
    view->setSelectedRange({ 11, 0 });
    w->script->type("!");
    w->script->run();
    const Value colour = view->textStorage()->attributeAtIndexEffectiveRange(ForegroundColorAttributeName, 11, nullptr);
    EXPECT_EQ(colour.object().get(), red.get());
}

TEST_F(TextViewEditing, TheSelectionHookRunsForEveryChangeThatIsNotStillSelecting)
{
    view->setSelectedRange({ 1, 2 });
    EXPECT_EQ(delegate->calls.calls(), QStringList({ "willChangeSelection {1,2}" }));
    delegate->calls.clear();
    w->script->type("Z");
    w->script->run();
    // After typing: the caret after the new text, through the hook, before textDidChange.
    EXPECT_EQ(delegate->calls.only({ "willChangeSelection", "textDidChange" }),
        QStringList({ "willChangeSelection {2,0}", "textDidChange" }));

    // A storage edit over the selection moves it to the end of the replacement, through the hook.
    view->setSelectedRange({ 0, 4 });
    delegate->calls.clear();
    view->textStorage()->replaceCharactersInRangeWithString({ 1, 2 }, "____");
    EXPECT_EQ(delegate->calls.calls(), QStringList({ "willChangeSelection {5,0}" }));
    EXPECT_EQ(rangeText(view->selectedRange()), QStringLiteral("{5,0}"));
}

TEST_F(TextViewEditing, TheHooksAnswerIsTheSelection)
{
    delegate->selectionAnswer = [](Range) { return Range { 0, 1 }; };
    view->setSelectedRange({ 4, 3 });
    EXPECT_EQ(rangeText(view->selectedRange()), QStringLiteral("{0,1}"));
}

// A view whose change hook replaces a placeholder itself and answers NO, as a form does.
class PlaceholderView : public TextView {
    KIT_CLASS(PlaceholderView)

    using TextView::TextView;
    bool shouldChangeTextInRangeReplacementString(Range range, const QString& replacement) override
    {
        ++asked;
        if (range.location == placeholder.location && range.length == placeholder.length) {
            textStorage()->replaceCharactersInRangeWithString(range, replacement.isEmpty() ? QStringLiteral("<value>") : replacement);
            placeholder = { range.location, replacement.isEmpty() ? 7 : replacement.size() };
            return false;
        }
        return TextView::shouldChangeTextInRangeReplacementString(range, replacement);
    }
    Range placeholder { 6, 7 };
    int asked = 0;
};

KIT_REGISTER_CLASS(PlaceholderView, TextView) { }

TEST_F(TextViewEditing, AnOverrideMayEditTheStorageAndAnswerNo)
{
    auto form = make<PlaceholderView>(MakeRect(10, 10, 300, 100));
    w->content->addSubview(form.get());
    form->setString("Name: <value>\nnext");
    w->window->makeFirstResponder(form.get());
    form->setSelectedRange({ 6, 7 });
    w->script->type("J");
    w->script->run();
    EXPECT_EQ(form->asked, 1);
    EXPECT_EQ(form->string(), QStringLiteral("Name: J\nnext"));
    // The selection moved to the end of the replacement, so the next key appends.
    EXPECT_EQ(rangeText(form->selectedRange()), QStringLiteral("{7,0}"));
    w->script->type("o");
    w->script->run();
    EXPECT_EQ(form->string(), QStringLiteral("Name: Jo\nnext"));
    EXPECT_EQ(form->textStorage()->runs().size(), 1u);
}

TEST_F(TextViewEditing, ClustersAreNeverSplitByTheCaretOrDelete)
{
    // "e" + combining acute, then a non-BMP emoji.
    const QString text = QStringLiteral("ae\u0301") + QString::fromUcs4(U"\U0001F600") + QStringLiteral("z");
    view->setString(text);
    view->setSelectedRange({ 5, 0 }); // before "z"
    w->script->key(KeyCodeLeftArrow);
    w->script->run();
    EXPECT_EQ(view->selectedRange().location, 3);
    w->script->key(KeyCodeLeftArrow);
    w->script->run();
    EXPECT_EQ(view->selectedRange().location, 1);
    view->setSelectedRange({ 3, 0 });
    w->script->key(KeyCodeDelete);
    w->script->run();
    EXPECT_EQ(view->string(), QStringLiteral("a") + QString::fromUcs4(U"\U0001F600") + QStringLiteral("z"));
    w->script->key(KeyCodeForwardDelete);
    w->script->run();
    EXPECT_EQ(view->string(), QStringLiteral("az"));
}

TEST_F(TextViewEditing, ClicksProposeByCharacterWordAndParagraph)
{
    view->setString("one two\nthree");
    view->granularities.clear();
    const Point p = glyphPoint(5);
    w->script->click(p);
    w->script->run();
    EXPECT_EQ(view->granularities.back(), SelectByCharacter);
    EXPECT_EQ(view->selectedRange().length, 0);
    w->script->click(p);
    w->script->run();
    EXPECT_EQ(view->granularities.back(), SelectByWord);
    EXPECT_EQ(rangeText(view->selectedRange()), QStringLiteral("{4,3}"));
    w->script->click(p);
    w->script->run();
    EXPECT_EQ(view->granularities.back(), SelectByParagraph);
    EXPECT_EQ(rangeText(view->selectedRange()), QStringLiteral("{0,8}"));
}

TEST_F(TextViewEditing, ADragSelectsThroughTheProposalHookAndTheSelectionHookSeesOnlyTheEnd)
{
    view->setString("abcdefghij");
    view->clip = Range { 0, 6 };
    delegate->calls.clear();
    w->script->mouseDown(glyphPoint(1)).wait(0.1).mouseDragged(glyphPoint(4)).wait(0.1).mouseDragged(glyphPoint(8)).wait(0.1).mouseUp(glyphPoint(8));
    w->script->run();
    EXPECT_EQ(view->selectedRange().location, 1);
    EXPECT_EQ(MaxRange(view->selectedRange()), 6);
    EXPECT_EQ(delegate->calls.count("willChangeSelection"), 1);
}

TEST_F(TextViewEditing, SetSelectedRangeOverridesSeeProgrammaticCalls)
{
    view->programmatic = 0;
    view->selectAll(nullptr);
    EXPECT_GE(view->programmatic, 1);
}

TEST_F(TextViewEditing, ALinkClickAsksTheDelegateThenOpensTheURL)
{
    URLOpenRecorder opened;
    view->setString("see here now");
    view->textStorage()->addAttributeValueRange(LinkAttributeName, Value(QStringLiteral("https://example.org/")), { 4, 4 });
    view->setEditable(false);
    w->script->click(glyphPoint(5));
    w->script->run();
    EXPECT_EQ(delegate->calls.only({ "clickedOnLink" }), QStringList({ "clickedOnLink https://example.org/ 5" }));
    ASSERT_EQ(opened.urls().size(), 1u);
    EXPECT_EQ(opened.urls()[0], QUrl("https://example.org/"));

    delegate->handlesLinks = true;
    w->script->click(glyphPoint(6));
    w->script->run();
    EXPECT_EQ(opened.urls().size(), 1u);
}

TEST_F(TextViewEditing, CompletionOffersAListAndAcceptsThroughThePipeline)
{
    delegate->words = { "worlds", "worldly", "wonder" };
    view->setString("hello wor");
    delegate->calls.clear();
    w->script->key(KeyCodeEscape);
    w->script->run();
    ASSERT_TRUE(view->isShowingCompletions());
    EXPECT_EQ(view->shownCompletions(), QStringList({ "worlds", "worldly" }));
    w->script->key(KeyCodeDownArrow).key(KeyCodeReturn);
    w->script->run();
    EXPECT_FALSE(view->isShowingCompletions());
    EXPECT_EQ(view->string(), QStringLiteral("hello worldly"));
    EXPECT_EQ(changes(), QStringList({ "shouldChange {6,3} \"worldly\"", "textDidChange" }));

    // Escape while the list shows leaves the text as typed.
    view->setString("hello wo");
    w->script->key(KeyCodeEscape).key(KeyCodeEscape);
    w->script->run();
    EXPECT_FALSE(view->isShowingCompletions());
    EXPECT_EQ(view->string(), QStringLiteral("hello wo"));
}

TEST_F(TextViewEditing, APreeditIsDrawnButNeverStoredAndTheCommitGoesThroughThePipeline)
{
    view->setSelectedRange({ 5, 0 });
    delegate->calls.clear();
    QInputMethodEvent preedit(QStringLiteral("ka"), {});
    QCoreApplication::sendEvent(w->window->hostWidget(), &preedit);
    EXPECT_TRUE(view->hasMarkedText());
    EXPECT_EQ(view->string(), QStringLiteral("hello world"));
    EXPECT_EQ(delegate->calls.count("shouldChange"), 0);

    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("か"));
    QCoreApplication::sendEvent(w->window->hostWidget(), &commit);
    w->script->run();
    EXPECT_FALSE(view->hasMarkedText());
    EXPECT_EQ(view->string(), QStringLiteral("helloか world"));
    EXPECT_EQ(changes(), QStringList({ "shouldChange {5,0} \"か\"", "textDidChange" }));

    const QVariant surrounding = w->window->hostWidget()->inputMethodQuery(Qt::ImSurroundingText);
    EXPECT_EQ(surrounding.toString(), QStringLiteral("helloか world"));
    EXPECT_EQ(w->window->hostWidget()->inputMethodQuery(Qt::ImCursorPosition).toLongLong(), 6);
    EXPECT_FALSE(w->window->hostWidget()->inputMethodQuery(Qt::ImCursorRectangle).toRect().isEmpty());
}

TEST_F(TextViewEditing, ShiftControlUpAndDownSelectToTheParagraphEnds)
{
    view->setString("first line\nsecond line");
    view->setSelectedRange({ 14, 0 });
    w->script->key(KeyCodeDownArrow, {}, CommandKeyMask | ShiftKeyMask);
    w->script->run();
    EXPECT_EQ(rangeText(view->selectedRange()), QStringLiteral("{14,8}"));
    view->setSelectedRange({ 14, 0 });
    w->script->key(KeyCodeUpArrow, {}, CommandKeyMask | ShiftKeyMask);
    w->script->run();
    EXPECT_EQ(rangeText(view->selectedRange()), QStringLiteral("{11,3}"));
}

TEST_F(TextViewEditing, TheTextViewClaimsNoKeyEquivalents)
{
    const Ref<Event> key = Event::keyEventWithTypeLocationModifierFlagsTimestampWindowNumberContextCharactersCharactersIgnoringModifiersIsARepeatKeyCode(
        KeyDown, ZeroPoint, CommandKeyMask, 0, w->window->windowNumber(), nullptr, "a", "a", false, KeyCodeA);
    EXPECT_FALSE(view->performKeyEquivalent(*key));
}

} // namespace
