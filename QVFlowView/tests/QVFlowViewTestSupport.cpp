#include "QVFlowViewTestSupport.h"

#include "kit/foundation/OperationQueue.h"

#include <QBuffer>
#include <QImage>

using namespace kit;

namespace qv_flow_view_test {

KIT_REGISTER_CLASS(FlowItem, Object)
{
    c.property("imageItemUID", &FlowItem::imageItemUID, &FlowItem::setImageItemUID);
    c.property("imageItemRepresentationType", &FlowItem::imageItemRepresentationType, &FlowItem::setImageItemRepresentationType);
    c.property("imageItemRepresentation", &FlowItem::imageItemRepresentation, &FlowItem::setImageItemRepresentation);
    c.property("imageItemTitle", &FlowItem::imageItemTitle, &FlowItem::setImageItemTitle);
}

KIT_REGISTER_CLASS(BareItem, Object) { }

KIT_REGISTER_CLASS(FlowSource, Object)
{
    c.optionalOperations({ "numberOfItemsInFlowView", "flowViewItemAtIndex", "flowViewWriteItemAtIndexToPasteboard",
        "flowViewRemoveItemAtIndex", "flowViewValidateDropProposedIndex", "flowViewAcceptDropAtIndex" });
}

KIT_REGISTER_CLASS(CountOnlySource, Object) { c.optionalOperations({ "numberOfItemsInFlowView" }); }

KIT_REGISTER_CLASS(FlowDelegate, Object)
{
    c.optionalOperations(
        { "flowViewSelectionDidChange", "flowViewItemWasDoubleClickedAtIndex", "flowViewItemWasRightClickedAtIndexWithEvent" });
}

KIT_REGISTER_CLASS(SelectionDelegate, Object) { c.optionalOperations({ "flowViewSelectionDidChange" }); }

Ref<CGImage> solidImage(int width, int height, QColor color)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(color);
    return CGImage::create(image);
}

QByteArray pngData(int width, int height, QColor color)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

Ref<FlowItem> imageItem(int i, int width, int height)
{
    return make<FlowItem>(QStringLiteral("uid%1").arg(i), QVFlowViewCGImageRepresentationType,
        Value(Ref<Object>(solidImage(width, height))), QStringLiteral("Item %1").arg(i));
}

void FlowViewFixture::SetUp()
{
    ASSERT_TRUE(bundleDir.isValid());
    QDir(bundleDir.path()).mkpath(QStringLiteral("strings"));
    QFile strings(bundleDir.filePath(QStringLiteral("strings/Localizable.json")));
    ASSERT_TRUE(strings.open(QIODevice::WriteOnly));
    strings.write(R"json({"Untitled item": "(untitled)", "Start movie playback": "Play", "Stop movie playback": "Stop"})json");
    strings.close();
    Bundle::setMainBundlePathForTesting(bundleDir.path());
    source = make<FlowSource>();
    delegate = make<FlowDelegate>();
}

void FlowViewFixture::TearDown()
{
    if (view) {
        view->operationQueue()->cancelAllOperations();
        view->operationQueue()->waitUntilAllOperationsAreFinished();
    }
    if (window)
        window->close();
    view = nullptr;
    window = nullptr;
    RunLoop::main().runPending();
    Transaction::resetForTesting();
    Bundle::setMainBundlePathForTesting(QString());
    Application::resetForTesting();
}

void FlowViewFixture::makeView(int items, Size size)
{
    for (int i = 0; i < items; ++i)
        source->items.push_back(imageItem(i));
    window = make<Window>(Rect { { 0, 0 }, size }, TitledWindowMask);
    view = make<QVFlowView>(Rect { { 0, 0 }, size });
    view->setAutoresizingMask(ViewWidthSizable | ViewHeightSizable);
    view->setDataSource(source.get());
    view->setDelegate(delegate.get());
    window->contentView()->addSubview(view.get());
    settle();
}

void FlowViewFixture::settle()
{
    for (int round = 0; round < 4; ++round) {
        Transaction::flush();
        clock.advance(2);
        FrameDriver::shared().tick();
        Transaction::flush();
        view->operationQueue()->waitUntilAllOperationsAreFinished();
        RunLoop::main().runPending();
    }
}

Ref<ReplicatorLayer> FlowViewFixture::item(std::int64_t i) const
{
    return dynamic_pointer_cast<ReplicatorLayer>(view->itemLayerAtIndex(i));
}

Ref<Layer> FlowViewFixture::picture(std::int64_t i) const { return view->imageLayerAtIndex(i); }

Point FlowViewFixture::pictureCentre(std::int64_t i) const
{
    const Ref<Layer> p = picture(i);
    const Rect r = view->backgroundLayer()->convertRectFromLayer(p->bounds(), p.get());
    return view->convertPointToView(Point { r.midX(), r.midY() }, nullptr);
}

} // namespace qv_flow_view_test
