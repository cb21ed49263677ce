#pragma once

// A controller of one content object, the base of the array controller. Its keys are observable
// and bindable: "content", "selectedObjects", "canAdd", "canRemove", "isEditable".

#include "kit/core/Class.h"

namespace kit {

class ObjectController : public Object {
    KIT_CLASS(ObjectController)
    ObjectController();
    explicit ObjectController(const Value& content);

    Value content() const { return content_; }
    virtual void setContent(const Value& content);

    // The class new objects are made of (null: plain kit::Object).
    const Class* objectClass() const { return objectClass_; }
    void setObjectClass(const Class* c) { objectClass_ = c; }
    virtual Ref<Object> newObject() const;

    bool isEditable() const { return editable_; }
    void setEditable(bool editable) { setValueNotifying("isEditable", editable_, editable); }
    virtual bool canAdd() const { return editable_; }
    virtual bool canRemove() const { return editable_ && !selectedObjects().isEmpty(); }
    // There is no managed object context here; the answer is always nil.
    Value managedObjectContext() const { return {}; }

    virtual Array selectedObjects() const;

    // Replace the content (the object controller holds one object).
    virtual void addObject(const Value& object);
    virtual void removeObject(const Value& object);
    // Actions.
    void add(Object* sender);
    void remove(Object* sender);

protected:
    Value content_;

private:
    const Class* objectClass_ = nullptr;
    bool editable_ = true;
};

} // namespace kit
