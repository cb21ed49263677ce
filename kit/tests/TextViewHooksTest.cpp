// A text view plugged into its hooks the way a form inspector does: a layout manager that clips
// background drawing and moves hosted views onto their attachments, and a view that restarts a
// half-second completion timer (default mode only) after every accepted key.

#include "kit/appkit/KeyCodes.h"
#include "kit/foundation/RunLoop.h"
#include "kit/foundation/Timer.h"
#include "kit/graphics/BezierPath.h"
#include "kit/graphics/Color.h"
#include "kit/graphics/GraphicsContext.h"
#include "kit/testsupport/PixelProbe.h"
#include "kit/testsupport/TextGeometryProbe.h"
#include "kit/text/TextAttachment.h"
#include "kit/text/TextContainer.h"
#include "kit/text/TextStorage.h"
#include "kit/text/TextView.h"
#include "kit/tests/ControlsTestSupport.h"

#include <gtest/gtest.h>

namespace {

using namespace kit;
using namespace kit::test;

class HostedCell : public TextAttachmentCell {
public:
    explicit HostedCell(Ref<View> view)
        : view(std::move(view))
    { }
    Size cellSize() const override { return view->frame().size; }
    void drawWithFrameInView(Rect, View*) override { }
    Ref<View> view;
};

// Clips backgrounds to `clip` and puts hosted views at (x, y − height) of their cell's rect.
class FormLayoutManager : public AttachmentRecordingLayoutManager {
public:
    void drawBackgroundForGlyphRangeAtPoint(Range glyphs, Point origin) override
    {
        GraphicsContext::saveCurrentGraphicsState();
        BezierPath::clipRect(clip);
        LayoutManager::drawBackgroundForGlyphRangeAtPoint(glyphs, origin);
        GraphicsContext::restoreCurrentGraphicsState();
    }
    void showAttachmentCellInRectCharacterIndex(TextAttachmentCell* cell, Rect rect, std::int64_t index) override
    {
        AttachmentRecordingLayoutManager::showAttachmentCellInRectCharacterIndex(cell, rect, index);
        if (auto* hosted = dynamic_cast<HostedCell*>(cell)) {
            hosted->view->setFrameOrigin(MakePoint(rect.minX(), rect.minY() - rect.height()));
            hosted->view->setHidden(false);
        }
    }
    Rect clip;
};

class CompletingView : public TextView {
    KIT_CLASS(CompletingView)

    using TextView::TextView;
    bool shouldChangeTextInRangeReplacementString(Range range, const QString& replacement) override
    {
        const bool ok = TextView::shouldChangeTextInRangeReplacementString(range, replacement);
        if (ok)
            restartTimer();
        return ok;
    }
    void restartTimer()
    {
        if (timer)
            timer->invalidate();
        const Weak<CompletingView> weak(this);
        timer = Timer::timerWithTimeIntervalRepeatsBlock(0.5, false, [weak](Timer*) {
            if (const Ref<CompletingView> v = weak.lock()) {
                v->fired.push_back(v->string());
                v->firedWhileTracking = v->firedWhileTracking || v->tracking;
                v->timer = nullptr;
            }
        });
        RunLoop::main().addTimerForMode(timer, DefaultRunLoopMode);
    }
    void mouseDown(const Event& event) override
    {
        tracking = true;
        TextView::mouseDown(event);
        tracking = false;
    }
    Ref<Timer> timer;
    QStringList fired;
    bool tracking = false;
    bool firedWhileTracking = false;
};

KIT_REGISTER_CLASS(CompletingView, TextView) { }

class TextViewHooks : public testing::Test {
protected:
    void SetUp() override
    {
        w.emplace(Size { 400, 300 });
        manager = make<FormLayoutManager>();
        auto container = make<TextContainer>(MakeSize(380, 1e7));
        container->setWidthTracksTextView(true);
        manager->addTextContainer(container);
        storage = make<TextStorage>();
        storage->addLayoutManager(manager);
        view = make<CompletingView>(MakeRect(10, 10, 380, 280), container);
        w->content->addSubview(view.get());
        hosted = make<View>(MakeRect(0, 0, 60, 30));
        hosted->setHidden(true);
        view->addSubview(hosted.get());
        view->setString("Label\tvalue\nsecond ");
        auto attachment = make<TextAttachment>(make<HostedCell>(hosted));
        storage->appendAttributedString(TextAttachment::attributedStringWithAttachment(attachment));
        storage->appendAttributedString(AttributedString(QStringLiteral(" after\nlast line")));
        w->window->makeFirstResponder(view.get());
    }
    void TearDown() override { w.reset(); }

    std::int64_t attachmentIndex() const { return view->string().indexOf(QChar(0xFFFC)); }
    Rect expectedHostedFrame() const
    {
        for (auto it = manager->shown.rbegin(); it != manager->shown.rend(); ++it)
            if (it->index == attachmentIndex())
                return MakeRect(it->rect.minX(), it->rect.minY() - it->rect.height(), it->rect.width(), it->rect.height());
        return {};
    }

    std::optional<ControlWindow> w;
    Ref<FormLayoutManager> manager;
    Ref<TextStorage> storage;
    Ref<CompletingView> view;
    Ref<View> hosted;
};

TEST_F(TextViewHooks, EveryDrawShowsTheAttachmentAndTheHostedViewSitsOnItsCell)
{
    w->window->display();
    ASSERT_FALSE(manager->shown.empty());
    EXPECT_FALSE(hosted->isHidden());
    EXPECT_EQ(hosted->frame(), expectedHostedFrame());
    const std::size_t before = manager->shown.size();

    // Typing on the first line moves nothing; a new line above moves the hosted view down with it.
    view->setSelectedRange({ 5, 0 });
    w->script->type("\n");
    w->script->run();
    w->window->display();
    EXPECT_GT(manager->shown.size(), before);
    EXPECT_EQ(hosted->frame(), expectedHostedFrame());
    EXPECT_GT(hosted->frame().minY(), manager->shown.front().rect.minY() - manager->shown.front().rect.height());
}

TEST_F(TextViewHooks, TheAttachmentReservesItsCellWidth)
{
    const TextGeometryProbe probe(view.get());
    EXPECT_DOUBLE_EQ(probe.glyphBox(attachmentIndex()).width(), 60);
}

TEST_F(TextViewHooks, ABackgroundClippedToNothingLeavesNoHighlightAnywhere)
{
    manager->clip = Rect();
    view->setSelectedRange({ 0, view->string().size() });
    const QImage clipped = w->window->snapshot();
    const QColor highlight = view->selectionColor()->toQColor();
    int found = 0;
    for (int y = 0; y < clipped.height(); ++y)
        for (int x = 0; x < clipped.width(); ++x)
            if (clipped.pixelColor(x, y) == highlight)
                ++found;
    EXPECT_EQ(found, 0);

    // Unclipped, the same selection shows.
    manager->clip = view->bounds();
    view->setNeedsDisplay(true);
    const QImage shown = w->window->snapshot();
    int visible = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            if (shown.pixelColor(x, y) == highlight)
                ++visible;
    EXPECT_GT(visible, 0);
}

TEST_F(TextViewHooks, TheCompletionTimerFiresHalfASecondAfterTheLastAcceptedKey)
{
    view->setSelectedRange({ 5, 0 });
    w->script->type("a").wait(0.3).type("b").wait(0.3);
    w->script->run();
    EXPECT_TRUE(view->fired.isEmpty()) << "0.3 s after the last key";
    w->script->wait(0.25).mouseMoved(MakePoint(5, 5));
    w->script->run();
    EXPECT_EQ(view->fired, QStringList({ view->string() }));
}

TEST_F(TextViewHooks, TheCompletionTimerWaitsWhileADragTracks)
{
    const TextGeometryProbe probe(view.get());
    view->setSelectedRange({ 5, 0 });
    w->script->type("a");
    // A drag selection runs in the event-tracking mode for a second: the default-mode timer waits.
    w->script->mouseDown(probe.glyphCenterInWindow(1)).wait(0.5).mouseDragged(probe.glyphCenterInWindow(3)).wait(0.5).mouseUp(
        probe.glyphCenterInWindow(3));
    w->script->wait(0.1).mouseMoved(MakePoint(5, 5));
    w->script->run();
    EXPECT_EQ(view->fired.size(), 1);
    EXPECT_FALSE(view->firedWhileTracking);
}

} // namespace
