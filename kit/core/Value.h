#pragma once

// kit::Value is the dynamic value that key-value coding, bindings, notifications, defaults and
// archives pass around: nil, Null, numbers, strings, data, dates, collections, objects, geometry,
// index sets and the controller markers. Values are immutable and cheap to copy; collections are
// value types that share their storage until one copy changes (so an enumeration never sees a
// change its owner makes). Numbers compare by value across kinds: YES == 1 == 1.0.

#include "kit/core/Date.h"
#include "kit/core/Geometry.h"
#include "kit/core/IndexSet.h"
#include "kit/core/Object.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <type_traits>
#include <unordered_map>
#include <utility>
#include <variant>
#include <vector>

namespace kit {

class Value;

enum ComparisonResult : int { OrderedAscending = -1, OrderedSame = 0, OrderedDescending = 1 };

// The selection markers a controller answers instead of a value.
enum class Marker { NoSelection, MultipleValues, NotApplicable };

struct ValueHash {
    std::size_t operator()(const Value& v) const noexcept;
};
struct ValueEqual {
    bool operator()(const Value& a, const Value& b) const noexcept;
};

// An ordered list of values. Out-of-range access raises RangeException.
class Array {
public:
    Array() = default;
    Array(std::initializer_list<Value> values);
    explicit Array(std::vector<Value> values);

    std::int64_t count() const;
    bool isEmpty() const { return count() == 0; }
    const Value& objectAtIndex(std::int64_t index) const;
    const Value& operator[](std::int64_t index) const { return objectAtIndex(index); }
    Value firstObject() const; // nil when empty
    Value lastObject() const; // nil when empty
    std::int64_t indexOfObject(const Value& v) const; // first equal, or NotFound
    std::int64_t indexOfObjectIdenticalTo(const Value& v) const; // first identical, or NotFound
    bool containsObject(const Value& v) const { return indexOfObject(v) != NotFound; }
    bool containsObjectIdenticalTo(const Value& v) const { return indexOfObjectIdenticalTo(v) != NotFound; }
    bool isEqualToArray(const Array& other) const;
    Array objectsAtIndexes(const IndexSet& indexes) const;
    Array subarrayWithRange(Range range) const;
    Array arrayByAddingObject(const Value& v) const;
    Array arrayByAddingObjectsFromArray(const Array& other) const;

    // These change this copy only.
    void addObject(const Value& v);
    void addObjectsFromArray(const Array& other);
    void insertObjectAtIndex(const Value& v, std::int64_t index); // index <= count
    void removeObjectAtIndex(std::int64_t index);
    void removeObject(const Value& v); // every equal element
    void removeObjectIdenticalTo(const Value& v);
    void removeObjectsAtIndexes(const IndexSet& indexes);
    void removeLastObject();
    void removeAllObjects() { d_.reset(); }
    void replaceObjectAtIndexWithObject(std::int64_t index, const Value& v);

    const std::vector<Value>& values() const;
    std::vector<Value>::const_iterator begin() const;
    std::vector<Value>::const_iterator end() const;

    bool identicalTo(const Array& other) const { return d_ == other.d_; }
    QString description() const;
    friend bool operator==(const Array& a, const Array& b) { return a.isEqualToArray(b); }

private:
    std::vector<Value>& mut();
    void checkIndex(std::int64_t index, std::int64_t limit, const char* method) const;

    std::shared_ptr<std::vector<Value>> d_;
};

// Keys and values, enumerated in insertion order. Setting nil removes the key.
class Dictionary {
public:
    using Entry = std::pair<Value, Value>;

    Dictionary() = default;
    Dictionary(std::initializer_list<Entry> entries);

    std::int64_t count() const;
    bool isEmpty() const { return count() == 0; }
    Value objectForKey(const Value& key) const;
    bool containsKey(const Value& key) const;
    void setObjectForKey(const Value& object, const Value& key);
    void removeObjectForKey(const Value& key);
    void removeAllObjects() { d_.reset(); }
    void addEntriesFromDictionary(const Dictionary& other);
    Array allKeys() const;
    Array allValues() const;

    const std::vector<Entry>& entries() const;
    std::vector<Entry>::const_iterator begin() const;
    std::vector<Entry>::const_iterator end() const;

    bool isEqualToDictionary(const Dictionary& other) const;
    bool identicalTo(const Dictionary& other) const { return d_ == other.d_; }
    QString description() const;
    friend bool operator==(const Dictionary& a, const Dictionary& b) { return a.isEqualToDictionary(b); }

private:
    struct Data;
    Data& mut();
    std::shared_ptr<Data> d_;
};

// Unique values by isEqual, enumerated in insertion order; anyObject is the first inserted.
class Set {
public:
    Set() = default;
    Set(std::initializer_list<Value> values);
    explicit Set(const Array& values);

    std::int64_t count() const;
    bool isEmpty() const { return count() == 0; }
    bool containsObject(const Value& v) const;
    Value member(const Value& v) const;
    Value anyObject() const;
    void addObject(const Value& v);
    void removeObject(const Value& v);
    void unionSet(const Set& other);
    void removeAllObjects() { d_.reset(); }
    Array allObjects() const;
    bool isSubsetOfSet(const Set& other) const;

    const std::vector<Value>& values() const;
    std::vector<Value>::const_iterator begin() const;
    std::vector<Value>::const_iterator end() const;

    bool isEqualToSet(const Set& other) const;
    bool identicalTo(const Set& other) const { return d_ == other.d_; }
    QString description() const;
    friend bool operator==(const Set& a, const Set& b) { return a.isEqualToSet(b); }

private:
    struct Data;
    Data& mut();
    std::shared_ptr<Data> d_;
};

using AffineTransformElements = std::array<double, 6>; // m11 m12 m21 m22 tX tY
using Transform3DElements = std::array<double, 16>; // m11 m12 m13 m14 m21 … m44, row vectors

class Value {
public:
    using Kind = ValueKind;

    Value() = default;
    Value(std::nullptr_t) { }
    Value(bool b)
        : v_(b)
    { }
    template <class T, std::enable_if_t<std::is_integral_v<T> && !std::is_same_v<T, bool>, int> = 0>
    Value(T i)
        : v_(static_cast<std::int64_t>(i))
    { }
    template <class T, std::enable_if_t<std::is_enum_v<T>, int> = 0>
    Value(T e)
        : v_(static_cast<std::int64_t>(e))
    { }
    Value(double d)
        : v_(d)
    { }
    Value(QString s)
        : v_(std::move(s))
    { }
    Value(const char* s)
        : v_(QString::fromUtf8(s))
    { }
    Value(QByteArray d)
        : v_(std::move(d))
    { }
    Value(Date d)
        : v_(d)
    { }
    Value(Array a)
        : v_(std::move(a))
    { }
    Value(Dictionary d)
        : v_(std::move(d))
    { }
    Value(Set s)
        : v_(std::move(s))
    { }
    template <class T, std::enable_if_t<std::is_base_of_v<Object, T>, int> = 0>
    Value(const Ref<T>& o)
        : v_(objectVariant(o.get()))
    { }
    template <class T, std::enable_if_t<std::is_base_of_v<Object, T>, int> = 0>
    Value(T* o)
        : v_(objectVariant(o))
    { }
    Value(Point p)
        : v_(p)
    { }
    Value(Size s)
        : v_(s)
    { }
    Value(Rect r)
        : v_(r)
    { }
    Value(Range r)
        : v_(r)
    { }
    Value(IndexSet s)
        : v_(std::move(s))
    { }
    Value(Marker m)
        : v_(m)
    { }

    static Value null() { return Value(NullTag {}); }
    static Value affineTransform(const AffineTransformElements& m);
    static Value transform3D(const Transform3DElements& m);

    Kind kind() const { return static_cast<Kind>(v_.index()); }
    bool isNil() const { return kind() == Kind::Nil; }
    bool isNull() const { return kind() == Kind::Null; }
    bool isNilOrNull() const { return isNil() || isNull(); }
    bool isNumber() const { return kind() == Kind::Bool || kind() == Kind::Integer || kind() == Kind::Real; }
    bool isString() const { return kind() == Kind::String; }
    bool isArray() const { return kind() == Kind::Array; }
    bool isDictionary() const { return kind() == Kind::Dictionary; }
    bool isSet() const { return kind() == Kind::Set; }
    bool isObject() const { return kind() == Kind::Object; }
    bool isMarker() const { return kind() == Kind::Marker; }
    explicit operator bool() const { return !isNil(); }

    // Numbers. Reals truncate toward zero; the narrow forms wrap. Strings read their leading number.
    bool boolValue() const;
    std::int64_t integerValue() const;
    std::int64_t longLongValue() const { return integerValue(); }
    int intValue() const { return static_cast<int>(static_cast<std::uint32_t>(integerValue())); }
    std::int16_t shortValue() const { return static_cast<std::int16_t>(static_cast<std::uint16_t>(integerValue())); }
    std::uint16_t unsignedShortValue() const { return static_cast<std::uint16_t>(integerValue()); }
    std::uint32_t unsignedIntValue() const { return static_cast<std::uint32_t>(integerValue()); }
    std::uint64_t unsignedIntegerValue() const { return static_cast<std::uint64_t>(integerValue()); }
    double doubleValue() const;
    float floatValue() const { return static_cast<float>(doubleValue()); }

    // The string of a string value, else the description.
    QString stringValue() const;
    // The payloads; a value of another kind answers an empty or zero payload.
    const QString& string() const;
    QByteArray data() const;
    Date date() const;
    const Array& array() const;
    const Dictionary& dictionary() const;
    const Set& set() const;
    Ref<Object> object() const;
    template <class T> Ref<T> objectAs() const { return dynamic_pointer_cast<T>(object()); }
    Point pointValue() const;
    Size sizeValue() const;
    Rect rectValue() const;
    Range rangeValue() const;
    const IndexSet& indexSet() const;
    Marker marker() const;
    AffineTransformElements affineTransformElements() const;
    Transform3DElements transform3DElements() const;

    bool isEqual(const Value& other) const;
    // Objects by pointer, everything else by isEqual.
    bool identicalTo(const Value& other) const;
    std::size_t hash() const;
    QString description() const;
    // Numbers by value, strings ordinally, dates by time; other kinds are OrderedSame.
    ComparisonResult compare(const Value& other) const;

    friend bool operator==(const Value& a, const Value& b) { return a.isEqual(b); }

private:
    struct NullTag {
        friend bool operator==(NullTag, NullTag) { return true; }
    };
    explicit Value(NullTag t)
        : v_(t)
    { }

    using Variant = std::variant<std::monostate, NullTag, bool, std::int64_t, double, QString, QByteArray, Date, Array, Dictionary, Set,
        Ref<Object>, Point, Size, Rect, Range, std::shared_ptr<const AffineTransformElements>, std::shared_ptr<const Transform3DElements>,
        IndexSet, Marker>;

    // Built in place: assigning into an empty variant trips maybe-uninitialized in some builds.
    static Variant objectVariant(Object* o)
    {
        if (o)
            return Variant(std::in_place_index<11>, o);
        return Variant();
    }

    Variant v_;
};

inline const Value NoSelectionMarker { Marker::NoSelection };
inline const Value MultipleValuesMarker { Marker::MultipleValues };
inline const Value NotApplicableMarker { Marker::NotApplicable };
inline bool isControllerMarker(const Value& v) { return v.isMarker(); }

// String comparisons: ordinal UTF-16, ordinal after case folding, and the current locale's collation
// ignoring case.
ComparisonResult compare(const QString& a, const QString& b);
ComparisonResult caseInsensitiveCompare(const QString& a, const QString& b);
ComparisonResult localizedCaseInsensitiveCompare(const QString& a, const QString& b);

// Defined here, where Value is complete: vector<Value>::size() needs its size.
inline std::int64_t Array::count() const { return d_ ? static_cast<std::int64_t>(d_->size()) : 0; }
inline std::vector<Value>::const_iterator Array::begin() const { return values().begin(); }
inline std::vector<Value>::const_iterator Array::end() const { return values().end(); }
inline std::vector<Value>::const_iterator Set::begin() const { return values().begin(); }
inline std::vector<Value>::const_iterator Set::end() const { return values().end(); }
inline std::vector<Dictionary::Entry>::const_iterator Dictionary::begin() const { return entries().begin(); }
inline std::vector<Dictionary::Entry>::const_iterator Dictionary::end() const { return entries().end(); }

} // namespace kit

template <> struct std::hash<kit::Value> {
    std::size_t operator()(const kit::Value& v) const noexcept { return v.hash(); }
};
