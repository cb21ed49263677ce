#include "kit/foundation/Connection.h"

#include "kit/core/Exception.h"
#include "kit/foundation/BusNames.h"
#include "kit/linux/DBusTransport.h"
#include "kit/testsupport/FakeBus.h"
#include "kit/testsupport/PrivateBus.h"
#include "kit/testsupport/MissingTool.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace kit_connection_test {

using namespace kit;

const QString ConnectionTestProtocol = QStringLiteral("KitConnectionTestEcho");

// A root object with one operation of each passing, and one action outside its protocol.
class ConnectionTestEcho : public Object {
    KIT_CLASS(ConnectionTestEcho)

    QString echo(QString text) { return QStringLiteral("echo ") + text; }
    void remember(QString text) { remembered.append(text); }
    void noteObject(Ref<Object> object) { noted = dynamic_pointer_cast<DistantObject>(object); }
    // Objects sent by reference are held by their owner, not by the connection.
    Ref<Object> child()
    {
        children.push_back(make<ConnectionTestEcho>());
        return children.back();
    }
    QString describe(Ref<Object> object)
    {
        auto proxy = dynamic_pointer_cast<DistantObject>(object);
        return proxy ? proxy->owner() + QLatin1Char(' ') + proxy->path() : QStringLiteral("not a proxy");
    }
    void secret() { secretRan = true; }

    QStringList remembered;
    std::vector<Ref<Object>> children;
    Ref<DistantObject> noted;
    bool secretRan = false;
};

KIT_REGISTER_CLASS(ConnectionTestEcho, Object)
{
    c.action(QStringLiteral("echo"), &ConnectionTestEcho::echo);
    c.action(QStringLiteral("remember"), &ConnectionTestEcho::remember);
    c.action(QStringLiteral("noteObject"), &ConnectionTestEcho::noteObject);
    c.action(QStringLiteral("child"), &ConnectionTestEcho::child);
    c.action(QStringLiteral("describe"), &ConnectionTestEcho::describe);
    c.action(QStringLiteral("secret"), &ConnectionTestEcho::secret);
    c.protocol(ConnectionTestProtocol);
}

// Every case runs twice: on a bus daemon of this test program's own (so twin runs of the suite
// never meet), and on the fake bus inside the process, which must behave the same.
class Connection_ : public ::testing::TestWithParam<bool> {
protected:
    static void SetUpTestSuite()
    {
        RemoteProtocol::registerProtocol({ ConnectionTestProtocol,
            { { QStringLiteral("echo"), false }, { QStringLiteral("child"), false }, { QStringLiteral("describe"), false },
                { QStringLiteral("remember"), true }, { QStringLiteral("noteObject"), true } } });
        bus_ = new test::PrivateBus;
        address_ = bus_->address();
    }
    static void TearDownTestSuite()
    {
        delete bus_;
        bus_ = nullptr;
    }
    void SetUp() override
    {
        if (!GetParam() && address_.isEmpty())
            KIT_SKIP_TEST_WITHOUT("dbus-daemon");
        busUnderTest_.emplace(GetParam(), address_);
    }
    void TearDown() override { busUnderTest_.reset(); }

    std::unique_ptr<BusTransport> otherClient() { return busUnderTest_->otherClient(); }

    static QString uniqueName() { return SharedBusTransport().uniqueName(); }

    static inline test::PrivateBus* bus_ = nullptr;
    static inline QString address_;
    std::optional<test::BusUnderTest> busUnderTest_;
};

INSTANTIATE_TEST_SUITE_P(Buses, Connection_, testing::Bool(), [](const auto& info) { return info.param ? "FakeBus" : "Daemon"; });

TEST_P(Connection_, ANameIsHeldByOneConnectionUntilInvalidated)
{
    auto root = make<ConnectionTestEcho>();
    const QString name = QStringLiteral("org.example.Test:Shapes");
    auto first = Connection::connectionWithRootObject(root);
    auto second = Connection::connectionWithRootObject(root);
    ASSERT_TRUE(first->registerName(name));
    EXPECT_FALSE(second->registerName(name));
    first->invalidate();
    EXPECT_FALSE(first->isValid());
    EXPECT_TRUE(second->registerName(name));
    second->invalidate();

    // Unmappable names never reach the bus.
    EXPECT_FALSE(first->registerName(QStringLiteral("org.example.Test:") + QString(300, u'x')));
    EXPECT_FALSE(first->registerName(QStringLiteral("no colon")));
    EXPECT_FALSE(first->registerName(QStringLiteral("org..example:x")));
}

TEST_P(Connection_, TheRootProxyIsBoundToTheOwnersUniqueName)
{
    const QString name = QStringLiteral("org.example.Test:Unique");
    EXPECT_FALSE(Connection::rootProxyForConnectionWithRegisteredNameHost(name, {}));

    auto root = make<ConnectionTestEcho>();
    auto connection = Connection::connectionWithRootObject(root);
    ASSERT_TRUE(connection->registerName(name));
    auto proxy = Connection::rootProxyForConnectionWithRegisteredNameHost(name, {});
    ASSERT_TRUE(proxy);
    EXPECT_EQ(proxy->owner(), uniqueName());
    EXPECT_TRUE(proxy->owner().startsWith(u':'));
    EXPECT_FALSE(Connection::rootProxyForConnectionWithRegisteredNameHost(name, QStringLiteral("elsewhere")));
    connection->invalidate();
    EXPECT_FALSE(Connection::rootProxyForConnectionWithRegisteredNameHost(name, {}));
}

TEST_P(Connection_, CallsReachTheRootAndObjectsTravelByReference)
{
    auto root = make<ConnectionTestEcho>();
    auto connection = Connection::connectionWithRootObject(root);
    ASSERT_TRUE(connection->registerName(QStringLiteral("org.example.Test:Calls")));
    auto proxy = Connection::rootProxyForConnectionWithRegisteredNameHost(QStringLiteral("org.example.Test:Calls"), {});
    ASSERT_TRUE(proxy);
    proxy->setProtocolForProxy(ConnectionTestProtocol);

    EXPECT_EQ(proxy->sendMessage(QStringLiteral("echo"), QStringLiteral("\u00e9t\u00e9 / x")), Value(QStringLiteral("echo \u00e9t\u00e9 / x")));

    // An object sent by reference arrives as a proxy on (sender, an object path).
    auto local = make<ConnectionTestEcho>();
    auto described = proxy->sendMessage(QStringLiteral("describe"), Value(local));
    ASSERT_TRUE(described);
    const QStringList parts = described->stringValue().split(u' ');
    ASSERT_EQ(parts.size(), 2);
    EXPECT_EQ(parts[0], uniqueName());
    EXPECT_TRUE(parts[1].startsWith(QStringLiteral("/kit/objects/")));
    // The same object keeps its path.
    EXPECT_EQ(proxy->sendMessage(QStringLiteral("describe"), Value(local)), described);

    // An object answered by reference is a proxy that takes calls in turn.
    auto child = proxy->sendMessage(QStringLiteral("child"));
    ASSERT_TRUE(child);
    auto childProxy = child->objectAs<DistantObject>();
    ASSERT_TRUE(childProxy);
    EXPECT_EQ(childProxy->sendMessage(QStringLiteral("echo"), QStringLiteral("again")), Value(QStringLiteral("echo again")));
    connection->invalidate();
}

TEST_P(Connection_, OnlyTheProtocolsOperationsAreReachable)
{
    auto root = make<ConnectionTestEcho>();
    auto connection = Connection::connectionWithRootObject(root);
    ASSERT_TRUE(connection->registerName(QStringLiteral("org.example.Test:Guard")));
    auto proxy = Connection::rootProxyForConnectionWithRegisteredNameHost(QStringLiteral("org.example.Test:Guard"), {});
    ASSERT_TRUE(proxy);

    // Without a protocol on the proxy the call goes out, and the receiver refuses it.
    EXPECT_FALSE(proxy->sendMessage(QStringLiteral("secret")));
    EXPECT_FALSE(root->secretRan);
    // Plain values other than strings do not travel.
    EXPECT_THROW(proxy->sendMessage(QStringLiteral("echo"), Value(3)), Exception);

    proxy->setProtocolForProxy(ConnectionTestProtocol);
    EXPECT_THROW(proxy->sendMessage(QStringLiteral("secret")), Exception);
    EXPECT_THROW(proxy->sendMessage(QStringLiteral("remember"), QStringLiteral("x")), Exception);
    EXPECT_THROW(proxy->sendOneway(QStringLiteral("echo"), QStringLiteral("x")), Exception);
    connection->invalidate();
}

TEST_P(Connection_, OnewayCallsArriveLaterOnTheMainThread)
{
    auto root = make<ConnectionTestEcho>();
    auto connection = Connection::connectionWithRootObject(root);
    ASSERT_TRUE(connection->registerName(QStringLiteral("org.example.Test:Oneway")));
    auto proxy = Connection::rootProxyForConnectionWithRegisteredNameHost(QStringLiteral("org.example.Test:Oneway"), {});
    ASSERT_TRUE(proxy);
    proxy->setProtocolForProxy(ConnectionTestProtocol);
    ASSERT_TRUE(proxy->sendOneway(QStringLiteral("remember"), QStringLiteral("one")));
    ASSERT_TRUE(proxy->sendOneway(QStringLiteral("remember"), QStringLiteral("two")));
    EXPECT_TRUE(root->remembered.isEmpty());
    EXPECT_TRUE(test::spinEventLoopUntil([&] { return root->remembered.size() == 2; }));
    EXPECT_EQ(root->remembered, QStringList({ QStringLiteral("one"), QStringLiteral("two") }));
    connection->invalidate();
}

TEST_P(Connection_, AReferenceIsPairedWithTheSenderFromTheBus)
{
    auto root = make<ConnectionTestEcho>();
    auto connection = Connection::connectionWithRootObject(root);
    ASSERT_TRUE(connection->registerName(QStringLiteral("org.example.Test:Sender")));
    const QString rootPath = Connection::rootProxyForConnectionWithRegisteredNameHost(QStringLiteral("org.example.Test:Sender"), {})->path();

    const auto other = otherClient();
    ASSERT_TRUE(other->isConnected());
    ASSERT_TRUE(other->send(uniqueName(), rootPath, QStringLiteral("noteObject"), { { BusArgument::Kind::ObjectPath, QStringLiteral("/kit/objects/7") } }));
    ASSERT_TRUE(test::spinEventLoopUntil([&] { return bool(root->noted); }));
    EXPECT_EQ(root->noted->owner(), other->uniqueName());
    EXPECT_EQ(root->noted->path(), QStringLiteral("/kit/objects/7"));
    connection->invalidate();
}

TEST_P(Connection_, AnObjectSentByReferenceTakesCallsOnlyFromThoseItWentTo)
{
    auto root = make<ConnectionTestEcho>();
    auto connection = Connection::connectionWithRootObject(root);
    ASSERT_TRUE(connection->registerName(QStringLiteral("org.example.Test:Access")));
    auto proxy = Connection::rootProxyForConnectionWithRegisteredNameHost(QStringLiteral("org.example.Test:Access"), {});
    ASSERT_TRUE(proxy);
    proxy->setProtocolForProxy(ConnectionTestProtocol);
    // Answered to us (the caller), and sent by us as a call's argument to the root's owner (us).
    auto child = proxy->sendMessage(QStringLiteral("child"));
    ASSERT_TRUE(child);
    auto childProxy = child->objectAs<DistantObject>();
    ASSERT_TRUE(childProxy);
    auto local = make<ConnectionTestEcho>();
    ASSERT_TRUE(proxy->sendMessage(QStringLiteral("describe"), Value(local)));
    const QString localPath = Connection::pathOfObjectForTesting(*local);

    const auto other = otherClient();
    // Another client's call: from a thread of its own on the daemon, as this thread must answer it.
    const auto callFromOther = [&](const QString& path, const QString& member, QString* error) {
        const std::vector<BusArgument> text { { BusArgument::Kind::String, QStringLiteral("x") } };
        if (GetParam())
            return other->call(uniqueName(), path, member, text, 5000, error);
        std::optional<std::vector<BusArgument>> answer;
        std::atomic<bool> done = false;
        std::thread caller([&] {
            answer = other->call(uniqueName(), path, member, text, 5000, error);
            done = true;
        });
        test::spinEventLoopUntil([&] { return done.load(); });
        caller.join();
        return answer;
    };
    for (const QString& path : { childProxy->path(), localPath }) {
        QString error;
        EXPECT_FALSE(callFromOther(path, QStringLiteral("echo"), &error)) << path.toStdString();
        EXPECT_EQ(error, BusErrorAccessDenied) << path.toStdString();
        // Not even the name of an operation it lacks comes back.
        error.clear();
        EXPECT_FALSE(callFromOther(path, QStringLiteral("nothing"), &error));
        EXPECT_EQ(error, BusErrorAccessDenied);
    }
    EXPECT_EQ(childProxy->sendMessage(QStringLiteral("echo"), QStringLiteral("mine")), Value(QStringLiteral("echo mine")));
    // The root stays open to all.
    EXPECT_EQ(callFromOther(proxy->path(), QStringLiteral("echo"), nullptr),
        std::optional(std::vector<BusArgument>({ { BusArgument::Kind::String, QStringLiteral("echo x") } })));

    // One caller alone, whoever the object went to.
    Connection::setSoleCallerOfObject(*local, other->uniqueName());
    ASSERT_TRUE(proxy->sendMessage(QStringLiteral("describe"), Value(local)));
    QString error;
    EXPECT_TRUE(callFromOther(localPath, QStringLiteral("echo"), &error)) << error.toStdString();
    auto localProxy = make<DistantObject>(uniqueName(), localPath);
    EXPECT_FALSE(localProxy->sendMessage(QStringLiteral("echo"), QStringLiteral("x")));
    connection->invalidate();
}

TEST_P(Connection_, APeersDeathIsToldOnceAndARestartedServerGetsNoOldCalls)
{
    const QString name = QStringLiteral("org.example.Test:Restart");
    auto other = otherClient();
    ASSERT_TRUE(other->requestName(*BusNameForRegisteredName(name)));
    auto oldProxy = Connection::rootProxyForConnectionWithRegisteredNameHost(name, {});
    ASSERT_TRUE(oldProxy);
    EXPECT_EQ(oldProxy->owner(), other->uniqueName());
    int deaths = 0;
    oldProxy->setPeerDeathHandler([&] { ++deaths; });

    other.reset();
    ASSERT_TRUE(test::spinEventLoopUntil([&] { return deaths > 0; }));

    // The server comes back in this process under the same name.
    auto root = make<ConnectionTestEcho>();
    auto connection = Connection::connectionWithRootObject(root);
    ASSERT_TRUE(connection->registerName(name));
    EXPECT_FALSE(oldProxy->sendMessage(QStringLiteral("echo"), QStringLiteral("stale")));
    auto newProxy = Connection::rootProxyForConnectionWithRegisteredNameHost(name, {});
    ASSERT_TRUE(newProxy);
    EXPECT_EQ(newProxy->sendMessage(QStringLiteral("echo"), QStringLiteral("fresh")), Value(QStringLiteral("echo fresh")));
    // Whatever the bus said about the old owner came before this one-way call comes back.
    newProxy->setProtocolForProxy(ConnectionTestProtocol);
    ASSERT_TRUE(newProxy->sendOneway(QStringLiteral("remember"), QStringLiteral("flush")));
    ASSERT_TRUE(test::spinEventLoopUntil([&] { return !root->remembered.isEmpty(); }));
    EXPECT_EQ(deaths, 1);

    // A watch begun after the death still hears of it.
    int late = 0;
    auto gone = make<DistantObject>(QStringLiteral(":1.999999"), QStringLiteral("/kit/objects/0"));
    gone->setPeerDeathHandler([&] { ++late; });
    EXPECT_TRUE(test::spinEventLoopUntil([&] { return late == 1; }));
    connection->invalidate();
}

} // namespace kit_connection_test
