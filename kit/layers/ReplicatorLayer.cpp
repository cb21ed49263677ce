#include "kit/layers/ReplicatorLayer.h"

#include <QStringList>

#include <algorithm>

namespace kit {

KIT_REGISTER_CLASS(ReplicatorLayer, Layer)
{
    c.property("instanceCount", &ReplicatorLayer::instanceCount, &ReplicatorLayer::setInstanceCount);
    c.property("instanceTransform", &ReplicatorLayer::instanceTransform, &ReplicatorLayer::setInstanceTransform);
    c.property("instanceColor", &ReplicatorLayer::instanceColor, &ReplicatorLayer::setInstanceColor);
    c.property("instanceRedOffset", &ReplicatorLayer::instanceRedOffset, &ReplicatorLayer::setInstanceRedOffset);
    c.property("instanceGreenOffset", &ReplicatorLayer::instanceGreenOffset, &ReplicatorLayer::setInstanceGreenOffset);
    c.property("instanceBlueOffset", &ReplicatorLayer::instanceBlueOffset, &ReplicatorLayer::setInstanceBlueOffset);
    c.property("instanceAlphaOffset", &ReplicatorLayer::instanceAlphaOffset, &ReplicatorLayer::setInstanceAlphaOffset);
    c.property("preservesDepth", &ReplicatorLayer::preservesDepth, &ReplicatorLayer::setPreservesDepth);
    c.copyable();
}

void ReplicatorLayer::setInstanceCount(int count)
{
    instanceCount_ = std::max(0, count);
    changed();
}

namespace replicatorlayer {

const QStringList& offsetKeys()
{
    static const QStringList keys { QStringLiteral("instanceRedOffset"), QStringLiteral("instanceGreenOffset"),
        QStringLiteral("instanceBlueOffset"), QStringLiteral("instanceAlphaOffset") };
    return keys;
}

} // namespace replicatorlayer

void ReplicatorLayer::setInstanceTransform(const Transform3D& transform)
{
    const std::optional<Value> before = willChangeAnimatable(QStringLiteral("instanceTransform"));
    instanceTransform_ = transform;
    changed();
    didChangeAnimatable(QStringLiteral("instanceTransform"), before);
}

Value ReplicatorLayer::defaultActionForKey(const QString& key) const
{
    if (key == QLatin1String("instanceTransform") || replicatorlayer::offsetKeys().contains(key))
        return implicitAnimationForKey(key);
    return Layer::defaultActionForKey(key);
}

bool ReplicatorLayer::animationKeepsExtent(const QString& key) const
{
    return replicatorlayer::offsetKeys().contains(key) || Layer::animationKeepsExtent(key);
}

double ReplicatorLayer::presentedOffset(int channel) const
{
    return presentationValueForKey(replicatorlayer::offsetKeys()[channel]).doubleValue();
}

void ReplicatorLayer::setInstanceColor(std::optional<CGColor> color)
{
    instanceColor_ = color;
    changed();
}

void ReplicatorLayer::setOffset(int channel, double offset)
{
    const QString& key = replicatorlayer::offsetKeys()[channel];
    const std::optional<Value> before = willChangeAnimatable(key);
    offsets_[std::size_t(channel)] = offset;
    changed();
    didChangeAnimatable(key, before);
}

void ReplicatorLayer::setPreservesDepth(bool flag)
{
    preservesDepth_ = flag;
    changed();
}

void ReplicatorLayer::renderSublayers(RenderPass& pass, const Transform3D& sublayerToHost, double opacity)
{
    const CGColor base = instanceColor_.value_or(CGColor::getConstantColor(CGColor::Constant::White));
    const std::array<double, 3> outer = pass.tint;
    const int outerCopy = pass.copy;
    // Held while drawing: a delegate may change the tree mid-render.
    const std::vector<Layer*>& shown = shownDrawingOrder();
    const std::vector<Ref<Layer>> order(shown.begin(), shown.end());
    const std::vector<Transform3D> chains = instanceChains(presentedValues());
    std::array<double, 4> offsets = offsets_;
    if (hasAnimations())
        for (int c = 0; c < 4; ++c)
            offsets[std::size_t(c)] = presentedOffset(c);
    for (int k = 0; k < int(chains.size()); ++k) {
        const double channels[4] = { base.r, base.g, base.b, base.a };
        std::array<double, 4> factor;
        for (std::size_t c = 0; c < 4; ++c)
            factor[c] = std::clamp(channels[c] + k * offsets[c], 0.0, 1.0);
        pass.tint = { outer[0] * factor[0], outer[1] * factor[1], outer[2] * factor[2] };
        pass.copy = k;
        const Transform3D chain = Transform3DConcat(chains[std::size_t(k)], sublayerToHost);
        for (const Ref<Layer>& sub : order)
            if (sub->placedMayShow(pass, chain))
                sub->renderTree(pass, Transform3DConcat(sub->presentedValues().toSuperlayer(), chain), opacity * factor[3]);
    }
    pass.tint = outer;
    pass.copy = outerCopy;
}

std::vector<Transform3D> ReplicatorLayer::instanceChains(const LayerValues& values) const
{
    const Rect b = values.bounds;
    const Transform3D toCentre = Transform3DMakeTranslation(-b.midX(), -b.midY(), 0);
    const Transform3D fromCentre = Transform3DMakeTranslation(b.midX(), b.midY(), 0);
    const Transform3D step = hasAnimations() ? transform3DFromValue(presentationValueForKey(QStringLiteral("instanceTransform"))) : instanceTransform_;
    std::vector<Transform3D> chains;
    Transform3D power;
    for (int k = 0; k < instanceCount_; ++k) {
        chains.push_back(Transform3DConcat(Transform3DConcat(toCentre, power), fromCentre));
        power = Transform3DConcat(power, step);
    }
    return chains;
}

void ReplicatorLayer::copyTo(Object& copy) const
{
    Layer::copyTo(copy);
    auto& other = static_cast<ReplicatorLayer&>(copy);
    other.instanceCount_ = instanceCount_;
    other.instanceTransform_ = instanceTransform_;
    other.instanceColor_ = instanceColor_;
    other.offsets_ = offsets_;
    other.preservesDepth_ = preservesDepth_;
}

} // namespace kit
