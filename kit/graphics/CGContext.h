#pragma once

// The graphics layer's drawing context: radians, y up, and explicit paths. A CGContext either
// views a GraphicsContext (its graphicsPort: same painter, CTM and clip) or owns a bitmap
// (createBitmap), which is always premultiplied ARGB32 with the origin at the bottom-left.

#include "kit/core/Class.h"
#include "kit/core/Geometry.h"
#include "kit/core/Object.h"
#include "kit/graphics/AffineTransform.h"
#include "kit/graphics/Color.h"
#include "kit/graphics/GraphicsState.h"

#include <QImage>
#include <QPainterPath>

#include <memory>
#include <vector>

namespace kit {

class CGImage;
class GraphicsContext;
class PDFPage;
class Shading;

// A path of the graphics layer (move, line, rectangle, close).
class CGPath : public Object {
    KIT_CLASS(CGPath)
    static Ref<CGPath> createMutable() { return make<CGPath>(); }
    void moveToPoint(double x, double y) { path_.moveTo(x, y); }
    void addLineToPoint(double x, double y) { path_.lineTo(x, y); }
    void addRect(Rect r) { path_.addRect(r.origin.x, r.origin.y, r.size.width, r.size.height); }
    void closeSubpath() { path_.closeSubpath(); }
    const QPainterPath& qtPath() const { return path_; }

private:
    QPainterPath path_;
};

enum CGBlendMode : int { CGBlendModeNormal = 0, CGBlendModeMultiply = 1 };

class CGContext : public Object {
    KIT_CLASS(CGContext)
    explicit CGContext(Ref<GraphicsContext> context);
    ~CGContext() override;

    // A bitmap context of width × height pixels, transparent, y up. Null when either is zero.
    static Ref<CGContext> createBitmap(int width, int height);
    // An independent snapshot of a bitmap context's pixels; null for a context without a bitmap.
    Ref<CGImage> createImage() const;
    int width() const;
    int height() const;

    Ref<GraphicsContext> context() const { return context_; }

    void saveGState();
    void restoreGState();
    void concatCTM(const CGAffineTransform& t);
    void translateCTM(double dx, double dy);
    void scaleCTM(double sx, double sy);
    void rotateCTM(double radians);
    CGAffineTransform getCTM() const;

    void setShouldAntialias(bool on);
    void setBlendMode(CGBlendMode mode);
    void setFillColor(const CGColor& c);
    void setFillColorWithColor(const Color& c);
    void setStrokeColor(const CGColor& c);
    void setGrayFillColor(double gray, double alpha);
    void setRGBFillColor(double r, double g, double b, double a);
    void setLineWidth(double w) { lineWidth_ = w; }

    void fillRect(Rect r);
    void clearRect(Rect r);
    void fillEllipseInRect(Rect r);
    void strokeEllipseInRect(Rect r);
    void strokeRect(Rect r);

    // The current path.
    void beginPath() { path_ = QPainterPath(); }
    void moveToPoint(double x, double y) { path_.moveTo(x, y); }
    void addLineToPoint(double x, double y) { path_.lineTo(x, y); }
    void addRect(Rect r) { path_.addRect(r.origin.x, r.origin.y, r.size.width, r.size.height); }
    void addPath(const CGPath& p) { path_.addPath(p.qtPath()); }
    // Radians; `clockwise` is relative to a y-up space (the sweep turns from +y towards +x).
    void addArc(double x, double y, double radius, double startAngle, double endAngle, bool clockwise);
    void closePath() { path_.closeSubpath(); }
    void fillPath();
    void eoFillPath();
    void strokePath();
    void clip();

    // Everything drawn afterwards (until restoreGState) is masked by `mask`'s alpha stretched over `r`.
    void clipToMask(Rect r, const Ref<CGImage>& mask);
    // Draws `image` to fill `r` under the full CTM (no upright correction: y up shows it upright).
    void drawImage(Rect r, const Ref<CGImage>& image);
    void drawShading(const Shading& shading);
    // Draws the page's media box (y up, origin zero) under the CTM; no background is painted.
    void drawPDFPage(const Ref<PDFPage>& page);

private:
    struct MaskLayer;
    void fillCurrent(Qt::FillRule rule);
    GraphicsState& state();

    Ref<GraphicsContext> context_;
    std::unique_ptr<QImage> bitmap_; // owned pixels of a bitmap context
    QPainterPath path_;
    double lineWidth_ = 1;
    int depth_ = 0; // saveGState nesting
    std::vector<std::unique_ptr<MaskLayer>> masks_;
};

} // namespace kit
