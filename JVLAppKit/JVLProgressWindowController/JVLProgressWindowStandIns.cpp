#include "JVLAppKit/JVLProgressWindowController/JVLProgressWindowStandIns.h"

#include "kit/foundation/Coder.h"
#include "kit/graphics/Font.h"
#include "kit/graphics/StringDrawing.h"

using namespace kit;

KIT_REGISTER_CLASS(JVLProgressTextStandIn, kit::View)
{
    c.exposeBinding("value");
    c.property(
        "value", [](const JVLProgressTextStandIn& x) { return Value(x.value()); },
        [](JVLProgressTextStandIn& x, const Value& v) { x.setValue(v.isNilOrNull() ? QString() : v.stringValue()); });
    c.property("fontSize", &JVLProgressTextStandIn::fontSize, &JVLProgressTextStandIn::setFontSize);
}

JVLProgressTextStandIn::JVLProgressTextStandIn(Rect frame)
    : View(frame)
{ }

void JVLProgressTextStandIn::setValue(const QString& value)
{
    if (value == value_)
        return;
    value_ = value;
    setNeedsDisplay(true);
}

void JVLProgressTextStandIn::setFontSize(double size)
{
    fontSize_ = size;
    setNeedsDisplay(true);
}

void JVLProgressTextStandIn::drawRect(Rect)
{
    StringAttributes attributes;
    attributes.font = Font::systemFontOfSize(fontSize_);
    const Rect b = bounds();
    StringDrawing::drawInRectWithAttributes(StringDrawing::truncatedTail(value_, b.size.width, *attributes.font), b, attributes);
}

void JVLProgressTextStandIn::initWithCoder(Coder& coder)
{
    View::initWithCoder(coder);
    if (coder.containsValueForKey(QStringLiteral("fontSize")))
        fontSize_ = coder.decodeDoubleForKey(QStringLiteral("fontSize"));
}
