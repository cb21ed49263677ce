#pragma once

// Conversions between C++ types and kit::Value for key-value accessors and action arguments.
// Scalars (numbers, enums, geometry) box to numbers and structs; setting converts between number
// kinds, and any other kind raises InvalidArgumentException. `scalar` says whether nil can be
// stored (no: nil into a scalar key goes to setNilValueForKey).

#include "kit/core/Object.h"

#include <type_traits>

namespace kit {

namespace detail {
[[noreturn]] void raiseWrongKind(const Value& v, const char* expected);
}

template <class T, class = void> struct ValueTraits;

template <> struct ValueTraits<Value> {
    static constexpr bool scalar = false;
    static Value toValue(const Value& v) { return v; }
    static Value fromValue(const Value& v) { return v; }
};

template <> struct ValueTraits<bool> {
    static constexpr bool scalar = true;
    static Value toValue(bool b) { return Value(b); }
    static bool fromValue(const Value& v)
    {
        if (!v.isNumber())
            detail::raiseWrongKind(v, "a number");
        return v.boolValue();
    }
};

template <class T> struct ValueTraits<T, std::enable_if_t<(std::is_integral_v<T> && !std::is_same_v<T, bool>) || std::is_enum_v<T>>> {
    static constexpr bool scalar = true;
    static Value toValue(T i) { return Value(static_cast<std::int64_t>(i)); }
    static T fromValue(const Value& v)
    {
        if (!v.isNumber())
            detail::raiseWrongKind(v, "a number");
        return static_cast<T>(v.integerValue());
    }
};

template <class T> struct ValueTraits<T, std::enable_if_t<std::is_floating_point_v<T>>> {
    static constexpr bool scalar = true;
    static Value toValue(T d) { return Value(static_cast<double>(d)); }
    static T fromValue(const Value& v)
    {
        if (!v.isNumber())
            detail::raiseWrongKind(v, "a number");
        return static_cast<T>(v.doubleValue());
    }
};

// Payload kinds: nil and Null read as the empty payload.
#define KIT_VALUE_TRAITS_PAYLOAD(Type, KindName, accessor, isScalar)                                                                       \
    template <> struct ValueTraits<Type> {                                                                                                 \
        static constexpr bool scalar = isScalar;                                                                                           \
        static Value toValue(const Type& t) { return Value(t); }                                                                           \
        static Type fromValue(const Value& v)                                                                                              \
        {                                                                                                                                  \
            if (v.kind() == Value::Kind::KindName || (!isScalar && v.isNilOrNull()))                                                       \
                return v.accessor();                                                                                                       \
            detail::raiseWrongKind(v, #KindName);                                                                                          \
        }                                                                                                                                  \
    };
KIT_VALUE_TRAITS_PAYLOAD(QString, String, string, false)
KIT_VALUE_TRAITS_PAYLOAD(QByteArray, Data, data, false)
KIT_VALUE_TRAITS_PAYLOAD(Array, Array, array, false)
KIT_VALUE_TRAITS_PAYLOAD(Dictionary, Dictionary, dictionary, false)
KIT_VALUE_TRAITS_PAYLOAD(Set, Set, set, false)
KIT_VALUE_TRAITS_PAYLOAD(IndexSet, IndexSet, indexSet, false)
KIT_VALUE_TRAITS_PAYLOAD(Date, Date, date, true)
KIT_VALUE_TRAITS_PAYLOAD(Point, Point, pointValue, true)
KIT_VALUE_TRAITS_PAYLOAD(Size, Size, sizeValue, true)
KIT_VALUE_TRAITS_PAYLOAD(Rect, Rect, rectValue, true)
KIT_VALUE_TRAITS_PAYLOAD(Range, Range, rangeValue, true)
#undef KIT_VALUE_TRAITS_PAYLOAD

template <class T> struct ValueTraits<Ref<T>> {
    static constexpr bool scalar = false;
    static Value toValue(const Ref<T>& r) { return Value(r); }
    static Ref<T> fromValue(const Value& v)
    {
        if (v.isNilOrNull())
            return nullptr;
        if (auto r = v.objectAs<T>())
            return r;
        detail::raiseWrongKind(v, "an object of the expected class");
    }
};

template <class T> struct ValueTraits<Weak<T>> {
    static constexpr bool scalar = false;
    static Value toValue(const Weak<T>& w) { return Value(w.lock()); }
    static Weak<T> fromValue(const Value& v) { return Weak<T>(ValueTraits<Ref<T>>::fromValue(v)); }
};

// Raw object pointers, for action arguments: the argument value keeps the object alive.
template <class T> struct ValueTraits<T*, std::enable_if_t<std::is_base_of_v<Object, T>>> {
    static constexpr bool scalar = false;
    static Value toValue(T* p) { return Value(p); }
    static T* fromValue(const Value& v) { return ValueTraits<Ref<std::remove_const_t<T>>>::fromValue(v).get(); }
};

template <class T> using ValueTraitsOf = ValueTraits<std::remove_cvref_t<T>>;

} // namespace kit
