#include "kit/graphics/Shadow.h"

#include "kit/graphics/GraphicsContext.h"

#include <QHash>

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

bool Shadow::isEqual(const Object* other) const
{
    if (other == this)
        return true;
    const auto* s = dynamic_cast<const Shadow*>(other);
    if (!s || s->offset_.width != offset_.width || s->offset_.height != offset_.height || s->blur_ != blur_)
        return false;
    return s->color_ == color_ || (s->color_ && color_ && s->color_->isEqual(color_.get()));
}

std::size_t Shadow::hash() const { return qHashMulti(0, offset_.width, offset_.height, blur_, color_ ? color_->hash() : 0); }

} // namespace kit
