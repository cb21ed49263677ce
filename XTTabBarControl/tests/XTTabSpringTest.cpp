// Spring-loaded tabs under drags that are not tab drags, and which drags count as tab drags.

#include "XTTabBarControl/tests/XTTabDragTestSupport.h"
#include "kit/appkit/InputState.h"
#include "kit/foundation/UserDefaults.h"
#include "kit/testsupport/FakeDraggingInfo.h"
#include "kit/testsupport/ManualClockScope.h"
#include "kit/testsupport/RuntimeRecorders.h"

#include <gtest/gtest.h>

namespace {

const QString xtSpringFileType = QStringLiteral("public.file-url");

class XTTabSpring : public testing::Test {
protected:
    kit::test::ManualClockScope clock;
    XTDragScope scope;
    XTWindowBar w { kit::MakePoint(100, 100), 3 };
    kit::test::FakeDraggingInfo info;

    void SetUp() override
    {
        info.pasteboard->declareTypesOwner({ xtSpringFileType }, nullptr);
        info.pasteboard->setStringForType(QStringLiteral("file:///tmp/a"), xtSpringFileType);
        w.bar()->registerForDraggedTypes({ XTTabBarControlItemPBType, xtSpringFileType });
    }
    void TearDown() override
    {
        kit::UserDefaults::standardUserDefaults()->removeObjectForKey(QStringLiteral("SpringingDelayMilliseconds"));
        kit::InputState::reset();
    }
    // Over bar point x (window base coordinates).
    std::uint64_t updateAt(double x)
    {
        info.location = XTWindowBar::at(x);
        return w.bar()->draggingUpdated(info);
    }
    QString selected() const { return w.f.tabView->selectedTabViewItem()->label(); }
};

TEST_F(XTTabSpring, OpensTheTabAfterTheDefaultDelay)
{
    EXPECT_EQ(w.bar()->draggingEntered(info), kit::DragOperationNone);
    EXPECT_EQ(updateAt(330), kit::DragOperationCopy);
    clock.advance(0.667);
    EXPECT_EQ(selected(), QStringLiteral("Tab 0"));
    clock.advance(0.002);
    EXPECT_EQ(selected(), QStringLiteral("Tab 2"));
    EXPECT_FALSE(w.bar()->springTimer());
}

TEST_F(XTTabSpring, TakesTheDelayFromTheDefaults)
{
    kit::UserDefaults::standardUserDefaults()->setObjectForKey(kit::Value(250), QStringLiteral("SpringingDelayMilliseconds"));
    updateAt(330);
    clock.advance(0.249);
    EXPECT_EQ(selected(), QStringLiteral("Tab 0"));
    clock.advance(0.002);
    EXPECT_EQ(selected(), QStringLiteral("Tab 2"));
}

TEST_F(XTTabSpring, RestartsOverAnotherTab)
{
    updateAt(200);
    clock.advance(0.5);
    updateAt(330);
    clock.advance(0.3);
    EXPECT_EQ(selected(), QStringLiteral("Tab 0"));
    clock.advance(0.4);
    EXPECT_EQ(selected(), QStringLiteral("Tab 2"));
}

TEST_F(XTTabSpring, StayingOnTheSameTabKeepsTheTimer)
{
    updateAt(300);
    clock.advance(0.4);
    updateAt(330);
    clock.advance(0.3);
    EXPECT_EQ(selected(), QStringLiteral("Tab 2"));
}

TEST_F(XTTabSpring, TheSpaceBarFiresAnArmedSpringAtOnce)
{
    kit::InputState::shared().keysDown.insert(49);
    // Nothing armed yet: nothing to fire.
    EXPECT_EQ(updateAt(330), kit::DragOperationCopy);
    EXPECT_EQ(selected(), QStringLiteral("Tab 0"));
    kit::InputState::shared().keysDown.clear();
    updateAt(330);
    kit::InputState::shared().keysDown.insert(49);
    EXPECT_EQ(updateAt(330), kit::DragOperationCopy);
    EXPECT_EQ(selected(), QStringLiteral("Tab 2"));
    // With a modifier held the space bar is not the spring's.
    kit::InputState::shared().keysDown.clear();
    updateAt(200);
    kit::InputState::shared().keysDown.insert(49);
    kit::InputState::shared().modifierFlags = kit::ShiftKeyMask;
    updateAt(200);
    EXPECT_EQ(selected(), QStringLiteral("Tab 2"));
}

TEST_F(XTTabSpring, OverEmptyBarNothingOpens)
{
    updateAt(330);
    EXPECT_EQ(updateAt(420), kit::DragOperationNone);
    clock.advance(1);
    EXPECT_EQ(selected(), QStringLiteral("Tab 0"));
}

// Each end of the drag over the bar disarms the spring: nothing fires later against a drag
// that is over.
struct XTSpringEndCase {
    const char* name;
    void (*end)(XTTabBarControl&, kit::DraggingInfo&);
};

class XTTabSpringEnd : public XTTabSpring, public testing::WithParamInterface<XTSpringEndCase> { };

TEST_P(XTTabSpringEnd, Disarms)
{
    updateAt(330);
    ASSERT_TRUE(w.bar()->springTimer());
    GetParam().end(*w.bar(), info);
    EXPECT_FALSE(w.bar()->springTimer());
    clock.advance(2);
    EXPECT_EQ(selected(), QStringLiteral("Tab 0"));
}

INSTANTIATE_TEST_SUITE_P(Ends, XTTabSpringEnd,
    testing::Values(XTSpringEndCase { "exit", [](XTTabBarControl& b, kit::DraggingInfo& i) { b.draggingExited(i); } },
        XTSpringEndCase { "perform", [](XTTabBarControl& b, kit::DraggingInfo& i) { b.performDragOperation(i); } },
        XTSpringEndCase { "conclude", [](XTTabBarControl& b, kit::DraggingInfo& i) { b.concludeDragOperation(i); } },
        XTSpringEndCase { "ended", [](XTTabBarControl& b, kit::DraggingInfo& i) { b.draggingEnded(i); } }),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(XTTabSpring, ATimerNotTheBarsIsReported)
{
    kit::test::AssertionRecorder assertions;
    auto stray = kit::Timer::timerWithTimeIntervalRepeatsBlock(1, false, [](kit::Timer*) { });
    w.bar()->fireSpring(stray.get());
    ASSERT_EQ(assertions.descriptions.size(), 1u);
    EXPECT_TRUE(assertions.descriptions[0].startsWith(QStringLiteral("Spring fired by unrecognized timer")));
    EXPECT_EQ(selected(), QStringLiteral("Tab 0"));
}

class XTDropDelegate : public XTRecordingDelegate {
public:
    void tabViewAcceptedDraggingInfoOnTabViewItem(kit::TabView*, kit::DraggingInfo&, kit::TabViewItem* item) override
    {
        calls << QStringLiteral("accepted:") + (item ? item->label() : QStringLiteral("none"));
    }
};

TEST_F(XTTabSpring, AnotherDropOnATabGoesToTheDelegate)
{
    auto delegate = kit::make<XTDropDelegate>();
    delegate->implemented = { "tabViewAcceptedDraggingInfoOnTabViewItem" };
    w.bar()->setDelegate(delegate.get());
    info.location = XTWindowBar::at(200);
    EXPECT_TRUE(w.bar()->prepareForDragOperation(info));
    EXPECT_TRUE(w.bar()->performDragOperation(info));
    info.location = XTWindowBar::at(420);
    EXPECT_TRUE(w.bar()->performDragOperation(info));
    EXPECT_EQ(delegate->calls, (QStringList { "accepted:Tab 1", "accepted:none" }));
}

TEST_F(XTTabSpring, ADragOfTheTabTypeFromElsewhereIsNoTabDrag)
{
    // The type alone, with no tab drag under way: another application, or a stale pasteboard.
    kit::test::FakeDraggingInfo foreign;
    foreign.pasteboard->declareTypesOwner({ XTTabBarControlItemPBType }, nullptr);
    foreign.pasteboard->setStringForType(QStringLiteral("1"), XTTabBarControlItemPBType);
    foreign.location = XTWindowBar::at(200);
    EXPECT_EQ(w.bar()->draggingEntered(foreign), kit::DragOperationNone);
    EXPECT_EQ(w.bar()->draggingUpdated(foreign), kit::DragOperationCopy);
    w.bar()->draggingExited(foreign);
    EXPECT_TRUE(w.bar()->prepareForDragOperation(foreign));
    EXPECT_TRUE(w.cellsMatchItems());
    EXPECT_FALSE(XTTabDragAssistant::sharedDragAssistant()->isDragging());
    // The bar still lays out: no gap was planted.
    w.f.addTab(QStringLiteral("Tab 3"));
    EXPECT_TRUE(w.cellsMatchItems());
    EXPECT_GT(w.bar()->cells()[3]->frame().origin.x, w.bar()->cells()[2]->frame().origin.x);
}

} // namespace
