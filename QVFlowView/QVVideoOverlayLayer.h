#pragma once

// The play and pause control laid over a movie picture: a dark disc with a round button in its
// middle and, while expanded, a ring around the button whose arc follows indicatorValue. Who drives
// the value and calls expand and collapse lies outside: this layer plays nothing.

#include "QVFlowView/QVButtonLayer.h"
#include "kit/graphics/CGContext.h"
#include "kit/graphics/GraphicsContext.h"
#include "kit/layers/Layer.h"

#include <functional>

class QVVideoOverlayLayer : public kit::Layer {
    KIT_CLASS(QVVideoOverlayLayer)
public:
    QVVideoOverlayLayer();

    // Each made once per process: white symbols of 40 × 40 pixels.
    static kit::Ref<kit::CGImage> playImage();
    static kit::Ref<kit::CGImage> pauseImage();
    static kit::Ref<kit::CGPath> newTrianglePathInRect(kit::Rect rect);
    static kit::Ref<kit::CGPath> newPausePathInRect(kit::Rect rect);

    // 0 collapsed, 1 expanded; the fraction of a turn the ring covers. Both redraw the layer.
    double indicatorScale() const { return indicatorScale_; }
    void setIndicatorScale(double scale);
    double indicatorValue() const { return indicatorValue_; }
    void setIndicatorValue(double value);
    bool needsDisplayForKey(const QString& key) const override;

    kit::Ref<QVButtonLayer> buttonLayer() const { return buttonLayer_; }
    void setButtonLayer(const kit::Ref<QVButtonLayer>& button) { buttonLayer_ = button; }
    // Stored only: nothing here sets it.
    kit::Ref<kit::Object> movieUpdateTimer() const { return movieUpdateTimer_.lock(); }
    void setMovieUpdateTimer(kit::Object* timer) { movieUpdateTimer_ = timer; }
    kit::Ref<kit::Object> target() const { return buttonLayer_ ? buttonLayer_->target() : nullptr; }
    void setTarget(kit::Object* target);
    kit::Selector action() const { return buttonLayer_ ? buttonLayer_->action() : kit::Selector(); }
    void setAction(kit::Selector action);
    // The button's default action: nothing.
    void buttonClicked(kit::Object*) { }

    // Grow or shrink the ring over 0.15 s and show the pause or the play symbol.
    void expand();
    void collapse();

    // Told whenever the overlay leaves its picture, however it was taken out (the view's
    // accessibility lets go of the button's element).
    void setLeftSuperlayerHandler(std::function<void(QVVideoOverlayLayer*)> handler) { leftHandler_ = std::move(handler); }

    void drawInContext(kit::CGContext& context) override;
    void copyTo(kit::Object& copy) const override;

protected:
    void leftSuperlayer() override;

private:
    void animateIndicatorTo(double scale);

    kit::Ref<QVButtonLayer> buttonLayer_;
    kit::Weak<kit::Object> movieUpdateTimer_;
    double indicatorScale_ = 0;
    double indicatorValue_ = 0;
    std::function<void(QVVideoOverlayLayer*)> leftHandler_;
};
