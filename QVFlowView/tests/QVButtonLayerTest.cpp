#include "QVFlowView/QVButtonLayer.h"

#include "QVFlowView/QVVideoOverlayLayer.h"
#include "kit/appkit/FrameDriver.h"
#include "kit/layers/Transaction.h"
#include "kit/testsupport/ManualClockScope.h"
#include "kit/testsupport/PixelProbe.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace qv_button_layer_test {

using namespace kit;

class ClickTarget : public Object {
    KIT_CLASS(ClickTarget)
public:
    void clicked(Object* sender)
    {
        ++clicks;
        last = sender;
    }
    int clicks = 0;
    Object* last = nullptr;
};

KIT_REGISTER_CLASS(ClickTarget, Object) { c.action("clicked", &ClickTarget::clicked); }

// A white disc on transparency: the button's shape.
Ref<CGImage> discImage()
{
    QImage image(40, 40, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::white);
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QRectF(4, 4, 32, 32));
    painter.end();
    return CGImage::create(image);
}

// Renders a layer at the origin; y up: row 0 of the image is the layer's top edge.
QImage render(Layer& layer)
{
    const Rect b = layer.bounds();
    const Ref<CGContext> context = CGContext::createBitmap(int(b.size.width), int(b.size.height));
    layer.renderInContext(*context);
    return context->createImage()->image();
}

// The pixel at (x, y) of y-up layer space.
QColor at(const QImage& image, double x, double y) { return test::pixel(image, int(x), image.height() - 1 - int(y)); }

class ButtonLayer : public testing::Test {
protected:
    void SetUp() override
    {
        button = make<QVButtonLayer>();
        button->setBounds(Rect { { 0, 0 }, { 40, 40 } });
        button->setImage(discImage());
    }
    void TearDown() override { Transaction::resetForTesting(); }
    Ref<QVButtonLayer> button;
};

TEST_F(ButtonLayer, StoredKeysRedraw)
{
    for (const char* key : { "highlighted", "enabled", "type", "state" })
        EXPECT_TRUE(button->needsDisplayForKey(QString::fromUtf8(key))) << key;
    EXPECT_FALSE(button->needsDisplayForKey(QStringLiteral("opacity")));
    EXPECT_FALSE(button->isHighlighted());
    EXPECT_FALSE(button->isEnabled());
    EXPECT_EQ(button->state(), 0);
    EXPECT_EQ(button->type(), 0u);
    EXPECT_FALSE(button->isOpaque());
}

TEST_F(ButtonLayer, StateOneWithoutAnAlternateImageDrawsNothing)
{
    EXPECT_EQ(at(render(*button), 20, 20).alpha(), 255);
    button->setState(1);
    EXPECT_EQ(at(render(*button), 20, 20).alpha(), 0);
}

TEST_F(ButtonLayer, TheHighlightDarkensOnlyInsideTheShape)
{
    button->setHighlighted(true);
    const QImage image = render(*button);
    EXPECT_TRUE(test::pixelIs(image, 20, 20, QColor(191, 191, 191, 255), 3));
    EXPECT_EQ(at(image, 1, 1).alpha(), 0);
}

TEST_F(ButtonLayer, PerformClickSendsTheActionAndClearsTheHighlight)
{
    button->setHighlighted(true);
    button->performClick(nullptr);
    EXPECT_FALSE(button->isHighlighted());
    auto target = make<ClickTarget>();
    button->setTarget(target.get());
    button->setAction(Selector("clicked"));
    button->setHighlighted(true);
    EXPECT_TRUE(button->respondsToSelector(Selector("performClick")));
    button->performSelectorWithObject(Selector("performClick"), Value());
    EXPECT_EQ(target->clicks, 1);
    EXPECT_EQ(target->last, button.get());
    EXPECT_FALSE(button->isHighlighted());
}

// The overlay ---------------------------------------------------------------------------------------

class OverlayLayer : public testing::Test {
protected:
    void SetUp() override
    {
        overlay = make<QVVideoOverlayLayer>();
        overlay->setBounds(Rect { { 0, 0 }, { 60, 60 } });
    }
    void TearDown() override { Transaction::resetForTesting(); }
    // Only the overlay's own drawing, without the button above it.
    QImage disc()
    {
        const Ref<CGContext> context = CGContext::createBitmap(60, 60);
        overlay->drawInContext(*context);
        return context->createImage()->image();
    }
    // A point at `radius` from the centre, `degrees` anticlockwise from the right (y up).
    static QColor polar(const QImage& image, double radius, double degrees)
    {
        const double a = degrees * std::numbers::pi / 180;
        return at(image, 30 + radius * std::cos(a), 30 + radius * std::sin(a));
    }
    static bool isRing(QColor c) { return c.alpha() == 255 && c.red() > 150; }
    static bool isDisc(QColor c) { return c.alpha() > 150 && c.alpha() < 220 && c.red() < 60; }

    test::ManualClockScope clock;
    Ref<QVVideoOverlayLayer> overlay;
};

TEST_F(OverlayLayer, TheButtonSitsInTheMiddle)
{
    const Ref<QVButtonLayer> button = overlay->buttonLayer();
    EXPECT_EQ(button->bounds().size, (Size { 40, 40 }));
    EXPECT_EQ(button->cornerRadius(), 20);
    EXPECT_EQ(button->borderWidth(), 2);
    EXPECT_EQ(button->type(), 1u);
    EXPECT_EQ(button->image(), QVVideoOverlayLayer::playImage());
    EXPECT_EQ(button->alternateImage(), QVVideoOverlayLayer::pauseImage());
    EXPECT_EQ(button->target(), overlay);
    EXPECT_EQ(button->action(), Selector("buttonClicked"));
    overlay->layoutIfNeeded();
    EXPECT_EQ(button->position(), (Point { 30, 30 }));
    // The play symbol: a triangle pointing right, (14, 13), (27, 20), (14, 27).
    const QImage play = QVVideoOverlayLayer::playImage()->image();
    EXPECT_EQ(at(play, 16, 20).alpha(), 255);
    EXPECT_EQ(at(play, 12, 20).alpha(), 0);
    const QImage pause = QVVideoOverlayLayer::pauseImage()->image();
    EXPECT_EQ(at(pause, 16.5, 20).alpha(), 255);
    EXPECT_EQ(at(pause, 20, 20).alpha(), 0);
    EXPECT_EQ(at(pause, 23.5, 20).alpha(), 255);
}

TEST_F(OverlayLayer, CollapsedItIsA38PointDisc)
{
    const QImage image = disc();
    EXPECT_TRUE(isDisc(polar(image, 17, 30)));
    EXPECT_EQ(polar(image, 21, 30).alpha(), 0);
}

TEST_F(OverlayLayer, ExpandedTheDiscIs58AndTheRingFollowsTheValue)
{
    overlay->setIndicatorScale(1);
    overlay->setIndicatorValue(0.25);
    QImage image = disc();
    EXPECT_TRUE(isDisc(polar(image, 27, 200)) || isRing(polar(image, 27, 200)));
    EXPECT_EQ(polar(image, 31, 200).alpha(), 0);
    // A quarter from the top, clockwise: it ends on the right.
    EXPECT_TRUE(isRing(polar(image, 24, 45)));
    EXPECT_TRUE(isRing(polar(image, 24, 5)));
    EXPECT_FALSE(isRing(polar(image, 24, -5)));
    EXPECT_FALSE(isRing(polar(image, 24, 135)));
    overlay->setIndicatorValue(0);
    image = disc();
    EXPECT_FALSE(isRing(polar(image, 24, 45)));
    overlay->setIndicatorValue(1);
    image = disc();
    for (const double degrees : { 45.0, 135.0, 225.0, 315.0 })
        EXPECT_TRUE(isRing(polar(image, 24, degrees))) << degrees;
}

TEST_F(OverlayLayer, ExpandGrowsTheRingOverAFraction)
{
    overlay->expand();
    EXPECT_EQ(overlay->indicatorScale(), 1);
    EXPECT_EQ(overlay->buttonLayer()->state(), 1);
    ASSERT_TRUE(overlay->animationForKey(QStringLiteral("indicatorScale")));
    EXPECT_DOUBLE_EQ(overlay->animationForKey(QStringLiteral("indicatorScale"))->duration(), 0.15);
    Transaction::flush();
    clock.advance(0.075);
    // Half-way through an ease-in-ease-out curve: half grown, in the copy that is drawn.
    const auto presented = dynamic_pointer_cast<QVVideoOverlayLayer>(overlay->presentationLayer());
    ASSERT_TRUE(presented);
    EXPECT_NEAR(presented->indicatorScale(), 0.5, 1e-6);
    EXPECT_EQ(overlay->indicatorScale(), 1);
    clock.advance(0.1);
    FrameDriver::shared().tick();
    overlay->collapse();
    EXPECT_EQ(overlay->indicatorScale(), 0);
    EXPECT_EQ(overlay->buttonLayer()->state(), 0);
}

} // namespace qv_button_layer_test
