#include "kit/testsupport/TextGeometryProbe.h"

#include "kit/text/TextContainer.h"
#include "kit/text/TextView.h"

namespace kit::test {

std::vector<FragmentProbe> TextGeometryProbe::fragments() const
{
    std::vector<FragmentProbe> out;
    const Ref<LayoutManager> manager = view_->layoutManager();
    if (!manager)
        return out;
    manager->ensureLayoutForTextContainer(view_->textContainer().get());
    const std::int64_t n = manager->numberOfGlyphs();
    for (std::int64_t g = 0; g < n;) {
        FragmentProbe f;
        f.lineRect = manager->lineFragmentRectForGlyphAtIndexEffectiveRange(g, &f.glyphs);
        f.usedRect = manager->lineFragmentUsedRectForGlyphAtIndexEffectiveRange(g, nullptr);
        out.push_back(f);
        g = std::max(MaxRange(f.glyphs), g + 1);
    }
    return out;
}

Rect TextGeometryProbe::glyphBox(std::int64_t index) const
{
    const Ref<LayoutManager> manager = view_->layoutManager();
    return manager ? manager->boundingRectForGlyphRangeInTextContainer({ index, 1 }, view_->textContainer().get()) : Rect();
}

Rect TextGeometryProbe::glyphBoxInView(std::int64_t index) const
{
    const Rect box = glyphBox(index);
    const Point o = view_->textContainerOrigin();
    return MakeRect(box.minX() + o.x, box.minY() + o.y, box.width(), box.height());
}

Point TextGeometryProbe::glyphCenterInWindow(std::int64_t index) const
{
    const Rect box = glyphBoxInView(index);
    return view_->convertPointToView(MakePoint(box.midX(), box.midY()), nullptr);
}

} // namespace kit::test
