#pragma once

// Drawing fixtures for the graphics tests: a white image with a current context set up the way a
// view's would be (y up unless flipped), and a recording context for "what was drawn" checks.

#include "kit/graphics/GraphicsContext.h"
#include "kit/graphics/RecordingBackend.h"
#include "kit/testsupport/PixelProbe.h"

#include <QImage>

#include <memory>
#include <optional>
#include <ostream>

// Readable QStrings in assertion messages.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace kit::test {

// A width × height canvas whose context is current while the canvas lives (or until finish()).
class Canvas {
public:
    Canvas(int width, int height, bool flipped, QColor background = Qt::white, double scale = 1.0)
        : image(int(width * scale), int(height * scale), QImage::Format_ARGB32_Premultiplied)
    {
        image.fill(background);
        context = GraphicsContext::graphicsContextWithImage(&image, flipped);
        if (flipped)
            context->setCTM(AffineTransform(AffineTransformStruct { scale, 0, 0, scale, 0, 0 }));
        else
            context->setCTM(AffineTransform(AffineTransformStruct { scale, 0, 0, -scale, 0, height * scale }));
        scope.emplace(context);
    }
    ~Canvas() { finish(); }

    // Ends drawing (the painter) and answers the pixels, unpremultiplied for probing.
    const QImage& finish()
    {
        if (context) {
            scope.reset();
            context = nullptr;
            image = image.convertToFormat(QImage::Format_ARGB32);
        }
        return image;
    }

    QImage image;
    Ref<GraphicsContext> context;
    std::optional<GraphicsContext::Scope> scope;
};

// A current context over a recording backend, with the given CTM.
class Recorder {
public:
    explicit Recorder(bool flipped = false, QSize device = QSize(200, 100))
        : backend(std::make_shared<RecordingBackend>(device))
        , context(GraphicsContext::graphicsContextWithBackend(backend, flipped))
        , scope(context)
    {
        if (!flipped)
            context->setCTM(AffineTransform(AffineTransformStruct { 1, 0, 0, -1, 0, double(device.height()) }));
    }
    std::vector<DrawRecord>& records() { return backend->records; }

    std::shared_ptr<RecordingBackend> backend;
    Ref<GraphicsContext> context;
    GraphicsContext::Scope scope;
};

// Probes read raw pixels, so premultiplied images are converted first.
inline QImage unpremultiplied(const QImage& image) { return image.convertToFormat(QImage::Format_ARGB32); }

// Pixel (x, y) of `image` counting y up from the bottom row, as y-up drawing code thinks of it.
inline QColor pixelUp(const QImage& image, int x, int y) { return pixel(image, x, image.height() - 1 - y); }

} // namespace kit::test
