#include "JVLAppKit/JVLFeedbackProvider/JVLLicenseWindowController.h"

#include "FoundationExtensions/JVLNSMutableAttributedStringExtensions.h"
#include "FoundationExtensions/JVLNSObject_Extension.h"
#include "kit/appkit/Window.h"
#include "kit/core/Error.h"
#include "kit/core/Exception.h"
#include "kit/foundation/Bundle.h"
#include "kit/graphics/Color.h"
#include "kit/text/LayoutManager.h"
#include "kit/text/TextStorage.h"

#include <mutex>

using namespace kit;

namespace {

struct JVLLicenseShared {
    std::mutex mutex;
    Ref<JVLLicenseWindowController> instance;
    QString fileName;
};

JVLLicenseShared& jvlLicenseShared()
{
    static JVLLicenseShared shared;
    return shared;
}

} // namespace

KIT_REGISTER_CLASS(JVLLicenseWindowController, kit::WindowController)
{
    c.bundle("JVLAppKit");
    c.property(
        "textView", [](const JVLLicenseWindowController& x) { return Value(x.textView_); },
        [](JVLLicenseWindowController& x, const Value& v) { x.textView_ = v.objectAs<URLTextView>(); });
    c.action("showLicenseWindow", &JVLLicenseWindowController::showLicenseWindow);
}

JVLLicenseWindowController::JVLLicenseWindowController()
    : WindowController(QStringLiteral("JVLLicense"))
{ }

Ref<JVLLicenseWindowController> JVLLicenseWindowController::makeLicenseWindowController()
{
    JVLLicenseShared& shared = jvlLicenseShared();
    std::lock_guard lock(shared.mutex);
    if (shared.instance)
        return nullptr;
    shared.instance = make<JVLLicenseWindowController>();
    return shared.instance;
}

Ref<JVLLicenseWindowController> JVLLicenseWindowController::sharedLicenseWindow()
{
    {
        std::lock_guard lock(jvlLicenseShared().mutex);
        if (jvlLicenseShared().instance)
            return jvlLicenseShared().instance;
    }
    makeLicenseWindowController();
    std::lock_guard lock(jvlLicenseShared().mutex);
    return jvlLicenseShared().instance;
}

void JVLLicenseWindowController::resetSharedLicenseWindowForTesting(const QString& fileName)
{
    Ref<JVLLicenseWindowController> old;
    {
        std::lock_guard lock(jvlLicenseShared().mutex);
        old = std::move(jvlLicenseShared().instance);
        jvlLicenseShared().fileName = fileName;
    }
    if (old && old->isWindowLoaded())
        old->close();
}

void JVLLicenseWindowController::awakeFromNib()
{
    Bundle* bundle = JVLNSObject_Extension::bundle(staticClass());
    QString fileName;
    {
        std::lock_guard lock(jvlLicenseShared().mutex);
        fileName = jvlLicenseShared().fileName.isEmpty() ? QStringLiteral("JVLLicense.rtf") : jvlLicenseShared().fileName;
    }
    const QString path = bundle->pathForResourceOfType(fileName, QString());
    Ref<Error> error;
    Ref<TextStorage> storage = path.isEmpty() ? nullptr : TextStorage::initWithRTFPath(path, &error);
    if (!storage) {
        log(QStringLiteral("The licence text \"%@\" could not be read: %@"), fileName,
            error ? error->localizedDescription() : QStringLiteral("not in the bundle"));
        storage = make<TextStorage>();
    }
    JVLNSMutableAttributedStringExtensions::detectURLs(*storage, Color::blueColor());
    if (textView_)
        textView_->layoutManager()->replaceTextStorage(storage);
    if (const Ref<Window> window = this->window())
        window->setTitle(format(bundle->localizedStringForKeyValueTable(QStringLiteral("JVLLWCWindowTitle"), QString(),
                                    QStringLiteral("JVLLicenseWindowController")),
            Bundle::mainBundle()->objectForInfoDictionaryKey(QStringLiteral("CFBundleName")).string()));
}

void JVLLicenseWindowController::showLicenseWindow(Object* sender)
{
    const Ref<JVLLicenseWindowController> shared = sharedLicenseWindow();
    if (const Ref<Window> window = shared->window())
        window->center();
    shared->showWindow(sender);
}
