#include "kit/graphics/GraphicsContext.h"

namespace kit {

// The state keeps a full QTransform, so the projective terms survive until the painter draws.
void GraphicsContext::concatProjectiveCTM(const QTransform& t) { core_->state.ctm = t * core_->state.ctm; }

} // namespace kit
