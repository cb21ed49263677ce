// The progress window's notification path: workers may post updates in tight loops, and each one
// is applied on the main queue, moves the bar and redraws what changed. Against it, the plain Qt
// way: queued calls that set a QProgressBar and a QLabel and repaint at once.

#include "JVLAppKit/JVLProgressWindowController/JVLProgressWindowController.h"

#include "kit/core/NotificationCenter.h"
#include "kit/foundation/RunLoop.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QThread>
#include <QVBoxLayout>
#include <QWidget>

#include <benchmark/benchmark.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

constexpr int benchWorkers = 4;
constexpr int benchUpdates = 2500;

void BM_ProgressWindowUpdates(benchmark::State& state)
{
    auto controller = kit::make<JVLProgressWindowController>();
    controller->window();
    controller->setupAsIndeterminateWithTitleAllowCancel(QStringLiteral("Bench"), true);
    kit::NotificationCenter* center = kit::NotificationCenter::defaultCenter().get();
    for (auto _ : state) {
        std::atomic<int> ended { 0 };
        for (int w = 0; w < benchWorkers; ++w) {
            controller->operationQueue()->addOperationWithBlock([center, &ended] {
                namespace post = QVProgressWindowController;
                auto d = post::postWillBeginProcessingWithTitleInfoTextMinValueMaxValueStartValueAllowCancel(
                    center, QStringLiteral("Work"), QStringLiteral("Working"), 0, benchUpdates, 0, true);
                for (int i = 1; i <= benchUpdates; ++i)
                    post::postUpdateProgressDescriptorWithCurrentValueProgressDescription(center, d.get(), i, QStringLiteral("Step %1").arg(i));
                post::postDidEndProcessingWithProgressDescriptor(center, d.get());
                ++ended;
            });
        }
        controller->showProgressWindow();
        kit::RunLoop::main().runUntil(
            [&] { return ended == benchWorkers && controller->operationQueue()->operationCount() == 0 && !controller->isObservingNotifications(); },
            600);
        controller->setupAsIndeterminateWithTitleAllowCancel(QStringLiteral("Bench"), true);
    }
    state.SetItemsProcessed(state.iterations() * benchWorkers * benchUpdates);
}
BENCHMARK(BM_ProgressWindowUpdates)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_QtPeerQueuedUpdates(benchmark::State& state)
{
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* label = new QLabel(QStringLiteral("Working"));
    auto* bar = new QProgressBar;
    bar->setRange(0, benchUpdates);
    layout->addWidget(label);
    layout->addWidget(bar);
    window.resize(440, 112);
    window.show();
    for (auto _ : state) {
        std::atomic<int> applied { 0 };
        std::vector<std::thread> threads;
        for (int w = 0; w < benchWorkers; ++w)
            threads.emplace_back([&] {
                for (int i = 1; i <= benchUpdates; ++i)
                    QMetaObject::invokeMethod(
                        bar,
                        [&, i] {
                            bar->setValue(i);
                            label->setText(QStringLiteral("Step %1").arg(i));
                            bar->repaint();
                            label->repaint();
                            ++applied;
                        },
                        Qt::QueuedConnection);
            });
        while (applied < benchWorkers * benchUpdates)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        for (auto& t : threads)
            t.join();
    }
    state.SetItemsProcessed(state.iterations() * benchWorkers * benchUpdates);
}
BENCHMARK(BM_QtPeerQueuedUpdates)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
