#include "kit/graphics/ParagraphStyle.h"
#include "kit/graphics/Shadow.h"

#include <gtest/gtest.h>

#include <functional>

using namespace kit;

TEST(ParagraphStyle, DefaultStyle)
{
    const auto style = ParagraphStyle::defaultParagraphStyle();
    EXPECT_EQ(style->alignment(), NaturalTextAlignment);
    EXPECT_EQ(style->lineBreakMode(), LineBreakByWordWrapping);
    ASSERT_EQ(style->tabStops().size(), 12u);
    for (std::size_t i = 0; i < 12; ++i)
        EXPECT_EQ(style->tabStops()[i], TextTab(LeftTabStopType, 28.0 * double(i + 1)));
    EXPECT_EQ(style->defaultTabInterval(), 0);
    EXPECT_EQ(style->headIndent() + style->firstLineHeadIndent() + style->tailIndent(), 0);
    EXPECT_EQ(style->lineSpacing() + style->paragraphSpacing(), 0);
}

TEST(ParagraphStyle, EveryPropertyCountsForEqualityAndIsCopied)
{
    const std::function<void(ParagraphStyle&)> changes[] = {
        [](ParagraphStyle& s) { s.setAlignment(RightTextAlignment); },
        [](ParagraphStyle& s) { s.setLineBreakMode(LineBreakByTruncatingMiddle); },
        [](ParagraphStyle& s) { s.setLineSpacing(2); },
        [](ParagraphStyle& s) { s.setParagraphSpacing(6); },
        [](ParagraphStyle& s) { s.setHeadIndent(120); },
        [](ParagraphStyle& s) { s.setFirstLineHeadIndent(10); },
        [](ParagraphStyle& s) { s.setTailIndent(-20); },
        [](ParagraphStyle& s) { s.setTabStops({ TextTab(RightTabStopType, 110) }); },
        [](ParagraphStyle& s) { s.setDefaultTabInterval(36); },
    };
    int i = 0;
    for (const auto& change : changes) {
        auto a = ParagraphStyle::defaultParagraphStyle();
        auto b = ParagraphStyle::defaultParagraphStyle();
        EXPECT_TRUE(a->isEqual(b.get()));
        EXPECT_EQ(a->hash(), b->hash());
        change(*b);
        EXPECT_FALSE(a->isEqual(b.get())) << "property " << i;
        change(*a);
        EXPECT_TRUE(a->isEqual(b.get())) << "property " << i;
        EXPECT_EQ(a->hash(), b->hash()) << "property " << i;
        // Copies carry it: copy, mutableCopy, assignment.
        const auto copied = dynamic_pointer_cast<ParagraphStyle>(b->copy());
        EXPECT_TRUE(copied->isEqual(b.get())) << "property " << i;
        EXPECT_TRUE(b->mutableCopy()->isEqual(b.get())) << "property " << i;
        auto assigned = make<ParagraphStyle>();
        *assigned = *b;
        EXPECT_TRUE(assigned->isEqual(*b)) << "property " << i;
        ++i;
    }
}

TEST(ParagraphStyle, TabStopsAreKeptInOrder)
{
    auto style = ParagraphStyle::defaultParagraphStyle();
    style->setTabStops({ TextTab(LeftTabStopType, 100), TextTab(RightTabStopType, 90) });
    ASSERT_EQ(style->tabStops().size(), 2u);
    EXPECT_EQ(style->tabStops()[0].location, 90);
    EXPECT_EQ(style->tabStops()[0].tabStopType(), RightTabStopType);
    style->addTabStop(TextTab(CenterTabStopType, 95));
    EXPECT_EQ(style->tabStops()[1].type, CenterTabStopType);
}

TEST(Shadow, EqualByValue)
{
    auto a = Shadow::shadow(), b = Shadow::shadow();
    EXPECT_TRUE(a->isEqual(b.get()));
    EXPECT_EQ(a->hash(), b->hash());
    b->setShadowOffset({ 0, -4.479167 });
    EXPECT_FALSE(a->isEqual(b.get()));
    a->setShadowOffset({ 0, -4.479167 });
    a->setShadowBlurRadius(5.5);
    EXPECT_FALSE(a->isEqual(b.get()));
    b->setShadowBlurRadius(5.5);
    b->setShadowColor(Color::redColor());
    EXPECT_FALSE(a->isEqual(b.get()));
    a->setShadowColor(Color::redColor());
    EXPECT_TRUE(a->isEqual(b.get()));
    EXPECT_TRUE(a->copy()->isEqual(b.get()));
}
