#include "QVFlowView/QVVideoOverlayLayer.h"

#include "QVFlowView/QVFlowView.h"
#include "kit/appkit/CAAnimation.h"
#include "kit/graphics/Color.h"
#include "kit/layers/ConstraintLayoutManager.h"

#include <numbers>

using namespace kit;

namespace qv_video_overlay {

Rect insetBy(Rect r, double dx, double dy)
{
    return Rect { { r.origin.x + dx, r.origin.y + dy }, { r.size.width - 2 * dx, r.size.height - 2 * dy } };
}

Ref<CGImage> symbolImage(const Ref<CGPath>& path)
{
    const Ref<CGContext> context = CGContext::createBitmap(40, 40);
    if (!context)
        return nullptr;
    context->setGrayFillColor(1, 1);
    context->setShouldAntialias(true);
    context->beginPath();
    context->addPath(*path);
    context->eoFillPath();
    return context->createImage();
}

CGColor grey(double white, double alpha)
{
    CGColor c;
    c.r = c.g = c.b = white;
    c.a = alpha;
    return c;
}

} // namespace qv_video_overlay

QVVideoOverlayLayer::QVVideoOverlayLayer()
{
    auto button = make<QVButtonLayer>();
    setLayoutManager(ConstraintLayoutManager::layoutManager().get());
    const QString super = QStringLiteral("superlayer");
    setConstraints({ Constraint::constraintWithAttributeRelativeToAttribute(ConstraintMidX, super, ConstraintMidX),
        Constraint::constraintWithAttributeRelativeToAttribute(ConstraintMidY, super, ConstraintMidY) });
    button->setBorderColor(NSColorAdditions::QVFlowCGColor(*Color::whiteColor()));
    button->setBorderWidth(2);
    button->setCornerRadius(20);
    button->setBounds(Rect { { 0, 0 }, { 40, 40 } });
    button->setConstraints({ Constraint::constraintWithAttributeRelativeToAttribute(ConstraintMidX, super, ConstraintMidX),
        Constraint::constraintWithAttributeRelativeToAttribute(ConstraintMidY, super, ConstraintMidY) });
    button->setImage(playImage());
    button->setAlternateImage(pauseImage());
    button->setAction(Selector("buttonClicked"));
    button->setTarget(this);
    button->setType(1);
    button->setNeedsDisplay();
    buttonLayer_ = button;
    addSublayer(button.get());
}

Ref<CGPath> QVVideoOverlayLayer::newTrianglePathInRect(Rect rect)
{
    const Rect s = qv_video_overlay::insetBy(rect, 13, 13);
    auto path = CGPath::createMutable();
    path->moveToPoint(s.minX() + 1, s.minY());
    path->addLineToPoint(s.maxX(), s.midY());
    path->addLineToPoint(s.minX() + 1, s.maxY());
    path->closeSubpath();
    return path;
}

Ref<CGPath> QVVideoOverlayLayer::newPausePathInRect(Rect rect)
{
    const Rect s = qv_video_overlay::insetBy(rect, 13, 13);
    const double half = s.size.width / 2;
    auto path = CGPath::createMutable();
    path->addRect(qv_video_overlay::insetBy(Rect { s.origin, { half, s.size.height } }, 2, 0));
    path->addRect(qv_video_overlay::insetBy(Rect { { s.origin.x + half, s.origin.y }, { half, s.size.height } }, 2, 0));
    path->closeSubpath();
    return path;
}

Ref<CGImage> QVVideoOverlayLayer::playImage()
{
    static const Ref<CGImage> image = qv_video_overlay::symbolImage(newTrianglePathInRect(Rect { { 0, 0 }, { 40, 40 } }));
    return image;
}

Ref<CGImage> QVVideoOverlayLayer::pauseImage()
{
    static const Ref<CGImage> image = qv_video_overlay::symbolImage(newPausePathInRect(Rect { { 0, 0 }, { 40, 40 } }));
    return image;
}

void QVVideoOverlayLayer::setIndicatorScale(double scale)
{
    indicatorScale_ = scale;
    setNeedsDisplay();
}

void QVVideoOverlayLayer::setIndicatorValue(double value)
{
    indicatorValue_ = value;
    setNeedsDisplay();
}

bool QVVideoOverlayLayer::needsDisplayForKey(const QString& key) const
{
    return key == QLatin1String("indicatorScale") || key == QLatin1String("indicatorValue") || Layer::needsDisplayForKey(key);
}

void QVVideoOverlayLayer::setTarget(Object* target)
{
    if (buttonLayer_)
        buttonLayer_->setTarget(target);
}

void QVVideoOverlayLayer::setAction(Selector action)
{
    if (buttonLayer_)
        buttonLayer_->setAction(action);
}

void QVVideoOverlayLayer::animateIndicatorTo(double scale)
{
    auto animation = BasicAnimation::animationWithKeyPath(QStringLiteral("indicatorScale"));
    animation->setDuration(0.15);
    animation->setTimingFunction(MediaTimingFunction::functionWithName(MediaTimingFunctionEaseInEaseOut));
    animation->setFromValue(Value(1 - scale));
    animation->setToValue(Value(scale));
    addAnimationForKey(animation.get(), QStringLiteral("indicatorScale"));
    setIndicatorScale(scale);
    if (buttonLayer_)
        buttonLayer_->setState(scale > 0 ? 1 : 0);
}

void QVVideoOverlayLayer::expand() { animateIndicatorTo(1); }

void QVVideoOverlayLayer::collapse() { animateIndicatorTo(0); }

void QVVideoOverlayLayer::drawInContext(CGContext& context)
{
    const double s = indicatorScale_;
    const double v = indicatorValue_;
    Rect inner = qv_video_overlay::insetBy(bounds(), 1, 1);
    inner = qv_video_overlay::insetBy(inner, inner.midX() - 20, inner.midY() - 20);
    const Rect outer = qv_video_overlay::insetBy(inner, -10 * s, -10 * s);
    context.setShouldAntialias(true);
    context.setGrayFillColor(0.1, 0.75);
    if (s <= 0) {
        context.fillEllipseInRect(inner);
        return;
    }
    context.fillEllipseInRect(outer);
    if (v > 0) {
        context.beginPath();
        context.addArc(outer.midX(), outer.midY(), outer.size.width / 2 - 5 * s, std::numbers::pi / 2,
            std::numbers::pi / 2 - 2 * std::numbers::pi * v, true);
        context.setStrokeColor(qv_video_overlay::grey(0.75, 1));
        context.setLineWidth(10 * s);
        context.strokePath();
    }
    context.setStrokeColor(qv_video_overlay::grey(1, 1));
    context.setLineWidth(1);
    context.strokeEllipseInRect(outer);
}

void QVVideoOverlayLayer::copyTo(Object& copy) const
{
    Layer::copyTo(copy);
    auto& other = static_cast<QVVideoOverlayLayer&>(copy);
    other.indicatorScale_ = indicatorScale_;
    other.indicatorValue_ = indicatorValue_;
    other.buttonLayer_ = buttonLayer_;
}

void QVVideoOverlayLayer::leftSuperlayer()
{
    if (leftHandler_)
        leftHandler_(this);
}

KIT_REGISTER_CLASS(QVVideoOverlayLayer, Layer)
{
    c.property("indicatorScale", &QVVideoOverlayLayer::indicatorScale, &QVVideoOverlayLayer::setIndicatorScale);
    c.property("indicatorValue", &QVVideoOverlayLayer::indicatorValue, &QVVideoOverlayLayer::setIndicatorValue);
    c.action("buttonClicked", &QVVideoOverlayLayer::buttonClicked);
    c.copyable();
}
