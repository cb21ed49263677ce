#include "kit/core/Format.h"

#include "kit/core/Exception.h"
#include "kit/core/Value.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace kit {

std::int64_t FormatArg::asSigned() const
{
    switch (kind_) {
    case Kind::Signed:
        return i_;
    case Kind::Unsigned:
        return static_cast<std::int64_t>(u_);
    case Kind::Real:
        return std::isfinite(d_) ? static_cast<std::int64_t>(d_) : 0;
    case Kind::Value:
        return value_->integerValue();
    default:
        return 0;
    }
}

std::uint64_t FormatArg::asUnsigned() const { return static_cast<std::uint64_t>(asSigned()); }

double FormatArg::asReal() const
{
    switch (kind_) {
    case Kind::Signed:
        return static_cast<double>(i_);
    case Kind::Unsigned:
        return static_cast<double>(u_);
    case Kind::Real:
        return d_;
    case Kind::Value:
        return value_->doubleValue();
    default:
        return 0;
    }
}

QString FormatArg::describe() const
{
    switch (kind_) {
    case Kind::Signed:
        return QString::number(i_);
    case Kind::Unsigned:
        return QString::number(u_);
    case Kind::Real:
        return numberText(d_);
    case Kind::CString:
        return s_ ? QString::fromUtf8(s_) : QStringLiteral("(null)");
    case Kind::String:
        return *str_;
    case Kind::Value:
        return value_->description();
    case Kind::Object:
        return object_ ? object_->description() : QStringLiteral("(null)");
    }
    return {};
}

QString FormatArg::text() const
{
    if (kind_ == Kind::CString)
        return s_ ? QString::fromUtf8(s_) : QStringLiteral("(null)");
    if (kind_ == Kind::String)
        return *str_;
    return describe();
}

namespace {

struct Spec {
    bool left = false, plus = false, space = false, zero = false, alt = false;
    int width = -1;
    int precision = -1;
    int length = 0; // 0 int, -1 short, -2 char, 1 long, 2 long long/64-bit
};

QString pad(QString body, const Spec& s, bool numeric)
{
    if (s.width < 0 || body.size() >= s.width)
        return body;
    const qsizetype fill = s.width - body.size();
    if (s.left)
        return body + QString(fill, QLatin1Char(' '));
    if (s.zero && numeric) {
        qsizetype at
            = (body.startsWith(QLatin1Char('-')) || body.startsWith(QLatin1Char('+')) || body.startsWith(QLatin1Char(' '))) ? 1 : 0;
        if (body.mid(at, 2).compare(QLatin1String("0x"), Qt::CaseInsensitive) == 0)
            at += 2;
        return body.left(at) + QString(fill, QLatin1Char('0')) + body.mid(at);
    }
    return QString(fill, QLatin1Char(' ')) + body;
}

QString integerText(std::uint64_t magnitude, bool negative, int base, bool upper, const Spec& s)
{
    char buf[80];
    auto res = std::to_chars(buf, buf + sizeof buf, magnitude, base);
    std::string digits(buf, res.ptr);
    if (upper)
        for (char& c : digits)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (s.precision >= 0 && static_cast<int>(digits.size()) < s.precision)
        digits.insert(0, s.precision - digits.size(), '0');
    if (s.precision == 0 && magnitude == 0)
        digits.clear();
    std::string sign;
    if (negative)
        sign = "-";
    else if (s.plus && base == 10)
        sign = "+";
    else if (s.space && base == 10)
        sign = " ";
    if (s.alt && base == 16 && magnitude != 0)
        sign += upper ? "0X" : "0x";
    return QString::fromLatin1(sign + digits);
}

QString realText(double v, char conv, const Spec& s)
{
    if (!std::isfinite(v)) {
        QString t = std::isnan(v) ? QStringLiteral("nan") : (v < 0 ? QStringLiteral("-inf") : QStringLiteral("inf"));
        return std::isupper(static_cast<unsigned char>(conv)) ? t.toUpper() : t;
    }
    char buf[400];
    const int precision = s.precision < 0 ? 6 : s.precision;
    std::chars_format fmt = std::chars_format::fixed;
    const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(conv)));
    if (lower == 'e')
        fmt = std::chars_format::scientific;
    else if (lower == 'g')
        fmt = std::chars_format::general;
    auto res = std::to_chars(buf, buf + sizeof buf, v, fmt, (lower == 'g' && precision == 0) ? 1 : precision);
    std::string text(buf, res.ptr);
    if (lower == 'e' || lower == 'g') {
        // printf writes at least two exponent digits.
        auto e = text.find('e');
        if (e != std::string::npos && e + 2 < text.size() + 1) {
            const std::size_t digitsAt = e + 2;
            if (text.size() - digitsAt == 1)
                text.insert(digitsAt, 1, '0');
        }
    }
    if (std::isupper(static_cast<unsigned char>(conv)))
        for (char& c : text)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (!text.empty() && text[0] != '-') {
        if (s.plus)
            text.insert(0, 1, '+');
        else if (s.space)
            text.insert(0, 1, ' ');
    }
    return QString::fromLatin1(text);
}

} // namespace

QString formatArgs(const QString& format, const FormatArg* args, std::size_t count)
{
    QString out;
    out.reserve(format.size() + 16);
    std::size_t next = 0;
    auto take = [&]() -> const FormatArg* { return next < count ? &args[next++] : nullptr; };
    const qsizetype n = format.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar ch = format[i];
        if (ch != QLatin1Char('%') || i + 1 >= n) {
            out += ch;
            continue;
        }
        qsizetype j = i + 1;
        if (format[j] == QLatin1Char('%')) {
            out += QLatin1Char('%');
            i = j;
            continue;
        }
        Spec s;
        for (; j < n; ++j) {
            const char f = format[j].toLatin1();
            if (f == '-')
                s.left = true;
            else if (f == '+')
                s.plus = true;
            else if (f == ' ')
                s.space = true;
            else if (f == '0')
                s.zero = true;
            else if (f == '#')
                s.alt = true;
            else
                break;
        }
        if (j < n && format[j] == QLatin1Char('*')) {
            const FormatArg* w = take();
            s.width = w ? static_cast<int>(w->asSigned()) : 0;
            ++j;
        } else {
            while (j < n && format[j].isDigit())
                s.width = std::max(s.width, 0) * 10 + format[j++].digitValue();
        }
        if (j < n && format[j] == QLatin1Char('.')) {
            ++j;
            s.precision = 0;
            if (j < n && format[j] == QLatin1Char('*')) {
                const FormatArg* p = take();
                s.precision = p ? static_cast<int>(p->asSigned()) : 0;
                ++j;
            } else {
                while (j < n && format[j].isDigit())
                    s.precision = s.precision * 10 + format[j++].digitValue();
            }
        }
        while (j < n) {
            const char l = format[j].toLatin1();
            if (l == 'h')
                s.length = s.length == -1 ? -2 : -1;
            else if (l == 'l')
                s.length += 1;
            else if (l == 'q' || l == 'j' || l == 'z' || l == 't' || l == 'L')
                s.length = 2;
            else
                break;
            ++j;
        }
        if (j >= n) {
            out += format.mid(i);
            break;
        }
        const char conv = format[j].toLatin1();
        i = j;
        const FormatArg* arg = take();
        if (!arg) {
            out += QStringLiteral("(null)");
            continue;
        }
        switch (conv) {
        case '@':
            out += pad(arg->describe(), s, false);
            break;
        case 'd':
        case 'i': {
            std::int64_t v = arg->asSigned();
            if (s.length == 0)
                v = static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
            else if (s.length == -1)
                v = static_cast<std::int16_t>(static_cast<std::uint16_t>(v));
            else if (s.length == -2)
                v = static_cast<std::int8_t>(static_cast<std::uint8_t>(v));
            const bool negative = v < 0;
            const std::uint64_t magnitude = negative ? (~static_cast<std::uint64_t>(v) + 1) : static_cast<std::uint64_t>(v);
            out += pad(integerText(magnitude, negative, 10, false, s), s, s.precision < 0);
            break;
        }
        case 'u':
        case 'x':
        case 'X':
        case 'o': {
            std::uint64_t v = arg->asUnsigned();
            if (s.length == 0)
                v = static_cast<std::uint32_t>(v);
            else if (s.length == -1)
                v = static_cast<std::uint16_t>(v);
            else if (s.length == -2)
                v = static_cast<std::uint8_t>(v);
            const int base = conv == 'u' ? 10 : conv == 'o' ? 8 : 16;
            out += pad(integerText(v, false, base, conv == 'X', s), s, s.precision < 0);
            break;
        }
        case 'p':
            out += pad(QStringLiteral("0x") + QString::number(arg->asUnsigned(), 16), s, false);
            break;
        case 'c':
            out += pad(QString(QChar(static_cast<char16_t>(static_cast<unsigned char>(arg->asSigned())))), s, false);
            break;
        case 'C':
            out += pad(QString(QChar(static_cast<char16_t>(arg->asUnsigned()))), s, false);
            break;
        case 's':
        case 'S': {
            QString t = arg->text();
            if (s.precision >= 0)
                t.truncate(s.precision);
            out += pad(t, s, false);
            break;
        }
        case 'f':
        case 'F':
        case 'e':
        case 'E':
        case 'g':
        case 'G':
            out += pad(realText(arg->asReal(), conv, s), s, true);
            break;
        default:
            out += QLatin1Char('%');
            out += QChar(QLatin1Char(conv));
            break;
        }
    }
    return out;
}

QString numberText(double value)
{
    if (!std::isfinite(value))
        return std::isnan(value) ? QStringLiteral("nan") : (value < 0 ? QStringLiteral("-inf") : QStringLiteral("inf"));
    if (value == 0)
        return QStringLiteral("0");
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, value);
    return QString::fromLatin1(buf, res.ptr - buf);
}

namespace {

// The extent of the leading number: [sign] digits [. digits] [e [sign] digits].
std::string leadingNumber(QStringView text, bool fraction)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text[i].isSpace())
        ++i;
    std::string s;
    if (i < n && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+'))) {
        if (text[i] == QLatin1Char('-'))
            s += '-';
        ++i;
    }
    auto digit = [&](qsizetype k) { return k < n && text[k].unicode() >= '0' && text[k].unicode() <= '9'; };
    bool any = false;
    while (digit(i)) {
        s += static_cast<char>(text[i++].unicode());
        any = true;
    }
    if (!fraction)
        return any ? s : std::string();
    if (i < n && text[i] == QLatin1Char('.')) {
        std::string frac = ".";
        qsizetype k = i + 1;
        while (digit(k))
            frac += static_cast<char>(text[k++].unicode());
        if (frac.size() > 1 || any) {
            s += frac;
            any = any || frac.size() > 1;
            i = k;
        }
    }
    if (!any)
        return {};
    if (i < n && (text[i] == QLatin1Char('e') || text[i] == QLatin1Char('E'))) {
        qsizetype k = i + 1;
        std::string exp = "e";
        if (k < n && (text[k] == QLatin1Char('-') || text[k] == QLatin1Char('+')))
            exp += static_cast<char>(text[k++].unicode());
        if (digit(k)) {
            while (digit(k))
                exp += static_cast<char>(text[k++].unicode());
            s += exp;
        }
    }
    return s;
}

} // namespace

double scanDouble(QStringView text)
{
    const std::string s = leadingNumber(text, true);
    if (s.empty())
        return 0;
    double v = 0;
    const char* begin = s.data();
    if (*begin == '-') {
        std::from_chars(begin + 1, s.data() + s.size(), v);
        return -v;
    }
    std::from_chars(begin, s.data() + s.size(), v);
    return v;
}

std::int64_t scanInteger(QStringView text)
{
    const std::string s = leadingNumber(text, false);
    if (s.empty())
        return 0;
    std::int64_t v = 0;
    auto res = std::from_chars(s.data(), s.data() + s.size(), v);
    if (res.ec == std::errc::result_out_of_range)
        return s[0] == '-' ? INT64_MIN : INT64_MAX;
    return v;
}

} // namespace kit
