#include "kit/controls/ImageView.h"

#include "kit/appkit/Event.h"
#include "kit/appkit/KeyCodes.h"
#include "kit/appkit/Window.h"
#include "kit/controls/CellDrawing.h"

namespace kit {

KIT_REGISTER_CLASS(ImageViewCell, ActionCell) { c.copyable(); }

void ImageViewCell::drawWithFrameInView(Rect cellFrame, View* view)
{
    ActionCell::drawWithFrameInView(cellFrame, view);
    if (ShowsFocusRing(view, focusRingType()))
        DrawFocusRing(view, cellFrame);
}

KIT_REGISTER_CLASS(ImageView, Control)
{
    c.property("image", &ImageView::image, &ImageView::setImage);
    c.property("value", &ImageView::image, &ImageView::setImage);
    c.exposeBinding("value");
}

ImageView::ImageView(Rect frame)
    : ImageView(frame, cellClass()())
{ }

ImageView::ImageView(Rect frame, Ref<Cell> cell)
    : Control(frame, std::move(cell))
{
    if (const Ref<Cell> c = this->cell()) {
        c->setType(ImageCellType);
        c->setBordered(false);
    }
}

void ImageView::setImage(Ref<Image> image)
{
    if (const Ref<Cell> c = cell())
        c->setImage(std::move(image));
    setNeedsDisplay(true);
}

bool ImageView::acceptsFirstResponder() const
{
    const Ref<Cell> c = cell();
    return c && (c->isEditable() || action()) && Control::acceptsFirstResponder();
}

void ImageView::keyDown(const Event& event)
{
    const std::uint16_t key = event.keyCode();
    const bool press = key == KeyCodeSpace || key == KeyCodeReturn || key == KeyCodeKeypadEnter;
    if (press && acceptsFirstResponder() && !(event.modifierFlags() & (CommandKeyMask | ControlKeyMask | AlternateKeyMask))) {
        performClick(this);
        return;
    }
    Control::keyDown(event);
}

} // namespace kit
