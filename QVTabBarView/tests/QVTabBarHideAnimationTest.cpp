// The animated collapse and show of a bar with a partner view: the partner moves over 0.1 s and
// the delegate hears of the hide or show only when that move ends or is cut short.

#include "QVTabBarView/tests/QVTabBarTestSupport.h"
#include "kit/testsupport/ManualClockScope.h"

#include <gtest/gtest.h>

namespace {

class QVAnimatedHidingDelegate : public QVRecordingDelegate {
public:
    void tabViewTabBarViewDidHide(kit::TabView*, QVTabBarView*) override { calls << QStringLiteral("didHide"); }
    void tabViewTabBarViewDidUnhide(kit::TabView*, QVTabBarView*) override { calls << QStringLiteral("didUnhide"); }
};

// A bar along the top of a 600 x 400 superview (y up) and its partner below it.
struct QVAnimatedHideFixture {
    kit::test::ManualClockScope clock;
    kit::Ref<kit::View> parent = kit::make<kit::View>(kit::MakeRect(0, 0, 600, 400));
    QVBarFixture f { kit::MakeRect(0, 378, 600, 22), 2 };
    kit::Ref<kit::View> partner = kit::make<kit::View>(kit::MakeRect(0, 0, 600, 378));
    kit::Ref<QVAnimatedHidingDelegate> delegate = kit::make<QVAnimatedHidingDelegate>();

    QVAnimatedHideFixture()
    {
        parent->addSubview(f.bar.get());
        parent->addSubview(partner.get());
        delegate->implemented = { "tabViewTabBarViewDidHide", "tabViewTabBarViewDidUnhide" };
        f.bar->setDelegate(delegate.get());
        f.bar->setPartnerView(partner);
    }
};

const kit::Rect qvHideAnimShown = kit::MakeRect(0, 0, 600, 378);
const kit::Rect qvHideAnimCollapsed = kit::MakeRect(0, 0, 600, 400);

TEST(QVTabBarAnimatedHiding, TheDelegateHearsOfTheHideWhenThePartnerHasTakenTheRoom)
{
    QVAnimatedHideFixture t;
    t.f.bar->hideTabBarAnimate(true, true);
    EXPECT_TRUE(t.f.bar->isHidden()) << "a collapse hides the bar at once";
    EXPECT_TRUE(t.f.bar->isTabBarHidden());
    EXPECT_TRUE(t.delegate->calls.isEmpty());
    t.clock.advance(0.05);
    EXPECT_TRUE(t.delegate->calls.isEmpty()) << "half way through the 0.1 s move";
    // The move ends at its first frame at or after 0.1 s.
    t.clock.advance(0.1);
    EXPECT_EQ(t.partner->frame(), qvHideAnimCollapsed);
    EXPECT_EQ(t.delegate->calls, QStringList { QStringLiteral("didHide") });
    t.clock.advance(1);
    EXPECT_EQ(t.delegate->calls.size(), 1);
}

TEST(QVTabBarAnimatedHiding, TheBarReappearsAndTheDelegateHearsOfItWhenTheShowEnds)
{
    QVAnimatedHideFixture t;
    t.f.bar->hideTabBarAnimate(true, false);
    t.delegate->calls.clear();
    t.f.bar->hideTabBarAnimate(false, true);
    EXPECT_FALSE(t.f.bar->isTabBarHidden());
    EXPECT_TRUE(t.f.bar->isHidden()) << "the bar stays out of sight while the partner gives the room back";
    EXPECT_TRUE(t.delegate->calls.isEmpty());
    t.clock.advance(0.15);
    EXPECT_EQ(t.partner->frame(), qvHideAnimShown);
    EXPECT_FALSE(t.f.bar->isHidden());
    EXPECT_EQ(t.delegate->calls, QStringList { QStringLiteral("didUnhide") });
}

TEST(QVTabBarAnimatedHiding, AShowDuringTheHideEndsTheHideWithItsOwnReport)
{
    QVAnimatedHideFixture t;
    t.f.bar->hideTabBarAnimate(true, true);
    t.clock.advance(0.05);
    t.f.bar->hideTabBarAnimate(false, true);
    EXPECT_EQ(t.delegate->calls, QStringList { QStringLiteral("didHide") }) << "the stopped hide still reports";
    t.clock.advance(0.15);
    EXPECT_EQ(t.delegate->calls, (QStringList { QStringLiteral("didHide"), QStringLiteral("didUnhide") }));
    EXPECT_FALSE(t.f.bar->isHidden());
}

TEST(QVTabBarAnimatedHiding, ADelegateWithoutTheReportsHearsNothing)
{
    QVAnimatedHideFixture t;
    t.delegate->implemented.clear();
    t.f.bar->hideTabBarAnimate(true, true);
    t.clock.advance(0.15);
    t.f.bar->hideTabBarAnimate(false, true);
    t.clock.advance(0.15);
    EXPECT_TRUE(t.delegate->calls.isEmpty());
    EXPECT_EQ(t.partner->frame(), qvHideAnimShown);
}

} // namespace
