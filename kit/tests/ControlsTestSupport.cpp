#include "ControlsTestSupport.h"

namespace kit::test {

KIT_REGISTER_CLASS(RecordingTarget, Responder)
{
    c.action("act", &RecordingTarget::act);
    c.action("itemAct", &RecordingTarget::itemAct);
    c.action("other", &RecordingTarget::other);
}

} // namespace kit::test
