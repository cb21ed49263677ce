#include "QVTabBarView/QVTabDragAssistant.h"
#include "QVTabBarView/tests/QVTabBarTestSupport.h"
#include "kit/appkit/Application.h"
#include "kit/appkit/Window.h"
#include "kit/core/NotificationCenter.h"
#include "kit/testsupport/EventScript.h"

#include <gtest/gtest.h>

namespace {

struct QVSlideFixture : QVBarFixture {
    kit::Ref<kit::Window> window = kit::make<kit::Window>(kit::MakeRect(100, 100, 600, 100), kit::TitledWindowMask);
    explicit QVSlideFixture(int tabs)
        : QVBarFixture(kit::MakeRect(0, 0, 600, 22), tabs)
    {
        window->contentView()->addSubview(bar.get());
        bar->updateAnimate(false);
    }
    ~QVSlideFixture()
    {
        QVTabDragAssistant::resetForTesting();
        kit::Application::resetForTesting();
    }
    QStringList labels() const
    {
        QStringList out;
        for (const auto& item : tabView->tabViewItems())
            out << item->label();
        return out;
    }
};

TEST(QVTabSlide, ReleasingOverAnotherTabMovesTheTabThere)
{
    QVSlideFixture f(3);
    int begins = 0, ends = 0;
    auto center = kit::NotificationCenter::defaultCenter();
    auto t1 = center->addObserverForNameObjectQueueUsingBlock(QVTabDragDidBeginNotification, nullptr, nullptr, [&](kit::Notification*) { ++begins; });
    auto t2 = center->addObserverForNameObjectQueueUsingBlock(QVTabDragDidEndNotification, nullptr, nullptr, [&](kit::Notification*) { ++ends; });
    {
        kit::test::EventScript script(f.window.get());
        script.mouseDown(kit::MakePoint(50, 10)).mouseDragged(kit::MakePoint(56, 10)).mouseDragged(kit::MakePoint(320, 10)).mouseUp(kit::MakePoint(320, 10));
        script.run();
    }
    EXPECT_EQ(f.labels(), (QStringList { QStringLiteral("Tab 2"), QStringLiteral("Tab 3"), QStringLiteral("Tab 1") }));
    EXPECT_EQ(f.tabView->selectedTabViewItem()->label(), QStringLiteral("Tab 1"));
    EXPECT_EQ(begins, 1);
    EXPECT_EQ(ends, 0); // a slide that stays in its bar posts no end
    EXPECT_FALSE(QVTabDragAssistant::sharedDragAssistant()->isSliding());
    EXPECT_FALSE(QVTabDragAssistant::sharedDragAssistant()->pasteboardItem());
    std::vector<double> xs;
    for (const auto& b : f.bar->orderedAttachedButtons())
        xs.push_back(b->frame().origin.x);
    EXPECT_EQ(xs, (std::vector<double> { 0, 130, 260 }));
    center->removeObserver(t1.get());
    center->removeObserver(t2.get());
}

TEST(QVTabSlide, AMoveBelowTheThresholdIsAClickAndAReleaseInPlaceMovesNothing)
{
    QVSlideFixture f(3);
    {
        kit::test::EventScript script(f.window.get());
        script.mouseDown(kit::MakePoint(150, 10)).mouseDragged(kit::MakePoint(154, 10)).mouseUp(kit::MakePoint(154, 10));
        script.run();
    }
    EXPECT_EQ(f.labels(), (QStringList { QStringLiteral("Tab 1"), QStringLiteral("Tab 2"), QStringLiteral("Tab 3") }));
    EXPECT_EQ(f.tabView->selectedTabViewItem()->label(), QStringLiteral("Tab 2"));
    {
        kit::test::EventScript script(f.window.get());
        script.mouseDown(kit::MakePoint(150, 10)).mouseDragged(kit::MakePoint(170, 10)).mouseUp(kit::MakePoint(170, 10));
        script.run();
    }
    EXPECT_EQ(f.labels(), (QStringList { QStringLiteral("Tab 1"), QStringLiteral("Tab 2"), QStringLiteral("Tab 3") }));
    EXPECT_EQ(f.bar->orderedAttachedButtons()[1]->frame().origin.x, 130);
}

// The selected tab of an overflowing bar is pinned at the last shown place; its position there is
// not its tab view index.
TEST(QVTabSlide, ThePinnedTabReleasedInPlaceStaysAndMovesToTheIndexOfTheTabItReplaces)
{
    QVSlideFixture f(20);
    f.tabView->selectTabViewItem(f.item(19).get());
    f.bar->updateAnimate(false);
    const QVButtons shown = f.bar->orderedAttachedButtons();
    ASSERT_GE(shown.size(), 3u);
    ASSERT_LT(shown.size(), 20u) << "the bar overflows";
    ASSERT_EQ(shown.back()->tabViewItem(), f.item(19));
    const QStringList before = f.labels();
    const double pinnedX = shown.back()->frame().midX();
    {
        kit::test::EventScript script(f.window.get());
        script.mouseDown(kit::MakePoint(pinnedX, 10)).mouseDragged(kit::MakePoint(pinnedX + 6, 10)).mouseDragged(kit::MakePoint(pinnedX + 2, 10)).mouseUp(kit::MakePoint(pinnedX + 2, 10));
        script.run();
    }
    EXPECT_EQ(f.labels(), before) << "released where it started";
    // Onto the second shown tab: the item takes that tab's index.
    const double secondX = f.bar->orderedAttachedButtons()[1]->frame().midX();
    const std::int64_t secondIndex = f.tabView->indexOfTabViewItem(f.bar->orderedAttachedButtons()[1]->tabViewItem().get());
    {
        kit::test::EventScript script(f.window.get());
        script.mouseDown(kit::MakePoint(f.bar->orderedAttachedButtons().back()->frame().midX(), 10))
            .mouseDragged(kit::MakePoint(f.bar->orderedAttachedButtons().back()->frame().midX() - 6, 10))
            .mouseDragged(kit::MakePoint(secondX - 10, 10))
            .mouseUp(kit::MakePoint(secondX - 10, 10));
        script.run();
    }
    EXPECT_EQ(f.tabView->tabViewItemAtIndex(secondIndex)->label(), QStringLiteral("Tab 20"));
    EXPECT_EQ(f.labels().size(), 20);
}

TEST(QVTabSlide, ADelegateCanRefuseAnIndex)
{
    class Refusing : public QVRecordingDelegate {
    public:
        std::uint64_t tabViewValidateSlideOfProposedItemProposedIndexInTabBarView(kit::TabView*, kit::TabViewItem*, std::uint64_t index, QVTabBarView*) override
        {
            // Any operation but none lets the tab in.
            return index == 2 ? kit::DragOperationNone : kit::DragOperationGeneric;
        }
    };
    QVSlideFixture f(3);
    auto d = kit::make<Refusing>();
    d->implemented = { "tabViewValidateSlideOfProposedItemProposedIndexInTabBarView" };
    f.bar->setDelegate(d.get());
    {
        kit::test::EventScript script(f.window.get());
        script.mouseDown(kit::MakePoint(50, 10)).mouseDragged(kit::MakePoint(56, 10)).mouseDragged(kit::MakePoint(320, 10)).mouseUp(kit::MakePoint(320, 10));
        script.run();
    }
    EXPECT_EQ(f.labels(), (QStringList { QStringLiteral("Tab 1"), QStringLiteral("Tab 2"), QStringLiteral("Tab 3") }));
}

struct QVIndexCase {
    double x;
    std::uint64_t expected;
};

class QVDestinationIndex : public testing::TestWithParam<QVIndexCase> { };

// Buttons at 0, 130 and 260, 130 wide; the first is the dragged one.
TEST_P(QVDestinationIndex, ByTheMiddleOfTheButtonUnderThePoint)
{
    QVSlideFixture f(3);
    auto dragged = f.bar->orderedAttachedButtons().front();
    EXPECT_EQ(QVTabDragAssistant::sharedDragAssistant()->destinationIndexForButtonAtPointInTabBarView(
                  dragged.get(), kit::MakePoint(GetParam().x, 5), f.bar.get()),
        GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Points, QVDestinationIndex,
    testing::Values(QVIndexCase { -3, 0 }, QVIndexCase { 60, 0 }, QVIndexCase { 140, 1 }, QVIndexCase { 195, 2 }, QVIndexCase { 300, 2 },
        QVIndexCase { 330, 3 }, QVIndexCase { 500, QVNotFound }));

} // namespace
