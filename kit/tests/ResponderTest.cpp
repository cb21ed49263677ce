#include "kit/appkit/Application.h"
#include "kit/appkit/Beep.h"
#include "kit/appkit/ClipView.h"
#include "kit/appkit/KeyCodes.h"
#include "kit/appkit/ScrollView.h"
#include "kit/appkit/View.h"
#include "kit/appkit/Window.h"
#include "kit/testsupport/EventScript.h"

#include <QGuiApplication>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

using namespace kit;

class Field : public View {
    KIT_CLASS(Field)

    Field(std::vector<std::string>* log, std::string name, Rect frame)
        : View(frame)
        , log(log)
        , name(std::move(name))
    { }

    bool acceptsFirstResponder() const override { return accepts; }
    bool becomeFirstResponder() override
    {
        if (log)
            log->push_back(name + " become");
        if (const Ref<Window> w = window())
            directionSeen = w->keyViewSelectionDirection();
        return becomes;
    }
    bool resignFirstResponder() override
    {
        if (log)
            log->push_back(name + " resign");
        return resigns;
    }
    // Every action is registered; only those listed in `actions` are answered.
    bool respondsToSelector(const Selector& s) const override
    {
        return std::find(actions.begin(), actions.end(), s.name().toStdString()) != actions.end() && View::respondsToSelector(s);
    }
    void moveLeft(Object*) { performed.push_back("moveLeft"); }
    void insertNewline(Object*) { performed.push_back("insertNewline"); }
    void deleteBackward(Object*) { performed.push_back("deleteBackward"); }
    void selectAll(Object*) { performed.push_back("selectAll"); }
    void copy(Object* sender) { performed.push_back(sender ? "copy from sender" : "copy"); }
    void mouseDown(const Event&) override
    {
        if (log)
            log->push_back(name + " mouseDown");
        if (onMouseDown)
            onMouseDown();
    }
    void keyDown(const Event& e) override
    {
        if (interprets)
            interpretKeyEvents({ Ref<Event>(const_cast<Event*>(&e)) });
        else
            View::keyDown(e);
    }
    void insertText(const QString& text) override { typed += text; }
    bool performKeyEquivalent(const Event& e) override { return equivalents && (e.modifierFlags() & CommandKeyMask); }

    std::vector<std::string>* log;
    std::string name;
    bool accepts = true, becomes = true, resigns = true, interprets = false, equivalents = false;
    SelectionDirection directionSeen = DirectSelection;
    std::vector<std::string> actions;
    std::vector<std::string> performed;
    QString typed;
    std::function<void()> onMouseDown;
};

KIT_REGISTER_CLASS(Field, View)
{
    c.action("moveLeft", &Field::moveLeft).action("insertNewline", &Field::insertNewline).action("deleteBackward", &Field::deleteBackward);
    c.action("selectAll", &Field::selectAll).action("copy", &Field::copy);
}

class Responders : public testing::Test {
protected:
    void SetUp() override
    {
        setBeepHook([this] { ++beeps; });
        window = make<Window>(MakeRect(0, 0, 300, 100), TitledWindowMask);
        a = make<Field>(&log, "a", MakeRect(0, 0, 100, 100));
        b = make<Field>(&log, "b", MakeRect(100, 0, 100, 100));
        c = make<Field>(&log, "c", MakeRect(200, 0, 100, 100));
        for (auto& v : { a, b, c })
            window->contentView()->addSubview(v.get());
        a->setNextKeyView(b.get());
        b->setNextKeyView(c.get());
        c->setNextKeyView(a.get());
        window->makeKeyAndOrderFront();
    }
    void TearDown() override
    {
        setBeepHook(nullptr);
        Application::resetForTesting();
    }

    int beeps = 0;
    std::vector<std::string> log;
    Ref<Window> window;
    Ref<Field> a, b, c;
};

TEST_F(Responders, MakeFirstResponderResignsTheOldBeforeTheNewBecomes)
{
    EXPECT_TRUE(window->makeFirstResponder(a.get()));
    EXPECT_TRUE(window->makeFirstResponder(b.get()));
    EXPECT_EQ(log, (std::vector<std::string> { "a become", "a resign", "b become" }));
    log.clear();
    EXPECT_TRUE(window->makeFirstResponder(b.get())); // already: no calls
    EXPECT_TRUE(log.empty());
}

TEST_F(Responders, MakeFirstResponderRefusalsAndNull)
{
    window->makeFirstResponder(a.get());
    a->resigns = false;
    EXPECT_FALSE(window->makeFirstResponder(b.get()));
    EXPECT_EQ(window->firstResponder(), a);
    a->resigns = true;
    b->becomes = false;
    EXPECT_FALSE(window->makeFirstResponder(b.get()));
    EXPECT_EQ(window->firstResponder(), window); // the window holds it after a refusal
    window->makeFirstResponder(c.get());
    EXPECT_TRUE(window->makeFirstResponder(nullptr));
    EXPECT_EQ(window->firstResponder(), window);
}

TEST_F(Responders, HidingOrRemovingTheFirstResponderOrAnAncestorResignsIt)
{
    auto holder = make<View>(MakeRect(0, 0, 50, 50));
    auto inner = make<Field>(nullptr, "inner", MakeRect(0, 0, 10, 10));
    window->contentView()->addSubview(holder.get());
    holder->addSubview(inner.get());
    window->makeFirstResponder(inner.get());
    holder->setHidden(true);
    EXPECT_EQ(window->firstResponder(), window);
    holder->setHidden(false);
    window->makeFirstResponder(a.get());
    a->removeFromSuperview();
    EXPECT_EQ(window->firstResponder(), window);
}

TEST_F(Responders, KeyViewLoopSkipsInvalidViewsWrapsAndStopsAfterOneCycle)
{
    b->setHidden(true);
    EXPECT_EQ(a->nextValidKeyView(), c);
    EXPECT_EQ(c->nextValidKeyView(), a);
    EXPECT_EQ(a->previousValidKeyView(), c);
    EXPECT_EQ(b->previousKeyView(), a);
    c->accepts = false;
    EXPECT_FALSE(a->nextValidKeyView()); // only a itself is left
    c->accepts = true;

    window->makeFirstResponder(c.get());
    window->selectNextKeyView();
    EXPECT_EQ(window->firstResponder(), a);
    EXPECT_EQ(a->directionSeen, SelectingNext);
    window->selectPreviousKeyView();
    EXPECT_EQ(window->firstResponder(), c);
    EXPECT_EQ(c->directionSeen, SelectingPrevious);
    EXPECT_EQ(window->keyViewSelectionDirection(), DirectSelection);

    a->accepts = false;
    window->selectKeyViewFollowingView(c.get()); // nothing but c itself: it keeps the focus
    EXPECT_EQ(window->firstResponder(), c);
}

TEST_F(Responders, AClickMakesTheViewFirstResponderBeforeItsMouseDown)
{
    kit::test::EventScript script(window.get());
    script.click(MakePoint(150, 50));
    script.run();
    EXPECT_EQ(log, (std::vector<std::string> { "b become", "b mouseDown" }));
    EXPECT_EQ(window->firstResponder(), b);
}

TEST_F(Responders, UnhandledKeysGoThroughTheBindingTableUpTheChain)
{
    auto container = make<Field>(nullptr, "container", MakeRect(0, 0, 10, 10));
    container->accepts = false;
    container->actions = { "moveLeft" };
    window->contentView()->addSubview(container.get());
    auto plain = make<Field>(nullptr, "plain", MakeRect(0, 0, 5, 5));
    container->addSubview(plain.get());
    window->makeFirstResponder(plain.get());

    kit::test::EventScript script(window.get());
    script.key(KeyCodeLeftArrow).key(KeyCodeA, "x");
    script.run();
    EXPECT_EQ(container->performed, (std::vector<std::string> { "moveLeft" }));
    EXPECT_EQ(beeps, 1); // the plain letter is bound to nothing
}

TEST_F(Responders, UnhandledTabAndBacktabMoveTheKeyView)
{
    window->makeFirstResponder(a.get());
    kit::test::EventScript script(window.get());
    script.key(KeyCodeTab).key(KeyCodeTab);
    script.run();
    EXPECT_EQ(window->firstResponder(), c);
    script.key(KeyCodeTab, {}, ShiftKeyMask);
    script.run();
    EXPECT_EQ(window->firstResponder(), b);
    EXPECT_EQ(beeps, 0);
}

// No loop set anywhere: Tab goes by place, rows from the top, each row left to right (right to left
// in a right-to-left layout). Views whose vertical extents overlap are one row, whatever their top edges.
TEST(KeyViewOrder, WithoutALoopTabAndBacktabCycleByPosition)
{
    struct Case {
        const char* what;
        std::vector<std::pair<std::string, Rect>> views; // added in this order
        std::vector<std::string> forward;                // from no focus
        Qt::LayoutDirection direction = Qt::LeftToRight;
    };
    // One row of controls of different heights on a common bottom edge: a pop-up, two check boxes,
    // a stepper at the far right.
    const std::vector<std::pair<std::string, Rect>> row { { "stepper", MakeRect(470, 100, 19, 26) }, { "popUp", MakeRect(20, 100, 130, 26) },
        { "unified", MakeRect(170, 100, 120, 22) }, { "edges", MakeRect(300, 100, 150, 22) } };
    const Case cases[] = {
        { "rows from the top",
            { { "lowerLeft", MakeRect(10, 20, 100, 20) }, { "upperRight", MakeRect(150, 150, 100, 20) }, { "upperLeft", MakeRect(10, 150, 100, 20) } },
            { "upperLeft", "upperRight", "lowerLeft" } },
        { "a row of different heights", row, { "popUp", "unified", "edges", "stepper" } },
        { "a row right to left", row, { "stepper", "edges", "unified", "popUp" }, Qt::RightToLeft },
        // A column of buttons beside a tall text whose top lies between the first two buttons' tops.
        { "a column beside a tall view",
            { { "text", MakeRect(270, 0, 200, 160) }, { "first", MakeRect(30, 150, 200, 28) }, { "second", MakeRect(30, 110, 200, 28) },
                { "third", MakeRect(30, 70, 200, 28) } },
            { "first", "second", "third", "text" } },
        // A list down the left does not make one row of everything beside it.
        { "rows beside a tall list",
            { { "list", MakeRect(0, 0, 50, 200) }, { "lower", MakeRect(100, 100, 60, 20) }, { "stepper", MakeRect(170, 150, 20, 20) },
                { "upper", MakeRect(100, 150, 60, 20) } },
            { "list", "upper", "stepper", "lower" } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QGuiApplication::setLayoutDirection(c.direction);
        auto window = make<Window>(MakeRect(0, 0, 500, 200), TitledWindowMask);
        for (const auto& [name, frame] : c.views)
            window->contentView()->addSubview(make<Field>(nullptr, name, frame).get());
        window->makeKeyAndOrderFront();
        window->makeFirstResponder(nullptr);
        kit::test::EventScript script(window.get());
        const auto at = [&] {
            const auto* f = dynamic_cast<const Field*>(window->firstResponder().get());
            return f ? f->name : std::string("the window");
        };
        std::vector<std::string> seen;
        for (std::size_t i = 0; i < c.forward.size(); ++i) {
            script.key(KeyCodeTab);
            script.run();
            seen.push_back(at());
        }
        EXPECT_EQ(seen, c.forward);
        // Backwards the same cycle the other way round, from the last view.
        std::vector<std::string> back;
        for (std::size_t i = 0; i < c.forward.size(); ++i) {
            script.key(KeyCodeTab, {}, ShiftKeyMask);
            script.run();
            back.push_back(at());
        }
        std::vector<std::string> expected(c.forward.rbegin() + 1, c.forward.rend());
        expected.push_back(c.forward.back());
        EXPECT_EQ(back, expected);
        window->close();
    }
    QGuiApplication::setLayoutDirection(Qt::LeftToRight);
    Application::resetForTesting();
}

// A scroll view at `frame` in `parent`, its document a plain view of `size`.
Ref<ScrollView> addScrollView(View* parent, Rect frame, Size size)
{
    auto scroll = make<ScrollView>(frame);
    scroll->setDocumentView(make<View>(MakeRect(0, 0, size.width, size.height)).get());
    parent->addSubview(scroll.get());
    return scroll;
}

// A view the keyboard makes first responder is brought into sight in every scroll view around it,
// its focus ring too; a click on a view that shows only in part scrolls nothing.
TEST(KeyViewOrder, TabScrollsTheNewKeyViewIntoEveryScrollViewAndAClickNever)
{
    auto window = make<Window>(MakeRect(0, 0, 300, 200), TitledWindowMask);
    // A page scrolled in the window, and in it a list scrolled of its own, both taller than shown.
    auto page = addScrollView(window->contentView().get(), MakeRect(0, 0, 300, 200), MakeSize(280, 600));
    const Ref<View> pageDocument = page->documentView();
    auto top = make<Field>(nullptr, "top", MakeRect(10, 570, 100, 20));
    pageDocument->addSubview(top.get());
    auto list = addScrollView(pageDocument.get(), MakeRect(10, 10, 200, 100), MakeSize(180, 400));
    const Ref<View> listDocument = list->documentView();
    auto deep = make<Field>(nullptr, "deep", MakeRect(10, 10, 100, 20));
    listDocument->addSubview(deep.get());
    window->makeKeyAndOrderFront();
    page->contentView()->scrollToPoint(MakePoint(0, 400));
    list->contentView()->scrollToPoint(MakePoint(0, 300));
    window->makeFirstResponder(top.get());
    ASSERT_TRUE(IntersectionRect(top->visibleRect(), top->bounds()) == top->bounds());
    ASSERT_TRUE(IsEmptyRect(deep->visibleRect()));

    kit::test::EventScript script(window.get());
    script.key(KeyCodeTab);
    script.run();
    ASSERT_EQ(window->firstResponder(), deep);
    // The whole view and the ring around it, seen through both clip views.
    const Rect ring = InsetRect(deep->bounds(), -3, -3);
    const Rect inList = deep->convertRectToView(ring, list->contentView().get());
    EXPECT_TRUE(IntersectionRect(inList, list->contentView()->bounds()) == inList);
    const Rect inPage = deep->convertRectToView(ring, page->contentView().get());
    EXPECT_TRUE(IntersectionRect(inPage, page->contentView()->bounds()) == inPage);
    // Backwards too: the field at the page's top comes back into sight.
    script.key(KeyCodeTab, {}, ShiftKeyMask);
    script.run();
    ASSERT_EQ(window->firstResponder(), top);
    EXPECT_TRUE(IntersectionRect(top->visibleRect(), top->bounds()) == top->bounds());

    // A click on the half of `deep` that shows moves neither clip view.
    page->contentView()->scrollToPoint(MakePoint(0, 0));
    list->contentView()->scrollToPoint(MakePoint(0, 20));
    const Point pageOrigin = page->contentView()->bounds().origin;
    const Point listOrigin = list->contentView()->bounds().origin;
    const Rect shown = deep->convertRectToView(deep->visibleRect(), nullptr);
    ASSERT_FALSE(IsEmptyRect(shown));
    script.click(MakePoint(shown.midX(), shown.midY()));
    script.run();
    EXPECT_EQ(window->firstResponder(), deep);
    EXPECT_TRUE(page->contentView()->bounds().origin == pageOrigin);
    EXPECT_TRUE(list->contentView()->bounds().origin == listOrigin);
    window->close();
    Application::resetForTesting();
}

// What a scroll view holds is read in its own order where the scroll view stands: Tab scrolling the
// fields into sight one after another never reorders them against a button beside the scroll view.
TEST(KeyViewOrder, ScrollingTheFocusIntoSightKeepsTheOrder)
{
    auto window = make<Window>(MakeRect(0, 0, 300, 200), TitledWindowMask);
    auto scroll = addScrollView(window->contentView().get(), MakeRect(0, 0, 200, 200), MakeSize(180, 1000));
    const Ref<View> document = scroll->documentView();
    std::vector<std::string> expected;
    for (int i = 0; i < 20; ++i) {
        expected.push_back("row " + std::to_string(i));
        document->addSubview(make<Field>(nullptr, expected.back(), MakeRect(10, 960 - 50 * i, 100, 20)).get());
    }
    expected.push_back("beside");
    window->contentView()->addSubview(make<Field>(nullptr, "beside", MakeRect(220, 90, 60, 20)).get());
    window->makeKeyAndOrderFront();
    scroll->contentView()->scrollToPoint(MakePoint(0, 800));
    window->makeFirstResponder(nullptr);
    kit::test::EventScript script(window.get());
    std::vector<std::string> seen;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        script.key(KeyCodeTab);
        script.run();
        const auto* f = dynamic_cast<const Field*>(window->firstResponder().get());
        seen.push_back(f ? f->name : "the window");
    }
    EXPECT_EQ(seen, expected);
    window->close();
    Application::resetForTesting();
}

// Loops a window's owner sets never strand the keys: Tab and Shift+Tab reach every view that takes
// the focus, from the last back to the first, and never leave the window holding it.
TEST(KeyViewOrder, LoopsAmongSomeViewsNeverKeepTabFromTheRestNorLeaveNoFocus)
{
    // "list" down the left; to its right "flat" and its "stepper" in one row, "bevelled" below.
    struct Case {
        const char* what;
        std::vector<std::pair<std::string, std::string>> links;
        std::string refusing;
        std::string start; // empty: the window holds the focus
        bool backward;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        { "a closed loop", { { "flat", "bevelled" }, { "bevelled", "flat" } }, "", "list", false, { "flat", "bevelled", "stepper", "list" } },
        { "a closed loop, backwards", { { "flat", "bevelled" }, { "bevelled", "flat" } }, "", "list", true, { "stepper", "bevelled", "flat", "list" } },
        { "an open chain's end", { { "flat", "bevelled" } }, "", "bevelled", false, { "stepper", "list" } },
        { "from no focus", { { "flat", "bevelled" }, { "bevelled", "flat" } }, "", "", false, { "list" } },
        { "from no focus, backwards", { { "flat", "bevelled" }, { "bevelled", "flat" } }, "", "", true, { "stepper" } },
        { "a view that refuses", { { "flat", "bevelled" }, { "bevelled", "flat" } }, "stepper", "bevelled", false, { "list", "flat" } },
        { "a link out of the window", { { "list", "elsewhere" } }, "", "list", false, { "flat", "stepper" } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto window = make<Window>(MakeRect(0, 0, 300, 200), TitledWindowMask);
        auto other = make<Window>(MakeRect(0, 0, 100, 100), TitledWindowMask);
        std::map<std::string, Ref<Field>> views {
            { "list", make<Field>(nullptr, "list", MakeRect(0, 0, 50, 200)) },
            { "flat", make<Field>(nullptr, "flat", MakeRect(100, 150, 60, 20)) },
            { "stepper", make<Field>(nullptr, "stepper", MakeRect(170, 150, 20, 20)) },
            { "bevelled", make<Field>(nullptr, "bevelled", MakeRect(100, 100, 60, 20)) },
            { "elsewhere", make<Field>(nullptr, "elsewhere", MakeRect(0, 0, 20, 20)) },
        };
        for (const auto& [name, view] : views)
            (name == "elsewhere" ? other : window)->contentView()->addSubview(view.get());
        for (const auto& [from, to] : c.links)
            views[from]->setNextKeyView(views[to].get());
        if (!c.refusing.empty())
            views[c.refusing]->becomes = false;
        window->makeKeyAndOrderFront();
        window->makeFirstResponder(c.start.empty() ? nullptr : views[c.start].get());
        kit::test::EventScript script(window.get());
        for (const std::string& expected : c.expected) {
            script.key(KeyCodeTab, {}, c.backward ? ShiftKeyMask : 0);
            script.run();
            const auto* at = dynamic_cast<const Field*>(window->firstResponder().get());
            EXPECT_EQ(at ? at->name : "the window", expected);
        }
        other->close();
        window->close();
    }
    Application::resetForTesting();
}

// The one view that takes the focus: Tab from it, with the window holding the focus for a moment
// (its editor gone), gives it back rather than leave nobody.
TEST_F(Responders, TabFromTheOnlyKeyViewGivesItTheFocusAgain)
{
    a->accepts = false;
    b->accepts = false;
    window->makeFirstResponder(c.get());
    window->makeFirstResponder(window.get());
    window->selectKeyViewFollowingView(c.get());
    EXPECT_EQ(window->firstResponder(), c);
    window->selectKeyViewPrecedingView(c.get());
    EXPECT_EQ(window->firstResponder(), c);
}

TEST_F(Responders, InterpretKeyEventsSendsTextAndCommands)
{
    a->interprets = true;
    a->actions = { "insertNewline", "deleteBackward" };
    window->makeFirstResponder(a.get());
    kit::test::EventScript script(window.get());
    script.key(KeyCodeA, "h").key(KeyCodeS, "i").key(KeyCodeReturn).key(KeyCodeDelete).key(KeyCodeEscape);
    script.run();
    EXPECT_EQ(a->typed, QStringLiteral("hi"));
    EXPECT_EQ(a->performed, (std::vector<std::string> { "insertNewline", "deleteBackward" }));
    EXPECT_EQ(beeps, 1); // cancelOperation: reached no one
}

TEST_F(Responders, KeyEquivalentsComeBeforeKeyDown)
{
    c->equivalents = true;
    a->actions = { "selectAll" };
    window->makeFirstResponder(a.get());
    kit::test::EventScript script(window.get());
    script.key(KeyCodeA, "a", CommandKeyMask);
    script.run();
    EXPECT_TRUE(a->performed.empty());
    c->equivalents = false;
    script.key(KeyCodeA, "a", CommandKeyMask);
    script.run();
    EXPECT_EQ(a->performed, (std::vector<std::string> { "selectAll" }));
}

TEST_F(Responders, SendActionFindsTheTargetAndDropsExpiredOnes)
{
    auto app = Application::sharedApplication();
    b->actions = { "copy" };
    window->makeFirstResponder(a.get());
    EXPECT_FALSE(app->sendActionToFrom(Selector("copy"), Weak<Object>(), nullptr)); // not on a's chain
    a->actions = { "copy" };
    EXPECT_TRUE(app->sendActionToFrom(Selector("copy"), Weak<Object>(), nullptr));
    EXPECT_EQ(a->performed.size(), 1u);
    EXPECT_TRUE(app->sendActionToFrom(Selector("copy"), Weak<Object>(b), nullptr));
    EXPECT_EQ(b->performed.size(), 1u);
    EXPECT_FALSE(app->sendActionToFrom(Selector("paste"), Weak<Object>(b), nullptr));

    Weak<Object> expired;
    {
        auto gone = make<Field>(nullptr, "gone", ZeroRect);
        gone->actions = { "copy" };
        expired = Weak<Object>(gone);
    }
    EXPECT_FALSE(app->sendActionToFrom(Selector("copy"), expired, nullptr));
    EXPECT_EQ(a->performed.size(), 1u); // not sent up the chain either
}

TEST_F(Responders, AViewRemovedDuringItsOwnEventLivesUntilTheEventEnds)
{
    Weak<Field> weak;
    {
        auto doomed = make<Field>(&log, "doomed", MakeRect(0, 0, 300, 100));
        window->contentView()->addSubview(doomed.get());
        weak = doomed;
        Field* raw = doomed.get();
        raw->onMouseDown = [raw, &weak] {
            raw->removeFromSuperview();
            EXPECT_TRUE(weak.lock()); // still alive inside its own handler
            raw->name = "removed";
        };
    }
    kit::test::EventScript script(window.get());
    script.click(MakePoint(10, 10));
    script.run();
    EXPECT_FALSE(weak.lock());
}

TEST_F(Responders, TheFieldEditorIsMadeOncePerWindowOnDemand)
{
    int made = 0;
    const auto installed = Window::currentFieldEditorFactory();
    Window::setFieldEditorFactory([&](Window*) {
        ++made;
        return make<Responder>();
    });
    EXPECT_FALSE(window->fieldEditorForObject(false, a.get()));
    const Ref<Responder> editor = window->fieldEditorForObject(true, a.get());
    EXPECT_TRUE(editor);
    EXPECT_EQ(window->fieldEditorForObject(true, b.get()), editor);
    EXPECT_EQ(made, 1);
    Window::setFieldEditorFactory(installed);
}

class Mover : public Field {
public:
    using Field::Field;
    void mouseMoved(const Event&) override { ++moves; }
    int moves = 0;
};

TEST_F(Responders, MovesReachTheFirstResponderOnlyWhenTheWindowAcceptsThem)
{
    auto mover = make<Mover>(nullptr, "mover", MakeRect(0, 0, 10, 10));
    window->contentView()->addSubview(mover.get());
    window->makeFirstResponder(mover.get());
    kit::test::EventScript script(window.get());
    script.mouseMoved(MakePoint(200, 50));
    script.run();
    EXPECT_EQ(mover->moves, 0);
    window->setAcceptsMouseMovedEvents(true);
    script.mouseMoved(MakePoint(250, 50)); // far from the view: the first responder still gets it
    script.run();
    EXPECT_EQ(mover->moves, 1);
}

} // namespace
