#include "shared/lpm_client_connection.h"

#include <QBuffer>
#include <QHostAddress>
#include <QTcpSocket>

namespace {

QString AddressText(const QHostAddress& anAddress) {
    // A listener on all interfaces sees IPv4 peers as mapped IPv6 addresses.
    bool isIPv4 = false;
    const quint32 ipv4 = anAddress.toIPv4Address(&isIPv4);
    return isIPv4 ? QHostAddress(ipv4).toString() : anAddress.toString();
}

}  // namespace

TlpmClientConnection::TlpmClientConnection(QTcpSocket* aSocket,
                                           TlpmProcessDatagramEvent aProcessDatagramEvent,
                                           TlpmDatagramBoundaryCheckProc aBoundaryChecker,
                                           int32_t aPortId)
    : TlpmPort(std::move(aProcessDatagramEvent), std::move(aBoundaryChecker), aPortId),
      FSocket(aSocket) {
    if (aSocket) {
        aSocket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        QObject::connect(aSocket, &QTcpSocket::readyRead, this,
                         [this] { socketSignal([this] { doDataAvailable(0); }); });
    }
}

TlpmClientConnection::~TlpmClientConnection() = default;

QAbstractSocket* TlpmClientConnection::GetSocket() const {
    return FSocket.data();
}

void TlpmClientConnection::sendToClient(const QBuffer& aDatagram) {
    sendToClient(aDatagram.data());
}

void TlpmClientConnection::sendToClient(const QByteArray& aDatagram) {
    if (FSocket && FSocket->state() == QAbstractSocket::ConnectedState) {
        WriteBounded(FSocket, aDatagram, MaxBufferSize(), DisplayName());
    }
}

void TlpmClientConnection::close() {
    requestClose();
    QPointer<QTcpSocket> socket = FSocket;
    QMetaObject::invokeMethod(
        this,
        [socket] {
            if (socket) {
                socket->disconnectFromHost();
            }
        },
        Qt::QueuedConnection);
}

void TlpmClientConnection::dropInput() {
    clearInput();
    close();
}

QString TlpmClientConnection::PeerAddr() const {
    return FSocket ? AddressText(FSocket->peerAddress()) : QString();
}

QString TlpmClientConnection::PeerPort() const {
    return FSocket ? QString::number(FSocket->peerPort()) : QString();
}

QString TlpmClientConnection::LocalAddr() const {
    return FSocket ? AddressText(FSocket->localAddress()) : QString();
}
