#include "kit/core/Value.h"

#include "kit/core/Class.h"
#include "kit/core/Exception.h"

#include <QCollator>
#include <QDateTime>
#include <QHash>

#include <cmath>
#include <limits>

namespace kit {

// ---- hashing and equality helpers

std::size_t ValueHash::operator()(const Value& v) const noexcept { return v.hash(); }
bool ValueEqual::operator()(const Value& a, const Value& b) const noexcept { return a.isEqual(b); }

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
    case Kind::Date: {
        const double ms = std::floor(date().timeIntervalSince1970() * 1000.0);
        return QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(ms), Qt::UTC).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss +0000"));
    }
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
