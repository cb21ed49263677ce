#pragma once

// A message bus of a test program's own: starts dbus-daemon, points the kit's connections at it
// and stops it again. Runs of the same suite side by side never meet on it.

#include <QString>

#include <functional>
#include <memory>

class QProcess;

namespace kit::test {

class PrivateBus {
public:
    PrivateBus();
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    // Empty when no daemon could be started.
    const QString& address() const { return address_; }

private:
    std::unique_ptr<QProcess> daemon_;
    QString address_;
};

// Runs the event loop until `done` answers YES. A guard ends the wait of a failing test; the
// answer is `done()` at the end.
bool spinEventLoopUntil(const std::function<bool()>& done);

} // namespace kit::test
