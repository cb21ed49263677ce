#include "QVFlowView/QVLayerAccessibilityHelper.h"
#include "QVFlowView/QVVideoOverlayLayer.h"
#include "QVFlowViewTestSupport.h"
#include "kit/foundation/OperationQueue.h"
#include "kit/graphics/Image.h"
#include "kit/graphics/ImageRep.h"
#include "kit/graphics/ImageSource.h"
#include "kit/graphics/PDFPage.h"

#include <QBuffer>
#include <QPainter>
#include <QPdfWriter>

#include <atomic>
#include <cmath>
#include <thread>

namespace qv_flow_view_layout_test {

using namespace kit;
using namespace qv_flow_view_test;

class FlowViewLayout : public FlowViewFixture { };

// Geometry ------------------------------------------------------------------------------------------

struct OffsetCase {
    std::int64_t selected;
    std::int64_t item;
    double steps; // the offset in steps of (angle scale × w + spacing)
    double halves; // plus this many half item widths
};

class FlowViewOffsets : public FlowViewFixture, public testing::WithParamInterface<OffsetCase> { };

TEST_P(FlowViewOffsets, PlaceItemsAroundTheSelection)
{
    makeView(0);
    const OffsetCase& c = GetParam();
    const double w = 200;
    const double step = (1 - 70.0 / 90) * w + 50;
    EXPECT_DOUBLE_EQ(view->horizontalOffsetForItem(c.item, w, 70, 50, c.selected), c.steps * step + c.halves * w / 2);
}

INSTANTIATE_TEST_SUITE_P(Geometry, FlowViewOffsets,
    testing::Values(OffsetCase { 0, 0, 0, 0 }, OffsetCase { 0, 1, 1, 1 }, OffsetCase { 0, 4, 4, 1 }, OffsetCase { 3, 2, 2, 0 },
        OffsetCase { 3, 3, 3, 1 }, OffsetCase { 3, 4, 4, 2 }));

TEST_F(FlowViewLayout, ItemSizesAndPictureFrames)
{
    makeView(0);
    EXPECT_EQ(view->itemSizeForRect(Rect { { 0, 0 }, { 400, 250 } }), (Size { 200, 200 }));
    view->setItemScale(0.5);
    EXPECT_EQ(view->itemSizeForRect(Rect { { 0, 0 }, { 400, 250 } }), (Size { 100, 100 }));
    const Rect slot { { 0, 0 }, { 200, 200 } };
    EXPECT_EQ(QVFlowView::boundsFromContentWithAspectRatio(2, slot), (Rect { { 0, 0 }, { 200, 100 } }));
    EXPECT_EQ(QVFlowView::boundsFromContentWithAspectRatio(0.5, slot), (Rect { { 0, 0 }, { 100, 200 } }));
}

TEST_F(FlowViewLayout, TheTreeAsBuilt)
{
    makeView(3);
    const Ref<Layer> root = view->layer();
    EXPECT_EQ(root, view->backgroundLayer());
    EXPECT_EQ(view->titleLayer()->name(), QStringLiteral("QVFlowViewTitleLayer"));
    EXPECT_EQ(view->containerLayer()->name(), QStringLiteral("QVFlowViewContainerLayer"));
    EXPECT_EQ(view->scrollBarLayer()->name(), QStringLiteral("QVFlowViewScrollBarLayerName"));
    EXPECT_EQ(view->scrollBarLayer()->sublayers().front()->name(), QStringLiteral("QVFlowViewScrollKnobLayerName"));
    EXPECT_EQ(view->scrollBarLayer()->bounds().size.height, 20);
    EXPECT_EQ(view->scrollBarLayer()->frame().origin.y, 10);
    EXPECT_DOUBLE_EQ(view->scrollBarLayer()->bounds().size.width, 600 * 0.75);
    // The title sits 50 up, sized by its text; the container starts on its top.
    EXPECT_EQ(view->titleLayer()->frame().origin.y, 50);
    EXPECT_EQ(view->titleLayer()->bounds().size, view->titleLayer()->preferredFrameSize());
    EXPECT_DOUBLE_EQ(view->containerLayer()->frame().minY(), view->titleLayer()->frame().maxY());
    EXPECT_DOUBLE_EQ(view->containerLayer()->frame().maxY(), 350);
    EXPECT_EQ(item(1)->instanceCount(), 2);
    EXPECT_TRUE(item(1)->preservesDepth());
    EXPECT_DOUBLE_EQ(item(1)->instanceRedOffset(), -0.4);
    EXPECT_EQ(picture(1)->name(), QStringLiteral("QVFlowViewContentLayerImage"));
    EXPECT_EQ(picture(1)->valueForKey(QStringLiteral("index")).integerValue(), 1);
    EXPECT_EQ(item(2)->valueForKey(QStringLiteral("imageItemUID")).stringValue(), QStringLiteral("uid2"));
    // One shared dictionary of actions for every picture.
    EXPECT_TRUE(picture(0)->actions().identicalTo(picture(2)->actions()));
}

TEST_F(FlowViewLayout, SidesTurnAwayAndTheSelectionFacesTheViewer)
{
    makeView(5);
    view->setSelectedIndex(2);
    settle();
    EXPECT_EQ(picture(2)->transform(), Transform3DIdentity);
    EXPECT_EQ(picture(2)->zPosition(), 200);
    EXPECT_EQ(picture(1)->transform(), view->leftTransform());
    EXPECT_EQ(picture(3)->transform(), view->rightTransform());
    EXPECT_EQ(picture(1)->anchorPoint(), (Point { 0, 0 }));
    EXPECT_EQ(picture(3)->anchorPoint(), (Point { 1, 0 }));
    EXPECT_EQ(item(0)->zPosition(), -201);
    EXPECT_EQ(item(4)->zPosition(), -201);
    EXPECT_EQ(item(2)->zPosition(), -200);
    // The selected item's centre lies in the middle of the scroll layer.
    const Rect scroll = view->scrollLayer()->bounds();
    const Rect frame = item(2)->frame();
    EXPECT_NEAR(frame.midX(), scroll.midX(), 1e-9);
    // The mirror lands right below the picture.
    const Transform3D mirror = item(2)->instanceTransform();
    EXPECT_EQ(mirror.m22, -1);
    EXPECT_DOUBLE_EQ(mirror.m42, -frame.size.height);
}

// Under the m34 = −1/1500 perspective: the selected picture (+200 on an item at −200) at its own
// size, a side picture's near edge at depth −400 − 0.5·d.
TEST_F(FlowViewLayout, PictureScalesThroughThePerspective)
{
    makeView(5);
    view->setSelectedIndex(2);
    settle();
    const Rect selected = view->rectInViewForLayer(picture(2).get());
    EXPECT_NEAR(selected.size.height / picture(2)->bounds().size.height, 1.0, 1e-9);
    EXPECT_NEAR(selected.size.width / picture(2)->bounds().size.width, 1.0, 1e-9);
    for (const std::int64_t i : { 0, 1, 3, 4 }) {
        const double d = double(std::abs(i - 2));
        const Rect side = view->rectInViewForLayer(picture(i).get());
        EXPECT_NEAR(side.size.height / picture(i)->bounds().size.height, 1500 / (1500 + 400 + 0.5 * d), 1e-6) << i;
    }
}

TEST_F(FlowViewLayout, ScrollBarAndKnob)
{
    makeView(1);
    EXPECT_TRUE(view->scrollBarLayer()->isHidden());
    source->items.clear();
    for (int i = 0; i < 10; ++i)
        source->items.push_back(imageItem(i));
    view->reloadContent();
    settle();
    EXPECT_FALSE(view->scrollBarLayer()->isHidden());
    const double bar = view->scrollBarLayer()->bounds().size.width;
    const Ref<Layer> knob = view->scrollBarLayer()->sublayers().front();
    const std::int64_t stacked = view->maximumNumberOfStackedVisibleItems();
    ASSERT_GT(stacked, 0);
    const double width = std::max(40.0, double(stacked) / 10 * (bar - 10));
    EXPECT_DOUBLE_EQ(knob->frame().size.width, width);
    EXPECT_DOUBLE_EQ(knob->frame().origin.x, 5);
    view->setSelectedIndex(9);
    settle();
    EXPECT_DOUBLE_EQ(knob->frame().origin.x, 5 + bar - 10 - knob->frame().size.width);
}

TEST_F(FlowViewLayout, ReflectionsSwitchBetweenOneAndTwoCopies)
{
    makeView(3);
    view->setShowsReflection(false);
    EXPECT_EQ(item(0)->instanceCount(), 1);
    EXPECT_EQ(item(2)->instanceCount(), 1);
    view->setShowsReflection(true);
    EXPECT_EQ(item(2)->instanceCount(), 2);
    view->setReflectionOffset(-0.6);
    EXPECT_DOUBLE_EQ(item(1)->instanceBlueOffset(), -0.6);
}

// Reload --------------------------------------------------------------------------------------------

TEST_F(FlowViewLayout, ReuseIsLastInFirstOut)
{
    makeView(0);
    const Ref<Layer> a = Layer::layer();
    const Ref<Layer> b = Layer::layer();
    view->enqeueItemLayer(a.get());
    view->enqeueItemLayer(b.get());
    EXPECT_EQ(view->deqeueItemLayer(), b);
    EXPECT_EQ(view->deqeueItemLayer(), a);
    EXPECT_FALSE(view->deqeueItemLayer());
}

// Through the queue, every index gets back the layer that stood there: one kept for later comes
// back at its own index when the items grow again.
TEST_F(FlowViewLayout, ReloadHandsEveryIndexBackItsLayer)
{
    makeView(3);
    const std::vector<Ref<Layer>> before { item(0), item(1), item(2) };
    source->items.pop_back();
    view->reloadContent();
    EXPECT_EQ(item(0), before[0]);
    EXPECT_EQ(item(1), before[1]);
    ASSERT_EQ(view->layerQueue().size(), 1u);
    EXPECT_EQ(view->layerQueue()[0], before[2]);
    EXPECT_EQ(picture(0)->valueForKey(QStringLiteral("index")).integerValue(), 0);
    EXPECT_EQ(item(0)->valueForKey(QStringLiteral("imageItemUID")).stringValue(), QStringLiteral("uid0"));
    source->items.push_back(imageItem(9));
    view->reloadContent();
    EXPECT_EQ(item(2), before[2]);
    EXPECT_TRUE(view->layerQueue().empty());
    EXPECT_EQ(item(2)->valueForKey(QStringLiteral("imageItemUID")).stringValue(), QStringLiteral("uid9"));
    EXPECT_EQ(picture(2)->valueForKey(QStringLiteral("imageItemUID")).stringValue(), QStringLiteral("uid9"));
}

// A reload of the same items, with items far from the selection left stale by the layout, moves
// nothing: no item layer or picture animates and every picture keeps what it shows.
TEST_F(FlowViewLayout, AReloadOfTheSameItemsAnimatesNothing)
{
    makeView(60);
    view->setSelectedIndex(30);
    settle();
    view->setSelectedIndex(31);
    settle();
    std::vector<Rect> frames;
    std::vector<Ref<CGImage>> contents;
    for (std::int64_t i = 0; i < 60; ++i)
        contents.push_back(picture(i)->contents());
    view->reloadContent();
    Transaction::flush();
    for (std::int64_t i = 0; i < 60; ++i) {
        EXPECT_TRUE(item(i)->animationKeys().empty()) << i;
        EXPECT_TRUE(picture(i)->animationKeys().empty()) << i;
        EXPECT_EQ(picture(i)->contents(), contents[std::size_t(i)]) << i;
    }
    settle();
    for (std::int64_t i = 0; i < 60; ++i)
        frames.push_back(item(i)->frame());
    // The same places as a view that never reloaded.
    view->setUsesFullLayoutForTesting(true);
    view->setSpacing(51);
    view->setSpacing(50);
    settle();
    for (std::int64_t i = 0; i < 60; ++i)
        EXPECT_EQ(item(i)->frame(), frames[std::size_t(i)]) << i;
}

// Elements stand for indexes: a picture that keeps its item keeps its element; one given another
// item gets a new one and the old one leaves the list.
TEST_F(FlowViewLayout, AReloadKeepsTheElementsOfPicturesThatKeepTheirItems)
{
    makeView(3);
    const Ref<QVLayerAccessibilityHelper> list = view->listElement();
    const std::vector<Ref<QVLayerAccessibilityHelper>> before = list->children();
    ASSERT_EQ(before.size(), 3u);
    source->items[1] = imageItem(8);
    view->reloadContent();
    ASSERT_EQ(list->countOfChildren(), 3u);
    EXPECT_EQ(list->children()[0], before[0]);
    EXPECT_NE(list->children()[1], before[1]);
    EXPECT_EQ(list->children()[2], before[2]);
    EXPECT_FALSE(before[1]->parent());
    EXPECT_EQ(list->children()[1]->accessibilityAttributeValue(AccessibilityTitleAttribute).stringValue(), QStringLiteral("Item 8"));
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(list->children()[i]->parent(), list);
}

TEST_F(FlowViewLayout, ReloadToFewerSelectsTheFirstAndToNoneSelectsNothing)
{
    makeView(5);
    view->setSelectedIndex(4);
    settle();
    source->items.resize(3);
    view->reloadContent();
    EXPECT_EQ(view->selectedIndex(), 0);
    source->items.clear();
    source->asked.clear();
    delegate->log.clear();
    view->reloadContent();
    settle();
    EXPECT_EQ(view->selectedIndex(), NotFound);
    EXPECT_EQ(view->title(), QString());
    EXPECT_TRUE(source->asked.empty());
    EXPECT_TRUE(delegate->log.empty());
    EXPECT_TRUE(view->scrollBarLayer()->isHidden());
}

TEST_F(FlowViewLayout, OutOfTheWindowAndBackKeepsTheItems)
{
    makeView(4);
    view->setSelectedIndex(2);
    settle();
    const Ref<View> content = window->contentView();
    view->removeFromSuperview();
    EXPECT_FALSE(view->layer());
    content->addSubview(view.get());
    settle();
    EXPECT_EQ(view->scrollLayer()->sublayers().size(), 4u);
    EXPECT_EQ(view->selectedIndex(), 2);
    EXPECT_EQ(picture(2)->transform(), Transform3DIdentity);
}

TEST_F(FlowViewLayout, NoFlyInOnReloadAndNoAnimationInLiveResize)
{
    makeView(3);
    source->items.push_back(imageItem(3));
    view->reloadContent();
    Transaction::flush();
    EXPECT_TRUE(item(3)->animationKeys().empty());
    EXPECT_FALSE(view->actionForLayerForKey(view->scrollLayer().get(), QStringLiteral("bounds")).isNull());
}

// The window shortcut draws what the full pass draws, at every sampled frame of a scripted sequence
// (single steps, a jump, a retarget mid-animation, a resize), while animating far fewer items.
TEST_F(FlowViewLayout, ShortcutMatchesTheFullPassFrameByFrame)
{
    struct Run {
        std::vector<QImage> frames;
        std::size_t animatedAfterAStep = 0;
    };
    const auto run = [this](bool full) {
        Run result;
        source = make<FlowSource>();
        makeView(60);
        view->setUsesFullLayoutForTesting(full);
        const std::vector<std::int64_t> script { 1, 2, 3, 40, 39, 12 };
        for (const std::int64_t target : script) {
            view->setSelectedIndex(target);
            Transaction::flush();
            if (target == 2)
                for (std::int64_t i = 0; i < 60; ++i)
                    result.animatedAfterAStep += item(i)->animationKeys().empty() ? 0 : 1;
            for (int frame = 0; frame < 3; ++frame) {
                clock.advance(0.05);
                FrameDriver::shared().tick();
                Transaction::flush();
                result.frames.push_back(window->snapshot());
            }
        }
        window->setFrameDisplay(Rect { { 0, 0 }, { 500, 300 } }, false);
        settle();
        result.frames.push_back(window->snapshot());
        view->operationQueue()->cancelAllOperations();
        view->operationQueue()->waitUntilAllOperationsAreFinished();
        window->close();
        window = nullptr;
        view = nullptr;
        Transaction::resetForTesting();
        return result;
    };
    const Run shortcut = run(false);
    const Run full = run(true);
    ASSERT_EQ(shortcut.frames.size(), full.frames.size());
    EXPECT_LT(shortcut.animatedAfterAStep, full.animatedAfterAStep / 2);
    for (std::size_t f = 0; f < full.frames.size(); ++f) {
        const QImage& a = shortcut.frames[f];
        const QImage& b = full.frames[f];
        ASSERT_EQ(a.size(), b.size());
        int differing = 0;
        int maxDelta = 0;
        for (int y = 0; y < a.height(); ++y)
            for (int x = 0; x < a.width(); ++x)
                if (a.pixel(x, y) != b.pixel(x, y)) {
                    ++differing;
                    maxDelta = std::max({ maxDelta, std::abs(qRed(a.pixel(x, y)) - qRed(b.pixel(x, y))),
                        std::abs(qGreen(a.pixel(x, y)) - qGreen(b.pixel(x, y))), std::abs(qAlpha(a.pixel(x, y)) - qAlpha(b.pixel(x, y))) });
                }
        // Sub-pixel at most: an item that was out of sight at an earlier step and comes on stage in a
        // jump before the earlier step's animation ended lags by the tail of that animation in the
        // full pass only.
        EXPECT_LE(maxDelta, 8) << "frame " << f;
    }
}

// Images --------------------------------------------------------------------------------------------

Value pdfPage(double width, double height)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setResolution(72);
    writer.setPageSize(QPageSize(QSizeF(width, height), QPageSize::Point));
    writer.setPageMargins(QMarginsF());
    {
        QPainter painter(&writer);
        painter.fillRect(QRectF(0, 0, 50, 50), Qt::black);
    }
    buffer.close();
    const Ref<PDFDocument> document = PDFDocument::createWithData(bytes);
    return document ? Value(Ref<Object>(document->pageAtIndex(0))) : Value();
}

struct DispatchCase {
    const char* name;
    QString type;
    std::function<Value()> representation;
    int expectedWidth; // 0: no image
};

class FlowViewDispatch : public testing::TestWithParam<DispatchCase> { };

TEST_P(FlowViewDispatch, MakesAnImageFromEachKindOfRepresentation)
{
    const DispatchCase& c = GetParam();
    const Ref<CGImage> image = QVFlowView::newImageFromRepresentation(c.representation(), c.type, Size { 100, 100 });
    if (c.expectedWidth == 0) {
        EXPECT_FALSE(image);
    } else {
        ASSERT_TRUE(image);
        EXPECT_EQ(image->width(), c.expectedWidth);
    }
}

INSTANTIATE_TEST_SUITE_P(Types, FlowViewDispatch,
    testing::Values(
        DispatchCase { "CGImage", QVFlowViewCGImageRepresentationType, [] { return Value(Ref<Object>(solidImage(30, 20))); }, 30 },
        DispatchCase { "NSImage", QVFlowViewNSImageRepresentationType,
            [] {
                return Value(Ref<Object>(Image::imageWithCGImageSize(solidImage(80, 80), Size { 80, 80 })));
            },
            80 },
        DispatchCase { "NSBitmap", QVFlowViewNSBitmapRepresentationType,
            [] { return Value(Ref<Object>(BitmapImageRep::imageRepWithCGImage(solidImage(40, 10)))); }, 40 },
        DispatchCase { "NSData", QVFlowViewNSDataRepresentationType, [] { return Value(pngData(300, 150)); }, 100 },
        DispatchCase { "UnreadableData", QVFlowViewNSDataRepresentationType, [] { return Value(QByteArray("no image here")); }, 0 },
        DispatchCase { "PDFPage", QVFlowViewPDFPageRepresentationType, [] { return pdfPage(200, 100); }, 100 },
        // Theme icons are drawn on the main thread before queueing: a name alone makes nothing here.
        DispatchCase { "IconName", QVFlowViewIconRefRepresentationType, [] { return Value("folder"); }, 0 },
        DispatchCase { "IconDrawn", QVFlowViewIconRefRepresentationType, [] { return Value(Ref<Object>(solidImage(32, 32))); }, 32 },
        DispatchCase { "Composition", QVFlowViewQCCompositionRepresentationType, [] { return Value("anything"); }, 0 },
        DispatchCase { "UnknownType", QStringLiteral("SomethingElse"), [] { return Value(Ref<Object>(solidImage(30, 20))); }, 0 },
        DispatchCase { "OtherScheme", QVFlowViewURLRepresentationType, [] { return Value("https://example.invalid/a.png"); }, 0 }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FlowViewImages, PdfPagesFitTheWidth)
{
    // Narrower than wanted: enlarged to the width; wider: reduced into the rectangle.
    const Ref<CGImage> enlarged = QVFlowView::newImageFromPDFPage(pdfPage(50, 50), Size { 200, 200 }, true);
    ASSERT_TRUE(enlarged);
    const QImage big = enlarged->image();
    EXPECT_GT(qAlpha(big.pixel(190, 190)), 200); // the 50-point black square now covers the page
    const Ref<CGImage> reduced = QVFlowView::newImageFromPDFPage(pdfPage(400, 200), Size { 100, 100 }, false);
    ASSERT_TRUE(reduced);
    EXPECT_EQ(reduced->width(), 100);
    EXPECT_FALSE(QVFlowView::newImageFromPDFPage(pdfPage(50, 50), Size { 0, 0 }, false));
    EXPECT_FALSE(QVFlowView::newImageFromPDFPage(pdfPage(50, 50), Size { 0.5, 30 }, false));
}

TEST(FlowViewImages, APictureOfTheItemsSizeIsUsedAsItIs)
{
    // The item's side is seldom whole: a source of its size rounded up is not scaled again.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("cover.png"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(pngData(600, 600));
    file.close();
    for (const double side : { 599.2, 599.9, 600.0 }) {
        const Ref<CGImage> fromFile = QVFlowView::newImageFromRepresentation(Value(path), QVFlowViewPathRepresentationType, Size { side, side });
        ASSERT_TRUE(fromFile) << side;
        EXPECT_EQ(fromFile->width(), 600) << side;
        const Ref<CGImage> fromData
            = QVFlowView::newImageFromRepresentation(Value(pngData(600, 600)), QVFlowViewNSDataRepresentationType, Size { side, side });
        ASSERT_TRUE(fromData) << side;
        EXPECT_EQ(fromData->width(), 600) << side;
    }
    // A larger source still comes down to the item.
    EXPECT_EQ(QVFlowView::newImageFromRepresentation(Value(path), QVFlowViewPathRepresentationType, Size { 299.5, 299.5 })->width(), 300);
}

TEST(FlowViewImages, TheTenPerCentRule)
{
    EXPECT_DOUBLE_EQ(QVFlowView::differenceForImage(solidImage(185, 10).get(), Size { 200, 200 }), -7.5);
    EXPECT_DOUBLE_EQ(QVFlowView::differenceForImage(solidImage(150, 10).get(), Size { 200, 200 }), -25);
    EXPECT_GT(QVFlowView::differenceForImage(nullptr, Size { 200, 200 }), 1e38);
}

TEST_F(FlowViewLayout, RendersExactlyTheVisibleItemsAndTheirNeighbours)
{
    makeView(40);
    const IndexSet visible = view->visibleItemIndexes();
    ASSERT_GT(visible.count(), 0);
    std::int64_t cached = 0;
    for (std::int64_t i = 0; i < 40; ++i)
        if (view->lookupForImageUID(Value(QStringLiteral("uid%1").arg(i))))
            ++cached;
    EXPECT_EQ(cached, std::min<std::int64_t>(40, visible.lastIndex() + 2) - std::max<std::int64_t>(0, visible.firstIndex() - 1));
    // The selected item is rendered at full size, the others at the preview scale.
    const double side = view->itemSizeForRect(view->scrollLayer()->frame()).width;
    EXPECT_EQ(view->lookupForImageUID(Value("uid0"))->width(), 200);
    EXPECT_EQ(picture(0)->contents(), view->lookupForImageUID(Value("uid0")));
    EXPECT_GT(side, 0);
    EXPECT_NE(picture(39)->contents(), nullptr); // a placeholder
}

TEST_F(FlowViewLayout, ACachedPictureCloseEnoughIsKept)
{
    makeView(1);
    const double side = view->itemSizeForRect(view->scrollLayer()->frame()).width;
    view->cacheImageWithUID(solidImage(int(side * 0.925), 10), Value("uid0"));
    QVFlowView::imagesMade(true);
    view->updateImages();
    view->operationQueue()->waitUntilAllOperationsAreFinished();
    EXPECT_EQ(QVFlowView::imagesMade(), 0u);
    view->cacheImageWithUID(solidImage(int(side * 0.75), 10), Value("uid0"));
    view->updateImages();
    EXPECT_EQ(picture(0)->contents()->width(), int(side * 0.75));
    view->operationQueue()->waitUntilAllOperationsAreFinished();
    EXPECT_EQ(QVFlowView::imagesMade(), 1u);
}

TEST_F(FlowViewLayout, PreviewScaleEmptiesTheCacheAndRendersAgain)
{
    // Data items: each is decoded at the size asked for.
    for (int i = 0; i < 5; ++i)
        source->items.push_back(make<FlowItem>(QStringLiteral("uid%1").arg(i), QVFlowViewNSDataRepresentationType, Value(pngData(400, 400)),
            QStringLiteral("Item %1").arg(i)));
    makeView(0);
    const double side = view->itemSizeForRect(view->scrollLayer()->frame()).width;
    ASSERT_TRUE(view->lookupForImageUID(Value("uid1")));
    EXPECT_NEAR(view->lookupForImageUID(Value("uid1"))->width(), side * 0.25, 1.0);
    view->operationQueue()->setMaxConcurrentOperationCount(1);
    std::atomic<bool> release { false };
    view->operationQueue()->addOperationWithBlock([&] {
        while (!release.load())
            std::this_thread::yield();
    });
    view->setPreviewScale(0.5);
    EXPECT_EQ(view->imageCache()->count(), 0u);
    release = true;
    settle();
    ASSERT_TRUE(view->lookupForImageUID(Value("uid1")));
    EXPECT_NEAR(view->lookupForImageUID(Value("uid1"))->width(), side * 0.5, 1.0);
}

TEST_F(FlowViewLayout, AResultAfterAReloadIsDropped)
{
    makeView(2);
    view->imageCache()->removeAllObjects();
    view->updateImageLayerAtIndex(1);
    // Before the picture arrives, item 1 becomes another item.
    source->items[1] = make<FlowItem>(
        QStringLiteral("other"), QVFlowViewCGImageRepresentationType, Value(Ref<Object>(solidImage(20, 20))), QStringLiteral("Other"));
    Transaction::begin();
    Transaction::setDisableActions(true);
    item(1)->setValueForKey(Value("other"), QStringLiteral("imageItemUID"));
    Transaction::commit();
    view->operationQueue()->waitUntilAllOperationsAreFinished();
    RunLoop::main().runPending();
    EXPECT_EQ(picture(1)->contents(), QVFlowView::defaultImage());
    EXPECT_TRUE(view->lookupForImageUID(Value("uid1"))); // the cache keeps what was made
}

TEST_F(FlowViewLayout, CancellationDropsPendingWork)
{
    makeView(3);
    view->imageCache()->removeAllObjects();
    view->operationQueue()->setMaxConcurrentOperationCount(1);
    std::atomic<bool> release { false };
    view->operationQueue()->addOperationWithBlock([&] {
        while (!release.load())
            std::this_thread::yield();
    });
    QVFlowView::imagesMade(true);
    view->updateImageLayerAtIndex(0);
    view->updateImageLayerAtIndex(1);
    view->updateImageLayerAtIndex(2);
    view->operationQueue()->cancelAllOperations();
    release = true;
    view->operationQueue()->waitUntilAllOperationsAreFinished();
    RunLoop::main().runPending();
    EXPECT_EQ(QVFlowView::imagesMade(), 0u);
    EXPECT_EQ(picture(1)->contents(), QVFlowView::defaultImage());
}

// A picture still being made when the images are updated again is not asked for a second time;
// it lands when done.
TEST_F(FlowViewLayout, APictureBeingMadeIsNotAskedForAgain)
{
    std::atomic<bool> open { true };
    std::atomic<int> drawn { 0 };
    const Ref<Image> slow = Image::imageWithSize(Size { 300, 300 });
    slow->addRepresentation(make<CustomImageRep>(Size { 300, 300 }, [&](Rect) {
        ++drawn;
        while (!open.load())
            std::this_thread::yield();
    }));
    source->items.push_back(
        make<FlowItem>(QStringLiteral("slow"), QVFlowViewNSImageRepresentationType, Value(Ref<Object>(slow)), QStringLiteral("Slow")));
    makeView(0);
    ASSERT_EQ(drawn.load(), 1);
    view->imageCache()->removeAllObjects();
    open = false;
    view->updateImages();
    while (drawn.load() < 2)
        std::this_thread::yield();
    view->updateImages();
    view->updateImages();
    open = true;
    view->operationQueue()->waitUntilAllOperationsAreFinished();
    RunLoop::main().runPending();
    EXPECT_EQ(drawn.load(), 2);
    ASSERT_TRUE(view->lookupForImageUID(Value("slow")));
    EXPECT_EQ(picture(0)->contents(), view->lookupForImageUID(Value("slow")));
}

TEST_F(FlowViewLayout, ASmallCostLimitEvictsAndPlaceholdersReturn)
{
    makeView(30);
    view->setSelectedIndex(20);
    settle();
    // Room for one preview only: the pictures of the first window go.
    view->imageCache()->setTotalCostLimit(1);
    EXPECT_EQ(view->imageCache()->count(), 1u);
    view->setSelectedIndex(21);
    settle();
    EXPECT_LE(view->imageCache()->count(), 1u);
    for (std::int64_t i = 0; i < 10; ++i)
        EXPECT_EQ(picture(i)->contents(), QVFlowView::defaultImage()) << i;
}

TEST_F(FlowViewLayout, FileItemsShowTheirIconWhileWaiting)
{
    QTemporaryDir dir;
    const QString clip = dir.filePath(QStringLiteral("clip.mp4"));
    QFile file(clip);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not really a movie");
    file.close();
    source->items.push_back(make<FlowItem>(QStringLiteral("clip"), QVFlowViewPathRepresentationType, Value(clip), QStringLiteral("Clip")));
    makeView(0);
    view->reloadContent();
    settle();
    EXPECT_TRUE(view->isMovieAtIndex(0));
    EXPECT_EQ(picture(0)->name(), QStringLiteral("QVFlowViewContentLayerMovie"));
    // No thumbnail for a few bytes: the file's icon stays.
    ASSERT_TRUE(picture(0)->contents());
    EXPECT_NE(picture(0)->contents(), QVFlowView::defaultImage());
    const Ref<CGImage> icon = view->defaultImageForItem(view->imageItemForIndex(0), Size { 64, 64 });
    EXPECT_EQ(icon, view->defaultImageForItem(view->imageItemForIndex(0), Size { 64, 64 })); // memoised
}

// Accessibility -------------------------------------------------------------------------------------

TEST_F(FlowViewLayout, ListChildrenStandForTheItemsAfterReloads)
{
    makeView(4);
    source->items.resize(2);
    view->reloadContent();
    source->items.push_back(imageItem(7));
    view->reloadContent();
    const Ref<QVLayerAccessibilityHelper> list = view->listElement();
    ASSERT_EQ(list->countOfChildren(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(list->children()[i]->layer(), picture(std::int64_t(i)));
        EXPECT_EQ(list->children()[i]->parent(), list);
    }
    EXPECT_EQ(list->children()[2]->accessibilityAttributeValue(AccessibilityTitleAttribute).stringValue(), QStringLiteral("Item 7"));
    list->accessibilitySetValueForAttribute(
        Value(Array { Value(Ref<Object>(list->children()[2])) }), AccessibilitySelectedChildrenAttribute);
    EXPECT_EQ(view->selectedIndex(), 2);
    EXPECT_TRUE(list->children()[2]->accessibilityAttributeValue(AccessibilitySelectedAttribute).boolValue());
    list->children()[1]->accessibilitySetValueForAttribute(Value(true), AccessibilitySelectedAttribute);
    EXPECT_EQ(view->selectedIndex(), 1);
    // A value that is no child selects nothing.
    list->accessibilitySetValueForAttribute(Value(Array { Value("stranger") }), AccessibilitySelectedChildrenAttribute);
    EXPECT_EQ(view->selectedIndex(), 1);
}

TEST_F(FlowViewLayout, KnobValueAndViewAttributes)
{
    makeView(5);
    view->setSelectedIndex(2);
    const auto knob = view->scrollBarElement()->children().front();
    EXPECT_DOUBLE_EQ(knob->accessibilityAttributeValue(AccessibilityValueAttribute).doubleValue(), 0.5);
    // A screen reader reads the knob as a value in its range: 0 to 1.
    EXPECT_DOUBLE_EQ(knob->accessibilityAttributeValue(AccessibilityMinValueAttribute).doubleValue(), 0);
    EXPECT_DOUBLE_EQ(knob->accessibilityAttributeValue(AccessibilityMaxValueAttribute).doubleValue(), 1);
    EXPECT_EQ(view->accessibilityAttributeValue(AccessibilityRoleAttribute).stringValue(), AccessibilityScrollAreaRole);
    EXPECT_TRUE(view->accessibilityAttributeNames().contains(QStringLiteral("AXContents")));
    EXPECT_EQ(view->accessibilityAttributeValue(QStringLiteral("AXContents")).array().count(), 2);
    source->items.resize(1);
    view->reloadContent();
    EXPECT_DOUBLE_EQ(knob->accessibilityAttributeValue(AccessibilityValueAttribute).doubleValue(), 0);
}

TEST_F(FlowViewLayout, TheMovieButtonSaysWhatItWillDo)
{
    makeView(2);
    const Ref<Layer> overlay = view->createMovieOverlayLayerWithIndex(1);
    EXPECT_TRUE(overlay->isHidden());
    EXPECT_EQ(overlay->frame().size, (Size { 60, 60 }));
    const auto pictureElement = view->listElement()->children()[1];
    ASSERT_EQ(pictureElement->countOfChildren(), 1u);
    const auto button = pictureElement->children().front();
    EXPECT_EQ(button->role(), AccessibilityCheckBoxRole);
    EXPECT_EQ(button->accessibilityAttributeValue(AccessibilityTitleAttribute).stringValue(), QStringLiteral("Play"));
    button->accessibilitySetValueForAttribute(Value(1), AccessibilityValueAttribute);
    EXPECT_EQ(button->accessibilityAttributeValue(AccessibilityValueAttribute).integerValue(), 1);
    EXPECT_EQ(button->accessibilityAttributeValue(AccessibilityTitleAttribute).stringValue(), QStringLiteral("Stop"));
}

TEST_F(FlowViewLayout, APictureHoldsOnlyThePlayControlInItsTree)
{
    makeView(3);
    const auto pictureElement = view->listElement()->children()[1];
    Ref<Layer> overlay;
    for (int call = 0; call < 3; ++call)
        overlay = view->createMovieOverlayLayerWithIndex(1);
    ASSERT_EQ(pictureElement->countOfChildren(), 1u);
    const Ref<Layer> button = dynamic_pointer_cast<QVVideoOverlayLayer>(overlay)->buttonLayer();
    EXPECT_EQ(pictureElement->children().front()->layer(), button);

    // The owner takes its control away.
    const Ref<Layer> picture = view->imageLayerAtIndex(1);
    picture->addSublayer(overlay.get());
    Transaction::flush();
    overlay->removeFromSuperlayer();
    EXPECT_EQ(pictureElement->countOfChildren(), 0u);
    // And puts it back.
    picture->addSublayer(overlay.get());
    ASSERT_EQ(pictureElement->countOfChildren(), 1u);
    EXPECT_EQ(pictureElement->children().front()->layer(), button);
    overlay->removeFromSuperlayer();
    // Taken away with actions disabled (no order-out action runs), and by replacing the sublayers.
    picture->addSublayer(overlay.get());
    ASSERT_EQ(pictureElement->countOfChildren(), 1u);
    Transaction::begin();
    Transaction::setDisableActions(true);
    overlay->removeFromSuperlayer();
    Transaction::commit();
    EXPECT_EQ(pictureElement->countOfChildren(), 0u);
    picture->addSublayer(overlay.get());
    ASSERT_EQ(pictureElement->countOfChildren(), 1u);
    picture->setSublayers({});
    EXPECT_EQ(pictureElement->countOfChildren(), 0u);

    // The view takes it away when the selection leaves the picture.
    view->setSelectedIndex(1);
    const Ref<Layer> next = view->createMovieOverlayLayerWithIndex(1);
    picture->addSublayer(next.get());
    ASSERT_EQ(pictureElement->countOfChildren(), 1u);
    view->setSelectedIndex(2);
    EXPECT_EQ(pictureElement->countOfChildren(), 0u);
}

} // namespace qv_flow_view_layout_test
