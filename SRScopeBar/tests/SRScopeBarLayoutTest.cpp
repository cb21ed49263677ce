#include "SRScopeBarTestSupport.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using namespace kit;

std::string srtestRect(Rect r)
{
    return QStringLiteral("(%1, %2, %3, %4)").arg(r.minX()).arg(r.minY()).arg(r.width()).arg(r.height()).toStdString();
}

QStringList srtestOverflowTitles(const SRScopeBar& bar)
{
    QStringList titles;
    for (const auto& item : bar.overflowPullDownCell()->menu()->itemArray())
        titles << (item->isSeparatorItem() ? QStringLiteral("-") : item->title());
    return titles;
}

class ScopeBarLayout : public testing::Test {
protected:
    void SetUp() override
    {
        srTestWidths() = { { "All", 40 }, { "Images", 50 }, { "Small", 40 } };
        source = make<SRTestDataSource>();
    }
    void TearDown() override { srTestWidths().clear(); }
    Ref<SRTestDataSource> source;
};

TEST_F(ScopeBarLayout, WideBarPlacesGroupsFromTheEdgeAtFullWidth)
{
    auto bar = makeTableBar(800, source.get(), { { "All", "Images" }, { "Small" } });
    bar->layoutIfNeeded();
    EXPECT_EQ(SRScopeBar::edgeMargin(), 11);
    const auto& g0 = *bar->groupHelpers()[0];
    const auto& g1 = *bar->groupHelpers()[1];
    EXPECT_EQ(srtestRect(g0.frame()), srtestRect(MakeRect(11, 0, 95, 25)));
    EXPECT_EQ(srtestRect(g1.frame()), srtestRect(MakeRect(117, 0, 51, 25)));
    ASSERT_EQ(g0.buttonRects().size(), 2u);
    EXPECT_EQ(srtestRect(g0.buttonRects()[0]), srtestRect(MakeRect(11, 2.5, 40, 20)));
    EXPECT_EQ(srtestRect(g0.buttonRects()[1]), srtestRect(MakeRect(56, 2.5, 50, 20)));
    EXPECT_EQ(srtestRect(g1.separatorRect()), srtestRect(MakeRect(117, 4.5, 1, 16)));
    EXPECT_EQ(srtestRect(g1.buttonRects()[0]), srtestRect(MakeRect(128, 2.5, 40, 20)));
    EXPECT_FALSE(bar->showsOverflowPullDown());
    bar->updateTrackingAreas();
    EXPECT_EQ(bar->trackingAreas().size(), 3u);
}

TEST_F(ScopeBarLayout, LabelAndSeparatorMakeTheHeader)
{
    auto bar = makeTableBar(800, source.get(), { { "All" }, { "Small" } });
    auto group = bar->groupAtIndex(1);
    group->setLabel(QStringLiteral("Size:"));
    bar->layoutIfNeeded();
    const double label = group->attributedLabel().size().width;
    EXPECT_EQ(bar->groupHelpers()[1]->headerWidth(), std::trunc(label + 1) + 10 + 11);
    EXPECT_EQ(bar->groupHelpers()[0]->headerWidth(), 0);
    // The computed label takes the bar's label colour and the bold 11-point font.
    const auto attributes = group->attributedLabel().attributesAtIndex(0);
    EXPECT_TRUE(attributes.foregroundColor->isEqual(*bar->labelColor()));
    EXPECT_TRUE(attributes.font->isBold());
    EXPECT_EQ(attributes.font->pointSize(), 11);
}

TEST_F(ScopeBarLayout, NoAutoResizeKeepsMaximumWidths)
{
    auto bar = makeTableBar(60, source.get(), { { "All", "Images" }, { "Small" } });
    bar->setAutoResizesGroups(false);
    bar->layoutIfNeeded();
    EXPECT_EQ(bar->groupHelpers()[0]->frame().width(), 95);
    EXPECT_EQ(bar->groupHelpers()[1]->frame().width(), 51);
    EXPECT_FALSE(bar->groupAtIndex(1)->isCollapsed());
    EXPECT_FALSE(bar->showsOverflowPullDown());
}

TEST_F(ScopeBarLayout, AccessoryViewSitsAtTheRightEndCentred)
{
    auto bar = makeTableBar(400, source.get(), { { "All" } });
    auto accessory = make<View>(MakeRect(0, 0, 30.7, 15.2));
    bar->setAccessoryView(accessory.get());
    bar->layoutIfNeeded();
    EXPECT_EQ(srtestRect(accessory->frame()), srtestRect(MakeRect(389 - 30, 5, 30, 15)));
}

// Shares of the width: proportional cuts, the rest to the last group, the sum exact.
TEST_F(ScopeBarLayout, CutsAddUpExactlyOverRandomWidths)
{
    std::mt19937 random(31);
    for (int round = 0; round < 40; ++round) {
        std::uniform_int_distribution<int> count(1, 5), width(20, 120);
        std::vector<QStringList> groups;
        const int n = count(random);
        for (int g = 0; g < n; ++g) {
            QStringList titles;
            for (int i = count(random); i > 0; --i) {
                const QString t = QStringLiteral("t%1_%2_%3").arg(round).arg(g).arg(i);
                srTestWidths()[t] = width(random);
                titles << t;
            }
            groups.push_back(titles);
        }
        auto bar = makeTableBar(5000, source.get(), groups);
        bar->setMinimumButtonWidth(30);
        bar->layoutIfNeeded();
        double minSum = 0, maxSum = 0;
        for (const auto& h : bar->groupHelpers()) {
            minSum += h->minimumWidth();
            maxSum += h->maximumWidth();
        }
        if (maxSum - minSum < 2)
            continue;
        const double available = std::trunc(minSum + (maxSum - minSum) * std::uniform_real_distribution<double>(0.05, 0.95)(random));
        bar->setFrameSize(MakeSize(available + 22 + 11 * (n - 1), 25));
        bar->layoutIfNeeded();
        double sum = 0, x = 11;
        for (const auto& h : bar->groupHelpers()) {
            const Rect f = h->frame();
            EXPECT_EQ(f.minX(), x) << round;
            EXPECT_GE(f.width(), h->minimumWidth() - 1) << round;
            EXPECT_LE(f.width(), h->maximumWidth()) << round;
            sum += f.width();
            x = std::trunc(x + f.width() + 11);
            // Buttons stay inside their group and in order.
            double last = -1;
            for (const Rect& r : h->buttonRects()) {
                EXPECT_GE(r.minX(), last) << round;
                last = r.maxX();
            }
        }
        EXPECT_EQ(sum, available) << round;
        EXPECT_FALSE(bar->showsOverflowPullDown()) << round;
    }
}

// A group whose buttons are all no wider than the minimum has nothing to squeeze: its last
// button takes the whole cut instead of a division by zero.
TEST_F(ScopeBarLayout, NothingToSqueezeCutsOnlyTheLastButton)
{
    srTestWidths()["n1"] = 30;
    srTestWidths()["n2"] = 30;
    srTestWidths()["big"] = 200;
    auto bar = makeTableBar(800, source.get(), { { "big" }, { "n1", "n2" } });
    bar->setMinimumButtonWidth(70);
    const auto& g1 = *bar->groupHelpers()[1];
    bar->layoutIfNeeded();
    // Group 1: max = min = 30 + 5 + 30 + 11 = 76. Group 0: max 200, min 70.
    EXPECT_EQ(g1.maximumWidth(), 76);
    EXPECT_EQ(g1.minimumWidth(), 76);
    bar->groupHelpers()[1]->setFrame(MakeRect(0, 0, 70, 25));
    ASSERT_EQ(g1.buttonRects().size(), 2u);
    EXPECT_EQ(g1.buttonRects()[0].width(), 30);
    EXPECT_EQ(g1.buttonRects()[1].width(), 24);
}

TEST_F(ScopeBarLayout, CollapsesFromTheRightSkippingRefusals)
{
    srTestWidths()["popup:Small"] = 60;
    srTestWidths()["popup:All"] = 60;
    srTestWidths()["popup:x"] = 60;
    auto bar = makeTableBar(800, source.get(), { { "All", "Images" }, { "Small", "Images" }, { "x", "Images" } });
    bar->setMinimumButtonWidth(200);
    auto delegate = make<SRTestDelegate>();
    delegate->implemented = { "scopeBarShouldCollapseGroup", "scopeBarShouldExpandGroup" };
    delegate->shouldCollapse = [](SRScopeBarGroup* g) { return g->identifier() != QStringLiteral("g2"); };
    bar->setDelegate(delegate.get());
    // Maxima 95, 106, 106; one collapse of g1 (to 60 + 11) is enough at this width.
    bar->setFrameSize(MakeSize(22 + 22 + 95 + 71 + 106, 25));
    bar->layoutIfNeeded();
    EXPECT_FALSE(bar->groupAtIndex(2)->isCollapsed());
    EXPECT_TRUE(bar->groupAtIndex(1)->isCollapsed());
    EXPECT_FALSE(bar->groupAtIndex(0)->isCollapsed());
    EXPECT_EQ(delegate->calls, QStringList({ "collapse:g2", "collapse:g1" }));
    EXPECT_EQ(bar->groupHelpers()[1]->frame().width(), 71);

    // Widening re-expands, unless the delegate refuses.
    delegate->shouldExpand = [](SRScopeBarGroup*) { return false; };
    bar->setFrameSize(MakeSize(2000, 25));
    bar->layoutIfNeeded();
    EXPECT_TRUE(bar->groupAtIndex(1)->isCollapsed());
    delegate->shouldExpand = nullptr;
    bar->adjustSubviews();
    bar->layoutIfNeeded();
    EXPECT_FALSE(bar->groupAtIndex(1)->isCollapsed());
}

TEST_F(ScopeBarLayout, PeelsFromTheRightIntoTheOverflowInDisplayOrder)
{
    srTestWidths() = { { "a", 40 }, { "b", 40 }, { "c", 40 }, { "d", 40 }, { "e", 40 } };
    auto bar = makeTableBar(149, source.get(), { { "a", "b", "c" }, { "d", "e" } });
    bar->setMinimumButtonWidth(40);
    auto delegate = make<SRTestDelegate>();
    delegate->implemented = { "scopeBarShouldCollapseGroup" };
    delegate->shouldCollapse = [](SRScopeBarGroup*) { return false; };
    bar->setDelegate(delegate.get());
    bar->adjustSubviews();
    bar->layoutIfNeeded();
    EXPECT_EQ(srtestOverflowTitles(*bar), QStringList({ "", "c", "-", "d", "e" }));
    EXPECT_TRUE(bar->showsOverflowPullDown());
    EXPECT_EQ(srtestRect(bar->overflowPullDownRect()), srtestRect(MakeRect(116, 7.5, 22, 10)));
    EXPECT_EQ(bar->groupHelpers()[0]->numberOfItemsPeeledOff(), 1);
    EXPECT_TRUE(bar->groupHelpers()[1]->isPeeled());
    EXPECT_EQ(srtestRect(bar->groupHelpers()[0]->frame()), srtestRect(MakeRect(11, 0, 85, 25)));
    // The items stand for their objects, with their group's index as tag.
    const auto d = bar->overflowPullDownCell()->itemAtIndex(3);
    EXPECT_EQ(d->representedObject().stringValue(), QStringLiteral("d"));
    EXPECT_EQ(d->tag(), 1);

    // Peeling never accumulates; widening brings everything back.
    bar->adjustSubviews();
    bar->layoutIfNeeded();
    EXPECT_EQ(srtestOverflowTitles(*bar), QStringList({ "", "c", "-", "d", "e" }));
    bar->setFrameSize(MakeSize(800, 25));
    bar->layoutIfNeeded();
    EXPECT_EQ(srtestOverflowTitles(*bar), QStringList({ "" }));
    EXPECT_FALSE(bar->showsOverflowPullDown());
    EXPECT_EQ(bar->groupHelpers()[1]->buttonRects().size(), 2u);
}

TEST_F(ScopeBarLayout, CollapsedGroupLeavesAllAtOnce)
{
    srTestWidths() = { { "a", 40 }, { "b", 40 }, { "d", 40 }, { "e", 40 }, { "popup:d", 40 } };
    auto bar = makeTableBar(100, source.get(), { { "a", "b" }, { "d", "e" } });
    bar->setMinimumButtonWidth(40);
    bar->setMinimumPopUpWidth(40);
    bar->layoutIfNeeded();
    EXPECT_TRUE(bar->groupAtIndex(1)->isCollapsed());
    const QStringList titles = srtestOverflowTitles(*bar);
    ASSERT_GE(titles.size(), 3);
    EXPECT_EQ(titles.mid(titles.size() - 2), QStringList({ "d", "e" }));
}

// The widths kept between passes give the layout a pass from scratch gives.
TEST_F(ScopeBarLayout, KeptWidthsMatchAFreshBar)
{
    srTestWidths() = { { "a", 40 }, { "b", 60 }, { "c", 30 }, { "popup:a", 50 } };
    auto bar = makeTableBar(120, source.get(), { { "a", "b" }, { "c", "b", "a" } });
    bar->layoutIfNeeded();
    srTestWidths()["b"] = 90; // a host changes what it shows and reloads
    bar->reloadData();
    bar->setButtonCell(make<SRTableButtonCell>().get());
    for (double width : { 120.0, 400.0, 90.0, 260.0 }) {
        bar->setFrameSize(MakeSize(width, 25));
        bar->layoutIfNeeded();
        auto freshSource = make<SRTestDataSource>();
        auto fresh = makeTableBar(width, freshSource.get(), { { "a", "b" }, { "c", "b", "a" } });
        fresh->layoutIfNeeded();
        for (std::size_t g = 0; g < 2; ++g) {
            EXPECT_EQ(srtestRect(bar->groupHelpers()[g]->frame()), srtestRect(fresh->groupHelpers()[g]->frame())) << width;
            EXPECT_EQ(bar->groupAtIndex(std::int64_t(g))->isCollapsed(), fresh->groupAtIndex(std::int64_t(g))->isCollapsed()) << width;
            if (!fresh->groupAtIndex(std::int64_t(g))->isCollapsed()) {
                EXPECT_EQ(bar->groupHelpers()[g]->buttonRects(), fresh->groupHelpers()[g]->buttonRects()) << width;
            }
        }
        EXPECT_EQ(srtestOverflowTitles(*bar), srtestOverflowTitles(*fresh)) << width;
    }
}

} // namespace
