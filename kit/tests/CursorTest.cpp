#include "kit/graphics/Cursor.h"

#include "kit/graphics/CGImage.h"

#include <QPixmap>

#include <gtest/gtest.h>

#include <vector>

namespace {

using kit::Cursor;

class CursorTest : public testing::Test {
protected:
    void SetUp() override
    {
        Cursor::resetForTesting();
        Cursor::setPresenter([this](const Cursor& c) { shown.push_back(&c); });
    }
    void TearDown() override { Cursor::resetForTesting(); }
    std::vector<const Cursor*> shown;
};

TEST_F(CursorTest, HotSpotCountsFromTheImagesTopLeft)
{
    QImage pixels(20, 20, QImage::Format_ARGB32_Premultiplied);
    pixels.fill(Qt::black);
    auto image = kit::Image::imageWithCGImageSize(kit::CGImage::create(pixels), kit::ZeroSize);
    auto cursor = kit::make<Cursor>(image, kit::Point { 8, 8 });
    EXPECT_EQ(cursor->hotSpot(), (kit::Point { 8, 8 }));
    const QCursor q = cursor->qCursor();
    EXPECT_EQ(q.hotSpot(), QPoint(8, 8));
    EXPECT_EQ(q.pixmap().size(), QSize(20, 20));
    auto hand = kit::make<Cursor>(image, kit::Point { 5, 0 });
    EXPECT_EQ(hand->qCursor().hotSpot(), QPoint(5, 0));
    EXPECT_EQ(Cursor::resizeLeftCursor()->qCursor().shape(), Qt::SizeHorCursor);
}

TEST_F(CursorTest, SetLeavesTheStackPushAndPopUseIt)
{
    EXPECT_EQ(Cursor::currentCursor(), Cursor::arrowCursor());
    for (int i = 0; i < 5; ++i)
        Cursor::closedHandCursor()->push(); // one push per drag event
    EXPECT_EQ(Cursor::stackDepth(), 5);
    Cursor::arrowCursor()->set();
    EXPECT_EQ(Cursor::currentCursor(), Cursor::arrowCursor());
    EXPECT_EQ(shown.back(), Cursor::arrowCursor().get());
    EXPECT_EQ(Cursor::stackDepth(), 5);
    Cursor::pop();
    EXPECT_EQ(Cursor::currentCursor(), Cursor::closedHandCursor());
    for (int i = 0; i < 10; ++i)
        Cursor::pop();
    EXPECT_EQ(Cursor::stackDepth(), 0);
    EXPECT_EQ(Cursor::currentCursor(), Cursor::arrowCursor());
}

} // namespace
