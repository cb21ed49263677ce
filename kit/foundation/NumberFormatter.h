#pragma once

// Formatters turn values into text and back. NumberFormatter formats and parses numbers by a
// pattern ("#0") in a locale's symbols (ICU); with floats disallowed, a string with a fraction
// ("3.5") does not parse. Formatters copy independently and archive their settings. One formatter
// may serve several threads.

#include "kit/core/Class.h"
#include "kit/core/Object.h"
#include "kit/core/Value.h"
#include "kit/foundation/Coder.h"

#include <QString>

#include <memory>
#include <mutex>

namespace kit {

class Formatter : public Object, public Coding {
    KIT_CLASS(Formatter)

    // The text of a value, or a null string when the formatter does not handle it.
    virtual QString stringForObjectValue(const Value& value) const;
    virtual QString editingStringForObjectValue(const Value& value) const { return stringForObjectValue(value); }
    // Parses `string`; on failure answers NO and sets `error` (when given) to a description.
    virtual bool getObjectValueForStringErrorDescription(Value* object, const QString& string, QString* error) const;

    Ref<Object> copy() const override;
    void encodeWithCoder(Coder& coder) const override;
    void initWithCoder(Coder& coder) override;
};

enum NumberFormatterStyle : int { NumberFormatterNoStyle = 0, NumberFormatterDecimalStyle = 1 };

class NumberFormatter : public Formatter {
    KIT_CLASS(NumberFormatter)

public:
    NumberFormatter();
    ~NumberFormatter() override;

    void setNumberStyle(NumberFormatterStyle style) { style_ = style; }
    NumberFormatterStyle numberStyle() const { return style_; }
    void setAllowsFloats(bool allows) { allowsFloats_ = allows; }
    bool allowsFloats() const { return allowsFloats_; }
    // With a localised format the locale's separators are used; otherwise "." and ",".
    void setLocalizesFormat(bool localizes) { localizesFormat_ = localizes; }
    bool localizesFormat() const { return localizesFormat_; }
    // A pattern such as "#0" or "#,##0.00"; empty means the style's own.
    void setFormat(const QString& format) { format_ = format; }
    QString format() const { return format_; }
    void setLenient(bool lenient) { lenient_ = lenient; }
    bool isLenient() const { return lenient_; }
    // A locale identifier ("de_DE"); empty means the current locale.
    void setLocaleIdentifier(const QString& identifier) { localeIdentifier_ = identifier; }
    QString localeIdentifier() const;

    QString stringFromNumber(const Value& number) const;
    // The number of `string`, or nil.
    Value numberFromString(const QString& string) const;

    // Formatter:
    QString stringForObjectValue(const Value& value) const override;
    bool getObjectValueForStringErrorDescription(Value* object, const QString& string, QString* error) const override;
    Ref<Object> copy() const override;
    void encodeWithCoder(Coder& coder) const override;
    void initWithCoder(Coder& coder) override;

private:
    // The ICU formatter of the settings (and locale) it was opened for: opening one costs far more
    // than formatting, so it is kept until they change. Used under openLock_.
    struct OpenFormat;
    mutable std::mutex openLock_;
    mutable std::unique_ptr<OpenFormat> open_;
    NumberFormatterStyle style_ = NumberFormatterNoStyle;
    bool allowsFloats_ = true;
    bool localizesFormat_ = false;
    bool lenient_ = false;
    QString format_;
    QString localeIdentifier_;
};

} // namespace kit
