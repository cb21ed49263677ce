// Components copy a template cell for every measurement and every draw (a tab bar does it per
// tab per pass), so copying a button cell and asking its size must stay cheap.

#include "kit/controls/ButtonCell.h"

#include <QApplication>

#include <benchmark/benchmark.h>

namespace {

void BM_ButtonCellCopy(benchmark::State& state)
{
    auto cell = kit::make<kit::ButtonCell>(QStringLiteral("Template"));
    cell->setBezelStyle(kit::RecessedBezelStyle);
    for (auto _ : state)
        benchmark::DoNotOptimize(cell->copy());
}
BENCHMARK(BM_ButtonCellCopy);

void BM_ButtonCellSize(benchmark::State& state)
{
    auto cell = kit::make<kit::ButtonCell>(QStringLiteral("Measured title"));
    for (auto _ : state)
        benchmark::DoNotOptimize(cell->cellSize());
}
BENCHMARK(BM_ButtonCellSize);

} // namespace
