#pragma once

// The kit's bus transport over Qt D-Bus: the only file that touches it. Calls go to the interface
// "kit.RemoteObject" of an object path; each string travels as "s", each object reference as "o".

#include "kit/foundation/BusTransport.h"

#include <QDBusConnection>

#include <map>

namespace kit {

class DBusTransport final : public BusTransport {
public:
    // The session bus, or the bus at `address` when not empty.
    explicit DBusTransport(const QString& address);
    ~DBusTransport() override;

    bool isConnected() const override;
    QString uniqueName() const override;
    bool requestName(const QString& busName) override;
    void releaseName(const QString& busName) override;
    QString nameOwner(const QString& busName) const override;
    std::optional<std::vector<BusArgument>> call(const QString& destination, const QString& path, const QString& member,
        const std::vector<BusArgument>& arguments, int timeoutMs, QString* errorName) override;
    bool send(const QString& destination, const QString& path, const QString& member, const std::vector<BusArgument>& arguments) override;
    std::shared_ptr<void> watchNameVanishing(const QString& uniqueName, std::function<void()> vanished) override;
    void setHandler(const QString& root, Handler handler) override;

private:
    class Exported;

    QDBusConnection connection_;
    QString privateName_; // set for a test bus, which we disconnect ourselves
    std::map<QString, std::unique_ptr<Exported>> exported_;
};

} // namespace kit
