// The flow view's picture operations one by one, camera-sized pictures, guarded setters and items
// that stand in the content more than once.

#include "QVFlowViewTestSupport.h"
#include "kit/appkit/Workspace.h"
#include "kit/core/ArrayController.h"
#include "kit/core/Binding.h"
#include "kit/core/KeyValueObserving.h"
#include "kit/graphics/Image.h"
#include "kit/graphics/ImageRep.h"
#include "kit/graphics/ImageSource.h"
#include "kit/testsupport/LargePictures.h"
#include "kit/testsupport/PixelProbe.h"
#include "kit/testsupport/RuntimeRecorders.h"

#include <QUrl>

#include <cmath>
#include <limits>
#include <thread>

namespace qv_flow_view_images_test {

using namespace kit;
using namespace qv_flow_view_test;

QString writtenFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
    return path;
}

int widthOf(const Ref<CGImage>& image) { return image ? image->width() : 0; }

// Each picture operation by its own rule -------------------------------------------------------------

TEST(FlowViewPictureOperations, EachKindOfRepresentation)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = writtenFile(dir, QStringLiteral("six hundred.png"), pngData(600, 600));
    const QString url = QUrl::fromLocalFile(path).toString();
    const Size half { 300, 300 };
    // Files: a 600-pixel PNG at 300 gives 300, through each of the ways to name it.
    EXPECT_EQ(widthOf(QVFlowView::newImageFromQuickLookURL(url, half)), 300);
    EXPECT_EQ(widthOf(QVFlowView::newImageFromQuickLookURL(path, half)), 300);
    EXPECT_EQ(widthOf(QVFlowView::newImageFromURL(url, half)), 300);
    EXPECT_EQ(widthOf(QVFlowView::newImageFromPath(path, half)), 300);
    EXPECT_EQ(widthOf(QVFlowView::newImageFromIconRefPath(path, half)), 300);
    // Not a file.
    EXPECT_FALSE(QVFlowView::newImageFromQuickLookURL(QStringLiteral("https://example.invalid/a.png"), half));
    EXPECT_FALSE(QVFlowView::newImageFromURL(QStringLiteral("https://example.invalid/a.png"), half));
    EXPECT_FALSE(QVFlowView::newImageFromPath(dir.filePath(QStringLiteral("missing.png")), half));
    // Data and image sources.
    EXPECT_EQ(widthOf(QVFlowView::newImageFromData(pngData(600, 600), half)), 300);
    EXPECT_FALSE(QVFlowView::newImageFromData(QByteArray("no image in here"), half));
    const Ref<ImageSource> source = ImageSource::createWithData(pngData(600, 600));
    EXPECT_EQ(widthOf(QVFlowView::newImageFromCGImageSource(source.get(), half)), 300);
    EXPECT_FALSE(QVFlowView::newImageFromCGImageSource(nullptr, half));
    // Images and bitmaps: their own picture for the rectangle.
    const Ref<Image> image = Image::imageWithCGImageSize(solidImage(80, 40), Size { 80, 40 });
    EXPECT_EQ(widthOf(QVFlowView::newImageFromNSImage(image.get(), half)), 80);
    EXPECT_FALSE(QVFlowView::newImageFromNSImage(nullptr, half));
    const Ref<BitmapImageRep> bitmap = BitmapImageRep::imageRepWithCGImage(solidImage(40, 10));
    EXPECT_EQ(widthOf(QVFlowView::newImageFromNSBitmapImage(bitmap.get(), half)), 40);
    // Icons: an image as any image, a drawn one as it is, a name only on the main thread.
    EXPECT_EQ(widthOf(QVFlowView::newImageFromIcon(Value(Ref<Object>(image)), half)), 80);
    EXPECT_EQ(widthOf(QVFlowView::newImageFromIcon(Value(Ref<Object>(solidImage(32, 32))), half)), 32);
    Ref<CGImage> offMain = solidImage(1, 1);
    std::thread([&] { offMain = QVFlowView::newImageFromIcon(Value("folder"), half); }).join();
    EXPECT_FALSE(offMain);
}

TEST(FlowViewPictureOperations, TheTypesOfTheRepresentationsThatAreNotFiles)
{
    const QHash<QString, QString>& types = QVFlowView::uniformTypesDictionary();
    EXPECT_EQ(types.size(), 6);
    EXPECT_FALSE(types.contains(QVFlowViewNSDataRepresentationType));
    for (const QString& type : { QVFlowViewCGImageRepresentationType, QVFlowViewNSImageRepresentationType,
             QVFlowViewNSBitmapRepresentationType, QVFlowViewIconRefRepresentationType })
        EXPECT_EQ(types.value(type), UTTypeImage) << type.toStdString();
    EXPECT_EQ(types.value(QVFlowViewPDFPageRepresentationType), UTTypePDF);
    EXPECT_TRUE(types.contains(QVFlowViewQCCompositionRepresentationType));
    for (const QString& type : QVFlowView::pathRepresentationTypes())
        EXPECT_FALSE(types.contains(type)) << type.toStdString();
}

// Camera-sized pictures ------------------------------------------------------------------------------

struct LargeCase {
    test::LargePicture picture;
    bool asFile;
};

class FlowViewLargePicture : public testing::TestWithParam<LargeCase> {
protected:
    Ref<CGImage> made(Size size)
    {
        const LargeCase& c = GetParam();
        const QByteArray& data = test::largePictureData(c.picture);
        if (!c.asFile)
            return QVFlowView::newImageFromRepresentation(Value(data), QVFlowViewNSDataRepresentationType, size);
        const QString path = writtenFile(dir, QStringLiteral("picture.") + QString::fromLatin1(c.picture.name), data);
        return QVFlowView::newImageFromRepresentation(Value(path), QVFlowViewPathRepresentationType, size);
    }
    QTemporaryDir dir;
};

TEST_P(FlowViewLargePicture, ComesAtTheSizeWanted)
{
    const test::LargePicture& picture = GetParam().picture;
    test::LogRecorder log;
    const Ref<CGImage> image = made(Size { 400, 400 });
    ASSERT_TRUE(image);
    const double ratio = double(picture.size.height()) / picture.size.width();
    EXPECT_EQ(image->width(), 400);
    EXPECT_EQ(image->height(), int(std::lround(400 * ratio)));
    const QImage pixels = image->image();
    EXPECT_TRUE(test::pixelIs(pixels, 50, image->height() / 2, picture.left, 12));
    EXPECT_TRUE(test::pixelIs(pixels, 350, image->height() / 2, picture.right, 12));
    EXPECT_TRUE(log.lines().isEmpty());
}

TEST_P(FlowViewLargePicture, PastTheLimitGivesNoPictureAndOneLine)
{
    // 2000 pixels wide is over a limit lowered to 1 MB for both pictures.
    const test::LargePicture& picture = GetParam().picture;
    test::DecodingLimitScope limit(1);
    test::LogRecorder log;
    EXPECT_FALSE(made(Size { 2000, 2000 }));
    ASSERT_EQ(log.lines().size(), 1);
    EXPECT_TRUE(log.lines()[0].contains(QStringLiteral("%1 x %2").arg(picture.size.width()).arg(picture.size.height())))
        << log.lines()[0].toStdString();
}

std::vector<LargeCase> largeCases()
{
    std::vector<LargeCase> cases;
    for (const test::LargePicture& picture : test::largePictures())
        for (const bool asFile : { false, true })
            cases.push_back({ picture, asFile });
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Pictures, FlowViewLargePicture, testing::ValuesIn(largeCases()),
    [](const auto& info) { return std::string(info.param.picture.name) + (info.param.asFile ? "File" : "Data"); });

// Setters that are given no number ---------------------------------------------------------------------

class FlowViewNotANumber : public testing::TestWithParam<const char*> { };

TEST_P(FlowViewNotANumber, KeepsTheValue)
{
    auto view = make<QVFlowView>();
    const QString key = QString::fromUtf8(GetParam());
    const double before = view->valueForKey(key).doubleValue();
    view->setValueForKey(Value(std::numeric_limits<double>::quiet_NaN()), key);
    EXPECT_EQ(view->valueForKey(key).doubleValue(), before);
}

INSTANTIATE_TEST_SUITE_P(Setters, FlowViewNotANumber,
    testing::Values("stackedAngle", "itemScale", "previewScale", "reflectionOffset", "spacing", "selectedScale", "stackedScale"));

// Items that stand more than once ------------------------------------------------------------------------

class FlowViewRepeatedItems : public FlowViewFixture { };

TEST_F(FlowViewRepeatedItems, AreObservedOnceAndNotAtAllOnceTheyLeft)
{
    makeView(0);
    const Ref<FlowItem> a = imageItem(0), b = imageItem(1);
    const Value va { Ref<Object>(a) }, vb { Ref<Object>(b) };
    auto controller = make<ArrayController>(Array { va, va, vb });
    view->bindToObjectWithKeyPathOptions(ContentArrayBinding, controller.get(), QStringLiteral("arrangedObjects"), {});
    const int keyPaths = int(view->observedItemKeyPaths().size());
    EXPECT_EQ(debug::observationCount(a.get()), keyPaths);
    controller->setContent(Value(Array { va, vb }));
    EXPECT_EQ(debug::observationCount(a.get()), keyPaths);
    controller->setContent(Value(Array { vb }));
    EXPECT_EQ(debug::observationCount(a.get()), 0);
    // Back twice, then unbound, and again through the superview.
    controller->setContent(Value(Array { va, vb, va }));
    EXPECT_EQ(debug::observationCount(a.get()), keyPaths);
    EXPECT_EQ(view->observedItems().count(), 3); // the content as it stands
    view->setImageTitleKeyPath(QStringLiteral("imageItemTitle"));
    EXPECT_EQ(debug::observationCount(a.get()), keyPaths + 1);
    view->unbind(ContentArrayBinding);
    EXPECT_EQ(debug::observationCount(a.get()), 0);
    EXPECT_EQ(debug::observationCount(b.get()), 0);
    view->bindToObjectWithKeyPathOptions(ContentArrayBinding, controller.get(), QStringLiteral("arrangedObjects"), {});
    EXPECT_EQ(debug::observationCount(a.get()), keyPaths + 1);
    view->removeFromSuperview();
    EXPECT_EQ(debug::observationCount(a.get()), 0);
    EXPECT_EQ(view->observedItems().count(), 0);
}

} // namespace qv_flow_view_images_test
