#pragma once

// An HTTP endpoint on 127.0.0.1 for tests of code that posts and waits: it listens on a port of its
// own choosing and serves on its own thread (kit::LoopbackHttpListener), since the client blocks the
// main thread. Each request is kept byte for byte; each is answered as scripted, in order, or its
// connection closed unanswered. Requests beyond the script are refused. The destructor stops it.

#include "kit/foundation/HttpRequestReader.h"
#include "kit/foundation/MultipartFormReader.h"
#include "kit/linux/LoopbackHttpListener.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace kit::test {

class LoopbackHttpServer {
public:
    using Answer = LoopbackHttpListener::Answer;
    using Request = HttpRequest;

    explicit LoopbackHttpServer(std::vector<Answer> script);

    std::uint16_t port() const { return listener_->port(); }
    // "http://127.0.0.1:<port><path>".
    QString url(const QString& path = QStringLiteral("/")) const;
    // The requests received so far (each complete before it was answered).
    std::vector<Request> requests() const;

    // A port on 127.0.0.1 that was free a moment ago and has nothing listening: connections are refused.
    static std::uint16_t refusedPort() { return LoopbackHttpListener::refusedPort(); }

private:
    struct Log {
        std::mutex mutex;
        std::vector<Request> requests;
    };
    std::shared_ptr<Log> log_ = std::make_shared<Log>();
    std::unique_ptr<LoopbackHttpListener> listener_; // last: stopped before the log goes
};

} // namespace kit::test
