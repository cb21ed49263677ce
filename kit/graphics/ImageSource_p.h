#pragma once

// Reading pictures smaller than they are stored, a few rows at a time, so that a picture whose
// whole decode would pass the allocation limit still gives a thumbnail.

#include <QByteArray>
#include <QImage>
#include <QSize>

namespace kit::imagesource {

// The PNG in `data` averaged down to `size` (each side at most the picture's own), premultiplied;
// null for data libpng refuses, an interlaced picture (its passes need the whole picture at once),
// or a size larger than the picture.
QImage readPNGReduced(const QByteArray& data, QSize size);

} // namespace kit::imagesource
