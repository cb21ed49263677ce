#include "ControlsTestSupport.h"
#include "kit/controls/Button.h"
#include "kit/controls/ButtonCell.h"
#include "kit/foundation/KeyedArchiver.h"
#include "kit/foundation/KeyedUnarchiver.h"
#include "kit/foundation/NumberFormatter.h"

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

template <class C> Ref<C> roundTrip(const Ref<C>& cell)
{
    QString error;
    const Ref<Object> object = KeyedUnarchiver::unarchivedObjectOfClass(
        C::staticClass(), KeyedArchiver::archivedDataWithRootObject(Value(Ref<Object>(cell))), &error);
    EXPECT_TRUE(object) << error.toStdString();
    return dynamic_pointer_cast<C>(object);
}

// A decoded switch or radio button must still look and toggle like one; its images and how they
// scale and dim come back too.
TEST(CellCoding, AButtonKeepsItsTypeAndImages)
{
    for (const ButtonType type : { SwitchButton, RadioButton, PushOnPushOffButton, MomentaryChangeButton }) {
        auto cell = make<ButtonCell>();
        cell->setButtonType(type);
        cell->setImage(Image::imageNamed(ImageNameAddTemplate));
        cell->setAlternateImage(Image::imageNamed(ImageNameRemoveTemplate));
        cell->setImageScaling(ImageScaleAxesIndependently);
        cell->setImageDimsWhenDisabled(false);
        cell->setBordered(type == PushOnPushOffButton);
        const Ref<ButtonCell> copy = roundTrip(cell);
        ASSERT_TRUE(copy);
        EXPECT_EQ(copy->buttonType(), type);
        EXPECT_EQ(copy->nextState(), cell->nextState()) << int(type);
        copy->setNextState();
        EXPECT_EQ(copy->state(), cell->nextState()) << int(type);
        EXPECT_EQ(copy->isBordered(), type == PushOnPushOffButton);
        EXPECT_EQ(copy->imagePosition(), cell->imagePosition());
        ASSERT_TRUE(copy->alternateImage());
        EXPECT_EQ(copy->alternateImage()->name(), ImageNameRemoveTemplate);
        EXPECT_EQ(copy->imageScaling(), ImageScaleAxesIndependently);
        EXPECT_FALSE(copy->imageDimsWhenDisabled());
    }
}

TEST(CellCoding, ACellKeepsItsTypeEditingAndActionMask)
{
    auto cell = make<ActionCell>();
    cell->setType(ImageCellType);
    cell->setEditable(true);
    cell->sendActionOn(LeftMouseDownMask | PeriodicMask);
    Ref<ActionCell> copy = roundTrip(cell);
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->type(), ImageCellType);
    EXPECT_TRUE(copy->isEditable());
    EXPECT_TRUE(copy->isSelectable());
    EXPECT_EQ(copy->actionMask(), std::uint64_t(LeftMouseDownMask | PeriodicMask));

    cell->setSelectable(true); // selectable alone
    cell->setEditable(false);
    cell->setType(NullCellType);
    copy = roundTrip(cell);
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->type(), NullCellType);
    EXPECT_FALSE(copy->isEditable());
    EXPECT_TRUE(copy->isSelectable());
}

// A text cell's value, its formatter and its font are what it shows: an archive must keep them.
TEST(CellCoding, ATextCellKeepsItsValueFormatterAndFont)
{
    auto formatter = make<NumberFormatter>();
    formatter->setNumberStyle(NumberFormatterDecimalStyle);
    formatter->setAllowsFloats(false);
    formatter->setFormat("#0");
    auto cell = make<ActionCell>();
    cell->setFormatter(formatter);
    cell->setIntegerValue(1234);
    QFont font("DejaVu Sans");
    font.setPixelSize(17);
    cell->setFont(font);
    const QByteArray data = KeyedArchiver::archivedDataWithRootObject(Value(Ref<Object>(cell)));
    QString error;
    const auto copy = dynamic_pointer_cast<ActionCell>(KeyedUnarchiver::unarchivedObjectOfClass(ActionCell::staticClass(), data, &error));
    ASSERT_TRUE(copy) << error.toStdString();
    EXPECT_EQ(copy->integerValue(), 1234);
    EXPECT_EQ(copy->stringValue(), "1234");
    EXPECT_EQ(copy->font().pixelSize(), 17);
    ASSERT_TRUE(copy->formatter());
    copy->setStringValue("3.5"); // still refused by the decoded formatter
    EXPECT_EQ(copy->integerValue(), 1234);

    // A button's title and state are not disturbed by the value it archives too.
    auto button = make<ButtonCell>();
    button->setButtonType(SwitchButton);
    button->setState(OnState);
    button->setTitle("On");
    const auto buttonCopy = dynamic_pointer_cast<ButtonCell>(KeyedUnarchiver::unarchivedObjectOfClass(
        ButtonCell::staticClass(), KeyedArchiver::archivedDataWithRootObject(Value(Ref<Object>(button))), &error));
    ASSERT_TRUE(buttonCopy) << error.toStdString();
    EXPECT_EQ(buttonCopy->state(), OnState);
    EXPECT_EQ(buttonCopy->title(), "On");
}

// Settings from a file a user edited: numbers far out of range and values of the wrong kind must
// leave a cell that measures and draws without fault.
TEST(CellCoding, OutOfRangeAndWrongKindsStillDraw)
{
    const QByteArray data = R"({"$archiver": "KeyedArchiver", "$version": 1, "$top": {"root": {"$ref": 0}}, "$objects": [
        {"$class": "Button", "frame": {"$rect": [10, 10, 120, 30]}, "kit.cell": {"$ref": 1}},
        {"$class": "ButtonCell", "kit.state": 9, "kit.alignment": 77, "kit.controlSize": -3, "kit.lineBreakMode": 1000,
         "kit.focusRingType": 12, "kit.imagePosition": 99, "kit.bezelStyle": -1, "kit.highlightsBy": -1, "kit.showsStateBy": 4096,
         "kit.title": {"$ref": 0}, "kit.keyEquivalent": 5, "kit.action": [], "kit.target": "someone", "kit.tag": "seven",
         "kit.enabled": "maybe", "kit.keyEquivalentModifierMask": -1}]})";
    auto unarchiver = make<KeyedUnarchiver>(data);
    const auto button = unarchiver->decodeObjectForKey("root").objectAs<Button>();
    ASSERT_TRUE(button && button->buttonCell());
    EXPECT_FALSE(unarchiver->error().isEmpty());
    EXPECT_EQ(button->title(), "");
    EXPECT_FALSE(button->target());
    EXPECT_EQ(button->tag(), 0);

    test::ControlWindow w;
    w.content->addSubview(button.get());
    (void)button->buttonCell()->cellSize();
    w.window->display();
}

} // namespace
