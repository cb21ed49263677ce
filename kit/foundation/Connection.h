#pragma once

// The least distributed-object layer: a process publishes a root object under a registered name,
// another asks for a proxy of it and calls its remote operations. Remote operations are the
// actions of a class (the class registry) that belong to a remote protocol the class adopts, so a
// peer can reach nothing else. An operation takes one value: nil, a string (by copy), an object of
// a class with a remote protocol (by reference, arriving as a proxy of (sender, path)), or an
// array of two or more of those. Incoming calls run on the main
// thread. A root takes calls from anyone; an object sent by reference only from the processes it
// was sent to (others hear AccessDenied). The bus itself sits behind kit::BusTransport.

#include "kit/core/Class.h"
#include "kit/core/Value.h"

#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace kit {

class BusTransport;

struct RemoteOperation {
    QString name;
    bool oneway = false; // sent, never awaited: the receiver only schedules work
};

struct RemoteProtocol {
    QString name;
    std::vector<RemoteOperation> operations;

    const RemoteOperation* operation(const QString& member) const;
    // Entered once per process; classes adopt it with `c.protocol(name)`.
    static void registerProtocol(const RemoteProtocol& protocol);
    static const RemoteProtocol* protocolNamed(const QString& name);
};

class DistantObject : public Object {
    KIT_CLASS(DistantObject)

    DistantObject(QString owner, QString path);
    ~DistantObject() override;

    // The owner's unique name (":1.42"), never a well-known one.
    const QString& owner() const { return owner_; }
    const QString& path() const { return path_; }

    // The protocol calls must stay within; sending outside it is a programming error.
    void setProtocolForProxy(const QString& protocolName);
    // An ordinary call: nullopt on an error or when no answer came within the timeout.
    std::optional<Value> sendMessage(const QString& operation, const Value& argument = {});
    // A one-way call; answers whether it was sent.
    bool sendOneway(const QString& operation, const Value& argument = {});

    // `handler` runs once, on the main thread, when the owner leaves the bus.
    void setPeerDeathHandler(std::function<void()> handler);

    static constexpr int DefaultTimeoutMs = 25000;
    void setTimeoutMs(int ms) { timeoutMs_ = ms; }

private:
    const RemoteOperation& checkedOperation(const QString& operation, bool oneway) const;

    QString owner_;
    QString path_;
    QString protocol_;
    int timeoutMs_ = DefaultTimeoutMs;
    std::shared_ptr<void> watch_;
};

class Connection : public Object {
    KIT_CLASS(Connection)

    Connection() = default;
    ~Connection() override;

    // The root is held weakly: it usually owns its connection.
    static Ref<Connection> connectionWithRootObject(const Ref<Object>& root);
    Ref<Object> rootObject() const { return root_.lock(); }

    // NO when the name cannot be mapped to a bus name or someone holds it already.
    bool registerName(const QString& name);
    // Releases the name and stops answering for the root.
    void invalidate();
    bool isValid() const { return !busName_.isEmpty(); }

    // Null when nobody holds the name; otherwise a proxy bound to the holder's unique name, so a
    // restarted server never receives calls meant for the old one. Only the local host (empty host).
    static Ref<DistantObject> rootProxyForConnectionWithRegisteredNameHost(const QString& name, const QString& host);

    // From now on `object` takes calls from `uniqueName` only, wherever it is sent.
    static void setSoleCallerOfObject(Object& object, const QString& uniqueName);
    // The object path under which `object` is (or will be) sent by reference.
    static QString pathOfObjectForTesting(Object& object);

    // The bus at `address` for this process (empty: the session bus again).
    static void setBusAddressForTesting(const QString& address);
    // Another transport (a fake bus) for this process; null: the session bus again.
    static void setBusTransportForTesting(std::unique_ptr<BusTransport> transport);

private:
    Weak<Object> root_;
    QString busName_;
    QString rootPath_;
};

} // namespace kit
