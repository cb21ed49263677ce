#include "JVLAppKit/JVLImageView/JVLImageView.h"

#include "kit/appkit/Application.h"
#include "kit/appkit/Beep.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/KeyCodes.h"
#include "kit/controls/CellDrawing.h"
#include "kit/controls/OpenPanel.h"

using namespace kit;

KIT_REGISTER_CLASS(JVLImageView, kit::View)
{
    c.bundle("JVLAppKit");
    c.property("image", &JVLImageView::image, &JVLImageView::setImage);
    // Interface files connect the action through these two keys, as for controls.
    c.property(
        "target", [](const JVLImageView& x) { return Value(x.target()); },
        [](JVLImageView& x, const Value& v) { x.setTarget(v.object().get()); });
    c.property(
        "action", [](const JVLImageView& x) { return Value(x.action().name()); },
        [](JVLImageView& x, const Value& v) { x.setAction(selectorFromString(v.stringValue())); });
}

JVLImageView::JVLImageView(Rect frame)
    : View(frame)
{ }

void JVLImageView::setImage(Ref<Image> image)
{
    setValueNotifying("image", image_, std::move(image));
    setNeedsDisplay(true);
}

void JVLImageView::pickImage()
{
    Ref<OpenPanel> panel = OpenPanel::openPanel();
    panel->setAllowedFileTypes(OpenPanel::imageFileTypes());
    panel->setAllowsMultipleSelection(false);
    panel->setCanChooseDirectories(false);
    panel->setCanChooseFiles(true);
    if (panel->runModal() != FileHandlingPanelOKButton || !panel->URL().isLocalFile())
        return;
    Ref<Image> picked = Image::imageWithContentsOfFile(panel->URL().toLocalFile());
    if (!picked || !picked->isValid()) {
        Beep();
        return;
    }
    setImage(picked);
    Application::sharedApplication()->sendActionToFrom(action_, target_, this);
}

void JVLImageView::drawRect(Rect)
{
    const Rect box = bounds();
    if (!image_) {
        if (ShowsFocusRing(this, FocusRingTypeDefault))
            DrawFocusRing(this, box);
        return;
    }
    const Size fit = ImageFitSize(image_->size(), box.size, ImageScaleProportionallyDown);
    const Rect placed = MakeRect(box.midX() - fit.width / 2, box.midY() - fit.height / 2, fit.width, fit.height);
    image_->drawInRectFromRectOperationFractionRespectFlippedHints(placed, ZeroRect, CompositeSourceOver, 1.0, true);
    if (ShowsFocusRing(this, FocusRingTypeDefault))
        DrawFocusRing(this, placed);
}

// The focus ring comes and goes with first-responder status.
bool JVLImageView::becomeFirstResponder()
{
    setNeedsDisplay(true);
    return View::becomeFirstResponder();
}

bool JVLImageView::resignFirstResponder()
{
    setNeedsDisplay(true);
    return View::resignFirstResponder();
}

void JVLImageView::keyDown(const Event& event)
{
    const std::uint16_t key = event.keyCode();
    if ((key == KeyCodeSpace || key == KeyCodeReturn || key == KeyCodeKeypadEnter)
        && !(event.modifierFlags() & (CommandKeyMask | ControlKeyMask | AlternateKeyMask))) {
        pickImage();
        return;
    }
    View::keyDown(event);
}

void JVLImageView::mouseDown(const Event&)
{
    pressed_ = true;
}

void JVLImageView::mouseUp(const Event& event)
{
    const bool wasPressed = std::exchange(pressed_, false);
    if (wasPressed && mouseInRect(convertPointFromView(event.locationInWindow(), nullptr), bounds()))
        pickImage();
}

kit::Value JVLImageView::accessibilityAttributeValue(const QString& attribute) const
{
    if (attribute == kit::AccessibilityRoleAttribute)
        return kit::Value(kit::AccessibilityImageRole);
    if (attribute == kit::AccessibilityRoleDescriptionAttribute)
        return kit::Value(kit::AccessibilityRoleDescription(kit::AccessibilityImageRole));
    return kit::ViewAccessibilityAttributeValue(*this, attribute);
}

void JVLImageView::accessibilityPerformAction(const QString& action)
{
    if (action == kit::AccessibilityPressAction)
        pickImage();
}
