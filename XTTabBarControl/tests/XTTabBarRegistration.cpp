#include "XTTabBarControl/tests/XTTabBarTestSupport.h"

KIT_REGISTER_CLASS(XTTestIdentifier, kit::Object)
{
    c.property("isProcessing", &XTTestIdentifier::isProcessing, &XTTestIdentifier::setIsProcessing);
    c.property("objectCount", &XTTestIdentifier::objectCount, &XTTestIdentifier::setObjectCount);
    c.property("isEdited", &XTTestIdentifier::isEdited, &XTTestIdentifier::setIsEdited);
    c.property(
        "icon", [](const XTTestIdentifier& x) { return kit::Value(x.icon()); },
        [](XTTestIdentifier& x, const kit::Value& v) { x.setIcon(v.objectAs<kit::Image>()); });
    c.property("largeImage", [](const XTTestIdentifier& x) { return kit::Value(x.largeImage()); });
    c.property("countColor", [](const XTTestIdentifier& x) { return kit::Value(x.countColor()); });
}
