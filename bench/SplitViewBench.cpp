// Split view costs: laying out 100 panes after a resize, and a divider drag of 1,000 steps
// through the tracking loop (each step moves two panes and lays the view out again).

#include "ZQSplitView/ZQSplitView.h"
#include "kit/appkit/Application.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/Window.h"

#include <QApplication>

#include <benchmark/benchmark.h>

namespace {

constexpr int paneCount = 100;

kit::Ref<ZQSplitView> makeSplitView(double width)
{
    auto split = kit::make<ZQSplitView>(kit::MakeRect(0, 0, width, 400));
    split->setDividerThickness(1);
    for (int i = 0; i < paneCount; ++i) {
        auto pane = kit::make<ZQSplitSubview>(kit::MakeRect(0, 0, 20, 400));
        pane->setMinDimensionAndMaxDimension(5, 0);
        pane->setCanCollapse(i % 3 == 0);
        split->addSubview(pane.get());
    }
    split->adjustSubviews();
    return split;
}

void BM_LayoutHundredPanes(benchmark::State& state)
{
    auto split = makeSplitView(2099);
    double width = 2099;
    for (auto _ : state) {
        width = width == 2099 ? 2400.5 : 2099;
        split->setFrameSize(kit::MakeSize(width, 400));
        benchmark::DoNotOptimize(split->subviewAtPosition(paneCount - 1)->frame());
    }
}
BENCHMARK(BM_LayoutHundredPanes);

kit::Ref<kit::Event> mouse(kit::EventType type, double x, kit::Window& window)
{
    return kit::Event::mouseEventWithTypeLocationModifierFlagsTimestampWindowNumberContextEventNumberClickCountPressure(
        type, kit::MakePoint(x, 200), 0, 0, window.windowNumber(), nullptr, 0, 1, 1);
}

void BM_DragDividerThousandSteps(benchmark::State& state)
{
    auto window = kit::make<kit::Window>(kit::MakeRect(0, 0, 2099, 400), kit::BorderlessWindowMask);
    auto split = makeSplitView(2099);
    split->setDivider(kit::Image::imageWithSize(kit::MakeSize(1, 8)));
    window->setContentView(split.get());
    const kit::Ref<kit::Application> app = kit::Application::sharedApplication();
    const double start = split->dividerRects()[49].origin.x;
    for (auto _ : state) {
        state.PauseTiming();
        // Out 500 steps and back again, so every iteration starts from the same layout.
        for (int i = 1; i <= 1000; ++i)
            app->postEventAtStart(mouse(kit::LeftMouseDragged, start + (i <= 500 ? i : 1000 - i) * 0.5, *window).get(), false);
        app->postEventAtStart(mouse(kit::LeftMouseUp, start, *window).get(), false);
        const auto down = mouse(kit::LeftMouseDown, start, *window);
        state.ResumeTiming();
        split->dragDividerFromPane(49, *down);
    }
    state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_DragDividerThousandSteps)->Unit(benchmark::kMillisecond);

} // namespace
