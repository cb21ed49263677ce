// What a full window repaint costs in the drawing layer: a 1,000-element path, a gradient and
// 100 strings into a 1280x720 image, through the current-context machinery the views use; and a
// page of 740 table cells (background, two grid lines, a number of 6 to 9 digits) in a kit view,
// with and without the text, beside plain QPainter drawing the same page; and thumbnails of a
// 600-pixel PNG and JPEG as the flow view asks for them on its queue.

#include "kit/appkit/Application.h"
#include "kit/appkit/View.h"
#include "kit/appkit/Window.h"
#include "kit/controls/TextFieldCell.h"
#include "kit/graphics/BezierPath.h"
#include "kit/graphics/Gradient.h"
#include "kit/graphics/GraphicsContext.h"
#include "kit/graphics/ImageSource.h"
#include "kit/graphics/StringDrawing.h"

#include <QBuffer>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

kit::Ref<kit::GraphicsContext> windowContext(QImage& backing)
{
    auto context = kit::GraphicsContext::graphicsContextWithImage(&backing, false);
    context->setCTM(kit::AffineTransform(kit::AffineTransformStruct { 1, 0, 0, -1, 0, double(backing.height()) }));
    return context;
}

// A chart-like outline across the window: lines and short curves, closed along the bottom.
kit::Ref<kit::BezierPath> thousandElementPath()
{
    auto path = kit::BezierPath::bezierPath();
    path->moveToPoint({ 0, 100 });
    const double step = 1280.0 / 998;
    for (int i = 1; i < 998; ++i) {
        const double x = i * step, y = 360 + 200 * std::sin(i * 0.037) + 40 * std::sin(i * 0.31);
        if (i % 2)
            path->lineToPoint({ x, y });
        else
            path->curveToPointControlPoint1ControlPoint2({ x, y }, { x - step * 0.66, y + 6 }, { x - step * 0.33, y - 6 });
    }
    path->lineToPoint({ 1280, 100 });
    path->closePath();
    return path;
}

void BM_Path(benchmark::State& state)
{
    QImage backing(1280, 720, QImage::Format_ARGB32_Premultiplied);
    auto path = thousandElementPath();
    for (auto _ : state) {
        auto context = windowContext(backing);
        kit::GraphicsContext::Scope scope(context);
        kit::Color::blueColor()->set();
        path->fill();
        path->stroke();
    }
}
BENCHMARK(BM_Path)->Unit(benchmark::kMillisecond);

void BM_Gradient(benchmark::State& state)
{
    QImage backing(1280, 720, QImage::Format_ARGB32_Premultiplied);
    auto gradient = kit::Gradient::gradientWithStartingColorEndingColor(kit::Color::whiteColor(), kit::Color::darkGrayColor());
    for (auto _ : state) {
        auto context = windowContext(backing);
        kit::GraphicsContext::Scope scope(context);
        gradient->drawInRectAngle(kit::MakeRect(0, 0, 1280, 720), 90);
    }
}
BENCHMARK(BM_Gradient)->Unit(benchmark::kMillisecond);

void BM_Strings(benchmark::State& state)
{
    QImage backing(1280, 720, QImage::Format_ARGB32_Premultiplied);
    kit::StringAttributes attributes { kit::Font::systemFontOfSize(13), kit::Color::blackColor(), nullptr, nullptr };
    for (auto _ : state) {
        auto context = windowContext(backing);
        kit::GraphicsContext::Scope scope(context);
        for (int i = 0; i < 100; ++i)
            kit::StringDrawing::drawAtPointWithAttributes(
                QStringLiteral("Tab title %1").arg(i), { double(i % 10) * 120, double(i / 10) * 60 }, attributes);
    }
}
BENCHMARK(BM_Strings)->Unit(benchmark::kMillisecond);

void BM_WholeFrame(benchmark::State& state)
{
    QImage backing(1280, 720, QImage::Format_ARGB32_Premultiplied);
    auto path = thousandElementPath();
    auto gradient = kit::Gradient::gradientWithStartingColorEndingColor(kit::Color::whiteColor(), kit::Color::darkGrayColor());
    kit::StringAttributes attributes { kit::Font::systemFontOfSize(13), kit::Color::blackColor(), nullptr, nullptr };
    for (auto _ : state) {
        auto context = windowContext(backing);
        kit::GraphicsContext::Scope scope(context);
        gradient->drawInRectAngle(kit::MakeRect(0, 0, 1280, 720), 90);
        path->fill();
        for (int i = 0; i < 100; ++i)
            kit::StringDrawing::drawAtPointWithAttributes(
                QStringLiteral("Tab title %1").arg(i), { double(i % 10) * 120, double(i / 10) * 60 }, attributes);
    }
}
BENCHMARK(BM_WholeFrame)->Unit(benchmark::kMillisecond);

// --- A page of table cells ---

constexpr int pageColumns = 20;
constexpr int pageRows = 37;
constexpr double pageCellWidth = 64;
constexpr double pageCellHeight = 19;

QString pageCellText(int column, int row) { return QString::number(100'000 + (row * 7919 + column * 104'729) % 999'900'000); }

// Draws the page the way a table view does: one shared cell, its value changed per cell.
class CellPageView : public kit::View {
public:
    CellPageView(kit::Rect frame, bool withText)
        : View(frame)
        , withText_(withText)
    {
        cell_->setDrawsBackground(false);
        cell_->setLineBreakMode(kit::LineBreakByTruncatingTail);
    }
    bool isFlipped() const override { return true; }
    void drawRect(kit::Rect) override
    {
        const auto background = kit::Color::whiteColor();
        const auto line = kit::Color::colorWithDeviceWhiteAlpha(0.83, 1);
        for (int c = 0; c < pageColumns; ++c)
            for (int r = 0; r < pageRows; ++r) {
                const kit::Rect cell = kit::MakeRect(c * pageCellWidth, r * pageCellHeight, pageCellWidth, pageCellHeight);
                background->setFill();
                kit::RectFill(cell);
                line->setFill();
                kit::RectFill(kit::MakeRect(cell.maxX() - 1, cell.minY(), 1, cell.height()));
                kit::RectFill(kit::MakeRect(cell.minX(), cell.maxY() - 1, cell.width(), 1));
                if (withText_) {
                    cell_->setStringValue(pageCellText(c, r));
                    cell_->drawInteriorWithFrameInView(cell, this);
                }
            }
    }

private:
    bool withText_;
    kit::Ref<kit::TextFieldCell> cell_ = kit::make<kit::TextFieldCell>(QString());
};

void BM_CellPageQPainter(benchmark::State& state)
{
    const bool withText = state.range(0) != 0;
    QImage backing(1280, 720, QImage::Format_ARGB32_Premultiplied);
    QFont font = QGuiApplication::font();
    font.setPixelSize(13);
    for (auto _ : state) {
        QPainter p(&backing);
        p.setFont(font);
        p.setPen(Qt::black);
        for (int c = 0; c < pageColumns; ++c)
            for (int r = 0; r < pageRows; ++r) {
                const QRectF cell(c * pageCellWidth, r * pageCellHeight, pageCellWidth, pageCellHeight);
                p.fillRect(cell.toAlignedRect(), Qt::white);
                p.fillRect(QRectF(cell.right() - 1, cell.top(), 1, cell.height()).toAlignedRect(), QColor(212, 212, 212));
                p.fillRect(QRectF(cell.left(), cell.bottom() - 1, cell.width(), 1).toAlignedRect(), QColor(212, 212, 212));
                if (withText)
                    p.drawText(cell.adjusted(2, 0, -2, 0), Qt::AlignVCenter | Qt::AlignLeft, pageCellText(c, r));
            }
    }
}

void BM_CellPageKit(benchmark::State& state)
{
    const bool withText = state.range(0) != 0;
    auto window = kit::make<kit::Window>(kit::MakeRect(0, 0, 1280, 720), kit::TitledWindowMask);
    auto view = kit::make<CellPageView>(kit::MakeRect(0, 0, 1280, 720), withText);
    window->setContentView(view.get());
    window->display();
    for (auto _ : state) {
        view->setNeedsDisplay(true);
        window->displayIfNeeded();
    }
    window->setContentView(nullptr);
    kit::Application::resetForTesting();
}

BENCHMARK(BM_CellPageQPainter)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CellPageKit)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// A picture like a cover: a colour field and a translucent disc, encoded as `format`.
QByteArray coverData(const char* format)
{
    QImage image(600, 600, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor::fromHsv(100, 160, 200));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 255, 255, 120));
    painter.drawEllipse(QPointF(300, 300), 150, 150);
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

// Arg 0: PNG or JPEG; arg 1: the larger side asked for.
void BM_Thumbnail(benchmark::State& state)
{
    const QByteArray data = coverData(state.range(0) == 0 ? "PNG" : "JPEG");
    const auto source = kit::ImageSource::createWithData(data);
    kit::ThumbnailOptions options;
    options.maxPixelSize = int(state.range(1));
    for (auto _ : state)
        benchmark::DoNotOptimize(source->createThumbnailAtIndex(0, options));
}

BENCHMARK(BM_Thumbnail)->ArgsProduct({ { 0, 1 }, { 599, 300, 150 } })->Unit(benchmark::kMillisecond);

} // namespace
