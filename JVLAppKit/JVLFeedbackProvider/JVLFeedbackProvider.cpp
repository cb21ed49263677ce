#include "JVLAppKit/JVLFeedbackProvider/JVLFeedbackProvider.h"

#include "JVLAppKit/JVLCrashReporter/JVLMultipartForm.h"

#include "FoundationExtensions/JVLNSObject_Extension.h"
#include "kit/appkit/Accessibility.h"
#include "kit/appkit/Application.h"
#include "kit/appkit/ScrollView.h"
#include "kit/appkit/Workspace.h"
#include "kit/controls/Alert.h"
#include "kit/core/Exception.h"
#include "kit/foundation/Bundle.h"
#include "kit/foundation/UserDefaults.h"

#include <QUrl>

#include <limits>
#include <vector>

using namespace kit;

namespace {

QString jvlFeedbackText(const QString& key)
{
    return JVLNSObject_Extension::bundle(JVLFeedbackProvider::staticClass())
        ->localizedStringForKeyValueTable(key, QString(), QStringLiteral("JVLFeedbackProviderAdditional"));
}

QString jvlFeedbackInfo(const QString& key)
{
    return Bundle::mainBundle()->objectForInfoDictionaryKey(key).string();
}

template <class T> void jvlFeedbackSetOutlet(Ref<T>& outlet, const Value& v)
{
    outlet = dynamic_pointer_cast<T>(v.object());
}

// The label a reader of the form pairs with a field: the nearest static text on its row to its
// left, or straight above it (window coordinates, y up).
Ref<TextField> jvlFeedbackLabelOf(const View& field, const View& form)
{
    const Rect f = field.convertRectToView(field.bounds(), nullptr);
    Ref<TextField> best;
    double nearest = std::numeric_limits<double>::infinity();
    std::vector<Ref<View>> pending { Ref<View>(const_cast<View*>(&form)) };
    while (!pending.empty()) {
        const Ref<View> view = pending.back();
        pending.pop_back();
        for (const Ref<View>& sub : view->subviews())
            pending.push_back(sub);
        const auto label = dynamic_pointer_cast<TextField>(view);
        if (!label || label->isEditable() || label->isHidden())
            continue;
        const Rect l = label->convertRectToView(label->bounds(), nullptr);
        const bool beside = l.midY() >= f.minY() && l.midY() <= f.maxY() && l.maxX() <= f.minX();
        const bool above = l.minY() >= f.maxY() && l.minX() < f.maxX() && l.maxX() > f.minX();
        const double distance = beside ? f.minX() - l.maxX() : l.minY() - f.maxY();
        if ((beside || above) && distance < nearest) {
            nearest = distance;
            best = label;
        }
    }
    return best;
}

} // namespace

KIT_REGISTER_CLASS(JVLFeedbackProvider, kit::Object)
{
    c.bundle("JVLAppKit");
    c.property(
        "feedbackWindow", [](const JVLFeedbackProvider& x) { return Value(x.feedbackWindow_); },
        [](JVLFeedbackProvider& x, const Value& v) { jvlFeedbackSetOutlet(x.feedbackWindow_, v); });
    c.property(
        "subjectField", [](const JVLFeedbackProvider& x) { return Value(x.subjectField_); },
        [](JVLFeedbackProvider& x, const Value& v) { jvlFeedbackSetOutlet(x.subjectField_, v); });
    c.property(
        "emailAdress", [](const JVLFeedbackProvider& x) { return Value(x.emailAdress_); },
        [](JVLFeedbackProvider& x, const Value& v) { jvlFeedbackSetOutlet(x.emailAdress_, v); });
    c.property(
        "messageText", [](const JVLFeedbackProvider& x) { return Value(x.messageText_); },
        [](JVLFeedbackProvider& x, const Value& v) { jvlFeedbackSetOutlet(x.messageText_, v); });
    c.property(
        "sendMeACopyButton", [](const JVLFeedbackProvider& x) { return Value(x.sendMeACopyButton_); },
        [](JVLFeedbackProvider& x, const Value& v) { jvlFeedbackSetOutlet(x.sendMeACopyButton_, v); });
    c.action("sendFeedbackButtonAction", &JVLFeedbackProvider::sendFeedbackButtonAction);
    c.action("closeFeedbackWindow", &JVLFeedbackProvider::closeFeedbackWindow);
    c.action("openURL", &JVLFeedbackProvider::openURL);
    c.optionalOperations({ TextViewDoCommandBySelectorOperation });
}

void JVLFeedbackProvider::registerDefaults()
{
    UserDefaults::standardUserDefaults()->registerDefaults(Dictionary {
        { JVLFeedbackProvidereMailAddressDefaultKey, QString("") },
        { JVLFeedbackProviderSendMeACopyDefaultKey, true },
    });
}

Ref<JVLFeedbackProvider> JVLFeedbackProvider::providerWithInterface()
{
    static const bool registered = [] {
        registerDefaults();
        return true;
    }();
    (void)registered;
    Ref<JVLFeedbackProvider> provider = make<JVLFeedbackProvider>();
    if (!Bundle::loadNibNamedOwner(QStringLiteral("JVLFeedbackProvider"), provider.get()))
        Exception::raise(QStringLiteral("View initialization failed"),
            QStringLiteral("%1: Could not load views resources!").arg(staticClass().name()));
    provider->tieFieldsToLabels();
    if (provider->messageText_)
        provider->messageText_->setDelegate(provider.get());
    return provider;
}

void JVLFeedbackProvider::tieFieldsToLabels()
{
    const Ref<View> form = feedbackWindow_ ? feedbackWindow_->contentView() : nullptr;
    if (!form)
        return;
    const auto tie = [&](const View* field, const Value& element) {
        if (!field)
            return;
        // The message is placed by the scroll view around it.
        const View* placed = field;
        for (Ref<View> up = field->superview(); up; up = up->superview())
            if (dynamic_cast<ScrollView*>(up.get()))
                placed = up.get();
        if (const Ref<TextField> label = jvlFeedbackLabelOf(*placed, *form))
            AccessibilitySetOverrideValueForAttribute(element, label->accessibilityElement(), AccessibilityTitleUIElementAttribute);
    };
    tie(subjectField_.get(), subjectField_ ? subjectField_->accessibilityElement() : Value());
    tie(emailAdress_.get(), emailAdress_ ? emailAdress_->accessibilityElement() : Value());
    tie(messageText_.get(), Value(messageText_));
}

bool JVLFeedbackProvider::textViewDoCommandBySelector(TextView* textView, Selector action)
{
    if (action.name() != QLatin1String("insertTab"))
        return false;
    textView->selectNextKeyView(this);
    return true;
}

void JVLFeedbackProvider::showFeedbackProviderDialog()
{
    // Held here while the form runs; released when it has closed.
    const Ref<JVLFeedbackProvider> provider = providerWithInterface();
    provider->runFeedbackProviderDialog();
}

void JVLFeedbackProvider::runFeedbackProviderDialog()
{
    UserDefaults* defaults = UserDefaults::standardUserDefaults();
    if (sendMeACopyButton_)
        sendMeACopyButton_->setState(defaults->boolForKey(JVLFeedbackProviderSendMeACopyDefaultKey) ? OnState : OffState);
    if (emailAdress_)
        emailAdress_->setStringValue(defaults->stringForKey(JVLFeedbackProvidereMailAddressDefaultKey));
    if (messageText_)
        messageText_->setString(QString(""));
    if (subjectField_ && subjectField_->numberOfItems() > 0)
        subjectField_->selectItemAtIndex(0);
    if (feedbackWindow_)
        Application::sharedApplication()->runModalForWindow(feedbackWindow_.get());
}

void JVLFeedbackProvider::sendFeedbackButtonAction(Object* sender)
{
    const QString message = messageText_ ? messageText_->string() : QString();
    const QString address = emailAdress_ ? emailAdress_->stringValue() : QString();
    const QString subject = jvlFeedbackInfo(QStringLiteral("JVLFeedbackSubjectPrefix")) + (subjectField_ ? subjectField_->stringValue() : QString());
    const bool sendMeACopy = sendMeACopyButton_ && sendMeACopyButton_->state() == OnState;
    if (const auto* view = dynamic_cast<View*>(sender); view && view->window())
        view->window()->makeFirstResponder(nullptr);
    else if (feedbackWindow_)
        feedbackWindow_->makeFirstResponder(nullptr);

    UserDefaults* defaults = UserDefaults::standardUserDefaults();
    defaults->setObjectForKey(Value(address), JVLFeedbackProvidereMailAddressDefaultKey);
    defaults->setBoolForKey(sendMeACopy, JVLFeedbackProviderSendMeACopyDefaultKey);

    const JVLMultipartForm form = JVLMultipartForm::formWithFields(
        {
            { QStringLiteral("subject"), subject },
            { QStringLiteral("from"), address },
            { QStringLiteral("message"), message },
            { QStringLiteral("sendmeacopy"), sendMeACopy ? QStringLiteral("YES") : QStringLiteral("NO") },
            { QStringLiteral("appversion"), jvlFeedbackInfo(QStringLiteral("CFBundleShortVersionString")) },
        },
        true);
    const QString url = Bundle::mainBundle()->infoDictionary().objectForKey(QStringLiteral("JVLFeedbackProviderCGIURL")).string();
    const bool sent = JVLPostMultipartForm(url, QStringLiteral("JVLFeedbackProvider"), form);
    // A form that did not go out stays open, so nothing typed is lost.
    if (sent)
        closeFeedbackWindow(sender);
    RunAlertPanel(jvlFeedbackText(sent ? QStringLiteral("FEEDBACK_SUCCESS_TITLE") : QStringLiteral("FEEDBACK_ERROR_TITLE")),
        jvlFeedbackText(sent ? QStringLiteral("FEEDBACK_SUCCESS_MESSAGE") : QStringLiteral("FEEDBACK_ERROR_MESSAGE")),
        jvlFeedbackText(QStringLiteral("FEEDBACK_OK")), QString(), QString());
}

void JVLFeedbackProvider::closeFeedbackWindow(Object*)
{
    if (messageText_)
        messageText_->setString(QString(""));
    if (subjectField_ && subjectField_->numberOfItems() > 0)
        subjectField_->selectItemAtIndex(0);
    if (feedbackWindow_)
        feedbackWindow_->orderOut(this);
    Application::sharedApplication()->stopModal();
}

void JVLFeedbackProvider::openURL(Object* sender)
{
    Workspace::sharedWorkspace()->openURL(QUrl(jvlFeedbackInfo(QStringLiteral("JVLFeedbackURL"))));
    closeFeedbackWindow(sender);
}
