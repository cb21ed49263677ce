#include "kit/graphics/AttributedString.h"

#include "kit/tests/GraphicsTestSupport.h"

#include <QFontMetricsF>
#include <QGuiApplication>

#include <gtest/gtest.h>

using namespace kit;

namespace {

StringAttributes sized(double size, Ref<Color> color = nullptr)
{
    return { Font::systemFontOfSize(size), std::move(color), nullptr, nullptr };
}

StringAttributes styled(TextAlignment alignment, LineBreakMode mode = LineBreakByWordWrapping)
{
    auto style = ParagraphStyle::defaultParagraphStyle();
    style->setAlignment(alignment);
    style->setLineBreakMode(mode);
    return { Font::systemFontOfSize(13), nullptr, style, nullptr };
}

double advance(const QString& s, double size) { return QFontMetricsF(Font::systemFontOfSize(size)->qFont()).horizontalAdvance(s); }

// "start+length" per run, for comparing run layouts.
QString runLayout(const AttributedString& s)
{
    QStringList parts;
    for (const auto& run : s.runs())
        parts << QStringLiteral("%1+%2").arg(run.start).arg(run.length);
    return parts.join(' ');
}

} // namespace

TEST(AttributedString, RunsSplitAndMerge)
{
    const auto small = sized(10), big = sized(20);
    AttributedString s("abcdefgh", small);
    s.setAttributes(big, MakeRange(2, 3));
    EXPECT_EQ(runLayout(s), "0+2 2+3 5+3");
    Range effective;
    EXPECT_EQ(s.attributesAtIndex(3, &effective).font, big.font);
    EXPECT_EQ(effective, MakeRange(2, 3));
    // Back to the same attributes: one run again.
    s.setAttributes(small, MakeRange(0, 8));
    EXPECT_EQ(runLayout(s), "0+8");
    // Adding a colour keeps the font.
    const auto red = Color::redColor();
    s.addAttributes({ nullptr, red, nullptr, nullptr }, MakeRange(6, 2));
    EXPECT_EQ(runLayout(s), "0+6 6+2");
    EXPECT_EQ(s.attributesAtIndex(7).font, small.font);
    EXPECT_EQ(s.attributesAtIndex(7).foregroundColor, red);

    AttributedString tail("ij", big);
    s.appendAttributedString(tail);
    EXPECT_EQ(runLayout(s), "0+6 6+2 8+2");
    const AttributedString middle = s.attributedSubstringFromRange(MakeRange(5, 4));
    EXPECT_EQ(middle.string(), "fghi");
    EXPECT_EQ(runLayout(middle), "0+1 1+2 3+1");
}

TEST(AttributedString, SizeOfOneFontMatchesStringDrawing)
{
    for (const QString& text : { QStringLiteral("Hello tabs"), QStringLiteral("two\nlines here") }) {
        const auto attributes = sized(13);
        const Size expected = StringDrawing::sizeWithAttributes(text, attributes);
        const Size size = AttributedString(text, attributes).size();
        EXPECT_DOUBLE_EQ(size.width, expected.width) << text.toStdString();
        EXPECT_DOUBLE_EQ(size.height, expected.height) << text.toStdString();
    }
}

TEST(AttributedString, TextWithoutAFontFollowsTheApplicationFont)
{
    const QFont saved = QGuiApplication::font();
    const QString text = QStringLiteral("Measured without a font");
    auto widthIn = [&](const QString& family) {
        QFont font(family);
        font.setPixelSize(12);
        return QFontMetricsF(font).horizontalAdvance(text);
    };
    ASSERT_GT(std::abs(widthIn("DejaVu Sans Mono") - widthIn("DejaVu Serif")), 5);
    for (const char* family : { "DejaVu Sans Mono", "DejaVu Serif", "DejaVu Sans Mono" }) {
        QGuiApplication::setFont(QFont(family));
        EXPECT_NEAR(AttributedString(text).size().width, widthIn(family), 1) << family;
    }
    QGuiApplication::setFont(saved);
}

TEST(AttributedString, SizeOfMixedFontsTakesTheLargestFont)
{
    AttributedString s("small", sized(10));
    s.appendAttributedString(AttributedString("BIG", sized(24)));
    const Size size = s.size();
    EXPECT_DOUBLE_EQ(size.width, advance("small", 10) + advance("BIG", 24));
    EXPECT_DOUBLE_EQ(size.height, Font::systemFontOfSize(24)->defaultLineHeightForFont());
}

TEST(AttributedString, DrawInRectStartsAtTheVisualTopInBothSpaces)
{
    AttributedString s("small", sized(10, Color::redColor()));
    s.appendAttributedString(AttributedString("BIG", sized(24)));
    const double ascent = Font::systemFontOfSize(24)->ascender();
    for (bool flipped : { false, true }) {
        kit::test::Recorder r(flipped, QSize(200, 100));
        s.drawInRect(MakeRect(5, 10, 150, 60));
        ASSERT_EQ(r.records().size(), 2u);
        const double top = flipped ? 10 : 100 - 70;
        // One baseline for the whole line, under the largest font's ascent; the runs follow each other.
        EXPECT_NEAR(r.records()[0].baseline.y(), top + ascent, 1e-9) << flipped;
        EXPECT_NEAR(r.records()[1].baseline.y(), top + ascent, 1e-9) << flipped;
        EXPECT_NEAR(r.records()[0].baseline.x(), 5, 1e-9);
        EXPECT_NEAR(r.records()[1].baseline.x(), 5 + advance("small", 10), 1e-9);
        EXPECT_EQ(r.records()[0].color(), QColor(Qt::red));
        EXPECT_EQ(r.records()[1].color(), QColor(Qt::black));
        EXPECT_EQ(r.records()[0].state.clip->boundingRect(), QRectF(5, flipped ? 10 : 30, 150, 60));
    }
}

struct AlignmentCase {
    TextAlignment alignment;
    double expectedX; // for a 100-wide rectangle at x 0, as a fraction of the free space
};

class AttributedStringAlignment : public ::testing::TestWithParam<AlignmentCase> { };

TEST_P(AttributedStringAlignment, PlacesTheLine)
{
    AttributedString s("ab", styled(GetParam().alignment));
    kit::test::Recorder r(true);
    s.drawInRect(MakeRect(0, 0, 100, 40));
    ASSERT_EQ(r.records().size(), 1u);
    // Positions come from the layouter, in Qt's 1/64-pixel units.
    EXPECT_NEAR(r.records()[0].baseline.x(), GetParam().expectedX * (100 - advance("ab", 13)), 1.0 / 64);
}

INSTANTIATE_TEST_SUITE_P(Cases, AttributedStringAlignment,
    ::testing::Values(AlignmentCase { LeftTextAlignment, 0 }, AlignmentCase { NaturalTextAlignment, 0 },
        AlignmentCase { RightTextAlignment, 1 }, AlignmentCase { CenterTextAlignment, 0.5 }));

TEST(AttributedString, WrapsPerTheParagraphStyle)
{
    const double line = Font::systemFontOfSize(13)->defaultLineHeightForFont();
    const double width = advance("word word", 13);
    {
        kit::test::Recorder r(true);
        AttributedString("word word word", styled(LeftTextAlignment)).drawInRect(MakeRect(0, 0, width + 1, 100));
        ASSERT_EQ(r.records().size(), 2u);
        EXPECT_EQ(r.records()[0].text, "word word");
        EXPECT_EQ(r.records()[1].text, "word");
        EXPECT_NEAR(r.records()[1].baseline.y() - r.records()[0].baseline.y(), line, 1e-9);
    }
    {
        kit::test::Recorder r(true);
        AttributedString("word word word", styled(LeftTextAlignment, LineBreakByClipping)).drawInRect(MakeRect(0, 0, width + 1, 100));
        ASSERT_EQ(r.records().size(), 1u);
        EXPECT_EQ(r.records()[0].text, "word word word");
    }
}

TEST(AttributedString, TailTruncationEndsInAnEllipsisThatFits)
{
    AttributedString s("abcdefghij", styled(LeftTextAlignment, LineBreakByTruncatingTail));
    s.addAttributes({ nullptr, Color::redColor(), nullptr, nullptr }, MakeRange(3, 7));
    const double width = advance("abcde\u2026", 13) + 0.5;
    kit::test::Recorder r(true);
    s.drawInRect(MakeRect(0, 0, width, 40));
    // The ellipsis takes the attributes of the last character kept, so it is drawn with that run.
    ASSERT_EQ(r.records().size(), 2u);
    EXPECT_EQ(r.records()[0].text, "abc");
    EXPECT_EQ(r.records()[1].text, QStringLiteral("de\u2026"));
    EXPECT_EQ(r.records()[1].color(), QColor(Qt::red));
    EXPECT_NEAR(r.records()[1].baseline.x(), advance("abc", 13), 1e-9);
}

struct TruncationCase {
    LineBreakMode mode;
    bool startsWithEllipsis;
    bool endsWithEllipsis;
};

class StringTruncation : public ::testing::TestWithParam<TruncationCase> { };

TEST_P(StringTruncation, OneLineThatFitsCutOnClusterBoundaries)
{
    const QString text = QStringLiteral("ab\U0001F600cde\u0301fgh\U0001F600ijklmn");
    const QString ellipsis(QChar(0x2026));
    for (double width : { 30.0, 45.0, 60.0, 80.0 }) {
        const QStringList lines = StringDrawing::layoutLines(text, width, 100, 0, styled(LeftTextAlignment, GetParam().mode));
        ASSERT_EQ(lines.size(), 1) << width;
        const QString line = lines.front();
        EXPECT_EQ(line.count(ellipsis), 1) << width;
        EXPECT_EQ(line.startsWith(ellipsis), GetParam().startsWithEllipsis) << width;
        EXPECT_EQ(line.endsWith(ellipsis), GetParam().endsWithEllipsis && !line.startsWith(ellipsis)) << width;
        EXPECT_LE(StringDrawing::sizeWithAttributes(line, styled(LeftTextAlignment)).width, width + 1e-6) << width;
        // Never half a cluster on either side of the ellipsis.
        const int at = int(line.indexOf(ellipsis));
        if (at > 0) {
            EXPECT_FALSE(line.at(at - 1).isHighSurrogate()) << width;
        }
        if (at + 1 < line.size()) {
            EXPECT_FALSE(line.at(at + 1).isLowSurrogate()) << width;
            EXPECT_NE(line.at(at + 1), QChar(0x0301)) << width;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, StringTruncation,
    ::testing::Values(TruncationCase { LineBreakByTruncatingHead, true, false }, TruncationCase { LineBreakByTruncatingMiddle, false, false },
        TruncationCase { LineBreakByTruncatingTail, false, true }));

// A kept layout draws what drawInRect draws, for the string and width of each call.
TEST(CachedStringLayout, DrawsAndMeasuresAsTheStringItselfWhateverChanges)
{
    const AttributedString centred("Tab 12 centred", styled(CenterTextAlignment, LineBreakByTruncatingTail));
    const AttributedString other("Another title", styled(LeftTextAlignment, LineBreakByTruncatingTail));
    CachedStringLayout cache;
    struct Step {
        const AttributedString* string;
        double width;
    };
    // The same again (kept), a narrower width (truncated), another string, back to the first.
    for (const Step& step : { Step { &centred, 150 }, Step { &centred, 150 }, Step { &centred, 40 }, Step { &other, 150 }, Step { &centred, 150 } }) {
        EXPECT_EQ(cache.size(*step.string), step.string->size());
        const Rect box = MakeRect(3.5, 4.25, step.width, 20);
        std::vector<DrawRecord> direct, kept;
        {
            kit::test::Recorder r(true);
            step.string->drawInRect(box);
            direct = r.records();
        }
        {
            kit::test::Recorder r(true);
            cache.drawInRect(*step.string, box);
            kept = r.records();
        }
        ASSERT_EQ(kept.size(), direct.size()) << step.width;
        for (std::size_t i = 0; i < kept.size(); ++i) {
            EXPECT_EQ(kept[i].text, direct[i].text) << step.width;
            EXPECT_EQ(kept[i].baseline, direct[i].baseline) << step.width;
        }
    }
    // An empty rectangle draws nothing, as drawInRect.
    kit::test::Recorder r(true);
    cache.drawInRect(centred, MakeRect(0, 0, 0, 20));
    EXPECT_TRUE(r.records().empty());
}
