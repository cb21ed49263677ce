#pragma once

// The two buttons of the tab bar: the add-tab button, which shows a third image while the
// pointer rests on it, and the pull-down of the tabs that do not fit.

#include "kit/controls/Button.h"
#include "kit/controls/PopUpButton.h"
#include "kit/graphics/Image.h"

class XTRolloverButton : public kit::Button {
    KIT_CLASS(XTRolloverButton)
public:
    explicit XTRolloverButton(kit::Rect frame = {});
    kit::Ref<kit::Image> usualImage() const { return usualImage_; }
    void setUsualImage(kit::Ref<kit::Image> image);
    kit::Ref<kit::Image> rolloverImage() const { return rolloverImage_; }
    void setRolloverImage(kit::Ref<kit::Image> image) { rolloverImage_ = std::move(image); }
    // The pointer came in or left without an event of its own (a resting pointer after layout).
    void rolloverEntered();
    void rolloverExited();

private:
    kit::Ref<kit::Image> usualImage_;
    kit::Ref<kit::Image> rolloverImage_;
};

class XTOverflowPopUpButton : public kit::PopUpButton {
    KIT_CLASS(XTOverflowPopUpButton)
public:
    explicit XTOverflowPopUpButton(kit::Rect frame = {});
    void drawRect(kit::Rect rect) override;

private:
    kit::Ref<kit::Image> image_;
    kit::Ref<kit::Image> pressedImage_;
};
