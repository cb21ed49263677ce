#pragma once

// An image view: a control showing one image, scaled down proportionally to fit and centred,
// without a frame. Its value (and the "value" binding) is the image.

#include "kit/controls/Control.h"

namespace kit {

// The image view's cell: clicks never change its state; a ring round the image shows the focus.
class ImageViewCell : public ActionCell {
    KIT_CLASS(ImageViewCell)
public:
    int nextState() const override { return state(); }
    void drawWithFrameInView(Rect cellFrame, View* controlView) override;
};

class ImageView : public Control {
    KIT_CLASS(ImageView)
    KIT_CONTROL_CELL_CLASS(ImageView, ImageViewCell)
public:
    explicit ImageView(Rect frame = {});

    Ref<Image> image() const { return cell() ? cell()->image() : nullptr; }
    void setImage(Ref<Image> image);

    // kit::Responder: only a view that does something is a key view, an editable one or one with
    // an action; Space and Return then do what a click does.
    bool acceptsFirstResponder() const override;
    void keyDown(const Event& event) override;

protected:
    ImageView(Rect frame, Ref<Cell> cell);
};

} // namespace kit
