#include "ZQSplitView/ZQStandIns.h"

#include <QSettings>

#include <memory>

namespace ZQDefaultsStandIn {
namespace {

std::unique_ptr<QSettings>& store()
{
    static std::unique_ptr<QSettings> settings;
    if (!settings)
        settings = std::make_unique<QSettings>();
    return settings;
}

} // namespace

QString stringForKey(const QString& key)
{
    const QVariant v = store()->value(key);
    return v.typeId() == QMetaType::QString ? v.toString() : QString();
}

void setObjectForKey(const QString& value, const QString& key) { store()->setValue(key, value); }

void removeObjectForKey(const QString& key) { store()->remove(key); }

void useFileForTesting(const QString& path)
{
    store() = path.isEmpty() ? std::make_unique<QSettings>() : std::make_unique<QSettings>(path, QSettings::IniFormat);
}

} // namespace ZQDefaultsStandIn
