#include "kit/appkit/Application.h"
#include "kit/appkit/Beep.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/View.h"
#include "kit/appkit/Window.h"
#include "kit/testsupport/EventScript.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using namespace kit;

std::vector<std::string>* journal = nullptr;

// Claims the key equivalent `claims` (characters, any modifiers) and logs every offer.
class Claimer : public View {
public:
    Claimer(Rect frame, std::string name, QString claims = {})
        : View(frame)
        , name(std::move(name))
        , claims(std::move(claims))
    { }
    bool performKeyEquivalent(const Event& e) override
    {
        journal->push_back(name + ".equivalent");
        return !claims.isEmpty() && e.charactersIgnoringModifiers() == claims;
    }
    std::string name;
    QString claims;
};

class Typist : public View {
    KIT_CLASS(Typist)
public:
    using View::View;
    bool acceptsFirstResponder() const override { return true; }
    void keyDown(const Event& e) override
    {
        journal->push_back("keyDown");
        if (!passOn)
            return;
        View::keyDown(e);
    }
    void insertNewline(Object*) { journal->push_back("insertNewline"); }
    bool respondsToSelector(const Selector& s) const override
    {
        return s == Selector("insertNewline") ? handlesNewline : View::respondsToSelector(s);
    }
    bool passOn = true;
    bool handlesNewline = false;
};

KIT_REGISTER_CLASS(Typist, View) { c.action("insertNewline", &Typist::insertNewline); }

class DefaultCell : public Object {
    KIT_CLASS(DefaultCell)
public:
    void performClick(Object* sender)
    {
        journal->push_back("click");
        senders.push_back(sender);
    }
    std::vector<Object*> senders;
};

KIT_REGISTER_CLASS(DefaultCell, Object) { c.action("performClick", &DefaultCell::performClick); }

class KeyEquivalents : public testing::Test {
protected:
    void SetUp() override
    {
        journal = &log;
        setBeepHook([this] { log.push_back("beep"); });
        window = make<Window>(MakeRect(0, 0, 200, 100), TitledWindowMask);
        outer = make<Claimer>(MakeRect(0, 0, 100, 100), "outer");
        inner = make<Claimer>(MakeRect(0, 0, 50, 50), "inner", QStringLiteral("s"));
        hidden = make<Claimer>(MakeRect(100, 0, 50, 50), "hidden", QStringLiteral("q"));
        typist = make<Typist>(MakeRect(150, 0, 50, 50));
        window->contentView()->addSubview(outer.get());
        outer->addSubview(inner.get());
        window->contentView()->addSubview(hidden.get());
        hidden->setHidden(true);
        window->contentView()->addSubview(typist.get());
        window->makeKeyAndOrderFront();
        window->makeFirstResponder(typist.get());
        script = std::make_unique<test::EventScript>(window.get());
        Application::sharedApplication()->setMainMenuKeyEquivalentHandler([this](const Event& e) {
            log.push_back("menu");
            return e.charactersIgnoringModifiers() == QStringLiteral("m");
        });
    }
    void TearDown() override
    {
        script.reset();
        setBeepHook(nullptr);
        Application::resetForTesting();
        journal = nullptr;
    }
    std::vector<std::string> press(std::uint16_t code, const QString& chars, std::uint64_t flags)
    {
        log.clear();
        script->keyDown(code, chars, flags);
        script->run();
        return log;
    }

    std::vector<std::string> log;
    Ref<Window> window;
    Ref<Claimer> outer, inner, hidden;
    Ref<Typist> typist;
    std::unique_ptr<test::EventScript> script;
};

TEST_F(KeyEquivalents, CommandKeysGoToTheViewsDepthFirstThenTheMenuThenTheFirstResponder)
{
    EXPECT_EQ(press(1, QStringLiteral("s"), CommandKeyMask), (std::vector<std::string> { "outer.equivalent", "inner.equivalent" }));
    EXPECT_EQ(press(46, QStringLiteral("m"), CommandKeyMask), (std::vector<std::string> { "outer.equivalent", "inner.equivalent", "menu" }))
        << "the hidden view is never asked";
    typist->passOn = false;
    EXPECT_EQ(press(7, QStringLiteral("x"), ControlKeyMask),
        (std::vector<std::string> { "outer.equivalent", "inner.equivalent", "menu", "keyDown" }));
}

TEST_F(KeyEquivalents, PlainKeysSkipTheEquivalentsUntilTheChainLeavesThemUnhandled)
{
    typist->passOn = false;
    EXPECT_EQ(press(1, QStringLiteral("s"), 0), (std::vector<std::string> { "keyDown" }));
    typist->passOn = true;
    // Through to the window: the binding table has nothing, the views are offered it, no menu.
    EXPECT_EQ(press(1, QStringLiteral("s"), 0), (std::vector<std::string> { "keyDown", "outer.equivalent", "inner.equivalent" }));
    EXPECT_EQ(press(0, QStringLiteral("a"), 0), (std::vector<std::string> { "keyDown", "outer.equivalent", "inner.equivalent", "beep" }));
}

TEST_F(KeyEquivalents, ReturnClicksTheDefaultButtonUnlessTheChainTakesTheNewline)
{
    auto cell = make<DefaultCell>();
    window->setDefaultButtonCell(cell.get());
    const std::vector<std::string> clicked { "keyDown", "outer.equivalent", "inner.equivalent", "click" };
    EXPECT_EQ(press(36, QStringLiteral("\r"), 0), clicked);
    EXPECT_EQ(cell->senders, (std::vector<Object*> { window.get() }));
    EXPECT_EQ(press(76, QString(QChar(0x0003)), NumericPadKeyMask), clicked) << "keypad Enter";
    EXPECT_EQ(press(36, QStringLiteral("\r"), CommandKeyMask),
        (std::vector<std::string> { "outer.equivalent", "inner.equivalent", "menu", "keyDown", "beep" }))
        << "Command-Return is not the default button's";
    typist->handlesNewline = true;
    EXPECT_EQ(press(36, QStringLiteral("\r"), 0), (std::vector<std::string> { "keyDown", "insertNewline" }));
    cell = nullptr;
    typist->handlesNewline = false;
    EXPECT_EQ(press(36, QStringLiteral("\r"), 0), (std::vector<std::string> { "keyDown", "outer.equivalent", "inner.equivalent", "beep" }))
        << "the slot is weak";
}

} // namespace
