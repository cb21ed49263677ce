#include "JVLPreferenceTestSupport.h"

#include "JVLAppKit/JVLPreferenceWindowController/JVLPrefPaneIconView.h"
#include "JVLAppKit/JVLPreferenceWindowController/JVLPreferencePanel.h"

#include "kit/appkit/Accessibility.h"
#include "kit/appkit/Application.h"
#include "kit/appkit/KeyCodes.h"
#include "kit/appkit/ToolbarItem.h"
#include "kit/core/Exception.h"
#include "kit/core/NotificationCenter.h"
#include "kit/foundation/UserDefaults.h"
#include "kit/testsupport/EventScript.h"
#include "kit/testsupport/RuntimeRecorders.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kit;

namespace {

class PreferenceWindowTest : public PrefWindowFixture {
protected:
    Ref<PrefTestPane> pane(const char* id, double width, double height, QString category = QStringLiteral(""))
    {
        return make<PrefTestPane>(QString::fromUtf8(id), MakeSize(width, height), &log, category);
    }
    Rect frame() { return controller->window()->frame(); }
    static double top(Rect r) { return r.origin.y + r.size.height; }

    std::vector<QString> log;
};

TEST_F(PreferenceWindowTest, TheSharedAccessorComesFirstAndItsPanesStillShow)
{
    ASSERT_TRUE(controller);
    EXPECT_EQ(JVLPreferenceWindowController::sharedPreferenceWindowController(), controller);
    EXPECT_FALSE(JVLPreferenceWindowController::initWithAutosaveName("Later"));
    ASSERT_TRUE(controller->iconView());
    EXPECT_TRUE(controller->addPaneWithIdentifier(pane("general", 300, 200).get(), "general"));
    EXPECT_EQ(controller->iconView()->icons().size(), 1u);
    ASSERT_TRUE(controller->window());
    EXPECT_EQ(controller->activePane(), controller->prefPaneWithIdentifier("general"));
    EXPECT_EQ(controller->window()->title(), QStringLiteral("general label"));
}

TEST_F(PreferenceWindowTest, SwitchingPanesFollowsTheOrderAndReselectingSendsNothing)
{
    auto delegate = make<PrefTestDelegate>();
    delegate->log = &log;
    controller->setDelegate(delegate.get());
    controller->addPaneWithIdentifier(pane("A", 300, 200).get(), "A");
    controller->addPaneWithIdentifier(pane("B", 300, 260).get(), "B");
    ASSERT_TRUE(controller->window());
    log.clear();
    ASSERT_TRUE(controller->selectPaneWithIdentifier("B"));
    const std::vector<QString> expected { "A willUnselect", "delegate willSelect B", "B willSelect", "delegate didUnselect A", "A didUnselect",
        "B didSelect" };
    EXPECT_EQ(log, expected);
    EXPECT_EQ(controller->window()->toolbar()->selectedItemIdentifier(), QStringLiteral("B"));
    log.clear();
    EXPECT_TRUE(controller->selectPaneWithIdentifier("B"));
    EXPECT_TRUE(log.empty());
    EXPECT_FALSE(controller->selectPaneWithIdentifier("nothing"));
}

TEST_F(PreferenceWindowTest, APaneWithoutViewChangesNothing)
{
    controller->addPaneWithIdentifier(pane("A", 300, 200).get(), "A");
    controller->addPaneWithIdentifier(pane("empty", 0, 0).get(), "empty");
    ASSERT_TRUE(controller->window());
    const Rect before = frame();
    const Ref<View> content = controller->window()->contentView();
    test::LogRecorder logged;
    EXPECT_FALSE(controller->selectPaneWithIdentifier("empty"));
    EXPECT_TRUE(logged.contains("Preference Pane \"empty\" has no view"));
    EXPECT_EQ(frame(), before);
    EXPECT_EQ(controller->window()->contentView(), content);
    EXPECT_EQ(controller->window()->title(), QStringLiteral("A label"));
}

TEST_F(PreferenceWindowTest, PanesGetSortOrdersAndToolbarPlaces)
{
    std::vector<Ref<PrefTestPane>> panes { pane("c", 10, 10), pane("a", 10, 10), pane("b", 10, 10) };
    for (const auto& p : panes)
        ASSERT_TRUE(controller->addPaneWithIdentifier(p.get(), p->identifier()));
    EXPECT_EQ(panes[0]->sortOrder(), 0u);
    EXPECT_EQ(panes[1]->sortOrder(), 1u);
    EXPECT_EQ(panes[2]->sortOrder(), 2u);
    EXPECT_EQ(controller->validPrefPaneIdentifiers(), (QStringList { "c", "a", "b" }));
    EXPECT_EQ(controller->toolbarDefaultItemIdentifiers(nullptr), (QStringList { "c", "a", "b" }));
    controller->setUsesConfigurationPane(true);
    EXPECT_EQ(controller->toolbarDefaultItemIdentifiers(nullptr),
        (QStringList { JVLPPToolbarShowAllIdentifier, ToolbarSeparatorItemIdentifier, "c", "a", "b" }));
    EXPECT_EQ(controller->toolbarSelectableItemIdentifiers(nullptr), (QStringList { JVLPPToolbarShowAllIdentifier, "c", "a", "b" }));
    EXPECT_FALSE(controller->toolbarItemForItemIdentifierWillBeInsertedIntoToolbar(nullptr, "unknown", true));
    Ref<ToolbarItem> item = controller->toolbarItemForItemIdentifierWillBeInsertedIntoToolbar(nullptr, "a", true);
    ASSERT_TRUE(item);
    EXPECT_EQ(item->label(), QStringLiteral("a label"));
    EXPECT_EQ(controller->toolbarItemForItemIdentifierWillBeInsertedIntoToolbar(nullptr, JVLPPToolbarShowAllIdentifier, true)->label(),
        QStringLiteral("Show All"));
}

TEST_F(PreferenceWindowTest, DuplicatesAndVetoesAreRefused)
{
    auto delegate = make<PrefTestDelegate>();
    delegate->log = &log;
    delegate->vetoed = QStringList { "no" };
    controller->setDelegate(delegate.get());
    EXPECT_TRUE(controller->addPaneWithIdentifier(pane("A", 10, 10).get(), "A"));
    EXPECT_FALSE(controller->addPaneWithIdentifier(pane("A", 10, 10).get(), "A"));
    EXPECT_FALSE(controller->addPaneWithIdentifier(pane("no", 10, 10).get(), "no"));
    EXPECT_EQ(controller->prefPanes().size(), 1u);
}

TEST_F(PreferenceWindowTest, TheTopLeftCornerStaysAcrossTallerAndShorterPanes)
{
    controller->addPaneWithIdentifier(pane("A", 300, 200).get(), "A");
    controller->addPaneWithIdentifier(pane("B", 420, 380).get(), "B");
    controller->addPaneWithIdentifier(pane("C", 250, 120).get(), "C");
    ASSERT_TRUE(controller->window());
    ASSERT_TRUE(controller->window()->toolbar()->isVisible());
    const Rect first = frame();
    for (const char* id : { "B", "C", "A" }) {
        ASSERT_TRUE(controller->selectPaneWithIdentifier(id));
        EXPECT_DOUBLE_EQ(frame().origin.x, first.origin.x) << id;
        EXPECT_DOUBLE_EQ(top(frame()), top(first)) << id;
        auto* p = dynamic_cast<JVLPrefPaneProtocol*>(controller->prefPaneWithIdentifier(id).get());
        EXPECT_EQ(controller->window()->contentView()->frame().size, p->mainView()->frame().size) << id;
    }
    // The content keeps its size: the toolbar's height is part of the frame.
    EXPECT_DOUBLE_EQ(frame().size.height, controller->window()->frameRectForContentRect(MakeRect(0, 0, 300, 200)).size.height);
}

TEST_F(PreferenceWindowTest, TheFirstOpenWithTheConfigurationPaneShowsTheOverview)
{
    controller->setUsesConfigurationPane(true);
    controller->addPaneWithIdentifier(pane("A", 300, 200).get(), "A");
    ASSERT_TRUE(controller->window());
    EXPECT_FALSE(controller->activePane());
    EXPECT_EQ(controller->window()->contentView(), controller->iconView());
    EXPECT_EQ(controller->window()->title(), QStringLiteral("Preferences"));
    EXPECT_EQ(controller->window()->toolbar()->items().size(), 3u);
}

QStringList toolbarIdentifiers(JVLPreferenceWindowController& controller)
{
    QStringList out;
    for (const Ref<ToolbarItem>& item : controller.window()->toolbar()->items())
        out << item->itemIdentifier();
    return out;
}

// Sorting by category before any pane is added, as an application sets its controller up.
TEST_F(PreferenceWindowTest, SortingByCategoryBeforeThePanesStillGivesEveryPaneItsItem)
{
    controller->setUsesConfigurationPane(true);
    controller->setSortByCategory(true);
    controller->addPaneWithIdentifier(pane("A", 300, 200, "Basics").get(), "A");
    controller->addPaneWithIdentifier(pane("B", 300, 200, "Media").get(), "B");
    ASSERT_TRUE(controller->window());
    EXPECT_EQ(toolbarIdentifiers(*controller), (QStringList { JVLPPToolbarShowAllIdentifier, ToolbarSeparatorItemIdentifier, "A", "B" }));
    EXPECT_EQ(controller->window()->contentView(), controller->iconView());
    EXPECT_EQ(controller->iconView()->icons().size(), 2u);
    EXPECT_EQ(controller->window()->contentView()->frame().size, controller->iconView()->frame().size);
    EXPECT_EQ(frame().size, controller->window()->frameRectForContentRect(controller->iconView()->frame()).size);
}

TEST_F(PreferenceWindowTest, APaneAddedToABuiltWindowGetsItsItemAndTheOverviewRefits)
{
    controller->setUsesConfigurationPane(true);
    controller->setSortByCategory(true);
    controller->addPaneWithIdentifier(pane("A", 300, 200, "Basics").get(), "A");
    ASSERT_TRUE(controller->window());
    const Size before = controller->iconView()->frame().size;
    controller->addPaneWithIdentifier(pane("B", 300, 200, "Media").get(), "B");
    EXPECT_EQ(toolbarIdentifiers(*controller), (QStringList { JVLPPToolbarShowAllIdentifier, ToolbarSeparatorItemIdentifier, "A", "B" }));
    EXPECT_NE(controller->iconView()->frame().size, before) << "a second category makes the overview taller";
    EXPECT_EQ(frame().size, controller->window()->frameRectForContentRect(controller->iconView()->frame()).size);
    // With a pane shown, the window keeps the pane's size.
    ASSERT_TRUE(controller->selectPaneWithIdentifier("A"));
    const Rect shown = frame();
    controller->addPaneWithIdentifier(pane("C", 300, 200, "Media").get(), "C");
    EXPECT_EQ(toolbarIdentifiers(*controller).mid(2), (QStringList { "A", "B", "C" }));
    EXPECT_EQ(frame(), shown);
}

// A control in a pane's view that takes the keyboard focus.
class PrefTestField : public View {
public:
    using View::View;
    bool acceptsFirstResponder() const override { return true; }
};

// Keyboard alone: Tab reaches the toolbar, then the overview, whose Return opens the current
// icon's pane and leaves the focus on that pane's toolbar item; Tab goes on into the pane's control
// and round to the toolbar, whose arrows and Space show another pane or the overview again.
TEST_F(PreferenceWindowTest, TheKeyboardAloneReachesEveryPaneAndItsControls)
{
    controller->setUsesConfigurationPane(true);
    const Ref<PrefTestPane> panes[] = { pane("A", 300, 200), pane("B", 300, 240) };
    Ref<View> fields[2];
    for (int i = 0; i < 2; ++i) {
        fields[i] = make<PrefTestField>(MakeRect(20, 150, 100, 22));
        panes[i]->mainView()->addSubview(fields[i].get());
        controller->addPaneWithIdentifier(panes[i].get(), panes[i]->identifier());
    }
    const Ref<Window> w = controller->window();
    w->makeKeyAndOrderFront();
    const Ref<View> strip = w->toolbar()->toolbarView();
    const auto focused = [&] { return AccessibilityFocusedUIElement(Value(w)); };
    const auto toolbarItem = [&](const QString& id) {
        for (const Ref<ToolbarItem>& item : w->toolbar()->items())
            if (item->itemIdentifier() == id)
                return Value(Ref<Object>(item));
        return Value();
    };
    script->inWindow(w.get()).type(QStringLiteral("\t")).run();
    EXPECT_EQ(w->firstResponder(), strip);
    EXPECT_EQ(focused(), toolbarItem(JVLPPToolbarShowAllIdentifier)) << "the selected item";
    script->type(QStringLiteral("\t")).run();
    EXPECT_EQ(w->firstResponder(), controller->iconView());
    script->key(KeyCodeRightArrow).key(KeyCodeReturn).run();
    EXPECT_EQ(controller->activePane(), panes[1]);
    EXPECT_EQ(w->firstResponder(), strip) << "the focus left with the overview";
    EXPECT_EQ(focused(), toolbarItem("B"));
    script->type(QStringLiteral("\t")).run();
    EXPECT_EQ(w->firstResponder(), fields[1]);
    script->type(QStringLiteral("\t")).run();
    EXPECT_EQ(w->firstResponder(), strip) << "round to the toolbar";
    script->key(KeyCodeLeftArrow).key(KeyCodeSpace, QStringLiteral(" ")).type(QStringLiteral("\t")).run();
    EXPECT_EQ(controller->activePane(), panes[0]);
    EXPECT_EQ(w->firstResponder(), fields[0]);
    script->key(KeyCodeTab, {}, ShiftKeyMask).key(KeyCodeLeftArrow).key(KeyCodeSpace, QStringLiteral(" ")).run();
    EXPECT_FALSE(controller->activePane());
    EXPECT_EQ(w->contentView(), controller->iconView());
    EXPECT_EQ(focused(), toolbarItem(JVLPPToolbarShowAllIdentifier));
}

TEST_F(PreferenceWindowTest, CloseAndTerminateKeepThePaneActiveAndUnselectOnce)
{
    controller->addPaneWithIdentifier(pane("A", 300, 200).get(), "A");
    ASSERT_TRUE(controller->window());
    controller->showWindow(nullptr);
    log.clear();
    controller->close();
    EXPECT_EQ(log, (std::vector<QString> { "A willUnselect", "A didUnselect" }));
    EXPECT_EQ(controller->activePane(), controller->prefPaneWithIdentifier("A"));
    log.clear();
    ASSERT_TRUE(QMetaObject::invokeMethod(QCoreApplication::instance(), "aboutToQuit", Qt::DirectConnection));
    EXPECT_EQ(log, (std::vector<QString> { "A willUnselect", "A didUnselect" }));
}

TEST_F(PreferenceWindowTest, CategoriesFollowTheDelegateAndNullCountsOnce)
{
    auto delegate = make<PrefTestDelegate>();
    delegate->displayNames.insert("net", "Network");
    controller->setDelegate(delegate.get());
    controller->addPaneWithIdentifier(pane("A", 10, 10, "net").get(), "A");
    controller->addPaneWithIdentifier(pane("B", 10, 10, "net").get(), "B");
    controller->addPaneWithIdentifier(pane("C", 10, 10, QString()).get(), "C");
    controller->addPaneWithIdentifier(pane("D", 10, 10, QString()).get(), "D");
    QStringList categories = controller->categories();
    EXPECT_EQ(categories.size(), 2);
    EXPECT_TRUE(categories.contains("net"));
    EXPECT_EQ(controller->categoryDisplayNameForIdentifier("A"), QStringLiteral("Network"));
    EXPECT_TRUE(controller->categoryDisplayNameForIdentifier("C").isNull());
}

class PreferenceFrameRestore : public PreferenceWindowTest, public testing::WithParamInterface<const char*> { };

// Malformed saved texts centre the window instead of reading fields that are not there.
TEST_P(PreferenceFrameRestore, MalformedTextsCentre)
{
    JVLPreferenceWindowController::resetSharedForTesting();
    controller = JVLPreferenceWindowController::initWithAutosaveName("Prefs");
    ASSERT_TRUE(controller);
    UserDefaults::standardUserDefaults()->setObjectForKey(Value(QString::fromUtf8(GetParam())), "NSWindow Frame Prefs");
    controller->addPaneWithIdentifier(pane("A", 300, 200).get(), "A");
    auto reference = make<Window>(MakeRect(0, 0, 10, 10), TitledWindowMask);
    ASSERT_TRUE(controller->window());
    const Rect f = frame();
    reference->setFrameDisplay(f, false);
    reference->center();
    EXPECT_EQ(f.origin, reference->frame().origin);
}

INSTANTIATE_TEST_SUITE_P(Texts, PreferenceFrameRestore,
    testing::Values("", "1 2 3", "a b c d", "1 2 x 4", "inf 0 10 10", "0 -inf 5 5", "nan nan 500 nan", "1e12 0 10 10"));

TEST_F(PreferenceWindowTest, ASavedFrameKeepsItsTopLeftCornerAndAMoveSavesIt)
{
    JVLPreferenceWindowController::resetSharedForTesting();
    controller = JVLPreferenceWindowController::initWithAutosaveName("Prefs");
    UserDefaults::standardUserDefaults()->setObjectForKey(Value(QStringLiteral("100 200 500 300 0 0 1280 800 ")), "NSWindow Frame Prefs");
    controller->addPaneWithIdentifier(pane("A", 300, 250).get(), "A");
    ASSERT_TRUE(controller->window());
    const double height = frame().size.height;
    EXPECT_DOUBLE_EQ(frame().origin.x, 100);
    EXPECT_DOUBLE_EQ(frame().origin.y, 200 + 300 - height);
    controller->window()->setFrameOrigin(MakePoint(40, 50));
    const QString saved = UserDefaults::standardUserDefaults()->objectForKey("NSWindow Frame Prefs").stringValue();
    EXPECT_TRUE(saved.startsWith("40 50 ")) << saved.toStdString();
}

TEST(PreferencePanel, AMissingInterfaceFileRaises)
{
    try {
        JVLPreferencePanel panel(QStringLiteral("NoSuchPanel"), QStringLiteral("x"));
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.name(), QStringLiteral("View initialization failed"));
        EXPECT_EQ(e.reason(), QStringLiteral("NoSuchPanel: Could not load views resources!"));
    }
    auto plain = make<JVLPreferencePanel>();
    EXPECT_EQ(plain->label(), QStringLiteral(""));
    EXPECT_FALSE(plain->icon());
    EXPECT_FALSE(plain->respondsToSelector("minSize"));
    EXPECT_TRUE(plain->respondsToSelector("willSelect"));
}

} // namespace
