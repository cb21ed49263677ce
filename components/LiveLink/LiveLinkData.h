#pragma once

// Link data: the dictionary that says which server application made an item and how to reach it
// again, stored by the client with the item. Built and read by these functions; the free functions
// for clients and servers follow.

#include "kit/core/Value.h"

#include <QUrl>

inline const QString LiveLinkDataPboardType = QStringLiteral("LiveLinkData");
inline const QString LiveLinkStringsTable = QStringLiteral("JVLLiveLinkLocalized");
// A server application's property-list keys.
inline const QString LiveLinkServerInfoKey = QStringLiteral("LiveLinkServer");
inline const QString LiveLinkApplicationURLInfoKey = QStringLiteral("LiveLinkApplicationURL");

namespace LiveLinkData {

// Raises InvalidArgumentException without a server name.
kit::Dictionary liveLinkDataWithServerNameAppData(const QString& serverName, const kit::Value& appData);
kit::Dictionary liveLinkDataWithServerNameAppDataSuggestedRefreshRate(const QString& serverName, const kit::Value& appData, float refresh);
kit::Dictionary liveLinkDataWithServerNameAppDataActionNameSuggestedRefreshRate(
    const QString& serverName, const kit::Value& appData, const QString& actionName, float refresh);

bool liveLinkDataBelongsToActiveApplication(const kit::Dictionary& data);
kit::Value liveLinkAppData(const kit::Dictionary& data);
QString liveLinkSourceApplicationName(const kit::Dictionary& data);
QString liveLinkActionName(const kit::Dictionary& data);
QString liveLinkEditMenuTitle(const kit::Dictionary& data);
QString liveLinkVersion(const kit::Dictionary& data);
double liveLinkSuggestedRefreshRate(const kit::Dictionary& data);
// An invalid URL when absent.
QUrl liveLinkApplicationURL(const kit::Dictionary& data);

} // namespace LiveLinkData

kit::Dictionary makeLiveLinkData(const QString& serverName, const kit::Value& appData);
kit::Value liveLinkAppDataOf(const kit::Dictionary& data);
QString liveLinkUniqueItemKey();
bool liveLinkDataBelongsToActiveApp(const kit::Dictionary& data);
QString liveLinkEditMultipleMenuTitle();
QString liveLinkEditNoneMenuTitle();
QString liveLinkServerName(const QString& identifier, const QString& name);

// The text of `key` in the live-link strings table, `value` when the table lacks it.
QString liveLinkLocalizedString(const QString& key, const QString& value);
