// The source list against QTreeView: 1,000 groups of 99 items (100,000 items), one shared 16 x 16
// icon on every item and a badge on every tenth, in a 1280x720 window. (a) set the data source,
// expand every group and draw the first page; (b) the same with every group always expanded, so
// the reload opens them one at a time; (c) move down by one page and draw it. The ratios to
// QTreeView's times are reported as counters.

#include "JVLAppKit/JVLOutlineSourceList/JVLOutlineSourceList.h"
#include "JVLAppKit/JVLOutlineSourceList/JVLOutlineSourceListItem.h"

#include "kit/appkit/Application.h"
#include "kit/appkit/ScrollView.h"
#include "kit/appkit/Window.h"

#include <QApplication>
#include <QBuffer>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QStyleFactory>
#include <QTreeView>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>

namespace {

constexpr int sourceBenchGroups = 1000;
constexpr int sourceBenchItems = 99;

QImage sourceBenchIconImage()
{
    QImage image(16, 16, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setBrush(QColor(90, 130, 200));
    p.drawRoundedRect(1, 2, 14, 12, 2, 2);
    return image;
}

// Data source with icons and badges over an item tree; delegate without heights.
class SourceBenchTree : public kit::Object, public JVLOutlineSourceListDataSource, public JVLOutlineSourceListDelegate {
public:
    explicit SourceBenchTree(bool alwaysExpanded)
        : alwaysExpanded_(alwaysExpanded)
    {
        QByteArray png;
        {
            QBuffer buffer(&png);
            buffer.open(QIODevice::WriteOnly);
            sourceBenchIconImage().save(&buffer, "PNG");
        }
        const kit::Ref<kit::Image> icon = kit::Image::imageWithData(png);
        for (int g = 0; g < sourceBenchGroups; ++g) {
            const auto group = JVLOutlineSourceListItem::itemWithTitle(QStringLiteral("Group %1").arg(g));
            for (int i = 0; i < sourceBenchItems; ++i) {
                const auto item = JVLOutlineSourceListItem::itemWithTitle(QStringLiteral("Item %1.%2").arg(g).arg(i));
                item->setIcon(icon);
                if (i % 10 == 0)
                    item->setBadgeValue(i);
                group->silentAddChild(item.get());
            }
            root_->silentAddChild(group.get());
        }
    }
    bool respondsToSelector(const kit::Selector& s) const override
    {
        static const QStringList ops { "sourceListItemHasBadge", "sourceListBadgeValueForItem", "sourceListItemHasIcon", "sourceListIconForItem" };
        if (s.name() == QLatin1String("sourceListIsGroupAlwaysExpanded"))
            return alwaysExpanded_;
        return ops.contains(s.name()) || Object::respondsToSelector(s);
    }
    JVLOutlineSourceListItem* of(const kit::Value& item) const
    {
        return item.isNil() ? root_.get() : static_cast<JVLOutlineSourceListItem*>(item.object().get());
    }
    std::int64_t sourceListNumberOfChildrenOfItem(JVLOutlineSourceList*, const kit::Value& item) override { return of(item)->countOfChildren(); }
    kit::Value sourceListChildOfItem(JVLOutlineSourceList*, std::int64_t index, const kit::Value& item) override
    {
        return kit::Value(of(item)->children()[std::size_t(index)]);
    }
    kit::Value sourceListObjectValueForItem(JVLOutlineSourceList*, const kit::Value& item) override { return of(item)->title(); }
    bool sourceListIsItemExpandable(JVLOutlineSourceList*, const kit::Value& item) override { return of(item)->hasChildren(); }
    bool sourceListItemHasBadge(JVLOutlineSourceList*, const kit::Value& item) override { return of(item)->hasBadge(); }
    std::int64_t sourceListBadgeValueForItem(JVLOutlineSourceList*, const kit::Value& item) override { return of(item)->badgeValue(); }
    bool sourceListItemHasIcon(JVLOutlineSourceList*, const kit::Value& item) override { return of(item)->hasIcon(); }
    kit::Ref<kit::Image> sourceListIconForItem(JVLOutlineSourceList*, const kit::Value& item) override { return of(item)->icon(); }
    bool sourceListIsGroupAlwaysExpanded(JVLOutlineSourceList*, const kit::Value&) override { return true; }

private:
    kit::Ref<JVLOutlineSourceListItem> root_ = kit::make<JVLOutlineSourceListItem>();
    bool alwaysExpanded_;
};

struct SourceBenchList {
    kit::Ref<kit::Window> window;
    kit::Ref<kit::ScrollView> scroll;
    kit::Ref<JVLOutlineSourceList> list;
    kit::Ref<SourceBenchTree> tree;
    explicit SourceBenchList(bool alwaysExpanded)
    {
        window = kit::make<kit::Window>(kit::MakeRect(0, 0, 1280, 720), kit::TitledWindowMask);
        scroll = kit::make<kit::ScrollView>(kit::MakeRect(0, 0, 1280, 720));
        scroll->setHasVerticalScroller(true);
        list = kit::make<JVLOutlineSourceList>(kit::MakeRect(0, 0, 1265, 720));
        auto column = kit::make<kit::TableColumn>(kit::Value("title"));
        column->setWidth(1200);
        list->addTableColumn(column);
        list->setOutlineTableColumn(column.get());
        scroll->setDocumentView(list.get());
        window->setContentView(scroll.get());
        tree = kit::make<SourceBenchTree>(alwaysExpanded);
        list->setDelegate(tree.get());
    }
    void load(bool expandByHand)
    {
        list->setDataSource(tree.get());
        if (expandByHand)
            list->expandItemExpandChildren(kit::Value(), true);
        window->display();
    }
};

struct SourceBenchPeer {
    QStandardItemModel model;
    QTreeView view;
    SourceBenchPeer()
    {
        const QIcon icon(QPixmap::fromImage(sourceBenchIconImage()));
        for (int g = 0; g < sourceBenchGroups; ++g) {
            auto* group = new QStandardItem(QStringLiteral("Group %1").arg(g));
            QList<QStandardItem*> children;
            children.reserve(sourceBenchItems);
            for (int i = 0; i < sourceBenchItems; ++i)
                children << new QStandardItem(icon, QStringLiteral("Item %1.%2").arg(g).arg(i));
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

double sourceBenchSeconds(const std::function<void()>& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double& sourceBenchPeerExpand()
{
    static double time = 0;
    return time;
}
double& sourceBenchPeerPage()
{
    static double time = 0;
    return time;
}

void BM_TreeViewExpandAll(benchmark::State& state)
{
    double total = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto peer = std::make_unique<SourceBenchPeer>();
        state.ResumeTiming();
        total += sourceBenchSeconds([&] {
            peer->view.expandAll();
            peer->view.viewport()->repaint();
        });
        state.PauseTiming();
        peer.reset();
        state.ResumeTiming();
    }
    sourceBenchPeerExpand() = total / double(state.iterations());
    state.counters["msExpandAndDraw"] = sourceBenchPeerExpand() * 1000;
}

void SourceListLoad(benchmark::State& state, bool alwaysExpanded)
{
    double total = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto list = std::make_unique<SourceBenchList>(alwaysExpanded);
        state.ResumeTiming();
        total += sourceBenchSeconds([&] { list->load(!alwaysExpanded); });
        state.PauseTiming();
        list.reset();
        kit::Application::resetForTesting();
        state.ResumeTiming();
    }
    const double mean = total / double(state.iterations());
    state.counters["msExpandAndDraw"] = mean * 1000;
    if (sourceBenchPeerExpand() > 0)
        state.counters["ratioToTreeView"] = mean / sourceBenchPeerExpand();
}

void BM_SourceListExpandAll(benchmark::State& state) { SourceListLoad(state, false); }
void BM_SourceListAlwaysExpandedReload(benchmark::State& state) { SourceListLoad(state, true); }

void BM_TreeViewPageStep(benchmark::State& state)
{
    SourceBenchPeer peer;
    peer.view.expandAll();
    peer.view.viewport()->repaint();
    double total = 0;
    int steps = 0;
    for (auto _ : state)
        for (int i = 0; i < 100; ++i, ++steps)
            total += sourceBenchSeconds([&] {
                QScrollBar* bar = peer.view.verticalScrollBar();
                bar->setValue(bar->value() + bar->pageStep());
                peer.view.viewport()->repaint();
            });
    sourceBenchPeerPage() = total / steps;
    state.counters["msPerPage"] = sourceBenchPeerPage() * 1000;
}

void BM_SourceListPageStep(benchmark::State& state)
{
    auto list = std::make_unique<SourceBenchList>(false);
    list->load(true);
    double total = 0;
    int steps = 0;
    for (auto _ : state)
        for (int i = 0; i < 100; ++i, ++steps)
            total += sourceBenchSeconds([&] {
                const kit::Ref<kit::ClipView> clip = list->scroll->contentView();
                clip->scrollToPoint({ 0, clip->bounds().minY() + clip->bounds().height() });
                list->window->displayIfNeeded();
            });
    const double mean = total / steps;
    state.counters["msPerPage"] = mean * 1000;
    if (sourceBenchPeerPage() > 0)
        state.counters["ratioToTreeView"] = mean / sourceBenchPeerPage();
    list.reset();
    kit::Application::resetForTesting();
}

// The peer first, so the list's runs can report their ratio.
BENCHMARK(BM_TreeViewExpandAll)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SourceListExpandAll)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SourceListAlwaysExpandedReload)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_TreeViewPageStep)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_SourceListPageStep)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
