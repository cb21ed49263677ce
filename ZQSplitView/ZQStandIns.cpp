#include "ZQSplitView/ZQStandIns.h"

namespace ZQCodingStandIn {
namespace {

const QString frameKey = QStringLiteral("frame");
const QString hiddenKey = QStringLiteral("hidden");
const QString maskKey = QStringLiteral("autoresizingMask");
const QString resizesKey = QStringLiteral("autoresizesSubviews");
const QString subviewsKey = QStringLiteral("subviews");

} // namespace

void encodeViewWithFrame(const kit::View& view, kit::Coder& coder, kit::Rect frame)
{
    coder.encodeRectForKey(frame, frameKey);
    coder.encodeBoolForKey(view.isHidden(), hiddenKey);
    coder.encodeIntegerForKey(std::int64_t(view.autoresizingMask()), maskKey);
    coder.encodeBoolForKey(view.autoresizesSubviews(), resizesKey);
    // Subviews the kit cannot archive are left out rather than failing the whole archive.
    kit::Array subviews;
    for (const kit::Ref<kit::View>& sub : view.subviews())
        if (dynamic_cast<const kit::Coding*>(sub.get()))
            subviews.addObject(kit::Value(sub));
    coder.encodeObjectForKey(kit::Value(subviews), subviewsKey);
}

void decodeView(kit::View& view, kit::Coder& coder)
{
    const kit::Rect frame = coder.decodeRectForKey(frameKey);
    view.kit::View::setFrameOrigin(frame.origin);
    view.kit::View::setFrameSize(frame.size);
    view.setAutoresizingMask(unsigned(coder.decodeIntegerForKey(maskKey)));
    if (coder.containsValueForKey(resizesKey))
        view.setAutoresizesSubviews(coder.decodeBoolForKey(resizesKey));
    const kit::Array subviews = coder.decodeObjectForKey(subviewsKey).array();
    for (std::int64_t i = 0; i < subviews.count(); ++i)
        if (const auto sub = subviews[i].objectAs<kit::View>(); sub && !sub->superview())
            view.kit::View::addSubview(sub.get());
    view.kit::View::setHidden(coder.decodeBoolForKey(hiddenKey));
}

void encodeColorForKey(const kit::Color* colour, kit::Coder& coder, const QString& key)
{
    if (!colour)
        return;
    double r = 0, g = 0, b = 0, a = 0;
    colour->getRedGreenBlueAlpha(&r, &g, &b, &a);
    coder.encodeObjectForKey(kit::Value(kit::Array { r, g, b, a }), key);
}

kit::Ref<kit::Color> decodeColorForKey(kit::Coder& coder, const QString& key)
{
    const kit::Array parts = coder.decodeObjectForKey(key).array();
    if (parts.count() != 4)
        return nullptr;
    return kit::Color::colorWithSRGBRedGreenBlueAlpha(
        parts[0].doubleValue(), parts[1].doubleValue(), parts[2].doubleValue(), parts[3].doubleValue());
}

} // namespace ZQCodingStandIn
