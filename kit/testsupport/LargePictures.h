#pragma once

// Camera-sized pictures as file data, each larger than the image decoding limit when decoded whole
// (4 bytes a pixel over 128 MB), for the views that must show them reduced. Made once per process.

#include <QByteArray>
#include <QColor>
#include <QImageReader>
#include <QSize>

#include <vector>

namespace kit::test {

struct LargePicture {
    const char* name;
    QSize size;
    // The left half is `left`, the right half `right`: a reduced picture keeps both.
    QColor left, right;
};

// An 8000 × 6000 JPEG and a 12000 × 3000 PNG.
const std::vector<LargePicture>& largePictures();
const QByteArray& largePictureData(const LargePicture& picture);

// Lowers the decoding limit (QImageReader's allocation limit) for its lifetime.
class DecodingLimitScope {
public:
    explicit DecodingLimitScope(int megabytes)
        : previous_(QImageReader::allocationLimit())
    {
        QImageReader::setAllocationLimit(megabytes);
    }
    ~DecodingLimitScope() { QImageReader::setAllocationLimit(previous_); }
    DecodingLimitScope(const DecodingLimitScope&) = delete;
    DecodingLimitScope& operator=(const DecodingLimitScope&) = delete;

private:
    int previous_;
};

} // namespace kit::test
