#include "JVLAppKit/JVLPreferenceWindowController/JVLPlugInPreferencePane.h"

#include "kit/core/Exception.h"

using namespace kit;

namespace {

// A text of the bundle's Info.json; null when the key is missing.
QString jvlPlugInInfoText(Bundle* bundle, const char* key)
{
    const Value v = bundle->objectForInfoDictionaryKey(QString::fromUtf8(key));
    return v.isNilOrNull() ? QString() : v.stringValue();
}

} // namespace

KIT_REGISTER_CLASS(JVLPlugInPreferencePane, kit::Object)
{
    c.bundle("JVLAppKit");
    c.property("identifier", &JVLPlugInPreferencePane::identifier);
    c.property("label", &JVLPlugInPreferencePane::label);
    c.property("category", &JVLPlugInPreferencePane::category);
    c.property("sortOrder", &JVLPlugInPreferencePane::sortOrder, &JVLPlugInPreferencePane::setSortOrder);
}

JVLPlugInPreferencePane::JVLPlugInPreferencePane(Bundle* bundle)
{
    if (!bundle)
        return;
    const QString principal = jvlPlugInInfoText(bundle, "NSPrincipalClass");
    identifier_ = jvlPlugInInfoText(bundle, "CFBundleIdentifier");
    if (principal.isEmpty()) {
        logMessage(QStringLiteral("principal class name not found"));
        return;
    }
    // A second copy of a pane class is never loaded.
    if (classFromString(principal)) {
        logMessage(QStringLiteral("class %1 already exists").arg(principal));
        return;
    }
    pluginBundle_ = bundle;
    const QString label = jvlPlugInInfoText(bundle, "NSPrefPaneIconLabel");
    label_ = label.isNull() ? identifier_ : label;
    const QString iconFile = jvlPlugInInfoText(bundle, "NSPrefPaneIconFile");
    const QString iconPath = bundle->pathForImageResource(iconFile.isNull() ? identifier_ : iconFile);
    if (!iconPath.isEmpty())
        icon_ = Image::imageByReferencingFile(iconPath);
    category_ = jvlPlugInInfoText(bundle, "JVLPrefPaneCategory");
    version_ = jvlPlugInInfoText(bundle, "JVLPrefPaneVersion");
    helpURL_ = jvlPlugInInfoText(bundle, "JVLPrefPaneHelpURL");
}

Ref<Object> JVLPlugInPreferencePane::prefPane()
{
    if (prefPane_ || prefPaneTried_ || !pluginBundle_)
        return prefPane_;
    prefPaneTried_ = true;
    const QString principal = jvlPlugInInfoText(pluginBundle_.get(), "NSPrincipalClass");
    const Class* cls = pluginBundle_->classNamed(principal);
    Ref<Object> object = cls ? cls->make() : nullptr;
    auto* pane = dynamic_cast<JVLPrefPaneBundleProtocol*>(object.get());
    if (!pane) {
        if (object)
            logMessage(QStringLiteral("class %1 is not a preference pane").arg(principal));
        return nullptr;
    }
    pane->initWithBundle(pluginBundle_.get());
    prefPane_ = object;
    if (object->respondsToSelector("loadMainView"))
        pane->loadMainView();
    return prefPane_;
}

void JVLPlugInPreferencePane::setMainView(const Ref<View>& view)
{
    if (!pluginBundle_)
        mainView_ = view;
}

Ref<View> JVLPlugInPreferencePane::mainView()
{
    if (pluginBundle_)
        if (auto* pane = dynamic_cast<JVLPrefPaneBundleProtocol*>(prefPane().get()))
            return pane->mainView();
    return mainView_;
}

bool JVLPlugInPreferencePane::respondsToSelector(const Selector& selector) const
{
    // Asking creates the pane object: its code decides what the pane implements.
    auto* self = const_cast<JVLPlugInPreferencePane*>(this);
    if (const Ref<Object> pane = self->prefPane(); pane && pane->respondsToSelector(selector))
        return true;
    return Object::respondsToSelector(selector);
}

JVLPrefPaneBundleProtocol* JVLPlugInPreferencePane::forwardTarget(const char* operation)
{
    const Ref<Object> pane = prefPane();
    if (!pane || !pane->respondsToSelector(operation))
        Exception::raise(InvalidArgumentException,
            QStringLiteral("-[JVLPlugInPreferencePane %1]: unrecognized selector sent to instance").arg(QString::fromUtf8(operation)));
    return dynamic_cast<JVLPrefPaneBundleProtocol*>(pane.get());
}

void JVLPlugInPreferencePane::loadMainView()
{
    if (pluginBundle_)
        if (const Ref<Object> pane = prefPane(); pane && pane->respondsToSelector("loadMainView"))
            dynamic_cast<JVLPrefPaneBundleProtocol*>(pane.get())->loadMainView();
}

void JVLPlugInPreferencePane::willSelect() { forwardTarget("willSelect")->willSelect(); }
void JVLPlugInPreferencePane::didSelect() { forwardTarget("didSelect")->didSelect(); }
void JVLPlugInPreferencePane::willUnselect() { forwardTarget("willUnselect")->willUnselect(); }
void JVLPlugInPreferencePane::didUnselect() { forwardTarget("didUnselect")->didUnselect(); }
bool JVLPlugInPreferencePane::shouldResize() { return forwardTarget("shouldResize")->shouldResize(); }
Size JVLPlugInPreferencePane::minSize() { return forwardTarget("minSize")->minSize(); }
Size JVLPlugInPreferencePane::maxSize() { return forwardTarget("maxSize")->maxSize(); }
Size JVLPlugInPreferencePane::standardSize() { return forwardTarget("standardSize")->standardSize(); }
void JVLPlugInPreferencePane::panelDidBecomeMain() { forwardTarget("panelDidBecomeMain")->panelDidBecomeMain(); }
QString JVLPlugInPreferencePane::categoryDisplayName() { return forwardTarget("categoryDisplayName")->categoryDisplayName(); }
