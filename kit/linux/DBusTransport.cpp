#include "kit/linux/DBusTransport.h"

#include "kit/core/Exception.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusServiceWatcher>
#include <QDBusVirtualObject>

#include <atomic>
#include <utility>

namespace kit {

namespace {

const QString DBusTransportInterface = QStringLiteral("kit.RemoteObject");

QList<QVariant> DBusTransportArguments(const std::vector<BusArgument>& arguments)
{
    QList<QVariant> list;
    for (const BusArgument& argument : arguments) {
        if (argument.kind == BusArgument::Kind::ObjectPath)
            list.append(QVariant::fromValue(QDBusObjectPath(argument.text)));
        else
            list.append(QVariant(argument.text));
    }
    return list;
}

// Anything but strings and object paths is not ours: nullopt.
std::optional<std::vector<BusArgument>> DBusTransportDecode(const QList<QVariant>& arguments)
{
    std::vector<BusArgument> decoded;
    for (const QVariant& v : arguments) {
        if (v.metaType() == QMetaType::fromType<QString>())
            decoded.push_back({ BusArgument::Kind::String, v.toString() });
        else if (v.metaType() == QMetaType::fromType<QDBusObjectPath>())
            decoded.push_back({ BusArgument::Kind::ObjectPath, v.value<QDBusObjectPath>().path() });
        else
            return std::nullopt;
    }
    return decoded;
}

} // namespace

class DBusTransport::Exported final : public QDBusVirtualObject {
public:
    explicit Exported(Handler handler)
        : handler_(std::move(handler))
    { }

    QString introspect(const QString&) const override { return {}; }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        if (message.type() != QDBusMessage::MethodCallMessage || message.interface() != DBusTransportInterface)
            return false;
        Answer answer = BusRefusal { BusErrorUnknownMethod, QStringLiteral("refused") };
        if (auto arguments = DBusTransportDecode(message.arguments()))
            answer = handler_(BusCall { message.service(), message.path(), message.member(), std::move(*arguments) });
        if (message.isReplyRequired()) {
            if (const auto* results = std::get_if<std::vector<BusArgument>>(&answer))
                connection.send(message.createReply(DBusTransportArguments(*results)));
            else
                connection.send(message.createErrorReply(std::get<BusRefusal>(answer).name, std::get<BusRefusal>(answer).message));
        }
        return true;
    }

private:
    Handler handler_;
};

DBusTransport::DBusTransport(const QString& address)
    : connection_(QDBusConnection::sessionBus())
{
    if (!address.isEmpty()) {
        static std::atomic<int> counter = 0;
        privateName_ = QStringLiteral("kit-bus-%1").arg(++counter);
        connection_ = QDBusConnection::connectToBus(address, privateName_);
    }
}

DBusTransport::~DBusTransport()
{
    for (auto& [root, object] : exported_)
        connection_.unregisterObject(root, QDBusConnection::UnregisterTree);
    exported_.clear();
    if (!privateName_.isEmpty())
        QDBusConnection::disconnectFromBus(privateName_);
}

bool DBusTransport::isConnected() const { return connection_.isConnected(); }

QString DBusTransport::uniqueName() const { return connection_.baseService(); }

bool DBusTransport::requestName(const QString& busName)
{
    if (!connection_.isConnected())
        return false;
    auto reply = connection_.interface()->registerService(
        busName, QDBusConnectionInterface::DontQueueService, QDBusConnectionInterface::DontAllowReplacement);
    return reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered;
}

void DBusTransport::releaseName(const QString& busName)
{
    if (connection_.isConnected())
        connection_.interface()->unregisterService(busName);
}

QString DBusTransport::nameOwner(const QString& busName) const
{
    if (!connection_.isConnected())
        return {};
    auto reply = connection_.interface()->serviceOwner(busName);
    return reply.isValid() ? reply.value() : QString();
}

std::optional<std::vector<BusArgument>> DBusTransport::call(
    const QString& destination, const QString& path, const QString& member, const std::vector<BusArgument>& arguments, int timeoutMs, QString* errorName)
{
    auto message = QDBusMessage::createMethodCall(destination, path, DBusTransportInterface, member);
    message.setArguments(DBusTransportArguments(arguments));
    message.setAutoStartService(false);
    const QDBusMessage reply = connection_.call(message, QDBus::Block, timeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        if (errorName)
            *errorName = reply.errorName();
        return std::nullopt;
    }
    return DBusTransportDecode(reply.arguments());
}

bool DBusTransport::send(const QString& destination, const QString& path, const QString& member, const std::vector<BusArgument>& arguments)
{
    auto message = QDBusMessage::createMethodCall(destination, path, DBusTransportInterface, member);
    message.setArguments(DBusTransportArguments(arguments));
    message.setAutoStartService(false);
    return connection_.send(message);
}

std::shared_ptr<void> DBusTransport::watchNameVanishing(const QString& uniqueName, std::function<void()> vanished)
{
    auto watcher = std::make_shared<QDBusServiceWatcher>(uniqueName, connection_, QDBusServiceWatcher::WatchForUnregistration);
    auto fired = std::make_shared<bool>(false);
    auto once = [vanished = std::move(vanished), fired] {
        if (std::exchange(*fired, true))
            return;
        // Component code runs here, straight from Qt's event loop: nothing may escape into it.
        try {
            vanished();
        } catch (const std::exception& e) {
            kit::log(QStringLiteral("peer-death handler failed: %@"), QString::fromUtf8(e.what()));
        }
    };
    QObject::connect(watcher.get(), &QDBusServiceWatcher::serviceUnregistered, watcher.get(), [once](const QString&) mutable { once(); });
    // Gone before the watch began: nothing would ever be announced.
    if (nameOwner(uniqueName).isEmpty())
        QMetaObject::invokeMethod(watcher.get(), once, Qt::QueuedConnection);
    return watcher;
}

void DBusTransport::setHandler(const QString& root, Handler handler)
{
    if (exported_.contains(root))
        connection_.unregisterObject(root, QDBusConnection::UnregisterTree);
    auto object = std::make_unique<Exported>(std::move(handler));
    if (!connection_.registerVirtualObject(root, object.get(), QDBusConnection::SubPath))
        kit::log(QStringLiteral("cannot export %@ on the bus"), root);
    exported_[root] = std::move(object);
}

namespace {
std::unique_ptr<BusTransport>& DBusTransportShared()
{
    static std::unique_ptr<BusTransport> transport;
    return transport;
}
} // namespace

BusTransport& SharedBusTransport()
{
    auto& transport = DBusTransportShared();
    if (!transport)
        transport = std::make_unique<DBusTransport>(QString());
    return *transport;
}

void SetBusAddressForTesting(const QString& address) { DBusTransportShared() = std::make_unique<DBusTransport>(address); }

void SetBusTransportForTesting(std::unique_ptr<BusTransport> transport) { DBusTransportShared() = std::move(transport); }

} // namespace kit
