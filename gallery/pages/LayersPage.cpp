#include "gallery/pages/LayersPage.h"

#include "gallery/pages/GallerySwatch.h"
#include "kit/appkit/Application.h"
#include "kit/appkit/Event.h"
#include "kit/layers/GradientLayer.h"
#include "kit/layers/ReplicatorLayer.h"
#include "kit/layers/ScrollLayer.h"
#include "kit/layers/TextLayer.h"
#include "kit/layers/Transaction.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

using kit::MakeRect;
using kit::Ref;

namespace layers_page {

constexpr int cardCount = 15;
constexpr double cardSide = 200, cardSpacing = 48;
const char* const cardNames[cardCount] = { "Dawn", "Kelp", "Ember", "Lagoon", "Moss", "Dune", "Iris", "Slate", "Coral", "Fjord",
    "Pollen", "Ink", "Thistle", "Amber", "Frost" };

// One card of our own: a field, a hill line and a sun, with the card's name.
QImage drawCard(int i)
{
    QImage image(static_cast<int>(cardSide), static_cast<int>(cardSide), QImage::Format_ARGB32_Premultiplied);
    const QColor sky = QColor::fromHsv((i * 24) % 360, 120, 230);
    image.fill(sky);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 244, 200, 220));
    p.drawEllipse(QPointF(140, 60), 26, 26);
    QPainterPath hill;
    hill.moveTo(0, 150);
    hill.cubicTo(50, 110 - i * 2, 120, 170, 200, 125);
    hill.lineTo(200, 200);
    hill.lineTo(0, 200);
    hill.closeSubpath();
    p.setBrush(sky.darker(160));
    p.drawPath(hill);
    p.setPen(Qt::white);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(22);
    font.setBold(true);
    p.setFont(font);
    p.drawText(QRectF(0, 150, 200, 44), Qt::AlignCenter, QString::fromUtf8(cardNames[i]));
    return image;
}

// Hosts the tree; a click brings the card under it to the front. A reader hears the front card's
// name, as a sighted user sees it come forward.
class LayersStage : public kit::View, public GalleryPaintedText {
public:
    explicit LayersStage(kit::Rect frame)
        : View(frame)
    {
        floor_ = kit::GradientLayer::layer();
        floor_->setLocations(std::vector<double> { 0, 0.2, 1 });
        title_ = kit::TextLayer::layer();
        title_->setFontSize(20);
        title_->setAlignmentMode(kit::AlignmentCenter);
        scroll_ = kit::ScrollLayer::layer();
        scroll_->setScrollMode(kit::ScrollHorizontally);
        scroll_->setMasksToBounds(false);
        floor_->addSublayer(scroll_.get());
        floor_->addSublayer(title_.get());
        for (int i = 0; i < cardCount; ++i) {
            auto item = kit::ReplicatorLayer::layer();
            item->setInstanceCount(2);
            item->setPreservesDepth(true);
            // The reflection at 60 %.
            item->setInstanceRedOffset(-0.4);
            item->setInstanceGreenOffset(-0.4);
            item->setInstanceBlueOffset(-0.4);
            item->setInstanceTransform(kit::Transform3DConcat(kit::Transform3DMakeScale(1, -1, 1), kit::Transform3DMakeTranslation(0, -cardSide, 0)));
            auto picture = kit::Layer::layer();
            images_.push_back(kit::CGImage::create(drawCard(i)));
            picture->setContents(images_.back());
            picture->setFrame(MakeRect(0, 0, cardSide, cardSide));
            picture->setName(QStringLiteral("card %1").arg(i));
            item->addSublayer(picture.get());
            scroll_->addSublayer(item.get());
            items_.push_back(item);
        }
        // The front card, small, cross-fading to the next on every selection.
        badge_ = kit::Layer::layer();
        badge_->setContentsGravity(kit::GravityResizeAspect);
        badge_->setBorderWidth(1);
        badge_->setBorderColor(kit::CGColor::createGenericRGB(1, 1, 1, 0.6));
        floor_->addSublayer(badge_.get());
        setLayer(floor_.get());
        Transaction::begin();
        Transaction::setDisableActions(true);
        layout();
        Transaction::commit();
    }
    using Transaction = kit::Transaction;

    void step(int by, bool slow)
    {
        const int next = std::clamp(selected_ + by, 0, cardCount - 1);
        select(next, slow);
    }
    void select(int index, bool slow)
    {
        if (index == selected_)
            return;
        // The title pushes the old name out on the side the cards move to.
        auto push = kit::Transition::animation();
        push->setType(kit::TransitionPush);
        push->setSubtype(index > selected_ ? kit::TransitionFromRight : kit::TransitionFromLeft);
        push->setDuration(slow ? 1.2 : 0.4);
        push->setTimingFunction(kit::MediaTimingFunction::functionWithName(kit::MediaTimingFunctionEaseInEaseOut));
        title_->addAnimationForKey(push.get(), QStringLiteral("titleChange"));
        selected_ = index;
        Transaction::begin();
        Transaction::setAnimationDuration(slow ? 2.1 : 0.7);
        layout();
        Transaction::commit();
        accessibilityValueChanged();
    }
    // GalleryPaintedText:
    QString paintedText() const override { return QStringLiteral("%1 in front").arg(QString::fromUtf8(cardNames[selected_])); }
    void setReflections(bool on)
    {
        for (const auto& item : items_)
            item->setInstanceCount(on ? 2 : 1);
    }
    void setPerspective(bool on)
    {
        perspective_ = on;
        layout();
    }
    void mouseDown(const kit::Event& event) override
    {
        const kit::Point p = convertPointFromView(event.locationInWindow(), nullptr);
        const Ref<kit::Layer> hit = floor_->presentationLayer()->hitTest(p);
        const Ref<kit::Layer> model = hit ? hit->modelLayer() : nullptr;
        for (int i = 0; model && i < cardCount; ++i)
            if (items_[std::size_t(i)]->sublayers().front() == model)
                select(i, (event.modifierFlags() & kit::ShiftKeyMask) != 0);
    }
    void resizeSubviewsWithOldSize(kit::Size old) override
    {
        View::resizeSubviewsWithOldSize(old);
        Transaction::begin();
        Transaction::setDisableActions(true);
        layout();
        Transaction::commit();
    }

private:
    void layout()
    {
        const kit::Rect b = bounds();
        floor_->setFrame(b);
        scroll_->setFrame(MakeRect(0, 0, b.width(), b.height()));
        kit::Transform3D eye;
        eye.m34 = perspective_ ? -1.0 / 900 : 0;
        scroll_->setSublayerTransform(eye);
        const double baseline = std::max(20.0, b.height() * 0.42);
        for (int i = 0; i < cardCount; ++i) {
            kit::ReplicatorLayer& item = *items_[std::size_t(i)];
            const int d = i - selected_;
            const double side = d == 0 ? 0 : (d < 0 ? -1 : 1) * (cardSide * 0.75 + cardSpacing * (std::abs(d) - 1));
            item.setFrame(MakeRect(i * cardSpacing + side, baseline, cardSide, cardSide));
            item.setZPosition(d == 0 ? 80 : -120 - std::abs(d));
            item.setTransform(d == 0 ? kit::Transform3D() : kit::Transform3DMakeRotation((d < 0 ? 1 : -1) * 1.0, 0, 1, 0));
        }
        scroll_->scrollToPoint(kit::MakePoint(selected_ * cardSpacing + cardSide / 2 - b.width() / 2, 0));
        title_->setString(QString::fromUtf8(cardNames[selected_]));
        title_->setFrame(MakeRect(0, b.height() - 44, b.width(), 30));
        badge_->setFrame(MakeRect(16, b.height() - 76, 60, 60));
        badge_->setContents(images_[std::size_t(selected_)]);
        // The floor takes on the front card's hue (its colours animate with the move).
        const QColor hue = QColor::fromHsv((selected_ * 24) % 360, 90, 90);
        floor_->setColors({ kit::CGColor::createGenericRGB(hue.redF(), hue.greenF(), hue.blueF(), 1),
            kit::CGColor::createGenericRGB(hue.redF() * 0.6, hue.greenF() * 0.6, hue.blueF() * 0.6, 1), kit::CGColor::createGenericRGB(0, 0, 0, 1) });
    }

    Ref<kit::GradientLayer> floor_;
    Ref<kit::TextLayer> title_;
    Ref<kit::Layer> badge_;
    std::vector<Ref<kit::CGImage>> images_;
    Ref<kit::ScrollLayer> scroll_;
    std::vector<Ref<kit::ReplicatorLayer>> items_;
    int selected_ = 7;
    bool perspective_ = true;
};

} // namespace layers_page

kit::Ref<kit::View> makeLayersPage(kit::Rect frame)
{
    using namespace layers_page;
    auto page = kit::make<kit::View>(frame);
    page->setAutoresizingMask(kit::ViewWidthSizable | kit::ViewHeightSizable);
    auto stage = kit::make<LayersStage>(MakeRect(0, 56, frame.width(), frame.height() - 56));
    stage->setAutoresizingMask(kit::ViewWidthSizable | kit::ViewHeightSizable);
    galleryMarkStatusLine(kit::Value(stage));
    page->addSubview(stage.get());
    auto row = kit::make<GallerySwatch>(MakeRect(0, 0, frame.width(), 56), QColor(236, 238, 242), QString());
    row->setAutoresizingMask(kit::ViewWidthSizable);
    page->addSubview(row.get());
    const kit::Weak<LayersStage> weak = stage.get();
    const auto shift = [] {
        const Ref<kit::Event> e = kit::Application::sharedApplication()->currentEvent();
        return e && (e->modifierFlags() & kit::ShiftKeyMask) != 0;
    };
    auto left = kit::make<GalleryPushButton>(MakeRect(20, 14, 44, 28), QStringLiteral("◀"), [weak, shift] {
        if (const auto s = weak.lock())
            s->step(-1, shift());
    });
    auto right = kit::make<GalleryPushButton>(MakeRect(70, 14, 44, 28), QStringLiteral("▶"), [weak, shift] {
        if (const auto s = weak.lock())
            s->step(1, shift());
    });
    // The arrows say little to a screen reader: named by what they do.
    for (const auto& [button, name] : { std::pair { left, QStringLiteral("Previous card") }, std::pair { right, QStringLiteral("Next card") } }) {
        button->setToolTip(name);
        button->setAccessibilityName(name);
        row->addSubview(button.get());
    }
    // A checkbox that hands its new state to `apply`.
    auto checkbox = [&](kit::Rect at, const QString& title, std::function<void(LayersStage&, bool)> apply) {
        auto self = std::make_shared<kit::Weak<GalleryPushButton>>();
        auto box = kit::make<GalleryPushButton>(at, title, [self, weak, apply] {
            const auto b = self->lock();
            if (const auto s = weak.lock(); b && s)
                apply(*s, b->state() != 0);
        });
        *self = box.get();
        box->setButtonType(kit::SwitchButton);
        box->setState(1);
        row->addSubview(box.get());
    };
    checkbox(MakeRect(134, 14, 120, 28), QStringLiteral("Reflections"), [](LayersStage& s, bool on) { s.setReflections(on); });
    checkbox(MakeRect(260, 14, 120, 28), QStringLiteral("Perspective"), [](LayersStage& s, bool on) { s.setPerspective(on); });
    galleryLabel(MakeRect(390, 18, 420, 20), QStringLiteral("Click a card to bring it to the front; Shift slows the move."), row.get());
    return page;
}
