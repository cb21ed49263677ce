#include "kit/testsupport/FakeBus.h"

#include "kit/foundation/Connection.h"
#include "kit/foundation/MainThread.h"
#include "kit/linux/DBusTransport.h"

#include <algorithm>

namespace kit::test {

struct FakeBus::State {
    int lastClient = 0;
    std::map<QString, FakeBusTransport*> clients; // by unique name
    std::map<QString, QString> owners;            // well-known name -> unique name
    int lastWatch = 0;
    std::map<int, std::pair<QString, std::function<void()>>> watches;

    FakeBusTransport* client(const QString& name) const
    {
        const auto owner = owners.find(name);
        const auto it = clients.find(owner == owners.end() ? name : owner->second);
        return it == clients.end() ? nullptr : it->second;
    }
};

namespace {

// Once, later on the main thread, and only if the watch still stands then.
void fakeBusAnnounceVanished(const std::shared_ptr<FakeBus::State>& state, int id)
{
    performOnMainThread(
        [weak = std::weak_ptr<FakeBus::State>(state), id] {
            const auto locked = weak.lock();
            if (!locked)
                return;
            const auto it = locked->watches.find(id);
            if (it == locked->watches.end())
                return;
            const std::function<void()> vanished = std::move(it->second.second);
            locked->watches.erase(it);
            vanished();
        },
        false);
}

struct FakeBusWatchToken {
    std::weak_ptr<FakeBus::State> state;
    int id;
    ~FakeBusWatchToken()
    {
        if (const auto locked = state.lock())
            locked->watches.erase(id);
    }
};

} // namespace

FakeBus::FakeBus()
    : state_(std::make_shared<State>())
{ }

std::unique_ptr<FakeBusTransport> FakeBus::connect()
{
    const QString name = QStringLiteral(":fake.%1").arg(++state_->lastClient);
    std::unique_ptr<FakeBusTransport> client(new FakeBusTransport(state_, name));
    state_->clients[name] = client.get();
    return client;
}

FakeBusTransport::FakeBusTransport(std::shared_ptr<FakeBus::State> state, QString uniqueName)
    : state_(std::move(state))
    , uniqueName_(std::move(uniqueName))
{ }

FakeBusTransport::~FakeBusTransport()
{
    state_->clients.erase(uniqueName_);
    std::erase_if(state_->owners, [this](const auto& entry) { return entry.second == uniqueName_; });
    // The bus announces a departure later, as a signal; a watch ended before then hears nothing.
    for (const auto& [id, watch] : state_->watches) {
        if (watch.first != uniqueName_)
            continue;
        fakeBusAnnounceVanished(state_, id);
    }
}

bool FakeBusTransport::requestName(const QString& busName)
{
    if (busName.isEmpty() || busName.startsWith(u':') || state_->owners.contains(busName))
        return false;
    state_->owners[busName] = uniqueName_;
    return true;
}

void FakeBusTransport::releaseName(const QString& busName)
{
    if (const auto it = state_->owners.find(busName); it != state_->owners.end() && it->second == uniqueName_)
        state_->owners.erase(it);
}

QString FakeBusTransport::nameOwner(const QString& busName) const
{
    const FakeBusTransport* owner = state_->client(busName);
    return owner ? owner->uniqueName_ : QString();
}

BusTransport::Answer FakeBusTransport::deliver(const BusCall& call)
{
    received_.push_back(call.member);
    // The deepest exported root that holds the path answers.
    const Handler* handler = nullptr;
    qsizetype depth = -1;
    for (const auto& [root, h] : handlers_) {
        if ((call.path == root || call.path.startsWith(root + u'/')) && root.size() > depth) {
            handler = &h;
            depth = root.size();
        }
    }
    if (!handler)
        return BusRefusal { QStringLiteral("org.freedesktop.DBus.Error.UnknownObject"), call.path };
    // A copy: the handler may export or replace handlers while it runs.
    const Handler run = *handler;
    return run(call);
}

std::optional<std::vector<BusArgument>> FakeBusTransport::call(
    const QString& destination, const QString& path, const QString& member, const std::vector<BusArgument>& arguments, int, QString* errorName)
{
    FakeBusTransport* target = state_->client(destination);
    Answer answer = BusRefusal { QStringLiteral("org.freedesktop.DBus.Error.ServiceUnknown"), destination };
    if (target)
        answer = target->deliver(BusCall { uniqueName_, path, member, arguments });
    if (const auto* results = std::get_if<std::vector<BusArgument>>(&answer))
        return *results;
    if (errorName)
        *errorName = std::get<BusRefusal>(answer).name;
    return std::nullopt;
}

bool FakeBusTransport::send(const QString& destination, const QString& path, const QString& member, const std::vector<BusArgument>& arguments)
{
    FakeBusTransport* target = state_->client(destination);
    if (!target)
        return false;
    // Routed now, delivered later: the receiver only runs from the event loop.
    performOnMainThread(
        [weak = std::weak_ptr<FakeBus::State>(state_), unique = target->uniqueName_, call = BusCall { uniqueName_, path, member, arguments }] {
            if (const auto state = weak.lock())
                if (const auto it = state->clients.find(unique); it != state->clients.end())
                    it->second->deliver(call);
        },
        false);
    return true;
}

std::shared_ptr<void> FakeBusTransport::watchNameVanishing(const QString& uniqueName, std::function<void()> vanished)
{
    const int id = ++state_->lastWatch;
    state_->watches[id] = { uniqueName, std::move(vanished) };
    // Made in place: a copied token would end the watch as the copy goes.
    std::shared_ptr<FakeBusWatchToken> token(new FakeBusWatchToken { state_, id });
    // Gone before the watch began: told all the same.
    if (!state_->clients.contains(uniqueName))
        fakeBusAnnounceVanished(state_, id);
    return token;
}

void FakeBusTransport::setHandler(const QString& root, Handler handler) { handlers_[root] = std::move(handler); }

BusUnderTest::BusUnderTest(bool fake, QString address)
    : address_(std::move(address))
{
    if (fake) {
        fake_.emplace();
        Connection::setBusTransportForTesting(fake_->connect());
    } else {
        Connection::setBusAddressForTesting(address_);
    }
}

BusUnderTest::~BusUnderTest() { Connection::setBusAddressForTesting(address_); }

std::unique_ptr<BusTransport> BusUnderTest::otherClient()
{
    if (fake_)
        return fake_->connect();
    return std::make_unique<DBusTransport>(address_);
}

} // namespace kit::test
