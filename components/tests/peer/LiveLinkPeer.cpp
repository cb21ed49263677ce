// The other process of the live-link tests: a small server application scripted by arguments.
//   LiveLinkPeer <bus address> <server name> [--close-after N] [--exit-on-request] [--exit-after-close]
// It publishes the name, prints "ready", and answers every edit request by putting
// "echo <appData>" on the link's pasteboard under "Shape" and sending the edit back. After N
// edits it closes the link; with --exit-on-request it dies abruptly at the first request; with
// --exit-after-close it quits once a link has closed (started detached, nobody else ends it).
// Its main bundle (identifier, LiveLinkApplicationURL) comes from KIT_MAIN_BUNDLE.
//   LiveLinkPeer --pasteboard <name>
// Works the shared pasteboard <name> by lines on its standard input, answering each on its output:
// "write <text>" -> "wrote <change count>", "release" -> "released", "hostile <name>" -> "refused"
// or "wrote <change count>" (the name as another process might send it), "quit".
//   LiveLinkPeer <bus address> --client <server name> <item key> [--return-when-linked]
// A client application: edits the item (app data "circle") at the server, printing "ready" once
// linked (or "failed"), "edit <Shape>" for every edit that comes back and "closed" at the close.
// With --return-when-linked it prints "pasteboard <name>" after "ready" and returns from main with
// the link still open.
//   LiveLinkPeer <bus address> --call <unique name> <object path> <member> [--foreign-pasteboard]
// A third program on the bus: calls the member of that object (with the name of a pasteboard of its
// own holding "foreign" under "Shape" as the argument) and prints "answered" or "error <name>".

#include "components/LiveLink/LiveLink.h"
#include "components/LiveLink/LiveLinkData.h"
#include "kit/appkit/Pasteboard.h"
#include "kit/linux/DBusTransport.h"

#include <QApplication>

#include <QCoreApplication>

#include <cstdio>
#include <iostream>
#include <string>
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

void liveLinkPeerAnswer(const QString& line)
{
    std::cout << line.toStdString() << std::endl;
}

class LiveLinkPeerClient : public kit::Object, public LiveLinkDelegate {
public:
    void liveLinkServerDidSendEdit(LiveLink* link) override
    {
        const auto shape = link->pasteboard()->propertyListForType(QStringLiteral("Shape"));
        liveLinkPeerAnswer(QStringLiteral("edit ") + (shape ? shape->stringValue() : QString()));
    }
    void liveLinkDidClose(LiveLink*) override { liveLinkPeerAnswer(QStringLiteral("closed")); }
};

int liveLinkPeerClient(const QString& serverName, const QString& key, bool returnWhenLinked)
{
    auto delegate = kit::make<LiveLinkPeerClient>();
    auto link = LiveLink::editLiveLinkDataSourceNameDelegateItemKey(
        makeLiveLinkData(serverName, QStringLiteral("circle")), QStringLiteral("PeerDoc"), delegate.get(), key);
    liveLinkPeerAnswer(link ? QStringLiteral("ready") : QStringLiteral("failed"));
    if (!link)
        return 1;
    if (!returnWhenLinked)
        return qApp->exec();
    liveLinkPeerAnswer(QStringLiteral("pasteboard ") + link->pasteboard()->name());
    return 0;
}

int liveLinkPeerCall(const QString& address, const QStringList& args)
{
    kit::DBusTransport bus(address);
    std::vector<kit::BusArgument> arguments;
    kit::Ref<kit::Pasteboard> own;
    if (args.contains(QStringLiteral("--foreign-pasteboard"))) {
        own = kit::Pasteboard::pasteboardWithUniqueName();
        own->declareTypesOwner({ QStringLiteral("Shape") }, nullptr);
        own->setPropertyListForType(QStringLiteral("foreign"), QStringLiteral("Shape"));
        arguments.push_back({ kit::BusArgument::Kind::String, own->name() });
    }
    QString error;
    const bool answered = bool(bus.call(args[3], args[4], args[5], arguments, 10000, &error));
    liveLinkPeerAnswer(answered ? QStringLiteral("answered") : QStringLiteral("error ") + error);
    if (own)
        own->releaseGlobally();
    return 0;
}

int liveLinkPeerPasteboard(const QString& name)
{
    const kit::Ref<kit::Pasteboard> pasteboard = kit::Pasteboard::sharedPasteboardWithName(name);
    if (!pasteboard)
        return 1;
    liveLinkPeerAnswer(QStringLiteral("ready"));
    for (std::string line; std::getline(std::cin, line);) {
        const QString command = QString::fromStdString(line);
        if (command.startsWith(QLatin1String("write "))) {
            pasteboard->setPropertyListForType(command.mid(6), QStringLiteral("Shape"));
            liveLinkPeerAnswer(QStringLiteral("wrote %1").arg(pasteboard->changeCount()));
        } else if (command == QLatin1String("release")) {
            pasteboard->releaseGlobally();
            liveLinkPeerAnswer(QStringLiteral("released"));
        } else if (command.startsWith(QLatin1String("hostile "))) {
            const kit::Ref<kit::Pasteboard> other = kit::Pasteboard::sharedPasteboardWithName(command.mid(8));
            if (other && other->setPropertyListForType(QStringLiteral("x"), QStringLiteral("Shape")))
                liveLinkPeerAnswer(QStringLiteral("wrote %1").arg(other->changeCount()));
            else
                liveLinkPeerAnswer(QStringLiteral("refused"));
        } else if (command == QLatin1String("quit")) {
            return 0;
        }
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 3)
        return 2;
    if (args[1] == QLatin1String("--pasteboard"))
        return liveLinkPeerPasteboard(args[2]);
    if (args[2] == QLatin1String("--call") && args.size() >= 6)
        return liveLinkPeerCall(args[1], args);
    kit::Connection::setBusAddressForTesting(args[1]);
    if (args[2] == QLatin1String("--client") && args.size() >= 5)
        return liveLinkPeerClient(args[3], args[4], args.contains(QStringLiteral("--return-when-linked")));
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
