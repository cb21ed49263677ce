#include "JVLAppKit/URLTextView.h"

#include "kit/appkit/ScrollView.h"
#include "kit/appkit/Window.h"
#include "kit/foundation/RunLoop.h"
#include "kit/foundation/Timer.h"
#include "kit/graphics/Color.h"
#include "kit/graphics/Cursor.h"
#include "kit/graphics/StringDrawing.h"
#include "kit/testsupport/CallRecorder.h"
#include "kit/testsupport/EventScript.h"
#include "kit/text/LayoutManager.h"
#include "kit/text/TextContainer.h"
#include "kit/text/TextStorage.h"

#include <QUrl>

#include <gtest/gtest.h>

#include <optional>

namespace {

using namespace kit;
using namespace kit::test;

class URLTextViewTest : public testing::Test {
protected:
    void SetUp() override
    {
        window = make<Window>(MakeRect(100, 100, 400, 200), TitledWindowMask);
        content = make<View>(MakeRect(0, 0, 400, 200));
        window->setContentView(content.get());
        window->makeKeyAndOrderFront();
        script.emplace(window.get());
        view = make<URLTextView>(MakeRect(0, 0, 400, 200));
        view->setEditable(false);
        content->addSubview(view.get());
        setText("read more at the site, then leave", { 17, 4 });
    }
    void TearDown() override
    {
        script.reset();
        window->orderOut();
        window->setContentView(nullptr);
    }

    void setText(const QString& text, Range link)
    {
        view->setString(text);
        view->textStorage()->addAttributeValueRange(LinkAttributeName, Value(QStringLiteral("https://example.org/site")), link);
        view->textStorage()->addAttributeValueRange(ForegroundColorAttributeName, Value(Color::blueColor()), link);
    }
    Point glyphPoint(std::int64_t index) const
    {
        const Rect box = view->layoutManager()->boundingRectForGlyphRangeInTextContainer({ index, 1 }, view->textContainer().get());
        const Point o = view->textContainerOrigin();
        return view->convertPointToView(MakePoint(box.midX() + o.x, box.midY() + o.y), nullptr);
    }
    Cursor* cursorAt(Point base) { return window->cursorAtPoint(base).get(); }
    Value shownColour(std::int64_t index) const
    {
        return view->layoutManager()->temporaryAttributeAtCharacterIndex(ForegroundColorAttributeName, index);
    }

    Ref<Window> window;
    Ref<View> content;
    std::optional<EventScript> script;
    Ref<URLTextView> view;
};

TEST_F(URLTextViewTest, TheHandShowsOnlyOverLinks)
{
    EXPECT_EQ(cursorAt(glyphPoint(18)), URLTextView::handCursor().get());
    EXPECT_NE(cursorAt(glyphPoint(2)), URLTextView::handCursor().get());
    EXPECT_NE(cursorAt(glyphPoint(25)), URLTextView::handCursor().get());
}

TEST_F(URLTextViewTest, TheHandFollowsAReplacedStorage)
{
    auto storage = make<TextStorage>(QStringLiteral("site first"));
    storage->addAttributeValueRange(LinkAttributeName, Value(QStringLiteral("https://example.org/")), { 0, 4 });
    view->layoutManager()->replaceTextStorage(storage);
    EXPECT_EQ(view->textStorage().get(), storage.get());
    EXPECT_EQ(cursorAt(glyphPoint(1)), URLTextView::handCursor().get());
    EXPECT_NE(cursorAt(glyphPoint(7)), URLTextView::handCursor().get());
}

// In a scroll view the hand follows the link as the text scrolls: shown over the link's new place,
// gone from where it was, and never over a part scrolled out of sight.
TEST_F(URLTextViewTest, TheHandFollowsTheLinkWhenTheTextScrolls)
{
    auto scroll = make<ScrollView>(MakeRect(0, 0, 400, 60));
    scroll->setHasVerticalScroller(true);
    auto tall = make<URLTextView>(MakeRect(0, 0, scroll->contentSize().width, 60));
    tall->setEditable(false);
    scroll->setDocumentView(tall.get());
    view->removeFromSuperview();
    content->addSubview(scroll.get());
    QString text;
    for (int i = 0; i < 30; ++i)
        text += QStringLiteral("line %1 of the notes\n").arg(i, 2, 10, QChar(u'0'));
    tall->setString(text);
    const Range link { text.indexOf(QStringLiteral("line 20")), 7 };
    tall->textStorage()->addAttributeValueRange(LinkAttributeName, Value(QStringLiteral("https://example.org/notes")), link);
    auto pointOf = [&](std::int64_t index) {
        const Rect box = tall->layoutManager()->boundingRectForGlyphRangeInTextContainer({ index, 1 }, tall->textContainer().get());
        const Point o = tall->textContainerOrigin();
        return tall->convertPointToView(MakePoint(box.midX() + o.x, box.midY() + o.y), nullptr);
    };
    // Out of sight: no hand anywhere in the visible lines.
    const Point top = pointOf(2);
    EXPECT_NE(cursorAt(top), URLTextView::handCursor().get());

    tall->scrollRangeToVisible(link);
    window->displayIfNeeded();
    const Point shown = pointOf(link.location + 2);
    ASSERT_TRUE(MouseInRect(content->convertPointFromView(shown, nullptr), scroll->frame(), true));
    EXPECT_EQ(cursorAt(shown), URLTextView::handCursor().get());

    // Back to the top: the line there now is no link.
    tall->scrollRangeToVisible({ 0, 0 });
    window->displayIfNeeded();
    EXPECT_NE(cursorAt(shown), URLTextView::handCursor().get());
    EXPECT_NE(cursorAt(pointOf(2)), URLTextView::handCursor().get());
}

TEST_F(URLTextViewTest, AReleaseInsideOpensTheLinkOnce)
{
    URLOpenRecorder opened;
    script->mouseDown(glyphPoint(18)).wait(0.1).mouseUp(glyphPoint(19));
    script->run();
    ASSERT_EQ(opened.urls().size(), 1u);
    EXPECT_EQ(opened.urls()[0], QUrl("https://example.org/site"));
}

TEST_F(URLTextViewTest, DraggingOutRestoresTheColourAndAReleaseOutsideOpensNothing)
{
    URLOpenRecorder opened;
    bool colouredInside = false;
    bool restoredOutside = false;
    script->mouseDown(glyphPoint(18)).wait(0.1).mouseDragged(glyphPoint(19)).wait(0.1).mouseDragged(glyphPoint(3)).wait(0.1).mouseUp(glyphPoint(3));
    // Watch the temporary colour while the loop runs.
    auto watch = Timer::timerWithTimeIntervalRepeatsBlock(0.05, true, [&](Timer*) {
        if (!shownColour(18).isNil())
            colouredInside = true;
        else if (colouredInside)
            restoredOutside = true;
    });
    RunLoop::main().addTimerForMode(watch, EventTrackingRunLoopMode);
    script->run();
    watch->invalidate();
    EXPECT_TRUE(colouredInside);
    EXPECT_TRUE(restoredOutside);
    EXPECT_TRUE(shownColour(18).isNil());
    EXPECT_TRUE(opened.urls().empty());
}

TEST_F(URLTextViewTest, APressOffTheLinksIsTheTextViews)
{
    URLOpenRecorder opened;
    view->setEditable(true);
    window->makeFirstResponder(view.get());
    script->click(glyphPoint(2));
    script->run();
    EXPECT_TRUE(opened.urls().empty());
    EXPECT_EQ(view->selectedRange().length, 0);
    EXPECT_LE(std::abs(view->selectedRange().location - 2), 1);
}

} // namespace
