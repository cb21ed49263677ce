#pragma once

// One side of a live link: a client holds an item whose content a server application edits; the
// server sends every change back. The two LiveLink objects, one in each process, are each other's
// peer; content travels through the link's pasteboard, which both processes can open by name.

#include "kit/appkit/Pasteboard.h"
#include "kit/foundation/Connection.h"

#include <tuple>

class LiveLink;

// An entry of the active links: item key, server side, and on the server side the client's unique
// bus name.
using LiveLinkTableKey = std::tuple<QString, bool, QString>;

// What a link tells its delegate. A server's delegate hears edit requests, a client's delegate
// hears edits; both hear the close.
class LiveLinkDelegate {
public:
    virtual ~LiveLinkDelegate() = default;
    virtual void liveLinkClientDidRequestEdit(LiveLink*) { }
    virtual void liveLinkServerDidSendEdit(LiveLink*) { }
    virtual void liveLinkDidClose(LiveLink*) { }
};

inline const QString LiveLinkProtocolName = QStringLiteral("LiveLink");
inline const QString LiveLinkServerProtocolName = QStringLiteral("LiveLinkServer");

class LiveLink : public kit::Object {
    KIT_CLASS(LiveLink)

    LiveLink() = default;
    ~LiveLink() override;

    // The open link of an item, or null: the client side when this process holds one, else the
    // server side entered last (one per client that asked for the item).
    static kit::Ref<LiveLink> activeLiveLinkForItemKey(const QString& key);
    static bool publishServerWithNameDelegate(const QString& name, kit::Object* delegate);
    static void retractServerWithName(const QString& name);
    // Raises InvalidArgumentException for data that does not name a server; null when no server
    // could be reached.
    static kit::Ref<LiveLink> editLiveLinkDataSourceNameDelegateItemKey(
        const kit::Value& data, const QString& sourceName, kit::Object* delegate, const QString& itemKey);

    // The server side, made when `client` connects; entered in the active table under the key and
    // the client's bus name, so another client with the same key never replaces it.
    static kit::Ref<LiveLink> initServerWithClientDelegate(kit::Ref<kit::DistantObject> client, const QString& sourceName,
        const QString& sourceApplicationName, const QString& itemKey, kit::Object* delegate);
    static kit::Ref<LiveLink> initClientWithSourceNameDelegateItemKey(const QString& sourceName, kit::Object* delegate, const QString& itemKey);

    kit::Pasteboard* pasteboard() const { return pboard_.get(); }
    kit::Value representedObject() const { return repobj_; }
    void setRepresentedObject(const kit::Value& object) { repobj_ = object; }
    QString sourceName() const { return sourceName_; }
    QString sourceApplicationName() const { return sourceApplicationName_; }
    QString itemKey() const { return key_; }
    kit::Object* delegate() const { return delegate_.lock().get(); }
    void setDelegate(kit::Object* delegate) { delegate_ = delegate; }
    bool isServer() const { return isServer_; }
    bool isConnected() const { return bool(peer_); }

    void closeLink();
    void sendEdit();
    void requestEdit();
    bool connectToServerWithNameInApplicationFallbackURLAppName(
        const QString& serverName, const QString& bundleIdentifier, const QUrl& fallbackURL, const QString& appName);

    // From the peer (protocol LiveLink).
    void remoteCloseLink();
    void requestEditWithPasteboardName(const QString& name);
    void refreshEditWithPasteboardName(const QString& name);

    // Both remote protocols, entered once.
    static void registerRemoteProtocols();

private:
    void setPeer(kit::Ref<kit::DistantObject> peer);
    // Opens the link: held by the table and by itself until the close.
    void enterActiveTable(const LiveLinkTableKey& key);
    // Releases the peer and leaves the active table; the caller holds a reference.
    void dropPeer();
    void takePasteboardNamedAndTell(const QString& name, void (LiveLinkDelegate::*tell)(LiveLink*));
    void sendToPeer(const QString& operation);

    kit::Ref<kit::DistantObject> peer_;
    bool isServer_ = false;
    kit::Weak<kit::Object> delegate_;
    kit::Ref<kit::Pasteboard> pboard_;
    kit::Value repobj_;
    QString sourceName_;
    QString sourceApplicationName_;
    QString key_;
    LiveLinkTableKey tableKey_;
};
