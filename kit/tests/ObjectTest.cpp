#include "kit/core/Object.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

struct Tracked : kit::Object {
    explicit Tracked(int* deaths)
        : deaths(deaths)
    { }
    ~Tracked() override { ++*deaths; }
    int* deaths;
};

// Takes and drops a reference to itself while it is being built.
struct SelfReferencing : kit::Object {
    SelfReferencing() { kit::Ref<SelfReferencing> self(this); }
};

TEST(Object, StrongReferencesShareOneObjectAndDestroyItOnce)
{
    int deaths = 0;
    {
        auto a = kit::make<Tracked>(&deaths);
        EXPECT_EQ(a->retainCount(), 1);
        kit::Ref<kit::Object> b = a;
        EXPECT_EQ(a->retainCount(), 2);
        kit::Ref<Tracked> c = std::move(a);
        EXPECT_FALSE(a);
        EXPECT_EQ(c, b);
    }
    EXPECT_EQ(deaths, 1);

    auto s = kit::make<SelfReferencing>();
    EXPECT_EQ(s->retainCount(), 1);
}

TEST(Object, WeakReferencesZeroWhenTheObjectDies)
{
    int deaths = 0;
    kit::Weak<Tracked> weak;
    {
        auto strong = kit::make<Tracked>(&deaths);
        weak = strong;
        kit::Weak<Tracked> copy = weak;
        EXPECT_EQ(copy.lock(), strong);
    }
    EXPECT_EQ(deaths, 1);
    EXPECT_FALSE(weak.lock());
    EXPECT_TRUE(weak.expired());
}

TEST(Object, WeakLockRacesWithTheLastReleaseSafely)
{
    // Run under the sanitizers: a lock() that revives a dying object, or touches freed memory,
    // shows up as a double destruction or a use-after-free.
    for (int round = 0; round < 200; ++round) {
        int deaths = 0;
        auto strong = kit::make<Tracked>(&deaths);
        kit::Weak<Tracked> weak = strong;
        std::thread locker([&] {
            for (int i = 0; i < 50; ++i) {
                if (auto r = weak.lock()) {
                    EXPECT_EQ(r->deaths, &deaths);
                }
            }
        });
        strong = nullptr;
        locker.join();
        EXPECT_EQ(deaths, 1);
        EXPECT_FALSE(weak.lock());
    }
}

} // namespace
