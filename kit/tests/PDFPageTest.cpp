#include "kit/graphics/PDFPage.h"

#include "kit/graphics/CGContext.h"
#include "kit/graphics/CGImage.h"
#include "kit/graphics/Image.h"
#include "kit/graphics/ImageSource.h"
#include "kit/tests/GraphicsTestSupport.h"

#include <QBuffer>
#include <QFile>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <thread>

using namespace kit;
using kit::test::Canvas;
using kit::test::pixelUp;

namespace {

// A one-page PDF of 200 × 100 points whose top-left quarter is red and the rest left blank.
QByteArray makePDF()
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setPageSize(QPageSize(QSizeF(200, 100), QPageSize::Point));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setResolution(72);
        QPainter painter(&writer);
        painter.fillRect(QRectF(0, 0, 100, 50), Qt::red);
    }
    return bytes;
}

Ref<PDFPage> firstPage()
{
    auto document = PDFDocument::createWithData(makePDF());
    return document ? document->pageAtIndex(0) : nullptr;
}

bool isRed(QColor c) { return c.red() > 200 && c.green() < 60 && c.blue() < 60; }
bool isWhite(QColor c) { return c.red() > 240 && c.green() > 240 && c.blue() > 240; }

} // namespace

TEST(PDFPage, MediaBoxIsThePageSizeInPoints)
{
    auto document = PDFDocument::createWithData(makePDF());
    ASSERT_TRUE(document);
    EXPECT_EQ(document->numberOfPages(), 1);
    EXPECT_FALSE(document->pageAtIndex(1));
    auto page = document->pageAtIndex(0);
    ASSERT_TRUE(page);
    EXPECT_EQ(page->boxRect(PDFMediaBox), MakeRect(0, 0, 200, 100));
}

TEST(PDFPage, NonPDFDataGivesNoDocumentAndNoImage)
{
    for (const QByteArray& data : { QByteArray("%PDF-1.4 garbage that is no document"), QByteArray("hello"), QByteArray() }) {
        EXPECT_FALSE(PDFDocument::createWithData(data)) << data.constData();
        EXPECT_FALSE(Image::imageWithData(data)) << data.constData();
    }
}

struct TransformCase {
    Rect rect;
    CGAffineTransform expected;
};

class PDFDrawingTransform : public ::testing::TestWithParam<TransformCase> { };

TEST_P(PDFDrawingTransform, CentresAndOnlyReduces)
{
    auto page = firstPage();
    ASSERT_TRUE(page);
    EXPECT_EQ(page->drawingTransform(PDFMediaBox, GetParam().rect, 0, true), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, PDFDrawingTransform,
    ::testing::Values(
        // Half the width fits: scale 0.5, centred vertically.
        TransformCase { MakeRect(0, 0, 100, 100), { 0.5, 0, 0, 0.5, 0, 25 } },
        // Larger in both directions: natural size, centred.
        TransformCase { MakeRect(10, 20, 400, 300), { 1, 0, 0, 1, 110, 120 } },
        // Wider but too low: the height decides.
        TransformCase { MakeRect(0, 0, 400, 50), { 0.5, 0, 0, 0.5, 150, 0 } }));

TEST(PDFPage, WidthFittingTransformTranslatesBeforeScaling)
{
    auto page = firstPage();
    ASSERT_TRUE(page);
    const CGAffineTransform t = page->widthFittingTransform(PDFMediaBox, 400);
    EXPECT_EQ(t, (CGAffineTransform { 2, 0, 0, 2, 0, 0 }));
    // x' = s·(x − M.x): the translation is not scaled after the fact.
    const CGAffineTransform composed = CGAffineTransform::makeTranslation(-10, -5).concat(CGAffineTransform::makeScale(2, 2));
    EXPECT_EQ(composed.applyToPoint(MakePoint(10, 5)), MakePoint(0, 0));
}

TEST(PDFPage, DrawsWhereTheTransformSaysWithoutBackground)
{
    auto page = firstPage();
    ASSERT_TRUE(page);
    Canvas canvas(100, 100, false);
    {
        auto cg = canvas.context->graphicsPort();
        cg->concatCTM(page->drawingTransform(PDFMediaBox, MakeRect(0, 0, 100, 100), 0, true));
        cg->drawPDFPage(page);
    }
    const QImage& image = canvas.finish();
    // The page covers y 25...75; its red top-left quarter is x 0...50, y 50...75.
    EXPECT_TRUE(isRed(pixelUp(image, 25, 62)));
    EXPECT_TRUE(isWhite(pixelUp(image, 75, 62)));
    EXPECT_TRUE(isWhite(pixelUp(image, 25, 37)));
    EXPECT_TRUE(isWhite(pixelUp(image, 25, 85)));
}

TEST(PDFPage, EnlargedPageKeepsTheSameLayout)
{
    auto page = firstPage();
    ASSERT_TRUE(page);
    Canvas canvas(400, 200, false, Qt::blue);
    {
        auto cg = canvas.context->graphicsPort();
        cg->concatCTM(page->widthFittingTransform(PDFMediaBox, 400));
        cg->drawPDFPage(page);
    }
    const QImage& image = canvas.finish();
    EXPECT_TRUE(isRed(pixelUp(image, 10, 190)));
    EXPECT_TRUE(isRed(pixelUp(image, 190, 110)));
    // No background: the blank part of the page shows the canvas.
    EXPECT_EQ(pixelUp(image, 210, 110), QColor(Qt::blue));
    EXPECT_EQ(pixelUp(image, 190, 90), QColor(Qt::blue));
}

TEST(PDFPage, ImageFromDataIsTheFirstPage)
{
    auto image = Image::imageWithData(makePDF());
    ASSERT_TRUE(image);
    EXPECT_EQ(image->size(), MakeSize(200, 100));
    auto cg = image->CGImageForProposedRectContextHints(nullptr);
    ASSERT_TRUE(cg);
    const QImage pixels = kit::test::unpremultiplied(cg->image());
    EXPECT_TRUE(isRed(kit::test::pixel(pixels, pixels.width() / 4, pixels.height() / 4)));
    EXPECT_EQ(kit::test::pixel(pixels, pixels.width() * 3 / 4, pixels.height() * 3 / 4).alpha(), 0);
}

TEST(PDFPage, ThumbnailOfAPDFIsItsFirstPageReduced)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("page.pdf");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(makePDF());
    file.close();
    auto thumbnail = ThumbnailImageCreate(path, 50);
    ASSERT_TRUE(thumbnail);
    const QImage pixels = kit::test::unpremultiplied(thumbnail->image());
    EXPECT_EQ(pixels.size(), QSize(50, 25));
    EXPECT_TRUE(isRed(kit::test::pixel(pixels, 10, 5)));
    EXPECT_TRUE(isWhite(kit::test::pixel(pixels, 40, 20)));
}

TEST(PDFPage, WorkerRendersWhileMainThreadRenders)
{
    auto page = firstPage();
    ASSERT_TRUE(page);
    const QImage reference = page->render(QSize(40, 20));
    ASSERT_FALSE(reference.isNull());
    bool workerSame = true;
    std::thread worker([&] {
        auto own = PDFDocument::createWithData(makePDF());
        for (int i = 0; i < 10; ++i)
            workerSame = workerSame && own && own->pageAtIndex(0)->render(QSize(40, 20)) == reference;
    });
    bool mainSame = true;
    for (int i = 0; i < 10; ++i)
        mainSame = mainSame && page->render(QSize(40, 20)) == reference;
    worker.join();
    EXPECT_TRUE(mainSame);
    EXPECT_TRUE(workerSame);
}
