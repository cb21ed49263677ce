// Tab bar view costs: an update of 1,000 tabs with overflow as the bar's width changes, one frame
// of a slide of 30 buttons, and the full repaint of 30 tabs in each style against a QTabBar of the
// same titles and size in the same run (the "qt_ratio" counter is ours over Qt's).

#include "QVTabBarView/QVTabBarController.h"
#include "QVTabBarView/QVTabBarView.h"
#include "kit/appkit/Window.h"
#include "kit/controls/TabView.h"

#include <QApplication>
#include "bench/QtTabBarPeer.h"

#include <QPainter>

#include <benchmark/benchmark.h>

namespace {

struct QVBenchBar {
    kit::Ref<kit::Window> window;
    kit::Ref<kit::TabView> tabView = kit::make<kit::TabView>(kit::MakeRect(0, 0, 100, 100));
    kit::Ref<QVTabBarView> bar;

    QVBenchBar(int tabs, double width)
    {
        window = kit::make<kit::Window>(kit::MakeRect(0, 0, width, 22), kit::BorderlessWindowMask);
        bar = kit::make<QVTabBarView>(kit::MakeRect(0, 0, width, 22));
        window->setContentView(bar.get());
        for (int i = 1; i <= tabs; ++i) {
            auto item = kit::make<kit::TabViewItem>(kit::Value(std::int64_t(i)));
            item->setLabel(QStringLiteral("Tab %1").arg(i));
            tabView->addTabViewItem(item);
        }
        tabView->setDelegate(bar.get());
        bar->setTabView(tabView);
        bar->updateAnimate(false);
    }
};

void BM_UpdateThousandTabs(benchmark::State& state)
{
    QVBenchBar b(1000, 1200);
    b.bar->setSizeButtonsToFit(state.range(0) != 0);
    double width = 1200;
    for (auto _ : state) {
        width = width == 1200 ? 1250 : 1200;
        b.bar->View::setFrameSize(kit::MakeSize(width, 22));
        b.bar->updateAnimate(false);
        benchmark::DoNotOptimize(b.bar->numberOfAttachedButtons());
    }
}
BENCHMARK(BM_UpdateThousandTabs)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_SlideFrameThirtyButtons(benchmark::State& state)
{
    QVBenchBar b(30, 1800);
    b.bar->setButtonOptimumWidth(58);
    b.bar->setButtonMinWidth(40);
    b.bar->updateAnimate(false);
    const QVButtons buttons = b.bar->orderedAttachedButtons();
    for (const auto& button : buttons) {
        kit::Rect r = button->stackingFrame();
        r.origin.x += 29;
        button->setStackingFrame(r);
    }
    auto slide = kit::make<QVSlideButtonsAnimation>(buttons);
    // Running, so each progress moves the buttons; no run loop turns, so no timer steps it.
    slide->startAnimation();
    double progress = 0;
    for (auto _ : state) {
        progress = progress >= 0.9 ? 0.1 : progress + 0.1;
        slide->setCurrentProgress(progress);
        b.window->displayIfNeeded();
    }
    slide->stopAnimation();
}
BENCHMARK(BM_SlideFrameThirtyButtons)->Unit(benchmark::kMicrosecond);

const char* const qvBenchStyles[] = { "Metal", "Aqua", "Unified", "Pebble", "Card", "Flat", "Glass" };

void BM_RepaintThirtyTabsAgainstQTabBar(benchmark::State& state)
{
    QVBenchBar b(30, 1800);
    const QString style = QLatin1String(qvBenchStyles[state.range(0)]);
    state.SetLabel(style.toStdString());
    b.bar->setStyleNamed(style);
    // 59: 30 tabs of 60 exceed Metal's 1,780 points between its margins.
    b.bar->setButtonOptimumWidth(59);
    b.bar->updateAnimate(false);
    // All 30 drawn, none in an overflow menu: the same work as Qt's.
    if (b.bar->numberOfAttachedButtons() != 30 || b.bar->isOverflowButtonVisible()) {
        state.SkipWithError("not all 30 tabs shown");
        return;
    }
    QtTabBarPeer qt(30, 1800, 22);
    double ours = 0, theirs = 0;
    for (auto _ : state) {
        double start = qtPeerThreadNanoseconds();
        b.bar->setNeedsDisplay(true);
        b.window->displayIfNeeded();
        ours += qtPeerThreadNanoseconds() - start;
        start = qtPeerThreadNanoseconds();
        qt.render();
        theirs += qtPeerThreadNanoseconds() - start;
    }
    state.counters["ours_us"] = ours / 1000.0 / double(state.iterations());
    state.counters["qt_us"] = theirs / 1000.0 / double(state.iterations());
    state.counters["qt_ratio"] = theirs > 0 ? ours / theirs : 0;
}
BENCHMARK(BM_RepaintThirtyTabsAgainstQTabBar)->DenseRange(0, 6)->Unit(benchmark::kMicrosecond);

} // namespace
