#include "QVTabBarView/QVMetalTabStyle.h"
#include "QVTabBarView/QVProgressIndicator.h"
#include "QVTabBarView/tests/QVTabBarTestSupport.h"
#include "kit/appkit/Window.h"
#include "kit/core/KeyValueObserving.h"
#include "kit/core/ValueTransformer.h"
#include "kit/foundation/RunLoop.h"
#include "kit/testsupport/EventScript.h"
#include "kit/testsupport/ManualClockScope.h"

#include <gtest/gtest.h>

namespace {

class QVCountModel : public kit::Object {
public:
    kit::Value count = kit::Value(std::int64_t(0));
    kit::Value valueForUndefinedKey(const QString& key) const override
    {
        return key == QLatin1String("count") || key == QLatin1String("other") ? count : kit::Object::valueForUndefinedKey(key);
    }
    void setCount(const kit::Value& v)
    {
        willChangeValueForKey(QStringLiteral("count"));
        count = v;
        didChangeValueForKey(QStringLiteral("count"));
    }
};

struct QVCountCase {
    const char* name;
    kit::Value value;
    kit::Value conditionallyHides; // nil: option absent
    std::int64_t count;
    bool shown;
};

class QVObjectCountBinding : public testing::TestWithParam<QVCountCase> { };

TEST_P(QVObjectCountBinding, SetsTheCountAndItsVisibility)
{
    const QVCountCase& c = GetParam();
    auto button = kit::make<QVTabBarButton>(kit::MakeRect(0, 0, 120, 22));
    auto model = kit::make<QVCountModel>();
    model->count = c.value;
    kit::Dictionary options;
    if (!c.conditionallyHides.isNil())
        options.setObjectForKey(c.conditionallyHides, kit::Value(kit::ConditionallySetsHiddenBindingOption));
    button->setShowObjectCount(true);
    button->bindToObjectWithKeyPathOptions(QStringLiteral("objectCount"), model.get(), QStringLiteral("count"), options);
    EXPECT_EQ(button->objectCount(), c.count) << c.name;
    EXPECT_EQ(button->showObjectCount(), c.shown) << c.name;
    button->unbind(QStringLiteral("objectCount"));
    EXPECT_EQ(kit::debug::observationCount(model.get()), 0);
}

INSTANTIATE_TEST_SUITE_P(Table, QVObjectCountBinding,
    testing::Values(QVCountCase { "zero hides", kit::Value(std::int64_t(0)), kit::Value(true), 0, false },
        QVCountCase { "five shows", kit::Value(std::int64_t(5)), kit::Value(true), 5, true },
        QVCountCase { "no option shows", kit::Value(std::int64_t(0)), kit::Value(), 0, true },
        QVCountCase { "option NO leaves it", kit::Value(std::int64_t(0)), kit::Value(false), 0, true },
        QVCountCase { "no selection is neutral", kit::NoSelectionMarker, kit::Value(true), 0, false },
        QVCountCase { "a string is neutral", kit::Value(QStringLiteral("7")), kit::Value(true), 0, false }));

TEST(QVTabBarButtonBindings, FollowChangesAndAnswerTheirInfo)
{
    auto button = kit::make<QVTabBarButton>(kit::MakeRect(0, 0, 120, 22));
    auto model = kit::make<QVCountModel>();
    model->count = kit::Value(std::int64_t(3));
    EXPECT_EQ(button->infoForBinding(QStringLiteral("objectCount")).dictionary().count(), 0);
    button->bindToObjectWithKeyPathOptions(QStringLiteral("objectCount"), model.get(), QStringLiteral("count"), {});
    const kit::Dictionary info = button->infoForBinding(QStringLiteral("objectCount")).dictionary();
    EXPECT_EQ(info.objectForKey(kit::Value(kit::ObservedObjectKey)).object().get(), model.get());
    EXPECT_EQ(info.objectForKey(kit::Value(kit::ObservedKeyPathKey)).stringValue(), QStringLiteral("count"));
    EXPECT_FALSE(info.containsKey(kit::Value(kit::OptionsKey)));
    model->setCount(kit::Value(std::int64_t(9)));
    EXPECT_EQ(button->objectCount(), 9);
    // Two bindings on one key path: the first in the fixed order handles the change.
    button->bindToObjectWithKeyPathOptions(QStringLiteral("isEdited"), model.get(), QStringLiteral("count"), {});
    model->setCount(kit::Value(std::int64_t(4)));
    EXPECT_EQ(button->objectCount(), 4);
    button->unbind(QStringLiteral("objectCount"));
    button->unbind(QStringLiteral("isEdited"));
    EXPECT_EQ(kit::debug::observationCount(model.get()), 0);
}

class QVNegate : public kit::ValueTransformer {
public:
    kit::Value transformedValue(const kit::Value& value) const override { return kit::Value(-value.integerValue()); }
};

TEST(QVTabBarButtonBindings, TransformANumberByNameBeforeTheObject)
{
    kit::ValueTransformer::setValueTransformerForName(kit::make<QVNegate>(), QStringLiteral("QVNegate"));
    auto button = kit::make<QVTabBarButton>(kit::MakeRect(0, 0, 120, 22));
    auto model = kit::make<QVCountModel>();
    model->count = kit::Value(std::int64_t(2));
    button->bindToObjectWithKeyPathOptions(QStringLiteral("objectCount"), model.get(), QStringLiteral("count"),
        kit::Dictionary { { kit::Value(kit::ValueTransformerNameBindingOption), kit::Value(QStringLiteral("QVNegate")) } });
    EXPECT_EQ(button->objectCount(), -2);
    button->unbind(QStringLiteral("objectCount"));
}

TEST(QVTabBarButtonCellParts, AFreshCellGivesTheTitleTheDrawingWidthLessTheCloseButton)
{
    auto button = kit::make<QVTabBarButton>(kit::MakeRect(0, 0, 120, 22));
    button->setTitle(QStringLiteral("Title"));
    QVTabBarButtonCell* cell = button->tabCell();
    const kit::Rect bounds = kit::MakeRect(0, 0, 120, 22);
    EXPECT_EQ(cell->drawingRectForBounds(bounds), kit::MakeRect(6, 3, 108, 16));
    EXPECT_EQ(cell->closeButtonRectForBounds(bounds), kit::MakeRect(6, 3, 12, 16));
    const kit::Rect title = cell->titleRectForBounds(bounds);
    EXPECT_EQ(title.origin.x, 22);
    EXPECT_EQ(title.size.width, 92);
    button->setSuppressCloseButton(true);
    EXPECT_EQ(cell->closeButtonRectForBounds(bounds), kit::ZeroRect);
    EXPECT_EQ(cell->titleRectForBounds(bounds).origin.x, 6);
    EXPECT_TRUE(button->closeButton()->isHidden());
    button->setTitle(QString());
    EXPECT_EQ(cell->titleRectForBounds(bounds), kit::ZeroRect);
}

TEST(QVTabBarButtonCellParts, CounterAndIndicatorStandAtTheRightEnd)
{
    auto button = kit::make<QVTabBarButton>(kit::MakeRect(0, 0, 160, 22));
    QVTabBarButtonCell* cell = button->tabCell();
    const kit::Rect bounds = kit::MakeRect(0, 0, 160, 22);
    button->setShowObjectCount(true);
    button->setObjectCount(7);
    EXPECT_EQ(cell->objectCounterSize(), kit::MakeSize(20, 14));
    EXPECT_EQ(cell->objectCounterRectForBounds(bounds), kit::MakeRect(134, 4, 20, 14));
    button->setIsProcessing(true);
    EXPECT_EQ(cell->indicatorRectForBounds(bounds), kit::MakeRect(138, 3, 16, 16));
    EXPECT_EQ(cell->objectCounterRectForBounds(bounds), kit::MakeRect(114, 4, 20, 14));
    // A negative count is written signed.
    button->setObjectCount(-3);
    EXPECT_EQ(cell->attributedObjectCountStringValue().string(), QStringLiteral("-3"));
}

TEST(QVTabBarButtonCellParts, AStyleMovingTheTitleMovesOnlyTheTitle)
{
    QVBarFixture f(kit::MakeRect(0, 0, 600, 22), 2);
    f.style->movedTitle = true;
    f.item(0)->setValueForKey(kit::Value(true), QStringLiteral("hasCloseButton"));
    auto button = f.bar->orderedAttachedButtons().front();
    EXPECT_EQ(button->tabCell()->titleRectForBounds(kit::MakeRect(0, 0, 130, 22)), kit::MakeRect(40, 0, 10, 10));
    EXPECT_EQ(button->tabCell()->closeButtonRectForBounds(kit::MakeRect(0, 0, 130, 22)).origin.x, 6);
}

TEST(QVTabBarButtonCellParts, AnIconBesideATitleIsCentredInSixteenPoints)
{
    auto button = kit::make<QVTabBarButton>(kit::MakeRect(0, 0, 120, 22));
    button->setTitle(QStringLiteral("T"));
    button->setIcon(kit::make<kit::Image>(kit::MakeSize(12, 12)));
    // x after the close button (6 + 12 + 4) plus 2; y from 3 + (16 - 12) / 2 plus ceil(1.5).
    EXPECT_EQ(button->tabCell()->iconRectForBounds(kit::MakeRect(0, 0, 120, 22)), kit::MakeRect(24, 7, 12, 12));
}

TEST(QVRolloverButtons, TheCloseButtonIsAMomentaryChangeButtonAndTabsKeepTheirSettings)
{
    auto button = kit::make<QVTabBarButton>(kit::MakeRect(0, 0, 120, 22));
    auto close = button->closeButton();
    EXPECT_EQ(close->rolloverButtonType(), std::uint64_t(QVRolloverActionButtonType));
    EXPECT_EQ(close->buttonCell()->buttonType(), kit::MomentaryChangeButton);
    EXPECT_EQ(close->buttonCell()->showsStateBy(), kit::NoCellMask);
    EXPECT_EQ(close->buttonCell()->highlightsBy(), kit::PushInCellMask);
    QVBarFixture f(kit::MakeRect(0, 0, 600, 22), 1);
    EXPECT_EQ(f.bar->orderedAttachedButtons().front()->rolloverButtonType(), std::uint64_t(QVRolloverTabButtonType));
}

TEST(QVProgressIndicators, AStopCancelsAStartRequestedForTheNextTurn)
{
    kit::test::ManualClockScope clock;
    auto indicator = kit::make<QVProgressIndicator>(kit::MakeRect(0, 0, 16, 16));
    indicator->startAnimationOnNextTurn();
    indicator->stopAnimation();
    kit::RunLoop::main().runPending();
    clock.advance(0.1);
    EXPECT_FALSE(indicator->isAnimating());
    indicator->startAnimationOnNextTurn();
    clock.advance(0.1);
    EXPECT_TRUE(indicator->isAnimating());
    indicator->stopAnimation();
}

struct QVDividerCase {
    std::uint64_t state;
    bool right;
};

class QVMetalRightDivider : public testing::TestWithParam<QVDividerCase> { };

// Suppressed only beside a selected next tab that is neither sliding nor the drop place.
TEST_P(QVMetalRightDivider, FollowsTheNeighbourBits)
{
    auto button = kit::make<QVAttachedTabBarButton>(kit::MakeRect(0, 0, 100, 22));
    button->setTabState(GetParam().state);
    EXPECT_EQ(QVMetalTabStyle::drawsRightDivider(*button), GetParam().right);
}

INSTANTIATE_TEST_SUITE_P(Bits, QVMetalRightDivider,
    testing::Values(QVDividerCase { 0, true }, QVDividerCase { QVTabStateNextSelected, false },
        QVDividerCase { QVTabStateNextSelected | QVTabStateNextSliding, true }, QVDividerCase { QVTabStateNextSelected | QVTabStateNextIsPlaceholder, true },
        QVDividerCase { QVTabStatePreviousSelected, true }));

TEST(QVMetalStyle, AnswersItsHooks)
{
    QVBarFixture f(kit::MakeRect(0, 0, 600, 22), 2, false);
    auto metal = kit::dynamic_pointer_cast<QVMetalTabStyle>(f.bar->style());
    ASSERT_TRUE(metal);
    EXPECT_EQ(f.bar->leftMargin(), 10);
    EXPECT_EQ(f.bar->topMargin(), 0);
    EXPECT_FALSE(metal->implements("supportsOrientationForTabBarView"));
    EXPECT_FALSE(metal->implements("heightOfTabBarButtonsForTabBarView"));
    EXPECT_TRUE(metal->implements("drawBezelOfTabCellWithFrameInView"));
    EXPECT_FALSE(metal->closeButtonImageOfTypeForTabCell(6, nullptr));
    EXPECT_TRUE(metal->closeButtonImageOfTypeForTabCell(0, nullptr));
    auto selected = f.bar->orderedAttachedButtons().front();
    ASSERT_EQ(selected->state(), kit::OnState);
    selected->setStackingFrame(kit::MakeRect(10, 0, 100, 22));
    EXPECT_EQ(metal->draggingRectForTabButtonOfTabBarView(selected.get(), f.bar.get()), kit::MakeRect(10, 0, 101, 20));
    f.bar->setOrientation(QVTabBarVerticalOrientation);
    EXPECT_EQ(f.bar->leftMargin(), 0);
    EXPECT_EQ(f.bar->topMargin(), 10);
}

} // namespace
