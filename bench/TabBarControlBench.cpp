// The cell-based tab bar with 1,000 tabs ("Document n", every tenth one busy) on a 1280-point bar:
// - its layout: the bar's width alternates between 1280 and 1180, so each iteration is one frame
//   change laying out every cell and rebuilding the overflow menu; with fixed widths (0) and sized
//   to fit (1);
// - adding the tabs one by one, each add laying the bar out, with the time outside the layouts
//   apart (each layout measured again on its own) and the cost of the 500th and the 1,000th add;
// - closing one tab of 1,000 through its close button's action.
// Times are this thread's CPU time: on a machine shared with builds the wall clock measures the
// neighbours.

#include "XTTabBarControl/XTTabBarControl.h"
#include "kit/appkit/Window.h"
#include "kit/controls/TabView.h"

#include "bench/QtTabBarPeer.h"

#include <benchmark/benchmark.h>

namespace {

// A tab's identifier: only whether it is busy.
class XTBenchDocument : public kit::Object {
    KIT_CLASS(XTBenchDocument)
public:
    bool isProcessing() const { return processing_; }
    void setIsProcessing(bool flag) { setValueNotifying("isProcessing", processing_, flag); }

private:
    bool processing_ = false;
};

// A bar of 1280 x 22 points filling a borderless window, over a tab view.
struct XTBenchBar {
    kit::Ref<kit::Window> window = kit::make<kit::Window>(kit::MakeRect(0, 0, 1280, 22), kit::BorderlessWindowMask);
    kit::Ref<kit::View> container = kit::make<kit::View>(kit::MakeRect(0, 0, 1280, 22));
    kit::Ref<kit::TabView> tabView = kit::make<kit::TabView>(kit::MakeRect(0, 0, 100, 100));
    kit::Ref<XTTabBarControl> bar = kit::make<XTTabBarControl>(kit::MakeRect(0, 0, 1280, 22));

    XTBenchBar()
    {
        container->addSubview(bar.get());
        window->setContentView(container.get());
        bar->setTabView(tabView);
        tabView->setDelegate(bar.get());
    }
    static kit::Ref<kit::TabViewItem> document(int i)
    {
        auto document = kit::make<XTBenchDocument>();
        document->setIsProcessing(i % 10 == 0);
        auto item = kit::make<kit::TabViewItem>(kit::Value(kit::Ref<kit::Object>(document)));
        item->setLabel(QStringLiteral("Document %1").arg(i));
        return item;
    }
    void fill(int count)
    {
        for (int i = 1; i <= count; ++i)
            tabView->addTabViewItem(document(i));
    }
};

void BM_LayoutThousandTabs(benchmark::State& state)
{
    const bool sizeToFit = state.range(0) != 0;
    state.SetLabel(sizeToFit ? "size to fit" : "fixed widths");
    XTBenchBar b;
    b.bar->setSizeCellsToFit(sizeToFit);
    b.fill(1000);
    b.bar->update(false);

    bool wide = false;
    for (auto _ : state) {
        const double start = qtPeerThreadNanoseconds();
        b.bar->setFrameSize(kit::MakeSize(wide ? 1280 : 1180, 22));
        wide = !wide;
        benchmark::DoNotOptimize(b.bar->cells().back()->frame());
        state.SetIterationTime((qtPeerThreadNanoseconds() - start) / 1e9);
    }
    state.counters["visible"] = double(b.bar->numberOfVisibleTabs());
}
BENCHMARK(BM_LayoutThousandTabs)->DenseRange(0, 1)->UseManualTime()->Unit(benchmark::kMicrosecond);

// One iteration adds 1,000 tabs to an empty bar. Counters: "outside_layouts_ms", the time of the
// adds less that of their layouts; "layouts_ms"; "add500_us" and "add1000_us", the cost of the 500th
// and 1,000th add, layouts included (each the mean of the ten adds ending there); "outside500_us"
// and "outside1000_us", the same without the layouts.
void BM_AddThousandTabsOneByOne(benchmark::State& state)
{
    double total = 0, layouts = 0, add500 = 0, add1000 = 0, out500 = 0, out1000 = 0;
    for (auto _ : state) {
        state.PauseTiming();
        XTBenchBar b;
        std::vector<kit::Ref<kit::TabViewItem>> items;
        for (int i = 1; i <= 1000; ++i)
            items.push_back(XTBenchBar::document(i));
        state.ResumeTiming();
        double iteration = 0;
        for (int i = 1; i <= 1000; ++i) {
            const double start = qtPeerThreadNanoseconds();
            b.tabView->addTabViewItem(items[std::size_t(i - 1)]);
            const double add = qtPeerThreadNanoseconds() - start;
            iteration += add;
            // The same layout once more, on its own: what the add spent laying out.
            state.PauseTiming();
            const double again = qtPeerThreadNanoseconds();
            b.bar->update(false);
            const double layout = qtPeerThreadNanoseconds() - again;
            state.ResumeTiming();
            layouts += layout;
            if (i > 490 && i <= 500) {
                add500 += add / 10;
                out500 += (add - layout) / 10;
            } else if (i > 990) {
                add1000 += add / 10;
                out1000 += (add - layout) / 10;
            }
        }
        benchmark::DoNotOptimize(b.bar->cells().back()->frame());
        state.SetIterationTime(iteration / 1e9);
        total += iteration;
        state.PauseTiming();
        // The bar and its 1,000 tabs go outside the measurement.
        { XTBenchBar gone = std::move(b); }
        state.ResumeTiming();
    }
    const double n = double(state.iterations());
    state.counters["layouts_ms"] = layouts / 1e6 / n;
    state.counters["outside_layouts_ms"] = (total - layouts) / 1e6 / n;
    state.counters["add500_us"] = add500 / 1e3 / n;
    state.counters["add1000_us"] = add1000 / 1e3 / n;
    state.counters["outside500_us"] = out500 / 1e3 / n;
    state.counters["outside1000_us"] = out1000 / 1e3 / n;
}
BENCHMARK(BM_AddThousandTabsOneByOne)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

// Each iteration closes the 500th of 1,000 tabs; the tab comes back, at the end, unmeasured.
void BM_CloseOneOfThousandTabs(benchmark::State& state)
{
    XTBenchBar b;
    b.fill(1000);
    b.bar->update(false);
    for (auto _ : state) {
        const kit::Ref<XTTabBarCell> cell = b.bar->cells()[499];
        const kit::Ref<kit::TabViewItem> item = cell->representedObject().objectAs<kit::TabViewItem>();
        const double start = qtPeerThreadNanoseconds();
        b.bar->closeTabClick(cell.get());
        state.SetIterationTime((qtPeerThreadNanoseconds() - start) / 1e9);
        state.PauseTiming();
        b.tabView->addTabViewItem(item);
        state.ResumeTiming();
    }
    state.counters["tabs"] = double(b.bar->cells().size());
}
BENCHMARK(BM_CloseOneOfThousandTabs)->UseManualTime()->Unit(benchmark::kMicrosecond);

} // namespace

KIT_REGISTER_CLASS(XTBenchDocument, kit::Object) { c.property("isProcessing", &XTBenchDocument::isProcessing, &XTBenchDocument::setIsProcessing); }
