#include "kit/foundation/Coder.h"

#include "kit/core/Exception.h"

#include <cmath>
#include <limits>

namespace kit {

KIT_REGISTER_CLASS(Coder, Object) { c.noFactory(); }

void Coder::encodeObjectForKey(const Value&, const QString&)
{
    Exception::raise(InvalidArgumentException, QStringLiteral("-encodeObjectForKey only defined for archivers"));
}

void Coder::encodeConditionalObjectForKey(Object*, const QString&)
{
    Exception::raise(InvalidArgumentException, QStringLiteral("-encodeConditionalObjectForKey only defined for archivers"));
}

bool Coder::containsValueForKey(const QString&) const { return false; }

Value Coder::decodeObjectForKey(const QString&)
{
    Exception::raise(InvalidArgumentException, QStringLiteral("-decodeObjectForKey only defined for unarchivers"));
}

void Coder::failWithError(const QString&) { }

Value Coder::decodeObjectAdmittingClassForKey(const Class&, const QString& key) { return decodeObjectForKey(key); }

Ref<Object> Coder::decodeObjectOfClassForKey(const Class& cls, const QString& key)
{
    const Value v = decodeObjectAdmittingClassForKey(cls, key);
    if (v.isNil())
        return nullptr;
    Ref<Object> o = v.object();
    if (!o || !o->isKindOfClass(cls)) {
        failWithError(QStringLiteral("value for key \"%1\" is not of the expected class %2").arg(key, cls.name()));
        return nullptr;
    }
    return o;
}

std::optional<double> Coder::numberForKey(const QString& key, const char* method)
{
    if (!containsValueForKey(key))
        return std::nullopt;
    const Value v = decodeObjectForKey(key);
    if (!v.isNumber()) {
        failWithError(QStringLiteral("%1: value for key \"%2\" is not a number").arg(QLatin1String(method), key));
        return std::nullopt;
    }
    return v.kind() == Value::Kind::Integer ? double(v.integerValue()) : v.doubleValue();
}

bool Coder::decodeBoolForKey(const QString& key)
{
    const auto n = numberForKey(key, "decodeBoolForKey");
    return n && *n != 0;
}

std::int32_t Coder::decodeIntForKey(const QString& key)
{
    if (containsValueForKey(key)) {
        const Value v = decodeObjectForKey(key);
        if (v.kind() == Value::Kind::Integer || v.kind() == Value::Kind::Bool) {
            const std::int64_t i = v.integerValue();
            if (i >= std::numeric_limits<std::int32_t>::min() && i <= std::numeric_limits<std::int32_t>::max())
                return std::int32_t(i);
            failWithError(QStringLiteral("decodeIntForKey: value for key \"%1\" is out of range").arg(key));
            return 0;
        }
    }
    const auto n = numberForKey(key, "decodeIntForKey");
    if (!n)
        return 0;
    if (!(*n >= double(std::numeric_limits<std::int32_t>::min()) && *n <= double(std::numeric_limits<std::int32_t>::max()))) {
        failWithError(QStringLiteral("decodeIntForKey: value for key \"%1\" is out of range").arg(key));
        return 0;
    }
    return std::int32_t(*n);
}

std::int64_t Coder::decodeIntegerForKey(const QString& key)
{
    if (containsValueForKey(key)) {
        const Value v = decodeObjectForKey(key);
        if (v.kind() == Value::Kind::Integer || v.kind() == Value::Kind::Bool)
            return v.integerValue();
    }
    const auto n = numberForKey(key, "decodeIntegerForKey");
    if (!n)
        return 0;
    // 2^63 itself does not fit.
    if (!(*n >= -9223372036854775808.0 && *n < 9223372036854775808.0)) {
        failWithError(QStringLiteral("decodeIntegerForKey: value for key \"%1\" is out of range").arg(key));
        return 0;
    }
    return std::int64_t(*n);
}

double Coder::decodeDoubleForKey(const QString& key) { return numberForKey(key, "decodeDoubleForKey").value_or(0.0); }

namespace {
template <Value::Kind K, class T> T geometry(Coder& coder, const QString& key, T (Value::*get)() const)
{
    if (!coder.containsValueForKey(key))
        return T {};
    const Value v = coder.decodeObjectForKey(key);
    if (v.kind() != K) {
        coder.failWithError(QStringLiteral("value for key \"%1\" has the wrong kind").arg(key));
        return T {};
    }
    return (v.*get)();
}
} // namespace

Rect Coder::decodeRectForKey(const QString& key) { return geometry<Value::Kind::Rect>(*this, key, &Value::rectValue); }
Size Coder::decodeSizeForKey(const QString& key) { return geometry<Value::Kind::Size>(*this, key, &Value::sizeValue); }
Point Coder::decodePointForKey(const QString& key) { return geometry<Value::Kind::Point>(*this, key, &Value::pointValue); }

QString Coder::decodeStringForKey(const QString& key)
{
    const Value v = decodeObjectForKey(key);
    return v.isString() ? v.string() : QString();
}

} // namespace kit
