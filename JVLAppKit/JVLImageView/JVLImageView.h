#pragma once

// A plain view showing one image, scaled down proportionally and centred, that lets the user pick
// another: a click opens the open panel for one image file, and a picked, readable image is shown
// and sent as the view's action to its target. Deliberately no control, so forms treat it as a
// view of their own. It is a key view: Space and Return pick as a click does. To a screen reader
// it is a picture, named by its tool tip, that pressing picks another for, as a click does.

#include "kit/appkit/Accessibility.h"
#include "kit/appkit/View.h"
#include "kit/core/Selector.h"
#include "kit/graphics/Image.h"

class JVLImageView : public kit::View, public kit::Accessibility {
    KIT_CLASS(JVLImageView)

    explicit JVLImageView(kit::Rect frame = {});

    kit::Ref<kit::Image> image() const { return image_; }
    // Null clears the view.
    void setImage(kit::Ref<kit::Image> image);
    kit::Ref<kit::Object> target() const { return target_.lock(); }
    void setTarget(kit::Weak<kit::Object> target) { target_ = std::move(target); }
    kit::Selector action() const { return action_; }
    void setAction(kit::Selector action) { action_ = std::move(action); }

    // Runs the open panel; with a readable image file chosen, shows it and sends the action once.
    // An unreadable file beeps and changes nothing; cancelling does nothing.
    void pickImage();

    // kit::View:
    void drawRect(kit::Rect dirtyRect) override;
    void mouseDown(const kit::Event& event) override;
    void mouseUp(const kit::Event& event) override;
    bool acceptsFirstMouse(const kit::Event*) const override { return true; }
    // A key view, since a click picks: Space and Return pick as a click does.
    bool acceptsFirstResponder() const override { return true; }
    bool becomeFirstResponder() override;
    bool resignFirstResponder() override;
    void keyDown(const kit::Event& event) override;

    // kit::Accessibility:
    QStringList accessibilityAttributeNames() const override { return kit::ViewAccessibilityAttributeNames(); }
    kit::Value accessibilityAttributeValue(const QString& attribute) const override;
    QStringList accessibilityActionNames() const override { return { kit::AccessibilityPressAction }; }
    void accessibilityPerformAction(const QString& action) override;

private:
    kit::Ref<kit::Image> image_;
    kit::Weak<kit::Object> target_;
    kit::Selector action_;
    bool pressed_ = false;
};
