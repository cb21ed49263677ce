// Key-value observing and key-path reads against Qt's own by-name property access and change
// notification, in one run. Qt side without moc: dynamic properties read by name (the same
// lookup shape as a key path) and QProperty change handlers (Qt's typed notify path).

#include "kit/core/ArrayController.h"
#include "kit/core/Binding.h"
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

// A table column's binding target: its "value" binding takes the column's values, one per row.
class Column : public kit::Object {
    KIT_CLASS(Column)
    kit::Array value() const { return value_; }
    void setValue(const kit::Array& v) { setValueNotifying(QStringLiteral("value"), value_, v); }

private:
    kit::Array value_;
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

KIT_REGISTER_CLASS(Column, kit::Object)
{
    c.property("value", &Column::value, &Column::setValue);
    c.exposeBinding("value");
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

void BM_KitObservedSetTenObservers(benchmark::State& state)
{
    auto node = kit::make<Node>();
    std::vector<kit::Ref<Counter>> counters;
    for (int k = 0; k < 10; ++k) {
        counters.push_back(kit::make<Counter>());
        node->addObserverForKeyPathOptionsContext(counters.back().get(), "count", kit::KeyValueObservingOptionNew, nullptr);
    }
    int i = 0;
    for (auto _ : state)
        node->setCount(++i);
    for (const auto& counter : counters)
        node->removeObserverForKeyPath(counter.get(), "count");
    benchmark::DoNotOptimize(counters.front()->calls);
}
BENCHMARK(BM_KitObservedSetTenObservers);

// An array controller's arranged objects change (a row comes and goes) with one table column bound
// to "arrangedObjects.count": the binding reads the column's values again on every change.
void BM_KitArrangedObjectsBoundColumn(benchmark::State& state)
{
    std::vector<kit::Value> rows;
    for (int k = 0; k < state.range(0); ++k)
        rows.emplace_back(kit::make<Node>());
    const kit::Array fewer(rows);
    rows.emplace_back(kit::make<Node>());
    const kit::Array more(rows);
    auto controller = kit::make<kit::ArrayController>(fewer);
    auto column = kit::make<Column>();
    column->bindToObjectWithKeyPathOptions(kit::ValueBinding, controller.get(), QStringLiteral("arrangedObjects.count"), {});
    bool grow = true;
    for (auto _ : state) {
        controller->setContent(grow ? more : fewer);
        grow = !grow;
    }
    column->unbind(kit::ValueBinding);
    benchmark::DoNotOptimize(column->value().count());
}
BENCHMARK(BM_KitArrangedObjectsBoundColumn)->Arg(100);

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
