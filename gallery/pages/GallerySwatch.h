#pragma once

// Small views the component pages share: a filled, titled rectangle, a push button that runs
// a function when clicked, a slider that hands each new value to a function, and a plain label.

#include "kit/appkit/View.h"
#include "kit/appkit/Window.h"
#include "kit/controls/Button.h"
#include "kit/controls/Slider.h"
#include "kit/controls/TextField.h"

#include <QColor>
#include <QString>

#include <functional>

class GallerySwatch : public kit::View {
public:
    GallerySwatch(kit::Rect frame, QColor fill, QString title);

    QString title() const { return title_; }
    void setTitle(const QString& title);

    // kit::View:
    void drawRect(kit::Rect dirtyRect) override;

protected:
    QColor fill_;
    QString title_;
};

class GalleryPushButton : public kit::Button {
    KIT_CLASS(GalleryPushButton)
public:
    explicit GalleryPushButton(kit::Rect frame = {}, const QString& title = {}, std::function<void()> action = {});

    // The button's own action, sent to itself.
    void perform(kit::Object* sender);

private:
    std::function<void()> action_;
};

class GallerySlider : public kit::Slider {
    KIT_CLASS(GallerySlider)
public:
    explicit GallerySlider(kit::Rect frame = {}, double min = 0, double max = 1, double value = 0, std::function<void(double)> changed = {});

    // The slider's own action, sent to itself.
    void perform(kit::Object* sender);

private:
    std::function<void(double)> changed_;
};

// A read-only, unselectable text without bezel or background, added to `parent` when one is given.
kit::Ref<kit::TextField> galleryLabel(kit::Rect frame, const QString& text, kit::View* parent = nullptr);
