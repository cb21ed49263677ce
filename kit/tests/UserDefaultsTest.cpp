#include "kit/foundation/UserDefaults.h"

#include "kit/core/NotificationCenter.h"
#include "kit/foundation/RunLoop.h"
#include "kit/testsupport/ManualClockScope.h"
#include "kit/testsupport/RuntimeRecorders.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kit;

namespace {

struct UserDefaultsTest : ::testing::Test {
    test::ManualClockScope clock;
    QTemporaryDir dir;
    QString path = dir.filePath("defaults.json");

    void SetUp() override { UserDefaults::resetStandardUserDefaultsForTesting(path); }
    void TearDown() override { UserDefaults::resetStandardUserDefaultsForTesting(); }
};

TEST_F(UserDefaultsTest, TypesSurviveAFreshInstanceExactly)
{
    const Dictionary record { { Value("keyCode"), Value(49) }, { Value("modifierFlags"), Value(1048576) },
        { Value("enabled"), Value(true) } };
    {
        auto d = make<UserDefaults>(path);
        d->setBoolForKey(true, "flag");
        d->setDoubleForKey(1.0, "ratio");
        d->setDoubleForKey(240.5, "width");
        d->setIntegerForKey(7, "count");
        d->setObjectForKey(Value(record), "KeyRecorder main");
        d->setObjectForKey(Value(QByteArray("\x01\x02")), "blob");
        EXPECT_TRUE(d->synchronize());
    }
    auto fresh = make<UserDefaults>(path);
    EXPECT_EQ(fresh->objectForKey("flag").kind(), Value::Kind::Bool);
    EXPECT_EQ(fresh->objectForKey("ratio").kind(), Value::Kind::Real);
    EXPECT_EQ(fresh->doubleForKey("width"), 240.5);
    EXPECT_EQ(fresh->objectForKey("count").kind(), Value::Kind::Integer);
    EXPECT_EQ(fresh->dictionaryForKey("KeyRecorder main"), record);
    EXPECT_EQ(fresh->dictionaryForKey("KeyRecorder main").objectForKey(Value("enabled")).kind(), Value::Kind::Bool);
    EXPECT_EQ(fresh->dataForKey("blob"), QByteArray("\x01\x02"));
}

TEST_F(UserDefaultsTest, RegisteredValuesSitUnderPersistentOnesAndAreNeverWritten)
{
    auto d = make<UserDefaults>(path);
    d->registerDefaults(Dictionary { { Value("a"), Value("registered") }, { Value("b"), Value(2) } });
    d->setObjectForKey(Value("persistent"), "a");
    EXPECT_EQ(d->stringForKey("a"), "persistent");
    EXPECT_EQ(d->integerForKey("b"), 2);
    d->removeObjectForKey("a");
    EXPECT_EQ(d->stringForKey("a"), "registered");
    d->synchronize();
    auto fresh = make<UserDefaults>(path);
    EXPECT_TRUE(fresh->objectForKey("a").isNil());
    EXPECT_TRUE(fresh->objectForKey("b").isNil());
}

struct ReadCase {
    Value stored;
    const char* string;
    bool boolean;
    std::int64_t integer;
};

class UserDefaultsReadTest : public UserDefaultsTest, public ::testing::WithParamInterface<ReadCase> { };

TEST_P(UserDefaultsReadTest, TypedReadsConvert)
{
    const ReadCase& c = GetParam();
    auto d = make<UserDefaults>(path);
    d->setObjectForKey(c.stored, "k");
    EXPECT_EQ(d->stringForKey("k"), c.string ? QString::fromUtf8(c.string) : QString());
    EXPECT_EQ(d->boolForKey("k"), c.boolean);
    EXPECT_EQ(d->integerForKey("k"), c.integer);
}

INSTANTIATE_TEST_SUITE_P(Reads, UserDefaultsReadTest,
    ::testing::Values(ReadCase { Value(42), "42", true, 42 }, ReadCase { Value(0.5), "0.5", true, 0 }, ReadCase { Value(0), "0", false, 0 },
        ReadCase { Value(true), "1", true, 1 }, ReadCase { Value("YES"), "YES", true, 0 }, ReadCase { Value("true"), "true", true, 0 },
        ReadCase { Value("1"), "1", true, 1 }, ReadCase { Value("no"), "no", false, 0 },
        ReadCase { Value(Array { Value(1) }), nullptr, false, 0 }));

TEST_F(UserDefaultsTest, NonPropertyListsAreRefused)
{
    test::LogRecorder log;
    auto d = make<UserDefaults>(path);
    d->setObjectForKey(Value(MakeRect(1, 2, 3, 4)), "rect");
    EXPECT_TRUE(d->objectForKey("rect").isNil());
    EXPECT_TRUE(log.contains("non-property-list"));
}

TEST_F(UserDefaultsTest, ChangesArePosted)
{
    auto* d = UserDefaults::standardUserDefaults();
    int posted = 0;
    auto token = NotificationCenter::defaultCenter()->addObserverForNameObjectQueueUsingBlock(
        UserDefaultsDidChangeNotification, d, nullptr, [&](Notification*) { ++posted; });
    d->setIntegerForKey(1, "a");
    d->removeObjectForKey("a");
    EXPECT_EQ(posted, 2);
    NotificationCenter::defaultCenter()->removeObserver(token.get());
}

TEST_F(UserDefaultsTest, ChangesReachTheDiskSoonAfterwards)
{
    auto* d = UserDefaults::standardUserDefaults();
    d->setObjectForKey(Value("soon"), "k");
    RunLoop::main().runPending();
    EXPECT_EQ(make<UserDefaults>(path)->stringForKey("k"), "soon");
}

TEST_F(UserDefaultsTest, ControllerValuesReadWriteAndReportChanges)
{
    Object* values = UserDefaultsController::sharedUserDefaultsController()->values();
    auto recorder = make<test::KeyValueRecorder>();
    values->addObserverForKeyPathOptionsContext(recorder.get(), "KeyRecorder main", KeyValueObservingOptionNew, nullptr);
    values->setValueForKey(Value(Dictionary { { Value("keyCode"), Value(12) } }), "KeyRecorder main");
    EXPECT_EQ(UserDefaults::standardUserDefaults()->dictionaryForKey("KeyRecorder main").objectForKey(Value("keyCode")).integerValue(), 12);
    UserDefaults::standardUserDefaults()->setIntegerForKey(5, "KeyRecorder main");
    ASSERT_EQ(recorder->records.size(), 2u);
    EXPECT_EQ(recorder->records[1].change.newValue, Value(5));
    EXPECT_EQ(values->valueForKey("KeyRecorder main"), Value(5));
    values->removeObserverForKeyPath(recorder.get(), "KeyRecorder main");
}

struct SpringCase {
    Value stored;
    bool answered;
};

class SpringingDelayTest : public UserDefaultsTest, public ::testing::WithParamInterface<SpringCase> { };

TEST_P(SpringingDelayTest, OnlyPositiveNumbers)
{
    UserDefaults::standardUserDefaults()->setObjectForKey(GetParam().stored, "SpringingDelayMilliseconds");
    const Value v = Preferences::copyAppValue("SpringingDelayMilliseconds", Preferences::FileManagerDomain);
    EXPECT_EQ(!v.isNil(), GetParam().answered);
    EXPECT_TRUE(Preferences::copyAppValue("Other", Preferences::FileManagerDomain).isNil());
}

INSTANTIATE_TEST_SUITE_P(Values, SpringingDelayTest,
    ::testing::Values(SpringCase { Value(500), true }, SpringCase { Value(250.5), true }, SpringCase { Value(0), false },
        SpringCase { Value(-3), false }, SpringCase { Value("500"), false }, SpringCase { Value(true), false },
        SpringCase { Value(), false }));

} // namespace
