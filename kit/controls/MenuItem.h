#pragma once

// One entry of a menu: a title with an optional image, key equivalent and check state, an action
// sent to a target (or along the responder chain) with the item as sender, a represented object
// kept by identity, and an optional submenu. Separator items are shared-looking but distinct.

#include "kit/appkit/UserInterfaceValidation.h"
#include "kit/core/Class.h"
#include "kit/core/Object.h"
#include "kit/core/Value.h"
#include "kit/foundation/Coder.h"
#include "kit/graphics/Image.h"

#include <QString>

#include <cstdint>
#include <string>

namespace kit {

class Menu;

class MenuItem : public Object, public Coding, public ValidatedUserInterfaceItem {
    KIT_CLASS(MenuItem)
public:
    MenuItem() = default;
    MenuItem(const QString& title, Selector action, const QString& keyEquivalent);
    ~MenuItem() override;
    // Every setting; the copy is in no menu and has a copy of the submenu.
    void copyTo(Object& copy) const override;

    // kit::Coding: the settings, the submenu and an archivable represented object; the target is
    // conditional, the image is kept by name (an unnamed one is not archived).
    void encodeWithCoder(Coder& coder) const override;
    void initWithCoder(Coder& coder) override;
    static Ref<MenuItem> separatorItem();

    QString title() const { return title_; }
    void setTitle(const QString& title) { title_ = title; }
    Selector action() const override { return action_; }
    void setAction(Selector action) { action_ = action; }
    Ref<Object> target() const { return target_.lock(); }
    const Weak<Object>& targetReference() const { return target_; }
    void setTarget(Object* target) { target_ = target; }
    std::int64_t tag() const override { return tag_; }
    void setTag(std::int64_t tag) { tag_ = tag; }
    // On shows a check mark, Mixed a dash.
    int state() const { return state_; }
    void setState(int state) { state_ = state; }
    Ref<Image> image() const { return image_; }
    void setImage(Ref<Image> image) { image_ = std::move(image); }
    // Any value; objects keep their identity.
    Value representedObject() const { return representedObject_; }
    void setRepresentedObject(const Value& object) { representedObject_ = object; }
    bool isEnabled() const { return enabled_; }
    void setEnabled(bool flag) { enabled_ = flag; }
    bool isHidden() const { return hidden_; }
    void setHidden(bool flag) { hidden_ = flag; }
    bool isSeparatorItem() const { return separator_; }

    // An upper-case letter implies Shift. The mask defaults to Command.
    QString keyEquivalent() const { return keyEquivalent_; }
    void setKeyEquivalent(const QString& key) { keyEquivalent_ = key; }
    std::uint64_t keyEquivalentModifierMask() const { return keyEquivalentMask_; }
    void setKeyEquivalentModifierMask(std::uint64_t mask) { keyEquivalentMask_ = mask; }

    Ref<Menu> submenu() const { return submenu_; }
    void setSubmenu(Ref<Menu> submenu);
    bool hasSubmenu() const { return submenu_ != nullptr; }
    // The menu holding the item (weak).
    Ref<Menu> menu() const { return menu_.lock(); }

private:
    friend class Menu;
    QString title_;
    Selector action_;
    Weak<Object> target_;
    std::int64_t tag_ = 0;
    int state_ = 0;
    Ref<Image> image_;
    Value representedObject_;
    bool enabled_ = true;
    bool hidden_ = false;
    bool separator_ = false;
    QString keyEquivalent_;
    std::uint64_t keyEquivalentMask_ = 0x100000; // Command
    Ref<Menu> submenu_;
    Weak<Menu> menu_;
};

} // namespace kit
