#include "kit/linux/LoopbackHttpListener.h"

#include "kit/foundation/CrashLog.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

namespace kit {

namespace {

int loopbackListenerBind(std::uint16_t* port, QString* error)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        if (error)
            *error = QString::fromLocal8Bit(std::strerror(errno));
        return -1;
    }
    // A restarted program takes its fixed port back while old connections linger in TIME_WAIT.
    const int reuse = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(*port);
    socklen_t length = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0
        || ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        if (error)
            *error = QString::fromLocal8Bit(std::strerror(errno));
        ::close(fd);
        return -1;
    }
    *port = ntohs(address.sin_port);
    return fd;
}

bool loopbackListenerSendAll(int fd, const QByteArray& bytes)
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

QByteArray loopbackListenerReason(int status)
{
    switch (status) {
    case 200: return "OK";
    case 201: return "Created";
    case 204: return "No Content";
    case 400: return "Bad Request";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    default: return "Status";
    }
}

QByteArray loopbackListenerReply(int status, const QByteArray& body)
{
    return "HTTP/1.1 " + QByteArray::number(status) + ' ' + loopbackListenerReason(status)
        + "\r\nContent-Type: text/plain\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

// Waits for `fd` to be readable; false when woken to stop (or on an error).
bool loopbackListenerWait(int fd, int wakeFd)
{
    for (;;) {
        pollfd fds[2] = { { fd, POLLIN, 0 }, { wakeFd, POLLIN, 0 } };
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        return !fds[1].revents;
    }
}

} // namespace

struct LoopbackHttpListener::Shared {
    int listenFd = -1;
    int wakePipe[2] = { -1, -1 };
    Handler handler;
    int maximumRequests = -1;
    std::thread thread;

    void serve()
    {
        for (int served = 0; maximumRequests < 0 || served < maximumRequests; ++served) {
            if (!loopbackListenerWait(listenFd, wakePipe[0]))
                return;
            const int client = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0) {
                if (errno == EINTR || errno == ECONNABORTED)
                    continue;
                return;
            }
            serveConnection(client);
            ::shutdown(client, SHUT_RDWR);
            ::close(client);
        }
        // The requests asked for are served: later connections are refused.
        ::close(listenFd);
        listenFd = -1;
    }

    void serveConnection(int client)
    {
        HttpRequestReader reader;
        char buffer[16384];
        while (reader.state() == HttpRequestReader::Reading) {
            if (!loopbackListenerWait(client, wakePipe[0]))
                return;
            const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return;
            reader.append(buffer, n);
        }
        if (reader.state() == HttpRequestReader::Malformed) {
            loopbackListenerSendAll(client, loopbackListenerReply(400, {}));
            return;
        }
        const Answer answer = handler(reader.request());
        if (!answer.closeWithoutAnswer)
            loopbackListenerSendAll(client, loopbackListenerReply(answer.status, answer.body));
    }
};

std::unique_ptr<LoopbackHttpListener> LoopbackHttpListener::listen(std::uint16_t port, Handler handler, int maximumRequests, QString* error)
{
    std::unique_ptr<LoopbackHttpListener> listener(new LoopbackHttpListener);
    listener->shared_ = std::make_unique<Shared>();
    Shared& shared = *listener->shared_;
    shared.listenFd = loopbackListenerBind(&port, error);
    if (shared.listenFd < 0)
        return nullptr;
    if (::listen(shared.listenFd, 8) != 0 || ::pipe2(shared.wakePipe, O_CLOEXEC) != 0) {
        if (error)
            *error = QString::fromLocal8Bit(std::strerror(errno));
        ::close(shared.listenFd);
        return nullptr;
    }
    listener->port_ = port;
    shared.handler = std::move(handler);
    shared.maximumRequests = maximumRequests;
    shared.thread = std::thread([&shared] {
        CrashLog::prepareThread();
        shared.serve();
    });
    return listener;
}

LoopbackHttpListener::~LoopbackHttpListener()
{
    if (!shared_ || !shared_->thread.joinable())
        return;
    const char wake = 1;
    (void)!::write(shared_->wakePipe[1], &wake, 1);
    shared_->thread.join();
    if (shared_->listenFd >= 0)
        ::close(shared_->listenFd);
    ::close(shared_->wakePipe[0]);
    ::close(shared_->wakePipe[1]);
}

std::uint16_t LoopbackHttpListener::refusedPort()
{
    std::uint16_t port = 0;
    const int fd = loopbackListenerBind(&port, nullptr);
    if (fd >= 0)
        ::close(fd);
    return port;
}

} // namespace kit
