#include "kit/foundation/PropertyList.h"

#include "kit/foundation/Json.h"

#include <cmath>

namespace kit::PropertyList {

namespace {

const QString dataMarker = QStringLiteral("$data");
const QString dateMarker = QStringLiteral("$date");

void setError(QString* error, const QString& text)
{
    if (error && error->isEmpty())
        *error = text;
}

} // namespace

bool isPropertyList(const Value& v)
{
    switch (v.kind()) {
    case Value::Kind::Bool:
    case Value::Kind::Integer:
    case Value::Kind::Real:
    case Value::Kind::String:
    case Value::Kind::Data:
    case Value::Kind::Date:
        return true;
    case Value::Kind::Array:
        for (const Value& item : v.array())
            if (!isPropertyList(item))
                return false;
        return true;
    case Value::Kind::Dictionary:
        for (const auto& [key, item] : v.dictionary())
            if (!key.isString() || !isPropertyList(item))
                return false;
        return true;
    default:
        return false;
    }
}

std::optional<Value> toJsonValue(const Value& v, QString* error)
{
    switch (v.kind()) {
    case Value::Kind::Bool:
    case Value::Kind::Integer:
    case Value::Kind::String:
        return v;
    case Value::Kind::Real:
        if (!std::isfinite(v.doubleValue())) {
            setError(error, QStringLiteral("a non-finite number is not a property list value"));
            return std::nullopt;
        }
        return v;
    case Value::Kind::Data:
        return Value(Dictionary { { Value(dataMarker), Value(QString::fromLatin1(v.data().toBase64())) } });
    case Value::Kind::Date:
        return Value(Dictionary { { Value(dateMarker), Value(v.date().timeIntervalSinceReferenceDate()) } });
    case Value::Kind::Array: {
        std::vector<Value> items;
        for (const Value& item : v.array()) {
            auto j = toJsonValue(item, error);
            if (!j)
                return std::nullopt;
            items.push_back(*j);
        }
        return Value(Array(std::move(items)));
    }
    case Value::Kind::Dictionary: {
        Dictionary out;
        for (const auto& [key, item] : v.dictionary()) {
            if (!key.isString()) {
                setError(error, QStringLiteral("property list dictionary keys must be strings"));
                return std::nullopt;
            }
            auto j = toJsonValue(item, error);
            if (!j)
                return std::nullopt;
            const QString k = key.string();
            out.setObjectForKey(*j, Value(k.startsWith(u'$') ? u'$' + k : k));
        }
        return Value(out);
    }
    default:
        setError(error, QStringLiteral("%1 is not a property list value").arg(v.description()));
        return std::nullopt;
    }
}

std::optional<Value> fromJsonValue(const Value& j, QString* error)
{
    switch (j.kind()) {
    case Value::Kind::Bool:
    case Value::Kind::Integer:
    case Value::Kind::Real:
    case Value::Kind::String:
        return j;
    case Value::Kind::Array: {
        std::vector<Value> items;
        for (const Value& item : j.array()) {
            auto p = fromJsonValue(item, error);
            if (!p)
                return std::nullopt;
            items.push_back(*p);
        }
        return Value(Array(std::move(items)));
    }
    case Value::Kind::Dictionary: {
        const Dictionary& d = j.dictionary();
        if (d.count() == 1) {
            const auto& [key, item] = *d.begin();
            if (key.string() == dataMarker) {
                if (!item.isString()) {
                    setError(error, QStringLiteral("\"$data\" needs a base64 string"));
                    return std::nullopt;
                }
                auto decoded = QByteArray::fromBase64Encoding(item.string().toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
                if (!decoded) {
                    setError(error, QStringLiteral("\"$data\" is not valid base64"));
                    return std::nullopt;
                }
                return Value(*decoded);
            }
            if (key.string() == dateMarker) {
                if (!item.isNumber()) {
                    setError(error, QStringLiteral("\"$date\" needs a number"));
                    return std::nullopt;
                }
                return Value(Date(item.doubleValue()));
            }
        }
        Dictionary out;
        for (const auto& [key, item] : d) {
            const QString k = key.string();
            if (k.startsWith(u'$') && !k.startsWith(QStringLiteral("$$"))) {
                setError(error, QStringLiteral("unknown marker \"%1\"").arg(k));
                return std::nullopt;
            }
            auto p = fromJsonValue(item, error);
            if (!p)
                return std::nullopt;
            out.setObjectForKey(*p, Value(k.startsWith(u'$') ? k.mid(1) : k));
        }
        return Value(out);
    }
    default:
        setError(error, QStringLiteral("null is not a property list value"));
        return std::nullopt;
    }
}

std::optional<QByteArray> dataFromPropertyList(const Value& plist, QString* error, bool indented)
{
    auto j = toJsonValue(plist, error);
    if (!j)
        return std::nullopt;
    return Json::write(*j, error, indented);
}

std::optional<Value> propertyListFromData(const QByteArray& data, QString* error)
{
    auto j = Json::read(data, error);
    if (!j)
        return std::nullopt;
    return fromJsonValue(*j, error);
}

} // namespace kit::PropertyList
