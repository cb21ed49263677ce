#include "gallery/pages/GallerySwatch.h"

#include "kit/appkit/Accessibility.h"
#include "kit/controls/ButtonCell.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>

namespace {

QFont captionFont()
{
    QFont font = QApplication::font();
    font.setPixelSize(13);
    return font;
}

constexpr double CaptionMargin = 8;

} // namespace

QStringList GalleryPaintedText::accessibilityAttributeNames() const
{
    return kit::ViewAccessibilityAttributeNames() << kit::AccessibilityValueAttribute;
}

kit::Value GalleryPaintedText::accessibilityAttributeValue(const QString& attribute) const
{
    if (attribute == kit::AccessibilityRoleAttribute)
        return kit::Value(kit::AccessibilityStaticTextRole);
    if (attribute == kit::AccessibilityRoleDescriptionAttribute)
        return kit::Value(kit::AccessibilityRoleDescription(kit::AccessibilityStaticTextRole));
    if (attribute == kit::AccessibilityValueAttribute)
        return kit::Value(paintedText());
    const auto* view = dynamic_cast<const kit::View*>(this);
    return view ? kit::ViewAccessibilityAttributeValue(*view, attribute) : kit::Value();
}

GallerySwatch::GallerySwatch(kit::Rect frame, QColor fill, QString title)
    : kit::View(frame)
    , fill_(fill)
    , title_(std::move(title))
{ }

void GallerySwatch::setTitle(const QString& title)
{
    if (title == title_)
        return;
    title_ = title;
    setNeedsDisplay(true);
    accessibilityValueChanged();
}

void GallerySwatch::setTruncatesTitle(bool flag)
{
    truncates_ = flag;
    setNeedsDisplay(true);
}

QString GallerySwatch::shownTitle() const
{
    if (!truncates_)
        return title_;
    return QFontMetricsF(captionFont()).elidedText(title_, Qt::ElideRight, std::max(0.0, bounds().width() - 2 * CaptionMargin));
}

void GallerySwatch::drawRect(kit::Rect)
{
    QPainter* painter = kit::View::currentPainter();
    if (!painter)
        return;
    const kit::Rect b = bounds();
    const QRectF box(b.origin.x, b.origin.y, b.size.width, b.size.height);
    painter->fillRect(box, fill_);
    if (title_.isEmpty())
        return;
    // The painter runs y up: flip around the box so that the text stands upright.
    painter->save();
    painter->translate(0, box.top() + box.bottom());
    painter->scale(1, -1);
    const QFont font = captionFont();
    painter->setFont(font);
    painter->setPen(QColor(40, 40, 40));
    // drawText clips to its box: a low swatch gives up margin before a line loses its descenders.
    const double inset = std::clamp((box.height() - QFontMetricsF(font).height()) / 2, 0.0, 6.0);
    painter->drawText(box.adjusted(CaptionMargin, inset, -CaptionMargin, -inset),
        Qt::AlignLeft | Qt::AlignTop | (truncates_ ? Qt::TextSingleLine : Qt::TextWordWrap), shownTitle());
    painter->restore();
}

KIT_REGISTER_CLASS(GalleryPushButton, kit::Button) { c.action("perform", &GalleryPushButton::perform); }

GalleryPushButton::GalleryPushButton(kit::Rect frame, const QString& title, std::function<void()> action)
    : kit::Button(frame)
    , action_(std::move(action))
{
    setTitle(title);
    setTarget(this);
    setAction("perform");
}

void GalleryPushButton::perform(kit::Object*)
{
    if (action_)
        action_();
}

void GalleryPushButton::setAccessibilityName(const QString& name)
{
    kit::AccessibilitySetOverrideValueForAttribute(
        accessibilityElement(), name.isEmpty() ? kit::Value() : kit::Value(name), kit::AccessibilityTitleAttribute);
}

KIT_REGISTER_CLASS(GallerySlider, kit::Slider) { c.action("perform", &GallerySlider::perform); }

GallerySlider::GallerySlider(kit::Rect frame, double min, double max, double value, std::function<void(double)> changed)
    : kit::Slider(frame)
    , changed_(std::move(changed))
{
    setMinValue(min);
    setMaxValue(max);
    setDoubleValue(value);
    setTarget(this);
    setAction("perform");
}

void GallerySlider::perform(kit::Object*)
{
    if (changed_)
        changed_(doubleValue());
}

kit::Ref<kit::TextField> galleryLabel(kit::Rect frame, const QString& text, kit::View* parent)
{
    auto label = kit::make<kit::TextField>(frame);
    label->setEditable(false);
    label->setSelectable(false);
    label->setBezeled(false);
    label->setDrawsBackground(false);
    label->setStringValue(text);
    if (parent)
        parent->addSubview(label.get());
    return label;
}

void galleryMarkStatusLine(const kit::Value& element)
{
    kit::AccessibilitySetOverrideValueForAttribute(element, kit::Value(kit::AccessibilityARIALivePoliteValue), kit::AccessibilityARIALiveAttribute);
}
