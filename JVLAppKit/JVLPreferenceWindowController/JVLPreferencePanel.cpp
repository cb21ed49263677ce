#include "JVLAppKit/JVLPreferenceWindowController/JVLPreferencePanel.h"

#include "kit/core/Exception.h"
#include "kit/foundation/Bundle.h"

using namespace kit;

KIT_REGISTER_CLASS(JVLPreferencePanel, kit::Object)
{
    c.bundle("JVLAppKit");
    c.property(
        "paneMainView", [](const JVLPreferencePanel& x) { return Value(x.paneMainView()); },
        [](JVLPreferencePanel& x, const Value& v) { x.setPaneMainView(dynamic_pointer_cast<View>(v.object())); });
    c.property("identifier", &JVLPreferencePanel::identifier);
    c.property("sortOrder", &JVLPreferencePanel::sortOrder, &JVLPreferencePanel::setSortOrder);
    // The base class implements these itself.
    c.optionalOperations({ "shouldResize", "willSelect", "didSelect", "willUnselect", "didUnselect", "panelDidBecomeMain", "categoryDisplayName" });
}

JVLPreferencePanel::JVLPreferencePanel(const QString& nibName, const QString& identifier)
{
    initWithNibNameAndIndentifier(nibName, identifier);
}

void JVLPreferencePanel::initWithNibNameAndIndentifier(const QString& nibName, const QString& identifier)
{
    if (!Bundle::loadNibNamedOwner(nibName, this))
        Exception::raise(JVLViewInitializationFailedException, QStringLiteral("%1: Could not load views resources!").arg(nibName));
    identifier_ = identifier;
    sortOrder_ = 0;
    viewDidLoad();
}
