#include "kit/foundation/HttpRequestReader.h"

#include <QList>

namespace kit {

std::optional<QByteArray> HttpRequest::header(const QByteArray& name) const
{
    for (const auto& [field, value] : headers)
        if (field.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    return std::nullopt;
}

HttpRequestReader::State HttpRequestReader::append(const char* bytes, qsizetype length)
{
    if (state_ != Reading)
        return state_;
    if (headEnd_ < 0) {
        request_.raw.append(bytes, length);
        state_ = readHead();
        if (state_ != Reading || headEnd_ < 0)
            return state_;
    } else {
        // Only what the body still lacks: a pipelined next request is not ours to keep.
        const qsizetype wanted = headEnd_ + contentLength_ - request_.raw.size();
        request_.raw.append(bytes, std::min(length, wanted));
    }
    if (request_.raw.size() >= headEnd_ + contentLength_) {
        request_.raw.truncate(headEnd_ + contentLength_);
        request_.body = request_.raw.mid(headEnd_);
        state_ = Complete;
    }
    return state_;
}

HttpRequestReader::State HttpRequestReader::readHead()
{
    // From where the last look stopped, so a request arriving a byte at a time is read in linear time.
    const qsizetype blank = request_.raw.indexOf("\r\n\r\n", searchedHead_);
    if (blank < 0) {
        searchedHead_ = std::max<qsizetype>(0, request_.raw.size() - 3);
        return request_.raw.size() > maximumHead_ ? Malformed : Reading;
    }
    if (blank + 4 > maximumHead_)
        return Malformed;
    const QList<QByteArray> lines = request_.raw.left(blank).split('\n');
    const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
    if (first.size() != 3 || first[0].isEmpty() || first[1].isEmpty() || !first[2].startsWith("HTTP/"))
        return Malformed;
    request_.method = first[0];
    request_.target = first[1];
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            return Malformed;
        request_.headers.emplace_back(line.left(colon).trimmed(), line.mid(colon + 1).trimmed());
    }
    // A body we cannot delimit (chunked, or a length that is no plain number) is refused rather
    // than guessed at.
    if (request_.header("Transfer-Encoding"))
        return Malformed;
    if (const auto length = request_.header("Content-Length")) {
        bool ok = false;
        const qlonglong value = length->toLongLong(&ok);
        if (!ok || value < 0 || value > maximumBody_ || length->startsWith('+'))
            return Malformed;
        // Two lengths that disagree leave the body's end to whoever reads it: refused.
        for (const auto& [field, other] : request_.headers)
            if (field.compare("Content-Length", Qt::CaseInsensitive) == 0 && other != *length)
                return Malformed;
        contentLength_ = qsizetype(value);
    }
    headEnd_ = blank + 4;
    return Reading;
}

} // namespace kit
