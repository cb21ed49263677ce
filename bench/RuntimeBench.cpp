// Key-value observing and key-path reads against Qt's own by-name property access and change
// notification, in one run. Qt side without moc: dynamic properties read by name (the same
// lookup shape as a key path) and QProperty change handlers (Qt's typed notify path).

#include "kit/core/Class.h"
#include "kit/core/KeyValueObserving.h"

#include <QCoreApplication>
#include <QDynamicPropertyChangeEvent>
#include <QObject>
#include <QProperty>
#include <QVariant>

#include <benchmark/benchmark.h>

namespace {

class Node : public kit::Object {
    KIT_CLASS(Node)
    int count() const { return count_; }
    void setCount(int c) { setValueNotifying(QStringLiteral("count"), count_, c); }
    kit::Ref<Node> child() const { return child_; }
    void setChild(const kit::Ref<Node>& c) { setValueNotifying(QStringLiteral("child"), child_, c); }

private:
    int count_ = 0;
    kit::Ref<Node> child_;
};

class Counter : public kit::Object {
public:
    long calls = 0;
    void observeValueForKeyPathOfObjectChangeContext(const QString&, kit::Object*, const kit::KeyValueChange& change, void*) override
    {
        calls += change.newValue.integerValue() >= 0;
    }
};

// Counts dynamic-property change events: Qt's by-name notification.
class PropertyWatcher : public QObject {
public:
    long calls = 0;
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::DynamicPropertyChange)
            ++calls;
        return false;
    }
};

} // namespace

KIT_REGISTER_CLASS(Node, kit::Object)
{
    c.property("count", &Node::count, &Node::setCount);
    c.property("child", &Node::child, &Node::setChild);
}

namespace {

void BM_KitKeyRead(benchmark::State& state)
{
    auto node = kit::make<Node>();
    const QString key = QStringLiteral("count");
    for (auto _ : state)
        benchmark::DoNotOptimize(node->valueForKey(key));
}
BENCHMARK(BM_KitKeyRead);

void BM_QtPropertyRead(benchmark::State& state)
{
    QObject node;
    node.setProperty("count", 0);
    for (auto _ : state)
        benchmark::DoNotOptimize(node.property("count"));
}
BENCHMARK(BM_QtPropertyRead);

void BM_KitKeyPathRead(benchmark::State& state)
{
    auto root = kit::make<Node>();
    root->setChild(kit::make<Node>());
    const QString path = QStringLiteral("child.count");
    for (auto _ : state)
        benchmark::DoNotOptimize(root->valueForKeyPath(path));
}
BENCHMARK(BM_KitKeyPathRead);

void BM_QtPropertyPathRead(benchmark::State& state)
{
    QObject root, child;
    child.setProperty("count", 0);
    root.setProperty("child", QVariant::fromValue<QObject*>(&child));
    for (auto _ : state)
        benchmark::DoNotOptimize(root.property("child").value<QObject*>()->property("count"));
}
BENCHMARK(BM_QtPropertyPathRead);

void BM_KitObservedSet(benchmark::State& state)
{
    auto node = kit::make<Node>();
    auto counter = kit::make<Counter>();
    node->addObserverForKeyPathOptionsContext(counter.get(), "count", kit::KeyValueObservingOptionNew, nullptr);
    int i = 0;
    for (auto _ : state)
        node->setCount(++i);
    node->removeObserverForKeyPath(counter.get(), "count");
    benchmark::DoNotOptimize(counter->calls);
}
BENCHMARK(BM_KitObservedSet);

void BM_KitObservedSetWithOld(benchmark::State& state)
{
    auto node = kit::make<Node>();
    auto counter = kit::make<Counter>();
    node->addObserverForKeyPathOptionsContext(
        counter.get(), "count", kit::KeyValueObservingOptionNew | kit::KeyValueObservingOptionOld, nullptr);
    int i = 0;
    for (auto _ : state)
        node->setCount(++i);
    node->removeObserverForKeyPath(counter.get(), "count");
    benchmark::DoNotOptimize(counter->calls);
}
BENCHMARK(BM_KitObservedSetWithOld);

void BM_KitUnobservedSet(benchmark::State& state)
{
    auto node = kit::make<Node>();
    int i = 0;
    for (auto _ : state)
        node->setCount(++i);
    benchmark::DoNotOptimize(node->count());
}
BENCHMARK(BM_KitUnobservedSet);

void BM_QtDynamicPropertyNotify(benchmark::State& state)
{
    QObject node;
    PropertyWatcher watcher;
    node.installEventFilter(&watcher);
    int i = 0;
    for (auto _ : state)
        node.setProperty("count", ++i);
    benchmark::DoNotOptimize(watcher.calls);
}
BENCHMARK(BM_QtDynamicPropertyNotify);

void BM_QtPropertyNotify(benchmark::State& state)
{
    QProperty<int> count;
    long calls = 0;
    auto handler = count.onValueChanged([&] { calls += count.value() >= 0; });
    int i = 0;
    for (auto _ : state)
        count = ++i;
    benchmark::DoNotOptimize(calls);
}
BENCHMARK(BM_QtPropertyNotify);

void BM_KitObservedKeyPathSet(benchmark::State& state)
{
    auto root = kit::make<Node>();
    auto child = kit::make<Node>();
    root->setChild(child);
    auto counter = kit::make<Counter>();
    root->addObserverForKeyPathOptionsContext(counter.get(), "child.count", kit::KeyValueObservingOptionNew, nullptr);
    int i = 0;
    for (auto _ : state)
        child->setCount(++i);
    root->removeObserverForKeyPath(counter.get(), "child.count");
    benchmark::DoNotOptimize(counter->calls);
}
BENCHMARK(BM_KitObservedKeyPathSet);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
