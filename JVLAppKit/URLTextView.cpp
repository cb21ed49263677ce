#include "JVLAppKit/URLTextView.h"

#include "kit/appkit/Application.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/Window.h"
#include "kit/appkit/Workspace.h"
#include "kit/foundation/RunLoop.h"
#include "kit/graphics/Color.h"
#include "kit/graphics/Cursor.h"
#include "kit/graphics/Image.h"
#include "kit/graphics/StringDrawing.h"
#include "kit/text/LayoutManager.h"
#include "kit/text/TextContainer.h"
#include "kit/text/TextStorage.h"

#include <QUrl>

using namespace kit;

KIT_REGISTER_CLASS(URLTextView, kit::TextView) { c.bundle("JVLAppKit"); }

namespace {

const QString handImagePath = QStringLiteral(":/JVLAppKit/Resources/JVLURLTextViewHand.svg");

bool urlTextViewInside(const std::vector<Rect>& rects, Point p)
{
    for (const Rect& r : rects)
        if (MouseInRect(p, r, true))
            return true;
    return false;
}

} // namespace

Ref<Cursor> URLTextView::handCursor()
{
    static const Ref<Cursor> hand = [] {
        const Ref<Image> image = Image::imageByReferencingFile(handImagePath);
        return image ? make<Cursor>(image, MakePoint(5, 0)) : Cursor::pointingHandCursor();
    }();
    return hand;
}

Ref<Color> URLTextView::trackingColor() { return Color::redColor(); }

std::vector<Rect> URLTextView::linkRects(Range run)
{
    std::vector<Rect> rects;
    const Ref<LayoutManager> manager = layoutManager();
    if (!manager || !textContainer())
        return rects;
    const Point origin = textContainerOrigin();
    for (const Rect& r : manager->rectsForGlyphRange(run, textContainer().get()))
        rects.push_back(MakeRect(r.minX() + origin.x, r.minY() + origin.y, r.width(), r.height()));
    return rects;
}

Range URLTextView::linkRunAtPoint(Point p, Value* link)
{
    const std::int64_t index = characterIndexUnderViewPoint(p);
    const Ref<TextStorage> storage = textStorage();
    if (index == NotFound || !storage || index >= storage->length())
        return { NotFound, 0 };
    Range run;
    const Value value = storage->attributeAtIndexLongestEffectiveRangeInRange(LinkAttributeName, index, &run, { 0, storage->length() });
    if (value.isNil())
        return { NotFound, 0 };
    // The glyph's own box: past the end of a line is not the link.
    const Ref<LayoutManager> manager = layoutManager();
    const Point origin = textContainerOrigin();
    const Rect box = manager->boundingRectForGlyphRangeInTextContainer({ index, 1 }, textContainer().get());
    if (!MouseInRect(p, MakeRect(box.minX() + origin.x, box.minY() + origin.y, box.width(), box.height()), true))
        return { NotFound, 0 };
    if (link)
        *link = value;
    return run;
}

void URLTextView::resetCursorRects()
{
    TextView::resetCursorRects();
    const Ref<TextStorage> storage = textStorage();
    if (!storage || storage->length() == 0)
        return;
    // Every link run, after the text's I-beam (the last rectangle added wins).
    const Rect visible = visibleRect();
    const Range all { 0, std::int64_t(storage->length()) };
    for (std::int64_t i = 0; i < all.length;) {
        Range run;
        const Value link = storage->attributeAtIndexLongestEffectiveRangeInRange(LinkAttributeName, i, &run, all);
        if (!link.isNil())
            for (const Rect& r : linkRects(run))
                if (const Rect shown = IntersectionRect(r, visible); !IsEmptyRect(shown))
                    addCursorRect(shown, handCursor().get());
        i = std::max(MaxRange(run), i + 1);
    }
}

void URLTextView::invalidateLinkCursors()
{
    if (const Ref<Window> w = window())
        w->invalidateCursorRectsForView(this);
}

void URLTextView::textLayoutDidInvalidate()
{
    TextView::textLayoutDidInvalidate();
    invalidateLinkCursors();
}

void URLTextView::textLayoutDidReplaceTextStorage(TextStorage& storage)
{
    TextView::textLayoutDidReplaceTextStorage(storage);
    invalidateLinkCursors();
}

void URLTextView::textStorageDidProcessEditing(TextStorage& storage, unsigned editedMask, Range editedRange, std::int64_t changeInLength)
{
    TextView::textStorageDidProcessEditing(storage, editedMask, editedRange, changeInLength);
    invalidateLinkCursors();
}

void URLTextView::viewDidMoveToWindow()
{
    TextView::viewDidMoveToWindow();
    invalidateLinkCursors();
}

void URLTextView::mouseDown(const Event& event)
{
    Value link;
    const Point start = convertPointFromView(event.locationInWindow(), nullptr);
    const Range run = linkRunAtPoint(start, &link);
    const Ref<LayoutManager> manager = layoutManager();
    if (run.location == NotFound || !manager) {
        TextView::mouseDown(event);
        return;
    }
    const Ref<URLTextView> keep(this);
    const std::vector<Rect> rects = linkRects(run);
    bool coloured = false;
    auto colour = [&](bool on) {
        if (on == coloured)
            return;
        coloured = on;
        if (on)
            manager->addTemporaryAttributeValueForCharacterRange(ForegroundColorAttributeName, Value(trackingColor()), run);
        else
            manager->removeTemporaryAttributeForCharacterRange(ForegroundColorAttributeName, run);
        manager->invalidateDisplayForCharacterRange(run);
    };
    colour(true);
    bool inside = true;
    const Ref<Application> app = Application::sharedApplication();
    for (;;) {
        const Ref<Event> next
            = app->nextEventMatchingMaskUntilDateInModeDequeue(LeftMouseDraggedMask | LeftMouseUpMask, DistantFuture, EventTrackingRunLoopMode, true);
        if (!next)
            break;
        inside = urlTextViewInside(rects, convertPointFromView(next->locationInWindow(), nullptr));
        if (next->type() == LeftMouseUp)
            break;
        colour(inside);
    }
    colour(false);
    if (!inside)
        return;
    const QUrl url = link.isString() ? QUrl(link.string(), QUrl::StrictMode) : QUrl();
    Workspace::sharedWorkspace()->openURL(url);
}
