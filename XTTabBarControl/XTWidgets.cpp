#include "XTTabBarControl/XTWidgets.h"

#include "AppKitExtensions/JVLNSImage_Extension.h"
#include "XTTabBarControl/XTTabStyle.h"
#include "kit/controls/ControlTypes.h"

KIT_REGISTER_CLASS(XTRolloverButton, kit::Button) { }
KIT_REGISTER_CLASS(XTOverflowPopUpButton, kit::PopUpButton) { }

XTRolloverButton::XTRolloverButton(kit::Rect frame)
    : Button(frame)
{
    // Code-made buttons never wake from an interface file, so the tag is set here.
    setTag(-1);
    setButtonType(kit::MomentaryChangeButton);
    setBezelStyle(kit::ShadowlessSquareBezelStyle);
    setImagePosition(kit::ImageOnly);
    setBordered(false);
    setTitle(QString());
}

void XTRolloverButton::setUsualImage(kit::Ref<kit::Image> image)
{
    usualImage_ = image;
    setImage(std::move(image));
}

void XTRolloverButton::rolloverEntered()
{
    if (rolloverImage_)
        setImage(rolloverImage_);
    setNeedsDisplay(true);
}

void XTRolloverButton::rolloverExited()
{
    if (usualImage_)
        setImage(usualImage_);
    setNeedsDisplay(true);
}

XTOverflowPopUpButton::XTOverflowPopUpButton(kit::Rect frame)
    : PopUpButton(frame, true)
    , image_(XTTabStyleBase::bundleImage(QStringLiteral("overflowImage")))
    , pressedImage_(XTTabStyleBase::bundleImage(QStringLiteral("overflowImagePressed")))
{
    setBordered(false);
}

void XTOverflowPopUpButton::drawRect(kit::Rect)
{
    const kit::Ref<kit::Image>& image = cell() && cell()->isHighlighted() ? pressedImage_ : image_;
    if (!image)
        return;
    const kit::Size size = image->size();
    const kit::Rect b = bounds();
    // Centred, upright: the drawing helper places the image's visual lower-left corner.
    const double x = b.origin.x + (b.size.width - size.width) * 0.5;
    const double top = b.origin.y + (b.size.height - size.height) * 0.5;
    XTTabStyleBase::drawImageInRectOfView(*image, kit::MakeRect(x, top, size.width, size.height), this);
}
