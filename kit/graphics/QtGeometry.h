#pragma once

// Conversions between the kit's geometry values and Qt's, for the code that hands rectangles to Qt.

#include "kit/core/Geometry.h"

#include <QRectF>

namespace kit {

inline QRectF ToQRectF(Rect r) { return QRectF(r.origin.x, r.origin.y, r.size.width, r.size.height); }
inline Rect RectFromQRectF(const QRectF& r) { return MakeRect(r.x(), r.y(), r.width(), r.height()); }

} // namespace kit
