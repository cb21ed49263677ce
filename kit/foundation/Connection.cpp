#include "kit/foundation/Connection.h"

#include "kit/core/Exception.h"
#include "kit/core/MainThread.h"
#include "kit/core/ProcessWide.h"
#include "kit/foundation/BusNames.h"
#include "kit/foundation/BusTransport.h"

#include <map>
#include <set>

namespace kit {

namespace {

const QString ConnectionObjectsRoot = QStringLiteral("/kit");
const QString ConnectionObjectsPrefix = QStringLiteral("/kit/objects/");

struct ConnectionState {
    BusTransport* handlerOn = nullptr;
    std::map<QString, RemoteProtocol> protocols;
    std::map<QString, Weak<Object>> roots; // root path -> root object
    std::map<QString, Weak<Object>> objects; // "/kit/objects/<n>" -> object sent by reference
    std::map<const Object*, QString> paths;
    // The unique names each object was sent to (as a call's destination or in an answer to its
    // caller): the only ones it answers. A fixed audience no longer grows.
    struct Audience {
        std::set<QString> names;
        bool fixed = false;
    };
    std::map<QString, Audience> audiences;
    std::uint64_t nextObject = 0;
};

ConnectionState& ConnectionShared()
{
    // Connections invalidate themselves from destructors that may run at exit.
    static ProcessWide<ConnectionState> state;
    return *state;
}

QString ConnectionRootPath(const QString& busName) { return QStringLiteral("/kit/roots/") + QString(busName).replace(u'.', u'/'); }

bool ConnectionIsRemoteCapable(const Class& cls)
{
    for (const auto& [name, protocol] : ConnectionShared().protocols)
        if (cls.conformsToProtocolNamed(name))
            return true;
    return false;
}

// `recipient`: the unique name the object goes to, empty when it goes nowhere yet.
QString ConnectionExport(Object& object, const QString& recipient)
{
    auto& state = ConnectionShared();
    const auto admit = [&](const QString& path) {
        auto& audience = state.audiences[path];
        if (!audience.fixed && !recipient.isEmpty())
            audience.names.insert(recipient);
        return path;
    };
    if (auto it = state.paths.find(&object); it != state.paths.end()) {
        auto known = state.objects.find(it->second);
        if (known != state.objects.end() && known->second.lock().get() == &object)
            return admit(it->second);
        // An earlier object at the same address is gone.
        if (known != state.objects.end())
            state.objects.erase(known);
        state.audiences.erase(it->second);
        state.paths.erase(it);
    }
    if (state.nextObject % 64 == 63) {
        for (auto it = state.objects.begin(); it != state.objects.end();) {
            if (it->second.expired()) {
                std::erase_if(state.paths, [&](const auto& entry) { return entry.second == it->first; });
                state.audiences.erase(it->first);
                it = state.objects.erase(it);
            } else {
                ++it;
            }
        }
    }
    const QString path = ConnectionObjectsPrefix + QString::number(state.nextObject++);
    state.objects[path] = Weak<Object>(Ref<Object>(&object));
    state.paths[&object] = path;
    return admit(path);
}

BusArgument ConnectionEncodeOne(const Value& value, const QString& recipient)
{
    if (value.isString())
        return { BusArgument::Kind::String, value.stringValue() };
    if (value.isObject()) {
        Ref<Object> object = value.object();
        if (object && !dynamic_cast<DistantObject*>(object.get()) && ConnectionIsRemoteCapable(object->class_()))
            return { BusArgument::Kind::ObjectPath, ConnectionExport(*object, recipient) };
    }
    throw Exception(InvalidArgumentException, QStringLiteral("only strings and objects with a remote protocol travel to another process"));
}

// Nil travels as nothing, an array of two or more as its elements, anything else as itself.
std::vector<BusArgument> ConnectionEncode(const Value& value, const QString& recipient)
{
    std::vector<BusArgument> arguments;
    if (value.isArray()) {
        for (const Value& element : value.array())
            arguments.push_back(ConnectionEncodeOne(element, recipient));
    } else if (!value.isNil()) {
        arguments.push_back(ConnectionEncodeOne(value, recipient));
    }
    return arguments;
}

Value ConnectionDecodeOne(const BusArgument& argument, const QString& sender)
{
    if (argument.kind == BusArgument::Kind::ObjectPath)
        return Value(make<DistantObject>(sender, argument.text));
    return argument.text;
}

Value ConnectionDecode(const std::vector<BusArgument>& arguments, const QString& sender)
{
    if (arguments.empty())
        return {};
    if (arguments.size() == 1)
        return ConnectionDecodeOne(arguments.front(), sender);
    std::vector<Value> values;
    for (const BusArgument& argument : arguments)
        values.push_back(ConnectionDecodeOne(argument, sender));
    return Array(std::move(values));
}

BusTransport::Answer ConnectionDispatch(const BusCall& call)
{
    const BusRefusal refused { BusErrorUnknownMethod, QStringLiteral("refused") };
    auto& state = ConnectionShared();
    Ref<Object> target;
    if (auto it = state.roots.find(call.path); it != state.roots.end()) {
        target = it->second.lock();
    } else if (auto found = state.objects.find(call.path); found != state.objects.end()) {
        // Roots take calls from anyone; an object only from those it was sent to.
        const auto audience = state.audiences.find(call.path);
        if (audience == state.audiences.end() || !audience->second.names.contains(call.sender))
            return BusRefusal { BusErrorAccessDenied, kit::format(QStringLiteral("%@ does not take calls from %@"), call.path, call.sender) };
        target = found->second.lock();
    }
    if (!target)
        return refused;
    const Class& cls = target->class_();
    bool remote = false;
    for (const auto& [name, protocol] : state.protocols)
        remote = remote || (cls.conformsToProtocolNamed(name) && protocol.operation(call.member));
    const ActionInfo* action = remote ? cls.action(call.member) : nullptr;
    if (!action || action->arity > 1 || (action->arity == 0 && !call.arguments.empty()))
        return refused;
    try {
        return ConnectionEncode(action->invoke(*target, ConnectionDecode(call.arguments, call.sender), Value()), call.sender);
    } catch (const Exception& e) {
        kit::log(QStringLiteral("remote %@ raised %@: %@"), call.member, e.name(), e.reason());
    } catch (const std::exception& e) {
        kit::log(QStringLiteral("remote %@ failed: %@"), call.member, QString::fromUtf8(e.what()));
    }
    return refused;
}

// Another bus: nothing exported on the old one is reachable any more.
void ConnectionForgetExported()
{
    auto& state = ConnectionShared();
    state.handlerOn = nullptr;
    state.roots.clear();
    state.objects.clear();
    state.paths.clear();
    state.audiences.clear();
}

BusTransport& ConnectionTransport()
{
    auto& state = ConnectionShared();
    BusTransport& transport = SharedBusTransport();
    if (state.handlerOn != &transport) {
        transport.setHandler(ConnectionObjectsRoot, &ConnectionDispatch);
        state.handlerOn = &transport;
    }
    return transport;
}

} // namespace

// --- RemoteProtocol

const RemoteOperation* RemoteProtocol::operation(const QString& member) const
{
    for (const auto& op : operations)
        if (op.name == member)
            return &op;
    return nullptr;
}

void RemoteProtocol::registerProtocol(const RemoteProtocol& protocol)
{
    KIT_ASSERT(isMainThread(), "remote protocols are registered on the main thread");
    ConnectionShared().protocols.insert_or_assign(protocol.name, protocol);
}

const RemoteProtocol* RemoteProtocol::protocolNamed(const QString& name)
{
    auto& protocols = ConnectionShared().protocols;
    auto it = protocols.find(name);
    return it == protocols.end() ? nullptr : &it->second;
}

// --- DistantObject

KIT_REGISTER_CLASS(DistantObject, Object) { }

DistantObject::DistantObject(QString owner, QString path)
    : owner_(std::move(owner))
    , path_(std::move(path))
{ }

DistantObject::~DistantObject() = default;

void DistantObject::setProtocolForProxy(const QString& protocolName)
{
    KIT_ASSERT(RemoteProtocol::protocolNamed(protocolName), "unknown remote protocol %@", protocolName);
    protocol_ = protocolName;
}

const RemoteOperation& DistantObject::checkedOperation(const QString& operation, bool oneway) const
{
    static const RemoteOperation anyOperation;
    if (protocol_.isEmpty())
        return anyOperation;
    const RemoteProtocol* protocol = RemoteProtocol::protocolNamed(protocol_);
    const RemoteOperation* op = protocol ? protocol->operation(operation) : nullptr;
    if (!op || op->oneway != oneway)
        throw Exception(InvalidArgumentException, kit::format(QStringLiteral("%@ is not a%@ operation of protocol %@"), operation,
                                                      oneway ? QStringLiteral(" one-way") : QStringLiteral("n ordinary"), protocol_));
    return *op;
}

std::optional<Value> DistantObject::sendMessage(const QString& operation, const Value& argument)
{
    checkedOperation(operation, false);
    BusTransport& transport = ConnectionTransport();
    auto answer = transport.call(owner_, path_, operation, ConnectionEncode(argument, owner_), timeoutMs_);
    if (!answer)
        return std::nullopt;
    return ConnectionDecode(*answer, owner_);
}

bool DistantObject::sendOneway(const QString& operation, const Value& argument)
{
    checkedOperation(operation, true);
    BusTransport& transport = ConnectionTransport();
    return transport.send(owner_, path_, operation, ConnectionEncode(argument, owner_));
}

void DistantObject::setPeerDeathHandler(std::function<void()> handler)
{
    if (!handler) {
        watch_.reset();
        return;
    }
    watch_ = ConnectionTransport().watchNameVanishing(owner_, std::move(handler));
}

// --- Connection

KIT_REGISTER_CLASS(Connection, Object) { }

Connection::~Connection() { invalidate(); }

Ref<Connection> Connection::connectionWithRootObject(const Ref<Object>& root)
{
    auto connection = make<Connection>();
    connection->root_ = root;
    return connection;
}

bool Connection::registerName(const QString& name)
{
    if (isValid())
        return false;
    const auto busName = BusNameForRegisteredName(name);
    // The bus tells its owner "already yours": a second connection of this process must hear NO.
    if (!busName || ConnectionShared().roots.contains(ConnectionRootPath(*busName)))
        return false;
    BusTransport& transport = ConnectionTransport();
    if (!transport.requestName(*busName))
        return false;
    busName_ = *busName;
    rootPath_ = ConnectionRootPath(*busName);
    ConnectionShared().roots[rootPath_] = root_;
    return true;
}

void Connection::invalidate()
{
    if (!isValid())
        return;
    ConnectionShared().roots.erase(rootPath_);
    SharedBusTransport().releaseName(busName_);
    busName_.clear();
    rootPath_.clear();
}

Ref<DistantObject> Connection::rootProxyForConnectionWithRegisteredNameHost(const QString& name, const QString& host)
{
    if (!host.isEmpty())
        return nullptr;
    const auto busName = BusNameForRegisteredName(name);
    if (!busName)
        return nullptr;
    const QString owner = ConnectionTransport().nameOwner(*busName);
    if (owner.isEmpty())
        return nullptr;
    return make<DistantObject>(owner, ConnectionRootPath(*busName));
}

void Connection::setSoleCallerOfObject(Object& object, const QString& uniqueName)
{
    auto& audience = ConnectionShared().audiences[ConnectionExport(object, QString())];
    audience.names = { uniqueName };
    audience.fixed = true;
}

QString Connection::pathOfObjectForTesting(Object& object) { return ConnectionExport(object, QString()); }

void Connection::setBusAddressForTesting(const QString& address)
{
    ConnectionForgetExported();
    SetBusAddressForTesting(address);
}

void Connection::setBusTransportForTesting(std::unique_ptr<BusTransport> transport)
{
    ConnectionForgetExported();
    SetBusTransportForTesting(std::move(transport));
}

} // namespace kit
