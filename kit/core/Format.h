#pragma once

// Printf-style formatting with "%@" for kit values and objects, and the locale-independent number
// reading and writing that strings, formats and defaults share. The decimal separator is always '.'.

#include <QString>

#include <array>
#include <cstdint>
#include <string>
#include <type_traits>

namespace kit {

class Object;
class Value;
class Exception;
template <class T> class Ref;

// One argument of kit::format, captured by kind.
class FormatArg {
public:
    enum class Kind { Signed, Unsigned, Real, CString, String, Value, Object };

    template <class T, std::enable_if_t<std::is_integral_v<T> && std::is_signed_v<T>, int> = 0>
    FormatArg(T v)
        : kind_(Kind::Signed)
        , i_(v)
    { }
    template <class T, std::enable_if_t<std::is_integral_v<T> && !std::is_signed_v<T>, int> = 0>
    FormatArg(T v)
        : kind_(Kind::Unsigned)
        , u_(v)
    { }
    template <class T, std::enable_if_t<std::is_enum_v<T>, int> = 0>
    FormatArg(T v)
        : kind_(Kind::Signed)
        , i_(static_cast<std::int64_t>(v))
    { }
    FormatArg(double v)
        : kind_(Kind::Real)
        , d_(v)
    { }
    FormatArg(QChar c)
        : kind_(Kind::Unsigned)
        , u_(c.unicode())
    { }
    FormatArg(const char* s)
        : kind_(Kind::CString)
        , s_(s)
    { }
    FormatArg(const std::string& s)
        : kind_(Kind::CString)
        , s_(s.c_str())
    { }
    FormatArg(const QString& s)
        : kind_(Kind::String)
        , str_(&s)
    { }
    FormatArg(const Value& v)
        : kind_(Kind::Value)
        , value_(&v)
    { }
    FormatArg(const Exception& e);
    FormatArg(const Object* o)
        : kind_(Kind::Object)
        , object_(o)
    { }
    template <class T>
    FormatArg(const Ref<T>& r)
        : kind_(Kind::Object)
        , object_(r.get())
    { }

    Kind kind() const { return kind_; }
    std::int64_t asSigned() const;
    std::uint64_t asUnsigned() const;
    double asReal() const;
    // "%@": the description of a value, object or exception (its reason).
    QString describe() const;
    // "%s": the text of a C string or QString.
    QString text() const;

private:
    Kind kind_;
    union {
        std::int64_t i_;
        std::uint64_t u_;
        double d_;
        const char* s_;
        const QString* str_;
        const Value* value_;
        const Object* object_;
    };
};

QString formatArgs(const QString& format, const FormatArg* args, std::size_t count);

template <class... Args> QString format(const QString& format, const Args&... args)
{
    const std::array<FormatArg, sizeof...(Args)> list { FormatArg(args)... };
    return formatArgs(format, list.data(), list.size());
}

// Shortest text that reads back as the same double ("0.5", "1", "1e+21").
QString numberText(double value);

// The leading number of a string: skips leading white space, reads an optional sign, digits, a
// '.' fraction and an exponent, ignores the rest ("240.5H" -> 240.5). No number reads as 0.
double scanDouble(QStringView text);
// The leading integer, as above; a fraction is cut off ("-2.7" -> -2).
std::int64_t scanInteger(QStringView text);

} // namespace kit
