#pragma once

// The keyboard focus ring of a layer-backed view: a layer that fills its superlayer (tied to it by
// constraints) and draws the graphics context's ring just inside its bounds. It takes no clicks, and
// starts hidden: the view shows it from viewWillDraw while it has the keyboard focus.

#include "kit/layers/Layer.h"

namespace kit {

class FocusRingLayer : public Layer {
    KIT_CLASS(FocusRingLayer)
public:
    static Ref<FocusRingLayer> layer();

    // Changes the layer only when the answer changes, so an unchanged ring is not redrawn.
    void setShown(bool shown);

    bool containsPoint(Point) const override { return false; }
    void drawInContext(CGContext& context) override;
};

} // namespace kit
