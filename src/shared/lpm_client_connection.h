#pragma once

#include <QByteArray>
#include <QPointer>
#include <QString>
#include <cstdint>
#include <functional>

#include "shared/lpm_port.h"

class QBuffer;
class QTcpSocket;

// One accepted connection of a TlpmServerSocket. The server owns the socket and frees the
// connection after its close event (later, never inside one of the socket's own signals).
// Owners that keep per-client state derive from it and hand the server a factory of their
// class (see TlpmClientConnectionClass).
//
// Main thread only; no lock.
class TlpmClientConnection : public TlpmPort {
public:
    // With a socket: TCP no-delay on, and the socket's data events framed by the port.
    TlpmClientConnection(QTcpSocket* aSocket, TlpmProcessDatagramEvent aProcessDatagramEvent,
                         TlpmDatagramBoundaryCheckProc aBoundaryChecker, int32_t aPortId = 0);
    ~TlpmClientConnection() override;

    // Sends the whole stream while the socket is connected; nothing happens otherwise.
    void sendToClient(const QBuffer& aDatagram);
    void sendToClient(const QByteArray& aDatagram);
    // Closes after the pending events: what was sent before still goes out, and no further
    // message of the bytes already received is handled.
    void close();

    QString PeerAddr() const;
    QString PeerPort() const;
    // Empty without a socket.
    QString LocalAddr() const;
    // The listening port, as text.
    QString ServerPort() const { return FServerPort; }
    void setServerPort(const QString& aValue) { FServerPort = aValue; }

    QAbstractSocket* GetSocket() const override;

protected:
    void doConnected(int anError) override {}
    void doClosed() override {}
    void dropInput() override;

private:
    QPointer<QTcpSocket> FSocket;
    QString FServerPort;
};

// Makes the connection object for an accepted socket: TlpmClientConnection or a subclass.
using TlpmClientConnectionClass = std::function<TlpmClientConnection*(
    QTcpSocket* aSocket, TlpmProcessDatagramEvent aProcessDatagramEvent,
    TlpmDatagramBoundaryCheckProc aBoundaryChecker, int32_t aPortId)>;

namespace qel {

// The factory of a connection class whose constructor takes the base constructor's arguments.
template <typename T>
TlpmClientConnectionClass ClientConnectionClass() {
    return [](QTcpSocket* aSocket, TlpmProcessDatagramEvent aProcessDatagramEvent,
              TlpmDatagramBoundaryCheckProc aBoundaryChecker,
              int32_t aPortId) -> TlpmClientConnection* {
        return new T(aSocket, std::move(aProcessDatagramEvent), std::move(aBoundaryChecker),
                     aPortId);
    };
}

}  // namespace qel
