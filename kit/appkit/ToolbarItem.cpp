#include "kit/appkit/ToolbarItem.h"

#include "kit/appkit/Application.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/Toolbar.h"
#include "kit/appkit/View.h"
#include "kit/appkit/Window.h"
#include "kit/graphics/Image.h"

namespace kit {

ToolbarItem::ToolbarItem(const QString& itemIdentifier)
    : identifier_(itemIdentifier)
{
    setMainThreadAffine();
}

void ToolbarItem::changed()
{
    if (const Ref<Toolbar> t = toolbar())
        t->itemsChanged();
}

void ToolbarItem::setLabel(const QString& label)
{
    label_ = label;
    changed();
}

void ToolbarItem::setImage(Image* image)
{
    image_ = image;
    changed();
}

void ToolbarItem::setEnabled(bool flag)
{
    if (enabled_ == flag)
        return;
    enabled_ = flag;
    changed();
}

void ToolbarItem::setView(View* view)
{
    if (view_)
        view_->removeFromSuperview();
    view_ = view;
    changed();
}

void ToolbarItem::validate()
{
    if (view_ || !autovalidates_)
        return;
    setEnabled(validateUserInterfaceItemForTarget(*this, target_, [this](Object* validator) -> std::optional<bool> {
        if (auto* v = dynamic_cast<ToolbarItemValidation*>(validator))
            return v->validateToolbarItem(this);
        return std::nullopt;
    }));
}

void ToolbarItem::sendAction()
{
    if (!action_.isNull())
        Application::sharedApplication()->sendActionToFrom(action_, target_, this);
}

KIT_REGISTER_CLASS(ToolbarItem, Object)
{
    c.property("label", &ToolbarItem::label, &ToolbarItem::setLabel);
    c.property("itemIdentifier", &ToolbarItem::itemIdentifier);
    c.property("isEnabled", &ToolbarItem::isEnabled, &ToolbarItem::setEnabled);
    c.property("tag", &ToolbarItem::tag, &ToolbarItem::setTag);
}

} // namespace kit
