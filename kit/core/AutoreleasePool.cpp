#include "kit/core/AutoreleasePool.h"

#include "kit/core/Exception.h"

#include <vector>

namespace kit {

namespace {

struct PoolStack {
    std::vector<std::vector<Ref<Object>>> pools;
};

thread_local PoolStack poolStack;

} // namespace

AutoreleasePool::AutoreleasePool() { poolStack.pools.emplace_back(); }

AutoreleasePool::~AutoreleasePool()
{
    drain();
    poolStack.pools.pop_back();
}

void AutoreleasePool::drain()
{
    // Releasing may autorelease more into this pool: repeat until it stays empty.
    auto& pools = poolStack.pools;
    const std::size_t level = pools.size() - 1;
    while (!pools[level].empty()) {
        std::vector<Ref<Object>> held;
        held.swap(pools[level]);
        held.clear();
    }
}

void AutoreleasePool::addObject(Ref<Object> object)
{
    KIT_ASSERT(!poolStack.pools.empty(), QStringLiteral("autorelease with no pool in place"));
    if (poolStack.pools.empty() || !object)
        return;
    poolStack.pools.back().push_back(std::move(object));
}

int AutoreleasePool::depth() { return static_cast<int>(poolStack.pools.size()); }

} // namespace kit
