#include "kit/graphics/AttributedString.h"

#include "kit/graphics/TextLayoutEngine.h"

#include <limits>

namespace kit {

Size AttributedString::size() const { return textlayout::StringLayout(*this, std::numeric_limits<double>::infinity()).size(); }

void AttributedString::drawAtPoint(Point point) const
{
    const textlayout::StringLayout layout(*this, std::numeric_limits<double>::infinity());
    const Size s = layout.size();
    layout.draw(MakeRect(point.x, point.y, s.width, s.height), false);
}

void AttributedString::drawInRect(Rect rect) const
{
    if (IsEmptyRect(rect))
        return;
    textlayout::StringLayout(*this, rect.width()).draw(rect, true);
}

} // namespace kit
