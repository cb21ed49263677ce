// One picture under a projective map drawn into a 1280 x 720 canvas, as the layers draw a turned
// cover: a 600 x 430 picture turned 60 degrees about y in a perspective of depth 1500 (about 270 x 460
// pixels on the canvas), the same picture facing the viewer enlarged 1.3125 times (a map of the
// projective kind that is flat), a translucent picture at opacity 0.6, and the turned picture half
// under an occluder; the turned picture also as one of sixteen drawn in turn (from memory, not the
// cache). The painter drawing the turned picture is the peer. Counter: pixels drawn per
// second of wall time; the CPU column counts every thread of the process.

#include "kit/graphics/ProjectiveImage.h"

#include <QImage>
#include <QLinearGradient>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>

namespace projective_image_bench {

constexpr int canvasWidth = 1280, canvasHeight = 720, pictureWidth = 600, pictureHeight = 430;

// Gradients, fine lines and a translucent disc: detail everywhere, as a photo has.
QImage picture(bool translucent)
{
    QImage image(pictureWidth, pictureHeight, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&image);
    QLinearGradient fill(0, 0, pictureWidth, pictureHeight);
    fill.setColorAt(0, QColor(200, 60, 40));
    fill.setColorAt(1, QColor(30, 90, 220));
    p.fillRect(image.rect(), fill);
    p.setPen(QPen(QColor(240, 240, 240), 1));
    for (int x = 7; x < pictureWidth; x += 13)
        p.drawLine(x, 0, x, pictureHeight);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 140));
    p.drawEllipse(QPointF(300, 215), 160, 120);
    if (translucent) {
        // Fading out downwards, as a reflection does.
        QLinearGradient fade(0, 0, 0, pictureHeight);
        fade.setColorAt(0, QColor(0, 0, 0, 255));
        fade.setColorAt(1, QColor(0, 0, 0, 0));
        p.setCompositionMode(QPainter::CompositionMode_DestinationIn);
        p.fillRect(image.rect(), fade);
    }
    return image;
}

// The picture turned about its vertical axis (its right edge away from the viewer), seen from
// `depth` in front, scaled by `scale` and centred at `centre`.
QTransform turned(double degrees, double depth, double scale, QPointF centre)
{
    const double angle = degrees * std::numbers::pi / 180;
    const QTransform perspective(scale * std::cos(angle), 0, std::sin(angle) / depth, 0, scale, 0, 0, 0, 1);
    return QTransform::fromTranslate(-pictureWidth / 2.0, -pictureHeight / 2.0) * perspective
        * QTransform::fromTranslate(centre.x(), centre.y());
}

// Facing the viewer, 1.3125 times its size: flat, though the homogeneous scale makes it projective.
QTransform facing()
{
    const double k = 1.3125, w = 0.8;
    return QTransform(k * w, 0, 0, 0, k * w, 0, (640 - k * pictureWidth / 2) * w, (360 - k * pictureHeight / 2) * w, w);
}

const QTransform& turnedMap()
{
    static const QTransform map = turned(60, 1500, 0.885, QPointF(330, 360));
    return map;
}

QImage blankCanvas()
{
    QImage canvas(canvasWidth, canvasHeight, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(QColor(40, 40, 40));
    return canvas;
}

// Pixels a draw reaches: those an opaque white picture changes on a transparent canvas.
long pixelsReached(const QTransform& map, const std::vector<kit::projectiveimage::Quad>* occluders)
{
    QImage canvas(canvasWidth, canvasHeight, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    QImage white(pictureWidth, pictureHeight, QImage::Format_RGB32);
    white.fill(Qt::white);
    kit::projectiveimage::DrawInto(canvas, canvas.rect(), white, white.rect(), map, 1, true, true, occluders);
    long count = 0;
    for (int y = 0; y < canvasHeight; ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(canvas.constScanLine(y));
        for (int x = 0; x < canvasWidth; ++x)
            count += row[x] != 0;
    }
    return count;
}

void run(benchmark::State& state, const QImage& image, const QTransform& map, double opacity,
    const std::vector<kit::projectiveimage::Quad>* occluders = nullptr)
{
    QImage canvas = blankCanvas();
    for (auto _ : state) {
        kit::projectiveimage::DrawInto(canvas, canvas.rect(), image, image.rect(), map, opacity, true, true, occluders);
        benchmark::DoNotOptimize(canvas.constBits());
        benchmark::ClobberMemory();
    }
    state.counters["pixels/s"] = benchmark::Counter(double(pixelsReached(map, occluders)), benchmark::Counter::kIsIterationInvariantRate);
}

void BM_Turned(benchmark::State& state) { run(state, picture(false), turnedMap(), 1); }

void BM_Facing(benchmark::State& state) { run(state, picture(false), facing(), 1); }

void BM_TranslucentTurned(benchmark::State& state) { run(state, picture(true), turnedMap(), 0.6); }

// Sixteen pictures in turn, as a row of covers is: their pixels come from memory, not the cache.
void BM_TurnedUncached(benchmark::State& state)
{
    std::vector<QImage> pictures;
    for (int i = 0; i < 16; ++i)
        pictures.push_back(picture(false));
    QImage canvas = blankCanvas();
    std::size_t next = 0;
    for (auto _ : state) {
        const QImage& image = pictures[next++ % pictures.size()];
        kit::projectiveimage::DrawInto(canvas, canvas.rect(), image, image.rect(), turnedMap(), 1, true, true);
        benchmark::DoNotOptimize(canvas.constBits());
        benchmark::ClobberMemory();
    }
    state.counters["pixels/s"]
        = benchmark::Counter(double(pixelsReached(turnedMap(), nullptr)), benchmark::Counter::kIsIterationInvariantRate);
}

// The right half of the turned picture's box lies under a picture drawn later.
void BM_HalfOccluded(benchmark::State& state)
{
    const QRectF box = turnedMap().mapRect(QRectF(0, 0, pictureWidth, pictureHeight));
    const double middle = box.center().x();
    const std::vector<kit::projectiveimage::Quad> occluders { { QPointF(middle, box.top() - 10), QPointF(box.right() + 10, box.top() - 10),
        QPointF(box.right() + 10, box.bottom() + 10), QPointF(middle, box.bottom() + 10) } };
    run(state, picture(false), turnedMap(), 1, &occluders);
}

// The painter's own projective drawing of the turned picture, smooth and antialiased.
void BM_PainterTurned(benchmark::State& state)
{
    const QImage image = picture(false);
    QImage canvas = blankCanvas();
    for (auto _ : state) {
        QPainter p(&canvas);
        p.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
        p.setTransform(turnedMap());
        p.drawImage(QPointF(0, 0), image);
        p.end();
        benchmark::DoNotOptimize(canvas.constBits());
        benchmark::ClobberMemory();
    }
    state.counters["pixels/s"]
        = benchmark::Counter(double(pixelsReached(turnedMap(), nullptr)), benchmark::Counter::kIsIterationInvariantRate);
}

BENCHMARK(BM_Turned)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_TurnedUncached)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_Facing)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_TranslucentTurned)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_HalfOccluded)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_PainterTurned)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime()->UseRealTime();

} // namespace projective_image_bench
