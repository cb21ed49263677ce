#include "kit/testsupport/LoopbackHttpServer.h"

#include <QList>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace kit::test {

namespace {

int loopbackListen(std::uint16_t* port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        throw std::runtime_error("socket failed");
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0
        || ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(fd);
        throw std::runtime_error("bind failed");
    }
    *port = ntohs(address.sin_port);
    return fd;
}

bool loopbackSendAll(int fd, const QByteArray& bytes)
{
    qsizetype sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.constData() + sent, size_t(bytes.size() - sent), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        sent += n;
    }
    return true;
}

QByteArray loopbackReason(int status)
{
    switch (status) {
    case 200: return "OK";
    case 201: return "Created";
    case 204: return "No Content";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    default: return "Status";
    }
}

// Reads one request: the head to the blank line, then the body to Content-Length.
std::optional<LoopbackHttpServer::Request> loopbackReadRequest(int fd, int wakeFd)
{
    LoopbackHttpServer::Request request;
    qsizetype headEnd = -1;
    qsizetype contentLength = 0;
    char buffer[16384];
    for (;;) {
        if (headEnd >= 0 && request.raw.size() >= headEnd + contentLength)
            break;
        pollfd fds[2] = { { fd, POLLIN, 0 }, { wakeFd, POLLIN, 0 } };
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return std::nullopt;
        }
        if (fds[1].revents)
            return std::nullopt;
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return std::nullopt;
        request.raw.append(buffer, n);
        if (headEnd < 0) {
            const qsizetype blank = request.raw.indexOf("\r\n\r\n");
            if (blank < 0)
                continue;
            headEnd = blank + 4;
            const QList<QByteArray> lines = request.raw.left(blank).split('\n');
            const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
            request.method = first.value(0);
            request.target = first.value(1);
            for (qsizetype i = 1; i < lines.size(); ++i) {
                const QByteArray line = lines[i].trimmed();
                const qsizetype colon = line.indexOf(':');
                if (colon <= 0)
                    continue;
                request.headers.emplace_back(line.left(colon).trimmed(), line.mid(colon + 1).trimmed());
            }
            if (auto length = request.header("Content-Length"))
                contentLength = length->toLongLong();
        }
    }
    request.body = request.raw.mid(headEnd, contentLength);
    return request;
}

} // namespace

struct LoopbackHttpServer::Shared {
    int listenFd = -1;
    int wakePipe[2] = { -1, -1 };
    std::vector<Answer> script;
    mutable std::mutex mutex;
    std::vector<Request> requests;
    std::thread thread;

    void serve()
    {
        for (const Answer& answer : script) {
            pollfd fds[2] = { { listenFd, POLLIN, 0 }, { wakePipe[0], POLLIN, 0 } };
            if (::poll(fds, 2, -1) < 0) {
                if (errno == EINTR)
                    continue;
                return;
            }
            if (fds[1].revents)
                return;
            const int client = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0)
                return;
            std::optional<Request> request = loopbackReadRequest(client, wakePipe[0]);
            if (request) {
                {
                    std::lock_guard lock(mutex);
                    requests.push_back(*request);
                }
                if (!answer.closeWithoutAnswer) {
                    QByteArray reply = "HTTP/1.1 " + QByteArray::number(answer.status) + ' ' + loopbackReason(answer.status)
                        + "\r\nContent-Type: text/plain\r\nContent-Length: " + QByteArray::number(answer.body.size())
                        + "\r\nConnection: close\r\n\r\n" + answer.body;
                    loopbackSendAll(client, reply);
                }
            }
            ::shutdown(client, SHUT_RDWR);
            ::close(client);
        }
        // The script is spent: later connections are refused.
        ::close(listenFd);
        listenFd = -1;
    }
};

std::optional<QByteArray> LoopbackHttpServer::Request::header(const QByteArray& name) const
{
    for (const auto& [field, value] : headers)
        if (field.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    return std::nullopt;
}

LoopbackHttpServer::LoopbackHttpServer(std::vector<Answer> script)
    : shared_(std::make_shared<Shared>())
{
    shared_->listenFd = loopbackListen(&port_);
    if (::listen(shared_->listenFd, 8) != 0 || ::pipe2(shared_->wakePipe, O_CLOEXEC) != 0) {
        ::close(shared_->listenFd);
        throw std::runtime_error("listen failed");
    }
    shared_->script = std::move(script);
    shared_->thread = std::thread([shared = shared_.get()] { shared->serve(); });
}

LoopbackHttpServer::~LoopbackHttpServer()
{
    const char wake = 1;
    (void)!::write(shared_->wakePipe[1], &wake, 1);
    shared_->thread.join();
    if (shared_->listenFd >= 0)
        ::close(shared_->listenFd);
    ::close(shared_->wakePipe[0]);
    ::close(shared_->wakePipe[1]);
}

QString LoopbackHttpServer::url(const QString& path) const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(port_).arg(path);
}

std::vector<LoopbackHttpServer::Request> LoopbackHttpServer::requests() const
{
    std::lock_guard lock(shared_->mutex);
    return shared_->requests;
}

std::uint16_t LoopbackHttpServer::refusedPort()
{
    std::uint16_t port = 0;
    ::close(loopbackListen(&port));
    return port;
}

QByteArray multipartBoundary(const QByteArray& contentType)
{
    for (const QByteArray& piece : contentType.split(';')) {
        const QByteArray parameter = piece.trimmed();
        if (parameter.toLower().startsWith("boundary=")) {
            QByteArray value = parameter.mid(9);
            if (value.size() >= 2 && value.startsWith('"') && value.endsWith('"'))
                value = value.mid(1, value.size() - 2);
            return value;
        }
    }
    return {};
}

std::optional<std::vector<MultipartField>> parseMultipartForm(const QByteArray& body, const QByteArray& boundary)
{
    if (boundary.isEmpty())
        return std::nullopt;
    const QByteArray delimiter = "--" + boundary;
    qsizetype at = body.startsWith(delimiter) ? 0 : body.indexOf("\r\n" + delimiter);
    if (at < 0)
        return std::nullopt;
    at += body.startsWith(delimiter) && at == 0 ? delimiter.size() : delimiter.size() + 2;
    std::vector<MultipartField> fields;
    for (;;) {
        if (body.mid(at, 2) == "--")
            return fields;
        if (body.mid(at, 2) != "\r\n")
            return std::nullopt;
        at += 2;
        const qsizetype headEnd = body.indexOf("\r\n\r\n", at);
        const qsizetype next = body.indexOf("\r\n" + delimiter, at);
        if (next < 0)
            return std::nullopt;
        MultipartField field;
        qsizetype valueStart;
        if (body.mid(at, 2) == "\r\n") {
            valueStart = at + 2; // a part without header lines
        } else {
            if (headEnd < 0 || headEnd > next)
                return std::nullopt;
            for (const QByteArray& line : body.mid(at, headEnd - at).split('\n')) {
                const QByteArray trimmed = line.trimmed();
                const qsizetype colon = trimmed.indexOf(':');
                if (colon > 0)
                    field.headers.emplace_back(trimmed.left(colon).trimmed(), trimmed.mid(colon + 1).trimmed());
            }
            valueStart = headEnd + 4;
        }
        for (const auto& [name, value] : field.headers) {
            if (name.compare("Content-Disposition", Qt::CaseInsensitive) != 0)
                continue;
            const qsizetype nameAt = value.indexOf("name=\"");
            if (nameAt >= 0) {
                const qsizetype end = value.indexOf('"', nameAt + 6);
                field.name = value.mid(nameAt + 6, end - nameAt - 6);
            }
        }
        field.value = body.mid(valueStart, next - valueStart);
        fields.push_back(std::move(field));
        at = next + 2 + delimiter.size();
    }
}

} // namespace kit::test
