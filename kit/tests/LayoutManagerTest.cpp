#include "kit/controls/CellDrawing.h"
#include "kit/text/LayoutManager.h"
#include "kit/text/TextAttachment.h"
#include "kit/text/TextContainer.h"
#include "kit/text/TextLayoutClient.h"
#include "kit/text/TextStorage.h"
#include "kit/text/Typesetter.h"

#include "kit/tests/GraphicsTestSupport.h"

#include <QFontMetricsF>

#include <cmath>
#include <map>

#include <gtest/gtest.h>

using namespace kit;

namespace {

const QString kFieldName = QStringLiteral("JVLTextInspectorFieldAttributeName");

Ref<Font> layoutManagerFont13() { return Font::systemFontOfSize(13); }

double advanceOf(const QString& s) { return QFontMetricsF(layoutManagerFont13()->qFont()).horizontalAdvance(s); }

double lineHeight() { return layoutManagerFont13()->defaultLineHeightForFont(); }

struct Laid {
    Ref<TextStorage> storage = make<TextStorage>();
    Ref<LayoutManager> manager;
    Ref<TextContainer> container = make<TextContainer>(Size { 400, 1e7 });

    explicit Laid(const QString& text, Ref<ParagraphStyle> style = nullptr, Ref<LayoutManager> m = make<LayoutManager>())
        : manager(std::move(m))
    {
        Dictionary attributes { { FontAttributeName, layoutManagerFont13() } };
        if (style)
            attributes.setObjectForKey(style, ParagraphStyleAttributeName);
        storage->replaceCharactersInRangeWithAttributedString(MakeRange(0, 0), AttributedString(text, attributes));
        storage->addLayoutManager(manager);
        manager->addTextContainer(container);
    }
    // A glyph's x in the container.
    double x(std::int64_t glyph) { return manager->lineFragmentRectForGlyphAtIndexEffectiveRange(glyph).minX() + manager->locationForGlyphAtIndex(glyph).x; }
    Rect line(std::int64_t glyph) { return manager->lineFragmentRectForGlyphAtIndexEffectiveRange(glyph); }
    Rect used(std::int64_t glyph) { return manager->lineFragmentUsedRectForGlyphAtIndexEffectiveRange(glyph); }
    TextContainer* c() { return container.get(); }
};

// A form paragraph's style: the label right-aligned at 90, the value at 100 and below it.
Ref<ParagraphStyle> formStyle(double firstLineHeadIndent)
{
    auto style = ParagraphStyle::defaultParagraphStyle();
    style->setTabStops({ TextTab(RightTabStopType, 90), TextTab(LeftTabStopType, 100) });
    style->setHeadIndent(100);
    style->setFirstLineHeadIndent(firstLineHeadIndent);
    return style;
}

class FormTabs : public ::testing::TestWithParam<double> { };

} // namespace

TEST_P(FormTabs, TabStopsAndIndentsShareTheContainerOrigin)
{
    const QString value = QStringLiteral("value words that go on and on until they wrap onto a second line");
    Laid t(QStringLiteral("\tLabel:\t") + value, formStyle(GetParam()));
    const double padding = t.container->lineFragmentPadding();
    // "Label:" ends at the right tab, the value starts at the left one.
    EXPECT_NEAR(t.x(7), padding + 90, 0.01);
    EXPECT_NEAR(t.x(1), padding + 90 - advanceOf(QStringLiteral("Label:")), 0.01);
    EXPECT_NEAR(t.x(8), padding + 100, 0.01);
    // Wrapped lines start at the head indent.
    Range first;
    t.manager->lineFragmentRectForGlyphAtIndexEffectiveRange(8, &first);
    ASSERT_LT(MaxRange(first), t.storage->length()) << "the value must wrap";
    EXPECT_NEAR(t.x(MaxRange(first)), padding + 100, 0.01);
}

INSTANTIATE_TEST_SUITE_P(Indents, FormTabs, ::testing::Values(0.0, 20.0, 40.0));

TEST(LayoutManager, TabsPastTheLastStop)
{
    auto style = ParagraphStyle::defaultParagraphStyle();
    style->setTabStops({ TextTab(LeftTabStopType, 50) });
    style->setDefaultTabInterval(40);
    Laid t(QStringLiteral("a\tb\tc"), style);
    const double padding = 5;
    EXPECT_NEAR(t.x(2), padding + 50, 0.01);
    // The next multiple of the interval.
    EXPECT_NEAR(t.x(4), padding + 80, 0.01);
    // Without an interval: one space on.
    auto plain = ParagraphStyle::defaultParagraphStyle();
    plain->setTabStops({ TextTab(LeftTabStopType, 50) });
    Laid u(QStringLiteral("a\tb\tc\td"), plain);
    const double afterB = u.x(2) + advanceOf(QStringLiteral("b"));
    EXPECT_NEAR(u.x(4), afterB + advanceOf(QStringLiteral(" ")), 0.02);
    EXPECT_NEAR(u.x(6), u.x(4) + advanceOf(QStringLiteral("c ")), 0.02);
}

TEST(LayoutManager, TheIntervalCountsFromTheContainerOriginNotTheIndent)
{
    auto style = ParagraphStyle::defaultParagraphStyle();
    style->setTabStops({ TextTab(LeftTabStopType, 50) });
    style->setDefaultTabInterval(40);
    style->setFirstLineHeadIndent(30);
    Laid t(QStringLiteral("\tb\tc"), style);
    const double padding = 5;
    EXPECT_NEAR(t.x(0), padding + 30, 0.01);
    EXPECT_NEAR(t.x(1), padding + 50, 0.01);
    EXPECT_NEAR(t.x(3), padding + 80, 0.01);
}

TEST(LayoutManager, PastTheDefaultStylesTwelfthStopATabMovesOneSpace)
{
    // Twelve left stops every 28 points, no interval.
    Laid t(QString(12, QLatin1Char('\t')) + QStringLiteral("a\tb"), ParagraphStyle::defaultParagraphStyle());
    const double padding = 5;
    for (int i = 1; i <= 12; ++i)
        EXPECT_NEAR(t.x(i), padding + 28.0 * i, 0.01) << i;
    EXPECT_NEAR(t.x(14), padding + 336 + advanceOf(QStringLiteral("a ")), 0.02);
}

TEST(LayoutManager, CentreAndDecimalStops)
{
    auto style = ParagraphStyle::defaultParagraphStyle();
    style->setTabStops({ TextTab(CenterTabStopType, 100), TextTab(DecimalTabStopType, 250) });
    style->setFirstLineHeadIndent(20);
    Laid t(QStringLiteral("\tmiddle\t12.5"), style);
    const double padding = 5;
    // "middle" is centred on 100, the decimal point sits at 250.
    EXPECT_NEAR((t.x(1) + t.x(7)) / 2, padding + 100, 0.5);
    EXPECT_NEAR(t.x(10), padding + 250, 0.5);
}

TEST(LayoutManager, ParagraphSpacingLiesInsideTheLineRectOnly)
{
    auto style = ParagraphStyle::defaultParagraphStyle();
    style->setParagraphSpacing(6);
    Laid t(QStringLiteral("ab\u2028cd\nef"), style);
    const double h = lineHeight();
    // U+2028 breaks the line inside the paragraph: no spacing there.
    EXPECT_NEAR(t.line(0).height(), h, 1e-9);
    EXPECT_NEAR(t.line(3).minY(), h, 1e-9);
    EXPECT_NEAR(t.line(3).height(), h + 6, 1e-9);
    EXPECT_NEAR(t.used(3).height(), h, 1e-9);
    EXPECT_NEAR(t.line(6).minY(), 2 * h + 6, 1e-9);
    // A point in the spacing gap belongs to the line above.
    EXPECT_EQ(t.manager->glyphIndexForPointInTextContainer({ 5.5, 2 * h + 3 }, t.c()), 3);
    // The caret after the final paragraph needs no extra line; "ef\n" would.
    EXPECT_TRUE(IsEmptyRect(t.manager->extraLineFragmentRect()));
    t.storage->appendAttributedString(AttributedString(QStringLiteral("\n")));
    const Rect extra = t.manager->extraLineFragmentRect();
    EXPECT_NEAR(extra.minY(), t.line(6).maxY(), 1e-9);
    EXPECT_GT(extra.height(), 0);
}

TEST(LayoutManager, GlyphUnderAPoint)
{
    Laid t(QStringLiteral("abc\ndef"));
    const double padding = 5;
    const double h = lineHeight();
    const double bStart = padding + advanceOf(QStringLiteral("a")), bEnd = padding + advanceOf(QStringLiteral("ab"));
    double fraction = 0;
    // The right half of "b" is still "b".
    EXPECT_EQ(t.manager->glyphIndexForPointInTextContainerFractionOfDistanceThroughGlyph({ bEnd - 0.5, h / 2 }, t.c(), &fraction), 1);
    EXPECT_GT(fraction, 0.5);
    EXPECT_EQ(t.manager->glyphIndexForPointInTextContainer({ bStart + 0.5, h / 2 }, t.c()), 1);
    // Past the end of a line: its last glyph.
    EXPECT_EQ(t.manager->glyphIndexForPointInTextContainer({ 300, h / 2 }, t.c()), 2);
    // Above and below the text: the first and last lines.
    EXPECT_EQ(t.manager->glyphIndexForPointInTextContainer({ bStart + 0.5, -50 }, t.c()), 1);
    EXPECT_EQ(t.manager->glyphIndexForPointInTextContainer({ bStart + 0.5, 500 }, t.c()), 5);
    // The caret goes to the nearest boundary.
    EXPECT_EQ(t.manager->characterIndexForInsertionAtPoint({ bEnd - 0.5, h / 2 }), 2);
    EXPECT_EQ(t.manager->characterIndexForInsertionAtPoint({ bStart + 0.5, h / 2 }), 1);
    EXPECT_EQ(t.manager->characterIndexForInsertionAtPoint({ 300, h / 2 }), 3);
    EXPECT_EQ(t.manager->characterIndexForInsertionAtPoint({ 300, 500 }), 7);
}

TEST(LayoutManager, ClustersAreNeverSplit)
{
    // A surrogate pair and a combining mark.
    Laid t(QStringLiteral("a\U0001F600e\u0301b"));
    EXPECT_EQ(t.manager->clusterBoundaryAfter(1), 3);
    EXPECT_EQ(t.manager->clusterBoundaryBefore(2), 1);
    EXPECT_EQ(t.manager->clusterBoundaryAfter(3), 5);
    EXPECT_EQ(t.manager->clusterBoundaryBefore(4), 3);
    Range actual;
    t.manager->glyphRangeForCharacterRangeActualCharacterRange(MakeRange(2, 1), &actual);
    EXPECT_EQ(actual, MakeRange(1, 2));
    // Both units of the pair share the cluster's box.
    const Rect high = t.manager->boundingRectForGlyphRangeInTextContainer(MakeRange(1, 1), t.c());
    const Rect low = t.manager->boundingRectForGlyphRangeInTextContainer(MakeRange(2, 1), t.c());
    EXPECT_EQ(high, low);
    EXPECT_GT(high.width(), 0);
    // No caret position inside a cluster, wherever the point is.
    for (double x = 0; x < 120; x += 0.5) {
        const std::int64_t i = t.manager->characterIndexForInsertionAtPoint({ x, 3 });
        EXPECT_TRUE(i != 2 && i != 4) << "x " << x << " gave " << i;
    }
}

TEST(LayoutManager, BoundingRectsUniteGlyphBoxesAndBreaksAreZeroWide)
{
    Laid t(QStringLiteral("ab\u2028"));
    const Rect a = t.manager->boundingRectForGlyphRangeInTextContainer(MakeRange(0, 1), t.c());
    const Rect ab = t.manager->boundingRectForGlyphRangeInTextContainer(MakeRange(0, 2), t.c());
    const Rect separator = t.manager->boundingRectForGlyphRangeInTextContainer(MakeRange(2, 1), t.c());
    EXPECT_NEAR(a.width(), advanceOf(QStringLiteral("a")), 0.01);
    EXPECT_NEAR(ab.width(), advanceOf(QStringLiteral("ab")), 0.01);
    EXPECT_NEAR(ab.height(), lineHeight(), 1e-9);
    EXPECT_EQ(separator.width(), 0);
    EXPECT_EQ(t.manager->boundingRectForGlyphRangeInTextContainer(MakeRange(0, 3), t.c()), ab);
}

// What a repaint of a rect draws: the lines that cross it, not whole paragraphs, and not a line that
// only touches one of its edges.
TEST(LayoutManager, TheGlyphsOfABoundingRectAreTheLinesCrossingIt)
{
    QString words;
    for (int i = 0; i < 40; ++i)
        words += QStringLiteral("word ");
    Laid t(words + QStringLiteral("\nnext\nlast"));
    Range first, second, last, next;
    const Rect l1 = t.manager->lineFragmentRectForGlyphAtIndexEffectiveRange(0, &first);
    const Rect l2 = t.manager->lineFragmentRectForGlyphAtIndexEffectiveRange(MaxRange(first), &second);
    const Rect l3 = t.manager->lineFragmentRectForGlyphAtIndexEffectiveRange(words.length(), &last);
    const Rect ln = t.manager->lineFragmentRectForGlyphAtIndexEffectiveRange(words.length() + 1, &next);
    ASSERT_LT(MaxRange(second), last.location) << "the paragraph wraps into three lines or more";
    const auto rangeOf = [&](double top, double bottom) {
        return t.manager->glyphRangeForBoundingRectInTextContainer(MakeRect(0, top, 400, bottom - top), t.c());
    };
    const struct {
        const char* what;
        double top, bottom;
        Range expected;
    } cases[] = {
        { "inside the second line", l2.minY() + 1, l2.maxY() - 1, second },
        { "exactly the second line", l2.minY(), l2.maxY(), second },
        { "the paragraph's last line, its bottom the next paragraph's top", l3.minY(), ln.minY(), last },
        { "from the middle of the second line into the next paragraph", l2.midY(), ln.midY(),
            MakeRange(second.location, MaxRange(next) - second.location) },
        { "a rect of no height", l1.midY(), l1.midY(), first },
    };
    for (const auto& c : cases)
        EXPECT_EQ(rangeOf(c.top, c.bottom), c.expected) << c.what;
    EXPECT_EQ(MaxRange(rangeOf(ln.maxY() + 50, ln.maxY() + 60)), t.manager->numberOfGlyphs()) << "below the text: its last line";
}

namespace {

class SizedCell : public TextAttachmentCell {
public:
    explicit SizedCell(Size s)
        : size(s)
    { }
    Size cellSize() const override { return size; }
    Size size;
};

Ref<TextAttachment> attachmentOf(Size size) { return make<TextAttachment>(make<SizedCell>(size)); }

} // namespace

TEST(LayoutManager, AttachmentsReserveTheirWidthAndGrowTheirLine)
{
    Laid t(QStringLiteral("x"));
    t.storage->appendAttributedString(TextAttachment::attributedStringWithAttachment(attachmentOf({ 30, 40 })));
    t.storage->appendAttributedString(AttributedString(QStringLiteral("y"), Dictionary { { FontAttributeName, layoutManagerFont13() } }));
    EXPECT_NEAR(t.x(2) - t.x(1), 30, 0.01);
    // The cell sits on the baseline: the line's ascent becomes its height.
    EXPECT_NEAR(t.manager->locationForGlyphAtIndex(0).y, 40, 1e-9);
    EXPECT_NEAR(t.line(0).height(), 40 - layoutManagerFont13()->descender() + layoutManagerFont13()->leading(), 1e-9);
    // A short cell leaves the line alone.
    Laid u(QStringLiteral("x"));
    u.storage->appendAttributedString(TextAttachment::attributedStringWithAttachment(attachmentOf({ 8, 4 })));
    EXPECT_NEAR(u.line(0).height(), lineHeight(), 1e-9);
    EXPECT_NEAR(u.manager->boundingRectForGlyphRangeInTextContainer(MakeRange(1, 1), u.c()).width(), 8, 0.01);
}

namespace {

// A typesetter keeping each field's line at least a minimum height below the previous field's,
// and indenting fields by an inset; fields are numbered by an attribute.
class MinimumHeightTypesetter : public Typesetter {
public:
    std::map<int, double> minimumHeights;
    std::map<int, double> insets;
    std::map<int, Rect> recorded;
    int calls = 0;
    void willSetLineFragmentRectForGlyphRangeUsedRectBaselineOffset(Rect& lineRect, Range glyphs, Rect& usedRect, double&) override
    {
        ++calls;
        const Ref<TextStorage> storage = layoutManager()->textStorage();
        const Value field = storage->attributeAtIndexEffectiveRange(kFieldName, glyphs.location);
        if (field.isNil())
            return;
        const int i = field.intValue();
        if (i > 0 && recorded.count(i - 1)) {
            const double minimum = minimumHeights[i - 1];
            const double y = recorded[i - 1].minY() + minimum;
            if (minimum > 0 && y > lineRect.minY()) {
                lineRect.origin.y = y;
                usedRect.origin.y = y;
            }
        }
        if (insets[i] > 0)
            lineRect.origin.x += insets[i];
        recorded[i] = lineRect;
    }
};

Laid threeFields(const Ref<MinimumHeightTypesetter>& typesetter)
{
    Laid t(QStringLiteral("f0\nf1\nf2"));
    t.storage->beginEditing();
    for (int i = 0; i < 3; ++i)
        t.storage->addAttributeValueRange(kFieldName, i, MakeRange(i * 3, i < 2 ? 3 : 2));
    t.storage->endEditing();
    t.manager->setTypesetter(typesetter);
    return t;
}

} // namespace

TEST(Typesetter, MinimumHeightsPushLaterFieldsAndInsetsMoveThem)
{
    auto typesetter = make<MinimumHeightTypesetter>();
    typesetter->minimumHeights = { { 0, 40 } };
    typesetter->insets = { { 0, 7 }, { 2, 12 } };
    Laid t = threeFields(typesetter);
    // The first field is never pushed; its inset applies.
    EXPECT_EQ(t.line(0).minY(), 0);
    EXPECT_EQ(t.line(0).minX(), 7);
    EXPECT_EQ(t.line(3).minY(), 40);
    EXPECT_NEAR(t.line(6).minY(), 40 + lineHeight(), 1e-9);
    EXPECT_EQ(t.line(6).minX(), 12);
    EXPECT_NEAR(t.x(6), 12 + 5, 0.01);
    // Once per line, in order.
    EXPECT_EQ(typesetter->calls, 3);
}

TEST(Typesetter, AKeystrokeThatKeepsTheLineCallsTheHookForThatLineOnly)
{
    auto typesetter = make<MinimumHeightTypesetter>();
    Laid t = threeFields(typesetter);
    t.manager->ensureLayoutForTextContainer(t.c());
    typesetter->calls = 0;
    t.manager->resetLineHookCallCount();
    t.storage->replaceCharactersInRangeWithString(MakeRange(1, 0), QStringLiteral("x"));
    t.manager->ensureLayoutForTextContainer(t.c());
    EXPECT_EQ(typesetter->calls, 1);
    EXPECT_EQ(t.manager->lineHookCallCount(), 1);
    // A keystroke that adds a line moves the later fields: the hook runs for every later line.
    typesetter->calls = 0;
    t.storage->replaceCharactersInRangeWithString(MakeRange(1, 0), QStringLiteral("\u2028"));
    t.manager->ensureLayoutForTextContainer(t.c());
    EXPECT_EQ(typesetter->calls, 4);
    EXPECT_NEAR(t.line(5).minY(), 2 * lineHeight(), 1e-9);
}

TEST(Typesetter, TheDefaultTypesetterShiftsLaterParagraphsWithoutPlacingThemAgain)
{
    QString text;
    for (int i = 0; i < 200; ++i)
        text += QStringLiteral("paragraph %1\n").arg(i);
    Laid t(text);
    t.manager->ensureLayoutForTextContainer(t.c());
    const std::int64_t last = t.storage->length() - 2;
    const double before = t.line(last).minY();
    t.manager->resetLineHookCallCount();
    t.storage->replaceCharactersInRangeWithString(MakeRange(3, 0), QStringLiteral("\u2028"));
    t.manager->ensureLayoutForTextContainer(t.c());
    EXPECT_EQ(t.manager->lineHookCallCount(), 2);
    EXPECT_NEAR(t.line(last + 1).minY(), before + lineHeight(), 1e-6);
}

namespace {

class SelectionClient : public Object, public TextLayoutClient {
public:
    Range selected { 0, 0 };
    std::vector<Rect> dirty;
    void textStorageDidProcessEditing(TextStorage&, unsigned, Range, std::int64_t) override { }
    void textLayoutNeedsDisplayInRect(Rect r) override { dirty.push_back(r); }
    Range textLayoutSelectedRange() const override { return selected; }
    Ref<Color> textLayoutSelectionColor() const override { return Color::redColor(); }
};

class HookedLayoutManager : public LayoutManager {
public:
    bool clipBackground = false;
    struct Shown {
        Rect rect;
        std::int64_t index;
    };
    std::vector<Shown> shown;
    void drawBackgroundForGlyphRangeAtPoint(Range glyphs, Point origin) override
    {
        GraphicsContext* context = GraphicsContext::currentContext();
        context->saveGraphicsState();
        if (clipBackground)
            context->clipToRect(ZeroRect);
        LayoutManager::drawBackgroundForGlyphRangeAtPoint(glyphs, origin);
        context->restoreGraphicsState();
    }
    void showAttachmentCellInRectCharacterIndex(TextAttachmentCell* cell, Rect rect, std::int64_t index) override
    {
        shown.push_back({ rect, index });
        LayoutManager::showAttachmentCellInRectCharacterIndex(cell, rect, index);
    }
};

int redPixels(const QImage& image)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            n += c.red() > 200 && c.green() < 60 && c.blue() < 60;
        }
    return n;
}

} // namespace

TEST(LayoutManagerDrawing, TheBackgroundHookDrawsTheSelectionAndOnlyThere)
{
    for (bool clip : { false, true }) {
        auto manager = make<HookedLayoutManager>();
        manager->clipBackground = clip;
        Laid t(QStringLiteral("selected text"), nullptr, manager);
        auto client = make<SelectionClient>();
        client->selected = MakeRange(0, 8);
        t.container->setTextView(client.get());
        kit::test::Canvas canvas(200, 60, true);
        const Range all = MakeRange(0, t.storage->length());
        manager->drawBackgroundForGlyphRangeAtPoint(all, { 10, 10 });
        manager->drawGlyphsForGlyphRangeAtPoint(all, { 10, 10 });
        const int red = redPixels(canvas.finish());
        if (clip)
            EXPECT_EQ(red, 0);
        else
            EXPECT_GT(red, 100);
    }
}

TEST(LayoutManagerDrawing, EveryAttachmentIsShownAtItsCellFrame)
{
    auto manager = make<HookedLayoutManager>();
    Laid t(QStringLiteral("a"), nullptr, manager);
    t.storage->appendAttributedString(TextAttachment::attributedStringWithAttachment(attachmentOf({ 30, 40 })));
    t.storage->appendAttributedString(AttributedString(QStringLiteral("\nb"), Dictionary { { FontAttributeName, layoutManagerFont13() } }));
    t.storage->appendAttributedString(TextAttachment::attributedStringWithAttachment(attachmentOf({ 20, 10 })));
    kit::test::Canvas canvas(200, 120, true);
    const Point origin { 10, 20 };
    for (int pass = 0; pass < 2; ++pass)
        manager->drawGlyphsForGlyphRangeAtPoint(MakeRange(0, t.storage->length()), origin);
    ASSERT_EQ(manager->shown.size(), 4u);
    for (const auto& s : manager->shown) {
        const Rect line = t.line(s.index);
        const double baseline = origin.y + line.minY() + t.manager->locationForGlyphAtIndex(s.index).y;
        // origin.y at the cell's bottom edge: the cell's bottom is on the baseline.
        EXPECT_NEAR(s.rect.minY(), baseline, 1e-9) << s.index;
        EXPECT_NEAR(s.rect.minX(), origin.x + t.x(s.index), 1e-9) << s.index;
    }
    EXPECT_EQ(manager->shown[0].rect.size, (Size { 30, 40 }));
    EXPECT_EQ(manager->shown[1].rect.size, (Size { 20, 10 }));
}

TEST(LayoutManagerDrawing, EditsInvalidateTheOldAndNewLines)
{
    Laid t(QStringLiteral("one\ntwo\nthree"));
    auto client = make<SelectionClient>();
    t.container->setTextView(client.get());
    t.manager->ensureLayoutForTextContainer(t.c());
    client->dirty.clear();
    t.storage->replaceCharactersInRangeWithString(MakeRange(4, 0), QStringLiteral("x"));
    ASSERT_FALSE(client->dirty.empty());
    EXPECT_NEAR(client->dirty.front().minY(), lineHeight(), 1e-9);
    // A new line: everything below moves.
    client->dirty.clear();
    t.storage->replaceCharactersInRangeWithString(MakeRange(4, 0), QStringLiteral("\n"));
    ASSERT_FALSE(client->dirty.empty());
    EXPECT_GE(client->dirty.front().maxY(), 3 * lineHeight());
}

TEST(LayoutManager, CellTextSizeIsTheLayoutManagersWidth)
{
    for (const QString& text : { QStringLiteral("99"), QStringLiteral("9999"), QStringLiteral("/"), QStringLiteral("Label: value") }) {
        Laid t(text);
        t.container->setLineFragmentPadding(0);
        const Rect used = t.manager->usedRectForTextContainer(t.c());
        const Size size = TextSize(text, layoutManagerFont13()->qFont());
        EXPECT_EQ(size.width, std::ceil(used.width())) << text.toStdString();
        EXPECT_EQ(size.height, std::ceil(used.height())) << text.toStdString();
    }
}

TEST(LayoutManagerDrawing, TemporaryColoursDrawOverTheStoragesAndGoAway)
{
    Laid t(QStringLiteral("see link here"));
    t.storage->addAttributeValueRange(LinkAttributeName, QStringLiteral("http://x.org"), MakeRange(4, 4));
    t.storage->addAttributeValueRange(UnderlineStyleAttributeName, 1, MakeRange(4, 4));
    const Range all = MakeRange(0, t.storage->length());
    t.manager->addTemporaryAttributeValueForCharacterRange(ForegroundColorAttributeName, Color::redColor(), MakeRange(4, 4));
    EXPECT_TRUE(t.manager->temporaryAttributeAtCharacterIndex(ForegroundColorAttributeName, 5).isObject());
    {
        kit::test::Recorder r(true, QSize(300, 60));
        t.manager->drawGlyphsForGlyphRangeAtPoint(all, { 0, 0 });
        std::vector<QString> red, black;
        for (const auto& record : r.records())
            if (!record.text.isEmpty())
                (record.color() == QColor(Qt::red) ? red : black).push_back(record.text);
        EXPECT_EQ(red, std::vector<QString> { QStringLiteral("link") });
        EXPECT_EQ(black, (std::vector<QString> { QStringLiteral("see "), QStringLiteral(" here") }));
    }
    // Edits inside the range drop the colour for the new characters only; removal restores all.
    t.manager->removeTemporaryAttributeForCharacterRange(ForegroundColorAttributeName, all);
    kit::test::Recorder r(true, QSize(300, 60));
    t.manager->drawGlyphsForGlyphRangeAtPoint(all, { 0, 0 });
    for (const auto& record : r.records()) {
        if (!record.text.isEmpty()) {
            EXPECT_NE(record.color(), QColor(Qt::red)) << record.text.toStdString();
        }
    }
}

TEST(LayoutManager, ClippingParagraphsNeverWrap)
{
    auto style = ParagraphStyle::defaultParagraphStyle();
    style->setLineBreakMode(LineBreakByClipping);
    Laid t(QStringLiteral("a long line of words that would wrap in a narrow container\u2028next"), style);
    t.container->setContainerSize({ 60, 1e7 });
    Range first;
    t.manager->lineFragmentRectForGlyphAtIndexEffectiveRange(0, &first);
    EXPECT_EQ(first, MakeRange(0, 59));
    EXPECT_GT(t.manager->usedRectForTextContainer(t.c()).width(), 60);
}

TEST(LayoutManagerDrawing, ClippingParagraphsAreCutAtTheContainersEdges)
{
    auto style = ParagraphStyle::defaultParagraphStyle();
    style->setLineBreakMode(LineBreakByClipping);
    Laid t(QStringLiteral("WWWWWWWWWWWWWWWWWWWW"), style);
    t.container->setContainerSize({ 60, 1e7 });
    const Rect line = t.line(0);
    t.storage->addAttributeValueRange(BackgroundColorAttributeName, Color::redColor(), MakeRange(0, t.storage->length()));
    kit::test::Canvas canvas(300, 40, true);
    const Range all = MakeRange(0, t.storage->length());
    t.manager->drawBackgroundForGlyphRangeAtPoint(all, { 10, 5 });
    t.manager->drawGlyphsForGlyphRangeAtPoint(all, { 10, 5 });
    const QImage& image = canvas.finish();
    const int midY = int(5 + line.minY() + line.height() / 2);
    // Glyphs and their background inside the container, nothing past its right edge.
    EXPECT_FALSE(kit::test::pixelIs(image, 60, midY, Qt::white, 10));
    for (int x = 10 + 60 + 1; x < 300; ++x)
        ASSERT_TRUE(kit::test::pixelIs(image, x, midY, Qt::white, 10)) << x;
}

// A background colour that starts inside a line, in a later run than the line's first, is drawn there
// and only there.
TEST(LayoutManagerDrawing, ABackgroundStartingInsideALineIsDrawnUnderItsCharactersOnly)
{
    Laid t(QStringLiteral("plain words then marked words"));
    const int from = int(t.storage->string().indexOf(QStringLiteral("marked")));
    t.storage->addAttributeValueRange(BackgroundColorAttributeName, Color::redColor(), MakeRange(from, 6));
    kit::test::Canvas canvas(420, 40, true);
    t.manager->drawBackgroundForGlyphRangeAtPoint(MakeRange(0, t.storage->length()), { 0, 0 });
    const QImage& image = canvas.finish();
    const int midY = int(t.line(0).midY());
    EXPECT_TRUE(kit::test::pixelIs(image, int((t.x(from) + t.x(from + 6)) / 2), midY, Qt::red, 10));
    EXPECT_TRUE(kit::test::pixelIs(image, int((t.x(0) + t.x(5)) / 2), midY, Qt::white, 10));
}

// Edits inside a paragraph (typing, deleting, a font changed in the middle, an attachment typed in)
// lay out exactly as the same text laid out from scratch.
TEST(LayoutManager, EditsInsideAParagraphLayOutAsTheSameTextFromScratch)
{
    Laid t(QStringLiteral("\tLabel:\tvalue of the field that wraps onto a second line here\nnext paragraph\n"), formStyle(0));
    const Dictionary bold { { FontAttributeName, Font::boldSystemFontOfSize(13) } };
    const struct {
        const char* what;
        std::function<void(TextStorage&)> edit;
    } edits[] = {
        { "a character typed", [](TextStorage& s) { s.replaceCharactersInRangeWithString(MakeRange(12, 0), QStringLiteral("x")); } },
        { "a word typed after a tab", [](TextStorage& s) { s.replaceCharactersInRangeWithString(MakeRange(8, 0), QStringLiteral("wide ")); } },
        { "a character deleted", [](TextStorage& s) { s.deleteCharactersInRange(MakeRange(20, 1)); } },
        { "a word replaced", [](TextStorage& s) { s.replaceCharactersInRangeWithString(MakeRange(14, 5), QStringLiteral("W")); } },
        { "a bold run", [&](TextStorage& s) { s.addAttributesRange(bold, MakeRange(16, 6)); } },
        { "bold text typed", [&](TextStorage& s) {
             s.replaceCharactersInRangeWithAttributedString(MakeRange(30, 0), AttributedString(QStringLiteral("BOLD"), bold)); } },
        { "an attachment typed", [](TextStorage& s) {
             s.replaceCharactersInRangeWithAttributedString(MakeRange(25, 0), TextAttachment::attributedStringWithAttachment(attachmentOf({ 30, 20 }))); } },
        { "a tab typed", [](TextStorage& s) { s.replaceCharactersInRangeWithString(MakeRange(40, 0), QStringLiteral("\t")); } },
        { "the attachment and its neighbours deleted", [](TextStorage& s) { s.deleteCharactersInRange(MakeRange(24, 3)); } },
        { "typed just before the terminator", [](TextStorage& s) {
             s.replaceCharactersInRangeWithString(MakeRange(s.string().indexOf(u'\n'), 0), QStringLiteral(" end")); } },
    };
    for (const auto& e : edits) {
        t.manager->ensureLayoutForTextContainer(t.c());
        e.edit(*t.storage);
        // A second layout manager of the same storage lays it out from scratch.
        const auto fresh = make<LayoutManager>();
        t.storage->addLayoutManager(fresh);
        fresh->addTextContainer(make<TextContainer>(t.container->containerSize()));
        for (std::int64_t g = 0; g < t.storage->length(); ++g) {
            Range mine, theirs;
            const Rect a = t.manager->lineFragmentRectForGlyphAtIndexEffectiveRange(g, &mine);
            const Rect b = fresh->lineFragmentRectForGlyphAtIndexEffectiveRange(g, &theirs);
            ASSERT_EQ(mine, theirs) << e.what << ", glyph " << g;
            ASSERT_EQ(a, b) << e.what << ", glyph " << g;
            ASSERT_NEAR(t.manager->locationForGlyphAtIndex(g).x, fresh->locationForGlyphAtIndex(g).x, 1e-9) << e.what << ", glyph " << g;
        }
        t.storage->removeLayoutManager(fresh);
    }
}

TEST(Typesetter, TheHookSeesEveryLineOnceInTextOrder)
{
    class OrderTypesetter : public Typesetter {
    public:
        std::vector<Range> seen;
        void willSetLineFragmentRectForGlyphRangeUsedRectBaselineOffset(Rect&, Range glyphs, Rect&, double&) override { seen.push_back(glyphs); }
    };
    auto typesetter = make<OrderTypesetter>();
    Laid t(QStringLiteral("one two three four five six seven\u2028eight\nnine\n\nten"));
    t.container->setContainerSize({ 90, 1e7 });
    t.manager->setTypesetter(typesetter);
    t.manager->ensureLayoutForTextContainer(t.c());
    ASSERT_FALSE(typesetter->seen.empty());
    std::int64_t next = 0;
    for (const Range& r : typesetter->seen) {
        EXPECT_EQ(r.location, next);
        EXPECT_GT(r.length, 0);
        next = MaxRange(r);
    }
    EXPECT_EQ(next, t.storage->length());
    EXPECT_EQ(std::int64_t(typesetter->seen.size()), t.manager->numberOfLineFragments());
}

TEST(LayoutManager, TheCaretAfterAFinalNewlineAndInEmptyTextSitsOnTheExtraLine)
{
    Laid empty((QString()));
    const Rect extra = empty.manager->extraLineFragmentRect();
    EXPECT_EQ(extra.minY(), 0);
    EXPECT_NEAR(extra.height(), Font::systemFontOfSize(12)->defaultLineHeightForFont(), 1e-9);
    EXPECT_EQ(empty.manager->insertionPointRectForCharacterIndex(0).minY(), 0);
    EXPECT_EQ(empty.manager->usedRectForTextContainer(empty.c()).height(), extra.height());

    Laid t(QStringLiteral("ab\n"));
    const Rect caret = t.manager->insertionPointRectForCharacterIndex(3);
    EXPECT_NEAR(caret.minY(), lineHeight(), 1e-9);
    EXPECT_NEAR(caret.minX(), 5, 1e-9);
    EXPECT_NEAR(t.manager->extraLineFragmentRect().minY(), lineHeight(), 1e-9);
    // Before the newline: on the first line, after "ab".
    EXPECT_NEAR(t.manager->insertionPointRectForCharacterIndex(2).minX(), 5 + advanceOf(QStringLiteral("ab")), 0.01);
    EXPECT_EQ(t.manager->insertionPointRectForCharacterIndex(2).minY(), 0);
}

TEST(LayoutManager, FallbackGlyphsKeepTheirRunAndStayInsideTheirLine)
{
    Laid t(QStringLiteral("Latin \u4E2D\u6587 text"));
    EXPECT_EQ(t.storage->runs().size(), 1u);
    // A line is never shorter than its own font's line.
    EXPECT_GE(t.line(0).height(), lineHeight());
    const Rect box = t.manager->boundingRectForGlyphRangeInTextContainer(MakeRange(6, 2), t.c());
    EXPECT_GT(box.width(), 0);
    EXPECT_LE(box.maxY(), t.line(0).maxY());
}
