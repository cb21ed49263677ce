#include "gallery/pages/AboutPage.h"

#include "gallery/pages/GallerySwatch.h"

#include <QApplication>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QPalette>

namespace {

// Three centred lines: the name large and bold, the version, a short description.
class AboutView : public kit::View, public GalleryPaintedText {
public:
    explicit AboutView(kit::Rect frame)
        : View(frame)
    {
        QFile file(QStringLiteral(":/Gallery/Info.json"));
        if (file.open(QIODevice::ReadOnly))
            info_ = QJsonDocument::fromJson(file.readAll()).object();
    }

    bool isFlipped() const override { return true; }

    QStringList lines() const
    {
        return { info_.value(QStringLiteral("CFBundleName")).toString(QStringLiteral("(unnamed)")),
            QStringLiteral("Version %1").arg(info_.value(QStringLiteral("CFBundleShortVersionString")).toString()),
            QStringLiteral("Desktop user-interface components for Linux, on the kit platform layer.") };
    }
    QString paintedText() const override { return lines().join(QLatin1Char('\n')); }

    void drawRect(kit::Rect) override
    {
        QPainter* p = currentPainter();
        if (!p)
            return;
        const kit::Rect b = bounds();
        p->fillRect(QRectF(b.minX(), b.minY(), b.width(), b.height()), QApplication::palette().color(QPalette::Base));
        p->setPen(QApplication::palette().color(QPalette::Text));

        QFont big = QApplication::font();
        big.setPixelSize(28);
        big.setBold(true);
        QFont body = QApplication::font();
        body.setPixelSize(13);

        const double middle = b.midY();
        const auto line = [&](const QFont& font, double top, double height, const QString& text) {
            p->setFont(font);
            p->drawText(QRectF(b.minX() + 20, top, b.width() - 40, height), Qt::AlignCenter | Qt::TextWordWrap, text);
        };
        const QStringList text = lines();
        line(big, middle - 60, 40, text[0]);
        line(body, middle - 10, 20, text[1]);
        line(body, middle + 20, 40, text[2]);
    }

private:
    QJsonObject info_;
};

} // namespace

kit::Ref<kit::View> makeAboutPage(kit::Rect frame)
{
    auto page = kit::make<AboutView>(frame);
    page->setAutoresizingMask(kit::ViewWidthSizable | kit::ViewHeightSizable);
    return page;
}
