#pragma once

// A message bus inside the test process, for connection and live-link tests without a bus daemon.
// Each FakeBusTransport is one client of the bus with a unique name (":fake.N"); names, calls,
// one-way sends and vanishing peers behave as on the real bus: a call is answered at once (the
// handler runs inside it, as the real bus does for a call a process makes to itself), a one-way
// send is delivered later on the main thread, and a transport that is destroyed leaves the bus,
// releasing its names and telling those who watch it.

#include "kit/foundation/BusTransport.h"

#include <map>
#include <memory>
#include <optional>

namespace kit::test {

class FakeBusTransport;

class FakeBus {
public:
    FakeBus();
    // A new client of this bus; make the kit use it with `SetBusTransportForTesting`.
    std::unique_ptr<FakeBusTransport> connect();

    struct State; // shared by the bus and its clients

private:
    std::shared_ptr<State> state_;
};

class FakeBusTransport final : public BusTransport {
public:
    ~FakeBusTransport() override;

    bool isConnected() const override { return true; }
    QString uniqueName() const override { return uniqueName_; }
    bool requestName(const QString& busName) override;
    void releaseName(const QString& busName) override;
    QString nameOwner(const QString& busName) const override;
    std::optional<std::vector<BusArgument>> call(const QString& destination, const QString& path, const QString& member,
        const std::vector<BusArgument>& arguments, int timeoutMs, QString* errorName) override;
    bool send(const QString& destination, const QString& path, const QString& member, const std::vector<BusArgument>& arguments) override;
    std::shared_ptr<void> watchNameVanishing(const QString& uniqueName, std::function<void()> vanished) override;
    void setHandler(const QString& root, Handler handler) override;

    // Calls and sends this client has received, in order (members only).
    const std::vector<QString>& receivedMembers() const { return received_; }

private:
    friend class FakeBus;
    FakeBusTransport(std::shared_ptr<FakeBus::State> state, QString uniqueName);
    Answer deliver(const BusCall& call);

    std::shared_ptr<FakeBus::State> state_;
    QString uniqueName_;
    std::map<QString, Handler> handlers_;
    std::vector<QString> received_;
};

// For a test that runs once on each bus: points the kit's connections at a fake bus, or at the bus
// daemon at `address`, and back at that daemon when it goes.
class BusUnderTest {
public:
    BusUnderTest(bool fake, QString address);
    ~BusUnderTest();
    BusUnderTest(const BusUnderTest&) = delete;
    BusUnderTest& operator=(const BusUnderTest&) = delete;

    // A second client of the same bus, as another process would be.
    std::unique_ptr<BusTransport> otherClient();

private:
    std::optional<FakeBus> fake_;
    QString address_;
};

} // namespace kit::test
