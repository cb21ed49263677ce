#include "kit/controls/RangedValueCell.h"

#include <algorithm>

namespace kit {

KIT_REGISTER_CLASS(RangedValueCell, ActionCell) { }
KIT_REGISTER_CLASS(RangedValueControl, Control) { }

RangedValueCell::RangedValueCell(double minValue, double maxValue)
    : range_ { minValue, maxValue }
{
    ActionCell::setDoubleValue(0);
}

void RangedValueCell::copyTo(Object& copy) const
{
    ActionCell::copyTo(copy);
    static_cast<RangedValueCell&>(copy).range_ = range_;
}

double RangedValueCell::clampedValue(double value) const { return std::clamp(value, range_.min, std::max(range_.min, range_.max)); }

void RangedValueCell::setDoubleValue(double value) { ActionCell::setDoubleValue(clampedValue(value)); }

void RangedValueCell::encodeWithCoder(Coder& coder) const
{
    ActionCell::encodeWithCoder(coder);
    coder.encodeDoubleForKey(range_.min, QStringLiteral("kit.minValue"));
    coder.encodeDoubleForKey(range_.max, QStringLiteral("kit.maxValue"));
}

void RangedValueCell::initWithCoder(Coder& coder)
{
    // The inherited part stores the value as it was archived; only the decoded range may clamp it.
    ActionCell::initWithCoder(coder);
    if (coder.containsValueForKey(QStringLiteral("kit.minValue")))
        range_.min = coder.decodeDoubleForKey(QStringLiteral("kit.minValue"));
    if (coder.containsValueForKey(QStringLiteral("kit.maxValue")))
        range_.max = coder.decodeDoubleForKey(QStringLiteral("kit.maxValue"));
    setDoubleValue(doubleValue());
}

void RangedValueCell::setMinValue(double value)
{
    range_.min = value;
    setDoubleValue(doubleValue());
}

void RangedValueCell::setMaxValue(double value)
{
    range_.max = value;
    setDoubleValue(doubleValue());
}

} // namespace kit
