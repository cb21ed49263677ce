#include "QVFlowViewTestSupport.h"
#include "kit/appkit/Pasteboard.h"
#include "kit/core/ArrayController.h"
#include "kit/core/Binding.h"
#include "kit/core/KeyValueObserving.h"
#include "kit/foundation/KeyedArchiver.h"
#include "kit/foundation/KeyedUnarchiver.h"
#include "kit/testsupport/RuntimeRecorders.h"

#include <cmath>
#include <numbers>

namespace qv_flow_view_model_test {

using namespace kit;
using namespace qv_flow_view_test;

// Setters -------------------------------------------------------------------------------------------

struct ClampCase {
    const char* key;
    double set;
    double stored;
};

class FlowViewClamps : public testing::TestWithParam<ClampCase> { };

TEST_P(FlowViewClamps, StoreTheClampedValue)
{
    auto view = make<QVFlowView>();
    view->setValueForKey(Value(GetParam().set), QString::fromUtf8(GetParam().key));
    EXPECT_DOUBLE_EQ(view->valueForKey(QString::fromUtf8(GetParam().key)).doubleValue(), GetParam().stored);
}

INSTANTIATE_TEST_SUITE_P(Setters, FlowViewClamps,
    testing::Values(ClampCase { "stackedAngle", 120, 90 }, ClampCase { "stackedAngle", -10, 0 }, ClampCase { "itemScale", 5, 1 },
        ClampCase { "itemScale", 0.01, 0.1 }, ClampCase { "previewScale", 0, 0.01 }, ClampCase { "previewScale", 3, 1 },
        ClampCase { "reflectionOffset", 0.5, 0 }, ClampCase { "reflectionOffset", -3, -1 }, ClampCase { "spacing", -20, -20 }));

TEST(FlowViewModel, DefaultsOfAFreshView)
{
    auto view = make<QVFlowView>();
    EXPECT_EQ(view->stackedAngle(), 70);
    EXPECT_EQ(view->spacing(), 50);
    EXPECT_EQ(view->selectedScale(), 200);
    EXPECT_EQ(view->stackedScale(), -200);
    EXPECT_DOUBLE_EQ(view->reflectionOffset(), -0.4);
    EXPECT_EQ(view->selectedIndex(), NotFound);
    EXPECT_TRUE(view->showsReflection());
    EXPECT_DOUBLE_EQ(view->perspective().m34, -1.0 / 1500);
    EXPECT_DOUBLE_EQ(view->scrollDuration(), 0.4);
    EXPECT_EQ(view->itemScale(), 1.0);
    EXPECT_DOUBLE_EQ(view->previewScale(), 0.25);
    EXPECT_TRUE(view->acceptsTouchEvents());
    EXPECT_FALSE(view->canControlQuickLookPanel());
    EXPECT_EQ(view->title(), QStringLiteral("Title"));
    EXPECT_EQ(view->titleLayer()->fontSize(), 18);
    EXPECT_TRUE(view->registeredDraggedTypes().contains(URLPboardType));
    EXPECT_TRUE(view->imageCache()->evictsObjectsWithDiscardedContent());
    EXPECT_EQ(view->imageCache()->totalCostLimit(), 64ull * 1024 * 1024);
}

TEST(FlowViewModel, StackedAngleTurnsBothSidesFromTheClampedAngle)
{
    auto view = make<QVFlowView>();
    view->setStackedAngle(120);
    // +90° about y maps x to −z; the right side turns the other way.
    const Transform3D left = view->leftTransform();
    const Transform3D right = view->rightTransform();
    EXPECT_NEAR(left.m11, 0, 1e-12);
    EXPECT_NEAR(left.m13, -1, 1e-12);
    EXPECT_NEAR(right.m13, 1, 1e-12);
    view->setStackedAngle(30);
    EXPECT_NEAR(view->leftTransform().m11, std::cos(std::numbers::pi / 6), 1e-12);
}

TEST(FlowViewModel, EqualValuesMarkNothing)
{
    auto view = make<QVFlowView>();
    Transaction::flush();
    ASSERT_FALSE(view->scrollLayer()->needsLayout());
    view->setStackedAngle(70);
    view->setSpacing(50);
    view->setItemScale(1);
    EXPECT_FALSE(view->scrollLayer()->needsLayout());
    view->imageCache()->setObjectForKeyCost(nullptr, QStringLiteral("x"), 1);
    view->setPreviewScale(0.25);
    EXPECT_EQ(view->imageCache()->count(), 1u);
    view->setSpacing(40);
    EXPECT_TRUE(view->scrollLayer()->needsLayout());
    view->setPreviewScale(0.5);
    EXPECT_EQ(view->imageCache()->count(), 0u);
    Transaction::resetForTesting();
}

TEST(FlowViewModel, SpacingAndAngleAnimateThroughTheAnimator)
{
    auto view = make<QVFlowView>();
    EXPECT_TRUE(view->defaultAnimationForKey(QStringLiteral("spacing")));
    EXPECT_TRUE(view->defaultAnimationForKey(QStringLiteral("stackedAngle")));
    EXPECT_FALSE(view->defaultAnimationForKey(QStringLiteral("itemScale")));
    EXPECT_NE(view->defaultAnimationForKey(QStringLiteral("spacing")), view->defaultAnimationForKey(QStringLiteral("spacing")));
    const Array bindings = view->exposedBindings();
    ASSERT_GE(bindings.count(), 5);
    const Array mine { Value(ContentArrayBinding), Value("imageRepresentationKeyPath"), Value("imageRepresentationTypeKeyPath"),
        Value("imageUIDKeyPath"), Value("imageTitleKeyPath") };
    std::int64_t at = bindings.indexOfObject(mine[0]);
    ASSERT_NE(at, NotFound);
    for (std::int64_t i = 0; i < mine.count(); ++i)
        EXPECT_EQ(bindings[at + i], mine[i]);
}

// Selection -----------------------------------------------------------------------------------------

class FlowViewSelection : public FlowViewFixture { };

TEST_F(FlowViewSelection, RefusalsLeaveDelegateAndControllerAlone)
{
    makeView(4);
    EXPECT_EQ(view->selectedIndex(), 0);
    delegate->log.clear();
    for (const std::int64_t refused : { std::int64_t(0), NotFound, std::int64_t(4), std::int64_t(-1) })
        view->setSelectedIndex(refused);
    EXPECT_TRUE(delegate->log.empty());
    EXPECT_EQ(view->selectedIndex(), 0);
    view->setSelectedIndex(2);
    EXPECT_EQ(delegate->log, (std::vector<std::string> { "selection 2" }));
    EXPECT_EQ(view->title(), QStringLiteral("Item 2"));
}

TEST_F(FlowViewSelection, ACountWithoutItemsGivesNone)
{
    auto countOnly = make<CountOnlySource>();
    makeView(0);
    view->setDataSource(countOnly.get());
    view->reloadContent();
    EXPECT_EQ(view->numberOfItems(), 0);
    view->setDataSource(source.get());
    source->items.push_back(imageItem(0));
    view->reloadContent();
    EXPECT_EQ(view->numberOfItems(), 1);
}

TEST_F(FlowViewSelection, ItemsWithoutAccessorsAreUntitled)
{
    makeView(0);
    EXPECT_EQ(view->title(), QString());
    EXPECT_EQ(view->imageTitleForItem(Value(Ref<Object>(make<BareItem>()))), QStringLiteral("(untitled)"));
    EXPECT_TRUE(view->imageUIDForItem(Value(Ref<Object>(make<BareItem>()))).isNil());
    EXPECT_TRUE(view->imageItemForIndex(NotFound).isNil());
}

// Coding --------------------------------------------------------------------------------------------

TEST(FlowViewCoding, TheTenKeysRoundTrip)
{
    auto view = make<QVFlowView>();
    view->setStackedAngle(45);
    view->setSpacing(12);
    view->setSelectedScale(150);
    view->setStackedScale(-120);
    view->setReflectionOffset(-0.7);
    view->setShowsReflection(false);
    Transform3D perspective = Transform3DIdentity;
    perspective.m34 = -1.0 / 900;
    view->setPerspective(perspective);
    view->setScrollDuration(0.9);
    view->setItemScale(0.5);
    view->setPreviewScale(0.3);
    const auto back = KeyedUnarchiver::unarchiveObjectWithData(KeyedArchiver::archivedDataWithRootObject(Value(Ref<Object>(view))))
                          .objectAs<QVFlowView>();
    ASSERT_TRUE(back);
    EXPECT_EQ(back->stackedAngle(), 45);
    EXPECT_EQ(back->spacing(), 12);
    EXPECT_EQ(back->selectedScale(), 150);
    EXPECT_EQ(back->stackedScale(), -120);
    EXPECT_DOUBLE_EQ(back->reflectionOffset(), -0.7);
    EXPECT_FALSE(back->showsReflection());
    EXPECT_DOUBLE_EQ(back->perspective().m34, -1.0 / 900);
    EXPECT_DOUBLE_EQ(back->scrollDuration(), 0.9);
    EXPECT_EQ(back->itemScale(), 0.5);
    EXPECT_DOUBLE_EQ(back->previewScale(), 0.3);
    EXPECT_NEAR(back->leftTransform().m11, std::cos(std::numbers::pi / 4), 1e-12);
    EXPECT_EQ(back->title(), QString());
    // A view from an interface file takes drops too.
    EXPECT_TRUE(back->registeredDraggedTypes().contains(URLPboardType));
    Transaction::resetForTesting();
}

TEST(FlowViewCoding, ShowsReflectionIsWrittenAsARealNumber)
{
    auto view = make<QVFlowView>();
    // An archive from elsewhere that holds only the reflection flag, written as 1.0.
    auto other = make<QVFlowView>();
    const QByteArray data = KeyedArchiver::archivedDataWithRootObject(Value(Ref<Object>(other)));
    EXPECT_TRUE(data.contains("showsReflection"));
    const auto back = KeyedUnarchiver::unarchiveObjectWithData(data).objectAs<QVFlowView>();
    ASSERT_TRUE(back);
    EXPECT_TRUE(back->showsReflection());
    Transaction::resetForTesting();
}

// A view archived before the flow view's keys existed: every one of them is missing.
TEST(FlowViewCoding, MissingKeysKeepTheDefaults)
{
    auto plain = make<Control>(Rect { { 0, 0 }, { 10, 10 } });
    QByteArray data = KeyedArchiver::archivedDataWithRootObject(Value(Ref<Object>(plain)));
    data.replace("\"Control\"", "\"QVFlowView\"");
    const auto back = KeyedUnarchiver::unarchiveObjectWithData(data).objectAs<QVFlowView>();
    ASSERT_TRUE(back);
    EXPECT_EQ(back->stackedAngle(), 70);
    EXPECT_EQ(back->itemScale(), 1.0);
    EXPECT_DOUBLE_EQ(back->previewScale(), 0.25);
    EXPECT_DOUBLE_EQ(back->perspective().m34, -1.0 / 1500);
    EXPECT_NEAR(back->rightTransform().m13, std::sin(70 * std::numbers::pi / 180), 1e-12);
    EXPECT_TRUE(back->showsReflection());
    Transaction::resetForTesting();
}

// Bindings ------------------------------------------------------------------------------------------

class FlowViewBindings : public FlowViewFixture {
protected:
    void bindItems(int n)
    {
        makeView(0);
        for (int i = 0; i < n; ++i)
            bound.push_back(imageItem(i));
        controller = make<ArrayController>(contentOf(bound));
        view->bindToObjectWithKeyPathOptions(ContentArrayBinding, controller.get(), QStringLiteral("arrangedObjects"), {});
        settle();
    }
    static Array contentOf(const std::vector<Ref<FlowItem>>& items)
    {
        std::vector<Value> values;
        for (const auto& item : items)
            values.push_back(Value(Ref<Object>(item)));
        return Array(std::move(values));
    }
    int observations() const
    {
        int count = debug::observationCount(controller.get());
        for (const auto& item : bound)
            count += debug::observationCount(item.get());
        for (const auto& item : extra)
            count += debug::observationCount(item.get());
        return count;
    }

    std::vector<Ref<FlowItem>> bound;
    std::vector<Ref<FlowItem>> extra;
    Ref<ArrayController> controller;
};

TEST_F(FlowViewBindings, BindingAPlainObjectFailsTheAssertion)
{
    makeView(0);
    test::AssertionRecorder assertions;
    auto plain = make<BareItem>();
    view->bindToObjectWithKeyPathOptions(ContentArrayBinding, plain.get(), QStringLiteral("items"), {});
    ASSERT_EQ(assertions.descriptions.size(), 1u);
    EXPECT_EQ(assertions.descriptions[0], QStringLiteral("NSContentArrayBinding needs to be bound to an NSArrayController!"));
    EXPECT_FALSE(view->bindingsEnabled());
}

TEST_F(FlowViewBindings, ContentLoadsAtOnceAndDefaultsOnlyWhereUnset)
{
    makeView(0);
    view->setImageUIDKeyPath(QStringLiteral("imageItemTitle"));
    bound = { imageItem(0), imageItem(1), imageItem(2) };
    controller = make<ArrayController>(contentOf(bound));
    view->bindToObjectWithKeyPathOptions(ContentArrayBinding, controller.get(), QStringLiteral("arrangedObjects"), {});
    EXPECT_EQ(view->numberOfItems(), 3);
    EXPECT_EQ(view->imageUIDKeyPath(), QStringLiteral("imageItemTitle"));
    EXPECT_EQ(view->imageRepresentationKeyPath(), QStringLiteral("imageItemRepresentation"));
    EXPECT_EQ(view->imageRepresentationTypeKeyPath(), QStringLiteral("imageItemRepresentationType"));
    EXPECT_TRUE(view->imageTitleKeyPath().isEmpty());
    EXPECT_EQ(view->contentArrayController(), controller);
    EXPECT_EQ(view->contentArrayKeyPath(), QStringLiteral("arrangedObjects"));
    const Value info = view->infoForBinding(ContentArrayBinding);
    ASSERT_TRUE(info.isDictionary());
    EXPECT_EQ(info.dictionary().objectForKey(Value(ObservedObjectKey)).object(), controller);
    // A selection change reaches the delegate, then the controller.
    view->setSelectedIndex(2);
    EXPECT_EQ(controller->selectionIndex(), 2);
}

TEST_F(FlowViewBindings, TitleFollowsOnlyTheSelectedItem)
{
    bindItems(3);
    view->setImageTitleKeyPath(QStringLiteral("imageItemTitle"));
    view->setSelectedIndex(1);
    bound[2]->setValueForKey(Value("Renamed"), QStringLiteral("imageItemTitle"));
    EXPECT_EQ(view->title(), QStringLiteral("Item 1"));
    bound[1]->setValueForKey(Value("Chosen"), QStringLiteral("imageItemTitle"));
    EXPECT_EQ(view->title(), QStringLiteral("Chosen"));
}

TEST_F(FlowViewBindings, UnbindingLeavesNoObservationAndThrowsNothing)
{
    bindItems(3);
    EXPECT_GT(observations(), 0);
    EXPECT_NO_THROW(view->unbind(ContentArrayBinding));
    EXPECT_EQ(observations(), 0);
    EXPECT_TRUE(view->observedItems().isEmpty());
    EXPECT_NO_THROW(view->unbind(ContentArrayBinding));
}

TEST_F(FlowViewBindings, LeavingTheSuperviewUnbindsOnce)
{
    bindItems(3);
    EXPECT_NO_THROW(view->removeFromSuperview());
    EXPECT_EQ(observations(), 0);
    EXPECT_FALSE(view->bindingsEnabled());
}

TEST_F(FlowViewBindings, ASwapForAnEqualCopyMovesTheObservation)
{
    bindItems(3);
    const Ref<FlowItem> copy = make<FlowItem>(
        bound[1]->imageItemUID(), bound[1]->imageItemRepresentationType(), bound[1]->imageItemRepresentation(), bound[1]->imageItemTitle());
    ASSERT_TRUE(copy->isEqual(bound[1].get()));
    extra.push_back(bound[1]);
    bound[1] = copy;
    controller->setContent(Value(contentOf(bound)));
    EXPECT_EQ(debug::observationCount(extra[0].get()), 0);
    EXPECT_GT(debug::observationCount(copy.get()), 0);
    EXPECT_NO_THROW(view->unbind(ContentArrayBinding));
    EXPECT_EQ(observations(), 0);
}

TEST_F(FlowViewBindings, DestroyingABoundViewStopsObserving)
{
    bindItems(3);
    view->removeFromSuperview();
    bindItems(0);
    view->bindToObjectWithKeyPathOptions(ContentArrayBinding, controller.get(), QStringLiteral("arrangedObjects"), {});
    window->close();
    window = nullptr;
    EXPECT_NO_THROW(view = nullptr);
    EXPECT_EQ(observations(), 0);
}

TEST_F(FlowViewBindings, AnIdentifierChangeDropsTheCachedPicture)
{
    bindItems(3);
    ASSERT_TRUE(view->lookupForImageUID(Value("uid0")));
    bound[0]->setValueForKey(Value(Ref<Object>(solidImage(90, 30))), QStringLiteral("imageItemRepresentation"));
    EXPECT_FALSE(view->lookupForImageUID(Value("uid0")));
    settle();
    ASSERT_TRUE(view->lookupForImageUID(Value("uid0")));
    EXPECT_EQ(view->lookupForImageUID(Value("uid0"))->width(), 90);
}

} // namespace qv_flow_view_model_test
