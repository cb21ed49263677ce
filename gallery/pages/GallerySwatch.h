#pragma once

// Small views the component pages share: text a view paints as a screen reader reads it, a
// filled, titled rectangle, a push button that runs a function when clicked, a slider that hands
// each new value to a function, and a plain label.

#include "kit/appkit/Accessibility.h"
#include "kit/appkit/View.h"
#include "kit/appkit/Window.h"
#include "kit/controls/Button.h"
#include "kit/controls/Slider.h"
#include "kit/controls/TextField.h"

#include <QColor>
#include <QString>

#include <functional>

// What a view paints as text, for a screen reader: static text valued by `paintedText()`, ignored
// while that is empty (its subviews stand in). The view calls accessibilityValueChanged() when the
// text changes, so that the change is read out.
class GalleryPaintedText : public kit::Accessibility {
public:
    virtual QString paintedText() const = 0;

    // kit::Accessibility:
    QStringList accessibilityAttributeNames() const override;
    kit::Value accessibilityAttributeValue(const QString& attribute) const override;
    bool accessibilityIsIgnored() const override { return paintedText().isEmpty(); }
};

class GallerySwatch : public kit::View, public GalleryPaintedText {
public:
    GallerySwatch(kit::Rect frame, QColor fill, QString title);

    QString title() const { return title_; }
    void setTitle(const QString& title);
    // One line cut with an ellipsis where the title does not fit, instead of wrapped lines.
    void setTruncatesTitle(bool flag);
    // The title as drawn.
    QString shownTitle() const;

    // kit::View:
    void drawRect(kit::Rect dirtyRect) override;
    // GalleryPaintedText:
    QString paintedText() const override { return title_; }

protected:
    QColor fill_;
    QString title_;
    bool truncates_ = false;
};

class GalleryPushButton : public kit::Button {
    KIT_CLASS(GalleryPushButton)
public:
    explicit GalleryPushButton(kit::Rect frame = {}, const QString& title = {}, std::function<void()> action = {});

    // The button's own action, sent to itself.
    void perform(kit::Object* sender);
    // What a screen reader calls the button where its title alone tells too little ("Play"
    // beside a sound's name): empty for the title.
    void setAccessibilityName(const QString& name);

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

// Marks `element` as a status line, a polite live region: a screen reader reads each new text
// wherever the focus is.
void galleryMarkStatusLine(const kit::Value& element);
