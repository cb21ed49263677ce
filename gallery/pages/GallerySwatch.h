#pragma once

// Small views the component pages share: a filled, titled rectangle, and a push button stand-in
// that runs a function when clicked (until kit/controls' Button reaches the gallery).

#include "kit/appkit/View.h"
#include "kit/appkit/Window.h"

#include <QColor>
#include <QString>

#include <functional>

class GallerySwatch : public kit::View {
public:
    GallerySwatch(kit::Rect frame, QColor fill, QString title);

    // kit::View:
    void drawRect(kit::Rect dirtyRect) override;

protected:
    QColor fill_;
    QString title_;
};

class GalleryPushButton : public GallerySwatch {
public:
    GalleryPushButton(kit::Rect frame, QString title, std::function<void()> action);

    // kit::Responder:
    void mouseDown(const kit::Event& event) override;

private:
    std::function<void()> action_;
};
