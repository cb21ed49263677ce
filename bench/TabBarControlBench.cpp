// The cell-based tab bar's layout: 1,000 tabs ("Document n", every tenth one busy) on a bar whose
// width alternates between 1280 and 1180, so each iteration is one frame change laying out every
// cell and rebuilding the overflow menu; with fixed widths (0) and sized to fit (1).

#include "XTTabBarControl/XTTabBarControl.h"
#include "kit/appkit/Window.h"
#include "kit/controls/TabView.h"

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

void BM_LayoutThousandTabs(benchmark::State& state)
{
    const bool sizeToFit = state.range(0) != 0;
    state.SetLabel(sizeToFit ? "size to fit" : "fixed widths");
    auto window = kit::make<kit::Window>(kit::MakeRect(0, 0, 1280, 22), kit::BorderlessWindowMask);
    auto container = kit::make<kit::View>(kit::MakeRect(0, 0, 1280, 22));
    auto tabView = kit::make<kit::TabView>(kit::MakeRect(0, 0, 100, 100));
    auto bar = kit::make<XTTabBarControl>(kit::MakeRect(0, 0, 1280, 22));
    container->addSubview(bar.get());
    window->setContentView(container.get());
    bar->setTabView(tabView);
    tabView->setDelegate(bar.get());
    bar->setSizeCellsToFit(sizeToFit);
    for (int i = 1; i <= 1000; ++i) {
        auto document = kit::make<XTBenchDocument>();
        document->setIsProcessing(i % 10 == 0);
        auto item = kit::make<kit::TabViewItem>(kit::Value(kit::Ref<kit::Object>(document)));
        item->setLabel(QStringLiteral("Document %1").arg(i));
        tabView->addTabViewItem(item);
    }
    bar->update(false);

    bool wide = false;
    for (auto _ : state) {
        bar->setFrameSize(kit::MakeSize(wide ? 1280 : 1180, 22));
        wide = !wide;
        benchmark::DoNotOptimize(bar->cells().back()->frame());
    }
    state.counters["visible"] = double(bar->numberOfVisibleTabs());
}
BENCHMARK(BM_LayoutThousandTabs)->DenseRange(0, 1)->Unit(benchmark::kMicrosecond);

} // namespace

KIT_REGISTER_CLASS(XTBenchDocument, kit::Object) { c.property("isProcessing", &XTBenchDocument::isProcessing, &XTBenchDocument::setIsProcessing); }
