// Steppers, sliders and level indicators in archives: the range, the steps and the look come back,
// and the value is clamped into the archived range, never into the plain factory's.

#include "ControlsTestSupport.h"
#include "kit/controls/LevelIndicator.h"
#include "kit/controls/Slider.h"
#include "kit/controls/Stepper.h"
#include "kit/foundation/KeyedArchiver.h"
#include "kit/foundation/KeyedUnarchiver.h"
#include "kit/foundation/NibLoader.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using namespace kit;

struct RangedCodingCase {
    const char* name;
    std::function<Ref<RangedValueCell>()> make;
    // Sets what only this kind holds, away from its defaults.
    std::function<void(RangedValueCell&)> configure;
    // Whether `decoded` holds what `configure` set.
    std::function<void(const RangedValueCell& decoded)> expect;
};

class RangedCoding : public testing::TestWithParam<RangedCodingCase> { };

TEST_P(RangedCoding, RangeValueAndOwnSettingsSurviveARoundTrip)
{
    const Ref<RangedValueCell> cell = GetParam().make();
    cell->setMinValue(-20);
    cell->setMaxValue(120);
    cell->setDoubleValue(87.5);
    cell->setEditable(true);
    GetParam().configure(*cell);
    QString error;
    const Ref<Object> object = KeyedUnarchiver::unarchivedObjectOfClass(
        cell->class_(), KeyedArchiver::archivedDataWithRootObject(Value(Ref<Object>(cell))), &error);
    const auto decoded = dynamic_pointer_cast<RangedValueCell>(object);
    ASSERT_TRUE(decoded) << error.toStdString();
    EXPECT_EQ(decoded->minValue(), -20);
    EXPECT_EQ(decoded->maxValue(), 120);
    EXPECT_EQ(decoded->doubleValue(), 87.5);
    EXPECT_TRUE(decoded->isEditable());
    GetParam().expect(*decoded);
}

// An archive holds the value before the range (the inherited part comes first): a value outside
// the default range but inside the archived one stays, one outside the archived range is clamped
// into it.
TEST_P(RangedCoding, TheValueIsClampedIntoTheArchivedRange)
{
    const QString cls = GetParam().make()->class_().name();
    struct Case {
        double value;
        double expected;
    };
    for (const Case c : { Case { 250, 250 }, Case { 900, 300 }, Case { -5, 200 } }) {
        const QByteArray data = archiveOf(
            QStringLiteral(R"([{"$class": "%1", "kit.objectValue": %2, "kit.minValue": 200.0, "kit.maxValue": 300.0}])")
                .arg(cls)
                .arg(c.value, 0, 'f', 1)
                .toUtf8()
                .constData());
        const auto [decoded, error] = decodeLeniently<RangedValueCell>(data);
        ASSERT_TRUE(decoded);
        EXPECT_TRUE(error.isEmpty()) << error.toStdString();
        EXPECT_EQ(decoded->minValue(), 200);
        EXPECT_EQ(decoded->maxValue(), 300);
        EXPECT_EQ(decoded->doubleValue(), c.expected) << "archived " << c.value;
    }
}

// Without the range keys the default range stays, and still clamps the archived value.
TEST_P(RangedCoding, AbsentRangeKeysKeepTheDefaultRange)
{
    const Ref<RangedValueCell> fresh = GetParam().make();
    const QByteArray data
        = archiveOf(QStringLiteral(R"([{"$class": "%1", "kit.objectValue": 1000.0}])").arg(fresh->class_().name()).toUtf8().constData());
    const auto [decoded, error] = decodeLeniently<RangedValueCell>(data);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->minValue(), fresh->minValue());
    EXPECT_EQ(decoded->maxValue(), fresh->maxValue());
    EXPECT_EQ(decoded->doubleValue(), fresh->maxValue());
}

INSTANTIATE_TEST_SUITE_P(Kinds, RangedCoding,
    testing::Values(
        RangedCodingCase { "Stepper", [] { return Ref<RangedValueCell>(make<StepperCell>()); },
            [](RangedValueCell& c) {
                auto& s = dynamic_cast<StepperCell&>(c);
                s.setIncrement(2.5);
                s.setValueWraps(false);
                s.setAutorepeat(false);
            },
            [](const RangedValueCell& c) {
                const auto& s = dynamic_cast<const StepperCell&>(c);
                EXPECT_EQ(s.increment(), 2.5);
                EXPECT_FALSE(s.valueWraps());
                EXPECT_FALSE(s.autorepeat());
            } },
        RangedCodingCase { "Slider", [] { return Ref<RangedValueCell>(make<SliderCell>()); },
            [](RangedValueCell& c) { dynamic_cast<SliderCell&>(c).setKeyIncrement(0.25); },
            [](const RangedValueCell& c) { EXPECT_EQ(dynamic_cast<const SliderCell&>(c).keyIncrement(), 0.25); } },
        RangedCodingCase { "LevelIndicator", [] { return Ref<RangedValueCell>(make<LevelIndicatorCell>()); },
            [](RangedValueCell& c) { dynamic_cast<LevelIndicatorCell&>(c).setLevelIndicatorStyle(DiscreteCapacityLevelIndicatorStyle); },
            [](const RangedValueCell& c) {
                EXPECT_EQ(dynamic_cast<const LevelIndicatorCell&>(c).levelIndicatorStyle(), DiscreteCapacityLevelIndicatorStyle);
            } }),
    [](const testing::TestParamInfo<RangedCodingCase>& info) { return std::string(info.param.name); });

// A slider whose increment was never set keeps following its range after decoding.
TEST(RangedValueCoding, ASlidersUnsetKeyIncrementFollowsTheDecodedRange)
{
    auto cell = make<SliderCell>();
    cell->setMaxValue(40);
    QString error;
    const auto decoded = dynamic_pointer_cast<SliderCell>(KeyedUnarchiver::unarchivedObjectOfClass(
        SliderCell::staticClass(), KeyedArchiver::archivedDataWithRootObject(Value(Ref<Object>(cell))), &error));
    ASSERT_TRUE(decoded) << error.toStdString();
    EXPECT_EQ(decoded->keyIncrement(), 2);
    decoded->setMaxValue(100);
    EXPECT_EQ(decoded->keyIncrement(), 5);
}

// A style the level indicator does not know, from a file a user edited, keeps the default look.
TEST(RangedValueCoding, AnUnknownLevelIndicatorStyleKeepsTheDefault)
{
    for (const char* style : { "-1", "4", "99" }) {
        const auto [decoded, error] = decodeLeniently<LevelIndicatorCell>(
            archiveOf(QStringLiteral(R"([{"$class": "LevelIndicatorCell", "kit.levelIndicatorStyle": %1}])").arg(style).toUtf8().constData()));
        ASSERT_TRUE(decoded);
        EXPECT_EQ(decoded->levelIndicatorStyle(), make<LevelIndicatorCell>()->levelIndicatorStyle()) << style;
    }
}

// A stepper placed from an interface file steps within its own range, from its own value.
TEST(RangedValueCoding, AnInterfaceFileStepperKeepsItsRangeAndValue)
{
    const QByteArray data = R"({"$archiver": "KeyedArchiver", "$version": 1,
        "$top": {"objects": [{"$ref": 0}],
                 "actions": [{"source": {"$ref": 0}, "selector": "act", "target": {"$placeholder": "File's Owner"}}]},
        "$objects": [{"$class": "Stepper", "frame": {"$rect": [0, 0, 19, 27]}, "kit.cell": {"$ref": 1}},
                     {"$class": "StepperCell", "kit.objectValue": 1999.0, "kit.minValue": 1900.0, "kit.maxValue": 2100.0,
                      "kit.increment": 10.0, "kit.valueWraps": false}]})";
    auto owner = make<test::RecordingTarget>();
    Array objects;
    QString error;
    ASSERT_TRUE(NibLoader::loadInterfaceData(data, "Year", owner.get(), &objects, &error)) << error.toStdString();
    ASSERT_EQ(objects.count(), 1);
    const auto stepper = objects[0].objectAs<Stepper>();
    ASSERT_TRUE(stepper);
    EXPECT_EQ(stepper->minValue(), 1900);
    EXPECT_EQ(stepper->maxValue(), 2100);
    EXPECT_EQ(stepper->doubleValue(), 1999);
    EXPECT_EQ(stepper->increment(), 10);
    EXPECT_FALSE(stepper->valueWraps());
    EXPECT_TRUE(stepper->autorepeat()); // absent: the default
    for (int i = 0; i < 11; ++i)
        stepper->stepperCell()->step(true);
    EXPECT_EQ(stepper->doubleValue(), 2100);
}

} // namespace
