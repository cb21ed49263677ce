#include "kit/graphics/ParagraphStyle.h"

namespace kit {

KIT_REGISTER_CLASS(ParagraphStyle, Object) { }

} // namespace kit
