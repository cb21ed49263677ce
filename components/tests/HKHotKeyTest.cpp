#include "components/HKHotKey/HKHotKeyCenter.h"
#include "kit/core/Exception.h"
#include "kit/core/Value.h"
#include "kit/testsupport/ManualClockScope.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace kit;

constexpr std::uint16_t hkKeyK = 40;

// Records the actions it receives with their two arguments.
class HKRecordingTarget : public Object {
    KIT_CLASS(HKRecordingTarget)
public:
    void hotKeyFiredWithObject(Event* event, Object* object)
    {
        events.push_back(Ref<Event>(event));
        objects.push_back(Ref<Object>(object));
    }
    void otherAction(Event*, Object*) { ++others; }
    std::vector<Ref<Event>> events;
    std::vector<Ref<Object>> objects;
    int others = 0;
};

KIT_REGISTER_CLASS(HKRecordingTarget, Object)
{
    c.action("hotKeyFiredWithObject", &HKRecordingTarget::hotKeyFiredWithObject);
    c.action("otherAction", &HKRecordingTarget::otherAction);
}

class HKHotKeyCenterTest : public testing::Test {
protected:
    void SetUp() override
    {
        auto owned = std::make_unique<FakeHotKeyBackend>();
        fake = owned.get();
        HotKeyService::setBackendForTesting(std::move(owned));
        center = make<HKHotKeyCenter>();
    }
    void TearDown() override
    {
        HKHotKeyCenter::resetForTesting();
        HotKeyService::resetForTesting();
        ResetSymbolicHotKeysForTesting();
    }
    // Presses and releases the combination of these platform flags.
    void press(std::uint16_t keyCode, std::uint64_t flags, bool down)
    {
        fake->fire(keyCode, carbonModifiersFromCocoaFlags(flags), down, flags);
    }

    FakeHotKeyBackend* fake = nullptr;
    Ref<HKHotKeyCenter> center;
};

struct HKMappingRow {
    std::uint64_t flags;
    std::uint32_t carbon;
    const char* description;
};

class HKModifierMapping : public testing::TestWithParam<HKMappingRow> { };

TEST_P(HKModifierMapping, MapsAndDescribesTheFlags)
{
    EXPECT_EQ(carbonModifiersFromCocoaFlags(GetParam().flags), GetParam().carbon);
    EXPECT_EQ(hotKeyModifierDescription(GetParam().flags), QString::fromUtf8(GetParam().description));
}

INSTANTIATE_TEST_SUITE_P(Table, HKModifierMapping,
    testing::Values(HKMappingRow { CommandKeyMask, 0x100, "(NSCommandKeyMask)" }, HKMappingRow { ShiftKeyMask, 0x200, "(NSShiftKeyMask)" },
        HKMappingRow { AlternateKeyMask, 0x800, "(NSAlternateKeyMask)" }, HKMappingRow { ControlKeyMask, 0x1000, "(NSControlKeyMask)" },
        HKMappingRow { CommandKeyMask | ControlKeyMask, 0x1100, "(NSControlKeyMask | NSCommandKeyMask)" },
        HKMappingRow { ControlKeyMask | CommandKeyMask | ShiftKeyMask | AlternateKeyMask, 0x1B00,
            "(NSControlKeyMask | NSCommandKeyMask | NSShiftKeyMask | NSAlternateKeyMask)" },
        HKMappingRow { AlphaShiftKeyMask, 0, "ERROR: No valid flags" },
        HKMappingRow { AlphaShiftKeyMask | NumericPadKeyMask | FunctionKeyMask, 0, "ERROR: No valid flags" }));

TEST_F(HKHotKeyCenterTest, DescriptionsNameTheKeyTheFlagsAndWhatRuns)
{
    auto target = make<HKRecordingTarget>();
    ASSERT_TRUE(center->registerHotKeyWithKeyCodeModifierFlagsTargetActionObject(hkKeyK, CommandKeyMask, target, "otherAction", nullptr));
    ASSERT_TRUE(center->registerHotKeyWithKeyCodeModifierFlagsTask(hkKeyK, AlphaShiftKeyMask, [](Event*) { }));
    for (const Ref<HKHotKey>& hotKey : center->registeredHotKeys()) {
        const QString text = hotKey->description();
        if (hotKey->modifierFlags() == CommandKeyMask)
            EXPECT_TRUE(text.endsWith(QStringLiteral("\n\t(key: 40\n\tflags: (NSCommandKeyMask)\n\tinvokes: [%1 otherAction])")
                                          .arg(target->description())))
                << text.toStdString();
        else
            EXPECT_TRUE(text.endsWith(QStringLiteral("\n\t(key: 40\n\tflags: ERROR: No valid flags\n\tinvokes: (block))"))) << text.toStdString();
        EXPECT_EQ(&hotKey->class_(), &HKHotKey::staticClass());
    }
    // Flags of caps lock alone grab the bare key.
    EXPECT_EQ(CopySymbolicHotKeys().back().modifiers, 0u);
}

TEST_F(HKHotKeyCenterTest, TheSameKeyAndFlagsAreRefusedOtherFlagsAreNot)
{
    EXPECT_TRUE(center->registerHotKeyWithKeyCodeModifierFlagsTask(hkKeyK, CommandKeyMask | ShiftKeyMask, [](Event*) { }));
    EXPECT_FALSE(center->registerHotKeyWithKeyCodeModifierFlagsTask(hkKeyK, CommandKeyMask | ShiftKeyMask, [](Event*) { }));
    EXPECT_TRUE(center->registerHotKeyWithKeyCodeModifierFlagsTask(hkKeyK, CommandKeyMask, [](Event*) { }));
    EXPECT_TRUE(center->registerHotKeyWithKeyCodeModifierFlagsTask(hkKeyK, CommandKeyMask | AlternateKeyMask, [](Event*) { }));
    EXPECT_EQ(center->registeredHotKeys().size(), 3u);
    EXPECT_TRUE(center->hasRegisteredHotKeyWithKeyCodeModifierFlags(hkKeyK, CommandKeyMask));
    EXPECT_FALSE(center->hasRegisteredHotKeyWithKeyCodeModifierFlags(hkKeyK, ShiftKeyMask));
}

TEST_F(HKHotKeyCenterTest, ASystemRefusalAnswersNoAndKeepsNothing)
{
    fake->refuse(hkKeyK, CarbonCmdKey);
    const std::uint32_t id = HKHotKeyCenter::nextHotKeyIDForTesting();
    EXPECT_FALSE(center->registerHotKeyWithKeyCodeModifierFlagsTask(hkKeyK, CommandKeyMask, [](Event*) { }));
    EXPECT_TRUE(center->registeredHotKeys().empty());
    EXPECT_EQ(HKHotKeyCenter::nextHotKeyIDForTesting(), id);
}

TEST_F(HKHotKeyCenterTest, UnregisteringByTargetByTargetAndActionAndByKey)
{
    auto a = make<HKRecordingTarget>();
    auto b = make<HKRecordingTarget>();
    center->registerHotKeyWithKeyCodeModifierFlagsTargetActionObject(1, CommandKeyMask, a, "otherAction", nullptr);
    center->registerHotKeyWithKeyCodeModifierFlagsTargetActionObject(2, CommandKeyMask, a, "hotKeyFiredWithObject", nullptr);
    center->registerHotKeyWithKeyCodeModifierFlagsTargetActionObject(3, CommandKeyMask, b, "otherAction", nullptr);
    center->registerHotKeyWithKeyCodeModifierFlagsTask(4, ShiftKeyMask, [](Event*) { });
    center->unregisterHotKeysWithTargetAction(a.get(), "otherAction");
    EXPECT_FALSE(center->hasRegisteredHotKeyWithKeyCodeModifierFlags(1, CommandKeyMask));
    EXPECT_TRUE(center->hasRegisteredHotKeyWithKeyCodeModifierFlags(2, CommandKeyMask));
    center->unregisterHotKeysWithTarget(a.get());
    EXPECT_FALSE(center->hasRegisteredHotKeyWithKeyCodeModifierFlags(2, CommandKeyMask));
    center->unregisterHotKeyWithKeyCodeModifierFlags(4, ShiftKeyMask);
    ASSERT_EQ(center->registeredHotKeys().size(), 1u);
    EXPECT_EQ(center->registeredHotKeys().front()->keyCode(), 3);
    EXPECT_EQ(CopySymbolicHotKeys(), (std::vector<SymbolicHotKey> { { 3, CarbonCmdKey, true } }));
    EXPECT_EQ(fake->grabCount(), 1u);
}

// An HKHotKey the center did not make.
class HKForeignHotKey : public HKHotKey {
public:
    std::uint16_t keyCode() const override { return 3; }
    std::uint64_t modifierFlags() const override { return CommandKeyMask; }
};

TEST_F(HKHotKeyCenterTest, UnregisteringOneHotKeyAndAForeignObject)
{
    center->registerHotKeyWithKeyCodeModifierFlagsTask(3, CommandKeyMask, [](Event*) { });
    auto foreign = make<HKForeignHotKey>();
    try {
        center->unregisterHotKey(foreign.get());
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.name(), InvalidArgumentException);
        EXPECT_EQ(e.reason(), QStringLiteral("Invalid hotkey"));
    }
    // Equal by key and flags all the same.
    const Ref<HKHotKey> registered = center->registeredHotKeys().front();
    EXPECT_TRUE(registered->isEqual(foreign.get()));
    EXPECT_EQ(registered->hash(), foreign->hash());
    center->unregisterHotKey(registered.get());
    EXPECT_TRUE(center->registeredHotKeys().empty());
    EXPECT_EQ(fake->grabCount(), 0u);
}

TEST_F(HKHotKeyCenterTest, TheReleaseSendsTheActionWithTheEventAndTheObject)
{
    test::ManualClockScope clock;
    clock.advance(3.25);
    auto target = make<HKRecordingTarget>();
    auto object = make<HKRecordingTarget>();
    ASSERT_TRUE(center->registerHotKeyWithKeyCodeModifierFlagsTargetActionObject(
        hkKeyK, CommandKeyMask | ShiftKeyMask, target, "hotKeyFiredWithObject", object));
    press(hkKeyK, CommandKeyMask | ShiftKeyMask, true);
    EXPECT_TRUE(target->events.empty());
    press(hkKeyK, CommandKeyMask | ShiftKeyMask, false);
    ASSERT_EQ(target->events.size(), 1u);
    EXPECT_EQ(target->objects.front().get(), object.get());
    const Event& e = *target->events.front();
    EXPECT_EQ(e.type(), KeyUp);
    EXPECT_EQ(e.keyCode(), hkKeyK);
    EXPECT_EQ(e.modifierFlags(), CommandKeyMask | ShiftKeyMask);
    EXPECT_EQ(e.windowNumber(), -1);
    EXPECT_EQ(e.characters(), QString());
    EXPECT_EQ(e.charactersIgnoringModifiers(), QString());
    EXPECT_FALSE(e.isARepeat());
    EXPECT_DOUBLE_EQ(e.timestamp(), clock.clock().uptime());
    EXPECT_EQ(e.locationInWindow(), Event::mouseLocation());
}

TEST_F(HKHotKeyCenterTest, ATargetThatDoesNotRespondLeavesItToTheTask)
{
    // Registered with a target and an action; the task set afterwards runs instead.
    auto target = make<HKRecordingTarget>();
    ASSERT_TRUE(center->registerHotKeyWithKeyCodeModifierFlagsTargetActionObject(hkKeyK, CommandKeyMask, target, "noSuchAction", nullptr));
    int ran = 0;
    auto hotKey = center->registeredHotKeys().front();
    static_cast<HKHotKey_&>(*hotKey).setTask([&](Event* e) { ran += e && e->keyCode() == hkKeyK; });
    press(hkKeyK, CommandKeyMask, false);
    EXPECT_EQ(ran, 1);
    EXPECT_TRUE(target->events.empty());
}

TEST_F(HKHotKeyCenterTest, IdentifiersAreNeverReused)
{
    center->registerHotKeyWithKeyCodeModifierFlagsTask(1, CommandKeyMask, [](Event*) { });
    const auto first = static_cast<HKHotKey_&>(*center->registeredHotKeys().front()).hotKeyID();
    center->unregisterHotKeyWithKeyCodeModifierFlags(1, CommandKeyMask);
    center->registerHotKeyWithKeyCodeModifierFlagsTask(1, CommandKeyMask, [](Event*) { });
    const auto second = static_cast<HKHotKey_&>(*center->registeredHotKeys().front()).hotKeyID();
    EXPECT_EQ(second, first + 1);
    // Another center shares the set and the counter.
    auto other = make<HKHotKeyCenter>();
    EXPECT_EQ(other->registeredHotKeys().size(), 1u);
}

TEST_F(HKHotKeyCenterTest, TwoHotKeysWithOneIdentifierLogAnErrorAndOneRuns)
{
    int runs = 0;
    center->registerHotKeyWithKeyCodeModifierFlagsTask(1, CommandKeyMask, [&](Event*) { ++runs; });
    center->registerHotKeyWithKeyCodeModifierFlagsTask(2, CommandKeyMask, [&](Event*) { ++runs; });
    auto keys = center->registeredHotKeys();
    const std::uint32_t shared = static_cast<HKHotKey_&>(*keys[0]).hotKeyID();
    static_cast<HKHotKey_&>(*keys[1]).setHotKeyID(shared);
    testing::internal::CaptureStderr();
    press(static_cast<std::uint16_t>(keys[0]->keyCode()), CommandKeyMask, false);
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_NE(log.find("ERROR!"), std::string::npos);
    EXPECT_EQ(runs, 1);
}

TEST_F(HKHotKeyCenterTest, NothingFiresWhileTheHotKeysAreSilenced)
{
    int runs = 0;
    center->registerHotKeyWithKeyCodeModifierFlagsTask(hkKeyK, CommandKeyMask, [&](Event*) { ++runs; });
    const auto token = PushSymbolicHotKeyMode(SymbolicHotKeyMode::AllDisabled);
    press(hkKeyK, CommandKeyMask, false);
    EXPECT_EQ(runs, 0);
    PopSymbolicHotKeyMode(token);
    press(hkKeyK, CommandKeyMask, false);
    EXPECT_EQ(runs, 1);
}

TEST_F(HKHotKeyCenterTest, ATaskMayUnregisterItsOwnHotKey)
{
    int runs = 0;
    center->registerHotKeyWithKeyCodeModifierFlagsTask(hkKeyK, CommandKeyMask, [&](Event*) {
        ++runs;
        center->unregisterHotKeyWithKeyCodeModifierFlags(hkKeyK, CommandKeyMask);
    });
    press(hkKeyK, CommandKeyMask, false);
    press(hkKeyK, CommandKeyMask, false);
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(center->registeredHotKeys().empty());
}

TEST(HKHotKeyClass, TheConcreteClassIsFoundByItsRegisteredName)
{
    EXPECT_NE(classFromString(QStringLiteral("_HKHotKey")), nullptr);
    EXPECT_NE(classFromString(QStringLiteral("HKHotKey")), nullptr);
    EXPECT_NE(classFromString(QStringLiteral("HKHotKeyCenter")), nullptr);
}

} // namespace
