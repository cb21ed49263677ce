#pragma once

// A row of items shown as a stacked cover flow on layers: the selected item faces the viewer, the
// others stand turned to the sides, each with a darkened mirror image; the selected item's title
// sits under the row and a rounded scroll bar at the bottom. Items come from a data source or an
// array controller bound to "contentArray"; each picture is made from one of twelve kinds of
// representation on a background queue and kept in a cost-limited cache. The tree is y up.

#include "QVFlowView/QVFlowViewProtocols.h"
#include "QVFlowView/QVLayerAccessibilityHelper.h"
#include "kit/appkit/Accessibility.h"
#include "kit/appkit/AnimationContext.h"
#include "kit/appkit/PreviewPanel.h"
#include "kit/controls/Control.h"
#include "kit/core/IndexSet.h"
#include "kit/foundation/Cache.h"
#include "kit/foundation/OperationQueue.h"
#include "kit/graphics/CGImage.h"
#include "kit/graphics/Transform3D.h"
#include "kit/layers/FocusRingLayer.h"
#include "kit/layers/GradientLayer.h"
#include "kit/layers/ReplicatorLayer.h"
#include "kit/layers/ScrollLayer.h"
#include "kit/layers/TextLayer.h"

#include <QHash>
#include <QSet>

#include <atomic>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

namespace kit {
class BitmapImageRep;
class Image;
class ImageSource;
} // namespace kit

class QVVideoOverlayLayer;

// Representation types.
inline const QString QVFlowViewURLRepresentationType = QStringLiteral("QVFlowViewURLRepresentationType");
inline const QString QVFlowViewCGImageRepresentationType = QStringLiteral("QVFlowViewCGImageRepresentationType");
inline const QString QVFlowViewPDFPageRepresentationType = QStringLiteral("QVFlowViewPDFPageRepresentationType");
inline const QString QVFlowViewPathRepresentationType = QStringLiteral("QVFlowViewPathRepresentationType");
inline const QString QVFlowViewNSImageRepresentationType = QStringLiteral("QVFlowViewNSImageRepresentationType");
inline const QString QVFlowViewNSDataRepresentationType = QStringLiteral("QVFlowViewNSDataRepresentationType");
inline const QString QVFlowViewNSBitmapRepresentationType = QStringLiteral("QVFlowViewNSBitmapRepresentationType");
inline const QString QVFlowViewQCCompositionRepresentationType = QStringLiteral("QVFlowViewQCCompositionRepresentationType");
inline const QString QVFlowViewQCCompositionPathRepresentationType = QStringLiteral("QVFlowViewQCCompositionPathRepresentationType");
inline const QString QVFlowViewQuickLookPathRepresentationType = QStringLiteral("QVFlowViewQuickLookPathRepresentationType");
inline const QString QVFlowViewIconRefPathRepresentationType = QStringLiteral("QVFlowViewIconRefPathRepresentationType");
inline const QString QVFlowViewIconRefRepresentationType = QStringLiteral("QVFlowViewIconRefRepresentationType");

inline const QString QVFlowViewSelectionDidChangeNotification = QStringLiteral("QVFlowViewSelectionDidChangeNotification");

// Layer names.
inline const QString QVFlowViewTitleLayerName = QStringLiteral("QVFlowViewTitleLayer");
inline const QString QVFlowViewContainerLayerName = QStringLiteral("QVFlowViewContainerLayer");
inline const QString QVFlowViewScrollBarLayerName = QStringLiteral("QVFlowViewScrollBarLayerName");
inline const QString QVFlowViewScrollKnobLayerName = QStringLiteral("QVFlowViewScrollKnobLayerName");
inline const QString QVFlowViewContentLayerName = QStringLiteral("QVFlowViewContentLayer");
inline const QString QVFlowViewOverlayLayerName = QStringLiteral("QVFlowViewOverlayLayerName");

// The colour category: a plain conversion to the kit's sRGB colour.
namespace NSColorAdditions {
kit::CGColor QVFlowCGColor(const kit::Color& color);
}

class QVFlowView : public kit::Control,
                   public kit::AnimatablePropertyContainer,
                   public kit::CALayoutManager,
                   public kit::LayerDelegate,
                   public kit::DraggingSource,
                   public kit::DraggingDestination,
                   public kit::PreviewPanelController,
                   public kit::PreviewPanelDataSource,
                   public kit::PreviewPanelDelegate {
    KIT_CLASS(QVFlowView)
    KIT_CONTROL_CELL_CLASS(QVFlowView, kit::ActionCell)
public:
    explicit QVFlowView(kit::Rect frame = {});
    ~QVFlowView() override;

    // 64 MB of pictures, least recently used first out.
    static constexpr std::uint64_t ImageCacheCostLimit = 64ull * 1024 * 1024;

    // --- Properties (QVFlowView.cpp). ---
    bool showsReflection() const { return showsReflection_; }
    void setShowsReflection(bool flag);
    bool draggingKnob() const { return draggingKnob_; }
    void setDraggingKnob(bool flag);
    bool canControlQuickLookPanel() const { return canControlQuickLookPanel_; }
    void setCanControlQuickLookPanel(bool flag) { canControlQuickLookPanel_ = flag; }
    kit::Ref<kit::Object> dataSource() const { return dataSource_.lock(); }
    void setDataSource(kit::Object* dataSource) { dataSource_ = dataSource; }
    // delegate() and setDelegate() are the control's (held weakly).
    double stackedAngle() const { return stackedAngle_; }
    void setStackedAngle(double angle);
    std::int64_t selectedIndex() const { return selectedIndex_; }
    void setSelectedIndex(std::int64_t index);
    double spacing() const { return spacing_; }
    void setSpacing(double spacing);
    double stackedScale() const { return stackedScale_; }
    // Not finite: ignored, as for the spacing.
    void setStackedScale(double scale)
    {
        if (std::isfinite(scale))
            stackedScale_ = scale;
    }
    double selectedScale() const { return selectedScale_; }
    void setSelectedScale(double scale)
    {
        if (std::isfinite(scale))
            selectedScale_ = scale;
    }
    double reflectionOffset() const { return reflectionOffset_; }
    void setReflectionOffset(double offset);
    std::int64_t numberOfItems() const { return numberOfItems_; }
    void setNumberOfItems(std::int64_t count) { numberOfItems_ = count; }
    const kit::IndexSet& visibleItemIndexes() const { return visibleItemIndexes_; }
    double scrollDuration() const { return scrollDuration_; }
    void setScrollDuration(double seconds) { scrollDuration_ = seconds; }
    double itemScale() const { return itemScale_; }
    void setItemScale(double scale);
    double previewScale() const { return previewScale_; }
    void setPreviewScale(double scale);
    double mouseDownInKnob() const { return mouseDownInKnob_; }
    void setMouseDownInKnob(double x) { mouseDownInKnob_ = x; }
    kit::Ref<kit::Layer> selectedLayer() const { return selectedLayer_; }
    void setSelectedLayer(kit::Layer* layer);
    kit::Ref<kit::Layer> highlightedLayer() const { return highlightedLayer_; }
    void setHighlightedLayer(kit::Layer* layer);
    kit::Transform3D leftTransform() const { return leftTransform_; }
    void setLeftTransform(const kit::Transform3D& t) { leftTransform_ = t; }
    kit::Transform3D rightTransform() const { return rightTransform_; }
    void setRightTransform(const kit::Transform3D& t) { rightTransform_ = t; }
    kit::Transform3D perspective() const { return perspective_; }
    void setPerspective(const kit::Transform3D& t);
    kit::OperationQueue* operationQueue() const { return operationQueue_.get(); }
    kit::Cache<QString, kit::Ref<kit::CGImage>>* imageCache() const { return imageCache_.get(); }
    const std::vector<kit::Ref<kit::Layer>>& layerQueue() const { return layerQueue_; }
    const kit::Array& observedItems() const { return observedItems_; }

    QString title() const;
    void setTitle(const QString& title);
    void setTitleFont(const kit::Value& font);
    void setTitleSize(double size);
    void setTitleColor(const kit::Color& color);

    kit::Ref<kit::GradientLayer> backgroundLayer() const { return backgroundLayer_; }
    kit::Ref<kit::TextLayer> titleLayer() const { return titleLayer_; }
    kit::Ref<kit::Layer> containerLayer() const { return containerLayer_; }
    kit::Ref<kit::ScrollLayer> scrollLayer() const { return scrollLayer_; }
    kit::Ref<kit::Layer> scrollBarLayer() const { return scrollBarLayer_; }

    std::int64_t maximumNumberOfStackedVisibleItems() const;

    // --- Items (QVFlowView.cpp). ---
    kit::Value imageItemForIndex(std::int64_t index) const;
    kit::Value imageUIDForItem(const kit::Value& item) const;
    QString imageRepresentationTypeForItem(const kit::Value& item) const;
    kit::Value imageRepresentationForItem(const kit::Value& item) const;
    QString imageTitleForItem(const kit::Value& item) const;
    QString titleAtIndex(std::int64_t index) const;

    // --- Bindings (QVFlowViewBindings.cpp). ---
    void bindToObjectWithKeyPathOptions(
        const QString& binding, kit::Object* observable, const QString& keyPath, const kit::Dictionary& options) override;
    void unbind(const QString& binding) override;
    kit::Value infoForBinding(const QString& binding) const override;
    void setInfoForBinding(const kit::Dictionary& info, const QString& binding);
    void observeValueForKeyPathOfObjectChangeContext(
        const QString& keyPath, kit::Object* object, const kit::KeyValueChange& change, void* context) override;
    void startObservingCollectionAtKeyPaths(const kit::Array& collection, const QSet<QString>& keyPaths);
    void stopObservingCollectionAtKeyPaths(const kit::Array& collection, const QSet<QString>& keyPaths);
    kit::Ref<kit::Object> contentArrayController() const;
    QString contentArrayKeyPath() const;
    kit::Array contentArray() const;
    bool bindingsEnabled() const;
    QSet<QString> observedItemKeyPaths() const;
    QString imageRepresentationKeyPath() const { return imageRepresentationKeyPath_; }
    void setImageRepresentationKeyPath(const QString& keyPath);
    QString imageRepresentationTypeKeyPath() const { return imageRepresentationTypeKeyPath_; }
    void setImageRepresentationTypeKeyPath(const QString& keyPath);
    QString imageUIDKeyPath() const { return imageUIDKeyPath_; }
    void setImageUIDKeyPath(const QString& keyPath);
    QString imageTitleKeyPath() const { return imageTitleKeyPath_; }
    void setImageTitleKeyPath(const QString& keyPath);

    // --- Layers and layout (QVFlowViewLayers.cpp). ---
    void setupLayers();
    kit::Ref<kit::Layer> itemLayerAtIndex(std::int64_t index) const;
    kit::Ref<kit::Layer> imageLayerAtIndex(std::int64_t index) const;
    kit::Ref<kit::Layer> overlayLayerAtIndex(std::int64_t index) const;
    // The play control for a movie item, made on request; its owner places it.
    kit::Ref<kit::Layer> createMovieOverlayLayerWithIndex(std::int64_t index);
    void enqeueItemLayer(kit::Layer* layer);
    kit::Ref<kit::Layer> deqeueItemLayer();
    kit::Size itemSizeForRect(kit::Rect rect) const;
    static double angleScaleForAngle(double angle);
    double horizontalOffsetForItem(std::int64_t i, double itemWidth, double stackedAngle, double spacing, std::int64_t selected) const;
    kit::Point originForItem(std::int64_t i, kit::Size itemSize, double stackedAngle, double spacing, std::int64_t selected) const;
    kit::Rect rectForItem(std::int64_t i, kit::Size itemSize) const;
    kit::Point selectedScrollPoint() const;
    kit::Rect itemFrameAtIndex(std::int64_t index) const;
    kit::Rect rectInViewForLayer(const kit::Layer* layer) const;
    static kit::Rect boundsFromContentWithAspectRatio(double ratio, kit::Rect itemRect);
    void setFrameForLayer(kit::Layer* layer, std::int64_t index, kit::Size itemSize);
    void layoutItemLayersInRange(kit::Range range);
    void updateSelectionInRange(kit::Range range);
    void reloadContent();
    void calculateVisibleItems();
    void updateReflection();
    void updateScrollKnob();
    void selectLayerAtIndex(std::int64_t index);
    void deselectLayerAtIndex(std::int64_t index);
    static void highlightLayer(kit::Layer* layer, bool highlighted, double cornerRadius, std::optional<kit::CGColor> color);
    // kit::CALayoutManager, kit::LayerDelegate:
    void layoutSublayersOfLayer(kit::Layer* layer) override;
    kit::Value actionForLayerForKey(kit::Layer* layer, const QString& key) override;

    // --- Images (QVFlowViewImages.cpp). ---
    static const QSet<QString>& pathRepresentationTypes();
    static kit::Ref<kit::CGImage> defaultImage();
    static kit::Ref<kit::CGImage> newImageFromRepresentation(const kit::Value& representation, const QString& type, kit::Size size);
    static kit::Ref<kit::CGImage> newImageFromPDFPage(const kit::Value& page, kit::Size size, bool transparentBackground);
    // The pictures of each kind of representation, at the larger side of `size` in pixels; null
    // when there is none. A URL is a "file:" URL or a path string; other schemes give null.
    // The desktop's thumbnail of a file (ThumbnailImageCreate).
    static kit::Ref<kit::CGImage> newImageFromQuickLookURL(const QString& url, kit::Size size);
    static kit::Ref<kit::CGImage> newImageFromURL(const QString& url, kit::Size size);
    static kit::Ref<kit::CGImage> newImageFromPath(const QString& path, kit::Size size);
    static kit::Ref<kit::CGImage> newImageFromIconRefPath(const QString& path, kit::Size size);
    static kit::Ref<kit::CGImage> newImageFromNSImage(const kit::Image* image, kit::Size size);
    static kit::Ref<kit::CGImage> newImageFromNSBitmapImage(const kit::BitmapImageRep* bitmap, kit::Size size);
    // An icon: a theme icon's name (drawn on the main thread only: null elsewhere), an Image, or a
    // picture already drawn from one.
    static kit::Ref<kit::CGImage> newImageFromIcon(const kit::Value& icon, kit::Size size);
    // Image file data, decoded at the size (never whole when only a thumbnail is wanted).
    static kit::Ref<kit::CGImage> newImageFromData(const QByteArray& data, kit::Size size);
    static kit::Ref<kit::CGImage> newImageFromCGImageSource(const kit::ImageSource* source, kit::Size size);
    // The item type identifier of each representation type that is not a path type (none for data).
    static const QHash<QString, QString>& uniformTypesDictionary();
    static double differenceForImage(const kit::CGImage* image, kit::Size desiredSize);
    // A path or "file:" URL string of a path representation; empty for anything else.
    static QString pathForRepresentation(const kit::Value& representation);
    void updateImages();
    void updateImageLayerAtIndex(std::int64_t index);
    void setImageAtIndex(const kit::Ref<kit::CGImage>& image, std::int64_t index);
    // Test-only: every pass sets every item with animation, as the plain algorithm does.
    void setUsesFullLayoutForTesting(bool flag) { usesFullLayout_ = flag; }
    void cacheImageWithUID(const kit::Ref<kit::CGImage>& image, const kit::Value& uid);
    kit::Ref<kit::CGImage> lookupForImageUID(const kit::Value& uid) const;
    QString uniformTypeIdentifierAtIndex(std::int64_t index) const;
    bool isMovieAtIndex(std::int64_t index) const;
    bool isMovieItem(const kit::Value& item) const;
    QString uniformTypeIdentifierForItem(const kit::Value& item) const;
    bool isQCCompositionAtIndex(std::int64_t) const { return false; }
    kit::Ref<kit::CGImage> defaultImageForItem(const kit::Value& item, kit::Size size) const;
    // Test seam: images made on the queue since the last reset.
    static std::uint64_t imagesMade(bool reset = false);

    // --- Interaction (QVFlowViewInteraction.cpp). ---
    kit::Ref<kit::Layer> hitLayerAtPoint(kit::Point point) const;
    std::int64_t indexOfItemAtPoint(kit::Point point) const;
    bool acceptsFirstResponder() const override { return true; }
    bool canBecomeKeyView() const override { return true; }
    bool needsPanelToBecomeKey() const override { return true; }
    void mouseDown(const kit::Event& event) override;
    void mouseDragged(const kit::Event& event) override;
    void mouseUp(const kit::Event& event) override;
    void rightMouseUp(const kit::Event& event) override;
    void mouseEntered(const kit::Event& event) override;
    void mouseExited(const kit::Event& event) override;
    void keyDown(const kit::Event& event) override;
    void scrollWheel(const kit::Event& event) override;
    void swipeWithEvent(const kit::Event& event) override;
    void moveLeft(kit::Object* sender);
    void moveRight(kit::Object* sender);
    void togglePreviewPanel(kit::Object* sender);
    void updateTrackingAreas() override;
    void setupTrackingAreas();
    void mouseEnteredLayerAtIndex(std::int64_t index);
    void mouseExitedLayerAtIndex(std::int64_t index);
    // kit::DraggingSource:
    std::uint64_t draggingSourceOperationMaskForLocal(bool local) override;
    void draggedImageEndedAtOperation(kit::Object* image, kit::Point point, std::uint64_t operation) override;
    // kit::DraggingDestination:
    std::uint64_t draggingEntered(kit::DraggingInfo& info) override;
    std::uint64_t draggingUpdated(kit::DraggingInfo& info) override;
    void draggingExited(kit::DraggingInfo& info) override;
    bool prepareForDragOperation(kit::DraggingInfo&) override { return true; }
    bool performDragOperation(kit::DraggingInfo& info) override;
    void concludeDragOperation(kit::DraggingInfo& info) override;
    bool wantsPeriodicDraggingUpdates() override { return false; }
    // kit::PreviewPanelController, DataSource, Delegate:
    bool acceptsPreviewPanelControl(kit::PreviewPanel* panel) override;
    void beginPreviewPanelControl(kit::PreviewPanel* panel) override;
    void endPreviewPanelControl(kit::PreviewPanel*) override { }
    std::int64_t numberOfPreviewItemsInPreviewPanel(kit::PreviewPanel*) override { return 1; }
    QUrl previewPanelPreviewItemAtIndex(kit::PreviewPanel* panel, std::int64_t index) override;
    bool previewPanelHandleEvent(kit::PreviewPanel* panel, const kit::Event& event) override;
    kit::Rect previewPanelSourceFrameOnScreenForPreviewItem(kit::PreviewPanel* panel, const QUrl& item) override;

    // --- Accessibility (QVFlowViewAccessibility.cpp). ---
    // The view and its list are named by the view's tool tip, else "Covers"; while the view has the
    // keys, the selected item's picture is the focused element.
    QStringList accessibilityAttributeNames() const override;
    kit::Value accessibilityAttributeValue(const QString& attribute) const override;
    bool accessibilityIsIgnored() const override { return false; }
    kit::Value accessibilityHitTest(kit::Point point) const override;
    kit::Value accessibilityFocusedUIElement() const override;
    bool becomeFirstResponder() override;
    bool resignFirstResponder() override;
    // The keyboard focus ring shows or goes as the focus does (QVFlowViewLayers.cpp).
    void viewWillDraw() override;
    kit::Ref<QVLayerAccessibilityHelper> listElement() const { return listElement_; }
    kit::Ref<QVLayerAccessibilityHelper> scrollBarElement() const { return scrollBarElement_; }

    // --- View, animator, coding. ---
    bool isFlipped() const override { return false; }
    bool isOpaque() const override { return true; }
    void viewWillMoveToWindow(kit::Window* window) override;
    void viewWillMoveToSuperview(kit::View* superview) override;
    void viewDidEndLiveResize() override;
    kit::Ref<kit::BasicAnimation> defaultAnimationForKey(const QString& key) const override;
    void encodeWithCoder(kit::Coder& coder) const override;
    void initWithCoder(kit::Coder& coder) override;

private:
    void setDefaults();
    void makeWorkers();
    kit::Ref<kit::GradientLayer> createBackgroundLayer();
    kit::Ref<kit::TextLayer> createTitleLayer();
    kit::Ref<kit::Layer> createContainerLayer();
    kit::Ref<kit::ScrollLayer> createScrollLayer();
    kit::Ref<kit::Layer> createScrollBarLayer();
    kit::Ref<kit::ReplicatorLayer> createItemLayerWithIndex(std::int64_t index);
    kit::Ref<kit::Layer> createImageLayer();
    void setAttributesForItemContentLayer(kit::Layer* layer, std::int64_t index);
    void setAttributesForItemContentLayer(kit::Layer* layer, std::int64_t index, const kit::Value& item);
    kit::Ref<kit::ReplicatorLayer> createItemLayer(std::int64_t index, const kit::Value& item);
    void makeTreeElements();
    void makePictureElement(kit::Layer* picture, std::int64_t index);
    // The one picture element that reads focused (null: none).
    void setFocusedPicture(QVLayerAccessibilityHelper* element);
    kit::Ref<QVLayerAccessibilityHelper> selectedPictureElement() const;
    bool hasKeyboardFocus() const;
    // After the selection moved from `before`: the pictures that changed state, the list's
    // selection and the focus, for a screen reader.
    void announceSelection(std::int64_t before);
    QString accessibilityName() const;
    static kit::Ref<QVLayerAccessibilityHelper> pictureElement(const kit::Layer* picture);
    static bool hasPictureElement(const kit::Layer* picture);
    void retirePictureElement(kit::Layer* picture);
    // A picture's element holds only the button of the last overlay made for it, and only while
    // that overlay has not left the tree.
    void makeMovieButtonElement(kit::Layer* picture, QVVideoOverlayLayer* overlay);
    void attachMovieButtonElement(kit::Layer* picture, kit::Layer* overlay);
    static void retireMovieButtonElement(kit::Layer* overlay);
    void beginLayoutTransaction();
    // Indexes in [lo, hi] are near enough to the selection to be laid out with animation.
    void layoutPass(kit::Range range);
    // Hides a stale item, or shows it where the last pass would have put it.
    void setItemStale(std::int64_t index, bool stale, kit::Size itemSize);
    void startDragOfItem(std::int64_t index, kit::Layer* hit, const kit::Event& event, kit::Point point);
    void showImage(const kit::Ref<kit::CGImage>& image, std::int64_t index, bool placeholder);
    kit::Ref<kit::CGImage> placeholderForItem(const kit::Value& item, kit::Size size) const;
    void scrollByDelta(double delta);
    // A data source or delegate that answers `selector`, held while it is asked.
    template <class Protocol> struct Answerer {
        kit::Ref<kit::Object> object;
        Protocol* protocol = nullptr;
        explicit operator bool() const { return protocol != nullptr; }
        Protocol* operator->() const { return protocol; }
    };
    Answerer<QVFlowViewDataSource> dataSourceFor(const char* selector) const;
    // Items read in a loop: the bound content and the data source are looked up once.
    struct ItemReader {
        bool bound = false;
        kit::Array content;
        Answerer<QVFlowViewDataSource> source;
        kit::Value itemAt(const QVFlowView* view, std::int64_t index) const;
    };
    ItemReader itemReader() const;
    Answerer<QVFlowViewDelegate> delegateFor(const char* selector) const;
    kit::Ref<kit::Layer> knobLayer() const;

    bool showsReflection_ = false;
    bool draggingKnob_ = false;
    bool canControlQuickLookPanel_ = false;
    kit::Ref<kit::GradientLayer> backgroundLayer_;
    kit::Ref<kit::TextLayer> titleLayer_;
    kit::Ref<kit::ScrollLayer> scrollLayer_;
    kit::Ref<kit::Layer> containerLayer_;
    kit::Ref<kit::Layer> scrollBarLayer_;
    kit::Ref<kit::FocusRingLayer> focusRingLayer_;
    kit::Weak<kit::Object> dataSource_;
    double stackedAngle_ = 0;
    std::int64_t selectedIndex_ = kit::NotFound;
    double spacing_ = 0;
    double stackedScale_ = 0;
    double selectedScale_ = 0;
    double reflectionOffset_ = 0;
    std::int64_t numberOfItems_ = 0;
    kit::IndexSet visibleItemIndexes_;
    kit::Ref<kit::OperationQueue> operationQueue_;
    kit::Ref<kit::Cache<QString, kit::Ref<kit::CGImage>>> imageCache_;
    // Counts the emptyings of the cache: a picture rendered for an earlier count is stale.
    std::shared_ptr<std::atomic<std::uint64_t>> imageGeneration_ = std::make_shared<std::atomic<std::uint64_t>>(0);
    double scrollDuration_ = 0;
    double itemScale_ = 0;
    double mouseDownInKnob_ = 0;
    double previewScale_ = 0;
    kit::Ref<kit::Layer> selectedLayer_;
    kit::Ref<kit::Layer> highlightedLayer_;
    kit::Array observedItems_;
    kit::Dictionary bindingInfo_;
    std::vector<kit::Ref<kit::Layer>> layerQueue_;
    QString imageRepresentationKeyPath_;
    QString imageRepresentationTypeKeyPath_;
    QString imageUIDKeyPath_;
    QString imageTitleKeyPath_;
    kit::Transform3D leftTransform_;
    kit::Transform3D rightTransform_;
    kit::Transform3D perspective_;
    kit::Ref<QVLayerAccessibilityHelper> listElement_;
    kit::Ref<QVLayerAccessibilityHelper> scrollBarElement_;
    kit::Weak<QVLayerAccessibilityHelper> focusedPicture_;
    kit::Dictionary pictureActions_;
    // The layout pass: items outside the window around the old and new selection stay hidden and
    // stale until a pass reaches them (out of sight at both ends, so nothing shows the difference);
    // [freshLo_, freshHi_] holds the items laid out by the last pass.
    std::int64_t lastPassSelection_ = kit::NotFound;
    std::int64_t lastMaxStacked_ = 0;
    kit::Size lastLayoutSize_ { -1, -1 };
    bool layoutAll_ = true;
    std::int64_t freshLo_ = 0;
    std::int64_t freshHi_ = -1;
    bool usesFullLayout_ = false;
    // The windows of passes whose animations may still run: clock time they end, first, last.
    struct RunningWindow {
        double end;
        std::int64_t lo;
        std::int64_t hi;
    };
    std::vector<RunningWindow> runningWindows_;
    // Images: which pictures show more than a placeholder, and the window rendered last.
    bool updateAllImages_ = true;
    kit::IndexSet lastImageWindow_;
    kit::MutableIndexSet shownImages_;
    mutable QHash<QString, kit::Ref<kit::CGImage>> iconCache_;
    // A picture asked of the queue: for which index, cache generation and width; its phase is
    // set by the worker.
    struct Render {
        enum Phase { Queued, Running, Done };
        Render(std::int64_t i, std::uint64_t g, double w)
            : index(i)
            , generation(g)
            , width(w)
        { }
        std::int64_t index;
        std::uint64_t generation;
        double width;
        std::atomic<int> phase { Queued };
    };
    // The last render asked for each item identifier (main thread).
    QHash<QString, std::shared_ptr<Render>> renders_;
};
