#include "shared/lpm_client_socket.h"

#include <QBuffer>
#include <QScopeGuard>
#include <QTcpSocket>
#include <QTimer>

#include "foundation/logging/logger.h"
#include "foundation/net/network_utils.h"
#include "platform/ansi_codec.h"
#include "shared/timeout_manager.h"

TlpmClientSocket::TlpmClientSocket(TlpmProcessDatagramEvent aProcessDatagramEvent,
                                   TlpmDatagramBoundaryCheckProc aBoundaryChecker, int32_t aPortId)
    : TlpmPort(std::move(aProcessDatagramEvent), std::move(aBoundaryChecker), aPortId),
      FSocket(new QTcpSocket()),
      FConnectTimer(new QTimer(this)) {
    FConnectTimer->setSingleShot(true);
    QObject::connect(FConnectTimer, &QTimer::timeout, this, [this] {
        if (!FAttemptPending) {
            return;
        }
        FAttemptPending = false;
        FSocket->abort();
        attemptFailed(qel::kWSAETIMEDOUT);
    });
    QObject::connect(FSocket, &QTcpSocket::connected, this, [this] {
        FAttemptPending = false;
        FConnectTimer->stop();
        FSocket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        socketSignal([this] { doConnected(0); });
    });
    QObject::connect(FSocket, &QTcpSocket::disconnected, this,
                     [this] { socketSignal([this] { doClosed(); }); });
    QObject::connect(FSocket, &QTcpSocket::readyRead, this,
                     [this] { socketSignal([this] { doDataAvailable(0); }); });
    QObject::connect(FSocket, &QTcpSocket::stateChanged, this,
                     [this] { socketSignal([this] { doChangeState(); }); });
    QObject::connect(FSocket, &QTcpSocket::errorOccurred, this,
                     [this](QAbstractSocket::SocketError anError) {
                         doSocketError(qel::WinsockError(anError));
                     });
}

TlpmClientSocket::~TlpmClientSocket() {
    disconnect();
    removeReconnectTimeOut();
    QObject::disconnect(FSocket, nullptr, this, nullptr);
    if (InSocketSignal()) {
        // Freed from inside one of its own signals: the socket is still in use further up.
        FSocket->abort();
        FSocket->deleteLater();
    } else {
        delete FSocket;
    }
}

QAbstractSocket* TlpmClientSocket::GetSocket() const {
    return FSocket;
}

qel::SocketState TlpmClientSocket::SocketState() const {
    return qel::ToSocketState(FSocket->state());
}

void TlpmClientSocket::setServerAddress(const QString& aValue) {
    if (FServerAddress != aValue) {
        FServerAddress = aValue;
    }
}

void TlpmClientSocket::setServerPort(const QString& aValue) {
    if (FServerPort != aValue) {
        FServerPort = aValue;
    }
}

void TlpmClientSocket::connect(const QString& aServerAddress, const QString& aServerPort,
                               int32_t aRetryTimeout) {
    // A close that disconnect(), Reconnect() or dropped input left queued would end the new
    // attempt, and a pending reconnect would restart it: both belong to what came before.
    ++FConnectCount;
    if (FSocket->state() != QAbstractSocket::UnconnectedState) {
        closeNow();
    }
    // After the close above, whose report may have scheduled a reconnect.
    removeReconnectTimeOut();
    if (FPortState == ipsClosing) {
        // The close that disconnect() asked for is done; nothing else would end this state.
        FPortState = ipsClosed;
    }
    FServerAddress = aServerAddress;
    FServerPort = aServerPort;
    FRetryTimeout = aRetryTimeout;
    try {
        startAttempt();
    } catch (const std::exception&) {
        // A failure to start shows as a failed attempt or not at all.
    }
}

void TlpmClientSocket::disconnect() {
    FRetryTimeout = 0;
    // Otherwise a reconnect that is already pending would open the connection again.
    removeReconnectTimeOut();
    if (FPortState == ipsConnected || FSocket->state() != QAbstractSocket::UnconnectedState) {
        FPortState = ipsClosing;
        closeDelayed();
    } else {
        FPortState = ipsClosed;
    }
}

void TlpmClientSocket::sendToServer(const QBuffer& aDatagram) {
    sendToServer(aDatagram.data());
}

void TlpmClientSocket::sendToServer(const QByteArray& aDatagram) {
    if (FSocket->state() == QAbstractSocket::ConnectedState) {
        WriteBounded(FSocket, aDatagram, MaxBufferSize(), DisplayName());
    }
}

void TlpmClientSocket::sendStr(const QString& Value) {
    sendToServer(qel::ToWindows1252(Value));
}

void TlpmClientSocket::Reconnect() {
    FPortState = ipsReconnecting;
    closeDelayed();
}

bool TlpmClientSocket::IsConnectedLocal() const {
    QString hostName;
    QString address;
    QString errorText;
    if (!GetLocalHostNameAndAddress(hostName, address, errorText) || address.isEmpty()) {
        return false;
    }
    return FServerAddress == QStringLiteral("127.0.0.1") || FServerAddress == address;
}

void TlpmClientSocket::doConnected(int anError) {
    if (anError == 0) {
        FPortState = ipsConnected;
        // Bytes of a message cut off by the previous connection would spoil the new stream.
        clearInput();
        if (OnConnect) {
            OnConnect(this);
        }
        return;
    }
    QString text = QStringLiteral("Could not connect %1 because of winsock error %2")
                       .arg(DisplayName())
                       .arg(anError);
    if (FRetryTimeout <= 0) {
        text += QStringLiteral(", not retrying.");
    } else if (FPortState != ipsReconnecting) {
        text += QStringLiteral(", retrying in ") + QString::number(FRetryTimeout) +
                QStringLiteral(" ms.");
        addReconnectTimeOut();
    }
    Logger().log(lcSys, llDetails, text);
    if (OnConnectError) {
        OnConnectError(this, text);
    }
}

void TlpmClientSocket::doClosed() {
    switch (FPortState) {
        case ipsConnected:
        case ipsReconnecting: {
            FPortState = ipsReconnecting;
            QPointer<TlpmPort> self(this);
            if (OnDisconnect) {
                OnDisconnect(this);
                if (!self) {
                    return;
                }
            }
            if (FRetryTimeout <= 0) {
                FPortState = ipsClosed;
            } else {
                addReconnectTimeOut();
            }
            break;
        }
        case ipsClosing:
            FPortState = ipsClosed;
            if (OnDisconnect) {
                OnDisconnect(this);
            }
            break;
        default:
            break;
    }
}

void TlpmClientSocket::dropInput() {
    clearInput();
    requestClose();
    const uint32_t connectCount = FConnectCount;
    QMetaObject::invokeMethod(
        this,
        [this, connectCount] {
            if (connectCount == FConnectCount &&
                FSocket->state() == QAbstractSocket::ConnectedState) {
                FSocket->abort();
            }
        },
        Qt::QueuedConnection);
}

void TlpmClientSocket::doReconnect() {
    FReconnectTimeoutHandle = 0;
    QPointer<TlpmPort> self(this);
    if (OnConnectRetry) {
        OnConnectRetry(this);
        if (!self) {
            return;
        }
    }
    if (FSocket->state() == QAbstractSocket::ConnectedState) {
        return;
    }
    closeNow();
    startAttempt();
}

void TlpmClientSocket::doChangeState() {
    const qel::SocketState newState = qel::ToSocketState(FSocket->state());
    const qel::SocketState oldState = FLastSocketState;
    if (newState == oldState) {
        return;
    }
    FLastSocketState = newState;
    if (OnStateChange) {
        OnStateChange(this, oldState, newState);
    }
}

void TlpmClientSocket::doSocketError(int anError) {
    // Errors of a live connection end in disconnected(); only a failed attempt is handled here.
    if (!FAttemptPending) {
        return;
    }
    FAttemptPending = false;
    FConnectTimer->stop();
    if (FStartingAttempt) {
        // Reported from inside connect(): handle it as an event of its own, as a later failure
        // would be.
        const uint32_t attempt = FAttempt;
        QMetaObject::invokeMethod(
            this,
            [this, attempt, anError] {
                if (attempt == FAttempt) {
                    attemptFailed(anError);
                }
            },
            Qt::QueuedConnection);
        return;
    }
    attemptFailed(anError);
}

void TlpmClientSocket::startAttempt() {
    clearInput();
    ++FAttempt;
    FAttemptPending = true;
    FStartingAttempt = true;
    const auto done = qScopeGuard([this] { FStartingAttempt = false; });
    // A new connection may be framed again.
    resetCloseRequest();
    FSocket->connectToHost(FServerAddress, FServerPort.toUShort());
    if (FAttemptPending && FConnectTimeout > 0) {
        FConnectTimer->start(FConnectTimeout);
    }
}

void TlpmClientSocket::attemptFailed(int anError) {
    QPointer<TlpmPort> self(this);
    socketSignal([this, anError] { doConnected(anError); });
    // The socket's close follows a failed attempt.
    if (self) {
        socketSignal([this] { doClosed(); });
    }
}

void TlpmClientSocket::closeNow() {
    FConnectTimer->stop();
    FAttemptPending = false;
    // A connection reports its close through disconnected(); an attempt ends without a word.
    FSocket->abort();
}

void TlpmClientSocket::closeDelayed() {
    requestClose();
    const uint32_t connectCount = FConnectCount;
    QMetaObject::invokeMethod(
        this,
        [this, connectCount] {
            if (connectCount == FConnectCount) {
                delayedClose();
            }
        },
        Qt::QueuedConnection);
}

void TlpmClientSocket::delayedClose() {
    switch (FSocket->state()) {
        case QAbstractSocket::ConnectedState:
            // Written bytes still go out; disconnected() reports the close.
            FSocket->disconnectFromHost();
            break;
        case QAbstractSocket::UnconnectedState:
        case QAbstractSocket::ClosingState:
            break;
        default:
            // An attempt under way: the close of a socket that never connected is reported too.
            FConnectTimer->stop();
            FAttemptPending = false;
            FSocket->abort();
            socketSignal([this] { doClosed(); });
            break;
    }
}

void TlpmClientSocket::addReconnectTimeOut() {
    TlpmTimeOutManager* manager = TimeOutManager();
    if (!manager) {
        return;
    }
    // One pending reconnect per socket.
    removeReconnectTimeOut();
    QPointer<TlpmClientSocket> self(this);
    FReconnectTimeoutHandle = manager->addTimeOut(
        [self](uint32_t, uint32_t) {
            if (self) {
                self->doReconnect();
            }
        },
        FRetryTimeout, 0);
}

void TlpmClientSocket::removeReconnectTimeOut() {
    if (FReconnectTimeoutHandle == 0) {
        return;
    }
    if (TlpmTimeOutManager* manager = TimeOutManager()) {
        manager->removeTimeOut(FReconnectTimeoutHandle);
    }
    FReconnectTimeoutHandle = 0;
}
