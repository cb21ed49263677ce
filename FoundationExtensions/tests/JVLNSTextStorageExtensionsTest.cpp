#include "FoundationExtensions/JVLNSMutableAttributedStringExtensions.h"
#include "FoundationExtensions/JVLNSTextStorageExtensions.h"

#include "kit/core/Object.h"

#include <gtest/gtest.h>

using namespace kit;

namespace {

const QString kField = QStringLiteral("JVLTextInspectorFieldAttributeName");

class Field : public Object {
public:
    explicit Field(int n)
        : number(n)
    { }
    // Fields compare equal by number: identity must still tell them apart.
    bool isEqual(const Object* other) const override
    {
        auto* f = dynamic_cast<const Field*>(other);
        return f && f->number == number;
    }
    int number;
};

} // namespace

TEST(JVLNSTextStorageExtensions, LongestRangeMatchesTheObjectItselfNotAnEqualCopy)
{
    const auto field = make<Field>(1), copy = make<Field>(1), other = make<Field>(2);
    // "\n" + label + value for field 1, then field 2.
    AttributedString s(QStringLiteral("\nName: Bob\nAge: 9"));
    s.addAttributeValueRange(kField, field, MakeRange(1, 9));
    s.addAttributeValueRange(QStringLiteral("PlaceholderValueAttributeName"), QStringLiteral("v"), MakeRange(7, 3));
    s.addAttributeValueRange(kField, other, MakeRange(11, 6));
    using JVLNSTextStorageExtensions::longestRangeForAttributeWithObjectStartAtIndex;
    // The whole field, across its two stored runs.
    EXPECT_EQ(longestRangeForAttributeWithObjectStartAtIndex(s, kField, field, 0), MakeRange(1, 9));
    EXPECT_EQ(longestRangeForAttributeWithObjectStartAtIndex(s, kField, other, 0), MakeRange(11, 6));
    // From inside the run, the run clipped to nothing: the longest range over the whole text.
    EXPECT_EQ(longestRangeForAttributeWithObjectStartAtIndex(s, kField, field, 5), MakeRange(1, 9));
    // An equal copy is not the field.
    EXPECT_EQ(longestRangeForAttributeWithObjectStartAtIndex(s, kField, copy, 0).location, NotFound);
    // Past the field, at and past the end.
    EXPECT_EQ(longestRangeForAttributeWithObjectStartAtIndex(s, kField, field, 10).location, NotFound);
    EXPECT_EQ(longestRangeForAttributeWithObjectStartAtIndex(s, kField, other, 17).location, NotFound);
    EXPECT_EQ(longestRangeForAttributeWithObjectStartAtIndex(s, kField, other, 100).location, NotFound);
    // A nil object matches nothing, not the leading "\n" that has no field.
    EXPECT_EQ(longestRangeForAttributeWithObjectStartAtIndex(s, kField, Value(), 0), MakeRange(NotFound, 0));
}

TEST(JVLNSTextStorageExtensions, RangeForAttributeInRange)
{
    const auto field = make<Field>(1);
    AttributedString s(QStringLiteral("abcdefgh"));
    s.addAttributeValueRange(kField, field, MakeRange(3, 4));
    s.addAttributeValueRange(QStringLiteral("Other"), 1, MakeRange(5, 3));
    using JVLNSTextStorageExtensions::rangeForAttributeInRange;
    // The stored run at the first carrying character, clipped to the range.
    EXPECT_EQ(rangeForAttributeInRange(s, kField, MakeRange(0, 8)), MakeRange(3, 2));
    EXPECT_EQ(rangeForAttributeInRange(s, kField, MakeRange(4, 1)), MakeRange(4, 1));
    EXPECT_EQ(rangeForAttributeInRange(s, kField, MakeRange(5, 3)), MakeRange(5, 2));
    EXPECT_EQ(rangeForAttributeInRange(s, kField, MakeRange(0, 3)).location, NotFound);
    EXPECT_EQ(rangeForAttributeInRange(s, kField, MakeRange(4, 0)).location, NotFound);
    EXPECT_EQ(rangeForAttributeInRange(s, QStringLiteral("Missing"), MakeRange(0, 8)).location, NotFound);
}

namespace {

struct UrlCase {
    const char* text;
    const char* word; // the linked word, or nullptr
    const char* url;
};

class DetectURLs : public ::testing::TestWithParam<UrlCase> { };

} // namespace

TEST_P(DetectURLs, LinksWordsThatMakeAURL)
{
    const UrlCase c = GetParam();
    AttributedString s(QString::fromUtf8(c.text));
    JVLNSMutableAttributedStringExtensions::detectURLs(s, Color::blueColor());
    if (!c.word) {
        for (int i = 0; i < s.length(); ++i)
            EXPECT_TRUE(s.attributeAtIndexEffectiveRange(LinkAttributeName, i).isNil()) << c.text;
        return;
    }
    const QString word = QString::fromUtf8(c.word);
    const int at = int(s.string().indexOf(word));
    ASSERT_GE(at, 0);
    Range range;
    const Value link = s.attributeAtIndexEffectiveRange(LinkAttributeName, at, &range);
    EXPECT_EQ(link.stringValue(), QString::fromUtf8(c.url)) << c.text;
    EXPECT_EQ(range, MakeRange(at, word.size())) << c.text;
    EXPECT_EQ(s.attributeAtIndexEffectiveRange(UnderlineStyleAttributeName, at).integerValue(), 1);
    EXPECT_TRUE(s.attributeAtIndexEffectiveRange(ForegroundColorAttributeName, at).object()->isEqual(Color::blueColor().get()));
}

INSTANTIATE_TEST_SUITE_P(Rules, DetectURLs,
    ::testing::Values(UrlCase { "see https://example.org/a?b=1 now", "https://example.org/a?b=1", "https://example.org/a?b=1" },
        UrlCase { "go www.example.com", "www.example.com", "http://www.example.com" },
        UrlCase { "ftp.example.com\tthere", "ftp.example.com", "ftp://ftp.example.com" },
        UrlCase { "old gopher.example.net", "gopher.example.net", "gopher://gopher.example.net" },
        UrlCase { "write mailto:me@example.org.", "mailto:me@example.org.", "mailto:me@example.org." },
        // Trailing punctuation stays in the word.
        UrlCase { "(www.example.com),", nullptr, nullptr },
        UrlCase { "visit www.example.com. Then", "www.example.com.", "http://www.example.com." },
        // Separators: U+2028, U+2029 and non-breaking space split words.
        UrlCase { "a\u2028www.x.org\u2029b", "www.x.org", "http://www.x.org" },
        UrlCase { "\U0001F600www.x.org", nullptr, nullptr }, UrlCase { "\U0001F600 www.x.org \U0001F600", "www.x.org", "http://www.x.org" },
        UrlCase { "no links here", nullptr, nullptr }, UrlCase { "http://[bad host", nullptr, nullptr }));
