#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>

#include "shared/lpm_port.h"
#include "shared/socket_errors.h"

class QBuffer;
class QTcpSocket;
class QTimer;
class TlpmClientSocket;

// State of a client socket. ipsConnecting is never entered.
enum TlpmPortState : uint8_t {
    ipsNew,
    ipsConnecting,
    ipsConnected,
    ipsClosing,
    ipsClosed,
    ipsReconnecting
};

using TlpmNotifyEvent = std::function<void(TlpmClientSocket* aSender)>;
using TlpmConnectErrorEvent =
    std::function<void(TlpmClientSocket* aSender, const QString& aMessage)>;
using TChangeState = std::function<void(TlpmClientSocket* Sender, qel::SocketState OldState,
                                        qel::SocketState NewState)>;

// An outgoing TCP connection that reconnects by itself: a failed attempt or a lost connection
// is retried after the retry time (through the time-out manager) while the retry time is
// positive. TCP no-delay is on.
//
// The underlying socket's close after a failed attempt is reported like any close, so that in
// the state ipsReconnecting the close schedules the next attempt. An attempt that gets no
// answer within ConnectTimeout ms fails with the time-out error (10060).
//
// Main thread only; no lock.
class TlpmClientSocket : public TlpmPort {
public:
    static constexpr int kDefaultConnectTimeout = 21000;

    TlpmClientSocket(TlpmProcessDatagramEvent aProcessDatagramEvent,
                     TlpmDatagramBoundaryCheckProc aBoundaryChecker, int32_t aPortId = 0);
    // Disconnects; a pending reconnect goes with it.
    ~TlpmClientSocket() override;

    // Closes an open socket, stores the peer and the retry time (ms) and starts an attempt.
    // Cancels a close still queued by disconnect() or Reconnect() and a pending reconnect; a
    // socket left ipsClosing by disconnect() becomes ipsClosed.
    void connect(const QString& aServerAddress, const QString& aServerPort, int32_t aRetryTimeout);
    // Stops reconnecting (retry time 0, a pending reconnect is removed) and closes after the
    // pending events (ipsClosing, then ipsClosed at the close), or goes to ipsClosed at once when
    // there is nothing to close.
    void disconnect();
    // Sends the whole stream while connected; drops it silently otherwise.
    void sendToServer(const QBuffer& aDatagram);
    void sendToServer(const QByteArray& aDatagram);
    // The text in the ANSI code page.
    void sendStr(const QString& Value);
    // Closes after the pending events; the close schedules the next attempt.
    void Reconnect();
    // The peer is this machine: "127.0.0.1" or the local host's first IPv4 address.
    bool IsConnectedLocal() const;
    // There are no send queues in this layer.
    void FlushQueues() {}

    bool Connected() const { return FPortState == ipsConnected; }
    TlpmPortState State() const { return FPortState; }
    TlpmPortState PortState() const { return FPortState; }
    qel::SocketState SocketState() const;
    QString ServerAddress() const { return FServerAddress; }
    // Takes effect at the next attempt.
    void setServerAddress(const QString& aValue);
    QString ServerPort() const { return FServerPort; }
    void setServerPort(const QString& aValue);
    int32_t RetryTimeout() const { return FRetryTimeout; }
    int ConnectTimeout() const { return FConnectTimeout; }
    void setConnectTimeout(int aValue) { FConnectTimeout = aValue; }

    QAbstractSocket* GetSocket() const override;

    TlpmNotifyEvent OnConnectRetry;
    TlpmNotifyEvent OnConnect;
    TlpmNotifyEvent OnDisconnect;
    TChangeState OnStateChange;
    TlpmConnectErrorEvent OnConnectError;

protected:
    void doConnected(int anError) override;
    void doClosed() override;
    // Closes the connection; it comes back after the retry time.
    void dropInput() override;

private:
    void doReconnect();
    void doChangeState();
    void doSocketError(int anError);
    void startAttempt();
    void attemptFailed(int anError);
    // Closes at once. A connection's close is reported; an attempt ends silently.
    void closeNow();
    void closeDelayed();
    void delayedClose();
    void addReconnectTimeOut();
    void removeReconnectTimeOut();

    QTcpSocket* FSocket;
    QTimer* FConnectTimer;
    QString FServerAddress;
    QString FServerPort;
    TlpmPortState FPortState = ipsNew;
    uint32_t FReconnectTimeoutHandle = 0;
    int32_t FRetryTimeout = 0;
    int FConnectTimeout = kDefaultConnectTimeout;
    // An attempt was started and has not ended yet.
    bool FAttemptPending = false;
    // Counts attempts, so that a deferred failure of an old one is recognised.
    uint32_t FAttempt = 0;
    bool FStartingAttempt = false;
    // Counts connect() calls, so that a close queued before the latest one is recognised.
    uint32_t FConnectCount = 0;
    qel::SocketState FLastSocketState = qel::SocketState::Closed;
};
