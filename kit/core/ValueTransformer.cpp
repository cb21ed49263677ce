#include "kit/core/ValueTransformer.h"

#include "kit/core/Exception.h"

#include <QHash>

#include <mutex>

namespace kit {

KIT_REGISTER_CLASS(ValueTransformer, Object) { }

namespace {

class NegateBooleanTransformer final : public ValueTransformer {
public:
    Value transformedValue(const Value& v) const override { return Value(!v.boolValue()); }
    Value reverseTransformedValue(const Value& v) const override { return Value(!v.boolValue()); }
    bool allowsReverseTransformation() const override { return true; }
    Value::Kind transformedValueClass() const override { return Value::Kind::Bool; }
};

// Null is a value, not nil.
class IsNilTransformer final : public ValueTransformer {
public:
    explicit IsNilTransformer(bool negate)
        : negate_(negate)
    { }
    Value transformedValue(const Value& v) const override { return Value(v.isNil() != negate_); }
    Value::Kind transformedValueClass() const override { return Value::Kind::Bool; }

private:
    bool negate_;
};

struct Table {
    std::mutex mutex;
    QHash<QString, Ref<ValueTransformer>> byName;

    void reset()
    {
        byName.clear();
        byName.insert(NegateBooleanTransformerName, make<NegateBooleanTransformer>());
        byName.insert(IsNilTransformerName, make<IsNilTransformer>(false));
        byName.insert(IsNotNilTransformerName, make<IsNilTransformer>(true));
    }
};

Table& table()
{
    static Table* t = [] {
        auto* t = new Table;
        t->reset();
        return t;
    }();
    return *t;
}

} // namespace

Value ValueTransformer::reverseTransformedValue(const Value& value) const
{
    if (!allowsReverseTransformation())
        throw Exception(InvalidArgumentException, format(QStringLiteral("%@ does not allow reverse transformation"), description()));
    return transformedValue(value);
}

void ValueTransformer::setValueTransformerForName(const Ref<ValueTransformer>& transformer, const QString& name)
{
    Table& t = table();
    std::lock_guard guard(t.mutex);
    if (transformer)
        t.byName.insert(name, transformer);
    else
        t.byName.remove(name);
}

Ref<ValueTransformer> ValueTransformer::valueTransformerForName(const QString& name)
{
    Table& t = table();
    std::lock_guard guard(t.mutex);
    return t.byName.value(name);
}

QStringList ValueTransformer::valueTransformerNames()
{
    Table& t = table();
    std::lock_guard guard(t.mutex);
    return t.byName.keys();
}

void ValueTransformer::resetForTesting()
{
    Table& t = table();
    std::lock_guard guard(t.mutex);
    t.reset();
}

} // namespace kit
