#include "QVFlowViewTestSupport.h"
#include "kit/appkit/AccessibilityBridge.h"
#include "kit/appkit/Dragging.h"
#include "kit/appkit/KeyCodes.h"
#include "kit/appkit/Pasteboard.h"
#include "kit/appkit/PreviewPanel.h"
#include "kit/appkit/TrackingArea.h"
#include "kit/appkit/Workspace.h"
#include "kit/tests/AccessibilityTestSupport.h"
#include "kit/testsupport/EventScript.h"
#include "kit/testsupport/FocusRingChecks.h"
#include "kit/testsupport/FakeDraggingInfo.h"

#include <QAccessibleActionInterface>
#include <QMimeData>

#include <cmath>
#include <map>

namespace qv_flow_view_interaction_test {

using namespace kit;
using namespace qv_flow_view_test;

// Answers items but cannot write them to a pasteboard.
class PlainSource : public Object, public QVFlowViewDataSource {
    KIT_CLASS(PlainSource)
public:
    std::int64_t numberOfItemsInFlowView(QVFlowView*) override { return std::int64_t(items.size()); }
    Value flowViewItemAtIndex(QVFlowView*, std::int64_t index) override { return Value(items.at(std::size_t(index))); }
    std::vector<Ref<FlowItem>> items;
};

KIT_REGISTER_CLASS(PlainSource, Object) { c.optionalOperations({ "numberOfItemsInFlowView", "flowViewItemAtIndex" }); }

class ActionTarget : public Object {
    KIT_CLASS(ActionTarget)
public:
    void open(Object*) { ++opened; }
    int opened = 0;
};

KIT_REGISTER_CLASS(ActionTarget, Object) { c.action("open", &ActionTarget::open); }

class FlowViewInteraction : public FlowViewFixture {
protected:
    Ref<Event> mouse(EventType type, Point p, std::int64_t clicks = 1) const
    {
        Event::Fields f;
        f.type = type;
        f.location = p;
        f.clickCount = clicks;
        f.window = Weak<Window>(window.get());
        f.windowNumber = window->windowNumber();
        return make<Event>(std::move(f));
    }
    Ref<Event> wheel(double dx, double dy) const
    {
        Event::Fields f;
        f.type = ScrollWheel;
        f.deltaX = dx;
        f.deltaY = dy;
        f.window = Weak<Window>(window.get());
        return make<Event>(std::move(f));
    }
    Ref<Layer> knob() const { return view->scrollBarLayer()->sublayers().front(); }
    Point inRoot(const Layer* layer, Point p) const { return layer->convertPointToLayer(p, view->backgroundLayer().get()); }
    Point knobCentre() const
    {
        const Rect k = knob()->bounds();
        return inRoot(knob().get(), Point { k.midX(), k.midY() });
    }
};

// Scroll bar and knob -------------------------------------------------------------------------------

TEST_F(FlowViewInteraction, TheBarStepsTowardsTheClick)
{
    makeView(10);
    view->setSelectedIndex(5);
    settle();
    const Rect bar = view->scrollBarLayer()->bounds();
    const Point left = inRoot(view->scrollBarLayer().get(), Point { bar.minX() + 2, bar.midY() });
    const Point right = inRoot(view->scrollBarLayer().get(), Point { bar.maxX() - 2, bar.midY() });
    view->mouseDown(*mouse(LeftMouseDown, left));
    EXPECT_EQ(view->selectedIndex(), 4);
    settle();
    view->mouseDown(*mouse(LeftMouseDown, right));
    EXPECT_EQ(view->selectedIndex(), 5);
}

TEST_F(FlowViewInteraction, AKnobDragReachesTheLastItem)
{
    makeView(10);
    const Point start = knobCentre();
    view->mouseDown(*mouse(LeftMouseDown, start));
    EXPECT_TRUE(view->draggingKnob());
    EXPECT_EQ(view->selectedIndex(), 0);
    view->mouseDragged(*mouse(LeftMouseDragged, Point { start.x + 2000, start.y }));
    EXPECT_EQ(view->selectedIndex(), 9);
    view->mouseDragged(*mouse(LeftMouseDragged, Point { start.x - 2000, start.y }));
    EXPECT_EQ(view->selectedIndex(), 0);
    view->mouseUp(*mouse(LeftMouseUp, start));
    EXPECT_FALSE(view->draggingKnob());
}

TEST_F(FlowViewInteraction, ABarNarrowerThanItsKnobDoesNothing)
{
    makeView(10, Size { 50, 300 });
    view->setDraggingKnob(true);
    view->setMouseDownInKnob(0);
    EXPECT_NO_THROW(view->mouseDragged(*mouse(LeftMouseDragged, Point { 40, 15 })));
    EXPECT_EQ(view->selectedIndex(), 0);
}

// Clicks and drags out --------------------------------------------------------------------------------

TEST_F(FlowViewInteraction, AClickOnAnotherItemSelectsIt)
{
    makeView(5);
    Pasteboard::pasteboardWithName(DragPboard)->clearContents();
    const std::int64_t changes = Pasteboard::pasteboardWithName(DragPboard)->changeCount();
    view->mouseDown(*mouse(LeftMouseDown, pictureCentre(1)));
    EXPECT_EQ(view->selectedIndex(), 1);
    EXPECT_EQ(Pasteboard::pasteboardWithName(DragPboard)->changeCount(), changes);
    EXPECT_EQ(view->selectedLayer(), picture(1));
    EXPECT_TRUE(picture(1)->valueForKey(QStringLiteral("highlighted")).boolValue());
}

TEST_F(FlowViewInteraction, ADragOfAFileCarriesItsURL)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.png"));
    ASSERT_TRUE(solidImage(20, 20)->image().save(path));
    auto plain = make<PlainSource>();
    plain->items.push_back(make<FlowItem>(QStringLiteral("a"), QVFlowViewPathRepresentationType, Value(path), QStringLiteral("A")));
    plain->items.push_back(imageItem(1));
    makeView(0);
    view->setDataSource(plain.get());
    view->reloadContent();
    settle();
    {
        test::EventScript script(window.get());
        const Point p = pictureCentre(0);
        script.mouseDown(p).mouseDragged(Point { p.x + 30, p.y }).mouseUp(Point { p.x + 30, p.y });
        script.run();
    }
    const Ref<Pasteboard> board = Pasteboard::pasteboardWithName(DragPboard);
    EXPECT_EQ(URLFromPasteboard(board.get()), QUrl::fromLocalFile(path));

    // A picture item of a source that cannot write it: nothing of the file drag rides along.
    view->setSelectedIndex(1);
    settle();
    {
        test::EventScript script(window.get());
        const Point p = pictureCentre(1);
        script.mouseDown(p).mouseDragged(Point { p.x + 30, p.y }).mouseUp(Point { p.x + 30, p.y });
        script.run();
    }
    EXPECT_TRUE(board->types().isEmpty());
}

TEST_F(FlowViewInteraction, FilesLeaveThroughQtAsAURIList)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("out.png"));
    ASSERT_TRUE(solidImage(20, 20)->image().save(path));
    auto plain = make<PlainSource>();
    plain->items.push_back(make<FlowItem>(QStringLiteral("out"), QVFlowViewPathRepresentationType, Value(path), QStringLiteral("Out")));
    makeView(0);
    view->setDataSource(plain.get());
    view->reloadContent();
    settle();
    QList<QUrl> urls;
    Qt::DropActions actions;
    ExternalDrag::setPresenter([&](OutgoingDrag& drag) {
        urls = drag.mimeData->urls();
        actions = drag.actions;
        return Qt::CopyAction;
    });
    {
        test::EventScript script(window.get());
        const Point p = pictureCentre(0);
        script.mouseDown(p).mouseDragged(Point { p.x + 40, p.y }).mouseUp(Point { p.x + 40, p.y });
        script.run();
    }
    ExternalDrag::setPresenter(nullptr);
    ASSERT_EQ(urls.size(), 1);
    EXPECT_EQ(urls.front(), QUrl::fromLocalFile(path));
    EXPECT_TRUE(actions.testFlag(Qt::CopyAction));
}

TEST_F(FlowViewInteraction, TheDataSourceWritesTheDraggedItem)
{
    makeView(3);
    test::EventScript script(window.get());
    const Point p = pictureCentre(0);
    script.mouseDown(p).mouseDragged(Point { p.x, p.y + 30 }).mouseUp(Point { p.x, p.y + 30 });
    script.run();
    ASSERT_FALSE(source->log.empty());
    EXPECT_EQ(source->log.front(), "write 0");
    EXPECT_EQ(Pasteboard::pasteboardWithName(DragPboard)->stringForType(StringPboardType), QStringLiteral("item"));
}

TEST_F(FlowViewInteraction, DoubleClickCascade)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("b.png"));
    ASSERT_TRUE(solidImage(20, 20)->image().save(path));
    auto plain = make<PlainSource>();
    plain->items.push_back(make<FlowItem>(QStringLiteral("b"), QVFlowViewPathRepresentationType, Value(path), QStringLiteral("B")));
    makeView(0);
    view->setDataSource(plain.get());
    view->reloadContent();
    settle();
    std::vector<QUrl> opened;
    Workspace::setURLOpener([&](const QUrl& url) {
        opened.push_back(url);
        return true;
    });
    const Point p = pictureCentre(0);
    view->mouseDown(*mouse(LeftMouseDown, p, 2));
    EXPECT_EQ(delegate->log.back(), "double 0");
    EXPECT_TRUE(opened.empty());

    auto quiet = make<SelectionDelegate>();
    view->setDelegate(quiet.get());
    auto target = make<ActionTarget>();
    view->setTarget(target.get());
    view->setAction(Selector("open"));
    view->mouseDown(*mouse(LeftMouseDown, p, 2));
    EXPECT_EQ(target->opened, 1);
    EXPECT_TRUE(opened.empty());

    view->setAction(Selector());
    view->mouseDown(*mouse(LeftMouseDown, p, 2));
    Workspace::setURLOpener(nullptr);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], QUrl::fromLocalFile(path));
}

TEST_F(FlowViewInteraction, RightClicksTellTheDelegate)
{
    makeView(3);
    view->rightMouseUp(*mouse(RightMouseUp, pictureCentre(1)));
    EXPECT_EQ(delegate->log.back(), "right 1");
    delegate->log.clear();
    view->rightMouseUp(*mouse(RightMouseUp, Point { 2, 340 }));
    EXPECT_TRUE(delegate->log.empty());
}

TEST_F(FlowViewInteraction, ReflectionsAndGapsHitNoItem)
{
    makeView(5);
    view->setSelectedIndex(2);
    settle();
    const Rect r = view->backgroundLayer()->convertRectFromLayer(picture(2)->bounds(), picture(2).get());
    EXPECT_EQ(view->indexOfItemAtPoint(Point { r.midX(), r.midY() }), 2);
    EXPECT_EQ(view->indexOfItemAtPoint(Point { r.midX(), r.minY() - r.size.height / 2 }), NotFound); // the mirror below
    const Rect left = view->backgroundLayer()->convertRectFromLayer(picture(1)->bounds(), picture(1).get());
    EXPECT_EQ(view->indexOfItemAtPoint(Point { (left.maxX() + r.minX()) / 2, r.midY() }), NotFound);
    EXPECT_EQ(view->indexOfItemAtPoint(Point { 3, 345 }), NotFound);
}

// Each item a colour of its own, so a snapshot tells which picture is drawn where.
QColor itemColour(int i) { return QColor::fromHsv((i * 47) % 360, 220, 230); }

// The item whose colour the pixel shows, else -1 (background, reflection, an edge).
int itemDrawnAt(const QImage& shot, Point p, int items)
{
    const QColor c = test::basePixel(shot, p);
    for (int i = 0; i < items; ++i) {
        const QColor e = itemColour(i);
        if (std::abs(c.red() - e.red()) <= 3 && std::abs(c.green() - e.green()) <= 3 && std::abs(c.blue() - e.blue()) <= 3)
            return i;
    }
    return -1;
}

TEST_F(FlowViewInteraction, APointAnswersThePictureDrawnThere)
{
    constexpr int count = 15;
    for (int i = 0; i < count; ++i)
        source->items.push_back(make<FlowItem>(QStringLiteral("uid%1").arg(i), QVFlowViewCGImageRepresentationType,
            Value(Ref<Object>(solidImage(200, 200, itemColour(i)))), QStringLiteral("Item %1").arg(i)));
    makeView(0, Size { 600, 350 });
    view->setSelectedIndex(7);
    settle();
    const QImage shot = window->snapshot();
    const Rect selected = view->backgroundLayer()->convertRectFromLayer(picture(7)->bounds(), picture(7).get());
    // Across the pictures, and across their reflections below.
    const double rows[] = { std::floor(selected.midY()) + 0.5, std::floor(selected.minY() - selected.size.height / 3) + 0.5 };
    std::map<int, int> hitsOf; // item -> points of it checked
    int elsewhere = 0;
    for (const double y : rows) {
        for (double x = 1.5; x < 599; x += 1) {
            const Point p { x, y };
            // Only where both neighbours show the same: a blended edge pixel belongs to neither.
            const int drawn = itemDrawnAt(shot, p, count);
            if (drawn != itemDrawnAt(shot, Point { x - 1, y }, count) || drawn != itemDrawnAt(shot, Point { x + 1, y }, count))
                continue;
            const std::int64_t answer = view->indexOfItemAtPoint(view->convertPointFromView(p, nullptr));
            if (drawn < 0) {
                ++elsewhere;
                EXPECT_EQ(answer, NotFound) << "x " << x << " y " << y;
            } else {
                ++hitsOf[drawn];
                EXPECT_EQ(answer, drawn) << "x " << x << " y " << y;
            }
        }
    }
    // The strips of the neighbours' neighbours show behind the raised neighbours.
    EXPECT_GT(hitsOf[5], 3);
    EXPECT_GT(hitsOf[9], 3);
    EXPECT_GT(hitsOf[7], 100);
    EXPECT_GT(elsewhere, 500);
}

// Keys, wheel, swipe --------------------------------------------------------------------------------

struct WheelCase {
    const char* name;
    std::int64_t from;
    double dx, dy;
    std::int64_t to;
};

class FlowViewWheel : public FlowViewInteraction, public testing::WithParamInterface<WheelCase> { };

TEST_P(FlowViewWheel, MovesByTheLargerDeltaTruncated)
{
    makeView(6);
    const WheelCase& c = GetParam();
    view->setSelectedIndex(c.from);
    view->scrollWheel(*wheel(c.dx, c.dy));
    EXPECT_EQ(view->selectedIndex(), c.to);
    view->setSelectedIndex(c.from);
    view->swipeWithEvent(*wheel(c.dx, c.dy));
    EXPECT_EQ(view->selectedIndex(), c.to);
}

INSTANTIATE_TEST_SUITE_P(Deltas, FlowViewWheel,
    testing::Values(WheelCase { "ThreeRight", 0, 3, 1, 3 }, WheelCase { "BeforeTheFirst", 0, 0, -1, 0 },
        WheelCase { "AlmostBack", 2, -0.3, 0, 1 }, WheelCase { "KeepsOnAFraction", 2, 0.3, 0, 2 }, WheelCase { "PastTheEnd", 4, 2, 0, 4 },
        WheelCase { "Huge", 3, 1e300, 0, 3 }, WheelCase { "HugeBack", 3, -1e300, 0, 3 }),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FlowViewInteraction, TheWheelDoesNothingWhileEmpty)
{
    makeView(0);
    EXPECT_NO_THROW(view->scrollWheel(*wheel(3, 0)));
    EXPECT_EQ(view->selectedIndex(), NotFound);
}

TEST_F(FlowViewInteraction, ArrowKeysComeBackAsActions)
{
    makeView(4);
    window->makeKeyAndOrderFront();
    window->makeFirstResponder(view.get());
    test::EventScript script(window.get());
    script.key(KeyCodeRightArrow).key(KeyCodeRightArrow).key(KeyCodeLeftArrow);
    script.run();
    EXPECT_EQ(view->selectedIndex(), 1);
}

// As a screen reader hears the arrows: the view and its list are named, and each item selected
// takes the focus, named by its title; the focus leaving the view leaves its items too.
TEST_F(FlowViewInteraction, TheArrowsFocusTheItemTheySelect)
{
    makeView(3);
    AccessibilityBridge::setEventObserverForTesting(test::recordEvent);
    window->makeKeyAndOrderFront();
    const auto pictureOf
        = [&](std::size_t i) { return AccessibilityBridge::interfaceFor(Value(Ref<Object>(view->listElement()->children().at(i)))); };
    QAccessibleInterface* list = AccessibilityBridge::interfaceFor(Value(Ref<Object>(view->listElement())));
    EXPECT_EQ(AccessibilityBridge::interfaceFor(Value(view))->text(QAccessible::Name), QStringLiteral("Covers"));
    EXPECT_EQ(list->text(QAccessible::Name), QStringLiteral("Covers"));
    using Seen = std::vector<const QAccessibleInterface*>;
    // The list takes the focus for the view, and the selected item is heard.
    ASSERT_TRUE(list->state().focusable);
    list->actionInterface()->doAction(QAccessibleActionInterface::setFocusAction());
    EXPECT_EQ(window->firstResponder(), view);
    EXPECT_EQ(test::eventsOf(QAccessible::Focus), Seen { pictureOf(0) });
    for (std::size_t i = 1; i <= 2; ++i) {
        test::events().clear();
        test::EventScript script(window.get());
        script.key(KeyCodeRightArrow).run();
        EXPECT_EQ(test::eventsOf(QAccessible::Focus), Seen { pictureOf(i) }) << i;
        EXPECT_EQ(pictureOf(i)->text(QAccessible::Name), QStringLiteral("Item %1").arg(i));
        EXPECT_TRUE(pictureOf(i)->state().focused) << i;
        EXPECT_TRUE(pictureOf(i)->state().selected) << i;
        EXPECT_FALSE(pictureOf(i - 1)->state().focused) << i;
        EXPECT_FALSE(AccessibilityBridge::interfaceFor(Value(view))->state().focused) << "one focused element: the picture";
    }
    window->makeFirstResponder(nullptr);
    EXPECT_FALSE(pictureOf(2)->state().focused);
    view->setToolTip(QStringLiteral("Pictures"));
    EXPECT_EQ(AccessibilityBridge::interfaceFor(Value(view))->text(QAccessible::Name), QStringLiteral("Pictures"));
    AccessibilityBridge::setEventObserverForTesting(nullptr);
}

TEST_F(FlowViewInteraction, SpaceTogglesThePanelOnlyWhenAllowed)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("c.png"));
    ASSERT_TRUE(solidImage(20, 20)->image().save(path));
    source->items.push_back(make<FlowItem>(QStringLiteral("c"), QVFlowViewPathRepresentationType, Value(path), QStringLiteral("C")));
    makeView(0);
    view->reloadContent();
    settle();
    PreviewPanel::resetForTesting();
    const auto space = [&] {
        window->makeKeyAndOrderFront();
        window->makeFirstResponder(view.get());
        test::EventScript script(window.get());
        script.key(KeyCodeSpace, QStringLiteral(" "));
        script.run();
    };
    space();
    EXPECT_FALSE(PreviewPanel::sharedPreviewPanelExists() && PreviewPanel::sharedPreviewPanel()->isVisible());
    view->setCanControlQuickLookPanel(true);
    space();
    const Ref<PreviewPanel> panel = PreviewPanel::sharedPreviewPanel();
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(panel->currentController(), view);
    EXPECT_EQ(panel->currentPreviewItem(), QUrl::fromLocalFile(path));
    space();
    EXPECT_FALSE(panel->isVisible());
    // A picture item refuses panel control.
    source->items[0] = imageItem(0);
    view->reloadContent();
    EXPECT_FALSE(view->acceptsPreviewPanelControl(panel.get()));
    PreviewPanel::resetForTesting();
}

// Drops ---------------------------------------------------------------------------------------------

TEST_F(FlowViewInteraction, DropsFrameTheItemUnderTheDrag)
{
    makeView(4);
    test::FakeDraggingInfo info;
    info.location = pictureCentre(0);
    info.source = view;
    EXPECT_EQ(view->draggingEntered(info), DragOperationNone);
    EXPECT_FALSE(view->highlightedLayer());
    EXPECT_EQ(view->draggingUpdated(info), DragOperationNone); // its own item over itself
    EXPECT_TRUE(source->log.empty());

    info.source = nullptr;
    info.location = pictureCentre(1);
    EXPECT_EQ(view->draggingEntered(info), DragOperationNone);
    EXPECT_EQ(view->highlightedLayer(), view->backgroundLayer());
    EXPECT_EQ(view->draggingUpdated(info), DragOperationCopy);
    EXPECT_EQ(source->log, (std::vector<std::string> { "validate 1" }));
    EXPECT_EQ(view->highlightedLayer(), picture(1));
    EXPECT_EQ(picture(1)->borderWidth(), 2);
    EXPECT_EQ(view->backgroundLayer()->borderWidth(), 0);
    EXPECT_TRUE(view->performDragOperation(info));
    EXPECT_EQ(source->log.back(), "accept 1");
    view->concludeDragOperation(info);
    EXPECT_FALSE(view->highlightedLayer());
    EXPECT_EQ(picture(1)->borderWidth(), 0);

    view->draggingEntered(info);
    view->draggingExited(info);
    EXPECT_FALSE(view->highlightedLayer());
    info.location = Point { 3, 345 };
    EXPECT_FALSE(view->performDragOperation(info));
}

TEST_F(FlowViewInteraction, DroppedOnTheTrashAsksForRemoval)
{
    makeView(3);
    view->setSelectedIndex(2);
    view->draggedImageEndedAtOperation(nullptr, Point {}, DragOperationCopy);
    EXPECT_TRUE(source->log.empty());
    view->draggedImageEndedAtOperation(nullptr, Point {}, DragOperationDelete);
    EXPECT_EQ(source->log, (std::vector<std::string> { "remove 2" }));
    EXPECT_EQ(view->draggingSourceOperationMaskForLocal(true), DragOperationMove);
    EXPECT_EQ(view->draggingSourceOperationMaskForLocal(false), DragOperationCopy);
}

// Tracking and the overlay ----------------------------------------------------------------------------

TEST_F(FlowViewInteraction, TheTrackingAreaFollowsTheSelection)
{
    makeView(4);
    ASSERT_EQ(view->trackingAreas().size(), 1u);
    const Rect first = view->trackingAreas().front()->rect();
    EXPECT_EQ(first, view->rectInViewForLayer(picture(0).get()));
    view->setSelectedIndex(3);
    settle();
    ASSERT_EQ(view->trackingAreas().size(), 1u);
    EXPECT_EQ(view->trackingAreas().front()->rect(), view->rectInViewForLayer(picture(3).get()));
    const std::uint64_t options = view->trackingAreas().front()->options();
    EXPECT_EQ(options,
        std::uint64_t(TrackingMouseEnteredAndExited | TrackingActiveWhenFirstResponder | TrackingActiveInActiveApp | TrackingAssumeInside));
}

TEST_F(FlowViewInteraction, TheOwnersOverlayShowsWhileThePointerIsIn)
{
    makeView(2);
    const Ref<Layer> overlay = view->createMovieOverlayLayerWithIndex(0);
    picture(0)->setValueForKey(Value(Ref<Object>(overlay)), QStringLiteral("overlayLayerKey"));
    picture(0)->addSublayer(overlay.get());
    EXPECT_EQ(view->overlayLayerAtIndex(0), overlay);
    view->mouseEntered(*mouse(MouseEntered, pictureCentre(0)));
    EXPECT_FALSE(overlay->isHidden());
    view->mouseExited(*mouse(MouseExited, Point {}));
    EXPECT_TRUE(overlay->isHidden());
    // Leaving the selection takes the overlay off the picture.
    view->setSelectedIndex(1);
    EXPECT_TRUE(picture(0)->sublayers().empty());
}

// The keyboard focus shows as a ring just inside the view, over the background: chosen from the
// keyboard or by code in the key window, not after a click nor in another window.
TEST_F(FlowViewInteraction, TheKeyboardFocusRingsTheViewInsideItsEdges)
{
    makeView(3);
    window->makeKeyAndOrderFront();
    settle();
    const QImage plain = window->snapshot();
    const auto ringed = [&] {
        settle();
        const QImage shot = window->snapshot();
        const Rect b = view->bounds();
        bool left = false, top = false;
        for (double d = 0.5; d < 3; ++d) {
            const Point l = view->convertPointToView(Point { b.minX() + d, b.midY() }, nullptr);
            const Point t = view->convertPointToView(Point { b.midX(), b.maxY() - d }, nullptr);
            left |= !test::basePixelIs(shot, l, test::basePixel(plain, l), 4);
            top |= !test::basePixelIs(shot, t, test::basePixel(plain, t), 4);
        }
        return left && top;
    };
    test::ExpectTheRingFollowsKeyAndFocus(*window, *view, view->convertPointToView(Point { 20, 20 }, nullptr), ringed, KeyCodeLeftArrow);
}

} // namespace qv_flow_view_interaction_test
