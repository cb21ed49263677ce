#include "gallery/pages/GallerySwatch.h"

#include <QPainter>

GallerySwatch::GallerySwatch(kit::Rect frame, QColor fill, QString title)
    : kit::View(frame)
    , fill_(fill)
    , title_(std::move(title))
{ }

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
    QFont font = painter->font();
    font.setPixelSize(13);
    painter->setFont(font);
    painter->setPen(QColor(40, 40, 40));
    painter->drawText(box.adjusted(8, 6, -8, -6), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, title_);
    painter->restore();
}

GalleryPushButton::GalleryPushButton(kit::Rect frame, QString title, std::function<void()> action)
    : GallerySwatch(frame, QColor(232, 232, 236), std::move(title))
    , action_(std::move(action))
{ }

void GalleryPushButton::mouseDown(const kit::Event&)
{
    if (action_)
        action_();
}
