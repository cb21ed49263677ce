// What typing and caret moves repaint: the lines they touch, never the whole text view.

#include "kit/appkit/ScrollView.h"
#include "kit/foundation/RunLoop.h"
#include "kit/testsupport/PixelProbe.h"
#include "kit/text/LayoutManager.h"
#include "kit/text/TextContainer.h"
#include "kit/text/TextStorage.h"
#include "kit/text/TextView.h"
#include "kit/tests/ControlsTestSupport.h"

#include <QApplication>
#include <QPalette>

#include <cmath>

#include <gtest/gtest.h>

namespace {

using namespace kit;
using namespace kit::test;

class DisplayRecordingTextView : public TextView {
    KIT_CLASS(DisplayRecordingTextView)

    using TextView::TextView;
    void drawRect(Rect dirty) override
    {
        drawn.push_back(dirty);
        TextView::drawRect(dirty);
    }
    Rect drawnUnion() const
    {
        Rect all = ZeroRect;
        for (const Rect& r : drawn)
            all = IsEmptyRect(all) ? r : UnionRect(all, r);
        return all;
    }
    std::vector<Rect> drawn;
};

KIT_REGISTER_CLASS(DisplayRecordingTextView, TextView) { }

class TextViewDisplay : public testing::Test {
protected:
    void SetUp() override
    {
        w.emplace(Size { 400, 600 });
        view = make<DisplayRecordingTextView>(MakeRect(0, 0, 400, 600));
        w->content->addSubview(view.get());
        QString text;
        for (int i = 0; i < 30; ++i)
            text += QStringLiteral("paragraph %1\n").arg(i);
        view->setString(text);
        w->window->makeFirstResponder(view.get());
        w->window->display();
    }
    void TearDown() override { w.reset(); }

    // Paragraph `p`'s line in view coordinates, and where it starts in the text.
    std::int64_t startOf(int p) const { return view->string().indexOf(QStringLiteral("paragraph %1\n").arg(p)); }
    Rect lineOf(int p) const
    {
        const Rect r = view->layoutManager()->lineFragmentRectForGlyphAtIndexEffectiveRange(startOf(p));
        const Point o = view->textContainerOrigin();
        return MakeRect(r.minX() + o.x, r.minY() + o.y, r.width(), r.height());
    }
    void displayFresh()
    {
        w->window->displayIfNeeded();
        view->drawn.clear();
    }

    std::optional<ControlWindow> w;
    Ref<DisplayRecordingTextView> view;
};

} // namespace

TEST_F(TextViewDisplay, AKeystrokeRepaintsOnlyItsOwnLine)
{
    view->setSelectedRange({ startOf(12) + 4, 0 });
    displayFresh();
    const Rect line = lineOf(12);
    view->insertText(QStringLiteral("x"));
    w->window->displayIfNeeded();
    ASSERT_FALSE(view->drawn.empty());
    // Dirty areas are whole pixels.
    const Rect drawn = view->drawnUnion();
    EXPECT_GE(drawn.minY(), line.minY() - 1);
    EXPECT_LE(drawn.maxY(), line.maxY() + 1);
}

TEST_F(TextViewDisplay, ACaretMoveRepaintsTheOldAndNewCaretOnly)
{
    view->setSelectedRange({ startOf(3) + 2, 0 });
    displayFresh();
    view->setSelectedRange({ startOf(20) + 2, 0 });
    w->window->displayIfNeeded();
    ASSERT_FALSE(view->drawn.empty());
    // Caret columns (the window may join the two into one), never whole lines.
    for (const Rect& r : view->drawn)
        EXPECT_LE(r.width(), 4);
    const Rect drawn = view->drawnUnion();
    EXPECT_LE(drawn.minY(), lineOf(3).minY() + 1);
    EXPECT_GE(drawn.maxY(), lineOf(20).maxY() - 1);
}

TEST_F(TextViewDisplay, ASelectionRepaintsEveryLineItCoversAndNoOther)
{
    view->setSelectedRange({ startOf(5) + 3, 0 });
    displayFresh();
    view->setSelectedRange({ startOf(5) + 3, startOf(8) + 4 - (startOf(5) + 3) });
    w->window->displayIfNeeded();
    const Rect drawn = view->drawnUnion();
    EXPECT_LE(drawn.minY(), lineOf(5).minY() + 0.5);
    EXPECT_GE(drawn.maxY(), lineOf(8).maxY() - 0.5);
    // Dirty areas are whole pixels.
    EXPECT_GE(drawn.minY(), lineOf(4).maxY() - 1);
    EXPECT_LE(drawn.maxY(), lineOf(9).minY() + 1);
    // The highlight reaches the end of a line it runs past, so whole lines repaint.
    EXPECT_LE(drawn.minX(), lineOf(6).minX() + 0.5);
    EXPECT_GE(drawn.maxX(), lineOf(6).maxX() - 0.5);
}

TEST_F(TextViewDisplay, ANewLineRepaintsEverythingBelowIt)
{
    view->setSelectedRange({ startOf(10), 0 });
    displayFresh();
    view->insertText(QStringLiteral("\n"));
    w->window->displayIfNeeded();
    const Rect drawn = view->drawnUnion();
    EXPECT_LE(drawn.minY(), lineOf(10).minY());
    EXPECT_GE(drawn.maxY(), lineOf(29).maxY() - 0.5);
}

// The keyboard focus of a scrolled text view: a ring just inside the scroll view, wherever the
// text is scrolled to; none after a click, in a window that is not key, or once the focus leaves.
namespace {

// A text of `lines` lines in a scroll view at `frame` of a 300 x 200 window.
struct ScrolledText {
    explicit ScrolledText(int lines)
    {
        QString text;
        for (int i = 0; i < lines; ++i)
            text += QStringLiteral("line %1\n").arg(i);
        view->setString(text);
        scroll->setDocumentView(view.get());
        w.content->addSubview(scroll.get());
    }
    ControlWindow w { MakeSize(300, 200) };
    const Rect frame = MakeRect(20, 20, 200, 120);
    Ref<ScrollView> scroll = make<ScrollView>(frame);
    Ref<TextView> view = make<TextView>(MakeRect(0, 0, 200, 120));
};

} // namespace

TEST(TextViewFocusRing, TheScrollViewOfTheFocusedTextShowsARingInsideItsEdges)
{
    ScrolledText s(40);
    ControlWindow& w = s.w;
    const Rect frame = s.frame;
    const Ref<ScrollView> scroll = s.scroll;
    const Ref<TextView> text = s.view;
    ASSERT_GT(text->frame().height(), 2 * frame.height());
    scroll->contentView()->scrollToPoint(MakePoint(0, frame.height()));
    const QImage plain = w.window->snapshot();
    // Snapshot rows run down; content y runs up. Each edge: some of its three innermost lines change.
    const auto ringed = [&](const QImage& shot) {
        const auto differs = [&](int x, double y) {
            const int row = shot.height() - 1 - int(y);
            return pixel(shot, x, row) != pixel(plain, x, row);
        };
        bool left = false, top = false, bottom = false;
        for (int d = 0; d < 3; ++d) {
            left |= differs(int(frame.minX()) + d, frame.midY());
            top |= differs(int(frame.midX()), frame.maxY() - 1 - d);
            bottom |= differs(int(frame.midX()), frame.minY() + d);
        }
        return left && top && bottom;
    };

    ASSERT_TRUE(w.window->makeFirstResponder(text.get()));
    EXPECT_TRUE(ringed(w.window->snapshot())) << "chosen by the program";
    {
        ControlWindow other(MakeSize(50, 50));
        ASSERT_FALSE(w.window->isKeyWindow());
        text->setNeedsDisplay(true);
        EXPECT_FALSE(ringed(w.window->snapshot())) << "not key";
    }
    w.window->makeKeyWindow();
    text->setNeedsDisplay(true);
    EXPECT_TRUE(ringed(w.window->snapshot())) << "key again";
    w.window->makeFirstResponder(nullptr);
    EXPECT_FALSE(ringed(w.window->snapshot())) << "focus left";
    w.script->click(MakePoint(frame.midX(), frame.midY()));
    w.script->run();
    ASSERT_EQ(w.window->firstResponder().get(), text.get());
    EXPECT_FALSE(ringed(w.window->snapshot())) << "clicked";
}

// Typing repaints a line and the pieces of the ring beside it, each once: the ring keeps its colour
// all along the edges, above, beside and below the line.
TEST(TextViewFocusRing, TypingLeavesTheRingsColourAsItWas)
{
    ScrolledText s(12);
    ControlWindow& w = s.w;
    const Rect frame = s.frame;
    const Ref<TextView> text = s.view;
    ASSERT_TRUE(w.window->makeFirstResponder(text.get()));
    text->setSelectedRange({ text->string().indexOf(QStringLiteral("line 3")) + 4, 0 });
    const QImage before = w.window->snapshot();
    for (int i = 0; i < 3; ++i)
        text->insertText(QStringLiteral("x"));
    const QImage after = w.window->snapshot();
    // Snapshot rows run down from the window's top; the frame's top row is 200 - 140.
    for (int row = 200 - int(frame.maxY()); row < 200 - int(frame.minY()); ++row)
        for (int d = 0; d < 3; ++d) {
            ASSERT_EQ(pixel(after, int(frame.minX()) + d, row), pixel(before, int(frame.minX()) + d, row)) << "left, row " << row;
            ASSERT_EQ(pixel(after, int(frame.maxX()) - 1 - d, row), pixel(before, int(frame.maxX()) - 1 - d, row)) << "right, row " << row;
        }
}

// The caret is whole pixels of the text colour wherever it falls between them: a crisp column, not
// two half-lit ones.
TEST_F(TextViewDisplay, TheCaretIsWholePixelsWhereverItFalls)
{
    view->setSelectedRange({ startOf(12) + 12, 0 });
    const QColor text = QApplication::palette().color(QPalette::Text);
    const QColor base = QApplication::palette().color(QPalette::Base);
    const auto near = [](QColor a, QColor b) {
        return std::abs(a.red() - b.red()) <= 8 && std::abs(a.green() - b.green()) <= 8 && std::abs(a.blue() - b.blue()) <= 8;
    };
    // After each space the caret sits at another fraction of a pixel.
    for (int spaces = 1; spaces <= 6; ++spaces) {
        view->insertText(QStringLiteral(" "));
        w->window->displayIfNeeded();
        const QImage shot = w->window->snapshot();
        const Rect caret = view->insertionPointRect(view->selectedRange().location);
        const Point mid = view->convertPointToView(MakePoint(caret.midX(), caret.midY()), nullptr);
        const double dpr = shot.devicePixelRatio();
        const int row = int(std::floor((shot.height() / dpr - mid.y) * dpr));
        const int column = int(std::floor(mid.x * dpr));
        int lit = 0;
        for (int x = column - 3; x <= column + 3; ++x) {
            const QColor c = shot.pixelColor(x, row);
            lit += near(c, text);
            EXPECT_TRUE(near(c, text) || near(c, base)) << spaces << " spaces: column " << x - column << " is half lit";
        }
        EXPECT_GE(lit, 1) << spaces << " spaces";
    }
}

// The caret blinks every half second while its view is the key window's first responder, shows at
// once when a keystroke moves it and holds still while typing goes on.
TEST(TextViewCaret, BlinksAndHoldsStillWhileTyping)
{
    ControlWindow w(Size { 300, 100 });
    auto view = make<TextView>(MakeRect(0, 0, 300, 100));
    w.content->addSubview(view.get());
    view->setString(QStringLiteral("abc"));
    w.window->makeFirstResponder(view.get());
    const QColor text = QApplication::palette().color(QPalette::Text);
    const auto lit = [&] {
        const QImage shot = w.window->snapshot();
        const Rect caret = view->insertionPointRect(view->selectedRange().location);
        const Point mid = view->convertPointToView(MakePoint(caret.midX(), caret.midY()), nullptr);
        const double dpr = shot.devicePixelRatio();
        const int row = int(std::floor((shot.height() / dpr - mid.y) * dpr));
        const int column = int(std::floor(mid.x * dpr));
        for (int x = column - 1; x <= column + 1; ++x)
            if (std::abs(shot.pixelColor(x, row).lightness() - text.lightness()) < 40)
                return true;
        return false;
    };
    const auto pass = [&](double seconds) {
        w.script->clock().advance(seconds);
        RunLoop::main().runDue();
    };
    EXPECT_TRUE(lit());
    pass(0.5);
    EXPECT_FALSE(lit()) << "off after half a second";
    pass(0.5);
    EXPECT_TRUE(lit()) << "on again";
    pass(0.5);
    ASSERT_FALSE(lit());
    view->insertText(QStringLiteral("d"));
    EXPECT_TRUE(lit()) << "a keystroke shows it at once";
    pass(0.3);
    view->insertText(QStringLiteral("e"));
    pass(0.3);
    EXPECT_TRUE(lit()) << "still while typing goes on";
    pass(0.5);
    EXPECT_FALSE(lit()) << "blinking again after a pause";
    w.window->makeFirstResponder(nullptr);
    EXPECT_FALSE(lit()) << "no caret without the focus";
}
