#pragma once

// The destination of all drawing. Each thread has a current context (and a stack of saved ones);
// BezierPath, Image, Color, Gradient and string drawing draw into it, never into a painter passed
// around. A context owns the drawing state (CTM, clip, colours, shadow, operation...) and sends
// primitives to a backend: QPainter for real output, a recorder in tests.
//
// Views draw through it like this (the view area's side):
//     auto ctx = kit::GraphicsContext::graphicsContextWithPainter(&painter, view->isFlipped());
//     kit::GraphicsContext::Scope current(ctx);          // current for this thread until scope ends
//     ctx->setCTM(deviceFromView);                       // user space = the view's bounds
//     ctx->clipToRect(dirtyRectInView);
//     view->drawRect(dirtyRectInView);

#include "kit/core/Class.h"
#include "kit/core/Geometry.h"
#include "kit/core/Object.h"
#include "kit/graphics/AffineTransform.h"
#include "kit/graphics/GraphicsBackend.h"
#include "kit/graphics/GraphicsState.h"

#include <memory>
#include <vector>

class QPainter;
class QImage;

namespace kit {

class CGContext;
class Shadow;

class GraphicsContext;

// A context that is set up only when drawing first asks for it, so that a view that draws nothing
// costs nothing (see GraphicsContext::DeferredScope).
class DeferredGraphicsContext {
public:
    // Sets the context up on the first call; later calls answer the same context.
    virtual GraphicsContext* context() = 0;

protected:
    ~DeferredGraphicsContext() = default;
};

class GraphicsContext : public Object {
    KIT_CLASS(GraphicsContext)
    // A context drawing through `painter` (which must outlive it). The painter's world transform
    // and clip become the initial CTM and clip; the painter's own state is left as it was at the end.
    static Ref<GraphicsContext> graphicsContextWithPainter(QPainter* painter, bool flipped);
    // A context over its own painter on `image` (which must outlive it), CTM = identity (y down).
    static Ref<GraphicsContext> graphicsContextWithImage(QImage* image, bool flipped);
    static Ref<GraphicsContext> graphicsContextWithBackend(std::shared_ptr<GraphicsBackend> backend, bool flipped);
    // Shares the port's state and painter; only the flipped flag is set, the CTM is unchanged.
    static Ref<GraphicsContext> graphicsContextWithGraphicsPortFlipped(const Ref<CGContext>& port, bool flipped);
    // One context that serves drawing after drawing on `painter` (which must outlive it), as the
    // display pass does view after view: each beginOnPainter saves the painter and starts a fresh
    // state, as graphicsContextWithPainter would for that CTM and clip; endOnPainter restores it.
    static Ref<GraphicsContext> reusableContextWithPainter(QPainter* painter);
    void beginOnPainter(bool flipped, const QTransform& ctm, std::optional<QPainterPath> deviceClip);
    void endOnPainter();


    // --- The current context of this thread. ---
    // Valid while it stays current; null when none.
    static GraphicsContext* currentContext();
    // Puts the painter of this thread's current context back as it was before the context drew on
    // it (kit-internal: a view that draws through its context and then on its painter). Sets no
    // deferred context up.
    static void yieldCurrentPainter();
    static void setCurrentContext(const Ref<GraphicsContext>& context);
    // Class-level save/restore: saves the current context and its state; restore brings both back.
    static void saveCurrentGraphicsState();
    static void restoreCurrentGraphicsState();

    // Makes a context current for a scope, then restores the previous one (and its state untouched).
    class Scope {
    public:
        explicit Scope(const Ref<GraphicsContext>& context);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        Ref<GraphicsContext> previous_;
        DeferredGraphicsContext* previousDeferred_;
    };
    // Makes `deferred` current for a scope: the first currentContext() call sets it up.
    class DeferredScope {
    public:
        explicit DeferredScope(DeferredGraphicsContext& deferred);
        ~DeferredScope();
        DeferredScope(const DeferredScope&) = delete;
        DeferredScope& operator=(const DeferredScope&) = delete;

    private:
        Ref<GraphicsContext> previous_;
        DeferredGraphicsContext* previousDeferred_;
    };

    ~GraphicsContext() override;

    bool isFlipped() const { return flipped_; }
    void setFlipped(bool flipped) { flipped_ = flipped; }
    // A graphics-layer view of this context: same backend, same state.
    Ref<CGContext> graphicsPort();
    GraphicsBackend& backend() { return *core_->backend; }

    void saveGraphicsState();
    void restoreGraphicsState();
    void flushGraphics() { }

    bool shouldAntialias() const { return core_->state.shouldAntialias; }
    void setShouldAntialias(bool on) { core_->state.shouldAntialias = on; }
    ImageInterpolation imageInterpolation() const { return core_->state.imageInterpolation; }
    void setImageInterpolation(ImageInterpolation i) { core_->state.imageInterpolation = i; }
    CompositingOperation compositingOperation() const { return core_->state.operation; }
    void setCompositingOperation(CompositingOperation op) { core_->state.operation = op; }
    Point patternPhase() const { return { core_->state.patternPhase.x(), core_->state.patternPhase.y() }; }
    void setPatternPhase(Point p) { core_->state.patternPhase = { p.x, p.y }; }

    // --- Coordinates and clip (user space unless stated). ---
    AffineTransform CTM() const { return AffineTransform::fromQTransform(core_->state.ctm); }
    void setCTM(const AffineTransform& t);
    // `t` acts before the current CTM.
    void concatCTM(const AffineTransform& t);
    // Kit-internal (layer rendering): `t` may be projective; fills, strokes, clips and images follow it.
    void concatProjectiveCTM(const QTransform& t);
    // True when user +y runs down the device (orientation preserved), as in a flipped view.
    bool userSpaceRunsDown() const;
    void clipToRect(Rect r);
    void clipToPath(const QPainterPath& userPath);
    void setClipPath(const QPainterPath& userPath);
    void resetClip();
    // Device space; null optional when unclipped.
    const std::optional<QPainterPath>& deviceClip() const { return core_->state.clip; }
    Rect clipBoundingBox() const;

    // --- Paint state. ---
    Ref<Color> fillColor() const { return core_->state.fillColor; }
    Ref<Color> strokeColor() const { return core_->state.strokeColor; }
    void setFillColor(Ref<Color> c) { core_->state.fillColor = std::move(c); }
    void setStrokeColor(Ref<Color> c) { core_->state.strokeColor = std::move(c); }
    // Null (or a clear colour) removes the shadow.
    void setShadow(const Shadow* shadow);
    const ShadowState& shadow() const { return core_->state.shadow; }
    void setFocusRingStyle(std::optional<FocusRingPlacement> placement) { core_->state.focusRingStyle = placement; }
    PathDefaults& pathDefaults() { return core_->state.pathDefaults; }
    const GraphicsState& state() const { return core_->state; }

    // --- Primitives; the drawing classes call these. ---
    // Fills with the fill colour (a pattern colour tiles) under the current operation, or with `op`.
    void fillPath(const QPainterPath& path);
    void fillPathUsingOperation(const QPainterPath& path, CompositingOperation op);
    void fillPathWithBrush(const QPainterPath& path, const QBrush& brush);
    // Fills user-space rectangles with the fill colour under `op`, one pass through the backend.
    void fillRectsUsingOperation(const QRectF* rects, int count, CompositingOperation op);
    void strokePath(const QPainterPath& path, const QPen& pen);
    // Draws `source` (image pixels, y down) of `image` into `dest` (user space) upright on the device.
    void drawImage(const QImage& image, const QRectF& source, Rect dest, CompositingOperation op, double fraction);
    // Maps a local y-down space for `dest` (top = visual top) into user space: identity when user
    // space already runs down, else the flip about dest's horizontal mid-line.
    QTransform uprightTransform(Rect dest) const;
    QBrush brushForColor(const Color* color) const;

private:
    struct Core {
        std::shared_ptr<GraphicsBackend> backend;
        GraphicsState state;
        std::vector<GraphicsState> saved;
        std::uint64_t nextClipSerial = 1;
        PainterBackend* reusable = nullptr; // set for a reusable context
    };
    friend class CGContext;
    GraphicsContext(std::shared_ptr<Core> core, bool flipped)
        : core_(std::move(core))
        , flipped_(flipped)
    { }
    void setDeviceClip(std::optional<QPainterPath> clip);
    void drawFocusRing(const QPainterPath& path);

    std::shared_ptr<Core> core_;
    bool flipped_ = false;
};

// --- Fill functions of the drawing layer. ---
// Fills with the fill colour, replacing what is there (Copy).
void RectFill(Rect r);
void RectFillUsingOperation(Rect r, CompositingOperation op);
void RectFillList(const Rect* rects, int count);
// A one-unit frame just inside the rectangle, drawn with Copy.
void FrameRect(Rect r);
void FrameRectWithWidth(Rect r, double width);
void DrawWindowBackground(Rect r);
void SetFocusRingStyle(FocusRingPlacement placement);
// The keyboard focus ring of the current context drawn just inside the rectangle (its outer edge on
// the rectangle's); the context's state is left as it was.
void DrawFocusRingInsideRect(Rect r);
// The keyboard focus ring of the current context just outside a rounded rectangle (a pill when the
// radii are half its height); the context's state is left as it was.
void DrawFocusRingAroundRoundedRect(Rect r, double xRadius, double yRadius);

} // namespace kit
