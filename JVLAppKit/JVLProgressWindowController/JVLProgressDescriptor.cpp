#include "JVLAppKit/JVLProgressWindowController/JVLProgressDescriptor.h"

using namespace kit;

KIT_REGISTER_CLASS(JVLProgressDescriptor, kit::Object)
{
    c.bundle("JVLAppKit");
    c.property("allowCancel", &JVLProgressDescriptor::allowCancel);
    c.property("isIndeterminate", &JVLProgressDescriptor::isIndeterminate);
    c.property(
        "image", [](const JVLProgressDescriptor& x) { return Value(x.image()); },
        [](JVLProgressDescriptor& x, const Value& v) { x.setImage(dynamic_pointer_cast<Image>(v.object())); });
    c.property("title", &JVLProgressDescriptor::title, &JVLProgressDescriptor::setTitle);
    c.property("infoText", &JVLProgressDescriptor::infoText, &JVLProgressDescriptor::setInfoText);
    c.property("progressDescription", &JVLProgressDescriptor::progressDescription, &JVLProgressDescriptor::setProgressDescription);
    c.property("minValue", &JVLProgressDescriptor::minValue, &JVLProgressDescriptor::setMinValue);
    c.property("maxValue", &JVLProgressDescriptor::maxValue, &JVLProgressDescriptor::setMaxValue);
    c.property("currentValue", &JVLProgressDescriptor::currentValue, &JVLProgressDescriptor::setCurrentValue);
    c.property("isCancelled", &JVLProgressDescriptor::isCancelled, &JVLProgressDescriptor::setIsCancelled);
}

JVLProgressDescriptor::JVLProgressDescriptor(const QString& title, const QString& infoText, bool allowCancel)
    : allowCancel_(allowCancel)
    , isIndeterminate_(true)
    , title_(title)
    , infoText_(infoText)
{ }

JVLProgressDescriptor::JVLProgressDescriptor(const QString& title, const QString& infoText, double minValue, double maxValue, bool allowCancel)
    : allowCancel_(allowCancel)
    , isIndeterminate_(false)
    , title_(title)
    , infoText_(infoText)
    , minValue_(minValue)
    , maxValue_(maxValue)
    , currentValue_(minValue)
{ }

namespace {

template <class T> T jvlProgressDescriptorRead(std::mutex& mutex, const T& field)
{
    std::lock_guard lock(mutex);
    return field;
}

} // namespace

Ref<Image> JVLProgressDescriptor::image() const { return jvlProgressDescriptorRead(mutex_, image_); }
QString JVLProgressDescriptor::title() const { return jvlProgressDescriptorRead(mutex_, title_); }
QString JVLProgressDescriptor::infoText() const { return jvlProgressDescriptorRead(mutex_, infoText_); }
QString JVLProgressDescriptor::progressDescription() const { return jvlProgressDescriptorRead(mutex_, progressDescription_); }

// Between the change announcements, under the lock for fields read from other threads.
template <class Field, class V> void JVLProgressDescriptor::setAnnounced(const char* key, Field& field, const V& value)
{
    const QString name = QString::fromUtf8(key);
    willChangeValueForKey(name);
    {
        std::lock_guard lock(mutex_);
        field = value;
    }
    didChangeValueForKey(name);
}

void JVLProgressDescriptor::setImage(const Ref<Image>& image) { setAnnounced("image", image_, image); }
void JVLProgressDescriptor::setTitle(const QString& title) { setAnnounced("title", title_, title); }
void JVLProgressDescriptor::setInfoText(const QString& infoText) { setAnnounced("infoText", infoText_, infoText); }
void JVLProgressDescriptor::setProgressDescription(const QString& description) { setAnnounced("progressDescription", progressDescription_, description); }
void JVLProgressDescriptor::setMinValue(double value) { setAnnounced("minValue", minValue_, value); }
void JVLProgressDescriptor::setMaxValue(double value) { setAnnounced("maxValue", maxValue_, value); }
void JVLProgressDescriptor::setCurrentValue(double value) { setAnnounced("currentValue", currentValue_, value); }
void JVLProgressDescriptor::setIsCancelled(bool flag) { setAnnounced("isCancelled", isCancelled_, flag); }
