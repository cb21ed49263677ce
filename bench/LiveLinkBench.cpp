// A live-link edit round trip against a server in another process (LiveLinkPeer, echo mode), and
// beside it a bare D-Bus round trip to the same process: an asynchronous call awaited in the event
// loop. One benchmark alternates the two and reports both and their ratio. The link's trip is two
// messages plus the pasteboard's write and read, so about 2-4x the bare call; far above that, the
// layer waits on its own. Runs on the session bus (dbus-run-session); skips itself without one.
// Without a runtime folder it puts the pasteboard store under /dev/shm, as a session would have it.

#include "components/LiveLink/LiveLink.h"
#include "components/LiveLink/LiveLinkData.h"
#include "kit/foundation/Bundle.h"
#include "kit/foundation/Connection.h"
#include "kit/foundation/RunLoop.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <optional>
#include <unistd.h>

namespace {

const QString liveLinkBenchServer = QStringLiteral("BenchShapes");

class LiveLinkBenchDelegate : public kit::Object, public LiveLinkDelegate {
public:
    void liveLinkServerDidSendEdit(LiveLink* link) override
    {
        // The client reads what came, as a document would.
        benchmark::DoNotOptimize(link->pasteboard()->propertyListForType(QStringLiteral("Shape")));
        ++edits;
    }
    int edits = 0;
};

struct LiveLinkBenchSetup {
    kit::Ref<LiveLinkBenchDelegate> delegate = kit::make<LiveLinkBenchDelegate>();
    kit::Ref<LiveLink> link;
    QString peerName; // the server's unique bus name
};

LiveLinkBenchSetup* liveLinkBenchSetup = nullptr;

bool liveLinkBenchWaitForEdits(int count)
{
    return kit::RunLoop::main().runUntil([count] { return liveLinkBenchSetup->delegate->edits >= count; }, 10.0);
}

void BM_LiveLinkEditRoundTripVersusBareCall(benchmark::State& state)
{
    LiveLinkBenchSetup& setup = *liveLinkBenchSetup;
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QDBusMessage ping = QDBusMessage::createMethodCall(setup.peerName, QStringLiteral("/"), QStringLiteral("org.freedesktop.DBus.Peer"), QStringLiteral("Ping"));
    using Clock = std::chrono::steady_clock;
    Clock::duration linkTime {}, busTime {};
    std::int64_t rounds = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        const int expected = setup.delegate->edits + 1;
        setup.link->requestEdit();
        if (!liveLinkBenchWaitForEdits(expected)) {
            state.SkipWithError("the server did not answer");
            break;
        }
        const auto linked = Clock::now();
        QDBusPendingCallWatcher watcher(bus.asyncCall(ping));
        QEventLoop loop;
        QObject::connect(&watcher, &QDBusPendingCallWatcher::finished, &loop, &QEventLoop::quit);
        if (!watcher.isFinished())
            loop.exec();
        if (watcher.isError()) {
            state.SkipWithError("the bare call failed");
            break;
        }
        busTime += Clock::now() - linked;
        linkTime += linked - start;
        ++rounds;
    }
    if (rounds == 0)
        return;
    const double linkUs = std::chrono::duration<double, std::micro>(linkTime).count() / double(rounds);
    const double busUs = std::chrono::duration<double, std::micro>(busTime).count() / double(rounds);
    state.counters["live_link_us"] = linkUs;
    state.counters["bare_dbus_us"] = busUs;
    state.counters["ratio"] = busUs > 0 ? linkUs / busUs : 0;
}
BENCHMARK(BM_LiveLinkEditRoundTripVersusBareCall)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Client and server share one application identity, the server found by it.
    QTemporaryDir bundle;
    QFile info(bundle.filePath(QStringLiteral("Info.json")));
    if (!bundle.isValid() || !info.open(QIODevice::WriteOnly))
        return 1;
    info.write(QStringLiteral("{\"CFBundleIdentifier\": \"org.example.LiveLinkBench.p%1\", \"CFBundleExecutable\": \"LiveLinkBench\", "
                              "\"LiveLinkApplicationURL\": \"https://example.org/draw\"}")
                   .arg(::getpid())
                   .toUtf8());
    info.close();
    qputenv("KIT_MAIN_BUNDLE", bundle.path().toUtf8());
    // A desktop session keeps the pasteboard store in its memory-backed runtime folder; a bare
    // dbus-run-session has none, and the store would fall back to a folder on disk.
    std::optional<QTemporaryDir> runtime;
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR") && QFileInfo(QStringLiteral("/dev/shm")).isDir()) {
        runtime.emplace(QStringLiteral("/dev/shm/LiveLinkBench-XXXXXX"));
        if (runtime->isValid())
            qputenv("XDG_RUNTIME_DIR", runtime->path().toUtf8());
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);

    const QByteArray address = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    if (address.isEmpty() || !QDBusConnection::sessionBus().isConnected()) {
        std::fprintf(stderr, "LiveLinkBench: no session bus; run it under dbus-run-session. Skipped.\n");
        return 0;
    }
    QProcess peer;
    peer.start(QStringLiteral(LIVE_LINK_PEER), { QString::fromUtf8(address), liveLinkBenchServer });
    if (!peer.waitForStarted() || !peer.waitForReadyRead(10000) || peer.readLine().trimmed() != "ready") {
        std::fprintf(stderr, "LiveLinkBench: the peer did not start\n");
        return 1;
    }
    LiveLinkBenchSetup setup;
    liveLinkBenchSetup = &setup;
    const QString key = QStringLiteral("bench-item");
    setup.link = LiveLink::editLiveLinkDataSourceNameDelegateItemKey(
        makeLiveLinkData(liveLinkBenchServer, QStringLiteral("circle")), QStringLiteral("Bench"), setup.delegate.get(), key);
    const kit::Ref<kit::DistantObject> server = kit::Connection::rootProxyForConnectionWithRegisteredNameHost(
        liveLinkServerName(kit::Bundle::mainBundle()->bundleIdentifier(), liveLinkBenchServer), QString());
    if (!setup.link || !server || !liveLinkBenchWaitForEdits(1)) {
        std::fprintf(stderr, "LiveLinkBench: no link to the peer\n");
        return 1;
    }
    setup.peerName = server->owner();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    setup.link->closeLink();
    liveLinkBenchSetup = nullptr;
    peer.kill();
    peer.waitForFinished();
    return 0;
}
