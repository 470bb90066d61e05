#include "shared/lpm_udp_socket.h"

#include <QHostAddress>
#include <QUdpSocket>
#include <algorithm>

#include "shared/socket_errors.h"

TlpmUDPSocket::TlpmUDPSocket(TlpmProcessDatagramEvent aProcessDatagramEvent,
                             TlpmDatagramBoundaryCheckProc aBoundaryChecker, int32_t aPortId)
    : TlpmPort(std::move(aProcessDatagramEvent), std::move(aBoundaryChecker), aPortId),
      FSocket(new QUdpSocket(this)) {
    QObject::connect(FSocket, &QUdpSocket::readyRead, this,
                     [this] { socketSignal([this] { doDataAvailable(0); }); });
}

TlpmUDPSocket::~TlpmUDPSocket() {
    QObject::disconnect(FSocket, nullptr, this, nullptr);
    if (InSocketSignal()) {
        FSocket->setParent(nullptr);
        FSocket->close();
        FSocket->deleteLater();
    }
}

void TlpmUDPSocket::start(const QString& anInterface, const QString& aPort) {
    bool portOk = false;
    const uint port = aPort.toUInt(&portOk);
    const QHostAddress address(anInterface);
    if (address.isNull() || !portOk || port > 65535) {
        throw ESocketException(QStringLiteral("Cannot bind to %1 port %2: invalid address or port")
                                   .arg(anInterface, aPort));
    }
    if (!FSocket->bind(address, static_cast<quint16>(port))) {
        throw ESocketException(QStringLiteral("Cannot bind to %1 port %2: %3 (winsock error %4)")
                                   .arg(anInterface, aPort, FSocket->errorString())
                                   .arg(qel::WinsockError(FSocket->error())));
    }
}

QAbstractSocket* TlpmUDPSocket::GetSocket() const {
    return FSocket;
}

bool TlpmUDPSocket::hasInput() const {
    return FSocket->hasPendingDatagrams();
}

qint64 TlpmUDPSocket::readInput(char* aBuffer, qint64 aMaxSize) {
    // Empty datagrams carry nothing to frame.
    while (FSocket->hasPendingDatagrams() && FSocket->pendingDatagramSize() == 0) {
        FSocket->readDatagram(nullptr, 0);
    }
    if (!FSocket->hasPendingDatagrams()) {
        return 0;
    }
    // Room for the whole datagram was made first, as far as the cap allows; beyond it the
    // datagram is cut.
    return FSocket->readDatagram(aBuffer, aMaxSize);
}

qint64 TlpmUDPSocket::nextInputSize() const {
    return std::max<qint64>(TlpmPort::nextInputSize(), FSocket->pendingDatagramSize());
}
