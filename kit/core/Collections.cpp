#include "kit/core/Exception.h"
#include "kit/core/Value.h"

namespace kit {

namespace {

const std::vector<Value>& emptyValues()
{
    static const std::vector<Value> empty;
    return empty;
}

QString indented(const QString& text)
{
    QString out = text;
    out.replace(QLatin1Char('\n'), QStringLiteral("\n    "));
    return out;
}

// Strings in a collection's description are quoted when they are not plain words.
QString elementDescription(const Value& v)
{
    if (!v.isString())
        return v.description();
    const QString& s = v.string();
    bool plain = !s.isEmpty();
    for (QChar c : s)
        if (!(c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('.')))
            plain = false;
    if (plain)
        return s;
    QString q = s;
    q.replace(QLatin1Char('\\'), QStringLiteral("\\\\")).replace(QLatin1Char('"'), QStringLiteral("\\\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

QString listDescription(const std::vector<Value>& values, QChar open, QChar close)
{
    if (values.empty())
        return QString(open) + close;
    QString out = QString(open) + QLatin1Char('\n');
    for (std::size_t i = 0; i < values.size(); ++i) {
        out += QStringLiteral("    ") + indented(elementDescription(values[i]));
        if (i + 1 < values.size())
            out += QLatin1Char(',');
        out += QLatin1Char('\n');
    }
    return out + close;
}

[[noreturn]] void raiseIndex(const char* method, std::int64_t index, std::int64_t count)
{
    throw Exception(
        RangeException, format(QStringLiteral("*** -[Array %s]: index %ld beyond bounds [0 .. %ld]"), method, index, count - 1));
}

} // namespace

// ---- Array

Array::Array(std::initializer_list<Value> values)
{
    if (values.size())
        d_ = std::make_shared<std::vector<Value>>(values);
}

Array::Array(std::vector<Value> values)
{
    if (!values.empty())
        d_ = std::make_shared<std::vector<Value>>(std::move(values));
}

const std::vector<Value>& Array::values() const { return d_ ? *d_ : emptyValues(); }

std::vector<Value>& Array::mut()
{
    if (!d_)
        d_ = std::make_shared<std::vector<Value>>();
    else if (d_.use_count() > 1)
        d_ = std::make_shared<std::vector<Value>>(*d_);
    return *d_;
}

void Array::checkIndex(std::int64_t index, std::int64_t limit, const char* method) const
{
    if (index < 0 || index >= limit)
        raiseIndex(method, index, count());
}

const Value& Array::objectAtIndex(std::int64_t index) const
{
    checkIndex(index, count(), "objectAtIndex:");
    return (*d_)[static_cast<std::size_t>(index)];
}

Value Array::firstObject() const { return isEmpty() ? Value() : d_->front(); }
Value Array::lastObject() const { return isEmpty() ? Value() : d_->back(); }

std::int64_t Array::indexOfObject(const Value& v) const
{
    const auto& vs = values();
    for (std::size_t i = 0; i < vs.size(); ++i)
        if (vs[i].isEqual(v))
            return static_cast<std::int64_t>(i);
    return NotFound;
}

std::int64_t Array::indexOfObjectIdenticalTo(const Value& v) const
{
    const auto& vs = values();
    for (std::size_t i = 0; i < vs.size(); ++i)
        if (vs[i].identicalTo(v))
            return static_cast<std::int64_t>(i);
    return NotFound;
}

bool Array::isEqualToArray(const Array& other) const
{
    if (d_ == other.d_)
        return true;
    const auto &a = values(), &b = other.values();
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (!a[i].isEqual(b[i]))
            return false;
    return true;
}

Array Array::objectsAtIndexes(const IndexSet& indexes) const
{
    std::vector<Value> out;
    for (auto i : indexes)
        out.push_back(objectAtIndex(i));
    return Array(std::move(out));
}

Array Array::subarrayWithRange(Range range) const
{
    // Compared without forming location + length, which overflows for a location like NotFound.
    if (range.location < 0 || range.length < 0 || range.location > count() || range.length > count() - range.location)
        throw Exception(RangeException,
            format(QStringLiteral("*** -[Array subarrayWithRange:]: range {%ld, %ld} extends beyond bounds [0 .. %ld]"), range.location,
                range.length, count() - 1));
    return Array(std::vector<Value>(values().begin() + range.location, values().begin() + MaxRange(range)));
}

Array Array::arrayByAddingObject(const Value& v) const
{
    Array a = *this;
    a.addObject(v);
    return a;
}

Array Array::arrayByAddingObjectsFromArray(const Array& other) const
{
    Array a = *this;
    a.addObjectsFromArray(other);
    return a;
}

void Array::addObject(const Value& v)
{
    if (v.isNil())
        throw Exception(InvalidArgumentException, QStringLiteral("*** -[Array addObject:]: object cannot be nil"));
    mut().push_back(v);
}

void Array::addObjectsFromArray(const Array& other)
{
    if (other.isEmpty())
        return;
    auto& v = mut();
    v.insert(v.end(), other.begin(), other.end());
}

void Array::insertObjectAtIndex(const Value& v, std::int64_t index)
{
    if (v.isNil())
        throw Exception(InvalidArgumentException, QStringLiteral("*** -[Array insertObject:atIndex:]: object cannot be nil"));
    checkIndex(index, count() + 1, "insertObject:atIndex:");
    auto& vs = mut();
    vs.insert(vs.begin() + index, v);
}

void Array::removeObjectAtIndex(std::int64_t index)
{
    checkIndex(index, count(), "removeObjectAtIndex:");
    auto& vs = mut();
    vs.erase(vs.begin() + index);
}

void Array::removeObject(const Value& v)
{
    if (!containsObject(v))
        return;
    auto& vs = mut();
    std::erase_if(vs, [&](const Value& x) { return x.isEqual(v); });
}

void Array::removeObjectIdenticalTo(const Value& v)
{
    if (!containsObjectIdenticalTo(v))
        return;
    auto& vs = mut();
    std::erase_if(vs, [&](const Value& x) { return x.identicalTo(v); });
}

void Array::removeObjectsAtIndexes(const IndexSet& indexes)
{
    if (indexes.isEmpty())
        return;
    if (indexes.lastIndex() >= count())
        raiseIndex("removeObjectsAtIndexes:", indexes.lastIndex(), count());
    auto& vs = mut();
    std::vector<Value> out;
    out.reserve(vs.size());
    for (std::size_t i = 0; i < vs.size(); ++i)
        if (!indexes.containsIndex(static_cast<std::int64_t>(i)))
            out.push_back(std::move(vs[i]));
    vs = std::move(out);
}

void Array::removeLastObject()
{
    if (isEmpty())
        throw Exception(RangeException, QStringLiteral("*** -[Array removeLastObject]: empty array"));
    mut().pop_back();
}

void Array::replaceObjectAtIndexWithObject(std::int64_t index, const Value& v)
{
    checkIndex(index, count(), "replaceObjectAtIndex:withObject:");
    mut()[static_cast<std::size_t>(index)] = v;
}

QString Array::description() const { return listDescription(values(), QLatin1Char('('), QLatin1Char(')')); }

// ---- Dictionary

struct Dictionary::Data {
    std::vector<Entry> entries;
    std::unordered_map<Value, std::size_t, ValueHash, ValueEqual> index;

    void reindex()
    {
        index.clear();
        for (std::size_t i = 0; i < entries.size(); ++i)
            index.emplace(entries[i].first, i);
    }
};

Dictionary::Dictionary(std::initializer_list<Entry> entries)
{
    for (const auto& e : entries)
        setObjectForKey(e.second, e.first);
}

Dictionary::Data& Dictionary::mut()
{
    if (!d_)
        d_ = std::make_shared<Data>();
    else if (d_.use_count() > 1)
        d_ = std::make_shared<Data>(*d_);
    return *d_;
}

std::int64_t Dictionary::count() const { return d_ ? static_cast<std::int64_t>(d_->entries.size()) : 0; }

Value Dictionary::objectForKey(const Value& key) const
{
    if (!d_)
        return {};
    auto it = d_->index.find(key);
    return it == d_->index.end() ? Value() : d_->entries[it->second].second;
}

bool Dictionary::containsKey(const Value& key) const { return d_ && d_->index.contains(key); }

void Dictionary::setObjectForKey(const Value& object, const Value& key)
{
    if (key.isNil())
        throw Exception(InvalidArgumentException, QStringLiteral("*** -[Dictionary setObject:forKey:]: key cannot be nil"));
    if (object.isNil()) {
        removeObjectForKey(key);
        return;
    }
    Data& d = mut();
    auto it = d.index.find(key);
    if (it != d.index.end()) {
        d.entries[it->second].second = object;
        return;
    }
    d.entries.emplace_back(key, object);
    d.index.emplace(key, d.entries.size() - 1);
}

void Dictionary::removeObjectForKey(const Value& key)
{
    if (!containsKey(key))
        return;
    Data& d = mut();
    const std::size_t at = d.index.at(key);
    d.entries.erase(d.entries.begin() + static_cast<std::ptrdiff_t>(at));
    d.reindex();
}

void Dictionary::addEntriesFromDictionary(const Dictionary& other)
{
    for (const auto& [k, v] : other)
        setObjectForKey(v, k);
}

Array Dictionary::allKeys() const
{
    std::vector<Value> out;
    for (const auto& e : entries())
        out.push_back(e.first);
    return Array(std::move(out));
}

Array Dictionary::allValues() const
{
    std::vector<Value> out;
    for (const auto& e : entries())
        out.push_back(e.second);
    return Array(std::move(out));
}

const std::vector<Dictionary::Entry>& Dictionary::entries() const
{
    static const std::vector<Entry> empty;
    return d_ ? d_->entries : empty;
}

bool Dictionary::isEqualToDictionary(const Dictionary& other) const
{
    if (d_ == other.d_)
        return true;
    if (count() != other.count())
        return false;
    for (const auto& [k, v] : entries()) {
        if (!other.containsKey(k) || !other.objectForKey(k).isEqual(v))
            return false;
    }
    return true;
}

QString Dictionary::description() const
{
    if (isEmpty())
        return QStringLiteral("{\n}");
    QString out = QStringLiteral("{\n");
    for (const auto& [k, v] : entries())
        out += QStringLiteral("    ") + indented(elementDescription(k)) + QStringLiteral(" = ") + indented(elementDescription(v))
            + QStringLiteral(";\n");
    return out + QLatin1Char('}');
}

// ---- Set

struct Set::Data {
    std::vector<Value> values;
    std::unordered_map<Value, std::size_t, ValueHash, ValueEqual> index;
};

Set::Set(std::initializer_list<Value> values)
{
    for (const auto& v : values)
        addObject(v);
}

Set::Set(const Array& values)
{
    for (const auto& v : values)
        addObject(v);
}

Set::Data& Set::mut()
{
    if (!d_)
        d_ = std::make_shared<Data>();
    else if (d_.use_count() > 1)
        d_ = std::make_shared<Data>(*d_);
    return *d_;
}

std::int64_t Set::count() const { return d_ ? static_cast<std::int64_t>(d_->values.size()) : 0; }
bool Set::containsObject(const Value& v) const { return d_ && d_->index.contains(v); }

Value Set::member(const Value& v) const
{
    if (!d_)
        return {};
    auto it = d_->index.find(v);
    return it == d_->index.end() ? Value() : d_->values[it->second];
}

Value Set::anyObject() const { return isEmpty() ? Value() : d_->values.front(); }

void Set::addObject(const Value& v)
{
    if (v.isNil())
        throw Exception(InvalidArgumentException, QStringLiteral("*** -[Set addObject:]: object cannot be nil"));
    if (containsObject(v))
        return;
    Data& d = mut();
    d.values.push_back(v);
    d.index.emplace(v, d.values.size() - 1);
}

void Set::removeObject(const Value& v)
{
    if (!containsObject(v))
        return;
    Data& d = mut();
    d.values.erase(d.values.begin() + static_cast<std::ptrdiff_t>(d.index.at(v)));
    d.index.clear();
    for (std::size_t i = 0; i < d.values.size(); ++i)
        d.index.emplace(d.values[i], i);
}

void Set::unionSet(const Set& other)
{
    for (const auto& v : other)
        addObject(v);
}

Array Set::allObjects() const { return Array(values()); }

bool Set::isSubsetOfSet(const Set& other) const
{
    for (const auto& v : values())
        if (!other.containsObject(v))
            return false;
    return true;
}

const std::vector<Value>& Set::values() const { return d_ ? d_->values : emptyValues(); }

bool Set::isEqualToSet(const Set& other) const { return d_ == other.d_ || (count() == other.count() && isSubsetOfSet(other)); }

QString Set::description() const
{
    return QStringLiteral("{(") + listDescription(values(), QChar(), QChar()).mid(1).chopped(1) + QStringLiteral(")}");
}

} // namespace kit
