#include "components/LiveLink/LiveLink.h"

#include "components/LiveLink/LiveLinkData.h"
#include "components/LiveLink/LiveLinkServer.h"
#include "kit/core/Exception.h"
#include "kit/foundation/MainThread.h"
#include "kit/foundation/ProcessInfo.h"

#include <map>

using namespace kit;

namespace {

// The open links by item key. A link leaves it at its close, while a local reference keeps it
// alive until the delegate has heard of the close. An application that serves its own items holds
// both sides of a link under one key, so each side has its entry.
using LiveLinkTableKey = std::pair<QString, bool>; // item key, server side
std::map<LiveLinkTableKey, Ref<LiveLink>>& liveLinkActiveTable()
{
    static std::map<LiveLinkTableKey, Ref<LiveLink>> table;
    return table;
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
    auto& table = liveLinkActiveTable();
    for (bool server : { false, true })
        if (auto it = table.find({ key, server }); it != table.end())
            return it->second;
    return nullptr;
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
    if (auto it = liveLinkActiveTable().find({ itemKey, false }); it != liveLinkActiveTable().end())
        link = it->second;
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
    link->setPeer(std::move(client));
    liveLinkActiveTable()[{ itemKey, true }] = link;
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

void LiveLink::dropPeer()
{
    if (peer_)
        peer_->setPeerDeathHandler(nullptr);
    peer_ = nullptr;
    auto& table = liveLinkActiveTable();
    if (auto it = table.find({ key_, isServer_ }); it != table.end() && it->second.get() == this)
        table.erase(it);
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
    liveLinkActiveTable()[{ key_, false }] = Ref<LiveLink>(this);
    return true;
}
