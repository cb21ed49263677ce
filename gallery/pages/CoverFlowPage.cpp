#include "gallery/pages/CoverFlowPage.h"

#include "JVLAppKit/JVLCoverFlowView/JVLCoverFlowView.h"
#include "gallery/pages/GallerySwatch.h"
#include "kit/appkit/ViewController.h"
#include "kit/core/ArrayController.h"
#include "kit/core/Exception.h"
#include "kit/foundation/Bundle.h"
#include "kit/foundation/RunLoop.h"
#include "kit/graphics/CGImage.h"
#include "kit/graphics/StringDrawing.h"

#include <QBuffer>
#include <QPainter>

using kit::MakeRect;
using kit::Ref;

namespace cover_flow_page {

constexpr int coverCount = 300;
// The pictures' size in pixels (drawCover), and so the largest a cover is shown.
constexpr kit::Size coverPixels { 240, 172 };
const char* const coverWords[] = { "Harbour", "Meadow", "Lanterns", "Northbound", "Copper", "Tidewater", "Orchard", "Glass",
    "Paper Moons", "Quiet Hours", "Saltmarsh", "Kites", "Low Sun", "Ferns", "Rail Yards", "Blue Hour" };

// One cover: a picture under "cover" (an image, or PNG data for every third) and its title.
class GalleryCover : public kit::Object {
    KIT_CLASS(GalleryCover)
public:
    GalleryCover() = default;
    GalleryCover(kit::Value cover, QString title)
        : cover_(std::move(cover))
        , title_(std::move(title))
    { }
    kit::Value cover() const { return cover_; }
    QString title() const { return title_; }

private:
    kit::Value cover_;
    QString title_;
};

KIT_REGISTER_CLASS(GalleryCover, kit::Object)
{
    c.property("cover", &GalleryCover::cover);
    c.property("title", &GalleryCover::title);
}

QImage drawCover(int number, const QString& title)
{
    QImage image(int(coverPixels.width), int(coverPixels.height), QImage::Format_ARGB32_Premultiplied);
    const QColor field = QColor::fromHsv((number * 37) % 360, 150, 210);
    image.fill(field);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(field.darker(130));
    p.drawEllipse(QPointF(200, 30), 70, 70);
    p.setPen(Qt::white);
    QFont big(QStringLiteral("DejaVu Sans"));
    big.setPixelSize(84);
    big.setBold(true);
    p.setFont(big);
    p.drawText(QRectF(0, 10, 240, 110), Qt::AlignCenter, QString::number(number));
    QFont small(QStringLiteral("DejaVu Sans"));
    small.setPixelSize(18);
    p.setFont(small);
    p.drawText(QRectF(10, 124, 220, 40), Qt::AlignCenter, title);
    return image;
}

kit::Array makeCovers()
{
    kit::Array covers;
    for (int i = 1; i <= coverCount; ++i) {
        const QString title = QStringLiteral("%1 %2").arg(QString::fromUtf8(coverWords[(i - 1) % 16])).arg(i);
        const QImage pixels = drawCover(i, title);
        kit::Value cover;
        if (i % 3 == 0) {
            QByteArray png;
            QBuffer buffer(&png);
            buffer.open(QIODevice::WriteOnly);
            pixels.save(&buffer, "PNG");
            cover = kit::Value(png);
        } else {
            cover = kit::Value(kit::Image::imageWithCGImageSize(kit::CGImage::create(pixels), {}));
        }
        covers.addObject(kit::Value(kit::make<GalleryCover>(cover, title)));
    }
    return covers;
}

class CoverFlowPageOwner;

// The page's root, decoded from the interface file; it keeps the owner (and so the controller).
class CoverFlowPageView : public kit::View {
    KIT_CLASS(CoverFlowPageView)
public:
    CoverFlowPageView() = default;
    Ref<kit::Object> owner;
    // "Resize items": the covers follow the view's height, up to the pictures' own size.
    bool resizesItems = true;
    void fitItems();

    // kit::View:
    void resizeSubviewsWithOldSize(kit::Size oldSize) override
    {
        View::resizeSubviewsWithOldSize(oldSize);
        fitItems();
    }
};

KIT_REGISTER_CLASS(CoverFlowPageView, kit::View) { }

// Under the row: the selected cover's title and its place.
class CoverFlowCaption : public kit::View, public GalleryPaintedText {
public:
    CoverFlowCaption(kit::Rect frame, kit::ViewController* controller, JVLCoverFlowView* flow)
        : View(frame)
        , controller_(controller)
        , flow_(flow)
    { }
    QString paintedText() const override
    {
        const Ref<kit::ViewController> controller = controller_.lock();
        const Ref<JVLCoverFlowView> flow = flow_.lock();
        if (!controller || !flow)
            return {};
        const auto cover = controller->representedObject().objectAs<GalleryCover>();
        return cover ? QStringLiteral("%1 — %2 of %3").arg(cover->title()).arg(flow->selectionIndex() + 1).arg(flow->content().count())
                     : QStringLiteral("Nothing selected");
    }
    void drawRect(kit::Rect) override
    {
        const QString text = paintedText();
        if (text.isEmpty())
            return;
        kit::StringAttributes attributes;
        attributes.foregroundColor = kit::Color::colorWithCalibratedWhiteAlpha(0.85, 1);
        attributes.font = kit::Font::systemFontOfSize(13);
        const kit::Size size = kit::StringDrawing::sizeWithAttributes(text, attributes);
        kit::StringDrawing::drawAtPointWithAttributes(text, kit::MakePoint((bounds().width() - size.width) / 2, 3), attributes);
    }

private:
    kit::Weak<kit::ViewController> controller_;
    kit::Weak<JVLCoverFlowView> flow_;
};

// File's Owner of the interface file: the controller, the outlets and the view's action.
class CoverFlowPageOwner : public kit::Object {
    KIT_CLASS(CoverFlowPageOwner)
public:
    CoverFlowPageOwner()
        : controller_(kit::make<kit::ArrayController>())
    { }
    Ref<kit::ArrayController> controller() const { return controller_; }
    Ref<JVLCoverFlowView> coverFlow() const { return coverFlow_.lock(); }
    void setCoverFlow(const Ref<JVLCoverFlowView>& view) { coverFlow_ = view.get(); }
    Ref<CoverFlowPageView> pageView() const { return pageView_.lock(); }
    void setPageView(const Ref<CoverFlowPageView>& view) { pageView_ = view.get(); }
    void opened(kit::Object*)
    {
        const Ref<JVLCoverFlowView> flow = coverFlow();
        if (!flow || !status)
            return;
        const auto cover = flow->selectedObject().objectAs<GalleryCover>();
        status->setTitle(QStringLiteral("Opened %1").arg(cover ? cover->title() : QString()));
    }
    void observeValueForKeyPathOfObjectChangeContext(const QString&, kit::Object*, const kit::KeyValueChange&, void*) override
    {
        if (caption)
            caption->setNeedsDisplay(true);
        if (auto* text = dynamic_cast<kit::Accessibility*>(caption.get()))
            text->accessibilityValueChanged();
    }
    Ref<GallerySwatch> status;
    Ref<kit::View> caption;

private:
    Ref<kit::ArrayController> controller_;
    kit::Weak<JVLCoverFlowView> coverFlow_;
    kit::Weak<CoverFlowPageView> pageView_;
};

KIT_REGISTER_CLASS(CoverFlowPageOwner, kit::Object)
{
    c.property("controller", &CoverFlowPageOwner::controller);
    c.property("coverFlow", &CoverFlowPageOwner::coverFlow, &CoverFlowPageOwner::setCoverFlow);
    c.property("pageView", &CoverFlowPageOwner::pageView, &CoverFlowPageOwner::setPageView);
    c.action("opened", &CoverFlowPageOwner::opened);
}

JVLCoverFlowView* coverFlowIn(kit::View* page)
{
    if (!page)
        return nullptr;
    for (const auto& sub : page->subviews())
        if (auto* flow = dynamic_cast<JVLCoverFlowView*>(sub.get()))
            return flow;
    return nullptr;
}

void CoverFlowPageView::fitItems()
{
    JVLCoverFlowView* flow = coverFlowIn(this);
    if (!flow)
        return;
    // The view would stretch a cover past its pixels on a large screen: there it stops growing.
    if (flow->autoresizesItems() != resizesItems)
        flow->setAutoresizesItems(resizesItems);
    const kit::Size grown = flow->itemSize();
    if (resizesItems && (grown.width > coverPixels.width || grown.height > coverPixels.height))
        flow->setAutoresizesItems(false);
}

} // namespace cover_flow_page

kit::Ref<kit::View> makeCoverFlowPage(kit::Rect frame)
{
    using namespace cover_flow_page;
    auto owner = kit::make<CoverFlowPageOwner>();
    owner->controller()->setContent(kit::Value(makeCovers()));
    owner->controller()->setSelectionIndex(7);
    kit::Array topLevel; // holds the page until it is in place
    if (!kit::Bundle::loadNibNamedOwnerTopLevelObjects(QStringLiteral("CoverFlowPage"), owner.get(), &topLevel) || !owner->pageView()
        || !owner->coverFlow())
        return kit::make<GallerySwatch>(frame, QColor(250, 250, 250), QStringLiteral("The cover-flow interface file did not load."));
    const Ref<CoverFlowPageView> page = owner->pageView();
    const Ref<JVLCoverFlowView> flow = owner->coverFlow();
    page->owner = owner;
    flow->setItemSize(coverPixels);
    page->setFrame(frame);
    page->fitItems();

    auto accessory = kit::make<kit::ViewController>();
    auto caption = kit::make<CoverFlowCaption>(MakeRect(0, 0, 420, 20), accessory.get(), flow.get());
    accessory->setView(caption.get());
    flow->setAccessoryController(accessory);
    owner->caption = caption;
    flow->addObserverForKeyPathOptionsContext(owner.get(), QStringLiteral("selectionIndex"), 0, nullptr);

    auto row = kit::make<GallerySwatch>(MakeRect(0, 0, frame.width(), 56), QColor(236, 238, 242), QString());
    row->setAutoresizingMask(kit::ViewWidthSizable);
    page->addSubview(row.get());
    const kit::Weak<JVLCoverFlowView> weakFlow = flow.get();
    // A checkbox that hands its new state to `apply`.
    auto checkbox = [&](kit::Rect at, const QString& title, std::function<void(JVLCoverFlowView&, bool)> apply) {
        auto self = std::make_shared<kit::Weak<GalleryPushButton>>();
        auto box = kit::make<GalleryPushButton>(at, title, [self, weakFlow, apply] {
            const auto b = self->lock();
            if (const auto f = weakFlow.lock(); b && f)
                apply(*f, b->state() != 0);
        });
        *self = box.get();
        box->setButtonType(kit::SwitchButton);
        box->setState(1);
        row->addSubview(box.get());
    };
    checkbox(MakeRect(20, 14, 140, 28), QStringLiteral("Show scroller"), [](JVLCoverFlowView& f, bool on) { f.setShowsScrollbar(on); });
    const kit::Weak<CoverFlowPageView> weakPage = page.get();
    checkbox(MakeRect(170, 14, 140, 28), QStringLiteral("Resize items"), [weakPage](JVLCoverFlowView&, bool on) {
        if (const Ref<CoverFlowPageView> p = weakPage.lock()) {
            p->resizesItems = on;
            p->fitItems();
        }
    });
    owner->status = kit::make<GallerySwatch>(MakeRect(330, 14, 400, 28), QColor(236, 238, 242), QStringLiteral("Return or a double click opens a cover"));
    row->addSubview(owner->status.get());
    galleryMarkStatusLine(kit::Value(owner->status));
    return page;
}

bool coverFlowPageIsReady(kit::View* page)
{
    JVLCoverFlowView* flow = cover_flow_page::coverFlowIn(page);
    return !flow || (flow->imageLoadQueue()->operationCount() == 0 && kit::RunLoop::main().pendingMainBlockCount() == 0);
}
