#include "QVTabBarView/QVTabBarExtensions.h"

#include "QVTabBarView/QVTabBarButton.h"
#include "QVTabBarView/QVTabBarView.h"
#include "kit/appkit/Application.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/Window.h"
#include "kit/foundation/RunLoop.h"

#include <cmath>
#include <vector>

namespace QVTabBarExtensions {

kit::Ref<QVTabBarView> enclosingTabBarView(const kit::View* view) { return superviewOfClass<QVTabBarView>(view); }

kit::Ref<QVTabBarButton> enclosingTabBarButton(const kit::View* view) { return superviewOfClass<QVTabBarButton>(view); }

void orderFront(kit::View* view)
{
    const kit::Ref<kit::View> superview = view ? view->superview() : nullptr;
    if (!superview)
        return;
    std::vector<kit::Ref<kit::View>> order;
    for (const kit::Ref<kit::View>& v : superview->subviews())
        if (v.get() != view)
            order.push_back(v);
    order.push_back(kit::Ref<kit::View>(view));
    superview->setSubviews(order);
}

bool dragShouldBeginFromMouseDownWithExpirationXHysteresisYHysteresis(
    kit::View* view, const kit::Event& mouseDown, kit::Date expiration, double xHysteresis, double yHysteresis)
{
    const kit::Ref<kit::Window> window = view ? view->window() : nullptr;
    if (!window)
        return false;
    const kit::Point start = mouseDown.locationInWindow();
    kit::Ref<kit::Event> first, lastDrag, up, deciding;
    bool answer = false;
    for (;;) {
        kit::Ref<kit::Event> e = window->nextEventMatchingMaskUntilDateInModeDequeue(
            kit::LeftMouseDraggedMask | kit::LeftMouseUpMask, expiration, kit::EventTrackingRunLoopMode, true);
        if (!e)
            break;
        if (!first)
            first = e;
        if (e->type() == kit::LeftMouseUp) {
            up = e;
            break;
        }
        const kit::Point p = e->locationInWindow();
        if (std::fabs(p.x - start.x) >= xHysteresis || std::fabs(p.y - start.y) >= yHysteresis) {
            deciding = e;
            answer = true;
            break;
        }
        lastDrag = e;
    }
    // Each re-post goes before those posted earlier: the latest first restores the order.
    auto app = kit::Application::sharedApplication();
    std::vector<kit::Ref<kit::Event>> back;
    if (answer)
        back.push_back(deciding);
    else {
        if (up)
            back.push_back(up);
        if (lastDrag)
            back.push_back(lastDrag);
    }
    if (first && first != deciding && first != up && first != lastDrag)
        back.push_back(first);
    for (const kit::Ref<kit::Event>& e : back)
        app->postEventAtStart(e.get(), true);
    return answer;
}

bool dragShouldBeginFromMouseDownWithExpiration(kit::View* view, const kit::Event& mouseDown, kit::Date expiration)
{
    return dragShouldBeginFromMouseDownWithExpirationXHysteresisYHysteresis(view, mouseDown, expiration, 5, 5);
}

} // namespace QVTabBarExtensions
