#include "components/LiveLink/LiveLinkData.h"

#include "components/LiveLink/LiveLink.h"
#include "kit/core/Exception.h"
#include "kit/foundation/Bundle.h"
#include "kit/foundation/Clock.h"
#include "kit/foundation/ProcessInfo.h"

#include <atomic>
#include <cmath>

using namespace kit;

namespace {
// Seconds from 1 January 1970 to 1 January 2001.
constexpr double LiveLinkDataReferenceDate = 978307200.0;

QString liveLinkDataString(const Dictionary& data, const QString& key)
{
    const Value v = data.objectForKey(key);
    return v.isString() ? v.stringValue() : QString();
}
} // namespace

QString liveLinkLocalizedString(const QString& key, const QString& value)
{
    Bundle* bundle = Bundle::bundleForClass(LiveLink::staticClass());
    return bundle ? bundle->localizedStringForKeyValueTable(key, value, LiveLinkStringsTable) : value;
}

namespace LiveLinkData {

Dictionary liveLinkDataWithServerNameAppData(const QString& serverName, const Value& appData)
{
    return liveLinkDataWithServerNameAppDataActionNameSuggestedRefreshRate(serverName, appData, QString(), 0.0f);
}

Dictionary liveLinkDataWithServerNameAppDataSuggestedRefreshRate(const QString& serverName, const Value& appData, float refresh)
{
    return liveLinkDataWithServerNameAppDataActionNameSuggestedRefreshRate(serverName, appData, QStringLiteral("_Refresh"), refresh);
}

Dictionary liveLinkDataWithServerNameAppDataActionNameSuggestedRefreshRate(
    const QString& serverName, const Value& appData, const QString& actionName, float refresh)
{
    if (serverName.isEmpty())
        Exception::raise(InvalidArgumentException, QStringLiteral("LiveLink Data cannot be created without a server name."));
    Dictionary data;
    data.setObjectForKey(Bundle::mainBundle()->bundleIdentifier(), QStringLiteral("bundleId"));
    data.setObjectForKey(serverName, QStringLiteral("serverName"));
    data.setObjectForKey(QStringLiteral("A"), QStringLiteral("version"));
    const QString processName = ProcessInfo::processInfo()->processName();
    if (!processName.isEmpty())
        data.setObjectForKey(processName, QStringLiteral("serverAppName"));
    if (!actionName.isEmpty())
        data.setObjectForKey(actionName, QStringLiteral("serverActionKey"));
    if (!appData.isNil())
        data.setObjectForKey(appData, QStringLiteral("appData"));
    const Value url = Bundle::mainBundle()->objectForInfoDictionaryKey(LiveLinkApplicationURLInfoKey);
    if (url.isString())
        data.setObjectForKey(url, QStringLiteral("ApplicationURL"));
    data.setObjectForKey(static_cast<double>(refresh), QStringLiteral("refresh"));
    return data;
}

bool liveLinkDataBelongsToActiveApplication(const Dictionary& data)
{
    const Value id = data.objectForKey(QStringLiteral("bundleId"));
    return id.isString() && id.stringValue() == Bundle::mainBundle()->bundleIdentifier();
}

Value liveLinkAppData(const Dictionary& data) { return data.objectForKey(QStringLiteral("appData")); }

QString liveLinkSourceApplicationName(const Dictionary& data) { return liveLinkDataString(data, QStringLiteral("serverAppName")); }

QString liveLinkActionName(const Dictionary& data)
{
    QString key = liveLinkDataString(data, QStringLiteral("serverActionKey"));
    if (key.isEmpty())
        key = QStringLiteral("_Edit");
    return liveLinkLocalizedString(key, key);
}

QString liveLinkEditMenuTitle(const Dictionary& data)
{
    const QString pattern = liveLinkLocalizedString(QStringLiteral("_EditPattern"), QStringLiteral("%@ in %@"));
    return kit::format(pattern, liveLinkActionName(data), liveLinkSourceApplicationName(data));
}

QString liveLinkVersion(const Dictionary& data) { return liveLinkDataString(data, QStringLiteral("version")); }

double liveLinkSuggestedRefreshRate(const Dictionary& data)
{
    // The item's stored data may say anything: only a number of seconds a timer can take.
    const Value v = data.objectForKey(QStringLiteral("refresh"));
    const double refresh = v.isNumber() ? v.doubleValue() : 0.0;
    return std::isfinite(refresh) && refresh > 0 ? refresh : 0.0;
}

QUrl liveLinkApplicationURL(const Dictionary& data)
{
    const QString text = liveLinkDataString(data, QStringLiteral("ApplicationURL"));
    return text.isEmpty() ? QUrl() : QUrl(text);
}

} // namespace LiveLinkData

Dictionary makeLiveLinkData(const QString& serverName, const Value& appData)
{
    return LiveLinkData::liveLinkDataWithServerNameAppData(serverName, appData);
}

Value liveLinkAppDataOf(const Dictionary& data) { return LiveLinkData::liveLinkAppData(data); }

QString liveLinkUniqueItemKey()
{
    static std::atomic<std::uint32_t> counter = 0;
    const std::uint32_t n = counter++;
    const double since2001 = Clock::currentNow() - LiveLinkDataReferenceDate;
    const auto seconds = static_cast<std::uint64_t>(since2001 > 0 ? since2001 : 0);
    return Bundle::mainBundle()->bundleIdentifier() + QString::number(seconds) + QLatin1Char('.')
        + QStringLiteral("%1").arg(n, 4, 16, QLatin1Char('0'));
}

bool liveLinkDataBelongsToActiveApp(const Dictionary& data) { return LiveLinkData::liveLinkDataBelongsToActiveApplication(data); }

QString liveLinkEditMultipleMenuTitle() { return liveLinkLocalizedString(QStringLiteral("_EditMultiple"), QStringLiteral("Edit LiveLink Items")); }

QString liveLinkEditNoneMenuTitle() { return liveLinkLocalizedString(QStringLiteral("_EditNone"), QStringLiteral("Edit LiveLink Item")); }

QString liveLinkServerName(const QString& identifier, const QString& name) { return identifier + QLatin1Char(':') + name; }
