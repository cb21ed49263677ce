// Flow view costs at 1280 × 720: a steady scroll through 10,000 and 100 items (a right arrow every
// fourth frame through the event path, each frame 1/60 s on the manual clock, committed, the main
// queue run and the window displayed into its backing), the same frames drawn by a QGraphicsView
// over 10,000 pixmap items as a peer, and a reload of 10,000 items. The CPU column counts every
// thread of the process (Qt spreads large fills over a pool), so it stays comparable on a busy machine.

#include "QVFlowView/QVFlowView.h"
#include "kit/appkit/Application.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/KeyCodes.h"
#include "kit/appkit/Window.h"
#include "kit/foundation/Clock.h"
#include "kit/foundation/RunLoop.h"
#include "kit/layers/Transaction.h"

#include <QBuffer>
#include <QGraphicsPixmapItem>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace flow_view_bench {

using namespace kit;

constexpr int Width = 1280;
constexpr int Height = 720;
constexpr int Pictures = 64;

QImage picture(int i)
{
    QImage image(600, 600, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor::fromHsv((i * 23) % 360, 160, 200));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(255, 255, 255, 120));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QPointF(300, 300), 60 + i * 3, 60 + i * 3);
    return image;
}

const std::vector<QByteArray>& pngs()
{
    static const std::vector<QByteArray> data = [] {
        std::vector<QByteArray> all;
        for (int i = 0; i < Pictures; ++i) {
            QByteArray bytes;
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            picture(i).save(&buffer, "PNG");
            all.push_back(bytes);
        }
        return all;
    }();
    return data;
}

class BenchItem : public Object {
    KIT_CLASS(BenchItem)
public:
    BenchItem() = default;
    explicit BenchItem(int i)
        : index_(i)
    { }
    QString imageItemUID() const { return QString::number(index_); }
    QString imageItemRepresentationType() const { return QVFlowViewNSDataRepresentationType; }
    Value imageItemRepresentation() const { return Value(pngs()[std::size_t(index_ % Pictures)]); }
    QString imageItemTitle() const { return QStringLiteral("Item %1").arg(index_); }

private:
    int index_ = 0;
};

class BenchSource : public Object, public QVFlowViewDataSource {
    KIT_CLASS(BenchSource)
public:
    std::int64_t numberOfItemsInFlowView(QVFlowView*) override { return std::int64_t(items.size()); }
    Value flowViewItemAtIndex(QVFlowView*, std::int64_t index) override { return Value(Ref<Object>(items[std::size_t(index)])); }
    std::vector<Ref<BenchItem>> items;
};

struct Scene {
    std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>();
    std::shared_ptr<Clock> previous;
    Ref<BenchSource> source = make<BenchSource>();
    Ref<Window> window;
    Ref<QVFlowView> view;

    explicit Scene(int count)
    {
        previous = Clock::install(clock);
        for (int i = 0; i < count; ++i)
            source->items.push_back(make<BenchItem>(i));
        window = make<Window>(Rect { { 0, 0 }, { double(Width), double(Height) } }, BorderlessWindowMask);
        view = make<QVFlowView>(Rect { { 0, 0 }, { double(Width), double(Height) } });
        view->setDataSource(source.get());
        window->setContentView(view.get());
        window->makeFirstResponder(view.get());
        view->setSelectedIndex(count / 2);
        settle();
    }
    ~Scene()
    {
        view->operationQueue()->cancelAllOperations();
        view->operationQueue()->waitUntilAllOperationsAreFinished();
        window->close();
        RunLoop::main().runPending();
        Clock::install(previous);
    }
    void settle()
    {
        for (int i = 0; i < 3; ++i) {
            Transaction::flush();
            clock->advance(1);
            view->operationQueue()->waitUntilAllOperationsAreFinished();
            RunLoop::main().runPending();
        }
        window->display();
    }
    void frame(int n)
    {
        if (n % 4 == 0) {
            const Ref<Event> key = Event::
                keyEventWithTypeLocationModifierFlagsTimestampWindowNumberContextCharactersCharactersIgnoringModifiersIsARepeatKeyCode(
                    KeyDown, Point {}, FunctionKeyMask, Application::now(), window->windowNumber(), nullptr, QString(QChar(0xF703)),
                    QString(QChar(0xF703)), false, KeyCodeRightArrow);
            window->sendEvent(*key);
        }
        clock->advance(1.0 / 60);
        Transaction::flush();
        RunLoop::main().runPending();
        // One drawing per frame, as on screen: the window's own pass, run with the main queue,
        // has usually drawn it already; display() would draw everything a second time.
        window->displayIfNeeded();
    }
    // Bytes of pictures shown by layers that the cache no longer holds.
    std::uint64_t heldOutsideCache() const
    {
        std::uint64_t bytes = 0;
        for (std::int64_t i = 0; i < view->numberOfItems(); ++i) {
            const Ref<Layer> p = view->imageLayerAtIndex(i);
            const Ref<CGImage> c = p ? p->contents() : nullptr;
            if (!c || c == QVFlowView::defaultImage())
                continue;
            const Ref<CGImage> cached = view->lookupForImageUID(Value(QString::number(i)));
            if (cached != c)
                bytes += std::uint64_t(c->bytesPerRow()) * std::uint64_t(c->height());
        }
        return bytes;
    }
};

void BM_FlowViewScroll(benchmark::State& state)
{
    Scene scene(int(state.range(0)));
    int n = 0;
    QVFlowView::imagesMade(true);
    for (auto _ : state)
        scene.frame(n++);
    state.counters["decodesPerStep"] = double(QVFlowView::imagesMade(true)) / double(std::max(1, n / 4));
    state.counters["cacheMB"] = double(scene.view->imageCache()->totalCost()) / (1024 * 1024);
    state.counters["heldOutsideMB"] = double(scene.heldOutsideCache()) / (1024 * 1024);
    std::vector<Layer::DrawRecord> drawn;
    Layer::setDrawRecorder(&drawn);
    scene.window->display();
    Layer::setDrawRecorder(nullptr);
    state.counters["layersDrawn"] = double(drawn.size());
}
// 160 frames are 40 steps: from the middle of 100 items they stop short of the last one, so both
// sizes draw the same full row to the end (at 240 the 100 items ran out and the last frames idled).
BENCHMARK(BM_FlowViewScroll)->Name("FlowViewScroll")->Arg(10000)->Arg(100)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond)->Iterations(160);

// The peer: the same 64 pictures as pixmap items, each with the projective transform of its picture
// as laid out at the start.
void BM_GraphicsViewPeer(benchmark::State& state)
{
    const int count = int(state.range(0));
    std::vector<QPixmap> pixmaps;
    for (int i = 0; i < Pictures; ++i)
        pixmaps.push_back(QPixmap::fromImage(picture(i)));
    Scene layout(count);
    // Every item where the full layout puts it (the view leaves those out of sight stale).
    layout.view->setUsesFullLayoutForTesting(true);
    layout.view->scrollLayer()->setNeedsLayout();
    layout.settle();
    const Ref<Layer> root = layout.view->layer();
    QGraphicsScene scene;
    // Items move every frame; a linear scan beats rebuilding the index.
    scene.setItemIndexMethod(QGraphicsScene::NoIndex);
    std::vector<QGraphicsPixmapItem*> items;
    std::vector<QTransform> transforms;
    for (int i = 0; i < count; ++i) {
        const QPixmap& pixmap = pixmaps[std::size_t(i % Pictures)];
        auto* item = scene.addPixmap(pixmap);
        item->setTransformationMode(Qt::SmoothTransformation);
        const Ref<Layer> p = layout.view->imageLayerAtIndex(i);
        const Rect b = p->bounds();
        // Four corners (a polygon made from a rectangle has five, which quadToQuad refuses): top-left,
        // top-right, bottom-right, bottom-left of the picture, in the y-down target.
        const QPolygonF source({ QPointF(0, 0), QPointF(pixmap.width(), 0), QPointF(pixmap.width(), pixmap.height()),
            QPointF(0, pixmap.height()) });
        QPolygonF quad;
        for (Point corner : { MakePoint(b.minX(), b.maxY()), MakePoint(b.maxX(), b.maxY()), MakePoint(b.maxX(), b.minY()), MakePoint(b.minX(), b.minY()) }) {
            const Point q = p->convertPointToLayer(corner, root.get());
            quad << QPointF(q.x, Height - q.y);
        }
        QTransform t;
        if (!QTransform::quadToQuad(source, quad, t)) {
            state.SkipWithError("a picture's quad has no transform");
            return;
        }
        // The selected picture in front, the others stacked towards it.
        item->setZValue(-std::abs(double(i - count / 2)));
        item->setTransform(t);
        items.push_back(item);
        transforms.push_back(t);
    }
    QGraphicsView view(&scene);
    // Shown (off screen) without frame or bars, over the window's own rectangle: a hidden view keeps
    // a default-sized viewport, and an unset scene rectangle centres all 10,000 items.
    view.setFrameShape(QFrame::NoFrame);
    view.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view.setAttribute(Qt::WA_DontShowOnScreen);
    view.resize(Width, Height);
    view.show();
    view.setSceneRect(0, 0, Width, Height);
    view.setRenderHint(QPainter::SmoothPixmapTransform);
    QImage target(Width, Height, QImage::Format_ARGB32_Premultiplied);
    const std::int64_t middle = count / 2;
    double scroll = 0;
    for (auto _ : state) {
        scroll += 1.5;
        for (std::int64_t i = std::max<std::int64_t>(0, middle - 16); i < std::min<std::int64_t>(count, middle + 16); ++i)
            items[std::size_t(i)]->setTransform(transforms[std::size_t(i)] * QTransform::fromTranslate(-std::fmod(scroll, 100.0), 0));
        target.fill(Qt::black);
        QPainter painter(&target);
        view.render(&painter, QRectF(0, 0, Width, Height), QRect(0, 0, Width, Height));
    }
}
BENCHMARK(BM_GraphicsViewPeer)->Name("GraphicsViewPeer")->Arg(10000)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond)->Iterations(120);

void BM_FlowViewReload(benchmark::State& state)
{
    Scene scene(int(state.range(0)));
    for (auto _ : state) {
        scene.view->reloadContent();
        Transaction::flush();
    }
}
BENCHMARK(BM_FlowViewReload)->Name("FlowViewReload")->Arg(10000)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace flow_view_bench

namespace flow_view_bench {

KIT_REGISTER_CLASS(BenchItem, Object)
{
    c.property("imageItemUID", &BenchItem::imageItemUID);
    c.property("imageItemRepresentationType", &BenchItem::imageItemRepresentationType);
    c.property("imageItemRepresentation", &BenchItem::imageItemRepresentation);
    c.property("imageItemTitle", &BenchItem::imageItemTitle);
}

KIT_REGISTER_CLASS(BenchSource, Object) { c.optionalOperations({ "numberOfItemsInFlowView", "flowViewItemAtIndex" }); }

} // namespace flow_view_bench
