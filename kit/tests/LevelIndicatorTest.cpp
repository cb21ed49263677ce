#include "kit/controls/LevelIndicator.h"

#include "ControlsTestSupport.h"
#include "kit/appkit/KeyCodes.h"

#include <gtest/gtest.h>

namespace {

using namespace kit;
using namespace kit::test;

struct StarCase {
    double x; // in the frame's coordinates
    double expected;
};

class RatingStars : public testing::TestWithParam<StarCase> { };

TEST_P(RatingStars, TheStarUnderThePointer)
{
    auto cell = make<LevelIndicatorCell>();
    const Rect frame = MakeRect(10, 0, 80, 16);
    EXPECT_EQ(cell->valueAtPoint(MakePoint(10 + GetParam().x, 8), frame), GetParam().expected) << "x " << GetParam().x;
}

INSTANTIATE_TEST_SUITE_P(PerStar, RatingStars,
    testing::Values(StarCase { -2, 0 }, StarCase { 0, 1 }, StarCase { 15.9, 1 }, StarCase { 16, 2 }, StarCase { 64, 5 }, StarCase { 79, 5 },
        StarCase { 200, 5 }));

// An upper end below the lower one counts as the lower, wherever the pointer is.
TEST(RatingRange, AnUpperEndBelowTheLowerGivesTheLowerEverywhere)
{
    auto cell = make<LevelIndicatorCell>();
    cell->setMinValue(3);
    cell->setMaxValue(1);
    const Rect frame = MakeRect(10, 0, 80, 16);
    for (const double x : { -2.0, 0.0, 20.0, 79.0, 200.0 })
        EXPECT_EQ(cell->valueAtPoint(MakePoint(10 + x, 8), frame), 3) << "x " << x;
}

class Rating : public testing::Test {
protected:
    void SetUp() override
    {
        rating = make<LevelIndicator>(MakeRect(10, 10, 80, 16));
        rating->cell()->setEditable(true);
        rating->setTarget(target.get());
        rating->setAction("act");
        w.content->addSubview(rating.get());
    }
    ControlWindow w;
    Ref<RecordingTarget> target = make<RecordingTarget>();
    Ref<LevelIndicator> rating;
    std::vector<int> seen;
};

TEST_F(Rating, DraggingSetsTheValueLiveAndTheReleaseSendsOnce)
{
    target->onAction = [this] { seen.push_back(rating->intValue()); };
    w.script->mouseDown(MakePoint(20, 18)).wait(0.1).mouseDragged(MakePoint(60, 18)).wait(0.1).mouseDragged(MakePoint(5, 18));
    w.script->wait(0.1).mouseDragged(MakePoint(45, 18)).wait(0.1).mouseUp(MakePoint(45, 18));
    w.script->run();
    EXPECT_EQ(rating->intValue(), 3);
    EXPECT_EQ(seen, (std::vector<int> { 3 }));
}

TEST_F(Rating, InertWhenNotEditable)
{
    rating->cell()->setEditable(false);
    w.script->click(MakePoint(60, 18));
    w.script->run();
    ASSERT_TRUE(w.window->makeFirstResponder(rating.get()));
    w.script->key(KeyCodeRightArrow);
    w.script->run();
    EXPECT_EQ(rating->intValue(), 0);
    EXPECT_TRUE(target->calls.empty());
}

TEST_F(Rating, ArrowKeysStepWithAnActionAndValuesClamp)
{
    ASSERT_TRUE(w.window->makeFirstResponder(rating.get()));
    w.script->key(KeyCodeRightArrow).key(KeyCodeRightArrow).key(KeyCodeLeftArrow);
    w.script->run();
    EXPECT_EQ(rating->intValue(), 1);
    EXPECT_EQ(target->calls.size(), 3u);
    rating->setIntValue(9);
    EXPECT_EQ(rating->unsignedIntValue(), 5u);
    rating->setIntValue(-3);
    EXPECT_EQ(rating->unsignedIntValue(), 0u);
}

} // namespace
