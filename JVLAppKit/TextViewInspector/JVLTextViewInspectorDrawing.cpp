// JVLTextViewInspector: the raised editor around the value being edited, cursor rectangles and the
// rollover outline offered to owners.

#include "JVLAppKit/TextViewInspector/JVLTextViewInspector.h"

#include "kit/appkit/Window.h"
#include "kit/graphics/AffineTransform.h"
#include "kit/graphics/BezierPath.h"
#include "kit/graphics/Color.h"
#include "kit/graphics/Cursor.h"
#include "kit/graphics/GraphicsContext.h"
#include "kit/graphics/Image.h"
#include "kit/graphics/Shadow.h"
#include "kit/graphics/StringDrawing.h"
#include "kit/text/LayoutManager.h"
#include "kit/text/TextContainer.h"
#include "kit/text/TextStorage.h"

#include <algorithm>
#include <cmath>

using namespace kit;

void JVLTextViewInspector::drawRect(Rect dirtyRect)
{
    calcSelectedRect();
    TextView::drawRect(dirtyRect);
    drawRaisedEditorIfNecessaryInRect(dirtyRect);
}

void JVLTextViewInspector::calcSelectedRect()
{
    const Range glyphs = currentEditingGlyphRange();
    const Ref<LayoutManager> manager = layoutManager();
    if (glyphs.location == NotFound || glyphs.length == 0 || !manager) {
        selectedRect_ = ZeroRect;
        return;
    }
    TextContainer* container = textContainer().get();
    const Range characters = currentEditingCharRange();
    const bool endsWithLineSeparator = characters.length > 0 && string().at(MaxRange(characters) - 1) == QChar(0x2028);
    const Rect first = manager->boundingRectForGlyphRangeInTextContainer({ glyphs.location, 1 }, container);
    Rect r = first;
    Rect last = first;
    for (std::int64_t g = glyphs.location + 1; g < MaxRange(glyphs); ++g) {
        last = manager->boundingRectForGlyphRangeInTextContainer({ g, 1 }, container);
        r = UnionRect(r, last);
    }
    // The empty line after a final line break belongs to the value.
    // A line break is zero wide here, and an empty rectangle would add nothing: the first glyph's
    // width stands in for it.
    if (endsWithLineSeparator)
        r = UnionRect(r, MakeRect(first.minX(), last.minY() + first.height(), std::max(last.width(), first.width()), std::max(last.height(), first.height())));
    const Point origin = textContainerOrigin();
    r.origin.x += origin.x;
    r.origin.y += origin.y;
    selectedRect_ = r;
}

Ref<Image> JVLTextViewInspector::shadowImageAroundPath(BezierPath* path)
{
    const Rect bounds = path->bounds();
    const Size size = MakeSize(bounds.width() + 30, bounds.height() + 30);
    const Ref<Window> w = window();
    const bool focused = w && w->isKeyWindow() && w->firstResponder().get() == this;
    // Drawn on every keystroke: kept while the size and the focus stay.
    if (shadowImage_ && shadowSize_ == size && shadowFocused_ == focused)
        return shadowImage_;
    auto image = make<Image>(size);
    image->lockFocus();
    GraphicsContext::saveCurrentGraphicsState();
    AffineTransform shift;
    shift.translateXByYBy(15, 15);
    shift.concat();
    if (focused) {
        GraphicsContext::saveCurrentGraphicsState();
        auto shadow = make<Shadow>();
        shadow->setShadowOffset(MakeSize(0, -4.479167));
        shadow->setShadowBlurRadius(5.520833);
        shadow->set();
        Color::whiteColor()->setFill();
        path->fill();
        GraphicsContext::restoreCurrentGraphicsState();
    }
    GraphicsContext::saveCurrentGraphicsState();
    path->addClip();
    Color::clearColor()->set();
    RectFillUsingOperation(path->bounds(), CompositeCopy);
    GraphicsContext::restoreCurrentGraphicsState();
    Color::colorWithDeviceRedGreenBlueAlpha(double(0.6f), double(0.6f), double(0.6f), 1)->setStroke();
    path->stroke();
    GraphicsContext::restoreCurrentGraphicsState();
    image->unlockFocus();
    shadowImage_ = image;
    shadowSize_ = size;
    shadowFocused_ = focused;
    return image;
}

void JVLTextViewInspector::drawRaisedEditorIfNecessaryInRect(Rect)
{
    if (IsEmptyRect(selectedRect_))
        return;
    const Rect r = InsetRect(selectedRect_, -2, -2);
    const double w = std::floor(r.width() + 0.5), h = std::floor(r.height() + 0.5);
    const Ref<BezierPath> path = BezierPath::bezierPathWithRect(MakeRect(0, 0, w, h));
    const Ref<Image> image = shadowImageAroundPath(path.get());
    // The kit draws images upright in a flipped view: the image's visual top-left goes 15 points
    // above and left of the frame, the shadow falls below it.
    image->drawInRectFromRectOperationFraction(MakeRect(r.minX() - 15, r.minY() - 15, image->size().width, image->size().height), ZeroRect,
        CompositeSourceOver, 1.0);
}

void JVLTextViewInspector::resetCursorRects()
{
    TextView::resetCursorRects();
    // Hosted views show the arrow, not the text cursor.
    for (const Ref<View>& view : subviews())
        addCursorRect(view->frame(), Cursor::arrowCursor().get());
}

void JVLTextViewInspector::viewWillMoveToWindow(Window* window)
{
    if (window)
        window->setAcceptsMouseMovedEvents(true);
    TextView::viewWillMoveToWindow(window);
}

Dictionary JVLTextViewInspector::rolloverAttributes()
{
    static const Dictionary attributes { { Value(ForegroundColorAttributeName), Value(Color::whiteColor()) } };
    return attributes;
}

Ref<BezierPath> JVLTextViewInspector::rolloverForCharacterRange(Range range)
{
    const Ref<LayoutManager> manager = layoutManager();
    if (!manager)
        return nullptr;
    const Range glyphs = manager->glyphRangeForCharacterRangeActualCharacterRange(range);
    const Rect box = manager->boundingRectForGlyphRangeInTextContainer(glyphs, textContainer().get());
    const double radius = box.height() / 2;
    auto path = BezierPath::bezierPath();
    path->appendBezierPathWithArcWithCenterRadiusStartAngleEndAngleClockwise(MakePoint(box.minX(), box.minY() + radius), radius, 90, 270, false);
    path->appendBezierPathWithArcWithCenterRadiusStartAngleEndAngleClockwise(MakePoint(box.maxX(), box.minY() + radius), radius, 270, 90, false);
    path->closePath();
    return path;
}

void JVLTextViewInspector::drawRolloverIfNecessaryInRect(Rect)
{
    if (!rollover_)
        return;
    Color::grayColor()->setFill();
    rollover_->fill();
    setDrawsBackground(false);
    TextView::drawRect(rollover_->bounds());
    setDrawsBackground(true);
}
