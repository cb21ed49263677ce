#pragma once

// Reading HTTP/1.1 requests as their bytes arrive, for the small receivers a program runs on the
// loopback interface (the gallery's report endpoint, the tests' server). Only what such a
// receiver meets: a request line, header lines and a body of Content-Length bytes. Sizes are
// bounded, since the peer may be any local program.

#include <QByteArray>

#include <optional>
#include <utility>
#include <vector>

namespace kit {

struct HttpRequest {
    QByteArray raw; // request line, header lines, blank line and the body as received
    QByteArray method;
    QByteArray target;
    std::vector<std::pair<QByteArray, QByteArray>> headers;
    QByteArray body; // exactly Content-Length bytes

    // The first value of `name` (case-insensitive), or null.
    std::optional<QByteArray> header(const QByteArray& name) const;
};

class HttpRequestReader {
public:
    enum State { Reading, Complete, Malformed };

    static constexpr qsizetype defaultMaximumHead = 64 * 1024;
    static constexpr qsizetype defaultMaximumBody = 64 * 1024 * 1024;

    explicit HttpRequestReader(qsizetype maximumHead = defaultMaximumHead, qsizetype maximumBody = defaultMaximumBody)
        : maximumHead_(maximumHead)
        , maximumBody_(maximumBody)
    { }

    // Takes the next bytes of the connection. Bytes after a complete request are ignored (one
    // request per connection); a malformed request stays malformed.
    State append(const char* bytes, qsizetype length);
    State append(const QByteArray& bytes) { return append(bytes.constData(), bytes.size()); }

    State state() const { return state_; }
    // The request read so far; whole once the state is Complete.
    const HttpRequest& request() const { return request_; }

private:
    State readHead();

    qsizetype maximumHead_;
    qsizetype maximumBody_;
    State state_ = Reading;
    HttpRequest request_;
    qsizetype headEnd_ = -1;
    qsizetype searchedHead_ = 0;
    qsizetype contentLength_ = 0;
};

} // namespace kit
