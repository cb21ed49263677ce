#include "ZQSplitView/JVLSplitSubviewResizeButton.h"

#include "ZQSplitView/ZQSplitView.h"
#include "ZQSplitView/ZQStandIns.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/Window.h"
#include "kit/foundation/RunLoop.h"
#include "kit/graphics/GraphicsContext.h"

#include <cmath>
#include <limits>
#include <typeinfo>

using kit::Event;
using kit::Rect;
using kit::Ref;

KIT_REGISTER_CLASS(JVLSplitSubviewResizeButtonCell, kit::Object) { }
KIT_REGISTER_CLASS(JVLSplitSubviewResizeButton, kit::View) { }

namespace {

// The image the cell asks for by name, in the split view's own bundle.
const QString resizeImagePath = QStringLiteral(":/ZQSplitView/Resources/JVLSplitSubviewResizeButtonResizeImage.svg");
constexpr std::uint64_t dragMask = kit::LeftMouseUpMask | kit::LeftMouseDraggedMask;
constexpr double untilForever = std::numeric_limits<double>::infinity();

} // namespace

JVLSplitSubviewResizeButtonCell::JVLSplitSubviewResizeButtonCell()
    : image_(kit::Image::imageByReferencingFile(resizeImagePath))
    , sendActionOn_(kit::LeftMouseDownMask | kit::LeftMouseDraggedMask)
{ }

Ref<ZQSplitSubview> JVLSplitSubviewResizeButtonCell::superZQSplitSubviewOfView(kit::View* view)
{
    for (Ref<kit::View> v = view ? view->superview() : nullptr; v; v = v->superview())
        if (typeid(*v) == typeid(ZQSplitSubview))
            return kit::static_pointer_cast<ZQSplitSubview>(v);
    return nullptr;
}

bool JVLSplitSubviewResizeButtonCell::trackMouseInRectOfViewUntilMouseUp(const Event&, Rect, kit::View* controlView, bool)
{
    const Ref<ZQSplitSubview> pane = superZQSplitSubviewOfView(controlView);
    const Ref<kit::Window> w = controlView ? controlView->window() : nullptr;
    if (!w)
        return true;
    Ref<Event> event = w->nextEventMatchingMaskUntilDateInModeDequeue(dragMask, untilForever, kit::EventTrackingRunLoopMode, false);
    if (!event || event->type() != kit::LeftMouseDragged)
        return true;
    bool peeked = true;
    for (;;) {
        if (pane) {
            const float d = float(pane->dimension());
            const float next = imagePosition_ == ImageRight ? float(d + event->deltaX()) : float(d - event->deltaX());
            if (next > pane->minDimension() && next < pane->maxDimension()) {
                pane->setDimension(next);
            } else if (next < pane->minDimension() && pane->canCollapse()) {
                pane->collapse();
                if (peeked)
                    w->nextEventMatchingMaskUntilDateInModeDequeue(dragMask, untilForever, kit::EventTrackingRunLoopMode, true);
                return true;
            }
        }
        // The first event was only looked at: take it off the queue now that it has been applied,
        // so that it is not applied a second time.
        if (peeked) {
            w->nextEventMatchingMaskUntilDateInModeDequeue(dragMask, untilForever, kit::EventTrackingRunLoopMode, true);
            peeked = false;
        }
        event = w->nextEventMatchingMaskUntilDateInModeDequeue(dragMask, untilForever, kit::EventTrackingRunLoopMode, true);
        if (!event || event->type() == kit::LeftMouseUp)
            return true;
    }
}

JVLSplitSubviewResizeButton::JVLSplitSubviewResizeButton()
    : JVLSplitSubviewResizeButton(kit::ZeroRect)
{ }

JVLSplitSubviewResizeButton::JVLSplitSubviewResizeButton(Rect frame)
    : kit::View(frame)
{ }

void JVLSplitSubviewResizeButton::encodeWithCoder(kit::Coder& coder) const { ZQCodingStandIn::encodeViewWithFrame(*this, coder, frame()); }

void JVLSplitSubviewResizeButton::initWithCoder(kit::Coder& coder) { ZQCodingStandIn::decodeView(*this, coder); }

void JVLSplitSubviewResizeButton::awakeFromNib()
{
    const auto pane = kit::dynamic_pointer_cast<ZQSplitSubview>(superview());
    if (!pane)
        return;
    cell_->setImagePosition(
        pane->position() == 0 ? JVLSplitSubviewResizeButtonCell::ImageRight : JVLSplitSubviewResizeButtonCell::ImageLeft);
    setNeedsDisplay(true);
}

void JVLSplitSubviewResizeButton::drawRect(Rect)
{
    const Ref<kit::Image> image = cell_->image();
    if (!image || !kit::GraphicsContext::currentContext())
        return;
    const Rect b = bounds();
    const kit::Size size = image->size();
    const double x
        = cell_->imagePosition() == JVLSplitSubviewResizeButtonCell::ImageRight ? b.origin.x + b.size.width - size.width : b.origin.x;
    const double y = b.origin.y + std::floor((b.size.height - size.height) / 2);
    image->drawInRectFromRectOperationFraction(kit::MakeRect(x, y, size.width, size.height), kit::ZeroRect, kit::CompositeSourceOver, 1.0);
}

void JVLSplitSubviewResizeButton::mouseDown(const Event& event) { cell_->trackMouseInRectOfViewUntilMouseUp(event, bounds(), this, true); }
