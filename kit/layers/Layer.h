#pragma once

// A rectangle of content in a tree of layers: geometry (bounds, position, anchor point, a 3-D
// transform with depth and perspective), a background colour, a bitmap as contents placed by a
// gravity, opacity and hiding, and sublayers drawn above it in z order. A view hosts a tree
// (View::setLayer) and draws it in place of drawRect; any change to a hosted layer asks that view
// to redraw. Main thread only.
//
// Geometry: a layer's plane maps to its superlayer's space by
//     L = Tr(−A) · transform · Tr(position.x, position.y, zPosition),  A = the anchor in the bounds,
// the superlayer's sublayerTransform acts about the superlayer's own anchor, and a plain layer
// flattens its sublayers into its plane (z dropped) after that; a ReplicatorLayer may keep depth.

#include "kit/appkit/CAAnimation.h"
#include "kit/core/Class.h"
#include "kit/core/Geometry.h"
#include "kit/core/Object.h"
#include "kit/graphics/AffineTransform.h"
#include "kit/graphics/CGImage.h"
#include "kit/graphics/Color.h"
#include "kit/graphics/Transform3D.h"

#include <QImage>
#include <QString>
#include <QTransform>

#include <array>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

namespace kit {

class CGContext;
class GraphicsContext;
class Layer;
class View;

// Colours of layers travel in values as kit::Color objects; nil is no colour.
template <> struct ValueTraits<std::optional<CGColor>> {
    static constexpr bool scalar = false;
    static Value toValue(const std::optional<CGColor>& c);
    static std::optional<CGColor> fromValue(const Value& v);
};
template <> struct ValueTraits<CGColor> {
    static constexpr bool scalar = false;
    static Value toValue(const CGColor& c) { return ValueTraits<std::optional<CGColor>>::toValue(c); }
    static CGColor fromValue(const Value& v) { return ValueTraits<std::optional<CGColor>>::fromValue(v).value_or(CGColor {}); }
};

// Where the contents go inside the bounds (y up: "top" is the max-y edge).
inline const QString GravityCenter = QStringLiteral("center");
inline const QString GravityTop = QStringLiteral("top");
inline const QString GravityBottom = QStringLiteral("bottom");
inline const QString GravityLeft = QStringLiteral("left");
inline const QString GravityRight = QStringLiteral("right");
inline const QString GravityTopLeft = QStringLiteral("topLeft");
inline const QString GravityTopRight = QStringLiteral("topRight");
inline const QString GravityBottomLeft = QStringLiteral("bottomLeft");
inline const QString GravityBottomRight = QStringLiteral("bottomRight");
inline const QString GravityResize = QStringLiteral("resize");
inline const QString GravityResizeAspect = QStringLiteral("resizeAspect");
inline const QString GravityResizeAspectFill = QStringLiteral("resizeAspectFill");

// Action keys asked when a layer joins or leaves a tree.
inline const QString OnOrderIn = QStringLiteral("onOrderIn");
inline const QString OnOrderOut = QStringLiteral("onOrderOut");

// Autoresizing of a sublayer when its superlayer's bounds change size (y up: MinY is the bottom margin).
enum : unsigned {
    LayerNotSizable = 0,
    LayerMinXMargin = 1,
    LayerWidthSizable = 2,
    LayerMaxXMargin = 4,
    LayerMinYMargin = 8,
    LayerHeightSizable = 16,
    LayerMaxYMargin = 32,
};

enum ConstraintAttribute : int {
    ConstraintMinX = 0,
    ConstraintMidX = 1,
    ConstraintMaxX = 2,
    ConstraintWidth = 3,
    ConstraintMinY = 4,
    ConstraintMidY = 5,
    ConstraintMaxY = 6,
    ConstraintHeight = 7,
};

// The layer's `attribute` = the source's `sourceAttribute` × scale + offset; the source is
// "superlayer" or a sibling's name. kit::ConstraintLayoutManager applies them.
struct Constraint {
    ConstraintAttribute attribute = ConstraintMinX;
    QString sourceName;
    ConstraintAttribute sourceAttribute = ConstraintMinX;
    double scale = 1;
    double offset = 0;

    static Constraint constraintWithAttributeRelativeToAttributeScaleOffset(
        ConstraintAttribute attribute, const QString& source, ConstraintAttribute sourceAttribute, double scale, double offset)
    {
        return { attribute, source, sourceAttribute, scale, offset };
    }
    static Constraint constraintWithAttributeRelativeToAttributeOffset(
        ConstraintAttribute attribute, const QString& source, ConstraintAttribute sourceAttribute, double offset)
    {
        return { attribute, source, sourceAttribute, 1, offset };
    }
    static Constraint constraintWithAttributeRelativeToAttribute(
        ConstraintAttribute attribute, const QString& source, ConstraintAttribute sourceAttribute)
    {
        return { attribute, source, sourceAttribute, 1, 0 };
    }
    friend bool operator==(const Constraint&, const Constraint&) = default;
};

// Optional operations of a layer's delegate, asked through respondsToSelector (register them).
class LayerDelegate {
public:
    virtual ~LayerDelegate() = default;
    // Instead of drawing: the delegate sets the layer's contents itself.
    virtual void displayLayer(Layer*) { }
    // Draws the layer's contents; the context is y up over the layer's bounds.
    virtual void drawLayerInContext(Layer*, CGContext&) { }
    virtual void layoutSublayersOfLayer(Layer*) { }
    // Asked first when `key` changes: nil goes on to the layer's actions and its default, Null
    // stops there (no animation), an object is the action to run.
    virtual Value actionForLayerForKey(Layer*, const QString&) { return {}; }
};

// Lays out a layer's sublayers. Keeps the "CA" of its platform name: kit::LayoutManager is the text
// system's. A layer holds its layout manager weakly, so a view can lay out layers it owns.
class CALayoutManager {
public:
    virtual ~CALayoutManager() = default;
    virtual void layoutSublayersOfLayer(Layer* layer) = 0;
};

// A layer's animatable state: the model keeps one, and a presentation is the same with the running
// animations applied at the clock's now.
struct LayerValues {
    Rect bounds;
    Point position;
    Point anchorPoint { 0.5, 0.5 };
    double zPosition = 0;
    Transform3D transform;
    Transform3D sublayerTransform;
    bool hidden = false;
    double opacity = 1;
    std::optional<CGColor> backgroundColor;
    Ref<CGImage> contents;
    // While contents cross-fade: the old image, shown blended with `contents` by contentsMix (0 the
    // old one only, 1 the new one only).
    Ref<CGImage> contentsFrom;
    double contentsMix = 1;
    double cornerRadius = 0;
    double borderWidth = 0;
    std::optional<CGColor> borderColor = CGColor::getConstantColor(CGColor::Constant::Black);

    // From the bounds plane to the superlayer's space.
    Transform3D toSuperlayer() const;
    // The superlayer side of a sublayer's chain: its sublayerTransform about its anchor.
    Transform3D aboutAnchor(const Transform3D& t) const;
    Point anchorInBounds() const;
};

class Layer : public Object, public AnimationTarget {
    KIT_CLASS(Layer)

    Layer();
    ~Layer() override;
    static Ref<Layer> layer() { return make<Layer>(); }

    // --- Tree. Sublayers are back to front among equal z positions; the superlayer is weak. ---
    Ref<Layer> superlayer() const { return superlayer_.lock(); }
    const std::vector<Ref<Layer>>& sublayers() const { return sublayers_; }
    // Layers of the new list leave their old superlayers first.
    void setSublayers(const std::vector<Ref<Layer>>& layers);
    void addSublayer(Layer* layer);
    // An index past the end appends.
    void insertSublayerAtIndex(Layer* layer, unsigned index);
    // A sibling that is not a sublayer puts the layer at the back (below) or on top (above).
    void insertSublayerBelow(Layer* layer, Layer* sibling);
    void insertSublayerAbove(Layer* layer, Layer* sibling);
    void replaceSublayerWith(Layer* oldLayer, Layer* newLayer);
    void removeFromSuperlayer();
    bool isDescendantOf(const Layer* layer) const;
    QString name() const { return name_; }
    void setName(const QString& name) { name_ = name; }

    // --- Geometry, in the superlayer's coordinates (y up) unless said otherwise. ---
    Rect bounds() const { return model_.bounds; }
    void setBounds(Rect bounds);
    // Where the anchor point sits in the superlayer.
    Point position() const { return model_.position; }
    void setPosition(Point position);
    // In unit coordinates of the bounds; (0.5, 0.5), the centre, by default.
    Point anchorPoint() const { return model_.anchorPoint; }
    void setAnchorPoint(Point anchorPoint);
    // A translation along z: depth under a perspective, and the drawing order of siblings.
    double zPosition() const { return model_.zPosition; }
    void setZPosition(double z);
    // Derived: the axis-aligned box of the bounds' corners through the layer's transform (after the
    // divide by w). Setting it under an affine transform keeps the anchor point and the transform;
    // under depth or perspective the bounds take the frame's size and the position goes where the
    // anchor would be without the transform.
    Rect frame() const;
    void setFrame(Rect frame);
    // About the anchor point.
    Transform3D transform() const { return model_.transform; }
    void setTransform(const Transform3D& transform);
    // The 2-D part of transform.
    CGAffineTransform affineTransform() const { return Transform3DGetAffineTransform(model_.transform); }
    void setAffineTransform(const CGAffineTransform& transform) { setTransform(Transform3DMakeAffineTransform(transform)); }
    // Applied to the sublayers about this layer's anchor point (a perspective stays centred on it).
    Transform3D sublayerTransform() const { return model_.sublayerTransform; }
    void setSublayerTransform(const Transform3D& transform);
    unsigned autoresizingMask() const { return autoresizingMask_; }
    void setAutoresizingMask(unsigned mask) { autoresizingMask_ = mask; }
    // Sent when the bounds size changes: each sublayer follows its autoresizing mask.
    virtual void resizeSublayersWithOldSize(Size oldSize);
    virtual void resizeWithOldSuperlayerSize(Size oldSize);
    // Between layers of one tree, through perspective; a null layer means the space the tree's
    // root sits in. A rectangle answers the box of its four mapped corners.
    Point convertPointToLayer(Point point, const Layer* layer) const;
    Point convertPointFromLayer(Point point, const Layer* layer) const;
    Rect convertRectToLayer(Rect rect, const Layer* layer) const;
    Rect convertRectFromLayer(Rect rect, const Layer* layer) const;
    // The size a layout manager gives an axis it does not constrain: the bounds size here.
    virtual Size preferredFrameSize() const { return model_.bounds.size; }
    // The part of the bounds inside the nearest enclosing scroll layer's bounds; empty when none of
    // it shows. Without a scroll layer above, the bounds.
    Rect visibleRect() const;
    // `point` in the superlayer's coordinates (for a hosted root, the view's). The deepest visible
    // layer under it, front to back; null when none.
    Ref<Layer> hitTest(Point point) const;
    // `point` in the layer's own coordinates.
    virtual bool containsPoint(Point point) const;

    // --- Appearance. ---
    bool isHidden() const { return model_.hidden; }
    void setHidden(bool hidden);
    // Multiplies down the tree: overlapping sublayers are not flattened first.
    double opacity() const { return model_.opacity; }
    void setOpacity(double opacity);
    // Stored only: a hint that the layer covers its bounds.
    bool isOpaque() const { return opaque_; }
    void setOpaque(bool flag) { opaque_ = flag; }
    const std::optional<CGColor>& backgroundColor() const { return model_.backgroundColor; }
    void setBackgroundColor(std::optional<CGColor> color);
    Ref<CGImage> contents() const { return model_.contents; }
    void setContents(const Ref<CGImage>& contents);
    QString contentsGravity() const { return contentsGravity_; }
    void setContentsGravity(const QString& gravity);
    // Pixels per point of the contents (and of what display draws); 1 by default.
    double contentsScale() const { return contentsScale_; }
    void setContentsScale(double scale);
    // Clips contents and sublayers to the (rounded) bounds.
    bool masksToBounds() const { return masksToBounds_; }
    void setMasksToBounds(bool flag);
    double cornerRadius() const { return model_.cornerRadius; }
    void setCornerRadius(double radius);
    // Drawn inside the bounds, above the contents and the sublayers.
    double borderWidth() const { return model_.borderWidth; }
    void setBorderWidth(double width);
    const std::optional<CGColor>& borderColor() const { return model_.borderColor; }
    void setBorderColor(std::optional<CGColor> color);

    // --- Actions and animations. ---
    // Key → action (an object) or Null (no action for that key).
    const Dictionary& actions() const { return actions_; }
    void setActions(const Dictionary& actions) { actions_ = actions; }
    // What a change of `key` runs: the delegate's answer unless nil, else the actions dictionary's
    // entry, else the class default. Null or nil: nothing.
    Value actionForKey(const QString& key);
    // A basic animation from the presentation value for the animatable keys; nil for the others.
    virtual Value defaultActionForKey(const QString& key) const;
    // That animation: the transaction's duration and timing function (else the default function).
    static Value implicitAnimationForKey(const QString& key);
    // Adds a copy; an animation already running for `key` is replaced.
    void addAnimationForKey(CAAnimation* animation, const QString& key) override;
    void removeAnimationForKey(const QString& key);
    void removeAllAnimations();
    Ref<CAAnimation> animationForKey(const QString& key) const;
    std::vector<QString> animationKeys() const;
    // A copy showing the running animations at the clock's now (its own sublayers are not copied).
    // Hit testing a presentation layer walks the model tree with presentation values.
    Ref<Layer> presentationLayer() const;
    // The layer a presentation copy was made from; a model layer answers itself.
    Ref<Layer> modelLayer() const;
    // The model value of `key` with its running animation applied.
    Value presentationValueForKey(const QString& key) const;
    bool hasAnimations() const { return !animations_.empty(); }

    // --- Drawn contents. ---
    // Weak; asked for displayLayer, drawLayerInContext, layoutSublayersOfLayer, actionForLayerForKey.
    Ref<Object> delegate() const { return delegate_.lock(); }
    void setDelegate(Object* delegate) { delegate_ = delegate; }
    void setNeedsDisplay();
    bool needsDisplay() const { return needsDisplay_; }
    bool needsDisplayOnBoundsChange() const { return needsDisplayOnBoundsChange_; }
    void setNeedsDisplayOnBoundsChange(bool flag) { needsDisplayOnBoundsChange_ = flag; }
    // Per class: a change of `key` (through its setter or key-value coding) redraws the layer.
    // Subclasses answer for their own keys and pass the rest on; no key by default.
    virtual bool needsDisplayForKey(const QString& key) const;
    void displayIfNeeded();
    // The delegate's displayLayer when it has one; otherwise drawInContext into a new bitmap of
    // the bounds at contentsScale, which becomes the contents (replacing any set by hand).
    virtual void display();
    // Asks the delegate's drawLayerInContext.
    virtual void drawInContext(CGContext& context);

    // --- Layout. ---
    // Changing them marks the superlayer for layout.
    const std::vector<Constraint>& constraints() const { return constraints_; }
    void setConstraints(const std::vector<Constraint>& constraints);
    void addConstraint(const Constraint& constraint);
    Ref<Object> layoutManager() const { return layoutManager_.lock(); }
    // A kit::CALayoutManager, held weakly.
    void setLayoutManager(Object* manager) { layoutManager_ = manager; }
    void setNeedsLayout();
    bool needsLayout() const { return needsLayout_; }
    // Lays out from the highest marked ancestor down, through this layer's subtree.
    void layoutIfNeeded();
    // The layout manager's layoutSublayersOfLayer, else the delegate's.
    virtual void layoutSublayers();

    // --- Rendering. ---
    // Draws this layer and its sublayers in its own coordinates (bounds) into the context, after
    // pending layout and display, through the same 3-D pipeline as a hosting view.
    void renderInContext(CGContext& context);
    // The view whose layer this is (the root of a hosted tree), else null.
    Ref<View> hostingView() const;

    // Frame driver steps: retire the animations that ended; redraw the views showing running ones.
    static bool retireFinishedForDriver();
    static bool invalidateAnimatingHostsForDriver();
    // Test seam: how many layers had their animations evaluated since the last reset.
    static std::uint64_t presentationEvaluations(bool reset = false);
    // Test seam: how many culling boxes were worked out, and how many the render walk tested
    // against the visible area, since the last reset.
    static std::uint64_t boxesBuilt(bool reset = false);
    static std::uint64_t boxesTested(bool reset = false);
    // Test seam: what the last render drew, in order, with each layer's chain to the host.
    struct DrawRecord {
        const Layer* layer;
        Transform3D toHost;
        QTransform homography;
        int copy; // replicator copy index, 0 for the original
    };
    static void setDrawRecorder(std::vector<DrawRecord>* recorder);

    // kit::Object:
    QString description() const override;
    void setValueForKey(const Value& value, const QString& key) override;
    void copyTo(Object& copy) const override;

protected:
    // After the layer left its superlayer, whatever took it out and whether or not an order-out
    // action ran (none runs with actions disabled).
    virtual void leftSuperlayer() { }
    // The animatable state the renderer and presentation hit tests see.
    LayerValues presentedValues() const;
    // Applies a running animation's value of a key that is not one of LayerValues' (a subclass's).
    virtual void applyPresentedValue(const QString& key, const Value& value, LayerValues& values) const;
    // Around a change of an animatable key: the presentation value before it (none when the change
    // cannot animate), then the action the change asks for.
    std::optional<Value> willChangeAnimatable(const QString& key) const;
    void didChangeAnimatable(const QString& key, const std::optional<Value>& before);
    // Called after any property change: redraws the host.
    void changed();
    // For a change of the layer's preferred size.
    void setNeedsLayoutOfSuperlayer()
    {
        if (const Ref<Layer> s = superlayer())
            s->setNeedsLayout();
    }
    // What a layer class draws of its own above the contents, in the layer's plane (y up).
    virtual void drawOwnContent(GraphicsContext& context, const LayerValues& values, double opacity, const std::array<double, 3>& tint);
    // Whether sublayers are flattened into this layer's plane.
    virtual bool flattensSublayers() const { return true; }
    struct RenderPass {
        GraphicsContext& context;
        QTransform host; // the device transform the tree's root space maps through
        std::array<double, 3> tint { 1, 1, 1 };
        int copy = 0; // replicator copy being drawn
        // Device quads that opaque pictures drawn later cover (see LayerRendering.cpp).
        const std::vector<std::array<QPointF, 4>>* occluders = nullptr;
    };
    // The transforms that place the copies of the sublayers in this layer's space, before the
    // sublayer transform: the identity once; a replicator's instance transforms.
    virtual std::vector<Transform3D> instanceChains(const LayerValues& values) const;
    // Where this layer and everything below it can draw, in its own space (3-D for sublayers that
    // keep depth); unbounded when part of it lies behind an eye.
    struct Extent {
        double lo[3] { 0, 0, 0 };
        double hi[3] { 0, 0, 0 };
        bool empty = true;
        bool bounded = true;
        void add(double x, double y, double z);
        void unite(const Extent& other);
        // Through a projective map; unbounded when a corner lands behind the eye.
        Extent mapped(const Transform3D& t) const;
    };
    // With the layer's own values as given (its sublayers' from their placed extents).
    Extent subtreeExtent(const LayerValues& values) const;
    // The subtree's extent in the superlayer's space (before its sublayer transform) through every
    // value the running animations pass, cached until the layer, its animations or a sublayer
    // change; an animation of a key that reshapes the subtree limits the cache to one instant.
    const Extent& placedExtent() const;
    // The union of the shown sublayers' placed extents, in the space the sublayers are placed in.
    const Extent& sublayersExtent() const;
    // Whether the subtree can show inside the pass's visible area, its superlayer's space mapping
    // to the host by `superlayerToHost`: decided before any of its matrices is built.
    bool placedMayShow(const RenderPass& pass, const Transform3D& superlayerToHost) const;
    // The device rectangle the subtree can draw in (null when nothing; unbounded behind an eye).
    QRectF placedReach(const RenderPass& pass, const Transform3D& superlayerToHost) const;
    // Whether a point of the root's space may fall on the subtree (hit testing).
    bool placedMayContain(QPointF point, const Transform3D& superlayerToRoot) const;
    // The shown sublayers whose boxes, mapped by `sublayersToSpace`, may meet `area` (a rectangle
    // of that space), in drawing order: all of them, or fewer when the sublayers are indexed.
    void sublayersNear(const Transform3D& sublayersToSpace, const QRectF& area, std::vector<Layer*>& out) const;
    // The shown sublayers that may show in the pass, in drawing order.
    void sublayersInSight(const RenderPass& pass, const Transform3D& sublayerToHost, std::vector<Layer*>& out) const;
    // Whether a running animation of `key` leaves the subtree's own extent as it is (it only
    // paints, or moves the whole subtree: position, zPosition, transform).
    virtual bool animationKeepsExtent(const QString& key) const;
    // Draws the sublayers in order; a replicator draws its copies.
    virtual void renderSublayers(RenderPass& pass, const Transform3D& sublayerToHost, double opacity);
    void renderTree(RenderPass& pass, const Transform3D& toHost, double opacity);
    // Sublayers by (zPosition, index); `shownOnly` leaves out hidden ones with nothing animating,
    // so a frame costs nothing for the many a large tree keeps hidden.
    std::vector<Layer*> drawingOrder() const;
    // The drawing order without the hidden sublayers that nothing animates: what a frame walks, so
    // that a tree keeping thousands of layers hidden pays only for the others. Kept until the order,
    // a sublayer's hiding or whether it animates changes.
    const std::vector<Layer*>& shownDrawingOrder() const;
    // The chain from a sublayer's superlayer space (this layer's, after its sublayer transform)
    // given this layer's own chain.
    Transform3D sublayerChain(const LayerValues& values, const Transform3D& toHost) const;

private:
    friend class View;
    friend class ReplicatorLayer;
    friend class Transaction;
    // A reference to a layer known by a raw pointer, or null when its count has reached zero: its
    // last reference went on another thread and its deletion is on its way to this one.
    static Ref<Layer> retainedUnlessDying(Layer* layer);
    struct RunningAnimation {
        QString key;
        Ref<CAAnimation> animation;
        double begin = 0;
        double pass = 0;
        Value from;
        std::uint64_t id = 0;
        bool finished = false;
        std::shared_ptr<void> completion; // released when finished or removed
        std::shared_ptr<const QImage> look; // a transition's picture of the layer before the change
        // Worked out when added, for the culling boxes that thousands of moving layers rebuild
        // in one frame: what a basic animation changes and the range its eased fraction takes.
        enum class Motion : std::uint8_t { None, Paints, Position, Depth, Transform, Reshapes };
        Motion motion = Motion::None;
        // From the model's value to itself (a layout setting what is already set): reshapes
        // nothing until the model changes.
        bool still = false;
        double fractionLo = 0;
        double fractionHi = 1;
        // A move's ends (x and y, or z), decoded once; an end left nil follows the model.
        std::array<double, 2> moveFrom {}, moveTo {};
        bool fromIsModel = true, toIsModel = true;
        // Its entry among the animations ending at `endsAt` (NaN: none), let go when it goes.
        double endsAt = std::numeric_limits<double>::quiet_NaN();
        std::size_t endSlot = 0;
    };
    static void forgetEnding(RunningAnimation& running);
    // addAnimationForKey for an animation the layer holds alone (no copy made).
    void adoptAnimationForKey(Ref<CAAnimation> animation, const QString& key);
    void summarizeMotion(RunningAnimation& running) const;
    const RunningAnimation* runningAnimation(const QString& key) const;
    Value animatedValue(const RunningAnimation& running, double now) const;
    void retireAnimation(std::uint64_t id);
    void animationsChanged();
    // A layer joined or left a tree, or a tree its host.
    static void treeChanged();
    Transform3D toRootSpace(bool presented) const;
    Ref<Layer> presentedContentsLayer() const;

    // Chains to the space the root sits in.
    Transform3D toRootSpace() const { return toRootSpace(false); }
    // Pending layout, then pending display, of the whole tree below.
    void prepareTree();
    void layoutSubtree();
    void renderContent(RenderPass& pass, const LayerValues& values, const QTransform& homography, double opacity);
    void renderBorder(RenderPass& pass, const LayerValues& values, double opacity);
    void drawRoot(GraphicsContext& context);
    Ref<Layer> hitTestInRootSpace(QPointF point, const Transform3D& toHost, bool presented) const;
    Rect contentsRect(const LayerValues& values) const;
    // The pixels to draw for the contents and where they go (y up), a cross-fade blended into one
    // image. `toDevice` maps the layer's plane to the device, for the drawn size.
    // Premultiplied pixels scaled by `weight`: weighted images added together blend exactly
    // (painting with an opacity in the additive mode would not).
    static QImage weightedPixels(const QImage& image, double weight);
    // Each colour channel multiplied (a replicator copy's colour), alpha kept.
    static void tintPixels(QImage& image, const std::array<double, 3>& tint);
    QImage contentsToDraw(const LayerValues& values, const std::array<double, 3>& tint, const QTransform& toDevice, Rect* dest) const;
    // The contents multiplied per channel (a replicator copy's colour) and, along an axis drawn much
    // shorter than it is, halved; cached for the next frames. `drawn` is the device length of each
    // axis of the picture.
    const QImage& preparedContents(const Ref<CGImage>& contents, const std::array<double, 3>& tint, QSizeF drawn) const;
    // The device length of each axis of `rect` under `toDevice`: the longer of its two edges along it.
    static QSizeF drawnAxes(const QTransform& toDevice, const Rect& rect);
    Layer* root();
    void detach();
    void insertAt(Layer* layer, std::size_t index);
    void setBoundsSize(Size size);
    void orderIn();
    void runOrderAction(const QString& key);

    QString name_;
    Weak<Layer> superlayer_;
    std::vector<Ref<Layer>> sublayers_;
    LayerValues model_;
    unsigned autoresizingMask_ = LayerNotSizable;
    bool opaque_ = false;
    QString contentsGravity_ = GravityResize;
    double contentsScale_ = 1;
    bool masksToBounds_ = false;
    Dictionary actions_;
    Weak<Object> delegate_;
    std::vector<Constraint> constraints_;
    Weak<Object> layoutManager_;
    bool needsDisplay_ = false;
    bool needsDisplayOnBoundsChange_ = false;
    bool needsLayout_ = false;
    bool displaying_ = false; // contents set by display show at once
    bool subtreeNeedsLayout_ = false; // a layer below is marked
    bool layoutQueued_ = false; // in the transaction's list of layers to lay out
    // The drawing order, kept until the sublayers or their z positions change.
    mutable std::vector<Layer*> orderCache_;
    mutable bool orderValid_ = false;
    // Sublayers whose depth changed since the order was kept: a few are put back in place instead
    // of sorting them all again (a selection step turns two items among thousands).
    mutable std::vector<Layer*> depthMoved_;
    mutable std::uint32_t siblingIndex_ = 0; // in the superlayer's sublayers, while it has them indexed
    mutable bool siblingsIndexed_ = false;
    bool placeDepthMoved() const;
    mutable std::vector<Layer*> shownCache_;
    mutable bool shownValid_ = false;
    mutable std::uint64_t shownGeneration_ = 0; // counts rebuilds of shownCache_
    // Sublayers whose hiding (or whether they animate while hidden) changed since the shown order
    // was kept: a few are taken out or put back instead of walking them all (a row hides one item
    // and shows another at each step).
    mutable std::vector<Layer*> shownMoved_;
    void placeShownMoved() const;
    // Takes `moved` (sorted by address) out of `order` and merges them back where (zPosition,
    // index) puts them; `shownOnly` leaves out the hidden ones that nothing animates.
    void remergeIntoOrder(std::vector<Layer*>& order, const std::vector<Layer*>& moved, bool shownOnly) const;
    // Tells the superlayer that this layer's place in its shown drawing order may have changed.
    void shownStateChanged()
    {
        if (const Layer* s = superlayer_.unsafeRaw()) {
            if (s->shownValid_ && s->shownMoved_.size() < 64)
                s->shownMoved_.push_back(this);
            else
                s->shownValid_ = false;
        }
    }
    // Root only.
    Weak<View> hostingView_;
    bool preparing_ = false; // the host is laying out and displaying the tree before drawing it
    bool changedWhilePreparing_ = false;
    std::uint64_t hostMarkedIn_ = 0; // the transaction (commit count) that last asked the host to redraw
    struct TintCache {
        qint64 key = 0;
        std::array<double, 3> tint { 1, 1, 1 };
        QSize size;
        QImage image;
        std::uint64_t used = 0;
    };
    mutable std::array<TintCache, 2> tintCache_;
    // Transitions: the layer's look over its bounds (at contentsScale), drawn in place of the layer
    // while one runs.
    QSize lookSize(const Rect& bounds) const;
    QImage renderLook(const LayerValues& values, const std::array<double, 3>& tint) const;
    std::shared_ptr<const QImage> snapshotLook(const QString& key, const std::optional<Value>& before) const;
    bool renderTransition(RenderPass& pass, const LayerValues& values, const QTransform& homography, double opacity);
    mutable bool drawingLook_ = false;
    std::shared_ptr<const QImage> pendingLook_; // taken before a change whose action is a transition
    // Culling caches; a stamp below 0 keeps one until a change, else only at that clock's now.
    mutable Extent placedCache_;
    mutable bool placedKnown_ = false;
    mutable double placedStamp_ = -1;
    mutable Extent sublayersCache_;
    mutable bool sublayersKnown_ = false;
    mutable double sublayersStamp_ = -1;
    // Presentation values of the last evaluation, for the same now and generation.
    mutable LayerValues presentedMemo_;
    mutable double presentedMemoAt_ = -1;
    mutable std::uint64_t presentedMemoGeneration_ = 0;
    std::uint64_t generation_ = 1; // counts changes of the model and the animations
    // The placed boxes of the shown sublayers, kept until one of them or the shown drawing order
    // changes. Boxes that hold for a while are united once and, among many sublayers, sorted along
    // the axis they spread in, so a frame looks only at the few that can meet the visible area.
    struct SublayerBoxes {
        struct Entry {
            double lo[3];
            double hi[3];
            Layer* layer;
            std::uint32_t rank; // in the shown drawing order
        };
        bool valid = false;
        std::uint64_t generation = 0; // of the shown drawing order
        Extent lasting; // the union of the boxes that hold until a change
        // Sublayers whose boxes hold for one instant only (reshaping animations): asked each time.
        std::vector<std::pair<std::uint32_t, Layer*>> changing;
        bool indexed = false;
        int axis = 0;
        double widest = 0; // along the axis, of the indexed boxes
        Extent indexedUnion;
        std::vector<Entry> entries; // bounded lasting boxes by their low end along the axis
        std::vector<std::pair<std::uint32_t, Layer*>> unindexed; // unbounded or very wide: always asked
    };
    mutable std::unique_ptr<SublayerBoxes> boxes_;
    // The subtree's extent in its own space from the model (kept while only the placement or the
    // animations change: a row of moving layers rebuilds its boxes without walking their subtrees).
    mutable Extent ownCache_;
    mutable bool ownKnown_ = false;
    const Extent& ownExtent() const;
    // The own extent through the anchor offset and the model transform, before the position and
    // depth: a move only shifts it. Kept with the own extent, for that transform and anchor.
    mutable Extent stillCache_;
    mutable bool stillKnown_ = false;
    mutable Transform3D stillTransform_;
    mutable Point stillAnchor_;
    const Extent& stillExtent(const Extent& own) const;
    mutable std::uint64_t sublayersGeneration_ = 0;
    const SublayerBoxes& sublayerBoxes() const;
    // Forgets the culling boxes of this layer and its ancestors; `placementOnly` keeps this
    // layer's own extent (what changed is where it sits, or its animations). `shrinks`: the new
    // box lies inside the old (a move reaching its end), so the superlayer's index may keep the old.
    void extentChanged(bool placementOnly = false, bool shrinks = false);
    // changed() for a change of the position, depth, transform or the animations.
    void placementChanged();
    // `evenHidden`: the change shows even while the layer is hidden (hiding it, dropping an
    // animation that showed it).
    void noteChange(bool placementOnly, bool evenHidden = false);
    Extent motionExtent(const Extent& own) const;
    mutable std::uint64_t tintCacheClock_ = 0;
    // Whether the contents with this cache key are opaque throughout (rendering skips what they hide).
    mutable qint64 opaqueContentsKey_ = 0;
    mutable bool opaqueContents_ = false;
    std::vector<RunningAnimation> animations_;
    static constexpr std::size_t NotAnimating = ~std::size_t(0);
    std::size_t animatingSlot_ = NotAnimating; // in the list of layers with running animations
    bool committed_ = false;
    bool presentation_ = false;
    Weak<Layer> modelLayer_;
};

} // namespace kit
