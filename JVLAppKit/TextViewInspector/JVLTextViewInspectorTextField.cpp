#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorTextField.h"

#include "JVLAppKit/TextViewInspector/JVLTextViewInspector.h"
#include "FoundationExtensions/JVLNSObject_Extension.h"
#include "FoundationExtensions/JVLNSStringExtension.h"

#include "kit/foundation/Bundle.h"
#include "kit/foundation/NumberFormatter.h"

#include <QRegularExpression>

using namespace kit;

KIT_REGISTER_CLASS(JVLTextViewInspectorTextField, JVLTextViewInspectorField)
{
    c.bundle(QStringLiteral("JVLAppKit"));
    c.copyable();
    c.property("supportMultipleValues", &JVLTextViewInspectorTextField::supportMultipleValues, &JVLTextViewInspectorTextField::setSupportMultipleValues);
    c.property("supportNewLine", &JVLTextViewInspectorTextField::supportNewLine, &JVLTextViewInspectorTextField::setSupportNewLine);
}

JVLTextViewInspectorTextField::JVLTextViewInspectorTextField() { isEditable_ = true; }

void JVLTextViewInspectorTextField::initWithIdentifierPlaceholderAndLabel(
    const QString& identifier, const QString& placeholder, Ref<JVLTextViewInspectorFieldLabel> label)
{
    JVLTextViewInspectorField::initWithIdentifierPlaceholderAndLabel(identifier, placeholder, std::move(label));
}

void JVLTextViewInspectorTextField::setFormatter(const Ref<Object>& formatter) { formatter_ = formatter ? formatter->copy() : nullptr; }

QString JVLTextViewInspectorTextField::multipleValuesText()
{
    return JVLNSObject_Extension::bundle(staticClass())
        ->localizedStringForKeyValueTable(QStringLiteral("JVLTextViewInspectorMultipleValues"), QString(), QStringLiteral("JVLTextViewInspector"));
}

QString JVLTextViewInspectorTextField::displayStringForValue()
{
    Value v = value();
    if (v.isNil())
        return {};
    if ((v.isArray() || v.isSet()) && !supportMultipleValues_) {
        const Set distinct = v.isSet() ? v.set() : Set(v.array());
        if (distinct.count() != 1)
            return {};
        v = distinct.anyObject();
        // Stored as it is: through setValue it would redraw the run being built.
        storeValue(v);
    }
    if (const auto* f = dynamic_cast<const Formatter*>(formatter_.get())) {
        const QString formatted = f->stringForObjectValue(v);
        // Text the formatter could not read was kept as a string: show it as typed, not the placeholder.
        if (!formatted.isNull() || !v.isString())
            return formatted;
    }
    if (!v.isString())
        return {};
    const QString text = v.stringValue();
    static const QRegularExpression lineBreaks(QStringLiteral("[\\n\\r\\x{2028}\\x{2029}\\x{85}\\x{0B}\\x{0C}]"));
    QStringList parts = text.split(lineBreaks);
    if (parts.size() < 2)
        return text;
    parts.removeAll(QString());
    return parts.join(QChar(0x2028));
}

Value JVLTextViewInspectorTextField::valueObjectForString(const QString& string) const
{
    if ((!placeholder().isEmpty() && localizedCaseInsensitiveCompare(string, placeholder()) == OrderedSame)
        || localizedCaseInsensitiveCompare(string, multipleValuesText()) == OrderedSame)
        return {};
    if (const auto* f = dynamic_cast<const Formatter*>(formatter_.get())) {
        Value object;
        QString error;
        if (f->getObjectValueForStringErrorDescription(&object, string, &error) && !object.isNil())
            return object;
    }
    return Value(QString(string));
}

void JVLTextViewInspectorTextField::validate()
{
    bool valid = true;
    if (validationMethod_ == URLValidation)
        valid = JVLNSStringExtension::validateURL(displayStringForValue());
    else if (validationMethod_ == EMailValidation)
        valid = JVLNSStringExtension::validateEMailAddress(displayStringForValue());
    else if (validationMethod_ != NoValidation)
        valid = false;
    setValid(valid);
    propagateValueForBinding(Value(valid), QStringLiteral("isValid"));
}

void JVLTextViewInspectorTextField::setValue(const Value& value)
{
    JVLTextViewInspectorField::setValue(value);
    validate();
    if (const Ref<JVLTextViewInspector> inspector = textViewInspector())
        inspector->updateDisplayOfTextField(this);
}

QStringList JVLTextViewInspectorTextField::completionsForPartialStringIndexOfSelectedItem(const QString&, std::int64_t*) { return {}; }

bool JVLTextViewInspectorTextField::isMultipleValue() const
{
    const Value v = value();
    if (v.isSet())
        return v.set().count() > 1;
    if (v.isArray())
        return Set(v.array()).count() > 1;
    return false;
}

bool JVLTextViewInspectorTextField::isValueEmpty() const
{
    const Value v = value();
    if (v.isNil())
        return true;
    if (v.isString()) {
        QString s = v.stringValue();
        while (!s.isEmpty() && (s.front() == u' ' || s.front() == u'\t'))
            s.remove(0, 1);
        while (!s.isEmpty() && (s.back() == u' ' || s.back() == u'\t'))
            s.chop(1);
        return s.isEmpty();
    }
    if (v.isNumber())
        return v.floatValue() == 0 && v.intValue() == 0;
    if (v.isSet())
        return v.set().isEmpty();
    if (v.isArray())
        return v.array().isEmpty();
    return false;
}

bool JVLTextViewInspectorTextField::shouldBeVisibleWithEditableState(bool editable) const
{
    if (!JVLTextViewInspectorField::shouldBeVisibleWithEditableState(editable))
        return false;
    if (!editable && notEditableReplacementString().isEmpty())
        return valueState() != JVLNullValueState;
    return true;
}

void JVLTextViewInspectorTextField::copyTo(Object& copy) const
{
    JVLTextViewInspectorField::copyTo(copy);
    auto& field = static_cast<JVLTextViewInspectorTextField&>(copy);
    field.overrideFontSize_ = overrideFontSize_;
    field.supportTextCompletion_ = supportTextCompletion_;
    field.supportMultipleValues_ = supportMultipleValues_;
    field.formatter_ = formatter_;
    field.validationMethod_ = validationMethod_;
    // Line breaks are the original's alone: a copy starts without.
    field.supportNewLine_ = false;
}
