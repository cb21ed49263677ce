#include "XTTabBarControl/XTProgressIndicator.h"

#include "XTTabBarControl/XTTabBarControl.h"
#include "kit/foundation/RunLoop.h"

KIT_REGISTER_CLASS(XTProgressIndicator, kit::ProgressIndicator)
{
    c.action("startAnimation", &XTProgressIndicator::startAnimation);
    c.action("stopAnimation", &XTProgressIndicator::stopAnimation);
    c.property("animate", [](const XTProgressIndicator&) { return kit::Value(false); },
        [](XTProgressIndicator& x, const kit::Value& v) { v.boolValue() ? x.startAnimation() : x.stopAnimation(); });
}

XTProgressIndicator::XTProgressIndicator(kit::Rect frame)
    : ProgressIndicator(frame)
{
    setStyle(kit::ProgressIndicatorSpinningStyle);
    setAutoresizingMask(kit::ViewMinYMargin);
}

void XTProgressIndicator::setHidden(bool flag)
{
    ProgressIndicator::setHidden(flag);
    // Only a tab bar lays itself out again for a spinner that comes or goes.
    if (auto bar = kit::dynamic_pointer_cast<XTTabBarControl>(superview()))
        bar->update();
}

void XTProgressIndicator::startAnimation(kit::Object* sender) { ProgressIndicator::startAnimation(sender); }

void XTProgressIndicator::stopAnimation(kit::Object* sender)
{
    kit::RunLoop::cancelPreviousPerformRequestsWithTargetSelectorObject(this, kit::Selector("startAnimation"), kit::Value());
    ProgressIndicator::stopAnimation(sender);
}
