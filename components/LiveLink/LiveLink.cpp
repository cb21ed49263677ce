#include "components/LiveLink/LiveLink.h"

#include "components/LiveLink/LiveLinkData.h"
#include "components/LiveLink/LiveLinkServer.h"
#include "kit/appkit/Application.h"
#include "kit/core/Exception.h"
#include "kit/core/NotificationCenter.h"
#include "kit/core/ProcessWide.h"
#include "kit/foundation/MainThread.h"
#include "kit/foundation/ProcessInfo.h"

#include <QCoreApplication>

#include <map>

using namespace kit;

namespace {

// The open links by item key. A link leaves it at its close, while a local reference keeps it
// alive until the delegate has heard of the close. An application that serves its own items holds
// both sides of a link under one key, so each side has its entry; and two clients may well make the
// same key (two instances started in one second), so a server side is entered per client.
struct LiveLinkTableEntry {
    Ref<LiveLink> link;
    std::uint64_t order = 0; // entered later: greater
};
struct LiveLinkActiveTable {
    std::map<LiveLinkTableKey, LiveLinkTableEntry> links;
    std::uint64_t entered = 0;
    // Each open link's own reference, whatever becomes of its entry.
    std::map<const LiveLink*, Ref<LiveLink>> open;
    Ref<Object> terminateObserver;
};

// Links still open when the application terminates, or when its Qt application goes (a process
// returning from main), close then: the peer hears of it and the pasteboard's folder goes while
// the bus and the store still work.
void liveLinkCloseOpenLinks();

// Never destroyed: closing a link needs services that are gone by then.
LiveLinkActiveTable& liveLinkActiveTable()
{
    static ProcessWide<LiveLinkActiveTable> table;
    static const bool closesAtExit = [] {
        table->terminateObserver = NotificationCenter::defaultCenter()->addObserverForNameObjectQueueUsingBlock(
            ApplicationWillTerminateNotification, nullptr, nullptr, [](Notification*) { liveLinkCloseOpenLinks(); });
        qAddPostRoutine(liveLinkCloseOpenLinks);
        return true;
    }();
    (void)closesAtExit;
    return *table;
}

void liveLinkCloseOpenLinks()
{
    std::vector<Ref<LiveLink>> open;
    for (const auto& [link, ref] : liveLinkActiveTable().open)
        open.push_back(ref);
    for (const Ref<LiveLink>& link : open)
        link->closeLink();
}

LiveLinkDelegate* liveLinkDelegateOf(Object* delegate) { return dynamic_cast<LiveLinkDelegate*>(delegate); }

} // namespace

KIT_REGISTER_CLASS(LiveLink, Object)
{
    c.bundle(QStringLiteral("components"));
    c.protocol(LiveLinkProtocolName);
    c.action(QStringLiteral("remoteCloseLink"), &LiveLink::remoteCloseLink);
    c.action(QStringLiteral("requestEditWithPasteboardName"), &LiveLink::requestEditWithPasteboardName);
    c.action(QStringLiteral("refreshEditWithPasteboardName"), &LiveLink::refreshEditWithPasteboardName);
}

void LiveLink::registerRemoteProtocols()
{
    static const bool registered = [] {
        // Only initiating blocks: two peers waiting on each other would never wake.
        RemoteProtocol::registerProtocol({ LiveLinkServerProtocolName, { { QStringLiteral("initiateLiveLinkFromClient"), false } } });
        RemoteProtocol::registerProtocol({ LiveLinkProtocolName,
            { { QStringLiteral("remoteCloseLink"), true }, { QStringLiteral("requestEditWithPasteboardName"), true },
                { QStringLiteral("refreshEditWithPasteboardName"), true } } });
        return true;
    }();
    (void)registered;
}

LiveLink::~LiveLink()
{
    // Out of the table already (it holds a reference); only the peer is left to tell.
    if (peer_) {
        try {
            peer_->sendOneway(QStringLiteral("remoteCloseLink"));
        } catch (const Exception& e) {
            kit::log(QStringLiteral("live link close: %@"), e.reason());
        }
    }
    if (!isServer_ && pboard_)
        pboard_->releaseGlobally();
}

Ref<LiveLink> LiveLink::activeLiveLinkForItemKey(const QString& key)
{
    const auto& links = liveLinkActiveTable().links;
    if (auto it = links.find({ key, false, QString() }); it != links.end())
        return it->second.link;
    const LiveLinkTableEntry* latest = nullptr;
    for (auto it = links.lower_bound({ key, true, QString() }); it != links.end() && std::get<0>(it->first) == key; ++it)
        if (!latest || it->second.order > latest->order)
            latest = &it->second;
    return latest ? latest->link : nullptr;
}

bool LiveLink::publishServerWithNameDelegate(const QString& name, Object* delegate)
{
    return LiveLinkServer::publishServerWithNameDelegate(name, delegate);
}

void LiveLink::retractServerWithName(const QString& name)
{
    if (auto server = LiveLinkServer::LiveLinkServerWithName(name))
        server->retract();
}

Ref<LiveLink> LiveLink::editLiveLinkDataSourceNameDelegateItemKey(
    const Value& data, const QString& sourceName, Object* delegate, const QString& itemKey)
{
    Ref<LiveLink> link;
    if (auto it = liveLinkActiveTable().links.find({ itemKey, false, QString() }); it != liveLinkActiveTable().links.end())
        link = it->second.link;
    if (!link) {
        const Dictionary& dict = data.dictionary();
        const bool valid = data.isDictionary() && dict.objectForKey(QStringLiteral("serverName")).isString()
            && dict.objectForKey(QStringLiteral("bundleId")).isString() && LiveLinkData::liveLinkApplicationURL(dict).isValid();
        if (!valid)
            Exception::raise(InvalidArgumentException, kit::format(QStringLiteral("LiveLinkData is not of the correct format: %@"), data));
        link = initClientWithSourceNameDelegateItemKey(sourceName, delegate, itemKey);
        if (!link->connectToServerWithNameInApplicationFallbackURLAppName(dict.objectForKey(QStringLiteral("serverName")).stringValue(),
                dict.objectForKey(QStringLiteral("bundleId")).stringValue(), LiveLinkData::liveLinkApplicationURL(dict),
                LiveLinkData::liveLinkSourceApplicationName(dict)))
            return nullptr;
    }
    if (Pasteboard* pboard = link->pasteboard()) {
        pboard->declareTypesOwner({ LiveLinkDataPboardType }, link.get());
        pboard->setPropertyListForType(data, LiveLinkDataPboardType);
    }
    link->requestEdit();
    return link;
}

Ref<LiveLink> LiveLink::initServerWithClientDelegate(Ref<DistantObject> client, const QString& sourceName,
    const QString& sourceApplicationName, const QString& itemKey, Object* delegate)
{
    auto link = make<LiveLink>();
    link->isServer_ = true;
    link->delegate_ = delegate;
    link->sourceName_ = sourceName;
    link->sourceApplicationName_ = sourceApplicationName;
    link->key_ = itemKey;
    const QString clientName = client ? client->owner() : QString();
    link->setPeer(std::move(client));
    link->enterActiveTable({ itemKey, true, clientName });
    return link;
}

Ref<LiveLink> LiveLink::initClientWithSourceNameDelegateItemKey(const QString& sourceName, Object* delegate, const QString& itemKey)
{
    auto link = make<LiveLink>();
    link->delegate_ = delegate;
    link->sourceName_ = sourceName;
    link->sourceApplicationName_ = ProcessInfo::processInfo()->processName();
    link->pboard_ = Pasteboard::pasteboardWithUniqueName();
    link->key_ = itemKey;
    return link;
}

void LiveLink::setPeer(Ref<DistantObject> peer)
{
    registerRemoteProtocols();
    peer_ = std::move(peer);
    if (!peer_)
        return;
    peer_->setProtocolForProxy(LiveLinkProtocolName);
    // Only the peer may feed or close the link, whoever else learns its object path.
    Connection::setSoleCallerOfObject(*this, peer_->owner());
    // A peer whose process went away closes the link as if it had said so.
    Weak<LiveLink> weakSelf { Ref<LiveLink>(this) };
    peer_->setPeerDeathHandler([weakSelf] {
        if (auto self = weakSelf.lock(); self && self->peer_)
            self->remoteCloseLink();
    });
}

void LiveLink::enterActiveTable(const LiveLinkTableKey& key)
{
    auto& table = liveLinkActiveTable();
    tableKey_ = key;
    table.links[key] = { Ref<LiveLink>(this), ++table.entered };
    table.open[this] = Ref<LiveLink>(this);
}

void LiveLink::dropPeer()
{
    if (peer_)
        peer_->setPeerDeathHandler(nullptr);
    peer_ = nullptr;
    auto& table = liveLinkActiveTable();
    if (auto it = table.links.find(tableKey_); it != table.links.end() && it->second.link.get() == this)
        table.links.erase(it);
    table.open.erase(this);
}

void LiveLink::closeLink()
{
    if (!peer_)
        return;
    Ref<LiveLink> keep(this);
    try {
        peer_->sendOneway(QStringLiteral("remoteCloseLink"));
    } catch (const Exception& e) {
        kit::log(QStringLiteral("live link close: %@"), e.reason());
    }
    dropPeer();
}

void LiveLink::remoteCloseLink()
{
    Ref<LiveLink> keep(this);
    if (peer_)
        dropPeer();
    if (auto* d = liveLinkDelegateOf(delegate()))
        d->liveLinkDidClose(this);
}

void LiveLink::sendToPeer(const QString& operation)
{
    if (!peer_)
        Exception::raise(GenericException, QStringLiteral("tried to request edit from a live link not connect to a server."));
    peer_->sendOneway(operation, pboard_ ? pboard_->name() : QString());
}

void LiveLink::requestEdit() { sendToPeer(QStringLiteral("requestEditWithPasteboardName")); }

void LiveLink::sendEdit() { sendToPeer(QStringLiteral("refreshEditWithPasteboardName")); }

void LiveLink::takePasteboardNamedAndTell(const QString& name, void (LiveLinkDelegate::*tell)(LiveLink*))
{
    // A name the store refuses leaves the pasteboard as it was.
    if (!pboard_ || pboard_->name() != name)
        if (auto pboard = Pasteboard::sharedPasteboardWithName(name))
            pboard_ = pboard;
    // Never inside the incoming call: the delegate may well call the peer back.
    Ref<LiveLink> self(this);
    performOnMainThread(
        [self, tell] {
            if (auto* d = liveLinkDelegateOf(self->delegate()))
                (d->*tell)(self.get());
        },
        false);
}

void LiveLink::requestEditWithPasteboardName(const QString& name) { takePasteboardNamedAndTell(name, &LiveLinkDelegate::liveLinkClientDidRequestEdit); }

void LiveLink::refreshEditWithPasteboardName(const QString& name) { takePasteboardNamedAndTell(name, &LiveLinkDelegate::liveLinkServerDidSendEdit); }

bool LiveLink::connectToServerWithNameInApplicationFallbackURLAppName(
    const QString& serverName, const QString& bundleIdentifier, const QUrl& fallbackURL, const QString& appName)
{
    registerRemoteProtocols();
    auto server = LiveLinkServer::LiveLinkServerWithNameInApplicationLaunchIfNeededFallbackURLAppName(
        serverName, bundleIdentifier, true, fallbackURL, appName);
    if (!server)
        return false;
    auto answer = server->sendMessage(QStringLiteral("initiateLiveLinkFromClient"),
        Array({ Value(Ref<LiveLink>(this)), sourceName_, sourceApplicationName_, key_ }));
    auto peer = answer ? answer->objectAs<DistantObject>() : nullptr;
    if (!peer)
        return false;
    setPeer(std::move(peer));
    enterActiveTable({ key_, false, QString() });
    return true;
}
