// The posting side of the progress window: any thread may call these.

#include "JVLAppKit/JVLProgressWindowController/JVLProgressWindowController.h"

#include "kit/core/NotificationCenter.h"

using namespace kit;

namespace QVProgressWindowController {

namespace {

void jvlProgressPostUpdate(NotificationCenter* center, JVLProgressDescriptor* descriptor, const Dictionary& change)
{
    center->postNotificationNameObjectUserInfo(QVUpdateProcessingWithProgressDescriptor, descriptor, change);
}

void jvlProgressAddText(Dictionary& change, const char* key, const QString& text)
{
    if (!text.isNull())
        change.setObjectForKey(Value(text), Value(QString::fromUtf8(key)));
}

void jvlProgressAddValue(Dictionary& change, const JVLProgressDescriptor* descriptor, double value)
{
    // A number made from a single-precision float, as the notification's readers expect.
    if (!descriptor->isIndeterminate())
        change.setObjectForKey(Value(double(float(value))), Value(QStringLiteral("currentValue")));
}

} // namespace

Ref<JVLProgressDescriptor> postWillBeginProcessingWithTitleInfoTextAllowCancel(
    NotificationCenter* center, const QString& title, const QString& infoText, bool allowCancel)
{
    auto descriptor = make<JVLProgressDescriptor>(title, infoText, allowCancel);
    postWillBeginProcessingWithProgressDescriptor(center, descriptor.get());
    return descriptor;
}

Ref<JVLProgressDescriptor> postWillBeginProcessingWithTitleInfoTextMinValueMaxValueStartValueAllowCancel(NotificationCenter* center,
    const QString& title, const QString& infoText, double minValue, double maxValue, double startValue, bool allowCancel)
{
    auto descriptor = make<JVLProgressDescriptor>(title, infoText, minValue, maxValue, allowCancel);
    descriptor->setCurrentValue(startValue);
    postWillBeginProcessingWithProgressDescriptor(center, descriptor.get());
    return descriptor;
}

void postWillBeginProcessingWithProgressDescriptor(NotificationCenter* center, JVLProgressDescriptor* descriptor)
{
    center->postNotificationNameObject(QVWillBeginProcessingWithProgressDescriptor, descriptor);
}

void postUpdateProgressDescriptorChange(NotificationCenter* center, JVLProgressDescriptor* descriptor, const Dictionary& change)
{
    jvlProgressPostUpdate(center, descriptor, change);
}

void postUpdateProgressDescriptorWithInfoText(NotificationCenter* center, JVLProgressDescriptor* descriptor, const QString& infoText)
{
    Dictionary change;
    jvlProgressAddText(change, "infoText", infoText);
    jvlProgressPostUpdate(center, descriptor, change);
}

void postUpdateProgressDescriptorWithTitleInfoTextCurrentValueProgressDescription(NotificationCenter* center,
    JVLProgressDescriptor* descriptor, const QString& title, const QString& infoText, double currentValue, const QString& progressDescription)
{
    Dictionary change;
    jvlProgressAddText(change, "title", title);
    jvlProgressAddText(change, "infoText", infoText);
    jvlProgressAddText(change, "progressDescription", progressDescription);
    if (descriptor)
        jvlProgressAddValue(change, descriptor, currentValue);
    jvlProgressPostUpdate(center, descriptor, change);
}

void postUpdateProgressDescriptorWithCurrentValueProgressDescription(
    NotificationCenter* center, JVLProgressDescriptor* descriptor, double currentValue, const QString& progressDescription)
{
    Dictionary change;
    jvlProgressAddText(change, "progressDescription", progressDescription);
    if (descriptor)
        jvlProgressAddValue(change, descriptor, currentValue);
    jvlProgressPostUpdate(center, descriptor, change);
}

void postUpdateProgressDescriptorWithProgressDescription(
    NotificationCenter* center, JVLProgressDescriptor* descriptor, const QString& progressDescription)
{
    Dictionary change;
    jvlProgressAddText(change, "progressDescription", progressDescription);
    jvlProgressPostUpdate(center, descriptor, change);
}

void postDidEndProcessingWithProgressDescriptor(NotificationCenter* center, JVLProgressDescriptor* descriptor)
{
    center->postNotificationNameObject(QVDidEndProcessingWithProgressDescriptor, descriptor);
}

} // namespace QVProgressWindowController
