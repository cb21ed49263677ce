#include "kit/core/Exception.h"
#include "kit/graphics/AttributedString.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>

using namespace kit;

namespace {

// The reference: one dictionary per character.
struct ReferenceText {
    QString text;
    std::vector<Dictionary> attributes;

    void replace(int from, int to, const QString& s)
    {
        Dictionary a;
        if (!attributes.empty())
            a = attributes[std::size_t(from < to ? from : from > 0 ? from - 1 : 0)];
        text.replace(from, to - from, s);
        attributes.erase(attributes.begin() + from, attributes.begin() + to);
        attributes.insert(attributes.begin() + from, std::size_t(s.size()), a);
    }
};

// Runs cover the text in order, are never empty and never equal to their neighbour.
void expectCanonical(const AttributedString& s)
{
    int next = 0;
    for (std::size_t i = 0; i < s.runs().size(); ++i) {
        const auto& run = s.runs()[i];
        ASSERT_EQ(run.start, next);
        ASSERT_GT(run.length, 0);
        if (i > 0) {
            ASSERT_FALSE(run.attributes.isEqualToDictionary(s.runs()[i - 1].attributes)) << "runs " << i - 1 << " and " << i << " not coalesced";
        }
        next += run.length;
    }
    ASSERT_EQ(next, s.length());
}

void expectMatches(const AttributedString& s, const ReferenceText& ref)
{
    ASSERT_EQ(s.string(), ref.text);
    expectCanonical(s);
    for (int i = 0; i < s.length(); ++i) {
        Range run;
        const Dictionary d = s.attributesAtIndexEffectiveRange(i, &run);
        ASSERT_TRUE(d.isEqualToDictionary(ref.attributes[std::size_t(i)])) << "index " << i;
        // The effective range is the run: maximal among equal dictionaries.
        ASSERT_TRUE(LocationInRange(std::uint64_t(i), run));
        if (run.location > 0) {
            ASSERT_FALSE(ref.attributes[std::size_t(run.location - 1)].isEqualToDictionary(d));
        }
        if (MaxRange(run) < s.length()) {
            ASSERT_FALSE(ref.attributes[std::size_t(MaxRange(run))].isEqualToDictionary(d));
        }
    }
}

// A subclass counting its primitives, as the text storage sees them.
class CountingString : public AttributedString {
public:
    using AttributedString::AttributedString;
    int replaces = 0;
    int sets = 0;
    void replaceCharactersInRangeWithString(Range range, const QString& string) override
    {
        ++replaces;
        AttributedString::replaceCharactersInRangeWithString(range, string);
    }
    void setAttributesRange(const Dictionary& attributes, Range range) override
    {
        ++sets;
        AttributedString::setAttributesRange(attributes, range);
    }
};

const QString kName = QStringLiteral("PlaceholderValueAttributeName");
const QString kField = QStringLiteral("JVLTextInspectorFieldAttributeName");

} // namespace

TEST(AttributedStringRuns, RandomEditScriptsMatchAPerCharacterModel)
{
    const QString names[] = { QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C") };
    const Value values[] = { Value(1), Value(2), Value(QStringLiteral("x")) };
    for (unsigned seed = 1; seed <= 40; ++seed) {
        std::mt19937 random(seed);
        auto pick = [&](int n) { return int(random() % unsigned(std::max(1, n))); };
        CountingString s;
        ReferenceText ref;
        for (int step = 0; step < 120; ++step) {
            const int length = s.length();
            const int from = pick(length + 1);
            const int to = from + pick(length - from + 1);
            const Range range = MakeRange(from, to - from);
            switch (pick(6)) {
            case 0: {
                const QString inserted = QString(pick(4), QChar(u'a' + pick(26)));
                s.replaceCharactersInRangeWithString(range, inserted);
                ref.replace(from, to, inserted);
                break;
            }
            case 1:
                s.deleteCharactersInRange(range);
                ref.replace(from, to, QString());
                break;
            case 2: {
                const QString& name = names[pick(3)];
                const Value& value = values[pick(3)];
                s.addAttributeValueRange(name, value, range);
                for (int i = from; i < to; ++i)
                    ref.attributes[std::size_t(i)].setObjectForKey(value, name);
                break;
            }
            case 3: {
                const QString& name = names[pick(3)];
                s.removeAttributeRange(name, range);
                for (int i = from; i < to; ++i)
                    ref.attributes[std::size_t(i)].removeObjectForKey(name);
                break;
            }
            case 4: {
                Dictionary d;
                d.setObjectForKey(values[pick(3)], names[pick(3)]);
                s.setAttributesRange(d, range);
                for (int i = from; i < to; ++i)
                    ref.attributes[std::size_t(i)] = d;
                break;
            }
            default: {
                // An attributed insertion of two runs.
                Dictionary d;
                d.setObjectForKey(values[pick(3)], names[pick(3)]);
                AttributedString piece(QStringLiteral("xy"), d);
                piece.addAttributeValueRange(names[0], values[0], MakeRange(1, 1));
                s.replaceCharactersInRangeWithAttributedString(range, piece);
                ref.replace(from, to, QStringLiteral("xy"));
                ref.attributes[std::size_t(from)] = piece.attributesAtIndexEffectiveRange(0);
                ref.attributes[std::size_t(from + 1)] = piece.attributesAtIndexEffectiveRange(1);
                break;
            }
            }
            ASSERT_NO_FATAL_FAILURE(expectMatches(s, ref)) << "seed " << seed << " step " << step;
        }
    }
}

TEST(AttributedStringRuns, EveryMutatorGoesThroughThePrimitives)
{
    struct Case {
        const char* name;
        std::function<void(CountingString&)> edit;
        bool replaces;
        bool sets;
    };
    const Case cases[] = {
        { "insert", [](CountingString& s) { s.insertAttributedStringAtIndex(AttributedString("xy"), 1); }, true, true },
        { "append", [](CountingString& s) { s.appendAttributedString(AttributedString("xy")); }, true, true },
        { "delete", [](CountingString& s) { s.deleteCharactersInRange(MakeRange(1, 2)); }, true, false },
        { "setAttributedString", [](CountingString& s) { s.setAttributedString(AttributedString("new")); }, true, true },
        { "addAttribute", [](CountingString& s) { s.addAttributeValueRange(kName, 1, MakeRange(0, 2)); }, false, true },
        { "addAttributes", [](CountingString& s) { s.addAttributesRange(Dictionary { { kName, 1 } }, MakeRange(0, 2)); }, false, true },
        { "removeAttribute", [](CountingString& s) { s.removeAttributeRange(kField, MakeRange(0, 2)); }, false, true },
        { "typed setAttributes", [](CountingString& s) { s.setAttributes(StringAttributes {}, MakeRange(0, 2)); }, false, true },
    };
    for (const Case& c : cases) {
        CountingString s(QStringLiteral("abcd"), Dictionary { { kField, 7 } });
        c.edit(s);
        EXPECT_EQ(s.replaces > 0, c.replaces) << c.name;
        EXPECT_EQ(s.sets > 0, c.sets) << c.name;
    }
}

TEST(AttributedStringRuns, ReplacedTextTakesTheAttributesOfTheFirstReplacedCharacterElseTheOneBeforeElseAfter)
{
    AttributedString s(QStringLiteral("ab"), Dictionary { { kName, 1 } });
    s.addAttributeValueRange(kName, 2, MakeRange(1, 1));
    // Replacing "b": its own attributes.
    s.replaceCharactersInRangeWithString(MakeRange(1, 1), QStringLiteral("XY"));
    EXPECT_EQ(s.attributeAtIndexEffectiveRange(kName, 2).integerValue(), 2);
    // Inserting inside: the character before.
    s.replaceCharactersInRangeWithString(MakeRange(1, 0), QStringLiteral("i"));
    EXPECT_EQ(s.attributeAtIndexEffectiveRange(kName, 1).integerValue(), 1);
    // Inserting at the start: the character after.
    s.replaceCharactersInRangeWithString(MakeRange(0, 0), QStringLiteral("s"));
    EXPECT_EQ(s.attributeAtIndexEffectiveRange(kName, 0).integerValue(), 1);
    EXPECT_EQ(s.string(), "saiXY");
    EXPECT_EQ(s.runs().size(), 2u);
}

TEST(AttributedStringRuns, EffectiveRangeIsTheStoredRunNotTheAttributesLongestRun)
{
    // A field attribute over "Label: value", the value marked by a second attribute.
    AttributedString s(QStringLiteral("Label: value"), Dictionary { { kField, 42 } });
    s.addAttributeValueRange(kName, QStringLiteral("placeholder"), MakeRange(7, 5));
    Range effective;
    EXPECT_EQ(s.attributeAtIndexEffectiveRange(kField, 8, &effective).integerValue(), 42);
    EXPECT_EQ(effective, MakeRange(7, 5));
    Range longest;
    s.attributeAtIndexLongestEffectiveRangeInRange(kField, 8, &longest, MakeRange(0, s.length()));
    EXPECT_EQ(longest, MakeRange(0, 12));
    // Limited by the range given.
    s.attributeAtIndexLongestEffectiveRangeInRange(kField, 8, &longest, MakeRange(3, 6));
    EXPECT_EQ(longest, MakeRange(3, 6));
    // Absent: the maximal stretch without it.
    s.attributeAtIndexLongestEffectiveRangeInRange(kName, 2, &longest, MakeRange(0, s.length()));
    EXPECT_EQ(longest, MakeRange(0, 7));
}

TEST(AttributedStringRuns, EqualDictionariesMadeApartCoalesce)
{
    auto style = [] {
        auto p = ParagraphStyle::defaultParagraphStyle();
        p->setHeadIndent(120);
        return p;
    };
    AttributedString s(QStringLiteral("abcdef"));
    s.addAttributeValueRange(ParagraphStyleAttributeName, style(), MakeRange(0, 3));
    s.addAttributeValueRange(ParagraphStyleAttributeName, style(), MakeRange(3, 3));
    EXPECT_EQ(s.runs().size(), 1u);
    // Typing into a value run does not fragment it.
    s.replaceCharactersInRangeWithString(MakeRange(2, 0), QStringLiteral("x"));
    s.addAttributeValueRange(ParagraphStyleAttributeName, style(), MakeRange(2, 1));
    EXPECT_EQ(s.runs().size(), 1u);
}

TEST(AttributedStringRuns, OutOfRangeRaisesRangeException)
{
    const std::function<void(AttributedString&)> edits[] = {
        [](AttributedString& s) { s.replaceCharactersInRangeWithString(MakeRange(3, 2), "x"); },
        [](AttributedString& s) { s.replaceCharactersInRangeWithString(MakeRange(5, 0), "x"); },
        [](AttributedString& s) { s.setAttributesRange({}, MakeRange(0, 5)); },
        [](AttributedString& s) { s.addAttributeValueRange(kName, 1, MakeRange(-1, 2)); },
        [](AttributedString& s) { s.removeAttributeRange(kName, MakeRange(4, 1)); },
        [](AttributedString& s) { s.deleteCharactersInRange(MakeRange(NotFound, 0)); },
        [](AttributedString& s) { s.insertAttributedStringAtIndex(AttributedString("x"), 5); },
        [](AttributedString& s) { (void)s.attributesAtIndexEffectiveRange(4); },
        [](AttributedString& s) { (void)s.attributeAtIndexEffectiveRange(kName, -1); },
        [](AttributedString& s) { (void)s.attributedSubstringFromRange(MakeRange(2, 3)); },
        [](AttributedString& s) {
            Range r;
            (void)s.attributeAtIndexLongestEffectiveRangeInRange(kName, 1, &r, MakeRange(0, 9));
        },
    };
    int i = 0;
    for (const auto& edit : edits) {
        AttributedString s(QStringLiteral("abcd"), Dictionary { { kName, 1 } });
        try {
            edit(s);
            ADD_FAILURE() << "case " << i << " did not raise";
        } catch (const Exception& e) {
            EXPECT_EQ(e.name(), RangeException) << "case " << i;
        }
        // Nothing changed.
        EXPECT_EQ(s.string(), "abcd") << "case " << i;
        ++i;
    }
}

TEST(AttributedStringRuns, EqualityAndHashCoverTextAndAttributes)
{
    AttributedString a(QStringLiteral("abc"), Dictionary { { kName, 1 } });
    AttributedString b(QStringLiteral("a"), Dictionary { { kName, 1 } });
    b.appendAttributedString(AttributedString(QStringLiteral("bc"), Dictionary { { kName, 1 } }));
    EXPECT_TRUE(a.isEqualToAttributedString(b));
    EXPECT_EQ(a.hash(), b.hash());
    b.addAttributeValueRange(kName, 2, MakeRange(2, 1));
    EXPECT_FALSE(a.isEqualToAttributedString(b));
    EXPECT_FALSE(a == AttributedString(QStringLiteral("abd"), Dictionary { { kName, 1 } }));
    // Equal objects made apart compare equal.
    AttributedString c(QStringLiteral("x"), StringAttributes { Font::systemFontOfSize(13), Color::redColor(), nullptr, nullptr });
    AttributedString d(QStringLiteral("x"), StringAttributes { Font::systemFontOfSize(13), Color::redColor(), nullptr, nullptr });
    EXPECT_TRUE(c == d);
    EXPECT_EQ(c.hash(), d.hash());
}

TEST(AttributedStringRuns, TypedViewReadsAndKeepsOtherNames)
{
    AttributedString s(QStringLiteral("abc"), Dictionary { { kField, 5 } });
    const auto red = Color::redColor();
    s.addAttributes({ nullptr, red, nullptr, nullptr }, MakeRange(0, 3));
    EXPECT_EQ(s.attributesAtIndex(1).foregroundColor, red);
    EXPECT_EQ(s.attributeAtIndexEffectiveRange(kField, 1).integerValue(), 5);
    EXPECT_EQ(s.runs().size(), 1u);
}
