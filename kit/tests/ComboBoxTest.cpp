#include "kit/appkit/KeyCodes.h"
#include "kit/controls/ComboBox.h"
#include "kit/core/Exception.h"
#include "kit/core/NotificationCenter.h"
#include "kit/foundation/KeyedArchiver.h"
#include "kit/foundation/KeyedUnarchiver.h"
#include "kit/testsupport/EventScript.h"
#include "kit/testsupport/RuntimeRecorders.h"
#include "kit/testsupport/ScriptedMenuPresenter.h"
#include "kit/text/LayoutManager.h"
#include "kit/text/TextContainer.h"
#include "kit/text/TextStorage.h"
#include "kit/text/TextView.h"
#include "kit/tests/ControlsTestSupport.h"

#include <gtest/gtest.h>

namespace {

using namespace kit;
using namespace kit::test;

const QStringList comboSubjects { "Bug report", "Feature request", "Question", "Praise", "Other" };

class ComboBoxTest : public testing::Test {
protected:
    void SetUp() override
    {
        w.emplace(Size { 320, 120 });
        box = make<ComboBox>(MakeRect(20, 50, 220, 26));
        for (const QString& s : comboSubjects)
            box->addItemWithObjectValue(Value(s));
        box->setTarget(target.get());
        box->setAction(Selector("act"));
        w->content->addSubview(box.get());
    }
    void TearDown() override { w.reset(); }
    Point arrowPoint() const
    {
        const Rect arrow = box->convertRectToView(box->comboCellForTest()->arrowRectForBounds(box->bounds()), nullptr);
        return MakePoint(arrow.midX(), arrow.midY());
    }

    std::optional<ControlWindow> w;
    Ref<ComboBox> box;
    Ref<RecordingTarget> target = make<RecordingTarget>();
};

TEST_F(ComboBoxTest, SelectingAnItemSetsTheTextAndPostsOnce)
{
    NotificationRecorder posted(ComboBoxSelectionDidChangeNotification, box.get());
    EXPECT_EQ(box->indexOfSelectedItem(), -1);
    box->selectItemAtIndex(2);
    EXPECT_EQ(box->stringValue(), QStringLiteral("Question"));
    EXPECT_EQ(box->indexOfSelectedItem(), 2);
    EXPECT_EQ(box->objectValueOfSelectedItem().string(), QStringLiteral("Question"));
    EXPECT_EQ(posted.notifications.size(), 1u);
    EXPECT_TRUE(target->calls.empty()) << "selecting by program sends no action";
}

TEST_F(ComboBoxTest, AnIndexOutsideTheItemsRaisesRangeException)
{
    for (const std::int64_t bad : { std::int64_t(-1), std::int64_t(5), std::int64_t(100) }) {
        try {
            box->selectItemAtIndex(bad);
            ADD_FAILURE() << "no exception for " << bad;
        } catch (const Exception& e) {
            EXPECT_EQ(e.name(), RangeException);
        }
    }
    EXPECT_EQ(box->indexOfSelectedItem(), -1);
}

TEST_F(ComboBoxTest, TypedTextThatDiffersLeavesNoItemSelected)
{
    box->selectItemAtIndex(0);
    ASSERT_TRUE(w->window->makeFirstResponder(box.get()));
    w->script->type("Something else");
    w->script->run();
    EXPECT_EQ(box->indexOfSelectedItem(), -1);
    EXPECT_EQ(box->stringValue(), QStringLiteral("Something else"));
    // Selecting again while editing replaces the edit.
    box->selectItemAtIndex(4);
    EXPECT_EQ(box->stringValue(), QStringLiteral("Other"));
    EXPECT_EQ(box->indexOfSelectedItem(), 4);
}

TEST_F(ComboBoxTest, ChoosingFromTheListSelectsAndActsOnce)
{
    MenuScope menus;
    box->selectItemAtIndex(1);
    menus.presenter->choices.push_back(3);
    w->script->click(arrowPoint());
    w->script->run();
    ASSERT_EQ(menus.presenter->sessions.size(), 1u);
    EXPECT_EQ(menus.presenter->sessions[0].titles, comboSubjects);
    EXPECT_EQ(menus.presenter->sessions[0].positioned, QStringLiteral("Feature request"));
    EXPECT_EQ(box->indexOfSelectedItem(), 3);
    EXPECT_EQ(box->stringValue(), QStringLiteral("Praise"));
    ASSERT_EQ(target->calls.size(), 1u);
    EXPECT_EQ(target->calls[0].sender, box.get());
}

TEST_F(ComboBoxTest, DownWhileEditingOpensTheListAndChoosingActsOnce)
{
    MenuScope menus;
    box->selectItemAtIndex(2);
    ASSERT_TRUE(w->window->makeFirstResponder(box.get()));
    menus.presenter->choices.push_back(0);
    w->script->key(KeyCodeDownArrow);
    w->script->run();
    ASSERT_EQ(menus.presenter->sessions.size(), 1u);
    EXPECT_EQ(menus.presenter->sessions[0].titles, comboSubjects);
    EXPECT_EQ(menus.presenter->sessions[0].positioned, QStringLiteral("Question"));
    EXPECT_EQ(box->indexOfSelectedItem(), 0);
    EXPECT_EQ(box->stringValue(), QStringLiteral("Bug report"));
    EXPECT_EQ(target->calls.size(), 1u);
    // Without items, Down is the editor's own again: no list.
    box->removeAllItems();
    ASSERT_TRUE(w->window->makeFirstResponder(box.get()));
    w->script->key(KeyCodeDownArrow);
    w->script->run();
    EXPECT_EQ(menus.presenter->sessions.size(), 1u);
}

TEST_F(ComboBoxTest, CancellingTheListChangesNothing)
{
    MenuScope menus;
    box->selectItemAtIndex(1);
    w->script->click(arrowPoint());
    w->script->run();
    EXPECT_EQ(menus.presenter->sessions.size(), 1u);
    EXPECT_EQ(box->indexOfSelectedItem(), 1);
    EXPECT_TRUE(target->calls.empty());
}

TEST_F(ComboBoxTest, TheItemsSurviveAnArchive)
{
    const QByteArray data = KeyedArchiver::archivedDataWithRootObject(Value(box));
    const auto back = KeyedUnarchiver::unarchiveObjectWithData(data).objectAs<ComboBox>();
    ASSERT_TRUE(back);
    ASSERT_EQ(back->numberOfItems(), 5);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(back->itemObjectValueAtIndex(i).string(), comboSubjects[i]);
}

TEST_F(ComboBoxTest, TheTextDoesNotMoveWhenEditingStarts)
{
    box->selectItemAtIndex(0);
    const QImage drawn = w->window->snapshot();
    ASSERT_TRUE(w->window->makeFirstResponder(box.get()));
    dynamic_pointer_cast<TextView>(w->window->fieldEditorForObject(false, nullptr))->setSelectedRange({ 0, 0 });
    const QImage edited = w->window->snapshot();
    const Rect title = box->convertRectToView(box->cell()->titleRectForBounds(box->bounds()), nullptr);
    EXPECT_EQ(differingTextPixels(drawn, edited, title), 0);
}

} // namespace
