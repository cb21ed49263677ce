#include "kit/foundation/NumberFormatter.h"

#include "kit/foundation/Locale.h"

#include <cmath>
#include <memory>
#include <unicode/unum.h>

namespace kit {

KIT_REGISTER_CLASS(Formatter, Object) { }

QString Formatter::stringForObjectValue(const Value&) const { return {}; }

bool Formatter::getObjectValueForStringErrorDescription(Value* object, const QString&, QString* error) const
{
    if (object)
        *object = Value();
    if (error)
        *error = QStringLiteral("This formatter does not read values.");
    return false;
}

Ref<Object> Formatter::copy() const { return make<Formatter>(); }
void Formatter::encodeWithCoder(Coder&) const { }
void Formatter::initWithCoder(Coder&) { }

KIT_REGISTER_CLASS(NumberFormatter, Formatter)
{
    c.property("allowsFloats", &NumberFormatter::allowsFloats, &NumberFormatter::setAllowsFloats);
    c.property("format", &NumberFormatter::format, &NumberFormatter::setFormat);
}

namespace {

struct CloseFormat {
    void operator()(UNumberFormat* f) const { unum_close(f); }
};
using FormatPtr = std::unique_ptr<UNumberFormat, CloseFormat>;

const UChar* uchars(const QString& s) { return reinterpret_cast<const UChar*>(s.utf16()); }

} // namespace

QString NumberFormatter::localeIdentifier() const
{
    return localeIdentifier_.isEmpty() ? Locale::currentLocale()->localeIdentifier() : localeIdentifier_;
}

namespace {

// Without a localised format the symbols are the neutral ones.
QByteArray numberFormatterLocale(const NumberFormatter& f)
{
    return (f.localizesFormat() ? f.localeIdentifier() : QStringLiteral("en_US_POSIX")).toLatin1();
}

FormatPtr openFormat(const NumberFormatter& f, const QByteArray& locale)
{
    UErrorCode status = U_ZERO_ERROR;
    UNumberFormat* nf = nullptr;
    if (!f.format().isEmpty())
        nf = unum_open(UNUM_PATTERN_DECIMAL, uchars(f.format()), int32_t(f.format().size()), locale.constData(), nullptr, &status);
    else
        nf = unum_open(f.numberStyle() == NumberFormatterDecimalStyle ? UNUM_DECIMAL : UNUM_PATTERN_DECIMAL,
            f.numberStyle() == NumberFormatterDecimalStyle ? nullptr : uchars(QStringLiteral("0.######")),
            f.numberStyle() == NumberFormatterDecimalStyle ? 0 : 8, locale.constData(), nullptr, &status);
    if (U_FAILURE(status)) {
        if (nf)
            unum_close(nf);
        return nullptr;
    }
    unum_setAttribute(nf, UNUM_LENIENT_PARSE, f.isLenient() ? 1 : 0);
    if (!f.allowsFloats())
        unum_setAttribute(nf, UNUM_PARSE_INT_ONLY, 0); // fractions are checked below, not cut off
    return FormatPtr(nf);
}

} // namespace

struct NumberFormatter::OpenFormat {
    QByteArray locale;
    QString pattern;
    NumberFormatterStyle style = NumberFormatterNoStyle;
    bool lenient = false;
    bool allowsFloats = true;
    FormatPtr icu; // null when these settings open none

    // The formatter of `f`'s settings, opened again only when they differ from the kept one's.
    static UNumberFormat* of(const NumberFormatter& f)
    {
        const QByteArray locale = numberFormatterLocale(f);
        std::unique_ptr<OpenFormat>& open = f.open_;
        if (!open || open->locale != locale || open->pattern != f.format_ || open->style != f.style_ || open->lenient != f.lenient_
            || open->allowsFloats != f.allowsFloats_)
            open.reset(new OpenFormat { locale, f.format_, f.style_, f.lenient_, f.allowsFloats_, openFormat(f, locale) });
        return open->icu.get();
    }
};

NumberFormatter::NumberFormatter() = default;
NumberFormatter::~NumberFormatter() = default;

QString NumberFormatter::stringFromNumber(const Value& number) const
{
    if (!number.isNumber())
        return {};
    const std::scoped_lock lock(openLock_);
    UNumberFormat* nf = OpenFormat::of(*this);
    if (!nf)
        return {};
    UChar buffer[128];
    UErrorCode status = U_ZERO_ERROR;
    int32_t n;
    if (number.kind() == Value::Kind::Real)
        n = unum_formatDouble(nf, number.doubleValue(), buffer, 128, nullptr, &status);
    else
        n = unum_formatInt64(nf, number.integerValue(), buffer, 128, nullptr, &status);
    if (U_FAILURE(status))
        return {};
    return QString(reinterpret_cast<const QChar*>(buffer), std::min(n, int32_t(128)));
}

Value NumberFormatter::numberFromString(const QString& string) const
{
    const QString text = string.trimmed();
    if (text.isEmpty())
        return {};
    double d = 0;
    {
        const std::scoped_lock lock(openLock_);
        UNumberFormat* nf = OpenFormat::of(*this);
        if (!nf)
            return {};
        UErrorCode status = U_ZERO_ERROR;
        int32_t pos = 0;
        d = unum_parseDouble(nf, uchars(text), int32_t(text.size()), &pos, &status);
        if (U_FAILURE(status) || pos != int32_t(text.size()) || !std::isfinite(d))
            return {};
    }
    if (!allowsFloats_) {
        if (d != std::floor(d) || std::fabs(d) >= 9.2e18)
            return {};
        return Value(std::int64_t(d));
    }
    return Value(d);
}

QString NumberFormatter::stringForObjectValue(const Value& value) const { return stringFromNumber(value); }

bool NumberFormatter::getObjectValueForStringErrorDescription(Value* object, const QString& string, QString* error) const
{
    const Value v = numberFromString(string);
    if (object)
        *object = v;
    if (v.isNil() && error)
        *error = QStringLiteral("Invalid number");
    return !v.isNil();
}

Ref<Object> NumberFormatter::copy() const
{
    auto c = make<NumberFormatter>();
    c->style_ = style_;
    c->allowsFloats_ = allowsFloats_;
    c->localizesFormat_ = localizesFormat_;
    c->lenient_ = lenient_;
    c->format_ = format_;
    c->localeIdentifier_ = localeIdentifier_;
    return c;
}

void NumberFormatter::encodeWithCoder(Coder& coder) const
{
    Formatter::encodeWithCoder(coder);
    coder.encodeIntegerForKey(style_, "numberStyle");
    coder.encodeBoolForKey(allowsFloats_, "allowsFloats");
    coder.encodeBoolForKey(localizesFormat_, "localizesFormat");
    coder.encodeBoolForKey(lenient_, "lenient");
    coder.encodeObjectForKey(Value(format_), "format");
    coder.encodeObjectForKey(Value(localeIdentifier_), "locale");
}

void NumberFormatter::initWithCoder(Coder& coder)
{
    Formatter::initWithCoder(coder);
    if (coder.containsValueForKey("numberStyle"))
        style_ = coder.decodeIntegerForKey("numberStyle") == NumberFormatterDecimalStyle ? NumberFormatterDecimalStyle
                                                                                         : NumberFormatterNoStyle;
    if (coder.containsValueForKey("allowsFloats"))
        allowsFloats_ = coder.decodeBoolForKey("allowsFloats");
    localizesFormat_ = coder.decodeBoolForKey("localizesFormat");
    lenient_ = coder.decodeBoolForKey("lenient");
    format_ = coder.decodeObjectForKey("format").stringValue();
    localeIdentifier_ = coder.decodeObjectForKey("locale").stringValue();
}

} // namespace kit
