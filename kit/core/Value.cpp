#include "kit/core/Value.h"

#include "kit/core/Class.h"
#include "kit/core/Exception.h"

#include <QCollator>
#include <QHash>

#include <cmath>
#include <limits>

namespace kit {

// ---- hashing and equality helpers

std::size_t ValueHash::operator()(const Value& v) const noexcept { return v.hash(); }
bool ValueEqual::operator()(const Value& a, const Value& b) const noexcept { return a.isEqual(b); }

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
    if (range.location < 0 || range.length < 0 || MaxRange(range) > count())
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

// ---- Value

Value Value::affineTransform(const AffineTransformElements& m)
{
    Value v;
    v.v_ = std::make_shared<const AffineTransformElements>(m);
    return v;
}

Value Value::transform3D(const Transform3DElements& m)
{
    Value v;
    v.v_ = std::make_shared<const Transform3DElements>(m);
    return v;
}

namespace {

std::int64_t truncated(double d)
{
    if (std::isnan(d))
        return 0;
    if (d >= 9.2233720368547758e18)
        return std::numeric_limits<std::int64_t>::max();
    if (d <= -9.2233720368547758e18)
        return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(d);
}

bool stringBool(const QString& s)
{
    qsizetype i = 0;
    while (i < s.size() && s[i].isSpace())
        ++i;
    if (i < s.size() && (s[i] == QLatin1Char('+') || s[i] == QLatin1Char('-')))
        ++i;
    while (i < s.size() && s[i] == QLatin1Char('0'))
        ++i;
    if (i >= s.size())
        return false;
    const char16_t c = s[i].unicode();
    return c == 'Y' || c == 'y' || c == 'T' || c == 't' || (c >= '1' && c <= '9');
}

} // namespace

bool Value::boolValue() const
{
    switch (kind()) {
    case Kind::Bool:
        return std::get<bool>(v_);
    case Kind::Integer:
        return std::get<std::int64_t>(v_) != 0;
    case Kind::Real:
        return std::get<double>(v_) != 0;
    case Kind::String:
        return stringBool(std::get<QString>(v_));
    default:
        return false;
    }
}

std::int64_t Value::integerValue() const
{
    switch (kind()) {
    case Kind::Bool:
        return std::get<bool>(v_) ? 1 : 0;
    case Kind::Integer:
        return std::get<std::int64_t>(v_);
    case Kind::Real:
        return truncated(std::get<double>(v_));
    case Kind::String:
        return scanInteger(std::get<QString>(v_));
    default:
        return 0;
    }
}

double Value::doubleValue() const
{
    switch (kind()) {
    case Kind::Bool:
        return std::get<bool>(v_) ? 1 : 0;
    case Kind::Integer:
        return static_cast<double>(std::get<std::int64_t>(v_));
    case Kind::Real:
        return std::get<double>(v_);
    case Kind::String:
        return scanDouble(std::get<QString>(v_));
    default:
        return 0;
    }
}

QString Value::stringValue() const { return isString() ? std::get<QString>(v_) : description(); }

const QString& Value::string() const
{
    static const QString empty;
    return isString() ? std::get<QString>(v_) : empty;
}

QByteArray Value::data() const { return kind() == Kind::Data ? std::get<QByteArray>(v_) : QByteArray(); }
Date Value::date() const { return kind() == Kind::Date ? std::get<Date>(v_) : Date(); }

const Array& Value::array() const
{
    static const Array empty;
    return isArray() ? std::get<Array>(v_) : empty;
}

const Dictionary& Value::dictionary() const
{
    static const Dictionary empty;
    return isDictionary() ? std::get<Dictionary>(v_) : empty;
}

const Set& Value::set() const
{
    static const Set empty;
    return isSet() ? std::get<Set>(v_) : empty;
}

Ref<Object> Value::object() const { return isObject() ? std::get<Ref<Object>>(v_) : nullptr; }
Point Value::pointValue() const { return kind() == Kind::Point ? std::get<Point>(v_) : Point(); }
Size Value::sizeValue() const { return kind() == Kind::Size ? std::get<Size>(v_) : Size(); }
Rect Value::rectValue() const { return kind() == Kind::Rect ? std::get<Rect>(v_) : Rect(); }
Range Value::rangeValue() const { return kind() == Kind::Range ? std::get<Range>(v_) : Range(); }

const IndexSet& Value::indexSet() const
{
    static const IndexSet empty;
    return kind() == Kind::IndexSet ? std::get<IndexSet>(v_) : empty;
}

Marker Value::marker() const { return isMarker() ? std::get<Marker>(v_) : Marker::NoSelection; }

AffineTransformElements Value::affineTransformElements() const
{
    if (kind() == Kind::AffineTransform)
        return *std::get<std::shared_ptr<const AffineTransformElements>>(v_);
    return { 1, 0, 0, 1, 0, 0 };
}

Transform3DElements Value::transform3DElements() const
{
    if (kind() == Kind::Transform3D)
        return *std::get<std::shared_ptr<const Transform3DElements>>(v_);
    return { 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1 };
}

bool Value::isEqual(const Value& other) const
{
    if (isNumber() && other.isNumber()) {
        if (kind() == Kind::Real || other.kind() == Kind::Real)
            return doubleValue() == other.doubleValue();
        return integerValue() == other.integerValue();
    }
    if (kind() != other.kind())
        return false;
    switch (kind()) {
    case Kind::Object: {
        const auto& a = std::get<Ref<Object>>(v_);
        const auto& b = std::get<Ref<Object>>(other.v_);
        return a == b || a->isEqual(b.get());
    }
    case Kind::AffineTransform:
        return affineTransformElements() == other.affineTransformElements();
    case Kind::Transform3D:
        return transform3DElements() == other.transform3DElements();
    default:
        return v_ == other.v_;
    }
}

bool Value::identicalTo(const Value& other) const
{
    if (isObject() || other.isObject())
        return isObject() && other.isObject() && std::get<Ref<Object>>(v_) == std::get<Ref<Object>>(other.v_);
    return isEqual(other);
}

std::size_t Value::hash() const
{
    switch (kind()) {
    case Kind::Nil:
        return 0;
    case Kind::Null:
        return 0x9e3779b9;
    case Kind::Bool:
    case Kind::Integer:
        return std::hash<std::int64_t>()(integerValue());
    case Kind::Real: {
        const double d = std::get<double>(v_);
        // Integral reals hash as the integer they equal.
        if (std::trunc(d) == d && std::abs(d) < 9.2e18)
            return std::hash<std::int64_t>()(static_cast<std::int64_t>(d));
        return std::hash<double>()(d);
    }
    case Kind::String:
        return qHash(std::get<QString>(v_));
    case Kind::Data:
        return qHash(std::get<QByteArray>(v_));
    case Kind::Date:
        return std::hash<double>()(std::get<Date>(v_).timeIntervalSinceReferenceDate());
    case Kind::Array: {
        const auto& a = std::get<Array>(v_);
        std::size_t h = static_cast<std::size_t>(a.count());
        for (const auto& v : a)
            h = h * 31 + v.hash();
        return h;
    }
    case Kind::Dictionary:
        return static_cast<std::size_t>(std::get<Dictionary>(v_).count()) * 0x51ed27;
    case Kind::Set: {
        std::size_t h = 0;
        for (const auto& v : std::get<Set>(v_))
            h += v.hash();
        return h;
    }
    case Kind::Object:
        return std::get<Ref<Object>>(v_)->hash();
    case Kind::Point: {
        const Point p = pointValue();
        return std::hash<double>()(p.x) * 31 + std::hash<double>()(p.y);
    }
    case Kind::Size: {
        const Size s = sizeValue();
        return std::hash<double>()(s.width) * 31 + std::hash<double>()(s.height);
    }
    case Kind::Rect: {
        const Rect r = rectValue();
        return std::hash<double>()(r.origin.x) ^ (std::hash<double>()(r.origin.y) << 1) ^ (std::hash<double>()(r.size.width) << 2)
            ^ (std::hash<double>()(r.size.height) << 3);
    }
    case Kind::Range: {
        const Range r = rangeValue();
        return std::hash<std::int64_t>()(r.location) * 31 + std::hash<std::int64_t>()(r.length);
    }
    case Kind::AffineTransform:
    case Kind::Transform3D:
        return 0x7f4a7c15;
    case Kind::IndexSet:
        return indexSet().hash();
    case Kind::Marker:
        return 0x1000 + static_cast<std::size_t>(marker());
    }
    return 0;
}

namespace {

QString elementsDescription(const double* m, int n)
{
    QStringList parts;
    for (int i = 0; i < n; ++i)
        parts << numberText(m[i]);
    return QLatin1Char('[') + parts.join(QStringLiteral(", ")) + QLatin1Char(']');
}

} // namespace

QString Value::description() const
{
    switch (kind()) {
    case Kind::Nil:
        return QStringLiteral("(null)");
    case Kind::Null:
        return QStringLiteral("<null>");
    case Kind::Bool:
        return std::get<bool>(v_) ? QStringLiteral("1") : QStringLiteral("0");
    case Kind::Integer:
        return QString::number(std::get<std::int64_t>(v_));
    case Kind::Real:
        return numberText(std::get<double>(v_));
    case Kind::String:
        return std::get<QString>(v_);
    case Kind::Data: {
        const QByteArray hex = std::get<QByteArray>(v_).toHex();
        QString out = QStringLiteral("<");
        for (qsizetype i = 0; i < hex.size(); i += 8) {
            if (i)
                out += QLatin1Char(' ');
            out += QString::fromLatin1(hex.mid(i, 8));
        }
        return out + QLatin1Char('>');
    }
    case Kind::Date:
        return date().description();
    case Kind::Array:
        return array().description();
    case Kind::Dictionary:
        return dictionary().description();
    case Kind::Set:
        return set().description();
    case Kind::Object:
        return std::get<Ref<Object>>(v_)->description();
    case Kind::Point: {
        const Point p = pointValue();
        return format(QStringLiteral("{%@, %@}"), numberText(p.x), numberText(p.y));
    }
    case Kind::Size: {
        const Size s = sizeValue();
        return format(QStringLiteral("{%@, %@}"), numberText(s.width), numberText(s.height));
    }
    case Kind::Rect: {
        const Rect r = rectValue();
        return format(QStringLiteral("{{%@, %@}, {%@, %@}}"), numberText(r.origin.x), numberText(r.origin.y), numberText(r.size.width),
            numberText(r.size.height));
    }
    case Kind::Range: {
        const Range r = rangeValue();
        return format(QStringLiteral("{%ld, %ld}"), r.location, r.length);
    }
    case Kind::AffineTransform:
        return elementsDescription(affineTransformElements().data(), 6);
    case Kind::Transform3D:
        return elementsDescription(transform3DElements().data(), 16);
    case Kind::IndexSet:
        return indexSet().description();
    case Kind::Marker:
        switch (marker()) {
        case Marker::NoSelection:
            return QStringLiteral("<NO SELECTION MARKER>");
        case Marker::MultipleValues:
            return QStringLiteral("<MULTIPLE VALUES MARKER>");
        case Marker::NotApplicable:
            return QStringLiteral("<NOT APPLICABLE MARKER>");
        }
    }
    return {};
}

ComparisonResult Value::compare(const Value& other) const
{
    auto order = [](auto a, auto b) { return a < b ? OrderedAscending : (b < a ? OrderedDescending : OrderedSame); };
    if (isNumber() && other.isNumber()) {
        if (kind() == Kind::Real || other.kind() == Kind::Real)
            return order(doubleValue(), other.doubleValue());
        return order(integerValue(), other.integerValue());
    }
    if (isString() && other.isString())
        return kit::compare(string(), other.string());
    if (kind() == Kind::Date && other.kind() == Kind::Date)
        return order(date().timeIntervalSinceReferenceDate(), other.date().timeIntervalSinceReferenceDate());
    return OrderedSame;
}

ComparisonResult compare(const QString& a, const QString& b)
{
    const int c = QString::compare(a, b, Qt::CaseSensitive);
    return c < 0 ? OrderedAscending : (c > 0 ? OrderedDescending : OrderedSame);
}

ComparisonResult caseInsensitiveCompare(const QString& a, const QString& b)
{
    const int c = QString::compare(a.toCaseFolded(), b.toCaseFolded(), Qt::CaseSensitive);
    return c < 0 ? OrderedAscending : (c > 0 ? OrderedDescending : OrderedSame);
}

ComparisonResult localizedCaseInsensitiveCompare(const QString& a, const QString& b)
{
    thread_local QCollator collator = [] {
        QCollator c;
        c.setCaseSensitivity(Qt::CaseInsensitive);
        return c;
    }();
    const int c = collator.compare(a, b);
    return c < 0 ? OrderedAscending : (c > 0 ? OrderedDescending : OrderedSame);
}

} // namespace kit
