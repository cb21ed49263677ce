// The outline view against QTreeView: two trees of 100,000 items (1,000 groups of 99 leaves and 10
// groups of 9,999), one text column, uniform rows, in a 1280x720 window. (a) expand everything and
// draw the first page; (b) move the view down by one page and draw it. The kit's times should be
// at or below QTreeView's in both shapes; the ratios are reported as counters.
// The cell page: a 1280x720 table of 20 columns of numbers (about 740 cells) drawn whole, with and
// without text, beside a QTableView of the same page: what one display pass costs per cell.

#include "kit/appkit/Application.h"
#include "kit/appkit/ScrollView.h"
#include "kit/appkit/Window.h"
#include "kit/controls/OutlineView.h"
#include "kit/controls/TableView.h"

#include <QApplication>
#include <QHash>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QStyleFactory>
#include <QTableView>
#include <QTreeView>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <map>
#include <vector>

namespace {

// Items are the rows' titles, made beforehand as the peer's model is.
class BenchTree : public kit::Object, public kit::OutlineViewDataSource {
public:
    BenchTree(int groups, int leaves)
    {
        for (int g = 0; g < groups; ++g) {
            const QString title = QStringLiteral("Group %1").arg(g);
            groups_.push_back(kit::Value(title));
            groupIndex_.insert(title, g);
            std::vector<kit::Value> items;
            items.reserve(std::size_t(leaves));
            for (int i = 0; i < leaves; ++i)
                items.push_back(kit::Value(QStringLiteral("Item %1.%2").arg(g).arg(i)));
            children_.push_back(std::move(items));
        }
    }
    bool respondsToSelector(const kit::Selector& s) const override
    {
        static const QStringList ops { "outlineViewNumberOfChildrenOfItem", "outlineViewChildOfItem", "outlineViewIsItemExpandable",
            "outlineViewObjectValueForTableColumnByItem" };
        return ops.contains(s.name()) || Object::respondsToSelector(s);
    }
    std::int64_t outlineViewNumberOfChildrenOfItem(kit::OutlineView*, const kit::Value& item) override
    {
        if (item.isNil())
            return std::int64_t(groups_.size());
        const int g = group(item);
        return g < 0 ? 0 : std::int64_t(children_[std::size_t(g)].size());
    }
    kit::Value outlineViewChildOfItem(kit::OutlineView*, std::int64_t index, const kit::Value& item) override
    {
        return item.isNil() ? groups_[std::size_t(index)] : children_[std::size_t(group(item))][std::size_t(index)];
    }
    bool outlineViewIsItemExpandable(kit::OutlineView*, const kit::Value& item) override { return group(item) >= 0; }
    kit::Value outlineViewObjectValueForTableColumnByItem(kit::OutlineView*, kit::TableColumn*, const kit::Value& item) override { return item; }

private:
    int group(const kit::Value& item) const { return groupIndex_.value(item.string(), -1); }
    std::vector<kit::Value> groups_;
    std::vector<std::vector<kit::Value>> children_;
    QHash<QString, int> groupIndex_;
};

struct KitOutline {
    kit::Ref<kit::Window> window;
    kit::Ref<kit::ScrollView> scroll;
    kit::Ref<kit::OutlineView> outline;
    kit::Ref<BenchTree> tree;
    KitOutline(int groups, int leaves)
    {
        window = kit::make<kit::Window>(kit::MakeRect(0, 0, 1280, 720), kit::TitledWindowMask);
        scroll = kit::make<kit::ScrollView>(kit::MakeRect(0, 0, 1280, 720));
        scroll->setHasVerticalScroller(true);
        outline = kit::make<kit::OutlineView>(kit::MakeRect(0, 0, 1265, 720));
        auto column = kit::make<kit::TableColumn>(kit::Value("title"));
        column->setWidth(1200);
        outline->addTableColumn(column);
        scroll->setDocumentView(outline.get());
        window->setContentView(scroll.get());
        tree = kit::make<BenchTree>(groups, leaves);
        outline->setDataSource(tree.get());
        window->display();
    }
};

struct TreeViewPeer {
    QStandardItemModel model;
    QTreeView view;
    TreeViewPeer(int groups, int leaves)
    {
        for (int g = 0; g < groups; ++g) {
            auto* group = new QStandardItem(QStringLiteral("Group %1").arg(g));
            QList<QStandardItem*> children;
            children.reserve(leaves);
            for (int i = 0; i < leaves; ++i)
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
        view.viewport()->repaint();
    }
};

double seconds(const std::function<void()>& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Peer times per shape, measured once per run, for the ratios.
std::map<int, double>& peerExpand()
{
    static std::map<int, double> times;
    return times;
}
std::map<int, double>& peerPage()
{
    static std::map<int, double> times;
    return times;
}

void ExpandAllAndDraw(benchmark::State& state, bool kit)
{
    const int groups = int(state.range(0)), leaves = 100000 / groups - 1;
    double total = 0;
    for (auto _ : state) {
        state.PauseTiming();
        if (kit) {
            KitOutline o(groups, leaves);
            state.ResumeTiming();
            total += seconds([&] {
                o.outline->expandItemExpandChildren(kit::Value(), true);
                o.window->display();
            });
        } else {
            TreeViewPeer p(groups, leaves);
            state.ResumeTiming();
            total += seconds([&] {
                p.view.expandAll();
                p.view.viewport()->repaint();
            });
        }
        state.PauseTiming();
        kit::Application::resetForTesting();
        state.ResumeTiming();
    }
    const double mean = total / double(state.iterations());
    state.counters["msExpandAndDraw"] = mean * 1000;
    if (!kit)
        peerExpand()[groups] = mean;
    else if (peerExpand().count(groups))
        state.counters["ratioToTreeView"] = mean / peerExpand()[groups];
}

void PageStep(benchmark::State& state, bool kit)
{
    const int groups = int(state.range(0)), leaves = 100000 / groups - 1;
    std::unique_ptr<KitOutline> o;
    std::unique_ptr<TreeViewPeer> p;
    if (kit) {
        o = std::make_unique<KitOutline>(groups, leaves);
        o->outline->expandItemExpandChildren(kit::Value(), true);
        o->window->display();
    } else {
        p = std::make_unique<TreeViewPeer>(groups, leaves);
        p->view.expandAll();
        p->view.viewport()->repaint();
    }
    double total = 0;
    int steps = 0;
    for (auto _ : state) {
        for (int i = 0; i < 100; ++i) {
            total += seconds([&] {
                if (kit) {
                    const kit::Ref<kit::ClipView> clip = o->scroll->contentView();
                    clip->scrollToPoint({ 0, clip->bounds().minY() + clip->bounds().height() });
                    o->window->display();
                } else {
                    QScrollBar* bar = p->view.verticalScrollBar();
                    bar->setValue(bar->value() + bar->pageStep());
                    p->view.viewport()->repaint();
                }
            });
            ++steps;
        }
    }
    const double mean = total / steps;
    state.counters["msPerPage"] = mean * 1000;
    if (!kit)
        peerPage()[groups] = mean;
    else if (peerPage().count(groups))
        state.counters["ratioToTreeView"] = mean / peerPage()[groups];
    o.reset();
    p.reset();
    kit::Application::resetForTesting();
}

// Rows of numbers of 6 to 9 digits; empty strings for the fills-only case.
class BenchNumbers : public kit::Object, public kit::TableViewDataSource {
public:
    bool text = true;
    bool respondsToSelector(const kit::Selector& s) const override
    {
        static const QStringList ops { "numberOfRowsInTableView", "tableViewObjectValueForTableColumnRow" };
        return ops.contains(s.name()) || Object::respondsToSelector(s);
    }
    std::int64_t numberOfRowsInTableView(kit::TableView*) override { return 1000; }
    kit::Value tableViewObjectValueForTableColumnRow(kit::TableView*, kit::TableColumn* column, std::int64_t row) override
    {
        if (!text)
            return kit::Value(QString());
        return kit::Value(QString::number((row + 1) * 7919 * (column->identifier().integerValue() + 13) % 999999937 + 100000));
    }
};

constexpr int benchPageColumns = 20;

void CellPage(benchmark::State& state, bool kit)
{
    const bool text = state.range(0) != 0;
    double total = 0;
    int draws = 0;
    if (kit) {
        auto window = kit::make<kit::Window>(kit::MakeRect(0, 0, 1280, 720), kit::TitledWindowMask);
        auto scroll = kit::make<kit::ScrollView>(kit::MakeRect(0, 0, 1280, 720));
        auto table = kit::make<kit::TableView>(kit::MakeRect(0, 0, 1280, 720));
        for (int c = 0; c < benchPageColumns; ++c) {
            auto column = kit::make<kit::TableColumn>(kit::Value(std::int64_t(c)));
            column->setWidth(61);
            table->addTableColumn(column);
        }
        auto source = kit::make<BenchNumbers>();
        source->text = text;
        scroll->setDocumentView(table.get());
        window->setContentView(scroll.get());
        table->setDataSource(source.get());
        window->display();
        for (auto _ : state) {
            total += seconds([&] {
                table->setNeedsDisplay(true);
                window->displayIfNeeded();
            });
            ++draws;
        }
        state.counters["cells"] = double(table->rowsInRect(table->visibleRect()).length * benchPageColumns);
    } else {
        QStandardItemModel model(40, benchPageColumns);
        for (int r = 0; r < 40; ++r)
            for (int c = 0; c < benchPageColumns; ++c)
                model.setItem(r, c, new QStandardItem(text ? QString::number((r + 1) * 7919 * (c + 13) % 999999937 + 100000) : QString()));
        QTableView view;
        view.setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
        view.setModel(&model);
        view.resize(1280, 720);
        view.show();
        QApplication::processEvents();
        for (auto _ : state) {
            total += seconds([&] { view.viewport()->repaint(); });
            ++draws;
        }
    }
    state.counters["msPerPage"] = total / draws * 1000;
    kit::Application::resetForTesting();
}

void TableViewCellPage(benchmark::State& state) { CellPage(state, true); }
void QTableViewCellPage(benchmark::State& state) { CellPage(state, false); }

void TreeViewExpandAll(benchmark::State& state) { ExpandAllAndDraw(state, false); }
void OutlineViewExpandAll(benchmark::State& state) { ExpandAllAndDraw(state, true); }
void TreeViewPageStep(benchmark::State& state) { PageStep(state, false); }
void OutlineViewPageStep(benchmark::State& state) { PageStep(state, true); }

// The peer first, so the kit's runs can report their ratio.
BENCHMARK(TreeViewExpandAll)->Arg(1000)->Arg(10)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(OutlineViewExpandAll)->Arg(1000)->Arg(10)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(TreeViewPageStep)->Arg(1000)->Arg(10)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(OutlineViewPageStep)->Arg(1000)->Arg(10)->Unit(benchmark::kMillisecond)->Iterations(1);
// Argument: 1 with text, 0 fills only.
BENCHMARK(QTableViewCellPage)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(50);
BENCHMARK(TableViewCellPage)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(50);

} // namespace
