#include "kit/graphics/StringDrawing.h"

#include "kit/tests/GraphicsTestSupport.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFontMetricsF>
#include <QPainter>
#include <QProcess>

#include <gtest/gtest.h>

#include <map>

namespace {

namespace SD = kit::StringDrawing;
using kit::MakeRect;
using kit::StringAttributes;

StringAttributes font13() { return { kit::Font::systemFontOfSize(13), nullptr, nullptr, nullptr }; }

StringAttributes withLineBreak(kit::LineBreakMode mode, kit::TextAlignment alignment = kit::NaturalTextAlignment)
{
    auto style = kit::ParagraphStyle::defaultParagraphStyle();
    style->setLineBreakMode(mode);
    style->setAlignment(alignment);
    return { kit::Font::systemFontOfSize(13), nullptr, style, nullptr };
}

TEST(StringDrawing, SizeIsOneUnroundedLine)
{
    const auto attrs = font13();
    const kit::Size size = SD::sizeWithAttributes("Hello tabs", attrs);
    const QFontMetricsF m(attrs.font->qFont());
    EXPECT_DOUBLE_EQ(size.width, m.horizontalAdvance("Hello tabs"));
    EXPECT_DOUBLE_EQ(size.height, attrs.font->ascender() - attrs.font->descender() + attrs.font->leading());
    // Default font: system 12.
    EXPECT_DOUBLE_EQ(SD::sizeWithAttributes("x", {}).height, kit::Font::systemFontOfSize(12)->defaultLineHeightForFont());
}

// drawAtPoint: top-left when flipped, bottom-left of the line box when not.
// Sizes measure tabs as the layout manager places them: stops from the string's left edge, one
// space on past the last stop.
TEST(StringDrawing, TabStopsCountFromTheStringsOrigin)
{
    auto style = kit::ParagraphStyle::defaultParagraphStyle();
    style->setTabStops({ kit::TextTab(kit::LeftTabStopType, 50) });
    const StringAttributes attrs { kit::Font::systemFontOfSize(13), nullptr, style, nullptr };
    const QFontMetricsF m(attrs.font->qFont());
    EXPECT_NEAR(SD::sizeWithAttributes("\tX", attrs).width, 50 + m.horizontalAdvance("X"), 0.02);
    EXPECT_NEAR(SD::sizeWithAttributes("\t\tX", attrs).width, 50 + m.horizontalAdvance(" X"), 0.02);
}

TEST(StringDrawing, DrawAtPointAnchor)
{
    const auto attrs = font13();
    const double ascent = attrs.font->ascender(), line = attrs.font->defaultLineHeightForFont();
    {
        kit::test::Recorder flipped(true, QSize(200, 100));
        SD::drawAtPointWithAttributes("Badge", { 10, 20 }, attrs);
        ASSERT_EQ(flipped.records().size(), 1u);
        EXPECT_NEAR(flipped.records()[0].baseline.y(), 20 + ascent, 1e-9);
        EXPECT_NEAR(flipped.records()[0].baseline.x(), 10, 1e-9);
    }
    kit::test::Recorder up(false, QSize(200, 100));
    SD::drawAtPointWithAttributes("Badge", { 10, 20 }, attrs);
    ASSERT_EQ(up.records().size(), 1u);
    // Box from user y 20 to 20 + line; its top is device 100 − (20 + line).
    EXPECT_NEAR(up.records()[0].baseline.y(), 100 - (20 + line) + ascent, 1e-9);
}

// drawInRect starts at the visual top in both spaces.
TEST(StringDrawing, DrawInRectStartsAtTheVisualTop)
{
    const auto attrs = font13();
    const double ascent = attrs.font->ascender();
    for (bool flipped : { false, true }) {
        kit::test::Recorder r(flipped, QSize(200, 100));
        SD::drawInRectWithAttributes("Top line", MakeRect(0, 10, 150, 60), attrs);
        ASSERT_EQ(r.records().size(), 1u);
        const double top = flipped ? 10 : 100 - 70;
        EXPECT_NEAR(r.records()[0].baseline.y(), top + ascent, 1e-9) << flipped;
        EXPECT_EQ(r.records()[0].state.clip->boundingRect(), QRectF(0, flipped ? 10 : 30, 150, 60));
    }
}

TEST(StringDrawing, GlyphsComeOutUprightInBothSpaces)
{
    QImage images[2];
    for (bool flipped : { false, true }) {
        kit::test::Canvas canvas(60, 30, flipped);
        SD::drawInRectWithAttributes("Tg", MakeRect(0, 0, 60, 30), font13());
        images[flipped] = canvas.finish();
    }
    EXPECT_EQ(images[0], images[1]);
    // The T's bar is near the top: ink in the first rows, none at the bottom.
    int inkTop = 0, inkBottom = 0;
    for (int x = 0; x < 60; ++x) {
        inkTop += kit::test::pixel(images[0], x, 3).red() < 128;
        inkBottom += kit::test::pixel(images[0], x, 28).red() < 128;
    }
    EXPECT_GT(inkTop, 3);
    EXPECT_EQ(inkBottom, 0);
}

// A right-to-left stretch is one piece drawn from its visual left end, so its glyphs keep their
// order and stay inside the line; mixed lines keep the visual order of their stretches.
TEST(StringDrawing, RightToLeftStretchesAreDrawnInVisualOrder)
{
    const auto attrs = font13();
    const QFontMetricsF m(attrs.font->qFont());
    const QString hebrew = QStringLiteral("\u05D0\u05D1\u05D2");
    auto drawn = [&](const QString& text) {
        kit::test::Recorder r(true, QSize(300, 40));
        SD::drawAtPointWithAttributes(text, { 0, 0 }, attrs);
        std::map<QString, double> x;
        for (const auto& record : r.records())
            x[record.text] = record.baseline.x();
        return x;
    };
    // Left-to-right line: the Hebrew word follows "ab ".
    const auto ltr = drawn(QStringLiteral("ab ") + hebrew);
    ASSERT_EQ(ltr.size(), 2u);
    EXPECT_NEAR(ltr.at(QStringLiteral("ab ")), 0, 0.5);
    EXPECT_NEAR(ltr.at(hebrew), m.horizontalAdvance(QStringLiteral("ab ")), 0.5);
    // Right-to-left line: the embedded Latin word lies at the left, the Hebrew word (with the space
    // after it in reading order) to its right.
    const auto rtl = drawn(hebrew + QStringLiteral(" xy"));
    ASSERT_EQ(rtl.size(), 2u);
    EXPECT_NEAR(rtl.at(QStringLiteral("xy")), 0, 0.5);
    EXPECT_NEAR(rtl.at(hebrew + u' '), m.horizontalAdvance(QStringLiteral("xy")), 0.5);
}

TEST(StringDrawing, WrapsAndAligns)
{
    const auto attrs = withLineBreak(kit::LineBreakByWordWrapping, kit::RightTextAlignment);
    const QStringList lines = SD::layoutLines("alpha beta gamma delta", 60, 1000, 0, attrs);
    EXPECT_GT(lines.size(), 1);
    const QFontMetricsF m(attrs.font->qFont());
    for (const QString& line : lines)
        EXPECT_LE(m.horizontalAdvance(line.trimmed()), 60) << line.toStdString();
    kit::test::Recorder r(true);
    SD::drawInRectWithAttributes("ab", MakeRect(0, 0, 100, 20), attrs);
    EXPECT_NEAR(r.records()[0].baseline.x(), 100 - m.horizontalAdvance("ab"), 1e-9);
}

struct TruncationCase {
    const char* name;
    QString text;
    double width;
};

class TailTruncation : public testing::TestWithParam<TruncationCase> { };

TEST_P(TailTruncation, FitsEndsInEllipsisAndKeepsGraphemes)
{
    const auto& c = GetParam();
    const auto attrs = withLineBreak(kit::LineBreakByTruncatingTail);
    const QStringList lines = SD::layoutLines(c.text, c.width, 100, 0, attrs);
    ASSERT_EQ(lines.size(), 1) << c.name;
    const QString& line = lines.front();
    const QFontMetricsF m(attrs.font->qFont());
    EXPECT_LE(m.horizontalAdvance(line), c.width) << c.name;
    EXPECT_TRUE(line.endsWith(QChar(0x2026))) << c.name;
    EXPECT_TRUE(c.text.startsWith(line.chopped(1))) << c.name;
    if (line.size() >= 2) {
        EXPECT_FALSE(line.at(line.size() - 2).isHighSurrogate()) << c.name;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, TailTruncation,
    testing::Values(TruncationCase { "plain", "A rather long tab title", 60 },
        TruncationCase { "surrogate pairs",
            QString::fromUtf8("\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80"
                              "\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80"),
            30 },
        TruncationCase { "combining marks",
            QString::fromUtf8("e\xCC\x81"
                              "e\xCC\x81"
                              "e\xCC\x81"
                              "e\xCC\x81"
                              "e\xCC\x81"
                              "e\xCC\x81"
                              "e\xCC\x81"),
            30 }));

TEST(StringDrawing, TextThatFitsIsNotTruncated)
{
    EXPECT_EQ(SD::layoutLines("Tab", 500, 100, 0, withLineBreak(kit::LineBreakByTruncatingTail)), QStringList { "Tab" });
    // Narrower than the ellipsis: the ellipsis alone, which the rectangle clips.
    EXPECT_EQ(SD::layoutLines("Title", 1, 100, 0, withLineBreak(kit::LineBreakByTruncatingTail)), QStringList { QString(QChar(0x2026)) });
}

TEST(StringDrawing, LineFragmentOriginWithTruncationDropsLinesThatDoNotFit)
{
    const auto attrs = font13();
    const double line = attrs.font->defaultLineHeightForFont();
    const unsigned options = kit::StringDrawingUsesLineFragmentOrigin | kit::StringDrawingTruncatesLastVisibleLine;
    ASSERT_EQ(options, 33u);
    const QStringList lines = SD::layoutLines("one two three four five six seven eight nine ten", 80, 2 * line + 3, options, attrs);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines.back().endsWith(QChar(0x2026)));
    EXPECT_LE(QFontMetricsF(attrs.font->qFont()).horizontalAdvance(lines.back()), 80);
    kit::test::Recorder r(true);
    SD::drawWithRectOptionsAttributes("one two three four five six seven eight nine ten", MakeRect(0, 0, 80, 2 * line + 3), options, attrs);
    EXPECT_EQ(r.records().size(), 2u);
}

TEST(StringDrawing, TextShadowAndColourAreRecorded)
{
    auto shadow = kit::Shadow::shadow();
    shadow->setShadowOffset({ 0, -0.5 });
    StringAttributes attrs { kit::Font::systemFontOfSize(11), kit::Color::redColor(), nullptr, shadow };
    kit::test::Recorder r(true);
    SD::drawAtPointWithAttributes("x", { 0, 0 }, attrs);
    ASSERT_EQ(r.records().size(), 1u);
    EXPECT_EQ(r.records()[0].color(), QColor(Qt::red));
    EXPECT_EQ(r.records()[0].state.shadow.offset, QPointF(0, -0.5));
    EXPECT_FALSE(r.context->shadow().isActive());
}

// What text measures and looks like, as one string: it must not change with the font DPI.
QByteArray textFingerprint()
{
    QByteArray out;
    const auto attrs = font13();
    for (const char* s : { "Hello", "Tab title", "Wg" }) {
        const kit::Size size = SD::sizeWithAttributes(s, attrs);
        out += QByteArray::number(size.width, 'f', 4) + "x" + QByteArray::number(size.height, 'f', 4) + ";";
    }
    kit::test::Canvas canvas(80, 20, true);
    SD::drawInRectWithAttributes("Tab title", MakeRect(0, 0, 80, 20), attrs);
    const QImage& image = canvas.finish();
    out += QCryptographicHash::hash(
        QByteArray(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes()), QCryptographicHash::Md5)
               .toHex();
    return out;
}

TEST(StringDrawing, ResultsDoNotDependOnTheFontDpi)
{
    const QByteArray expected = qgetenv("KIT_TEXT_FINGERPRINT");
    if (!expected.isEmpty()) {
        EXPECT_EQ(textFingerprint(), expected); // the child run, at QT_FONT_DPI=144
        return;
    }
    // An image whose logical DPI is 144 draws the same pixels.
    QImage a(80, 20, QImage::Format_ARGB32_Premultiplied), b = a;
    b.setDotsPerMeterX(5669);
    b.setDotsPerMeterY(5669);
    for (QImage* image : { &a, &b }) {
        image->fill(Qt::white);
        QPainter painter(image);
        auto context = kit::GraphicsContext::graphicsContextWithPainter(&painter, true);
        kit::GraphicsContext::Scope scope(context);
        SD::drawInRectWithAttributes("Tab title", MakeRect(0, 0, 80, 20), font13());
    }
    EXPECT_EQ(a, b);

    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_FONT_DPI", "144");
    env.insert("KIT_TEXT_FINGERPRINT", QString::fromLatin1(textFingerprint()));
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), { "--gtest_filter=StringDrawing.ResultsDoNotDependOnTheFontDpi:Font.*" });
    ASSERT_TRUE(child.waitForFinished(120000));
    EXPECT_EQ(child.exitCode(), 0) << child.readAllStandardOutput().toStdString();
}

} // namespace
