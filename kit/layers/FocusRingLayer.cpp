#include "kit/layers/FocusRingLayer.h"

#include "kit/graphics/GraphicsContext.h"
#include "kit/layers/ConstraintLayoutManager.h"

namespace kit {

KIT_REGISTER_CLASS(FocusRingLayer, Layer) { c.copyable(); }

Ref<FocusRingLayer> FocusRingLayer::layer()
{
    auto ring = make<FocusRingLayer>();
    ring->setHidden(true);
    ring->setNeedsDisplayOnBoundsChange(true);
    const QString super = QStringLiteral("superlayer");
    ring->setConstraints({
        Constraint::constraintWithAttributeRelativeToAttribute(ConstraintMinX, super, ConstraintMinX),
        Constraint::constraintWithAttributeRelativeToAttribute(ConstraintMaxX, super, ConstraintMaxX),
        Constraint::constraintWithAttributeRelativeToAttribute(ConstraintMinY, super, ConstraintMinY),
        Constraint::constraintWithAttributeRelativeToAttribute(ConstraintMaxY, super, ConstraintMaxY),
    });
    return ring;
}

void FocusRingLayer::setShown(bool shown)
{
    if (isHidden() == shown)
        setHidden(!shown);
}

void FocusRingLayer::drawInContext(CGContext& context)
{
    GraphicsContext::Scope current(GraphicsContext::graphicsContextWithGraphicsPortFlipped(Ref<CGContext>(&context), false));
    DrawFocusRingInsideRect(bounds());
}

} // namespace kit
