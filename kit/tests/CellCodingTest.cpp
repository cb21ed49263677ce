#include "kit/controls/ButtonCell.h"
#include "kit/foundation/KeyedArchiver.h"
#include "kit/foundation/KeyedUnarchiver.h"

#include <gtest/gtest.h>

namespace {

using namespace kit;

TEST(CellCoding, AButtonCellsSettingsSurviveARoundTrip)
{
    auto cell = make<ButtonCell>();
    cell->setButtonType(SwitchButton);
    cell->setAllowsMixedState(true);
    cell->setState(MixedState);
    cell->setTitle("Remember");
    cell->setAlternateTitle("Forget");
    cell->setKeyEquivalent("\r");
    cell->setKeyEquivalentModifierMask(AlternateKeyMask);
    cell->setAction("act");
    cell->setTag(7);
    auto target = make<ButtonCell>();
    cell->setTarget(target.get());
    cell->setEnabled(false);
    cell->setAlignment(CenterTextAlignment);
    cell->setControlSize(SmallControlSize);
    cell->setShowsBorderOnlyWhileMouseInside(true);
    const QByteArray data = KeyedArchiver::archivedDataWithRootObject(Value(Ref<Object>(cell)));
    QString error;
    const Ref<Object> object = KeyedUnarchiver::unarchivedObjectOfClass(ButtonCell::staticClass(), data, &error);
    const auto copy = dynamic_pointer_cast<ButtonCell>(object);
    ASSERT_TRUE(copy) << error.toStdString();
    EXPECT_EQ(copy->highlightsBy(), cell->highlightsBy());
    EXPECT_EQ(copy->showsStateBy(), cell->showsStateBy());
    EXPECT_TRUE(copy->allowsMixedState());
    EXPECT_EQ(copy->state(), MixedState);
    EXPECT_EQ(copy->title(), "Remember");
    EXPECT_EQ(copy->alternateTitle(), "Forget");
    EXPECT_TRUE(copy->isDefaultButton());
    EXPECT_EQ(copy->keyEquivalentModifierMask(), AlternateKeyMask);
    EXPECT_EQ(copy->action(), Selector("act"));
    EXPECT_EQ(copy->tag(), 7);
    EXPECT_FALSE(copy->isEnabled());
    EXPECT_EQ(copy->alignment(), CenterTextAlignment);
    EXPECT_EQ(copy->controlSize(), SmallControlSize);
    EXPECT_TRUE(copy->showsBorderOnlyWhileMouseInside());
    // The target is conditional: nothing else archived it.
    EXPECT_FALSE(copy->target());
}

} // namespace
