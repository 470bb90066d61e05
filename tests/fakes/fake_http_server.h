#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QThread>
#include <atomic>
#include <deque>
#include <mutex>

class QObject;

namespace qel::test {

struct FakeHttpResponse {
    int status = 200;
    QByteArray reason = "OK";
    QList<QByteArray> headers;  // "Name: value"
    QByteArray body;
    // Keeps the connection open and never says anything.
    bool neverAnswer = false;
};

struct RecordedHttpRequest {
    QByteArray requestLine;  // "POST /path HTTP/1.1"
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;

    bool hasHeader(const QByteArray& name) const;
    // The value of the first header of that name (any case); empty when there is none.
    QByteArray header(const QByteArray& name) const;
};

// An HTTP/1.1 server on 127.0.0.1 (ephemeral port) that runs on its own thread, so that a test
// may block in a client call on the main thread. It records every request and answers from a
// script: queued responses in order, then the default response.
// The server thread owns the sockets; mutex_ guards the script and the recorded requests.
class FakeHttpServer {
public:
    FakeHttpServer();
    ~FakeHttpServer();
    FakeHttpServer(const FakeHttpServer&) = delete;
    FakeHttpServer& operator=(const FakeHttpServer&) = delete;

    quint16 port() const { return port_; }
    // "http://127.0.0.1:<port>" followed by the path.
    QString url(const QString& path) const;

    void enqueue(FakeHttpResponse response);
    void setDefaultResponse(FakeHttpResponse response);
    QList<RecordedHttpRequest> requests() const;

    // A port on 127.0.0.1 that nothing listens on.
    static quint16 closedPort();

private:
    FakeHttpResponse nextResponse(const RecordedHttpRequest& request);

    QThread thread_;
    QObject* worker_ = nullptr;
    std::atomic<quint16> port_{0};
    mutable std::mutex mutex_;
    std::deque<FakeHttpResponse> script_;
    FakeHttpResponse default_;
    QList<RecordedHttpRequest> requests_;
};

}  // namespace qel::test
