#include "fakes/fake_http_server.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

namespace qel::test {

namespace {

constexpr qsizetype kMaxRequestBytes = 1024 * 1024;

// Cuts one complete request off the front of aBuffer. False while it is incomplete; aBroken
// is set for a request that can never be parsed.
bool TakeRequest(QByteArray& aBuffer, RecordedHttpRequest& aRequest, bool& aBroken) {
    const qsizetype headEnd = aBuffer.indexOf("\r\n\r\n");
    if (headEnd < 0) {
        aBroken = aBuffer.size() > kMaxRequestBytes;
        return false;
    }
    const QList<QByteArray> lines = aBuffer.left(headEnd).split('\n');
    RecordedHttpRequest request;
    request.requestLine = lines.value(0).trimmed();
    qsizetype contentLength = 0;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0) {
            continue;
        }
        const QByteArray name = line.left(colon).trimmed();
        const QByteArray value = line.mid(colon + 1).trimmed();
        request.headers.append({name, value});
        if (name.compare("content-length", Qt::CaseInsensitive) == 0) {
            contentLength = value.toLongLong();
        }
    }
    if (contentLength < 0 || contentLength > kMaxRequestBytes) {
        aBroken = true;
        return false;
    }
    const qsizetype total = headEnd + 4 + contentLength;
    if (aBuffer.size() < total) {
        return false;
    }
    request.body = aBuffer.mid(headEnd + 4, contentLength);
    aBuffer.remove(0, total);
    aRequest = std::move(request);
    return true;
}

QByteArray Serialise(const FakeHttpResponse& aResponse) {
    QByteArray out =
        "HTTP/1.1 " + QByteArray::number(aResponse.status) + ' ' + aResponse.reason + "\r\n";
    for (const QByteArray& header : aResponse.headers) {
        out += header + "\r\n";
    }
    out += "Content-Length: " + QByteArray::number(aResponse.body.size()) + "\r\n\r\n";
    out += aResponse.body;
    return out;
}

}  // namespace

bool RecordedHttpRequest::hasHeader(const QByteArray& name) const {
    for (const auto& [key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0) {
            return true;
        }
    }
    return false;
}

QByteArray RecordedHttpRequest::header(const QByteArray& name) const {
    for (const auto& [key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0) {
            return value;
        }
    }
    return {};
}

FakeHttpServer::FakeHttpServer() {
    worker_ = new QObject;
    worker_->moveToThread(&thread_);
    thread_.start();
    QMetaObject::invokeMethod(
        worker_,
        [this] {
            auto* server = new QTcpServer(worker_);
            server->listen(QHostAddress::LocalHost, 0);
            port_ = server->serverPort();
            QObject::connect(server, &QTcpServer::newConnection, worker_, [this, server] {
                while (QTcpSocket* socket = server->nextPendingConnection()) {
                    auto buffer = std::make_shared<QByteArray>();
                    QObject::connect(socket, &QTcpSocket::disconnected, socket,
                                     &QObject::deleteLater);
                    QObject::connect(
                        socket, &QTcpSocket::readyRead, socket, [this, socket, buffer] {
                            buffer->append(socket->readAll());
                            RecordedHttpRequest request;
                            bool broken = false;
                            while (TakeRequest(*buffer, request, broken)) {
                                const FakeHttpResponse response = nextResponse(request);
                                if (!response.neverAnswer) {
                                    socket->write(Serialise(response));
                                }
                            }
                            if (broken) {
                                socket->abort();
                            }
                        });
                }
            });
        },
        Qt::BlockingQueuedConnection);
}

FakeHttpServer::~FakeHttpServer() {
    QMetaObject::invokeMethod(
        worker_, [this] { delete worker_; }, Qt::BlockingQueuedConnection);
    thread_.quit();
    thread_.wait();
}

QString FakeHttpServer::url(const QString& path) const {
    return QStringLiteral("http://127.0.0.1:%1%2").arg(port_.load()).arg(path);
}

void FakeHttpServer::enqueue(FakeHttpResponse response) {
    std::lock_guard lock(mutex_);
    script_.push_back(std::move(response));
}

void FakeHttpServer::setDefaultResponse(FakeHttpResponse response) {
    std::lock_guard lock(mutex_);
    default_ = std::move(response);
}

QList<RecordedHttpRequest> FakeHttpServer::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

FakeHttpResponse FakeHttpServer::nextResponse(const RecordedHttpRequest& request) {
    std::lock_guard lock(mutex_);
    requests_.append(request);
    if (script_.empty()) {
        return default_;
    }
    FakeHttpResponse response = std::move(script_.front());
    script_.pop_front();
    return response;
}

quint16 FakeHttpServer::closedPort() {
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    const quint16 port = server.serverPort();
    server.close();
    return port;
}

}  // namespace qel::test
