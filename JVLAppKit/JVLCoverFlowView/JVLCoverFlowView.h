#pragma once

// The library's cover-flow view: the objects of an array as a row of pictures on a black stage,
// the selected one facing the viewer, the others turned away with darkened reflections, an own
// stepped scroller and an accessory view bound to the selected object. It hosts a layer tree; each
// content object has one item layer (picture, reflection, shade). Pictures are decoded one at a
// time on a private queue and shown on the main thread; only the items around the selection hold
// them. Bindings "content" and "selectionIndex"; Return or a double click sends the action.

#include "JVLAppKit/JVLCoverFlowView/JVLCoverFlowScroller.h"

#include "kit/appkit/Accessibility.h"
#include "kit/appkit/AccessibilityTable.h"
#include "kit/appkit/CAAnimation.h"
#include "kit/appkit/View.h"
#include "kit/appkit/ViewController.h"
#include "kit/core/Selector.h"
#include "kit/foundation/NibLoader.h"
#include "kit/foundation/OperationQueue.h"
#include "kit/graphics/Image.h"
#include "kit/layers/FocusRingLayer.h"
#include "kit/layers/Layer.h"
#include "kit/layers/ScrollLayer.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

class JVLCoverFlowView : public kit::View,
                         public kit::CALayoutManager,
                         public kit::LayerDelegate,
                         public kit::NibAwaking,
                         public kit::Accessibility {
    KIT_CLASS(JVLCoverFlowView)

    JVLCoverFlowView();
    explicit JVLCoverFlowView(kit::Rect frame);
    ~JVLCoverFlowView() override;

    // --- Content. ---
    const kit::Array& content() const { return content_; }
    // Layers follow the objects: equal objects keep their layer and picture, new ones get a layer
    // and a load, removed ones lose theirs.
    void setContent(const kit::Array& content);
    // From a content object to its picture (a kit::Image or image file data); null: the object itself.
    QString imageKeyPath() const { return imageKeyPath_; }
    void setImageKeyPath(const QString& keyPath);
    kit::Ref<kit::Image> placeholderIcon() const { return placeholderIcon_; }
    // Shows after the placeholder is next rendered.
    void setPlaceholderIcon(const kit::Ref<kit::Image>& icon) { placeholderIcon_ = icon; }
    kit::Ref<kit::ViewController> accessoryController() const { return accessoryController_; }
    void setAccessoryController(const kit::Ref<kit::ViewController>& controller);

    // --- Geometry (JVLCoverFlowViewLayout.cpp). ---
    // The effective item size: with autoresizing, the stored aspect at the height the view leaves.
    kit::Size itemSize() const;
    void setItemSize(kit::Size size);
    bool autoresizesItems() const { return autoresizesItems_; }
    void setAutoresizesItems(bool flag);
    bool showsScrollbar() const { return showsScrollbar_; }
    void setShowsScrollbar(bool flag);
    std::int64_t selectionIndex() const { return selectionIndex_; }
    // Out-of-range indices (−1 and NotFound included) are ignored.
    void setSelectionIndex(std::int64_t index);
    kit::Value selectedObject() const;
    void setSelectedObject(const kit::Value& object);
    // Lays the items out now.
    void refreshLayers();
    // View coordinates (y up); the zero rectangle out of range.
    kit::Rect rectForItemAtIndex(std::int64_t index);
    // The frontmost item under `point`, or kit::NotFound.
    std::int64_t indexOfItemAtPoint(kit::Point point);

    // --- Activation. ---
    kit::Ref<kit::Object> target() const { return target_.lock(); }
    void setTarget(kit::Object* target) { target_ = target; }
    kit::Selector action() const { return action_; }
    void setAction(kit::Selector action) { action_ = action; }

    // Parts, for owners and tests.
    kit::Ref<JVLCoverFlowScroller> scroller() const { return scroller_; }
    kit::Ref<kit::ScrollLayer> scrollLayer() const { return scrollLayer_; }
    // The item layer of the first object equal to `object`, or null.
    kit::Ref<kit::Layer> layerForObject(const kit::Value& object) const;
    // The current placeholder picture; null until first rendered.
    kit::Ref<kit::CGImage> placeholderImage() const { return placeholderRef_; }
    // What darkens every reflection: its pictures are made with it laid over them.
    kit::Ref<kit::CGImage> shadowImage() const { return shadowImage_; }
    // Items within this distance of the selection hold their pictures.
    std::int64_t residentRadius() const;
    // Bytes of the pictures item layers hold now (the shared placeholder not counted).
    std::int64_t residentPictureBytes() const;
    // The queue decoding pictures one at a time.
    kit::OperationQueue* imageLoadQueue() const { return imageLoadQueue_.get(); }
    // Loads queued since the view was made.
    std::int64_t loadsQueued() const { return loadsQueued_; }
    // Test-only: lay every item out on every pass, as the plain algorithm does.
    void setFullLayoutForTesting(bool flag) { fullLayout_ = flag; }

    // kit::CALayoutManager (the scroll layer's):
    void layoutSublayersOfLayer(kit::Layer* layer) override;
    // kit::LayerDelegate (the edge layers'): each edge drawn at the size it shows, so that it
    // goes to the screen pixel for pixel.
    void drawLayerInContext(kit::Layer* layer, kit::CGContext& context) override;
    // kit::NibAwaking:
    void awakeFromNib() override;
    // kit::View:
    void resizeSubviewsWithOldSize(kit::Size oldSize) override;
    void viewWillMoveToSuperview(kit::View* view) override;
    void viewDidMoveToWindow() override;
    // Dropped while a picture arrives for an item out of sight: nothing drawn would change.
    void setNeedsDisplayInRect(kit::Rect rect) override;
    bool mouseDownCanMoveWindow() const override { return false; }
    void encodeWithCoder(kit::Coder& coder) const override;
    void initWithCoder(kit::Coder& coder) override;
    // The keyboard focus ring shows or goes as the focus does (the ring layer above the pictures).
    void viewWillDraw() override;
    // kit::Responder (JVLCoverFlowViewInput.cpp):
    bool acceptsFirstResponder() const override { return true; }
    bool becomeFirstResponder() override;
    bool resignFirstResponder() override;
    void keyDown(const kit::Event& event) override;
    void mouseDown(const kit::Event& event) override;
    void scrollWheel(const kit::Event& event) override;
    // kit::Accessibility (JVLCoverFlowViewAccessibility.cpp): a list named by its tool tip (else
    // "Covers") of one element per object, named by the object's title (a string object is its
    // own), the selected one selected; while the view has the keys, that one is the focused element.
    QStringList accessibilityAttributeNames() const override;
    kit::Value accessibilityAttributeValue(const QString& attribute) const override;
    kit::Value accessibilityHitTest(kit::Point point) const override;
    kit::Value accessibilityFocusedUIElement() const override;
    // The children one at a time: a reader entering a view of 10,000 covers makes those it asks for.
    std::int64_t accessibilityArrayAttributeCount(const QString& attribute) const override;
    kit::Array accessibilityArrayAttributeValues(const QString& attribute, std::int64_t index, std::int64_t maxCount) const override;
    std::int64_t accessibilityIndexOfChild(const kit::Value& child) const override;
    // Whether the view is its window's first responder.
    bool hasKeyboardFocus() const;
    // The element of object `index`, made when asked for; the selected one's and those asked for
    // last are kept.
    kit::Value accessibilityElementAtIndex(std::int64_t index) const;
    // kit::Object:
    void observeValueForKeyPathOfObjectChangeContext(
        const QString& keyPath, kit::Object* object, const kit::KeyValueChange& change, void* context) override;

private:
    // A layout pass that moved the items: what it set them to, and the animation it ran.
    struct LayoutStep {
        double time = 0;
        std::int64_t selection = 0;
        kit::Size size;
        float x0 = 0;
        std::int64_t radius = 0; // items farther from the selection stay out of sight
        kit::Ref<kit::BasicAnimation> animation; // null: set without animating
    };
    // What the view keeps per item beside the layer's stored keys.
    struct Item {
        kit::Ref<kit::Layer> layer;
        kit::Ref<kit::Layer> image;
        kit::Ref<kit::Layer> reflection;
        kit::Value object;
        std::int64_t index = 0;
        bool hasImage = false;
        bool stale = false; // laid out for an older selection and hidden until laid out again
        // Bumped by every refresh and eviction: a load finding another value is stale.
        std::shared_ptr<std::atomic<std::uint64_t>> token = std::make_shared<std::atomic<std::uint64_t>>(0);
        bool wanted = false; // a load was asked for while resident
        bool capped = false; // the shown picture was scaled down to capFor
        kit::Size capFor;
        std::int64_t pictureBytes = 0;
    };

    void build();
    // The item, image and reflection layers of an item of the given size.
    void buildItemLayers(Item& item, kit::Size size) const;
    // JVLCoverFlowView.cpp
    Item* itemForLayer(const kit::Layer* layer);
    Item& insertItem(const kit::Value& object);
    void removeItem(std::size_t position);
    void rebuildIndex();
    void setItemIndex(Item& item, std::int64_t index);
    void setItemHasImage(Item& item, bool flag);
    void observeItems(bool add);
    // JVLCoverFlowViewLayout.cpp
    void applyContainerConstraints();
    void applyGradientConstraints();
    // The edge layers' pixels per point follow the window's screen.
    void matchEdgeScale();
    float positionOfSelectedItem() const;
    void scrollToSelection();
    void layoutItem(Item& item, std::int64_t selection, kit::Size size, float x0);
    void layoutItem(Item& item, const LayoutStep& step) { layoutItem(item, step.selection, step.size, step.x0); }
    // Puts an item kept out of sight where laying out every item would show it now.
    void catchUp(Item& item, double now);
    float rowStart(kit::Size size) const;
    // JVLCoverFlowViewImages.cpp
    void refreshLayer(Item& item);
    void recachePlaceholder();
    // A null picture shows the placeholder.
    void showPicture(Item& item, const kit::Ref<kit::CGImage>& picture, const kit::Ref<kit::CGImage>& reflection, bool capped, kit::Size cap);
    // The picture with the shade laid over it once, as the reflection shows it: no shade pass over
    // every reflection in every frame. Safe on the load queue for bitmap pictures.
    static kit::Ref<kit::CGImage> shadedReflection(const kit::Ref<kit::CGImage>& picture, const kit::Ref<kit::CGImage>& shade, kit::Size item, double scale);
    double backingScale() const;
    // Whether any of the item can show in the frame drawn now (presented values).
    bool mayShowNow(const Item& item) const;
    kit::Size pictureCap() const;
    void updateResidency();
    bool isResident(std::int64_t index) const;
    static kit::Ref<kit::CGImage> drawnBitmap(int width, int height, const std::function<void(kit::Rect)>& draw);
    // JVLCoverFlowViewAccessibility.cpp: the pictures that changed state and the focus moving on.
    void accessibilitySelectionMoved(std::int64_t before);
    // JVLCoverFlowViewInput.cpp
    void userSelect(std::int64_t index);
    void scrollerChanged(kit::Object* sender);
    void sendAction();

    std::int64_t selectionIndex_ = 0;
    mutable kit::AccessibilityElementCache<std::int64_t, kit::Object> accessibilityElements_ { 512,
        [this](const std::int64_t& index, const kit::Object&) { return index == selectionIndex_; } };
    kit::Ref<kit::ScrollLayer> scrollLayer_;
    kit::Ref<kit::Layer> rootLayer_;
    kit::Ref<kit::Layer> containerLayer_;
    kit::Ref<kit::Layer> overlayLayer_;
    kit::Ref<kit::FocusRingLayer> focusRingLayer_;
    kit::Ref<kit::Layer> leftGradientLayer_;
    kit::Ref<kit::Layer> rightGradientLayer_;
    kit::Ref<kit::Layer> bottomGradientLayer_;
    kit::Ref<kit::CGImage> shadowImage_;
    kit::Transform3D leftTransform_;
    kit::Transform3D rightTransform_;
    kit::Size itemSize_ { 140, 100 };
    kit::Ref<kit::ViewController> accessoryController_;
    kit::Ref<JVLCoverFlowScroller> scroller_;
    bool showsScrollbar_ = false;
    bool autoresizesItems_ = true;
    kit::Ref<kit::CGImage> placeholderRef_;
    kit::Ref<kit::CGImage> placeholderReflection_;
    kit::Size placeholderSize_;
    kit::Ref<kit::Image> placeholderMadeWith_;
    kit::Ref<kit::Image> placeholderIcon_;
    kit::Array content_;
    QString imageKeyPath_;
    kit::Ref<kit::OperationQueue> imageLoadQueue_;
    kit::Weak<kit::Object> target_;
    kit::Selector action_;

    // Items in insertion order (the scroll layer's sublayer order) and the lookups over them.
    std::vector<std::unique_ptr<Item>> items_;
    std::unordered_map<const kit::Layer*, Item*> itemByLayer_;
    std::unordered_map<kit::Value, std::vector<Item*>, kit::ValueHash, kit::ValueEqual> itemsByObject_;
    std::vector<Item*> itemByIndex_; // the first item for each content index
    // The passes whose animations may still run, after the pass they started from; while the
    // indices stay put they can be replayed for an item kept out of sight.
    std::vector<LayoutStep> steps_;
    double stepsEnd_ = 0;
    bool stepsReplayable_ = true;
    std::unique_ptr<Item> probe_; // laid out off the tree to read what a pass sets
    bool fullLayout_ = false;
    std::int64_t loadsQueued_ = 0;
    bool tearingDown_ = false;
    bool unseenChange_ = false; // the layers changing now are out of sight
};
