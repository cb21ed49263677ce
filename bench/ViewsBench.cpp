// The view tree's hot paths: a display pass over a window of 2,000 nested views, and mouse-moved
// events dispatched through the tracking areas of those views.

#include "kit/appkit/Application.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/TrackingArea.h"
#include "kit/appkit/View.h"
#include "kit/appkit/Window.h"

#include <QApplication>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace {

class Box : public kit::View {
public:
    using View::View;
    void drawRect(kit::Rect dirty) override
    {
        currentPainter()->fillRect(QRectF(dirty.minX(), dirty.minY(), dirty.width(), dirty.height()), QColor(200, 220, 240));
    }
};

class Owner : public kit::Object, public kit::MouseTrackingTarget {
public:
    void mouseEntered(const kit::Event&) override { ++count; }
    void mouseExited(const kit::Event&) override { ++count; }
    void mouseMoved(const kit::Event&) override { ++count; }
    void cursorUpdate(const kit::Event&) override { }
    long count = 0;
};

// 20 columns of 100 views, each nested in the one before and inset by a point on every side.
kit::Ref<kit::Window> makeWindow(Owner* owner)
{
    auto window = kit::make<kit::Window>(kit::MakeRect(0, 0, 1000, 800), kit::TitledWindowMask);
    for (int column = 0; column < 20; ++column) {
        kit::Ref<kit::View> parent = window->contentView();
        kit::Rect frame = kit::MakeRect(column * 50, 0, 50, 800);
        for (int depth = 0; depth < 100; ++depth) {
            auto box = kit::make<Box>(frame);
            if (owner)
                box->addTrackingArea(kit::make<kit::TrackingArea>(kit::MakeRect(0, 0, 10, 10),
                    kit::TrackingMouseEnteredAndExited | kit::TrackingMouseMoved | kit::TrackingActiveAlways, owner)
                                         .get());
            parent->addSubview(box.get());
            parent = box;
            frame = kit::MakeRect(depth == 0 ? 0 : 0.25, 0.5, std::max(1.0, frame.width() - 0.5), frame.height() - 1);
        }
    }
    return window;
}

void DisplayNestedViews(benchmark::State& state)
{
    auto window = makeWindow(nullptr);
    for (auto _ : state) {
        window->setViewsNeedDisplay(true);
        window->displayIfNeeded();
    }
    kit::Application::resetForTesting();
}
BENCHMARK(DisplayNestedViews)->Unit(benchmark::kMillisecond);

void MouseMovedThroughTrackingAreas(benchmark::State& state)
{
    auto owner = kit::make<Owner>();
    auto window = makeWindow(owner.get());
    auto app = kit::Application::sharedApplication();
    for (auto _ : state) {
        for (int i = 0; i < 10000; ++i) {
            const kit::Point p = kit::MakePoint((i * 7) % 1000, 795 - (i % 10));
            auto e = kit::Event::mouseEventWithTypeLocationModifierFlagsTimestampWindowNumberContextEventNumberClickCountPressure(
                kit::MouseMoved, p, 0, 0, window->windowNumber(), nullptr, 0, 0, 0);
            app->postEventAtStart(e.get(), false);
            app->dispatchQueuedEvents();
        }
    }
    benchmark::DoNotOptimize(owner->count);
    kit::Application::resetForTesting();
}
BENCHMARK(MouseMovedThroughTrackingAreas)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
