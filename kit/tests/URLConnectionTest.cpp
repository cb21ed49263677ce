#include "kit/foundation/URLConnection.h"
#include "kit/testsupport/LoopbackHttpServer.h"

#include <gtest/gtest.h>

using namespace kit;
using kit::test::LoopbackHttpServer;

namespace {

MutableURLRequest urlConnectionPost(const QString& url, const QByteArray& body)
{
    MutableURLRequest request(*URL::URLWithString(url));
    request.setHTTPMethod(QStringLiteral("POST"));
    request.setHTTPBody(body);
    return request;
}

TEST(URLTest, UnparsableOrRelativeStringsGiveNull)
{
    for (const char* text : { "", "   ", "not a url", "http://", "/relative/path", "http://exa mple.com/" })
        EXPECT_FALSE(URL::URLWithString(QString::fromUtf8(text))) << text;
    const auto url = URL::URLWithString(QStringLiteral("http://127.0.0.1:8080/cgi/report?x=1"));
    ASSERT_TRUE(url);
    EXPECT_EQ(url->absoluteString(), QStringLiteral("http://127.0.0.1:8080/cgi/report?x=1"));
}

TEST(MutableURLRequestTest, HeaderFieldsReplaceAppendAndIgnoreCase)
{
    MutableURLRequest request(*URL::URLWithString(QStringLiteral("http://localhost/")));
    EXPECT_EQ(request.timeoutInterval(), 60.0);
    EXPECT_EQ(request.HTTPMethod(), QStringLiteral("GET"));
    request.setValueForHTTPHeaderField(QStringLiteral("a"), QStringLiteral("Accept"));
    request.addValueForHTTPHeaderField(QStringLiteral("b"), QStringLiteral("accept"));
    EXPECT_EQ(request.valueForHTTPHeaderField(QStringLiteral("ACCEPT")), QStringLiteral("a, b"));
    request.setValueForHTTPHeaderField(QStringLiteral("c"), QStringLiteral("accept"));
    ASSERT_EQ(request.allHTTPHeaderFields().size(), 1u);
    EXPECT_EQ(request.valueForHTTPHeaderField(QStringLiteral("Accept")), QStringLiteral("c"));
    request.addValueForHTTPHeaderField(QStringLiteral("x"), QStringLiteral("X-New"));
    EXPECT_EQ(request.valueForHTTPHeaderField(QStringLiteral("x-new")), QStringLiteral("x"));
}

TEST(URLConnectionTest, PostsBinaryBodyWholeWithHeadersAsSetAndNoExpect)
{
    LoopbackHttpServer server({ LoopbackHttpServer::Answer::withStatus(200, "thanks") });
    QByteArray body(64 * 1024, 'x');
    body[10] = '\0';
    body[20000] = '\xff';
    auto request = urlConnectionPost(server.url(QStringLiteral("/upload")), body);
    request.setValueForHTTPHeaderField(QStringLiteral("Reporter"), QStringLiteral("User-Agent"));
    request.addValueForHTTPHeaderField(QStringLiteral("text/plain"), QStringLiteral("Content-Type"));

    HTTPURLResponse response;
    Ref<Error> error;
    const auto data = URLConnection::sendSynchronousRequestReturningResponseError(request, &response, &error);
    ASSERT_TRUE(data) << (error ? error->localizedDescription().toStdString() : "");
    EXPECT_EQ(*data, QByteArray("thanks"));
    EXPECT_EQ(response.statusCode(), 200);
    EXPECT_EQ(response.valueForHTTPHeaderField(QStringLiteral("content-length")), QStringLiteral("6"));

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, QByteArray("POST"));
    EXPECT_EQ(requests[0].target, QByteArray("/upload"));
    EXPECT_EQ(requests[0].header("User-Agent"), QByteArray("Reporter"));
    EXPECT_EQ(requests[0].header("Content-Type"), QByteArray("text/plain"));
    EXPECT_FALSE(requests[0].header("Expect"));
    EXPECT_EQ(requests[0].body, body);
}

TEST(URLConnectionTest, NoUserAgentUnlessSet)
{
    LoopbackHttpServer server({ LoopbackHttpServer::Answer::withStatus(204) });
    const auto data = URLConnection::sendSynchronousRequestReturningResponseError(
        urlConnectionPost(server.url(), "a=b"), nullptr, nullptr);
    ASSERT_TRUE(data);
    EXPECT_TRUE(data->isEmpty());
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_FALSE(server.requests()[0].header("User-Agent"));
}

TEST(URLConnectionTest, AnyHttpStatusAnswersTheBody)
{
    LoopbackHttpServer server({ LoopbackHttpServer::Answer::withStatus(500, "broken") });
    HTTPURLResponse response;
    Ref<Error> error;
    const auto data = URLConnection::sendSynchronousRequestReturningResponseError(
        urlConnectionPost(server.url(), "x"), &response, &error);
    ASSERT_TRUE(data);
    EXPECT_EQ(*data, QByteArray("broken"));
    EXPECT_EQ(response.statusCode(), 500);
    EXPECT_FALSE(error);
}

struct URLTransportFailureCase {
    const char* name;
    bool refused;
    std::int64_t code;
};

class URLConnectionFailureTest : public ::testing::TestWithParam<URLTransportFailureCase> { };

TEST_P(URLConnectionFailureTest, TransportFailuresAnswerNullAndAnError)
{
    std::optional<LoopbackHttpServer> server;
    QString url;
    if (GetParam().refused) {
        url = QStringLiteral("http://127.0.0.1:%1/").arg(LoopbackHttpServer::refusedPort());
    } else {
        server.emplace(std::vector { LoopbackHttpServer::Answer::closeConnection() });
        url = server->url();
    }
    HTTPURLResponse response;
    Ref<Error> error;
    const auto data = URLConnection::sendSynchronousRequestReturningResponseError(
        urlConnectionPost(url, "payload"), &response, &error);
    EXPECT_FALSE(data);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->domain(), URLErrorDomain);
    EXPECT_EQ(error->code(), GetParam().code);
    EXPECT_FALSE(error->localizedDescription().isEmpty());
    if (server) {
        ASSERT_EQ(server->requests().size(), 1u);
        EXPECT_EQ(server->requests()[0].body, QByteArray("payload"));
    }
}

INSTANTIATE_TEST_SUITE_P(Failures, URLConnectionFailureTest,
    ::testing::Values(URLTransportFailureCase { "Refused", true, URLErrorCannotConnectToHost },
        URLTransportFailureCase { "ClosedUnanswered", false, URLErrorNetworkConnectionLost }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LoopbackHttpServerTest, ServesOnlyTheScriptedRequests)
{
    LoopbackHttpServer server({ LoopbackHttpServer::Answer::withStatus(200, "one") });
    ASSERT_TRUE(URLConnection::sendSynchronousRequestReturningResponseError(urlConnectionPost(server.url(), "1"), nullptr, nullptr));
    Ref<Error> error;
    EXPECT_FALSE(URLConnection::sendSynchronousRequestReturningResponseError(urlConnectionPost(server.url(), "2"), nullptr, &error));
    EXPECT_TRUE(error);
    EXPECT_EQ(server.requests().size(), 1u);
}

TEST(MultipartFormReaderTest, SplitsFieldsByTheHeadersBoundary)
{
    const QByteArray type = "multipart/form-data; boundary=\"XyZ\"";
    ASSERT_EQ(multipartBoundary(type), QByteArray("XyZ"));
    const QByteArray body = "preamble\r\n--XyZ\r\nContent-Disposition: form-data; name=\"a\"\r\n\r\none\r\ntwo\r\n"
                            "--XyZ\r\nContent-Disposition: form-data; name=\"empty\"\r\n\r\n\r\n--XyZ--\r\n";
    const auto fields = parseMultipartForm(body, "XyZ");
    ASSERT_TRUE(fields);
    ASSERT_EQ(fields->size(), 2u);
    EXPECT_EQ((*fields)[0].name, QByteArray("a"));
    EXPECT_EQ((*fields)[0].value, QByteArray("one\r\ntwo"));
    EXPECT_EQ((*fields)[1].name, QByteArray("empty"));
    EXPECT_EQ((*fields)[1].value, QByteArray());
    EXPECT_FALSE(parseMultipartForm("--XyZ\r\nContent-Disposition: form-data; name=\"a\"\r\n\r\nopen", "XyZ"));
}

TEST(MultipartFormTest, APartWhoseBlankLineRunsIntoTheNextDelimiterIsRefused)
{
    EXPECT_FALSE(parseMultipartForm("--b\r\nContent-Disposition: form-data; name=\"a\"\r\n\r\n--b--\r\n", "b"));
    EXPECT_FALSE(parseMultipartForm("--b\r\n\r\n--b--\r\n", "b"));
    const auto empty = parseMultipartForm("--b\r\nContent-Disposition: form-data; name=\"a\"\r\n\r\n\r\n--b\r\n\r\n\r\n--b--\r\n", "b");
    ASSERT_TRUE(empty);
    ASSERT_EQ(empty->size(), 2u);
    EXPECT_EQ((*empty)[0].name, QByteArray("a"));
    EXPECT_EQ((*empty)[0].value, QByteArray());
    EXPECT_EQ((*empty)[1].value, QByteArray());
}

TEST(MultipartFormTest, AFieldIsNamedByItsNameParameterWhereverItStands)
{
    const QByteArray body = "--b\r\nContent-Disposition: form-data; filename=\"report.txt\"; name=\"crashlog\"\r\n\r\nx\r\n"
                            "--b\r\nContent-Disposition: form-data;name=\"a;b\"\r\n\r\ny\r\n"
                            "--b\r\nContent-Disposition: form-data; name=\"open\r\n\r\nz\r\n--b--\r\n";
    const auto fields = parseMultipartForm(body, "b");
    ASSERT_TRUE(fields);
    ASSERT_EQ(fields->size(), 3u);
    EXPECT_EQ((*fields)[0].name, QByteArray("crashlog"));
    EXPECT_EQ((*fields)[1].name, QByteArray("a;b"));
    EXPECT_EQ((*fields)[2].name, QByteArray("open"));
}

} // namespace
