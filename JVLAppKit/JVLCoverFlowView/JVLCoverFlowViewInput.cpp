// The user's side of the cover-flow view: keys, clicks, the wheel and the scroller, and the
// selection path that goes through a bound controller first.

#include "JVLAppKit/JVLCoverFlowView/JVLCoverFlowView.h"

#include "kit/appkit/Event.h"
#include "kit/core/Binding.h"

#include <cmath>

using namespace kit;

namespace JVLCoverFlowViewInput {

constexpr std::uint16_t returnKey = 36;
constexpr std::uint16_t leftArrowKey = 123;
constexpr std::uint16_t rightArrowKey = 124;
constexpr float wheelThreshold = 0.4f;

} // namespace JVLCoverFlowViewInput

void JVLCoverFlowView::userSelect(std::int64_t index)
{
    const std::int64_t count = content_.count();
    if (index < 0)
        index = 0;
    if (index >= count)
        index = count - 1;
    if (index < 0)
        return; // empty content: nothing to select, and nothing to hand a controller
    const Value info = infoForBinding(QStringLiteral("selectionIndex"));
    if (info.isDictionary()) {
        // Through the whole key path: interface files bind through the owner ("controller.selectionIndex").
        const Ref<Object> observed = info.dictionary().objectForKey(ObservedObjectKey).object();
        const QString keyPath = info.dictionary().objectForKey(ObservedKeyPathKey).stringValue();
        if (observed && !keyPath.isEmpty())
            observed->setValueForKeyPath(Value(index), keyPath);
        return;
    }
    setSelectionIndex(index);
}

void JVLCoverFlowView::sendAction()
{
    const Ref<Object> target = target_.lock();
    if (target && action_)
        target->performSelectorWithObject(action_, Value(this));
}

void JVLCoverFlowView::keyDown(const Event& event)
{
    using namespace JVLCoverFlowViewInput;
    switch (event.keyCode()) {
    case returnKey:
        if (target_.lock() && action_) {
            sendAction();
            return;
        }
        break;
    case rightArrowKey:
        userSelect(selectionIndex_ + 1);
        return;
    case leftArrowKey:
        userSelect(selectionIndex_ - 1);
        return;
    default:
        break;
    }
    View::keyDown(event);
}

void JVLCoverFlowView::mouseDown(const Event& event)
{
    // The action of a double click goes out before the clicked item is selected.
    if (event.clickCount() == 2 && target_.lock() && action_)
        sendAction();
    const std::int64_t index = indexOfItemAtPoint(convertPointFromView(event.locationInWindow(), nullptr));
    if (index != NotFound)
        userSelect(index);
}

void JVLCoverFlowView::scrollWheel(const Event& event)
{
    using namespace JVLCoverFlowViewInput;
    const float dy = float(event.deltaY()), dx = float(event.deltaX());
    if (std::fabs(dy) > wheelThreshold)
        userSelect(dy > 0 ? selectionIndex_ - 1 : selectionIndex_ + 1);
    else if (std::fabs(dx) > wheelThreshold)
        userSelect(dx > 0 ? selectionIndex_ - 1 : selectionIndex_ + 1);
}

void JVLCoverFlowView::scrollerChanged(Object*)
{
    switch (scroller_->hitPart()) {
    case ScrollerKnob:
        userSelect(scroller_->integerValue());
        break;
    case ScrollerDecrementLine:
        userSelect(selectionIndex_ - 1);
        break;
    case ScrollerIncrementLine:
        userSelect(selectionIndex_ + 1);
        break;
    default:
        break;
    }
}
