// Costs of the services on hot paths: firing many timers through the run loop's heap (every
// animation and spring-loading timer goes through it), and reading and writing archives.

#include "kit/foundation/Clock.h"
#include "kit/foundation/Json.h"
#include "kit/foundation/KeyedArchiver.h"
#include "kit/foundation/KeyedUnarchiver.h"
#include "kit/foundation/RunLoop.h"
#include "kit/foundation/Timer.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

namespace {

QCoreApplication& application()
{
    static int argc = 1;
    static char name[] = "FoundationBench";
    static char* argv[] = { name, nullptr };
    static QCoreApplication app(argc, argv);
    return app;
}

// `range` timers at 1/30 s; each iteration advances one second (30 firings of each).
void BM_TimersFiringForOneSecond(benchmark::State& state)
{
    application();
    auto clock = std::make_shared<kit::ManualClock>();
    auto previous = kit::Clock::install(clock);
    std::vector<kit::Ref<kit::Timer>> timers;
    std::int64_t fired = 0;
    for (std::int64_t i = 0; i < state.range(0); ++i)
        timers.push_back(kit::Timer::scheduledTimerWithTimeIntervalRepeatsBlock(1.0 / 30, true, [&](kit::Timer*) { ++fired; }));
    for (auto _ : state)
        clock->advance(1.0);
    for (auto& t : timers)
        t->invalidate();
    kit::RunLoop::main().resetForTesting();
    kit::Clock::install(previous);
    state.counters["firings"] = benchmark::Counter(double(fired), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_TimersFiringForOneSecond)->Arg(1)->Arg(16)->Arg(256);

kit::Value sampleGraph(int rows)
{
    kit::Array array;
    for (int i = 0; i < rows; ++i)
        array.addObject(kit::Value(kit::Dictionary { { kit::Value("title"), kit::Value(QStringLiteral("Row %1").arg(i)) },
            { kit::Value("width"), kit::Value(120.5 + i) }, { kit::Value("frame"), kit::Value(kit::MakeRect(i, 2 * i, 100, 20)) },
            { kit::Value("selected"), kit::Value(i % 3 == 0) } }));
    return kit::Value(array);
}

void BM_ArchiveRoundTrip(benchmark::State& state)
{
    const kit::Value graph = sampleGraph(int(state.range(0)));
    std::int64_t bytes = 0;
    for (auto _ : state) {
        const QByteArray data = kit::KeyedArchiver::archivedDataWithRootObject(graph);
        bytes += data.size();
        benchmark::DoNotOptimize(kit::KeyedUnarchiver::unarchiveObjectWithData(data));
    }
    state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_ArchiveRoundTrip)->Arg(100)->Arg(1000);

void BM_JsonRead(benchmark::State& state)
{
    const QByteArray big = kit::KeyedArchiver::archivedDataWithRootObject(sampleGraph(2000));
    for (auto _ : state)
        benchmark::DoNotOptimize(kit::Json::read(big));
    state.SetBytesProcessed(std::int64_t(state.iterations()) * big.size());
}
BENCHMARK(BM_JsonRead);

} // namespace

BENCHMARK_MAIN();
