#pragma once

// What a control's delegate may implement about the text of its cell. A delegate is an Object
// that also derives from this class and registers the operations it implements
// (c.optionalOperation("controlDidFailToFormatStringErrorDescription")); a cell finds it through
// its control view's "delegate" key.

#include <QString>

namespace kit {

class Control;

inline constexpr const char* ControlDidFailToFormatStringErrorDescriptionOperation = "controlDidFailToFormatStringErrorDescription";

class ControlTextEditingDelegate {
public:
    virtual ~ControlTextEditingDelegate() = default;
    // The cell's formatter refused `string` with `error`. YES takes the string itself as the
    // value; NO keeps the previous value, marked invalid.
    virtual bool controlDidFailToFormatStringErrorDescription(Control*, const QString& /*string*/, const QString& /*error*/)
    {
        return false;
    }
};

} // namespace kit
