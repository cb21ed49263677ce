#include "kit/graphics/PDFPage.h"

#include <QBuffer>
#include <QFile>
#include <QPdfDocument>

#include <algorithm>
#include <mutex>

namespace kit {

KIT_REGISTER_CLASS(PDFDocument, Object) { }
KIT_REGISTER_CLASS(PDFPage, Object) { }

namespace {

// The PDF engine keeps process-wide state: one document operation at a time.
std::mutex& pdfLock()
{
    static std::mutex lock;
    return lock;
}

// A document object lives on the thread that opens it; callers hold pdfLock().
bool openDocument(QPdfDocument& document, QBuffer& buffer)
{
    buffer.open(QIODevice::ReadOnly);
    document.load(&buffer);
    return document.status() == QPdfDocument::Status::Ready && document.pageCount() > 0;
}

} // namespace

Ref<PDFDocument> PDFDocument::createWithData(const QByteArray& data)
{
    if (!data.startsWith("%PDF"))
        return nullptr;
    std::vector<Size> sizes;
    {
        std::lock_guard lock(pdfLock());
        QBuffer buffer;
        buffer.setData(data);
        QPdfDocument document;
        if (!openDocument(document, buffer))
            return nullptr;
        for (int i = 0; i < document.pageCount(); ++i) {
            const QSizeF size = document.pagePointSize(i);
            sizes.push_back(MakeSize(size.width(), size.height()));
        }
        document.close();
    }
    return Ref<PDFDocument>(new PDFDocument(data, std::move(sizes)), adopt);
}

Ref<PDFDocument> PDFDocument::createWithURL(const QString& path)
{
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return nullptr;
    return createWithData(file.readAll());
}

Ref<PDFPage> PDFDocument::pageAtIndex(int index) const
{
    if (index < 0 || index >= numberOfPages())
        return nullptr;
    return make<PDFPage>(data_, index, pageSizes_[size_t(index)]);
}

Rect PDFPage::boxRect(PDFBox) const { return MakeRect(0, 0, size_.width, size_.height); }

CGAffineTransform PDFPage::drawingTransform(PDFBox box, Rect rect, int, bool preserveAspectRatio) const
{
    const Rect b = boxRect(box);
    if (b.size.width <= 0 || b.size.height <= 0)
        return {};
    double sx = std::min(1.0, rect.size.width / b.size.width);
    double sy = std::min(1.0, rect.size.height / b.size.height);
    if (preserveAspectRatio)
        sx = sy = std::min(sx, sy);
    // Centre on centre: x' = sx·(x − b.midX) + rect.midX.
    return { sx, 0, 0, sy, rect.midX() - sx * b.midX(), rect.midY() - sy * b.midY() };
}

CGAffineTransform PDFPage::widthFittingTransform(PDFBox box, double width) const
{
    const Rect b = boxRect(box);
    if (b.size.width <= 0)
        return {};
    const double s = width / b.size.width;
    return CGAffineTransform::makeTranslation(-b.origin.x, -b.origin.y).concat(CGAffineTransform::makeScale(s, s));
}

QImage PDFPage::render(QSize pixels) const
{
    if (pixels.isEmpty())
        return {};
    std::lock_guard lock(pdfLock());
    QBuffer buffer;
    buffer.setData(data_);
    QPdfDocument document;
    if (!openDocument(document, buffer))
        return {};
    QImage image = document.render(index_, pixels);
    document.close();
    return image.isNull() ? image : image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

} // namespace kit
