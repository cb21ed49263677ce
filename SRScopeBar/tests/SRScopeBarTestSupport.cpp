#include "SRScopeBarTestSupport.h"

KIT_REGISTER_CLASS(SRTableButtonCell, SRButtonCell)
{
    c.copyable();
}

KIT_REGISTER_CLASS(SRTablePopUpCell, SRPopUpButtonCell)
{
    c.copyable();
}

KIT_REGISTER_CLASS(SRTestDataSource, kit::Object) { }
KIT_REGISTER_CLASS(SRTestDelegate, kit::Object) { }
