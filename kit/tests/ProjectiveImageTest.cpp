#include "kit/graphics/GraphicsContext.h"
#include "kit/graphics/ProjectiveImage.h"
#include "kit/graphics/ProjectiveImageSpan.h"
#include "kit/testsupport/PixelProbe.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <thread>
#include <tuple>

namespace projective_image_test {

using namespace kit;

constexpr int SourceWidth = 160, SourceHeight = 120, CanvasSize = 240;

// Gradients, a grid of dark lines, a translucent disc and a transparent corner: every kind of
// pixel a picture has.
QImage pattern()
{
    QImage image(SourceWidth, SourceHeight, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < SourceHeight; ++y)
        for (int x = 0; x < SourceWidth; ++x)
            image.setPixel(x, y, qRgba(x * 255 / SourceWidth, y * 255 / SourceHeight, 128, 255));
    QPainter p(&image);
    p.setPen(QPen(QColor(20, 20, 20), 1));
    for (int x = 10; x < SourceWidth; x += 20)
        p.drawLine(x, 0, x, SourceHeight);
    for (int y = 10; y < SourceHeight; y += 20)
        p.drawLine(0, y, SourceWidth, y);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 120));
    p.drawEllipse(QPointF(80, 60), 40, 30);
    p.setCompositionMode(QPainter::CompositionMode_Clear);
    p.fillRect(QRect(0, 0, 24, 16), Qt::transparent);
    return image;
}

QTransform quadMap(const QPolygonF& quad)
{
    QTransform t;
    const QPolygonF rect({ QPointF(0, 0), QPointF(SourceWidth, 0), QPointF(SourceWidth, SourceHeight), QPointF(0, SourceHeight) });
    EXPECT_TRUE(QTransform::quadToQuad(rect, quad, t));
    return t;
}

QImage canvas()
{
    QImage image(CanvasSize, CanvasSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(250, 250, 250));
    return image;
}

QImage drawnByPainter(const QTransform& map, double opacity, bool antialias = true)
{
    QImage out = canvas();
    QPainter p(&out);
    p.setRenderHint(QPainter::Antialiasing, antialias);
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
    p.setOpacity(opacity);
    p.setWorldTransform(map);
    p.drawImage(QPointF(0, 0), pattern());
    return out;
}

QImage drawnDirect(const QTransform& map, double opacity, bool antialias = true)
{
    QImage out = canvas();
    EXPECT_TRUE(projectiveimage::DrawInto(out, out.rect(), pattern(), pattern().rect(), map, opacity, true, antialias));
    return out;
}

// How far inside the picture's outline a device pixel centre lies, in device pixels (negative
// outside), measured by the distance to the nearest mapped edge.
double depthInside(const QPolygonF& quad, QPointF p)
{
    double depth = 1e9;
    bool inside = quad.containsPoint(p, Qt::OddEvenFill);
    for (int i = 0; i < 4; ++i) {
        const QPointF a = quad[i], b = quad[(i + 1) % 4];
        const QPointF ab = b - a;
        const double t = std::clamp(QPointF::dotProduct(p - a, ab) / QPointF::dotProduct(ab, ab), 0.0, 1.0);
        const QPointF nearest = a + t * ab;
        depth = std::min(depth, std::hypot(p.x() - nearest.x(), p.y() - nearest.y()));
    }
    return inside ? depth : -depth;
}

int channelDifference(QRgb a, QRgb b)
{
    return std::max({ std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b)),
        std::abs(qAlpha(a) - qAlpha(b)) });
}

struct Comparison {
    int interior = 0; // largest difference more than 1.5 px inside the outline
    int edge = 0; // within 1.5 px of it
    int outside = 0; // more than 1.5 px outside
};

Comparison compare(const QImage& a, const QImage& b, const QPolygonF& quad)
{
    Comparison c;
    for (int y = 0; y < CanvasSize; ++y)
        for (int x = 0; x < CanvasSize; ++x) {
            const int diff = channelDifference(a.pixel(x, y), b.pixel(x, y));
            const double depth = depthInside(quad, QPointF(x + 0.5, y + 0.5));
            int& slot = depth > 1.5 ? c.interior : depth < -1.5 ? c.outside : c.edge;

            slot = std::max(slot, diff);
        }
    return c;
}

struct MapCase {
    const char* name;
    QPolygonF quad; // top-left, top-right, bottom-right, bottom-left of the picture on the canvas
};

class ProjectiveImageMatch : public testing::TestWithParam<MapCase> { };

// Sampling each device pixel from the inverse map gives the painter's own projective drawing.
// Inside the picture within 8 levels per channel: both sample bilinearly at pixel centres, and
// positions agree to 1/32 texel, which moves a one-texel dark line by up to 7 levels (an error of
// a quarter texel shows as 50 and more). Along the outline within a third of the range (coverage
// is worked out differently); nothing at all outside it.
TEST_P(ProjectiveImageMatch, SamePixelsAsThePaintersProjectiveDrawing)
{
    const QPolygonF& quad = GetParam().quad;
    const QTransform map = quadMap(quad);
    ASSERT_EQ(map.type(), QTransform::TxProject);
    for (double opacity : { 1.0, 0.5 }) {
        const Comparison c = compare(drawnByPainter(map, opacity), drawnDirect(map, opacity), quad);
        EXPECT_LE(c.interior, 8) << GetParam().name << " opacity " << opacity;
        EXPECT_LE(c.edge, 85) << GetParam().name << " opacity " << opacity;
        EXPECT_EQ(c.outside, 0) << GetParam().name << " opacity " << opacity;
    }
}

INSTANTIATE_TEST_SUITE_P(Maps, ProjectiveImageMatch,
    testing::Values(
        // Turned away to the right, as a side picture: the far edge short.
        MapCase { "turnedRight", QPolygonF({ QPointF(20, 20), QPointF(200, 60), QPointF(200, 170), QPointF(20, 220) }) },
        MapCase { "turnedLeft", QPolygonF({ QPointF(30, 70), QPointF(220, 10), QPointF(220, 230), QPointF(30, 160) }) },
        // Its reflection: the same turned picture upside down (a mirroring map).
        MapCase { "mirrored", QPolygonF({ QPointF(20, 220), QPointF(200, 170), QPointF(200, 60), QPointF(20, 20) }) },
        // Tilted back, enlarged near the bottom (magnified there).
        MapCase { "tiltedBack", QPolygonF({ QPointF(80, 30), QPointF(160, 30), QPointF(235, 235), QPointF(5, 235) }) },
        // Small and steep: strongly minified.
        MapCase { "small", QPolygonF({ QPointF(100, 100), QPointF(140, 112), QPointF(140, 130), QPointF(100, 150) }) }),
    [](const testing::TestParamInfo<MapCase>& info) { return std::string(info.param.name); });

// A one-texel line of the picture lands where the map sends it, on every row: what decides
// whether a picture in perspective looks straight or bent.
TEST(ProjectiveImage, ALineLandsWhereTheMapSendsIt)
{
    QImage picture(SourceWidth, SourceHeight, QImage::Format_RGB32);
    picture.fill(Qt::white);
    for (int y = 0; y < SourceHeight; ++y)
        picture.setPixel(100, y, qRgb(0, 0, 0));
    const QTransform map = quadMap(QPolygonF({ QPointF(20, 20), QPointF(200, 60), QPointF(200, 170), QPointF(20, 220) }));
    QImage out = canvas();
    ASSERT_TRUE(projectiveimage::DrawInto(out, out.rect(), picture, picture.rect(), map, 1, true, true));
    for (int sy = 5; sy < SourceHeight - 5; sy += 10) {
        // The line's centre, texel 100's middle, on the device.
        const QPointF expected = map.map(QPointF(100.5, sy + 0.5));
        const int row = int(expected.y());
        int darkest = 0;
        for (int x = 0; x < CanvasSize; ++x)
            if (qGray(out.pixel(x, row)) < qGray(out.pixel(darkest, row)))
                darkest = x;
        EXPECT_LE(std::abs(darkest + 0.5 - expected.x()), 1.0) << "source row " << sy;
    }
}

// Through a graphics context: a picture under a projective CTM takes the direct path, keeps to a
// rectangular clip, and falls back to the painter for any other clip with the same result.
TEST(ProjectiveImage, GraphicsContextDrawsThroughTheInverseMap)
{
    const QPolygonF quad({ QPointF(20, 20), QPointF(200, 60), QPointF(200, 170), QPointF(20, 220) });
    const QTransform map = quadMap(quad);
    const QImage picture = pattern();
    auto draw = [&](const std::function<void(GraphicsContext&)>& clip) {
        QImage out = canvas();
        {
            Ref<GraphicsContext> context = GraphicsContext::graphicsContextWithImage(&out, true);
            clip(*context);
            context->concatProjectiveCTM(map);
            context->drawImage(picture, QRectF(picture.rect()), MakeRect(0, 0, SourceWidth, SourceHeight), CompositeSourceOver, 1);
        }
        return out;
    };
    // The context is flipped (y down, as the canvas): the picture lands upright on its quad.
    const QImage plain = draw([](GraphicsContext&) { });
    EXPECT_EQ(plain, drawnDirect(map, 1));
    const QImage byPainter = drawnByPainter(map, 1);
    const Comparison c = compare(byPainter, plain, quad);
    EXPECT_LE(c.interior, 8);
    EXPECT_EQ(c.outside, 0);

    const QImage clipped = draw([](GraphicsContext& g) { g.clipToRect(MakeRect(0, 0, 100, CanvasSize)); });
    for (int y = 0; y < CanvasSize; y += 7) {
        EXPECT_EQ(clipped.pixel(120, y), canvas().pixel(120, y)) << "right of the clip, row " << y;
        EXPECT_EQ(clipped.pixel(60, y), plain.pixel(60, y)) << "inside the clip, row " << y;
    }

    const QImage round = draw([](GraphicsContext& g) {
        QPainterPath disc;
        disc.addEllipse(QPointF(110, 120), 60, 60);
        g.clipToPath(disc);
    });
    // Drawn by the painter: its own pixels inside the disc.
    EXPECT_EQ(round.pixel(110, 120), byPainter.pixel(110, 120));
    EXPECT_EQ(round.pixel(60, 100), byPainter.pixel(60, 100));
    EXPECT_EQ(round.pixel(30, 120), canvas().pixel(30, 120)); // outside the disc
}

// Without antialiasing a pixel belongs to the picture when its centre does, as the painter's
// aliased fill decides.
TEST(ProjectiveImage, AliasedEdgesFollowPixelCentres)
{
    const QPolygonF quad({ QPointF(20.3, 20.6), QPointF(200.2, 60.1), QPointF(200.7, 170.4), QPointF(20.1, 220.8) });
    const QTransform map = quadMap(quad);
    QImage picture(SourceWidth, SourceHeight, QImage::Format_RGB32);
    picture.fill(qRgb(10, 20, 30));
    QImage out = canvas();
    ASSERT_TRUE(projectiveimage::DrawInto(out, out.rect(), picture, picture.rect(), map, 1, true, false));
    int wrong = 0;
    for (int y = 0; y < CanvasSize; ++y)
        for (int x = 0; x < CanvasSize; ++x) {
            const double depth = depthInside(quad, QPointF(x + 0.5, y + 0.5));
            if (std::abs(depth) < 0.01)
                continue; // on the outline itself either answer is right
            const bool drawn = out.pixel(x, y) == qRgb(10, 20, 30);
            const bool untouched = out.pixel(x, y) == qRgb(250, 250, 250);
            if (depth > 0 ? !drawn : !untouched)
                ++wrong;
        }
    EXPECT_EQ(wrong, 0);
}

TEST(ProjectiveImage, RefusesWhatItCannotDraw)
{
    QImage out = canvas();
    const QImage before = out;
    const QTransform map = quadMap(QPolygonF({ QPointF(20, 20), QPointF(200, 60), QPointF(200, 170), QPointF(20, 220) }));
    // A source format it does not sample.
    EXPECT_FALSE(projectiveimage::DrawInto(out, out.rect(), pattern().convertToFormat(QImage::Format_RGB888), QRect(0, 0, 160, 120), map, 1, true, true));
    // A corner behind the eye (w < 0 there).
    QTransform behind(1, 0, 0.01, 0, 1, 0, 0, 0, -1);
    EXPECT_FALSE(projectiveimage::DrawInto(out, out.rect(), pattern(), pattern().rect(), behind, 1, true, true));
    EXPECT_EQ(out, before);
}

// What a device pixel inside the picture should become, worked out alone and in double precision:
// the source position from the inverse map; the four texels around it (texel centres at .5, none
// outside `source`) weighted in 1/256 steps, down the columns then across, or the texel holding it
// when not smooth; times the opacity, and the colour channels times the tint; source-over the
// pixel under it.
QRgb referencePixel(const QImage& image, const QRect& source, const QTransform& inverse, QPointF centre, double opacity, bool smooth,
    QRgb under, const std::array<double, 3>& tint = { 1, 1, 1 })
{
    const QPointF p = inverse.map(centre);
    const auto texel = [&](int x, int y) {
        const QRgb t = reinterpret_cast<const QRgb*>(image.constScanLine(y))[x];
        return image.format() == QImage::Format_RGB32 ? t | 0xff000000u : t;
    };
    std::array<int, 4> sample {}; // b, g, r, a
    const auto channel = [](QRgb c, int k) { return int((c >> (8 * k)) & 0xff); };
    if (smooth) {
        const double fx = std::clamp(p.x() - 0.5, double(source.left()), double(source.right()));
        const double fy = std::clamp(p.y() - 0.5, double(source.top()), double(source.bottom()));
        const int x0 = int(std::floor(fx)), y0 = int(std::floor(fy));
        const int x1 = std::min(x0 + 1, source.right()), y1 = std::min(y0 + 1, source.bottom());
        const int ax = int((fx - x0) * 256), ay = int((fy - y0) * 256);
        for (int k = 0; k < 4; ++k) {
            const int left = (channel(texel(x0, y0), k) * (256 - ay) + channel(texel(x0, y1), k) * ay) / 256;
            const int right = (channel(texel(x1, y0), k) * (256 - ay) + channel(texel(x1, y1), k) * ay) / 256;
            sample[std::size_t(k)] = (left * (256 - ax) + right * ax) / 256;
        }
    } else {
        const int x = std::clamp(int(std::floor(p.x())), source.left(), source.right());
        const int y = std::clamp(int(std::floor(p.y())), source.top(), source.bottom());
        for (int k = 0; k < 4; ++k)
            sample[std::size_t(k)] = channel(texel(x, y), k);
    }
    // b, g, r, a
    const std::array<double, 4> factors { opacity * tint[2], opacity * tint[1], opacity * tint[0], opacity };
    for (std::size_t k = 0; k < 4; ++k)
        sample[k] = (sample[k] * int(factors[k] * 255 + 0.5) + 127) / 255;
    QRgb out = 0;
    for (int k = 0; k < 4; ++k) {
        const int value = std::min(255, sample[std::size_t(k)] + (channel(under, k) * (255 - sample[3]) + 127) / 255);
        out |= QRgb(value) << (8 * k);
    }
    return out;
}

// Whether a source position lies within 1/1000 texel of a texel's edge, where picking either
// neighbour is right.
bool onTexelEdge(double x) { return std::abs(x - std::round(x)) < 1e-3; }

enum class PictureKind { Opaque32, Translucent, OpaqueAlpha, Inset };

// The picture and the rectangle drawn from it. `Inset` draws the middle of a picture whose outer
// texels are pure red: none of that red may show.
std::pair<QImage, QRect> pictureOf(PictureKind kind)
{
    switch (kind) {
    case PictureKind::Opaque32:
        return { pattern().convertToFormat(QImage::Format_RGB32), QRect(0, 0, SourceWidth, SourceHeight) };
    case PictureKind::Translucent:
        return { pattern(), QRect(0, 0, SourceWidth, SourceHeight) };
    case PictureKind::OpaqueAlpha: {
        QImage image(SourceWidth, SourceHeight, QImage::Format_ARGB32_Premultiplied);
        image.fill(QColor(30, 60, 90));
        QPainter p(&image);
        p.drawImage(0, 0, pattern());
        return { image, image.rect() };
    }
    case PictureKind::Inset: {
        QImage image(SourceWidth + 6, SourceHeight + 4, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::red);
        QPainter p(&image);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawImage(3, 2, pattern());
        return { image, QRect(3, 2, SourceWidth, SourceHeight) };
    }
    }
    return {};
}

// How a picture is laid on: whole, at an opacity, or at an opacity and tinted (a reflection).
enum class Paint { Whole, Faded, Tinted };

double opacityOf(Paint paint) { return paint == Paint::Whole ? 1.0 : paint == Paint::Faded ? 0.6 : 0.8; }

std::array<double, 3> tintOf(Paint paint) { return paint == Paint::Tinted ? std::array<double, 3> { 1, 0.5, 0.25 } : std::array<double, 3> { 1, 1, 1 }; }

using ReferenceCase = std::tuple<MapCase, PictureKind, Paint, bool>;

class ProjectiveImageReference : public testing::TestWithParam<ReferenceCase> { };

// Inside the picture every pixel is the one worked out alone, to one level per channel (the
// position is taken in single precision); outside it nothing changes.
TEST_P(ProjectiveImageReference, InteriorPixelsAreThoseWorkedOutAlone)
{
    const auto& [mapCase, kind, paint, smooth] = GetParam();
    const double opacity = opacityOf(paint);
    const std::array<double, 3> tint = tintOf(paint);
    const auto [image, source] = pictureOf(kind);
    const QTransform map = QTransform::fromTranslate(-source.left(), -source.top()) * quadMap(mapCase.quad);
    const QTransform inverse = map.inverted();
    // Two images: DrawInto writes into the canvas's pixels in place, shared or not.
    const QImage before = canvas();
    QImage out = canvas();
    ASSERT_TRUE(projectiveimage::DrawInto(out, out.rect(), image, source, map, opacity, smooth, true, nullptr, tint));
    int worst = 0, compared = 0, changedOutside = 0, red = 0;
    for (int y = 0; y < CanvasSize; ++y)
        for (int x = 0; x < CanvasSize; ++x) {
            const QPointF centre(x + 0.5, y + 0.5);
            const double depth = depthInside(mapCase.quad, centre);
            const QRgb got = out.pixel(x, y);
            if (depth < -1.5)
                changedOutside += got != before.pixel(x, y);
            const QPointF p = inverse.map(centre);
            if (depth <= 1.5 || (!smooth && (onTexelEdge(p.x()) || onTexelEdge(p.y()))))
                continue;
            worst = std::max(
                worst, channelDifference(got, referencePixel(image, source, inverse, centre, opacity, smooth, before.pixel(x, y), tint)));
            ++compared;
            red += qRed(got) > 200 && qGreen(got) < 60 && qBlue(got) < 60;
        }
    EXPECT_GT(compared, 200);
    EXPECT_LE(worst, 1);
    EXPECT_EQ(changedOutside, 0);
    EXPECT_EQ(red, 0);
}

const MapCase referenceMaps[] = {
    { "turnedRight", QPolygonF({ QPointF(20, 20), QPointF(200, 60), QPointF(200, 170), QPointF(20, 220) }) },
    { "mirrored", QPolygonF({ QPointF(20, 220), QPointF(200, 170), QPointF(200, 60), QPointF(20, 20) }) },
    { "tiltedBack", QPolygonF({ QPointF(80, 30), QPointF(160, 30), QPointF(235, 235), QPointF(5, 235) }) },
    { "small", QPolygonF({ QPointF(100, 100), QPointF(140, 112), QPointF(140, 130), QPointF(100, 150) }) },
    // Facing the viewer, enlarged 1.3: the map is flat though projective in kind.
    { "facing", QPolygonF({ QPointF(16, 42), QPointF(224, 42), QPointF(224, 198), QPointF(16, 198) }) },
};

std::string referenceCaseName(const testing::TestParamInfo<ReferenceCase>& info)
{
    static const char* const kinds[] = { "opaque32", "translucent", "opaqueAlpha", "inset" };
    static const char* const paints[] = { "", "_faded", "_tinted" };
    const auto& [map, kind, paint, smooth] = info.param;
    return std::string(map.name) + "_" + kinds[int(kind)] + paints[int(paint)] + (smooth ? "_smooth" : "_nearest");
}

INSTANTIATE_TEST_SUITE_P(Cases, ProjectiveImageReference,
    testing::Combine(testing::ValuesIn(referenceMaps),
        testing::Values(PictureKind::Opaque32, PictureKind::Translucent, PictureKind::OpaqueAlpha, PictureKind::Inset),
        testing::Values(Paint::Whole, Paint::Faded, Paint::Tinted), testing::Bool()),
    referenceCaseName);

// Every instruction set's span drawer composites the pixels the plain one does, to one level per
// channel: runs of every length around the step sizes and the restart, running off the picture
// on either side (clamped), minified and magnified, over translucent pixels.
TEST(ProjectiveImage, SpanDrawersAgreeWithThePlainOne)
{
    const QImage translucent = pattern();
    const QImage opaque = translucent.convertToFormat(QImage::Format_RGB32);
    // Premultiplied pixels to draw over, some clear, most translucent.
    std::vector<std::uint32_t> under(300);
    for (std::size_t i = 0; i < under.size(); ++i)
        under[i] = qPremultiply(qRgba(int(i % 200), 90, 40, i % 3 == 0 ? 0 : 200 + int(i % 50)));
    const std::array<projectiveimage::SpanMap, 4> maps = { {
        { -20, 30.5, 1, 0.9, 0.05, 0 }, // flat, from left of the picture across it and out again
        { 10, 10, 1, 1.4, 0.3, 0.004 }, // in perspective, minified
        { 150, 110, 2, -0.8, -0.5, 0.001 }, // magnified, leaving through the top left corner
        { 40.25, -3, 1, 0.01, 0.6, -0.0005 }, // down the picture, from above it
    } };
    const int lengths[] = { 1, 3, 4, 5, 7, 8, 9, 15, 16, 17, 63, 64, 65, 100, 257 };
    for (const QImage* image : { &translucent, &opaque }) {
        const projectiveimage::SpanSource source { reinterpret_cast<const std::uint32_t*>(image->constBits()), image->bytesPerLine() / 4, 0,
            0, SourceWidth - 1, SourceHeight - 1, image->format() == QImage::Format_RGB32 };
        for (const projectiveimage::SpanISA isa : projectiveimage::SupportedSpanISAs())
            for (const bool smooth : { true, false })
                for (const std::uint32_t multiplier : { projectiveimage::SpanKeep, projectiveimage::SpanMultiplier(0.6),
                         projectiveimage::SpanMultiplier(1.0 / 255), projectiveimage::SpanMultiplier(1, { 0.6, 0.6, 0.6 }),
                         projectiveimage::SpanMultiplier(0.8, { 1, 0.5, 0.25 }) })
                    for (std::size_t m = 0; m < maps.size(); ++m)
                        for (const int length : lengths) {
                            std::vector<std::uint32_t> expected(under.begin(), under.begin() + length), got = expected;
                            projectiveimage::SpanDrawerFor(projectiveimage::SpanISA::Plain, source, smooth, multiplier)(
                                expected.data(), length, maps[m], source, multiplier);
                            projectiveimage::SpanDrawerFor(isa, source, smooth, multiplier)(got.data(), length, maps[m], source, multiplier);
                            int worst = 0;
                            for (int i = 0; i < length; ++i) {
                                const projectiveimage::SpanMap& s = maps[m];
                                const double w = s.w + i * s.dw;
                                const QPointF p((s.u + i * s.du) / w, (s.v + i * s.dv) / w);
                                if (!smooth && (onTexelEdge(p.x()) || onTexelEdge(p.y())))
                                    continue;
                                worst = std::max(worst, channelDifference(expected[std::size_t(i)], got[std::size_t(i)]));
                            }
                            EXPECT_LE(worst, 1) << "instruction set " << int(isa) << (smooth ? " smooth" : " nearest") << " multiplier "
                                                << multiplier << " map " << m << " length " << length << (image == &opaque ? " opaque" : "");
                        }
    }
}

// Drawn band by band through clips (as damaged areas are redrawn), a picture comes out the same
// as drawn whole, to the pixel, with and without an occluder: translucent pixels at an opacity,
// where a row drawn twice or left out would show.
TEST(ProjectiveImage, DrawnBandByBandIsTheSameAsDrawnWhole)
{
    constexpr int size = 600;
    const QImage picture = pattern();
    const QPolygonF quad({ QPointF(90, 20), QPointF(570, 110), QPointF(570, 480), QPointF(20, 590) });
    const QTransform map = quadMap(quad);
    const auto blank = [] {
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(QColor(250, 250, 250));
        return image;
    };
    for (const std::vector<projectiveimage::Quad>& occluders :
        { std::vector<projectiveimage::Quad> {}, { { QPointF(300, 0), QPointF(size, 0), QPointF(size, 250), QPointF(300, 250) } } }) {
        QImage whole = blank(), banded = blank();
        ASSERT_TRUE(projectiveimage::DrawInto(whole, whole.rect(), picture, picture.rect(), map, 0.6, true, true, &occluders));
        for (int y = 0; y < size; y += 20)
            ASSERT_TRUE(
                projectiveimage::DrawInto(banded, QRect(0, y, size, 20), picture, picture.rect(), map, 0.6, true, true, &occluders));
        EXPECT_EQ(whole, banded) << occluders.size() << " occluders";
        EXPECT_NE(whole, blank());
    }
}

// Pictures this large are shared among the pool's threads in bands of rows; drawn from several
// threads at once (one of them gets the pool, the others draw alone) each comes out byte for byte
// as the same picture drawn through clips ten rows high, too small for any helper to take part.
TEST(ProjectiveImage, LargeDrawsFromSeveralThreadsMatchOnesDrawnInSmallPieces)
{
    constexpr int size = 700;
    const QImage picture = pattern();
    const QPolygonF quad({ QPointF(40, 30), QPointF(680, 90), QPointF(660, 620), QPointF(10, 690) });
    const QTransform map = quadMap(quad);
    const std::vector<projectiveimage::Quad> occluders { { QPointF(200, 300), QPointF(400, 300), QPointF(400, 420), QPointF(200, 420) } };
    const auto blank = [] {
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(QColor(30, 60, 90));
        return image;
    };
    QImage reference = blank();
    for (int y = 0; y < size; y += 10)
        ASSERT_TRUE(projectiveimage::DrawInto(reference, QRect(0, y, size, 10), picture, picture.rect(), map, 0.8, true, true, &occluders));
    ASSERT_NE(reference, blank());
    constexpr int threads = 4, rounds = 6;
    std::array<int, threads> mismatches {};
    std::array<bool, threads> drawn {};
    {
        std::vector<std::jthread> drawers;
        for (std::size_t t = 0; t < threads; ++t)
            drawers.emplace_back([&, t] {
                drawn[t] = true;
                for (int r = 0; r < rounds; ++r) {
                    QImage canvas = blank();
                    drawn[t] = drawn[t]
                        && projectiveimage::DrawInto(canvas, canvas.rect(), picture, picture.rect(), map, 0.8, true, true, &occluders);
                    mismatches[t] += canvas != reference;
                }
            });
    }
    for (std::size_t t = 0; t < threads; ++t) {
        EXPECT_TRUE(drawn[t]) << t;
        EXPECT_EQ(mismatches[t], 0) << "thread " << t;
    }
}

} // namespace projective_image_test
