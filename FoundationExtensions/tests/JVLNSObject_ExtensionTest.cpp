#include "FoundationExtensions/JVLNSObject_Extension.h"

#include "kit/core/ArrayController.h"
#include "kit/core/Binding.h"
#include "kit/core/ValueTransformer.h"
#include "kit/testsupport/RuntimeRecorders.h"

#include <gtest/gtest.h>

using namespace kit;

namespace {

// A model key and a bound field key in one class; counts every store.
class PropagateModel : public Object {
    KIT_CLASS(PropagateModel)
    Value value() const { return value_; }
    void setValue(const Value& v)
    {
        ++stores;
        setValueNotifying("value", value_, v);
    }
    int stores = 0;

private:
    Value value_;
};

class PropagateUpper : public ValueTransformer {
public:
    Value transformedValue(const Value& v) const override { return v.stringValue().toUpper(); }
};

class PropagateUpperReversible : public PropagateUpper {
public:
    bool allowsReverseTransformation() const override { return true; }
    Value reverseTransformedValue(const Value& v) const override { return v.stringValue().toLower(); }
};

const QString propagateReversibleName = QStringLiteral("PropagateTestLower");
const QString propagateOneWayName = QStringLiteral("PropagateTestUpper");
const QString propagateWarning = QStringLiteral(
    "WARNING: binding \"value\" has value transformer, but it doesn't allow reverse transformations in propagateValueForBinding");

enum class PropagateOption { None, ReversibleObject, ReversibleName, NullObjectThenName, NullBoth, OneWayObject, OneWayName };

struct PropagateCase {
    const char* name;
    PropagateOption option;
    const char* written;
    const char* stored;
    bool warns;
};

Dictionary propagateOptions(PropagateOption option)
{
    switch (option) {
    case PropagateOption::None:
        return {};
    case PropagateOption::ReversibleObject:
        return { { ValueTransformerBindingOption, make<PropagateUpperReversible>() } };
    case PropagateOption::ReversibleName:
        return { { ValueTransformerNameBindingOption, propagateReversibleName } };
    case PropagateOption::NullObjectThenName:
        return { { ValueTransformerBindingOption, Value::null() }, { ValueTransformerNameBindingOption, propagateReversibleName } };
    case PropagateOption::NullBoth:
        return { { ValueTransformerBindingOption, Value::null() }, { ValueTransformerNameBindingOption, Value::null() } };
    case PropagateOption::OneWayObject:
        return { { ValueTransformerBindingOption, make<PropagateUpper>() } };
    case PropagateOption::OneWayName:
        return { { ValueTransformerNameBindingOption, propagateOneWayName } };
    }
    return {};
}

class PropagateTransformers : public testing::TestWithParam<PropagateCase> {
protected:
    static void SetUpTestSuite()
    {
        ValueTransformer::setValueTransformerForName(make<PropagateUpperReversible>(), propagateReversibleName);
        ValueTransformer::setValueTransformerForName(make<PropagateUpper>(), propagateOneWayName);
    }
};

} // namespace

KIT_REGISTER_CLASS(PropagateModel, kit::Object) { c.property("value", &PropagateModel::value, &PropagateModel::setValue); }

TEST_P(PropagateTransformers, WritesTheReversedValueOnlyWhenTheTransformerAllowsIt)
{
    const PropagateCase& p = GetParam();
    auto model = make<PropagateModel>();
    auto field = make<PropagateModel>();
    field->bindToObjectWithKeyPathOptions("value", model.get(), "value", propagateOptions(p.option));
    test::LogRecorder log;
    JVLNSObject_Extension::propagateValueForBinding(*field, QString::fromUtf8(p.written), "value");
    EXPECT_EQ(model->value(), Value(QString::fromUtf8(p.stored)));
    EXPECT_EQ(log.lines().count(propagateWarning), p.warns ? 1 : 0) << log.lines().join('\n').toStdString();
    EXPECT_EQ(log.lines().size(), p.warns ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(JVLNSObject_Extension, PropagateTransformers,
    testing::Values(PropagateCase { "none", PropagateOption::None, "MiXed", "MiXed", false },
        PropagateCase { "reversibleObject", PropagateOption::ReversibleObject, "MiXed", "mixed", false },
        PropagateCase { "reversibleName", PropagateOption::ReversibleName, "MiXed", "mixed", false },
        PropagateCase { "nullObjectThenName", PropagateOption::NullObjectThenName, "MiXed", "mixed", false },
        PropagateCase { "nullBoth", PropagateOption::NullBoth, "MiXed", "MiXed", false },
        PropagateCase { "oneWayObject", PropagateOption::OneWayObject, "MiXed", "MiXed", true },
        PropagateCase { "oneWayName", PropagateOption::OneWayName, "MiXed", "MiXed", true }),
    [](const testing::TestParamInfo<PropagateCase>& info) { return std::string(info.param.name); });

TEST(JVLNSObject_Extension, AnUnboundBindingWritesAndLogsNothing)
{
    auto field = make<PropagateModel>();
    test::LogRecorder log;
    JVLNSObject_Extension::propagateValueForBinding(*field, QStringLiteral("x"), "value");
    EXPECT_EQ(field->stores, 0);
    EXPECT_TRUE(log.lines().isEmpty());
}

TEST(JVLNSObject_Extension, AnObservedObjectDestroyedSinceBindingLogsAndWritesNothing)
{
    auto field = make<PropagateModel>();
    {
        auto model = make<PropagateModel>();
        field->bindToObjectWithKeyPathOptions("value", model.get(), "value", {});
    }
    const int storesBefore = field->stores;
    test::LogRecorder log;
    JVLNSObject_Extension::propagateValueForBinding(*field, QStringLiteral("x"), "value");
    EXPECT_EQ(log.lines(), QStringList { QStringLiteral("ERROR: NSObservedObjectKey was nil for binding \"value\" in propagateValueForBinding") });
    EXPECT_EQ(field->stores, storesBefore);
    field->unbind("value");
}

TEST(JVLNSObject_Extension, AKeyPathThroughSelectedObjectsSetsEverySelectedObject)
{
    auto a = make<PropagateModel>();
    auto b = make<PropagateModel>();
    auto c = make<PropagateModel>();
    auto controller = make<ArrayController>(Array { a, b, c });
    controller->setSelectionIndexes(IndexSet::indexSetWithIndexesInRange(MakeRange(0, 2)));
    auto field = make<PropagateModel>();
    field->bindToObjectWithKeyPathOptions("value", controller.get(), "selectedObjects.value", {});
    JVLNSObject_Extension::propagateValueForBinding(*field, QStringLiteral("Serif"), "value");
    EXPECT_EQ(a->value(), Value(QStringLiteral("Serif")));
    EXPECT_EQ(b->value(), Value(QStringLiteral("Serif")));
    EXPECT_TRUE(c->value().isNil());
    field->unbind("value");
}

TEST(JVLNSObject_Extension, TheWriteReachesTheBoundKeyAgainBeforeReturning)
{
    auto model = make<PropagateModel>();
    auto field = make<PropagateModel>();
    field->bindToObjectWithKeyPathOptions("value", model.get(), "value", {});
    const int storesBefore = field->stores;
    JVLNSObject_Extension::propagateValueForBinding(*field, QStringLiteral("echo"), "value");
    EXPECT_EQ(field->stores, storesBefore + 1);
    EXPECT_EQ(field->value(), Value(QStringLiteral("echo")));
}

TEST(JVLNSObject_Extension, ANullBindingNameFailsTheParameterAssertion)
{
    auto field = make<PropagateModel>();
    test::AssertionRecorder assertions;
    JVLNSObject_Extension::propagateValueForBinding(*field, QStringLiteral("x"), QString());
    ASSERT_EQ(assertions.descriptions.size(), 1u);
    EXPECT_EQ(assertions.descriptions[0], QStringLiteral("Invalid parameter not satisfying: binding != nil"));
    EXPECT_EQ(field->stores, 0);
}

TEST(JVLNSObject_Extension, BundleOfAnObjectIsItsClassBundle)
{
    auto field = make<PropagateModel>();
    EXPECT_EQ(JVLNSObject_Extension::bundle(field.get()), JVLNSObject_Extension::bundle(PropagateModel::staticClass()));
    EXPECT_EQ(JVLNSObject_Extension::bundle(PropagateModel::staticClass()), Bundle::mainBundle());
}
