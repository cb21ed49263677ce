#include "kit/graphics/ParagraphStyle.h"

#include <QHash>

#include <algorithm>

namespace kit {

KIT_REGISTER_CLASS(ParagraphStyle, Object) { }

ParagraphStyle::ParagraphStyle()
{
    for (int i = 1; i <= 12; ++i)
        p_.tabStops.emplace_back(LeftTabStopType, 28.0 * i);
}

void ParagraphStyle::setTabStops(std::vector<TextTab> tabs)
{
    std::stable_sort(tabs.begin(), tabs.end(), [](const TextTab& a, const TextTab& b) { return a.location < b.location; });
    p_.tabStops = std::move(tabs);
}

void ParagraphStyle::addTabStop(TextTab tab)
{
    std::vector<TextTab> tabs = p_.tabStops;
    tabs.push_back(tab);
    setTabStops(std::move(tabs));
}

bool ParagraphStyle::isEqual(const Object* other) const
{
    if (other == this)
        return true;
    const auto* style = dynamic_cast<const ParagraphStyle*>(other);
    return style && isEqual(*style);
}

std::size_t ParagraphStyle::hash() const
{
    std::size_t h = qHashMulti(0, int(p_.alignment), int(p_.lineBreakMode), p_.lineSpacing, p_.paragraphSpacing, p_.headIndent,
        p_.firstLineHeadIndent, p_.tailIndent, p_.defaultTabInterval);
    for (const TextTab& tab : p_.tabStops)
        h = qHashMulti(h, int(tab.type), tab.location);
    return h;
}

} // namespace kit
