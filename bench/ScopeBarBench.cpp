// Scope bar layout: 50 groups of 20 objects from a data source (real cells and fonts), resized
// from the sum of the maximum widths down to 200 points and back in 20-point steps, crossing every
// collapse threshold and the whole peeling range. Each step is setFrameSize plus the layout pass;
// the slowest step is reported beside the mean.

#include "SRScopeBar/SRScopeBar.h"

#include <QElapsedTimer>

#include <ctime>

#include <benchmark/benchmark.h>

#include <algorithm>

namespace {

// This thread's CPU time: a step's own cost, without the time other processes took the core.
double scopeBarBenchThreadMs()
{
    timespec t {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

constexpr int benchGroups = 50;
constexpr int benchObjects = 20;

class ScopeBarBenchSource : public kit::Object, public SRScopeBarDataSource {
public:
    std::int64_t scopeBarNumberOfObjectsInScopeBarGroup(SRScopeBar*, std::int64_t) override { return benchObjects; }
    kit::Value scopeBarValueForObjectInGroupAtIndex(SRScopeBar*, std::int64_t group, std::int64_t index) override
    {
        // Titles of 3 to 14 characters.
        const int length = 3 + int((group * 7 + index * 5) % 12);
        return kit::Value(QStringLiteral("Item %1 of group %2 …").arg(index).arg(group).left(length));
    }
};

void BM_ScopeBarResizeSweep(benchmark::State& state)
{
    auto source = kit::make<ScopeBarBenchSource>();
    auto bar = kit::make<SRScopeBar>(kit::MakeRect(0, 0, 1000, 25));
    bar->setDataSource(source.get());
    for (int g = 0; g < benchGroups; ++g) {
        auto group = g == 0 ? bar->addGroup() : kit::make<SRScopeBarGroup>(QStringLiteral("g%1").arg(g), g % 5 == 1 ? 1 : 0);
        if (g != 0)
            bar->addGroup(group.get());
        if (g % 5 == 2)
            group->setLabel(QStringLiteral("Group %1:").arg(g));
    }
    bar->reloadData();
    bar->layoutIfNeeded();
    double full = 2 * SRScopeBar::edgeMargin() + (benchGroups - 1) * SRScopeBar::edgeMargin();
    for (const auto& helper : bar->groupHelpers())
        full += helper->maximumWidth();
    std::vector<double> widths;
    for (double w = full; w > 200; w -= 20)
        widths.push_back(w);
    for (double w = 200; w <= full; w += 20)
        widths.push_back(w);

    // The first sweep measures every pop-up and makes the overflow items; later sweeps reuse them.
    double slowestFirstSweep = 0;
    double slowest = 0;
    double slowestCpu = 0;
    double total = 0;
    std::int64_t steps = 0;
    bool first = true;
    QElapsedTimer timer;
    for (auto _ : state) {
        for (double w : widths) {
            timer.start();
            const double cpuStart = scopeBarBenchThreadMs();
            bar->setFrameSize(kit::MakeSize(w, 25));
            bar->layoutIfNeeded();
            const double ms = double(timer.nsecsElapsed()) / 1e6;
            slowestCpu = std::max(slowestCpu, scopeBarBenchThreadMs() - cpuStart);
            (first ? slowestFirstSweep : slowest) = std::max(first ? slowestFirstSweep : slowest, ms);
            total += ms;
            ++steps;
        }
        first = false;
    }
    state.counters["steps"] = double(widths.size());
    state.counters["slowest_step_ms"] = slowest;
    state.counters["slowest_step_cpu_ms"] = slowestCpu;
    state.counters["slowest_first_sweep_step_ms"] = slowestFirstSweep;
    state.counters["mean_step_ms"] = steps ? total / double(steps) : 0;
}
BENCHMARK(BM_ScopeBarResizeSweep)->Unit(benchmark::kMillisecond);

} // namespace
