#include "kit/core/Binding.h"

#include "RuntimeTestModels.h"
#include "kit/core/ArrayController.h"
#include "kit/core/Exception.h"
#include "kit/core/ValueTransformer.h"
#include "kit/testsupport/RuntimeRecorders.h"

#include <gtest/gtest.h>

using kit::Value;
using kit::debug::observationCount;
using kit::test::KeyValueRecorder;
using kit::test::Model;

namespace {

// Counts the change callbacks it gets itself, to prove bindings do not reach it.
class BoundView : public Model {
public:
    int ownCallbacks = 0;
    void observeValueForKeyPathOfObjectChangeContext(const QString&, kit::Object*, const kit::KeyValueChange&, void*) override
    {
        ++ownCallbacks;
    }
};

class Upper : public kit::ValueTransformer {
public:
    Value transformedValue(const Value& v) const override { return v.stringValue().toUpper(); }
};

TEST(Binding, PushesAtBindTimeAndOnEachChangeOneWay)
{
    auto model = kit::make<Model>();
    auto view = kit::make<BoundView>();
    model->setTitle("first");
    view->bindToObjectWithKeyPathOptions("title", model.get(), "title", {});
    EXPECT_EQ(view->title(), "first");
    model->setTitle("second");
    EXPECT_EQ(view->title(), "second");
    view->setTitle("local");
    EXPECT_EQ(model->title(), "second"); // one-way
    EXPECT_EQ(view->ownCallbacks, 0);
    view->unbind("title");
    model->setTitle("third");
    EXPECT_EQ(view->title(), "local");
    EXPECT_EQ(observationCount(model.get()), 0);
}

TEST(Binding, ValueClassComesFromTheKey)
{
    auto m = kit::make<Model>();
    EXPECT_EQ(m->valueClassForBinding("title"), Value::Kind::String);
    EXPECT_EQ(m->valueClassForBinding("isEnabled"), Value::Kind::Bool);
    EXPECT_EQ(m->valueClassForBinding("count"), Value::Kind::Integer);
    EXPECT_EQ(m->valueClassForBinding("child"), Value::Kind::Object);
    EXPECT_EQ(m->valueClassForBinding("object"), Value::Kind::Nil);
    EXPECT_EQ(m->valueClassForBinding("nothing"), Value::Kind::Nil);
    EXPECT_TRUE(kit::conformsToProtocol<Model>(m.get()));
    EXPECT_FALSE(kit::conformsToProtocol<kit::ValueTransformer>(m.get()));
}

TEST(Binding, TransformersByObjectBeatNames)
{
    auto model = kit::make<Model>();
    auto view = kit::make<Model>();
    model->setTitle("abc");
    view->bindToObjectWithKeyPathOptions("title", model.get(), "title",
        { { kit::ValueTransformerBindingOption, kit::make<Upper>() },
            { kit::ValueTransformerNameBindingOption, kit::NegateBooleanTransformerName } });
    EXPECT_EQ(view->title(), "ABC");

    model->setEnabled(true);
    view->bindToObjectWithKeyPathOptions(
        "isEnabled", model.get(), "isEnabled", { { kit::ValueTransformerNameBindingOption, kit::NegateBooleanTransformerName } });
    EXPECT_FALSE(view->isEnabled());
    model->setEnabled(false);
    EXPECT_TRUE(view->isEnabled());
    EXPECT_EQ(
        kit::reverseTransformedValueWithOptions(true, { { kit::ValueTransformerNameBindingOption, kit::NegateBooleanTransformerName } }),
        false);

    // Null is a value: "is not nil" says YES for it.
    model->setObject(Value::null());
    view->bindToObjectWithKeyPathOptions(
        "isEnabled", model.get(), "object", { { kit::ValueTransformerNameBindingOption, kit::IsNotNilTransformerName } });
    EXPECT_TRUE(view->isEnabled());
    model->setObject(Value());
    EXPECT_FALSE(view->isEnabled());
    EXPECT_THROW(kit::ValueTransformer::valueTransformerForName(kit::IsNilTransformerName)->reverseTransformedValue(true), kit::Exception);
    EXPECT_FALSE(kit::ValueTransformer::valueTransformerForName("NoSuchTransformer"));
}

TEST(Binding, MarkersBecomePlaceholdersAndNilBecomesZero)
{
    const kit::Dictionary options { { kit::NoSelectionPlaceholderBindingOption, "No Selection" },
        { kit::MultipleValuesPlaceholderBindingOption, "Multiple" }, { kit::NullPlaceholderBindingOption, "None" } };
    EXPECT_EQ(kit::boundValueWithOptions(kit::NoSelectionMarker, options), "No Selection");
    EXPECT_EQ(kit::boundValueWithOptions(kit::MultipleValuesMarker, options), "Multiple");
    EXPECT_EQ(kit::boundValueWithOptions(kit::NotApplicableMarker, options), kit::NotApplicableMarker);
    EXPECT_EQ(kit::boundValueWithOptions(Value::null(), options), "None");
    EXPECT_EQ(kit::boundValueWithOptions(Value(), {}), Value());

    auto model = kit::make<Model>();
    auto view = kit::make<Model>();
    view->setCount(9);
    view->setEnabled(true);
    model->setObject(kit::NoSelectionMarker);
    view->bindToObjectWithKeyPathOptions("title", model.get(), "object", options);
    EXPECT_EQ(view->title(), "No Selection");
    view->bindToObjectWithKeyPathOptions("count", model.get(), "child.count", {});
    EXPECT_EQ(view->count(), 0); // nil into a scalar key
    view->bindToObjectWithKeyPathOptions("isEnabled", model.get(), "child", {});
    EXPECT_FALSE(view->isEnabled());
}

TEST(Binding, InfoForBindingFollowsBindUnbindAndTheObservedObject)
{
    auto view = kit::make<Model>();
    EXPECT_TRUE(view->infoForBinding("title").isNil());
    {
        auto model = kit::make<Model>();
        view->bindToObjectWithKeyPathOptions("title", model.get(), "child.title", { { kit::NullPlaceholderBindingOption, "-" } });
        const kit::Dictionary info = view->infoForBinding("title").dictionary();
        EXPECT_EQ(info.objectForKey(kit::ObservedObjectKey).object(), model);
        EXPECT_EQ(info.objectForKey(kit::ObservedKeyPathKey), "child.title");
        EXPECT_EQ(info.objectForKey(kit::OptionsKey).dictionary().objectForKey(kit::NullPlaceholderBindingOption), "-");
        view->bindToObjectWithKeyPathOptions("title", model.get(), "title", {}); // rebinding replaces
        EXPECT_EQ(observationCount(model.get()), 1);
    }
    // The observed object died: the binding remains, without its object.
    const kit::Dictionary info = view->infoForBinding("title").dictionary();
    EXPECT_FALSE(info.containsKey(kit::ObservedObjectKey));
    EXPECT_EQ(info.objectForKey(kit::ObservedKeyPathKey), "title");
    view->unbind("title");
    view->unbind("title"); // unbinding an unbound name does nothing
    EXPECT_TRUE(view->infoForBinding("title").isNil());
}

TEST(Binding, AnOwnerWithAControllerBoundBackIsFreed)
{
    struct Field : Model {
        kit::Ref<kit::ObjectController> controller = kit::make<kit::ObjectController>();
        Field() { controller->bindToObjectWithKeyPathOptions("content", this, "object", {}); }
    };
    const int before = kit::test::liveModels;
    auto watched = kit::make<Model>();
    kit::Weak<kit::ObjectController> controller;
    {
        auto field = kit::make<Field>();
        field->setObject("x");
        EXPECT_EQ(field->controller->content(), "x");
        controller = field->controller;
        watched->bindToObjectWithKeyPathOptions("title", field.get(), "title", {});
    }
    EXPECT_TRUE(controller.expired());
    EXPECT_EQ(kit::test::liveModels, before + 1);
    watched->unbind("title");
}

TEST(Binding, TeardownLeavesNoObservations)
{
    auto model = kit::make<Model>();
    {
        auto view = kit::make<Model>();
        view->bindToObjectWithKeyPathOptions("title", model.get(), "title", {});
        view->bindToObjectWithKeyPathOptions("count", model.get(), "count", {});
        EXPECT_EQ(observationCount(model.get()), 2);
    }
    EXPECT_EQ(observationCount(model.get()), 0);
    model->setTitle("after");
}

// ---- controllers

TEST(ArrayController, OneSettingPerMutationAndRangeChecks)
{
    auto controller = kit::make<kit::ArrayController>();
    auto r = kit::make<KeyValueRecorder>();
    controller->addObserverForKeyPathOptionsContext(
        r.get(), "arrangedObjects", kit::KeyValueObservingOptionNew | kit::KeyValueObservingOptionOld, nullptr);
    controller->setContent(kit::Array { "a", "b" });
    controller->insertObjectAtArrangedObjectIndex("c", 2);
    controller->removeObjectAtArrangedObjectIndex(0);
    ASSERT_EQ(r->records.size(), 3u);
    for (const auto& rec : r->records) {
        EXPECT_EQ(rec.change.kind, kit::KeyValueChangeSetting);
        EXPECT_FALSE(rec.change.hasIndexes);
    }
    EXPECT_EQ(r->records[1].change.oldValue, (kit::Array { "a", "b" }));
    EXPECT_EQ(r->records[1].change.newValue, (kit::Array { "a", "b", "c" }));
    EXPECT_THROW(controller->insertObjectAtArrangedObjectIndex("x", 3), kit::Exception);
    EXPECT_THROW(controller->removeObjectAtArrangedObjectIndex(2), kit::Exception);
    EXPECT_EQ(r->records.size(), 3u);
    controller->removeObserverForKeyPath(r.get(), "arrangedObjects");
}

TEST(ArrayController, SelectionSurvivesRefillsAndCanRemoveFollowsIt)
{
    auto a = kit::make<Model>(), b = kit::make<Model>(), c = kit::make<Model>();
    auto controller = kit::make<kit::ArrayController>();
    EXPECT_FALSE(controller->canRemove());
    EXPECT_TRUE(controller->canAdd());
    EXPECT_TRUE(controller->managedObjectContext().isNil());
    EXPECT_TRUE(controller->isKindOfClass(kit::ObjectController::staticClass()));
    controller->setContent(kit::Array { a, b });
    EXPECT_EQ(controller->selectionIndex(), 0); // avoids an empty selection
    controller->setSelectionIndex(1);
    EXPECT_TRUE(controller->canRemove());
    controller->setContent(kit::Array { c, b }); // b survives, at the same index
    EXPECT_EQ(controller->selectedObjects(), kit::Array { b });
    controller->setContent(kit::Array { b, c });
    EXPECT_EQ(controller->selectionIndex(), 0);
    controller->setContent(kit::Array { a });
    EXPECT_EQ(controller->selectionIndexes(), kit::IndexSet(0));
    auto r = kit::make<KeyValueRecorder>();
    controller->addObserverForKeyPathOptionsContext(r.get(), "canRemove", kit::KeyValueObservingOptionNew, nullptr);
    controller->setSelectionIndexes({});
    EXPECT_FALSE(controller->canRemove());
    ASSERT_EQ(r->records.size(), 1u); // heard through selectedObjects <- selectionIndexes
    EXPECT_EQ(r->records[0].change.newValue, false);
    controller->removeObserverForKeyPath(r.get(), "canRemove");
    controller->setContent(kit::Array { a, c });
    EXPECT_TRUE(controller->selectionIndexes().isEmpty()); // an explicit empty selection stays
    controller->setEditable(false);
    EXPECT_FALSE(controller->canAdd());
}

TEST(ArrayController, EqualSelectionIsSilentSoTwoWaySyncSettles)
{
    auto controller = kit::make<kit::ArrayController>(kit::Array { "a", "b", "c" });
    auto group = kit::make<Model>();
    int rounds = 0;
    // The group mirrors the controller and writes back every change it hears.
    auto mirror = kit::make<kit::test::Callback>();
    mirror->onChange = [&](const QString&, kit::Object*, const kit::KeyValueChange& change, void*) {
        ++rounds;
        controller->setSelectionIndexes(change.newValue.indexSet());
    };
    controller->addObserverForKeyPathOptionsContext(mirror.get(), "selectionIndexes", kit::KeyValueObservingOptionNew, nullptr);
    EXPECT_FALSE(controller->setSelectionIndexes(kit::IndexSet(0)));
    EXPECT_TRUE(controller->setSelectionIndexes(kit::IndexSet { 1, 2 }));
    EXPECT_EQ(rounds, 1);
    auto r = kit::make<KeyValueRecorder>();
    controller->addObserverForKeyPathOptionsContext(r.get(), "selectedObjects", kit::KeyValueObservingOptionNew, nullptr);
    controller->setSelectionIndex(0);
    ASSERT_EQ(r->records.size(), 1u);
    EXPECT_EQ(r->records[0].change.newValue, kit::Array { "a" });
    controller->removeObserverForKeyPath(mirror.get(), "selectionIndexes");
    controller->removeObserverForKeyPath(r.get(), "selectedObjects");
}

TEST(ArrayController, ContentArrayBinding)
{
    auto model = kit::make<Model>();
    model->setItems({ "x", "y" });
    auto controller = kit::make<kit::ArrayController>();
    controller->bindToObjectWithKeyPathOptions("contentArray", model.get(), "items", {});
    EXPECT_EQ(controller->arrangedObjects(), (kit::Array { "x", "y" }));
    model->insertItem("z", 0);
    EXPECT_EQ(controller->valueForKeyPath("arrangedObjects.length"), (kit::Array { 1, 1, 1 }));
    EXPECT_EQ(controller->exposedBindings().containsObject("contentArray"), true);
}

} // namespace
