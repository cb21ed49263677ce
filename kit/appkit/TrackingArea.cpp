#include "kit/appkit/TrackingArea.h"

#include "kit/appkit/View.h"

namespace kit {

KIT_REGISTER_CLASS(TrackingArea, Object) { }

} // namespace kit
