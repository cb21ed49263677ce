#pragma once

// View helpers of the tab bar view: the nearest enclosing view of a class, bringing a subview to
// the top, and the drag threshold test that puts the events it read back into the queue.

#include "kit/appkit/View.h"
#include "kit/core/Date.h"

class QVTabBarView;
class QVTabBarButton;

namespace kit {
class Event;
}

namespace QVTabBarExtensions {

// The nearest superview (not the view itself) that is a T, or null.
template <class T> kit::Ref<T> superviewOfClass(const kit::View* view)
{
    for (kit::Ref<kit::View> v = view ? view->superview() : nullptr; v; v = v->superview())
        if (auto* t = dynamic_cast<T*>(v.get()))
            return kit::Ref<T>(t);
    return nullptr;
}

kit::Ref<QVTabBarView> enclosingTabBarView(const kit::View* view);
kit::Ref<QVTabBarButton> enclosingTabBarButton(const kit::View* view);

// Moves the view to the end of its superview's subviews: drawn last, on top.
void orderFront(kit::View* view);

// Reads drags and the up from the view's window until `expiration`: YES once the pointer has
// moved `xHysteresis` or `yHysteresis` from the press. The events that decided are put back at
// the front of the queue in their original order.
bool dragShouldBeginFromMouseDownWithExpirationXHysteresisYHysteresis(
    kit::View* view, const kit::Event& mouseDown, kit::Date expiration, double xHysteresis, double yHysteresis);
bool dragShouldBeginFromMouseDownWithExpiration(kit::View* view, const kit::Event& mouseDown, kit::Date expiration);

} // namespace QVTabBarExtensions
