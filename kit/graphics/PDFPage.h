#pragma once

// PDF documents and their pages, for drawing pages as pictures: page boxes, the transform that fits
// a box into a rectangle, and rendering to pixels with a transparent background. Pages are safe to
// use on any thread: every rendering takes one process-wide lock and opens its own document there.

#include "kit/core/Class.h"
#include "kit/core/Geometry.h"
#include "kit/core/Object.h"
#include "kit/graphics/AffineTransform.h"

#include <QByteArray>
#include <QImage>
#include <QString>

#include <vector>

namespace kit {

class PDFPage;

// The boxes of a page; this renderer knows only the media box, the others answer it.
enum PDFBox : int { PDFMediaBox = 0, PDFCropBox = 1, PDFBleedBox = 2, PDFTrimBox = 3, PDFArtBox = 4 };

class PDFDocument : public Object {
    KIT_CLASS(PDFDocument)
    // Null for data that is not a readable PDF with at least one page.
    static Ref<PDFDocument> createWithData(const QByteArray& data);
    static Ref<PDFDocument> createWithURL(const QString& path);

    int numberOfPages() const { return int(pageSizes_.size()); }
    // Pages count from 0; null outside.
    Ref<PDFPage> pageAtIndex(int index) const;
    const QByteArray& data() const { return data_; }

private:
    PDFDocument(QByteArray data, std::vector<Size> pageSizes)
        : data_(std::move(data))
        , pageSizes_(std::move(pageSizes))
    { }
    QByteArray data_;
    std::vector<Size> pageSizes_; // points
};

class PDFPage : public Object {
    KIT_CLASS(PDFPage)
    PDFPage(QByteArray data, int index, Size size)
        : data_(std::move(data))
        , index_(index)
        , size_(size)
    { }

    int pageIndex() const { return index_; }
    // In the page's own space (points, y up, origin zero).
    Rect boxRect(PDFBox box) const;
    // Maps `box` into `rect`, centred. Only reduces: a box smaller than the rectangle keeps its size.
    // `rotate` is a multiple of 90 degrees; only 0 turns nothing (others are taken as 0).
    CGAffineTransform drawingTransform(PDFBox box, Rect rect, int rotate, bool preserveAspectRatio) const;
    // Enlarges or reduces `box` uniformly to `width`, its lower-left corner at the origin:
    // x' = s·(x − box.x), the translation acting first.
    CGAffineTransform widthFittingTransform(PDFBox box, double width) const;
    // The page stretched over `pixels`, transparent where the page draws nothing; null when empty.
    QImage render(QSize pixels) const;

private:
    QByteArray data_;
    int index_;
    Size size_;
};

} // namespace kit
