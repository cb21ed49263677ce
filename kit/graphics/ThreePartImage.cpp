#include "kit/graphics/GraphicsContext.h"
#include "kit/graphics/Image.h"

#include <cmath>

namespace kit {

void DrawThreePartImage(Rect frame, const Image* start, const Image* fill, const Image* end, bool vertical, CompositingOperation op,
    double alpha, bool /*flipped: images are upright anyway*/)
{
    auto* context = GraphicsContext::currentContext();
    if (!context || IsEmptyRect(frame))
        return;
    const double extent = vertical ? frame.height() : frame.width();
    auto natural = [vertical](const Image* image) {
        if (!image)
            return 0.0;
        const Size s = image->size();
        return vertical ? s.height : s.width;
    };
    const double startLength = natural(start), endLength = natural(end);
    const bool cramped = startLength + endLength > extent;
    // Vertical bars start at the visual top: minY when user space runs down, maxY otherwise.
    const bool topIsMin = context->userSpaceRunsDown();
    auto slot = [&](double offset, double length) {
        if (!vertical)
            return MakeRect(frame.minX() + offset, frame.minY(), length, frame.height());
        return topIsMin ? MakeRect(frame.minX(), frame.minY() + offset, frame.width(), length)
                        : MakeRect(frame.minX(), frame.maxY() - offset - length, frame.width(), length);
    };
    auto drawClipped = [&](const Image* image, Rect dest, Rect clip) {
        context->saveGraphicsState();
        context->clipToRect(clip);
        image->drawInRectFromRectOperationFraction(dest, ZeroRect, op, alpha);
        context->restoreGraphicsState();
    };

    if (start) {
        const Rect dest = slot(0, startLength);
        drawClipped(start, dest, cramped ? slot(0, extent / 2) : dest);
    }
    if (end) {
        const Rect dest = slot(extent - endLength, endLength);
        drawClipped(end, dest, cramped ? slot(extent / 2, extent / 2) : dest);
    }
    const double gap = extent - startLength - endLength;
    const double tile = natural(fill);
    if (!fill || gap <= 0 || tile <= 0)
        return;
    context->saveGraphicsState();
    context->clipToRect(slot(startLength, gap));
    for (double at = startLength; at < startLength + gap; at += tile)
        fill->drawInRectFromRectOperationFraction(slot(at, tile), ZeroRect, op, alpha);
    context->restoreGraphicsState();
}

} // namespace kit
