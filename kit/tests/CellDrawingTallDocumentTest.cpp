// Cells far down a tall document: QStyle takes int rectangles, so a cell 3 × 10^9 points down a
// view must still get its bezel and its text at the pixels it gets near the top.

#include "kit/appkit/ClipView.h"
#include "kit/appkit/ScrollView.h"
#include "kit/controls/ButtonCell.h"
#include "kit/controls/TextFieldCell.h"
#include "kit/tests/ControlsTestSupport.h"

#include <QImage>

#include <gtest/gtest.h>

namespace {

using namespace kit;

// A flipped document drawing a bezeled text field cell and a push button at `top`, or nothing.
class TallCellDocument : public View {
public:
    TallCellDocument(Rect frame, double top, bool flipped)
        : View(frame)
        , top_(top)
        , flipped_(flipped)
    {
        field_->setBezeled(true);
        field_->setDrawsBackground(true);
        button_->setBezelStyle(RoundedBezelStyle);
    }
    bool isFlipped() const override { return flipped_; }
    void drawRect(Rect) override
    {
        if (!drawCells)
            return;
        // In an unflipped document the cells stand the same distance below the visible top.
        const double y = flipped_ ? top_ : bounds().maxY() - top_ - 22;
        field_->drawWithFrameInView(MakeRect(20, y, 120, 22), this);
        button_->drawWithFrameInView(MakeRect(150, y, 90, 22), this);
    }
    bool drawCells = true;

private:
    double top_;
    bool flipped_;
    Ref<TextFieldCell> field_ = make<TextFieldCell>(QStringLiteral("Far 42"));
    Ref<ButtonCell> button_ = make<ButtonCell>(QStringLiteral("Press"));
};

struct TallCellShot {
    QImage withCells;
    QImage without;
};

// The window with the document scrolled so that the cells stand 30 points below the visible top.
TallCellShot tallCellShot(double documentHeight, double cellTop, bool flipped)
{
    test::ControlWindow w({ 300, 120 });
    auto scroll = make<ScrollView>(MakeRect(0, 0, 300, 120));
    auto document = make<TallCellDocument>(MakeRect(0, 0, 285, documentHeight), cellTop, flipped);
    scroll->setDocumentView(document.get());
    w.content->addSubview(scroll.get());
    const double visibleTop = cellTop - 30;
    scroll->contentView()->scrollToPoint({ 0, flipped ? visibleTop : documentHeight - visibleTop - 120 });
    scroll->reflectScrolledClipView(scroll->contentView().get());
    TallCellShot shot;
    shot.withCells = w.window->snapshot();
    document->drawCells = false;
    document->setNeedsDisplay(true);
    shot.without = w.window->snapshot();
    return shot;
}

int tallCellDifferences(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return -1;
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            n += a.pixel(x, y) != b.pixel(x, y) ? 1 : 0;
    return n;
}

class CellDrawingTallDocument : public ::testing::TestWithParam<bool> { };

TEST_P(CellDrawingTallDocument, ACellThreeBillionPointsDownDrawsAsNearTheTop)
{
    const bool flipped = GetParam();
    const TallCellShot near = tallCellShot(400, 60, flipped);
    const TallCellShot far = tallCellShot(3e9 + 400, 3e9 + 60, flipped);
    // The cells drew something (bezel, text) in both places...
    EXPECT_GT(tallCellDifferences(near.withCells, near.without), 200);
    EXPECT_GT(tallCellDifferences(far.withCells, far.without), 200);
    // ...and the same pixels.
    EXPECT_EQ(tallCellDifferences(near.withCells, far.withCells), 0);
}

INSTANTIATE_TEST_SUITE_P(Flip, CellDrawingTallDocument, ::testing::Bool(), [](const auto& info) {
    return info.param ? std::string("Flipped") : std::string("Unflipped");
});

} // namespace
