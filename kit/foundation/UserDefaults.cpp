#include "kit/foundation/UserDefaults.h"

#include "kit/core/Exception.h"
#include "kit/core/MainThread.h"
#include "kit/core/NotificationCenter.h"
#include "kit/core/ProcessWide.h"
#include "kit/foundation/Bundle.h"
#include "kit/foundation/PropertyList.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace kit {

bool readDefaultsFile(QIODevice& device, QSettings::SettingsMap& map)
{
    const QByteArray bytes = device.readAll();
    if (bytes.trimmed().isEmpty())
        return true;
    QString error;
    auto plist = PropertyList::propertyListFromData(bytes, &error);
    if (!plist || !plist->isDictionary()) {
        kit::log(QStringLiteral("The defaults file cannot be read: %@"), plist ? QStringLiteral("it holds no JSON object") : error);
        return false;
    }
    for (const auto& [key, value] : plist->dictionary())
        if (auto text = PropertyList::dataFromPropertyList(value))
            map.insert(key.string(), *text);
    return true;
}

bool writeDefaultsFile(QIODevice& device, const QSettings::SettingsMap& map)
{
    Dictionary all;
    for (auto it = map.begin(); it != map.end(); ++it)
        if (auto value = PropertyList::propertyListFromData(it.value().toByteArray()))
            all.setObjectForKey(*value, Value(it.key()));
    auto bytes = PropertyList::dataFromPropertyList(Value(all), nullptr, true);
    return bytes && device.write(*bytes) == bytes->size();
}

namespace {

QSettings::Format defaultsFormat()
{
    static const QSettings::Format format = QSettings::registerFormat(QStringLiteral("json"), readDefaultsFile, writeDefaultsFile);
    return format;
}

QString standardPath()
{
    QString domain = Bundle::mainBundle()->bundleIdentifier();
    if (domain.isEmpty())
        domain = QCoreApplication::applicationName();
    if (domain.isEmpty())
        domain = QStringLiteral("kit");
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + u'/' + domain + QStringLiteral(".json");
}

// Never destroyed: destructors at exit may read defaults. What is still unsaved is saved as the Qt
// application goes, while what saving uses is still there.
Ref<UserDefaults>& standardSlot()
{
    static ProcessWide<Ref<UserDefaults>> slot;
    static const bool savedAtExit = [] {
        qAddPostRoutine([] {
            if (const Ref<UserDefaults> defaults = standardSlot())
                defaults->synchronize();
        });
        return true;
    }();
    (void)savedAtExit;
    return *slot;
}

std::mutex& standardMutex()
{
    static std::mutex m;
    return m;
}

Ref<UserDefaultsController>& controllerSlot()
{
    static ProcessWide<Ref<UserDefaultsController>> slot;
    return *slot;
}

} // namespace

KIT_REGISTER_CLASS(UserDefaults, Object) { c.noFactory(); }

UserDefaults* UserDefaults::standardUserDefaults()
{
    std::lock_guard lock(standardMutex());
    if (!standardSlot())
        standardSlot() = make<UserDefaults>(standardPath());
    return standardSlot().get();
}

void UserDefaults::resetStandardUserDefaultsForTesting(const QString& path)
{
    std::lock_guard lock(standardMutex());
    standardSlot() = path.isEmpty() ? nullptr : make<UserDefaults>(path);
    // The controller's proxy listens to one defaults object.
    controllerSlot() = nullptr;
}

UserDefaults::UserDefaults(const QString& path)
    : path_(path)
{
    QDir().mkpath(QFileInfo(path).path());
    settings_ = std::make_unique<QSettings>(path, defaultsFormat());
    for (const QString& key : settings_->allKeys())
        if (auto v = PropertyList::propertyListFromData(settings_->value(key).toByteArray()))
            persistent_.setObjectForKey(*v, Value(key));
    if (auto* app = QCoreApplication::instance()) {
        Weak<UserDefaults> weak(this);
        QObject::connect(app, &QCoreApplication::aboutToQuit, [weak] {
            if (auto self = weak.lock())
                self->synchronize();
        });
    }
}

UserDefaults::~UserDefaults() { synchronize(); }

void UserDefaults::registerDefaults(const Dictionary& defaults)
{
    std::lock_guard lock(mutex_);
    registered_.addEntriesFromDictionary(defaults);
}

Value UserDefaults::objectForKey(const QString& key) const
{
    std::lock_guard lock(mutex_);
    const Value k(key);
    if (persistent_.containsKey(k))
        return persistent_.objectForKey(k);
    return registered_.objectForKey(k);
}

QString UserDefaults::stringForKey(const QString& key) const
{
    const Value v = objectForKey(key);
    if (v.isString())
        return v.string();
    if (v.isNumber())
        return v.stringValue();
    return {};
}

bool UserDefaults::boolForKey(const QString& key) const
{
    const Value v = objectForKey(key);
    if (v.isNumber())
        return v.doubleValue() != 0;
    if (v.isString()) {
        const QString s = v.string().trimmed();
        return s.compare(u"YES", Qt::CaseInsensitive) == 0 || s.compare(u"true", Qt::CaseInsensitive) == 0 || v.integerValue() != 0;
    }
    return false;
}

std::int64_t UserDefaults::integerForKey(const QString& key) const
{
    const Value v = objectForKey(key);
    return (v.isNumber() || v.isString()) ? v.integerValue() : 0;
}

float UserDefaults::floatForKey(const QString& key) const { return float(doubleForKey(key)); }

double UserDefaults::doubleForKey(const QString& key) const
{
    const Value v = objectForKey(key);
    return (v.isNumber() || v.isString()) ? v.doubleValue() : 0.0;
}

QByteArray UserDefaults::dataForKey(const QString& key) const
{
    const Value v = objectForKey(key);
    return v.kind() == Value::Kind::Data ? v.data() : QByteArray();
}

Array UserDefaults::arrayForKey(const QString& key) const
{
    const Value v = objectForKey(key);
    return v.isArray() ? v.array() : Array();
}

Dictionary UserDefaults::dictionaryForKey(const QString& key) const
{
    const Value v = objectForKey(key);
    return v.isDictionary() ? v.dictionary() : Dictionary();
}

void UserDefaults::setObjectForKey(const Value& value, const QString& key)
{
    if (!value.isNil() && !PropertyList::isPropertyList(value)) {
        kit::log(QStringLiteral("Attempt to set a non-property-list object %@ as a defaults value for key %@"), value.description(), key);
        return;
    }
    notify(key, true);
    {
        std::lock_guard lock(mutex_);
        if (value.isNil())
            persistent_.removeObjectForKey(Value(key));
        else
            persistent_.setObjectForKey(value, Value(key));
        // Dictionary drops nil values; removals are kept as Null until the flush.
        dirty_.setObjectForKey(value.isNil() ? Value::null() : value, Value(key));
    }
    notify(key, false);
    NotificationCenter::defaultCenter()->postNotificationNameObject(UserDefaultsDidChangeNotification, this);
    scheduleFlush();
}

void UserDefaults::scheduleFlush()
{
    {
        std::lock_guard lock(mutex_);
        if (flushScheduled_)
            return;
        flushScheduled_ = true;
    }
    Weak<UserDefaults> weak(this);
    postToMainThread([weak] {
        if (auto self = weak.lock())
            self->synchronize();
    });
}

bool UserDefaults::synchronize()
{
    std::lock_guard lock(mutex_);
    flushScheduled_ = false;
    for (const auto& [key, value] : dirty_) {
        if (value.isNull()) {
            settings_->remove(key.string());
        } else if (auto text = PropertyList::dataFromPropertyList(value)) {
            settings_->setValue(key.string(), *text);
        }
    }
    dirty_.removeAllObjects();
    settings_->sync();
    // What another instance wrote becomes visible.
    Dictionary fresh;
    for (const QString& key : settings_->allKeys())
        if (auto v = PropertyList::propertyListFromData(settings_->value(key).toByteArray()))
            fresh.setObjectForKey(*v, Value(key));
    persistent_ = fresh;
    return settings_->status() == QSettings::NoError;
}

Dictionary UserDefaults::dictionaryRepresentation() const
{
    std::lock_guard lock(mutex_);
    Dictionary all = registered_;
    all.addEntriesFromDictionary(persistent_);
    return all;
}

std::uint64_t UserDefaults::addChangeListener(ChangeListener listener) { return listeners_.add(std::move(listener)); }

void UserDefaults::removeChangeListener(std::uint64_t id) { listeners_.remove(id); }

void UserDefaults::notify(const QString& key, bool prior)
{
    if (prior)
        willChangeValueForKey(key);
    else
        didChangeValueForKey(key);
    for (const auto& fn : listeners_.snapshot())
        fn(key, prior);
}

Value UserDefaults::valueForUndefinedKey(const QString& key) const { return objectForKey(key); }

void UserDefaults::setValueForUndefinedKey(const Value& value, const QString& key) { setObjectForKey(value, key); }

namespace {

// The controller's `values`: every key is a default of the standard defaults, observable here.
class DefaultsValues : public Object {
public:
    DefaultsValues()
    {
        Weak<DefaultsValues> weak(this);
        listener_ = UserDefaults::standardUserDefaults()->addChangeListener([weak](const QString& key, bool prior) {
            if (auto self = weak.lock()) {
                if (prior)
                    self->willChangeValueForKey(key);
                else
                    self->didChangeValueForKey(key);
            }
        });
    }
    Value valueForUndefinedKey(const QString& key) const override { return UserDefaults::standardUserDefaults()->objectForKey(key); }
    void setValueForUndefinedKey(const Value& value, const QString& key) override
    {
        UserDefaults::standardUserDefaults()->setObjectForKey(value, key);
    }

private:
    std::uint64_t listener_ = 0;
};

} // namespace

KIT_REGISTER_CLASS(UserDefaultsController, Object) { }

UserDefaultsController::UserDefaultsController()
    : values_(make<DefaultsValues>())
{ }

UserDefaultsController* UserDefaultsController::sharedUserDefaultsController()
{
    if (!controllerSlot())
        controllerSlot() = make<UserDefaultsController>();
    return controllerSlot().get();
}

UserDefaults* UserDefaultsController::defaults() const { return UserDefaults::standardUserDefaults(); }

Value Preferences::copyAppValue(const QString& key, const QString& applicationDomain)
{
    if (applicationDomain != FileManagerDomain || key != QStringLiteral("SpringingDelayMilliseconds"))
        return {};
    const Value v = UserDefaults::standardUserDefaults()->objectForKey(key);
    if (v.isNumber() && v.kind() != Value::Kind::Bool && v.doubleValue() > 0)
        return v;
    return {};
}

} // namespace kit
