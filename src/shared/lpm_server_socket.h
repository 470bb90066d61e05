#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

#include "shared/lpm_client_connection.h"
#include "shared/socket_errors.h"

class QBuffer;
class QTcpServer;
class QTcpSocket;
class TlpmUDPSocket;

using TClientConnectedEvent = std::function<void(TlpmClientConnection* aClient)>;
using TClientDisconnectedEvent = std::function<void(TlpmClientConnection* aClient)>;

// A listening TCP socket that wraps each accepted connection in a TlpmClientConnection (or in
// the owner's subclass, made by the client class), handing every connection the server's
// framing callbacks. Accepted sockets get TCP no-delay and keep-alive (30000 ms idle, 5000 ms
// between probes).
//
// A connection lives from its accept event to its close event: OnClientDisconnected gets it,
// then it is freed later. A connection that its owner frees itself is forgotten and its socket
// closed. Freeing the server frees every connection without OnClientDisconnected.
//
// Main thread only; no lock.
class TlpmServerSocket : public QObject {
public:
    static constexpr int kKeepAliveTime = 30000;
    static constexpr int kKeepAliveInterval = 5000;

    // Both callbacks must be assigned; an empty client class means TlpmClientConnection.
    TlpmServerSocket(TlpmProcessDatagramEvent aProcessDatagramEvent,
                     TlpmDatagramBoundaryCheckProc aBoundaryChecker,
                     TlpmClientConnectionClass aClientClass = {});
    ~TlpmServerSocket() override;
    TlpmServerSocket(const TlpmServerSocket&) = delete;
    TlpmServerSocket& operator=(const TlpmServerSocket&) = delete;

    // Listens on the address and the port (decimal text; "0" takes a free one). Raises
    // ESocketException when it cannot.
    void start(const QString& anInterface, const QString& aPort);
    // Stops listening; accepted connections stay open.
    void stop();

    // anIndex in accept order, 0 to ClientCount - 1.
    TlpmClientConnection* getClient(int anIndex) const;
    // The first connection in accept order with that id; null when none has it.
    TlpmClientConnection* ClientByPortId(int32_t aPortId) const;
    void sendToAll(const QBuffer& aDatagram);
    void sendToAll(const QByteArray& aDatagram);

    int ClientCount() const { return static_cast<int>(FClients.size()); }
    qel::SocketState State() const;
    // The port listened on while listening, else the one set for the next start.
    QString Port() const;
    // Kept for the callers; every socket runs on the main thread here.
    bool MultiThreaded() const { return FMultiThreaded; }
    void setMultiThreaded(bool aValue) { FMultiThreaded = aValue; }
    TlpmUDPSocket* UDPListener() const { return FUDPListener; }

    TClientConnectedEvent OnClientConnected;
    TClientDisconnectedEvent OnClientDisconnected;
    // Handed to the connections accepted from then on.
    TlpmProcessDatagramEvent OnClientDatagram;

private:
    struct Client {
        QTcpSocket* Socket;
        QPointer<TlpmClientConnection> Connection;
    };

    void doClientConnect();
    void doClientDisconnect(QTcpSocket* aSocket);
    // The owner freed a connection itself.
    void forgetClient(QTcpSocket* aSocket);
    void acceptClient(QTcpSocket* aSocket);
    // Runs a handler of one of the server's signals; no exception leaves it.
    template <typename F>
    void serverSignal(F&& aCall);

    QTcpServer* FServerSocket;
    TlpmClientConnectionClass FClientClass;
    TlpmUDPSocket* FUDPListener = nullptr;
    TlpmDatagramBoundaryCheckProc FOnBoundaryCheck;
    std::vector<Client> FClients;
    QString FAddress = QStringLiteral("0.0.0.0");
    QString FPort = QStringLiteral("15000");
    bool FMultiThreaded = false;
};
