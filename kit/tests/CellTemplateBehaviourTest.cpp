// Cells used as templates by a view that is not their control: the view copies a prepared cell,
// draws it itself and forwards clicks and pointer entry to the copy. Clicks go from the copy to
// its target; hover follows entered/exited calls alone.

#include "kit/controls/PopUpButton.h"

#include "ControlsTestSupport.h"

#include <gtest/gtest.h>

namespace {

using namespace kit;
using namespace kit::test;

// Draws one copied cell in its bounds and hands it pointer entry and exit.
class CellTemplateHost : public View {
    KIT_CLASS(CellTemplateHost)
public:
    CellTemplateHost() = default;
    explicit CellTemplateHost(Rect frame)
        : View(frame)
    { }
    Ref<Cell> cell;
    void drawRect(Rect) override
    {
        if (cell)
            cell->drawWithFrameInView(bounds(), this);
    }
    void updateTrackingAreas() override
    {
        for (const auto& area : std::vector<Ref<TrackingArea>>(trackingAreas()))
            removeTrackingArea(area.get());
        addTrackingArea(make<TrackingArea>(bounds(), TrackingMouseEnteredAndExited | TrackingActiveInActiveApp, this).get());
    }
    void mouseEntered(const Event& e) override
    {
        cell->mouseEntered(e);
        setNeedsDisplay(true);
    }
    void mouseExited(const Event& e) override
    {
        cell->mouseExited(e);
        setNeedsDisplay(true);
    }
};

KIT_REGISTER_CLASS(CellTemplateHost, View) { }

struct TemplateClickCase {
    const char* name;
    bool pullsDown;
    std::int64_t choice;
};

class PopUpTemplateClick : public testing::TestWithParam<TemplateClickCase> { };

TEST_P(PopUpTemplateClick, ActionGoesFromTheCopyToItsTargetAndTheChoiceIsSelected)
{
    const auto& c = GetParam();
    ControlWindow w;
    MenuScope scope;
    // The template belongs to a control; the view clicks a copy of it.
    auto control = make<PopUpButton>(MakeRect(10, 10, 120, 26), c.pullsDown);
    control->addItemsWithTitles({ "Title", "Two", "Three" });
    w.content->addSubview(control.get());
    auto host = make<CellTemplateHost>(MakeRect(10, 60, 120, 26));
    w.content->addSubview(host.get());

    auto copy = dynamic_pointer_cast<PopUpButtonCell>(control->cell()->copy());
    ASSERT_TRUE(copy);
    copy->setAltersStateOfSelectedItem(false);
    auto target = make<RecordingTarget>();
    copy->setTarget(target.get());
    copy->setAction("act");
    auto controlTarget = make<RecordingTarget>();
    control->setTarget(controlTarget.get());
    control->setAction("act");

    const std::int64_t selectedBefore = control->indexOfSelectedItem();
    scope.presenter->choices.push_back(c.choice);
    copy->performClickWithFrameInView(host->bounds(), host.get());

    ASSERT_EQ(target->calls.size(), 1u) << c.name;
    EXPECT_EQ(target->calls[0].sender, copy.get()) << c.name;
    EXPECT_TRUE(controlTarget->calls.empty()) << c.name;
    ASSERT_TRUE(copy->selectedItem()) << c.name;
    EXPECT_EQ(copy->selectedItem()->title(), copy->itemTitleAtIndex(c.choice)) << c.name;
    EXPECT_EQ(copy->selectedItem()->state(), OffState) << c.name;
    // The template keeps its own selection.
    EXPECT_EQ(control->indexOfSelectedItem(), selectedBefore) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Cells, PopUpTemplateClick,
    testing::Values(TemplateClickCase { "pop-up", false, 2 }, TemplateClickCase { "pull-down", true, 1 }),
    [](const auto& info) { return info.param.pullsDown ? std::string("PullDown") : std::string("PopUp"); });

TEST(CellTemplateHover, BorderFollowsEnteredAndExitedFromTheDrawingView)
{
    ControlWindow w;
    auto host = make<CellTemplateHost>(MakeRect(20, 20, 100, 30));
    auto cell = make<ButtonCell>(QStringLiteral("All"));
    cell->setBezelStyle(RecessedBezelStyle);
    cell->setButtonType(PushOnPushOffButton);
    cell->setShowsBorderOnlyWhileMouseInside(true);
    host->cell = cell;
    w.content->addSubview(host.get());

    w.script->mouseMoved(MakePoint(300, 190));
    w.script->run();
    w.window->display();
    const QImage outside = w.window->snapshot();
    EXPECT_FALSE(cell->isMouseInside());

    w.script->mouseMoved(MakePoint(70, 35));
    w.script->run();
    EXPECT_TRUE(cell->isMouseInside());
    w.window->display();
    EXPECT_NE(w.window->snapshot(), outside) << "no border drawn while the pointer is inside";

    w.script->mouseMoved(MakePoint(300, 190));
    w.script->run();
    EXPECT_FALSE(cell->isMouseInside());
    w.window->display();
    EXPECT_EQ(w.window->snapshot(), outside);
}

} // namespace

namespace {

// A pop-up that shows a face item of its own (not one from its menu) is sized for that face.
TEST(CellTemplateFace, OwnFaceItemIsMeasured)
{
    auto cell = make<PopUpButtonCell>(QString(), false);
    cell->setUsesItemFromMenu(false);
    const double empty = cell->cellSize().width;
    auto face = make<MenuItem>(QStringLiteral("A rather long face title"), Selector(), QString());
    cell->setMenuItem(face);
    EXPECT_GT(cell->cellSize().width, empty + 50);
    EXPECT_EQ(cell->title(), QStringLiteral("A rather long face title"));
}

} // namespace

namespace {

// A cell owning a tracking rectangle hears the pointer itself.
TEST(CellTrackingTarget, CellOwnsATrackingRectangle)
{
    ControlWindow w;
    auto host = make<CellTemplateHost>(MakeRect(20, 20, 100, 30));
    w.content->addSubview(host.get());
    auto cell = make<ButtonCell>(QStringLiteral("Hover"));
    cell->setShowsBorderOnlyWhileMouseInside(true);
    w.script->mouseMoved(MakePoint(250, 150));
    w.script->run();
    const std::int64_t tag = w.content->addTrackingRectOwnerUserDataAssumeInside(MakeRect(150, 20, 60, 30), cell.get(), nullptr, false);
    EXPECT_NE(tag, 0);
    w.script->mouseMoved(MakePoint(170, 30));
    w.script->run();
    EXPECT_TRUE(cell->isMouseInside());
    w.script->mouseMoved(MakePoint(250, 150));
    w.script->run();
    EXPECT_FALSE(cell->isMouseInside());
    w.content->removeTrackingRect(tag);
}

} // namespace
