#include "kit/appkit/Toolbar.h"

#include "kit/appkit/AccessibilityBridge.h"
#include "kit/appkit/Application.h"
#include "kit/appkit/KeyCodes.h"
#include "kit/appkit/Screen.h"
#include "kit/appkit/ToolbarView.h"
#include "kit/appkit/Window.h"
#include "kit/core/KeyValueObserving.h"
#include "kit/core/NotificationCenter.h"
#include "kit/foundation/RunLoop.h"
#include "kit/graphics/Color.h"
#include "kit/graphics/GraphicsContext.h"
#include "kit/testsupport/EventScript.h"
#include "kit/testsupport/PixelProbe.h"
#include "kit/testsupport/RuntimeRecorders.h"
#include "kit/tests/AccessibilityTestSupport.h"

#include <QAccessible>
#include <QAccessibleActionInterface>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include <vector>

namespace {

using namespace kit;

// A view item's view that takes the keyboard, as a search field does.
class SearchFieldView : public View {
public:
    using View::View;
    bool acceptsFirstResponder() const override { return true; }
};

class BarDelegate : public Object, public ToolbarDelegate {
    KIT_CLASS(BarDelegate)
public:
    Ref<ToolbarItem> toolbarItemForItemIdentifierWillBeInsertedIntoToolbar(Toolbar*, const QString& identifier, bool) override
    {
        if (identifier == QLatin1String("Unknown"))
            return nullptr;
        auto item = make<ToolbarItem>(identifier);
        if (identifier == QLatin1String("Search") || identifier == QLatin1String("Scope"))
            item->setView(make<SearchFieldView>(MakeRect(0, 0, 80, 22)).get());
        item->setLabel(identifier);
        item->setAction(Selector(identifier == QLatin1String("Orphan") ? "noOneDoesThis" : "showPane"));
        item->setTag(identifier == QLatin1String("Refused") ? 2 : 1);
        return item;
    }
    QStringList toolbarDefaultItemIdentifiers(Toolbar*) override { return defaults; }
    QStringList toolbarSelectableItemIdentifiers(Toolbar*) override { return { QStringLiteral("General") }; }
    void toolbarWillAddItem(Notification* note) override
    {
        added.push_back(note->userInfo().objectForKey(ToolbarItemKey).objectAs<ToolbarItem>()->itemIdentifier());
    }

    QStringList defaults { QStringLiteral("General"), ToolbarSeparatorItemIdentifier, QStringLiteral("Refused"), QStringLiteral("Unknown"),
        QStringLiteral("Orphan") };
    QStringList added;
};

KIT_REGISTER_CLASS(BarDelegate, Object)
{
    c.optionalOperations({ "toolbarItemForItemIdentifierWillBeInsertedIntoToolbar", "toolbarDefaultItemIdentifiers",
        "toolbarSelectableItemIdentifiers", "toolbarWillAddItem" });
}

// The first responder: performs showPane, refuses tag 2 through the toolbar-specific question.
class PaneView : public View, public ToolbarItemValidation {
    KIT_CLASS(PaneView)
public:
    using View::View;
    bool acceptsFirstResponder() const override { return true; }
    void showPane(Object* sender) { senders.push_back(sender); }
    bool validateToolbarItem(ToolbarItem* item) override { return item->tag() != refusedTag; }
    std::vector<Object*> senders;
    std::int64_t refusedTag = 2;
};

KIT_REGISTER_CLASS(PaneView, View) { c.action("showPane", &PaneView::showPane); }

// A target that knows only the general question.
class GeneralTarget : public Object, public UserInterfaceValidations {
    KIT_CLASS(GeneralTarget)
public:
    void showPane(Object*) { }
    bool validateUserInterfaceItem(ValidatedUserInterfaceItem* item) override { return item->action() == Selector("showPane") && answer; }
    bool answer = false;
};

KIT_REGISTER_CLASS(GeneralTarget, Object) { c.action("showPane", &GeneralTarget::showPane); }

class ToolbarTest : public testing::Test {
protected:
    void SetUp() override
    {
        window = make<Window>(MakeRect(100, 100, 300, 200), TitledWindowMask | ResizableWindowMask);
        pane = make<PaneView>(MakeRect(0, 0, 50, 50));
        window->contentView()->addSubview(pane.get());
        window->makeKeyAndOrderFront();
        window->makeFirstResponder(pane.get());
        toolbar = make<Toolbar>(QStringLiteral("Bar"));
        toolbar->setDelegate(delegate.get());
    }
    void TearDown() override { Application::resetForTesting(); }
    Ref<ToolbarItem> item(const QString& identifier)
    {
        for (const Ref<ToolbarItem>& i : toolbar->items())
            if (i->itemIdentifier() == identifier)
                return i;
        return nullptr;
    }
    // The centre of an item's slot in window base coordinates.
    Point centreOf(const QString& identifier)
    {
        auto* strip = static_cast<ToolbarView*>(toolbar->toolbarView().get());
        const auto& items = toolbar->items();
        for (std::size_t i = 0; i < items.size(); ++i)
            if (items[i]->itemIdentifier() == identifier) {
                const Rect slot = strip->convertRectToView(strip->rectOfItemAtIndex(i), nullptr);
                return MakePoint(slot.midX(), slot.midY());
            }
        return ZeroPoint;
    }

    QAccessibleInterface* stripInterface() const { return AccessibilityBridge::interfaceFor(Value(toolbar->toolbarView())); }

    Ref<BarDelegate> delegate = make<BarDelegate>();
    Ref<Window> window;
    Ref<PaneView> pane;
    Ref<Toolbar> toolbar;
};

TEST_F(ToolbarTest, LoadsTheDelegatesDefaultItemsWhenAttached)
{
    EXPECT_TRUE(delegate->added.isEmpty()) << "nothing is asked before the toolbar is needed";
    window->setToolbar(toolbar.get());
    QStringList ids;
    for (const Ref<ToolbarItem>& i : toolbar->items())
        ids << i->itemIdentifier();
    EXPECT_EQ(ids,
        (QStringList { QStringLiteral("General"), ToolbarSeparatorItemIdentifier, QStringLiteral("Refused"), QStringLiteral("Orphan") }))
        << "an identifier the delegate makes no item for is left out";
    EXPECT_EQ(delegate->added, ids) << "the delegate hears of every item, standard ones too";
    const Ref<ToolbarItem> general = item(QStringLiteral("General"));
    EXPECT_EQ(general->toolbar(), toolbar);

    std::vector<QString> removed;
    const Ref<Object> token = NotificationCenter::defaultCenter()->addObserverForNameObjectQueueUsingBlock(ToolbarDidRemoveItemNotification,
        toolbar.get(), nullptr,
        [&](Notification* n) { removed.push_back(n->userInfo().objectForKey(ToolbarItemKey).objectAs<ToolbarItem>()->itemIdentifier()); });
    toolbar->removeItemAtIndex(0);
    toolbar->removeItemAtIndex(10);
    NotificationCenter::defaultCenter()->removeObserver(token.get());
    EXPECT_EQ(removed, std::vector<QString> { QStringLiteral("General") }) << "an index out of range removes nothing";
    EXPECT_EQ(toolbar->items().size(), 3u);
    EXPECT_FALSE(general->toolbar());
}

TEST_F(ToolbarTest, AVisibleToolbarSitsAboveTheContentWhichKeepsItsSize)
{
    window->setToolbar(toolbar.get());
    const double bar = Toolbar::Height;
    EXPECT_EQ(window->frame(), MakeRect(100, 100 - bar, 300, 200 + bar)) << "grown downward, top-left fixed";
    EXPECT_EQ(window->contentView()->frame(), MakeRect(0, 0, 300, 200));
    EXPECT_EQ(toolbar->toolbarView()->frame(), MakeRect(0, 200, 300, bar));
    EXPECT_EQ(window->frameRectForContentRect(MakeRect(5, 6, 70, 80)), MakeRect(5, 6, 70, 80 + bar));
    EXPECT_EQ(window->contentRectForFrameRect(MakeRect(5, 6, 70, 80 + bar)), MakeRect(5, 6, 70, 80));
    EXPECT_EQ(Window::frameRectForContentRectStyleMask(MakeRect(5, 6, 70, 80), window->styleMask()), MakeRect(5, 6, 70, 80))
        << "the style form knows no toolbar";

    toolbar->setVisible(false);
    EXPECT_EQ(window->frame(), MakeRect(100, 100, 300, 200));
    EXPECT_EQ(window->contentView()->frame(), MakeRect(0, 0, 300, 200));
    EXPECT_TRUE(toolbar->toolbarView()->isHidden());
    EXPECT_EQ(window->frameRectForContentRect(MakeRect(5, 6, 70, 80)), MakeRect(5, 6, 70, 80));

    toolbar->setVisible(true);
    window->setFrameDisplay(MakeRect(100, 100, 400, 300), true);
    EXPECT_EQ(window->contentView()->frame(), MakeRect(0, 0, 400, 300 - bar)) << "resizing the frame resizes the content under the bar";
    window->setContentSize(MakeSize(200, 100));
    EXPECT_EQ(window->frame().size, MakeSize(200, 100 + bar));

    window->setToolbar(nullptr);
    EXPECT_EQ(window->frame().size, MakeSize(200, 100));
    EXPECT_FALSE(toolbar->toolbarView()->superview());
}

// A content view that paints all of itself red.
class RedView : public View {
public:
    using View::View;
    void drawRect(Rect) override
    {
        Color::redColor()->setFill();
        RectFill(bounds());
    }
};

TEST_F(ToolbarTest, TheStripHidesAContentViewTallerThanItsPlace)
{
    window->setToolbar(toolbar.get());
    window->setContentView(make<RedView>(MakeRect(0, 0, 300, 200)).get());
    // Taller than the window leaves it, as a view sizing itself lazily can be.
    window->contentView()->setFrameSize(MakeSize(300, 200 + Toolbar::Height));
    const QImage image = window->snapshot();
    ASSERT_FALSE(image.isNull());
    const QColor background = Color::windowBackgroundColor()->toQColor();
    EXPECT_TRUE(test::pixelIs(image, image.width() - 4, 3, background)) << "the strip's free end";
    EXPECT_TRUE(test::pixelIs(image, image.width() - 4, int(Toolbar::Height) + 3, Qt::red)) << "the content below the strip";
}

TEST_F(ToolbarTest, ToolbarVisibleIsObservableThroughTheWindow)
{
    test::KeyValueRecorder recorder;
    window->addObserverForKeyPathOptionsContext(&recorder, QStringLiteral("toolbar.visible"), KeyValueObservingOptionNew, nullptr);
    window->setToolbar(toolbar.get());
    toolbar->setVisible(false);
    toolbar->setVisible(true);
    window->removeObserverForKeyPath(&recorder, QStringLiteral("toolbar.visible"));
    ASSERT_EQ(recorder.records.size(), 3u);
    EXPECT_EQ(recorder.records[0].change.newValue, Value(true)) << "attaching a visible toolbar";
    EXPECT_EQ(recorder.records[1].change.newValue, Value(false));
    EXPECT_EQ(recorder.records[2].change.newValue, Value(true));
    EXPECT_EQ(debug::observationCount(window.get()), 0);
    EXPECT_EQ(debug::observationCount(toolbar.get()), 0);
}

TEST_F(ToolbarTest, ItemsAreValidatedThroughTheResponderChainAndOnEveryWindowUpdate)
{
    auto general = make<GeneralTarget>();
    window->setToolbar(toolbar.get());
    EXPECT_TRUE(item(QStringLiteral("General"))->isEnabled()) << "the first responder performs it and allows it";
    EXPECT_FALSE(item(QStringLiteral("Refused"))->isEnabled()) << "validateToolbarItem refuses tag 2";
    EXPECT_FALSE(item(QStringLiteral("Orphan"))->isEnabled()) << "no receiver: disabled";

    item(QStringLiteral("General"))->setTarget(general.get());
    pane->refusedTag = 1;
    window->update();
    EXPECT_FALSE(item(QStringLiteral("General"))->isEnabled()) << "a set target answers the general question";
    EXPECT_TRUE(item(QStringLiteral("Refused"))->isEnabled()) << "revalidated on the update";
    general->answer = true;
    item(QStringLiteral("Refused"))->setAutovalidates(false);
    pane->refusedTag = 2;
    window->update();
    EXPECT_TRUE(item(QStringLiteral("General"))->isEnabled());
    EXPECT_TRUE(item(QStringLiteral("Refused"))->isEnabled()) << "an item that does not autovalidate is left alone";
}

TEST_F(ToolbarTest, AClickSendsTheActionWithTheItemAndSelectsSelectableItems)
{
    window->setToolbar(toolbar.get());
    const Ref<ToolbarItem> general = item(QStringLiteral("General"));
    test::EventScript script(window.get());
    script.mouseDown(centreOf(QStringLiteral("General"))).mouseDragged(MakePoint(5, 5)).mouseUp(MakePoint(5, 5));
    script.click(centreOf(QStringLiteral("Refused")));
    script.run();
    EXPECT_TRUE(pane->senders.empty()) << "released outside, and a disabled item";
    EXPECT_TRUE(toolbar->selectedItemIdentifier().isEmpty());
    script.click(centreOf(QStringLiteral("General")));
    script.run();
    ASSERT_EQ(pane->senders.size(), 1u);
    EXPECT_EQ(pane->senders[0], general.get());
    EXPECT_EQ(toolbar->selectedItemIdentifier(), QStringLiteral("General"));
}

TEST_F(ToolbarTest, AnItemsToolTipIsReadWhenItShows)
{
    window->setToolbar(toolbar.get());
    EXPECT_TRUE(window->toolTipAtPoint(centreOf(QStringLiteral("General"))).isNull());
    item(QStringLiteral("General"))->setToolTip(QStringLiteral("All settings"));
    EXPECT_EQ(window->toolTipAtPoint(centreOf(QStringLiteral("General"))), QStringLiteral("All settings"));
}

TEST_F(ToolbarTest, ASheetSitsBelowTheToolbar)
{
    window->setToolbar(toolbar.get());
    auto sheet = make<Window>(MakeRect(0, 0, 100, 40), TitledWindowMask);
    Application::sharedApplication()->beginSheetModalForWindowDidEndContextInfo(sheet.get(), window.get(), nullptr, nullptr);
    EXPECT_EQ(sheet->frame().maxY(), window->frame().maxY() - Toolbar::Height);
    Application::sharedApplication()->endSheet(sheet.get());
}

TEST_F(ToolbarTest, ViewItemsSitInTheStripAndFlexibleSpaceTakesWhatIsLeft)
{
    delegate->defaults = { QStringLiteral("General"), ToolbarFlexibleSpaceItemIdentifier, QStringLiteral("Search") };
    window->setToolbar(toolbar.get());
    const Ref<View> field = item(QStringLiteral("Search"))->view();
    ASSERT_TRUE(field);
    EXPECT_EQ(field->superview(), toolbar->toolbarView());
    const Rect inWindow = field->convertRectToView(field->bounds(), nullptr);
    EXPECT_EQ(inWindow.maxX(), window->frame().width() - 8) << "pushed to the right margin";
    EXPECT_EQ(inWindow.size, MakeSize(80, 22));
    EXPECT_EQ(inWindow.midY(), window->contentView()->frame().maxY() + Toolbar::Height / 2) << "centred in the strip";
    window->setFrameDisplay(MakeRect(100, 100, 400, window->frame().height()), false);
    EXPECT_EQ(field->convertRectToView(field->bounds(), nullptr).maxX(), 400 - 8) << "the strip lays out again on a resize";
    EXPECT_TRUE(item(QStringLiteral("Search"))->isEnabled()) << "view items are not autovalidated";
}

// To a screen reader the strip is a group of its buttons named by their labels, each where it is
// drawn; a selectable item is a toggle button checked while selected, a disabled one says so, and
// pressing one does what a click does.
TEST_F(ToolbarTest, ToAScreenReaderTheStripIsAGroupOfItsButtons)
{
    window->setToolbar(toolbar.get());
    QAccessibleInterface* strip = stripInterface();
    ASSERT_NE(strip, nullptr);
    EXPECT_EQ(strip->role(), QAccessible::Grouping);
    EXPECT_EQ(strip->text(QAccessible::Name), QStringLiteral("Toolbar"));
    QAccessibleInterface* frame = AccessibilityBridge::interfaceFor(Value(window));
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->child(0), strip) << "the window's first child, above its content";
    EXPECT_EQ(strip->parent(), frame);
    ASSERT_EQ(strip->childCount(), 3) << "the separator is no element";
    const QStringList names { QStringLiteral("General"), QStringLiteral("Refused"), QStringLiteral("Orphan") };
    const std::size_t places[] = { 0, 2, 3 };
    auto* view = static_cast<ToolbarView*>(toolbar->toolbarView().get());
    for (int i = 0; i < 3; ++i) {
        QAccessibleInterface* button = strip->child(i);
        ASSERT_NE(button, nullptr) << i;
        // A selectable item is one of a choice; the others are push buttons.
        EXPECT_EQ(button->role(), i == 0 ? QAccessible::RadioButton : QAccessible::Button) << i;
        EXPECT_EQ(button->text(QAccessible::Name), names[i]);
        EXPECT_EQ(button->parent(), strip) << i;
        EXPECT_EQ(button->rect(), QtRectFromScreen(AccessibilityScreenRectOfRectInView(*view, view->rectOfItemAtIndex(places[i]))).toRect()) << i;
        const QPoint centre = button->rect().center();
        EXPECT_EQ(strip->childAt(centre.x(), centre.y()), button) << i;
    }
    QAccessibleInterface* general = strip->child(0);
    QAccessibleInterface* refused = strip->child(1);
    EXPECT_TRUE(general->state().checkable) << "General is selectable";
    EXPECT_FALSE(general->state().checked);
    EXPECT_FALSE(general->state().disabled);
    EXPECT_FALSE(refused->state().checkable);
    EXPECT_TRUE(refused->state().disabled);

    refused->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    RunLoop::main().runPending(); // the press follows the call
    EXPECT_TRUE(pane->senders.empty()) << "a disabled item does nothing";
    general->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    RunLoop::main().runPending();
    ASSERT_EQ(pane->senders.size(), 1u);
    EXPECT_EQ(pane->senders[0], item(QStringLiteral("General")).get());
    EXPECT_EQ(toolbar->selectedItemIdentifier(), QStringLiteral("General"));
    EXPECT_TRUE(general->state().checked);
}

// Tab reaches the strip, whose current button stands for the focus: the selected one, else the
// first; the arrows move it, Space and Return press it, and Tab goes on. A click leaves the focus.
TEST_F(ToolbarTest, TabReachesTheStripWhereTheArrowsMoveAndSpacePresses)
{
    window->setToolbar(toolbar.get());
    // While the strip has the focus the responder chain starts there: the item names its receiver.
    item(QStringLiteral("General"))->setTarget(pane.get());
    AccessibilityBridge::setEventObserverForTesting(test::recordEvent);
    QAccessibleInterface* strip = stripInterface();
    ASSERT_EQ(strip->childCount(), 3);
    QAccessibleInterface* buttons[] = { strip->child(0), strip->child(1), strip->child(2) };
    using Seen = std::vector<const QAccessibleInterface*>;
    window->makeFirstResponder(nullptr);
    test::events().clear();
    test::EventScript(window.get()).type(QStringLiteral("\t")).run();
    EXPECT_EQ(window->firstResponder(), toolbar->toolbarView());
    EXPECT_EQ(test::eventsOf(QAccessible::Focus), Seen { buttons[0] });
    EXPECT_TRUE(buttons[0]->state().focused);
    EXPECT_FALSE(strip->state().focused) << "one focused element: the button";

    test::events().clear();
    test::EventScript(window.get()).key(KeyCodeRightArrow).key(KeyCodeRightArrow).key(KeyCodeRightArrow).key(KeyCodeLeftArrow).run();
    EXPECT_EQ(test::eventsOf(QAccessible::Focus), (Seen { buttons[1], buttons[2], buttons[1] })) << "no step past the last";
    test::EventScript(window.get()).key(KeyCodeSpace, QStringLiteral(" ")).key(KeyCodeLeftArrow).key(KeyCodeSpace, QStringLiteral(" ")).run();
    ASSERT_EQ(pane->senders.size(), 1u) << "the disabled item did nothing";
    EXPECT_EQ(pane->senders[0], item(QStringLiteral("General")).get());
    EXPECT_EQ(toolbar->selectedItemIdentifier(), QStringLiteral("General"));
    test::EventScript(window.get()).key(KeyCodeReturn).run();
    EXPECT_EQ(pane->senders.size(), 2u) << "Return presses too";

    test::EventScript(window.get()).type(QStringLiteral("\t")).run();
    EXPECT_EQ(window->firstResponder(), pane) << "Tab leaves the strip";
    test::EventScript(window.get()).click(centreOf(QStringLiteral("General"))).run();
    EXPECT_EQ(pane->senders.size(), 3u);
    EXPECT_EQ(window->firstResponder(), pane) << "a click sends the action and leaves the focus where it was";
    AccessibilityBridge::setEventObserverForTesting(nullptr);
}

// The view items that take the keyboard (a pop-up and a search field) are the strip's next stops
// after its buttons, each of them, both ways.
TEST_F(ToolbarTest, TabGoesFromTheButtonsThroughEveryViewItemAndOnToTheContent)
{
    delegate->defaults = { QStringLiteral("General"), QStringLiteral("Scope"), QStringLiteral("Search") };
    window->setToolbar(toolbar.get());
    const Ref<View> strip = toolbar->toolbarView();
    const Ref<View> scope = item(QStringLiteral("Scope"))->view();
    const Ref<View> search = item(QStringLiteral("Search"))->view();
    const std::map<const Responder*, std::string> names { { strip.get(), "strip" }, { scope.get(), "scope" }, { search.get(), "search" },
        { pane.get(), "pane" } };
    const auto focused = [&] {
        const auto at = names.find(window->firstResponder().get());
        return at == names.end() ? std::string("another") : at->second;
    };
    window->makeFirstResponder(nullptr);
    std::vector<std::string> forward, backward;
    for (int i = 0; i < 5; ++i) {
        test::EventScript(window.get()).type(QStringLiteral("\t")).run();
        forward.push_back(focused());
    }
    EXPECT_EQ(forward, (std::vector<std::string> { "strip", "scope", "search", "pane", "strip" }));
    for (int i = 0; i < 4; ++i) {
        test::EventScript(window.get()).key(KeyCodeTab, {}, ShiftKeyMask).run();
        backward.push_back(focused());
    }
    EXPECT_EQ(backward, (std::vector<std::string> { "pane", "search", "scope", "strip" }));
}

} // namespace
