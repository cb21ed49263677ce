#include "kit/core/ObjectController.h"

namespace kit {

KIT_REGISTER_CLASS(ObjectController, Object)
{
    c.property("content", &ObjectController::content, &ObjectController::setContent);
    c.property("isEditable", &ObjectController::isEditable, &ObjectController::setEditable);
    c.property("canAdd", &ObjectController::canAdd);
    c.property("canRemove", &ObjectController::canRemove);
    c.property("selectedObjects", &ObjectController::selectedObjects);
    c.property("managedObjectContext", &ObjectController::managedObjectContext);
    c.dependentKey("selectedObjects", { "content" });
    c.dependentKey("canAdd", { "isEditable" });
    c.dependentKey("canRemove", { "isEditable", "selectedObjects" });
    c.action("add", &ObjectController::add).action("remove", &ObjectController::remove);
    c.exposeBinding("content").exposeBinding("editable");
}

ObjectController::ObjectController() { setMainThreadAffine(); }

ObjectController::ObjectController(const Value& content)
    : content_(content)
{
    setMainThreadAffine();
}

void ObjectController::setContent(const Value& content) { setValueNotifying("content", content_, content); }

Ref<Object> ObjectController::newObject() const { return objectClass_ ? objectClass_->make() : make<Object>(); }

Array ObjectController::selectedObjects() const { return content_.isNilOrNull() ? Array() : Array { content_ }; }

void ObjectController::addObject(const Value& object) { setContent(object); }

void ObjectController::removeObject(const Value& object)
{
    if (content_.identicalTo(object))
        setContent(Value());
}

void ObjectController::add(Object*)
{
    if (canAdd())
        addObject(newObject());
}

void ObjectController::remove(Object*)
{
    if (canRemove())
        removeObject(content_);
}

} // namespace kit
