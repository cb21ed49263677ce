#include "kit/core/AutoreleasePool.h"
#include "kit/core/Class.h"
#include "kit/foundation/MainThread.h"
#include "kit/foundation/RunLoop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

class Affine : public kit::Object {
public:
    explicit Affine(std::atomic<int>* diedOnMain)
        : diedOnMain_(diedOnMain)
    {
        setMainThreadAffine();
    }
    ~Affine() override { *diedOnMain_ = kit::isMainThread() ? 1 : 2; }

private:
    std::atomic<int>* diedOnMain_;
};

TEST(ObjectLifetime, AMainThreadObjectReleasedOnAWorkerDiesOnTheMainThread)
{
    std::atomic<int> died { 0 };
    auto object = kit::make<Affine>(&died);
    kit::Weak<Affine> weak = object;
    std::thread([ref = std::move(object)]() mutable { ref = nullptr; }).join();
    EXPECT_EQ(died, 0); // posted, not yet run
    EXPECT_TRUE(weak.expired());
    kit::RunLoop::main().runPending();
    EXPECT_EQ(died, 1);

    std::atomic<int> local { 0 };
    kit::make<Affine>(&local); // released on the main thread: at once
    EXPECT_EQ(local, 1);
}

TEST(ObjectLifetime, WeakLocksRaceReleasesSafely)
{
    for (int round = 0; round < 20; ++round) {
        auto object = kit::make<kit::Object>();
        kit::Weak<kit::Object> weak = object;
        std::atomic<bool> go { false };
        std::vector<std::thread> lockers;
        for (int t = 0; t < 3; ++t)
            lockers.emplace_back([&] {
                while (!go) { }
                for (int i = 0; i < 200; ++i) {
                    if (auto r = weak.lock()) {
                        EXPECT_GE(r->retainCount(), 1);
                    }
                }
            });
        go = true;
        object = nullptr;
        for (auto& t : lockers)
            t.join();
        EXPECT_TRUE(weak.expired());
    }
}

TEST(ObjectLifetime, AnObjectRemovedInsideItsOwnActionLivesToTheEndOfTheEvent)
{
    struct Owner {
        kit::Ref<kit::Object> child = kit::make<kit::Object>();
    } owner;
    kit::Weak<kit::Object> weak = owner.child;
    {
        kit::AutoreleasePool eventPool;
        kit::autorelease(owner.child);
        owner.child = nullptr; // "removed" while its action still runs
        EXPECT_FALSE(weak.expired());
    }
    EXPECT_TRUE(weak.expired());
}

} // namespace
