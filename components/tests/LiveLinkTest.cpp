#include "components/LiveLink/LiveLink.h"
#include "components/LiveLink/LiveLinkData.h"
#include "components/LiveLink/LiveLinkServer.h"

#include "kit/appkit/Application.h"
#include "kit/appkit/PasteboardStore.h"
#include "kit/appkit/Workspace.h"
#include "kit/controls/Alert.h"
#include "kit/core/Exception.h"
#include "kit/core/NotificationCenter.h"
#include "kit/foundation/Bundle.h"
#include "kit/foundation/BusTransport.h"
#include "kit/linux/DBusTransport.h"
#include "kit/testsupport/FakeBus.h"
#include "kit/testsupport/PrivateBus.h"
#include "kit/testsupport/ManualClockScope.h"
#include "kit/testsupport/MissingTool.h"


#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <limits>
#include <thread>

namespace {

using namespace kit;

QString liveLinkTestReason(const std::function<void()>& fn)
{
    try {
        fn();
    } catch (const Exception& e) {
        return e.name() + QStringLiteral(": ") + e.reason();
    }
    return {};
}

// --- Link data and names, no bus.

TEST(LiveLinkData, KeysArePresentOnlyWhenGiven)
{
    const Dictionary bare = makeLiveLinkData(QStringLiteral("Shapes"), Value());
    EXPECT_EQ(bare.objectForKey(QStringLiteral("serverName")), Value(QStringLiteral("Shapes")));
    EXPECT_EQ(bare.objectForKey(QStringLiteral("bundleId")), Value(Bundle::mainBundle()->bundleIdentifier()));
    EXPECT_EQ(LiveLinkData::liveLinkVersion(bare), QStringLiteral("A"));
    EXPECT_FALSE(bare.containsKey(QStringLiteral("appData")));
    EXPECT_FALSE(bare.containsKey(QStringLiteral("serverActionKey")));
    EXPECT_TRUE(bare.objectForKey(QStringLiteral("refresh")).isNumber());
    EXPECT_EQ(LiveLinkData::liveLinkSuggestedRefreshRate(bare), 0.0);
    EXPECT_TRUE(LiveLinkData::liveLinkDataBelongsToActiveApplication(bare));

    const Dictionary full = LiveLinkData::liveLinkDataWithServerNameAppDataSuggestedRefreshRate(QStringLiteral("Shapes"), QStringLiteral("circle"), 0.5f);
    EXPECT_EQ(full.objectForKey(QStringLiteral("serverActionKey")), Value(QStringLiteral("_Refresh")));
    EXPECT_EQ(liveLinkAppDataOf(full), Value(QStringLiteral("circle")));
    EXPECT_EQ(LiveLinkData::liveLinkSuggestedRefreshRate(full), 0.5);

    Dictionary foreign = full;
    foreign.setObjectForKey(QStringLiteral("org.example.Other"), QStringLiteral("bundleId"));
    EXPECT_FALSE(liveLinkDataBelongsToActiveApp(foreign));
    foreign.removeObjectForKey(QStringLiteral("bundleId"));
    EXPECT_FALSE(liveLinkDataBelongsToActiveApp(foreign));

    EXPECT_EQ(liveLinkTestReason([] { makeLiveLinkData(QString(), Value()); }),
        QStringLiteral("NSInvalidArgumentException: LiveLink Data cannot be created without a server name."));
}

TEST(LiveLinkData, AStoredRefreshRateATimerCannotTakeReadsAsNone)
{
    for (const double refresh : { -1.0, -0.0, std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN() }) {
        Dictionary data;
        data.setObjectForKey(refresh, QStringLiteral("refresh"));
        EXPECT_EQ(LiveLinkData::liveLinkSuggestedRefreshRate(data), 0.0) << refresh;
    }
    Dictionary data;
    data.setObjectForKey(QStringLiteral("2"), QStringLiteral("refresh"));
    EXPECT_EQ(LiveLinkData::liveLinkSuggestedRefreshRate(data), 0.0);
    data.setObjectForKey(std::int64_t(2), QStringLiteral("refresh"));
    EXPECT_EQ(LiveLinkData::liveLinkSuggestedRefreshRate(data), 2.0);
}

TEST(LiveLinkData, TitlesComeFromTheStringsTable)
{
    Dictionary data = makeLiveLinkData(QStringLiteral("Shapes"), Value());
    data.setObjectForKey(QStringLiteral("Draw"), QStringLiteral("serverAppName"));
    // Action "_Edit" (the default), then the application.
    EXPECT_EQ(LiveLinkData::liveLinkEditMenuTitle(data), QStringLiteral("Edit in Draw"));
    data.setObjectForKey(QStringLiteral("_Refresh"), QStringLiteral("serverActionKey"));
    EXPECT_EQ(LiveLinkData::liveLinkEditMenuTitle(data), QStringLiteral("Refresh in Draw"));
    // A key the table lacks is its own text.
    data.setObjectForKey(QStringLiteral("_Unknown"), QStringLiteral("serverActionKey"));
    EXPECT_EQ(LiveLinkData::liveLinkActionName(data), QStringLiteral("_Unknown"));
    EXPECT_EQ(liveLinkEditMultipleMenuTitle(), QStringLiteral("Edit Linked Items"));
    EXPECT_EQ(liveLinkEditNoneMenuTitle(), QStringLiteral("Edit Linked Item"));
    EXPECT_EQ(liveLinkServerName(QStringLiteral("org.example.Draw"), QStringLiteral("Shapes")), QStringLiteral("org.example.Draw:Shapes"));
}

TEST(LiveLinkData, UniqueKeysCountUpWithinOneSecond)
{
    test::ManualClockScope clock(978307200.0 + 42.0);
    const QString prefix = Bundle::mainBundle()->bundleIdentifier() + QStringLiteral("42.");
    const QString first = liveLinkUniqueItemKey();
    const QString second = liveLinkUniqueItemKey();
    ASSERT_TRUE(first.startsWith(prefix)) << first.toStdString();
    ASSERT_TRUE(second.startsWith(prefix)) << second.toStdString();
    const QString a = first.mid(prefix.size()), b = second.mid(prefix.size());
    EXPECT_GE(a.size(), 4);
    EXPECT_EQ(a, a.toLower());
    EXPECT_EQ(b.toUInt(nullptr, 16), a.toUInt(nullptr, 16) + 1);
}

struct LiveLinkMatchCase {
    const char* wanted;
    Value entry;
    bool matches;
};

TEST(LiveLinkData, ServerNamesMatchAStringOrAnyElementOfAnArray)
{
    const LiveLinkMatchCase cases[] = {
        { "Shapes", Value(), false },
        { "Shapes", Value(QStringLiteral("Shapes")), true },
        { "Shapes", Value(QStringLiteral("shapes")), false },
        { "Shapes", Value(Array({ QStringLiteral("Text"), QStringLiteral("Shapes") })), true },
        { "Shapes", Value(Array({ QStringLiteral("Shapes"), QStringLiteral("Text") })), true },
        { "Shapes", Value(Array({ QStringLiteral("Text") })), false },
        { "Shapes", Value(Array()), false },
        { "Shapes", Value(3), false },
    };
    for (const auto& c : cases)
        EXPECT_EQ(LiveLinkServer::liveLinkServerNameMatches(QString::fromUtf8(c.wanted), c.entry), c.matches) << c.entry.description().toStdString();
}

TEST(LiveLinkData, EditingRefusesDataThatCannotReachAServer)
{
    Dictionary noURL = makeLiveLinkData(QStringLiteral("Shapes"), Value());
    noURL.removeObjectForKey(QStringLiteral("ApplicationURL"));
    const QString reason = liveLinkTestReason([&] { LiveLink::editLiveLinkDataSourceNameDelegateItemKey(noURL, QStringLiteral("Doc"), nullptr, QStringLiteral("k")); });
    EXPECT_TRUE(reason.startsWith(QStringLiteral("NSInvalidArgumentException: LiveLinkData is not of the correct format: "))) << reason.toStdString();
    EXPECT_FALSE(liveLinkTestReason([] { LiveLink::editLiveLinkDataSourceNameDelegateItemKey(QStringLiteral("text"), QString(), nullptr, QStringLiteral("k")); }).isEmpty());

    auto lone = LiveLink::initClientWithSourceNameDelegateItemKey(QStringLiteral("Doc"), nullptr, QStringLiteral("lone"));
    const QString expected = QStringLiteral("NSGenericException: tried to request edit from a live link not connect to a server.");
    EXPECT_EQ(liveLinkTestReason([&] { lone->requestEdit(); }), expected);
    EXPECT_EQ(liveLinkTestReason([&] { lone->sendEdit(); }), expected);
}

TEST(LiveLinkAlert, NotFoundAlertOffersTheApplicationsPage)
{
    std::vector<std::pair<QString, QStringList>> shown;
    std::int64_t answer = AlertAlternateReturn;
    Alert::setPresenter([&](Alert& alert) {
        QStringList titles;
        for (const auto& b : alert.buttons())
            titles << b.title;
        EXPECT_EQ(alert.alertStyle(), CriticalAlertStyle);
        shown.emplace_back(alert.messageText(), titles);
        return answer;
    });
    std::vector<QUrl> opened;
    Workspace::setURLOpener([&](const QUrl& url) {
        opened.push_back(url);
        return true;
    });

    const QUrl page(QStringLiteral("https://example.org/draw"));
    LiveLinkServer::launchLiveLinkServerApplication(QStringLiteral("Draw"), page);
    answer = AlertDefaultReturn;
    LiveLinkServer::launchLiveLinkServerApplication(QStringLiteral("Draw"), page);
    LiveLinkServer::launchLiveLinkServerApplication(QStringLiteral("Draw"), QUrl());
    Alert::setPresenter(nullptr);
    Workspace::setURLOpener(nullptr);

    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0].first, QStringLiteral("Draw could not be found"));
    EXPECT_EQ(shown[0].second, QStringList({ QStringLiteral("OK"), QStringLiteral("Get the Application") }));
    EXPECT_EQ(shown[2].second, QStringList({ QStringLiteral("OK") }));
    EXPECT_EQ(opened, std::vector<QUrl>({ page }));
}

void liveLinkTestWriteEntry(const QString& path, const QString& body)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    const QString exec = body.contains(QStringLiteral("Exec=")) ? QString() : QStringLiteral("Exec=true\n");
    file.write((QStringLiteral("[Desktop Entry]\nType=Application\n") + exec + body).toUtf8());
}

TEST(LiveLinkSearch, EntriesAreFoundFourLevelsDownAndLastFirst)
{
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QString base = root.path();
    const QString id = QStringLiteral("org.example.Draw");
    // By its file name, and by X-BundleIdentifier under another name.
    liveLinkTestWriteEntry(base + QStringLiteral("/top/org.example.Draw.desktop"), QStringLiteral("X-LiveLinkServer=Text;Shapes;\n"));
    liveLinkTestWriteEntry(base + QStringLiteral("/top/zdraw.desktop"), QStringLiteral("X-BundleIdentifier=org.example.Draw\nX-LiveLinkServer=Shapes\n"));
    liveLinkTestWriteEntry(base + QStringLiteral("/top/other.desktop"), QStringLiteral("X-LiveLinkServer=Shapes\n"));
    liveLinkTestWriteEntry(base + QStringLiteral("/deep/1/2/3/4/org.example.Draw.desktop"), QStringLiteral("X-LiveLinkServer=Shapes\n"));
    liveLinkTestWriteEntry(base + QStringLiteral("/deeper/1/2/3/4/5/org.example.Draw.desktop"), QStringLiteral("X-LiveLinkServer=Shapes\n"));

    std::vector<QString> alerts;
    Alert::setPresenter([&](Alert& alert) {
        alerts.push_back(alert.messageText());
        return AlertDefaultReturn;
    });
    // Last to first: "zdraw" before "org.example.Draw".
    EXPECT_EQ(LiveLinkServer::findLiveLinkServerApplication(id, QStringLiteral("Shapes"), base + QStringLiteral("/top"), 0),
        base + QStringLiteral("/top/zdraw.desktop"));
    EXPECT_EQ(LiveLinkServer::findLiveLinkServerApplication(id, QStringLiteral("Text"), base + QStringLiteral("/top"), 0),
        base + QStringLiteral("/top/org.example.Draw.desktop"));
    EXPECT_EQ(LiveLinkServer::findLiveLinkServerApplication(id, QStringLiteral("Paint"), base + QStringLiteral("/top"), 0), QString());
    EXPECT_EQ(LiveLinkServer::findLiveLinkServerApplication(id, QStringLiteral("Shapes"), base + QStringLiteral("/deep"), 0),
        base + QStringLiteral("/deep/1/2/3/4/org.example.Draw.desktop"));
    EXPECT_EQ(LiveLinkServer::findLiveLinkServerApplication(id, QStringLiteral("Shapes"), base + QStringLiteral("/deeper"), 0), QString());
    // A folder that is not there is no error worth an alert.
    EXPECT_EQ(LiveLinkServer::findLiveLinkServerApplication(id, QStringLiteral("Shapes"), base + QStringLiteral("/missing"), 0), QString());
    Alert::setPresenter(nullptr);
    EXPECT_TRUE(alerts.empty());
}

// --- Over a bus of this test program's own.

class LiveLinkTestDelegate : public Object, public LiveLinkDelegate {
public:
    void liveLinkClientDidRequestEdit(LiveLink* link) override
    {
        requests.emplace_back(link);
        if (link->pasteboard())
            received.push_back(link->pasteboard()->propertyListForType(LiveLinkDataPboardType).value_or(Value()));
        if (answer.isNil())
            return;
        link->pasteboard()->setPropertyListForType(answer, QStringLiteral("Shape"));
        link->sendEdit();
    }
    void liveLinkServerDidSendEdit(LiveLink* link) override
    {
        edits.emplace_back(link);
        received.push_back(link->pasteboard()->propertyListForType(QStringLiteral("Shape")).value_or(Value()));
    }
    void liveLinkDidClose(LiveLink* link) override
    {
        closes.emplace_back(link);
        stillActive = LiveLink::activeLiveLinkForItemKey(link->itemKey()) != nullptr;
    }

    Value answer;
    std::vector<Ref<LiveLink>> requests, edits, closes;
    std::vector<Value> received;
    bool stillActive = true;
};

class LiveLinkBus : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        bus_ = new test::PrivateBus;
        address_ = bus_->address();
        // A server application of our own: an identifier with the pid, and the page to get it.
        bundle_ = new QTemporaryDir;
        QFile info(bundle_->filePath(QStringLiteral("Info.json")));
        if (info.open(QIODevice::WriteOnly))
            info.write(QStringLiteral("{\"CFBundleIdentifier\": \"org.example.LiveLinkTest.p%1\", \"CFBundleExecutable\": \"LiveLinkTest\", "
                                      "\"LiveLinkApplicationURL\": \"https://example.org/draw\"}")
                           .arg(QCoreApplication::applicationPid())
                           .toUtf8());
        info.close();
        Bundle::setMainBundlePathForTesting(bundle_->path());
    }
    static void TearDownTestSuite()
    {
        Bundle::setMainBundlePathForTesting(QString());
        delete bundle_;
        bundle_ = nullptr;
        delete bus_;
        bus_ = nullptr;
    }
    void SetUp() override
    {
        if (address_.isEmpty())
            KIT_SKIP_TEST_WITHOUT("dbus-daemon");
        server_ = make<LiveLinkTestDelegate>();
        client_ = make<LiveLinkTestDelegate>();
        ASSERT_TRUE(LiveLink::publishServerWithNameDelegate(QStringLiteral("Shapes"), server_.get()));
    }
    void TearDown() override { LiveLink::retractServerWithName(QStringLiteral("Shapes")); }

    static Dictionary linkData()
    {
        return makeLiveLinkData(QStringLiteral("Shapes"), QStringLiteral("circle"));
    }

    static inline test::PrivateBus* bus_ = nullptr;
    static inline QTemporaryDir* bundle_ = nullptr;
    static inline QString address_;
    Ref<LiveLinkTestDelegate> server_, client_;
};

// The cases within one process run twice: on the private bus daemon and on the fake bus, which
// needs no daemon and must behave the same.
class LiveLinkOneProcess : public LiveLinkBus, public testing::WithParamInterface<bool> {
protected:
    void SetUp() override
    {
        if (!GetParam() && address_.isEmpty())
            KIT_SKIP_TEST_WITHOUT("dbus-daemon");
        busUnderTest_.emplace(GetParam(), address_);
        server_ = make<LiveLinkTestDelegate>();
        client_ = make<LiveLinkTestDelegate>();
        ASSERT_TRUE(LiveLink::publishServerWithNameDelegate(QStringLiteral("Shapes"), server_.get()));
    }
    void TearDown() override
    {
        LiveLinkBus::TearDown();
        busUnderTest_.reset();
    }

    std::unique_ptr<BusTransport> otherClient() { return busUnderTest_->otherClient(); }

    std::optional<test::BusUnderTest> busUnderTest_;
};

INSTANTIATE_TEST_SUITE_P(Buses, LiveLinkOneProcess, testing::Bool(), [](const auto& info) { return info.param ? "FakeBus" : "Daemon"; });

TEST_P(LiveLinkOneProcess, PublishingANameTwiceFailsUntilRetracted)
{
    EXPECT_FALSE(LiveLink::publishServerWithNameDelegate(QStringLiteral("Shapes"), server_.get()));
    EXPECT_TRUE(LiveLinkServer::LiveLinkServerWithName(QStringLiteral("Shapes")));
    LiveLink::retractServerWithName(QStringLiteral("Shapes"));
    EXPECT_FALSE(LiveLinkServer::LiveLinkServerWithName(QStringLiteral("Shapes")));
    LiveLink::retractServerWithName(QStringLiteral("Shapes")); // nothing published: nothing happens
    EXPECT_TRUE(LiveLink::publishServerWithNameDelegate(QStringLiteral("Shapes"), server_.get()));
    // A name the bus cannot hold is never published.
    EXPECT_FALSE(LiveLink::publishServerWithNameDelegate(QString(300, u'x'), server_.get()));
}

TEST_P(LiveLinkOneProcess, AnEditTravelsToTheServerAndItsChangesComeBack)
{
    server_->answer = QStringLiteral("square");
    const QString key = QStringLiteral("item-roundtrip");
    auto link = LiveLink::editLiveLinkDataSourceNameDelegateItemKey(linkData(), QStringLiteral("Doc"), client_.get(), key);
    ASSERT_TRUE(link);
    EXPECT_FALSE(link->isServer());
    EXPECT_EQ(LiveLink::activeLiveLinkForItemKey(key), link);
    // Delegates hear of edits later, never inside the call that brought them.
    EXPECT_TRUE(server_->requests.empty());

    ASSERT_TRUE(test::spinEventLoopUntil([&] { return !client_->edits.empty(); }));
    ASSERT_EQ(server_->requests.size(), 1u);
    Ref<LiveLink> serverLink = server_->requests.front();
    EXPECT_TRUE(serverLink->isServer());
    EXPECT_EQ(serverLink->sourceName(), QStringLiteral("Doc"));
    EXPECT_EQ(serverLink->itemKey(), key);
    EXPECT_EQ(serverLink->pasteboard()->name(), link->pasteboard()->name());
    ASSERT_EQ(server_->received.size(), 1u);
    EXPECT_EQ(server_->received.front().dictionary().objectForKey(QStringLiteral("appData")), Value(QStringLiteral("circle")));
    EXPECT_EQ(client_->edits.front(), link);
    EXPECT_EQ(client_->received, std::vector<Value>({ Value(QStringLiteral("square")) }));

    // A second edit of the same item reuses the open link and asks again.
    auto again = LiveLink::editLiveLinkDataSourceNameDelegateItemKey(linkData(), QStringLiteral("Doc"), client_.get(), key);
    EXPECT_EQ(again, link);
    ASSERT_TRUE(test::spinEventLoopUntil([&] { return client_->edits.size() == 2; }));
    EXPECT_EQ(server_->requests.size(), 2u);
    EXPECT_EQ(server_->requests.back(), serverLink);
    link->closeLink();
    ASSERT_TRUE(test::spinEventLoopUntil([&] { return !server_->closes.empty(); }));
}

TEST_P(LiveLinkOneProcess, ClosingFromEitherSideTellsTheOtherOnce)
{
    for (bool fromClient : { true, false }) {
        auto server = make<LiveLinkTestDelegate>();
        auto client = make<LiveLinkTestDelegate>();
        LiveLinkServer::LiveLinkServerWithName(QStringLiteral("Shapes"))->retract();
        ASSERT_TRUE(LiveLink::publishServerWithNameDelegate(QStringLiteral("Shapes"), server.get()));
        const QString key = fromClient ? QStringLiteral("item-close-client") : QStringLiteral("item-close-server");
        Weak<LiveLink> clientLink = LiveLink::editLiveLinkDataSourceNameDelegateItemKey(linkData(), QStringLiteral("Doc"), client.get(), key);
        ASSERT_TRUE(clientLink.lock());
        ASSERT_TRUE(test::spinEventLoopUntil([&] { return !server->requests.empty(); }));
        Weak<LiveLink> serverLink = server->requests.front();
        server->requests.clear();

        (fromClient ? clientLink : serverLink).lock()->closeLink();
        LiveLinkTestDelegate& other = fromClient ? *server : *client;
        LiveLinkTestDelegate& closer = fromClient ? *client : *server;
        ASSERT_TRUE(test::spinEventLoopUntil([&] { return !other.closes.empty(); })) << fromClient;
        EXPECT_EQ(other.closes.size(), 1u);
        EXPECT_TRUE(closer.closes.empty());
        EXPECT_FALSE(other.stillActive);
        EXPECT_FALSE(other.closes.front()->isConnected());
        EXPECT_FALSE(LiveLink::activeLiveLinkForItemKey(key));
        // A second close does nothing.
        if (auto closing = (fromClient ? clientLink : serverLink).lock())
            closing->closeLink();
        other.closes.clear();
    }
}

TEST_P(LiveLinkOneProcess, TheApplicationsWillTerminateClosesEveryOpenLink)
{
    const QString key = QStringLiteral("item-terminate");
    Weak<LiveLink> link = LiveLink::editLiveLinkDataSourceNameDelegateItemKey(linkData(), QStringLiteral("Doc"), client_.get(), key);
    ASSERT_TRUE(link.lock());
    ASSERT_TRUE(test::spinEventLoopUntil([&] { return !server_->requests.empty(); }));
    Weak<LiveLink> serverLink = server_->requests.front();
    server_->requests.clear();
    const QString folder = PasteboardStore::rootFolder() + u'/' + *PasteboardStore::escapedName(link.lock()->pasteboard()->name());
    ASSERT_TRUE(QFileInfo::exists(folder));

    NotificationCenter::defaultCenter()->postNotificationNameObject(ApplicationWillTerminateNotification, nullptr);
    EXPECT_FALSE(LiveLink::activeLiveLinkForItemKey(key));
    EXPECT_FALSE(link.lock());
    EXPECT_FALSE(serverLink.lock());
    EXPECT_FALSE(QFileInfo::exists(folder));
}

TEST_P(LiveLinkOneProcess, APeerThatDiesClosesTheLink)
{
    auto other = otherClient();
    ASSERT_TRUE(other->isConnected());
    auto delegate = make<LiveLinkTestDelegate>();
    Weak<LiveLink> link = LiveLink::initServerWithClientDelegate(make<DistantObject>(other->uniqueName(), QStringLiteral("/kit/objects/1")),
        QStringLiteral("Doc"), QStringLiteral("Draw"), QStringLiteral("item-dies"), delegate.get());
    ASSERT_EQ(LiveLink::activeLiveLinkForItemKey(QStringLiteral("item-dies")).get(), link.lock().get());

    other.reset();
    ASSERT_TRUE(test::spinEventLoopUntil([&] { return !delegate->closes.empty(); }));
    EXPECT_EQ(delegate->closes.size(), 1u);
    EXPECT_FALSE(delegate->stillActive);
    EXPECT_FALSE(LiveLink::activeLiveLinkForItemKey(QStringLiteral("item-dies")));
    delegate->closes.clear();
    EXPECT_FALSE(link.lock());
}


TEST_P(LiveLinkOneProcess, AServerThatNeverRegistersEndsTheWaitAfterTenSeconds)
{
    test::ManualClockScope clock;
    std::vector<QString> alerts;
    Alert::setPresenter([&](Alert& alert) {
        alerts.push_back(alert.messageText());
        return AlertDefaultReturn;
    });
    // The wait blocks this thread; time moves from another once the wait has gone to sleep.
    std::thread advancer([&] {
        while (clock.clock().sleeperCount() != 1)
            std::this_thread::yield();
        clock.advance(10.0);
    });
    const double start = Clock::currentMonotonic();
    auto proxy = LiveLinkServer::LiveLinkServerWithNameInApplicationLaunchIfNeededFallbackURLAppName(
        QStringLiteral("Nobody"), Bundle::mainBundle()->bundleIdentifier(), false, QUrl(), QStringLiteral("Draw"));
    advancer.join();
    Alert::setPresenter(nullptr);
    EXPECT_FALSE(proxy);
    EXPECT_GE(Clock::currentMonotonic() - start, 10.0);
    // Started but never registered: no alert.
    EXPECT_TRUE(alerts.empty());
}

// --- Against a server in another process (LiveLinkPeer).

class LiveLinkPeerProcess {
public:
    LiveLinkPeerProcess(const QString& address, const QString& bundle, const QString& name, const QStringList& extra)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("KIT_MAIN_BUNDLE"), bundle);
        process_.setProcessEnvironment(env);
        process_.start(QStringLiteral(LIVE_LINK_PEER), QStringList({ address, name }) + extra);
        ready_ = process_.waitForStarted() && process_.waitForReadyRead() && process_.readLine().trimmed() == "ready";
    }
    ~LiveLinkPeerProcess()
    {
        process_.kill();
        process_.waitForFinished();
    }
    bool isReady() const { return ready_; }

private:
    QProcess process_;
    bool ready_ = false;
};

// A peer as a client or as a third program: its lines are read as they come, while this process
// goes on answering the calls it makes here.
class LiveLinkPeerLines {
public:
    LiveLinkPeerLines(const QString& bundle, const QStringList& args)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("KIT_MAIN_BUNDLE"), bundle);
        process_.setProcessEnvironment(env);
        process_.start(QStringLiteral(LIVE_LINK_PEER), args);
    }
    ~LiveLinkPeerLines()
    {
        process_.kill();
        process_.waitForFinished();
    }
    // Empty when no line came before the peer ended.
    QString nextLine()
    {
        test::spinEventLoopUntil([&] { return process_.canReadLine() || process_.state() == QProcess::NotRunning; });
        return process_.canReadLine() ? QString::fromUtf8(process_.readLine()).trimmed() : QString();
    }

private:
    QProcess process_;
};

TEST_F(LiveLinkBus, OnlyThePeerMayFeedOrCloseALink)
{
    LiveLinkPeerProcess server(address_, bundle_->path(), QStringLiteral("GuardedShapes"), {});
    ASSERT_TRUE(server.isReady());
    const QString key = QStringLiteral("item-guarded");
    auto link = LiveLink::editLiveLinkDataSourceNameDelegateItemKey(
        makeLiveLinkData(QStringLiteral("GuardedShapes"), QStringLiteral("circle")), QStringLiteral("Doc"), client_.get(), key);
    ASSERT_TRUE(link);
    ASSERT_TRUE(test::spinEventLoopUntil([&] { return client_->edits.size() == 1; }));
    const QString pasteboardName = link->pasteboard()->name();
    const QString serverOwner = Connection::rootProxyForConnectionWithRegisteredNameHost(
        liveLinkServerName(Bundle::mainBundle()->bundleIdentifier(), QStringLiteral("GuardedShapes")), {})->owner();

    struct Intrusion {
        QString owner, path, member;
    };
    // The server's link is the first object its process sent anywhere.
    const std::vector<Intrusion> intrusions {
        { SharedBusTransport().uniqueName(), Connection::pathOfObjectForTesting(*link), QStringLiteral("refreshEditWithPasteboardName") },
        { SharedBusTransport().uniqueName(), Connection::pathOfObjectForTesting(*link), QStringLiteral("remoteCloseLink") },
        { serverOwner, QStringLiteral("/kit/objects/0"), QStringLiteral("requestEditWithPasteboardName") },
        { serverOwner, QStringLiteral("/kit/objects/0"), QStringLiteral("remoteCloseLink") },
    };
    for (const Intrusion& intrusion : intrusions) {
        QStringList args { address_, QStringLiteral("--call"), intrusion.owner, intrusion.path, intrusion.member };
        if (intrusion.member != QLatin1String("remoteCloseLink"))
            args << QStringLiteral("--foreign-pasteboard");
        LiveLinkPeerLines third(bundle_->path(), args);
        EXPECT_EQ(third.nextLine(), QStringLiteral("error org.freedesktop.DBus.Error.AccessDenied")) << intrusion.member.toStdString();
    }
    EXPECT_TRUE(link->isConnected());
    EXPECT_EQ(LiveLink::activeLiveLinkForItemKey(key), link);
    EXPECT_EQ(link->pasteboard()->name(), pasteboardName);
    EXPECT_EQ(client_->edits.size(), 1u);
    EXPECT_TRUE(client_->closes.empty());

    // The server's side is still open: a real round trip works, and brings only its own content.
    EXPECT_EQ(LiveLink::editLiveLinkDataSourceNameDelegateItemKey(
                  makeLiveLinkData(QStringLiteral("GuardedShapes"), QStringLiteral("square")), QStringLiteral("Doc"), client_.get(), key),
        link);
    ASSERT_TRUE(test::spinEventLoopUntil([&] { return client_->edits.size() == 2; }));
    EXPECT_EQ(client_->received, std::vector<Value>({ Value(QStringLiteral("echo circle")), Value(QStringLiteral("echo square")) }));
    EXPECT_TRUE(client_->closes.empty());
    link->closeLink();
}

TEST_F(LiveLinkBus, TwoClientsWithOneKeyKeepTheirOwnLinks)
{
    const QString key = QStringLiteral("item-same-key");
    Weak<LiveLink> clientA = LiveLink::editLiveLinkDataSourceNameDelegateItemKey(linkData(), QStringLiteral("Doc"), client_.get(), key);
    ASSERT_TRUE(clientA.lock());
    ASSERT_TRUE(test::spinEventLoopUntil([&] { return server_->requests.size() == 1; }));
    Weak<LiveLink> serverA = server_->requests.front();
    server_->requests.clear();

    LiveLinkPeerLines clientB(bundle_->path(), { address_, QStringLiteral("--client"), QStringLiteral("Shapes"), key });
    ASSERT_EQ(clientB.nextLine(), QStringLiteral("ready"));
    ASSERT_TRUE(test::spinEventLoopUntil([&] { return server_->requests.size() == 1; }));
    Weak<LiveLink> serverB = server_->requests.front();
    server_->requests.clear();
    ASSERT_NE(serverA.lock(), serverB.lock());
    EXPECT_EQ(serverB.lock()->itemKey(), key);

    // Neither side replaced the other: each server link sends its own client its own edit.
    for (auto& [side, shape] : { std::pair(serverA, QStringLiteral("for A")), std::pair(serverB, QStringLiteral("for B")) }) {
        auto serverLink = side.lock();
        ASSERT_TRUE(serverLink && serverLink->isConnected()) << shape.toStdString();
        serverLink->pasteboard()->setPropertyListForType(shape, QStringLiteral("Shape"));
        serverLink->sendEdit();
    }
    EXPECT_EQ(clientB.nextLine(), QStringLiteral("edit for B"));
    ASSERT_TRUE(test::spinEventLoopUntil([&] { return client_->edits.size() == 1; }));
    EXPECT_EQ(client_->received, std::vector<Value>({ Value(QStringLiteral("for A")) }));
    // This process holds a client side: that one answers.
    EXPECT_EQ(LiveLink::activeLiveLinkForItemKey(key), clientA.lock());

    // Closing A's link leaves B's open; the server side entered last answers then.
    clientA.lock()->closeLink();
    ASSERT_TRUE(test::spinEventLoopUntil([&] { return !server_->closes.empty(); }));
    EXPECT_EQ(server_->closes.front(), serverA.lock());
    ASSERT_TRUE(serverB.lock());
    EXPECT_TRUE(serverB.lock()->isConnected());
    EXPECT_EQ(LiveLink::activeLiveLinkForItemKey(key), serverB.lock());
    serverB.lock()->pasteboard()->setPropertyListForType(QStringLiteral("again B"), QStringLiteral("Shape"));
    serverB.lock()->sendEdit();
    EXPECT_EQ(clientB.nextLine(), QStringLiteral("edit again B"));
    EXPECT_TRUE(client_->closes.empty());

    serverB.lock()->closeLink();
    EXPECT_EQ(clientB.nextLine(), QStringLiteral("closed"));
    EXPECT_FALSE(LiveLink::activeLiveLinkForItemKey(key));
    server_->closes.clear();
}

// A client that returns from main with its link open closes it on the way out: the server hears of
// it, the pasteboard's folder goes, and nothing runs against a service already destroyed.
TEST_F(LiveLinkBus, AClientReturningFromMainWithALinkOpenExitsClean)
{
    QProcess client;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KIT_MAIN_BUNDLE"), bundle_->path());
    client.setProcessEnvironment(env);
    client.start(QStringLiteral(LIVE_LINK_PEER),
        { address_, QStringLiteral("--client"), QStringLiteral("Shapes"), QStringLiteral("item-at-exit"), QStringLiteral("--return-when-linked") });
    ASSERT_TRUE(test::spinEventLoopUntil([&] { return client.state() == QProcess::NotRunning; }));
    const QStringList lines = QString::fromUtf8(client.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    const QString errors = QString::fromUtf8(client.readAllStandardError());
    ASSERT_EQ(lines.size(), 2) << errors.toStdString();
    EXPECT_EQ(lines[0], QStringLiteral("ready"));
    ASSERT_TRUE(lines[1].startsWith(QLatin1String("pasteboard ")));
    EXPECT_EQ(client.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(client.exitCode(), 0) << errors.toStdString();
    EXPECT_FALSE(errors.contains(QLatin1String("runtime error"))) << errors.toStdString();
    EXPECT_FALSE(QFileInfo::exists(PasteboardStore::rootFolder() + u'/' + *PasteboardStore::escapedName(lines[1].mid(11))));
    ASSERT_TRUE(test::spinEventLoopUntil([&] { return !server_->closes.empty(); }));
    EXPECT_FALSE(LiveLink::activeLiveLinkForItemKey(QStringLiteral("item-at-exit")));
    server_->closes.clear();
    server_->requests.clear();
}

TEST_F(LiveLinkBus, AnotherProcessEchoesEditsAndClosesAfterTwo)
{
    LiveLinkPeerProcess peer(address_, bundle_->path(), QStringLiteral("PeerShapes"), { QStringLiteral("--close-after"), QStringLiteral("2") });
    ASSERT_TRUE(peer.isReady());
    const QString key = QStringLiteral("item-peer");
    auto link = LiveLink::editLiveLinkDataSourceNameDelegateItemKey(
        makeLiveLinkData(QStringLiteral("PeerShapes"), QStringLiteral("circle")), QStringLiteral("Doc"), client_.get(), key);
    ASSERT_TRUE(link);
    ASSERT_TRUE(test::spinEventLoopUntil([&] { return client_->edits.size() == 1; }));
    EXPECT_EQ(client_->received, std::vector<Value>({ Value(QStringLiteral("echo circle")) }));
    EXPECT_TRUE(client_->closes.empty());

    EXPECT_EQ(LiveLink::editLiveLinkDataSourceNameDelegateItemKey(
                  makeLiveLinkData(QStringLiteral("PeerShapes"), QStringLiteral("square")), QStringLiteral("Doc"), client_.get(), key),
        link);
    // The close comes at once, the edit before it was only scheduled: wait for both.
    ASSERT_TRUE(test::spinEventLoopUntil([&] { return !client_->closes.empty() && client_->edits.size() == 2; }));
    EXPECT_EQ(client_->closes.size(), 1u);
    EXPECT_FALSE(client_->stillActive);
    EXPECT_FALSE(LiveLink::activeLiveLinkForItemKey(key));
    ASSERT_EQ(client_->received.size(), 2u);
    EXPECT_EQ(client_->received[1], Value(QStringLiteral("echo square")));
}

TEST_F(LiveLinkBus, AServerProcessThatDiesClosesTheLink)
{
    const QString key = QStringLiteral("item-peer-dies");
    {
        LiveLinkPeerProcess peer(address_, bundle_->path(), QStringLiteral("DyingShapes"), { QStringLiteral("--exit-on-request") });
        ASSERT_TRUE(peer.isReady());
        auto link = LiveLink::editLiveLinkDataSourceNameDelegateItemKey(
            makeLiveLinkData(QStringLiteral("DyingShapes"), QStringLiteral("circle")), QStringLiteral("Doc"), client_.get(), key);
        ASSERT_TRUE(link);
        ASSERT_TRUE(test::spinEventLoopUntil([&] { return !client_->closes.empty(); }));
        EXPECT_EQ(client_->closes.front(), link);
        EXPECT_FALSE(client_->stillActive);
        EXPECT_FALSE(link->isConnected());
    }
    // A later edit of the item connects afresh, to a server that is there.
    LiveLinkPeerProcess again(address_, bundle_->path(), QStringLiteral("DyingShapes"), {});
    ASSERT_TRUE(again.isReady());
    auto link = LiveLink::editLiveLinkDataSourceNameDelegateItemKey(
        makeLiveLinkData(QStringLiteral("DyingShapes"), QStringLiteral("circle")), QStringLiteral("Doc"), client_.get(), key);
    ASSERT_TRUE(link);
    EXPECT_NE(link, client_->closes.front());
    ASSERT_TRUE(test::spinEventLoopUntil([&] { return !client_->edits.empty(); }));
    link->closeLink();
}


TEST_F(LiveLinkBus, AServerApplicationIsFoundByItsDesktopEntryStartedAndConnected)
{
    QTemporaryDir data;
    ASSERT_TRUE(data.isValid());
    const QString id = Bundle::mainBundle()->bundleIdentifier();
    // The entry the workspace finds by identifier; it starts the peer, which closes and quits after one edit.
    liveLinkTestWriteEntry(data.filePath(QStringLiteral("applications/") + id + QStringLiteral(".desktop")),
        QStringLiteral("X-LiveLinkServer=Other;LaunchedShapes\nExec=env KIT_MAIN_BUNDLE=%1 %2 %3 LaunchedShapes --close-after 1 --exit-after-close\n")
            .arg(bundle_->path(), QStringLiteral(LIVE_LINK_PEER), address_));
    test::EnvironmentScope home("XDG_DATA_HOME", data.path().toUtf8().constData());
    test::EnvironmentScope dirs("XDG_DATA_DIRS", data.filePath(QStringLiteral("none")).toUtf8().constData());

    auto link = LiveLink::editLiveLinkDataSourceNameDelegateItemKey(
        makeLiveLinkData(QStringLiteral("LaunchedShapes"), QStringLiteral("circle")), QStringLiteral("Doc"), client_.get(), QStringLiteral("item-launched"));
    ASSERT_TRUE(link);
    ASSERT_TRUE(test::spinEventLoopUntil([&] { return !client_->closes.empty() && !client_->edits.empty(); }));
    EXPECT_EQ(client_->received, std::vector<Value>({ Value(QStringLiteral("echo circle")) }));
}

} // namespace
