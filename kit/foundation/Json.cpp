#include "kit/foundation/Json.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace kit::Json {

namespace {

class Reader {
public:
    Reader(const QByteArray& json, ReadOptions options)
        : p_(json.constData())
        , end_(json.constData() + json.size())
        , options_(options)
    { }

    std::optional<Value> document(QString* error)
    {
        skipSpace();
        auto v = value(0);
        skipSpace();
        if (v && p_ != end_)
            fail("trailing characters");
        if (!error_.isEmpty()) {
            if (error)
                *error = error_;
            return std::nullopt;
        }
        return v;
    }

private:
    void fail(const char* what)
    {
        if (error_.isEmpty())
            error_ = QStringLiteral("JSON error at byte %1: %2").arg(offset()).arg(QLatin1String(what));
    }
    qsizetype offset() const { return qsizetype(p_ - begin()); }
    const char* begin() const { return end_ - size_; }

    void skipSpace()
    {
        while (p_ != end_ && (*p_ == ' ' || *p_ == '\t' || *p_ == '\n' || *p_ == '\r'))
            ++p_;
    }

    bool literal(const char* word)
    {
        const std::size_t n = std::strlen(word);
        if (std::size_t(end_ - p_) < n || std::memcmp(p_, word, n) != 0)
            return false;
        p_ += n;
        return true;
    }

    std::optional<Value> value(int depth)
    {
        if (depth > options_.maxDepth) {
            fail("nested too deeply");
            return std::nullopt;
        }
        if (p_ == end_) {
            fail("unexpected end");
            return std::nullopt;
        }
        switch (*p_) {
        case '{':
            return object(depth);
        case '[':
            return array(depth);
        case '"': {
            auto s = string();
            if (!s)
                return std::nullopt;
            return Value(*s);
        }
        case 't':
            if (literal("true"))
                return Value(true);
            break;
        case 'f':
            if (literal("false"))
                return Value(false);
            break;
        case 'n':
            if (literal("null"))
                return Value::null();
            break;
        default:
            if (*p_ == '-' || (*p_ >= '0' && *p_ <= '9'))
                return number();
        }
        fail("unexpected character");
        return std::nullopt;
    }

    std::optional<Value> object(int depth)
    {
        ++p_;
        Dictionary d;
        skipSpace();
        if (p_ != end_ && *p_ == '}') {
            ++p_;
            return Value(d);
        }
        for (;;) {
            skipSpace();
            if (p_ == end_ || *p_ != '"') {
                fail("expected a key");
                return std::nullopt;
            }
            auto key = string();
            if (!key)
                return std::nullopt;
            skipSpace();
            if (p_ == end_ || *p_ != ':') {
                fail("expected ':'");
                return std::nullopt;
            }
            ++p_;
            skipSpace();
            auto v = value(depth + 1);
            if (!v)
                return std::nullopt;
            d.setObjectForKey(*v, Value(*key));
            skipSpace();
            if (p_ != end_ && *p_ == ',') {
                ++p_;
                continue;
            }
            if (p_ != end_ && *p_ == '}') {
                ++p_;
                return Value(d);
            }
            fail("expected ',' or '}'");
            return std::nullopt;
        }
    }

    std::optional<Value> array(int depth)
    {
        ++p_;
        std::vector<Value> items;
        skipSpace();
        if (p_ != end_ && *p_ == ']') {
            ++p_;
            return Value(Array(std::move(items)));
        }
        for (;;) {
            skipSpace();
            auto v = value(depth + 1);
            if (!v)
                return std::nullopt;
            items.push_back(std::move(*v));
            skipSpace();
            if (p_ != end_ && *p_ == ',') {
                ++p_;
                continue;
            }
            if (p_ != end_ && *p_ == ']') {
                ++p_;
                return Value(Array(std::move(items)));
            }
            fail("expected ',' or ']'");
            return std::nullopt;
        }
    }

    static int hexDigit(char c)
    {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    }

    std::optional<char16_t> hex4()
    {
        if (end_ - p_ < 4) {
            fail("short escape");
            return std::nullopt;
        }
        unsigned v = 0;
        for (int i = 0; i < 4; ++i) {
            const int d = hexDigit(p_[i]);
            if (d < 0) {
                fail("bad escape");
                return std::nullopt;
            }
            v = v * 16 + unsigned(d);
        }
        p_ += 4;
        return char16_t(v);
    }

    std::optional<QString> string()
    {
        ++p_;
        QString out;
        const char* run = p_;
        auto flush = [&] {
            if (p_ > run) {
                // Strict: invalid UTF-8 is an error, not a repair.
                QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
                out += decoder.decode(QByteArrayView(run, p_ - run));
                if (decoder.hasError())
                    return false;
            }
            return true;
        };
        while (p_ != end_) {
            const unsigned char c = static_cast<unsigned char>(*p_);
            if (c == '"') {
                if (!flush()) {
                    fail("invalid UTF-8");
                    return std::nullopt;
                }
                ++p_;
                return out;
            }
            if (c < 0x20) {
                fail("control character in a string");
                return std::nullopt;
            }
            if (c != '\\') {
                ++p_;
                continue;
            }
            if (!flush()) {
                fail("invalid UTF-8");
                return std::nullopt;
            }
            ++p_;
            if (p_ == end_)
                break;
            const char e = *p_++;
            switch (e) {
            case '"':
                out += u'"';
                break;
            case '\\':
                out += u'\\';
                break;
            case '/':
                out += u'/';
                break;
            case 'b':
                out += u'\b';
                break;
            case 'f':
                out += u'\f';
                break;
            case 'n':
                out += u'\n';
                break;
            case 'r':
                out += u'\r';
                break;
            case 't':
                out += u'\t';
                break;
            case 'u': {
                auto unit = hex4();
                if (!unit)
                    return std::nullopt;
                out += QChar(*unit); // UTF-16 units as given; QString holds lone surrogates
                break;
            }
            default:
                fail("bad escape");
                return std::nullopt;
            }
            run = p_;
        }
        fail("unterminated string");
        return std::nullopt;
    }

    std::optional<Value> number()
    {
        const char* start = p_;
        bool real = false;
        if (*p_ == '-')
            ++p_;
        auto digits = [&] {
            const char* s = p_;
            while (p_ != end_ && *p_ >= '0' && *p_ <= '9')
                ++p_;
            return p_ > s;
        };
        const char* integerStart = p_;
        // "0" stands alone: "01" is no JSON number.
        if (!digits() || (*integerStart == '0' && p_ - integerStart > 1)) {
            fail("bad number");
            return std::nullopt;
        }
        if (p_ != end_ && *p_ == '.') {
            real = true;
            ++p_;
            if (!digits()) {
                fail("bad number");
                return std::nullopt;
            }
        }
        if (p_ != end_ && (*p_ == 'e' || *p_ == 'E')) {
            real = true;
            ++p_;
            if (p_ != end_ && (*p_ == '+' || *p_ == '-'))
                ++p_;
            if (!digits()) {
                fail("bad number");
                return std::nullopt;
            }
        }
        if (!real) {
            std::int64_t i = 0;
            auto res = std::from_chars(start, p_, i);
            if (res.ec == std::errc() && res.ptr == p_)
                return Value(i);
            // Too large for an integer: keep it as a real rather than fail.
        }
        double d = 0;
        auto res = std::from_chars(start, p_, d);
        if (res.ptr != p_ || (res.ec != std::errc() && res.ec != std::errc::result_out_of_range)) {
            fail("bad number");
            return std::nullopt;
        }
        // Out of range: below the least double the nearest number is zero; above the largest, none.
        if (res.ec == std::errc::result_out_of_range)
            d = (*start == '-' ? -1 : 1) * (belowOne(start, p_) ? 0.0 : HUGE_VAL);
        if (!std::isfinite(d)) {
            fail("number out of range");
            return std::nullopt;
        }
        return Value(d);
    }

    // Whether a well-formed number's magnitude is below one: its leading digit's place plus its
    // exponent (clamped, so any exponent of many digits counts) is not above zero.
    static bool belowOne(const char* number, const char* end)
    {
        const char* q = number + (*number == '-');
        auto at = [&](char c) { return q != end && *q == c; };
        auto digit = [&] { return q != end && *q >= '0' && *q <= '9'; };
        std::int64_t place = 0;
        while (at('0'))
            ++q;
        for (; digit(); ++q)
            ++place;
        if (at('.')) {
            ++q;
            if (place == 0)
                for (; at('0'); ++q)
                    --place;
            while (digit())
                ++q;
        }
        std::int64_t exponent = 0;
        if (at('e') || at('E')) {
            ++q;
            const bool negative = at('-');
            if (at('-') || at('+'))
                ++q;
            for (; digit(); ++q)
                exponent = std::min<std::int64_t>(exponent * 10 + (*q - '0'), std::int64_t(1) << 40);
            exponent = negative ? -exponent : exponent;
        }
        return place + exponent <= 0;
    }

    const char* p_;
    const char* end_;
    qsizetype size_ = end_ - p_;
    ReadOptions options_;
    QString error_;
};

void writeString(QByteArray& out, const QString& s)
{
    out += '"';
    qsizetype run = 0; // start of the characters that need no escape
    auto flush = [&](qsizetype end) {
        if (end > run)
            out += QStringView(s).mid(run, end - run).toUtf8();
    };
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar ch = s.at(i);
        const char16_t c = ch.unicode();
        const char* escape = nullptr;
        switch (c) {
        case u'"':
            escape = "\\\"";
            break;
        case u'\\':
            escape = "\\\\";
            break;
        case u'\n':
            escape = "\\n";
            break;
        case u'\r':
            escape = "\\r";
            break;
        case u'\t':
            escape = "\\t";
            break;
        case u'\b':
            escape = "\\b";
            break;
        case u'\f':
            escape = "\\f";
            break;
        default:
            break;
        }
        const bool surrogatePair = ch.isHighSurrogate() && i + 1 < s.size() && s.at(i + 1).isLowSurrogate();
        if (surrogatePair) {
            ++i; // a valid pair is ordinary text
            continue;
        }
        if (!escape && c >= 0x20 && !ch.isSurrogate())
            continue;
        flush(i);
        if (escape) {
            out += escape;
        } else {
            // Control characters, and lone surrogates one by one so they survive.
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", unsigned(c));
            out += buf;
        }
        run = i + 1;
    }
    flush(s.size());
    out += '"';
}

class Writer {
public:
    explicit Writer(bool indented)
        : indented_(indented)
    { }

    bool write(const Value& v, int depth)
    {
        switch (v.kind()) {
        case Value::Kind::Nil:
        case Value::Kind::Null:
            out += "null";
            return true;
        case Value::Kind::Bool:
            out += v.boolValue() ? "true" : "false";
            return true;
        case Value::Kind::Integer:
            out += QByteArray::number(qlonglong(v.integerValue()));
            return true;
        case Value::Kind::Real: {
            const double d = v.doubleValue();
            if (!std::isfinite(d)) {
                error = QStringLiteral("a non-finite number cannot be written");
                return false;
            }
            char buf[64];
            auto res = std::to_chars(buf, buf + sizeof buf, d);
            QByteArray text(buf, int(res.ptr - buf));
            if (!text.contains('.') && !text.contains('e') && !text.contains('E'))
                text += ".0";
            out += text;
            return true;
        }
        case Value::Kind::String:
            writeString(out, v.string());
            return true;
        case Value::Kind::Array: {
            out += '[';
            bool first = true;
            for (const Value& item : v.array()) {
                if (!first)
                    out += ',';
                first = false;
                newline(depth + 1);
                if (!write(item, depth + 1))
                    return false;
            }
            if (!first)
                newline(depth);
            out += ']';
            return true;
        }
        case Value::Kind::Dictionary: {
            out += '{';
            bool first = true;
            for (const auto& [key, item] : v.dictionary()) {
                if (!key.isString()) {
                    error = QStringLiteral("dictionary keys must be strings");
                    return false;
                }
                if (!first)
                    out += ',';
                first = false;
                newline(depth + 1);
                writeString(out, key.string());
                out += indented_ ? ": " : ":";
                if (!write(item, depth + 1))
                    return false;
            }
            if (!first)
                newline(depth);
            out += '}';
            return true;
        }
        default:
            error = QStringLiteral("a value of this kind has no JSON form");
            return false;
        }
    }

    QByteArray out;
    QString error;

private:
    void newline(int depth)
    {
        if (!indented_)
            return;
        out += '\n';
        out += QByteArray(depth * 2, ' ');
    }
    bool indented_;
};

} // namespace

std::optional<Value> read(const QByteArray& json, QString* error, ReadOptions options)
{
    if (json.size() > options.maxBytes) {
        if (error)
            *error = QStringLiteral("JSON input too large");
        return std::nullopt;
    }
    return Reader(json, options).document(error);
}

std::optional<QByteArray> write(const Value& value, QString* error, bool indented)
{
    Writer w(indented);
    if (!w.write(value, 0)) {
        if (error)
            *error = w.error;
        return std::nullopt;
    }
    if (indented)
        w.out += '\n';
    return w.out;
}

} // namespace kit::Json
