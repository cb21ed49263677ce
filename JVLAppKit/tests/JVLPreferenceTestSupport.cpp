#include "JVLPreferenceTestSupport.h"

#include "JVLAppKit/JVLPreferenceWindowController/JVLPrefPaneIcon.h"

KIT_REGISTER_CLASS(PrefTestPane, kit::Object)
{
    c.optionalOperations({ "willSelect", "didSelect", "willUnselect", "didUnselect" });
}

KIT_REGISTER_CLASS(PrefTestDelegate, kit::Object)
{
    c.optionalOperations({ "shouldLoadPreferencePane", "didLoadPreferencePane", "willSelectPreferencePane", "didUnselectPreferencePane",
        "displayNameForCategory" });
}

void PrefTestOpener::openPane(kit::Object* sender)
{
    if (auto* icon = dynamic_cast<JVLPrefPaneIcon*>(sender))
        opened << icon->itemIdentifier();
}

KIT_REGISTER_CLASS(PrefTestOpener, kit::Object) { c.action("openPane", &PrefTestOpener::openPane); }
