#include "JVLCoverFlowTestSupport.h"

#include "kit/appkit/Application.h"
#include "kit/appkit/CAAnimation.h"
#include "kit/appkit/Event.h"
#include "kit/core/ArrayController.h"
#include "kit/core/AutoreleasePool.h"
#include "kit/core/KeyValueObserving.h"
#include "kit/foundation/NibLoader.h"
#include "kit/foundation/RunLoop.h"
#include "kit/layers/Transaction.h"
#include "kit/appkit/FrameDriver.h"
#include "kit/testsupport/EventScript.h"
#include "kit/testsupport/FocusRingChecks.h"
#include "kit/testsupport/LargePictures.h"
#include "kit/testsupport/ManualClockScope.h"
#include "kit/testsupport/PixelProbe.h"
#include "kit/testsupport/RuntimeRecorders.h"

#include "kit/appkit/Accessibility.h"
#include "kit/appkit/AccessibilityBridge.h"
#include "kit/appkit/KeyCodes.h"
#include "kit/appkit/Screen.h"
#include "kit/tests/AccessibilityTestSupport.h"

#include <QAccessible>
#include <QAccessibleActionInterface>

#include <gtest/gtest.h>

#include <cmath>

namespace jvl_cover_flow_test {

using namespace kit;

// The owner of an interface file and the target of the view's action.
class CoverFlowOwner : public Object {
    KIT_CLASS(CoverFlowOwner)
public:
    CoverFlowOwner()
        : controller_(make<ArrayController>())
    { }
    Ref<ArrayController> controller() const { return controller_; }
    Ref<JVLCoverFlowView> coverFlow() const { return coverFlow_; }
    void setCoverFlow(const Ref<JVLCoverFlowView>& v) { coverFlow_ = v; }
    void opened(Object* sender)
    {
        auto* view = dynamic_cast<JVLCoverFlowView*>(sender);
        calls.append(QStringLiteral("opened %1").arg(view ? view->selectionIndex() : -1));
    }
    QStringList calls;

private:
    Ref<ArrayController> controller_;
    Ref<JVLCoverFlowView> coverFlow_;
};

KIT_REGISTER_CLASS(CoverFlowOwner, Object)
{
    c.property("controller", &CoverFlowOwner::controller);
    c.property("coverFlow", &CoverFlowOwner::coverFlow, &CoverFlowOwner::setCoverFlow);
    c.action("opened", &CoverFlowOwner::opened);
}

// Records the keys that pass the view.
class KeyCatcher : public Responder {
public:
    void keyDown(const Event& e) override { keys.push_back(e.keyCode()); }
    std::vector<int> keys;
};

QColor colourOf(int i) { return QColor::fromHsv((i * 47) % 360, 220, 230); }

Array coloredPictures(int count)
{
    Array out;
    for (int i = 0; i < count; ++i)
        out.addObject(Value(solidPicture(colourOf(i))));
    return out;
}

class CoverFlow : public testing::Test {
protected:
    void SetUp() override { makeWindow(MakeRect(0, 0, 600, 300)); }
    void TearDown() override
    {
        if (view)
            drainLoads(*view);
        if (window)
            window->close();
        Transaction::resetForTesting();
    }
    void makeWindow(Rect frame)
    {
        window = make<Window>(frame, TitledWindowMask);
        view = make<JVLCoverFlowView>(MakeRect(0, 0, frame.width(), frame.height()));
        window->contentView()->addSubview(view.get());
    }
    Layer* itemLayer(std::int64_t position) const { return view->scrollLayer()->sublayers().at(std::size_t(position)).get(); }
    Layer* imageLayer(std::int64_t position) const { return itemLayer(position)->sublayers().front().get(); }
    std::int64_t storedIndex(std::int64_t position) const { return itemLayer(position)->valueForKey("index").integerValue(); }
    bool hasImage(std::int64_t position) const { return itemLayer(position)->valueForKey("hasImage").boolValue(); }
    // Bottom-left point of the view in window base coordinates.
    Point base(Point p) const { return view->convertPointToView(p, nullptr); }

    test::ManualClockScope clock;
    Ref<Window> window;
    Ref<JVLCoverFlowView> view;
};

// --- Effective size and placement ---

struct SizeCase {
    const char* name;
    double height;
    bool scroller;
    double accessory;
    Size expected;
};

class CoverFlowItemSize : public CoverFlow, public testing::WithParamInterface<SizeCase> { };

TEST_P(CoverFlowItemSize, FollowsTheHeightTheViewLeaves)
{
    const SizeCase& c = GetParam();
    view->setFrameSize(MakeSize(600, c.height));
    view->setShowsScrollbar(c.scroller);
    if (c.accessory > 0) {
        auto controller = make<ViewController>();
        controller->setView(make<View>(MakeRect(0, 0, 200, c.accessory)).get());
        view->setAccessoryController(controller);
    }
    EXPECT_EQ(view->itemSize(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Table, CoverFlowItemSize,
    testing::Values(SizeCase { "plain", 300, false, 0, MakeSize(252, 180) }, SizeCase { "tooLow", 20, false, 0, MakeSize(1, 1) },
        SizeCase { "scroller", 300, true, 0, MakeSize(207, 148) }, SizeCase { "accessory", 300, false, 40, MakeSize(196, 140) }),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CoverFlow, SetItemSizeReplacesWhatIsNotPositive)
{
    view->setAutoresizesItems(false);
    view->setItemSize(MakeSize(0, 50));
    EXPECT_EQ(view->itemSize(), MakeSize(140, 50));
    view->setItemSize(MakeSize(-1, -1));
    EXPECT_EQ(view->itemSize(), MakeSize(140, 100));
}

// An owner's item size too large for any bitmap: the placeholder is not made (one log line) and
// the row still lays out, loads and draws.
TEST_F(CoverFlow, AnItemSizePastTheBitmapLimitMakesNoPlaceholder)
{
    for (const Size huge : { MakeSize(1e7, 1), MakeSize(1e12, 1e-3) }) {
        test::LogRecorder log;
        view->setAutoresizesItems(false);
        view->setItemSize(huge);
        view->setContent(coloredPictures(3));
        view->setSelectionIndex(1);
        ASSERT_TRUE(drainLoads(*view));
        EXPECT_FALSE(view->placeholderImage());
        EXPECT_FALSE(window->snapshot().isNull());
        EXPECT_EQ(log.lines().size(), 1) << huge.width;
    }
}

TEST_F(CoverFlow, ScrollerAndAccessorySitUnderTheRow)
{
    auto controller = make<ViewController>();
    controller->setView(make<View>(MakeRect(0, 0, 201, 30)).get());
    view->setAccessoryController(controller);
    view->setShowsScrollbar(true);
    EXPECT_EQ(view->scroller()->frame(), MakeRect(80, 20, 440, 16));
    EXPECT_FALSE(view->scroller()->isHidden());
    EXPECT_EQ(controller->view()->frame(), MakeRect(199, 52, 201, 30));
    view->setShowsScrollbar(false);
    EXPECT_TRUE(view->scroller()->isHidden());
    EXPECT_EQ(controller->view()->frame().origin.y, 16);
}

// --- Layout ---

TEST_F(CoverFlow, FiveItemsAroundTheMiddleOne)
{
    view->setAutoresizesItems(false);
    view->setItemSize(MakeSize(140, 100));
    view->setContent(coloredPictures(5));
    view->setSelectionIndex(2);
    Transaction::flush();
    const double w = 140, B = view->scrollLayer()->bounds().width();
    const double x0 = std::floor((B - 5 * w - 4 * w / 10) * 0.5 + 12);
    const double pulls[] = { 0.8625 * w, 0.1125 * w, 0, -0.1125 * w, -0.8625 * w };
    const double depths[] = { -0.2, -0.1, 0, -0.1, -0.2 };
    for (int i = 0; i < 5; ++i) {
        const Rect f = itemLayer(i)->frame();
        EXPECT_NEAR(f.minX() - ((w / 10 + w) * i + x0), pulls[i], 1e-4) << i;
        EXPECT_EQ(f.minY(), 100) << i;
        EXPECT_NEAR(itemLayer(i)->zPosition(), depths[i], 1e-12) << i;
    }
    EXPECT_EQ(imageLayer(2)->zPosition(), 100);
    EXPECT_TRUE(Transform3DIsIdentity(imageLayer(2)->transform()));
    EXPECT_EQ(imageLayer(1)->transform(), Transform3DMakeRotation(-0.79, 0, -1, 0));
    EXPECT_EQ(imageLayer(3)->transform(), Transform3DMakeRotation(0.79, 0, -1, 0));
    // The selected picture comes 100 nearer under −1/420: 1.3125 times as wide.
    EXPECT_NEAR(view->rectForItemAtIndex(2).width(), 1.3125 * w, 1e-6);
}

TEST_F(CoverFlow, TheSelectedPictureIsDrawnAtItsDepth)
{
    view->setAutoresizesItems(false);
    view->setItemSize(MakeSize(80, 60));
    view->setContent(coloredPictures(3));
    view->setSelectionIndex(1);
    ASSERT_TRUE(drainLoads(*view));
    const QImage shot = window->snapshot();
    const Rect r = view->rectForItemAtIndex(1);
    const double half = 1.3125 * 80 / 2;
    EXPECT_NEAR(r.midX() - r.minX(), half, 1e-6);
    const Point inside = base(MakePoint(r.midX() + half - 2, r.midY())), outside = base(MakePoint(r.midX() + half + 2, r.midY()));
    EXPECT_TRUE(test::basePixelIs(shot, inside, colourOf(1), 12));
    EXPECT_FALSE(test::basePixelIs(shot, outside, colourOf(1), 12));
}

TEST_F(CoverFlow, ASingleItemStandsCentred)
{
    view->setAutoresizesItems(false);
    view->setItemSize(MakeSize(140, 100));
    view->setContent(coloredPictures(1));
    const double B = view->scrollLayer()->bounds().width();
    EXPECT_EQ(itemLayer(0)->frame().minX(), std::floor((B - 140) * 0.5 + 12));
    EXPECT_EQ(imageLayer(0)->zPosition(), 100);
    EXPECT_NEAR(view->rectForItemAtIndex(0).midX(), view->bounds().midX(), 1);
}

TEST_F(CoverFlow, OutOfRangeSelectionsChangeNothing)
{
    view->setContent(coloredPictures(5));
    view->setSelectionIndex(2);
    const double knob = view->scroller()->floatValue();
    for (std::int64_t bad : { std::int64_t(-1), std::int64_t(5), NotFound }) {
        view->setSelectionIndex(bad);
        EXPECT_EQ(view->selectionIndex(), 2);
        EXPECT_EQ(view->scroller()->floatValue(), knob);
    }
}

struct DurationCase {
    const char* name;
    std::uint64_t flags;
    double duration;
};

class CoverFlowDuration : public CoverFlow, public testing::WithParamInterface<DurationCase> { };

TEST_P(CoverFlowDuration, TheScrollTakesTheModifiersDuration)
{
    view->setContent(coloredPictures(8));
    Transaction::flush();
    window->makeKeyAndOrderFront();
    window->makeFirstResponder(view.get());
    test::EventScript script(window.get());
    const double from = view->scrollLayer()->bounds().origin.x;
    script.key(124, {}, GetParam().flags).run();
    Transaction::flush();
    const double to = view->scrollLayer()->bounds().origin.x;
    const Ref<CAAnimation> scroll = view->scrollLayer()->animationForKey("bounds");
    ASSERT_TRUE(scroll);
    EXPECT_NEAR(scroll->duration(), GetParam().duration, 1e-6);
    // Half-way in time lies where the default timing function puts it.
    const double began = script.now();
    script.clock().advance(GetParam().duration / 2);
    (void)began;
    const double expected = from + (to - from) * MediaTimingFunction::functionWithName(MediaTimingFunctionDefault)->valueAt(0.5);
    EXPECT_NEAR(view->scrollLayer()->presentationLayer()->bounds().origin.x, expected, 0.5);
}

INSTANTIATE_TEST_SUITE_P(Modifiers, CoverFlowDuration,
    testing::Values(DurationCase { "plain", 0, 0.7 }, DurationCase { "shift", ShiftKeyMask, 2.1 },
        DurationCase { "capsLock", AlphaShiftKeyMask, 2.1 }),
    [](const auto& info) { return std::string(info.param.name); });

// --- Hit testing ---

// The picture's colour, darkened by the edge gradients or not.
bool sameHue(QColor drawn, QColor picture) { return drawn.value() > 15 && std::abs(drawn.hsvHue() - picture.hsvHue()) <= 12; }

TEST_F(CoverFlow, HitsGoToTheFrontmostPicture)
{
    view->setAutoresizesItems(false);
    view->setItemSize(MakeSize(100, 80));
    view->setContent(coloredPictures(9));
    view->setSelectionIndex(4);
    ASSERT_TRUE(drainLoads(*view));
    const QImage shot = window->snapshot();
    const Rect selected = view->rectForItemAtIndex(4);
    EXPECT_EQ(view->indexOfItemAtPoint(MakePoint(selected.midX(), selected.midY())), 4);
    // Where the selected picture and its neighbour overlap, the selected one wins.
    const Rect both = IntersectionRect(selected, view->rectForItemAtIndex(5));
    if (!IsEmptyRect(both)) {
        EXPECT_EQ(view->indexOfItemAtPoint(MakePoint(both.midX(), both.midY())), 4);
    }
    // A side picture answers over the whole width it is drawn at.
    for (std::int64_t k : { 6, 7 }) {
        const Rect r = view->rectForItemAtIndex(k);
        const Point far = MakePoint(r.maxX() - 2, r.midY());
        EXPECT_EQ(view->indexOfItemAtPoint(far), k);
        EXPECT_TRUE(sameHue(test::basePixel(shot, base(far)), colourOf(int(k)))) << k << " " << test::basePixel(shot, base(far)).name().toStdString();
    }
    for (std::int64_t k : { 2, 1 }) {
        const Rect r = view->rectForItemAtIndex(k);
        const Point far = MakePoint(r.minX() + 2, r.midY());
        EXPECT_EQ(view->indexOfItemAtPoint(far), k);
        EXPECT_TRUE(sameHue(test::basePixel(shot, base(far)), colourOf(int(k)))) << k << " " << test::basePixel(shot, base(far)).name().toStdString();
    }
    EXPECT_EQ(view->indexOfItemAtPoint(MakePoint(5, view->bounds().maxY() - 3)), NotFound);
    EXPECT_EQ(view->rectForItemAtIndex(-1), ZeroRect);
    EXPECT_EQ(view->rectForItemAtIndex(9), ZeroRect);
}

// --- Content ---

TEST_F(CoverFlow, ReplacingContentKeepsTheLayersOfEqualObjects)
{
    const Array pictures = coloredPictures(4);
    const Value a = pictures[0], b = pictures[1], c = pictures[2], d = pictures[3];
    view->setContent(Array { a, b, c });
    ASSERT_TRUE(drainLoads(*view));
    const Ref<Layer> cLayer = view->layerForObject(c);
    const Ref<CGImage> cPicture = cLayer->sublayers().front()->contents();
    ASSERT_TRUE(cPicture);
    const auto queued = view->loadsQueued();
    view->setContent(Array { c, d });
    EXPECT_EQ(view->loadsQueued() - queued, 1);
    ASSERT_EQ(view->scrollLayer()->sublayers().size(), 2u);
    EXPECT_FALSE(view->layerForObject(a));
    EXPECT_FALSE(view->layerForObject(b));
    EXPECT_EQ(view->layerForObject(c), cLayer);
    EXPECT_EQ(cLayer->sublayers().front()->contents(), cPicture);
    EXPECT_EQ(view->layerForObject(c)->valueForKey("index").integerValue(), 0);
    EXPECT_EQ(view->layerForObject(d)->valueForKey("index").integerValue(), 1);
    view->setContent(Array { c, d });
    EXPECT_EQ(view->loadsQueued() - queued, 1); // equal content: nothing
    view->setContent(Array());
    EXPECT_TRUE(view->scrollLayer()->sublayers().empty());
    EXPECT_EQ(view->scroller()->knobProportion(), 1.0);
}

TEST_F(CoverFlow, SelectingAMissingObjectLogsAndChangesNothing)
{
    const Array pictures = coloredPictures(4);
    view->setContent(pictures);
    view->setSelectionIndex(1);
    test::LogRecorder log;
    view->setSelectedObject(Value(solidPicture(Qt::black)));
    EXPECT_TRUE(log.contains("[JVLCoverFlowView setSelectedObject:] -- The view does not contain the specified object."));
    EXPECT_EQ(view->selectionIndex(), 1);
    view->setSelectedObject(pictures[3]);
    EXPECT_EQ(view->selectionIndex(), 3);
    EXPECT_EQ(view->selectedObject(), pictures[3]);
}

TEST_F(CoverFlow, AccessoryControllersJoinTheChainAndTheSelection)
{
    const Array pictures = coloredPictures(3);
    view->setContent(pictures);
    view->setSelectionIndex(1);
    const Ref<Responder> after = view->nextResponder();
    ASSERT_TRUE(after);
    auto first = make<ViewController>(), second = make<ViewController>();
    first->setView(make<View>(MakeRect(0, 0, 100, 20)).get());
    second->setView(make<View>(MakeRect(0, 0, 100, 20)).get());
    view->setAccessoryController(first);
    EXPECT_EQ(view->nextResponder(), Ref<Responder>(first));
    EXPECT_EQ(first->nextResponder(), after);
    EXPECT_EQ(first->valueForKey("representedObject"), pictures[1]);
    view->setAccessoryController(second);
    EXPECT_TRUE(first->infoForBinding("representedObject").isNil());
    EXPECT_EQ(first->view()->superview(), nullptr);
    EXPECT_EQ(view->nextResponder(), Ref<Responder>(second));
    EXPECT_EQ(second->nextResponder(), after);
    view->setSelectionIndex(2);
    EXPECT_EQ(second->valueForKey("representedObject"), pictures[2]);
    view->setAccessoryController(nullptr);
    EXPECT_EQ(view->nextResponder(), after); // still in its window's chain
}

TEST_F(CoverFlow, TeardownLeavesNoObservations)
{
    std::vector<Ref<CoverItem>> items;
    Array content;
    for (int i = 0; i < 4; ++i) {
        items.push_back(make<CoverItem>(Value(solidPicture(colourOf(i)))));
        content.addObject(Value(items.back()));
    }
    view->setImageKeyPath("cover");
    view->setContent(content);
    for (const auto& item : items)
        EXPECT_EQ(debug::observationCount(item.get()), 1);
    view->setImageKeyPath({});
    for (const auto& item : items)
        EXPECT_EQ(debug::observationCount(item.get()), 0);
    view->setImageKeyPath("cover");
    view->setContent(Array());
    for (const auto& item : items)
        EXPECT_EQ(debug::observationCount(item.get()), 0);
    view->setContent(content);
    drainLoads(*view);
    view->removeFromSuperview();
    Weak<JVLCoverFlowView> gone = view.get();
    view = nullptr;
    RunLoop::main().runPending();
    EXPECT_FALSE(gone.lock());
    for (const auto& item : items)
        EXPECT_EQ(debug::observationCount(item.get()), 0);
}

// --- Pictures ---

TEST_F(CoverFlow, PicturesComeFromImagesDataAndKeyPaths)
{
    auto missing = make<CoverItem>(Value());
    auto text = make<CoverItem>(Value("not a picture"));
    auto png = make<CoverItem>(Value(solidPNG(Qt::red)));
    auto image = make<CoverItem>(Value(solidPicture(Qt::green)));
    view->setImageKeyPath("cover");
    view->setContent(Array { Value(image), Value(png), Value(missing), Value(text), Value("no keys") });
    ASSERT_TRUE(drainLoads(*view));
    EXPECT_TRUE(hasImage(0));
    EXPECT_TRUE(hasImage(1));
    EXPECT_EQ(imageLayer(1)->contents()->image().pixelColor(5, 5), QColor(Qt::red));
    EXPECT_FALSE(hasImage(2));
    EXPECT_FALSE(hasImage(3));
    EXPECT_EQ(imageLayer(2)->contents(), view->placeholderImage());
    // A new item size brings a new placeholder to the item without a picture.
    const Ref<CGImage> before = view->placeholderImage();
    view->setAutoresizesItems(false);
    view->setItemSize(MakeSize(90, 120));
    ASSERT_NE(view->placeholderImage(), before);
    EXPECT_EQ(imageLayer(2)->contents(), view->placeholderImage());
    EXPECT_TRUE(hasImage(0));
    // A changed picture reloads.
    image->setCover(Value(solidPicture(Qt::blue)));
    ASSERT_TRUE(drainLoads(*view));
    EXPECT_EQ(imageLayer(0)->contents()->image().pixelColor(5, 5), QColor(Qt::blue));
}

TEST_F(CoverFlow, ObjectsThatArePicturesShowThemselves)
{
    view->setContent(Array { Value(solidPicture(Qt::green)), Value(solidPNG(Qt::blue)) });
    ASSERT_TRUE(drainLoads(*view));
    EXPECT_EQ(imageLayer(0)->contents()->image().pixelColor(5, 5), QColor(Qt::green));
    EXPECT_EQ(imageLayer(1)->contents()->image().pixelColor(5, 5), QColor(Qt::blue));
    EXPECT_TRUE(hasImage(1));
}

TEST_F(CoverFlow, LargePicturesAreCappedAtTwiceTheItem)
{
    view->setAutoresizesItems(false);
    view->setItemSize(MakeSize(100, 50));
    view->setContent(Array { Value(solidPicture(Qt::green, 1000, 1000)), Value(solidPicture(Qt::green, 150, 80)) });
    ASSERT_TRUE(drainLoads(*view));
    EXPECT_EQ(imageLayer(0)->contents()->width(), 200);
    EXPECT_EQ(imageLayer(0)->contents()->height(), 100);
    EXPECT_EQ(imageLayer(1)->contents()->width(), 150);
    EXPECT_EQ(imageLayer(1)->contents()->height(), 80);
}

TEST_F(CoverFlow, PlaceholderTintShowsOnlyWhereTheIconIsOpaque)
{
    // A wide icon: its box would be wider than two thirds of the canvas, so it is half the canvas.
    QImage pixels(400, 100, QImage::Format_ARGB32_Premultiplied);
    pixels.fill(Qt::transparent);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 200; ++x)
            pixels.setPixel(x, y, qRgba(255, 255, 255, 255));
    view->setPlaceholderIcon(Image::imageWithCGImageSize(CGImage::create(pixels), {}));
    view->setAutoresizesItems(false);
    view->setItemSize(MakeSize(100, 100)); // canvas 600 x 600
    const QImage canvas = view->placeholderImage()->image();
    ASSERT_EQ(canvas.size(), QSize(600, 600));
    // Box 300 x 75 centred: x 150...450, y 262.5...337.5 (rows from the top).
    const QColor tinted = canvas.pixelColor(200, 300), beside = canvas.pixelColor(400, 300), outside = canvas.pixelColor(100, 300);
    EXPECT_GT(tinted.blue(), 40);
    EXPECT_GT(tinted.blue(), tinted.red());
    EXPECT_LT(beside.blue(), 30); // transparent half of the icon: background only
    EXPECT_LT(outside.blue(), 30);
    EXPECT_NEAR(qGray(canvas.pixel(300, 2)), 0.3 * 255, 2); // top strip
    EXPECT_NEAR(qGray(canvas.pixel(300, 597)), 0.1 * 255, 2); // bottom strip
}

// --- Input ---

TEST_F(CoverFlow, ReturnSendsTheActionOrPassesOn)
{
    view->setContent(coloredPictures(3));
    auto catcher = make<KeyCatcher>();
    window->contentView()->setNextResponder(catcher.get());
    window->makeKeyAndOrderFront();
    window->makeFirstResponder(view.get());
    test::EventScript script(window.get());
    script.key(36).run();
    EXPECT_EQ(catcher->keys, std::vector<int> { 36 });
    auto owner = make<CoverFlowOwner>();
    view->setTarget(owner.get());
    view->setAction(Selector("opened"));
    script.key(36).run();
    EXPECT_EQ(owner->calls, QStringList { "opened 0" });
    EXPECT_EQ(catcher->keys.size(), 1u);
    // The target is weak: gone means nothing is sent.
    owner = nullptr;
    script.key(36).run();
    EXPECT_EQ(catcher->keys.size(), 2u);
}

TEST_F(CoverFlow, ArrowsClampAtBothEnds)
{
    view->setContent(coloredPictures(3));
    window->makeKeyAndOrderFront();
    window->makeFirstResponder(view.get());
    test::EventScript script(window.get());
    script.key(123).run();
    EXPECT_EQ(view->selectionIndex(), 0);
    script.key(124).key(124).key(124).run();
    EXPECT_EQ(view->selectionIndex(), 2);
    script.key(123).run();
    EXPECT_EQ(view->selectionIndex(), 1);
}

struct WheelCase {
    const char* name;
    double dx, dy;
    std::int64_t expected;
};

class CoverFlowWheel : public CoverFlow, public testing::WithParamInterface<WheelCase> { };

TEST_P(CoverFlowWheel, OneNotchMovesOneItem)
{
    view->setContent(coloredPictures(5));
    view->setSelectionIndex(2);
    test::EventScript script(window.get());
    script.scroll(base(MakePoint(300, 150)), GetParam().dx, GetParam().dy).run();
    EXPECT_EQ(view->selectionIndex(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Table, CoverFlowWheel,
    testing::Values(WheelCase { "horizontalWhenVerticalIsSmall", -1, 0.3, 3 }, WheelCase { "verticalUp", 0, 0.5, 1 },
        WheelCase { "verticalDown", 0, -0.5, 3 }, WheelCase { "horizontalLeft", 0.5, 0, 1 }, WheelCase { "bothSmall", 0.39, -0.39, 2 }),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CoverFlow, ADoubleClickSendsBeforeSelecting)
{
    view->setAutoresizesItems(false);
    view->setItemSize(MakeSize(100, 80));
    view->setContent(coloredPictures(5));
    view->setSelectionIndex(2);
    auto owner = make<CoverFlowOwner>();
    view->setTarget(owner.get());
    view->setAction(Selector("opened"));
    const Rect side = view->rectForItemAtIndex(4);
    const Point p = view->convertPointToView(MakePoint(side.maxX() - 3, side.midY()), nullptr);
    auto twice = Event::mouseEventWithTypeLocationModifierFlagsTimestampWindowNumberContextEventNumberClickCountPressure(
        LeftMouseDown, p, 0, Application::now(), window->windowNumber(), nullptr, 0, 2, 1);
    view->mouseDown(*twice);
    EXPECT_EQ(owner->calls, QStringList { "opened 2" });
    EXPECT_EQ(view->selectionIndex(), 4);
}

TEST_F(CoverFlow, ScrollerPartsMoveTheSelection)
{
    view->setContent(coloredPictures(10));
    view->setShowsScrollbar(true);
    view->setSelectionIndex(0);
    JVLCoverFlowScroller& s = *view->scroller();
    auto at = [&](double x) { return s.convertPointToView(MakePoint(x, s.frame().height() - 8), nullptr); };
    test::EventScript script(window.get());
    script.mouseDown(at(s.frame().width() - 5)).mouseUp(at(s.frame().width() - 5)).run();
    EXPECT_EQ(view->selectionIndex(), 1);
    script.mouseDown(at(5)).mouseUp(at(5)).run();
    EXPECT_EQ(view->selectionIndex(), 0);
    // The knob: dragged two thirds along its travel.
    const Rect knob = s.rectForPart(ScrollerKnob);
    const double travel = (s.frame().width() - 42) - knob.width();
    script.mouseDown(at(knob.midX())).mouseDragged(at(knob.midX() + travel * 6 / 9.0 + 1)).mouseUp(at(knob.midX() + travel * 6 / 9.0 + 1)).run();
    EXPECT_EQ(view->selectionIndex(), 6);
}

TEST_F(CoverFlow, ASelectionBoundThroughAKeyPathGoesToTheControllerFirst)
{
    auto owner = make<CoverFlowOwner>();
    owner->controller()->setContent(Value(coloredPictures(4)));
    view->bindToObjectWithKeyPathOptions("content", owner.get(), "controller.arrangedObjects", {});
    view->bindToObjectWithKeyPathOptions("selectionIndex", owner.get(), "controller.selectionIndex", {});
    EXPECT_EQ(view->content().count(), 4);
    window->makeKeyAndOrderFront();
    window->makeFirstResponder(view.get());
    test::EventScript script(window.get());
    script.key(124).key(124).run();
    EXPECT_EQ(owner->controller()->selectionIndex(), 2);
    EXPECT_EQ(view->selectionIndex(), 2);
    // An empty selection hands NotFound, which changes nothing.
    owner->controller()->setSelectionIndexes(IndexSet());
    EXPECT_EQ(view->selectionIndex(), 2);
    view->unbind("selectionIndex");
    view->unbind("content");
}

// --- Resident pictures ---

TEST_F(CoverFlow, OnlyItemsNearTheSelectionHoldPictures)
{
    const Array pictures = coloredPictures(64);
    Array content;
    for (int i = 0; i < 2000; ++i)
        content.addObject(Value(make<CoverItem>(pictures[i % 64])));
    view->setImageKeyPath("cover");
    view->setAutoresizesItems(false);
    view->setItemSize(MakeSize(100, 60));
    view->setContent(content);
    view->setSelectionIndex(1000);
    ASSERT_TRUE(drainLoads(*view));
    const std::int64_t k = view->residentRadius();
    auto holders = [&] {
        std::vector<std::int64_t> out;
        for (std::size_t i = 0; i < 2000; ++i)
            if (view->scrollLayer()->sublayers()[i]->valueForKey("hasImage").boolValue())
                out.push_back(std::int64_t(i));
        return out;
    };
    std::vector<std::int64_t> held = holders();
    ASSERT_EQ(std::int64_t(held.size()), 2 * k + 1);
    EXPECT_EQ(held.front(), 1000 - k);
    EXPECT_EQ(held.back(), 1000 + k);
    const std::int64_t bound = (2 * k + 1) * 4 * 100 * 60 * 4;
    EXPECT_LE(view->residentPictureBytes(), bound);
    view->setSelectionIndex(1500);
    EXPECT_FALSE(hasImage(1000)); // evicted at once
    EXPECT_EQ(imageLayer(1000)->contents(), view->placeholderImage());
    ASSERT_TRUE(drainLoads(*view));
    held = holders();
    ASSERT_EQ(std::int64_t(held.size()), 2 * k + 1);
    EXPECT_EQ(held.front(), 1500 - k);
    EXPECT_LE(view->residentPictureBytes(), bound);
}

// --- What a person sees of reflections and edges ---

TEST_F(CoverFlow, ReflectionsDarkenAwayFromThePictureAndEdgesFadeTheRow)
{
    // A tall accessory lifts the row so that the selected picture's reflection shows whole.
    makeWindow(MakeRect(0, 0, 800, 560));
    view->setAutoresizesItems(false);
    view->setItemSize(MakeSize(266, 200));
    auto accessory = make<ViewController>();
    accessory->setView(make<View>(MakeRect(0, 0, 10, 240)).get());
    view->setAccessoryController(accessory);
    const QColor colour(200, 160, 80);
    Array content; // distinct objects of one colour
    for (int i = 0; i < 21; ++i)
        content.addObject(Value(solidPicture(colour, 266, 200)));
    view->setContent(content);
    view->setSelectionIndex(10);
    ASSERT_TRUE(drainLoads(*view));
    clock.advance(1);
    const QImage shot = window->snapshot();
    const auto scaled = [&](double f) { return QColor::fromRgbF(float(colour.redF() * f), float(colour.greenF() * f), float(colour.blueF() * f)); };
    const Rect r = view->rectForItemAtIndex(10);
    // The mirrored shade: alpha 0.6 next to the picture, 1.0 at the far end of its h + 2 points.
    // The scroll layer clips it at the bottom of the row, where the bottom edge darkens 32 points.
    for (double t : { 0.1, 0.3, 0.45 }) {
        const double alpha = 0.6 + 0.4 * t * r.height() / (r.height() + 2 * 1.3125);
        EXPECT_TRUE(test::basePixelIs(shot, base(MakePoint(r.midX() - 20, r.minY() - t * r.height())), scaled(1 - alpha), 5)) << t;
    }
    // The left edge: opaque black at the view's side, half way at the middle of its width, clear
    // half an item width left of the centre.
    const double y = r.midY(), edgeEnd = 10 + 0.5 * 780 - 0.5 * 266;
    EXPECT_TRUE(test::basePixelIs(shot, base(MakePoint(11, y)), QColor(Qt::black), 6));
    EXPECT_TRUE(test::basePixelIs(shot, base(MakePoint((10 + edgeEnd) / 2, y)), scaled(0.5), 8));
    EXPECT_TRUE(test::basePixelIs(shot, base(MakePoint(edgeEnd + 4, y)), colour, 6));
    EXPECT_TRUE(test::basePixelIs(shot, base(MakePoint(789, y)), QColor(Qt::black), 6));
    view->setAccessoryController(nullptr);
}

TEST_F(CoverFlow, APictureArrivingOutOfSightAsksForNoRedraw)
{
    view->setAutoresizesItems(false);
    view->setItemSize(MakeSize(100, 60));
    const Array pictures = coloredPictures(200);
    Array content;
    for (int i = 0; i < 200; ++i)
        content.addObject(Value(make<CoverItem>(pictures[i])));
    view->setImageKeyPath("cover");
    view->setContent(content);
    view->setSelectionIndex(100);
    ASSERT_TRUE(drainLoads(*view));
    clock.advance(1);
    window->display();
    const std::int64_t k = view->residentRadius();
    // The item entering the resident range at its far end is out of sight; the one selected is not.
    const auto coverOf = [&](std::int64_t i) { return content[i].objectAs<CoverItem>(); };
    const int passes = window->displayPassCount();
    coverOf(100 + k)->setCover(Value(solidPicture(Qt::red)));
    ASSERT_TRUE(drainLoads(*view));
    EXPECT_EQ(window->displayPassCount(), passes);
    coverOf(100)->setCover(Value(solidPicture(Qt::red)));
    ASSERT_TRUE(drainLoads(*view));
    EXPECT_GT(window->displayPassCount(), passes);
    const Rect r = view->rectForItemAtIndex(100);
    EXPECT_TRUE(test::basePixelIs(window->snapshot(), base(MakePoint(r.midX(), r.midY())), QColor(Qt::red), 4));
}

TEST_F(CoverFlow, OnceAJumpSettledOnlyItemsNearTheSelectionAreLaidOut)
{
    view->setAutoresizesItems(false);
    view->setItemSize(MakeSize(100, 60));
    Array content = coloredPictures(2000);
    view->setContent(content);
    view->setSelectionIndex(1500); // every item between the ends crosses the stage
    const auto shown = [&] {
        std::int64_t count = 0;
        for (const Ref<Layer>& item : view->scrollLayer()->sublayers())
            count += item->isHidden() ? 0 : 1;
        return count;
    };
    EXPECT_GT(shown(), 1400);
    clock.advance(1);
    Transaction::flush();
    content.replaceObjectAtIndexWithObject(3, Value(solidPicture(Qt::red))); // a content change far away
    view->setContent(content);
    const std::int64_t k = view->residentRadius();
    EXPECT_EQ(shown(), 2 * k + 1);
    view->setSelectionIndex(1501);
    EXPECT_EQ(shown(), 2 * k + 2);
}

// --- Interface files ---

const char* coverFlowInterface = R"({"$archiver": "KeyedArchiver", "$version": 1,
 "$top": {
  "objects": [{"$ref": 0}],
  "outlets": [{"source": {"$placeholder": "File's Owner"}, "key": "coverFlow", "destination": {"$ref": 0}}],
  "actions": [{"source": {"$ref": 0}, "selector": "opened", "target": {"$placeholder": "File's Owner"}}],
  "bindings": [
   {"source": {"$ref": 0}, "binding": "content", "observable": {"$placeholder": "File's Owner"}, "keyPath": "controller.arrangedObjects"},
   {"source": {"$ref": 0}, "binding": "selectionIndex", "observable": {"$placeholder": "File's Owner"}, "keyPath": "controller.selectionIndex"}
  ]
 },
 "$objects": [
  {"$class": "JVLCoverFlowView", "frame": {"$rect": [0.0, 0.0, 500.0, 300.0]}, "showsScrollbar": true, "imageKeyPath": "cover"}
 ]})";

TEST_F(CoverFlow, ADecodedViewIsComplete)
{
    auto owner = make<CoverFlowOwner>();
    Array content;
    for (int i = 0; i < 3; ++i)
        content.addObject(Value(make<CoverItem>(Value(solidPicture(colourOf(i))))));
    owner->controller()->setContent(Value(content));
    QString error;
    ASSERT_TRUE(NibLoader::loadInterfaceData(coverFlowInterface, "CoverFlowTest", owner.get(), nullptr, &error)) << error.toStdString();
    const Ref<JVLCoverFlowView> decoded = owner->coverFlow();
    ASSERT_TRUE(decoded);
    EXPECT_TRUE(decoded->showsScrollbar());
    EXPECT_EQ(decoded->imageKeyPath(), "cover");
    EXPECT_EQ(decoded->content().count(), 3);
    EXPECT_TRUE(decoded->placeholderImage()); // rendered by awakeFromNib
    int scrollers = 0;
    for (const auto& sub : decoded->subviews())
        scrollers += dynamic_cast<JVLCoverFlowScroller*>(sub.get()) ? 1 : 0;
    EXPECT_EQ(scrollers, 1);
    // The shade ramps from 0.6 at its bottom to 1.0 at its top, whatever frame it was made at.
    const QImage shade = decoded->shadowImage()->image();
    EXPECT_NEAR(qAlpha(shade.pixel(0, shade.height() - 1)), 0.6 * 255, 3);
    EXPECT_NEAR(qAlpha(shade.pixel(0, 0)), 255, 3);
    EXPECT_NEAR(qAlpha(shade.pixel(0, shade.height() / 2)), 0.8 * 255, 4);
    // Edges: opaque at the outside, clear toward the middle.
    window->contentView()->addSubview(decoded.get());
    drainLoads(*decoded);
    const QImage shot = window->snapshot();
    (void)shot;
    decoded->unbind("content");
    decoded->unbind("selectionIndex");
    drainLoads(*decoded);
    decoded->removeFromSuperview();
}

// --- Content that changes under a running scroll ---

TEST_F(CoverFlow, FilteringTheContentMidScrollDeletesEachLayerOnce)
{
    // A bound controller filtered while the row moves: the removed layers' last references go with
    // the loads queued for them, on the load queue's thread, while their animations still run.
    const Array pictures = coloredPictures(16);
    Array all, everyOther;
    for (int i = 0; i < 400; ++i) {
        const Value object(make<CoverItem>(pictures[i % 16]));
        all.addObject(object);
        if (i % 2 == 0)
            everyOther.addObject(object);
    }
    view->setImageKeyPath("cover");
    view->setContent(all);
    view->setSelectionIndex(20);
    ASSERT_TRUE(drainLoads(*view));
    clock.advance(2);
    FrameDriver::shared().tick();
    view->setSelectionIndex(300);
    Transaction::flush();
    clock.advance(0.2);
    FrameDriver::shared().tick();
    view->setContent(everyOther);
    Transaction::flush();
    // The loads end (their deletions posted here), then the animations, before the posts run.
    view->imageLoadQueue()->waitUntilAllOperationsAreFinished();
    clock.advance(2);
    FrameDriver::shared().tick();
    ASSERT_TRUE(drainLoads(*view));
    clock.advance(2);
    FrameDriver::shared().tick();
    EXPECT_EQ(view->content().count(), 200);
    EXPECT_EQ(std::int64_t(view->scrollLayer()->sublayers().size()), 200);
}

TEST_F(CoverFlow, ContentShorterThanTheSelectionShowsAndLoadsEveryItem)
{
    // The index stays, so every item stands turned to the left; with at most 2K + 1 items every
    // one of them shows and loads.
    const Array pictures = coloredPictures(16);
    Array content;
    for (int i = 0; i < 300; ++i)
        content.addObject(Value(make<CoverItem>(pictures[i % 16])));
    view->setImageKeyPath("cover");
    view->setContent(content);
    view->setSelectionIndex(250);
    ASSERT_TRUE(drainLoads(*view));
    clock.advance(2);
    FrameDriver::shared().tick();
    Array shorter;
    for (int i = 0; i < 6; ++i)
        shorter.addObject(Value(make<CoverItem>(pictures[i])));
    view->setContent(shorter);
    Transaction::flush();
    ASSERT_TRUE(drainLoads(*view));
    clock.advance(2);
    FrameDriver::shared().tick();
    EXPECT_EQ(view->selectionIndex(), 250);
    ASSERT_EQ(view->scrollLayer()->sublayers().size(), 6u);
    for (std::int64_t i = 0; i < 6; ++i) {
        EXPECT_FALSE(itemLayer(i)->isHidden()) << i;
        EXPECT_TRUE(hasImage(i)) << i;
        EXPECT_EQ(imageLayer(i)->transform(), imageLayer(0)->transform()) << i;
        EXPECT_NE(imageLayer(i)->transform(), Transform3DIdentity) << i;
    }
}

// --- Camera-sized pictures ---

class CoverFlowLargePicture : public CoverFlow, public testing::WithParamInterface<test::LargePicture> { };

TEST_P(CoverFlowLargePicture, ShowsReducedToTheCap)
{
    // Items 140 x 100 at scale 1: pictures at most 280 x 200.
    const test::LargePicture& picture = GetParam();
    test::LogRecorder log;
    view->setAutoresizesItems(false);
    view->setItemSize(MakeSize(140, 100));
    view->setContent(Array { Value(test::largePictureData(picture)) });
    ASSERT_TRUE(drainLoads(*view));
    EXPECT_TRUE(hasImage(0));
    const Ref<CGImage> shown = imageLayer(0)->contents();
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->width(), 280);
    EXPECT_EQ(shown->height(), 200);
    const QImage pixels = shown->image();
    EXPECT_TRUE(test::pixelIs(pixels, 40, 100, picture.left, 12));
    EXPECT_TRUE(test::pixelIs(pixels, 240, 100, picture.right, 12));
    EXPECT_TRUE(log.lines().isEmpty());
}

TEST_P(CoverFlowLargePicture, PastTheLimitKeepsThePlaceholderAndLogsItsSize)
{
    // Items 700 x 500: the picture needed (at most 1400 x 1000) is over a limit lowered to 1 MB.
    const test::LargePicture& picture = GetParam();
    test::DecodingLimitScope limit(1);
    test::LogRecorder log;
    view->setAutoresizesItems(false);
    view->setItemSize(MakeSize(700, 500));
    view->setContent(Array { Value(test::largePictureData(picture)) });
    ASSERT_TRUE(drainLoads(*view));
    EXPECT_FALSE(hasImage(0));
    EXPECT_EQ(imageLayer(0)->contents(), view->placeholderImage());
    ASSERT_EQ(log.lines().size(), 1);
    EXPECT_TRUE(log.lines()[0].contains(QStringLiteral("%1 x %2").arg(picture.size.width()).arg(picture.size.height())))
        << log.lines()[0].toStdString();
}

INSTANTIATE_TEST_SUITE_P(Pictures, CoverFlowLargePicture, testing::ValuesIn(test::largePictures()),
    [](const auto& info) { return std::string(info.param.name); });

// --- Accessibility ---

// A picture with a title, as an owner's content objects are.
class TitledPicture : public Object {
    KIT_CLASS(TitledPicture)
public:
    TitledPicture() = default;
    TitledPicture(Value picture, QString title)
        : picture_(std::move(picture))
        , title_(std::move(title))
    { }
    Value picture() const { return picture_; }
    QString title() const { return title_; }

private:
    Value picture_;
    QString title_;
};

KIT_REGISTER_CLASS(TitledPicture, Object)
{
    c.property("picture", &TitledPicture::picture);
    c.property("title", &TitledPicture::title);
}

TEST_F(CoverFlow, AScreenReaderFindsAListOfPicturesNamedByTheirTitles)
{
    view->setImageKeyPath(QStringLiteral("picture"));
    Array content;
    for (int i = 0; i < 4; ++i)
        content.addObject(Value(make<TitledPicture>(Value(solidPicture(colourOf(i))), QStringLiteral("Album %1").arg(i))));
    view->setContent(content);
    view->setSelectionIndex(1);
    view->refreshLayers();
    drainLoads(*view);

    QAccessibleInterface* list = AccessibilityBridge::interfaceFor(Value(view));
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->role(), QAccessible::List);
    EXPECT_EQ(AccessibilityBridge::interfaceFor(Value(window))->child(0), list);
    ASSERT_GE(list->childCount(), 4);
    for (int i = 0; i < 4; ++i) {
        QAccessibleInterface* item = list->child(i);
        EXPECT_EQ(item->role(), QAccessible::Graphic) << i;
        EXPECT_EQ(item->text(QAccessible::Name), QStringLiteral("Album %1").arg(i));
        EXPECT_TRUE(item->state().selectable) << i;
        EXPECT_EQ(item->state().selected, i == 1) << i;
    }
    // The one facing the viewer is where the view draws it, and there a hit test finds it.
    QAccessibleInterface* front = list->child(1);
    EXPECT_EQ(front->rect(), QtRectFromScreen(AccessibilityScreenRectOfRectInView(*view, view->rectForItemAtIndex(1))).toRect());
    EXPECT_EQ(list->childAt(front->rect().center().x(), front->rect().center().y()), front);
    // Pressing another brings it to the front.
    front = list->child(3);
    front->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    kit::RunLoop::main().runPending(); // the action follows the call
    EXPECT_EQ(view->selectionIndex(), 3);
    EXPECT_TRUE(front->state().selected);
}

// As a screen reader hears the arrows: the view is named, and each cover brought to the front
// takes the focus, focused and selected, named by its title; at the end nothing moves or is said.
TEST_F(CoverFlow, TheArrowsFocusTheCoverTheyBringToTheFront)
{
    AccessibilityBridge::setEventObserverForTesting(test::recordEvent);
    view->setImageKeyPath(QStringLiteral("picture"));
    Array content;
    for (int i = 0; i < 3; ++i)
        content.addObject(Value(make<TitledPicture>(Value(solidPicture(colourOf(i))), QStringLiteral("Album %1").arg(i))));
    view->setContent(content);
    window->makeKeyAndOrderFront();
    window->makeFirstResponder(view.get());
    QAccessibleInterface* list = AccessibilityBridge::interfaceFor(Value(view));
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->text(QAccessible::Name), QStringLiteral("Covers"));
    using Seen = std::vector<const QAccessibleInterface*>;
    for (int i = 1; i <= 3; ++i) {
        test::events().clear();
        test::EventScript script(window.get());
        script.key(KeyCodeRightArrow).run();
        const int front = std::min(i, 2);
        EXPECT_EQ(test::eventsOf(QAccessible::Focus), i <= 2 ? Seen { list->child(front) } : Seen {}) << i;
        EXPECT_EQ(list->child(front)->text(QAccessible::Name), QStringLiteral("Album %1").arg(front));
        EXPECT_TRUE(list->child(front)->state().focused) << i;
        EXPECT_TRUE(list->child(front)->state().selected) << i;
        EXPECT_FALSE(list->child(front - 1)->state().focused) << i;
        EXPECT_FALSE(list->state().focused) << "one focused element: the cover";
    }
    view->setToolTip(QStringLiteral("Albums"));
    EXPECT_EQ(list->text(QAccessible::Name), QStringLiteral("Albums"));
    AccessibilityBridge::setEventObserverForTesting(nullptr);
}

// A reader entering a view of 10,000 covers counts them and asks for the one in front and its
// place: that makes the one it asked for, not one element per cover. Walking all of them, the
// covers it passed go again: memory stays flat however far it walks.
TEST_F(CoverFlow, AReadersQuestionsCostWhatItAsksForNotWhatExists)
{
    Array content;
    for (int i = 0; i < 10'000; ++i)
        content.addObject(Value(QStringLiteral("Album %1").arg(i)));
    view->setContent(content);
    view->setSelectionIndex(5'000);
    QAccessibleInterface* list = AccessibilityBridge::interfaceFor(Value(view));
    ASSERT_NE(list, nullptr);

    const std::int64_t before = Accessibility::liveElementCountForTesting();
    const int count = list->childCount();
    EXPECT_GE(count, 10'000);
    QAccessibleInterface* front = list->child(5'000);
    ASSERT_NE(front, nullptr);
    EXPECT_EQ(front->text(QAccessible::Name), QStringLiteral("Album 5000"));
    EXPECT_TRUE(front->state().selected);
    EXPECT_EQ(list->indexOfChild(front), 5'000);
    EXPECT_EQ(front->parent(), list);
    EXPECT_EQ(Accessibility::liveElementCountForTesting() - before, 1);

    std::int64_t alive[2] = {};
    for (int lap = 0; lap < 2; ++lap) {
        {
            AutoreleasePool pool;
            for (int i = 0; i < count; ++i)
                ASSERT_NE(list->child(i), nullptr) << i;
        }
        alive[lap] = Accessibility::liveElementCountForTesting() - before;
    }
    EXPECT_LT(alive[0], 1'000);
    EXPECT_EQ(alive[1], alive[0]);
    // The one in front is the element the reader met first; the last cover, asked again, is named.
    EXPECT_EQ(list->child(5'000), front);
    EXPECT_EQ(list->child(9'999)->text(QAccessible::Name), QStringLiteral("Album 9999"));
    EXPECT_EQ(list->indexOfChild(list->child(9'999)), 9'999);
    EXPECT_EQ(list->indexOfChild(list->child(count - 1)), count - 1);
}

// The keyboard focus shows as a ring just inside the view, over the black round the covers:
// chosen from the keyboard or by code in the key window, not after a click nor in another window.
TEST_F(CoverFlow, TheKeyboardFocusRingsTheViewInsideItsEdges)
{
    view->setContent(coloredPictures(3));
    ASSERT_TRUE(drainLoads(*view));
    window->makeKeyAndOrderFront();
    const auto ringed = [&] {
        const QImage shot = window->snapshot();
        const Rect b = view->bounds();
        bool left = false, top = false;
        for (double d = 0.5; d < 3; ++d) {
            left |= !test::basePixelIs(shot, base(MakePoint(b.minX() + d, b.midY())), Qt::black, 8);
            top |= !test::basePixelIs(shot, base(MakePoint(b.midX(), b.maxY() - d)), Qt::black, 8);
        }
        return left && top;
    };
    EXPECT_FALSE(ringed()) << "not focused";
    test::ExpectTheRingFollowsKeyAndFocus(*window, *view, base(MakePoint(20, 20)), ringed);
}

} // namespace jvl_cover_flow_test
