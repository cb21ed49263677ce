#include "kit/appkit/Application.h"
#include "kit/appkit/View.h"
#include "kit/appkit/Window.h"
#include "kit/foundation/OperationQueue.h"
#include "kit/foundation/RunLoop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

using namespace kit;

class Counting : public View {
public:
    using View::View;
    void drawRect(Rect) override { ++draws; }
    std::atomic<int> draws { 0 };
};

// A worker asks for display: the window's dirty region is touched only on the main thread.
TEST(ViewDisplayFromAThread, IsPostedToTheMainThread)
{
    auto window = make<Window>(MakeRect(0, 0, 100, 100), TitledWindowMask);
    auto view = make<Counting>(MakeRect(0, 0, 50, 50));
    window->contentView()->addSubview(view.get());
    window->orderFront();
    window->displayIfNeeded();
    ASSERT_FALSE(view->needsDisplay());
    Counting* raw = view.get();
    auto* main = OperationQueue::mainQueue();

    int before = view->draws;
    std::thread([raw] { raw->setNeedsDisplayInRect(MakeRect(0, 0, 10, 10)); }).join();
    EXPECT_FALSE(view->needsDisplay()) << "nothing changes before the main thread runs";
    EXPECT_EQ(main->operationCount(), 1);
    RunLoop::main().runPending(); // may display at the end of the pass
    window->displayIfNeeded();
    EXPECT_EQ(view->draws, before + 1);

    before = view->draws;
    std::thread([raw] {
        raw->setNeedsDisplay(true);
        raw->display();
    }).join();
    EXPECT_EQ(view->draws, before);
    RunLoop::main().runPending();
    EXPECT_EQ(view->draws, before + 1);
    EXPECT_FALSE(view->needsDisplay());
    Application::resetForTesting();
}

} // namespace
