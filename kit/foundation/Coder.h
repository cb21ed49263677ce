#pragma once

// Keyed coding. An archivable class adopts kit::Coding: encodeWithCoder writes its settings by
// key, initWithCoder applies the keys present to an object made by the class's plain factory
// (so it is fully initialised first, superclass keys are applied before subclass keys, and
// cycles resolve). kit::Coder is the common surface of KeyedArchiver and KeyedUnarchiver; coding is
// always keyed.

#include "kit/core/Class.h"
#include "kit/core/Object.h"
#include "kit/core/Value.h"

#include <QString>

#include <cstdint>

namespace kit {

class Coder;

// The protocol of archivable classes. Both operations call the superclass's first.
class Coding {
public:
    virtual ~Coding() = default;
    virtual void encodeWithCoder(Coder& coder) const = 0;
    virtual void initWithCoder(Coder& coder) = 0;
};

class Coder : public Object {
    KIT_CLASS(Coder)

    bool allowsKeyedCoding() const { return true; }

    // -- Encoding (archivers); the defaults raise InvalidArgumentException.
    // Any value: objects (by identity, once each), strings, numbers, data, dates, arrays,
    // dictionaries, sets, index sets, geometry and transforms.
    virtual void encodeObjectForKey(const Value& object, const QString& key);
    // Kept only when the object is also encoded unconditionally somewhere in the archive; else nil.
    virtual void encodeConditionalObjectForKey(Object* object, const QString& key);
    void encodeBoolForKey(bool value, const QString& key) { encodeObjectForKey(Value(value), key); }
    void encodeIntForKey(std::int32_t value, const QString& key) { encodeObjectForKey(Value(value), key); }
    void encodeInt32ForKey(std::int32_t value, const QString& key) { encodeObjectForKey(Value(value), key); }
    void encodeIntegerForKey(std::int64_t value, const QString& key) { encodeObjectForKey(Value(value), key); }
    void encodeInt64ForKey(std::int64_t value, const QString& key) { encodeObjectForKey(Value(value), key); }
    void encodeDoubleForKey(double value, const QString& key) { encodeObjectForKey(Value(value), key); }
    void encodeFloatForKey(float value, const QString& key) { encodeObjectForKey(Value(double(value)), key); }
    void encodeRectForKey(Rect value, const QString& key) { encodeObjectForKey(Value(value), key); }
    void encodeSizeForKey(Size value, const QString& key) { encodeObjectForKey(Value(value), key); }
    void encodePointForKey(Point value, const QString& key) { encodeObjectForKey(Value(value), key); }

    // -- Decoding (unarchivers). A missing key answers nil, NO, 0 or zero geometry; a value of the
    // wrong kind or out of range answers the same and records an error; numbers convert (a stored
    // 1.0 reads as YES).
    virtual bool containsValueForKey(const QString& key) const;
    virtual Value decodeObjectForKey(const QString& key);
    // The object if it is a kind of `cls`; otherwise nil and an error.
    Ref<Object> decodeObjectOfClassForKey(const Class& cls, const QString& key);
    bool decodeBoolForKey(const QString& key);
    std::int32_t decodeIntForKey(const QString& key);
    std::int32_t decodeInt32ForKey(const QString& key) { return decodeIntForKey(key); }
    std::int64_t decodeIntegerForKey(const QString& key);
    std::int64_t decodeInt64ForKey(const QString& key) { return decodeIntegerForKey(key); }
    double decodeDoubleForKey(const QString& key);
    float decodeFloatForKey(const QString& key) { return float(decodeDoubleForKey(key)); }
    Rect decodeRectForKey(const QString& key);
    Size decodeSizeForKey(const QString& key);
    Point decodePointForKey(const QString& key);
    // The string under the key; an empty string for anything else.
    QString decodeStringForKey(const QString& key);

    // The first decoding error, or empty.
    virtual QString error() const { return {}; }
    // Records a decoding error (the first one is kept).
    virtual void failWithError(const QString& error);

protected:
    // Decodes the key where an archive restricted to some classes also admits `cls` (the class the
    // caller asked for); others just decode it.
    virtual Value decodeObjectAdmittingClassForKey(const Class& cls, const QString& key);
    // A number of the key, or nullopt (missing: silently; wrong kind: with an error).
    std::optional<double> numberForKey(const QString& key, const char* method);
};

} // namespace kit
