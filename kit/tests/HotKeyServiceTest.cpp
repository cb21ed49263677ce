#include "kit/appkit/Event.h"
#include "kit/appkit/HotKeyService.h"
#include "kit/testsupport/ManualClockScope.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace kit;

class HotKeyServiceTest : public testing::Test {
protected:
    void SetUp() override
    {
        ResetSymbolicHotKeysForTesting();
        auto owned = std::make_unique<FakeHotKeyBackend>();
        fake = owned.get();
        HotKeyService::setBackendForTesting(std::move(owned));
        HotKeyService::installEventHandler([this](const HotKeyEvent& e) { events.push_back(e); });
    }
    void TearDown() override
    {
        HotKeyService::resetForTesting();
        ResetSymbolicHotKeysForTesting();
    }

    FakeHotKeyBackend* fake = nullptr;
    std::vector<HotKeyEvent> events;
};

TEST_F(HotKeyServiceTest, TheSameCombinationIsRefusedEvenWhenOnlyCapsLockDiffers)
{
    EXPECT_NE(HotKeyService::registerEventHotKey(40, CarbonCmdKey | CarbonShiftKey, { 1, 1 }), 0u);
    EXPECT_EQ(HotKeyService::registerEventHotKey(40, CarbonCmdKey | CarbonShiftKey | CarbonAlphaLock, { 1, 2 }), 0u);
    EXPECT_NE(HotKeyService::registerEventHotKey(40, CarbonCmdKey | CarbonShiftKey | CarbonOptionKey, { 1, 3 }), 0u);
    EXPECT_EQ(fake->grabCount(), 2u);
}

TEST_F(HotKeyServiceTest, ARefusalOfTheSystemLeavesNothingBehind)
{
    fake->refuse(40, CarbonCmdKey);
    EXPECT_EQ(HotKeyService::registerEventHotKey(40, CarbonCmdKey, { 1, 1 }), 0u);
    EXPECT_TRUE(CopySymbolicHotKeys().empty());
    EXPECT_EQ(fake->grabCount(), 0u);
}

TEST_F(HotKeyServiceTest, EventsCarryTheIdentifierTheEdgeTheFlagsAndTheClocksUptime)
{
    test::ManualClockScope clock;
    clock.advance(12.5);
    ASSERT_NE(HotKeyService::registerEventHotKey(40, CarbonCmdKey, { 0x68746B31, 7 }), 0u);
    fake->fire(40, CarbonCmdKey, true, CommandKeyMask);
    fake->fire(40, CarbonCmdKey, false, 0);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].hotKeyID.signature, 0x68746B31u);
    EXPECT_EQ(events[0].hotKeyID.id, 7u);
    EXPECT_TRUE(events[0].pressed);
    EXPECT_EQ(events[0].modifierFlags, CommandKeyMask);
    EXPECT_DOUBLE_EQ(events[0].timestamp, clock.clock().uptime());
    EXPECT_FALSE(events[1].pressed);
}

TEST_F(HotKeyServiceTest, NothingIsDeliveredWhileAModeTokenIsHeld)
{
    ASSERT_NE(HotKeyService::registerEventHotKey(40, CarbonCmdKey, { 1, 1 }), 0u);
    const auto outer = PushSymbolicHotKeyMode(SymbolicHotKeyMode::AllDisabled);
    const auto inner = PushSymbolicHotKeyMode(SymbolicHotKeyMode::AllDisabled);
    PopSymbolicHotKeyMode(inner);
    fake->fire(40, CarbonCmdKey, false);
    EXPECT_TRUE(events.empty());
    PopSymbolicHotKeyMode(outer);
    fake->fire(40, CarbonCmdKey, false);
    EXPECT_EQ(events.size(), 1u);
}

TEST_F(HotKeyServiceTest, TheRegistryListsExactlyTheRegisteredKeys)
{
    const EventHotKeyRef a = HotKeyService::registerEventHotKey(40, CarbonCmdKey, { 1, 1 });
    const EventHotKeyRef b = HotKeyService::registerEventHotKey(41, CarbonControlKey | CarbonAlphaLock, { 1, 2 });
    EXPECT_EQ(CopySymbolicHotKeys(), (std::vector<SymbolicHotKey> { { 40, CarbonCmdKey, true }, { 41, CarbonControlKey, true } }));
    HotKeyService::unregisterEventHotKey(a);
    HotKeyService::unregisterEventHotKey(a);
    EXPECT_EQ(CopySymbolicHotKeys(), (std::vector<SymbolicHotKey> { { 41, CarbonControlKey, true } }));
    HotKeyService::unregisterEventHotKey(b);
    EXPECT_TRUE(CopySymbolicHotKeys().empty());
    EXPECT_EQ(fake->grabCount(), 0u);
    // An unregistered key no longer fires.
    fake->fire(40, CarbonCmdKey, false);
    EXPECT_TRUE(events.empty());
}

TEST(HotKeyServiceOffscreen, AnOffscreenSessionRefusesEverything)
{
    HotKeyService::resetForTesting();
    if (HotKeyService::isAvailable())
        GTEST_SKIP() << "this session grabs keys";
    EXPECT_EQ(HotKeyService::registerEventHotKey(40, CarbonCmdKey, { 1, 1 }), 0u);
    EXPECT_TRUE(CopySymbolicHotKeys().empty());
    HotKeyService::resetForTesting();
}

} // namespace
