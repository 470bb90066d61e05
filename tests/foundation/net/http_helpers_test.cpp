#include "foundation/net/http_helpers.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>

#include "fakes/fake_http_server.h"
#include "support/temp_folder.h"

using qel::test::FakeHttpResponse;
using qel::test::FakeHttpServer;
using qel::test::RecordedHttpRequest;
using testing::HasSubstr;
using testing::StartsWith;

namespace {

// Three lines with CRLF and LF breaks and a character outside ASCII.
const QString kJson = QStringLiteral("{\r\n  \"name\": \"M\u00fcller\",\n  \"speed\": 7.5\r\n}");
const QByteArray kJsonOnWire = QByteArray("{  \"name\": \"M\xc3\xbcller\",  \"speed\": 7.5}");

FakeHttpResponse Answer(int status, QByteArray reason, QByteArray body,
                        QList<QByteArray> headers = {}) {
    FakeHttpResponse response;
    response.status = status;
    response.reason = std::move(reason);
    response.body = std::move(body);
    response.headers = std::move(headers);
    return response;
}

FakeHttpResponse Challenge() {
    return Answer(401, "Unauthorized", "denied", {"WWW-Authenticate: Basic realm=\"feed\""});
}

TEST(HttpGet, SendsAPlainGetAndDecodesTheBodyByItsCharset) {
    FakeHttpServer server;
    server.enqueue(Answer(200, "OK", "{\"city\":\"Z\xc3\xbcrich\"}",
                          {"Content-Type: application/json; charset=utf-8"}));
    server.enqueue(Answer(200, "OK", "caf\xe9", {"Content-Type: text/plain; charset=ISO-8859-1"}));
    QString error = "stale";
    QString response = "stale";

    HttpGet(server.url("/weather?lat=1.5&lon=2"), error, response);
    EXPECT_EQ(error, "");
    EXPECT_EQ(response, QStringLiteral("{\"city\":\"Z\u00fcrich\"}"));
    HttpGet(server.url("/latin"), error, response);
    EXPECT_EQ(response, QStringLiteral("caf\u00e9"));

    const QList<RecordedHttpRequest> requests = server.requests();
    ASSERT_EQ(requests.size(), 2);
    EXPECT_EQ(requests[0].requestLine, "GET /weather?lat=1.5&lon=2 HTTP/1.1");
    EXPECT_EQ(requests[0].header("Host"),
              QByteArray("127.0.0.1:") + QByteArray::number(server.port()));
    EXPECT_FALSE(requests[0].hasHeader("Authorization"));
    EXPECT_FALSE(requests[0].hasHeader("Content-Type"));
    EXPECT_EQ(requests[0].body, "");
}

TEST(HttpGet, AnErrorStatusIsAFailureWithTheStatusLine) {
    FakeHttpServer server;
    server.enqueue(Answer(404, "Not Found", "no such city"));
    QString error;
    QString response = "stale";

    HttpGet(server.url("/weather"), error, response);

    EXPECT_EQ(error, "Error on request: \r\nHTTP/1.1 404 Not Found");
    EXPECT_EQ(response, "");
}

// The JSON helpers: their request line, their headers and the body on the wire.
struct JsonCase {
    const char* name;
    QByteArray requestLine;
    QByteArray contentType;
    QByteArray authorization;
    std::function<void(const QString& url, QString& error, QString& response)> call;
};

TEST(HttpJsonHelpers, SendTheJsonAsOneUtf8LineWithTheirHeaders) {
    const JsonCase cases[] = {
        {"put", "PUT /feed HTTP/1.1", "application/json", "",
         [](const QString& url, QString& error, QString& response) {
             HttpPutJson(url, kJson, error, response);
         }},
        {"post", "POST /feed HTTP/1.1", "application/json", "",
         [](const QString& url, QString& error, QString& response) {
             HttpPostJson(url, kJson, error, "", "", response);
         }},
        {"signature", "POST /feed HTTP/1.1", "application/atom+xml;type=entry;charset=utf-8",
         "SharedAccessSignature sr=sb%3A%2F%2Fbus&sig=AbC%2B%3D&se=1767225600&skn=sender",
         [](const QString& url, QString& error, QString& response) {
             HttpPostWithSharedAccessSignature(url, kJson, error, "AbC%2B%3D", "sb%3A%2F%2Fbus",
                                               "sender", "1767225600", response);
         }},
    };
    for (const JsonCase& c : cases) {
        SCOPED_TRACE(c.name);
        FakeHttpServer server;
        // An error status is no failure for these helpers: its body comes back.
        server.enqueue(Answer(500, "Internal Server Error", "{\"ok\":false}"));
        QString error = "stale";
        QString response;

        c.call(server.url("/feed"), error, response);

        EXPECT_EQ(error, "");
        EXPECT_EQ(response, "{\"ok\":false}");
        const QList<RecordedHttpRequest> requests = server.requests();
        ASSERT_EQ(requests.size(), 1);
        EXPECT_EQ(requests[0].requestLine, c.requestLine);
        EXPECT_EQ(requests[0].header("Content-Type"), c.contentType);
        EXPECT_EQ(requests[0].header("Authorization"), c.authorization);
        EXPECT_EQ(requests[0].header("Content-Length"), QByteArray::number(kJsonOnWire.size()));
        EXPECT_FALSE(requests[0].hasHeader("Expect"));
        EXPECT_EQ(requests[0].body, kJsonOnWire);
    }
}

TEST(HttpPostJson, SendsCredentialsOnlyAfterAChallengeAndOnlyWithBothValues) {
    struct Case {
        QString user;
        QString password;
        int expectedRequests;
        QString expectedResponse;
    };
    const Case cases[] = {
        {"coach", "s3cret", 2, "accepted"},
        {"coach", "", 1, "denied"},
        {"", "s3cret", 1, "denied"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE((c.user + "/" + c.password).toStdString());
        FakeHttpServer server;
        server.enqueue(Challenge());
        server.enqueue(Answer(200, "OK", "accepted"));
        QString error;
        QString response;

        HttpPostJson(server.url("/live"), kJson, error, c.user, c.password, response);

        EXPECT_EQ(error, "");
        EXPECT_EQ(response, c.expectedResponse);
        const QList<RecordedHttpRequest> requests = server.requests();
        ASSERT_EQ(requests.size(), c.expectedRequests);
        EXPECT_FALSE(requests[0].hasHeader("Authorization"));
        if (c.expectedRequests == 2) {
            EXPECT_EQ(requests[1].header("Authorization"),
                      "Basic " + QByteArray("coach:s3cret").toBase64());
            EXPECT_EQ(requests[1].body, kJsonOnWire);
        }
    }
}

// The error text with the client's measured connect time taken out.
std::string WithoutTimes(const QString& anError) {
    return QString(anError)
        .replace(QRegularExpression("after \\d+ ms"), "after # ms")
        .toStdString();
}

TEST(HttpHelpers, AServerThatIsDownGivesTheErrorText) {
    const quint16 port = FakeHttpServer::closedPort();
    const QString url = QStringLiteral("http://127.0.0.1:%1/x").arg(port);
    const QString message =
        QStringLiteral(
            "Failed to connect to 127.0.0.1 port %1 after # ms: Couldn't connect to server")
            .arg(port);
    const std::string expected = ("Error on request: \r\n" + message).toStdString();
    QString error;
    QString response = "stale";
    QString status = "stale";
    qel::test::TempFolder folder;

    HttpGet(url, error, response);
    EXPECT_EQ(WithoutTimes(error), expected);
    EXPECT_EQ(response, "");
    HttpPutJson(url, kJson, error, response);
    EXPECT_EQ(WithoutTimes(error), expected);
    HttpPostWithSharedAccessSignature(url, kJson, error, "s", "r", "k", "1", response);
    EXPECT_EQ(WithoutTimes(error), expected);
    HttpGetToFile(url, folder.file("down.bin"), error, status);
    EXPECT_EQ(WithoutTimes(error), expected);
    EXPECT_EQ(status, "");
    EXPECT_TRUE(QFile::exists(folder.file("down.bin")));
    // The posting helper names the JSON it could not deliver.
    HttpPostJson(url, kJson, error, "", "", response);
    EXPECT_EQ(WithoutTimes(error), ("Error on request:" + kJson + "\r\n" + message).toStdString());
    EXPECT_EQ(response, "");
}

TEST(HttpHelpers, AServerThatNeverAnswersEndsTheRequestAtTheResponseTimeout) {
    FakeHttpServer server;
    FakeHttpResponse silence;
    silence.neverAnswer = true;
    server.setDefaultResponse(silence);
    qel::HttpRequestSettings settings;
    settings.URL = server.url("/slow");
    settings.ResponseTimeoutMs = 300;
    QElapsedTimer elapsed;
    elapsed.start();

    const qel::HttpResult result = qel::PerformHttpRequest(settings);

    EXPECT_LT(elapsed.elapsed(), 10000);  // only proves that it does not hang
    EXPECT_FALSE(result.Completed);
    EXPECT_THAT(result.ErrorMessage.toStdString(), HasSubstr("timed out"));
    EXPECT_EQ(server.requests().size(), 1);
}

TEST(HttpGetToFile, WritesTheBodyOfTheFinalResponseAndGivesItsReasonPhrase) {
    FakeHttpServer server;
    const QByteArray payload("\x00\x01\xff\r\nvideo", 10);
    server.enqueue(Answer(302, "Found", "moved", {"Location: /files/clip.mp4"}));
    server.enqueue(Answer(200, "OK", payload));
    server.enqueue(Answer(404, "Not Found", "gone"));
    qel::test::TempFolder folder;
    const QString fileName = folder.file("clip.mp4");
    QFile old(fileName);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("an older and longer file");
    old.close();
    QString error = "stale";
    QString status;

    HttpGetToFile(server.url("/recording/clip"), fileName, error, status);
    EXPECT_EQ(error, "");
    EXPECT_EQ(status, "OK");
    QFile written(fileName);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), payload);
    written.close();

    // An error status is no failure: its body is the file.
    HttpGetToFile(server.url("/recording/gone"), fileName, error, status);
    EXPECT_EQ(error, "");
    EXPECT_EQ(status, "Not Found");
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), "gone");

    ASSERT_EQ(server.requests().size(), 3);
    EXPECT_EQ(server.requests()[1].requestLine, "GET /files/clip.mp4 HTTP/1.1");
}

TEST(HttpGetToFile, AFileThatCannotBeCreatedIsAnErrorWithoutARequest) {
    FakeHttpServer server;
    qel::test::TempFolder folder;
    QString error;
    QString status = "stale";

    HttpGetToFile(server.url("/x"), folder.file("missing/folder/x.bin"), error, status);

    EXPECT_THAT(error.toStdString(), StartsWith("Error on request: \r\nCannot create file \""));
    EXPECT_EQ(status, "");
    EXPECT_TRUE(server.requests().isEmpty());
}

}  // namespace
