#include "gallery/pages/FlowViewPage.h"

#include "gallery/pages/GallerySwatch.h"

#include "QVFlowView/QVFlowView.h"
#include "QVFlowView/QVVideoOverlayLayer.h"
#include "kit/appkit/Accessibility.h"
#include "kit/controls/Button.h"
#include "kit/controls/PopUpButton.h"
#include "kit/controls/Stepper.h"
#include "kit/controls/TextField.h"
#include "kit/foundation/Bundle.h"
#include "kit/foundation/Timer.h"
#include "kit/graphics/Image.h"
#include "kit/graphics/PDFPage.h"
#include "kit/layers/Transaction.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QLinearGradient>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>

#include <cmath>
#include <memory>
#include <numbers>

using namespace kit;

namespace flow_view_page {

// One item of the page: a cover the page drew, in one of the representations the view reads.
class Cover : public Object {
    KIT_CLASS(Cover)
public:
    Cover() = default;
    Cover(QString uid, QString type, Value representation, QString title)
        : uid_(std::move(uid))
        , type_(std::move(type))
        , representation_(std::move(representation))
        , title_(std::move(title))
    { }
    QString imageItemUID() const { return uid_; }
    QString imageItemRepresentationType() const { return type_; }
    Value imageItemRepresentation() const { return representation_; }
    QString imageItemTitle() const { return title_; }

private:
    QString uid_;
    QString type_;
    Value representation_;
    QString title_;
};

// A cover of our own: a gradient field, a few circles and a number.
QImage drawCover(int index, int side)
{
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const int hue = (index * 37) % 360;
    QLinearGradient field(0, 0, side, side);
    field.setColorAt(0, QColor::fromHsv(hue, 150, 230));
    field.setColorAt(1, QColor::fromHsv((hue + 50) % 360, 200, 120));
    painter.fillRect(image.rect(), field);
    painter.setPen(Qt::NoPen);
    for (int ring = 0; ring < 4; ++ring) {
        painter.setBrush(QColor(255, 255, 255, 40 + ring * 20));
        const double r = side * (0.38 - ring * 0.08);
        painter.drawEllipse(QPointF(side * (0.3 + 0.1 * (index % 5)), side * 0.4), r, r);
    }
    painter.setPen(QColor(255, 255, 255, 230));
    QFont font = painter.font();
    font.setPixelSize(side / 4);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(image.rect().adjusted(0, 0, -side / 12, -side / 14), Qt::AlignRight | Qt::AlignBottom, QString::number(index + 1));
    painter.end();
    return image;
}

QByteArray pngOf(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QByteArray pdfOf(int pages)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setPageSize(QPageSize(QSizeF(300, 400), QPageSize::Point));
    writer.setPageMargins(QMarginsF());
    writer.setResolution(72);
    QPainter painter(&writer);
    for (int page = 0; page < pages; ++page) {
        if (page > 0)
            writer.newPage();
        painter.fillRect(QRectF(0, 0, 300, 400), Qt::white);
        painter.setPen(QPen(QColor(40, 60, 120), 3));
        painter.drawRect(QRectF(20, 20, 260, 360));
        QFont font = painter.font();
        font.setPixelSize(36);
        painter.setFont(font);
        painter.drawText(QRectF(20, 20, 260, 360), Qt::AlignCenter, QStringLiteral("Page %1").arg(page + 1));
    }
    painter.end();
    return bytes;
}

class FlowViewPageView : public View, public QVFlowViewDataSource, public QVFlowViewDelegate {
    KIT_CLASS(FlowViewPageView)
public:
    using View::View;
    ~FlowViewPageView() override
    {
        if (ringTimer)
            ringTimer->invalidate();
    }

    std::int64_t numberOfItemsInFlowView(QVFlowView*) override { return std::int64_t(covers.size()); }
    Value flowViewItemAtIndex(QVFlowView*, std::int64_t index) override
    {
        return index >= 0 && index < std::int64_t(covers.size()) ? Value(Ref<Object>(covers[std::size_t(index)])) : Value();
    }
    void flowViewSelectionDidChange(QVFlowView* view) override
    {
        say(QStringLiteral("Selection changed to item %1.").arg(view->selectedIndex() + 1));
        placeOverlay();
    }
    void flowViewItemWasDoubleClickedAtIndex(QVFlowView*, std::int64_t index) override
    {
        say(QStringLiteral("Item %1 was double-clicked.").arg(index + 1));
    }
    void flowViewItemWasRightClickedAtIndexWithEvent(QVFlowView*, std::int64_t index, const Event&) override
    {
        say(QStringLiteral("Item %1 was right-clicked.").arg(index + 1));
    }

    void angleChosen(Object*)
    {
        static const double angles[] = { 70, 50, 30, 0 };
        const std::int64_t i = std::clamp<std::int64_t>(anglePopUp->indexOfSelectedItem(), 0, 3);
        flow->animator().setValueForKey(Value(angles[i]), QStringLiteral("stackedAngle"));
    }
    void spacingStepped(Object*) { flow->animator().setValueForKey(Value(spacingStepper->doubleValue()), QStringLiteral("spacing")); }
    void reflectionsSwitched(Object*) { flow->setShowsReflection(reflections->state() == OnState); }
    void previewSwitched(Object*) { flow->setCanControlQuickLookPanel(preview->state() == OnState); }
    // The overlay's button: play and pause, with a ring that moves while it "plays".
    void playPressed(Object*)
    {
        if (!overlay)
            return;
        if (overlay->indicatorScale() > 0) {
            overlay->collapse();
            if (ringTimer)
                ringTimer->invalidate();
            ringTimer = nullptr;
            say(QStringLiteral("Paused."));
            return;
        }
        overlay->expand();
        const Weak<QVVideoOverlayLayer> weak(overlay.get());
        ringTimer = Timer::scheduledTimerWithTimeIntervalRepeatsBlock(0.1, true, [weak](Timer*) {
            if (const Ref<QVVideoOverlayLayer> o = weak.lock()) {
                const double next = o->indicatorValue() + 0.01;
                o->setIndicatorValue(next > 1 ? 0 : next);
            }
        });
        say(QStringLiteral("Playing (a drawn stand-in: no video is decoded)."));
    }

    void say(const QString& text)
    {
        if (status)
            status->setStringValue(text);
    }

    // On a movie, the page places the play control the view made for it.
    void placeOverlay()
    {
        if (ringTimer)
            ringTimer->invalidate();
        ringTimer = nullptr;
        overlay = nullptr;
        const std::int64_t index = flow->selectedIndex();
        if (index == NotFound || !flow->isMovieAtIndex(index))
            return;
        const Ref<Layer> picture = flow->imageLayerAtIndex(index);
        if (!picture)
            return;
        overlay = dynamic_pointer_cast<QVVideoOverlayLayer>(flow->createMovieOverlayLayerWithIndex(index));
        overlay->setTarget(this);
        overlay->setAction(Selector("playPressed"));
        picture->setValueForKey(Value(Ref<Object>(overlay)), QStringLiteral("overlayLayerKey"));
        picture->addSublayer(overlay.get());
        overlay->setHidden(false);
    }

    std::vector<Ref<Cover>> covers;
    std::unique_ptr<QTemporaryDir> files;
    Ref<QVFlowView> flow;
    Ref<PopUpButton> anglePopUp;
    Ref<Stepper> spacingStepper;
    Ref<Button> reflections;
    Ref<Button> preview;
    Ref<TextField> status;
    Ref<QVVideoOverlayLayer> overlay;
    Ref<Timer> ringTimer;
};

void makeCovers(FlowViewPageView& page)
{
    constexpr int count = 300;
    const Ref<PDFDocument> pdf = PDFDocument::createWithData(pdfOf(4));
    page.files = std::make_unique<QTemporaryDir>();
    const QString pngPath = page.files->filePath(QStringLiteral("cover.png"));
    drawCover(7, 256).save(pngPath);
    const QString pdfPath = page.files->filePath(QStringLiteral("pages.pdf"));
    if (QFile file(pdfPath); file.open(QIODevice::WriteOnly))
        file.write(pdfOf(2));
    const QString clipPath = page.files->filePath(QStringLiteral("clip.mp4"));
    if (QFile file(clipPath); file.open(QIODevice::WriteOnly))
        file.write("a few bytes standing in for a movie");

    for (int i = 0; i < count; ++i) {
        const QString uid = QStringLiteral("cover-%1").arg(i);
        const QString title = QStringLiteral("Cover %1").arg(i + 1);
        switch (i % 12) {
        case 3:
            page.covers.push_back(make<Cover>(
                uid, QVFlowViewNSDataRepresentationType, Value(pngOf(drawCover(i, 240))), title + QStringLiteral(" (PNG data)")));
            break;
        case 5:
            page.covers.push_back(make<Cover>(uid, QVFlowViewNSImageRepresentationType,
                Value(Ref<Object>(Image::imageWithCGImageSize(CGImage::create(drawCover(i, 240)), Size { 240, 240 }))),
                title + QStringLiteral(" (image)")));
            break;
        case 7:
            if (pdf && pdf->numberOfPages() > 0)
                page.covers.push_back(
                    make<Cover>(uid, QVFlowViewPDFPageRepresentationType, Value(Ref<Object>(pdf->pageAtIndex(i % pdf->numberOfPages()))),
                        title + QStringLiteral(" (PDF page %1)").arg(i % pdf->numberOfPages() + 1)));
            break;
        default:
            page.covers.push_back(
                make<Cover>(uid, QVFlowViewCGImageRepresentationType, Value(Ref<Object>(CGImage::create(drawCover(i, 240)))), title));
        }
    }
    // Three files for thumbnails, icons and the movie control, near the start.
    page.covers.insert(page.covers.begin() + 2,
        make<Cover>(QStringLiteral("file-png"), QVFlowViewPathRepresentationType, Value(pngPath), QStringLiteral("cover.png")));
    page.covers.insert(page.covers.begin() + 4,
        make<Cover>(QStringLiteral("file-pdf"), QVFlowViewPathRepresentationType, Value(pdfPath), QStringLiteral("pages.pdf")));
    page.covers.insert(page.covers.begin() + 5,
        make<Cover>(QStringLiteral("file-clip"), QVFlowViewPathRepresentationType, Value(clipPath), QStringLiteral("clip.mp4")));
}

Ref<Button> checkbox(View* page, Rect frame, const QString& title, bool on, const char* action)
{
    auto b = make<Button>(frame);
    b->setButtonType(SwitchButton);
    b->setTitle(title);
    b->setState(on ? OnState : OffState);
    b->setTarget(page);
    b->setAction(Selector(action));
    page->addSubview(b.get());
    return b;
}

KIT_REGISTER_CLASS(Cover, Object)
{
    c.property("imageItemUID", &Cover::imageItemUID);
    c.property("imageItemRepresentationType", &Cover::imageItemRepresentationType);
    c.property("imageItemRepresentation", &Cover::imageItemRepresentation);
    c.property("imageItemTitle", &Cover::imageItemTitle);
}

KIT_REGISTER_CLASS(FlowViewPageView, View)
{
    c.optionalOperations({ "numberOfItemsInFlowView", "flowViewItemAtIndex", "flowViewSelectionDidChange",
        "flowViewItemWasDoubleClickedAtIndex", "flowViewItemWasRightClickedAtIndexWithEvent" });
    c.action("angleChosen", &FlowViewPageView::angleChosen);
    c.action("spacingStepped", &FlowViewPageView::spacingStepped);
    c.action("reflectionsSwitched", &FlowViewPageView::reflectionsSwitched);
    c.action("previewSwitched", &FlowViewPageView::previewSwitched);
    c.action("playPressed", &FlowViewPageView::playPressed);
}

} // namespace flow_view_page

Ref<View> makeFlowViewPage(Rect frame)
{
    auto page = make<flow_view_page::FlowViewPageView>(frame);
    page->setAutoresizingMask(ViewWidthSizable | ViewHeightSizable);
    flow_view_page::makeCovers(*page);

    // The view comes from the page's interface file, as applications place it.
    Array top;
    if (Bundle::loadNibNamedOwnerTopLevelObjects(QStringLiteral("FlowViewPage"), page.get(), &top) && top.count() > 0) {
        if (const auto root = top[0].objectAs<View>()) {
            root->setFrame(Rect { { 0, 0 }, frame.size });
            page->addSubview(root.get());
            for (const Ref<View>& sub : root->subviews())
                if (auto flow = dynamic_pointer_cast<QVFlowView>(sub))
                    page->flow = flow;
        }
    }
    if (!page->flow) {
        page->flow = make<QVFlowView>(Rect { { 0, 90 }, { frame.size.width, frame.size.height - 90 } });
        page->flow->setAutoresizingMask(ViewWidthSizable | ViewHeightSizable);
        page->addSubview(page->flow.get());
    }
    QVFlowView* flow = page->flow.get();
    flow->setDataSource(page.get());
    flow->setDelegate(page.get());
    // The first pictures are at hand already: the screenshot shows them, not placeholders.
    for (std::size_t i = 0; i < 12 && i < page->covers.size(); ++i)
        if (page->covers[i]->imageItemRepresentationType() == QVFlowViewCGImageRepresentationType)
            flow->cacheImageWithUID(page->covers[i]->imageItemRepresentation().objectAs<CGImage>(), Value(page->covers[i]->imageItemUID()));
    flow->reloadContent();

    const double w = frame.size.width;
    const auto angleLabel = galleryLabel(Rect { { 16, 56 }, { 90, 22 } }, QStringLiteral("Angle"), page.get());
    page->anglePopUp = make<PopUpButton>(Rect { { 70, 52 }, { 110, 26 } });
    for (const char* title : { "70°", "50°", "30°", "Flat" })
        page->anglePopUp->addItemWithTitle(QString::fromUtf8(title));
    page->anglePopUp->setTarget(page.get());
    page->anglePopUp->setAction(Selector("angleChosen"));
    page->addSubview(page->anglePopUp.get());
    kit::AccessibilitySetOverrideValueForAttribute(
        page->anglePopUp->accessibilityElement(), angleLabel->accessibilityElement(), kit::AccessibilityTitleUIElementAttribute);

    galleryLabel(Rect { { 200, 56 }, { 70, 22 } }, QStringLiteral("Spacing"), page.get());
    page->spacingStepper = make<Stepper>(Rect { { 268, 52 }, { 19, 27 } });
    page->spacingStepper->setMinValue(0);
    page->spacingStepper->setMaxValue(150);
    page->spacingStepper->setIncrement(10);
    page->spacingStepper->setDoubleValue(50);
    page->spacingStepper->setToolTip(QStringLiteral("Spacing between the covers"));
    page->spacingStepper->setTarget(page.get());
    page->spacingStepper->setAction(Selector("spacingStepped"));
    page->addSubview(page->spacingStepper.get());

    page->reflections = flow_view_page::checkbox(
        page.get(), Rect { { 310, 54 }, { 140, 22 } }, QStringLiteral("Reflections"), true, "reflectionsSwitched");
    page->preview = flow_view_page::checkbox(
        page.get(), Rect { { 460, 54 }, { 220, 22 } }, QStringLiteral("Space shows the preview"), false, "previewSwitched");

    // A hint and then a status line: read where it stands, never a stop of the Tab key with its
    // text selected.
    page->status = galleryLabel(Rect { { 16, 16 }, { w - 32, 24 } },
        QStringLiteral("Arrow keys, the wheel, clicks and the scroll bar move through %1 covers.").arg(page->covers.size()), page.get());
    page->status->setAutoresizingMask(ViewWidthSizable);
    galleryMarkStatusLine(page->status->accessibilityElement());
    return page;
}

bool flowViewPageIsReady(View* page)
{
    auto* flowPage = dynamic_cast<flow_view_page::FlowViewPageView*>(page);
    if (!flowPage || !flowPage->flow)
        return true;
    QVFlowView* flow = flowPage->flow.get();
    if (flow->operationQueue()->operationCount() > 0 || flow->visibleItemIndexes().count() == 0)
        return false;
    for (const std::int64_t i : flow->visibleItemIndexes()) {
        const Ref<Layer> picture = flow->imageLayerAtIndex(i);
        if (!picture || picture->contents() == QVFlowView::defaultImage())
            return false;
    }
    return true;
}
