#pragma once

// One item of a window's toolbar: a button with an image and a label that sends its action to
// its target (or along the responder chains), or a view of its own. Before the toolbar shows
// and on every window update the item asks the action's receiver whether it is enabled. A button
// item is a screen reader's button in its toolbar's strip.

#include "kit/appkit/Accessibility.h"
#include "kit/appkit/UserInterfaceValidation.h"
#include "kit/core/Class.h"
#include "kit/core/Geometry.h"

#include <QString>

namespace kit {

class Image;
class Toolbar;
class ToolbarItem;
class View;

// The standard items: the toolbar makes them itself, without asking its delegate.
inline const QString ToolbarSeparatorItemIdentifier = QStringLiteral("NSToolbarSeparatorItem");
inline const QString ToolbarSpaceItemIdentifier = QStringLiteral("NSToolbarSpaceItem");
inline const QString ToolbarFlexibleSpaceItemIdentifier = QStringLiteral("NSToolbarFlexibleSpaceItem");

// What an action's receiver implements to validate toolbar items in particular; receivers
// without it are asked validateUserInterfaceItem.
class ToolbarItemValidation {
public:
    virtual ~ToolbarItemValidation() = default;
    virtual bool validateToolbarItem(ToolbarItem* item) = 0;
};

class ToolbarItem : public Object, public ValidatedUserInterfaceItem, public Accessibility {
    KIT_CLASS(ToolbarItem)

    explicit ToolbarItem(const QString& itemIdentifier = {});

    QString itemIdentifier() const { return identifier_; }
    // The toolbar the item is in, or null.
    Ref<Toolbar> toolbar() const { return toolbar_.lock(); }

    QString label() const { return label_; }
    void setLabel(const QString& label);
    QString paletteLabel() const { return paletteLabel_; }
    void setPaletteLabel(const QString& label) { paletteLabel_ = label; }
    QString toolTip() const { return toolTip_; }
    void setToolTip(const QString& tip) { toolTip_ = tip; }
    Ref<Image> image() const { return image_; }
    void setImage(Image* image);

    // Held weakly; empty sends along the responder chains.
    Ref<Object> target() const { return target_.lock(); }
    const Weak<Object>& targetReference() const { return target_; }
    void setTarget(Object* target) { target_ = target; }
    void setAction(Selector action) { action_ = action; }
    void setTag(std::int64_t tag) { tag_ = tag; }

    bool isEnabled() const { return enabled_; }
    void setEnabled(bool flag);
    // YES: validate() asks the action's receiver. Items with a view are left to the view.
    bool autovalidates() const { return autovalidates_; }
    void setAutovalidates(bool flag) { autovalidates_ = flag; }
    // Overridable; the toolbar calls it before it shows and on every window update.
    virtual void validate();

    // An item with a view shows the view instead of a button; the sizes are the view's frame.
    Ref<View> view() const { return view_; }
    void setView(View* view);
    Size minSize() const { return minSize_; }
    void setMinSize(Size size) { minSize_ = size; }
    Size maxSize() const { return maxSize_; }
    void setMaxSize(Size size) { maxSize_ = size; }

    // Sends the action as a click on the item does, the item as sender.
    void sendAction();

    // kit::ValidatedUserInterfaceItem:
    Selector action() const override { return action_; }
    std::int64_t tag() const override { return tag_; }

    // kit::Accessibility: a button named by its label (else its palette label, else its tool tip),
    // where the strip draws it; a selectable item is checked while selected. Pressing it or
    // focusing it goes through the strip, as a click or the keyboard does.
    QStringList accessibilityAttributeNames() const override;
    Value accessibilityAttributeValue(const QString& attribute) const override;
    bool accessibilityIsAttributeSettable(const QString& attribute) const override;
    void accessibilitySetValueForAttribute(const Value& value, const QString& attribute) override;
    QStringList accessibilityActionNames() const override { return { AccessibilityPressAction }; }
    void accessibilityPerformAction(const QString& action) override;
    Ref<View> accessibilityDrawingView() const override;

private:
    friend class Toolbar;
    void changed();

    QString identifier_;
    Weak<Toolbar> toolbar_;
    QString label_;
    QString paletteLabel_;
    QString toolTip_;
    Ref<Image> image_;
    Weak<Object> target_;
    Selector action_;
    std::int64_t tag_ = 0;
    bool enabled_ = true;
    bool autovalidates_ = true;
    Ref<View> view_;
    Size minSize_ { 0, 0 };
    Size maxSize_ { 0, 0 };
};

} // namespace kit
