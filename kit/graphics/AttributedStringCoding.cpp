#include "kit/graphics/AttributedStringCoding.h"

#include "kit/graphics/StringDrawing.h"

namespace kit {

namespace {

namespace asc {
const QString stringKey = QStringLiteral("string");
const QString runsKey = QStringLiteral("runs");
const QString locationKey = QStringLiteral("location");
const QString lengthKey = QStringLiteral("length");
const QString fontKey = QStringLiteral("font");
const QString fontSizeKey = QStringLiteral("fontSize");
const QString colorKey = QStringLiteral("color");
const QString alignmentKey = QStringLiteral("alignment");
const QString lineBreakModeKey = QStringLiteral("lineBreakMode");
const QString shadowOffsetKey = QStringLiteral("shadowOffset");
const QString shadowBlurKey = QStringLiteral("shadowBlurRadius");
const QString shadowColorKey = QStringLiteral("shadowColor");

Dictionary encodeRun(const AttributedString::Run& run)
{
    Dictionary d;
    d.setObjectForKey(Value(run.start), locationKey);
    d.setObjectForKey(Value(run.length), lengthKey);
    const StringAttributes a = StringAttributes::fromDictionary(run.attributes);
    if (a.font) {
        d.setObjectForKey(Value(a.font->qFont().toString()), fontKey);
        d.setObjectForKey(Value(a.font->pointSize()), fontSizeKey);
    }
    if (a.foregroundColor)
        d.setObjectForKey(Value(a.foregroundColor), colorKey);
    if (a.paragraphStyle) {
        d.setObjectForKey(Value(int(a.paragraphStyle->alignment())), alignmentKey);
        d.setObjectForKey(Value(int(a.paragraphStyle->lineBreakMode())), lineBreakModeKey);
    }
    if (a.shadow) {
        d.setObjectForKey(Value(a.shadow->shadowOffset()), shadowOffsetKey);
        d.setObjectForKey(Value(a.shadow->shadowBlurRadius()), shadowBlurKey);
        if (a.shadow->shadowColor())
            d.setObjectForKey(Value(a.shadow->shadowColor()), shadowColorKey);
    }
    return d;
}

// The run's attributes; an enumeration out of range fails the coder and is left out.
StringAttributes decodeRun(Coder& coder, const Dictionary& d)
{
    StringAttributes a;
    const Value font = d.objectForKey(fontKey);
    if (font.isString()) {
        QFont q;
        if (q.fromString(font.string()))
            a.font = Font::fromQFont(q, d.objectForKey(fontSizeKey).isNumber() ? d.objectForKey(fontSizeKey).doubleValue() : 12);
    }
    a.foregroundColor = d.objectForKey(colorKey).objectAs<Color>();
    const Value alignment = d.objectForKey(alignmentKey);
    const Value lineBreak = d.objectForKey(lineBreakModeKey);
    if (alignment.isNumber() || lineBreak.isNumber()) {
        auto style = make<ParagraphStyle>();
        const std::int64_t al = alignment.integerValue();
        const std::int64_t lb = lineBreak.integerValue();
        if (al < LeftTextAlignment || al > NaturalTextAlignment || lb < LineBreakByWordWrapping || lb > LineBreakByTruncatingMiddle)
            coder.failWithError(QStringLiteral("a paragraph setting out of range in an attributed string"));
        else {
            if (alignment.isNumber())
                style->setAlignment(TextAlignment(al));
            if (lineBreak.isNumber())
                style->setLineBreakMode(LineBreakMode(lb));
        }
        a.paragraphStyle = style;
    }
    if (!d.objectForKey(shadowOffsetKey).isNil() || d.objectForKey(shadowColorKey).isObject()) {
        auto shadow = make<Shadow>();
        shadow->setShadowOffset(d.objectForKey(shadowOffsetKey).sizeValue());
        shadow->setShadowBlurRadius(d.objectForKey(shadowBlurKey).doubleValue());
        if (auto color = d.objectForKey(shadowColorKey).objectAs<Color>())
            shadow->setShadowColor(color);
        a.shadow = shadow;
    }
    return a;
}
} // namespace asc

} // namespace

void encodeAttributedStringForKey(Coder& coder, const AttributedString& string, const QString& key)
{
    Array runs;
    for (const auto& run : string.runs())
        runs.addObject(Value(asc::encodeRun(run)));
    Dictionary d;
    d.setObjectForKey(Value(string.string()), asc::stringKey);
    d.setObjectForKey(Value(runs), asc::runsKey);
    coder.encodeObjectForKey(Value(d), key);
}

std::optional<AttributedString> decodeAttributedStringForKey(Coder& coder, const QString& key)
{
    const Value value = coder.decodeObjectForKey(key);
    if (value.isNil())
        return std::nullopt;
    if (!value.isDictionary() || !value.dictionary().objectForKey(asc::stringKey).isString()) {
        coder.failWithError(QStringLiteral("an attributed string under %1 that is not one").arg(key));
        return std::nullopt;
    }
    const Dictionary& d = value.dictionary();
    AttributedString result(d.objectForKey(asc::stringKey).string());
    const Value runsValue = d.objectForKey(asc::runsKey);
    const Array& runs = runsValue.array();
    for (std::int64_t i = 0; i < runs.count(); ++i) {
        const Dictionary& run = runs[i].dictionary();
        const std::int64_t location = run.objectForKey(asc::locationKey).integerValue();
        const std::int64_t length = run.objectForKey(asc::lengthKey).integerValue();
        if (location < 0 || length <= 0 || location + length > result.length()) {
            coder.failWithError(QStringLiteral("an attributed string run outside its text"));
            continue;
        }
        result.setAttributes(asc::decodeRun(coder, run), Range { location, length });
    }
    return result;
}

} // namespace kit
