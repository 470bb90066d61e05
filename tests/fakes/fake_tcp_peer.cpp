#include "fakes/fake_tcp_peer.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

#include "platform/queued_call.h"

namespace qel::test {

FakeTcpPeer::FakeTcpPeer() = default;

FakeTcpPeer::~FakeTcpPeer() {
    if (socket_) {
        socket_->disconnect(this);
        socket_->abort();
        delete socket_.data();
    }
}

quint16 FakeTcpPeer::listen() {
    if (!server_) {
        server_ = new QTcpServer(this);
        QObject::connect(server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = server_->nextPendingConnection()) {
                ++accepted_;
                adopt(socket);
            }
        });
    }
    if (!server_->listen(QHostAddress::LocalHost, port_)) {
        return 0;
    }
    port_ = server_->serverPort();
    return port_;
}

void FakeTcpPeer::stopListening() {
    if (server_) {
        server_->close();
    }
}

bool FakeTcpPeer::connectTo(quint16 port, int timeoutMs) {
    auto* socket = new QTcpSocket(this);
    adopt(socket);
    socket->connectToHost(QHostAddress::LocalHost, port);
    return ProcessMessagesFor(timeoutMs, [this] { return isConnected(); });
}

bool FakeTcpPeer::waitForPeer(int timeoutMs) {
    return ProcessMessagesFor(timeoutMs, [this] { return isConnected(); });
}

bool FakeTcpPeer::isConnected() const {
    return socket_ && socket_->state() == QAbstractSocket::ConnectedState;
}

void FakeTcpPeer::adopt(QTcpSocket* socket) {
    if (socket_) {
        socket_->disconnect(this);
        socket_->abort();
        socket_->deleteLater();
    }
    socket_ = socket;
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    QObject::connect(socket, &QTcpSocket::readyRead, this,
                     [this, socket] { received_ += socket->readAll(); });
    QObject::connect(socket, &QTcpSocket::disconnected, this, [this] { ++disconnects_; });
    QObject::connect(socket, &QTcpSocket::bytesWritten, this, [this] { floodMore(); });
}

void FakeTcpPeer::send(const QByteArray& bytes, const std::vector<int>& pieces) {
    if (!isConnected()) {
        return;
    }
    qsizetype at = 0;
    for (int piece : pieces) {
        if (at >= bytes.size()) {
            break;
        }
        const QByteArray part = bytes.mid(at, piece);
        socket_->write(part);
        socket_->flush();
        sent_ += part.size();
        at += part.size();
        ProcessMessages();
    }
    if (at < bytes.size()) {
        socket_->write(bytes.mid(at));
        socket_->flush();
        sent_ += bytes.size() - at;
    }
}

void FakeTcpPeer::flood(int chunkSize) {
    floodChunk_ = chunkSize;
    floodMore();
}

void FakeTcpPeer::floodMore() {
    if (floodChunk_ <= 0 || !isConnected() || socket_->bytesToWrite() > 0) {
        return;
    }
    // No boundary a protocol could find: all 0xFF.
    socket_->write(QByteArray(floodChunk_, '\xFF'));
    sent_ += floodChunk_;
}

bool FakeTcpPeer::waitForReceived(qsizetype count, int timeoutMs) {
    return ProcessMessagesFor(timeoutMs, [this, count] { return received_.size() >= count; });
}

void FakeTcpPeer::close() {
    if (socket_) {
        socket_->disconnectFromHost();
    }
}

void FakeTcpPeer::abort() {
    if (socket_) {
        socket_->abort();
    }
}

bool FakeTcpPeer::waitForDisconnect(int timeoutMs) {
    return ProcessMessagesFor(timeoutMs, [this] {
        return !socket_ || socket_->state() == QAbstractSocket::UnconnectedState;
    });
}

}  // namespace qel::test
