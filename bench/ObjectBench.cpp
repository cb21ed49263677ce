// Reference counting is on every path of the kit: copying a Ref and locking a Weak should cost
// a few atomic operations, no more.

#include "kit/core/Object.h"

#include <benchmark/benchmark.h>

namespace {

struct Plain : kit::Object { };

void BM_RefCopy(benchmark::State& state)
{
    auto object = kit::make<Plain>();
    for (auto _ : state) {
        kit::Ref<Plain> copy = object;
        benchmark::DoNotOptimize(copy);
    }
}
BENCHMARK(BM_RefCopy);

void BM_WeakLock(benchmark::State& state)
{
    auto object = kit::make<Plain>();
    kit::Weak<Plain> weak = object;
    for (auto _ : state)
        benchmark::DoNotOptimize(weak.lock());
}
BENCHMARK(BM_WeakLock);

} // namespace

BENCHMARK_MAIN();
