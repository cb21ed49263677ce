#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorIntegerField.h"

#include "kit/foundation/NumberFormatter.h"

using namespace kit;

KIT_REGISTER_CLASS(JVLTextViewInspectorIntegerField, JVLTextViewInspectorTextField)
{
    c.bundle(QStringLiteral("JVLAppKit"));
    c.copyable();
}

namespace {

const Ref<NumberFormatter>& integerFieldTemplateFormatter()
{
    static const Ref<NumberFormatter> formatter = [] {
        auto f = make<NumberFormatter>();
        f->setNumberStyle(NumberFormatterDecimalStyle);
        f->setAllowsFloats(false);
        f->setLocalizesFormat(true);
        f->setFormat(QStringLiteral("#0"));
        f->setLenient(true);
        return f;
    }();
    return formatter;
}

} // namespace

void JVLTextViewInspectorIntegerField::initWithIdentifierPlaceholderAndLabel(
    const QString& identifier, const QString& placeholder, Ref<JVLTextViewInspectorFieldLabel> label)
{
    const Ref<NumberFormatter>& formatter = integerFieldTemplateFormatter();
    JVLTextViewInspectorTextField::initWithIdentifierPlaceholderAndLabel(identifier, placeholder, std::move(label));
    setFormatter(formatter);
}
