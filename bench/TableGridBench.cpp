// The table grid against QTableView over a computed sheet: 10^8 rows × 10^4 columns in a
// 1280×720 window, values (row × 7 + column) mod 100,000, widths 60 + 20 × (column mod 3).
// (a) reloadData; (b) a page step (the cells moved down by their visible height, then drawn),
// mean and worst over 200 steps, at the start and at the far end. QTableView's rows stop where
// its 32-bit pixel offsets would overflow (about 107 million rows of 20 px); it is never probed
// there. The grid's mean page step should stay under 2 ms and at or below QTableView's.
// (c) a move down after a screen reader asked for 0 or 150,000 distinct cells (its requests a
// loop turn apart): the grid keeps the cells shown and a bounded few, so the two should match.

#include "JVLAppKit/JVLTableGrid/JVLTableGrid.h"
#include "JVLAppKit/JVLTableGrid/JVLTableGridContentView.h"

#include "kit/appkit/Application.h"
#include "kit/appkit/ClipView.h"
#include "kit/appkit/Window.h"
#include "kit/foundation/RunLoop.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QHeaderView>
#include <QScrollBar>
#include <QStyleFactory>
#include <QTableView>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>

namespace {

constexpr std::int64_t benchRows = 100'000'000;
constexpr std::int64_t benchColumns = 10'000;
constexpr int benchSteps = 200;

QString benchColumnName(std::int64_t column)
{
    QString name;
    for (std::int64_t n = column + 1; n > 0; n = (n - 1) / 26)
        name.prepend(QChar(char16_t('A' + (n - 1) % 26)));
    return name;
}

QString benchValue(std::int64_t column, std::int64_t row) { return QString::number((row * 7 + column) % 100'000); }

double benchWidth(std::int64_t column) { return double(60 + 20 * (column % 3)); }

class BenchSheet : public kit::Object, public JVLTableGridDataSource {
public:
    bool respondsToSelector(const kit::Selector& s) const override
    {
        static const QStringList ops { "numberOfColumnsInTableGrid", "numberOfRowsInTableGrid", "tableGridObjectValueForColumnRow",
            "tableGridHeaderStringForColumn", "tableGridSetWidthForColumn" };
        return ops.contains(s.name()) || Object::respondsToSelector(s);
    }
    std::int64_t numberOfColumnsInTableGrid(JVLTableGrid*) override { return benchColumns; }
    std::int64_t numberOfRowsInTableGrid(JVLTableGrid*) override { return rows; }
    kit::Value tableGridObjectValueForColumnRow(JVLTableGrid*, std::int64_t c, std::int64_t r) override
    {
        last = { c, r };
        return benchValue(c, r);
    }
    QString tableGridHeaderStringForColumn(JVLTableGrid*, std::int64_t c) override { return benchColumnName(c); }
    float tableGridSetWidthForColumn(JVLTableGrid*, std::int64_t c) override { return float(benchWidth(c)); }
    std::int64_t rows = benchRows;
    std::pair<std::int64_t, std::int64_t> last { -1, -1 };
};

struct KitGrid {
    kit::Ref<kit::Window> window;
    kit::Ref<JVLTableGrid> grid;
    kit::Ref<BenchSheet> sheet;
    KitGrid()
    {
        window = kit::make<kit::Window>(kit::MakeRect(0, 0, 1280, 720), kit::TitledWindowMask);
        auto content = kit::make<kit::View>(kit::MakeRect(0, 0, 1280, 720));
        window->setContentView(content.get());
        grid = kit::make<JVLTableGrid>(kit::MakeRect(0, 0, 1280, 720));
        content->addSubview(grid.get());
        sheet = kit::make<BenchSheet>();
        grid->setDataSource(sheet.get());
        grid->reloadData();
        window->display();
    }
    ~KitGrid()
    {
        window->setContentView(nullptr);
        kit::Application::resetForTesting();
    }
    kit::Ref<kit::ClipView> clip() const { return grid->contentScrollView()->contentView(); }
    void scrollTo(kit::Point p)
    {
        clip()->scrollToPoint(p);
        grid->contentScrollView()->reflectScrolledClipView(clip().get());
        window->displayIfNeeded();
    }
};

class BenchModel : public QAbstractTableModel {
public:
    int rowCount(const QModelIndex& parent) const override
    {
        // Where 20-px rows still fit QTableView's 32-bit pixel offsets; computed, never probed.
        return parent.isValid() ? 0 : int(std::min<std::int64_t>(benchRows, (2'147'483'647 - 720) / 20));
    }
    int columnCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : int(benchColumns); }
    QVariant data(const QModelIndex& index, int role) const override
    {
        return role == Qt::DisplayRole ? QVariant(benchValue(index.column(), index.row())) : QVariant();
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (role != Qt::DisplayRole)
            return {};
        return orientation == Qt::Horizontal ? QVariant(benchColumnName(section)) : QVariant(section + 1);
    }
};

struct TableViewPeer {
    BenchModel model;
    QTableView view;
    TableViewPeer()
    {
        view.setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
        view.verticalHeader()->setMinimumSectionSize(1);
        view.verticalHeader()->setDefaultSectionSize(20);
        view.horizontalHeader()->setMinimumSectionSize(1);
        view.setModel(&model);
        for (int c = 0; c < int(benchColumns); ++c)
            view.horizontalHeader()->resizeSection(c, int(benchWidth(c)));
        view.resize(1280, 720);
        view.show();
        QApplication::processEvents();
        view.viewport()->repaint();
    }
};

double benchSeconds(const std::function<void()>& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// QTableView's mean page step at the start (0) and at the far end (1), for the ratios.
double& peerPageStep(std::int64_t farEnd)
{
    static double means[2] = { 0, 0 };
    return means[farEnd ? 1 : 0];
}

// The last row's value must be drawn in the last visible row once scrolled to the end.
void checkFarEnd(KitGrid& g)
{
    g.scrollTo({ 0, 1e12 });
    g.sheet->last = { -1, -1 };
    g.grid->contentView()->setNeedsDisplay(true);
    g.window->displayIfNeeded();
    const kit::Rect last = g.grid->frameOfCellAtColumnRow(0, benchRows - 1);
    const bool drawn = g.sheet->last.second == benchRows - 1;
    const bool placed = last.maxY() <= 720 && last.maxY() >= 720 - 20 - 15 - 1;
    if (!drawn || !placed || g.grid->rowAtPoint({ 50, last.midY() }) != benchRows - 1) {
        std::fprintf(stderr, "far end wrong: last drawn row %lld, last row's bottom at %.1f\n", static_cast<long long>(g.sheet->last.second),
            last.maxY());
        std::abort();
    }
}

void TableViewPageStep(benchmark::State& state)
{
    TableViewPeer p;
    QScrollBar* bar = p.view.verticalScrollBar();
    if (state.range(0))
        bar->setValue(bar->maximum() - (benchSteps + 1) * bar->pageStep());
    double total = 0, worst = 0;
    int steps = 0;
    for (auto _ : state) {
        for (int i = 0; i < benchSteps; ++i) {
            const double t = benchSeconds([&] {
                bar->setValue(bar->value() + bar->pageStep());
                p.view.viewport()->repaint();
            });
            total += t;
            worst = std::max(worst, t);
            ++steps;
        }
    }
    state.counters["msPerPage"] = total / steps * 1000;
    state.counters["msWorst"] = worst * 1000;
    peerPageStep(state.range(0)) = total / steps;
}

void TableGridReload(benchmark::State& state)
{
    KitGrid g;
    g.sheet->rows = state.range(0);
    for (auto _ : state)
        g.grid->reloadData();
}

void TableGridPageStep(benchmark::State& state)
{
    KitGrid g;
    checkFarEnd(g);
    const bool farEnd = state.range(0) != 0;
    const double page = g.clip()->bounds().size.height;
    if (farEnd)
        g.scrollTo({ 1e12, double(benchRows) * 20 - (benchSteps + 1) * page });
    else
        g.scrollTo({ 0, 0 });
    double total = 0, worst = 0;
    int steps = 0;
    for (auto _ : state) {
        for (int i = 0; i < benchSteps; ++i) {
            const double t = benchSeconds([&] {
                const kit::Ref<kit::ClipView> clip = g.clip();
                clip->scrollToPoint({ clip->bounds().minX(), clip->bounds().minY() + page });
                g.window->displayIfNeeded();
            });
            total += t;
            worst = std::max(worst, t);
            ++steps;
        }
    }
    const double mean = total / steps;
    state.counters["msPerPage"] = mean * 1000;
    state.counters["msWorst"] = worst * 1000;
    if (peerPageStep(state.range(0)) > 0)
        state.counters["ratioToTableView"] = mean / peerPageStep(state.range(0));
}

void TableGridMoveAfterCellsAsked(benchmark::State& state)
{
    KitGrid g;
    g.window->makeKeyAndOrderFront();
    g.window->makeFirstResponder(g.grid.get());
    g.grid->setSelectedColumnIndexes(kit::IndexSet(0));
    g.grid->setSelectedRowIndexes(kit::IndexSet(0));
    for (std::int64_t i = 0; i < state.range(0); ++i) {
        g.grid->accessibilityCellForColumnRow(i % 8, 1000 + i / 8 * 97);
        if (i % 500 == 499)
            kit::RunLoop::main().runPending();
    }
    kit::RunLoop::main().runPending();
    for (auto _ : state) {
        if (g.grid->selectedRowIndexes().firstIndex() >= benchRows - 1)
            g.grid->moveToBeginningOfDocument(nullptr);
        g.grid->moveDown(nullptr);
    }
}

} // namespace

// The peer first, so the grid's runs can report their ratio.
BENCHMARK(TableViewPageStep)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(TableGridPageStep)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(TableGridReload)->Arg(1'000)->Arg(100'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(TableGridMoveAfterCellsAsked)->Arg(0)->Arg(150'000)->Unit(benchmark::kMicrosecond);
