#include "gallery/pages/AboutPage.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>

QWidget* makeAboutPage()
{
    QJsonObject info;
    QFile file(QStringLiteral(":/Gallery/Info.json"));
    if (file.open(QIODevice::ReadOnly))
        info = QJsonDocument::fromJson(file.readAll()).object();

    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    auto* name = new QLabel(info.value(QStringLiteral("CFBundleName")).toString(QStringLiteral("(unnamed)")));
    QFont big = name->font();
    big.setPixelSize(28);
    big.setBold(true);
    name->setFont(big);
    auto* version = new QLabel(QStringLiteral("Version %1").arg(info.value(QStringLiteral("CFBundleShortVersionString")).toString()));
    auto* blurb = new QLabel(QStringLiteral("Desktop user-interface components for Linux, on the kit platform layer."));
    blurb->setWordWrap(true);
    layout->addStretch();
    for (QLabel* label : { name, version, blurb }) {
        label->setAlignment(Qt::AlignCenter);
        layout->addWidget(label);
    }
    layout->addStretch();
    return page;
}
