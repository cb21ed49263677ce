#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorViewController.h"

#include "kit/core/Exception.h"
#include "kit/foundation/Bundle.h"

using namespace kit;

KIT_REGISTER_CLASS(JVLTextViewInspectorViewController, kit::ViewController)
{
    c.bundle(QStringLiteral("JVLAppKit"));
    // The interface file's outlets.
    c.property(
        "noSelectionView", [](const JVLTextViewInspectorViewController& x) { return Value(x.noSelectionView_); },
        [](JVLTextViewInspectorViewController& x, const Value& v) { x.setNoSelectionView(v.objectAs<View>()); });
    c.property(
        "multipleSelectionView", [](const JVLTextViewInspectorViewController& x) { return Value(x.multipleSelectionView_); },
        [](JVLTextViewInspectorViewController& x, const Value& v) { x.setMultipleSelectionView(v.objectAs<View>()); });
}

Ref<JVLTextViewInspectorViewController>& JVLTextViewInspectorViewController::shared()
{
    static Ref<JVLTextViewInspectorViewController> instance;
    return instance;
}

Ref<JVLTextViewInspectorViewController> JVLTextViewInspectorViewController::sharedTextViewInspectorViewController()
{
    Ref<JVLTextViewInspectorViewController>& instance = shared();
    if (!instance) {
        auto controller = make<JVLTextViewInspectorViewController>();
        // The owner's class bundle is tried before the main one: the file ships with this library.
        if (!Bundle::loadNibNamedOwner(QStringLiteral("JVLTextViewInspectorViewController"), controller.get()))
            throw Exception(QStringLiteral("View initialization failed"),
                QStringLiteral("JVLTextViewInspectorViewController: Could not load views resources!"));
        instance = controller;
    }
    return instance;
}

void JVLTextViewInspectorViewController::resetForTesting() { shared() = nullptr; }
