#include "RuntimeTestModels.h"
#include "kit/core/Exception.h"
#include "kit/core/KeyValueCoding.h"
#include "kit/testsupport/RuntimeRecorders.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using kit::Value;
using kit::debug::observationCount;
using kit::test::Callback;
using kit::test::KeyValueRecorder;
using kit::test::Model;

namespace {

constexpr unsigned NewOld = kit::KeyValueObservingOptionNew | kit::KeyValueObservingOptionOld;
int contextA, contextB;

TEST(KeyValueObserving, InitialIsDeliveredInsideRegistrationAndEverySetterCallNotifies)
{
    auto m = kit::make<Model>();
    m->setTitle("a");
    auto r = kit::make<KeyValueRecorder>();
    m->addObserverForKeyPathOptionsContext(r.get(), "title", NewOld | kit::KeyValueObservingOptionInitial, &contextA);
    ASSERT_EQ(r->records.size(), 1u);
    EXPECT_EQ(r->records[0].change.newValue, "a");
    EXPECT_TRUE(r->records[0].change.oldValue.isNil());
    m->setTitle("a"); // unchanged, still notifies
    m->setTitle("b");
    ASSERT_EQ(r->records.size(), 3u);
    EXPECT_EQ(r->records[2].change.oldValue, "a");
    EXPECT_EQ(r->records[2].change.newValue, "b");
    EXPECT_EQ(r->records[2].change.kind, kit::KeyValueChangeSetting);
    EXPECT_EQ(r->records[2].object, m.get());
    EXPECT_EQ(r->records[2].context, &contextA);
    m->setValueForKey("c", "title"); // through KVC: one notification, from the setter
    EXPECT_EQ(r->records.size(), 4u);
    m->removeObserverForKeyPath(r.get(), "title");
    EXPECT_EQ(observationCount(m.get()), 0);
}

TEST(KeyValueObserving, PriorNotificationsComeBeforeTheChange)
{
    auto m = kit::make<Model>();
    m->setCount(1);
    auto r = kit::make<KeyValueRecorder>();
    m->addObserverForKeyPathOptionsContext(r.get(), "count", NewOld | kit::KeyValueObservingOptionPrior, nullptr);
    m->setCount(2);
    ASSERT_EQ(r->records.size(), 2u);
    EXPECT_TRUE(r->records[0].change.isPrior);
    EXPECT_EQ(r->records[0].change.oldValue, 1);
    EXPECT_TRUE(r->records[0].change.newValue.isNil());
    EXPECT_FALSE(r->records[1].change.isPrior);
    EXPECT_EQ(r->records[1].change.newValue, 2);
    m->removeObserverForKeyPath(r.get(), "count");
}

TEST(KeyValueObserving, DependentKeysCarryFreshValues)
{
    auto m = kit::make<Model>();
    auto r = kit::make<KeyValueRecorder>();
    m->addObserverForKeyPathOptionsContext(r.get(), "summary", NewOld, nullptr);
    m->setTitle("x");
    m->setCount(2);
    ASSERT_EQ(r->records.size(), 2u);
    EXPECT_EQ(r->records[0].change.oldValue, ":0");
    EXPECT_EQ(r->records[0].change.newValue, "x:0");
    EXPECT_EQ(r->records[1].change.newValue, "x:2");
    EXPECT_EQ(r->records[1].keyPath, "summary");
    m->removeObserverForKeyPath(r.get(), "summary");
}

TEST(KeyValueObserving, ReplacingAnIntermediateMovesTheObservation)
{
    auto m = kit::make<Model>();
    auto first = kit::make<Model>();
    auto second = kit::make<Model>();
    first->setTitle("one");
    second->setTitle("two");
    m->setChild(first);
    auto r = kit::make<KeyValueRecorder>();
    m->addObserverForKeyPathOptionsContext(r.get(), "child.title", NewOld, nullptr);
    EXPECT_EQ(observationCount(first.get()), 1);
    first->setTitle("uno");
    ASSERT_EQ(r->records.size(), 1u);
    EXPECT_EQ(r->records[0].keyPath, "child.title");
    EXPECT_EQ(r->records[0].object, m.get());
    EXPECT_EQ(r->records[0].change.oldValue, "one");
    EXPECT_EQ(r->records[0].change.newValue, "uno");

    m->setChild(second);
    EXPECT_EQ(observationCount(first.get()), 0);
    EXPECT_EQ(observationCount(second.get()), 1);
    ASSERT_EQ(r->records.size(), 2u);
    EXPECT_EQ(r->records[1].change.oldValue, "uno");
    EXPECT_EQ(r->records[1].change.newValue, "two");
    first->setTitle("ignored");
    EXPECT_EQ(r->records.size(), 2u);

    m->setChild(nullptr);
    EXPECT_EQ(r->records[2].change.newValue, Value::null());
    m->removeObserverForKeyPath(r.get(), "child.title");
    EXPECT_EQ(observationCount(second.get()), 0);
    EXPECT_EQ(observationCount(m.get()), 0);
}

TEST(KeyValueObserving, ContextsAreSeparateRegistrations)
{
    auto m = kit::make<Model>();
    auto r = kit::make<KeyValueRecorder>();
    m->addObserverForKeyPathOptionsContext(r.get(), "count", 0, &contextA);
    m->addObserverForKeyPathOptionsContext(r.get(), "count", 0, &contextB);
    m->setCount(1);
    ASSERT_EQ(r->records.size(), 2u);
    m->removeObserverForKeyPathContext(r.get(), "count", &contextA);
    m->setCount(2);
    ASSERT_EQ(r->records.size(), 3u);
    EXPECT_EQ(r->records[2].context, &contextB);
    m->removeObserverForKeyPathContext(r.get(), "count", &contextB);
    try {
        m->removeObserverForKeyPath(r.get(), "count");
        FAIL() << "a second removal must raise";
    } catch (const kit::Exception& e) {
        EXPECT_EQ(e.name(), "NSRangeException");
    }
}

TEST(KeyValueObserving, RemovalAndAdditionDuringDelivery)
{
    auto m = kit::make<Model>();
    auto late = kit::make<KeyValueRecorder>();
    auto victim = kit::make<KeyValueRecorder>();
    auto remover = kit::make<Callback>();
    remover->onChange = [&](const QString&, kit::Object*, const kit::KeyValueChange&, void*) {
        m->removeObserverForKeyPath(victim.get(), "count");
        if (observationCount(m.get(), "count") < 3)
            m->addObserverForKeyPathOptionsContext(late.get(), "count", 0, nullptr);
    };
    m->addObserverForKeyPathOptionsContext(remover.get(), "count", 0, nullptr);
    m->addObserverForKeyPathOptionsContext(victim.get(), "count", 0, nullptr);
    m->setCount(1);
    EXPECT_TRUE(victim->records.empty());
    EXPECT_TRUE(late->records.empty()); // added during this change
    remover->onChange = [](auto&&...) {};
    m->setCount(2);
    EXPECT_EQ(late->records.size(), 1u);
    m->removeObserverForKeyPath(remover.get(), "count");
    m->removeObserverForKeyPath(late.get(), "count");
}

TEST(KeyValueObserving, DestroyedObserversAreNeverCalledAndVanish)
{
    auto m = kit::make<Model>();
    auto child = kit::make<Model>();
    m->setChild(child);
    {
        auto r = kit::make<KeyValueRecorder>();
        m->addObserverForKeyPathOptionsContext(r.get(), "title", 0, nullptr);
        m->addObserverForKeyPathOptionsContext(r.get(), "child.title", 0, nullptr);
        EXPECT_EQ(observationCount(child.get()), 1);
    }
    EXPECT_EQ(observationCount(m.get()), 0);
    EXPECT_EQ(observationCount(child.get()), 0);
    child->setTitle("no crash");
    m->setTitle("no crash");
    m->setChild(kit::make<Model>());
}

TEST(KeyValueObserving, ObservedObjectsAreHeldWeakly)
{
    const int before = kit::test::liveModels;
    auto r = kit::make<KeyValueRecorder>();
    {
        auto m = kit::make<Model>();
        m->setChild(kit::make<Model>());
        m->addObserverForKeyPathOptionsContext(r.get(), "child.title", 0, nullptr);
    }
    EXPECT_EQ(kit::test::liveModels, before);
}

TEST(KeyValueObserving, ExceptionsInsideObserversAreCaughtAndLogged)
{
    kit::test::LogRecorder log;
    auto m = kit::make<Model>();
    auto thrower = kit::make<Callback>();
    thrower->onChange = [](auto&&...) { throw kit::Exception(kit::GenericException, "observer failed"); };
    auto after = kit::make<KeyValueRecorder>();
    m->addObserverForKeyPathOptionsContext(thrower.get(), "count", 0, nullptr);
    m->addObserverForKeyPathOptionsContext(after.get(), "count", 0, nullptr);
    EXPECT_NO_THROW(m->setCount(3));
    EXPECT_EQ(after->records.size(), 1u);
    EXPECT_TRUE(log.contains("observer failed"));
    m->removeObserverForKeyPath(thrower.get(), "count");
    m->removeObserverForKeyPath(after.get(), "count");
}

TEST(KeyValueObserving, ToManyChangesCarryKindsIndexesAndElements)
{
    auto m = kit::make<Model>();
    m->setItems({ "a", "b" });
    auto r = kit::make<KeyValueRecorder>();
    m->addObserverForKeyPathOptionsContext(r.get(), "items", NewOld, nullptr);
    m->insertItem("c", 1);
    m->replaceItem(0, "z");
    m->removeItem(2);
    m->setItems({ "q" });
    ASSERT_EQ(r->records.size(), 4u);
    const auto& ins = r->records[0].change;
    EXPECT_EQ(ins.kind, kit::KeyValueChangeInsertion);
    EXPECT_EQ(ins.indexes, kit::IndexSet(1));
    EXPECT_EQ(ins.newValue, kit::Array { "c" });
    EXPECT_TRUE(ins.oldValue.isNil());
    const auto& rep = r->records[1].change;
    EXPECT_EQ(rep.kind, kit::KeyValueChangeReplacement);
    EXPECT_EQ(rep.oldValue, kit::Array { "a" });
    EXPECT_EQ(rep.newValue, kit::Array { "z" });
    const auto& rem = r->records[2].change;
    EXPECT_EQ(rem.kind, kit::KeyValueChangeRemoval);
    EXPECT_EQ(rem.oldValue, kit::Array { "b" });
    EXPECT_TRUE(rem.newValue.isNil());
    EXPECT_EQ(rem.valueForKey("kind"), 3);
    EXPECT_EQ(r->records[3].change.kind, kit::KeyValueChangeSetting);
    EXPECT_FALSE(r->records[3].change.hasIndexes);
    m->removeObserverForKeyPath(r.get(), "items");
}

TEST(KeyValueObserving, ChangesOnAWorkerAreDeliveredThere)
{
    auto m = kit::make<Model>();
    std::atomic<int> calls { 0 };
    std::thread::id deliveredOn;
    auto cb = kit::make<Callback>();
    cb->onChange = [&](auto&&...) {
        deliveredOn = std::this_thread::get_id();
        ++calls;
    };
    m->addObserverForKeyPathOptionsContext(cb.get(), "count", 0, nullptr);
    std::thread::id worker;
    std::thread t([&] {
        worker = std::this_thread::get_id();
        for (int i = 0; i < 100; ++i)
            m->setCount(i);
    });
    t.join();
    EXPECT_EQ(calls, 100);
    EXPECT_EQ(deliveredOn, worker);
    m->removeObserverForKeyPath(cb.get(), "count");
}

TEST(KeyValueObserving, WorkersChangingOneObjectWhileRegistrationsComeAndGo)
{
    // Each worker changes its own key of one object, so only the observation machinery is shared.
    auto m = kit::make<Model>();
    std::atomic<int> calls { 0 }, withOld { 0 };
    auto steady = kit::make<Callback>();
    steady->onChange = [&](const QString&, kit::Object*, const kit::KeyValueChange& change, void*) {
        ++calls;
        if (change.oldValue.isNumber() && change.newValue.isNumber())
            ++withOld;
    };
    m->addObserverForKeyPathOptionsContext(steady.get(), "count", NewOld, nullptr);
    m->addObserverForKeyPathOptionsContext(steady.get(), "isEnabled", NewOld, nullptr);
    std::thread a([&] {
        for (int i = 0; i < 500; ++i)
            m->setCount(i);
    });
    std::thread b([&] {
        for (int i = 0; i < 500; ++i)
            m->setEnabled(i % 2);
    });
    auto passing = kit::make<Callback>();
    passing->onChange = [](auto&&...) {};
    for (int i = 0; i < 200; ++i) {
        m->addObserverForKeyPathOptionsContext(passing.get(), i % 2 ? "count" : "isEnabled", NewOld | kit::KeyValueObservingOptionPrior, nullptr);
        m->removeObserverForKeyPath(passing.get(), i % 2 ? "count" : "isEnabled");
    }
    a.join();
    b.join();
    EXPECT_EQ(calls, 1000);
    EXPECT_EQ(withOld, 1000); // every change carried both values, whichever list it saw
    m->removeObserverForKeyPath(steady.get(), "count");
    m->removeObserverForKeyPath(steady.get(), "isEnabled");
    EXPECT_EQ(observationCount(m.get()), 0);
}

TEST(KeyValueObserving, ArrayElementsAtIndexes)
{
    auto a = kit::make<Model>(), b = kit::make<Model>();
    kit::Array array { a, "not an object", b };
    auto r = kit::make<KeyValueRecorder>();
    kit::addObserverToObjectsAtIndexesForKeyPathOptionsContext(array, r.get(), kit::IndexSet { 0, 1, 2 }, "count", 0, nullptr);
    b->setCount(1);
    EXPECT_EQ(r->records.size(), 1u);
    kit::removeObserverFromObjectsAtIndexesForKeyPath(array, r.get(), kit::IndexSet { 0, 2 }, "count");
    EXPECT_EQ(observationCount(a.get()) + observationCount(b.get()), 0);
}

// ---- key-value coding through values

TEST(KeyValueCoding, FanOutKeepsNullHolesAndSetsEveryElement)
{
    auto a = kit::make<Model>(), b = kit::make<Model>();
    a->setObject("x");
    kit::Array models { a, b, Value::null() };
    EXPECT_EQ(kit::valueForKeyPath(models, "object"), (kit::Array { "x", Value::null(), Value::null() }));
    EXPECT_EQ(kit::valueForKeyPath(models, "self"), models);
    kit::setValueForKey(models, 7, "count");
    EXPECT_EQ(a->count(), 7);
    EXPECT_EQ(b->count(), 7);

    auto holder = kit::make<Model>();
    holder->setItems({ a, b });
    holder->setValueForKeyPath("t", "items.title");
    EXPECT_EQ(b->title(), "t");
    EXPECT_EQ(holder->valueForKeyPath("items.title"), (kit::Array { "t", "t" }));
}

TEST(KeyValueCoding, OperatorsAndPaths)
{
    kit::Array numbers { 2.7, 1.2, 3.9 };
    EXPECT_EQ(kit::valueForKeyPath(numbers, "@sum.intValue"), 6); // each element truncated first
    EXPECT_EQ(kit::valueForKeyPath(numbers, "@sum.intValue").kind(), Value::Kind::Integer);
    EXPECT_DOUBLE_EQ(kit::valueForKeyPath(numbers, "@avg.intValue").doubleValue(), 2.0);
    EXPECT_EQ(kit::valueForKeyPath(numbers, "@min.intValue"), 1);
    EXPECT_EQ(kit::valueForKeyPath(numbers, "@max.self"), 3.9);
    EXPECT_EQ(kit::valueForKeyPath(numbers, "@count"), 3);
    EXPECT_EQ(kit::valueForKeyPath(kit::Array {}, "@sum.self"), 0);

    kit::Array words { "b", "a", "b", 1, true };
    EXPECT_EQ(kit::valueForKeyPath(words, "@distinctUnionOfObjects.self"), (kit::Array { "b", "a", 1 }));
    kit::Array nested { kit::Array { "x", "y" }, kit::Array { "y", "z" } };
    EXPECT_EQ(kit::valueForKeyPath(nested, "@distinctUnionOfArrays.self"), (kit::Array { "x", "y", "z" }));

    auto m = kit::make<Model>();
    EXPECT_TRUE(m->valueForKeyPath("child.title").isNil()); // nil intermediate
    EXPECT_EQ(kit::valueForKeyPath(kit::Dictionary { { "k", kit::Dictionary { { "j", 5 } } } }, "k.j"), 5);
    try {
        m->setValueForKey(1, "child.count");
        FAIL() << "a dotted key is no key";
    } catch (const kit::Exception& e) {
        EXPECT_EQ(e.name(), "NSUnknownKeyException");
    }
    m->setChild(kit::make<Model>());
    m->setValueForKeyPath(5, "child.count");
    EXPECT_EQ(m->child()->count(), 5);
    m->setValueForKey(true, "isEnabled");
    EXPECT_TRUE(m->isEnabled());
    EXPECT_TRUE(m->respondsToSelector("setEnabled"));
}

} // namespace
