#include "kit/core/Error.h"
#include "kit/core/Exception.h"
#include "kit/text/LayoutManager.h"
#include "kit/text/RtfReader.h"
#include "kit/text/TextAttachment.h"
#include "kit/text/TextContainer.h"
#include "kit/text/TextLayoutClient.h"
#include "kit/text/TextStorage.h"
#include "kit/text/Typesetter.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <functional>
#include <random>

using namespace kit;

namespace {

using Log = std::vector<std::string>;

class LoggingStorage : public TextStorage {
public:
    LoggingStorage() = default;
    Log* log = nullptr;
    void fixAttributesInRange(Range range) override
    {
        if (log)
            log->push_back("fix " + std::to_string(range.location) + "+" + std::to_string(range.length));
        TextStorage::fixAttributesInRange(range);
    }
};

class LoggingLayoutManager : public LayoutManager {
public:
    LoggingLayoutManager() = default;
    Log* log = nullptr;
    void textStorageEditedRangeChangeInLengthInvalidatedRange(
        TextStorage* storage, unsigned mask, Range range, std::int64_t delta, Range invalidated) override
    {
        if (log)
            log->push_back("layout mask " + std::to_string(mask) + " " + std::to_string(range.location) + "+" + std::to_string(range.length)
                + " delta " + std::to_string(delta));
        LayoutManager::textStorageEditedRangeChangeInLengthInvalidatedRange(storage, mask, range, delta, invalidated);
    }
};

// Stands for a text view: logs the selection step and may edit from inside it.
class ViewStandIn : public Object, public TextLayoutClient {
public:
    ViewStandIn() = default;
    Log* log = nullptr;
    std::function<void(TextStorage&)> onProcess;
    void textStorageDidProcessEditing(TextStorage& storage, unsigned, Range range, std::int64_t delta) override
    {
        if (log)
            log->push_back("view " + std::to_string(range.location) + "+" + std::to_string(range.length) + " delta " + std::to_string(delta));
        if (onProcess) {
            auto once = std::move(onProcess);
            onProcess = nullptr;
            once(storage);
        }
    }
    void textLayoutNeedsDisplayInRect(Rect) override { }
};

struct Network {
    Ref<LoggingStorage> storage = make<LoggingStorage>();
    Ref<LoggingLayoutManager> manager = make<LoggingLayoutManager>();
    Ref<TextContainer> container = make<TextContainer>(Size { 300, 1e7 });
    Ref<ViewStandIn> view = make<ViewStandIn>();
    Log log;

    explicit Network(const QString& text = {})
    {
        storage->replaceCharactersInRangeWithString(MakeRange(0, 0), text);
        storage->addLayoutManager(manager);
        manager->addTextContainer(container);
        container->setTextView(view.get());
        storage->log = &log;
        manager->log = &log;
        view->log = &log;
    }
};

} // namespace

TEST(TextStorage, NestedBatchesProcessOnceAtTheOutermostEnd)
{
    Network n(QStringLiteral("abcdef"));
    n.storage->beginEditing();
    n.storage->replaceCharactersInRangeWithString(MakeRange(2, 1), QStringLiteral("xyz")); // abxyzdef
    n.storage->beginEditing();
    n.storage->deleteCharactersInRange(MakeRange(0, 1)); // bxyzdef
    n.storage->addAttributeValueRange(QStringLiteral("A"), 1, MakeRange(5, 1));
    n.storage->endEditing();
    EXPECT_TRUE(n.log.empty());
    EXPECT_EQ(n.storage->editedMask(), unsigned(TextStorageEditedCharacters | TextStorageEditedAttributes));
    // The edits so far cover "xyz" moved left by one, up to the attribute change at 5.
    EXPECT_EQ(n.storage->editedRange(), MakeRange(0, 6));
    EXPECT_EQ(n.storage->changeInLength(), 1);
    n.storage->endEditing();
    // One pass, in order: attributes fixed over whole paragraphs, layout, then the views.
    const Log expected { "fix 0+7", "layout mask 3 0+6 delta 1", "view 0+6 delta 1" };
    EXPECT_EQ(n.log, expected);
    EXPECT_EQ(n.storage->editedMask(), 0u);
}

TEST(TextStorage, EachChangeOutsideABatchProcessesAtOnce)
{
    Network n(QStringLiteral("one\ntwo\nthree"));
    n.storage->replaceCharactersInRangeWithString(MakeRange(5, 1), QStringLiteral("W"));
    n.storage->addAttributeValueRange(QStringLiteral("A"), 1, MakeRange(0, 2));
    // The fix covers the edited paragraph only ("two\n").
    const Log expected { "fix 4+4", "layout mask 2 5+1 delta 0", "view 5+1 delta 0", "fix 0+4", "layout mask 1 0+2 delta 0",
        "view 0+2 delta 0" };
    EXPECT_EQ(n.log, expected);
}

TEST(TextStorage, AnEditMadeWhileProcessingIsQueuedAfterIt)
{
    Network n(QStringLiteral("abc"));
    n.view->onProcess = [](TextStorage& s) {
        s.replaceCharactersInRangeWithString(MakeRange(0, 0), QStringLiteral(">"));
        // Not applied yet: the first pass is still running.
        EXPECT_EQ(s.string(), "abcd");
    };
    n.storage->replaceCharactersInRangeWithString(MakeRange(3, 0), QStringLiteral("d"));
    EXPECT_EQ(n.storage->string(), ">abcd");
    const Log expected { "fix 0+4", "layout mask 2 3+1 delta 1", "view 3+1 delta 1", "fix 0+5", "layout mask 2 0+1 delta 1",
        "view 0+1 delta 1" };
    EXPECT_EQ(n.log, expected);
    // Layout followed both.
    EXPECT_EQ(n.manager->numberOfGlyphs(), 5);
    EXPECT_EQ(n.manager->glyphRangeForTextContainer(n.container.get()), MakeRange(0, 5));
}

TEST(TextStorage, FixingGivesEachParagraphItsFirstCharactersStyleAndKeepsAttachmentsOnTheirCharacter)
{
    auto left = ParagraphStyle::defaultParagraphStyle();
    auto right = ParagraphStyle::defaultParagraphStyle();
    right->setAlignment(RightTextAlignment);
    Network n(QStringLiteral("ab\ncd"));
    n.storage->beginEditing();
    n.storage->addAttributeValueRange(ParagraphStyleAttributeName, left, MakeRange(0, 1));
    n.storage->addAttributeValueRange(ParagraphStyleAttributeName, right, MakeRange(1, 3));
    n.storage->addAttributeValueRange(AttachmentAttributeName, make<TextAttachment>(), MakeRange(4, 1));
    n.storage->endEditing();
    EXPECT_EQ(n.storage->string(), "ab\ncd");
    Range run;
    EXPECT_EQ(n.storage->attributeAtIndexEffectiveRange(ParagraphStyleAttributeName, 0, &run).object().get(), left.get());
    EXPECT_EQ(run, MakeRange(0, 3)); // the whole first paragraph, terminator included
    EXPECT_EQ(n.storage->attributeAtIndexEffectiveRange(ParagraphStyleAttributeName, 3).object().get(), right.get());
    EXPECT_TRUE(n.storage->attributeAtIndexEffectiveRange(AttachmentAttributeName, 4).isNil());
    // On U+FFFC it stays.
    n.storage->appendAttributedString(TextAttachment::attributedStringWithAttachment(make<TextAttachment>()));
    EXPECT_FALSE(n.storage->attributeAtIndexEffectiveRange(AttachmentAttributeName, 5).isNil());
}

TEST(TextStorage, FixingNeverSplitsARunForCharactersTheFontLacks)
{
    Network n;
    const Dictionary attributes { { FontAttributeName, Font::systemFontOfSize(13) } };
    n.storage->replaceCharactersInRangeWithAttributedString(MakeRange(0, 0),
        AttributedString(QStringLiteral("Latin \u4E2D\u6587 \U0001F600 \u05E2\u05D1\u05E8\u05D9\u05EA text"), attributes));
    n.storage->fixAttributesInRange(MakeRange(0, n.storage->length()));
    EXPECT_EQ(n.storage->runs().size(), 1u);
}

TEST(TextStorage, EditsInsideTheLineHookAssert)
{
    class EditingTypesetter : public Typesetter {
    public:
        TextStorage* storage = nullptr; // the storage owns this typesetter through its layout manager
        void willSetLineFragmentRectForGlyphRangeUsedRectBaselineOffset(Rect&, Range, Rect&, double&) override
        {
            storage->replaceCharactersInRangeWithString(MakeRange(0, 0), QStringLiteral("x"));
        }
    };
    Network n(QStringLiteral("abc"));
    auto typesetter = make<EditingTypesetter>();
    typesetter->storage = n.storage.get();
    n.manager->setTypesetter(typesetter);
    EXPECT_THROW(n.manager->ensureLayoutForTextContainer(n.container.get()), Exception);
    EXPECT_EQ(n.storage->string(), "abc");
    EXPECT_FALSE(n.manager->isLayingOut());
}

TEST(TextStorage, ReplacingTheStorageMovesEveryLayoutManager)
{
    Network n(QStringLiteral("old"));
    auto replacement = make<TextStorage>(QStringLiteral("new text"));
    n.manager->replaceTextStorage(replacement);
    EXPECT_EQ(n.manager->textStorage(), replacement);
    EXPECT_TRUE(n.storage->layoutManagers().empty());
    ASSERT_EQ(replacement->layoutManagers().size(), 1u);
    EXPECT_EQ(n.manager->glyphRangeForTextContainer(n.container.get()), MakeRange(0, 8));
}

// --- RTF.

namespace {

AttributedString readRtf(const char* text)
{
    Ref<Error> error;
    const std::optional<AttributedString> s = ReadRtf(QByteArray(text), &error);
    EXPECT_TRUE(s.has_value()) << (error ? error->localizedFailureReason().toStdString() : std::string());
    return s.value_or(AttributedString());
}

} // namespace

TEST(RtfReader, ReadsTheSubset)
{
    const AttributedString s = readRtf("{\\rtf1\\ansi\\ansicpg1252{\\fonttbl\\f0\\fswiss Helvetica;}"
                                       "{\\colortbl;\\red255\\green0\\blue0;}\n"
                                       "\\f0\\fs24 Plain \\b bold\\b0  \\cf1 red\\cf0  \\u8364? \\'e9\\'80\\par\n"
                                       "{\\*\\unknown skipped}{\\info{\\title gone}}\\ul under\\ulnone\\line next\\tab end}");
    EXPECT_EQ(s.string(), QStringLiteral("Plain bold red \u20AC \u00E9\u20AC\nunder\u2028next\tend"));
    const auto at = [&](const char* piece) { return int(s.string().indexOf(QString::fromUtf8(piece))); };
    EXPECT_TRUE(s.attributesAtIndex(at("bold")).font->isBold());
    EXPECT_FALSE(s.attributesAtIndex(at("Plain")).font->isBold());
    EXPECT_DOUBLE_EQ(s.attributesAtIndex(0).font->pointSize(), 12);
    const Ref<Color> red = s.attributesAtIndex(at("red")).foregroundColor;
    ASSERT_TRUE(red);
    EXPECT_EQ(red->toQColor(), QColor(255, 0, 0));
    EXPECT_FALSE(s.attributesAtIndex(at("Plain")).foregroundColor);
    EXPECT_EQ(s.attributeAtIndexEffectiveRange(UnderlineStyleAttributeName, at("under")).integerValue(), 1);
    EXPECT_TRUE(s.attributeAtIndexEffectiveRange(UnderlineStyleAttributeName, at("next")).isNil());
}

TEST(RtfReader, UnicodeSkipCountFollowsUc)
{
    EXPECT_EQ(readRtf("{\\rtf1\\uc2\\u20320\\'c4\\'e3x}").string(), QStringLiteral("\u4F60x"));
    EXPECT_EQ(readRtf("{\\rtf1\\uc0\\u-3913 y}").string(), QStringLiteral("\uF0B7y"));
    EXPECT_EQ(readRtf("{\\rtf1\\fs40 big}").attributesAtIndex(0).font->pointSize(), 20);
}

TEST(RtfReader, MalformedInputIsAnError)
{
    const char* bad[] = {
        "",
        "plain text",
        "{\\rtf1 unclosed",
        "{\\rtf1 x}}",
        "{\\rtf1 \\'4",
        "{\\rtf1 \\'zz}",
        "{\\rtf1 \\fs12345678901234}",
        "{\\rtf1 \\b-}",
        "{\\rtf1 \\",
    };
    for (const char* text : bad) {
        Ref<Error> error;
        EXPECT_FALSE(ReadRtf(QByteArray(text), &error).has_value()) << text;
        EXPECT_TRUE(error) << text;
    }
    // Deep nesting is refused, not recursed into.
    QByteArray deep = "{\\rtf1 ";
    deep += QByteArray(100000, '{');
    Ref<Error> error;
    EXPECT_FALSE(ReadRtf(deep, &error).has_value());
    EXPECT_TRUE(error);
}

TEST(RtfReader, StorageFromAPath)
{
    Ref<Error> error;
    EXPECT_FALSE(TextStorage::initWithRTFPath(QStringLiteral("/nonexistent/file.rtf"), &error));
    EXPECT_TRUE(error);
    const QString path = QDir::temp().filePath(QStringLiteral("kit-rtf-test.rtf"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("{\\rtf1\\ansi Licence\\par text}");
    file.close();
    const Ref<TextStorage> storage = TextStorage::initWithRTFPath(path, &error);
    ASSERT_TRUE(storage);
    EXPECT_EQ(storage->string(), "Licence\ntext");
    QFile::remove(path);
}

TEST(TextStorage, IncrementalLayoutMatchesAFreshLayoutAfterRandomBatches)
{
    const QString pieces[] = { QStringLiteral("word "), QStringLiteral("\n"), QStringLiteral("\r"), QStringLiteral("\r\n"),
        QStringLiteral("\u2028"), QStringLiteral("\u2029"), QStringLiteral("x"), QStringLiteral("\t"), QString() };
    for (unsigned seed = 1; seed <= 12; ++seed) {
        std::mt19937 random(seed);
        auto pick = [&](int n) { return int(random() % unsigned(std::max(1, n))); };
        Network n(QStringLiteral("one two three\nfour five\n\nsix"));
        n.container->setContainerSize({ 80, 1e7 });
        n.manager->ensureLayoutForTextContainer(n.container.get());
        for (int step = 0; step < 60; ++step) {
            std::string script;
            const int depth = 1 + pick(3);
            for (int d = 0; d < depth; ++d)
                n.storage->beginEditing();
            for (int e = 0, edits = 1 + pick(3); e < edits; ++e) {
                const int length = n.storage->length();
                const int from = pick(length + 1);
                const int to = from + pick(std::min(6, length - from + 1));
                if (pick(4) == 0) {
                    n.storage->addAttributeValueRange(FontAttributeName, Font::systemFontOfSize(10 + pick(3) * 6), MakeRange(from, to - from));
                    script += " font " + std::to_string(from) + "-" + std::to_string(to);
                } else {
                    const int piece = pick(9);
                    n.storage->replaceCharactersInRangeWithString(MakeRange(from, to - from), pieces[piece]);
                    script += " replace " + std::to_string(from) + "-" + std::to_string(to) + " with piece " + std::to_string(piece);
                }
            }
            for (int d = 0; d < depth; ++d)
                n.storage->endEditing();
            // A fresh network over the same text lays it out the same.
            auto fresh = make<TextStorage>(static_cast<const AttributedString&>(*n.storage));
            auto manager = make<LayoutManager>();
            auto container = make<TextContainer>(Size { 80, 1e7 });
            fresh->addLayoutManager(manager);
            manager->addTextContainer(container);
            ASSERT_EQ(n.manager->numberOfGlyphs(), manager->numberOfGlyphs());
            const std::string text = QString(n.storage->string()).replace(QChar(u'\n'), QStringLiteral("\\n")).replace(QChar(u'\r'), QStringLiteral("\\r")).replace(QChar(0x2028), QStringLiteral("<LS>")).replace(QChar(0x2029), QStringLiteral("<PS>")).toStdString();
            for (std::int64_t g = 0; g < manager->numberOfGlyphs(); ++g) {
                Range a, b;
                ASSERT_EQ(n.manager->lineFragmentRectForGlyphAtIndexEffectiveRange(g, &a), manager->lineFragmentRectForGlyphAtIndexEffectiveRange(g, &b))
                    << "seed " << seed << " step " << step << " glyph " << g;
                ASSERT_EQ(a, b) << "seed " << seed << " step " << step << " glyph " << g << " in " << text << " after" << script;
                ASSERT_EQ(n.manager->locationForGlyphAtIndex(g), manager->locationForGlyphAtIndex(g));
            }
            ASSERT_EQ(n.manager->usedRectForTextContainer(n.container.get()), manager->usedRectForTextContainer(container.get()));
            ASSERT_EQ(n.manager->extraLineFragmentRect(), manager->extraLineFragmentRect());
        }
    }
}


TEST(TextStorage, ANewLayoutManagerTakesTheContainersPlace)
{
    Network n(QStringLiteral("form text"));
    auto replacement = make<LoggingLayoutManager>();
    n.container->replaceLayoutManager(replacement);
    EXPECT_EQ(n.container->layoutManager(), replacement);
    EXPECT_EQ(replacement->textStorage(), n.storage);
    ASSERT_EQ(n.storage->layoutManagers().size(), 1u);
    EXPECT_EQ(n.storage->layoutManagers().front(), replacement);
    EXPECT_TRUE(n.manager->textContainers().empty());
    // The view is still reached through the container.
    n.log.clear();
    replacement->log = &n.log;
    n.storage->replaceCharactersInRangeWithString(MakeRange(0, 0), QStringLiteral(">"));
    const Log expected { "fix 0+10", "layout mask 2 0+1 delta 1", "view 0+1 delta 1" };
    EXPECT_EQ(n.log, expected);
    EXPECT_EQ(replacement->firstTextView<ViewStandIn>(), n.view);
}

TEST(RtfReader, MutatedInputNeverCrashes)
{
    const QByteArray seed = "{\\rtf1\\ansi\\ansicpg1252{\\fonttbl\\f0\\fswiss Helvetica;}{\\colortbl;\\red255\\green0\\blue0;}"
                            "\\f0\\fs24 Plain \\b bold\\b0 \\cf1 red\\cf0 \\uc1\\u8364? \\'e9\\par{\\*\\x skipped}\\ul u\\ulnone\\line n\\tab e}";
    const char alphabet[] = "{}\\'*;-0123456789abcfilnpsu? \n";
    std::mt19937 random(7);
    for (int round = 0; round < 3000; ++round) {
        QByteArray bytes = seed;
        for (int m = 0, n = 1 + int(random() % 6); m < n; ++m) {
            const int at = int(random() % unsigned(bytes.size() + 1));
            switch (random() % 3) {
            case 0:
                bytes.insert(at, alphabet[random() % (sizeof(alphabet) - 1)]);
                break;
            case 1:
                if (at < bytes.size())
                    bytes.remove(at, 1 + int(random() % 4));
                break;
            default:
                if (at < bytes.size())
                    bytes[at] = char(random() % 256);
                break;
            }
        }
        Ref<Error> error;
        const std::optional<AttributedString> text = ReadRtf(bytes, &error);
        EXPECT_EQ(text.has_value(), !error) << bytes.toStdString();
    }
}
