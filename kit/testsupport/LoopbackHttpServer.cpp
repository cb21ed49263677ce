#include "kit/testsupport/LoopbackHttpServer.h"

#include <stdexcept>

namespace kit::test {

LoopbackHttpServer::LoopbackHttpServer(std::vector<Answer> script)
{
    const int count = int(script.size());
    auto handler = [log = log_, script = std::move(script)](const HttpRequest& request) {
        std::lock_guard lock(log->mutex);
        log->requests.push_back(request);
        return script[log->requests.size() - 1];
    };
    QString error;
    listener_ = LoopbackHttpListener::listen(0, std::move(handler), count, &error);
    if (!listener_)
        throw std::runtime_error("loopback server: " + error.toStdString());
}

QString LoopbackHttpServer::url(const QString& path) const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(port()).arg(path);
}

std::vector<LoopbackHttpServer::Request> LoopbackHttpServer::requests() const
{
    std::lock_guard lock(log_->mutex);
    return log_->requests;
}

} // namespace kit::test
