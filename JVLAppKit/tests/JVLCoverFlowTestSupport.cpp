#include "JVLCoverFlowTestSupport.h"

namespace jvl_cover_flow_test {

KIT_REGISTER_CLASS(CoverItem, kit::Object) { c.property("cover", &CoverItem::cover, &CoverItem::setCover); }

} // namespace jvl_cover_flow_test
