#pragma once

// An HTTP endpoint on 127.0.0.1 for tests of code that posts and waits: it listens on a port of its
// own choosing and serves on its own thread, since the client blocks the main thread. Each request
// is kept byte for byte; each is answered as scripted, in order, or its connection closed unanswered.
// Requests beyond the script are refused. The destructor stops the thread.

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace kit::test {

class LoopbackHttpServer {
public:
    struct Answer {
        int status = 200;
        QByteArray body;
        bool closeWithoutAnswer = false;

        static Answer withStatus(int status, QByteArray body = {}) { return { status, std::move(body), false }; }
        static Answer closeConnection() { return { 0, {}, true }; }
    };

    struct Request {
        QByteArray raw; // request line, header lines, blank line and the body as received
        QByteArray method;
        QByteArray target;
        std::vector<std::pair<QByteArray, QByteArray>> headers;
        QByteArray body; // read to Content-Length

        // The first value of `name` (case-insensitive), or null.
        std::optional<QByteArray> header(const QByteArray& name) const;
    };

    explicit LoopbackHttpServer(std::vector<Answer> script);
    ~LoopbackHttpServer();
    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    std::uint16_t port() const { return port_; }
    // "http://127.0.0.1:<port><path>".
    QString url(const QString& path = QStringLiteral("/")) const;
    // The requests received so far (each complete before it was answered).
    std::vector<Request> requests() const;

    // A port on 127.0.0.1 that was free a moment ago and has nothing listening: connections are refused.
    static std::uint16_t refusedPort();

private:
    struct Shared;
    std::shared_ptr<Shared> shared_;
    std::uint16_t port_ = 0;
};

// A form field of a multipart body.
struct MultipartField {
    QByteArray name;
    QByteArray value;
    std::vector<std::pair<QByteArray, QByteArray>> headers; // of the part, as written
};

// The boundary of a "multipart/form-data; boundary=..." type, or empty.
QByteArray multipartBoundary(const QByteArray& contentType);
// The parts of `body` delimited by `boundary` (text before the first delimiter is skipped), or null
// when the body is not well formed (no closing delimiter, a part without a blank line).
std::optional<std::vector<MultipartField>> parseMultipartForm(const QByteArray& body, const QByteArray& boundary);

} // namespace kit::test
