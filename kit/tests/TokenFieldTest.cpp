#include "kit/appkit/AccessibilityBridge.h"
#include "kit/appkit/FieldEditing.h"
#include "kit/appkit/KeyCodes.h"
#include "kit/appkit/Pasteboard.h"
#include "kit/controls/ControlTextEditingDelegate.h"
#include "kit/controls/TokenField.h"
#include "kit/core/NotificationCenter.h"
#include "kit/foundation/KeyedArchiver.h"
#include "kit/foundation/KeyedUnarchiver.h"
#include "kit/graphics/TokenChip.h"
#include "kit/testsupport/CallRecorder.h"
#include "kit/testsupport/EventScript.h"
#include "kit/text/LayoutManager.h"
#include "kit/text/TextAttachment.h"
#include "kit/text/TextContainer.h"
#include "kit/text/TextStorage.h"
#include "kit/text/TextView.h"
#include "kit/text/TokenAttachmentCell.h"
#include "kit/tests/ControlsTestSupport.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QPalette>

#include <set>

namespace {

using namespace kit;
using namespace kit::test;

QStringList tokensOf(const Value& value)
{
    QStringList texts;
    for (const Value& v : value.array())
        texts << v.string();
    return texts;
}

// What a string or an array becomes as the value of a token field.
struct TokenValueCase {
    const char* name;
    const char* characters; // the tokenizing set; empty: the default
    Value given;
    QStringList tokens;
    QString joined;
};

void PrintTo(const TokenValueCase& c, std::ostream* os) { *os << c.name; }

class TokenFieldValues : public testing::TestWithParam<TokenValueCase> { };

TEST_P(TokenFieldValues, StringsAreTokenizedAndTokensJoinedByTheFirstCharacter)
{
    const TokenValueCase& c = GetParam();
    const auto field = make<TokenField>(MakeRect(0, 0, 200, 22));
    if (*c.characters)
        field->setTokenizingCharacterSet(c.characters);
    field->setObjectValue(c.given);
    ASSERT_TRUE(field->objectValue().isArray());
    EXPECT_EQ(tokensOf(field->objectValue()), c.tokens);
    EXPECT_EQ(field->stringValue(), c.joined);
}

INSTANTIATE_TEST_SUITE_P(Cases, TokenFieldValues,
    testing::Values(TokenValueCase { "SemicolonByDefault", "", Value(QStringLiteral("red;green; blue")), { "red", "green", "blue" },
                        "red;green;blue" },
        TokenValueCase { "EmptyPiecesDropped", "", Value(QStringLiteral(";;a; ;b;")), { "a", "b" }, "a;b" },
        TokenValueCase { "NilIsNoToken", "", Value(), {}, "" },
        TokenValueCase { "ArrayKept", "", Value(Array { Value(QStringLiteral("x y")), Value(QStringLiteral("z")) }), { "x y", "z" }, "x y;z" },
        TokenValueCase { "OwnCharacters", ",;", Value(QStringLiteral("a,b;c")), { "a", "b", "c" }, "a,b,c" }),
    [](const testing::TestParamInfo<TokenValueCase>& info) { return std::string(info.param.name); });

TEST(TokenField, StringValueSetterTokenizesAndBindsValue)
{
    const auto field = make<TokenField>();
    field->setStringValue("one;two");
    EXPECT_EQ(tokensOf(field->objectValue()), QStringList({ "one", "two" }));
    EXPECT_TRUE(field->exposedBindings().containsObject(Value(QStringLiteral("value"))));
}

TEST(TokenField, ArchiveKeepsTokensAndCharacters)
{
    const auto field = make<TokenField>(MakeRect(0, 0, 200, 22));
    field->setTokenizingCharacterSet(",");
    field->setStringValue("a,b");
    const QByteArray data = KeyedArchiver::archivedDataWithRootObject(Value(field));
    const auto back = KeyedUnarchiver::unarchiveObjectWithData(data).objectAs<TokenField>();
    ASSERT_TRUE(back);
    EXPECT_EQ(back->tokenizingCharacterSet(), QStringLiteral(","));
    EXPECT_EQ(tokensOf(back->objectValue()), QStringList({ "a", "b" }));
}

class TokenDelegate : public Object, public ControlTextEditingDelegate {
    KIT_CLASS(TokenDelegate)
    bool controlTextShouldEndEditing(Control* control, Responder*) override
    {
        calls.record("controlTextShouldEndEditing " + control->stringValue());
        return true;
    }
    void controlTextDidChange(Notification* n) override
    {
        auto* editing = dynamic_cast<FieldEditing*>(n->userInfo().objectForKey(Value(FieldEditorKey)).object().get());
        calls.record("controlTextDidChange " + (editing ? QStringLiteral("editor") : QStringLiteral("none")));
        lastText = editing ? editing->editorString() : QString();
    }
    CallRecorder calls;
    QString lastText;
};

KIT_REGISTER_CLASS(TokenDelegate, Object) { c.optionalOperations({ ControlTextShouldEndEditingOperation, ControlTextDidChangeOperation }); }

class TokenFieldEditing : public testing::Test {
protected:
    void SetUp() override
    {
        w.emplace(Size { 300, 120 });
        field = make<TokenField>(MakeRect(20, 50, 240, 22));
        field->setStringValue("alpha;beta");
        field->setDelegate(delegate.get());
        w->content->addSubview(field.get());
    }
    void TearDown() override { w.reset(); }
    Ref<TextView> editor() const { return dynamic_pointer_cast<TextView>(w->window->fieldEditorForObject(false, nullptr)); }
    void edit()
    {
        ASSERT_TRUE(w->window->makeFirstResponder(field.get()));
        ASSERT_TRUE(editor());
        // The caret after the last chip.
        editor()->setSelectedRange({ editor()->string().size(), 0 });
    }
    QStringList chipsInEditor() const
    {
        QStringList chips;
        const Ref<TextStorage> storage = editor()->textStorage();
        for (std::int64_t i = 0; i < storage->length(); ++i) {
            const auto attachment = storage->attributeAtIndexEffectiveRange(AttachmentAttributeName, i).objectAs<TextAttachment>();
            if (const auto cell = attachment ? dynamic_pointer_cast<TokenAttachmentCell>(attachment->attachmentCell()) : nullptr)
                chips << cell->token();
        }
        return chips;
    }

    std::optional<ControlWindow> w;
    Ref<TokenField> field;
    Ref<TokenDelegate> delegate = make<TokenDelegate>();
};

TEST_F(TokenFieldEditing, TheEditorHoldsOneAttachmentCharacterPerToken)
{
    edit();
    EXPECT_EQ(editor()->string(), QString(2, QChar(AttachmentCharacter)));
    EXPECT_EQ(chipsInEditor(), QStringList({ "alpha", "beta" }));
    EXPECT_EQ(field->currentEditor().get(), editor().get());
}

TEST_F(TokenFieldEditing, TypingTheTokenizingCharacterMakesATokenOfTheTextBeforeIt)
{
    edit();
    w->script->type("gamma;del");
    w->script->run();
    EXPECT_EQ(chipsInEditor(), QStringList({ "alpha", "beta", "gamma" }));
    EXPECT_EQ(editor()->string(), QString(3, QChar(AttachmentCharacter)) + "del");
    EXPECT_EQ(editor()->selectedRange().location, 6);
    // Reading the value while editing takes the typed tail as a token too.
    EXPECT_EQ(tokensOf(field->objectValue()), QStringList({ "alpha", "beta", "gamma", "del" }));
}

TEST_F(TokenFieldEditing, ReturnEndsWithTheTokensAsTheValueAfterAskingTheDelegate)
{
    edit();
    w->script->type("x");
    w->script->key(KeyCodeReturn, "\r");
    w->script->run();
    EXPECT_EQ(tokensOf(field->objectValue()), QStringList({ "alpha", "beta", "x" }));
    // The field keeps the focus: a new session shows the tokens the edit ended with.
    EXPECT_EQ(field->currentEditor().get(), editor().get());
    EXPECT_EQ(chipsInEditor(), QStringList({ "alpha", "beta", "x" }));
    EXPECT_TRUE(delegate->calls.calls().contains("controlTextShouldEndEditing alpha;beta;x"));
    EXPECT_TRUE(delegate->calls.calls().contains("controlTextDidChange editor"));
}

TEST_F(TokenFieldEditing, BackspaceRemovesAWholeToken)
{
    edit();
    w->script->key(KeyCodeDelete, QString(QChar(127)));
    w->script->run();
    EXPECT_EQ(chipsInEditor(), QStringList({ "alpha" }));
    EXPECT_EQ(tokensOf(field->objectValue()), QStringList({ "alpha" }));
}

TEST_F(TokenFieldEditing, PastedLineBreaksStayInTheEditorForTheDelegateToSee)
{
    edit();
    const Ref<Pasteboard> board = Pasteboard::generalPasteboard();
    board->declareTypesOwner({ StringPboardType }, nullptr);
    board->setStringForType(QStringLiteral("one\ntwo") + QChar(0x2028), StringPboardType);
    editor()->paste(nullptr);
    EXPECT_TRUE(delegate->lastText.contains(QChar('\n')));
    EXPECT_TRUE(delegate->lastText.contains(QChar(0x2028)));
}

// A reader hears each chip as its token's words, whether the field edits or not, and always the
// field's name; the caret and the selection keep their places in that text.
TEST_F(TokenFieldEditing, AReaderHearsTheTokensAsTheirWords)
{
    field->setToolTip(QStringLiteral("Tags"));
    QAccessibleInterface* f = AccessibilityBridge::interfaceFor(field->accessibilityElement());
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->text(QAccessible::Name), QStringLiteral("Tags"));
    EXPECT_EQ(f->text(QAccessible::Value), QStringLiteral("alpha, beta"));

    edit();
    w->script->type("ga");
    w->script->run();
    EXPECT_EQ(f->text(QAccessible::Name), QStringLiteral("Tags"));
    EXPECT_EQ(f->text(QAccessible::Value), QStringLiteral("alpha, beta, ga"));
    ASSERT_NE(f->textInterface(), nullptr);
    EXPECT_EQ(f->textInterface()->cursorPosition(), 15);
    editor()->setSelectedRange({ 1, 1 });
    int start = 0, end = 0;
    f->textInterface()->selection(0, &start, &end);
    EXPECT_EQ(QString("%1-%2").arg(start).arg(end), QStringLiteral("7-11")) << "the second chip: beta";

    w->script->key(KeyCodeReturn, "\r");
    w->script->run();
    EXPECT_EQ(tokensOf(field->objectValue()), QStringList({ "alpha", "beta", "ga" }));
    EXPECT_EQ(f->text(QAccessible::Name), QStringLiteral("Tags"));
    EXPECT_EQ(f->text(QAccessible::Value), QStringLiteral("alpha, beta, ga"));
}

TEST_F(TokenFieldEditing, TokensDrawAsChipsInTheHighlightTint)
{
    // The chip's fill is a tint of the highlight: neither the base colour nor text.
    const QImage shot = w->window->snapshot();
    const QColor base = QApplication::palette().color(QPalette::Base);
    const Rect frame = field->convertRectToView(field->bounds(), nullptr);
    int tinted = 0;
    for (int x = int(frame.minX()) + 6; x < int(frame.minX()) + 40; ++x) {
        const QColor c = basePixel(shot, MakePoint(x, frame.midY() + 3));
        if (c != base && c.blue() > c.red())
            ++tinted;
    }
    EXPECT_GT(tinted, 5);
}

} // namespace

namespace {

using namespace kit;

TEST_F(TokenFieldEditing, SelectedChipsInTheEditorFillWithTheHighlight)
{
    edit();
    editor()->setSelectedRange({ 0, 1 });
    const QImage shot = w->window->snapshot();
    const QColor highlight = QApplication::palette().color(QPalette::Active, QPalette::Highlight);
    const Rect frame = field->convertRectToView(field->bounds(), nullptr);
    int filled = 0;
    for (int x = int(frame.minX()) + 4; x < int(frame.minX()) + 40; ++x)
        filled += test::basePixelIs(shot, MakePoint(x, frame.midY() + 3), highlight, 8) ? 1 : 0;
    EXPECT_GT(filled, 3);
}

} // namespace

// Wrapping and tool tips.
namespace {

using namespace kit;
using namespace kit::test;

const QStringList tokenWrapTokens { "alpha", "beta", "gamma", "delta", "epsilon", "zeta", "eta", "theta" };

QFont tokenWrapFont()
{
    QFont font = QApplication::font();
    font.setPixelSize(13);
    return font;
}

TEST(TokenChipLayout, OneLineKeepsOrderOnACentredLine)
{
    const QFont font = tokenWrapFont();
    const QRectF area(10, 20, 600, TokenChipSize("x", font).height + 4);
    const auto places = LayoutTokenChips(tokenWrapTokens, font, area);
    ASSERT_EQ(places.size(), std::size_t(tokenWrapTokens.size()));
    for (std::size_t i = 0; i < places.size(); ++i) {
        EXPECT_DOUBLE_EQ(places[i].box.center().y(), area.center().y()) << i;
        EXPECT_DOUBLE_EQ(places[i].box.width(), TokenChipSize(tokenWrapTokens.at(qsizetype(i)), font).width) << i;
        EXPECT_FALSE(places[i].truncated);
        if (i > 0) {
            EXPECT_DOUBLE_EQ(places[i].box.left(), places[i - 1].box.right() + TokenChipSpacing) << i;
        }
    }
    EXPECT_DOUBLE_EQ(places.front().box.left(), area.left());
}

TEST(TokenChipLayout, ATallAreaWrapsWholeChipsOntoLinesFromTheTop)
{
    const QFont font = tokenWrapFont();
    const double line = TokenChipLineHeight(font);
    const QRectF area(10, 20, 130, 10 * line);
    const auto places = LayoutTokenChips(tokenWrapTokens, font, area);
    ASSERT_EQ(places.size(), std::size_t(tokenWrapTokens.size()));
    EXPECT_DOUBLE_EQ(places.front().box.top(), area.top());
    int lines = 1;
    for (std::size_t i = 0; i < places.size(); ++i) {
        const QRectF box = places[i].box;
        // Never split: each chip whole, inside the line's width.
        EXPECT_DOUBLE_EQ(box.width(), TokenChipSize(tokenWrapTokens.at(qsizetype(i)), font).width) << i;
        EXPECT_LE(box.right() + TokenChipSpacing, area.right()) << i;
        if (i == 0)
            continue;
        const QRectF before = places[i - 1].box;
        if (box.top() == before.top()) {
            EXPECT_DOUBLE_EQ(box.left(), before.right() + TokenChipSpacing) << i;
        } else {
            // A new line: it starts at the left, one line down, because the chip did not fit.
            ++lines;
            EXPECT_DOUBLE_EQ(box.left(), area.left()) << i;
            EXPECT_DOUBLE_EQ(box.top(), before.top() + line) << i;
            EXPECT_GT(before.right() + TokenChipSpacing + box.width() + TokenChipSpacing, area.right()) << i;
        }
    }
    EXPECT_GE(lines, 3);
}

TEST(TokenChipLayout, ChipsBelowTheLastLineAreLeftOutAndAWideOneIsCut)
{
    const QFont font = tokenWrapFont();
    const double line = TokenChipLineHeight(font);
    const QRectF area(0, 0, 90, 2 * line);
    const QStringList tokens { "a token far wider than the field", "b", "c", "dddddddddddd", "eeeeeeeeeeee", "ffffffffffff" };
    const auto places = LayoutTokenChips(tokens, font, area);
    ASSERT_GE(places.size(), 2u);
    EXPECT_TRUE(places[0].truncated);
    EXPECT_LE(places[0].box.right(), area.right());
    EXPECT_FALSE(places[1].truncated);
    EXPECT_LT(places.size(), std::size_t(tokens.size()));
    for (const TokenChipPlace& place : places)
        EXPECT_LE(place.box.bottom(), area.bottom());
}

class TokenFieldWrapping : public testing::Test {
protected:
    void SetUp() override
    {
        w.emplace(Size { 300, 200 });
        field = make<TokenField>(MakeRect(20, 40, 150, 4 * TokenChipLineHeight(tokenWrapFont()) + 6));
        field->setFont(tokenWrapFont());
        field->setObjectValue(Value(tokenWrapTokens.join(';')));
        w->content->addSubview(field.get());
    }
    void TearDown() override { w.reset(); }
    TokenFieldCell* cell() const { return dynamic_cast<TokenFieldCell*>(field->cell().get()); }
    Ref<TextView> editor() const { return dynamic_pointer_cast<TextView>(w->window->fieldEditorForObject(false, nullptr)); }
    // The chips the editor lays out, in the field's coordinates.
    std::vector<Rect> editorChipFrames() const
    {
        std::vector<Rect> frames;
        const Ref<TextView> e = editor();
        const Ref<LayoutManager> manager = e->layoutManager();
        const Point origin = e->textContainerOrigin();
        for (std::int64_t i = 0; i < std::int64_t(e->string().size()); ++i) {
            const Rect glyph = manager->boundingRectForGlyphRangeInTextContainer({ i, 1 }, e->textContainer().get());
            frames.push_back(field->convertRectFromView(OffsetRect(glyph, origin.x, origin.y), e.get()));
        }
        return frames;
    }

    std::optional<ControlWindow> w;
    Ref<TokenField> field;
};

TEST_F(TokenFieldWrapping, ChipsRunOntoFurtherLinesInsideTheField)
{
    const auto places = cell()->tokenPlacesInFrame(field->bounds(), field.get());
    ASSERT_EQ(places.size(), std::size_t(tokenWrapTokens.size()));
    std::set<double> tops;
    for (const auto& place : places) {
        tops.insert(place.frame.minY());
        EXPECT_TRUE(ContainsRect(field->bounds(), place.frame)) << place.token.toStdString();
    }
    EXPECT_GE(tops.size(), 3u);
    // The last chip shows on its own line: its middle is tinted, not the base colour.
    const QImage shot = w->window->snapshot();
    const Rect last = field->convertRectToView(places.back().frame, nullptr);
    const QColor base = QApplication::palette().color(QPalette::Base);
    const QColor inside = basePixel(shot, MakePoint(last.minX() + 3, last.midY()));
    EXPECT_NE(inside, base);
    EXPECT_GT(inside.blue(), inside.red());
}

TEST_F(TokenFieldWrapping, TheEditorPlacesEveryChipWhereTheFieldDrewIt)
{
    const auto places = cell()->tokenPlacesInFrame(field->bounds(), field.get());
    ASSERT_TRUE(w->window->makeFirstResponder(field.get()));
    ASSERT_TRUE(editor());
    const std::vector<Rect> chips = editorChipFrames();
    ASSERT_EQ(chips.size(), places.size());
    for (std::size_t i = 0; i < chips.size(); ++i) {
        EXPECT_NEAR(chips[i].minX(), places[i].frame.minX(), 0.5) << i;
        EXPECT_NEAR(chips[i].midY(), places[i].frame.midY(), 1.5) << i;
    }
}

TEST_F(TokenFieldWrapping, AOneLineFieldAndItsEditorCutAWideTokenAlike)
{
    field->setFrameSize(MakeSize(120, TokenChipLineHeight(tokenWrapFont()) + 4));
    field->setObjectValue(Value(QStringLiteral("a token much wider than the field;b")));
    const auto places = cell()->tokenPlacesInFrame(field->bounds(), field.get());
    ASSERT_EQ(places.size(), 2u);
    EXPECT_TRUE(places[0].truncated);
    EXPECT_LE(places[0].frame.maxX(), field->bounds().maxX());
    ASSERT_TRUE(w->window->makeFirstResponder(field.get()));
    // The one line scrolls to the caret at its end: bring its start back into view.
    editor()->setSelectedRange({ 0, 0 });
    editor()->scrollRangeToVisible({ 0, 0 });
    const std::vector<Rect> chips = editorChipFrames();
    ASSERT_EQ(chips.size(), 2u);
    EXPECT_NEAR(chips[1].minX(), places[1].frame.minX(), 0.5);
    EXPECT_NEAR(chips[0].midY(), places[0].frame.midY(), 1.5);
}

TEST_F(TokenFieldWrapping, ToolTipsAreTheControlsAndACutTokensOwnText)
{
    const QString wide = QStringLiteral("a token much wider than the field");
    field->setObjectValue(Value(wide + ";b"));
    field->setToolTip(QStringLiteral("Keywords"));
    const auto places = cell()->tokenPlacesInFrame(field->bounds(), field.get());
    ASSERT_EQ(places.size(), 2u);
    const auto tipAt = [&](Rect r) { return w->window->toolTipAtPoint(field->convertPointToView(MakePoint(r.midX(), r.midY()), nullptr)); };
    EXPECT_EQ(tipAt(places[0].frame), wide);
    EXPECT_EQ(tipAt(places[1].frame), QStringLiteral("Keywords"));
    EXPECT_EQ(tipAt(MakeRect(field->bounds().maxX() - 4, field->bounds().maxY() - 4, 1, 1)), QStringLiteral("Keywords"));
    // Cleared, the field has none and the view behind it answers.
    field->setToolTip(QString());
    w->content->setToolTip(QStringLiteral("behind"));
    EXPECT_EQ(tipAt(places[1].frame), QStringLiteral("behind"));
    // Resized, the field still answers over all of itself.
    field->setFrameSize(MakeSize(260, field->frame().height()));
    field->setToolTip(QStringLiteral("Keywords"));
    EXPECT_EQ(tipAt(MakeRect(250, 4, 1, 1)), QStringLiteral("Keywords"));
}

TEST_F(TokenFieldWrapping, AnUnarchivedFieldShowsACutTokensTextToo)
{
    const QString wide = QStringLiteral("a token much wider than the field and more");
    field->setObjectValue(Value(wide));
    field->setToolTip(QStringLiteral("Keywords"));
    const auto back = KeyedUnarchiver::unarchiveObjectWithData(KeyedArchiver::archivedDataWithRootObject(Value(field))).objectAs<TokenField>();
    ASSERT_TRUE(back);
    auto* backCell = dynamic_cast<TokenFieldCell*>(back->cell().get());
    ASSERT_TRUE(backCell);
    const auto places = backCell->tokenPlacesInFrame(back->bounds(), back.get());
    ASSERT_EQ(places.size(), 1u);
    ASSERT_TRUE(places[0].truncated);
    EXPECT_EQ(back->toolTipAtPoint(MakePoint(places[0].frame.midX(), places[0].frame.midY())), wide);
}

} // namespace
