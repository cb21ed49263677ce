// Plain one-line strings: the glyph-run path gives the pixels and the size of the shaped path.

#include "kit/graphics/AttributedString.h"
#include "kit/graphics/Color.h"
#include "kit/graphics/FastLine.h"
#include "kit/graphics/Font.h"
#include "kit/graphics/GraphicsContext.h"
#include "kit/graphics/ParagraphStyle.h"
#include "kit/graphics/StringDrawing.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

namespace {

using namespace kit;

const char* const fastLineSamples[] = { "0", "123456789", "-42.5%", "1,234,567.89", "(17) + 3/4", "12:30", "Total 7", "abc", "Wxyz Qq" };

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

class FastLineTest : public ::testing::TestWithParam<std::tuple<int, bool>> { };

TEST_P(FastLineTest, GlyphRunsDrawTheShapedPixels)
{
    const QFont font = fastLineFont(std::get<0>(GetParam()), std::get<1>(GetParam()));
    for (const char* sample : fastLineSamples) {
        const QString text = QString::fromLatin1(sample);
        if (!fastline::IsPlain(text, font))
            continue;
        QImage shaped = fastLineCanvas(), run = fastLineCanvas();
        shaped.fill(Qt::white);
        run.fill(Qt::white);
        {
            QPainter p(&shaped);
            p.setFont(font);
            p.setPen(Qt::black);
            p.drawText(QPointF(3.25, 24), text);
        }
        {
            QPainter p(&run);
            p.setPen(Qt::black);
            fastline::DrawGlyphRun(p, text, font, QPointF(3.25, 24));
        }
        EXPECT_EQ(fastLineDifferences(shaped, run), 0) << sample;
        EXPECT_DOUBLE_EQ(fastline::Width(text, font), QFontMetricsF(font).horizontalAdvance(text)) << sample;
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
