// The other process of the live-link tests: a small server application scripted by arguments.
//   LiveLinkPeer <bus address> <server name> [--close-after N] [--exit-on-request] [--exit-after-close]
// It publishes the name, prints "ready", and answers every edit request by putting
// "echo <appData>" on the link's pasteboard under "Shape" and sending the edit back. After N
// edits it closes the link; with --exit-on-request it dies abruptly at the first request; with
// --exit-after-close it quits once a link has closed (started detached, nobody else ends it).
// Its main bundle (identifier, LiveLinkApplicationURL) comes from KIT_MAIN_BUNDLE.

#include "components/LiveLink/LiveLink.h"
#include "components/LiveLink/LiveLinkData.h"

#include <QApplication>

#include <QCoreApplication>

#include <cstdio>
#include <unistd.h>

namespace {

class LiveLinkPeerDelegate : public kit::Object, public LiveLinkDelegate {
public:
    int closeAfter = 0;
    bool exitOnRequest = false;
    bool exitAfterClose = false;
    int edits = 0;

    void liveLinkClientDidRequestEdit(LiveLink* link) override
    {
        if (exitOnRequest)
            _exit(3);
        const auto data = link->pasteboard() ? link->pasteboard()->propertyListForType(LiveLinkDataPboardType) : std::nullopt;
        const QString appData = data ? liveLinkAppDataOf(data->dictionary()).stringValue() : QString();
        link->pasteboard()->setPropertyListForType(QStringLiteral("echo ") + appData, QStringLiteral("Shape"));
        link->sendEdit();
        if (closeAfter > 0 && ++edits >= closeAfter) {
            link->closeLink();
            liveLinkDidClose(link);
        }
    }
    void liveLinkDidClose(LiveLink*) override
    {
        if (exitAfterClose)
            QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    }
};

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 3)
        return 2;
    kit::Connection::setBusAddressForTesting(args[1]);
    auto delegate = kit::make<LiveLinkPeerDelegate>();
    delegate->exitOnRequest = args.contains(QStringLiteral("--exit-on-request"));
    delegate->exitAfterClose = args.contains(QStringLiteral("--exit-after-close"));
    if (const qsizetype at = args.indexOf(QStringLiteral("--close-after")); at > 0 && at + 1 < args.size())
        delegate->closeAfter = args[at + 1].toInt();
    if (!LiveLink::publishServerWithNameDelegate(args[2], delegate.get()))
        return 1;
    std::puts("ready");
    std::fflush(stdout);
    return app.exec();
}
