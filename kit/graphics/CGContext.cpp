#include "kit/graphics/CGContext.h"

#include "kit/graphics/BezierPath.h"
#include "kit/graphics/CGImage.h"
#include "kit/graphics/Gradient.h"
#include "kit/graphics/GraphicsContext.h"
#include "kit/graphics/Image.h"
#include "kit/graphics/PDFPage.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace kit {

// Drawing after clipToMask goes into this transparent layer; restoreGState masks it and
// composites it onto the context underneath.
struct CGContext::MaskLayer {
    QImage pixels;
    Ref<GraphicsContext> underneath;
    QTransform ctm;
    Rect rect;
    Ref<CGImage> mask;
    int depth = 0;
};

KIT_REGISTER_CLASS(CGPath, Object) { }
KIT_REGISTER_CLASS(CGContext, Object) { }

CGContext::CGContext(Ref<GraphicsContext> context)
    : context_(std::move(context))
{ }

CGContext::~CGContext()
{
    while (!masks_.empty()) {
        depth_ = masks_.back()->depth - 1;
        restoreGState();
    }
    context_ = nullptr; // ends the painter before the bitmap goes
}

Ref<CGContext> CGContext::createBitmap(int width, int height)
{
    if (width <= 0 || height <= 0 || BitmapPixelsForSize(MakeSize(width, height), 1).isEmpty())
        return nullptr;
    auto bitmap = std::make_unique<QImage>(width, height, QImage::Format_ARGB32_Premultiplied);
    if (bitmap->isNull())
        return nullptr;
    bitmap->fill(Qt::transparent);
    auto context = GraphicsContext::graphicsContextWithImage(bitmap.get(), false);
    context->setCTM(AffineTransform(AffineTransformStruct { 1, 0, 0, -1, 0, double(height) }));
    auto port = make<CGContext>(std::move(context));
    port->bitmap_ = std::move(bitmap);
    return port;
}

Ref<CGImage> CGContext::createImage() const
{
    if (!bitmap_)
        return nullptr;
    return CGImage::create(bitmap_->copy());
}

int CGContext::width() const { return bitmap_ ? bitmap_->width() : context_->backend().deviceSize().width(); }
int CGContext::height() const { return bitmap_ ? bitmap_->height() : context_->backend().deviceSize().height(); }

GraphicsState& CGContext::state() { return context_->core_->state; }

void CGContext::saveGState()
{
    context_->saveGraphicsState();
    ++depth_;
}

void CGContext::restoreGState()
{
    if (depth_ > 0)
        --depth_;
    if (!masks_.empty() && masks_.back()->depth > depth_) {
        std::unique_ptr<MaskLayer> layer = std::move(masks_.back());
        masks_.pop_back();
        context_ = layer->underneath; // ends the layer's painter
        {
            QPainter p(&layer->pixels);
            p.setCompositionMode(QPainter::CompositionMode_DestinationIn);
            p.setRenderHint(QPainter::SmoothPixmapTransform);
            const Rect r = layer->rect;
            p.setWorldTransform(QTransform(1, 0, 0, -1, 0, r.minY() + r.maxY()) * layer->ctm);
            p.drawImage(QRectF(r.origin.x, r.origin.y, r.size.width, r.size.height), layer->mask->image());
        }
        GraphicsState s = context_->state();
        s.ctm = QTransform();
        s.operation = CompositeSourceOver;
        s.shadow = {};
        const QRectF all(QPointF(0, 0), QSizeF(layer->pixels.size()));
        context_->backend().drawImage(layer->pixels, all, all, QTransform(), 1.0, s);
    }
    context_->restoreGraphicsState();
}

void CGContext::concatCTM(const CGAffineTransform& t) { state().ctm = t.toQTransform() * state().ctm; }
void CGContext::translateCTM(double dx, double dy) { concatCTM(CGAffineTransform::makeTranslation(dx, dy)); }
void CGContext::scaleCTM(double sx, double sy) { concatCTM(CGAffineTransform::makeScale(sx, sy)); }
void CGContext::rotateCTM(double radians) { concatCTM(CGAffineTransform().rotate(radians)); }

CGAffineTransform CGContext::getCTM() const
{
    const QTransform& m = context_->state().ctm;
    return { m.m11(), m.m12(), m.m21(), m.m22(), m.dx(), m.dy() };
}

void CGContext::setShouldAntialias(bool on) { context_->setShouldAntialias(on); }
void CGContext::setBlendMode(CGBlendMode mode)
{
    context_->setCompositingOperation(mode == CGBlendModeMultiply ? CompositeMultiplyBlend : CompositeSourceOver);
}
void CGContext::setFillColor(const CGColor& c) { context_->setFillColor(Color::colorWithDeviceRedGreenBlueAlpha(c.r, c.g, c.b, c.a)); }
void CGContext::setFillColorWithColor(const Color& c) { context_->setFillColor(Ref<Color>(const_cast<Color*>(&c))); }
void CGContext::setStrokeColor(const CGColor& c) { context_->setStrokeColor(Color::colorWithDeviceRedGreenBlueAlpha(c.r, c.g, c.b, c.a)); }
void CGContext::setGrayFillColor(double gray, double alpha) { context_->setFillColor(Color::colorWithDeviceWhiteAlpha(gray, alpha)); }
void CGContext::setRGBFillColor(double r, double g, double b, double a) { setFillColor({ r, g, b, a }); }

void CGContext::fillRect(Rect r)
{
    QPainterPath p;
    p.addRect(r.origin.x, r.origin.y, r.size.width, r.size.height);
    context_->fillPathWithBrush(p, context_->brushForColor(context_->fillColor().get()));
}

void CGContext::clearRect(Rect r)
{
    QPainterPath p;
    p.addRect(r.origin.x, r.origin.y, r.size.width, r.size.height);
    GraphicsState s = context_->state();
    s.operation = CompositeClear;
    s.shadow = {};
    context_->backend().fillPath(p, QBrush(Qt::black), s);
}

void CGContext::fillEllipseInRect(Rect r)
{
    QPainterPath p;
    p.addEllipse(r.origin.x, r.origin.y, r.size.width, r.size.height);
    context_->fillPathWithBrush(p, context_->brushForColor(context_->fillColor().get()));
}

void CGContext::strokeEllipseInRect(Rect r)
{
    beginPath();
    path_.addEllipse(r.origin.x, r.origin.y, r.size.width, r.size.height);
    strokePath();
}

void CGContext::strokeRect(Rect r)
{
    beginPath();
    addRect(r);
    strokePath();
}

void CGContext::addArc(double x, double y, double radius, double startAngle, double endAngle, bool clockwise)
{
    BezierPath arc;
    arc.appendBezierPathWithArcWithCenterRadiusStartAngleEndAngleClockwise(
        { x, y }, radius, startAngle * 180 / std::numbers::pi, endAngle * 180 / std::numbers::pi, clockwise);
    Point pts[3];
    for (int i = 0; i < arc.elementCount(); ++i) {
        switch (arc.elementAtIndexAssociatedPoints(i, pts)) {
        case MoveToBezierPathElement:
            if (path_.elementCount() > 0)
                path_.lineTo(pts[0].x, pts[0].y);
            else
                path_.moveTo(pts[0].x, pts[0].y);
            break;
        case CurveToBezierPathElement:
            path_.cubicTo(pts[0].x, pts[0].y, pts[1].x, pts[1].y, pts[2].x, pts[2].y);
            break;
        default:
            break;
        }
    }
}

void CGContext::fillCurrent(Qt::FillRule rule)
{
    path_.setFillRule(rule);
    context_->fillPathWithBrush(path_, context_->brushForColor(context_->fillColor().get()));
    beginPath();
}

void CGContext::fillPath() { fillCurrent(Qt::WindingFill); }
void CGContext::eoFillPath() { fillCurrent(Qt::OddEvenFill); }

void CGContext::strokePath()
{
    QPen pen(context_->brushForColor(context_->strokeColor().get()), lineWidth_ <= 0 ? 0.0 : lineWidth_);
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::SvgMiterJoin);
    context_->strokePath(path_, pen);
    beginPath();
}

void CGContext::clip()
{
    context_->clipToPath(path_);
    beginPath();
}

void CGContext::clipToMask(Rect r, const Ref<CGImage>& mask)
{
    if (!mask)
        return;
    auto layer = std::make_unique<MaskLayer>();
    QSize size = context_->backend().deviceSize();
    if (!size.isValid() || size.isEmpty())
        size = QSize(1, 1);
    layer->pixels = QImage(size, QImage::Format_ARGB32_Premultiplied);
    layer->pixels.fill(Qt::transparent);
    layer->underneath = context_;
    layer->ctm = context_->state().ctm;
    layer->rect = r;
    layer->mask = mask;
    layer->depth = depth_;
    auto drawing = GraphicsContext::graphicsContextWithImage(&layer->pixels, context_->isFlipped());
    drawing->core_->state = context_->state();
    drawing->core_->state.clipSerial = drawing->core_->nextClipSerial++;
    context_ = std::move(drawing);
    masks_.push_back(std::move(layer));
}

void CGContext::drawImage(Rect r, const Ref<CGImage>& image)
{
    if (!image || IsEmptyRect(r))
        return;
    GraphicsState s = context_->state();
    const QRectF target(r.origin.x, r.origin.y, r.size.width, r.size.height);
    context_->backend().drawImage(
        image->image(), QRectF(image->image().rect()), target, QTransform(1, 0, 0, -1, 0, r.minY() + r.maxY()), 1.0, s);
}

void CGContext::drawPDFPage(const Ref<PDFPage>& page)
{
    if (!page)
        return;
    const Rect box = page->boxRect(PDFMediaBox);
    const QRectF target(box.origin.x, box.origin.y, box.size.width, box.size.height);
    // Rendered at the size the box covers on the device, so scaling keeps the page sharp.
    const QSizeF device = state().ctm.mapRect(target).size();
    constexpr double maxSide = 8192;
    const double shrink = std::min(1.0, maxSide / std::max({ device.width(), device.height(), 1.0 }));
    const QSize pixels = BitmapPixelsForSize(MakeSize(device.width() * shrink, device.height() * shrink), 1, BitmapLimit::Fit);
    const QImage image = page->render(pixels);
    if (image.isNull())
        return;
    GraphicsState s = state();
    context_->backend().drawImage(image, QRectF(image.rect()), target, QTransform(1, 0, 0, -1, 0, target.top() + target.bottom()), 1.0, s);
}

void CGContext::drawShading(const Shading& shading)
{
    // Limited to the device so the huge band stays cheap to rasterise; the clip limits it further.
    QPainterPath device;
    device.addRect(QRectF(QPointF(-1, -1), QSizeF(context_->backend().deviceSize()) + QSizeF(2, 2)));
    const QPainterPath area = shading.area().intersected(context_->state().ctm.inverted().map(device));
    context_->fillPathWithBrush(area, shading.brush());
}

} // namespace kit
