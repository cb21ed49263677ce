#pragma once

// A shadow setting: offset and blur radius in device pixels with y up (flip, scale and rotation
// of user space do not affect it), and a colour. `set` makes every later fill, stroke, image and
// glyph run of the current context cast it, until the graphics state is restored.

#include "kit/core/Class.h"
#include "kit/core/Geometry.h"
#include "kit/core/Object.h"
#include "kit/graphics/Color.h"

namespace kit {

class Shadow : public Object {
    KIT_CLASS(Shadow)
    Shadow() = default;
    static Ref<Shadow> shadow() { return make<Shadow>(); }

    Size shadowOffset() const { return offset_; }
    void setShadowOffset(Size offset) { offset_ = offset; }
    double shadowBlurRadius() const { return blur_; }
    void setShadowBlurRadius(double radius) { blur_ = radius < 0 ? 0 : radius; }
    // Default: black at one third opacity.
    Ref<Color> shadowColor() const { return color_; }
    void setShadowColor(Ref<Color> color) { color_ = std::move(color); }

    void set() const;
    Ref<Object> copy() const override;
    // By value: offset, blur and colour.
    bool isEqual(const Object* other) const override;
    std::size_t hash() const override;

private:
    Size offset_;
    double blur_ = 0;
    Ref<Color> color_ = Color::colorWithCalibratedWhiteAlpha(0, 1.0 / 3.0);
};

} // namespace kit
