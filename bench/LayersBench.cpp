// Layer trees frame by frame, offscreen at 1280 x 720: the manual clock moves 1/60 s, the frame
// driver ticks (commit, retiring finished animations) and the hosting view's window draws into its
// backing.
// - LayersTurnedScroll: 1,000 turned layers, each at its own depth, under a scroll layer with
//   m34 = -1/1500, all on screen, the scroll animating.
// - LayersCoverFlow/N: N replicator items (picture and reflection, depth kept) in a row under that
//   perspective, about 30 of them on screen, a selection change every 30 frames turning the old and
//   new pictures and scrolling to the new one. 10,000 items should cost what 1,000 do. The
//   slowest frame is reported too: those starting and ending a change touch every item.
// - LayersFloor: what a frame of LayersCoverFlow draws, with bare QPainter calls and the
//   transforms the renderer used (the kit's frame as a ratio to it).
// The CPU column counts every thread of the process (Qt spreads large fills over a pool).

#include "kit/appkit/Application.h"
#include "kit/appkit/FrameDriver.h"
#include "kit/appkit/View.h"
#include "kit/appkit/Window.h"
#include "kit/foundation/Clock.h"
#include "kit/foundation/RunLoop.h"
#include "kit/layers/ReplicatorLayer.h"
#include "kit/layers/ScrollLayer.h"
#include "kit/layers/Transaction.h"

#include <QPainter>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <numbers>

namespace layers_bench {

using namespace kit;

constexpr int Width = 1280, Height = 720, Side = 240, Spacing = 60;

Ref<CGImage> card(int i)
{
    QImage image(Side, Side, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor::fromHsv((i * 47) % 360, 150, 210));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 110));
    p.drawEllipse(QPointF(Side / 2.0, Side / 2.0), Side / 3.0, Side / 3.0);
    return CGImage::create(image);
}

Transform3D perspective()
{
    Transform3D t;
    t.m34 = -1.0 / 1500;
    return t;
}

struct Scene {
    std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>(978307200.0);
    std::shared_ptr<Clock> previous;
    Ref<Window> window;
    Ref<View> host;
    Ref<Layer> root;
    Ref<ScrollLayer> scroll;

    Scene()
    {
        previous = Clock::install(clock);
        window = make<Window>(MakeRect(0, 0, Width, Height), BorderlessWindowMask);
        host = make<View>(MakeRect(0, 0, Width, Height));
        window->setContentView(host.get());
        root = Layer::layer();
        root->setBackgroundColor(CGColor::createGenericRGB(0.05, 0.05, 0.08, 1));
        scroll = ScrollLayer::layer();
        scroll->setScrollMode(ScrollHorizontally);
        scroll->setMasksToBounds(false);
        scroll->setFrame(MakeRect(0, 0, Width, Height));
        scroll->setSublayerTransform(perspective());
        root->addSublayer(scroll.get());
        host->setLayer(root.get());
    }
    ~Scene()
    {
        host->setLayer(nullptr);
        window->close();
        RunLoop::main().runPending();
        Transaction::resetForTesting();
        Clock::install(previous);
    }
    // One tick of the frame driver (commit, retirement, invalidation), then the window's display.
    void frame()
    {
        clock->advance(1.0 / 60);
        FrameDriver::shared().tick();
        host->setNeedsDisplay(true);
        window->display();
    }
};

void LayersTurnedScroll(benchmark::State& state)
{
    Scene scene;
    std::vector<Ref<CGImage>> cards;
    for (int i = 0; i < 16; ++i)
        cards.push_back(card(i));
    // 40 columns by 25 rows of small cards, each turned its own way and at its own depth.
    for (int i = 0; i < 1000; ++i) {
        auto l = Layer::layer();
        l->setContents(cards[std::size_t(i % 16)]);
        l->setFrame(MakeRect((i % 40) * 34.0, (i / 40) * 28.0 + 10, 30, 24));
        l->setZPosition(double((i * 37) % 200) - 100);
        l->setTransform(Transform3DMakeRotation(((i * 13) % 90 - 45) * std::numbers::pi / 180, 0, 1, 0));
        scene.scroll->addSublayer(l.get());
    }
    scene.frame();
    scene.frame();
    double x = 0;
    std::int64_t frames = 0;
    for (auto _ : state) {
        if (frames++ % 30 == 0) {
            x = x > 0 ? 0 : 60; // half a second each way
            Transaction::begin();
            Transaction::setAnimationDuration(0.5);
            scene.scroll->scrollToPoint(MakePoint(x, 0));
            Transaction::commit();
        }
        scene.frame();
    }
}
BENCHMARK(LayersTurnedScroll)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

// A row of items, the selected one facing the viewer in front, the others turned and set back.
struct CoverFlowScene : Scene {
    std::vector<Ref<ReplicatorLayer>> items;
    std::int64_t selected = 0;

    explicit CoverFlowScene(int count)
    {
        std::vector<Ref<CGImage>> cards;
        for (int i = 0; i < 32; ++i)
            cards.push_back(card(i));
        for (int i = 0; i < count; ++i) {
            auto item = ReplicatorLayer::layer();
            item->setInstanceCount(2);
            item->setPreservesDepth(true);
            item->setInstanceRedOffset(-0.6);
            item->setInstanceGreenOffset(-0.6);
            item->setInstanceBlueOffset(-0.6);
            item->setInstanceTransform(Transform3DConcat(Transform3DMakeScale(1, -1, 1), Transform3DMakeTranslation(0, -Side, 0)));
            auto picture = Layer::layer();
            picture->setContents(cards[std::size_t(i % 32)]);
            picture->setFrame(MakeRect(0, 0, Side, Side));
            item->addSublayer(picture.get());
            scroll->addSublayer(item.get());
            items.push_back(item);
        }
        select(count / 2, false);
        frame();
        frame();
    }
    void place(std::int64_t i)
    {
        ReplicatorLayer& item = *items[std::size_t(i)];
        const std::int64_t d = i - selected;
        const double x = d == 0 ? 0 : (d < 0 ? -1 : 1) * (Side * 0.8 + Spacing * (std::abs(double(d)) - 1));
        item.setFrame(MakeRect(double(i) * Spacing + x, 230, Side, Side));
        item.setZPosition(d == 0 ? 0 : -200);
        item.setTransform(d == 0 ? Transform3D() : Transform3DMakeRotation((d < 0 ? 1 : -1) * 1.2, 0, 1, 0));
    }
    // Every item moves with the selection; only the ones near it are seen moving.
    void select(std::int64_t index, bool animate)
    {
        Transaction::begin();
        Transaction::setDisableActions(!animate);
        Transaction::setAnimationDuration(0.4);
        selected = index;
        for (std::int64_t i = 0; i < std::int64_t(items.size()); ++i)
            place(i);
        scroll->scrollToPoint(MakePoint(double(index) * Spacing + Side / 2.0 - Width / 2.0, 0));
        Transaction::commit();
    }
};

void LayersCoverFlow(benchmark::State& state)
{
    CoverFlowScene scene(int(state.range(0)));
    std::int64_t frames = 0;
    double slowest = 0;
    for (auto _ : state) {
        if (frames++ % 30 == 0) {
            state.PauseTiming();
            const std::int64_t next = scene.selected + 1 < std::int64_t(scene.items.size()) - 20 ? scene.selected + 1 : std::int64_t(scene.items.size()) / 2;
            scene.select(next, true);
            state.ResumeTiming();
        }
        const auto start = std::chrono::steady_clock::now();
        scene.frame();
        slowest = std::max(slowest, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    // The frames that start and end a selection change touch every item (each one moves).
    state.counters["slowestFrameMs"] = slowest;
    std::vector<Layer::DrawRecord> drawn;
    Layer::setDrawRecorder(&drawn);
    scene.frame();
    Layer::setDrawRecorder(nullptr);
    state.counters["layersDrawn"] = double(drawn.size());
}
BENCHMARK(LayersCoverFlow)->Arg(10000)->Arg(1000)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

void LayersFloor(benchmark::State& state)
{
    CoverFlowScene scene(1000);
    scene.select(scene.selected + 1, true);
    for (int i = 0; i < 10; ++i)
        scene.frame();
    std::vector<Layer::DrawRecord> drawn;
    Layer::setDrawRecorder(&drawn);
    scene.frame();
    Layer::setDrawRecorder(nullptr);
    // The pictures and reflections as the renderer placed them, y up in the view: flipped to the image.
    struct Draw {
        QTransform transform;
        QImage image;
    };
    std::vector<Draw> draws;
    const QTransform toImage(1, 0, 0, -1, 0, Height);
    for (const Layer::DrawRecord& r : drawn) {
        const Ref<CGImage> contents = r.layer->contents();
        if (!contents)
            continue;
        const QTransform upright(1, 0, 0, -1, 0, Side);
        draws.push_back({ upright * r.homography * toImage, contents->image() });
    }
    QImage target(Width, Height, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        target.fill(QColor(13, 13, 20));
        QPainter p(&target);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        for (const Draw& d : draws) {
            p.setTransform(d.transform);
            p.drawImage(QRectF(0, 0, Side, Side), d.image);
        }
    }
    state.counters["pictures"] = double(draws.size());
}
BENCHMARK(LayersFloor)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

} // namespace layers_bench
