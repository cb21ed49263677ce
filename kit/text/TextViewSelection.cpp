// TextView: the selection, its moves and extensions, and the mouse.

#include "kit/appkit/Application.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/Window.h"
#include "kit/appkit/Workspace.h"
#include "kit/core/Clock.h"
#include "kit/core/NotificationCenter.h"
#include "kit/foundation/RunLoop.h"
#include "kit/graphics/StringDrawing.h"
#include "kit/text/LayoutManager.h"
#include "kit/text/TextContainer.h"
#include "kit/text/TextStorage.h"
#include "kit/text/TextView.h"

#include <QTextBoundaryFinder>
#include <QUrl>

#include <algorithm>

namespace kit {

namespace textviewselection {

bool IsParagraphSeparator(QChar c)
{
    const char16_t u = c.unicode();
    return u == u'\n' || u == u'\r' || u == 0x2029 || u == 0x0085;
}

} // namespace textviewselection

void TextView::setSelectedRange(Range range) { setSelectedRangeAffinityStillSelecting(range, SelectionAffinityDownstream, false); }

void TextView::setSelectedRangeAffinityStillSelecting(Range range, SelectionAffinity affinity, bool stillSelecting)
{
    const Ref<TextView> keep(this);
    const std::int64_t n = length();
    range.location = std::clamp<std::int64_t>(range.location, 0, n);
    range.length = std::clamp<std::int64_t>(range.length, 0, n - range.location);
    const Range old = selected_;
    if (!stillSelecting) {
        Ref<Object> holder;
        if (TextViewDelegate* d
            = delegateFor<TextViewDelegate>(TextViewWillChangeSelectionFromCharacterRangeToCharacterRangeOperation, holder))
            range = d->textViewWillChangeSelectionFromCharacterRangeToCharacterRange(this, old, range);
    }
    selected_ = range;
    affinity_ = affinity;
    stillSelecting_ = stillSelecting;
    caretOn_ = true;
    caretMovedAt_ = Clock::currentNow();
    if (fieldEditor_)
        keepCaretVisibleInFieldEditor();
    // Only the old and the new highlight (or caret) change; a preedit drawn at the caret moves.
    if (hasMarkedText()) {
        setNeedsDisplay(true);
    } else {
        setNeedsDisplayInRect(selectionDisplayRect(old));
        setNeedsDisplayInRect(selectionDisplayRect(range));
    }
    if (!stillSelecting && (old.location != range.location || old.length != range.length)) {
        const Ref<Notification> note = Notification::notificationWithNameObjectUserInfo(TextViewDidChangeSelectionNotification, this);
        Ref<Object> holder;
        if (TextViewDelegate* d = delegateFor<TextViewDelegate>(TextViewDidChangeSelectionOperation, holder))
            d->textViewDidChangeSelection(note.get());
        NotificationCenter::defaultCenter()->postNotification(note);
    }
    announceSelectedTextChange();
}

Rect TextView::selectionDisplayRect(Range range)
{
    const Ref<LayoutManager> manager = layoutManager();
    if (!manager || !container_)
        return bounds();
    const std::int64_t n = length();
    range.location = std::clamp<std::int64_t>(range.location, 0, n);
    range.length = std::clamp<std::int64_t>(range.length, 0, n - range.location);
    // The caret's pixel column may straddle two device pixels.
    const Rect caret = insertionPointRect(MaxRange(range));
    Rect band = MakeRect(caret.minX() - 1, caret.minY(), caret.width() + 2, caret.height());
    if (range.length == 0)
        return band;
    // A highlight runs to the line ends it crosses: the full width of its lines.
    const Rect first = viewRect(manager->lineFragmentRectForGlyphAtIndexEffectiveRange(range.location));
    const Rect last = viewRect(manager->lineFragmentRectForGlyphAtIndexEffectiveRange(MaxRange(range) - 1));
    const double top = std::min({ first.minY(), last.minY(), band.minY() });
    const double bottom = std::max({ first.maxY(), last.maxY(), band.maxY() });
    return MakeRect(bounds().minX(), top, bounds().width(), bottom - top);
}

Range TextView::selectionRangeForProposedRangeGranularity(Range proposed, SelectionGranularity granularity)
{
    const std::int64_t n = length();
    proposed.location = std::clamp<std::int64_t>(proposed.location, 0, n);
    proposed.length = std::clamp<std::int64_t>(proposed.length, 0, n - proposed.location);
    if (granularity == SelectByCharacter || n == 0)
        return proposed;
    const std::int64_t last = std::max(proposed.location, MaxRange(proposed) - 1);
    if (granularity == SelectByParagraph) {
        const Range first = paragraphRangeAt(proposed.location);
        const Range end = paragraphRangeAt(std::min(last, n));
        // Whole paragraphs, their terminators included.
        std::int64_t stop = MaxRange(end);
        const QString text = string();
        if (stop < n && text.at(stop) == u'\r' && stop + 1 < n && text.at(stop + 1) == u'\n')
            stop += 2;
        else if (stop < n)
            stop += 1;
        return { first.location, stop - first.location };
    }
    // Words (or the run of spaces or punctuation between them) around both ends.
    const QString text = string();
    QTextBoundaryFinder finder(QTextBoundaryFinder::Word, text);
    const std::int64_t startAt = std::min(proposed.location, n - 1);
    finder.setPosition(int(startAt));
    std::int64_t start = finder.isAtBoundary() ? startAt : finder.toPreviousBoundary();
    finder.setPosition(int(std::min(last, n - 1)));
    std::int64_t end = finder.toNextBoundary();
    if (start < 0)
        start = 0;
    if (end < 0)
        end = n;
    return { start, end - start };
}

// Positions ----------------------------------------------------------------------------------------

std::int64_t TextView::clusterBefore(std::int64_t index)
{
    // The boundary at or before the previous unit: the start of the cluster before `index`.
    const Ref<LayoutManager> manager = layoutManager();
    if (index <= 0)
        return 0;
    return manager ? manager->clusterBoundaryBefore(index - 1) : index - 1;
}

std::int64_t TextView::clusterAfter(std::int64_t index)
{
    const Ref<LayoutManager> manager = layoutManager();
    return manager ? manager->clusterBoundaryAfter(index) : std::min(length(), index + 1);
}

std::int64_t TextView::wordBoundary(std::int64_t index, bool forward) const
{
    const QString text = string();
    const std::int64_t n = text.size();
    QTextBoundaryFinder finder(QTextBoundaryFinder::Word, text);
    finder.setPosition(int(std::clamp<std::int64_t>(index, 0, n)));
    for (;;) {
        const qsizetype at = forward ? finder.toNextBoundary() : finder.toPreviousBoundary();
        if (at < 0)
            return forward ? n : 0;
        const auto reasons = finder.boundaryReasons();
        // Forward stops at a word's end, backward at a word's start.
        if ((forward && (reasons & QTextBoundaryFinder::EndOfItem)) || (!forward && (reasons & QTextBoundaryFinder::StartOfItem)))
            return at;
        if (at == 0 || at == n)
            return at;
    }
}

Range TextView::paragraphRangeAt(std::int64_t index) const
{
    const QString text = string();
    const std::int64_t n = text.size();
    index = std::clamp<std::int64_t>(index, 0, n);
    std::int64_t start = index;
    while (start > 0 && !textviewselection::IsParagraphSeparator(text.at(start - 1)))
        --start;
    std::int64_t end = index;
    while (end < n && !textviewselection::IsParagraphSeparator(text.at(end)))
        ++end;
    return { start, end - start };
}

Range TextView::lineRangeAt(std::int64_t index)
{
    const Ref<LayoutManager> manager = layoutManager();
    const std::int64_t n = length();
    if (!manager || n == 0 || index >= n) {
        // After the last character: the last line, or the empty line after a final break.
        if (n > 0 && manager && !textviewselection::IsParagraphSeparator(string().at(n - 1))) {
            Range line;
            manager->lineFragmentRectForGlyphAtIndexEffectiveRange(n - 1, &line);
            return line;
        }
        return { n, 0 };
    }
    Range line;
    manager->lineFragmentRectForGlyphAtIndexEffectiveRange(index, &line);
    return line;
}

std::int64_t TextView::characterIndexForInsertionAtViewPoint(Point point)
{
    const Ref<LayoutManager> manager = layoutManager();
    if (!manager)
        return 0;
    return std::clamp<std::int64_t>(manager->characterIndexForInsertionAtPoint(containerPoint(point)), 0, length());
}

std::int64_t TextView::characterIndexUnderViewPoint(Point point)
{
    const Ref<LayoutManager> manager = layoutManager();
    if (!manager || !container_ || length() == 0)
        return NotFound;
    return manager->characterIndexForGlyphAtIndex(manager->glyphIndexForPointInTextContainer(containerPoint(point), container_.get()));
}

std::int64_t TextView::verticalMove(std::int64_t index, double lines)
{
    if (fieldEditor_)
        return lines < 0 ? 0 : length();
    const Rect caret = insertionPointRect(index);
    const double step = std::abs(lines) <= 1 ? caret.height() : std::abs(lines);
    const double y = lines < 0 ? caret.midY() - step : caret.midY() + step;
    const Point origin = textContainerOrigin();
    if (y < origin.y)
        return 0;
    const Ref<LayoutManager> manager = layoutManager();
    if (manager && container_) {
        const Rect used = manager->usedRectForTextContainer(container_.get());
        const Rect extra = manager->extraLineFragmentRect();
        if (y - origin.y > std::max(used.maxY(), extra.maxY()))
            return length();
    }
    return characterIndexForInsertionAtViewPoint(MakePoint(caret.minX(), y));
}

std::int64_t TextView::movingEnd(bool forward) const
{
    if (anchor_ == selected_.location && selected_.length > 0)
        return MaxRange(selected_);
    if (anchor_ == MaxRange(selected_) && selected_.length > 0)
        return selected_.location;
    return forward ? MaxRange(selected_) : selected_.location;
}

void TextView::moveCaretTo(std::int64_t index)
{
    anchor_ = NotFound;
    setSelectedRange({ std::clamp<std::int64_t>(index, 0, length()), 0 });
    scrollRangeToVisible(selected_);
}

void TextView::extendSelectionTo(std::int64_t extent, bool forward)
{
    const bool anchored = anchor_ != NotFound && (anchor_ == selected_.location || anchor_ == MaxRange(selected_));
    if (!anchored)
        anchor_ = forward ? selected_.location : MaxRange(selected_);
    const std::int64_t a = anchor_;
    extent = std::clamp<std::int64_t>(extent, 0, length());
    setSelectedRange({ std::min(a, extent), std::abs(extent - a) });
    anchor_ = a;
    scrollRangeToVisible({ extent, 0 });
}

// Moves --------------------------------------------------------------------------------------------

void TextView::moveLeft(Object*)
{
    moveCaretTo(selected_.length > 0 ? selected_.location : clusterBefore(selected_.location));
}

void TextView::moveRight(Object*)
{
    moveCaretTo(selected_.length > 0 ? MaxRange(selected_) : clusterAfter(selected_.location));
}

void TextView::moveUp(Object*) { moveCaretTo(verticalMove(selected_.location, -1)); }
void TextView::moveDown(Object*) { moveCaretTo(verticalMove(MaxRange(selected_), 1)); }
void TextView::moveWordLeft(Object*) { moveCaretTo(wordBoundary(selected_.location, false)); }
void TextView::moveWordRight(Object*) { moveCaretTo(wordBoundary(MaxRange(selected_), true)); }

void TextView::moveToBeginningOfLine(Object*) { moveCaretTo(lineRangeAt(selected_.location).location); }

void TextView::moveToEndOfLine(Object*)
{
    const Range line = lineRangeAt(MaxRange(selected_) > selected_.location ? MaxRange(selected_) - 1 : selected_.location);
    std::int64_t end = MaxRange(line);
    const QString text = string();
    // Before the line's own break, not after it.
    if (end > line.location && end <= text.size()
        && (textviewselection::IsParagraphSeparator(text.at(end - 1)) || text.at(end - 1) == QChar(0x2028)))
        --end;
    moveCaretTo(end);
}

void TextView::moveToBeginningOfParagraph(Object*) { moveCaretTo(paragraphRangeAt(selected_.location).location); }
void TextView::moveToEndOfParagraph(Object*) { moveCaretTo(MaxRange(paragraphRangeAt(MaxRange(selected_)))); }
void TextView::moveToBeginningOfDocument(Object*) { moveCaretTo(0); }
void TextView::moveToEndOfDocument(Object*) { moveCaretTo(length()); }
void TextView::pageUp(Object*) { moveCaretTo(verticalMove(selected_.location, -std::max(visibleRect().height(), 2.0))); }
void TextView::pageDown(Object*) { moveCaretTo(verticalMove(MaxRange(selected_), std::max(visibleRect().height(), 2.0))); }

void TextView::moveLeftAndModifySelection(Object*) { extendSelectionTo(clusterBefore(movingEnd(false)), false); }
void TextView::moveRightAndModifySelection(Object*) { extendSelectionTo(clusterAfter(movingEnd(true)), true); }
void TextView::moveUpAndModifySelection(Object*) { extendSelectionTo(verticalMove(movingEnd(false), -1), false); }
void TextView::moveDownAndModifySelection(Object*) { extendSelectionTo(verticalMove(movingEnd(true), 1), true); }
void TextView::moveWordLeftAndModifySelection(Object*) { extendSelectionTo(wordBoundary(movingEnd(false), false), false); }
void TextView::moveWordRightAndModifySelection(Object*) { extendSelectionTo(wordBoundary(movingEnd(true), true), true); }
void TextView::moveToBeginningOfLineAndModifySelection(Object*) { extendSelectionTo(lineRangeAt(movingEnd(false)).location, false); }

void TextView::moveToEndOfLineAndModifySelection(Object*)
{
    const std::int64_t from = movingEnd(true);
    const Range line = lineRangeAt(from);
    std::int64_t end = MaxRange(line);
    const QString text = string();
    if (end > line.location && end <= text.size()
        && (textviewselection::IsParagraphSeparator(text.at(end - 1)) || text.at(end - 1) == QChar(0x2028)))
        --end;
    extendSelectionTo(end, true);
}

void TextView::moveToBeginningOfParagraphAndModifySelection(Object*)
{
    extendSelectionTo(paragraphRangeAt(movingEnd(false)).location, false);
}

void TextView::moveToEndOfParagraphAndModifySelection(Object*) { extendSelectionTo(MaxRange(paragraphRangeAt(movingEnd(true))), true); }
void TextView::moveToBeginningOfDocumentAndModifySelection(Object*) { extendSelectionTo(0, false); }
void TextView::moveToEndOfDocumentAndModifySelection(Object*) { extendSelectionTo(length(), true); }

void TextView::pageUpAndModifySelection(Object*)
{
    extendSelectionTo(verticalMove(movingEnd(false), -std::max(visibleRect().height(), 2.0)), false);
}

void TextView::pageDownAndModifySelection(Object*)
{
    extendSelectionTo(verticalMove(movingEnd(true), std::max(visibleRect().height(), 2.0)), true);
}

// Mouse --------------------------------------------------------------------------------------------

void TextView::mouseDown(const Event& event)
{
    if (!selectable_) {
        View::mouseDown(event);
        return;
    }
    const Ref<TextView> keep(this);
    closeCompletions();
    const Point p = convertPointFromView(event.locationInWindow(), nullptr);
    // A press on a link's glyph (not past its line's end) follows the link.
    if (const std::int64_t under = characterIndexUnderViewPoint(p); under != NotFound && under < length()) {
        const Ref<TextStorage> storage = textStorage();
        const Value link = storage->attributeAtIndexEffectiveRange(LinkAttributeName, under, nullptr);
        if (!link.isNil() && layoutManager()) {
            const Rect box = viewRect(layoutManager()->boundingRectForGlyphRangeInTextContainer({ under, 1 }, container_.get()));
            if (MouseInRect(p, box, true) && trackLink(event, under))
                return;
        }
    }
    const std::int64_t index = characterIndexForInsertionAtViewPoint(p);
    const std::int64_t clicks = event.clickCount();
    const SelectionGranularity granularity = clicks >= 3 ? SelectByParagraph : clicks == 2 ? SelectByWord : SelectByCharacter;
    granularity_ = granularity;
    std::int64_t anchor = index;
    if ((event.modifierFlags() & ShiftKeyMask) && clicks <= 1) {
        // Shift extends from the far end of the current selection.
        anchor = index >= selected_.location + selected_.length / 2 ? selected_.location : MaxRange(selected_);
        if (anchor_ != NotFound && (anchor_ == selected_.location || anchor_ == MaxRange(selected_)))
            anchor = anchor_;
    }
    trackSelection(event, anchor, granularity);
}

void TextView::trackSelection(const Event& event, std::int64_t anchor, SelectionGranularity granularity)
{
    const Ref<TextView> keep(this);
    const Ref<Application> app = Application::sharedApplication();
    auto proposeTo = [&](std::int64_t index, bool still) {
        const Range proposed { std::min(anchor, index), std::abs(index - anchor) };
        const Range r = selectionRangeForProposedRangeGranularity(proposed, granularity);
        setSelectedRangeAffinityStillSelecting(r, SelectionAffinityDownstream, still);
    };
    proposeTo(characterIndexForInsertionAtViewPoint(convertPointFromView(event.locationInWindow(), nullptr)), true);
    for (;;) {
        const Ref<Event> next
            = app->nextEventMatchingMaskUntilDateInModeDequeue(LeftMouseDraggedMask | LeftMouseUpMask, DistantFuture, EventTrackingRunLoopMode, true);
        if (!next || next->type() == LeftMouseUp)
            break;
        autoscroll(*next);
        proposeTo(characterIndexForInsertionAtViewPoint(convertPointFromView(next->locationInWindow(), nullptr)), true);
    }
    // The final selection passes the delegate's hook.
    anchor_ = anchor;
    const Range last = selected_;
    const std::int64_t a = anchor;
    setSelectedRangeAffinityStillSelecting(last, affinity_, false);
    anchor_ = (a == selected_.location || a == MaxRange(selected_)) ? a : NotFound;
}

bool TextView::trackLink(const Event& event, std::int64_t index)
{
    const Ref<TextStorage> storage = textStorage();
    Range run;
    const Value link = storage->attributeAtIndexLongestEffectiveRangeInRange(LinkAttributeName, index, &run, { 0, length() });
    if (link.isNil())
        return false;
    const Ref<Application> app = Application::sharedApplication();
    Ref<Event> last;
    for (;;) {
        last = app->nextEventMatchingMaskUntilDateInModeDequeue(LeftMouseDraggedMask | LeftMouseUpMask, DistantFuture, EventTrackingRunLoopMode, true);
        if (!last || last->type() == LeftMouseUp)
            break;
    }
    if (!last)
        return true;
    const Point up = convertPointFromView(last->locationInWindow(), nullptr);
    const std::int64_t under = characterIndexUnderViewPoint(up);
    if (under != NotFound && LocationInRange(under, run) && layoutManager()) {
        const Rect box = viewRect(layoutManager()->boundingRectForGlyphRangeInTextContainer({ under, 1 }, container_.get()));
        if (MouseInRect(up, box, true))
            clickedOnLinkAtIndex(link, index);
    }
    (void)event;
    return true;
}

void TextView::clickedOnLinkAtIndex(const Value& link, std::int64_t index)
{
    const Ref<TextView> keep(this);
    Ref<Object> holder;
    if (TextViewDelegate* d = delegateFor<TextViewDelegate>(TextViewClickedOnLinkAtIndexOperation, holder))
        if (d->textViewClickedOnLinkAtIndex(this, link, index))
            return;
    const QUrl url = link.isString() ? QUrl(link.string(), QUrl::StrictMode) : QUrl();
    Workspace::sharedWorkspace()->openURL(url);
}

} // namespace kit
