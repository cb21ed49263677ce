#include "ControlsTestSupport.h"
#include "kit/controls/Button.h"
#include "kit/controls/PopUpButton.h"
#include "kit/controls/TabView.h"
#include "kit/foundation/KeyedArchiver.h"
#include "kit/foundation/KeyedUnarchiver.h"
#include "kit/foundation/NibLoader.h"

#include <gtest/gtest.h>

using namespace kit;

namespace {

Value roundTrip(const Value& root)
{
    QString error;
    const Value back = KeyedUnarchiver::unarchiveTopLevelObjectWithDataError(KeyedArchiver::archivedDataWithRootObject(root), &error);
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    return back;
}

Ref<PopUpButton> makePopUp(bool pullsDown)
{
    auto popUp = make<PopUpButton>(MakeRect(10, 10, 120, 24), pullsDown);
    popUp->addItemsWithTitles({ "Title", "One", "Two", "Three" });
    for (std::int64_t i = 0; i < popUp->numberOfItems(); ++i) {
        popUp->itemAtIndex(i)->setTag(10 + i);
        popUp->itemAtIndex(i)->setRepresentedObject(Value(QStringLiteral("object %1").arg(i)));
    }
    popUp->selectItemAtIndex(2);
    popUp->popUpCell()->setPreferredEdge(MinXEdge);
    popUp->popUpCell()->setArrowPosition(PopUpArrowAtBottom);
    popUp->setAutoenablesItems(false);
    return popUp;
}

} // namespace

TEST(ControlCoding, AButtonKeepsItsCellSettingsAndItsTargetWhenTheTargetIsArchivedToo)
{
    auto container = make<View>(MakeRect(0, 0, 200, 100));
    auto button = make<Button>(MakeRect(10, 20, 80, 24));
    auto target = make<View>(MakeRect(100, 0, 10, 10));
    container->addSubview(button.get());
    container->addSubview(target.get());
    button->setButtonType(SwitchButton);
    button->setTitle("Remember");
    button->setState(OnState);
    button->setEnabled(false);
    button->setTag(42);
    button->setAction("act");
    button->setTarget(target.get());
    button->setShowsBorderOnlyWhileMouseInside(true);
    button->setAutoresizingMask(ViewMinXMargin);

    const auto back = roundTrip(Value(container)).objectAs<View>();
    ASSERT_TRUE(back);
    ASSERT_EQ(back->subviews().size(), 2u);
    const auto copy = dynamic_pointer_cast<Button>(back->subviews()[0]);
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->frame(), MakeRect(10, 20, 80, 24));
    EXPECT_EQ(copy->autoresizingMask(), unsigned(ViewMinXMargin));
    EXPECT_EQ(copy->title(), "Remember");
    EXPECT_EQ(copy->state(), OnState);
    EXPECT_FALSE(copy->isEnabled());
    EXPECT_EQ(copy->tag(), 42);
    EXPECT_EQ(copy->action(), Selector("act"));
    EXPECT_EQ(copy->target().get(), back->subviews()[1].get());
    // The decoded cell belongs to the decoded button, so actions carry the button as sender.
    EXPECT_EQ(copy->cell()->controlView().get(), copy.get());
    EXPECT_TRUE(copy->showsBorderOnlyWhileMouseInside());
    EXPECT_EQ(copy->trackingAreas().size(), 1u);
}

TEST(ControlCoding, AControlAloneLosesItsTargetButKeepsItsAction)
{
    auto control = make<Control>(MakeRect(0, 0, 50, 20));
    auto target = make<View>();
    control->setTarget(target.get());
    control->setAction("act");
    control->setContinuous(true);
    const auto copy = roundTrip(Value(control)).objectAs<Control>();
    ASSERT_TRUE(copy);
    EXPECT_FALSE(copy->target());
    EXPECT_EQ(copy->action(), Selector("act"));
    EXPECT_TRUE(copy->isContinuous());
    EXPECT_TRUE(dynamic_cast<ActionCell*>(copy->cell().get()));
}

class PopUpCoding : public testing::TestWithParam<bool> { };

TEST_P(PopUpCoding, MenuSelectionAndSettingsSurvive)
{
    const bool pullsDown = GetParam();
    auto popUp = makePopUp(pullsDown);
    const auto copy = roundTrip(Value(popUp)).objectAs<PopUpButton>();
    ASSERT_TRUE(copy && copy->popUpCell());
    EXPECT_EQ(copy->pullsDown(), pullsDown);
    EXPECT_EQ(copy->itemTitles(), popUp->itemTitles());
    EXPECT_EQ(copy->indexOfSelectedItem(), 2);
    EXPECT_EQ(copy->popUpCell()->title(), popUp->popUpCell()->title());
    for (std::int64_t i = 0; i < popUp->numberOfItems(); ++i) {
        EXPECT_EQ(copy->itemAtIndex(i)->tag(), 10 + i);
        EXPECT_EQ(copy->itemAtIndex(i)->state(), popUp->itemAtIndex(i)->state()) << i;
        EXPECT_EQ(copy->itemAtIndex(i)->representedObject().stringValue(), QStringLiteral("object %1").arg(i));
    }
    EXPECT_EQ(copy->popUpCell()->preferredEdge(), MinXEdge);
    EXPECT_EQ(copy->popUpCell()->arrowPosition(), PopUpArrowAtBottom);
    EXPECT_FALSE(copy->autoenablesItems());
    EXPECT_EQ(copy->popUpCell()->controlView().get(), copy.get());
}

INSTANTIATE_TEST_SUITE_P(
    PopUpAndPullDown, PopUpCoding, testing::Bool(), [](const auto& info) { return info.param ? "PullDown" : "PopUp"; });

TEST(ControlCoding, APopUpWithoutAValidSelectionShowsItsFirstItem)
{
    const auto [popUp, error] = decodeLeniently<PopUpButton>(archiveOf(R"([
        {"$class": "PopUpButton", "kit.cell": {"$ref": 1}},
        {"$class": "PopUpButtonCell", "kit.menu": {"$ref": 2}, "kit.selectedIndex": 9},
        {"$class": "Menu", "kit.items": [{"$ref": 3}, {"$ref": 4}]},
        {"$class": "MenuItem", "kit.title": "A"},
        {"$class": "MenuItem", "kit.title": "B"}])"));
    ASSERT_TRUE(popUp && popUp->popUpCell());
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    EXPECT_EQ(popUp->indexOfSelectedItem(), 0);
    EXPECT_EQ(popUp->titleOfSelectedItem(), "A");
}

// Archives from files a user edits: wrong kinds and ranges give the defaults, a cell of the wrong
// class is refused (the pop-up keeps a pop-up cell), and nothing crashes.
TEST(ControlCoding, UntrustedControlArchivesGiveDefaults)
{
    struct Case {
        const char* name;
        const char* objects;
        bool errorExpected;
    };
    const Case cases[] = {
        { "cellOfTheWrongClass", R"([{"$class": "PopUpButton", "kit.cell": {"$ref": 1}}, {"$class": "ButtonCell", "kit.title": "x"}])",
            true },
        { "cellIsNoObject", R"([{"$class": "PopUpButton", "kit.cell": 5}])", true },
        { "cellIsAView", R"([{"$class": "PopUpButton", "kit.cell": {"$ref": 0}}])", true },
        { "wrongKinds", R"([{"$class": "PopUpButton", "kit.cell": {"$ref": 1}},
              {"$class": "PopUpButtonCell", "kit.menu": "menu", "kit.selectedIndex": "two", "kit.pullsDown": [1],
               "kit.menuItem": 3, "kit.title": 7}])",
            true },
        { "outOfRange", R"([{"$class": "PopUpButton", "kit.cell": {"$ref": 1}},
              {"$class": "PopUpButtonCell", "kit.preferredEdge": 99, "kit.arrowPosition": -4, "kit.selectedIndex": -7}])",
            false },
        { "oneCellForTwoControls", R"([{"$class": "View", "subviews": [{"$ref": 1}, {"$ref": 2}]},
              {"$class": "PopUpButton", "kit.cell": {"$ref": 3}}, {"$class": "PopUpButton", "kit.cell": {"$ref": 3}},
              {"$class": "PopUpButtonCell"}])",
            false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto [root, error] = decodeLeniently<View>(archiveOf(c.objects));
        ASSERT_TRUE(root);
        EXPECT_EQ(!error.isEmpty(), c.errorExpected) << error.toStdString();
        const std::vector<Ref<View>> views = root->subviews().empty() ? std::vector<Ref<View>> { root } : root->subviews();
        for (const Ref<View>& v : views) {
            const auto popUp = dynamic_pointer_cast<PopUpButton>(v);
            ASSERT_TRUE(popUp && popUp->popUpCell());
            EXPECT_EQ(popUp->popUpCell()->controlView().get(), popUp.get());
            EXPECT_FALSE(popUp->pullsDown());
            EXPECT_EQ(popUp->popUpCell()->preferredEdge(), MaxYEdge);
            EXPECT_EQ(popUp->popUpCell()->arrowPosition(), PopUpArrowAtCenter);
            EXPECT_TRUE(popUp->menu());
            EXPECT_LE(popUp->numberOfItems(), 1);
        }
    }
}

// Controls in interface files: the action connection sets the decoded control's target and action.
TEST(ControlCoding, AnInterfaceFileConnectsAButtonsAction)
{
    const QByteArray data = R"({"$archiver": "KeyedArchiver", "$version": 1,
        "$top": {"objects": [{"$ref": 0}],
                 "actions": [{"source": {"$ref": 0}, "selector": "act", "target": {"$placeholder": "File's Owner"}}]},
        "$objects": [{"$class": "Button", "frame": {"$rect": [0, 0, 80, 24]}, "kit.cell": {"$ref": 1}},
                     {"$class": "ButtonCell", "kit.title": "Send"}]})";
    auto owner = make<test::RecordingTarget>();
    Array objects;
    QString error;
    ASSERT_TRUE(NibLoader::loadInterfaceData(data, "Send", owner.get(), &objects, &error)) << error.toStdString();
    ASSERT_EQ(objects.count(), 1);
    const auto button = objects[0].objectAs<Button>();
    ASSERT_TRUE(button);
    EXPECT_EQ(button->title(), "Send");
    EXPECT_EQ(button->target().get(), owner.get());
    button->performClick(nullptr);
    ASSERT_EQ(owner->calls.size(), 1u);
    EXPECT_EQ(owner->calls[0].sender, button.get());
}

// A tab view shows its selected item's view itself: the view comes back once, through its item.
TEST(ControlCoding, ATabViewKeepsItsItemsAndSelectionAndShowsTheSelectedViewOnce)
{
    auto tabs = make<TabView>(MakeRect(0, 0, 200, 100));
    tabs->setTabViewType(NoTabsLineBorder);
    for (int i = 0; i < 3; ++i) {
        auto item = make<TabViewItem>(Value(QStringLiteral("id%1").arg(i)));
        item->setLabel(QStringLiteral("Tab %1").arg(i));
        item->setView(make<View>(MakeRect(0, 0, 10 + i, 10)));
        tabs->addTabViewItem(item);
    }
    tabs->selectTabViewItemAtIndex(1);
    tabs->addSubview(make<View>(MakeRect(1, 2, 3, 4)).get());

    const auto back = roundTrip(Value(tabs)).objectAs<TabView>();
    ASSERT_TRUE(back);
    EXPECT_EQ(back->tabViewType(), NoTabsLineBorder);
    ASSERT_EQ(back->numberOfTabViewItems(), 3);
    for (int i = 0; i < 3; ++i) {
        const Ref<TabViewItem> item = back->tabViewItemAtIndex(i);
        EXPECT_EQ(item->label(), QStringLiteral("Tab %1").arg(i));
        EXPECT_EQ(item->identifier().stringValue(), QStringLiteral("id%1").arg(i));
        EXPECT_EQ(item->tabView(), back);
        ASSERT_TRUE(item->view());
        EXPECT_EQ(bool(item->view()->superview()), i == 1);
    }
    EXPECT_EQ(back->indexOfTabViewItem(back->selectedTabViewItem().get()), 1);
    ASSERT_EQ(back->subviews().size(), 2u);
    EXPECT_EQ(back->subviews()[0]->frame(), MakeRect(1, 2, 3, 4));
    EXPECT_EQ(back->subviews()[1], back->selectedTabViewItem()->view());
}

TEST(ControlCoding, UntrustedTabItemsNeverHoldTheirTabView)
{
    const auto [tabs, error] = decodeLeniently<TabView>(archiveOf(R"([
        {"$class": "TabView", "kit.items": [{"$ref": 1}, {"$ref": 2}, {"$ref": 2}, 4], "kit.selectedIndex": 7, "kit.tabViewType": 40},
        {"$class": "TabViewItem", "kit.label": "self", "kit.view": {"$ref": 0}},
        {"$class": "TabViewItem", "kit.label": 3, "kit.view": {"$ref": 3}},
        {"$class": "View"}])"));
    ASSERT_TRUE(tabs);
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    ASSERT_EQ(tabs->numberOfTabViewItems(), 1);
    EXPECT_EQ(tabs->tabViewItemAtIndex(0)->label(), "");
    EXPECT_EQ(tabs->selectedTabViewItem(), tabs->tabViewItemAtIndex(0));
    EXPECT_EQ(tabs->tabViewType(), make<TabView>()->tabViewType()); // the default
    EXPECT_FALSE(tabs->superview());
}

// An archive written before a key existed (here: none at all) leaves every setting at the plain
// factory's default, so decoding it and archiving again gives what a fresh object archives.
class MissingKeys : public testing::TestWithParam<const char*> { };

TEST_P(MissingKeys, GiveThePlainFactorysDefaults)
{
    const QString name = QString::fromLatin1(GetParam());
    const Class* cls = classFromString(name);
    ASSERT_TRUE(cls);
    const auto [decoded, error]
        = decodeLeniently<Object>(archiveOf(QStringLiteral(R"([{"$class": "%1"}])").arg(name).toUtf8().constData()));
    ASSERT_TRUE(decoded);
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    EXPECT_EQ(KeyedArchiver::archivedDataWithRootObject(Value(decoded)), KeyedArchiver::archivedDataWithRootObject(Value(cls->make())));
}

INSTANTIATE_TEST_SUITE_P(Classes, MissingKeys,
    testing::Values("Control", "Button", "PopUpButton", "PopUpButtonCell", "Menu", "MenuItem", "TabView", "TabViewItem", "ScrollView",
        "Stepper", "StepperCell", "Slider", "SliderCell", "LevelIndicator", "LevelIndicatorCell"),
    [](const auto& info) { return std::string(info.param); });
