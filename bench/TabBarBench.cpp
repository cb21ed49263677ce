// The cell-based tab bar's full repaint in each of its five styles: a 1280 x 22 bar of 30 tabs,
// each at least 40 points wide so that all 30 show ("visible"), against a shown QTabBar of the
// same titles and size that elides them, in the same iteration ("qt_ratio" is ours over Qt's).

#include "XTTabBarControl/XTTabBarControl.h"
#include "kit/appkit/Window.h"
#include "kit/controls/TabView.h"

#include "bench/QtTabBarPeer.h"

#include <benchmark/benchmark.h>

namespace {

const char* const xtBenchStyles[] = { "Metal", "Aqua", "Card", "Pebble", "Unified" };

void BM_RepaintThirtyTabs(benchmark::State& state)
{
    const QString style = QLatin1String(xtBenchStyles[state.range(0)]);
    state.SetLabel(style.toStdString());
    auto window = kit::make<kit::Window>(kit::MakeRect(0, 0, 1280, 22), kit::BorderlessWindowMask);
    auto tabView = kit::make<kit::TabView>(kit::MakeRect(0, 0, 100, 100));
    auto bar = kit::make<XTTabBarControl>(kit::MakeRect(0, 0, 1280, 22));
    window->setContentView(bar.get());
    bar->setTabView(tabView);
    tabView->setDelegate(bar.get());
    bar->setStyleNamed(style);
    bar->setCellMinWidth(40);
    for (int i = 1; i <= 30; ++i) {
        auto item = kit::make<kit::TabViewItem>(kit::Value(std::int64_t(i)));
        item->setLabel(QStringLiteral("Tab %1").arg(i));
        tabView->addTabViewItem(item);
    }
    bar->update(false);
    window->displayIfNeeded();

    QtTabBarPeer qt(30, 1280, 22);
    // Shown and eliding, as a bar of 30 tabs in 1280 points is on screen.
    qt.bar.setElideMode(Qt::ElideRight);
    qt.bar.show();

    double ours = 0, theirs = 0;
    for (auto _ : state) {
        double start = qtPeerThreadNanoseconds();
        bar->setNeedsDisplay(true);
        window->displayIfNeeded();
        ours += qtPeerThreadNanoseconds() - start;
        start = qtPeerThreadNanoseconds();
        qt.render();
        theirs += qtPeerThreadNanoseconds() - start;
    }
    state.counters["ours_us"] = ours / 1000.0 / double(state.iterations());
    state.counters["qt_us"] = theirs / 1000.0 / double(state.iterations());
    state.counters["qt_ratio"] = theirs > 0 ? ours / theirs : 0;
    state.counters["visible"] = double(bar->numberOfVisibleTabs());
}
BENCHMARK(BM_RepaintThirtyTabs)->DenseRange(0, 4)->Unit(benchmark::kMicrosecond);

} // namespace
