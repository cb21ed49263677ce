#include "JVLAppKit/JVLPopUpButton/JVLPopUpButton.h"

#include "kit/appkit/Window.h"
#include "kit/foundation/KeyedArchiver.h"
#include "kit/foundation/KeyedUnarchiver.h"
#include "kit/testsupport/PixelProbe.h"

#include <gtest/gtest.h>

using namespace kit;

TEST(JVLPopUpButton, IsFoundByNameWithItsOwnCell)
{
    const Class* cls = classFromString("JVLPopUpButton");
    ASSERT_TRUE(cls);
    ASSERT_TRUE(classFromString("JVLPopUpButtonCell"));
    Ref<Object> made = cls->make();
    auto* button = dynamic_cast<JVLPopUpButton*>(made.get());
    ASSERT_TRUE(button);
    EXPECT_TRUE(dynamic_cast<JVLPopUpButtonCell*>(button->cell().get()));
}

TEST(JVLPopUpButton, SurvivesAKeyedArchiveWithItsCellClass)
{
    auto button = make<JVLPopUpButton>(MakeRect(0, 0, 80, 14));
    button->addItemsWithTitles({ "Designer:", "Manufacturer:", "Vendor:" });
    button->selectItemAtIndex(1);
    const QByteArray data = KeyedArchiver::archivedDataWithRootObject(Value(button));
    QString error;
    Ref<Object> back = KeyedUnarchiver::unarchiveTopLevelObjectWithDataError(data, &error).object();
    auto* decoded = dynamic_cast<JVLPopUpButton*>(back.get());
    ASSERT_TRUE(decoded) << error.toStdString();
    EXPECT_TRUE(dynamic_cast<JVLPopUpButtonCell*>(decoded->cell().get()));
    EXPECT_EQ(decoded->itemTitles(), button->itemTitles());
    EXPECT_EQ(decoded->indexOfSelectedItem(), 1);
}

TEST(JVLPopUpButton, TheLabelStyleDrawsItsTitleRightAlignedInsideItsBounds)
{
    auto window = make<Window>(MakeRect(100, 100, 120, 40), TitledWindowMask);
    auto content = make<View>(MakeRect(0, 0, 120, 40));
    window->setContentView(content.get());
    auto label = make<JVLPopUpButton>(MakeRect(20, 13, 80, 14));
    auto* cell = static_cast<PopUpButtonCell*>(label->cell().get());
    cell->setArrowPosition(PopUpArrowAtBottom);
    cell->setControlSize(SmallControlSize);
    label->setPreferredEdge(MinXEdge);
    cell->setBezelStyle(SmallSquareBezelStyle);
    cell->setBordered(false);
    cell->setAlignment(RightTextAlignment);
    label->addItemsWithTitles({ "Name:" });
    label->selectItemAtIndex(0);
    content->addSubview(label.get());

    const QImage shot = window->snapshot();
    const double scale = shot.width() / 120.0;
    const QColor background = test::pixel(shot, 2, 2);
    auto inked = [&](int x0, int x1) {
        for (int x = int(x0 * scale); x < int(x1 * scale); ++x)
            for (int y = int(13 * scale); y < int(27 * scale); ++y)
                if (!test::pixelIs(shot, x, y, background, 60))
                    return true;
        return false;
    };
    // Ink right of the label's centre, none in its left third, and none outside its frame.
    EXPECT_TRUE(inked(60, 100));
    EXPECT_FALSE(inked(20, 40));
    EXPECT_FALSE(inked(0, 20));
    EXPECT_FALSE(inked(100, 120));
    for (int x = int(20 * scale); x < int(100 * scale); ++x) {
        EXPECT_TRUE(test::pixelIs(shot, x, int(12 * scale) - 1, background, 60)) << x;
        EXPECT_TRUE(test::pixelIs(shot, x, int(27 * scale) + 1, background, 60)) << x;
    }
}
