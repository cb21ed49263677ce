#pragma once

// Lays out sublayers by their constraints: each ties one edge, centre or extent of a layer to an
// attribute of its superlayer (source "superlayer", in the superlayer's bounds) or of a sibling
// named as the source (its frame), scaled and offset. Siblings that others depend on go first.

#include "kit/layers/Layer.h"

namespace kit {

// Stateless, so one shared manager serves every layer (layers hold their manager weakly).
class ConstraintLayoutManager : public Object, public CALayoutManager {
    KIT_CLASS(ConstraintLayoutManager)
    static Ref<ConstraintLayoutManager> layoutManager();

    // kit::CALayoutManager:
    void layoutSublayersOfLayer(Layer* layer) override;
};

} // namespace kit
