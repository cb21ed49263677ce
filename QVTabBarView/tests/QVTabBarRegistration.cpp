#include "QVTabBarView/tests/QVTabBarTestSupport.h"

KIT_REGISTER_CLASS(QVStubStyle, QVTabStyle) { c.optionalOperations({ "leftMarginForTabBarView", "rightMarginForTabBarView", "desiredWidthOfTabCell", "titleRectForBoundsOfTabCell" }); }
