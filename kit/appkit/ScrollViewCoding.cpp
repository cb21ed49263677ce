// Keyed coding of scroll and clip views. A scroll view makes its clip view and scrollers itself,
// so its archive lists only the subviews added from outside and names the clip view separately;
// the decoded clip view takes the place of the one the plain factory made, and the scrollers are
// rebuilt by tiling. A clip view keeps its scroll position (the bounds origin) as archived.

#include "kit/appkit/ScrollView.h"

namespace kit {

namespace {

const QString scrollSubviewsKey = QStringLiteral("subviews");
const QString documentViewKey = QStringLiteral("kit.documentView");
const QString drawsBackgroundKey = QStringLiteral("kit.drawsBackground");
const QString contentViewKey = QStringLiteral("kit.contentView");
const QString hasVerticalKey = QStringLiteral("kit.hasVerticalScroller");
const QString hasHorizontalKey = QStringLiteral("kit.hasHorizontalScroller");
const QString autohidesKey = QStringLiteral("kit.autohidesScrollers");
const QString verticalLineKey = QStringLiteral("kit.verticalLineScroll");
const QString horizontalLineKey = QStringLiteral("kit.horizontalLineScroll");
const QString verticalPageKey = QStringLiteral("kit.verticalPageScroll");
const QString horizontalPageKey = QStringLiteral("kit.horizontalPageScroll");

} // namespace

void ClipView::encodeWithCoder(Coder& coder) const
{
    View::encodeWithCoder(coder);
    if (documentView_)
        coder.encodeObjectForKey(Value(documentView_), documentViewKey);
    coder.encodeBoolForKey(drawsBackground_, drawsBackgroundKey);
}

void ClipView::initWithCoder(Coder& coder)
{
    View::initWithCoder(coder);
    if (coder.containsValueForKey(drawsBackgroundKey))
        drawsBackground_ = coder.decodeBoolForKey(drawsBackgroundKey);
    // The document came back among the subviews; taking it directly keeps the archived scroll position.
    if (const auto document = coder.decodeObjectForKey(documentViewKey).objectAs<View>(); document && document->superview().get() == this)
        documentView_ = document;
}

void ScrollView::encodeWithCoder(Coder& coder) const
{
    View::encodeWithCoder(coder);
    Array added;
    for (const Ref<View>& sub : subviews())
        if (sub != clip_ && sub != vertical_ && sub != horizontal_)
            added.addObject(Value(sub));
    coder.encodeObjectForKey(Value(added), scrollSubviewsKey);
    coder.encodeObjectForKey(Value(clip_), contentViewKey);
    coder.encodeBoolForKey(hasVertical_, hasVerticalKey);
    coder.encodeBoolForKey(hasHorizontal_, hasHorizontalKey);
    coder.encodeBoolForKey(autohides_, autohidesKey);
    coder.encodeDoubleForKey(verticalLine_, verticalLineKey);
    coder.encodeDoubleForKey(horizontalLine_, horizontalLineKey);
    coder.encodeDoubleForKey(verticalPage_, verticalPageKey);
    coder.encodeDoubleForKey(horizontalPage_, horizontalPageKey);
}

void ScrollView::initWithCoder(Coder& coder)
{
    View::initWithCoder(coder);
    if (coder.containsValueForKey(contentViewKey)) {
        const auto clip = static_pointer_cast<ClipView>(coder.decodeObjectOfClassForKey(ClipView::staticClass(), contentViewKey));
        // A clip view placed elsewhere already, or one holding this view, would break the tree.
        if (clip && !clip->superview() && !isDescendantOf(clip.get()))
            setContentView(clip.get());
    }
    const auto flag = [&](const QString& key, bool& field) {
        if (coder.containsValueForKey(key))
            field = coder.decodeBoolForKey(key);
    };
    flag(hasVerticalKey, hasVertical_);
    flag(hasHorizontalKey, hasHorizontal_);
    flag(autohidesKey, autohides_);
    const auto amount = [&](const QString& key, double& field) {
        if (coder.containsValueForKey(key))
            field = coder.decodeDoubleForKey(key);
    };
    amount(verticalLineKey, verticalLine_);
    amount(horizontalLineKey, horizontalLine_);
    amount(verticalPageKey, verticalPage_);
    amount(horizontalPageKey, horizontalPage_);
    tile();
}

} // namespace kit
