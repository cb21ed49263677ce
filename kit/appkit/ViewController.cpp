#include "kit/appkit/ViewController.h"

#include "kit/appkit/View.h"
#include "kit/foundation/Bundle.h"

namespace kit {

namespace {
const QString viewControllerRepresentedObjectKey = QStringLiteral("representedObject");
}

KIT_REGISTER_CLASS(ViewController, Responder)
{
    // The interface file's outlet; reading it loads nothing.
    c.property(
        "view", [](const ViewController& x) { return Value(x.view_); },
        [](ViewController& x, const Value& v) { x.setView(dynamic_cast<View*>(v.object().get())); });
    c.property(
        viewControllerRepresentedObjectKey, [](const ViewController& x) { return x.representedObject_; },
        [](ViewController& x, const Value& v) { x.setRepresentedObject(v); });
    c.exposeBinding(viewControllerRepresentedObjectKey);
}

ViewController::ViewController(const QString& nibName)
    : nibName_(nibName)
{
    setMainThreadAffine();
}

ViewController::~ViewController() = default;

Ref<View> ViewController::view()
{
    if (!view_ && !nibName_.isEmpty() && !loading_) {
        loading_ = true;
        loadView();
        loading_ = false;
    }
    return view_;
}

void ViewController::setView(View* view) { view_ = view; }

void ViewController::setRepresentedObject(const Value& object) { setValueNotifying(viewControllerRepresentedObjectKey, representedObject_, object); }

void ViewController::loadView()
{
    Array topLevel;
    if (Bundle::loadNibNamedOwnerTopLevelObjects(nibName_, this, &topLevel))
        topLevelObjects_ = topLevel;
}

} // namespace kit
