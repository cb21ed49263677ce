// The kit outline view against QTreeView over two trees of 100,000 items: 1,000 groups of 99
// leaves and 10 groups of 9,999 leaves, titles "Group g" and "Item g.i", one text column, uniform
// rows, in a 1280x720 window. (a) expand everything and draw the first page; (b) move down by one
// page and draw it, mean over 100 steps. The ratios to QTreeView's times are counters.

#include "kit/appkit/Application.h"
#include "kit/appkit/ClipView.h"
#include "kit/appkit/ScrollView.h"
#include "kit/appkit/Window.h"
#include "kit/controls/OutlineView.h"
#include "kit/controls/TableColumn.h"

#include <QApplication>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QStyleFactory>
#include <QTreeView>

#include <benchmark/benchmark.h>

#include <chrono>
#include <functional>
#include <memory>

namespace {

struct OutlineBenchShape {
    std::int64_t groups;
    std::int64_t leaves;
};

constexpr OutlineBenchShape outlineBenchShapes[] = { { 1000, 99 }, { 10, 9999 } };

// Items are numbers: group g is g + 1, leaf i of group g is −(g × leaves + i + 1).
class OutlineBenchTree : public kit::Object, public kit::OutlineViewDataSource {
public:
    explicit OutlineBenchTree(OutlineBenchShape shape)
        : shape_(shape)
    { }
    bool respondsToSelector(const kit::Selector& s) const override
    {
        static const QStringList ops { "outlineViewNumberOfChildrenOfItem", "outlineViewChildOfItem", "outlineViewIsItemExpandable",
            "outlineViewObjectValueForTableColumnByItem" };
        return ops.contains(s.name()) || Object::respondsToSelector(s);
    }
    std::int64_t outlineViewNumberOfChildrenOfItem(kit::OutlineView*, const kit::Value& item) override
    {
        if (item.isNil())
            return shape_.groups;
        return item.integerValue() > 0 ? shape_.leaves : 0;
    }
    kit::Value outlineViewChildOfItem(kit::OutlineView*, std::int64_t index, const kit::Value& item) override
    {
        if (item.isNil())
            return kit::Value(index + 1);
        return kit::Value(-((item.integerValue() - 1) * shape_.leaves + index + 1));
    }
    bool outlineViewIsItemExpandable(kit::OutlineView*, const kit::Value& item) override { return item.integerValue() > 0; }
    kit::Value outlineViewObjectValueForTableColumnByItem(kit::OutlineView*, kit::TableColumn*, const kit::Value& item) override
    {
        const std::int64_t id = item.integerValue();
        if (id > 0)
            return QStringLiteral("Group %1").arg(id - 1);
        const std::int64_t n = -id - 1;
        return QStringLiteral("Item %1.%2").arg(n / shape_.leaves).arg(n % shape_.leaves);
    }

private:
    OutlineBenchShape shape_;
};

struct OutlineBenchKit {
    kit::Ref<kit::Window> window;
    kit::Ref<kit::ScrollView> scroll;
    kit::Ref<kit::OutlineView> outline;
    kit::Ref<OutlineBenchTree> tree;
    explicit OutlineBenchKit(OutlineBenchShape shape)
    {
        window = kit::make<kit::Window>(kit::MakeRect(0, 0, 1280, 720), kit::TitledWindowMask);
        scroll = kit::make<kit::ScrollView>(kit::MakeRect(0, 0, 1280, 720));
        scroll->setHasVerticalScroller(true);
        outline = kit::make<kit::OutlineView>(kit::MakeRect(0, 0, 1265, 720));
        auto column = kit::make<kit::TableColumn>(kit::Value("title"));
        column->setWidth(1200);
        outline->addTableColumn(column);
        outline->setOutlineTableColumn(column.get());
        scroll->setDocumentView(outline.get());
        window->setContentView(scroll.get());
        tree = kit::make<OutlineBenchTree>(shape);
        outline->setDataSource(tree.get());
        window->display();
    }
    ~OutlineBenchKit()
    {
        window->setContentView(nullptr);
        kit::Application::resetForTesting();
    }
};

struct OutlineBenchPeer {
    QStandardItemModel model;
    QTreeView view;
    explicit OutlineBenchPeer(OutlineBenchShape shape)
    {
        for (std::int64_t g = 0; g < shape.groups; ++g) {
            auto* group = new QStandardItem(QStringLiteral("Group %1").arg(g));
            QList<QStandardItem*> children;
            children.reserve(int(shape.leaves));
            for (std::int64_t i = 0; i < shape.leaves; ++i)
                children << new QStandardItem(QStringLiteral("Item %1.%2").arg(g).arg(i));
            group->appendRows(children);
            model.appendRow(group);
        }
        view.setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
        view.setUniformRowHeights(true);
        view.setHeaderHidden(true);
        view.setModel(&model);
        view.resize(1280, 720);
        view.show();
        QApplication::processEvents();
    }
};

double outlineBenchSeconds(const std::function<void()>& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// QTreeView's times per shape: [shape][0] expand, [shape][1] page step.
double& outlineBenchPeer(std::int64_t shape, int what)
{
    static double times[2][2] = {};
    return times[shape][what];
}

void BM_TreeViewExpandAll(benchmark::State& state)
{
    const OutlineBenchShape shape = outlineBenchShapes[state.range(0)];
    double total = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto peer = std::make_unique<OutlineBenchPeer>(shape);
        state.ResumeTiming();
        total += outlineBenchSeconds([&] {
            peer->view.expandAll();
            peer->view.viewport()->repaint();
        });
        state.PauseTiming();
        peer.reset();
        state.ResumeTiming();
    }
    outlineBenchPeer(state.range(0), 0) = total / double(state.iterations());
    state.counters["msExpandAndDraw"] = outlineBenchPeer(state.range(0), 0) * 1000;
}

void BM_OutlineViewExpandAll(benchmark::State& state)
{
    const OutlineBenchShape shape = outlineBenchShapes[state.range(0)];
    double total = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto outline = std::make_unique<OutlineBenchKit>(shape);
        state.ResumeTiming();
        total += outlineBenchSeconds([&] {
            outline->outline->expandItemExpandChildren(kit::Value(), true);
            outline->window->displayIfNeeded();
        });
        state.PauseTiming();
        outline.reset();
        state.ResumeTiming();
    }
    const double mean = total / double(state.iterations());
    state.counters["msExpandAndDraw"] = mean * 1000;
    if (outlineBenchPeer(state.range(0), 0) > 0)
        state.counters["ratioToTreeView"] = mean / outlineBenchPeer(state.range(0), 0);
}

void BM_TreeViewPageStep(benchmark::State& state)
{
    OutlineBenchPeer peer(outlineBenchShapes[state.range(0)]);
    peer.view.expandAll();
    peer.view.viewport()->repaint();
    double total = 0;
    int steps = 0;
    for (auto _ : state)
        for (int i = 0; i < 100; ++i, ++steps)
            total += outlineBenchSeconds([&] {
                QScrollBar* bar = peer.view.verticalScrollBar();
                bar->setValue(bar->value() + bar->pageStep());
                peer.view.viewport()->repaint();
            });
    outlineBenchPeer(state.range(0), 1) = total / steps;
    state.counters["msPerPage"] = outlineBenchPeer(state.range(0), 1) * 1000;
}

void BM_OutlineViewPageStep(benchmark::State& state)
{
    OutlineBenchKit kit(outlineBenchShapes[state.range(0)]);
    kit.outline->expandItemExpandChildren(kit::Value(), true);
    kit.window->displayIfNeeded();
    double total = 0;
    int steps = 0;
    for (auto _ : state)
        for (int i = 0; i < 100; ++i, ++steps)
            total += outlineBenchSeconds([&] {
                const kit::Ref<kit::ClipView> clip = kit.scroll->contentView();
                clip->scrollToPoint({ 0, clip->bounds().minY() + clip->bounds().height() });
                kit.window->displayIfNeeded();
            });
    const double mean = total / steps;
    state.counters["msPerPage"] = mean * 1000;
    if (outlineBenchPeer(state.range(0), 1) > 0)
        state.counters["ratioToTreeView"] = mean / outlineBenchPeer(state.range(0), 1);
}

// The peer first, so the kit's runs can report their ratio. Argument: 0 = 1,000 × 99, 1 = 10 × 9,999.
BENCHMARK(BM_TreeViewExpandAll)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_OutlineViewExpandAll)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_TreeViewPageStep)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_OutlineViewPageStep)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
