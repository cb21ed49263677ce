#include "QVTabBarView/QVOverflowPopUpButton.h"

#include "QVTabBarView/QVTabBarView.h"
#include "QVTabBarView/QVTabBarViewExtensions.h"
#include "kit/appkit/CAAnimation.h"
#include "kit/foundation/Bundle.h"

#include <cmath>

KIT_REGISTER_CLASS(QVOverflowPopUpButtonCell, kit::PopUpButtonCell)
{
    c.bundle("QVTabBarView");
    c.copyable();
}

KIT_REGISTER_CLASS(QVOverflowPopUpButton, kit::PopUpButton)
{
    c.bundle("QVTabBarView");
    c.property("isAnimating", &QVOverflowPopUpButton::isAnimating, &QVOverflowPopUpButton::setIsAnimating);
    c.property("secondImageAlpha", &QVOverflowPopUpButton::secondImageAlpha, &QVOverflowPopUpButton::setSecondImageAlpha);
}

namespace {

kit::Ref<kit::Image> qvOverflowBundleImage(const QString& name)
{
    const QString path = kit::Bundle::bundleForClass(QVOverflowPopUpButtonCell::staticClass())->pathForImageResource(name);
    return path.isEmpty() ? nullptr : kit::Image::imageByReferencingFile(path);
}

} // namespace

QVOverflowPopUpButtonCell::QVOverflowPopUpButtonCell() = default;

QVOverflowPopUpButtonCell::QVOverflowPopUpButtonCell(const QString& title, bool pullsDown)
    : kit::PopUpButtonCell(title, pullsDown)
{ }

kit::Rect QVOverflowPopUpButtonCell::_imageRectForBoundsForImage(kit::Rect bounds, const kit::Image* image) const
{
    const kit::Rect d = drawingRectForBounds(bounds);
    const kit::Size size = image ? image->size() : kit::ZeroSize;
    const kit::Size s = QVTabBarViewExtensions::scaleImageWithSizeToFitInSizeScalingType(size, kit::MakeSize(size.width, d.size.height), 0);
    kit::Rect r = kit::MakeRect(d.origin.x + d.size.width - s.width, d.origin.y, s.width, s.height);
    if (d.size.height > s.height)
        r.origin.y = d.origin.y + std::ceil((d.size.height - s.height) / 2);
    return kit::IntegralRect(r);
}

kit::Value QVOverflowPopUpButtonCell::accessibilityAttributeValue(const QString& attribute) const
{
    if (attribute == kit::AccessibilityTitleAttribute && title().isEmpty())
        return kit::Value(QVTabBarView::bundle()->localizedStringForKeyValueTable(
            QStringLiteral("More Tabs"), QStringLiteral("More Tabs"), QStringLiteral("QVTabBarView")));
    return kit::PopUpButtonCell::accessibilityAttributeValue(attribute);
}

void QVOverflowPopUpButtonCell::drawWithFrameInView(kit::Rect frame, kit::View* controlView)
{
    drawBezelWithFrameInView(frame, controlView);
    drawInteriorWithFrameInView(frame, controlView);
}

void QVOverflowPopUpButtonCell::drawBezelWithFrameInView(kit::Rect frame, kit::View* controlView)
{
    if (bezel_)
        bezel_(this, frame, controlView);
}

void QVOverflowPopUpButtonCell::drawInteriorWithFrameInView(kit::Rect frame, kit::View* controlView) { drawImageWithFrameInView(frame, controlView); }

void QVOverflowPopUpButtonCell::drawImageWithFrameInView(kit::Rect frame, kit::View* controlView)
{
    if (isHighlighted()) {
        drawImageWithFrameInView(alternateImage().get(), frame, controlView);
        return;
    }
    drawImageWithFrameInView(image().get(), frame, controlView);
    if (secondImage_)
        drawImageWithFrameInViewAlpha(secondImage_.get(), frame, controlView, secondImageAlpha_);
}

void QVOverflowPopUpButtonCell::drawImageWithFrameInView(const kit::Image* image, kit::Rect frame, kit::View* controlView)
{
    drawImageWithFrameInViewAlpha(image, frame, controlView, 1.0);
}

void QVOverflowPopUpButtonCell::drawImageWithFrameInViewAlpha(const kit::Image* image, kit::Rect frame, kit::View*, double alpha)
{
    if (!image)
        return;
    image->drawInRectFromRectOperationFractionRespectFlippedHints(
        _imageRectForBoundsForImage(frame, image), kit::ZeroRect, kit::CompositeSourceOver, alpha, true);
}

void QVOverflowPopUpButtonCell::copyTo(kit::Object& copy) const
{
    kit::PopUpButtonCell::copyTo(copy);
    auto& c = static_cast<QVOverflowPopUpButtonCell&>(copy);
    c.bezel_ = bezel_;
    c.secondImage_ = secondImage_;
    c.secondImageAlpha_ = secondImageAlpha_;
}

void QVOverflowPopUpButtonCell::encodeWithCoder(kit::Coder& coder) const
{
    kit::PopUpButtonCell::encodeWithCoder(coder);
    // Only images that archive themselves.
    if (const kit::Ref<kit::Image> i = image(); i && dynamic_cast<const kit::Coding*>(i.get()))
        coder.encodeObjectForKey(kit::Value(i), QStringLiteral("QVTabBarOverflowPopUpImage"));
    if (secondImage_ && dynamic_cast<const kit::Coding*>(secondImage_.get()))
        coder.encodeObjectForKey(kit::Value(secondImage_), QStringLiteral("QVTabBarOverflowPopUpSecondImage"));
}

void QVOverflowPopUpButtonCell::initWithCoder(kit::Coder& coder)
{
    kit::PopUpButtonCell::initWithCoder(coder);
    if (coder.containsValueForKey(QStringLiteral("QVTabBarOverflowPopUpImage")))
        setImage(coder.decodeObjectForKey(QStringLiteral("QVTabBarOverflowPopUpImage")).objectAs<kit::Image>());
    if (coder.containsValueForKey(QStringLiteral("QVTabBarOverflowPopUpSecondImage")))
        secondImage_ = coder.decodeObjectForKey(QStringLiteral("QVTabBarOverflowPopUpSecondImage")).objectAs<kit::Image>();
}

kit::Ref<kit::Image> QVOverflowPopUpButton::sharedOverflowImage()
{
    static const kit::Ref<kit::Image> image = qvOverflowBundleImage(QStringLiteral("overflowImage"));
    return image;
}

kit::Ref<kit::Image> QVOverflowPopUpButton::sharedOverflowImagePressed()
{
    static const kit::Ref<kit::Image> image = qvOverflowBundleImage(QStringLiteral("overflowImagePressed"));
    return image;
}

QVOverflowPopUpButton::QVOverflowPopUpButton(kit::Rect frame, bool)
    : kit::PopUpButton(frame, cellClass()(), true)
{
    setBezelStyle(kit::RegularSquareBezelStyle);
    setBordered(false);
    setTitle(QString());
    setPreferredEdge(kit::MaxYEdge);
    setImage(sharedOverflowImage());
    setAlternateImage(sharedOverflowImagePressed());
    // The chevron is the only mark: no arrow takes its room.
    if (auto* c = overflowCell())
        c->setArrowPosition(kit::PopUpNoArrow);
    _startCellAnimationIfNeeded();
}

void QVOverflowPopUpButton::setSecondImage(kit::Ref<kit::Image> image)
{
    const bool present = image != nullptr;
    if (auto* c = overflowCell())
        c->setSecondImage(std::move(image));
    present ? _startCellAnimationIfNeeded() : _stopCellAnimationIfNeeded();
}

void QVOverflowPopUpButton::setSecondImageAlpha(double alpha)
{
    if (auto* c = overflowCell()) {
        c->setSecondImageAlpha(alpha);
        updateCell(c);
    }
}

QVOverflowPopUpButtonCell::BezelDrawing QVOverflowPopUpButton::bezelDrawingBlock() const
{
    return overflowCell() ? overflowCell()->bezelDrawingBlock() : nullptr;
}

void QVOverflowPopUpButton::setBezelDrawingBlock(QVOverflowPopUpButtonCell::BezelDrawing block)
{
    if (auto* c = overflowCell())
        c->setBezelDrawingBlock(std::move(block));
}

kit::Ref<kit::BasicAnimation> QVOverflowPopUpButton::defaultAnimationForKey(const QString& key) const
{
    if (key != QLatin1String("isAnimating"))
        return kit::AnimatablePropertyContainer::defaultAnimationForKey(key);
    auto pulse = kit::BasicAnimation::animationWithKeyPath(QStringLiteral("secondImageAlpha"));
    pulse->setFromValue(kit::Value(0.0));
    pulse->setToValue(kit::Value(1.0));
    pulse->setDuration(1.0);
    pulse->setAutoreverses(true);
    pulse->setRepeatCount(kit::CAAnimation::RepeatForever);
    pulse->setTimingFunction(kit::MediaTimingFunction::functionWithName(kit::MediaTimingFunctionEaseInEaseOut));
    return pulse;
}

void QVOverflowPopUpButton::_startCellAnimationIfNeeded()
{
    if (!window() || isHidden() || frame() == kit::ZeroRect || !secondImage() || isAnimating_)
        return;
    kit::KeyValueAnimator(this).setValueForKey(kit::Value(true), QStringLiteral("isAnimating"));
}

void QVOverflowPopUpButton::_stopCellAnimationIfNeeded()
{
    if (!isAnimating_)
        return;
    setIsAnimating(false);
    kit::CancelAnimationForKey(this, QStringLiteral("isAnimating"));
}

void QVOverflowPopUpButton::drawRect(kit::Rect rect)
{
    kit::PopUpButton::drawRect(rect);
    QVTabBarView::drawEnclosingKeyboardFocusRing(*this);
}

void QVOverflowPopUpButton::viewWillMoveToSuperview(kit::View* superview)
{
    kit::PopUpButton::viewWillMoveToSuperview(superview);
    _stopCellAnimationIfNeeded();
}

void QVOverflowPopUpButton::viewDidMoveToSuperview()
{
    kit::PopUpButton::viewDidMoveToSuperview();
    _startCellAnimationIfNeeded();
}

void QVOverflowPopUpButton::viewWillMoveToWindow(kit::Window* window)
{
    kit::PopUpButton::viewWillMoveToWindow(window);
    _stopCellAnimationIfNeeded();
}

void QVOverflowPopUpButton::viewDidMoveToWindow()
{
    kit::PopUpButton::viewDidMoveToWindow();
    _startCellAnimationIfNeeded();
}

void QVOverflowPopUpButton::setHidden(bool hidden)
{
    kit::PopUpButton::setHidden(hidden);
    hidden ? _stopCellAnimationIfNeeded() : _startCellAnimationIfNeeded();
}

void QVOverflowPopUpButton::frameChanged() { frame() == kit::ZeroRect ? _stopCellAnimationIfNeeded() : _startCellAnimationIfNeeded(); }

void QVOverflowPopUpButton::setFrameOrigin(kit::Point origin)
{
    kit::PopUpButton::setFrameOrigin(origin);
    frameChanged();
}

void QVOverflowPopUpButton::setFrameSize(kit::Size size)
{
    kit::PopUpButton::setFrameSize(size);
    frameChanged();
}
