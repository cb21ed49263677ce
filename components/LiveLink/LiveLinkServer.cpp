#include "components/LiveLink/LiveLinkServer.h"

#include "components/LiveLink/LiveLinkData.h"
#include "kit/appkit/Application.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/Window.h"
#include "kit/appkit/DesktopEntry.h"
#include "kit/appkit/Workspace.h"
#include "kit/controls/Alert.h"
#include "kit/core/Error.h"
#include "kit/core/Exception.h"
#include "kit/core/ProcessWide.h"
#include "kit/foundation/Bundle.h"
#include "kit/foundation/Clock.h"

#include <QDir>
#include <QFileInfo>

#include <map>

using namespace kit;

namespace {

std::map<QString, Ref<LiveLinkServer>>& liveLinkServerTable()
{
    // Never destroyed: a server still published at exit would invalidate its listener on a bus
    // already gone. Its name goes with the process's bus connection.
    static ProcessWide<std::map<QString, Ref<LiveLinkServer>>> table;
    return *table;
}

// The desktop entry's counterparts of a bundle's identifier and "LiveLinkServer" entry.
QString liveLinkServerEntryIdentifier(const DesktopEntry& entry, const QString& fileName)
{
    const QString id = entry.stringForKey(QStringLiteral("X-BundleIdentifier"));
    return id.isEmpty() ? QFileInfo(fileName).completeBaseName() : id;
}

Value liveLinkServerEntryNames(const DesktopEntry& entry)
{
    if (!entry.hasKey(QStringLiteral("X-LiveLinkServer")))
        return {};
    const QStringList names = entry.listForKey(QStringLiteral("X-LiveLinkServer"));
    if (names.size() == 1)
        return names.front();
    std::vector<Value> values(names.begin(), names.end());
    return Array(std::move(values));
}

bool liveLinkServerEntryServes(const QString& path, const QString& bundleIdentifier, const QString& serverName, bool checkIdentifier)
{
    const auto entry = DesktopEntry::entryWithContentsOfFile(path);
    if (!entry)
        return false;
    if (checkIdentifier && liveLinkServerEntryIdentifier(*entry, path) != bundleIdentifier)
        return false;
    return LiveLinkServer::liveLinkServerNameMatches(serverName, liveLinkServerEntryNames(*entry));
}

} // namespace

KIT_REGISTER_CLASS(LiveLinkServer, Object)
{
    c.bundle(QStringLiteral("components"));
    c.protocol(LiveLinkServerProtocolName);
    c.action(QStringLiteral("initiateLiveLinkFromClient"), &LiveLinkServer::initiateLiveLinkFromClient);
}

LiveLinkServer::~LiveLinkServer()
{
    if (listener_)
        listener_->invalidate();
}

Ref<LiveLinkServer> LiveLinkServer::initWithNameDelegate(const QString& name, Object* delegate)
{
    auto server = make<LiveLinkServer>();
    server->name_ = name;
    server->delegate_ = delegate;
    return server;
}

Ref<LiveLinkServer> LiveLinkServer::LiveLinkServerWithName(const QString& name)
{
    auto& table = liveLinkServerTable();
    auto it = table.find(name);
    return it == table.end() ? nullptr : it->second;
}

bool LiveLinkServer::publishServerWithNameDelegate(const QString& name, Object* delegate)
{
    // The table keeps a published server alive.
    return initWithNameDelegate(name, delegate)->publish();
}

bool LiveLinkServer::publish()
{
    if (listener_)
        return false;
    LiveLink::registerRemoteProtocols();
    auto connection = Connection::connectionWithRootObject(Ref<LiveLinkServer>(this));
    if (!connection->registerName(liveLinkServerName(Bundle::mainBundle()->bundleIdentifier(), name_)))
        return false;
    listener_ = connection;
    liveLinkServerTable()[name_] = Ref<LiveLinkServer>(this);
    return true;
}

void LiveLinkServer::retract()
{
    Ref<LiveLinkServer> keep(this);
    if (listener_) {
        listener_->invalidate();
        listener_ = nullptr;
    }
    auto& table = liveLinkServerTable();
    if (auto it = table.find(name_); it != table.end() && it->second.get() == this)
        table.erase(it);
}

Ref<Object> LiveLinkServer::initiateLiveLinkFromClient(const Value& client)
{
    const Array& parts = client.array();
    auto clientLink = client.isArray() && parts.count() == 4 ? parts[0].objectAs<DistantObject>() : nullptr;
    if (!clientLink)
        return nullptr;
    return LiveLink::initServerWithClientDelegate(clientLink, parts[1].stringValue(), parts[2].stringValue(), parts[3].stringValue(), delegate());
}

bool LiveLinkServer::liveLinkServerNameMatches(const QString& name, const Value& entry)
{
    if (entry.isNil())
        return false;
    if (entry.isArray()) {
        const Array& names = entry.array();
        for (std::int64_t i = names.count() - 1; i >= 0; --i)
            if (names[i].isString() && names[i].stringValue() == name)
                return true;
        return false;
    }
    return entry.isString() && entry.stringValue() == name;
}

QString LiveLinkServer::findLiveLinkServerApplication(const QString& bundleIdentifier, const QString& serverName, const QString& folder, int depth)
{
    const QString path = QDir::cleanPath(folder.startsWith(u'~') ? QDir::homePath() + folder.mid(1) : folder);
    const QFileInfo info(path);
    // Folders that do not exist are the usual case, not an error.
    if (!info.exists())
        return {};
    QDir dir(path);
    if (!info.isDir() || !info.isReadable()) {
        Dictionary userInfo;
        userInfo.setObjectForKey(kit::format(QStringLiteral("The folder %@ cannot be read."), path), LocalizedDescriptionKey);
        Application::sharedApplication()->presentError(*Error::errorWithDomainCodeUserInfo(QStringLiteral("NSCocoaErrorDomain"), 257, userInfo));
        return {};
    }
    kit::log(QStringLiteral("searching for %@ in folder: %@"), serverName, path);
    const QFileInfoList entries = dir.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name);
    for (auto it = entries.rbegin(); it != entries.rend(); ++it)
        if (it->suffix() == QStringLiteral("desktop") && it->isFile()
            && liveLinkServerEntryServes(it->absoluteFilePath(), bundleIdentifier, serverName, true))
            return it->absoluteFilePath();
    if (depth > 3)
        return {};
    for (auto it = entries.rbegin(); it != entries.rend(); ++it)
        if (it->isDir() && it->suffix() != QStringLiteral("desktop")) {
            const QString hit = findLiveLinkServerApplication(bundleIdentifier, serverName, it->absoluteFilePath(), depth + 1);
            if (!hit.isEmpty())
                return hit;
        }
    return {};
}

void LiveLinkServer::launchLiveLinkServerApplication(const QString& appName, const QUrl& fallbackURL)
{
    auto alert = make<Alert>();
    alert->setAlertStyle(CriticalAlertStyle);
    alert->setMessageText(kit::format(liveLinkLocalizedString(QStringLiteral("_AppNotFoundTitle"), QString()), appName));
    const QString ok = liveLinkLocalizedString(QStringLiteral("_OK"), QString());
    if (fallbackURL.isValid()) {
        alert->setInformativeText(liveLinkLocalizedString(QStringLiteral("_AppNotFoundMessageWithURL"), QString()));
        alert->addButtonWithTitleReturnCode(ok, AlertDefaultReturn);
        alert->addButtonWithTitleReturnCode(liveLinkLocalizedString(QStringLiteral("_GetApplication"), QString()), AlertAlternateReturn);
        if (alert->runModal() == AlertAlternateReturn)
            Workspace::sharedWorkspace()->openURL(fallbackURL);
    } else {
        alert->setInformativeText(liveLinkLocalizedString(QStringLiteral("_AppNotFoundMessageNoURL"), QString()));
        alert->addButtonWithTitleReturnCode(ok, AlertDefaultReturn);
        alert->runModal();
    }
}

Ref<DistantObject> LiveLinkServer::LiveLinkServerWithNameInApplicationLaunchIfNeededFallbackURLAppName(
    const QString& name, const QString& bundleIdentifier, bool launch, const QUrl& fallbackURL, const QString& appName)
{
    LiveLink::registerRemoteProtocols();
    const QString registered = liveLinkServerName(bundleIdentifier, name);
    Ref<DistantObject> proxy = Connection::rootProxyForConnectionWithRegisteredNameHost(registered, QString());
    if (!proxy && launch) {
        auto workspace = Workspace::sharedWorkspace();
        QString path = workspace->absolutePathForAppBundleWithIdentifier(bundleIdentifier);
        if (!path.isEmpty() && !liveLinkServerEntryServes(path, bundleIdentifier, name, false))
            path.clear();
        for (const QString& folder : Workspace::applicationFolders()) {
            if (!path.isEmpty())
                break;
            path = findLiveLinkServerApplication(bundleIdentifier, name, folder, 0);
        }
        if (path.isEmpty() || !workspace->launchApplication(path)) {
            launchLiveLinkServerApplication(appName, fallbackURL);
            return nullptr;
        }
    }
    // A starting server needs a moment to register; ask every 50 ms for up to ten seconds.
    const double start = Clock::currentMonotonic();
    while (!proxy && Clock::currentMonotonic() - start < 10.0) {
        Clock::current().sleepFor(0.05);
        proxy = Connection::rootProxyForConnectionWithRegisteredNameHost(registered, QString());
    }
    if (proxy)
        proxy->setProtocolForProxy(LiveLinkServerProtocolName);
    return proxy;
}
