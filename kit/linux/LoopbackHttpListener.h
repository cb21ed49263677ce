#pragma once

// A small HTTP endpoint on 127.0.0.1, served on a thread of its own so that a client blocking the
// main thread (a synchronous upload) is still answered. One request per connection, read with
// kit::HttpRequestReader; the handler, called on the listener's thread, decides the answer.

#include "kit/foundation/HttpRequestReader.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

namespace kit {

class LoopbackHttpListener {
public:
    struct Answer {
        int status = 200;
        QByteArray body;
        bool closeWithoutAnswer = false;

        static Answer withStatus(int status, QByteArray body = {}) { return { status, std::move(body), false }; }
        static Answer closeConnection() { return { 0, {}, true }; }
    };
    using Handler = std::function<Answer(const HttpRequest&)>;

    // Listens on 127.0.0.1 at `port` (0: one the system picks). After `maximumRequests` requests
    // (negative: no limit) the listening socket is closed, so later connections are refused. Null
    // with `error` set when the port cannot be had (taken, no permission).
    static std::unique_ptr<LoopbackHttpListener> listen(std::uint16_t port, Handler handler, int maximumRequests = -1, QString* error = nullptr);

    // Stops the thread; a request being read is dropped.
    ~LoopbackHttpListener();
    LoopbackHttpListener(const LoopbackHttpListener&) = delete;
    LoopbackHttpListener& operator=(const LoopbackHttpListener&) = delete;

    std::uint16_t port() const { return port_; }

    // A port on 127.0.0.1 that was free a moment ago and has nothing listening: connections are refused.
    static std::uint16_t refusedPort();

private:
    struct Shared;
    LoopbackHttpListener() = default;
    std::unique_ptr<Shared> shared_;
    std::uint16_t port_ = 0;
};

} // namespace kit
