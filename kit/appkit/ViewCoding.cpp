// Keyed coding of the plain view part. The frame is set through the virtual setters, so a subclass
// that follows its frame (lays out, places tool tips) sees the archived one; everything else goes
// through the View setters only. Archives from files or other processes may be wrong, so a subview
// that would close a loop in the tree is left out.

#include "kit/appkit/View.h"

namespace kit {

namespace {

const QString frameKey = QStringLiteral("frame");
const QString boundsOriginKey = QStringLiteral("boundsOrigin");
const QString hiddenKey = QStringLiteral("hidden");
const QString maskKey = QStringLiteral("autoresizingMask");
const QString resizesKey = QStringLiteral("autoresizesSubviews");
const QString subviewsKey = QStringLiteral("subviews");

} // namespace

void View::encodeWithCoder(Coder& coder) const
{
    coder.encodeRectForKey(frame(), frameKey);
    if (bounds().origin != ZeroPoint)
        coder.encodePointForKey(bounds().origin, boundsOriginKey);
    if (hidden_)
        coder.encodeBoolForKey(true, hiddenKey);
    coder.encodeIntegerForKey(std::int64_t(autoresizingMask_), maskKey);
    coder.encodeBoolForKey(autoresizesSubviews_, resizesKey);
    const std::vector<Ref<View>> archived = subviewsForCoding();
    if (archived.empty())
        return;
    Array subviews;
    for (const Ref<View>& sub : archived)
        subviews.addObject(Value(sub));
    coder.encodeObjectForKey(Value(subviews), subviewsKey);
}

void View::initWithCoder(Coder& coder)
{
    // Before the subviews come, so autoresizing leaves their archived frames alone.
    if (coder.containsValueForKey(frameKey))
        setFrame(coder.decodeRectForKey(frameKey));
    if (coder.containsValueForKey(boundsOriginKey))
        View::setBoundsOrigin(coder.decodePointForKey(boundsOriginKey));
    if (coder.containsValueForKey(maskKey))
        setAutoresizingMask(unsigned(coder.decodeIntegerForKey(maskKey)));
    if (coder.containsValueForKey(resizesKey))
        setAutoresizesSubviews(coder.decodeBoolForKey(resizesKey));
    const Value subs = coder.decodeObjectForKey(subviewsKey);
    if (subs.isArray())
        for (const Value& item : subs.array())
            if (const auto sub = item.objectAs<View>(); sub && !sub->superview() && sub.get() != this && !isDescendantOf(sub.get()))
                View::addSubview(sub.get());
    if (coder.containsValueForKey(hiddenKey))
        View::setHidden(coder.decodeBoolForKey(hiddenKey));
}

} // namespace kit
