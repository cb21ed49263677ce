// The kit's own drag loop as a tab torn off its window needs it: the destinations under the press
// hear the drag before the first wait, the source window may leave the screen mid-drag without
// ending the press, and a window ordered out is no destination any more.

#include "kit/appkit/Application.h"
#include "kit/appkit/Dragging.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/InputState.h"
#include "kit/appkit/Pasteboard.h"
#include "kit/appkit/View.h"
#include "kit/appkit/Window.h"
#include "kit/graphics/Image.h"
#include "kit/testsupport/EventScript.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace kit;

const QString tornOffType = QStringLiteral("kit.test.torn-off");

class TornOffLog : public View, public DraggingDestination {
    KIT_CLASS(TornOffLog)

    using View::View;
    std::uint64_t draggingEntered(DraggingInfo& info) override
    {
        log.push_back("entered " + std::to_string(int(info.draggingLocation().x)));
        return DragOperationMove;
    }
    std::uint64_t draggingUpdated(DraggingInfo&) override { return DragOperationMove; }
    void draggingExited(DraggingInfo&) override { log.push_back("exited"); }
    bool performDragOperation(DraggingInfo&) override
    {
        log.push_back("perform");
        return true;
    }
    std::vector<std::string> log;
};

KIT_REGISTER_CLASS(TornOffLog, View)
{
    c.optionalOperations({ "draggingEntered", "draggingUpdated", "draggingExited", "performDragOperation" });
}

// Starts its drag from the press, as a tab does after its own threshold test; it may order its
// window out once the drag has moved.
class TornOffSource : public TornOffLog, public DraggingSource {
    KIT_CLASS(TornOffSource)

    using TornOffLog::TornOffLog;
    void mouseDown(const Event& e) override
    {
        auto board = Pasteboard::pasteboardWithName(DragPboard);
        board->declareTypesOwner({ tornOffType }, this);
        board->setStringForType(QStringLiteral("tab"), tornOffType);
        dragImageAtOffsetEventPasteboardSourceSlideBack(make<Image>(MakeSize(4, 4)).get(), ZeroPoint, ZeroSize, e, board.get(), this, false);
        log.push_back("drag returned");
    }
    void mouseUp(const Event&) override { log.push_back("mouseUp"); }
    std::uint64_t draggingSourceOperationMaskForLocal(bool local) override { return local ? DragOperationMove : DragOperationNone; }
    void draggedImageMovedTo(Object*, Point) override
    {
        if (clearOnMove && window() && window()->alphaValue() > 0) {
            window()->setAlphaValue(0);
            log.push_back("made clear");
        }
        if (hideOnMove && window() && window()->isVisible()) {
            Ref<Window> w = window();
            w->orderOut();
            // What the platform tells a window whose pointer grab went with it.
            QEvent lost(QEvent::UngrabMouse);
            QCoreApplication::sendEvent(w->hostWidget(), &lost);
            log.push_back("ordered out");
        }
    }
    void draggedImageEndedAtOperation(Object*, Point, std::uint64_t op) override { log.push_back("ended op " + std::to_string(op)); }
    bool hideOnMove = false;
    bool clearOnMove = false;
};

KIT_REGISTER_CLASS(TornOffSource, TornOffLog)
{
    c.optionalOperations({ "draggingSourceOperationMaskForLocal", "draggedImageMovedTo", "draggedImageEndedAtOperation" });
}

class TornOffDrag : public testing::Test {
protected:
    void SetUp() override
    {
        window = make<Window>(MakeRect(100, 300, 300, 100), TitledWindowMask);
        source = make<TornOffSource>(MakeRect(0, 0, 100, 100));
        source->registerForDraggedTypes({ tornOffType });
        window->contentView()->addSubview(source.get());
        other = make<Window>(MakeRect(100, 100, 300, 100), TitledWindowMask);
        far = make<TornOffLog>(MakeRect(0, 0, 300, 100));
        far->registerForDraggedTypes({ tornOffType });
        other->contentView()->addSubview(far.get());
        ExternalDrag::setPresenter([](OutgoingDrag&) {
            ADD_FAILURE() << "the drag left the kit's loop";
            return Qt::IgnoreAction;
        });
    }
    void TearDown() override
    {
        ExternalDrag::resetForTesting();
        Application::resetForTesting();
    }

    Ref<Window> window;
    Ref<TornOffSource> source;
    Ref<Window> other;
    Ref<TornOffLog> far;
};

TEST_F(TornOffDrag, TheSourceHearsEnteredAtThePressThenExitedAsThePointerLeaves)
{
    kit::test::EventScript script(window.get());
    script.mouseDown(MakePoint(10, 10)).mouseDragged(MakePoint(250, 50)).mouseUp(MakePoint(250, 50));
    script.run();
    ASSERT_GE(source->log.size(), 2u);
    EXPECT_EQ(source->log[0], "entered 10");
    EXPECT_EQ(source->log[1], "exited");
}

TEST_F(TornOffDrag, OrderingTheSourceWindowOutKeepsTheDragAndItsMouseUp)
{
    window->orderFront();
    other->orderFront();
    source->hideOnMove = true;
    kit::test::EventScript script(window.get());
    script.mouseDown(MakePoint(10, 10)).mouseDragged(MakePoint(40, 10));
    // The pointer goes on over the other window, which now gets the events.
    script.inWindow(other.get()).mouseDragged(MakePoint(150, 50)).wait(0.2).mouseUp(MakePoint(150, 50));
    script.run();
    EXPECT_EQ(far->log, (std::vector<std::string> { "entered 150", "perform" }));
    ASSERT_FALSE(source->log.empty());
    EXPECT_NE(std::find(source->log.begin(), source->log.end(), "ordered out"), source->log.end());
    EXPECT_NE(std::find(source->log.begin(), source->log.end(), "ended op 16"), source->log.end());
    EXPECT_FALSE(InputState::shared().dragHoldsPress);
}

TEST_F(TornOffDrag, AWindowOrderedOutDuringTheDragIsNoDestination)
{
    window->orderFront();
    source->hideOnMove = true;
    kit::test::EventScript script(window.get());
    // Back over where the source window was: nothing there takes the drop.
    script.mouseDown(MakePoint(10, 10)).mouseDragged(MakePoint(40, 10)).mouseDragged(MakePoint(60, 10)).mouseUp(MakePoint(60, 10));
    script.run();
    EXPECT_EQ(std::find(source->log.begin(), source->log.end(), "perform"), source->log.end());
    EXPECT_NE(std::find(source->log.begin(), source->log.end(), "ended op 0"), source->log.end());
}

TEST_F(TornOffDrag, AWindowMadeClearDuringTheDragIsNoDestination)
{
    window->orderFront();
    source->clearOnMove = true;
    kit::test::EventScript script(window.get());
    script.mouseDown(MakePoint(10, 10)).mouseDragged(MakePoint(40, 10)).mouseDragged(MakePoint(60, 10)).mouseUp(MakePoint(60, 10));
    script.run();
    EXPECT_NE(std::find(source->log.begin(), source->log.end(), "made clear"), source->log.end());
    EXPECT_EQ(std::find(source->log.begin(), source->log.end(), "perform"), source->log.end());
    EXPECT_NE(std::find(source->log.begin(), source->log.end(), "ended op 0"), source->log.end());
    // Visible again, it takes drops as before.
    window->setAlphaValue(1);
    source->clearOnMove = false;
    source->log.clear();
    kit::test::EventScript again(window.get());
    again.mouseDown(MakePoint(10, 10)).mouseDragged(MakePoint(60, 10)).mouseUp(MakePoint(60, 10));
    again.run();
    EXPECT_NE(std::find(source->log.begin(), source->log.end(), "perform"), source->log.end());
}

TEST(LostGrab, EndsAPressOutsideADrag)
{
    auto window = make<Window>(MakeRect(100, 100, 200, 100), TitledWindowMask);
    auto view = make<TornOffLog>(MakeRect(0, 0, 200, 100));
    window->contentView()->addSubview(view.get());
    kit::test::EventScript script(window.get());
    InputState::shared().pressedButtons |= 1;
    QEvent lost(QEvent::UngrabMouse);
    QCoreApplication::sendEvent(window->hostWidget(), &lost);
    EXPECT_EQ(InputState::shared().pressedButtons & 1, 0u);
}

} // namespace
