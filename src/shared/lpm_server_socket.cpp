#include "shared/lpm_server_socket.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <QBuffer>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <algorithm>

#include "platform/crash_reporter.h"
#include "shared/lpm_udp_socket.h"

namespace {

// Qt switches keep-alive on but has no setting for its times.
void SetKeepAliveTimes(QTcpSocket* aSocket, int anIdleMs, int anIntervalMs) {
    const qintptr descriptor = aSocket->socketDescriptor();
    if (descriptor < 0) {
        return;
    }
    const int idle = anIdleMs / 1000;
    const int interval = anIntervalMs / 1000;
    ::setsockopt(static_cast<int>(descriptor), IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof(idle));
    ::setsockopt(static_cast<int>(descriptor), IPPROTO_TCP, TCP_KEEPINTVL, &interval,
                 sizeof(interval));
}

}  // namespace

template <typename F>
void TlpmServerSocket::serverSignal(F&& aCall) {
    // The server's own background exceptions are not the connections' business: they go to the
    // crash log.
    try {
        aCall();
    } catch (const std::exception& e) {
        qel::CrashReporter::Report(e, QStringLiteral("TlpmServerSocket"));
    } catch (...) {
        qel::CrashReporter::ReportUnknown(QStringLiteral("TlpmServerSocket"));
    }
}

TlpmServerSocket::TlpmServerSocket(TlpmProcessDatagramEvent aProcessDatagramEvent,
                                   TlpmDatagramBoundaryCheckProc aBoundaryChecker,
                                   TlpmClientConnectionClass aClientClass)
    : FServerSocket(nullptr) {
    qel::Assert(static_cast<bool>(aProcessDatagramEvent),
                QStringLiteral(
                    "An TlpmServerSocket can only be created with a valid processDatagram event."));
    qel::Assert(
        static_cast<bool>(aBoundaryChecker),
        QStringLiteral("An TlpmServerSocket can only be created with a valid BoundaryChecker."));
    FServerSocket = new QTcpServer(this);
    OnClientDatagram = std::move(aProcessDatagramEvent);
    FOnBoundaryCheck = std::move(aBoundaryChecker);
    FClientClass =
        aClientClass ? std::move(aClientClass) : qel::ClientConnectionClass<TlpmClientConnection>();
    QObject::connect(FServerSocket, &QTcpServer::newConnection, this,
                     [this] { doClientConnect(); });
}

TlpmServerSocket::~TlpmServerSocket() {
    FServerSocket->close();
    std::vector<Client> clients;
    clients.swap(FClients);
    for (Client& client : clients) {
        QObject::disconnect(client.Socket, nullptr, this, nullptr);
        bool inSignal = false;
        if (client.Connection) {
            QObject::disconnect(client.Connection, nullptr, this, nullptr);
            inSignal = client.Connection->InSocketSignal();
            delete client.Connection.data();
        }
        client.Socket->abort();
        if (inSignal) {
            client.Socket->deleteLater();
        } else {
            delete client.Socket;
        }
    }
    delete FUDPListener;
}

void TlpmServerSocket::start(const QString& anInterface, const QString& aPort) {
    FAddress = anInterface;
    FPort = aPort;
    bool portOk = false;
    const uint port = aPort.toUInt(&portOk);
    const QHostAddress address(anInterface);
    if (address.isNull() || !portOk || port > 65535) {
        throw ESocketException(
            QStringLiteral("Cannot listen on %1 port %2: invalid address or port")
                .arg(anInterface, aPort));
    }
    if (!FServerSocket->listen(address, static_cast<quint16>(port))) {
        throw ESocketException(QStringLiteral("Cannot listen on %1 port %2: %3 (winsock error %4)")
                                   .arg(anInterface, aPort, FServerSocket->errorString())
                                   .arg(qel::WinsockError(FServerSocket->serverError())));
    }
}

void TlpmServerSocket::stop() {
    FServerSocket->close();
}

qel::SocketState TlpmServerSocket::State() const {
    return FServerSocket->isListening() ? qel::SocketState::Listening : qel::SocketState::Closed;
}

QString TlpmServerSocket::Port() const {
    return FServerSocket->isListening() ? QString::number(FServerSocket->serverPort()) : FPort;
}

TlpmClientConnection* TlpmServerSocket::getClient(int anIndex) const {
    qel::Assert(anIndex >= 0 && anIndex < ClientCount(), QStringLiteral("Assertion failure"));
    return FClients[static_cast<size_t>(anIndex)].Connection.data();
}

TlpmClientConnection* TlpmServerSocket::ClientByPortId(int32_t aPortId) const {
    for (const Client& client : FClients) {
        if (client.Connection && client.Connection->PortId() == aPortId) {
            return client.Connection.data();
        }
    }
    return nullptr;
}

void TlpmServerSocket::sendToAll(const QBuffer& aDatagram) {
    sendToAll(aDatagram.data());
}

void TlpmServerSocket::sendToAll(const QByteArray& aDatagram) {
    for (const Client& client : FClients) {
        if (client.Socket->state() == QAbstractSocket::ConnectedState) {
            const qint64 limit = client.Connection ? client.Connection->MaxBufferSize()
                                                   : TlpmPort::kDefaultMaxBufferSize;
            const QString name = client.Connection ? client.Connection->DisplayName()
                                                   : QStringLiteral("TlpmServerSocket");
            TlpmPort::WriteBounded(client.Socket, aDatagram, limit, name);
        }
    }
}

void TlpmServerSocket::doClientConnect() {
    while (FServerSocket->hasPendingConnections()) {
        QTcpSocket* socket = FServerSocket->nextPendingConnection();
        if (!socket) {
            break;
        }
        // Ours, not the listener's: a connection may outlive the listening socket.
        socket->setParent(nullptr);
        serverSignal([this, socket] { acceptClient(socket); });
    }
}

void TlpmServerSocket::acceptClient(QTcpSocket* aSocket) {
    aSocket->setSocketOption(QAbstractSocket::KeepAliveOption, 1);
    SetKeepAliveTimes(aSocket, kKeepAliveTime, kKeepAliveInterval);
    TlpmClientConnection* connection = nullptr;
    try {
        connection = FClientClass(aSocket, OnClientDatagram, FOnBoundaryCheck, 0);
    } catch (...) {
        delete aSocket;
        throw;
    }
    connection->setServerPort(Port());
    FClients.push_back({aSocket, connection});
    QObject::connect(aSocket, &QTcpSocket::disconnected, this,
                     [this, aSocket] { serverSignal([&] { doClientDisconnect(aSocket); }); });
    QObject::connect(connection, &QObject::destroyed, this,
                     [this, aSocket] { forgetClient(aSocket); });
    if (OnClientConnected) {
        OnClientConnected(connection);
    }
}

void TlpmServerSocket::doClientDisconnect(QTcpSocket* aSocket) {
    auto it = std::find_if(FClients.begin(), FClients.end(),
                           [aSocket](const Client& aClient) { return aClient.Socket == aSocket; });
    if (it == FClients.end()) {
        return;
    }
    QPointer<TlpmClientConnection> connection = it->Connection;
    FClients.erase(it);
    QObject::disconnect(aSocket, nullptr, this, nullptr);
    // Both are freed later: this runs inside the socket's own signal, and the connection may be
    // framing further up.
    aSocket->deleteLater();
    if (!connection) {
        return;
    }
    QObject::disconnect(connection, nullptr, this, nullptr);
    try {
        if (OnClientDisconnected) {
            OnClientDisconnected(connection);
        }
    } catch (...) {
        if (connection) {
            connection->deleteLater();
        }
        throw;
    }
    if (connection) {
        connection->deleteLater();
    }
}

void TlpmServerSocket::forgetClient(QTcpSocket* aSocket) {
    auto it = std::find_if(FClients.begin(), FClients.end(),
                           [aSocket](const Client& aClient) { return aClient.Socket == aSocket; });
    if (it == FClients.end()) {
        return;
    }
    FClients.erase(it);
    QObject::disconnect(aSocket, nullptr, this, nullptr);
    // The owner may have freed the connection inside one of the socket's signals.
    aSocket->abort();
    aSocket->deleteLater();
}
