// The cover-flow view over time: the layout shortcut draws the same frames as laying out every item,
// and picture loads racing the view's changes end in the last state asked for.

#include "JVLCoverFlowTestSupport.h"

#include "kit/appkit/Application.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/FrameDriver.h"
#include "kit/layers/Transaction.h"
#include "kit/testsupport/EventScript.h"
#include "kit/testsupport/ManualClockScope.h"

#include <QPainter>
#include <QPen>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

namespace jvl_cover_flow_test {

using namespace kit;

QColor frameTestColour(int i) { return QColor::fromHsv((i * 53) % 360, 200, 220); }

struct FramesRig {
    Ref<Window> window;
    Ref<JVLCoverFlowView> view;

    FramesRig(const Array& content, bool full, Size stage, Size item)
    {
        window = make<Window>(MakeRect(0, 0, stage.width, stage.height), TitledWindowMask);
        view = make<JVLCoverFlowView>(MakeRect(0, 0, stage.width, stage.height));
        view->setAutoresizingMask(ViewWidthSizable | ViewHeightSizable);
        window->contentView()->addSubview(view.get());
        view->setFullLayoutForTesting(full);
        view->setAutoresizesItems(false);
        view->setItemSize(item);
        view->setImageKeyPath("cover");
        view->setContent(content);
        view->setSelectionIndex(20);
    }
    ~FramesRig()
    {
        drainLoads(*view);
        view->removeFromSuperview();
        window->close();
    }
};

// The keyed view's focus ring, three points just inside its edges, painted over: the layouts
// alone are compared.
QImage withoutEdges(QImage image)
{
    QPainter painter(&image);
    const QRectF all(QPointF(), QSizeF(image.size()) / image.devicePixelRatio());
    painter.setPen(QPen(Qt::magenta, 6));
    painter.drawRect(all);
    return image;
}

// The same content in two windows, one laid out with the shortcut and one in full; every change
// goes to both, and the clock advances in steps with a frame compared after each.
struct FramePair {
    ManualClock* clock;
    std::vector<Ref<Image>> pictures;
    Array content;
    std::unique_ptr<FramesRig> shortcut, full;
    int compared = 0;

    explicit FramePair(ManualClock& c, Size stage = MakeSize(420, 200), Size item = MakeSize(60, 40))
        : clock(&c)
    {
        for (int i = 0; i < 16; ++i)
            pictures.push_back(solidPicture(frameTestColour(i), 30, 20));
        for (int i = 0; i < 700; ++i)
            content.addObject(Value(make<CoverItem>(Value(pictures[std::size_t(i % 16)]))));
        shortcut = std::make_unique<FramesRig>(content, false, stage, item);
        full = std::make_unique<FramesRig>(content, true, stage, item);
    }
    ~FramePair()
    {
        shortcut.reset();
        full.reset();
        Transaction::resetForTesting();
    }
    void both(const std::function<void(JVLCoverFlowView&)>& change)
    {
        change(*shortcut->view);
        change(*full->view);
    }
    void select(std::int64_t by)
    {
        both([by](JVLCoverFlowView& v) { v.setSelectionIndex(v.selectionIndex() + by); });
    }
    void run(double seconds, int samples)
    {
        for (int i = 0; i < samples; ++i) {
            clock->advance(seconds / samples);
            // As the display's frame clock does: animations that ended are retired.
            FrameDriver::shared().tick();
            ASSERT_TRUE(drainLoads(*shortcut->view));
            ASSERT_TRUE(drainLoads(*full->view));
            Transaction::flush();
            const QImage a = withoutEdges(shortcut->window->snapshot()), b = withoutEdges(full->window->snapshot());
            EXPECT_EQ(a, b) << "sample " << compared;
            ++compared;
        }
    }
    // Once every move has ended, the selected picture shows in the middle of the stage, and
    // keeps showing in the frames after.
    void settle()
    {
        run(1.0, 2);
        for (int frame = 0; frame < 3; ++frame) {
            for (FramesRig* rig : { shortcut.get(), full.get() }) {
                const std::int64_t s = rig->view->selectionIndex();
                const Rect r = rig->view->rectForItemAtIndex(s);
                const Point centre = rig->view->convertPointToView(MakePoint(r.midX(), r.midY()), nullptr);
                EXPECT_TRUE(test::basePixelIs(rig->window->snapshot(), centre, frameTestColour(int(s % 16)), 4))
                    << (rig == full.get() ? "full" : "shortcut") << " layout, frame " << frame << " after item " << s << " settled";
            }
            run(0.05, 1);
        }
    }
};

TEST(CoverFlowFrames, TheLayoutShortcutDrawsWhatTheFullLayoutDraws)
{
    test::ManualClockScope clock;
    FramePair pair(clock.clock());
    pair.run(1.0, 4);
    for (int step = 0; step < 3; ++step) {
        pair.select(1);
        pair.run(0.2, 3); // each step retargets the one before
    }
    pair.settle();
    pair.select(500); // a jump
    pair.run(0.35, 5);
    pair.select(-3); // retarget mid-way
    pair.run(0.8, 6);
    pair.settle();
    pair.both([](JVLCoverFlowView& v) { v.window()->setContentSize(MakeSize(500, 240)); }); // a resize
    pair.run(0.8, 4);
    pair.settle();
    pair.both([](JVLCoverFlowView& v) { v.setSelectionIndex(2); });
    pair.run(0.8, 6);
    pair.settle();
    EXPECT_EQ(pair.shortcut->view->selectionIndex(), 2);
    EXPECT_GT(pair.compared, 30);
}

TEST(CoverFlowFrames, JumpsWhileEarlierStepsStillAnimateDrawWhatTheFullLayoutDraws)
{
    // Items far from every selection so far are kept out of sight; a jump soon after brings them
    // across the stage from where the running animations had taken them.
    test::ManualClockScope clock;
    FramePair pair(clock.clock());
    pair.run(1.0, 2);
    for (int step = 0; step < 3; ++step) {
        pair.select(1);
        pair.run(0.15, 2);
    }
    pair.select(400); // within 0.15 s of the last step
    pair.run(0.3, 6);
    pair.select(-250); // a jump retargeting a jump
    pair.run(0.2, 4);
    pair.select(1);
    pair.run(0.1, 2);
    pair.select(200);
    pair.run(0.9, 9);
    pair.both([](JVLCoverFlowView& v) { v.setSelectionIndex(v.selectionIndex() - 360); }); // back past the start
    pair.run(0.8, 8);
    pair.settle();
    EXPECT_EQ(pair.shortcut->view->selectionIndex(), 14);
    EXPECT_GT(pair.compared, 30);
}

TEST(CoverFlowFrames, PicturesStayOnceKeyedStepsSettle)
{
    // A click on a side picture, then three arrow steps while it still moves; the view laid out
    // in full follows each selection. The pictures are large: a turn sweeps closer than the eye.
    test::ManualClockScope clock;
    FramePair pair(clock.clock(), MakeSize(900, 540), MakeSize(430, 308));
    test::EventScript script(pair.shortcut->window.get());
    pair.clock = &script.clock();
    pair.run(1.0, 2);
    pair.shortcut->window->makeKeyAndOrderFront();
    pair.shortcut->window->makeFirstResponder(pair.shortcut->view.get());
    const auto follow = [&] { pair.full->view->setSelectionIndex(pair.shortcut->view->selectionIndex()); };
    const Rect side = pair.shortcut->view->rectForItemAtIndex(21);
    const Ref<Event> click = Event::mouseEventWithTypeLocationModifierFlagsTimestampWindowNumberContextEventNumberClickCountPressure(LeftMouseDown,
        pair.shortcut->view->convertPointToView(MakePoint(std::min(side.maxX() - 3, 895.0), side.midY()), nullptr), 0, Application::now(),
        pair.shortcut->window->windowNumber(), nullptr, 0, 1, 1);
    pair.shortcut->view->mouseDown(*click);
    follow();
    const std::int64_t clicked = pair.shortcut->view->selectionIndex();
    EXPECT_EQ(clicked, 21);
    pair.run(0.1, 1);
    for (int step = 0; step < 3; ++step) {
        script.key(124).run();
        follow();
        pair.run(0.1, 1);
    }
    EXPECT_EQ(pair.shortcut->view->selectionIndex(), clicked + 3);
    pair.settle();
}

TEST(CoverFlowThreads, LoadsRacingSizeAndKeyPathChangesEndInTheLastState)
{
    test::ManualClockScope clock;
    auto window = make<Window>(MakeRect(0, 0, 500, 240), TitledWindowMask);
    auto view = make<JVLCoverFlowView>(MakeRect(0, 0, 500, 240));
    window->contentView()->addSubview(view.get());
    view->setAutoresizesItems(false);
    std::vector<Ref<CoverItem>> items;
    Array content;
    for (int i = 0; i < 24; ++i) {
        items.push_back(make<CoverItem>(Value(solidPNG(frameTestColour(i), 40 + i, 30))));
        content.addObject(Value(items.back()));
    }
    view->setContent(content);
    for (int round = 0; round < 12; ++round) {
        view->setImageKeyPath(round % 2 ? QStringLiteral("cover") : QString());
        view->setItemSize(MakeSize(50 + 3 * round, 40));
        if (round % 4 == 3)
            RunLoop::main().runPending(); // some loads land in between
    }
    view->setImageKeyPath("cover");
    ASSERT_TRUE(drainLoads(*view));
    const std::size_t resident = std::size_t(view->residentRadius()) + 1;
    ASSERT_LT(resident, items.size());
    for (std::size_t i = 0; i < items.size(); ++i) {
        const Ref<Layer> layer = view->layerForObject(Value(items[i]));
        ASSERT_TRUE(layer);
        if (i >= resident) {
            EXPECT_FALSE(layer->valueForKey("hasImage").boolValue()) << i;
            EXPECT_EQ(layer->sublayers().front()->contents(), view->placeholderImage()) << i;
            continue;
        }
        EXPECT_TRUE(layer->valueForKey("hasImage").boolValue()) << i;
        const Ref<CGImage> picture = layer->sublayers().front()->contents();
        ASSERT_TRUE(picture);
        EXPECT_EQ(picture->width(), 40 + int(i));
        EXPECT_EQ(picture->image().pixelColor(2, 2).rgb(), frameTestColour(int(i)).rgb()) << i;
    }
    EXPECT_EQ(view->placeholderImage()->height(), 600);
    view->removeFromSuperview();
    window->close();
    Transaction::resetForTesting();
}

} // namespace jvl_cover_flow_test

