#pragma once

// Where a top-level widget takes clicks on X11: its input shape (SHAPE extension), apart from what
// it draws. A translucent window under a compositing manager keeps its soft edge and still lets
// clicks through its transparent parts.

#include <QRegion>

#include <optional>

class QWidget;

namespace kit {

// Clicks reach `widget` only inside `region` (widget coordinates); nullopt takes them everywhere
// again. Kept with the widget and set again whenever its native window is made anew. Does nothing
// off the xcb platform or without the extension.
void setInputShape(QWidget* widget, std::optional<QRegion> region);

enum class ShapeKind { Bounding, Input };
// A shape of the native X window `window` in its pixels, as the server holds it (an unshaped
// window answers its whole rectangle); nullopt off the xcb platform. For tests and diagnostics.
std::optional<QRegion> shapeOnServer(unsigned long window, ShapeKind kind);

} // namespace kit
