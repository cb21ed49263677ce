#pragma once

// Draws its sublayers instanceCount times: copy k under instanceTransform applied k times about
// the layer's centre, its colours multiplied by instanceColor + k × the offsets (clamped). With
// preservesDepth the sublayers keep their depth in the superlayer's 3-D space instead of being
// flattened into this layer's plane. Copies after the first are never hit.

#include "kit/layers/Layer.h"

namespace kit {

class ReplicatorLayer : public Layer {
    KIT_CLASS(ReplicatorLayer)

    static Ref<ReplicatorLayer> layer() { return make<ReplicatorLayer>(); }

    int instanceCount() const { return instanceCount_; }
    void setInstanceCount(int count);
    Transform3D instanceTransform() const { return instanceTransform_; }
    void setInstanceTransform(const Transform3D& transform);
    // White by default.
    const std::optional<CGColor>& instanceColor() const { return instanceColor_; }
    void setInstanceColor(std::optional<CGColor> color);
    double instanceRedOffset() const { return offsets_[0]; }
    void setInstanceRedOffset(double offset) { setOffset(0, offset); }
    double instanceGreenOffset() const { return offsets_[1]; }
    void setInstanceGreenOffset(double offset) { setOffset(1, offset); }
    double instanceBlueOffset() const { return offsets_[2]; }
    void setInstanceBlueOffset(double offset) { setOffset(2, offset); }
    double instanceAlphaOffset() const { return offsets_[3]; }
    void setInstanceAlphaOffset(double offset) { setOffset(3, offset); }
    bool preservesDepth() const { return preservesDepth_; }
    void setPreservesDepth(bool flag);

    // The instance transform and the offsets animate too.
    Value defaultActionForKey(const QString& key) const override;

    // kit::Object:
    void copyTo(Object& copy) const override;

protected:
    bool flattensSublayers() const override { return !preservesDepth_; }
    std::vector<Transform3D> instanceChains(const LayerValues& values) const override;
    void renderSublayers(RenderPass& pass, const Transform3D& sublayerToHost, double opacity) override;
    bool animationKeepsExtent(const QString& key) const override;

private:
    void setOffset(int channel, double offset);
    // The animated value of a key while it runs, else the model's.
    double presentedOffset(int channel) const;

    int instanceCount_ = 1;
    Transform3D instanceTransform_;
    std::optional<CGColor> instanceColor_ = CGColor::getConstantColor(CGColor::Constant::White);
    std::array<double, 4> offsets_ { 0, 0, 0, 0 };
    bool preservesDepth_ = false;
};

} // namespace kit
