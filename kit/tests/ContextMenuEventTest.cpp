#include "kit/appkit/Application.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/View.h"
#include "kit/appkit/Window.h"
#include "kit/testsupport/EventScript.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace kit;

class Pressed : public View {
public:
    using View::View;
    void rightMouseDown(const Event& e) override
    {
        ++presses;
        View::rightMouseDown(e);
    }
    Ref<Object> menuForEvent(const Event& e) override { return e.modifierFlags() & ShiftKeyMask ? nullptr : View::menuForEvent(e); }
    int presses = 0;
};

struct Shown {
    Object* menu;
    View* view;
    Point at;
};

TEST(ContextMenus, ARightPressShowsTheViewsMenuElsePassesItOn)
{
    auto window = make<Window>(MakeRect(0, 0, 200, 100), TitledWindowMask);
    auto parent = make<Pressed>(MakeRect(0, 0, 200, 100));
    auto child = make<Pressed>(MakeRect(0, 0, 50, 50));
    window->contentView()->addSubview(parent.get());
    parent->addSubview(child.get());
    auto menu = make<Object>();
    parent->setMenu(menu.get());
    std::vector<Shown> shown;
    {
        test::EventScript script(window.get());
        // No presenter: nothing can show, the press passes up the chain.
        script.mouseDown(MakePoint(10, 10), 0, 1).mouseUp(MakePoint(10, 10), 0, 1);
        script.run();
        EXPECT_EQ(parent->presses, 1);
        Application::sharedApplication()->setContextMenuPresenter([&](Object* m, const Event& e, View* v) {
            shown.push_back({ m, v, e.locationInWindow() });
        });
        script.mouseDown(MakePoint(10, 10), 0, 1).mouseUp(MakePoint(10, 10), 0, 1);
        script.mouseDown(MakePoint(10, 10), ShiftKeyMask, 1).mouseUp(MakePoint(10, 10), ShiftKeyMask, 1);
        script.run();
    }
    // The child has no menu and passes on; the parent shows its own, unless its menuForEvent says none.
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].menu, menu.get());
    EXPECT_EQ(shown[0].view, parent.get());
    EXPECT_EQ(shown[0].at, MakePoint(10, 10));
    EXPECT_EQ(child->presses, 3);
    EXPECT_EQ(parent->presses, 3);
}

} // namespace
