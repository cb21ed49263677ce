#include "kit/appkit/FieldEditing.h"
#include "kit/appkit/View.h"
#include "kit/testsupport/CallRecorder.h"
#include "kit/appkit/Window.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using namespace kit;

class NestingView : public View {
    KIT_CLASS(NestingView)

    explicit NestingView(QStringList* log = nullptr, QString name = {})
        : View(MakeRect(0, 0, 10, 10))
        , log(log)
        , name(std::move(name))
    { }
    bool acceptsFirstResponder() const override { return true; }
    bool becomeFirstResponder() override
    {
        if (log)
            log->append(name + " become");
        if (onBecome)
            onBecome();
        return becomes;
    }
    bool resignFirstResponder() override
    {
        if (log)
            log->append(name + " resign");
        if (onResign)
            onResign();
        return true;
    }

    QStringList* log;
    QString name;
    bool becomes = true;
    std::function<void()> onBecome;
    std::function<void()> onResign;
};

KIT_REGISTER_CLASS(NestingView, View) { }

// A stand-in for the text system's editor: records what the window asks of it.
class FakeEditor : public NestingView, public FieldEditing {
    KIT_CLASS(FakeEditor)

    using NestingView::NestingView;
    void setUpFieldEditorAttributes(const FieldEditorAttributes&) override { }
    std::uint64_t beginEditingSession(View* view, Rect, Rect, Object* d, const Event*, Range) override
    {
        host = view;
        delegate = d;
        return ++session;
    }
    std::uint64_t editingSessionNumber() const override { return delegate.lock() || host.lock() ? session : 0; }
    Ref<Object> editingSessionDelegate() const override { return delegate.lock(); }
    Ref<View> editingSessionView() const override { return host.lock(); }
    void abandonEditingSession() override { host = nullptr, delegate = nullptr; }
    void forceEndEditingSession() override
    {
        ++forcedEnds;
        abandonEditingSession();
    }
    QString editorString() const override { return {}; }
    void setEditorString(const QString&) override { }
    Range editorSelectedRange() const override { return {}; }
    void setEditorSelectedRange(Range) override { }

    Weak<View> host;
    Weak<Object> delegate;
    std::uint64_t session = 0;
    int forcedEnds = 0;
};

KIT_REGISTER_CLASS(FakeEditor, NestingView) { }

class FirstResponderNesting : public testing::Test {
protected:
    void SetUp() override
    {
        factory = Window::currentFieldEditorFactory();
        window = make<Window>(MakeRect(0, 0, 200, 200), TitledWindowMask);
        outer = make<NestingView>(&log, "outer");
        inner = make<NestingView>(&log, "inner");
        other = make<NestingView>(&log, "other");
        for (const Ref<NestingView>& v : { outer, inner, other })
            window->contentView()->addSubview(v.get());
    }
    void TearDown() override { Window::setFieldEditorFactory(factory); }

    std::function<Ref<Responder>(Window*)> factory;
    QStringList log;
    Ref<Window> window;
    Ref<NestingView> outer, inner, other;
};

TEST_F(FirstResponderNesting, AChoiceMadeInsideBecomeFirstResponderStands)
{
    outer->onBecome = [&] { EXPECT_TRUE(window->makeFirstResponder(inner.get())); };
    EXPECT_TRUE(window->makeFirstResponder(outer.get()));
    EXPECT_EQ(window->firstResponder().get(), inner.get());
    EXPECT_EQ(log, QStringList({ "outer become", "inner become" }));
}

TEST_F(FirstResponderNesting, AnInnerChoiceStandsEvenWhenTheOuterResponderThenRefuses)
{
    outer->becomes = false;
    outer->onBecome = [&] { window->makeFirstResponder(inner.get()); };
    window->makeFirstResponder(outer.get());
    EXPECT_EQ(window->firstResponder().get(), inner.get());
}

TEST_F(FirstResponderNesting, AResigningResponderThatChoosesTheTargetItselfIsNotAskedTwice)
{
    window->makeFirstResponder(outer.get());
    log.clear();
    outer->onResign = [&] {
        outer->onResign = nullptr;
        window->makeFirstResponder(other.get());
    };
    EXPECT_TRUE(window->makeFirstResponder(other.get()));
    EXPECT_EQ(window->firstResponder().get(), other.get());
    EXPECT_EQ(log, QStringList({ "outer resign", "other become" }));
}

TEST_F(FirstResponderNesting, AResigningResponderThatChoosesAnotherIsHandedOverToTheTarget)
{
    window->makeFirstResponder(outer.get());
    log.clear();
    outer->onResign = [&] {
        outer->onResign = nullptr;
        window->makeFirstResponder(inner.get());
    };
    EXPECT_TRUE(window->makeFirstResponder(other.get()));
    EXPECT_EQ(window->firstResponder().get(), other.get());
    // The asked-for responder comes last, after the inner choice had its turn.
    EXPECT_EQ(log.mid(log.size() - 3), QStringList({ "inner become", "inner resign", "other become" }));
}

TEST_F(FirstResponderNesting, EndEditingForReachesTheEditorOfTheNamedObjectOnly)
{
    const auto editor = make<FakeEditor>();
    Window::setFieldEditorFactory([editor](Window*) { return Ref<Responder>(editor); });
    const auto editor1 = window->fieldEditorForObject(true, outer.get());
    ASSERT_EQ(editor1.get(), editor.get());

    window->endEditingFor(nullptr); // no session: nothing to end
    EXPECT_EQ(editor->forcedEnds, 0);

    editor->beginEditingSession(outer.get(), {}, {}, outer.get(), nullptr, { 0, 0 });
    window->endEditingFor(other.get());
    EXPECT_EQ(editor->forcedEnds, 0);
    window->endEditingFor(outer.get());
    EXPECT_EQ(editor->forcedEnds, 1);

    editor->beginEditingSession(outer.get(), {}, {}, inner.get(), nullptr, { 0, 0 });
    window->endEditingFor(nullptr);
    EXPECT_EQ(editor->forcedEnds, 2);
}

TEST_F(FirstResponderNesting, EndEditingForWithoutAnEditorDoesNothing)
{
    window->makeFirstResponder(outer.get());
    window->endEditingFor(nullptr);
    EXPECT_EQ(window->firstResponder().get(), outer.get());
    EXPECT_EQ(window->fieldEditorForObject(false, nullptr), nullptr);
}

} // namespace
