// Key-value observing under nesting, dependents and lifetime changes during delivery: the cases the
// change path must keep whatever it caches at registration.

#include "RuntimeTestModels.h"
#include "kit/core/Exception.h"
#include "kit/core/KeyValueObserving.h"
#include "kit/testsupport/RuntimeRecorders.h"

#include <gtest/gtest.h>

#include <QStringList>

namespace {

using kit::test::Callback;
using kit::test::KeyValueRecorder;
using kit::test::Model;

constexpr unsigned NewAndOldValues = kit::KeyValueObservingOptionNew | kit::KeyValueObservingOptionOld;

// Keys changed by hand, so that will and did can be sent in any order. "c" depends on "b" and "b"
// on "a" (registered in that order); "z" depends on "y", registered before "y" depends on "x".
class ManualKeysModel : public kit::Object {
    KIT_CLASS(ManualKeysModel)
    int a = 0, b = 0, x = 0;
    int c() const { return b * 10; }
};

} // namespace

KIT_REGISTER_CLASS(ManualKeysModel, kit::Object)
{
    c.property("a", std::function<kit::Value(const ManualKeysModel&)>([](const ManualKeysModel& m) { return kit::Value(m.a); }));
    c.property("b", std::function<kit::Value(const ManualKeysModel&)>([](const ManualKeysModel& m) { return kit::Value(m.b); }));
    c.property("x", std::function<kit::Value(const ManualKeysModel&)>([](const ManualKeysModel& m) { return kit::Value(m.x); }));
    c.property("c", std::function<kit::Value(const ManualKeysModel&)>([](const ManualKeysModel& m) { return kit::Value(m.c()); }));
    c.dependentKey("c", { "b" });
    c.dependentKey("b", { "a" });
    c.dependentKey("z", { "y" });
    c.dependentKey("y", { "x" });
}

namespace {

QString describeRecords(const KeyValueRecorder& r)
{
    QStringList out;
    for (const auto& rec : r.records) {
        const auto& ch = rec.change;
        out << QStringLiteral("%1:%2->%3%4")
                   .arg(rec.keyPath, ch.oldValue.isNil() ? QStringLiteral("nil") : ch.oldValue.stringValue(),
                       ch.newValue.isNil() ? QStringLiteral("nil") : ch.newValue.stringValue(), ch.isPrior ? QStringLiteral(" prior") : QString());
    }
    return out.join(QLatin1Char(' '));
}

struct KeyValueNestingCase {
    const char* name;
    const char* steps; // "will a", "did a", "set a 3"
    const char* expected;
};

class KeyValueObservingNesting : public testing::TestWithParam<KeyValueNestingCase> { };

TEST_P(KeyValueObservingNesting, EachDidTakesTheOldValuesOfItsOwnWill)
{
    auto m = kit::make<ManualKeysModel>();
    auto r = kit::make<KeyValueRecorder>();
    m->addObserverForKeyPathOptionsContext(r.get(), "a", NewAndOldValues, nullptr);
    m->addObserverForKeyPathOptionsContext(r.get(), "x", NewAndOldValues, nullptr);
    for (const QString& step : QString::fromUtf8(GetParam().steps).split(QLatin1Char(','))) {
        const QStringList w = step.trimmed().split(QLatin1Char(' '));
        if (w[0] == QLatin1String("will"))
            m->willChangeValueForKey(w[1]);
        else if (w[0] == QLatin1String("did"))
            m->didChangeValueForKey(w[1]);
        else
            (w[1] == QLatin1String("a") ? m->a : m->x) = w[2].toInt();
    }
    EXPECT_EQ(describeRecords(*r), QString::fromUtf8(GetParam().expected));
    m->removeObserverForKeyPath(r.get(), "a");
    m->removeObserverForKeyPath(r.get(), "x");
    // Nothing is left pending: the next change has its own old value.
    m->willChangeValueForKey("a");
    m->didChangeValueForKey("a");
}

INSTANTIATE_TEST_SUITE_P(Sequences, KeyValueObservingNesting,
    testing::Values(KeyValueNestingCase { "Plain", "will a, set a 1, did a", "a:0->1" },
        KeyValueNestingCase { "TwoKeysInterleaved", "will a, will x, set a 1, set x 2, did a, did x", "a:0->1 x:0->2" },
        KeyValueNestingCase { "TwoKeysCrossed", "will a, will x, set x 2, did x, set a 1, did a", "x:0->2 a:0->1" },
        KeyValueNestingCase { "SameKeyNested", "will a, set a 1, will a, set a 2, did a, did a", "a:1->2 a:0->2" },
        KeyValueNestingCase { "DidWithoutWill", "set a 4, did a", "a:nil->4" },
        KeyValueNestingCase { "OuterWillAroundAPair", "will a, will x, set a 1, did a, set x 5, did x", "a:0->1 x:0->5" }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(KeyValueObservingNestingFailure, AWillChangeThatRaisesLeavesNoOldValuesForALaterDidChange)
{
    auto m = kit::make<Model>();
    auto first = kit::make<Model>();
    m->setChild(first);
    auto r = kit::make<KeyValueRecorder>();
    auto failing = kit::make<KeyValueRecorder>();
    m->addObserverForKeyPathOptionsContext(r.get(), "child", NewAndOldValues, nullptr);
    // Reading its old value raises: the child has no such key.
    m->addObserverForKeyPathOptionsContext(failing.get(), "child.noSuchKey", kit::KeyValueObservingOptionOld, nullptr);
    EXPECT_THROW(m->setChild(kit::make<Model>()), kit::Exception);
    m->removeObserverForKeyPath(failing.get(), "child.noSuchKey");
    m->didChangeValueForKey("child");
    ASSERT_EQ(r->records.size(), 1u);
    EXPECT_TRUE(r->records[0].change.oldValue.isNil());
    EXPECT_EQ(r->records[0].change.newValue, kit::Value(first));
    m->removeObserverForKeyPath(r.get(), "child");
}

TEST(KeyValueObservingDependents, ChainsOfDependentKeysNotifyWhateverTheirRegistrationOrder)
{
    auto m = kit::make<ManualKeysModel>();
    auto r = kit::make<KeyValueRecorder>();
    m->addObserverForKeyPathOptionsContext(r.get(), "c", NewAndOldValues, nullptr);
    m->addObserverForKeyPathOptionsContext(r.get(), "y", 0, nullptr);
    m->willChangeValueForKey("a");
    m->b = 3;
    m->didChangeValueForKey("a");
    m->willChangeValueForKey("x");
    m->didChangeValueForKey("x");
    ASSERT_EQ(r->records.size(), 2u);
    EXPECT_EQ(r->records[0].keyPath, "c");
    EXPECT_EQ(r->records[0].change.oldValue, 0);
    EXPECT_EQ(r->records[0].change.newValue, 30);
    EXPECT_EQ(r->records[1].keyPath, "y");
    m->removeObserverForKeyPath(r.get(), "c");
    m->removeObserverForKeyPath(r.get(), "y");
}

TEST(KeyValueObservingDependents, PriorAndOldValuesReachTheKeyAndItsDependentInRegistrationOrder)
{
    auto m = kit::make<Model>();
    auto r = kit::make<KeyValueRecorder>();
    m->addObserverForKeyPathOptionsContext(r.get(), "summary", NewAndOldValues | kit::KeyValueObservingOptionPrior, nullptr);
    m->addObserverForKeyPathOptionsContext(r.get(), "count", NewAndOldValues, nullptr);
    m->setCount(5);
    EXPECT_EQ(describeRecords(*r), "summary::0->nil prior summary::0->:5 count:0->5");
    m->removeObserverForKeyPath(r.get(), "summary");
    m->removeObserverForKeyPath(r.get(), "count");
}

TEST(KeyValueObservingLifetime, AnObjectReleasedByItsObserverLivesThroughTheRemainingNotifications)
{
    const int before = kit::test::liveModels;
    auto m = kit::make<Model>();
    auto dropper = kit::make<Callback>();
    auto after = kit::make<KeyValueRecorder>();
    Model* raw = m.get();
    dropper->onChange = [&](auto&&...) { m = nullptr; };
    raw->addObserverForKeyPathOptionsContext(dropper.get(), "count", 0, nullptr);
    raw->addObserverForKeyPathOptionsContext(after.get(), "count", kit::KeyValueObservingOptionNew, nullptr);
    raw->setCount(2);
    ASSERT_EQ(after->records.size(), 1u);
    EXPECT_EQ(after->records[0].change.newValue, 2);
    EXPECT_EQ(kit::test::liveModels, before);
}

TEST(KeyValueObservingLifetime, AnObjectReleasedByItsOnlyObserverIsNotTouchedAfterwards)
{
    const int before = kit::test::liveModels;
    auto m = kit::make<Model>();
    auto dropper = kit::make<Callback>();
    std::vector<kit::Value> seen;
    Model* raw = m.get();
    dropper->onChange = [&](const QString&, kit::Object*, const kit::KeyValueChange& change, void*) {
        seen.push_back(change.oldValue);
        seen.push_back(change.newValue);
        m = nullptr;
    };
    raw->addObserverForKeyPathOptionsContext(dropper.get(), "count", NewAndOldValues, nullptr);
    raw->setCount(2);
    EXPECT_EQ(seen, (std::vector<kit::Value> { 0, 2 }));
    EXPECT_EQ(kit::test::liveModels, before);
}

TEST(KeyValueObservingRecord, AChangeWithoutIndexesHandsEveryObserverItsOwnEmptySet)
{
    auto m = kit::make<Model>();
    auto changer = kit::make<Callback>();
    changer->onChange = [](const QString&, kit::Object*, const kit::KeyValueChange& change, void*) {
        kit::MutableIndexSet mine = change.indexes;
        mine.addIndex(7);
        EXPECT_EQ(mine.count(), 1);
    };
    auto r = kit::make<KeyValueRecorder>();
    m->addObserverForKeyPathOptionsContext(changer.get(), "count", 0, nullptr);
    m->addObserverForKeyPathOptionsContext(r.get(), "count", 0, nullptr);
    m->setCount(1);
    m->setCount(2);
    ASSERT_EQ(r->records.size(), 2u);
    EXPECT_TRUE(r->records[1].change.indexes.isEmpty());
    EXPECT_FALSE(r->records[1].change.hasIndexes);
    EXPECT_TRUE(kit::KeyValueChange {}.indexes.isEmpty());
    m->removeObserverForKeyPath(changer.get(), "count");
    m->removeObserverForKeyPath(r.get(), "count");
}

TEST(KeyValueObservingFanOut, TenObserversOfOneKeyAreCalledInRegistrationOrderAndMayRemoveEachOther)
{
    auto m = kit::make<Model>();
    std::vector<int> order;
    std::vector<kit::Ref<Callback>> observers;
    for (int i = 0; i < 10; ++i) {
        auto cb = kit::make<Callback>();
        cb->onChange = [&order, i](auto&&...) { order.push_back(i); };
        m->addObserverForKeyPathOptionsContext(cb.get(), "count", kit::KeyValueObservingOptionNew, nullptr);
        observers.push_back(cb);
    }
    // The fourth removes the seventh while the change is delivered: the seventh is not called.
    observers[3]->onChange = [&](auto&&...) {
        order.push_back(3);
        m->removeObserverForKeyPath(observers[6].get(), "count");
    };
    m->setCount(1);
    EXPECT_EQ(order, (std::vector<int> { 0, 1, 2, 3, 4, 5, 7, 8, 9 }));
    for (int i = 0; i < 10; ++i)
        if (i != 6)
            m->removeObserverForKeyPath(observers[i].get(), "count");
    EXPECT_EQ(kit::debug::observationCount(m.get()), 0);
}

} // namespace
