// What a full window repaint costs in the drawing layer: a 1,000-element path, a gradient and
// 100 strings into a 1280x720 image, through the current-context machinery the views use.

#include "kit/graphics/BezierPath.h"
#include "kit/graphics/Gradient.h"
#include "kit/graphics/GraphicsContext.h"
#include "kit/graphics/StringDrawing.h"

#include <QGuiApplication>
#include <QImage>

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

kit::Ref<kit::GraphicsContext> windowContext(QImage& backing)
{
    auto context = kit::GraphicsContext::graphicsContextWithImage(&backing, false);
    context->setCTM(kit::AffineTransform(kit::AffineTransformStruct { 1, 0, 0, -1, 0, double(backing.height()) }));
    return context;
}

// A chart-like outline across the window: lines and short curves, closed along the bottom.
kit::Ref<kit::BezierPath> thousandElementPath()
{
    auto path = kit::BezierPath::bezierPath();
    path->moveToPoint({ 0, 100 });
    const double step = 1280.0 / 998;
    for (int i = 1; i < 998; ++i) {
        const double x = i * step, y = 360 + 200 * std::sin(i * 0.037) + 40 * std::sin(i * 0.31);
        if (i % 2)
            path->lineToPoint({ x, y });
        else
            path->curveToPointControlPoint1ControlPoint2({ x, y }, { x - step * 0.66, y + 6 }, { x - step * 0.33, y - 6 });
    }
    path->lineToPoint({ 1280, 100 });
    path->closePath();
    return path;
}

void BM_Path(benchmark::State& state)
{
    QImage backing(1280, 720, QImage::Format_ARGB32_Premultiplied);
    auto path = thousandElementPath();
    for (auto _ : state) {
        auto context = windowContext(backing);
        kit::GraphicsContext::Scope scope(context);
        kit::Color::blueColor()->set();
        path->fill();
        path->stroke();
    }
}
BENCHMARK(BM_Path)->Unit(benchmark::kMillisecond);

void BM_Gradient(benchmark::State& state)
{
    QImage backing(1280, 720, QImage::Format_ARGB32_Premultiplied);
    auto gradient = kit::Gradient::gradientWithStartingColorEndingColor(kit::Color::whiteColor(), kit::Color::darkGrayColor());
    for (auto _ : state) {
        auto context = windowContext(backing);
        kit::GraphicsContext::Scope scope(context);
        gradient->drawInRectAngle(kit::MakeRect(0, 0, 1280, 720), 90);
    }
}
BENCHMARK(BM_Gradient)->Unit(benchmark::kMillisecond);

void BM_Strings(benchmark::State& state)
{
    QImage backing(1280, 720, QImage::Format_ARGB32_Premultiplied);
    kit::StringAttributes attributes { kit::Font::systemFontOfSize(13), kit::Color::blackColor(), nullptr, nullptr };
    for (auto _ : state) {
        auto context = windowContext(backing);
        kit::GraphicsContext::Scope scope(context);
        for (int i = 0; i < 100; ++i)
            kit::StringDrawing::drawAtPointWithAttributes(
                QStringLiteral("Tab title %1").arg(i), { double(i % 10) * 120, double(i / 10) * 60 }, attributes);
    }
}
BENCHMARK(BM_Strings)->Unit(benchmark::kMillisecond);

void BM_WholeFrame(benchmark::State& state)
{
    QImage backing(1280, 720, QImage::Format_ARGB32_Premultiplied);
    auto path = thousandElementPath();
    auto gradient = kit::Gradient::gradientWithStartingColorEndingColor(kit::Color::whiteColor(), kit::Color::darkGrayColor());
    kit::StringAttributes attributes { kit::Font::systemFontOfSize(13), kit::Color::blackColor(), nullptr, nullptr };
    for (auto _ : state) {
        auto context = windowContext(backing);
        kit::GraphicsContext::Scope scope(context);
        gradient->drawInRectAngle(kit::MakeRect(0, 0, 1280, 720), 90);
        path->fill();
        for (int i = 0; i < 100; ++i)
            kit::StringDrawing::drawAtPointWithAttributes(
                QStringLiteral("Tab title %1").arg(i), { double(i % 10) * 120, double(i / 10) * 60 }, attributes);
    }
}
BENCHMARK(BM_WholeFrame)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
