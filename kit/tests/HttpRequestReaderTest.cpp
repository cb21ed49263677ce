#include "kit/foundation/HttpRequestReader.h"
#include "kit/foundation/URLConnection.h"
#include "kit/linux/LoopbackHttpListener.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>

using namespace kit;

namespace {

const QByteArray httpReaderPost = "POST /feedback HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: text/plain\r\n"
                                  "content-length: 12\r\n\r\nhello\r\nthere";

TEST(HttpRequestReaderTest, ReadsTheSameRequestHoweverTheBytesArrive)
{
    for (qsizetype piece : { qsizetype(1), qsizetype(2), qsizetype(7), qsizetype(64), httpReaderPost.size() }) {
        HttpRequestReader reader;
        for (qsizetype at = 0; at < httpReaderPost.size(); at += piece) {
            ASSERT_EQ(reader.state(), HttpRequestReader::Reading) << "piece " << piece << " at " << at;
            reader.append(httpReaderPost.mid(at, piece));
        }
        ASSERT_EQ(reader.state(), HttpRequestReader::Complete) << "piece " << piece;
        const HttpRequest& request = reader.request();
        EXPECT_EQ(request.method, QByteArray("POST"));
        EXPECT_EQ(request.target, QByteArray("/feedback"));
        EXPECT_EQ(request.header("Content-Length"), QByteArray("12"));
        EXPECT_EQ(request.header("HOST"), QByteArray("127.0.0.1"));
        EXPECT_FALSE(request.header("Expect"));
        EXPECT_EQ(request.body, QByteArray("hello\r\nthere"));
        EXPECT_EQ(request.raw, httpReaderPost);
    }
}

TEST(HttpRequestReaderTest, ARequestWithoutLengthHasNoBodyAndLaterBytesAreNotKept)
{
    HttpRequestReader reader;
    EXPECT_EQ(reader.append(QByteArray("GET / HTTP/1.1\r\nHost: x\r\n\r\nGET /next HTTP/1.1\r\n\r\n")), HttpRequestReader::Complete);
    EXPECT_EQ(reader.request().body, QByteArray());
    EXPECT_EQ(reader.request().raw, QByteArray("GET / HTTP/1.1\r\nHost: x\r\n\r\n"));
    EXPECT_EQ(reader.append(QByteArray("more")), HttpRequestReader::Complete);
    EXPECT_EQ(reader.request().target, QByteArray("/"));

    HttpRequestReader withBody;
    withBody.append(QByteArray("POST / HTTP/1.1\r\nContent-Length: 3\r\n\r\nab"));
    EXPECT_EQ(withBody.append(QByteArray("cdef")), HttpRequestReader::Complete);
    EXPECT_EQ(withBody.request().body, QByteArray("abc"));
}

struct HttpMalformedCase {
    const char* name;
    QByteArray bytes;
};

class HttpRequestReaderMalformedTest : public testing::TestWithParam<HttpMalformedCase> { };

// A local peer may send anything: what cannot be delimited safely is refused, not guessed at.
TEST_P(HttpRequestReaderMalformedTest, IsRefused)
{
    HttpRequestReader reader(256, 1024);
    EXPECT_EQ(reader.append(GetParam().bytes), HttpRequestReader::Malformed);
    EXPECT_EQ(reader.append(QByteArray("GET / HTTP/1.1\r\n\r\n")), HttpRequestReader::Malformed) << "stays refused";
}

INSTANTIATE_TEST_SUITE_P(Requests, HttpRequestReaderMalformedTest,
    testing::Values(HttpMalformedCase { "NoVersion", "GET /\r\n\r\n" },
        HttpMalformedCase { "EmptyRequestLine", "\r\nHost: x\r\n\r\n" },
        HttpMalformedCase { "HeaderWithoutColon", "GET / HTTP/1.1\r\nHost x\r\n\r\n" },
        HttpMalformedCase { "NegativeLength", "POST / HTTP/1.1\r\nContent-Length: -5\r\n\r\n" },
        HttpMalformedCase { "SignedLength", "POST / HTTP/1.1\r\nContent-Length: +5\r\n\r\nabcde" },
        HttpMalformedCase { "LengthNotANumber", "POST / HTTP/1.1\r\nContent-Length: 5x\r\n\r\n" },
        HttpMalformedCase { "BodyOverTheLimit", "POST / HTTP/1.1\r\nContent-Length: 1025\r\n\r\n" },
        HttpMalformedCase { "LengthOverflowing", "POST / HTTP/1.1\r\nContent-Length: 99999999999999999999999\r\n\r\n" },
        HttpMalformedCase { "Chunked", "POST / HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nabcde\r\n0\r\n\r\n" },
        HttpMalformedCase { "HeadOverTheLimit", "GET / HTTP/1.1\r\nX: " + QByteArray(300, 'a') },
        HttpMalformedCase { "HeadOverTheLimitWithItsEnd", "GET / HTTP/1.1\r\nX: " + QByteArray(300, 'a') + "\r\n\r\n" },
        HttpMalformedCase { "TwoLengthsThatDisagree", "POST / HTTP/1.1\r\nContent-Length: 3\r\ncontent-length: 5\r\n\r\nabcde" }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(HttpRequestReaderTest, RepeatedLengthsThatAgreeAreRead)
{
    HttpRequestReader reader;
    EXPECT_EQ(reader.append(QByteArray("POST / HTTP/1.1\r\nContent-Length: 3\r\nContent-Length: 3\r\n\r\nabc")), HttpRequestReader::Complete);
    EXPECT_EQ(reader.request().body, QByteArray("abc"));
}

MutableURLRequest httpListenerPost(std::uint16_t port, const QByteArray& body)
{
    MutableURLRequest request(*URL::URLWithString(QStringLiteral("http://127.0.0.1:%1/x").arg(port)));
    request.setHTTPMethod(QStringLiteral("POST"));
    request.setHTTPBody(body);
    return request;
}

// Sends `bytes` as they are and answers all the peer sends back until it closes.
QByteArray httpListenerExchange(std::uint16_t port, const QByteArray& bytes)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    QByteArray reply;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0
        && ::send(fd, bytes.constData(), size_t(bytes.size()), MSG_NOSIGNAL) == bytes.size()) {
        char buffer[4096];
        for (ssize_t n; (n = ::recv(fd, buffer, sizeof buffer, 0)) > 0;)
            reply.append(buffer, n);
    }
    ::close(fd);
    return reply;
}

TEST(LoopbackHttpListenerTest, TheHandlerAnswersEachRequestOnTheListenersThread)
{
    std::atomic<int> calls = 0;
    const auto listener = LoopbackHttpListener::listen(0, [&](const HttpRequest& request) {
        ++calls;
        return LoopbackHttpListener::Answer::withStatus(201, "got " + request.body);
    });
    ASSERT_TRUE(listener);
    ASSERT_NE(listener->port(), 0);
    for (const QByteArray& body : { QByteArray("one"), QByteArray("two") }) {
        HTTPURLResponse response;
        const auto data = URLConnection::sendSynchronousRequestReturningResponseError(httpListenerPost(listener->port(), body), &response, nullptr);
        ASSERT_TRUE(data);
        EXPECT_EQ(*data, "got " + body);
        EXPECT_EQ(response.statusCode(), 201);
    }
    EXPECT_EQ(calls, 2);
}

TEST(LoopbackHttpListenerTest, ATakenPortGivesNullWithAReason)
{
    const auto first = LoopbackHttpListener::listen(0, [](const HttpRequest&) { return LoopbackHttpListener::Answer::withStatus(200); });
    ASSERT_TRUE(first);
    QString error;
    const auto second = LoopbackHttpListener::listen(first->port(), [](const HttpRequest&) { return LoopbackHttpListener::Answer::withStatus(200); }, -1, &error);
    EXPECT_FALSE(second);
    EXPECT_FALSE(error.isEmpty());
}

TEST(LoopbackHttpListenerTest, AMalformedRequestIsAnsweredBadRequestWithoutTheHandler)
{
    std::atomic<bool> called = false;
    const auto listener = LoopbackHttpListener::listen(0, [&](const HttpRequest&) {
        called = true;
        return LoopbackHttpListener::Answer::withStatus(200);
    });
    ASSERT_TRUE(listener);
    const QByteArray reply = httpListenerExchange(listener->port(), "POST / HTTP/1.1\r\nContent-Length: -1\r\n\r\nabc");
    EXPECT_TRUE(reply.startsWith("HTTP/1.1 400 ")) << reply.constData();
    EXPECT_FALSE(called);
}

} // namespace
