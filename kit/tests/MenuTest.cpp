#include "kit/controls/Menu.h"

#include "ControlsTestSupport.h"
#include "kit/appkit/KeyCodes.h"
#include "kit/controls/Control.h"
#include "kit/controls/ControlTypes.h"

#include "kit/appkit/Screen.h"
#include "kit/controls/MenuPlacement.h"

#include <QApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QMenu>
#include <QTimer>

#include <gtest/gtest.h>

#include <set>

namespace {

using namespace kit;
using namespace kit::test;

// A target that answers "act" and decides enabling (and may check the item).
class ValidatingTarget : public RecordingTarget, public MenuItemValidation {
public:
    ValidatingTarget(bool answer, int state = -2, QStringList* log = nullptr)
        : RecordingTarget({ QStringLiteral("act") }, log)
        , answer_(answer)
        , state_(state)
        , vlog_(log)
    { }
    bool validateMenuItem(MenuItem* item) override
    {
        if (vlog_)
            vlog_->append("validate " + item->title());
        if (state_ != -2)
            item->setState(state_);
        return answer_;
    }

private:
    bool answer_;
    int state_;
    QStringList* vlog_;
};

// A target that only has the general check, which sees the item's tag.
class GeneralValidatingTarget : public RecordingTarget, public UserInterfaceValidations {
public:
    bool validateUserInterfaceItem(ValidatedUserInterfaceItem* item) override { return item->tag() == 7; }
};

enum class TargetKind { Own, OwnValidatingNo, OwnDeaf, OwnGeneral, OwnGeneralOtherTag, Chain, Nobody, NoAction, NoActionSubmenu };

struct EnableCase {
    const char* name;
    TargetKind kind;
    bool autoenables;
    bool initiallyEnabled;
    bool expected;
    int expectedState;
};

class MenuAutoEnable : public testing::TestWithParam<EnableCase> { };

TEST_P(MenuAutoEnable, AsksWhoeverWouldGetTheAction)
{
    const EnableCase& c = GetParam();
    ControlWindow w;
    auto chain = make<ValidatingTarget>(true, OnState);
    w.window->setDelegate(chain.get());
    auto own = make<RecordingTarget>();
    auto ownNo = make<ValidatingTarget>(false);
    auto deaf = make<RecordingTarget>(QStringList { "other" });
    auto general = make<GeneralValidatingTarget>();

    auto menu = make<Menu>("M");
    menu->setAutoenablesItems(c.autoenables);
    auto item = menu->addItemWithTitleActionKeyEquivalent("Item", "act", {});
    item->setEnabled(c.initiallyEnabled);
    switch (c.kind) {
    case TargetKind::Own:
        item->setTarget(own.get());
        break;
    case TargetKind::OwnValidatingNo:
        item->setTarget(ownNo.get());
        break;
    case TargetKind::OwnDeaf:
        item->setTarget(deaf.get());
        break;
    case TargetKind::OwnGeneral:
        item->setTag(7);
        item->setTarget(general.get());
        break;
    case TargetKind::OwnGeneralOtherTag:
        item->setTarget(general.get());
        break;
    case TargetKind::Chain:
        break;
    case TargetKind::Nobody:
        item->setAction("nobodyHasThis");
        break;
    case TargetKind::NoAction:
        item->setAction({});
        break;
    case TargetKind::NoActionSubmenu:
        item->setAction({});
        item->setSubmenu(make<Menu>("Sub"));
        break;
    }
    menu->update();
    EXPECT_EQ(item->isEnabled(), c.expected) << c.name;
    EXPECT_EQ(item->state(), c.expectedState) << c.name;
    w.window->setDelegate(nullptr);
}

INSTANTIATE_TEST_SUITE_P(Table, MenuAutoEnable,
    testing::Values(EnableCase { "own target", TargetKind::Own, true, false, true, 0 },
        EnableCase { "own target says no", TargetKind::OwnValidatingNo, true, true, false, 0 },
        EnableCase { "own target does not respond", TargetKind::OwnDeaf, true, true, false, 0 },
        EnableCase { "own target's general check says yes", TargetKind::OwnGeneral, true, false, true, 0 },
        EnableCase { "own target's general check says no", TargetKind::OwnGeneralOtherTag, true, true, false, 0 },
        EnableCase { "chain validates and checks", TargetKind::Chain, true, false, true, 1 },
        EnableCase { "nobody responds", TargetKind::Nobody, true, true, false, 0 },
        EnableCase { "no action", TargetKind::NoAction, true, true, false, 0 },
        EnableCase { "no action, submenu", TargetKind::NoActionSubmenu, true, false, true, 0 },
        EnableCase { "not autoenabling keeps off", TargetKind::Own, false, false, false, 0 },
        EnableCase { "not autoenabling keeps on", TargetKind::Nobody, false, true, true, 0 }));

// Fills the menu lazily and stops at `stopAt`.
class FillingDelegate : public Object, public MenuDelegate {
public:
    FillingDelegate(std::int64_t count, std::int64_t stopAt, QStringList* log)
        : count_(count)
        , stopAt_(stopAt)
        , log_(log)
    { }
    std::int64_t numberOfItemsInMenu(Menu*) override
    {
        log_->append("count");
        return count_;
    }
    bool menuUpdateItemAtIndexShouldCancel(Menu*, MenuItem* item, std::int64_t index, bool) override
    {
        log_->append(QStringLiteral("update %1").arg(index));
        item->setTitle(QStringLiteral("Filled %1").arg(index));
        item->setAction("act");
        return index != stopAt_;
    }

private:
    std::int64_t count_;
    std::int64_t stopAt_;
    QStringList* log_;
};

class MenuSession : public testing::Test {
protected:
    void SetUp() override
    {
        scope.setLog(&log);
        target = make<ValidatingTarget>(true, -2, &log);
        w.window->setDelegate(target.get());
        menu = make<Menu>("Root");
        menu->addItemWithTitleActionKeyEquivalent("Old", "act", {});
        menu->addItemWithTitleActionKeyEquivalent("Gone", "act", {});
        menu->addItemWithTitleActionKeyEquivalent("Gone too", "act", {});
        where.view = w.content.get();
        where.location = MakePoint(20, 20);
    }
    void TearDown() override { w.window->setDelegate(nullptr); }

    ControlWindow w;
    MenuScope scope;
    QStringList log;
    Ref<ValidatingTarget> target;
    Ref<Menu> menu;
    MenuPresentation where;
};

TEST_F(MenuSession, FillsValidatesNotifiesPresentsThenActs)
{
    auto delegate = make<FillingDelegate>(2, 5, &log);
    menu->setDelegate(delegate.get(), delegate.get());
    scope.presenter->choices = { 1 };
    const Ref<MenuItem> chosen = menu->runSession(where);
    ASSERT_TRUE(chosen);
    EXPECT_EQ(chosen->title(), "Filled 1");
    EXPECT_EQ(log,
        (QStringList { "count", "update 0", "update 1", "validate Filled 0", "validate Filled 1", "begin", "present", "end", "action" }));
    EXPECT_EQ(menu->numberOfItems(), 2);
    ASSERT_EQ(target->calls.size(), 1u);
    EXPECT_EQ(target->calls[0].sender, chosen.get());
}

TEST_F(MenuSession, AnEarlyNoStopsTheFilling)
{
    auto delegate = make<FillingDelegate>(4, 1, &log);
    menu->setDelegate(delegate.get(), delegate.get());
    menu->runSession(where);
    EXPECT_EQ(scope.presenter->sessions.at(0).titles, (QStringList { "Filled 0", "Filled 1", "Gone too", "" }));
    EXPECT_EQ(log.mid(0, 3), (QStringList { "count", "update 0", "update 1" }));
}

// Every level below the opened menu is filled and validated before the session, not only the first.
TEST_F(MenuSession, SubmenusAreReadyAtEveryDepth)
{
    auto second = make<Menu>("Second");
    auto third = make<Menu>("Third");
    menu->addItemWithTitleActionKeyEquivalent("More", {}, {})->setSubmenu(second);
    second->addItemWithTitleActionKeyEquivalent("Even more", {}, {})->setSubmenu(third);
    auto delegate = make<FillingDelegate>(2, 5, &log);
    third->setDelegate(delegate.get(), delegate.get());
    third->addItemWithTitleActionKeyEquivalent("Stale", {}, {})->setEnabled(false);
    menu->runSession(where);
    ASSERT_EQ(third->numberOfItems(), 2);
    for (const Ref<MenuItem>& item : third->itemArray()) {
        EXPECT_TRUE(item->title().startsWith("Filled")) << item->title().toStdString();
        EXPECT_TRUE(item->isEnabled()) << item->title().toStdString();
    }
    EXPECT_TRUE(second->itemAtIndex(0)->isEnabled());
    EXPECT_TRUE(log.contains("validate Filled 1"));
}

TEST_F(MenuSession, CancelStillEndsTrackingAndSendsNothing)
{
    auto sub = make<Menu>("Sub");
    menu->addItemWithTitleActionKeyEquivalent("More", {}, {})->setSubmenu(sub);
    sub->addItemWithTitleActionKeyEquivalent("Deep", "act", {});
    EXPECT_FALSE(sub->runSession(where));
    EXPECT_EQ(scope.notifications, (QStringList { "NSMenuDidBeginTrackingNotification", "NSMenuDidEndTrackingNotification" }));
    // The object is the root menu, even for a submenu's session.
    EXPECT_EQ(scope.notifiedMenus, (std::vector<Menu*> { menu.get(), menu.get() }));
    EXPECT_TRUE(target->calls.empty());
}

TEST(MenuItems, IndexesAndOwnership)
{
    auto menu = make<Menu>();
    auto a = menu->addItemWithTitleActionKeyEquivalent("A", {}, {});
    auto represented = make<Menu>();
    a->setRepresentedObject(represented);
    a->setTag(7);
    auto b = make<MenuItem>("B", "", "");
    menu->insertItemAtIndex(b, 0);
    EXPECT_EQ(menu->indexOfItem(a.get()), 1);
    EXPECT_EQ(menu->indexOfItemWithTag(7), 1);
    EXPECT_EQ(menu->indexOfItemWithRepresentedObject(represented.get()), 1);
    EXPECT_EQ(menu->indexOfItemWithRepresentedObject(make<Menu>().get()), -1);
    EXPECT_EQ(b->menu(), menu);
    auto other = make<Menu>();
    EXPECT_THROW(other->addItem(b), std::invalid_argument);
    EXPECT_THROW(menu->insertItemAtIndex(make<MenuItem>(), 5), std::out_of_range);
    menu->removeItem(b.get());
    EXPECT_FALSE(b->menu());
    other->addItem(b);
    EXPECT_EQ(other->numberOfItems(), 1);
    EXPECT_FALSE(menu->itemAtIndex(3));
}

// The real presenter: a QMenu built from the model, closed by a zero-delay timer.
TEST(QMenuPresenter, BuildsTheMenuFromTheModel)
{
    ControlWindow w;
    auto menu = make<Menu>("Real");
    auto copy = menu->addItemWithTitleActionKeyEquivalent("Copy", "copy", "c");
    copy->setEnabled(false);
    menu->setAutoenablesItems(false);
    menu->addItem(MenuItem::separatorItem());
    auto checked = menu->addItemWithTitleActionKeyEquivalent("Checked & done", "act", "S");
    checked->setState(OnState);
    auto sub = make<Menu>("Sub");
    sub->addItemWithTitleActionKeyEquivalent("Inner", "act", {});
    menu->addItemWithTitleActionKeyEquivalent("More", {}, {})->setSubmenu(sub);

    QStringList texts;
    std::vector<bool> enabled, isChecked;
    QTimer::singleShot(0, [&] {
        auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!popup)
            return;
        for (QAction* a : popup->actions()) {
            texts << (a->isSeparator() ? QStringLiteral("-") : a->text());
            enabled.push_back(a->isEnabled());
            isChecked.push_back(a->isChecked());
        }
        popup->close();
    });
    MenuPresentation where;
    where.view = w.content.get();
    where.location = MakePoint(10, 10);
    EXPECT_FALSE(menu->runSession(where));
    EXPECT_EQ(texts, (QStringList { "Copy\tCtrl+C", "-", "Checked && done\tCtrl+Shift+S", "More" }));
    EXPECT_EQ(enabled[0], false);
    EXPECT_EQ(enabled[2], true);
    EXPECT_EQ(isChecked, (std::vector<bool> { false, false, true, false }));
}

Ref<Menu> longMenu(int count)
{
    auto menu = make<Menu>("Long");
    menu->setAutoenablesItems(false); // every item enabled, as a pop-up's choices are
    for (int i = 1; i <= count; ++i)
        menu->addItemWithTitleActionKeyEquivalent(QStringLiteral("Item %1").arg(i), {}, {});
    return menu;
}

// What the shown QMenu looked like, read from inside its session.
struct ShownMenu {
    QRect frame;
    QRect available;
    std::set<int> columns; // left edges of the items
    bool lastInside = false; // the last item within the menu once the keys went down to it
    QRect positionedItem; // in global coordinates
    QString afterKeys;
};

void inspectThenClose(ShownMenu& shown, int positioned)
{
    QTimer::singleShot(0, [&shown, positioned] {
        auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!popup)
            return;
        shown.frame = popup->geometry();
        shown.available = popup->screen()->availableGeometry();
        const QList<QAction*> actions = popup->actions();
        for (QAction* a : actions)
            shown.columns.insert(popup->actionGeometry(a).left());
        if (positioned >= 0) {
            const QRect item = popup->actionGeometry(actions.at(positioned));
            shown.positionedItem = QRect(popup->mapToGlobal(item.topLeft()), item.size());
        }
        // Down, item after item from the active one (none, or the positioned item), to the last:
        // the menu scrolls it into view.
        for (qsizetype i = positioned >= 0 ? positioned + 1 : 0; i < actions.size(); ++i) {
            QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
            QApplication::sendEvent(popup, &down);
        }
        shown.lastInside = popup->activeAction() == actions.last() && popup->rect().contains(popup->actionGeometry(actions.last()));
        const QRect last = popup->actionGeometry(actions.last());
        shown.afterKeys = QStringLiteral("%1 active, last item at %2,%3 in %4x%5")
                              .arg(popup->activeAction() ? popup->activeAction()->text() : QStringLiteral("none"))
                              .arg(last.x())
                              .arg(last.y())
                              .arg(popup->width())
                              .arg(popup->height());
        popup->close();
    });
}

// A menu taller than the screen keeps one column, as tall as the visible frame, and scrolls.
TEST(QMenuPresenter, ALongMenuScrollsInOneColumnInsideTheVisibleFrame)
{
    ControlWindow w;
    const Ref<Menu> menu = longMenu(300);
    ShownMenu shown;
    inspectThenClose(shown, -1);
    MenuPresentation where;
    where.view = w.content.get();
    where.location = MakePoint(10, 10);
    menu->runSession(where);
    ASSERT_FALSE(shown.frame.isNull()) << "no menu showed";
    EXPECT_EQ(shown.columns.size(), 1u) << "one column";
    EXPECT_TRUE(shown.available.contains(shown.frame)) << "menu " << shown.frame.x() << "," << shown.frame.y() << " " << shown.frame.width()
                                                        << "x" << shown.frame.height();
    EXPECT_EQ(shown.frame.height(), shown.available.height());
    EXPECT_TRUE(shown.lastInside) << "Down scrolls to the last item: " << shown.afterKeys.toStdString();
}

// Item 250 far down and item 1 at the top: either opens over the button, the menu scrolled.
TEST(QMenuPresenter, ALongPopUpOpensScrolledToItsItemOverTheButton)
{
    for (const int index : { 249, 0 }) {
        ControlWindow w;
        const Ref<Menu> menu = longMenu(300);
        ShownMenu shown;
        inspectThenClose(shown, index);
        MenuPresentation where;
        where.view = w.content.get();
        where.rect = MakeRect(20, 80, 120, 22);
        where.positionedItem = menu->itemAtIndex(index).get();
        menu->runSession(where);
        ASSERT_FALSE(shown.frame.isNull()) << "no menu showed";
        const QRectF button = QtRectFromScreen(MenuAnchorInScreen(w.content.get(), where.rect, {}));
        EXPECT_NEAR(shown.positionedItem.center().y(), button.center().y(), 2) << "item " << index + 1 << " over the button";
        EXPECT_TRUE(shown.available.contains(shown.frame)) << index + 1;
        EXPECT_EQ(shown.columns.size(), 1u) << index + 1;
        EXPECT_TRUE(shown.lastInside) << "Down scrolls to the last item: " << shown.afterKeys.toStdString();
    }
}

// Opened with an item over the button, short or scrolling, the menu starts at that item: Down
// twice and Return choose the item two below it.
TEST(QMenuPresenter, APopUpStartsAtItsItemForTheKeys)
{
    for (const auto& [count, index] : { std::pair { 6, 1 }, std::pair { 300, 249 } }) {
        ControlWindow w;
        const Ref<Menu> menu = longMenu(count);
        QString activeAtShow;
        QTimer::singleShot(0, [&activeAtShow] {
            auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!popup)
                return;
            activeAtShow = popup->activeAction() ? popup->activeAction()->text() : QStringLiteral("none");
            for (const Qt::Key k : { Qt::Key_Down, Qt::Key_Down, Qt::Key_Return }) {
                QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier);
                QApplication::sendEvent(popup, &press);
            }
        });
        MenuPresentation where;
        where.view = w.content.get();
        where.rect = MakeRect(20, 80, 120, 22);
        where.positionedItem = menu->itemAtIndex(index).get();
        const Ref<MenuItem> chosen = menu->runSession(where, false);
        EXPECT_EQ(activeAtShow, QStringLiteral("Item %1").arg(index + 1)) << count;
        ASSERT_TRUE(chosen) << count;
        EXPECT_EQ(chosen->title(), QStringLiteral("Item %1").arg(index + 3)) << count;
    }
}

} // namespace

namespace {

using namespace kit;
using namespace kit::test;

class ContextMenuControl : public Control {
public:
    using Control::Control;
    Ref<Object> menuForEvent(const Event& event) override
    {
        asked = true;
        return event.modifierFlags() & ShiftKeyMask ? nullptr : Control::menuForEvent(event);
    }
    bool asked = false;
};

TEST(ContextMenu, ARightClickRunsASessionAtTheClick)
{
    ControlWindow w;
    MenuScope scope;
    auto target = make<RecordingTarget>();
    auto control = make<ContextMenuControl>(MakeRect(10, 10, 80, 30));
    auto menu = make<Menu>("Context");
    menu->addItemWithTitleActionKeyEquivalent("Do", "act", {})->setTarget(target.get());
    control->setMenu(menu.get());
    w.content->addSubview(control.get());
    scope.presenter->choices = { 0 };
    w.script->mouseDown(MakePoint(30, 20), 0, 1).mouseUp(MakePoint(30, 20), 0, 1);
    w.script->run();
    EXPECT_TRUE(control->asked);
    ASSERT_EQ(scope.presenter->sessions.size(), 1u);
    ASSERT_EQ(target->calls.size(), 1u);
    EXPECT_EQ(target->calls[0].sender, menu->itemAtIndex(0).get());
    // No menu for this event: nothing shown.
    w.script->mouseDown(MakePoint(30, 20), ShiftKeyMask, 1).mouseUp(MakePoint(30, 20), ShiftKeyMask, 1);
    w.script->run();
    EXPECT_EQ(scope.presenter->sessions.size(), 1u);
}

} // namespace

namespace {

// The main menu model answers key equivalents the window's views did not take.
struct MainMenuKeyCase {
    const char* name;
    QString key; // the item's key equivalent
    std::uint64_t itemMask;
    QString typed;
    std::uint64_t flags;
    bool validates;
    bool sent;
};

class MainMenuKeys : public ::testing::TestWithParam<MainMenuKeyCase> { };

TEST_P(MainMenuKeys, MatchEnabledItemsInSubmenus)
{
    const MainMenuKeyCase& c = GetParam();
    ControlWindow w;
    auto target = make<ValidatingTarget>(c.validates);
    auto main = make<Menu>("Main");
    auto file = make<Menu>("File");
    const Ref<MenuItem> item = file->addItemWithTitleActionKeyEquivalent("Save", "act", c.key);
    item->setKeyEquivalentModifierMask(c.itemMask);
    item->setTarget(target.get());
    main->addItemWithTitleActionKeyEquivalent("File", {}, {})->setSubmenu(file);
    Menu::setMainMenu(main);
    w.script->key(KeyCodeS, c.typed, c.flags);
    w.script->run();
    ASSERT_EQ(target->calls.size(), c.sent ? 1u : 0u);
    if (c.sent) {
        EXPECT_EQ(target->calls[0].sender, item.get());
    }
}

INSTANTIATE_TEST_SUITE_P(Menu, MainMenuKeys,
    ::testing::Values(MainMenuKeyCase { "CommandIsCtrl", "s", CommandKeyMask, "s", CommandKeyMask, true, true },
        MainMenuKeyCase { "DisabledByValidation", "s", CommandKeyMask, "s", CommandKeyMask, false, false },
        MainMenuKeyCase { "UpperCaseImpliesShift", "S", CommandKeyMask, "s", CommandKeyMask | ShiftKeyMask, true, true },
        MainMenuKeyCase { "MissingShift", "S", CommandKeyMask, "s", CommandKeyMask, true, false },
        MainMenuKeyCase { "ExtraModifier", "s", CommandKeyMask, "s", CommandKeyMask | AlternateKeyMask, true, false },
        MainMenuKeyCase { "ControlMask", "s", ControlKeyMask, "s", ControlKeyMask, true, true }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MainMenu, ATestResetDropsTheHooksAndTheMainMenu)
{
    Menu::setMainMenu(make<Menu>("Main"));
    ASSERT_TRUE(Menu::mainMenu());
    ASSERT_TRUE(Application::sharedApplication()->hasContextMenuPresenter());
    Application::resetForTesting();
    EXPECT_FALSE(Menu::mainMenu());
    EXPECT_FALSE(Application::sharedApplication()->hasContextMenuPresenter());
    // The next menu brings them back.
    auto menu = make<Menu>();
    EXPECT_TRUE(Application::sharedApplication()->hasContextMenuPresenter());
    Application::resetForTesting();
}

TEST(ContextMenu, AnyViewWithAMenuGetsASession)
{
    ControlWindow w;
    MenuScope scope;
    auto target = make<RecordingTarget>();
    auto view = make<View>(MakeRect(10, 10, 80, 30));
    auto menu = make<Menu>("Context");
    menu->addItemWithTitleActionKeyEquivalent("Do", "act", {})->setTarget(target.get());
    view->setMenu(menu.get());
    w.content->addSubview(view.get());
    scope.presenter->choices = { 0 };
    w.script->mouseDown(MakePoint(30, 20), 0, 1).mouseUp(MakePoint(30, 20), 0, 1);
    w.script->run();
    ASSERT_EQ(scope.presenter->sessions.size(), 1u);
    EXPECT_EQ(target->calls.size(), 1u);
}

} // namespace
