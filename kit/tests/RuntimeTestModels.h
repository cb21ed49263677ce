#pragma once

// Model classes shared by the runtime tests: scalar, object and to-many keys, dependent keys, and a
// live-object counter.

#include "kit/core/Class.h"

#include <atomic>

namespace kit::test {

inline std::atomic<int> liveModels { 0 };

class Model : public Object {
    KIT_CLASS(Model)
    Model() { ++liveModels; }
    ~Model() override { --liveModels; }

    QString title() const { return title_; }
    void setTitle(const QString& t) { setValueNotifying("title", title_, t); }
    int count() const { return count_; }
    void setCount(int c) { setValueNotifying("count", count_, c); }
    bool isEnabled() const { return enabled_; }
    void setEnabled(bool e) { setValueNotifying("isEnabled", enabled_, e); }
    Ref<Model> child() const { return child_; }
    void setChild(const Ref<Model>& c) { setValueNotifying("child", child_, c); }
    Value object() const { return object_; }
    void setObject(const Value& v) { setValueNotifying("object", object_, v); }
    QString summary() const { return QStringLiteral("%1:%2").arg(title_).arg(count_); }

    // To-many, with fine-grained changes.
    Array items() const { return items_; }
    void setItems(const Array& a) { setValueNotifying("items", items_, a); }
    void insertItem(const Value& v, std::int64_t i)
    {
        willChangeValuesAtIndexesForKey(KeyValueChangeInsertion, IndexSet(i), "items");
        items_.insertObjectAtIndex(v, i);
        didChangeValuesAtIndexesForKey(KeyValueChangeInsertion, IndexSet(i), "items");
    }
    void removeItem(std::int64_t i)
    {
        willChangeValuesAtIndexesForKey(KeyValueChangeRemoval, IndexSet(i), "items");
        items_.removeObjectAtIndex(i);
        didChangeValuesAtIndexesForKey(KeyValueChangeRemoval, IndexSet(i), "items");
    }
    void replaceItem(std::int64_t i, const Value& v)
    {
        willChangeValuesAtIndexesForKey(KeyValueChangeReplacement, IndexSet(i), "items");
        items_.replaceObjectAtIndexWithObject(i, v);
        didChangeValuesAtIndexesForKey(KeyValueChangeReplacement, IndexSet(i), "items");
    }

private:
    QString title_;
    int count_ = 0;
    bool enabled_ = false;
    Ref<Model> child_;
    Value object_;
    Array items_;
};

// An observer that calls a function for each change.
class Callback : public Object {
public:
    std::function<void(const QString&, Object*, const KeyValueChange&, void*)> onChange;
    void observeValueForKeyPathOfObjectChangeContext(
        const QString& keyPath, Object* object, const KeyValueChange& change, void* context) override
    {
        onChange(keyPath, object, change, context);
    }
};

} // namespace kit::test
