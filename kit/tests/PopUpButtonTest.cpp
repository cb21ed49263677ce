#include "kit/controls/PopUpButton.h"

#include "ControlsTestSupport.h"
#include "kit/controls/CellDrawing.h"
#include "kit/core/Binding.h"
#include "kit/core/KeyValueObserving.h"

#include <gtest/gtest.h>

namespace {

using namespace kit;
using namespace kit::test;

// Rectangles as text, so a failure shows them.
std::string rectText(Rect r)
{
    return QStringLiteral("(%1, %2, %3, %4)").arg(r.minX()).arg(r.minY()).arg(r.width()).arg(r.height()).toStdString();
}

class PopUp : public testing::Test {
protected:
    void SetUp() override
    {
        popUp = make<PopUpButton>(MakeRect(10, 10, 120, 26));
        popUp->addItemsWithTitles({ "One", "Two", "Three" });
        pullDown = make<PopUpButton>(MakeRect(10, 50, 120, 26), true);
        pullDown->addItemsWithTitles({ "Actions", "Copy", "Paste" });
        for (const Ref<PopUpButton>& b : { popUp, pullDown }) {
            b->setTarget(controlTarget.get());
            b->setAction("act");
            w.content->addSubview(b.get());
        }
        scope.setLog(&log);
    }
    const ScriptedMenuPresenter::Shown& clickOn(Point p)
    {
        w.script->click(p);
        w.script->run();
        EXPECT_FALSE(scope.presenter->sessions.empty());
        return scope.presenter->sessions.back();
    }
    ControlWindow w; // at (100, 100) on the screen
    MenuScope scope;
    QStringList log;
    Ref<RecordingTarget> controlTarget = make<RecordingTarget>();
    Ref<PopUpButton> popUp;
    Ref<PopUpButton> pullDown;
};

TEST_F(PopUp, TitleIsTheSelectedItemAndSetTitleSelectsOrAdds)
{
    EXPECT_EQ(popUp->indexOfSelectedItem(), 0);
    EXPECT_EQ(popUp->cell()->title(), "One");
    popUp->cell()->setTitle("Three");
    EXPECT_EQ(popUp->indexOfSelectedItem(), 2);
    popUp->cell()->setTitle("Multiple Values");
    EXPECT_EQ(popUp->numberOfItems(), 4);
    EXPECT_EQ(popUp->indexOfSelectedItem(), 3);
    EXPECT_EQ(popUp->titleOfSelectedItem(), "Multiple Values");
    popUp->selectItemAtIndex(-1);
    EXPECT_EQ(popUp->cell()->title(), "");
    EXPECT_FALSE(popUp->selectedItem());
}

TEST_F(PopUp, PullDownTitleIsItemZeroAndNeverListed)
{
    EXPECT_EQ(pullDown->indexOfSelectedItem(), -1);
    EXPECT_EQ(pullDown->cell()->title(), "Actions");
    pullDown->cell()->setTitle("Edit");
    EXPECT_EQ(pullDown->itemTitles(), (QStringList { "Edit", "Copy", "Paste" }));
    scope.presenter->choices = { 2 };
    w.script->click(MakePoint(50, 60));
    w.script->run();
    ASSERT_EQ(scope.presenter->sessions.size(), 1u);
    EXPECT_EQ(scope.presenter->sessions[0].titles, (QStringList { "Copy", "Paste" }));
    EXPECT_EQ(pullDown->indexOfSelectedItem(), 2);
    // A pull-down keeps its face and leaves the item states alone.
    EXPECT_EQ(pullDown->cell()->title(), "Edit");
    EXPECT_EQ(pullDown->itemAtIndex(2)->state(), OffState);
}

TEST_F(PopUp, RepresentedObjectsAreFoundByIdentity)
{
    auto a = make<Menu>("same");
    auto b = make<Menu>("same");
    popUp->itemAtIndex(1)->setRepresentedObject(a);
    popUp->itemAtIndex(2)->setRepresentedObject(b);
    EXPECT_EQ(popUp->indexOfItemWithRepresentedObject(b.get()), 2);
    EXPECT_EQ(popUp->indexOfItemWithRepresentedObject(a.get()), 1);
    EXPECT_EQ(popUp->indexOfItemWithRepresentedObject(make<Menu>("same").get()), -1);
    EXPECT_EQ(popUp->indexOfItemWithRepresentedObject(Value()), 0);
    popUp->itemAtIndex(0)->setRepresentedObject(Value(QStringLiteral("de")));
    EXPECT_EQ(popUp->indexOfItemWithRepresentedObject(Value(QStringLiteral("de"))), 0);
}

TEST_F(PopUp, SelectionMovesTheCheckMarkUnlessToldNot)
{
    popUp->selectItemAtIndex(1);
    EXPECT_EQ(popUp->itemAtIndex(0)->state(), OffState);
    EXPECT_EQ(popUp->itemAtIndex(1)->state(), OnState);
    popUp->popUpCell()->setAltersStateOfSelectedItem(false);
    popUp->selectItemAtIndex(2);
    EXPECT_EQ(popUp->itemAtIndex(1)->state(), OnState);
    EXPECT_EQ(popUp->itemAtIndex(2)->state(), OffState);
}

struct ChoiceCase {
    const char* name;
    bool itemHasAction;
    std::int64_t choice; // -1 cancels
    int controlActions;
    int itemActions;
};

class PopUpChoices : public PopUp, public testing::WithParamInterface<ChoiceCase> { };

TEST_P(PopUpChoices, SendOneActionFromTheRightSender)
{
    const ChoiceCase& c = GetParam();
    auto itemTarget = make<RecordingTarget>(QStringList { "itemAct" });
    if (c.itemHasAction) {
        popUp->itemAtIndex(2)->setAction("itemAct");
        popUp->itemAtIndex(2)->setTarget(itemTarget.get());
    }
    // The control's target sees the new selection when the action arrives.
    std::int64_t selectedAtAction = -2;
    controlTarget->onAction = [&] { selectedAtAction = popUp->indexOfSelectedItem(); };
    scope.presenter->onPresent = [&] { EXPECT_TRUE(popUp->cell()->isHighlighted()); };
    if (c.choice >= 0)
        scope.presenter->choices = { c.choice };
    w.script->mouseDown(MakePoint(50, 20));
    w.script->run();
    log << "returned";
    EXPECT_EQ(int(controlTarget->calls.size()), c.controlActions) << c.name;
    EXPECT_EQ(int(itemTarget->calls.size()), c.itemActions) << c.name;
    if (c.controlActions) {
        EXPECT_EQ(controlTarget->calls[0].sender, popUp.get());
        EXPECT_EQ(selectedAtAction, c.choice);
    }
    if (c.itemActions) {
        EXPECT_EQ(itemTarget->calls[0].sender, popUp->itemAtIndex(2).get());
    }
    EXPECT_EQ(popUp->indexOfSelectedItem(), c.choice >= 0 ? c.choice : 0);
    // The session is over, highlight gone, before mouseDown returns.
    EXPECT_EQ(log, (QStringList { "begin", "present", "end", "returned" }));
    EXPECT_FALSE(popUp->cell()->isHighlighted());
    ASSERT_EQ(scope.presenter->sessions.size(), 1u);
    EXPECT_EQ(scope.presenter->sessions[0].positioned, "One");
}

INSTANTIATE_TEST_SUITE_P(Dispatch, PopUpChoices,
    testing::Values(ChoiceCase { "plain item", false, 1, 1, 0 }, ChoiceCase { "item with its own action", true, 2, 0, 1 },
        ChoiceCase { "cancel", true, -1, 0, 0 }));

// Items without an action of their own act through the cell, so they are offered enabled; an item
// with its own action still validates against its target.
TEST_F(PopUp, PlainItemsAreEnabledAndOwnActionsValidate)
{
    auto deaf = make<RecordingTarget>(QStringList {});
    popUp->itemAtIndex(2)->setAction("itemAct");
    popUp->itemAtIndex(2)->setTarget(deaf.get());
    EXPECT_EQ(clickOn(MakePoint(50, 20)).enabled, (std::vector<bool> { true, true, false }));
    EXPECT_EQ(clickOn(MakePoint(50, 60)).enabled, (std::vector<bool> { true, true }));
    // Items made from bound content and a menu set later are the cell's too.
    popUp->setValueForKey(Value(Array { Value("First"), Value("Second") }), "contentValues");
    EXPECT_EQ(clickOn(MakePoint(50, 20)).enabled, (std::vector<bool> { true, true }));
    auto menu = make<Menu>();
    menu->addItemWithTitleActionKeyEquivalent("Alone", {}, {});
    popUp->setMenu(menu);
    scope.presenter->choices = { 0 };
    EXPECT_EQ(clickOn(MakePoint(50, 20)).enabled, (std::vector<bool> { true }));
    EXPECT_EQ(controlTarget->calls.size(), 1u);
    // A menu handed to another owner no longer counts as this cell's.
    popUp->setMenu(make<Menu>());
    menu->update();
    EXPECT_FALSE(menu->itemAtIndex(0)->isEnabled());
}

// Copies of a template cell (made for measuring, say) select on their own.
TEST_F(PopUp, ACopySelectsWithoutTouchingTheOriginal)
{
    const Ref<PopUpButtonCell> original = popUp->popUpCell();
    auto sub = make<Menu>("Sub");
    sub->addItemWithTitleActionKeyEquivalent("Deep", {}, {});
    original->itemAtIndex(1)->setSubmenu(sub);
    const auto copy = static_pointer_cast<PopUpButtonCell>(original->copy());
    EXPECT_EQ(copy->itemTitles(), original->itemTitles());
    EXPECT_EQ(copy->indexOfSelectedItem(), 0);
    copy->selectItemAtIndex(2);
    copy->itemAtIndex(0)->setTitle("Renamed");
    EXPECT_EQ(original->indexOfSelectedItem(), 0);
    EXPECT_EQ(original->itemAtIndex(0)->state(), OnState);
    EXPECT_EQ(original->itemAtIndex(2)->state(), OffState);
    EXPECT_EQ(original->itemAtIndex(0)->title(), "One");
    EXPECT_EQ(copy->itemAtIndex(2)->state(), OnState);
    // The submenu is the original's still, and the copy's has the copy's item above it.
    EXPECT_EQ(sub->supermenu(), original->menu());
    ASSERT_TRUE(copy->itemAtIndex(1)->submenu());
    EXPECT_NE(copy->itemAtIndex(1)->submenu(), sub);
    EXPECT_EQ(copy->itemAtIndex(1)->submenu()->supermenu(), copy->menu());
    EXPECT_EQ(copy->itemAtIndex(1)->submenu()->itemAtIndex(0)->title(), "Deep");
    // The copy's plain items are the copy's to act on.
    copy->menu()->update();
    EXPECT_TRUE(copy->itemAtIndex(0)->isEnabled());
}

TEST_F(PopUp, SizeToFitHoldsTheWidestItem)
{
    popUp->addItemWithTitle("A considerably longer title");
    popUp->sizeToFit();
    const Rect title = popUp->cell()->titleRectForBounds(popUp->bounds());
    EXPECT_GE(title.width(), TextSize("A considerably longer title", popUp->font()).width);
}

TEST_F(PopUp, DisabledIgnoresTheClick)
{
    popUp->setEnabled(false);
    w.script->click(MakePoint(50, 20));
    w.script->run();
    EXPECT_TRUE(scope.presenter->sessions.empty());
}

TEST_F(PopUp, RendersBothKinds)
{
    const QImage shot = w.window->snapshot();
    const QImage face = shot.copy(QRect(10, int(shot.height() - 36), 120, 26));
    const QImage pull = shot.copy(QRect(10, int(shot.height() - 76), 120, 26));
    EXPECT_NE(face, pull);
    EXPECT_NE(face.pixel(60, 13), face.pixel(0, 0));
}

TEST_F(PopUp, ATitleTooWideEndsInAnEllipsisInsteadOfBeingCut)
{
    auto narrow = make<PopUpButton>(MakeRect(10, 100, 70, 16));
    narrow->popUpCell()->setBordered(false);
    narrow->addItemsWithTitles({ "Manufacturer of the font:" });
    w.content->addSubview(narrow.get());
    EXPECT_EQ(narrow->popUpCell()->lineBreakMode(), LineBreakByTruncatingTail);
    const QImage truncated = w.window->snapshot();
    narrow->popUpCell()->setLineBreakMode(LineBreakByClipping);
    narrow->setNeedsDisplay(true);
    const QImage clipped = w.window->snapshot();
    EXPECT_NE(truncated, clipped);
}

} // namespace

// A model for the bindings: a list and an index, both observable.
class ChoiceModel : public kit::Object {
    KIT_CLASS(ChoiceModel)
public:
    kit::Array items() const { return items_; }
    void setItems(const kit::Array& items) { setValueNotifying("items", items_, items); }
    std::int64_t index() const { return index_; }
    void setIndex(std::int64_t index) { setValueNotifying("index", index_, index); }

private:
    kit::Array items_;
    std::int64_t index_ = 0;
};

KIT_REGISTER_CLASS(ChoiceModel, kit::Object)
{
    c.property("items", &ChoiceModel::items, &ChoiceModel::setItems);
    c.property("index", &ChoiceModel::index, &ChoiceModel::setIndex);
}

namespace {

TEST_F(PopUp, BindingsFollowTheModelBothWays)
{
    auto model = make<ChoiceModel>();
    model->setItems(Array { Value("de"), Value("fr"), Value("it") });
    model->setIndex(2);
    popUp->bindToObjectWithKeyPathOptions(ContentBinding, model.get(), "items", {});
    popUp->bindToObjectWithKeyPathOptions(SelectedIndexBinding, model.get(), "index", {});
    EXPECT_EQ(popUp->itemTitles(), (QStringList { "de", "fr", "it" }));
    EXPECT_EQ(popUp->indexOfSelectedItem(), 2);
    EXPECT_EQ(popUp->indexOfItemWithRepresentedObject(Value("fr")), 1);

    model->setIndex(NotFound);
    EXPECT_EQ(popUp->indexOfSelectedItem(), -1);
    model->setIndex(0);

    // The user's choice goes back to the model.
    scope.presenter->choices = { 1 };
    w.script->click(MakePoint(50, 20));
    w.script->run();
    EXPECT_EQ(model->index(), 1);

    // New content rebuilds the items and keeps the index.
    model->setItems(Array { Value("en"), Value("es"), Value("pt"), Value("nl") });
    EXPECT_EQ(popUp->itemTitles(), (QStringList { "en", "es", "pt", "nl" }));
    EXPECT_EQ(popUp->indexOfSelectedItem(), 1);
    popUp->unbind(ContentBinding);
    popUp->unbind(SelectedIndexBinding);
    EXPECT_EQ(kit::debug::observationCount(model.get()), 0);
}

TEST_F(PopUp, ContentValuesTitleAndContentObjectsRepresent)
{
    auto first = make<Menu>("one");
    auto second = make<Menu>("two");
    popUp->setValueForKey(Value(Array { Value(first), Value(second) }), "content");
    popUp->setValueForKey(Value(Array { Value("First"), Value("Second") }), "contentValues");
    EXPECT_EQ(popUp->itemTitles(), (QStringList { "First", "Second" }));
    EXPECT_EQ(popUp->indexOfItemWithRepresentedObject(Value(second)), 1);
    popUp->setValueForKey(Value(Array { Value(7), Value(8) }), "contentObjects");
    EXPECT_EQ(popUp->indexOfItemWithRepresentedObject(Value(8)), 1);
    // A placeholder title for several values is added and selected.
    popUp->setValueForKey(Value("Multiple Values"), "selectedIndex");
    EXPECT_EQ(popUp->titleOfSelectedItem(), "Multiple Values");
}

// A session hands the presenter the control in screen coordinates; the scripted presenter places
// its 20-point items with the same function the QMenu presenter uses.
TEST_F(PopUp, PullDownOpensOnItsPreferredEdge)
{
    const auto& below = clickOn(MakePoint(50, 60));
    EXPECT_EQ(rectText(below.screenRect), rectText(MakeRect(110, 150, 120, 26)));
    EXPECT_EQ(rectText(below.frame), rectText(MakeRect(110, 110, 120, 40)));
    pullDown->setPreferredEdge(MaxXEdge);
    EXPECT_EQ(rectText(clickOn(MakePoint(50, 60)).frame), rectText(MakeRect(230, 136, 120, 40)));
    pullDown->setPreferredEdge(MinYEdge);
    EXPECT_EQ(rectText(clickOn(MakePoint(50, 60)).frame), rectText(MakeRect(110, 176, 120, 40)));
}

TEST_F(PopUp, PopUpPutsTheSelectedItemOverTheButton)
{
    const auto& first = clickOn(MakePoint(50, 20));
    EXPECT_EQ(rectText(first.screenRect), rectText(MakeRect(110, 110, 120, 26)));
    EXPECT_EQ(first.positioned, "One");
    EXPECT_EQ(rectText(first.frame), rectText(MakeRect(110, 73, 120, 60)));
    popUp->selectItemAtIndex(2);
    const auto& third = clickOn(MakePoint(50, 20));
    EXPECT_EQ(third.positioned, "Three");
    // The third item's middle (40 + 10 below the top) is level with the button's middle (123).
    EXPECT_EQ(rectText(third.frame), rectText(MakeRect(110, 113, 120, 60)));
}

} // namespace
