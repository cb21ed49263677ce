// A change through to the host's pixels, the kit against its Qt peer in the same run: a divider
// drag step of a split view against QSplitter, a full repaint of 2,000 nested views against a
// QWidget tree, and a one-view change among those 2,000 views against one QWidget::update of the
// same rectangle. Each iteration runs both sides in turns (which goes first alternates); the
// counters are the median cost of one change in microseconds of this thread's processor time on
// each side, and their ratio.

#include "ZQSplitView/ZQSplitView.h"
#include "kit/appkit/Application.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/View.h"
#include "kit/appkit/Window.h"
#include "kit/graphics/Image.h"

#include <QApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QSplitter>
#include <QWidget>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>
#include <functional>
#include <vector>

namespace {

constexpr int windowWidth = 1280, windowHeight = 720;
const QColor fillColor(200, 220, 240);
// Views drawn and widgets painted, to see that both sides do the same work.
long qtPaints = 0, kitDraws = 0;
double qtArea = 0, kitArea = 0;

// The kit's queued display pass and the widget's pending repaint run now, as at Qt's next frame:
// the top-level widget paints what is dirty and flushes it.
void processPaint(QWidget* top)
{
    QCoreApplication::sendPostedEvents();
    QEvent request(QEvent::UpdateRequest);
    QCoreApplication::sendEvent(top, &request);
}

// After a show: the platform's expose events arrive and the first paint is done.
void settle(QWidget* top)
{
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
    processPaint(top);
}

// This thread's processor time: the machine may be busy with other work, and both sides run here.
double threadMicroseconds()
{
    timespec t {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e6 + double(t.tv_nsec) / 1e3;
}

double microseconds(const std::function<void()>& work)
{
    const double start = threadMicroseconds();
    work();
    return threadMicroseconds() - start;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// Runs kit and Qt in turns and reports the medians of what one call of each costs per unit.
void compare(benchmark::State& state, const std::function<double()>& kitRun, const std::function<double()>& qtRun)
{
    std::vector<double> kit, qt;
    bool kitFirst = true;
    kitDraws = qtPaints = 0;
    kitArea = qtArea = 0;
    for (auto _ : state) {
        if (kitFirst) {
            kit.push_back(kitRun());
            qt.push_back(qtRun());
        } else {
            qt.push_back(qtRun());
            kit.push_back(kitRun());
        }
        kitFirst = !kitFirst;
    }
    const double k = median(kit), q = median(qt);
    state.counters["kit_us"] = k;
    state.counters["qt_us"] = q;
    state.counters["ratio"] = q > 0 ? k / q : 0;
    state.counters["kit_area"] = kitArea / double(kit.size());
    state.counters["qt_area"] = qtArea / double(qt.size());
    state.counters["kit_draws"] = double(kitDraws) / double(kit.size());
    state.counters["qt_paints"] = double(qtPaints) / double(qt.size());
}

// --- The kit's side ---

class Box : public kit::View {
public:
    using View::View;
    void drawRect(kit::Rect dirty) override
    {
        ++kitDraws;
        kitArea += dirty.width() * dirty.height();
        currentPainter()->fillRect(QRectF(dirty.minX(), dirty.minY(), dirty.width(), dirty.height()), fillColor);
    }
};

class QtBox : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent* event) override
    {
        ++qtPaints;
        qtArea += event->rect().width() * event->rect().height();
        QPainter painter(this);
        painter.fillRect(event->rect(), fillColor);
    }
};

kit::Ref<kit::Window> shownWindow()
{
    auto window = kit::make<kit::Window>(kit::MakeRect(0, 0, windowWidth, windowHeight), kit::BorderlessWindowMask);
    window->orderFront();
    settle(window->hostWidget());
    return window;
}

std::unique_ptr<QWidget> shownWidget()
{
    auto top = std::make_unique<QWidget>();
    top->setGeometry(0, 0, windowWidth, windowHeight);
    top->show();
    settle(top.get());
    return top;
}

// --- Divider drag ---

constexpr int dragSteps = 40;
constexpr int dividerThickness = 4;

class ExposedSplitter : public QSplitter {
public:
    using QSplitter::moveSplitter;
    using QSplitter::QSplitter;
};

void DividerDragStep(benchmark::State& state)
{
    const int panes = int(state.range(0));
    const int paneWidth = (windowWidth - (panes - 1) * dividerThickness) / panes;
    const int divider = panes / 2 - (panes > 2 ? 1 : 0);

    const kit::Ref<kit::Window> window = shownWindow();
    auto split = kit::make<ZQSplitView>(kit::MakeRect(0, 0, windowWidth, windowHeight));
    split->setDividerThickness(dividerThickness);
    for (int i = 0; i < panes; ++i) {
        auto pane = kit::make<ZQSplitSubview>(kit::MakeRect(0, 0, paneWidth, windowHeight));
        pane->setMinDimensionAndMaxDimension(1, 0);
        auto box = kit::make<Box>(kit::MakeRect(0, 0, paneWidth, windowHeight));
        box->setAutoresizingMask(kit::ViewWidthSizable | kit::ViewHeightSizable);
        pane->addSubview(box.get());
        split->addSubview(pane.get());
    }
    window->setContentView(split.get());
    split->adjustSubviews();
    window->displayIfNeeded();
    processPaint(window->hostWidget());

    const std::unique_ptr<QWidget> top = shownWidget();
    auto* splitter = new ExposedSplitter(Qt::Horizontal, top.get());
    splitter->setHandleWidth(dividerThickness);
    splitter->setChildrenCollapsible(false);
    for (int i = 0; i < panes; ++i) {
        auto* box = new QtBox;
        box->setMinimumWidth(1);
        splitter->addWidget(box);
    }
    splitter->setGeometry(0, 0, windowWidth, windowHeight);
    splitter->setSizes(QList<int>(panes, paneWidth));
    splitter->show();
    processPaint(top.get());

    const kit::Ref<kit::Application> app = kit::Application::sharedApplication();
    auto mouse = [&](kit::EventType type, double x) {
        return kit::Event::mouseEventWithTypeLocationModifierFlagsTimestampWindowNumberContextEventNumberClickCountPressure(
            type, kit::MakePoint(x, windowHeight / 2), 0, 0, window->windowNumber(), nullptr, 0, 1, 1);
    };
    // Out and back again, one point a step, so every run starts from the same layout.
    auto offset = [](int step) { return step <= dragSteps / 2 ? step : dragSteps - step; };

    auto kitRun = [&] {
        const double start = split->dividerRects()[std::size_t(divider)].origin.x + 1;
        int step = 0;
        // Each wait of the drag's loop shows the previous step's pixels and delivers the next move.
        app->setWaitTurn([&](const QString&, double) {
            processPaint(window->hostWidget());
            ++step;
            if (step <= dragSteps)
                app->postEventAtStart(mouse(kit::LeftMouseDragged, start + offset(step)).get(), false);
            else
                app->postEventAtStart(mouse(kit::LeftMouseUp, start).get(), false);
            return true;
        });
        const auto down = mouse(kit::LeftMouseDown, start);
        const double us = microseconds([&] {
            split->dragDividerFromPane(std::uint64_t(divider), *down);
            processPaint(window->hostWidget());
        });
        app->setWaitTurn(nullptr);
        return us / dragSteps;
    };
    auto qtRun = [&] {
        const int start = splitter->handle(divider + 1)->x();
        return microseconds([&] {
                   for (int step = 1; step <= dragSteps; ++step) {
                       splitter->moveSplitter(start + offset(step), divider + 1);
                       processPaint(top.get());
                   }
               })
            / dragSteps;
    };
    compare(state, kitRun, qtRun);
    window->close();
    kit::Application::resetForTesting();
}
BENCHMARK(DividerDragStep)->Arg(3)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);

// --- 2,000 nested views ---

// 20 columns of 100 views, each nested in the one before: three pixels in at top and bottom, and
// one at the sides every fourth level. The same integer geometry on both sides.
struct Nested {
    kit::Ref<kit::Window> window;
    std::unique_ptr<QWidget> top;
    kit::Ref<kit::View> kitProbe;
    QWidget* qtProbe = nullptr;
};

Nested makeNested()
{
    Nested n;
    n.window = shownWindow();
    n.top = shownWidget();
    const int columnWidth = windowWidth / 20;
    for (int column = 0; column < 20; ++column) {
        kit::Ref<kit::View> parent = n.window->contentView();
        QWidget* qtParent = n.top.get();
        int x = column * columnWidth, y = 0, w = columnWidth, h = windowHeight;
        for (int depth = 0; depth < 100; ++depth) {
            auto box = kit::make<Box>(kit::MakeRect(x, y, w, h));
            parent->addSubview(box.get());
            parent = box;
            auto* qtBox = new QtBox(qtParent);
            qtBox->setGeometry(x, y, w, h);
            qtBox->show();
            qtParent = qtBox;
            if (column == 10 && depth == 50) {
                n.kitProbe = box;
                n.qtProbe = qtBox;
            }
            const int inset = depth % 4 == 3 ? 1 : 0;
            x = inset;
            y = 3;
            w -= 2 * inset;
            h -= 6;
        }
    }
    n.window->displayIfNeeded();
    processPaint(n.window->hostWidget());
    processPaint(n.top.get());
    return n;
}

// One change on each side, through to the host's pixels.
void compareNested(benchmark::State& state, bool wholeWindow)
{
    Nested n = makeNested();
    compare(
        state,
        [&] {
            return microseconds([&] {
                if (wholeWindow)
                    n.window->setViewsNeedDisplay(true);
                else
                    n.kitProbe->setNeedsDisplay(true);
                processPaint(n.window->hostWidget());
            });
        },
        [&] {
            return microseconds([&] {
                (wholeWindow ? n.top.get() : n.qtProbe)->update();
                processPaint(n.top.get());
            });
        });
    n.window->close();
    kit::Application::resetForTesting();
}

void FullRepaintNestedViews(benchmark::State& state) { compareNested(state, true); }
BENCHMARK(FullRepaintNestedViews)->Unit(benchmark::kMillisecond);

void OneViewChangeAmongNestedViews(benchmark::State& state) { compareNested(state, false); }
BENCHMARK(OneViewChangeAmongNestedViews)->Unit(benchmark::kMicrosecond);

} // namespace
