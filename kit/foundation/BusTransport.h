#pragma once

// What the connection layer needs from a message bus, and nothing more: own and release names,
// ask a name's owner, call a member of an object path (waiting for the answer or not), hear when a
// name's owner goes away, and receive calls. The real bus is kit/linux/DBusTransport.

#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <variant>
#include <vector>

namespace kit {

// One value a call carries: a string (by copy) or an object path that names an object of the
// sender (by reference). A call and its answer carry a list of them.
struct BusArgument {
    enum class Kind { String, ObjectPath };
    Kind kind = Kind::String;
    QString text;

    friend bool operator==(const BusArgument&, const BusArgument&) = default;
};

struct BusCall {
    QString sender; // the bus's own sender header: who called, never taken from an argument
    QString path;
    QString member;
    std::vector<BusArgument> arguments;
};

// An incoming call refused: the caller hears the bus error `name` with `message`.
struct BusRefusal {
    QString name;
    QString message;
};

inline const QString BusErrorAccessDenied = QStringLiteral("org.freedesktop.DBus.Error.AccessDenied");
inline const QString BusErrorUnknownMethod = QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod");

class BusTransport {
public:
    // The answer to an incoming call, or the refusal its caller hears.
    using Answer = std::variant<std::vector<BusArgument>, BusRefusal>;
    using Handler = std::function<Answer(const BusCall&)>;

    virtual ~BusTransport() = default;

    virtual bool isConnected() const = 0;
    virtual QString uniqueName() const = 0;
    // Without queueing and without replacing another owner.
    virtual bool requestName(const QString& busName) = 0;
    virtual void releaseName(const QString& busName) = 0;
    // The unique name owning `busName`, empty when nobody does.
    virtual QString nameOwner(const QString& busName) const = 0;
    // Waits up to `timeoutMs` for the answer; nullopt on an error (its name in `errorName` when
    // given) or a timeout.
    virtual std::optional<std::vector<BusArgument>> call(const QString& destination, const QString& path, const QString& member,
        const std::vector<BusArgument>& arguments, int timeoutMs, QString* errorName = nullptr)
        = 0;
    // Sent, never awaited.
    virtual bool send(const QString& destination, const QString& path, const QString& member, const std::vector<BusArgument>& arguments) = 0;
    // `vanished` runs once on the main thread when `uniqueName` leaves the bus; the answer ends the
    // watch when destroyed.
    virtual std::shared_ptr<void> watchNameVanishing(const QString& uniqueName, std::function<void()> vanished) = 0;
    // Calls to object paths under `root` go to `handler`, on the main thread.
    virtual void setHandler(const QString& root, Handler handler) = 0;
};

// The session bus; or, after a test set one, the bus at that address.
BusTransport& SharedBusTransport();
// Empty: back to the session bus. Objects exported on the previous bus are forgotten.
void SetBusAddressForTesting(const QString& address);
// Another transport (a fake bus); null: back to the session bus at the next use.
void SetBusTransportForTesting(std::unique_ptr<BusTransport> transport);

} // namespace kit
