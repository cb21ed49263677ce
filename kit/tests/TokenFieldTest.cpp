#include "kit/appkit/FieldEditing.h"
#include "kit/appkit/KeyCodes.h"
#include "kit/appkit/Pasteboard.h"
#include "kit/controls/ControlTextEditingDelegate.h"
#include "kit/controls/TokenField.h"
#include "kit/core/NotificationCenter.h"
#include "kit/foundation/KeyedArchiver.h"
#include "kit/foundation/KeyedUnarchiver.h"
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

#include <QApplication>
#include <QPalette>

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
    EXPECT_FALSE(field->currentEditor());
    EXPECT_EQ(tokensOf(field->objectValue()), QStringList({ "alpha", "beta", "x" }));
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
