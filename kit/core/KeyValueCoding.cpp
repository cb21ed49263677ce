#include "kit/core/KeyValueCoding.h"

#include "kit/core/Class.h"
#include "kit/core/Exception.h"
#include "kit/core/ObjectExtras_p.h"

namespace kit {

namespace detail {

void raiseUndefinedKey(const Object* object, const char* method, const QString& key)
{
    throw Exception(UndefinedKeyException,
        format(QStringLiteral("[<%@ %p> %s]: this class is not key value coding-compliant for the key %@."),
            object ? object->class_().name() : QStringLiteral("(null)"), reinterpret_cast<quintptr>(object), method, key));
}

void raiseWrongKind(const Value& v, const char* expected)
{
    throw Exception(InvalidArgumentException, format(QStringLiteral("Value %@ is not %s"), v, expected));
}

} // namespace detail

namespace {
std::shared_ptr<const std::vector<QString>> splitKeyPath(const QString& keyPath);
Value valueForSegments(const Value& target, const QString* segments, std::size_t n);
} // namespace

// ---- kit::Object

Value Object::valueForKey(const QString& key) const
{
    if (const PropertyInfo* p = class_().property(key))
        return p->get(*this);
    if (key == QLatin1String("self"))
        return Value(const_cast<Object*>(this));
    if (class_().storesUndefinedKeys()) {
        if (auto* e = extrasForObservation()) {
            std::lock_guard guard(e->mutex);
            if (e->storedKeys.containsKey(key))
                return e->storedKeys.objectForKey(key);
        }
        return defaultValueForKey(key);
    }
    return valueForUndefinedKey(key);
}

void Object::setValueForKey(const Value& value, const QString& key)
{
    if (key.contains(QLatin1Char('.')))
        detail::raiseUndefinedKey(this, "setValue:forUndefinedKey:", key);
    if (const PropertyInfo* p = class_().property(key)) {
        if (!p->set)
            detail::raiseUndefinedKey(this, "setValue:forUndefinedKey:", key);
        if (p->scalar && value.isNilOrNull()) {
            setNilValueForKey(key);
            return;
        }
        p->set(*this, value);
        return;
    }
    if (class_().storesUndefinedKeys()) {
        willChangeValueForKey(key);
        {
            auto& e = ensureExtrasForObservation();
            std::lock_guard guard(e.mutex);
            e.storedKeys.setObjectForKey(value, key);
        }
        didChangeValueForKey(key);
        return;
    }
    setValueForUndefinedKey(value, key);
}

Value Object::valueForKeyPath(const QString& keyPath) const
{
    const qsizetype dot = keyPath.indexOf(QLatin1Char('.'));
    if (dot < 0 && !keyPath.startsWith(QLatin1Char('@')))
        return valueForKey(keyPath);
    const auto parts = splitKeyPath(keyPath);
    // The first step is this object's own key: no need to wrap it in a value.
    if (!parts->front().startsWith(QLatin1Char('@')))
        return valueForSegments(valueForKey(parts->front()), parts->data() + 1, parts->size() - 1);
    return valueForSegments(Value(const_cast<Object*>(this)), parts->data(), parts->size());
}

void Object::setValueForKeyPath(const Value& value, const QString& keyPath)
{
    const qsizetype dot = keyPath.lastIndexOf(QLatin1Char('.'));
    if (dot < 0) {
        setValueForKey(value, keyPath);
        return;
    }
    kit::setValueForKey(valueForKeyPath(keyPath.left(dot)), value, keyPath.mid(dot + 1));
}

void Object::setValuesForKeysWithDictionary(const Dictionary& keyedValues)
{
    for (const auto& [key, value] : keyedValues)
        setValueForKey(value.isNull() ? Value() : value, key.stringValue());
}

Value Object::valueForUndefinedKey(const QString& key) const { detail::raiseUndefinedKey(this, "valueForUndefinedKey:", key); }

void Object::setValueForUndefinedKey(const Value&, const QString& key)
{
    detail::raiseUndefinedKey(this, "setValue:forUndefinedKey:", key);
}

void Object::setNilValueForKey(const QString& key)
{
    throw Exception(InvalidArgumentException,
        format(QStringLiteral("[<%@ %p> setNilValueForKey]: could not set nil as the value for the key %@."), class_().name(),
            reinterpret_cast<quintptr>(this), key));
}

Value Object::defaultValueForKey(const QString&) const { return {}; }

// ---- values

namespace {

Value orNull(Value v) { return v.isNil() ? Value::null() : v; }

Value numberKey(const Value& n, const QString& key)
{
    if (key == QLatin1String("intValue"))
        return Value(n.intValue());
    if (key == QLatin1String("integerValue") || key == QLatin1String("longLongValue"))
        return Value(n.integerValue());
    if (key == QLatin1String("doubleValue"))
        return Value(n.doubleValue());
    if (key == QLatin1String("floatValue"))
        return Value(static_cast<double>(n.floatValue()));
    if (key == QLatin1String("boolValue"))
        return Value(n.boolValue());
    if (key == QLatin1String("shortValue"))
        return Value(n.shortValue());
    if (key == QLatin1String("unsignedIntegerValue"))
        return Value(static_cast<std::int64_t>(n.unsignedIntegerValue()));
    if (key == QLatin1String("stringValue") || key == QLatin1String("description"))
        return Value(n.stringValue());
    if (n.isString() && key == QLatin1String("length"))
        return Value(n.string().size());
    return Value();
}

std::vector<Value> elementsOf(const Value& collection)
{
    if (collection.isArray())
        return collection.array().values();
    if (collection.isSet())
        return collection.set().values();
    return {};
}

Value collectionOperator(const Value& target, const QString& op, const QString& rest)
{
    if (!target.isArray() && !target.isSet()) {
        if (target.isNilOrNull())
            return Value();
        throw Exception(UndefinedKeyException, format(QStringLiteral("The operator %@ needs a collection, not %@"), op, target));
    }
    const std::vector<Value> elements = elementsOf(target);
    if (op == QLatin1String("@count"))
        return Value(static_cast<std::int64_t>(elements.size()));
    std::vector<Value> values;
    values.reserve(elements.size());
    for (const Value& e : elements)
        values.push_back(rest.isEmpty() ? e : valueForKeyPath(e, rest));
    if (op == QLatin1String("@distinctUnionOfObjects")) {
        Set seen;
        std::vector<Value> out;
        for (const Value& v : values)
            if (!v.isNil() && !seen.containsObject(v)) {
                seen.addObject(v);
                out.push_back(v);
            }
        return Value(Array(std::move(out)));
    }
    if (op == QLatin1String("@distinctUnionOfArrays") || op == QLatin1String("@unionOfArrays")) {
        const bool distinct = op == QLatin1String("@distinctUnionOfArrays");
        Set seen;
        std::vector<Value> out;
        for (const Value& inner : values)
            for (const Value& v : elementsOf(inner)) {
                if (v.isNil() || (distinct && seen.containsObject(v)))
                    continue;
                seen.addObject(v);
                out.push_back(v);
            }
        return Value(Array(std::move(out)));
    }
    if (op == QLatin1String("@unionOfObjects")) {
        std::vector<Value> out;
        for (const Value& v : values)
            if (!v.isNil())
                out.push_back(v);
        return Value(Array(std::move(out)));
    }
    if (op == QLatin1String("@sum") || op == QLatin1String("@avg")) {
        bool integral = true;
        std::int64_t isum = 0;
        double dsum = 0;
        std::int64_t n = 0;
        for (const Value& v : values) {
            if (v.isNilOrNull())
                continue;
            ++n;
            if (v.kind() == Value::Kind::Real || v.isString())
                integral = false;
            isum += v.integerValue();
            dsum += v.doubleValue();
        }
        if (op == QLatin1String("@sum"))
            return integral ? Value(isum) : Value(dsum);
        return n ? Value(dsum / static_cast<double>(n)) : Value();
    }
    if (op == QLatin1String("@min") || op == QLatin1String("@max")) {
        const bool wantMin = op == QLatin1String("@min");
        Value best;
        for (const Value& v : values) {
            if (v.isNilOrNull())
                continue;
            if (best.isNil() || v.compare(best) == (wantMin ? OrderedAscending : OrderedDescending))
                best = v;
        }
        return best;
    }
    throw Exception(UndefinedKeyException, format(QStringLiteral("Unsupported collection operator %@"), op));
}

} // namespace

Value valueForKey(const Value& target, const QString& key)
{
    switch (target.kind()) {
    case Value::Kind::Nil:
        return Value();
    case Value::Kind::Null:
        return target;
    case Value::Kind::Object:
        return target.object()->valueForKey(key);
    case Value::Kind::Array: {
        if (key.startsWith(QLatin1Char('@')))
            return collectionOperator(target, key, QString());
        std::vector<Value> out;
        out.reserve(static_cast<std::size_t>(target.array().count()));
        for (const Value& e : target.array())
            out.push_back(orNull(valueForKey(e, key)));
        return Value(Array(std::move(out)));
    }
    case Value::Kind::Set: {
        if (key.startsWith(QLatin1Char('@')))
            return collectionOperator(target, key, QString());
        Set out;
        for (const Value& e : target.set())
            out.addObject(orNull(valueForKey(e, key)));
        return Value(out);
    }
    case Value::Kind::Dictionary:
        return target.dictionary().objectForKey(key);
    default:
        break;
    }
    if (key == QLatin1String("self"))
        return target;
    if (target.isNumber() || target.isString()) {
        Value v = numberKey(target, key);
        if (!v.isNil())
            return v;
    }
    throw Exception(UndefinedKeyException,
        format(QStringLiteral("[<%@> valueForUndefinedKey:]: this value is not key value coding-compliant for the key %@."), target, key));
}

namespace {

// Key paths split once per thread; the parts are shared strings, so lookups allocate nothing.
std::shared_ptr<const std::vector<QString>> splitKeyPath(const QString& keyPath)
{
    thread_local std::unordered_map<QString, std::shared_ptr<const std::vector<QString>>, StringHash> cache;
    auto it = cache.find(keyPath);
    if (it != cache.end())
        return it->second;
    if (cache.size() > 1024)
        cache.clear();
    auto parts = std::make_shared<std::vector<QString>>();
    for (const QString& p : keyPath.split(QLatin1Char('.')))
        parts->push_back(p);
    cache.emplace(keyPath, parts);
    return parts;
}

QString joined(const QString* segments, std::size_t n)
{
    QString out;
    for (std::size_t i = 0; i < n; ++i) {
        if (i)
            out += QLatin1Char('.');
        out += segments[i];
    }
    return out;
}

Value valueForSegments(const Value& target, const QString* segments, std::size_t n)
{
    if (n == 0)
        return target;
    const QString& first = segments[0];
    if (first.startsWith(QLatin1Char('@')) && (target.isArray() || target.isSet() || target.isNilOrNull()))
        return collectionOperator(target, first, joined(segments + 1, n - 1));
    Value v = valueForKey(target, first);
    if (n == 1)
        return v;
    if (target.isArray() && !segments[1].startsWith(QLatin1Char('@'))) {
        // Fan-out keeps going element by element, so holes stay Null.
        std::vector<Value> out;
        for (const Value& e : v.array())
            out.push_back(orNull(valueForSegments(e, segments + 1, n - 1)));
        return Value(Array(std::move(out)));
    }
    return valueForSegments(v, segments + 1, n - 1);
}

} // namespace

Value valueForKeyPath(const Value& target, const QString& keyPath)
{
    const auto parts = splitKeyPath(keyPath);
    return valueForSegments(target, parts->data(), parts->size());
}

void setValueForKey(const Value& target, const Value& value, const QString& key)
{
    switch (target.kind()) {
    case Value::Kind::Nil:
    case Value::Kind::Null:
        return;
    case Value::Kind::Object:
        target.object()->setValueForKey(value, key);
        return;
    case Value::Kind::Array:
        for (const Value& e : target.array())
            setValueForKey(e, value, key);
        return;
    case Value::Kind::Set:
        for (const Value& e : target.set())
            setValueForKey(e, value, key);
        return;
    default:
        throw Exception(UndefinedKeyException,
            format(QStringLiteral("[<%@> setValue:forUndefinedKey:]: this value is not key value coding-compliant for the key %@."), target,
                key));
    }
}

void setValueForKeyPath(const Value& target, const Value& value, const QString& keyPath)
{
    const qsizetype dot = keyPath.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        setValueForKey(target, value, keyPath);
    else
        setValueForKey(valueForKeyPath(target, keyPath.left(dot)), value, keyPath.mid(dot + 1));
}

} // namespace kit
