#pragma once

// The user's defaults: registered values (in memory only) under a persistent domain kept in a
// file of the kit's property-list JSON, read and written through QSettings. Types survive a
// restart exactly (a bool stays a bool, 1.0 stays a real, dictionaries nest), independently of the
// process locale. Writes are cached and flushed on synchronize, soon after a change and at exit.
// Keys are key-value observable on the defaults object and through UserDefaultsController.

#include "kit/core/CallbackList.h"
#include "kit/core/Class.h"
#include "kit/core/Object.h"
#include "kit/core/Value.h"

#include <QSettings>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

class QSettings;

namespace kit {

// Posted with the defaults object after each change of a value.
inline const QString UserDefaultsDidChangeNotification = QStringLiteral("NSUserDefaultsDidChangeNotification");

// The defaults file's format, registered with QSettings: one JSON object whose values are property
// lists, each held in the settings map as its JSON text. The file may have been edited by hand:
// bytes that are no such object fail and add nothing to `map`.
bool readDefaultsFile(QIODevice& device, QSettings::SettingsMap& map);
bool writeDefaultsFile(QIODevice& device, const QSettings::SettingsMap& map);

class UserDefaults : public Object {
    KIT_CLASS(UserDefaults)

    // The application's defaults, in $XDG_CONFIG_HOME/<bundle identifier or application name>.json.
    static UserDefaults* standardUserDefaults();
    // Replaces the standard defaults with ones stored at `path` (empty: the usual place). Tests only.
    static void resetStandardUserDefaultsForTesting(const QString& path = {});

    explicit UserDefaults(const QString& path);
    ~UserDefaults() override;

    // Values answered for keys the persistent domain lacks; never written to disk.
    void registerDefaults(const Dictionary& defaults);

    Value objectForKey(const QString& key) const;
    // Strings as they are, numbers as text; nil otherwise.
    QString stringForKey(const QString& key) const;
    // Numbers other than 0; strings "YES", "true" (any case) or a non-zero number.
    bool boolForKey(const QString& key) const;
    std::int64_t integerForKey(const QString& key) const;
    float floatForKey(const QString& key) const;
    double doubleForKey(const QString& key) const;
    QByteArray dataForKey(const QString& key) const;
    Array arrayForKey(const QString& key) const;
    Dictionary dictionaryForKey(const QString& key) const;

    // Property-list values only (anything else is refused with a log line); nil removes the key.
    void setObjectForKey(const Value& value, const QString& key);
    void setBoolForKey(bool value, const QString& key) { setObjectForKey(Value(value), key); }
    void setIntegerForKey(std::int64_t value, const QString& key) { setObjectForKey(Value(value), key); }
    void setFloatForKey(float value, const QString& key) { setObjectForKey(Value(double(value)), key); }
    void setDoubleForKey(double value, const QString& key) { setObjectForKey(Value(value), key); }
    void removeObjectForKey(const QString& key) { setObjectForKey(Value(), key); }

    // Writes pending changes and reads what other instances wrote. Answers success.
    bool synchronize();
    // Registered values overlaid with the persistent ones.
    Dictionary dictionaryRepresentation() const;
    QString path() const { return path_; }

    // Called on the changing thread before (prior = true) and after each change of a key.
    using ChangeListener = std::function<void(const QString& key, bool prior)>;
    std::uint64_t addChangeListener(ChangeListener listener);
    void removeChangeListener(std::uint64_t id);

    // kit::Object: every key reads and writes a default.
    Value valueForUndefinedKey(const QString& key) const override;
    void setValueForUndefinedKey(const Value& value, const QString& key) override;

private:
    void scheduleFlush();
    void notify(const QString& key, bool prior);

    QString path_;
    std::unique_ptr<QSettings> settings_;
    mutable std::recursive_mutex mutex_;
    Dictionary registered_;
    Dictionary persistent_;
    Dictionary dirty_; // changed keys; nil = removed
    bool flushScheduled_ = false;
    CallbackList<void(const QString& key, bool prior)> listeners_;
};

// The shared controller whose `values` proxy reads and writes the standard defaults by key, with
// key-value observing of each key.
class UserDefaultsController : public Object {
    KIT_CLASS(UserDefaultsController)

    static UserDefaultsController* sharedUserDefaultsController();
    UserDefaults* defaults() const;
    Object* values() const { return values_.get(); }

    UserDefaultsController();

private:
    Ref<Object> values_;
};

// Reads of other applications' preferences that the components need, answered from the kit's own
// defaults keys.
namespace Preferences {
inline const QString FileManagerDomain = QStringLiteral("FileManagerDomain");
// "SpringingDelayMilliseconds": a positive number of milliseconds, else nil. Other keys: nil.
Value copyAppValue(const QString& key, const QString& applicationDomain);
} // namespace Preferences

} // namespace kit
