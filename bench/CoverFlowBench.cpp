// The cover-flow view frame by frame: a 1280 x 720 window filled by the view, 64 covers of 600 x 430
// shared by the content objects, the selection in the middle. One iteration is one frame: every
// fourth frame a right-arrow key through the event path (retargeting the running scroll), then the
// clock moves 1/60 s, the transaction commits and the window draws into its backing (once: the pass
// the frame driver asks for). The peer is a
// QGraphicsView over 10,000 pixmap items with the same projective transforms, scrolled by the same
// step. Also: replacing 10,000 content objects by a shuffled array sharing 90 % of them. For the
// frames the CPU column counts every thread of the process (Qt spreads large fills over a pool).

#include "JVLAppKit/JVLCoverFlowView/JVLCoverFlowView.h"
#include "kit/appkit/Application.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/Window.h"
#include "kit/foundation/Clock.h"
#include "kit/foundation/RunLoop.h"
#include "kit/layers/Transaction.h"

#include <QGraphicsPixmapItem>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QPainter>
#include <QScrollBar>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>

namespace cover_flow_bench {

using namespace kit;

constexpr int windowWidth = 1280, windowHeight = 720, coverWidth = 600, coverHeight = 430, coverCount = 64;

class BenchCover : public Object {
    KIT_CLASS(BenchCover)
public:
    BenchCover() = default;
    explicit BenchCover(Ref<Image> cover)
        : cover_(std::move(cover))
    { }
    Ref<Image> cover() const { return cover_; }

private:
    Ref<Image> cover_;
};

KIT_REGISTER_CLASS(BenchCover, Object) { c.property("cover", &BenchCover::cover); }

const std::vector<QImage>& coverPixels()
{
    static const std::vector<QImage> covers = [] {
        std::vector<QImage> out;
        for (int i = 0; i < coverCount; ++i) {
            QImage image(coverWidth, coverHeight, QImage::Format_ARGB32_Premultiplied);
            image.fill(QColor::fromHsv(i * 360 / coverCount, 160, 200));
            QPainter p(&image);
            p.setPen(Qt::white);
            p.setFont(QFont(QStringLiteral("DejaVu Sans"), 120));
            p.drawText(image.rect(), Qt::AlignCenter, QString::number(i + 1));
            out.push_back(image);
        }
        return out;
    }();
    return covers;
}

Array benchContent(int count)
{
    std::vector<Ref<Image>> covers;
    for (const QImage& pixels : coverPixels())
        covers.push_back(Image::imageWithCGImageSize(CGImage::create(pixels), {}));
    Array content;
    for (int i = 0; i < count; ++i)
        content.addObject(Value(make<BenchCover>(covers[std::size_t(i % coverCount)])));
    return content;
}

struct Scene {
    std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>(978307200.0);
    std::shared_ptr<Clock> previous;
    Ref<Window> window;
    Ref<JVLCoverFlowView> view;

    explicit Scene(int count)
    {
        previous = Clock::install(clock);
        window = make<Window>(MakeRect(0, 0, windowWidth, windowHeight), TitledWindowMask);
        view = make<JVLCoverFlowView>(MakeRect(0, 0, windowWidth, windowHeight));
        window->contentView()->addSubview(view.get());
        view->setImageKeyPath(QStringLiteral("cover"));
        view->setContent(benchContent(count));
        view->setSelectionIndex(count / 2);
        settle();
    }
    ~Scene()
    {
        view->removeFromSuperview();
        window->close();
        RunLoop::main().runUntil([&] { return view->imageLoadQueue()->operationCount() == 0; });
        RunLoop::main().runPending();
        Transaction::resetForTesting();
        Clock::install(previous);
    }
    void settle()
    {
        RunLoop::main().runUntil(
            [&] { return view->imageLoadQueue()->operationCount() == 0 && RunLoop::main().pendingMainBlockCount() == 0; }, 30);
        RunLoop::main().runPending();
        for (int i = 0; i < 180; ++i)
            frame(false);
    }
    void frame(bool key)
    {
        if (key) {
            auto e = Event::keyEventWithTypeLocationModifierFlagsTimestampWindowNumberContextCharactersCharactersIgnoringModifiersIsARepeatKeyCode(
                KeyDown, MakePoint(0, 0), 0, Application::now(), window->windowNumber(), nullptr, QString(QChar(0xF703)),
                QString(QChar(0xF703)), false, 124);
            window->makeFirstResponder(view.get());
            Application::sharedApplication()->sendEvent(*e);
        }
        clock->advance(1.0 / 60);
        // As in a running application: pictures decoded meanwhile come back through the main queue,
        // the frame driver's tick asks for the window's pass, and the pass draws the frame. Whatever
        // is still to draw after the commit draws then; a frame is drawn once, not again on top.
        RunLoop::main().runPending();
        Transaction::flush();
        window->displayIfNeeded();
    }
};

void CoverFlowScroll(benchmark::State& state)
{
    Scene scene(int(state.range(0)));
    std::vector<Layer::DrawRecord> drawn;
    std::int64_t frames = 0;
    for (auto _ : state) {
        if (frames % 4 == 0)
            scene.view->setNeedsDisplay(true);
        scene.frame(frames % 4 == 0);
        ++frames;
        if (scene.view->selectionIndex() > state.range(0) - 20) {
            state.PauseTiming();
            scene.view->setSelectionIndex(state.range(0) / 2);
            scene.settle();
            state.ResumeTiming();
        }
    }
    Layer::setDrawRecorder(&drawn);
    scene.frame(false);
    Layer::setDrawRecorder(nullptr);
    state.counters["residentMB"] = double(scene.view->residentPictureBytes()) / 1e6;
    state.counters["layersDrawn"] = double(drawn.size());
}
BENCHMARK(CoverFlowScroll)->Arg(10000)->Arg(100)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

void GraphicsViewPeer(benchmark::State& state)
{
    const int count = int(state.range(0));
    // The projective transform of each cover as the view lays it out at the start.
    Scene scene(count);
    const Ref<Layer> root = scene.view->layer();
    std::vector<QTransform> transforms(static_cast<std::size_t>(count));
    // Four corners: a polygon made from a rectangle is closed (five points), which quadToQuad refuses,
    // leaving every item untransformed on top of the others.
    const QPolygonF source({ QPointF(0, 0), QPointF(coverWidth, 0), QPointF(coverWidth, coverHeight), QPointF(0, coverHeight) });
    for (int i = 0; i < count; ++i) {
        scene.view->rectForItemAtIndex(i); // an item kept out of sight is laid out on demand
        const Ref<Layer> item = scene.view->scrollLayer()->sublayers()[std::size_t(i)];
        const Ref<Layer> image = item->sublayers().front();
        const Rect b = image->bounds();
        QPolygonF quad;
        // Top-left, top-right, bottom-right, bottom-left of the picture, in y-down widget space.
        for (Point corner : { MakePoint(b.minX(), b.maxY()), MakePoint(b.maxX(), b.maxY()), MakePoint(b.maxX(), b.minY()), MakePoint(b.minX(), b.minY()) }) {
            const Point p = image->convertPointToLayer(corner, root.get());
            quad << QPointF(p.x, windowHeight - p.y);
        }
        QTransform t;
        if (!QTransform::quadToQuad(source, quad, t))
            state.SkipWithError("a cover's quad has no transform");
        transforms[std::size_t(i)] = t;
    }
    scene.settle();
    QGraphicsScene graphics;
    // Items move every frame; a linear scan beats rebuilding the BSP index.
    graphics.setItemIndexMethod(QGraphicsScene::NoIndex);
    std::vector<QPixmap> pixmaps;
    for (const QImage& pixels : coverPixels())
        pixmaps.push_back(QPixmap::fromImage(pixels));
    std::vector<QGraphicsPixmapItem*> items;
    for (int i = 0; i < count; ++i) {
        auto* item = graphics.addPixmap(pixmaps[std::size_t(i % coverCount)]);
        item->setTransformationMode(Qt::SmoothTransformation);
        item->setTransform(transforms[std::size_t(i)]);
        items.push_back(item);
    }
    QGraphicsView view(&graphics);
    // Shown (off screen) without frame or bars: a hidden view keeps a default-sized viewport, and
    // render() would scale that up into the target.
    view.setFrameShape(QFrame::NoFrame);
    view.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view.setAttribute(Qt::WA_DontShowOnScreen);
    view.resize(windowWidth, windowHeight);
    view.show();
    view.setRenderHint(QPainter::SmoothPixmapTransform);
    view.setSceneRect(graphics.itemsBoundingRect());
    QImage target(windowWidth, windowHeight, QImage::Format_ARGB32_Premultiplied);
    const double step = 1.1 * scene.view->itemSize().width / 4;
    view.centerOn(transforms[std::size_t(count / 2)].map(QPointF(coverWidth / 2.0, coverHeight / 2.0)));
    const std::int64_t radius = scene.view->residentRadius();
    int frame = 0;
    for (auto _ : state) {
        view.horizontalScrollBar()->setValue(view.horizontalScrollBar()->value() + int(step));
        const int centre = std::clamp(count / 2 + frame / 4, 0, count - 1);
        for (std::int64_t k = std::max<std::int64_t>(0, centre - radius); k <= std::min<std::int64_t>(count - 1, centre + radius); ++k)
            items[std::size_t(k)]->setTransform(transforms[std::size_t(k)]);
        target.fill(Qt::black);
        QPainter painter(&target);
        view.render(&painter);
        ++frame;
    }
}
BENCHMARK(GraphicsViewPeer)->Arg(10000)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

void CoverFlowSetContent(benchmark::State& state)
{
    const int count = int(state.range(0));
    Scene scene(count);
    const Array first = scene.view->content();
    std::vector<Value> shuffled(first.begin(), first.end());
    std::mt19937 random(7);
    std::shuffle(shuffled.begin(), shuffled.end(), random);
    const Array fresh = benchContent(count / 10);
    for (int i = 0; i < count / 10; ++i)
        shuffled[std::size_t(i)] = fresh[i];
    const Array second(shuffled);
    bool flip = false;
    for (auto _ : state) {
        scene.view->setContent(flip ? first : second);
        flip = !flip;
        state.PauseTiming();
        Transaction::flush();
        state.ResumeTiming();
    }
}
BENCHMARK(CoverFlowSetContent)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace cover_flow_bench
