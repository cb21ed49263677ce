// The accessibility protocol's defaults and its Qt adapter, in process, without a bus.

#include "kit/appkit/Accessibility.h"
#include "kit/appkit/AccessibilityBridge.h"
#include "kit/appkit/Application.h"
#include "kit/appkit/Screen.h"
#include "kit/appkit/View.h"
#include "kit/appkit/Window.h"
#include "kit/foundation/RunLoop.h"
#include "kit/tests/AccessibilityTestSupport.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QWidget>

#include <gtest/gtest.h>

#include <vector>

namespace accessibility_bridge_test {

using namespace kit;

// A picture of a list: selects itself when pressed.
class Picture : public Object, public Accessibility {
    KIT_CLASS(Picture)
    Picture() = default;
    Picture(View* list, QString title, Rect box)
        : list_(list)
        , title_(std::move(title))
        , box_(box)
    { }
    QStringList accessibilityAttributeNames() const override
    {
        return { AccessibilityRoleAttribute, AccessibilityParentAttribute, AccessibilityTitleAttribute, AccessibilityPositionAttribute,
            AccessibilitySizeAttribute, AccessibilitySelectedAttribute, AccessibilityWindowAttribute };
    }
    Value accessibilityAttributeValue(const QString& a) const override
    {
        const Ref<View> list = list_.lock();
        if (a == AccessibilityRoleAttribute)
            return Value(AccessibilityImageRole);
        if (a == AccessibilityParentAttribute)
            return Value(list);
        if (a == AccessibilityTitleAttribute)
            return Value(title_);
        if (a == AccessibilityWindowAttribute)
            return list ? Value(list->window()) : Value();
        if (a == AccessibilityPositionAttribute)
            return Value(list->window()->convertBaseToScreen(list->convertRectToView(box_, nullptr).origin));
        if (a == AccessibilitySizeAttribute)
            return Value(box_.size);
        if (a == AccessibilitySelectedAttribute)
            return Value(selected);
        return {};
    }
    bool accessibilityIsAttributeSettable(const QString& a) const override { return a == AccessibilitySelectedAttribute; }
    void accessibilitySetValueForAttribute(const Value& v, const QString& a) override
    {
        if (a == AccessibilitySelectedAttribute)
            selected = v.boolValue();
    }
    Value accessibilityHitTest(Point) const override { return self(); }
    void reorder() { accessibilityChildrenChanged(); }

    bool selected = false;

private:
    Weak<View> list_;
    QString title_;
    Rect box_;
};
KIT_REGISTER_CLASS(Picture, Object) { }

// A list view of pictures and a knob with a numeric value.
class PictureList : public View, public Accessibility {
    KIT_CLASS(PictureList)
    using View::View;
    QStringList accessibilityAttributeNames() const override
    {
        return { AccessibilityRoleAttribute, AccessibilityParentAttribute, AccessibilityChildrenAttribute, AccessibilityValueAttribute };
    }
    Value accessibilityAttributeValue(const QString& a) const override
    {
        if (a == AccessibilityRoleAttribute)
            return Value(AccessibilityListRole);
        if (a == AccessibilityChildrenAttribute) {
            Array children;
            for (const Ref<Picture>& p : pictures)
                children.addObject(Value(p));
            return Value(children);
        }
        if (a == AccessibilityValueAttribute)
            return Value(0.25);
        // The rest as any view answers.
        return ViewAccessibilityAttributeValue(*this, a);
    }
    Value accessibilityHitTest(Point p) const override
    {
        for (const Ref<Picture>& picture : pictures) {
            const Point o = picture->accessibilityAttributeValue(AccessibilityPositionAttribute).pointValue();
            const Size s = picture->accessibilityAttributeValue(AccessibilitySizeAttribute).sizeValue();
            if (p.x >= o.x && p.x < o.x + s.width && p.y >= o.y && p.y < o.y + s.height)
                return Value(picture);
        }
        return self();
    }
    bool acceptsFirstResponder() const override { return takesFocus; }
    std::vector<Ref<Picture>> pictures;
    bool takesFocus = false;
};
KIT_REGISTER_CLASS(PictureList, View) { }

using test::events;
using test::recordEvent;

class AccessibilityBridgeTest : public testing::Test {
protected:
    void SetUp() override
    {
        AccessibilityBridge::setEventObserverForTesting(recordEvent);
        QAccessible::setActive(true);
        events().clear();
        window = make<Window>(MakeRect(100, 100, 400, 300), TitledWindowMask);
        window->setTitle("Pictures");
        list = make<PictureList>(MakeRect(10, 20, 300, 100));
        window->contentView()->addSubview(list.get());
        for (int i = 0; i < 3; ++i)
            list->pictures.push_back(make<Picture>(list.get(), QStringLiteral("Picture %1").arg(i), MakeRect(i * 100, 0, 100, 100)));
    }
    void TearDown() override
    {
        QAccessible::setActive(false);
        AccessibilityBridge::setEventObserverForTesting(nullptr);
        Application::resetForTesting();
    }
    QAccessibleInterface* hostInterface() { return QAccessible::queryAccessibleInterface(window->hostWidget()); }

    Ref<Window> window;
    Ref<PictureList> list;
};

TEST(AccessibilityDefaults, DescribeRolesAndActionsInEnglish)
{
    EXPECT_EQ(AccessibilityRoleDescription(AccessibilityScrollBarRole), "scroll bar");
    EXPECT_EQ(AccessibilityRoleDescription(AccessibilityValueIndicatorRole), "value indicator");
    EXPECT_EQ(AccessibilityRoleDescription("AXSomethingElse"), "unknown");
    EXPECT_EQ(AccessibilityActionDescription(AccessibilityPressAction), "press");
}

TEST_F(AccessibilityBridgeTest, PlainViewsStandAsideForTheirElements)
{
    const Value content(window->contentView());
    EXPECT_TRUE(AccessibilityIsIgnored(content));
    EXPECT_FALSE(AccessibilityIsIgnored(Value(window)));
    // The window's children skip the ignored content view.
    const Array children = AccessibilityAttributeValue(Value(window), AccessibilityChildrenAttribute).array();
    ASSERT_EQ(children.count(), 1);
    EXPECT_EQ(children[0].object(), list);
    EXPECT_EQ(AccessibilityAttributeValue(Value(list), AccessibilityParentAttribute).object(), window);
    EXPECT_EQ(AccessibilityUnignoredAncestor(content).object(), window);
    // A plain view's box: bottom-left corner on the screen, size in window units.
    auto plain = make<View>(MakeRect(5, 6, 30, 40));
    window->contentView()->addSubview(plain.get());
    const Point origin = AccessibilityAttributeValue(Value(plain), AccessibilityPositionAttribute).pointValue();
    EXPECT_EQ(origin, window->convertBaseToScreen(plain->convertPointToView(MakePoint(0, 0), nullptr)));
    EXPECT_EQ(AccessibilityAttributeValue(Value(plain), AccessibilitySizeAttribute).sizeValue(), MakeSize(30, 40));
}

TEST_F(AccessibilityBridgeTest, TheHostWidgetShowsTheWindowsElements)
{
    QAccessibleInterface* host = hostInterface();
    ASSERT_NE(host, nullptr);
    EXPECT_EQ(host->text(QAccessible::Name), "Pictures");
    ASSERT_EQ(host->childCount(), 1);
    QAccessibleInterface* listInterface = host->child(0);
    ASSERT_NE(listInterface, nullptr);
    EXPECT_EQ(listInterface->role(), QAccessible::List);
    EXPECT_EQ(listInterface->object(), nullptr);
    EXPECT_EQ(listInterface->parent(), host);
    EXPECT_EQ(host->indexOfChild(listInterface), 0);
    ASSERT_EQ(listInterface->childCount(), 3);
    QAccessibleInterface* second = listInterface->child(1);
    EXPECT_EQ(second->role(), QAccessible::Graphic);
    EXPECT_EQ(second->text(QAccessible::Name), "Picture 1");
    EXPECT_EQ(listInterface->indexOfChild(second), 1);
    EXPECT_EQ(second->parent(), listInterface);
    // Made once: asking again answers the same interface.
    EXPECT_EQ(listInterface->child(1), second);
    EXPECT_TRUE(second->state().selectable);
    EXPECT_FALSE(second->state().selected);
}

// Answers for every widget, as the application's own factory does.
QAccessibleInterface* anyWidgetFactory(const QString&, QObject* object)
{
    auto* widget = qobject_cast<QWidget*>(object);
    return widget ? new QAccessibleWidget(widget) : nullptr;
}

TEST(AccessibilityBridgeFactory, AWindowMadeAfterAnotherFactoryStillShowsItsElements)
{
    // Qt asks the newest factory first and keeps the interface it gets for a widget.
    QAccessible::installFactory(anyWidgetFactory);
    auto window = make<Window>(MakeRect(100, 100, 200, 100), TitledWindowMask);
    window->orderFront();
    auto list = make<PictureList>(MakeRect(10, 20, 100, 50));
    window->contentView()->addSubview(list.get());
    QAccessibleInterface* host = QAccessible::queryAccessibleInterface(window->hostWidget());
    QAccessible::removeFactory(anyWidgetFactory);
    ASSERT_NE(host, nullptr);
    EXPECT_EQ(host->role(), QAccessible::Window);
    ASSERT_EQ(host->childCount(), 1);
    EXPECT_EQ(host->child(0)->role(), QAccessible::List);
    window->orderOut();
    Application::resetForTesting();
}

TEST_F(AccessibilityBridgeTest, RectsAreGlobalYDownAndFollowTheWindow)
{
    QAccessibleInterface* second = hostInterface()->child(0)->child(1);
    const Rect inScreen { window->convertBaseToScreen(list->convertRectToView(MakeRect(100, 0, 100, 100), nullptr).origin), MakeSize(100, 100) };
    EXPECT_EQ(second->rect(), QtRectFromScreen(inScreen).toRect());
    const QRect before = second->rect();
    window->setFrameOrigin(MakePoint(300, 150));
    // Moving up the screen (y up) moves the rectangle up (y down).
    EXPECT_EQ(second->rect().translated(-200, 50), before);
    // childAt takes global y-down points and answers the direct child on the way.
    QAccessibleInterface* listInterface = hostInterface()->child(0);
    const QPoint inside = second->rect().center();
    EXPECT_EQ(listInterface->childAt(inside.x(), inside.y()), second);
    EXPECT_EQ(hostInterface()->childAt(inside.x(), inside.y()), listInterface);
}

TEST_F(AccessibilityBridgeTest, PressSelectsAndTheValueIsReadOnly)
{
    QAccessibleInterface* listInterface = hostInterface()->child(0);
    QAccessibleInterface* first = listInterface->child(0);
    QAccessibleActionInterface* actions = first->actionInterface();
    ASSERT_NE(actions, nullptr);
    EXPECT_EQ(actions->actionNames(), QStringList { QAccessibleActionInterface::pressAction() });
    // A press may run a modal session (a dialog, a menu): the client's call returns first and the
    // press follows at the next turn of the loop, as a click would.
    actions->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_FALSE(list->pictures[0]->selected);
    RunLoop::main().runPending();
    EXPECT_TRUE(list->pictures[0]->selected);
    EXPECT_TRUE(first->state().selected);
    QAccessibleValueInterface* value = listInterface->valueInterface();
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->currentValue().toDouble(), 0.25);
    value->setCurrentValue(0.75);
    EXPECT_EQ(value->currentValue().toDouble(), 0.25);
    EXPECT_EQ(first->valueInterface(), nullptr);
}

TEST_F(AccessibilityBridgeTest, InterfacesGoWithTheirElements)
{
    QAccessibleInterface* listInterface = hostInterface()->child(0);
    QAccessibleInterface* last = listInterface->child(2);
    const QAccessible::Id id = QAccessible::uniqueId(last);
    list->pictures[2]->reorder();
    ASSERT_FALSE(events().empty());
    EXPECT_EQ(events().back().first, QAccessible::ObjectReorder);
    events().clear();
    list->pictures.pop_back();
    ASSERT_EQ(events().size(), 1u);
    EXPECT_EQ(events().front().first, QAccessible::ObjectDestroyed);
    EXPECT_EQ(QAccessible::accessibleInterface(id), nullptr);
    EXPECT_EQ(listInterface->childCount(), 2);
}

TEST_F(AccessibilityBridgeTest, ASelectionOrValueChangeIsAnnouncedOnlyForElementsQtKnows)
{
    list->pictures[1]->accessibilitySelectionChanged();
    EXPECT_TRUE(events().empty());
    QAccessibleInterface* second = hostInterface()->child(0)->child(1);
    list->pictures[1]->accessibilitySelectionChanged();
    ASSERT_EQ(events().size(), 1u);
    EXPECT_EQ(events().front(), std::pair(QAccessible::Selection, static_cast<const QAccessibleInterface*>(second)));
    // A picture that is selected, told of a value change: `selected`, never a check box's states.
    test::stateChanges().clear();
    list->pictures[1]->selected = true;
    list->pictures[1]->accessibilityValueChanged();
    ASSERT_EQ(test::stateChanges().size(), 1u);
    EXPECT_EQ(test::stateNames(test::stateChanges()[0].second), QStringLiteral("selected"));
    // Nothing changed: nothing is sent.
    list->pictures[1]->accessibilityValueChanged();
    EXPECT_EQ(test::stateChanges().size(), 1u);
}

// A view that takes first responder is focusable without saying so itself, and takes the focus.
TEST_F(AccessibilityBridgeTest, AViewThatAcceptsFirstResponderIsFocusable)
{
    QAccessibleInterface* listInterface = hostInterface()->child(0);
    EXPECT_FALSE(listInterface->state().focusable);
    list->takesFocus = true;
    EXPECT_TRUE(listInterface->state().focusable);
    ASSERT_NE(listInterface->actionInterface(), nullptr);
    ASSERT_TRUE(listInterface->actionInterface()->actionNames().contains(QAccessibleActionInterface::setFocusAction()));
    listInterface->actionInterface()->doAction(QAccessibleActionInterface::setFocusAction());
    EXPECT_EQ(window->firstResponder().get(), list.get());
    EXPECT_TRUE(listInterface->state().focused);
}

// A line that tells the result of a command, marked as a polite live region.
class StatusLine : public Object, public Accessibility {
public:
    QStringList accessibilityAttributeNames() const override
    {
        return { AccessibilityRoleAttribute, AccessibilityValueAttribute, AccessibilityARIALiveAttribute };
    }
    Value accessibilityAttributeValue(const QString& a) const override
    {
        if (a == AccessibilityRoleAttribute)
            return Value(AccessibilityStaticTextRole);
        if (a == AccessibilityValueAttribute)
            return Value(text);
        if (a == AccessibilityARIALiveAttribute)
            return live ? Value(AccessibilityARIALivePoliteValue) : Value();
        return {};
    }
    void setText(const QString& now)
    {
        text = now;
        accessibilityValueChanged();
    }
    QString text = QStringLiteral("Ready");
    bool live = true;
};

// Qt 6.4 publishes no live-region attributes and no announcement: a live region is a
// notification, named by its text and shown again when that changes, which a reader speaks.
TEST_F(AccessibilityBridgeTest, ALiveRegionIsANotificationShownAgainOnEachChange)
{
    auto status = make<StatusLine>();
    QAccessibleInterface* iface = AccessibilityBridge::interfaceFor(Value(Ref<Object>(status)));
    ASSERT_NE(iface, nullptr);
    EXPECT_EQ(iface->role(), QAccessible::Notification);
    EXPECT_EQ(iface->text(QAccessible::Name), QStringLiteral("Ready"));
    events().clear();
    status->setText(QStringLiteral("Tab \"Second\" shown"));
    EXPECT_EQ(iface->text(QAccessible::Name), QStringLiteral("Tab \"Second\" shown"));
    EXPECT_EQ(test::eventsOf(QAccessible::ObjectShow), std::vector<const QAccessibleInterface*> { iface });
    EXPECT_EQ(test::eventsOf(QAccessible::NameChanged), std::vector<const QAccessibleInterface*> { iface });
    // The same text again is no news.
    events().clear();
    status->setText(QStringLiteral("Tab \"Second\" shown"));
    EXPECT_TRUE(test::eventsOf(QAccessible::ObjectShow).empty());
    // Unmarked, it is a label again, whose change is a text update only.
    status->live = false;
    QAccessibleInterface* label = AccessibilityBridge::interfaceFor(Value(Ref<Object>(status)));
    EXPECT_EQ(label->role(), QAccessible::StaticText);
    events().clear();
    status->setText(QStringLiteral("Columns D–E, rows 4–5"));
    EXPECT_TRUE(test::eventsOf(QAccessible::ObjectShow).empty());
    EXPECT_EQ(test::eventsOf(QAccessible::TextUpdated).size(), 1u);
}

// A live region says what its change added: a log that grows at the bottom, and drops its first
// lines once full, is heard by its new lines alone; a text replaced whole is heard whole.
TEST_F(AccessibilityBridgeTest, ALiveRegionSaysOnlyWhatItsChangeAdded)
{
    auto log = make<StatusLine>();
    QAccessibleInterface* iface = AccessibilityBridge::interfaceFor(Value(Ref<Object>(log)));
    ASSERT_NE(iface, nullptr);
    const struct {
        const char* text;
        const char* heard;
    } steps[] = {
        { "K registered", "K registered" },
        { "K registered\nK fired", "K fired" },
        { "K registered\nK fired\nK fired", "K fired" },
        { "K fired\nK fired\nH refused", "H refused" },
        { "K fired\nH refused\nAll unregistered\nK registered", "All unregistered\nK registered" },
        { "Cleared", "Cleared" },
    };
    for (const auto& step : steps) {
        events().clear();
        log->setText(QString::fromUtf8(step.text));
        EXPECT_EQ(iface->text(QAccessible::Name), QString::fromUtf8(step.heard)) << step.text;
        EXPECT_EQ(test::eventsOf(QAccessible::ObjectShow).size(), 1u) << step.text;
    }
    // Lines that only went say nothing new.
    events().clear();
    log->setText(QStringLiteral("Cleared\nMore"));
    log->setText(QStringLiteral("More"));
    EXPECT_EQ(test::eventsOf(QAccessible::ObjectShow).size(), 1u);
    EXPECT_EQ(iface->text(QAccessible::Name), QStringLiteral("More"));
}

// A sheet is a dialog of its window: named by its title, the window's last child, its parent the
// window; once it ends, the window is alone again.
TEST_F(AccessibilityBridgeTest, ASheetIsADialogOfItsWindow)
{
    window->orderFront();
    auto sheet = make<Window>(MakeRect(0, 0, 200, 80), BorderlessWindowMask);
    sheet->setTitle(QStringLiteral("Thinking"));
    Application::sharedApplication()->beginSheetModalForWindowDidEndContextInfo(sheet.get(), window.get(), nullptr, nullptr);
    QAccessibleInterface* host = hostInterface();
    QAccessibleInterface* dialog = AccessibilityBridge::interfaceFor(Value(sheet));
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->role(), QAccessible::Dialog);
    EXPECT_EQ(dialog->text(QAccessible::Name), QStringLiteral("Thinking"));
    EXPECT_EQ(dialog->parent(), host);
    ASSERT_EQ(host->childCount(), 2);
    EXPECT_EQ(host->child(1), dialog);
    EXPECT_EQ(host->indexOfChild(dialog), 1);
    // The window itself stays a window.
    EXPECT_EQ(host->role(), QAccessible::Window);
    Application::sharedApplication()->endSheet(sheet.get());
    sheet->orderOut();
    EXPECT_EQ(host->childCount(), 1);
    EXPECT_EQ(dialog->role(), QAccessible::Window);
}

// A label of a list: static text; in a window only while `inWindow`.
class Caption : public Object, public Accessibility {
    KIT_CLASS(Caption)
    Caption() = default;
    Caption(View* list, QString text)
        : list_(list)
        , text_(std::move(text))
    { }
    QStringList accessibilityAttributeNames() const override
    {
        return { AccessibilityRoleAttribute, AccessibilityParentAttribute, AccessibilityValueAttribute, AccessibilityWindowAttribute };
    }
    Value accessibilityAttributeValue(const QString& a) const override
    {
        const Ref<View> list = list_.lock();
        if (a == AccessibilityRoleAttribute)
            return Value(AccessibilityStaticTextRole);
        if (a == AccessibilityParentAttribute)
            return inWindow ? Value(list) : Value();
        if (a == AccessibilityValueAttribute)
            return Value(text_);
        if (a == AccessibilityWindowAttribute)
            return inWindow && list ? Value(list->window()) : Value();
        return {};
    }
    bool inWindow = true;

private:
    Weak<View> list_;
    QString text_;
};
KIT_REGISTER_CLASS(Caption, Object) { }

// A reader moving by word from the start of a text that does not start with a word.
TEST_F(AccessibilityBridgeTest, TheWordAtTheStartOfATextIsFoundWhateverStartsIt)
{
    struct Case {
        QString text, first;
    };
    for (const Case& c : { Case { "(x) y", "(" }, Case { " x", " " }, Case { "-1", "-" }, Case { "word one", "word" } }) {
        auto caption = make<Caption>(list.get(), c.text);
        QAccessibleTextInterface* text = AccessibilityBridge::interfaceFor(Value(caption))->textInterface();
        ASSERT_NE(text, nullptr);
        int start = -2, end = -2;
        EXPECT_EQ(text->textAtOffset(0, QAccessible::WordBoundary, &start, &end), c.first) << c.text.toStdString();
        EXPECT_EQ(start, 0) << c.text.toStdString();
        EXPECT_EQ(end, c.first.size()) << c.text.toStdString();
        EXPECT_EQ(text->textAtOffset(0, QAccessible::SentenceBoundary, &start, &end), c.text) << c.text.toStdString();
    }
}

// Qt takes an element's window unchecked (a point in window coordinates): an element outside every
// window, a label of a tab page not shown, still answers one while the application has one.
TEST_F(AccessibilityBridgeTest, AnElementOutsideItsWindowStillAnswersAWindow)
{
    window->orderFront();
    auto caption = make<Caption>(list.get(), QStringLiteral("Hidden"));
    caption->inWindow = false;
    QAccessibleInterface* iface = AccessibilityBridge::interfaceFor(Value(caption));
    EXPECT_NE(iface->window(), nullptr);
    caption->inWindow = true;
    EXPECT_EQ(iface->window(), window->hostWidget()->windowHandle());
    window->orderOut();
}

struct TextChangeCase {
    const char* name;
    QString before, after;
    std::int64_t location;
    QString removed, inserted;
};

class AccessibilityTextChange : public testing::TestWithParam<TextChangeCase> { };

// A text update says what was typed where, not the whole text again.
TEST_P(AccessibilityTextChange, IsTheOneRangeThatWasReplaced)
{
    const TextChangeCase& c = GetParam();
    const TextChange change = AccessibilityTextChangeBetween(c.before, c.after);
    EXPECT_EQ(change.location, c.location);
    EXPECT_EQ(change.removed, c.removed);
    EXPECT_EQ(change.inserted, c.inserted);
}

INSTANTIATE_TEST_SUITE_P(Changes, AccessibilityTextChange,
    testing::Values(TextChangeCase { "typedAtTheEnd", "Dear", "Dear ", 4, "", " " },
        TextChangeCase { "typedInside", "Line two", "Line 2two", 5, "", "2" },
        TextChangeCase { "deletedAtTheStart", "Hello", "ello", 0, "H", "" },
        TextChangeCase { "replacedAWord", "a red box", "a blue box", 2, "red", "blue" },
        TextChangeCase { "doubledLetter", "ab", "abb", 2, "", "b" }, TextChangeCase { "everything", "old", "new", 0, "old", "new" },
        TextChangeCase { "nothing", "same", "same", 4, "", "" },
        // Two faces that share their first half: the whole character goes and comes.
        TextChangeCase { "surrogatePair", QStringLiteral("a\U0001F600b"), QStringLiteral("a\U0001F603b"), 1, QStringLiteral("\U0001F600"),
            QStringLiteral("\U0001F603") }),
    [](const testing::TestParamInfo<TextChangeCase>& info) { return std::string(info.param.name); });

} // namespace accessibility_bridge_test
