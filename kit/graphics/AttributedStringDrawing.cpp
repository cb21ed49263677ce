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

struct CachedStringLayout::Impl {
    AttributedString string;
    Size size;
    bool sized = false;
    double width = -1;
    std::shared_ptr<const textlayout::StringLayout> layout;
};

CachedStringLayout::CachedStringLayout()
    : d_(std::make_shared<Impl>())
{ }

CachedStringLayout::~CachedStringLayout() = default;

CachedStringLayout::Impl& CachedStringLayout::implFor(const AttributedString& string)
{
    if (!(d_->string == string))
        *d_ = Impl { string, {}, false, -1, nullptr };
    return *d_;
}

Size CachedStringLayout::size(const AttributedString& string)
{
    Impl& d = implFor(string);
    if (!d.sized) {
        d.size = string.size();
        d.sized = true;
    }
    return d.size;
}

void CachedStringLayout::drawInRect(const AttributedString& string, Rect rect)
{
    if (IsEmptyRect(rect))
        return;
    Impl& d = implFor(string);
    if (!d.layout || d.width != rect.width()) {
        d.layout = std::make_shared<const textlayout::StringLayout>(string, rect.width());
        d.width = rect.width();
    }
    // Held while drawing: what draws may lay out another string through the same object.
    const std::shared_ptr<const textlayout::StringLayout> layout = d.layout;
    layout->draw(rect, true);
}

} // namespace kit
