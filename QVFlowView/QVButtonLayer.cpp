#include "QVFlowView/QVButtonLayer.h"

#include "kit/graphics/CGContext.h"
#include "kit/graphics/GraphicsContext.h"

using namespace kit;

QVButtonLayer::QVButtonLayer()
{
    setOpaque(false);
    setValueForKey(Value(false), QStringLiteral("highlighted"));
    setValueForKey(Value(false), QStringLiteral("enabled"));
    setValueForKey(Value(std::int64_t(0)), QStringLiteral("type"));
    setValueForKey(Value(std::int64_t(0)), QStringLiteral("state"));
}

const QSet<QString>& QVButtonLayer::keysAffectingRedisplay()
{
    static const QSet<QString> keys { QStringLiteral("highlighted"), QStringLiteral("enabled"), QStringLiteral("type"),
        QStringLiteral("state") };
    return keys;
}

bool QVButtonLayer::needsDisplayForKey(const QString& key) const
{
    return keysAffectingRedisplay().contains(key) || Layer::needsDisplayForKey(key);
}

Ref<CGImage> QVButtonLayer::image() const
{
    std::lock_guard lock(imageMutex_);
    return image_;
}

void QVButtonLayer::setImage(const Ref<CGImage>& image)
{
    std::lock_guard lock(imageMutex_);
    image_ = image;
}

Ref<CGImage> QVButtonLayer::alternateImage() const
{
    std::lock_guard lock(imageMutex_);
    return alternateImage_;
}

void QVButtonLayer::setAlternateImage(const Ref<CGImage>& image)
{
    std::lock_guard lock(imageMutex_);
    alternateImage_ = image;
}

void QVButtonLayer::performClick(Object*)
{
    if (const Ref<Object> target = target_.lock(); target && action_)
        target->performSelectorWithObject(action_, Value(Ref<Object>(this)));
    setHighlighted(false);
}

void QVButtonLayer::drawInContext(CGContext& context)
{
    const Ref<CGImage> shown = state() == 1 ? alternateImage() : image();
    if (!shown)
        return;
    const Rect r = bounds();
    const bool highlighted = isHighlighted();
    context.saveGState();
    if (highlighted) {
        context.clipToMask(r, shown);
        context.setGrayFillColor(0.75, 1);
        context.fillRect(r);
    }
    context.setBlendMode(highlighted ? CGBlendModeMultiply : CGBlendModeNormal);
    context.drawImage(r, shown);
    context.restoreGState();
}

void QVButtonLayer::copyTo(Object& copy) const
{
    Layer::copyTo(copy);
    auto& other = static_cast<QVButtonLayer&>(copy);
    other.setImage(image());
    other.setAlternateImage(alternateImage());
    other.target_ = target_;
    other.action_ = action_;
    for (const QString& key : keysAffectingRedisplay())
        other.Object::setValueForKey(valueForKey(key), key);
}

KIT_REGISTER_CLASS(QVButtonLayer, Layer)
{
    c.action("performClick", &QVButtonLayer::performClick);
    c.copyable();
}
