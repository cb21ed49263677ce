#pragma once

// A rectangle of content in a tree of layers: geometry (bounds, position, anchor point, an affine
// transform), a background colour, a bitmap as contents placed by a gravity, opacity and hiding,
// and sublayers drawn above it in z order. A view hosts a tree (View::setLayer) and draws it in
// place of drawRect; any change to a hosted layer asks that view to redraw. Main thread only.
//
// Rendering is affine for now: 3-D transforms with perspective, transactions and implicit
// animations arrive later and extend this class (transform, sublayerTransform, actions).

#include "kit/core/Class.h"
#include "kit/core/Geometry.h"
#include "kit/core/Object.h"
#include "kit/graphics/AffineTransform.h"
#include "kit/graphics/CGImage.h"
#include "kit/graphics/Color.h"

#include <QString>
#include <QTransform>

#include <optional>
#include <vector>

namespace kit {

class CGContext;
class GraphicsContext;
class Layer;
class View;

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
};

// Lays out a layer's sublayers. Keeps the "CA" of its platform name: kit::LayoutManager is the text
// system's. A layer holds its layout manager weakly, so a view can lay out layers it owns.
class CALayoutManager {
public:
    virtual ~CALayoutManager() = default;
    virtual void layoutSublayersOfLayer(Layer* layer) = 0;
};

class Layer : public Object {
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
    Rect bounds() const { return bounds_; }
    void setBounds(Rect bounds);
    // Where the anchor point sits in the superlayer.
    Point position() const { return position_; }
    void setPosition(Point position);
    // In unit coordinates of the bounds; (0.5, 0.5), the centre, by default.
    Point anchorPoint() const { return anchorPoint_; }
    void setAnchorPoint(Point anchorPoint);
    // Orders siblings: a higher z draws later. Depth itself arrives with the 3-D transforms.
    double zPosition() const { return zPosition_; }
    void setZPosition(double z);
    // Derived: the bounding box of the transformed bounds. Setting it keeps the anchor point and
    // the transform, and sets position and bounds size.
    Rect frame() const;
    void setFrame(Rect frame);
    // About the anchor point.
    CGAffineTransform affineTransform() const { return transform_; }
    void setAffineTransform(const CGAffineTransform& transform);
    unsigned autoresizingMask() const { return autoresizingMask_; }
    void setAutoresizingMask(unsigned mask) { autoresizingMask_ = mask; }
    // Sent when the bounds size changes: each sublayer follows its autoresizing mask.
    virtual void resizeSublayersWithOldSize(Size oldSize);
    virtual void resizeWithOldSuperlayerSize(Size oldSize);
    // Between layers of one tree; a null layer means the space the tree's root sits in.
    Point convertPointToLayer(Point point, const Layer* layer) const;
    Point convertPointFromLayer(Point point, const Layer* layer) const;
    Rect convertRectToLayer(Rect rect, const Layer* layer) const;
    Rect convertRectFromLayer(Rect rect, const Layer* layer) const;

    // --- Appearance. ---
    bool isHidden() const { return hidden_; }
    void setHidden(bool hidden);
    // Multiplies down the tree: overlapping sublayers are not flattened first.
    double opacity() const { return opacity_; }
    void setOpacity(double opacity);
    const std::optional<CGColor>& backgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(std::optional<CGColor> color);
    Ref<CGImage> contents() const { return contents_; }
    void setContents(const Ref<CGImage>& contents);
    QString contentsGravity() const { return contentsGravity_; }
    void setContentsGravity(const QString& gravity);
    // Pixels per point of the contents (and of what display draws); 1 by default.
    double contentsScale() const { return contentsScale_; }
    void setContentsScale(double scale);
    // Clips contents and sublayers to the (rounded) bounds.
    bool masksToBounds() const { return masksToBounds_; }
    void setMasksToBounds(bool flag);
    double cornerRadius() const { return cornerRadius_; }
    void setCornerRadius(double radius);
    // Drawn inside the bounds, above the contents and the sublayers.
    double borderWidth() const { return borderWidth_; }
    void setBorderWidth(double width);
    const std::optional<CGColor>& borderColor() const { return borderColor_; }
    void setBorderColor(std::optional<CGColor> color);

    // --- Drawn contents. ---
    // Weak; asked for displayLayer, drawLayerInContext and layoutSublayersOfLayer.
    Ref<Object> delegate() const { return delegate_.lock(); }
    void setDelegate(Object* delegate) { delegate_ = delegate; }
    void setNeedsDisplay();
    bool needsDisplay() const { return needsDisplay_; }
    bool needsDisplayOnBoundsChange() const { return needsDisplayOnBoundsChange_; }
    void setNeedsDisplayOnBoundsChange(bool flag) { needsDisplayOnBoundsChange_ = flag; }
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
    // Lays out this layer when marked, then its sublayers, top down.
    void layoutIfNeeded();
    // The layout manager's layoutSublayersOfLayer, else the delegate's.
    virtual void layoutSublayers();

    // --- Rendering. ---
    // Draws this layer and its sublayers in its own coordinates (bounds) into the context, after
    // pending layout and display. Affine only.
    void renderInContext(CGContext& context);
    // The view whose layer this is (the root of a hosted tree), else null.
    Ref<View> hostingView() const;

    // kit::Object:
    QString description() const override;

private:
    friend class View;
    // From this layer's bounds coordinates to its superlayer's.
    QTransform toSuperlayer() const;
    QTransform toRootSpace() const;
    // Pending layout, then pending display, of the whole tree below.
    void prepareTree();
    void render(GraphicsContext& context, double opacity);
    void renderContent(GraphicsContext& context, double opacity);
    Rect contentsRect() const;
    // Asks the hosting view of this layer's tree to redraw.
    void changed();
    Layer* root();
    void detach();
    void insertAt(Layer* layer, std::size_t index);
    void setBoundsSize(Size size);

    QString name_;
    Weak<Layer> superlayer_;
    std::vector<Ref<Layer>> sublayers_;
    Rect bounds_;
    Point position_;
    Point anchorPoint_ { 0.5, 0.5 };
    double zPosition_ = 0;
    CGAffineTransform transform_;
    unsigned autoresizingMask_ = LayerNotSizable;
    bool hidden_ = false;
    double opacity_ = 1;
    std::optional<CGColor> backgroundColor_;
    Ref<CGImage> contents_;
    QString contentsGravity_ = GravityResize;
    double contentsScale_ = 1;
    bool masksToBounds_ = false;
    double cornerRadius_ = 0;
    double borderWidth_ = 0;
    std::optional<CGColor> borderColor_ = CGColor::getConstantColor(CGColor::Constant::Black);
    Weak<Object> delegate_;
    std::vector<Constraint> constraints_;
    Weak<Object> layoutManager_;
    bool needsDisplay_ = false;
    bool needsDisplayOnBoundsChange_ = false;
    bool needsLayout_ = false;
    // Root only.
    Weak<View> hostingView_;
    bool preparing_ = false; // the host is laying out and displaying the tree before drawing it
    bool changedWhilePreparing_ = false;
};

} // namespace kit
