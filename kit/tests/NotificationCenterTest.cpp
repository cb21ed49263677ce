#include "kit/core/NotificationCenter.h"

#include "RuntimeTestModels.h"
#include "kit/core/Predicate.h"
#include "kit/core/SortDescriptor.h"
#include "kit/foundation/MainThread.h"
#include "kit/foundation/OperationQueue.h"
#include "kit/foundation/RunLoop.h"
#include "kit/testsupport/RuntimeRecorders.h"

#include <gtest/gtest.h>

#include <thread>

using kit::Notification;
using kit::NotificationCenter;

namespace {

class Listener : public kit::Object {
    KIT_CLASS(Listener)
    void heard(Notification* n) { log.push_back(n->name()); }
    std::vector<QString> log;
};

} // namespace

KIT_REGISTER_CLASS(Listener, kit::Object) { c.action("heard", &Listener::heard); }

namespace {

class NotificationCenterTest : public ::testing::Test {
protected:
    kit::Ref<NotificationCenter> center = kit::make<NotificationCenter>();
};

TEST_F(NotificationCenterTest, DeliversInRegistrationOrderFilteredByNameAndObjectIdentity)
{
    auto a = kit::make<Listener>(), b = kit::make<Listener>();
    auto sender = kit::make<kit::Object>(), other = kit::make<kit::Object>();
    std::vector<QString> order;
    center->addObserverSelectorNameObject(
        b.get(), [&](Notification* n) { order.push_back("b:" + n->name()); }, "Ping", sender.get());
    center->addObserverSelectorNameObject(a.get(), kit::Selector("heard"), "", nullptr);
    center->addObserverSelectorNameObject(
        b.get(), [&](Notification*) { order.push_back("b:any"); }, "", nullptr);
    center->postNotificationNameObject("Ping", sender.get());
    center->postNotificationNameObject("Ping", other.get());
    EXPECT_EQ(order, (std::vector<QString> { "b:Ping", "b:any", "b:any" }));
    EXPECT_EQ(a->log, (std::vector<QString> { "Ping", "Ping" }));

    center->removeObserverNameObject(b.get(), "", sender.get()); // every name for that object
    center->postNotificationNameObject("Ping", sender.get());
    EXPECT_EQ(order.size(), 4u);
    center->removeObserver(a.get());
    center->removeObserver(b.get());
    center->postNotificationNameObject("Ping", sender.get());
    EXPECT_EQ(order.size(), 4u);
    EXPECT_EQ(center->observerCountForTesting(), 0);
}

TEST_F(NotificationCenterTest, WeakObserversAndObjectFilters)
{
    int calls = 0;
    {
        auto gone = kit::make<Listener>();
        center->addObserverSelectorNameObject(
            gone.get(), [&](Notification*) { ++calls; }, "X", nullptr);
    }
    center->postNotificationNameObject("X", nullptr);
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(center->observerCountForTesting(), 0);

    auto listener = kit::make<Listener>();
    const kit::Object* oldAddress = nullptr;
    {
        auto filter = kit::make<kit::Object>();
        oldAddress = filter.get();
        center->addObserverSelectorNameObject(
            listener.get(), [&](Notification*) { ++calls; }, "X", filter.get());
    }
    // Whatever lives at the old address now is not the object registered.
    for (int i = 0; i < 64; ++i) {
        auto fresh = kit::make<kit::Object>();
        if (fresh.get() == oldAddress) {
            center->postNotificationNameObject("X", fresh.get());
            break;
        }
    }
    EXPECT_EQ(calls, 0);
    center->removeObserver(listener.get());
}

TEST_F(NotificationCenterTest, AddedDuringAPostWaitsRemovedStopsAndNestedPostsFinishFirst)
{
    auto l = kit::make<Listener>(), late = kit::make<Listener>(), victim = kit::make<Listener>();
    std::vector<QString> order;
    center->addObserverSelectorNameObject(
        l.get(),
        [&](Notification* n) {
            order.push_back("outer:" + n->name());
            if (n->name() == "Outer") {
                center->addObserverSelectorNameObject(
                    late.get(), [&](Notification*) { order.push_back("late"); }, "Outer", nullptr);
                center->removeObserver(victim.get());
                center->postNotificationNameObject("Inner", nullptr);
            }
        },
        "", nullptr);
    center->addObserverSelectorNameObject(
        victim.get(), [&](Notification*) { order.push_back("victim"); }, "", nullptr);
    center->postNotificationNameObject("Outer", nullptr);
    EXPECT_EQ(order, (std::vector<QString> { "outer:Outer", "outer:Inner" }));
}

TEST_F(NotificationCenterTest, ASecondIdenticalRegistrationDeliversTwiceAndRaisingHandlersAreLogged)
{
    kit::test::LogRecorder log;
    auto l = kit::make<Listener>();
    center->addObserverSelectorNameObject(l.get(), kit::Selector("heard"), "N", nullptr);
    center->addObserverSelectorNameObject(l.get(), kit::Selector("heard"), "N", nullptr);
    center->addObserverSelectorNameObject(
        l.get(), [](Notification*) { throw kit::Exception(kit::GenericException, "bad handler"); }, "N", nullptr);
    center->postNotificationNameObjectUserInfo("N", nullptr, { { "k", 1 } });
    EXPECT_EQ(l->log.size(), 2u);
    EXPECT_TRUE(log.contains("bad handler"));
}

TEST_F(NotificationCenterTest, MainQueueBlocksArriveInOrderPerPosterWithoutWaiting)
{
    std::vector<std::pair<int, int>> received;
    auto token = center->addObserverForNameObjectQueueUsingBlock("Tick", nullptr, kit::OperationQueue::mainQueue(), [&](Notification* n) {
        EXPECT_TRUE(kit::isMainThread());
        received.emplace_back(n->userInfo().objectForKey("poster").intValue(), n->userInfo().objectForKey("i").intValue());
    });
    std::vector<std::thread> posters;
    for (int p = 0; p < 4; ++p)
        posters.emplace_back([&, p] {
            for (int i = 0; i < 25; ++i)
                center->postNotificationNameObjectUserInfo("Tick", nullptr, { { "poster", p }, { "i", i } });
        });
    for (auto& t : posters)
        t.join();
    EXPECT_TRUE(received.empty()); // queued, not run by the posters
    kit::RunLoop::main().runPending();
    ASSERT_EQ(received.size(), 100u);
    int next[4] = { 0, 0, 0, 0 };
    for (auto [p, i] : received)
        EXPECT_EQ(i, next[p]++);

    center->postNotificationNameObject("Tick", nullptr);
    center->removeObserver(token.get());
    kit::RunLoop::main().runPending();
    EXPECT_EQ(received.size(), 100u); // dropped: queued before the token went away
}

TEST_F(NotificationCenterTest, SynchronousBlockObserver)
{
    int calls = 0;
    auto token = center->addObserverForNameObjectQueueUsingBlock("S", nullptr, nullptr, [&](Notification*) { ++calls; });
    center->postNotificationNameObject("S", nullptr);
    EXPECT_EQ(calls, 1);
    center->removeObserver(token.get());
}

// ---- predicates and sorting

TEST(Predicate, KeyEqualityNilAndConjunction)
{
    using kit::test::Model;
    auto a = kit::make<Model>(), b = kit::make<Model>(), c = kit::make<Model>();
    a->setTitle("x");
    a->setCount(1);
    b->setTitle("X");
    c->setTitle("x");
    c->setObject("o");
    const kit::Array all { a, b, c };
    EXPECT_EQ(kit::filteredArrayUsingPredicate(all, kit::Predicate::keyEquals("title", "x")), (kit::Array { a, c }));
    EXPECT_EQ(kit::filteredArrayUsingPredicate(all, kit::Predicate::keyEquals("object", kit::Value())), (kit::Array { a, b }));
    EXPECT_EQ(kit::filteredArrayUsingPredicate(all, kit::Predicate::keyNotNil("object")), kit::Array { c });
    auto both = kit::Predicate::and_(kit::Predicate::keyEquals("title", "x"), kit::Predicate::keyEquals("count", true));
    EXPECT_EQ(kit::filteredArrayUsingPredicate(all, both), kit::Array { a });
}

TEST(SortDescriptor, StableAndByComparator)
{
    const kit::Array words { kit::Dictionary { { "k", "b" }, { "n", 1 } }, kit::Dictionary { { "k", "B" }, { "n", 2 } },
        kit::Dictionary { { "k", "a" }, { "n", 3 } }, kit::Dictionary { { "k", "b" }, { "n", 4 } } };
    auto order = [](const kit::Array& a) {
        std::vector<int> out;
        for (const auto& v : a)
            out.push_back(v.dictionary().objectForKey("n").intValue());
        return out;
    };
    EXPECT_EQ(order(kit::sortedArrayUsingDescriptors(words, { kit::SortDescriptor("k") })), (std::vector<int> { 2, 3, 1, 4 }));
    EXPECT_EQ(order(kit::sortedArrayUsingDescriptors(words, { kit::SortDescriptor("k", true, "caseInsensitiveCompare") })),
        (std::vector<int> { 3, 1, 2, 4 }));
    EXPECT_EQ(order(kit::sortedArrayUsingDescriptors(words, { kit::SortDescriptor("k", false, "caseInsensitiveCompare") })),
        (std::vector<int> { 1, 2, 4, 3 }));
    EXPECT_THROW(kit::SortDescriptor("k", true, "fancyCompare"), kit::Exception);
}

} // namespace
