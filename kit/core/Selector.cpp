#include "kit/core/Selector.h"

#include <QHash>

#include <mutex>
#include <unordered_set>

namespace kit {

namespace {

struct QStringHasher {
    std::size_t operator()(const QString& s) const noexcept { return qHash(s); }
};

// Interned names live for the whole process; nodes of an unordered_set never move.
const QString* intern(const QString& name)
{
    static std::mutex mutex;
    static auto* names = new std::unordered_set<QString, QStringHasher>;
    std::lock_guard guard(mutex);
    return &*names->insert(name).first;
}

} // namespace

Selector::Selector(const char* name)
    : name_(intern(QString::fromUtf8(name)))
{ }
Selector::Selector(const QString& name)
    : name_(intern(name))
{ }

const QString& Selector::name() const
{
    static const QString empty;
    return name_ ? *name_ : empty;
}

} // namespace kit
