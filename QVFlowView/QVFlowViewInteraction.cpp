#include "QVFlowView/QVFlowView.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/TrackingArea.h"
#include "kit/appkit/Window.h"
#include "kit/appkit/Workspace.h"
#include "kit/graphics/Image.h"

#include <QUrl>

#include <cmath>

using namespace kit;

namespace qv_flow_view_interaction {

QUrl urlForRepresentation(const Value& representation)
{
    const QString path = QVFlowView::pathForRepresentation(representation);
    return path.isEmpty() ? QUrl() : QUrl::fromLocalFile(path);
}

} // namespace qv_flow_view_interaction

// Hit testing ---------------------------------------------------------------------------------------

Ref<Layer> QVFlowView::hitLayerAtPoint(Point point) const
{
    if (!backgroundLayer_)
        return nullptr;
    // Presentation values: what is drawn now, mid-animation included.
    const Ref<Layer> hit = backgroundLayer_->presentationLayer()->hitTest(point);
    return hit ? hit->modelLayer() : nullptr;
}

std::int64_t QVFlowView::indexOfItemAtPoint(Point point) const
{
    const Ref<Layer> hit = hitLayerAtPoint(point);
    if (!hit || !hit->name().startsWith(QVFlowViewContentLayerName))
        return NotFound;
    return hit->valueForKey(QStringLiteral("index")).integerValue();
}

// Mouse ---------------------------------------------------------------------------------------------

void QVFlowView::mouseDown(const Event& event)
{
    const Point p = convertPointFromView(event.locationInWindow(), nullptr);
    const Ref<Layer> hit = hitLayerAtPoint(p);
    const std::int64_t i = indexOfItemAtPoint(p);
    if (i == NotFound) {
        const Ref<Layer> knob = knobLayer();
        if (hit && hit->name() == QVFlowViewScrollBarLayerName && knob) {
            const Point q = backgroundLayer_->convertPointToLayer(p, scrollBarLayer_.get());
            if (knob->frame().minX() > q.x)
                moveLeft(this);
            else
                moveRight(this);
        } else if (hit && hit->name() == QVFlowViewScrollKnobLayerName) {
            setMouseDownInKnob(backgroundLayer_->convertPointToLayer(p, hit.get()).x);
            setDraggingKnob(true);
        }
    } else if (i != selectedIndex_) {
        setSelectedIndex(i);
    } else {
        startDragOfItem(i, hit.get(), event, p);
    }
    if (hit)
        setSelectedLayer(hit.get());
}

void QVFlowView::startDragOfItem(std::int64_t index, Layer* hit, const Event& event, Point point)
{
    const Value item = imageItemForIndex(index);
    const QString type = imageRepresentationTypeForItem(item);
    const Value representation = imageRepresentationForItem(item);
    // The cached picture, else what the picture shows now.
    Ref<CGImage> pixels = lookupForImageUID(imageUIDForItem(item));
    if (!pixels && hit)
        pixels = hit->contents();
    const Ref<Image> image = pixels ? Image::imageWithCGImageSize(pixels, hit ? hit->bounds().size : Size {}) : nullptr;

    if (event.clickCount() < 2) {
        const Ref<Pasteboard> board = Pasteboard::pasteboardWithName(DragPboard);
        // Nothing of an earlier drag may ride along.
        board->clearContents();
        if (const auto source = dataSourceFor("flowViewWriteItemAtIndexToPasteboard")) {
            source->flowViewWriteItemAtIndexToPasteboard(this, index, board.get());
        } else if (pathRepresentationTypes().contains(type)) {
            board->declareTypesOwner({ URLPboardType }, nullptr);
            writeURLToPasteboard(qv_flow_view_interaction::urlForRepresentation(representation), board.get());
        }
        dragImageAtOffsetEventPasteboardSourceSlideBack(
            image.get(), itemFrameAtIndex(index).origin, Size {}, event, board.get(), this, true);
        return;
    }
    if (const auto d = delegateFor("flowViewItemWasDoubleClickedAtIndex")) {
        d->flowViewItemWasDoubleClickedAtIndex(this, index);
    } else if (action()) {
        sendActionTo(action(), Weak<Object>(target().get()));
    } else if (pathRepresentationTypes().contains(type)) {
        Workspace::sharedWorkspace()->openFileFromImageAtInView(pathForRepresentation(representation), image.get(), point, this);
    }
}

void QVFlowView::mouseDragged(const Event& event)
{
    const Point p = convertPointFromView(event.locationInWindow(), nullptr);
    if (const Ref<Layer> hit = hitLayerAtPoint(p))
        setSelectedLayer(hit.get());
    const Ref<Layer> knob = knobLayer();
    if (!draggingKnob_ || !knob || !scrollBarLayer_)
        return;
    const double x = backgroundLayer_->convertPointToLayer(p, scrollBarLayer_.get()).x;
    const double free = scrollBarLayer_->bounds().size.width - knob->bounds().size.width;
    // A bar no wider than its knob has no room to drag in.
    if (!(free > 0) || numberOfItems_ <= 0)
        return;
    const double f = std::max(0.0, std::min(free, x - mouseDownInKnob_)) / free;
    const auto index = std::min<std::int64_t>(numberOfItems_ - 1, std::int64_t(double(numberOfItems_) * f));
    setSelectedIndex(index);
}

void QVFlowView::mouseUp(const Event&)
{
    setDraggingKnob(false);
    if (selectedLayer_ && selectedLayer_->respondsToSelector(Selector("performClick")))
        selectedLayer_->performSelectorWithObject(Selector("performClick"), Value(Ref<Object>(this)));
}

void QVFlowView::rightMouseUp(const Event& event)
{
    const std::int64_t i = indexOfItemAtPoint(convertPointFromView(event.locationInWindow(), nullptr));
    if (i == NotFound)
        return;
    if (const auto d = delegateFor("flowViewItemWasRightClickedAtIndexWithEvent"))
        d->flowViewItemWasRightClickedAtIndexWithEvent(this, i, event);
}

void QVFlowView::mouseEntered(const Event&) { mouseEnteredLayerAtIndex(selectedIndex_); }

void QVFlowView::mouseExited(const Event&) { mouseExitedLayerAtIndex(selectedIndex_); }

void QVFlowView::mouseEnteredLayerAtIndex(std::int64_t index)
{
    if (const Ref<Layer> overlay = overlayLayerAtIndex(index)) {
        overlay->setHidden(false);
        overlay->setNeedsDisplay();
    }
}

void QVFlowView::mouseExitedLayerAtIndex(std::int64_t index)
{
    if (const Ref<Layer> overlay = overlayLayerAtIndex(index))
        overlay->setHidden(true);
}

void QVFlowView::updateTrackingAreas()
{
    Control::updateTrackingAreas();
    setupTrackingAreas();
}

void QVFlowView::setupTrackingAreas()
{
    for (const Ref<TrackingArea>& area : std::vector<Ref<TrackingArea>>(trackingAreas()))
        removeTrackingArea(area.get());
    if (selectedIndex_ == NotFound)
        return;
    const Ref<Layer> picture = imageLayerAtIndex(selectedIndex_);
    if (!picture)
        return;
    auto area = make<TrackingArea>(rectInViewForLayer(picture.get()),
        TrackingMouseEnteredAndExited | TrackingActiveWhenFirstResponder | TrackingActiveInActiveApp | TrackingAssumeInside, this);
    addTrackingArea(area.get());
}

// Keys, wheel, swipe ---------------------------------------------------------------------------------

void QVFlowView::keyDown(const Event& event)
{
    if (canControlQuickLookPanel_ && event.characters() == QLatin1String(" "))
        togglePreviewPanel(this);
    // On up the chain: the window's key bindings send moveLeft and moveRight back here.
    Control::keyDown(event);
}

void QVFlowView::moveLeft(Object*)
{
    if (selectedIndex_ != NotFound)
        setSelectedIndex(selectedIndex_ - 1);
}

void QVFlowView::moveRight(Object*)
{
    if (selectedIndex_ != NotFound)
        setSelectedIndex(selectedIndex_ + 1);
}

void QVFlowView::scrollByDelta(double delta)
{
    if (selectedIndex_ == NotFound || !std::isfinite(delta))
        return;
    // Truncated toward zero; anything below 0 or at the count and beyond names no item.
    const double target = std::trunc(double(selectedIndex_) + delta);
    if (!(target >= 0) || !(target < double(numberOfItems_)))
        return;
    setSelectedIndex(std::int64_t(target));
}

void QVFlowView::scrollWheel(const Event& event)
{
    const double dx = event.deltaX();
    const double dy = event.deltaY();
    scrollByDelta(std::abs(dx) > std::abs(dy) ? dx : dy);
}

void QVFlowView::swipeWithEvent(const Event& event)
{
    const double dx = event.deltaX();
    const double dy = event.deltaY();
    scrollByDelta(std::abs(dx) > std::abs(dy) ? dx : dy);
}

// Preview panel ----------------------------------------------------------------------------------------

void QVFlowView::togglePreviewPanel(Object*)
{
    if (PreviewPanel::sharedPreviewPanelExists() && PreviewPanel::sharedPreviewPanel()->isVisible())
        PreviewPanel::sharedPreviewPanel()->orderOut();
    else
        PreviewPanel::sharedPreviewPanel()->makeKeyAndOrderFront();
}

bool QVFlowView::acceptsPreviewPanelControl(PreviewPanel*)
{
    return pathRepresentationTypes().contains(imageRepresentationTypeForItem(imageItemForIndex(selectedIndex_)));
}

void QVFlowView::beginPreviewPanelControl(PreviewPanel* panel)
{
    panel->setDataSource(this);
    panel->setDelegate(this);
}

QUrl QVFlowView::previewPanelPreviewItemAtIndex(PreviewPanel*, std::int64_t)
{
    const Value item = imageItemForIndex(selectedIndex_);
    if (!pathRepresentationTypes().contains(imageRepresentationTypeForItem(item)))
        return {};
    return qv_flow_view_interaction::urlForRepresentation(imageRepresentationForItem(item));
}

bool QVFlowView::previewPanelHandleEvent(PreviewPanel* panel, const Event& event)
{
    if (event.type() != KeyDown)
        return false;
    keyDown(event);
    if (panel)
        panel->reloadData();
    return true;
}

Rect QVFlowView::previewPanelSourceFrameOnScreenForPreviewItem(PreviewPanel*, const QUrl&)
{
    Rect r = convertRectToView(rectInViewForLayer(imageLayerAtIndex(selectedIndex_).get()), nullptr);
    if (const Ref<Window> w = window())
        r.origin = w->convertBaseToScreen(r.origin);
    return r;
}

// Dragging ------------------------------------------------------------------------------------------

std::uint64_t QVFlowView::draggingSourceOperationMaskForLocal(bool local) { return local ? DragOperationMove : DragOperationCopy; }

void QVFlowView::draggedImageEndedAtOperation(Object*, Point, std::uint64_t operation)
{
    if (operation != DragOperationDelete)
        return;
    if (const auto source = dataSourceFor("flowViewRemoveItemAtIndex"))
        source->flowViewRemoveItemAtIndex(this, selectedIndex_);
}

std::uint64_t QVFlowView::draggingEntered(DraggingInfo& info)
{
    if (info.draggingSource().get() != this)
        setHighlightedLayer(backgroundLayer_.get());
    return DragOperationNone;
}

std::uint64_t QVFlowView::draggingUpdated(DraggingInfo& info)
{
    const std::int64_t i = indexOfItemAtPoint(convertPointFromView(info.draggingLocation(), nullptr));
    const bool own = info.draggingSource().get() == this;
    if (i != NotFound) {
        if (own && i == selectedIndex_)
            return DragOperationNone;
        setHighlightedLayer(imageLayerAtIndex(i).get());
        if (const auto source = dataSourceFor("flowViewValidateDropProposedIndex"))
            return source->flowViewValidateDropProposedIndex(this, info, i);
        return DragOperationNone;
    }
    if (!own)
        setHighlightedLayer(backgroundLayer_.get());
    return DragOperationNone;
}

void QVFlowView::draggingExited(DraggingInfo&) { setHighlightedLayer(nullptr); }

bool QVFlowView::performDragOperation(DraggingInfo& info)
{
    const std::int64_t i = indexOfItemAtPoint(convertPointFromView(info.draggingLocation(), nullptr));
    if (i == NotFound)
        return false;
    if (const auto source = dataSourceFor("flowViewAcceptDropAtIndex"))
        return source->flowViewAcceptDropAtIndex(this, info, i);
    return false;
}

void QVFlowView::concludeDragOperation(DraggingInfo&) { setHighlightedLayer(nullptr); }
