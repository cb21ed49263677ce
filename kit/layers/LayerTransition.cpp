// kit::Layer's transitions: a transition added to a layer (not run on joining or leaving a tree)
// keeps a picture of the layer as it looked, and while it runs the layer draws that old look and
// its new one inside its bounds: blended (fade), the new sliding in over the old (moveIn), the old
// sliding away from over the new (reveal), or both moving together (push). The subtype names the
// side the motion starts from.

#include "kit/layers/Layer.h"

#include "kit/appkit/Application.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/Window.h"
#include "kit/graphics/CGContext.h"
#include "kit/graphics/GraphicsContext.h"
#include "kit/graphics/Image.h"
#include "kit/graphics/QtGeometry.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace kit {

namespace layertransition {

// Looks never grow past this many pixels a side.
constexpr int MaxLookSide = 4096;

// The unit direction the moving content travels, y up.
QPointF travel(const QString& subtype)
{
    if (subtype == TransitionFromRight)
        return { -1, 0 };
    if (subtype == TransitionFromTop)
        return { 0, -1 };
    if (subtype == TransitionFromBottom)
        return { 0, 1 };
    return { 1, 0 }; // from the left, also when none is given
}

} // namespace layertransition

QSize Layer::lookSize(const Rect& bounds) const
{
    const double scale = std::min({ contentsScale_, layertransition::MaxLookSide / std::max(1.0, bounds.width()),
        layertransition::MaxLookSide / std::max(1.0, bounds.height()) });
    return BitmapPixelsForSize(bounds.size, scale, BitmapLimit::Fit);
}

QImage Layer::renderLook(const LayerValues& values, const std::array<double, 3>& tint) const
{
    const QSize size = lookSize(values.bounds);
    const Ref<CGContext> bitmap = CGContext::createBitmap(size.width(), size.height());
    if (!bitmap || IsEmptyRect(values.bounds) || values.hidden || values.opacity <= 0)
        return {};
    bitmap->scaleCTM(size.width() / values.bounds.width(), size.height() / values.bounds.height());
    bitmap->translateCTM(-values.bounds.minX(), -values.bounds.minY());
    GraphicsContext& gc = *bitmap->context();
    RenderPass pass { gc, gc.state().ctm };
    pass.tint = tint;
    // The look at full strength: the layer's own opacity applies when the look is drawn.
    const bool was = drawingLook_;
    drawingLook_ = true;
    const_cast<Layer*>(this)->renderTree(pass, Transform3D(), 1 / values.opacity);
    drawingLook_ = was;
    return bitmap->createImage()->image();
}

std::shared_ptr<const QImage> Layer::snapshotLook(const QString& key, const std::optional<Value>& before) const
{
    // The layer as it was drawn before the change of `key`.
    LayerValues old = presentedValues();
    if (before)
        applyPresentedValue(key, *before, old);
    presentedMemo_ = old;
    presentedMemoAt_ = Application::now();
    presentedMemoGeneration_ = generation_;
    QImage look = renderLook(old, { 1, 1, 1 });
    presentedMemoAt_ = -1;
    return std::make_shared<const QImage>(std::move(look));
}

bool Layer::renderTransition(RenderPass& pass, const LayerValues& values, const QTransform& homography, double opacity)
{
    if (drawingLook_)
        return false;
    const RunningAnimation* running = nullptr;
    for (const RunningAnimation& r : animations_)
        if (r.look)
            running = &r;
    if (!running || IsEmptyRect(values.bounds))
        return false;
    const auto& transition = static_cast<const Transition&>(*running->animation);
    const double t = std::clamp(running->animation->fractionAt(Application::now() - running->begin, running->pass), 0.0, 1.0);
    QImage before = *running->look;
    tintPixels(before, pass.tint);
    const QImage after = renderLook(values, pass.tint);
    // Composed over the bounds in the looks' pixels, row 0 at the max-y edge.
    const QSize size = lookSize(values.bounds);
    QImage frame(size, QImage::Format_ARGB32_Premultiplied);
    frame.fill(Qt::transparent);
    {
        QPainter painter(&frame);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        const QRectF whole(QPointF(0, 0), QSizeF(size));
        const QPointF d = layertransition::travel(transition.subtype());
        // Pixel offsets: y down in the image.
        auto shifted = [&](double amount) { return whole.translated(d.x() * amount * size.width(), -d.y() * amount * size.height()); };
        auto draw = [&](const QImage& image, const QRectF& target, double alpha) {
            if (image.isNull() || alpha <= 0)
                return;
            painter.setOpacity(alpha);
            painter.drawImage(target, image);
        };
        const QString& type = transition.type();
        if (type == TransitionPush) {
            draw(before, shifted(t), 1);
            draw(after, shifted(t - 1), 1);
        } else if (type == TransitionMoveIn) {
            draw(before, whole, 1);
            draw(after, shifted(t - 1), 1);
        } else if (type == TransitionReveal) {
            draw(after, whole, 1);
            draw(before, shifted(t), 1);
        } else {
            // A fade: premultiplied pixels added with their weights.
            painter.setCompositionMode(QPainter::CompositionMode_Plus);
            draw(weightedPixels(before, 1 - t), whole, 1);
            draw(weightedPixels(after, t), whole, 1);
        }
    }
    GraphicsContext& context = pass.context;
    context.saveGraphicsState();
    context.setCTM(AffineTransform::fromQTransform(pass.host));
    context.concatProjectiveCTM(homography);
    const Rect b = values.bounds;
    const QTransform upright(1, 0, 0, -1, 0, b.minY() + b.maxY());
    context.backend().drawImage(frame, QRectF(frame.rect()), ToQRectF(b), upright, std::min(opacity, 1.0), context.state());
    context.restoreGraphicsState();
    return true;
}

} // namespace kit
