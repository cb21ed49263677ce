#include "RuntimeTestModels.h"

namespace kit::test {

KIT_REGISTER_CLASS(Model, Object)
{
    c.property("title", &Model::title, &Model::setTitle);
    c.property("count", &Model::count, &Model::setCount);
    c.property("isEnabled", &Model::isEnabled, &Model::setEnabled);
    c.property("child", &Model::child, &Model::setChild);
    c.property("object", &Model::object, &Model::setObject);
    c.property("items", &Model::items, &Model::setItems, PropertyToMany);
    c.property("summary", &Model::summary);
    c.dependentKey("summary", { "title", "count" });
    c.exposeBinding("title").exposeBinding("isEnabled");
}

} // namespace kit::test
