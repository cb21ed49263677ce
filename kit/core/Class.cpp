#include "kit/core/Class.h"

#include "kit/core/Exception.h"

#include <QHash>

#include <mutex>

namespace kit {

namespace {

struct Registry {
    std::mutex mutex;
    QHash<QString, const Class*> byName;
    std::vector<const Class*> all;
};

Registry& registry()
{
    // Never destroyed: classes outlive every object.
    static auto* r = new Registry;
    return *r;
}

const QStringList& noKeys()
{
    static const QStringList empty;
    return empty;
}

} // namespace

Class::Class(QString name, const Class* superclass)
    : name_(std::move(name))
    , superclass_(superclass)
{
    if (superclass_)
        inheritFrom(*superclass_);
}

void Class::inheritFrom(const Class& super)
{
    properties_ = super.properties_;
    actions_ = super.actions_;
    optional_ = super.optional_;
    protocols_ = super.protocols_;
    responds_ = super.responds_;
    dependsOn_ = super.dependsOn_;
    affects_ = super.affects_;
    bindings_ = super.bindings_;
    storesUndefinedKeys_ = super.storesUndefinedKeys_;
    copyable_ = super.copyable_;
    decoder_ = super.decoder_;
}

bool Class::isSubclassOfClass(const Class& other) const
{
    for (const Class* c = this; c; c = c->superclass_)
        if (c == &other)
            return true;
    return false;
}

const PropertyInfo* Class::property(const QString& key) const
{
    auto it = properties_.find(key);
    return it == properties_.end() ? nullptr : &it->second;
}

const ActionInfo* Class::action(const QString& name) const
{
    auto it = actions_.find(name);
    return it == actions_.end() ? nullptr : &it->second;
}

const QStringList& Class::keysAffectedByKey(const QString& key) const
{
    auto it = affects_.find(key);
    return it == affects_.end() ? noKeys() : it->second;
}

void Class::addProperty(PropertyInfo info, const QString& setterName)
{
    responds_.insert(info.key);
    if (info.set && !setterName.isEmpty())
        responds_.insert(setterName);
    const QString key = info.key;
    properties_.insert_or_assign(key, std::move(info));
}

void Class::addDependency(const QString& key, const QStringList& on)
{
    dependsOn_[key] += on;
    // Transitive: a key depending on `key` also depends on what `key` depends on.
    QStringList dependents = affects_.contains(key) ? affects_[key] : QStringList();
    dependents.prepend(key);
    for (const QString& source : on) {
        for (const QString& d : dependents)
            if (d != source && !affects_[source].contains(d))
                affects_[source].append(d);
        for (const QString& upstream : keyPathsForValuesAffectingKey(source))
            for (const QString& d : dependents)
                if (d != upstream && !affects_[upstream].contains(d))
                    affects_[upstream].append(d);
    }
}

QString Class::bundleName() const
{
    std::lock_guard guard(registry().mutex);
    return bundleName_;
}

void Class::setBundleName(const QString& name) const
{
    std::lock_guard guard(registry().mutex);
    bundleName_ = name;
}

std::vector<const Class*> Class::allClasses()
{
    Registry& r = registry();
    std::lock_guard guard(r.mutex);
    return r.all;
}

const Class* classFromString(const QString& name)
{
    Registry& r = registry();
    std::lock_guard guard(r.mutex);
    return r.byName.value(name, nullptr);
}

QString setterNameForKey(const QString& key)
{
    if (key.isEmpty())
        return {};
    if (key.size() > 2 && key.startsWith(QLatin1String("is")) && key[2].isUpper())
        return QStringLiteral("set") + key.mid(2);
    return QStringLiteral("set") + key[0].toUpper() + key.mid(1);
}

namespace detail {

const Class& enterClass(Class* c)
{
    Registry& r = registry();
    bool duplicate = false;
    {
        std::lock_guard guard(r.mutex);
        duplicate = r.byName.contains(c->name());
        if (!duplicate) {
            r.byName.insert(c->name(), c);
            r.all.push_back(c);
        }
    }
    if (duplicate)
        kit::log(QStringLiteral("Class %@ is implemented twice; the second registration is not found by name."), c->name());
    return *c;
}

} // namespace detail

} // namespace kit
