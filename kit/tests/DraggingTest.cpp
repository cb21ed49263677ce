#include "kit/appkit/Dragging.h"

#include "kit/appkit/Application.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/Pasteboard.h"
#include "kit/appkit/Screen.h"
#include "kit/appkit/View.h"
#include "kit/appkit/Window.h"
#include "kit/core/NotificationCenter.h"
#include "kit/foundation/RunLoop.h"
#include "kit/foundation/Timer.h"
#include "kit/graphics/Color.h"
#include "kit/graphics/GraphicsContext.h"
#include "kit/graphics/Image.h"
#include "kit/testsupport/EventScript.h"
#include "kit/testsupport/FakeDraggingInfo.h"

#include <QCoreApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
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
        locations.push_back(info.draggingLocation());
        sourceSeen = info.draggingSource().get();
        return answer;
    }
    std::uint64_t draggingUpdated(DraggingInfo& info) override
    {
        log.push_back("updated");
        locations.push_back(info.draggingLocation());
        return answer;
    }
    void draggingExited(DraggingInfo&) override { log.push_back("exited"); }
    bool prepareForDragOperation(DraggingInfo& info) override
    {
        log.push_back("prepare");
        locations.push_back(info.draggingLocation());
        return true;
    }
    bool performDragOperation(DraggingInfo& info) override
    {
        log.push_back("perform " + info.draggingPasteboard()->stringForType(testType).toStdString());
        locations.push_back(info.draggingLocation());
        return true;
    }
    void concludeDragOperation(DraggingInfo&) override { log.push_back("conclude"); }
    void draggingEnded(DraggingInfo&) override { log.push_back("ended"); }

    std::vector<std::string> log;
    std::vector<Point> locations;
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
    void mouseDown(const Event& e) override
    {
        if (dragOnMouseDown)
            drag(e);
    }
    void mouseDragged(const Event& e) override
    {
        if (!dragOnMouseDown)
            drag(e);
    }
    void drag(const Event& e)
    {
        auto board = Pasteboard::pasteboardWithName(DragPboard);
        board->declareTypesOwner({ testType }, this);
        board->setStringForType(QStringLiteral("payload"), testType);
        eventBeforeDrag = Application::sharedApplication()->currentEvent();
        dragging = true;
        dragImageAtOffsetEventPasteboardSourceSlideBack(image.get(), MakePoint(5, 5), ZeroSize, e, board.get(), this, true);
        dragging = false;
        log.push_back("drag returned");
        eventAfterDrag = Application::sharedApplication()->currentEvent();
    }
    bool respondsToSelector(const Selector& selector) const override
    {
        return (answersMask || !(selector == Selector("draggingSourceOperationMaskForLocal"))) && View::respondsToSelector(selector);
    }
    void mouseUp(const Event&) override { log.push_back("mouseUp"); }
    std::uint64_t draggingSourceOperationMaskForLocal(bool local) override { return local ? mask : outsideMask; }
    void draggedImageBeganAt(Object*, Point p) override
    {
        log.push_back("began " + std::to_string(int(p.x)) + "," + std::to_string(int(p.y)));
    }
    void draggedImageMovedTo(Object*, Point p) override
    {
        ++moves;
        lastMove = p;
    }
    void draggedImageEndedAtOperation(Object*, Point, std::uint64_t op) override { log.push_back("ended op " + std::to_string(op)); }
    bool ignoreModifierKeysWhileDragging() override { return ignoreModifiers; }

    Ref<Object> image = make<Object>();
    std::vector<std::string> log;
    std::uint64_t mask = DragOperationCopy | DragOperationMove;
    std::uint64_t outsideMask = DragOperationNone; // the kit's own loop unless a test lets it out
    int moves = 0;
    Point lastMove;
    bool ignoreModifiers = false;
    bool dragOnMouseDown = false;
    bool answersMask = true;
    bool dragging = false;
    Ref<Event> eventBeforeDrag;
    Ref<Event> eventAfterDrag;
};

KIT_REGISTER_CLASS(Source, View)
{
    c.optionalOperations({ "draggingSourceOperationMaskForLocal", "draggedImageBeganAt", "draggedImageMovedTo",
        "draggedImageEndedAtOperation", "ignoreModifierKeysWhileDragging" });
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
        // Qt's drag cannot run offscreen: a drag that reaches it fails the test.
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

// The pointer reaches the other window either as that window's events or as the source window's
// events outside its frame (the source keeps the mouse while it is pressed).
class DraggingBetweenWindows : public Dragging, public testing::WithParamInterface<bool> { };

TEST_P(DraggingBetweenWindows, TheWindowUnderThePointerTakesTheDropInItsOwnCoordinates)
{
    auto other = make<Window>(MakeRect(500, 100, 200, 100), TitledWindowMask);
    auto far = make<Target>(MakeRect(50, 0, 100, 100));
    far->registerForDraggedTypes({ testType });
    other->contentView()->addSubview(far.get());
    other->orderFront();
    window->makeKeyAndOrderFront();
    kit::test::EventScript script(window.get());
    script.mouseDown(MakePoint(10, 10)).mouseDragged(MakePoint(20, 10));
    const bool viaOtherWindow = GetParam();
    const Point p = viaOtherWindow ? MakePoint(80, 50) : MakePoint(480, 50);
    if (viaOtherWindow)
        script.inWindow(other.get());
    script.mouseDragged(p).wait(0.25).mouseUp(p);
    script.run();
    EXPECT_TRUE(target->log.empty());
    ASSERT_GE(far->log.size(), 6u);
    EXPECT_EQ(far->log.front(), "entered");
    EXPECT_EQ(std::vector<std::string>(far->log.end() - 4, far->log.end()),
        (std::vector<std::string> { "prepare", "perform payload", "conclude", "ended" }));
    for (const Point& seen : far->locations)
        EXPECT_EQ(seen, MakePoint(80, 50));
    EXPECT_EQ(source->log[1], "ended op 1");
}

INSTANTIATE_TEST_SUITE_P(Pointer, DraggingBetweenWindows, testing::Bool());

TEST_F(Dragging, AFakeSessionDrivesADestinationWithoutALoop)
{
    kit::test::FakeDraggingInfo info;
    info.location = MakePoint(250, 40);
    info.source = source;
    info.pasteboard->declareTypesOwner({ testType }, nullptr);
    info.pasteboard->setStringForType(QStringLiteral("fake"), testType);
    EXPECT_EQ(target->draggingEntered(info), DragOperationCopy);
    EXPECT_TRUE(target->performDragOperation(info));
    EXPECT_EQ(target->log, (std::vector<std::string> { "entered", "perform fake" }));
    EXPECT_EQ(target->locations, (std::vector<Point> { MakePoint(250, 40), MakePoint(250, 40) }));
    EXPECT_EQ(target->sourceSeen, source.get());
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

TEST(PasteboardTypes, OneFileURLTravelsAsAURIList)
{
    EXPECT_EQ(URLPboardType, QStringLiteral("NSURLPboardType"));
    auto board = make<Pasteboard>(QStringLiteral("url test"));
    board->declareTypesOwner({ URLPboardType }, nullptr);
    const QUrl url = QUrl::fromLocalFile(QStringLiteral("/tmp/a b.png"));
    ASSERT_TRUE(writeURLToPasteboard(url, board.get()));
    EXPECT_EQ(board->types(), QStringList { URLPboardType });
    EXPECT_EQ(board->dataForType(URLPboardType), QByteArrayLiteral("file:///tmp/a%20b.png\r\n"));
    EXPECT_EQ(URLFromPasteboard(board.get()), url);
    const auto mime = board->mimeData();
    ASSERT_EQ(mime->urls().size(), 1);
    EXPECT_EQ(mime->urls().front().toLocalFile(), QStringLiteral("/tmp/a b.png"));

    // Undeclared: the type is added, as for any data.
    board->clearContents();
    EXPECT_FALSE(writeURLToPasteboard(QUrl(), board.get()));
    EXPECT_TRUE(board->types().isEmpty());
    EXPECT_FALSE(URLFromPasteboard(board.get()).isValid());
    ASSERT_TRUE(writeURLToPasteboard(url, board.get()));
    EXPECT_EQ(board->types(), QStringList { URLPboardType });
    board->setDataForType(QByteArrayLiteral("# comment\r\nfile:///x\r\n"), URLPboardType);
    EXPECT_EQ(URLFromPasteboard(board.get()), QUrl(QStringLiteral("file:///x")));
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

TEST_F(Dragging, AltNarrowsTheOfferToACopyUnlessTheSourceIgnoresModifiers)
{
    struct Row {
        std::uint64_t flags;
        bool ignore;
        std::uint64_t performed;
    };
    const Row rows[] = {
        { 0, false, DragOperationCopy | DragOperationMove },
        { AlternateKeyMask, false, DragOperationCopy },
        { AlternateKeyMask, true, DragOperationCopy | DragOperationMove },
    };
    for (const Row& row : rows) {
        target->answer = DragOperationCopy | DragOperationMove;
        source->log.clear();
        source->ignoreModifiers = row.ignore;
        kit::test::EventScript script(window.get());
        script.mouseDown(MakePoint(10, 10))
            .mouseDragged(MakePoint(20, 10))
            .mouseDragged(MakePoint(250, 50), row.flags)
            .mouseUp(MakePoint(250, 50), row.flags);
        script.run();
        ASSERT_GE(source->log.size(), 2u);
        EXPECT_EQ(source->log[1], "ended op " + std::to_string(row.performed)) << "flags " << row.flags << " ignore " << row.ignore;
    }
}

TEST_F(Dragging, TheImageWindowFollowsThePointerAndSlidesBackWhenRefused)
{
    source->image = Image::imageWithSize(MakeSize(20, 20));
    for (const std::uint64_t answer : { DragOperationNone, DragOperationCopy }) {
        target->answer = answer;
        std::vector<Point> moves;
        std::vector<Ref<Window>> imageWindows;
        const Ref<Object> token = NotificationCenter::defaultCenter()->addObserverForNameObjectQueueUsingBlock(
            WindowDidMoveNotification, nullptr, nullptr, [&](Notification* n) {
                auto w = dynamic_pointer_cast<Window>(n->object());
                if (w && w != window) {
                    moves.push_back(w->frame().origin);
                    if (imageWindows.empty() || imageWindows.back() != w)
                        imageWindows.push_back(w);
                }
            });
        kit::test::EventScript script(window.get());
        script.mouseDown(MakePoint(10, 10)).mouseDragged(MakePoint(20, 10)).mouseDragged(MakePoint(250, 50)).mouseUp(MakePoint(250, 50));
        script.run();
        NotificationCenter::defaultCenter()->removeObserver(token.get());
        ASSERT_EQ(imageWindows.size(), 1u) << "answer " << answer;
        EXPECT_FALSE(imageWindows[0]->isVisible());
        EXPECT_EQ(imageWindows[0]->alphaValue(), 0.75);
        EXPECT_TRUE(imageWindows[0]->ignoresMouseEvents());
        ASSERT_GE(moves.size(), 1u);
        // The image keeps its offset from the pointer: it began at (105, 105) with the drag at (120, 110).
        EXPECT_EQ(moves[0], MakePoint(335, 145)) << "answer " << answer;
        if (answer == DragOperationNone) {
            EXPECT_GT(moves.size(), 2u) << "the slide back moves in frames";
            EXPECT_EQ(moves.back(), MakePoint(105, 105));
        } else {
            EXPECT_EQ(moves.size(), 1u) << "an accepted drop does not slide back";
        }
    }
}

TEST_F(Dragging, TimersDuringTheDragReadASyntheticDraggedEventAtThePointer)
{
    source->dragOnMouseDown = true;
    kit::test::EventScript script(window.get());
    std::vector<std::pair<EventType, Point>> seen;
    RunLoop::main().addTimerForMode(Timer::timerWithTimeIntervalRepeatsBlock(0.1, true,
                                        [&](Timer*) {
                                            if (!source->dragging)
                                                return;
                                            const Ref<Event> e = Application::sharedApplication()->currentEvent();
                                            seen.emplace_back(e->type(), e->locationInWindow());
                                        }),
        DefaultRunLoopMode);
    // Timers at 0.1 and 0.2 s see the press point, at 0.3 and 0.4 s the dragged one.
    script.mouseDown(MakePoint(10, 10)).wait(0.25).mouseDragged(MakePoint(250, 50)).wait(0.2).mouseUp(MakePoint(250, 50));
    script.run();
    const std::vector<std::pair<EventType, Point>> expected { { LeftMouseDragged, MakePoint(10, 10) },
        { LeftMouseDragged, MakePoint(10, 10) }, { LeftMouseDragged, MakePoint(250, 50) }, { LeftMouseDragged, MakePoint(250, 50) } };
    EXPECT_EQ(seen, expected);
    // The event that started the drag is current again when it returns.
    ASSERT_TRUE(source->eventBeforeDrag);
    EXPECT_EQ(source->eventBeforeDrag->type(), LeftMouseDown);
    EXPECT_EQ(source->eventAfterDrag, source->eventBeforeDrag);
}

TEST(PasteboardTypes, ContentsTravelAsMimeDataAndComeBack)
{
    auto board = make<Pasteboard>(QStringLiteral("test"));
    board->declareTypesOwner({ StringPboardType, QStringLiteral("NSURLPboardType"), testType }, nullptr);
    board->setStringForType(QStringLiteral("h\u00e9llo"), StringPboardType);
    board->setDataForType(QByteArrayLiteral("file:///tmp/a\r\n"), QStringLiteral("NSURLPboardType"));
    board->setDataForType(QByteArrayLiteral("\x01\x02"), testType);
    const std::unique_ptr<QMimeData> data = board->mimeData();
    EXPECT_EQ(data->formats(),
        (QStringList { QStringLiteral("text/plain"), QStringLiteral("text/uri-list"),
            QStringLiteral("application/x-kit-pasteboard;type=") + testType }));
    EXPECT_EQ(data->text(), QStringLiteral("h\u00e9llo"));
    EXPECT_EQ(data->urls(), QList<QUrl> { QUrl(QStringLiteral("file:///tmp/a")) });
    const Ref<Pasteboard> back = ExternalDrag::pasteboardFromMimeData(*data);
    EXPECT_EQ(back->stringForType(StringPboardType), QStringLiteral("h\u00e9llo"));
    EXPECT_EQ(back->dataForType(QStringLiteral("NSURLPboardType")), QByteArrayLiteral("file:///tmp/a\r\n"));
    EXPECT_EQ(back->dataForType(testType), QByteArrayLiteral("\x01\x02"));
}

// Another application may offer a kit type beside its generic form: the kit's own form is what
// arrives, whatever order the formats came in; a kit format without a type name adds nothing.
TEST(DragMimeData, TheKitFormOfATypeWinsOverTheGenericOne)
{
    const QString kitString = QStringLiteral("application/x-kit-pasteboard;type=") + StringPboardType;
    for (const bool kitFirst : { true, false }) {
        QMimeData data;
        if (kitFirst)
            data.setData(kitString, QByteArrayLiteral("exact"));
        data.setText(QStringLiteral("generic"));
        if (!kitFirst)
            data.setData(kitString, QByteArrayLiteral("exact"));
        data.setData(QStringLiteral("application/x-kit-pasteboard;type="), QByteArrayLiteral("x"));
        const Ref<Pasteboard> board = ExternalDrag::pasteboardFromMimeData(data);
        EXPECT_EQ(board->stringForType(StringPboardType), QStringLiteral("exact")) << "kit form first: " << kitFirst;
        EXPECT_FALSE(board->types().contains(QString()));
    }
}

// An item with a field of its own, as a dragged tab carries its source.
class SourcedItem : public PasteboardItem {
    KIT_CLASS(SourcedItem)
public:
    int sourceIndex = 0;
};

TEST(PasteboardItems, StayTheObjectsWrittenAndAnswerForTheirTypes)
{
    auto board = make<Pasteboard>(QStringLiteral("items"));
    board->declareTypesOwner({ StringPboardType }, nullptr);
    board->setStringForType(QStringLiteral("old"), StringPboardType);
    board->clearContents();
    EXPECT_FALSE(board->canReadItemWithDataConformingToTypes({ StringPboardType }));

    auto first = make<SourcedItem>();
    first->sourceIndex = 3;
    first->setStringForType(QStringLiteral("Tab"), testType);
    auto second = make<PasteboardItem>();
    second->setStringForType(QStringLiteral("plain"), StringPboardType);
    const std::int64_t before = board->changeCount();
    EXPECT_TRUE(board->writeObjects({ first, second }));
    EXPECT_GT(board->changeCount(), before);

    const auto items = board->pasteboardItems();
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].get(), first.get());
    EXPECT_EQ(dynamic_pointer_cast<SourcedItem>(items[0])->sourceIndex, 3);
    EXPECT_TRUE(board->canReadItemWithDataConformingToTypes({ QStringLiteral("other"), StringPboardType }));
    EXPECT_FALSE(board->canReadItemWithDataConformingToTypes({ QStringLiteral("other") }));
    // Reading the board itself reads the first item; MIME data carries it.
    EXPECT_EQ(board->types(), QStringList { testType });
    EXPECT_EQ(board->stringForType(testType), QStringLiteral("Tab"));
    EXPECT_EQ(board->stringForType(StringPboardType), QString());
    EXPECT_EQ(board->mimeData()->formats(), QStringList { QStringLiteral("application/x-kit-pasteboard;type=") + testType });
    EXPECT_FALSE(board->writeObjects({ first, nullptr }));
    EXPECT_EQ(board->pasteboardItems().size(), 2u);
}

KIT_REGISTER_CLASS(SourcedItem, PasteboardItem) { }

// What Qt's drag was given, and the outcome the test scripts for it.
struct Presented {
    int calls = 0;
    QStringList formats;
    QByteArray payload;
    Qt::DropActions actions;
    Qt::DropAction defaultAction = Qt::IgnoreAction;
    QPoint hotSpot;
    QSize imageSize;
};

TEST_F(Dragging, SourcesThatAllowDropsOutsideGoThroughQtWithThePasteboardAsMimeData)
{
    struct Row {
        std::uint64_t outside;
        bool answersMask;
        Qt::DropAction outcome;
        Qt::DropActions actions;
        Qt::DropAction defaultAction;
        std::uint64_t ended;
    };
    const Qt::DropActions all = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
    const Row rows[] = {
        { DragOperationCopy, true, Qt::CopyAction, Qt::CopyAction, Qt::CopyAction, DragOperationCopy },
        { DragOperationCopy, true, Qt::IgnoreAction, Qt::CopyAction, Qt::CopyAction, DragOperationNone },
        { DragOperationCopy | DragOperationMove, true, Qt::MoveAction, Qt::CopyAction | Qt::MoveAction, Qt::MoveAction, DragOperationMove },
        { DragOperationGeneric, true, Qt::MoveAction, Qt::MoveAction, Qt::MoveAction, DragOperationGeneric },
        { DragOperationEvery, true, Qt::LinkAction, all, Qt::MoveAction, DragOperationLink },
        { DragOperationEvery, true, Qt::TargetMoveAction, all, Qt::MoveAction, DragOperationMove },
        // A source without a mask offers a copy outside.
        { DragOperationNone, false, Qt::CopyAction, Qt::CopyAction, Qt::CopyAction, DragOperationCopy },
    };
    const Ref<Image> image = Image::imageWithSize(MakeSize(20, 20));
    image->lockFocus();
    Color::redColor()->setFill();
    RectFill(MakeRect(0, 0, 20, 20));
    image->unlockFocus();
    source->image = image;
    // The presenter reports the pointer at screen (300, 150): the image keeps its offset from it.
    const QPointF pointer = QtRectFromScreen(MakeRect(300, 150, 0, 0)).topLeft();
    for (const Row& row : rows) {
        source->log.clear();
        source->outsideMask = row.outside;
        source->answersMask = row.answersMask;
        Presented presented;
        ExternalDrag::setPresenter([&](OutgoingDrag& drag) {
            ++presented.calls;
            presented.formats = drag.mimeData->formats();
            presented.payload = drag.mimeData->data(Pasteboard::mimeTypeForType(testType));
            presented.actions = drag.actions;
            presented.defaultAction = drag.defaultAction;
            presented.hotSpot = drag.hotSpot;
            presented.imageSize = drag.image.size();
            drag.pointerMoved(pointer);
            return row.outcome;
        });
        kit::test::EventScript script(window.get());
        // The mouse-up is queued with the drag: Qt's drag ate it.
        script.mouseDown(MakePoint(10, 10)).mouseDragged(MakePoint(20, 10)).mouseUp(MakePoint(20, 10));
        script.run();
        const std::string name = "outside " + std::to_string(row.outside) + " outcome " + std::to_string(row.outcome);
        EXPECT_EQ(presented.calls, 1) << name;
        EXPECT_EQ(presented.formats, QStringList { QStringLiteral("application/x-kit-pasteboard;type=") + testType }) << name;
        EXPECT_EQ(presented.payload, QByteArrayLiteral("payload")) << name;
        EXPECT_EQ(presented.actions, row.actions) << name;
        EXPECT_EQ(presented.defaultAction, row.defaultAction) << name;
        // Grabbed at screen (120, 110) with the image's bottom-left at (105, 105): 15 in, 15 down from its top.
        EXPECT_EQ(presented.hotSpot, QPoint(15, 15)) << name;
        EXPECT_EQ(presented.imageSize, QSize(20, 20)) << name;
        EXPECT_EQ(source->lastMove, MakePoint(285, 145)) << name;
        EXPECT_EQ(source->log, (std::vector<std::string> { "began 105,105", "ended op " + std::to_string(row.ended), "drag returned" }))
            << name;
        EXPECT_TRUE(target->log.empty()) << name;
    }
}

TEST_F(Dragging, WhatQtCannotCarryStaysInTheKitLoop)
{
    source->outsideMask = DragOperationPrivate | DragOperationDelete;
    kit::test::EventScript script(window.get());
    script.mouseDown(MakePoint(10, 10)).mouseDragged(MakePoint(20, 10)).mouseDragged(MakePoint(250, 50)).mouseUp(MakePoint(250, 50));
    script.run();
    EXPECT_EQ(target->log.back(), "ended");
    EXPECT_EQ(source->log, (std::vector<std::string> { "began 105,105", "ended op 1", "drag returned" }));
}

TEST_F(Dragging, AnOutgoingDragDroppedOnOurOwnWindowKeepsThePasteboardSourceAndInsideMask)
{
    // Inside only a move, outside only a copy: the destination's move must win inside.
    source->mask = DragOperationMove;
    source->outsideMask = DragOperationCopy;
    target->answer = DragOperationMove;
    ExternalDrag::setPresenter([&](OutgoingDrag& drag) {
        // What Qt does when the pointer is released over our own window (Qt y down).
        QWidget* host = window->hostWidget();
        QDragEnterEvent enter(QPoint(250, 50), drag.actions, drag.mimeData.get(), Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(host, &enter);
        QDropEvent drop(QPointF(250, 50), drag.actions, drag.mimeData.get(), Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(host, &drop);
        return Qt::CopyAction; // Qt only knows the actions it was offered
    });
    kit::test::EventScript script(window.get());
    script.mouseDown(MakePoint(10, 10)).mouseDragged(MakePoint(20, 10));
    script.run();
    EXPECT_EQ(target->log, (std::vector<std::string> { "entered", "prepare", "perform payload", "conclude", "ended" }));
    EXPECT_EQ(target->sourceSeen, source.get());
    EXPECT_EQ(source->log[1], "ended op " + std::to_string(DragOperationMove));
}

TEST_F(Dragging, QtsDragRunsInTheDefaultModeWithTheDraggedEventAtThePointer)
{
    source->outsideMask = DragOperationCopy;
    kit::test::EventScript script(window.get());
    int defaultTimer = 0;
    RunLoop::main().addTimerForMode(
        Timer::timerWithTimeIntervalRepeatsBlock(0.125, true, [&](Timer*) { ++defaultTimer; }), DefaultRunLoopMode);
    QString modeInDrag;
    Ref<Event> atStart;
    Ref<Event> afterMove;
    int updatesAtRest = 0;
    ExternalDrag::setPresenter([&](OutgoingDrag& drag) {
        modeInDrag = RunLoop::main().currentMode();
        atStart = Application::sharedApplication()->currentEvent();
        script.clock().advance(0.3);
        // The pointer at screen (250, 150): base (150, 50) of the source window.
        drag.pointerMoved(QtRectFromScreen(MakeRect(250, 150, 0, 0)).topLeft());
        afterMove = Application::sharedApplication()->currentEvent();
        // Back over our own window and at rest there: periodic updates.
        ExternalDrag::handle(*window, ExternalDrag::Enter, MakePoint(250, 50), drag.mimeData.get(), DragOperationCopy);
        const auto before = target->log.size();
        script.clock().advance(0.35);
        updatesAtRest = int(std::count(target->log.begin() + long(before), target->log.end(), std::string("updated")));
        ExternalDrag::handle(*window, ExternalDrag::Drop, MakePoint(250, 50), drag.mimeData.get(), DragOperationCopy);
        return Qt::CopyAction;
    });
    const Ref<Event> down = Event::mouseEventWithTypeLocationModifierFlagsTimestampWindowNumberContextEventNumberClickCountPressure(
        LeftMouseDown, MakePoint(10, 10), 0, script.now(), window->windowNumber(), nullptr, 0, 1, 1);
    {
        // Started from a tracking loop.
        const RunLoop::ModeScope tracking(EventTrackingRunLoopMode);
        source->drag(*down);
    }
    EXPECT_EQ(modeInDrag, DefaultRunLoopMode);
    EXPECT_GE(defaultTimer, 2);
    ASSERT_TRUE(atStart && afterMove);
    EXPECT_EQ(atStart->type(), LeftMouseDragged);
    EXPECT_EQ(atStart->locationInWindow(), MakePoint(10, 10));
    EXPECT_EQ(afterMove->type(), LeftMouseDragged);
    EXPECT_EQ(afterMove->locationInWindow(), MakePoint(150, 50));
    EXPECT_GE(updatesAtRest, 3);
    EXPECT_EQ(target->log.back(), "ended");
    // The drop stopped the updates.
    const auto done = target->log.size();
    script.clock().advance(0.5);
    EXPECT_EQ(target->log.size(), done);
}

TEST_F(Dragging, HeadlessWithoutAPresenterEveryDragRunsInTheKitLoop)
{
    ExternalDrag::resetForTesting(); // Qt's own drag, which the offscreen platform cannot run
    source->outsideMask = DragOperationCopy;
    kit::test::EventScript script(window.get());
    script.mouseDown(MakePoint(10, 10)).mouseDragged(MakePoint(20, 10)).mouseDragged(MakePoint(250, 50)).mouseUp(MakePoint(250, 50));
    script.run();
    EXPECT_EQ(target->log.back(), "ended");
    EXPECT_EQ(source->log, (std::vector<std::string> { "began 105,105", "ended op 1", "drag returned" }));
}

} // namespace

TEST(DraggingRegistration, ASubclassWidensTheTypesAViewRegisters)
{
    // A view that always accepts one more type than it is asked for, reached through the base class.
    struct WideningView : View {
        void registerForDraggedTypes(const QStringList& types) override { View::registerForDraggedTypes(types + QStringList { "extra" }); }
    };
    auto view = make<WideningView>();
    View& base = *view;
    base.registerForDraggedTypes({ testType });
    EXPECT_EQ(view->registeredDraggedTypes(), (QStringList { testType, "extra" }));
    base.unregisterDraggedTypes();
    EXPECT_TRUE(view->registeredDraggedTypes().isEmpty());
}
