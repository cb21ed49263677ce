// Plain one-line strings: the glyph-run path gives the pixels and the size of the shaped path.

#include "kit/graphics/AttributedString.h"
#include "kit/graphics/Color.h"
#include "kit/graphics/FastLine.h"
#include "kit/graphics/Font.h"
#include "kit/graphics/GraphicsContext.h"
#include "kit/graphics/ParagraphStyle.h"
#include "kit/graphics/Shadow.h"
#include "kit/graphics/StringDrawing.h"

#include <QImage>
#include <QPainter>
#include <QTextLayout>

#include <gtest/gtest.h>

#include <functional>

namespace {

using namespace kit;

const char* const fastLineSamples[] = { "0", "123456789", "-42.5%", "1,234,567.89", "(17) + 3/4", "12:30", "Total 7", "abc", "Wxyz Qq", "3/", "a/" };

QFont fastLineFont(int pixels, bool bold)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

QImage fastLineCanvas() { return QImage(220, 40, QImage::Format_ARGB32_Premultiplied); }

AttributedString fastLineTitle(const QString& text, const QFont& font)
{
    StringAttributes attributes;
    attributes.font = Font::fromQFont(font, font.pixelSize());
    attributes.foregroundColor = Color::fromQColor(QColor(20, 30, 40));
    auto style = make<ParagraphStyle>();
    style->setLineBreakMode(LineBreakByTruncatingTail);
    attributes.paragraphStyle = style;
    return AttributedString(text, attributes);
}

int fastLineDifferences(const QImage& a, const QImage& b)
{
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            n += a.pixel(x, y) != b.pixel(x, y) ? 1 : 0;
    return n;
}

// Pixels that differ between QPainter::drawText of `text` and `draw` doing the same at the same
// baseline on a fresh canvas.
int fastLineDifferencesFromDrawText(const QString& text, const QFont& font, const std::function<void(QPainter&, QPointF)>& draw)
{
    QImage shaped = fastLineCanvas(), other = fastLineCanvas();
    shaped.fill(Qt::white);
    other.fill(Qt::white);
    {
        QPainter p(&shaped);
        p.setFont(font);
        p.setPen(Qt::black);
        p.drawText(QPointF(3.25, 24), text);
    }
    {
        QPainter p(&other);
        p.setPen(Qt::black);
        draw(p, QPointF(3.25, 24));
    }
    return fastLineDifferences(shaped, other);
}

class FastLineTest : public ::testing::TestWithParam<std::tuple<int, bool>> { };

TEST_P(FastLineTest, GlyphRunsDrawTheShapedPixels)
{
    const QFont font = fastLineFont(std::get<0>(GetParam()), std::get<1>(GetParam()));
    for (const char* sample : fastLineSamples) {
        const QString text = QString::fromLatin1(sample);
        if (!fastline::IsPlain(text, font))
            continue;
        EXPECT_EQ(fastLineDifferencesFromDrawText(text, font, [&](QPainter& p, QPointF at) { fastline::DrawGlyphRun(p, text, font, at); }), 0)
            << sample;
        QTextLayout layout(text, font);
        layout.beginLayout();
        QTextLine line = layout.createLine();
        line.setLineWidth(1e6);
        layout.endLayout();
        EXPECT_DOUBLE_EQ(fastline::Width(text, font), line.naturalTextWidth()) << sample;
    }
}

TEST_P(FastLineTest, CellTitlesMeasureAndDrawAsTheShapedLayout)
{
    const QFont font = fastLineFont(std::get<0>(GetParam()), std::get<1>(GetParam()));
    int drawn = 0;
    for (const char* sample : fastLineSamples) {
        const AttributedString title = fastLineTitle(QString::fromLatin1(sample), font);
        Size fast;
        if (!fastline::SizeOfTitle(title, &fast))
            continue;
        const Size shapedSize = title.size();
        EXPECT_NEAR(fast.width, shapedSize.width, 1e-9) << sample;
        EXPECT_DOUBLE_EQ(fast.height, shapedSize.height) << sample;
        // Wide enough, and narrow enough to cut the tail.
        for (const double width : { 200.0, 31.5, 47.0 })
            for (const bool flipped : { true, false }) {
                QImage shaped = fastLineCanvas(), quick = fastLineCanvas();
                shaped.fill(Qt::white);
                quick.fill(Qt::white);
                const Rect box = MakeRect(4.5, 7.25, width, shapedSize.height);
                bool quickDrawn = false;
                {
                    GraphicsContext::Scope scope(GraphicsContext::graphicsContextWithImage(&quick, flipped));
                    quickDrawn = fastline::DrawTitleInRect(title, box);
                }
                if (!quickDrawn) {
                    EXPECT_LT(width, fast.width) << sample << " fits but was refused";
                    continue;
                }
                {
                    GraphicsContext::Scope scope(GraphicsContext::graphicsContextWithImage(&shaped, flipped));
                    title.drawInRect(box);
                }
                EXPECT_EQ(fastLineDifferences(shaped, quick), 0) << sample << " in " << width << (flipped ? " flipped" : "");
                ++drawn;
            }
    }
    EXPECT_GT(drawn, 12) << "digits and signs take the fast path";
}

INSTANTIATE_TEST_SUITE_P(Fonts, FastLineTest, ::testing::Combine(::testing::Values(11, 13), ::testing::Bool()));

TEST(FastLine, TitlesThatNeedShapingAreLeftToTheShapedPath)
{
    const QFont font = fastLineFont(13, false);
    Size size;
    EXPECT_FALSE(fastline::SizeOfTitle(fastLineTitle(QStringLiteral("two\nlines"), font), &size));
    EXPECT_FALSE(fastline::SizeOfTitle(fastLineTitle(QStringLiteral("caf\u00e9"), font), &size));
    AttributedString underlined = fastLineTitle(QStringLiteral("42"), font);
    Dictionary extra;
    extra.setObjectForKey(Value(std::int64_t(1)), Value(UnderlineStyleAttributeName));
    underlined.addAttributesRange(extra, { 0, 2 });
    EXPECT_FALSE(fastline::SizeOfTitle(underlined, &size));
    // Too wide for its rectangle and not cut at the tail: the shaped path handles it.
    AttributedString middle = fastLineTitle(QStringLiteral("123456789"), font);
    auto style = make<ParagraphStyle>();
    style->setLineBreakMode(LineBreakByTruncatingMiddle);
    Dictionary styled;
    styled.setObjectForKey(Value(style), Value(ParagraphStyleAttributeName));
    middle.addAttributesRange(styled, { 0, 9 });
    QImage canvas = fastLineCanvas();
    GraphicsContext::Scope scope(GraphicsContext::graphicsContextWithImage(&canvas, true));
    EXPECT_FALSE(fastline::DrawTitleInRect(middle, MakeRect(0, 0, 20, 20)));
}

TEST_P(FastLineTest, ShadowedLabelsDrawAsTheShapedLayout)
{
    const QFont font = fastLineFont(std::get<0>(GetParam()), std::get<1>(GetParam()));
    StringAttributes attributes;
    attributes.font = Font::fromQFont(font, font.pixelSize());
    attributes.foregroundColor = Color::fromQColor(QColor(60, 60, 60));
    auto shadow = make<Shadow>();
    shadow->setShadowOffset({ 0, -1 });
    shadow->setShadowBlurRadius(0);
    shadow->setShadowColor(Color::colorWithDeviceWhiteAlpha(1, 0.8));
    attributes.shadow = shadow;
    int drawn = 0;
    for (const char* sample : { "A", "AB", "1234567", "Total 7" }) {
        const QString text = QString::fromLatin1(sample);
        fastline::PlainLine line;
        if (!fastline::PlainTitleOf(AttributedString(text), attributes, &line))
            continue; // kerned in this font
        ++drawn;
        const Size size = fastline::SizeOfLine(text, line);
        EXPECT_NEAR(size.width, StringDrawing::sizeWithAttributes(text, attributes).width, 1e-9) << sample;
        EXPECT_DOUBLE_EQ(size.height, StringDrawing::sizeWithAttributes(text, attributes).height) << sample;
        // Roomy, and as narrow as the text (the clip then cuts the shadow's edges).
        for (const double width : { 150.0, size.width })
            for (const bool flipped : { true, false }) {
                QImage shaped = fastLineCanvas(), quick = fastLineCanvas();
                shaped.fill(QColor(210, 210, 210));
                quick.fill(QColor(210, 210, 210));
                const Rect box = MakeRect(6.5, 9.5, width, size.height);
                {
                    GraphicsContext::Scope scope(GraphicsContext::graphicsContextWithImage(&quick, flipped));
                    ASSERT_TRUE(fastline::DrawLineInRect(text, line, box));
                }
                {
                    GraphicsContext::Scope scope(GraphicsContext::graphicsContextWithImage(&shaped, flipped));
                    StringDrawing::drawWithRectOptionsAttributes(
                        text, box, StringDrawingUsesLineFragmentOrigin | StringDrawingTruncatesLastVisibleLine, attributes);
                }
                EXPECT_EQ(fastLineDifferences(shaped, quick), 0) << sample << " in " << width << (flipped ? " flipped" : "");
            }
    }
    EXPECT_GE(drawn, 2);
}

// Strings the fast path leaves alone: kerned pairs, ligatures, accents, other scripts. (Combining
// marks are left out: the painter itself places them a pixel apart from one draw to the next.)
const char* const shapedLineSamples[] = { "AVAVA To Wa", "office ffi fl", "caf\u00e9 na\u00efve", "\u03a9\u03bc\u03ad\u03b3\u03b1",
    "\u041f\u0440\u0438\u0432\u0435\u0442", "\u05e9\u05dc\u05d5\u05dd", "Tab\ttab" };

TEST_P(FastLineTest, ShapedLinesFromTheCacheDrawAsDrawText)
{
    const QFont font = fastLineFont(std::get<0>(GetParam()), std::get<1>(GetParam()));
    for (const char* sample : shapedLineSamples) {
        const QString text = QString::fromUtf8(sample);
        // Twice: shaped once, then from the cache.
        for (int pass = 0; pass < 2; ++pass)
            EXPECT_EQ(
                fastLineDifferencesFromDrawText(text, font, [&](QPainter& p, QPointF at) { fastline::DrawShapedLine(p, text, font, at); }), 0)
                << sample << " pass " << pass;
    }
}

TEST(FastLine, TheShapedLineCacheStaysBounded)
{
    const QFont font = fastLineFont(13, false);
    QImage canvas = fastLineCanvas();
    QPainter p(&canvas);
    for (int i = 0; i < fastline::shapedLineCacheSize + 40; ++i)
        fastline::DrawShapedLine(p, QStringLiteral("caf\u00e9 %1").arg(i), font, QPointF(2, 20));
    EXPECT_EQ(fastline::ShapedLinesCached(), fastline::shapedLineCacheSize);
}

} // namespace

#include "kit/controls/CellDrawing.h"
#include "kit/controls/TextFieldCell.h"

namespace {

TEST(FastLine, ATableCellOfDigitsTakesTheFastPath)
{
    auto cell = make<TextFieldCell>(QStringLiteral("1234567"));
    cell->setLineBreakMode(LineBreakByTruncatingTail);
    StringAttributes defaults;
    defaults.foregroundColor = Color::fromQColor(Qt::black);
    const AttributedString shown = CompleteAttributes(cell->attributedStringValue(), defaults);
    Range run;
    const Dictionary attributes = shown.attributesAtIndexEffectiveRange(0, &run);
    Size size;
    EXPECT_TRUE(fastline::SizeOfTitle(shown, &size)) << attributes.count() << " " << cell->font().key().toStdString();
}

} // namespace
