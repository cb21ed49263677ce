#include "kit/appkit/Dragging.h"

#include "kit/appkit/Application.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/Pasteboard.h"
#include "kit/appkit/View.h"
#include "kit/appkit/Window.h"
#include "kit/foundation/RunLoop.h"
#include "kit/foundation/Timer.h"
#include "kit/testsupport/EventScript.h"

#include <QCoreApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QWidget>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace kit;

const QString testType = QStringLiteral("kit.test.item");

class Target : public View, public DraggingDestination {
    KIT_CLASS(Target)

    using View::View;
    std::uint64_t draggingEntered(DraggingInfo& info) override
    {
        log.push_back("entered");
        sourceSeen = info.draggingSource().get();
        return answer;
    }
    std::uint64_t draggingUpdated(DraggingInfo&) override
    {
        log.push_back("updated");
        return answer;
    }
    void draggingExited(DraggingInfo&) override { log.push_back("exited"); }
    bool prepareForDragOperation(DraggingInfo&) override
    {
        log.push_back("prepare");
        return true;
    }
    bool performDragOperation(DraggingInfo& info) override
    {
        log.push_back("perform " + info.draggingPasteboard()->stringForType(testType).toStdString());
        return true;
    }
    void concludeDragOperation(DraggingInfo&) override { log.push_back("conclude"); }
    void draggingEnded(DraggingInfo&) override { log.push_back("ended"); }

    std::vector<std::string> log;
    std::uint64_t answer = DragOperationCopy;
    Object* sourceSeen = nullptr;
};

KIT_REGISTER_CLASS(Target, View)
{
    c.optionalOperations({ "draggingEntered", "draggingUpdated", "draggingExited", "prepareForDragOperation", "performDragOperation",
        "concludeDragOperation", "draggingEnded" });
}

class Source : public View, public DraggingSource {
    KIT_CLASS(Source)

    using View::View;
    void mouseDragged(const Event& e) override
    {
        auto board = Pasteboard::pasteboardWithName(DragPboard);
        board->declareTypesOwner({ testType }, this);
        board->setStringForType(QStringLiteral("payload"), testType);
        dragImageAtOffsetEventPasteboardSourceSlideBack(image.get(), MakePoint(5, 5), ZeroSize, e, board.get(), this, true);
        log.push_back("drag returned");
    }
    void mouseUp(const Event&) override { log.push_back("mouseUp"); }
    std::uint64_t draggingSourceOperationMaskForLocal(bool) override { return mask; }
    void draggedImageBeganAt(Object*, Point p) override
    {
        log.push_back("began " + std::to_string(int(p.x)) + "," + std::to_string(int(p.y)));
    }
    void draggedImageMovedTo(Object*, Point) override { ++moves; }
    void draggedImageEndedAtOperation(Object*, Point, std::uint64_t op) override { log.push_back("ended op " + std::to_string(op)); }

    Ref<Object> image = make<Object>();
    std::vector<std::string> log;
    std::uint64_t mask = DragOperationCopy | DragOperationMove;
    int moves = 0;
};

KIT_REGISTER_CLASS(Source, View)
{
    c.optionalOperations(
        { "draggingSourceOperationMaskForLocal", "draggedImageBeganAt", "draggedImageMovedTo", "draggedImageEndedAtOperation" });
}

class Dragging : public testing::Test {
protected:
    void SetUp() override
    {
        window = make<Window>(MakeRect(100, 100, 300, 100), TitledWindowMask);
        source = make<Source>(MakeRect(0, 0, 100, 100));
        target = make<Target>(MakeRect(200, 0, 100, 100));
        target->registerForDraggedTypes({ testType });
        window->contentView()->addSubview(source.get());
        window->contentView()->addSubview(target.get());
    }
    void TearDown() override { Application::resetForTesting(); }

    Ref<Window> window;
    Ref<Source> source;
    Ref<Target> target;
};

TEST_F(Dragging, ADropRunsTheDestinationProtocolInOrderAndEatsTheMouseUp)
{
    kit::test::EventScript script(window.get());
    int defaultTimer = 0;
    RunLoop::main().addTimerForMode(
        Timer::timerWithTimeIntervalRepeatsBlock(0.125, true, [&](Timer*) { ++defaultTimer; }), DefaultRunLoopMode);
    script.mouseDown(MakePoint(10, 10))
        .mouseDragged(MakePoint(20, 10))
        .mouseDragged(MakePoint(250, 50))
        .wait(0.25)
        .mouseUp(MakePoint(250, 50));
    script.run();
    ASSERT_GE(target->log.size(), 6u);
    EXPECT_EQ(target->log.front(), "entered");
    // At rest the destination hears periodic updates.
    EXPECT_GE(std::count(target->log.begin(), target->log.end(), std::string("updated")), 2);
    EXPECT_EQ(std::vector<std::string>(target->log.end() - 4, target->log.end()),
        (std::vector<std::string> { "prepare", "perform payload", "conclude", "ended" }));
    EXPECT_EQ(target->sourceSeen, source.get());
    EXPECT_EQ(source->log, (std::vector<std::string> { "began 105,105", "ended op 1", "drag returned" }));
    EXPECT_EQ(source->moves, 1); // the drag began on the first dragged event
    EXPECT_GE(defaultTimer, 2); // drags run in the default mode
}

TEST_F(Dragging, AnAnswerOutsideTheSourceMaskIsExitedNotDropped)
{
    target->answer = DragOperationLink;
    kit::test::EventScript script(window.get());
    script.mouseDown(MakePoint(10, 10)).mouseDragged(MakePoint(20, 10)).mouseDragged(MakePoint(250, 50)).mouseUp(MakePoint(250, 50));
    script.run();
    EXPECT_EQ(target->log.back(), "ended");
    EXPECT_EQ(target->log[target->log.size() - 2], "exited");
    EXPECT_EQ(source->log[1], "ended op 0");
}

TEST(PasteboardTypes, MimeTypesForTransfer)
{
    EXPECT_EQ(Pasteboard::mimeTypeForType(StringPboardType), QStringLiteral("text/plain"));
    EXPECT_EQ(Pasteboard::mimeTypeForType(QStringLiteral("NSURLPboardType")), QStringLiteral("text/uri-list"));
    EXPECT_EQ(Pasteboard::mimeTypeForType(QStringLiteral("x")), QStringLiteral("application/x-kit-pasteboard;type=x"));
    auto board = make<Pasteboard>(QStringLiteral("test"));
    board->declareTypesOwner({ StringPboardType }, nullptr);
    board->setStringForType(QStringLiteral("hi"), StringPboardType);
    EXPECT_EQ(board->stringForType(StringPboardType), QStringLiteral("hi"));
    board->clearContents();
    EXPECT_TRUE(board->types().isEmpty());
}

TEST_F(Dragging, DropsFromOtherApplicationsComeThroughQtToTheSameProtocol)
{
    QMimeData data;
    data.setData(QStringLiteral("application/x-kit-pasteboard;type=") + testType, QByteArrayLiteral("outside"));
    QWidget* host = window->hostWidget();
    QDragEnterEvent enter(QPoint(250, 50), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(host, &enter);
    EXPECT_TRUE(enter.isAccepted());
    EXPECT_EQ(enter.dropAction(), Qt::CopyAction);
    QDragMoveEvent move(QPoint(260, 50), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(host, &move);
    QDropEvent drop(QPointF(260, 50), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(host, &drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_EQ(target->log, (std::vector<std::string> { "entered", "updated", "prepare", "perform outside", "conclude", "ended" }));
    EXPECT_FALSE(target->sourceSeen); // no source from another process
}

} // namespace
