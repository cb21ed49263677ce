// The inspector's layout: minimum heights and insets from its typesetter, hosted views centred on
// their lines and placed where their attachments are shown, the correction by kind of control.

#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorTextField.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorViewField.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorViewTextAttachmentCell.h"
#include "JVLAppKit/WBSmallDateControl/WBSmallDateControl.h"
#include "JVLAppKit/tests/JVLTextViewInspectorTestSupport.h"

#include "kit/controls/Button.h"
#include "kit/controls/DatePicker.h"
#include "kit/controls/PopUpButton.h"
#include "kit/controls/TextField.h"
#include "kit/graphics/BezierPath.h"
#include "kit/graphics/Color.h"
#include "kit/graphics/GraphicsContext.h"
#include "kit/testsupport/PixelProbe.h"
#include "kit/text/LayoutManager.h"
#include "kit/text/TextContainer.h"
#include "kit/text/TextStorage.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using namespace kit;
using Label = JVLTextViewInspectorFieldLabel;

Ref<JVLTextViewInspectorTextField> layoutField(const char* id)
{
    auto field = JVLTextViewInspectorTextField::fieldWithIdentifierPlaceholderAndLabel(
        QString::fromUtf8(id), QStringLiteral("P"), Label::fieldLabelWithString(QString::fromUtf8(id)));
    field->setValue(Value(QStringLiteral("value")));
    return field;
}

void layOut(InspectorFixture& f) { f.inspector->layoutManager()->ensureLayoutForTextContainer(f.inspector->textContainer().get()); }

TEST(InspectorLayout, AMinimumHeightPushesTheNextFieldDownUnlessItSuppressesIt)
{
    InspectorFixture f;
    auto a = layoutField("a");
    a->setMinimumHeight(40);
    auto b = layoutField("b");
    auto c = layoutField("c");
    c->setMinimumHeight(60);
    c->setSuppressMinimumHeight(true);
    auto d = layoutField("d");
    f.inspector->addFieldsArray({ a, b, c, d });
    layOut(f);
    EXPECT_EQ(b->lineFragmentRect().minY(), double(float(a->lineFragmentRect().minY() + 40)));
    // c suppresses: it is not pushed by b (which has no minimum) and it is skipped as d's
    // reference, so b (no minimum) leaves d where it falls.
    EXPECT_EQ(d->lineFragmentRect().minY(), c->lineFragmentRect().maxY());

    // The first field is never pushed; the inset moves a line right.
    f.inspector->removeAllFields();
    auto first = layoutField("first");
    first->setInsetValue(12);
    first->setMinimumHeight(30);
    auto second = layoutField("second");
    second->setSuppressMinimumHeight(true);
    f.inspector->addFieldsArray({ first, second });
    layOut(f);
    const Rect firstLine = f.inspector->layoutManager()->lineFragmentRectForGlyphAtIndexEffectiveRange(0);
    EXPECT_EQ(first->lineFragmentRect().minX(), 12);
    EXPECT_LT(second->lineFragmentRect().minY(), first->lineFragmentRect().minY() + 30);
    EXPECT_GE(first->lineFragmentRect().minY(), firstLine.maxY());
}

TEST(InspectorLayout, TheSuppressChainFindsTheFieldBefore)
{
    InspectorFixture f;
    auto a = layoutField("a");
    a->setMinimumHeight(50);
    auto b = layoutField("b");
    b->setSuppressMinimumHeight(true);
    auto c = layoutField("c");
    f.inspector->addFieldsArray({ a, b, c });
    layOut(f);
    // b is skipped as c's reference: a's minimum applies to c.
    EXPECT_GE(c->lineFragmentRect().minY(), double(float(a->lineFragmentRect().minY() + 50)));
}

TEST(InspectorLayout, HostedViewsSitOnTheirLinesOnceDrawn)
{
    InspectorFixture f;
    f.inspector->setEditableState(true);
    auto above = layoutField("above");
    auto hosted = make<View>(MakeRect(0, 0, 40, 16));
    auto field = JVLTextViewInspectorViewField::viewFieldWithIdentifierFieldViewAndLabel("v", hosted, Label::fieldLabelWithString("View"));
    f.inspector->addFieldsArray({ above, field });
    EXPECT_TRUE(hosted->isHidden());
    f.inspector->display();
    EXPECT_FALSE(hosted->isHidden());
    const std::int64_t attachment = f.inspector->string().indexOf(QChar(0xFFFC));
    const Rect line = f.inspector->layoutManager()->lineFragmentRectForGlyphAtIndexEffectiveRange(attachment);
    const Point origin = f.inspector->textContainerOrigin();
    const Rect frame = hosted->frame();
    EXPECT_GE(frame.minY(), line.minY() + origin.y - 1);
    EXPECT_LE(frame.maxY(), line.maxY() + origin.y + 1);
    // The value column starts at the left tab stop, inside the line fragment padding.
    EXPECT_EQ(frame.minX(), f.inspector->maxLabelWidth() + f.inspector->textContainer()->lineFragmentPadding() + origin.x);

    // A longer value above moves the view with its line in the next pass.
    above->setValue(Value(QStringLiteral("value\nwith two lines")));
    f.inspector->display();
    const Rect moved = f.inspector->layoutManager()->lineFragmentRectForGlyphAtIndexEffectiveRange(f.inspector->string().indexOf(QChar(0xFFFC)));
    EXPECT_GT(moved.minY(), line.minY());
    EXPECT_GE(hosted->frame().minY(), moved.minY() + origin.y - 1);
}

struct CorrectionCase {
    const char* name;
    std::function<Ref<View>()> make;
    double correction;
};

class InspectorCellCorrection : public testing::TestWithParam<CorrectionCase> { };

TEST_P(InspectorCellCorrection, LowersEachKindOfControlByItsAmount)
{
    auto frameFor = [](const Ref<View>& view) {
        auto cell = make<JVLTextViewInspectorViewTextAttachmentCell>();
        cell->setView(view);
        cell->setLabelFont(JVLTextViewInspector::labelFont());
        return cell->cellFrameForTextContainerProposedLineFragmentGlyphPositionCharacterIndex(nullptr, MakeRect(0, 0, 300, 30), MakePoint(0, 0), 0);
    };
    const Ref<View> control = GetParam().make();
    const Rect plain = frameFor(make<View>(control->frame()));
    const Rect corrected = frameFor(control);
    EXPECT_EQ(corrected.minY() - plain.minY(), GetParam().correction);
    EXPECT_EQ(corrected.size, plain.size);
}

INSTANTIATE_TEST_SUITE_P(Controls, InspectorCellCorrection,
    testing::Values(
        CorrectionCase { "BorderedPopUp",
            [] {
                auto p = make<PopUpButton>(MakeRect(0, 0, 80, 20));
                p->cell()->setBordered(true);
                return Ref<View>(p);
            },
            -2 },
        CorrectionCase { "PopUp",
            [] {
                auto p = make<PopUpButton>(MakeRect(0, 0, 80, 20));
                p->cell()->setBordered(false);
                return Ref<View>(p);
            },
            -1 },
        CorrectionCase { "BorderedButton",
            [] {
                auto b = make<Button>(MakeRect(0, 0, 80, 20));
                b->cell()->setBordered(true);
                return Ref<View>(b);
            },
            -2 },
        CorrectionCase { "Button",
            [] {
                auto b = make<Button>(MakeRect(0, 0, 80, 20));
                b->cell()->setBordered(false);
                return Ref<View>(b);
            },
            -1 },
        CorrectionCase { "SmallDateControl", [] { return Ref<View>(make<WBSmallDateControl>(MakeRect(0, 0, 80, 20))); }, -4 },
        CorrectionCase { "DatePicker", [] { return Ref<View>(make<DatePicker>(MakeRect(0, 0, 80, 20))); }, -2 },
        CorrectionCase { "TextField", [] { return Ref<View>(make<TextField>(MakeRect(0, 0, 80, 20))); }, 0 }),
    [](const testing::TestParamInfo<CorrectionCase>& info) { return info.param.name; });

TEST(InspectorLayout, AViewNotShownAtItsAttachmentReservesOneBySix)
{
    auto cell = make<JVLTextViewInspectorViewTextAttachmentCell>();
    cell->setView(make<View>(MakeRect(0, 0, 50, 50)));
    EXPECT_EQ(cell->cellSize(), MakeSize(50, 50));
    cell->setViewShouldNotShowAtAttachmentPosition(true);
    cell->setOverrideCellSize(MakeSize(1, 6));
    EXPECT_EQ(cell->cellSize(), MakeSize(1, 6));
    EXPECT_EQ(cell->cellBaselineOffset(), MakePoint(-1, 0));
    EXPECT_TRUE(cell->wantsToTrackMouse());
}

} // namespace

namespace {

// Draws `draw` into a white 400 x 100 image through a flipped context.
QImage inspectorRendered(const std::function<void()>& draw)
{
    QImage image(400, 100, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    {
        const Ref<GraphicsContext> context = GraphicsContext::graphicsContextWithImage(&image, true);
        GraphicsContext::Scope scope(context);
        draw();
    }
    return image.convertToFormat(QImage::Format_ARGB32);
}

// The rollover: a grey capsule around a range whose rounded ends stick out by half its height; its
// text is drawn over it, and the view's background drawing is on again afterwards.
TEST(InspectorRollover, ACapsuleAroundTheRangeIsFilledGreyUnderItsText)
{
    InspectorFixture f;
    auto a = layoutField("a");
    f.inspector->addFieldsArray({ a });
    layOut(f);
    const QString text = f.inspector->string();
    const Range value = { text.lastIndexOf(QStringLiteral("value")), 5 };
    const Ref<LayoutManager> manager = f.inspector->layoutManager();
    const Rect box = manager->boundingRectForGlyphRangeInTextContainer(
        manager->glyphRangeForCharacterRangeActualCharacterRange(value), f.inspector->textContainer().get());
    const Ref<BezierPath> capsule = f.inspector->rolloverForCharacterRange(value);
    ASSERT_TRUE(capsule);
    const double radius = box.height() / 2;
    EXPECT_NEAR(capsule->bounds().minX(), box.minX() - radius, 0.5);
    EXPECT_NEAR(capsule->bounds().maxX(), box.maxX() + radius, 0.5);
    EXPECT_NEAR(capsule->bounds().height(), box.height(), 0.5);

    // Nothing set: nothing drawn.
    const QImage idle = inspectorRendered([&] { f.inspector->drawRolloverIfNecessaryInRect(f.inspector->bounds()); });
    EXPECT_TRUE(test::pixelIs(idle, int(box.minX() - radius / 2), int(box.midY()), Qt::white, 2));

    f.inspector->setRollover(capsule);
    const QImage image = inspectorRendered([&] { f.inspector->drawRolloverIfNecessaryInRect(f.inspector->bounds()); });
    // Inside the rounded left end (no glyph there): grey; beyond the capsule: untouched.
    EXPECT_TRUE(test::pixelIs(image, int(box.minX() - radius / 2), int(box.midY()), Color::grayColor()->toQColor(), 12));
    EXPECT_TRUE(test::pixelIs(image, int(box.minX() - radius - 3), int(box.midY()), Qt::white, 2));
    EXPECT_TRUE(test::pixelIs(image, int(box.maxX() + radius + 3), int(box.midY()), Qt::white, 2));
    // The value's glyphs are drawn over the grey: some dark ink inside the box.
    const Point origin = f.inspector->textContainerOrigin();
    int ink = 0;
    for (int x = int(box.minX() + origin.x); x < int(box.maxX() + origin.x); ++x)
        ink += test::pixel(image, x, int(box.midY() + origin.y)).red() < 90;
    EXPECT_GT(ink, 0);
    EXPECT_TRUE(f.inspector->drawsBackground());
}

} // namespace
