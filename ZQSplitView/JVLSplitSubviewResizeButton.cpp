#include "ZQSplitView/JVLSplitSubviewResizeButton.h"

#include "ZQSplitView/ZQSplitView.h"
#include "kit/appkit/Accessibility.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/KeyCodes.h"
#include "kit/appkit/Window.h"
#include "kit/foundation/Bundle.h"
#include "kit/foundation/RunLoop.h"

#include <algorithm>
#include <limits>
#include <typeinfo>

using kit::Event;
using kit::Rect;
using kit::Ref;

KIT_REGISTER_CLASS(JVLSplitSubviewResizeButtonCell, kit::ButtonCell) { c.copyable(); }
KIT_REGISTER_CLASS(JVLSplitSubviewResizeButton, kit::Button) { }

namespace {

// The grip the cell asks for by name, in the split view's own bundle.
const QString resizeImagePath = QStringLiteral(":/ZQSplitView/Resources/JVLSplitSubviewResizeButtonResizeImage.svg");
constexpr std::uint64_t resizeDragMask = kit::LeftMouseUpMask | kit::LeftMouseDraggedMask;
constexpr double resizeUntilForever = std::numeric_limits<double>::infinity();

} // namespace

JVLSplitSubviewResizeButtonCell::JVLSplitSubviewResizeButtonCell()
{
    setImage(kit::Image::imageByReferencingFile(resizeImagePath));
    sendActionOn(kit::LeftMouseDownMask | kit::LeftMouseDraggedMask);
    setRefusesFirstResponder(false);
    setContinuous(false);
    setTag(0);
    setShowsFirstResponder(true);
    setButtonType(kit::MomentaryChangeButton);
    setTitle(QString());
    setEnabled(true);
    setImagePosition(kit::ImageRight);
    setBordered(true);
    setBezelStyle(kit::SmallSquareBezelStyle);
    setBezeled(true);
    setHighlightsBy(kit::PushInCellMask);
}

Ref<ZQSplitSubview> JVLSplitSubviewResizeButtonCell::superZQSplitSubviewOfView(kit::View* view)
{
    for (Ref<kit::View> v = view ? view->superview() : nullptr; v; v = v->superview())
        if (kit::View& candidate = *v; typeid(candidate) == typeid(ZQSplitSubview))
            return kit::static_pointer_cast<ZQSplitSubview>(v);
    return nullptr;
}

bool JVLSplitSubviewResizeButtonCell::trackMouseInRectOfViewUntilMouseUp(const Event&, Rect, kit::View* controlView, bool)
{
    const Ref<ZQSplitSubview> pane = superZQSplitSubviewOfView(controlView);
    const Ref<kit::Window> w = controlView ? controlView->window() : nullptr;
    if (!w)
        return true;
    Ref<Event> event = w->nextEventMatchingMaskUntilDateInModeDequeue(resizeDragMask, resizeUntilForever, kit::EventTrackingRunLoopMode, false);
    if (!event || event->type() != kit::LeftMouseDragged)
        return true;
    // The first event was only looked at: it is taken off the queue once it has been applied, and
    // only then is the next one taken, so that it is applied once.
    bool peeked = true;
    const auto take
        = [&] { return w->nextEventMatchingMaskUntilDateInModeDequeue(resizeDragMask, resizeUntilForever, kit::EventTrackingRunLoopMode, true); };
    for (;;) {
        if (pane) {
            const float d = float(pane->dimension());
            const float next = imagePosition() == kit::ImageRight ? float(d + event->deltaX()) : float(d - event->deltaX());
            if (next > pane->minDimension() && next < pane->maxDimension()) {
                pane->setDimension(next);
            } else if (next < pane->minDimension() && pane->canCollapse()) {
                pane->collapse();
                if (peeked)
                    take();
                return true;
            }
        }
        if (peeked) {
            take();
            peeked = false;
        }
        event = take();
        if (!event || event->type() == kit::LeftMouseUp)
            return true;
    }
}

kit::Value JVLSplitSubviewResizeButtonCell::accessibilityAttributeValue(const QString& attribute) const
{
    const kit::Value answer = kit::ButtonCell::accessibilityAttributeValue(attribute);
    if (attribute != kit::AccessibilityTitleAttribute || (answer.isString() && !answer.stringValue().isEmpty()))
        return answer;
    return kit::Value(kit::Bundle::bundleForClass(staticClass())->localizedStringForKeyValueTable(
        QStringLiteral("Resize pane"), QStringLiteral("Resize pane"), QStringLiteral("ZQSplitView")));
}

JVLSplitSubviewResizeButton::JVLSplitSubviewResizeButton(Rect frame)
    : kit::Button(frame, cellClass()())
{ }

void JVLSplitSubviewResizeButton::keyDown(const Event& event)
{
    const std::uint16_t key = event.keyCode();
    const Ref<ZQSplitSubview> pane = JVLSplitSubviewResizeButtonCell::superZQSplitSubviewOfView(this);
    if ((key != kit::KeyCodeLeftArrow && key != kit::KeyCodeRightArrow) || !pane || !isEnabled()
        || (event.modifierFlags() & (kit::CommandKeyMask | kit::ControlKeyMask | kit::AlternateKeyMask)))
        return kit::Button::keyDown(event);
    // The edge moves the way the grip points, within the pane's limits. It never collapses the
    // pane: that would hide the grip with it, and no key would bring the pane back.
    const double towards = (key == kit::KeyCodeRightArrow) == (imagePosition() == kit::ImageRight) ? 1 : -1;
    const double next = std::clamp(pane->dimension() + towards * KeyboardStep, pane->minDimension(), pane->maxDimension());
    if (next != pane->dimension())
        pane->setDimension(next);
}

void JVLSplitSubviewResizeButton::awakeFromNib()
{
    const auto pane = kit::dynamic_pointer_cast<ZQSplitSubview>(superview());
    if (!pane)
        return;
    setImagePosition(pane->position() == 0 ? kit::ImageRight : kit::ImageLeft);
    setNeedsDisplay(true);
}
