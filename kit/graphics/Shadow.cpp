#include "kit/graphics/Shadow.h"

#include "kit/graphics/GraphicsContext.h"

namespace kit {

KIT_REGISTER_CLASS(Shadow, Object) { }

void Shadow::set() const
{
    if (auto* c = GraphicsContext::currentContext())
        c->setShadow(this);
}

Ref<Object> Shadow::copy() const
{
    auto s = make<Shadow>();
    s->offset_ = offset_;
    s->blur_ = blur_;
    s->color_ = color_;
    return s;
}

} // namespace kit
