// Windows that clicks pass through (drag images, torn-off tabs following the pointer), the stored
// resize-indicator flag, and a tracking loop's mouse-up handed back to the view that had the press.

#include "kit/appkit/Application.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/View.h"
#include "kit/appkit/Window.h"
#include "kit/foundation/Date.h"
#include "kit/foundation/RunLoop.h"
#include "kit/testsupport/EventScript.h"

#include <QWidget>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace kit;

TEST(WindowResizeIndicator, IsStoredAndOffByDefault)
{
    auto window = make<Window>(MakeRect(0, 0, 100, 100), TitledWindowMask | ResizableWindowMask);
    EXPECT_FALSE(window->showsResizeIndicator());
    window->setShowsResizeIndicator(true);
    EXPECT_TRUE(window->showsResizeIndicator());
}

TEST(WindowIgnoringMouse, IsInputTransparentNativelyAndNeverFocused)
{
    auto key = make<Window>(MakeRect(0, 0, 100, 100), TitledWindowMask);
    key->makeKeyAndOrderFront();
    auto through = make<Window>(MakeRect(20, 20, 100, 100), TitledWindowMask);
    through->setIgnoresMouseEvents(true);
    const Qt::WindowFlags flags = through->hostWidget()->windowFlags();
    EXPECT_TRUE(flags & Qt::WindowTransparentForInput);
    EXPECT_TRUE(flags & Qt::WindowDoesNotAcceptFocus);
    EXPECT_TRUE(through->hostWidget()->testAttribute(Qt::WA_ShowWithoutActivating));
    through->makeKeyAndOrderFront();
    EXPECT_TRUE(through->isVisible());
    EXPECT_TRUE(through->hostWidget()->isVisible());
    EXPECT_EQ(Application::sharedApplication()->keyWindow().get(), key.get());
    through->setIgnoresMouseEvents(false);
    EXPECT_FALSE(through->hostWidget()->windowFlags() & Qt::WindowTransparentForInput);
    EXPECT_TRUE(through->hostWidget()->isVisible()); // shown again after the flags changed
    through->makeKeyWindow();
    EXPECT_EQ(Application::sharedApplication()->keyWindow().get(), through.get());
    Application::resetForTesting();
}

// Takes its events in a loop until the up and hands every one back, newest first.
class RepostingView : public View {
public:
    RepostingView(Rect frame, std::string name, std::vector<std::string>& log)
        : View(frame)
        , name_(std::move(name))
        , log_(log)
    { }
    void mouseDown(const Event&) override
    {
        log_.push_back(name_ + " down");
        if (!loop)
            return;
        loop = false;
        std::vector<Ref<Event>> taken;
        for (;;) {
            Ref<Event> e = window()->nextEventMatchingMaskUntilDateInModeDequeue(
                LeftMouseDraggedMask | LeftMouseUpMask, Date::distantFuture(), EventTrackingRunLoopMode, true);
            if (!e)
                break;
            taken.push_back(e);
            if (e->type() == LeftMouseUp)
                break;
        }
        for (auto it = taken.rbegin(); it != taken.rend(); ++it)
            Application::sharedApplication()->postEventAtStart(it->get(), true);
    }
    void mouseDragged(const Event&) override { log_.push_back(name_ + " dragged"); }
    void mouseUp(const Event&) override { log_.push_back(name_ + " up"); }
    bool loop = true;

private:
    std::string name_;
    std::vector<std::string>& log_;
};

TEST(RepostedMouseUp, GoesToTheViewThatHadThePress)
{
    auto window = make<Window>(MakeRect(0, 0, 200, 100), TitledWindowMask);
    std::vector<std::string> log;
    auto left = make<RepostingView>(MakeRect(0, 0, 100, 100), "left", log);
    auto right = make<RepostingView>(MakeRect(100, 0, 100, 100), "right", log);
    window->contentView()->addSubview(left.get());
    window->contentView()->addSubview(right.get());
    kit::test::EventScript script(window.get());
    script.mouseDown(MakePoint(50, 50)).mouseDragged(MakePoint(120, 50)).mouseUp(MakePoint(150, 50));
    script.run();
    // In the original order, to the pressed view, although the pointer ended over its neighbour.
    EXPECT_EQ(log, (std::vector<std::string> { "left down", "left dragged", "left up" }));
    // The next press is hit-tested as usual.
    log.clear();
    script.click(MakePoint(150, 50));
    script.run();
    EXPECT_EQ(log, (std::vector<std::string> { "right down", "right up" }));
}

} // namespace
