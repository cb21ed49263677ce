// The country list every country field and every copied form row asks for: its first build in a
// locale (names from the locale data, sorted by the locale's collation) and the cached answer.
// Against it, the plain Qt way: a name for every territory and a QCollator sort.

#include "FoundationExtensions/JVLLocales.h"

#include <QCollator>
#include <QLocale>
#include <QStringList>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>

namespace {

// Switching between two locales makes the list anew each time.
const char* const servicesBenchLocales[] = { "en_US.UTF-8", "de_DE.UTF-8" };

void BM_CountryLocalesFirstBuild(benchmark::State& state)
{
    int turn = 0;
    for (auto _ : state) {
        setenv("LC_ALL", servicesBenchLocales[turn++ % 2], 1);
        benchmark::DoNotOptimize(JVLCountryLocale::supportedCountryLocalesSortedByDisplayName());
    }
    unsetenv("LC_ALL");
}
BENCHMARK(BM_CountryLocalesFirstBuild)->Unit(benchmark::kMillisecond);

void BM_CountryLocalesCached(benchmark::State& state)
{
    setenv("LC_ALL", servicesBenchLocales[0], 1);
    JVLCountryLocale::supportedCountryLocalesSortedByDisplayName();
    for (auto _ : state)
        benchmark::DoNotOptimize(JVLCountryLocale::supportedCountryLocalesSortedByDisplayName());
    unsetenv("LC_ALL");
}
BENCHMARK(BM_CountryLocalesCached)->Unit(benchmark::kNanosecond);

void BM_QtPeerTerritoryNamesSorted(benchmark::State& state)
{
    for (auto _ : state) {
        QStringList names;
        for (int t = int(QLocale::AnyTerritory) + 1; t <= int(QLocale::LastTerritory); ++t)
            names << QLocale::territoryToString(QLocale::Territory(t));
        QCollator collator { QLocale(QStringLiteral("en_US")) };
        std::stable_sort(names.begin(), names.end(), [&](const QString& a, const QString& b) { return collator.compare(a, b) < 0; });
        benchmark::DoNotOptimize(names);
    }
}
BENCHMARK(BM_QtPeerTerritoryNamesSorted)->Unit(benchmark::kMillisecond);

} // namespace
