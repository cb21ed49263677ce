#include "kit/testsupport/PrivateBus.h"

#include "kit/foundation/Connection.h"

#include <QEventLoop>
#include <QProcess>
#include <QTimer>

namespace kit::test {

PrivateBus::PrivateBus()
    : daemon_(std::make_unique<QProcess>())
{
    daemon_->start(QStringLiteral("dbus-daemon"), { QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address") });
    if (daemon_->waitForStarted() && daemon_->waitForReadyRead())
        address_ = QString::fromUtf8(daemon_->readLine()).trimmed();
    Connection::setBusAddressForTesting(address_);
}

PrivateBus::~PrivateBus()
{
    Connection::setBusAddressForTesting({});
    daemon_->kill();
    daemon_->waitForFinished();
}

bool spinEventLoopUntil(const std::function<bool()>& done)
{
    QEventLoop loop;
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &loop, &QEventLoop::quit);
    guard.start(10000);
    while (!done() && guard.isActive())
        loop.processEvents(QEventLoop::WaitForMoreEvents);
    return done();
}

} // namespace kit::test
