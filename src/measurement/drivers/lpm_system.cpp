#include "measurement/drivers/lpm_system.h"

#include <QAbstractSocket>
#include <QFile>
#include <QHostAddress>
#include <QTimer>
#include <QUdpSocket>
#include <QtEndian>
#include <algorithm>

#include "foundation/net/udp_datagram.h"
#include "foundation/settings/field_settings.h"
#include "foundation/settings/server_config.h"
#include "foundation/system/relative_paths.h"
#include "measurement/control/antenna_list.h"
#include "measurement/drivers/lpm_file_logger.h"
#include "measurement/drivers/lpm_message_codes.h"
#include "measurement/drivers/prepared_transponder_ini.h"
#include "platform/exception.h"
#include "platform/queued_call.h"
#include "shared/lpm_client_connection.h"
#include "shared/lpm_client_socket.h"
#include "shared/lpm_server_socket.h"

namespace {

// File ids of MSG_TCP_SEND_FILE.
constexpr int32_t kParameterIni = 1;
constexpr int32_t kSystemIni = 2;
constexpr int32_t kTransponderIni = 3;
constexpr int32_t kSystemWlanIni = 4;

// Bounded flush of the last messages in the destructor, which must not run the event loop.
constexpr int kFinalFlushMs = 50;
constexpr int kStopWaitMs = 51;

QByteArray ControlMessage(int32_t aCode, int32_t aParam0, int32_t aParam1) {
    QByteArray bytes(TqelLPMSystem::kControlMessageSize, '\0');
    qToLittleEndian<int32_t>(aCode, bytes.data());
    qToLittleEndian<int32_t>(aParam0, bytes.data() + 4);
    qToLittleEndian<int32_t>(aParam1, bytes.data() + 8);
    return bytes;
}

bool IsConnected(const TlpmClientConnection* aClient) {
    return aClient && aClient->GetSocket() &&
           aClient->GetSocket()->state() == QAbstractSocket::ConnectedState;
}

// The four octets of a dotted IPv4 address as the hand-shake carries them. The last octet
// counts with at most three characters; an octet that is not a number is 0. False with aWhy
// set when the text is no dotted quad or an octet does not fit in a byte.
bool HandshakeAddress(const QString& anAddress, QByteArray& anOctets, QString& aWhy) {
    const QStringList parts = anAddress.split(u'.');
    if (parts.size() != 4) {
        aWhy = QStringLiteral("\"%1\" is no IPv4 address of four numbers").arg(anAddress);
        return false;
    }
    anOctets.clear();
    for (int i = 0; i < 4; ++i) {
        const QString part = i == 3 ? parts[i].left(3) : parts[i];
        bool ok = false;
        const int value = part.toInt(&ok);
        if (ok && (value < 0 || value > 255)) {
            aWhy = QStringLiteral("\"%1\" has an octet outside 0..255").arg(anAddress);
            return false;
        }
        anOctets.append(static_cast<char>(ok ? value : 0));
    }
    return true;
}

}  // namespace

TqelLPMSystem::TqelLPMSystem(const TqelServerConfig& aConfig, QObject* aParent)
    : TqelMeasurementSystem(aParent),
      FConfig(aConfig),
      FtmrWatchDog(new QTimer(this)),
      FTimer1(new QTimer(this)),
      FtmrOnPitch(new QTimer(this)),
      FPauseTimer(new QTimer(this)),
      FLPMUdpSocket(new QUdpSocket(this)),
      FLPMDataLogger(std::make_unique<TqelLPMFileLogger>(aConfig)) {
    connect(FLPMUdpSocket, &QUdpSocket::readyRead, this, [this] { LPMDataAvailable(); });
    FTimer1->setInterval(1000);
    FTimer1->setSingleShot(true);
    FtmrOnPitch->setInterval(200);
    FtmrWatchDog->setInterval(FWatchDogIntervalMs);
    FPauseTimer->setSingleShot(true);
    connect(FTimer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
    connect(FtmrOnPitch, &QTimer::timeout, this, [this] { tmrOnPitchTimer(); });
    connect(FtmrWatchDog, &QTimer::timeout, this, [this] { tmrWatchDogTimer(); });
    connect(FPauseTimer, &QTimer::timeout, this, [this] {
        FPauseElapsed = true;
        PumpOutgoing();
    });

    FsrvSocket = std::make_unique<TlpmServerSocket>(
        [this](TlpmPort* aSender, QBuffer& aDatagram) {
            ControlDataAvailable(dynamic_cast<TlpmClientConnection*>(aSender), aDatagram.data());
        },
        // A control message is exactly 12 bytes; fewer wait for the rest.
        [](const char*, int32_t aDatagramSize, int32_t& aLength) {
            if (aDatagramSize >= kControlMessageSize) {
                aLength = kControlMessageSize;
            }
        });
    FsrvSocket->OnClientConnected = [this](TlpmClientConnection* aClient) {
        srvSocketClientConnect(aClient);
    };

    // The hand-shake connection carries nothing back.
    FcliSocket = std::make_unique<TlpmClientSocket>(
        [](TlpmPort*, QBuffer&) {},
        [](const char*, int32_t aDatagramSize, int32_t& aLength) { aLength = aDatagramSize; });
    FcliSocket->OnConnect = [this](TlpmClientSocket*) { cliSocketSessionConnected(); };
    FcliSocket->OnConnectError = [this](TlpmClientSocket*, const QString& aText) {
        cliSocketConnectError(aText);
    };
    FcliSocket->OnStateChange = [this](TlpmClientSocket*, qel::SocketState,
                                       qel::SocketState aNewState) {
        cliSocketChangeState(aNewState);
    };
}

TqelLPMSystem::~TqelLPMSystem() {
    FtmrWatchDog->stop();
    FTimer1->stop();
    FPauseTimer->stop();
    FcliSocket->OnConnect = nullptr;
    FcliSocket->OnConnectError = nullptr;
    FcliSocket->OnStateChange = nullptr;
    FsrvSocket->OnClientConnected = nullptr;
    // What is still queued goes out first, so that a file's bytes are not mistaken for the
    // messages after them.
    for (const Outgoing& item : FOutgoing) {
        if (IsConnected(item.Client)) {
            item.Client->GetSocket()->write(item.Data);
        }
    }
    FOutgoing.clear();
    const QByteArray farewell =
        ControlMessage(MSG_TCP_STOP, 0, 0) + ControlMessage(MSG_TCP_DISCONNECT, 0, 0);
    for (int i = 0; i < FsrvSocket->ClientCount(); ++i) {
        TlpmClientConnection* client = FsrvSocket->getClient(i);
        if (IsConnected(client)) {
            QAbstractSocket* socket = client->GetSocket();
            socket->write(farewell);
            socket->waitForBytesWritten(kFinalFlushMs);
        }
    }
    FsrvSocket.reset();
    FcliSocket.reset();
}

// --- Settings ---

void TqelLPMSystem::SetField(TqelFieldSettings* aField) {
    TqelMeasurementSystem::SetField(aField);
    if (!aField) {
        return;
    }
    const bool wireless = aField->SystemType() == mstLPMWireless;
    if (wireless != FWirelessSystem) {
        // Forgotten, so that the directory below counts as changed.
        FLPMSettingsDirectory = QStringLiteral("\x01");
    }
    FWirelessSystem = wireless;
    QString directory = aField->AbatecSettingsDirectory();
    if (!directory.isEmpty() && !directory.endsWith(u'\\')) {
        directory += u'\\';
    }
    if (directory != FLPMSettingsDirectory) {
        FLPMSettingsDirectory = directory;
        CloseControlServer();
        SetStartUpSequenceInternal(startNone);
    }

    FIPAbatecServer = aField->IPAbatecServer();
    FLPMAddr = QHostAddress(FIPAbatecServer).toIPv4Address();
    FIPControlePC = aField->IPControlePC();
    FIPUPDReceiverPC = aField->IPDataReceiver();
    FPauseTimeInMS = static_cast<uint32_t>(FConfig.LPMPauseTimeInMS());
    FTPOffFieldTimeMS = FConfig.LPMTPOffFieldTimeMS();
    FLPMLinuxPath = aField->LPMPathLinux();
    if (!FLPMLinuxPath.isEmpty() && !FLPMLinuxPath.endsWith(u'/')) {
        FLPMLinuxPath += u'/';
    }
    FLPMPort = static_cast<uint32_t>(aField->LPMPort());
    if (FLPMPort != FSrvPort) {
        CloseControlServer();
        FSrvPort = FLPMPort;
        StartControlServer();
    }
    ApplyControlSettings();
}

void TqelLPMSystem::ApplyControlSettings() {
    FtmrWatchDog->stop();
    FtmrWatchDog->setInterval(FWatchDogIntervalMs);
    FWatchDogTag = 0;
    if (FConfig.EnableRemoteControl()) {
        FtmrWatchDog->start();
        if (FSrvAddress != FIPControlePC) {
            // Listens again at the next hand-shake.
            CloseControlServer();
            FSrvAddress = FIPControlePC;
            FSrvPort = FLPMPort;
            SetStartUpSequenceInternal(startNone);
        }
    }
    FHUBResetting = false;
}

void TqelLPMSystem::SetTransponderIni(const QString& aText) {
    QString text = aText;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    FTransponderIni = text.isEmpty() ? QStringList() : text.split(u'\n');
    if (!FTransponderIni.isEmpty() && FTransponderIni.last().isEmpty() && text.endsWith(u'\n')) {
        FTransponderIni.removeLast();
    }
}

void TqelLPMSystem::setHandshakeDelay(int aMs) {
    FTimer1->setInterval(aMs);
}

QString TqelLPMSystem::ControlPort() const {
    return FsrvSocket->State() == qel::SocketState::Listening ? FsrvSocket->Port() : QString();
}

int32_t TqelLPMSystem::ControlConnectionCount() const {
    int32_t count = 0;
    for (int i = 0; i < FsrvSocket->ClientCount(); ++i) {
        if (IsConnected(FsrvSocket->getClient(i))) {
            ++count;
        }
    }
    return count;
}

// --- Start and stop ---

void TqelLPMSystem::Initialize() {
    // A Qt socket is closed at once: no waiting for it.
    FLPMUdpSocket->close();
    FDataSocketError.clear();
    if (Field()) {
        FLPMDataSize = Field()->LPMDataSize();
    }
    Startup(false);
}

void TqelLPMSystem::OpenDataSocket() {
    if (FLPMUdpSocket->state() != QAbstractSocket::UnconnectedState || !Field()) {
        return;
    }
    const int32_t port = Field()->UDPListenPort();
    // Not shared: a second receiver on the port would silently take datagrams away.
    if (port >= 0 && port <= 0xFFFF &&
        FLPMUdpSocket->bind(QHostAddress(QHostAddress::AnyIPv4), static_cast<quint16>(port),
                            QAbstractSocket::DontShareAddress)) {
        FDataSocketError.clear();
        return;
    }
    const QString why = port >= 0 && port <= 0xFFFF ? FLPMUdpSocket->errorString()
                                                    : QStringLiteral("no valid port number");
    const QString text =
        QStringLiteral("LPM data port %1 (UDP) could not be opened: %2").arg(port).arg(why);
    if (text != FDataSocketError) {
        FDataSocketError = text;
        ErrorMessage(0, text);
    }
}

uint16_t TqelLPMSystem::DataPort() const {
    return FLPMUdpSocket->state() == QAbstractSocket::BoundState ? FLPMUdpSocket->localPort() : 0;
}

void TqelLPMSystem::Startup(bool aSendTransponderState) {
    TqelMeasurementSystem::Startup(aSendTransponderState);
    FtmrWatchDog->stop();
    OpenDataSocket();
    if (FHUBResetting) {
        return;
    }
    for (int32_t i = 0; i < BaseStationCount(); ++i) {
        GetBaseStation(i)->Failed = false;
    }
    FPauseModeDisabledCount = 0;
    StatusMessage(0, QStringLiteral("Initiating..."));
    FSendTransponderStateAfterStart = aSendTransponderState;
    FPacketLengthDifferent = 0;
    FReceivingError = 0;
    FLPMTime.Reset();
    FBaseStationDBValuesReceived = false;
    ArmWatchDog(FWatchDogIntervalMs);
    if (FStartUpSequenceInternal > startSendUPDReceiverIP) {
        return;
    }
    SetStartUpSequenceInternal(startNone);
    CloseControlServer();
    FTimer1->stop();
    FHandshakeSent = false;
    FcliSocket->disconnect();
    if (!FIPAbatecServer.isEmpty() && FIPAbatecServer != QStringLiteral("0.0.0.0")) {
        FTimer1->start();
    } else {
        // No hand-shake: the LPM server may still connect by itself.
        StartControlServer();
    }
}

void TqelLPMSystem::ArmWatchDog(int anInterval) {
    FtmrWatchDog->stop();
    FtmrWatchDog->setInterval(anInterval);
    FWatchDogTag = 0;
    if (FConfig.EnableRemoteControl()) {
        FtmrWatchDog->start();
    }
}

void TqelLPMSystem::StopMeasurement() {
    if (FStartUpSequenceInternal == startRunning) {
        SendLPMMessageToAll(MSG_TCP_STOP, 0, 0);
        SetStartUpSequenceInternal(startStopping);
    }
    FLPMDataLogger->StopLogging();
}

void TqelLPMSystem::Stop() {
    // The waits below run the event loop, which may bring the driver back here.
    qel::ReentryGuard guard(FInStop);
    if (!guard.Entered()) {
        return;
    }
    FtmrOnPitch->stop();
    FtmrWatchDog->stop();
    FWatchDogTag = -1;
    FTimer1->stop();
    SendLPMMessageToAll(MSG_TCP_STOP, 0, 0);
    qel::ProcessMessagesFor(kStopWaitMs);
    SendLPMMessageToAll(MSG_TCP_DISCONNECT, 0, 0);
    qel::ProcessMessagesFor(kStopWaitMs);
    for (int i = FsrvSocket->ClientCount() - 1; i >= 0; --i) {
        FsrvSocket->getClient(i)->close();
    }
    qel::ProcessMessagesFor(kStopWaitMs);
    CloseControlServer();
    FLPMUdpSocket->close();
    SetStartUpSequenceInternal(startNone);
    FLPMDataLogger->StopLogging();
}

void TqelLPMSystem::StartControlServer() {
    if (FsrvSocket->State() == qel::SocketState::Listening) {
        return;
    }
    try {
        FsrvSocket->start(FSrvAddress.isEmpty() ? QStringLiteral("0.0.0.0") : FSrvAddress,
                          QString::number(FSrvPort));
    } catch (const std::exception& e) {
        srvSocketError(QString::fromUtf8(e.what()));
    }
}

void TqelLPMSystem::CloseControlServer() {
    FsrvSocket->stop();
    for (int i = FsrvSocket->ClientCount() - 1; i >= 0; --i) {
        FsrvSocket->getClient(i)->close();
    }
    FOutgoing.clear();
    FPauseTimer->stop();
    FPauseElapsed = false;
}

void TqelLPMSystem::srvSocketError(const QString& aText) {
    LogMessage(aText);
    StatusMessage(0, QStringLiteral("connecting to LPM server failed"));
}

// --- Hand-shake ---

void TqelLPMSystem::Timer1Timer() {
    FTimer1->stop();
    StartControlServer();
    SetStartUpSequenceInternal(startSendControlPCIP);
    StartHandshakeConnect();
}

void TqelLPMSystem::StartHandshakeConnect() {
    FHandshakeSent = false;
    FcliSocket->setConnectTimeout(1000);
    FcliSocket->connect(FIPAbatecServer, FStartupTCPPort, 0);
}

void TqelLPMSystem::cliSocketSessionConnected() {
    if (SendHandshake(FStartUpSequenceInternal)) {
        FHandshakeSent = true;
    }
    FcliSocket->disconnect();
}

void TqelLPMSystem::cliSocketConnectError(const QString& aText) {
    if (FStartUpSequenceInternal <= startSendUPDReceiverIP) {
        SetStartUpSequenceInternal(startNone);
    }
    LogMessage(aText);
}

void TqelLPMSystem::cliSocketChangeState(qel::SocketState aNewState) {
    // A failed connect closes too; only a hand-shake that went out advances the sequence.
    if (aNewState != qel::SocketState::Closed || !FHandshakeSent) {
        return;
    }
    FHandshakeSent = false;
    if (FStartUpSequenceInternal == startSendControlPCIP) {
        SetStartUpSequenceInternal(startSendUPDReceiverIP);
        // Not inside the socket's own signal.
        qel::QueueCall(this, [this] {
            if (FStartUpSequenceInternal == startSendUPDReceiverIP) {
                StartHandshakeConnect();
            }
        });
    }
}

bool TqelLPMSystem::SendHandshake(TqelStartupSequence aStep) {
    QString address;
    uint8_t role = 0;
    QString label;
    if (aStep == startSendControlPCIP) {
        address = FIPControlePC;
        role = 0;
        label = QStringLiteral("IP control PC");
    } else if (aStep == startSendUPDReceiverIP) {
        address = FIPUPDReceiverPC;
        role = 1;
        label = QStringLiteral("IP data receiver");
    } else {
        return false;
    }
    QByteArray message;
    QString why;
    if (!HandshakeAddress(address, message, why)) {
        LogMessage(QStringLiteral("Hand-shake not sent: ") + why);
        return false;
    }
    message.append(static_cast<char>(role));
    LogMessage(address + QStringLiteral(":") + QString::number(role) + QStringLiteral(" | ") +
               label);
    if (aStep == startSendUPDReceiverIP) {
        FtmrWatchDog->stop();
        FtmrWatchDog->setInterval(FHandshakeWatchDogIntervalMs);
        if (FWatchDogTag != -1) {
            FtmrWatchDog->start();
        }
    }
    FcliSocket->sendToServer(message);
    return true;
}

// --- Control connection ---

void TqelLPMSystem::srvSocketClientConnect(TlpmClientConnection* aClient) {
    QPointer<TlpmClientConnection> client(aClient);
    QTimer::singleShot(FMessagePauseMs, this, [this, client] {
        if (!client) {
            return;
        }
        SetStartUpSequenceInternal(startSendConnect);
        SendLPMMessage(client, MSG_TCP_CONNECT, 0, 0);
    });
}

void TqelLPMSystem::ControlDataAvailable(TlpmClientConnection* aClient,
                                         const QByteArray& aMessage) {
    if (aMessage.size() != kControlMessageSize) {
        return;
    }
    TReceivedAbatec received;
    received.msgID = qFromLittleEndian<uint32_t>(aMessage.constData());
    received.Param0 = qFromLittleEndian<uint32_t>(aMessage.constData() + 4);
    received.Param1 = qFromLittleEndian<uint32_t>(aMessage.constData() + 8);
    received.Client = aClient;
    FQueueAbatecCP.push_back(received);
    qel::PostMessage(this, UMLPMMessage, 0, 0);
}

bool TqelLPMSystem::event(QEvent* anEvent) {
    const qel::PostMessageEvent* message = qel::PostMessageEvent::From(anEvent);
    if (message && message->Msg() == UMLPMMessage) {
        UMLPMMessageReceived();
        return true;
    }
    return TqelMeasurementSystem::event(anEvent);
}

void TqelLPMSystem::UMLPMMessageReceived() {
    qel::ReentryGuard guard(FHandlingMessages);
    if (!guard.Entered()) {
        return;
    }
    FtmrWatchDog->stop();
    FtmrWatchDog->setInterval(FWatchDogIntervalMs);
    try {
        while (!FQueueAbatecCP.empty()) {
            const TReceivedAbatec received = FQueueAbatecCP.front();
            FQueueAbatecCP.pop_front();
            LogLPMMessage(static_cast<int32_t>(received.msgID),
                          static_cast<int32_t>(received.Param0),
                          static_cast<int32_t>(received.Param1));
            HandleMessage(received);
        }
    } catch (const std::exception& e) {
        LogMessage(QStringLiteral("TqelLPMSystem.UMLPMMessageReceived: ") +
                   QString::fromUtf8(e.what()));
    }
    if (FWatchDogTag != -1) {
        FtmrWatchDog->start();
    }
}

void TqelLPMSystem::HandleMessage(const TReceivedAbatec& aMessage) {
    TlpmClientConnection* client = aMessage.Client;
    const int32_t code = static_cast<int32_t>(aMessage.msgID);
    const auto antenna = static_cast<uint16_t>(aMessage.Param0);
    switch (code) {
        case RSP_TCP_CONNECT:
            FFileRetryCount = 0;
            SetStartUpSequenceInternal(startSendParameterIni);
            UploadForState(client, startSendParameterIni, false);
            break;
        case RSP_TCP_SEND_FILE: {
            FFileRetryCount = 0;
            int32_t fileID = static_cast<int32_t>(aMessage.Param0);
            if (fileID == 0) {
                switch (FStartUpSequenceInternal) {
                    case startSendParameterIni:
                        fileID = kParameterIni;
                        break;
                    case startSendSystemINI:
                        fileID = kSystemIni;
                        break;
                    case startSendTransponderIni:
                        fileID = kTransponderIni;
                        break;
                    default:
                        break;
                }
            }
            if (fileID == kParameterIni) {
                SetStartUpSequenceInternal(startSendSystemINI);
                UploadForState(client, startSendSystemINI, false);
            } else if (fileID == kSystemIni || fileID == kSystemWlanIni) {
                SetStartUpSequenceInternal(startSendTransponderIni);
                UploadForState(client, startSendTransponderIni, false);
            } else {
                SetStartUpSequenceInternal(startSendInitialize);
                SendLPMMessage(client, MSG_TCP_INITIALIZE, 0, 0);
            }
            break;
        }
        case RSP_TCP_INITIALIZE:
            SetStartUpSequenceInternal(startSendStart);
            if (FSendTransponderStateAfterStart) {
                SetTransponderStateAfterStart();
            }
            // Every later initialisation sends the states.
            FSendTransponderStateAfterStart = true;
            SendLPMMessage(client, MSG_TCP_START, 0, 0);
            break;
        case RSP_TCP_START: {
            SetStartUpSequenceInternal(startRunning);
            TqelFieldSettings* field = Field();
            if (field && (field->FieldBoxXLeft() != 0 || field->FieldBoxXRight() != 0 ||
                          field->FieldBoxYBottom() != 0 || field->FieldBoxYTop() != 0)) {
                FtmrOnPitch->start();
            }
            if (FDataLogging) {
                StartDataLogging();
            } else {
                StopDataLogging();
            }
            break;
        }
        case RSP_TCP_STOP:
            if (FStartUpSequenceInternal == startRunning) {
                SetStartUpSequenceInternal(startSendParameterIni);
            }
            break;
        case RSP_TCP_TP_ACTIVATE:
            SetAntennaState(antenna, 1);
            break;
        case RSP_TCP_TP_DEACTIVATE:
            SetAntennaState(antenna, 0);
            break;
        case RSP_TCP_TP_PAUSE:
            FPauseModeDisabledCount = 0;
            SetAntennaState(antenna, 2);
            break;
        case RSP_TCP_ERR_SEND_FILE:
            RetryUpload(client, FStartUpSequenceInternal);
            break;
        case RSP_TCP_ERR_OPEN_CPARAMETER:
            RetryUpload(client, startSendParameterIni);
            break;
        case RSP_TCP_ERR_OPEN_CSYSTEM:
            RetryUpload(client, startSendSystemINI);
            break;
        case RSP_TCP_ERR_OPEN_CTRANSPONDER:
            RetryUpload(client, startSendTransponderIni);
            break;
        case RSP_TCP_ERR_HUB_INIT:
            FHUBResetting = true;
            // Outside this handler, with the driver as context so that it dies with it.
            qel::QueueCall(this, [this] { Stop(); });
            break;
        default:
            break;
    }
}

void TqelLPMSystem::RetryUpload(TlpmClientConnection* aClient, TqelStartupSequence aState) {
    if (aState != startSendParameterIni && aState != startSendSystemINI &&
        aState != startSendTransponderIni) {
        return;
    }
    // A server that keeps failing must not keep the main thread uploading.
    if (FFileRetryCount >= kMaxFileRetries) {
        return;
    }
    ++FFileRetryCount;
    UploadForState(aClient, aState, true);
}

void TqelLPMSystem::UploadForState(TlpmClientConnection* aClient, TqelStartupSequence aState,
                                   bool aPauseFirst) {
    switch (aState) {
        case startSendParameterIni:
            SendLPMFile(aClient, kParameterIni, QStringLiteral("parameter.ini"), aPauseFirst);
            break;
        case startSendSystemINI:
            if (FWirelessSystem) {
                SendLPMFile(aClient, kSystemWlanIni, QStringLiteral("system_wlan.ini"),
                            aPauseFirst);
            } else {
                SendLPMFile(aClient, kSystemIni, QStringLiteral("system.ini"), aPauseFirst);
            }
            break;
        case startSendTransponderIni:
            if (!FTransponderIni.isEmpty()) {
                SendTransponderIniFile(aClient, kTransponderIni, FTransponderIni, aPauseFirst);
            } else {
                SendLPMFile(aClient, kTransponderIni, QStringLiteral("transponder.ini"),
                            aPauseFirst);
            }
            break;
        default:
            break;
    }
}

QString TqelLPMSystem::SettingsFile(const QString& aName) const {
    return ExpandRelativeFileName(FLPMSettingsDirectory + aName);
}

void TqelLPMSystem::SendLPMFile(TlpmClientConnection* aClient, int32_t aFileID,
                                const QString& aFileName, bool aPauseFirst) {
    QFile file(SettingsFile(aFileName));
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly)) {
        bytes = file.readAll();
    }
    SendFileBytes(aClient, aFileID, bytes, aPauseFirst);
}

void TqelLPMSystem::SendTransponderIniFile(TlpmClientConnection* aClient, int32_t aFileID,
                                           const QStringList& aLines, bool aPauseFirst) {
    if (!FRoaming) {
        QString error;
        if (!qel::WritePreparedTransponderIni(aLines, &error)) {
            LogMessage(QStringLiteral("Prepared_Transponder.ini not saved: ") + error);
        }
    }
    SendFileBytes(aClient, aFileID, qel::PreparedTransponderIniBytes(aLines), aPauseFirst);
}

void TqelLPMSystem::SendFileBytes(TlpmClientConnection* aClient, int32_t aFileID,
                                  const QByteArray& aBytes, bool aPauseFirst) {
    SendLPMMessage(aClient, MSG_TCP_SEND_FILE, aFileID, static_cast<int32_t>(aBytes.size()),
                   aPauseFirst);
    if (!aBytes.isEmpty() && IsConnected(aClient)) {
        Write(aClient, aBytes, true);
    }
}

// --- Sending ---

void TqelLPMSystem::SendLPMMessage(TlpmClientConnection* aClient, int32_t aCode, int32_t aParam0,
                                   int32_t aParam1, bool aAfterPause) {
    LogLPMMessage(aCode, aParam0, aParam1);
    if (IsConnected(aClient)) {
        Write(aClient, ControlMessage(aCode, aParam0, aParam1), aAfterPause);
    }
}

void TqelLPMSystem::SendLPMMessageToAll(int32_t aCode, int32_t aParam0, int32_t aParam1) {
    for (int i = 0; i < FsrvSocket->ClientCount(); ++i) {
        SendLPMMessage(FsrvSocket->getClient(i), aCode, aParam0, aParam1);
    }
}

void TqelLPMSystem::Write(TlpmClientConnection* aClient, const QByteArray& aData,
                          bool aAfterPause) {
    FOutgoing.push_back(Outgoing{aClient, aData, aAfterPause});
    PumpOutgoing();
}

void TqelLPMSystem::PumpOutgoing() {
    // Everything goes out in order, so nothing can slip between a file's header and its bytes.
    while (!FOutgoing.empty()) {
        Outgoing& next = FOutgoing.front();
        if (next.AfterPause && !FPauseElapsed) {
            if (!FPauseTimer->isActive()) {
                FPauseTimer->start(FMessagePauseMs);
            }
            return;
        }
        FPauseElapsed = false;
        const Outgoing item = std::move(next);
        FOutgoing.pop_front();
        if (item.Client) {
            item.Client->sendToClient(item.Data);
        }
    }
}

void TqelLPMSystem::LogLPMMessage(int32_t aCode, int32_t aParam0, int32_t aParam1) {
    if (!CallBack() || aCode == 0 || aCode == RSP_TCP_BS_MASTER_SET) {
        return;
    }
    const qel::LPMMessageText* row = qel::FindLPMMessage(aCode);
    if (!row) {
        return;
    }
    const QString description = qel::LPMMessageDescription(*row);
    LogMessage(QStringLiteral("%1:%2:%3 | %4 | %5")
                   .arg(aCode, 6)
                   .arg(aParam0)
                   .arg(aParam1)
                   .arg(QString::fromLatin1(row->Name), description));
    if (aCode >= 300000 && aCode <= 399999) {
        StatusMessage(aCode, description);
        ErrorMessage(aCode, description);
    } else if (aCode == RSP_TCP_ALARM || aCode == RSP_TCP_STOP || aCode == RSP_TCP_START) {
        StatusMessage(aCode, description);
    }
}

void TqelLPMSystem::SetStartUpSequenceInternal(TqelStartupSequence aState) {
    FStartUpSequenceInternal = aState;
    if (aState == startRunning && Field()) {
        QString why;
        // The size the records are written with, so that the header matches them.
        if (!FLPMDataLogger->StartLogging(FLPMDataSize, Field()->FieldName(), &why)) {
            LogMessage(QStringLiteral("LPM data file %1 not created: %2")
                           .arg(FLPMDataLogger->LPMFilename(), why));
        }
    } else if (aState == startNone) {
        FLPMDataLogger->StopLogging();
    }
    StateChanged(aState);
}

TlpmClientConnection* TqelLPMSystem::FirstControlConnection() const {
    return FsrvSocket->ClientCount() > 0 ? FsrvSocket->getClient(0) : nullptr;
}

// --- Watchdog ---

void TqelLPMSystem::tmrWatchDogTimer() {
    if (FWatchDogTag == 1) {
        return;
    }
    FWatchDogTag = 1;
    if (FConfig.EnableRemoteControl() &&
        (!FConfig.FieldSelectionRequired() || !FLPMSettingsDirectory.isEmpty())) {
        const TqelStartupSequence state = FStartUpSequenceInternal;
        if (ControlConnectionCount() == 0) {
            SetStartUpSequenceInternal(startNone);
            Startup(FSendTransponderStateAfterStart);
        } else if (state == startSendConnect) {
            Stop();
            Startup(FSendTransponderStateAfterStart);
        } else if (state == startSendParameterIni || state == startSendTransponderIni ||
                   state == startSendSystemINI || state == startSendInitialize ||
                   state == startSendStart) {
            // Reported through the message handling as if the server had sent it; a hang
            // while initialising or starting only re-arms the watchdog (code 0 is silent).
            TReceivedAbatec received;
            received.msgID = state <= startSendSystemINI ? RSP_TCP_ERR_RECEIVE_FILE : 0;
            received.Client = FirstControlConnection();
            FQueueAbatecCP.push_back(received);
            qel::PostMessage(this, UMLPMMessage, 0, 0);
        }
    }
    if (FWatchDogTag == 1) {
        FWatchDogTag = 0;
    }
}

// --- Transponders and data logging ---

void TqelLPMSystem::ActivateTransponder(uint16_t anAntennaID) {
    if (anAntennaID != kUncommandedAntenna) {
        SendLPMMessageToAll(MSG_TCP_TP_ACTIVATE, anAntennaID, 0);
    }
}

void TqelLPMSystem::DeactivateTransponder(uint16_t anAntennaID) {
    if (anAntennaID != kUncommandedAntenna) {
        SendLPMMessageToAll(MSG_TCP_TP_DEACTIVATE, anAntennaID, 0);
    }
}

void TqelLPMSystem::PauseTransponder(uint16_t anAntennaID) {
    if (anAntennaID == kUncommandedAntenna) {
        return;
    }
    ++FPauseModeDisabledCount;
    if (FPauseModeDisabledCount > kMaxUnacknowledgedPauses) {
        return;
    }
    SendLPMMessageToAll(MSG_TCP_TP_PAUSE, anAntennaID, static_cast<int32_t>(FPauseTimeInMS));
}

void TqelLPMSystem::SetTransponderStateAfterStart() {
    TqelAntennaList* list = CallBack() ? CallBack()->getAntennaList() : nullptr;
    if (!list) {
        return;
    }
    for (int32_t i = 0; i < list->Count(); ++i) {
        TqelAntennaData* antenna = list->GetItems(i);
        switch (antenna->Enabled()) {
            case 0:
                DeactivateTransponder(antenna->AntennaID());
                break;
            case 1:
                ActivateTransponder(antenna->AntennaID());
                break;
            case 2:
                PauseTransponder(antenna->AntennaID());
                break;
            default:
                break;
        }
    }
}

void TqelLPMSystem::SetAntennaState(uint16_t anAntennaID, int32_t anEnabled) {
    if (FStartUpSequenceInternal != startRunning) {
        return;
    }
    TqelAntennaList* list = CallBack() ? CallBack()->getAntennaList() : nullptr;
    TqelAntennaData* antenna = list ? list->ItemByAntennaID(anAntennaID) : nullptr;
    if (antenna) {
        antenna->setEnabled(anEnabled);
    }
}

void TqelLPMSystem::StartDataLogging() {
    if (FStartUpSequenceInternal != startRunning) {
        FDataLogging = true;
        return;
    }
    FDataLogging = false;
    SendLPMMessageToAll(MSG_TCP_DATALOG_ENABLE, 0, 0);
}

void TqelLPMSystem::StopDataLogging() {
    SendLPMMessageToAll(MSG_TCP_DATALOG_DISABLE, 0, 0);
}

// --- Position data ---

void TqelLPMSystem::LPMDataAvailable() {
    // A callback that lets messages run must not reach here again while a record of the
    // buffer is in use; the outer pass reads what arrived meanwhile.
    qel::ReentryGuard guard(FInDataAvailable);
    if (!guard.Entered()) {
        return;
    }
    try {
        int64_t length = 0;
        uint32_t sender = 0;
        // readyRead comes once for all datagrams waiting.
        while (qel::PeekDatagram(*FLPMUdpSocket, length, sender)) {
            if (FLPMDataSize <= 0) {
                char none = 0;
                if (FLPMUdpSocket->readDatagram(&none, 0) < 0) {
                    break;
                }
                continue;
            }
            // A remainder waits only for the rest from its own sender.
            if (FLPMBuffer.Prepare(length, sender)) {
                ++FNotWholePackedReaded;
            }
            const int64_t read = FLPMUdpSocket->readDatagram(
                reinterpret_cast<char*>(FLPMBuffer.WritePosition()), length);
            if (read < 0) {
                break;
            }
            int64_t step = FLPMDataSize;
            if (read % FLPMDataSize != 0) {
                ++FPacketLengthDifferent;
                if (read == qel::kLPMMiddleRecord || read == qel::kLPMLongRecord ||
                    read == qel::kLPMDebugRecord) {
                    step = read;
                }
            }
            FLPMBuffer.Written(read);
            const bool fromServer = sender == FLPMAddr;
            while (const uint8_t* record = FLPMBuffer.Next(step)) {
                const bool ok = processLPMRecord(record, static_cast<int32_t>(step));
                if (ok && fromServer) {
                    WriteRawRecord(record, step);
                    if (FLPMDataSize == qel::kLPMLongRecord && step >= qel::kLPMLongRecord) {
                        ProcessBaseStationBlock(record);
                    }
                }
                if (!ok && read == FLPMDataSize) {
                    FLPMBuffer.ConsumeAll();
                } else {
                    FLPMBuffer.Consume(step);
                }
            }
            if (FLPMBuffer.Finish()) {
                ++FNotWholePackedReaded;
            }
        }
    } catch (...) {
        // Nothing leaves the socket event; a record's own failure is logged where it happens.
    }
}

void TqelLPMSystem::WriteRawRecord(const uint8_t* aRecord, int64_t aLength) {
    if (aLength >= FLPMDataSize) {
        FLPMDataLogger->WriteLPMData(aRecord, FLPMDataSize);
        return;
    }
    // A shorter record in a file of longer ones is filled up with zeros, so that the records
    // after it stay where a reader looks for them.
    static constexpr uint8_t kZeros[qel::kLPMDebugRecord] = {};
    FLPMDataLogger->WriteLPMData(aRecord, aLength);
    FLPMDataLogger->WriteLPMData(kZeros,
                                 std::min<int64_t>(FLPMDataSize - aLength, qel::kLPMDebugRecord));
}

bool TqelLPMSystem::processLPMRecord(const uint8_t* aRecord, int32_t aSize) {
    try {
        const uint32_t t = qel::LPMRecordTimeMS(aRecord);
        FLPMTime.Note(t, FFirstMeasurementTimestampMS);
        qel::LPMDecodeContext context;
        context.TimeStampInMS = FLPMTime.ToDateTimestamp(t, FFirstMeasurementTimestampMS);
        context.AccelTimeMS = FLPMTime.LastTimeStampInMS();
        context.Transponder3D = FConfig.LPMTransponder3D();
        context.TransponderHeightinMM = FConfig.TransponderHeightinMM();
        RqelPositionRec position;
        qel::DecodeLPMRecord(aRecord, aSize, context, position);
        if (CallBack()) {
            CallBack()->positionReceived(this, position);
        }
        return true;
    } catch (const std::exception& e) {
        ++FReceivingError;
        LogMessage(
            QStringLiteral("Problem in processLPMRecord: (%1)").arg(qel::DescribeException(e)));
    } catch (...) {
        ++FReceivingError;
        LogMessage(QStringLiteral("Problem in processLPMRecord: (unknown exception)"));
    }
    return false;
}

void TqelLPMSystem::ProcessBaseStationBlock(const uint8_t* aRecord) {
    // Signal levels come with the records that are no valid position.
    if (qel::LPMRecordState(aRecord) == 0) {
        return;
    }
    for (int32_t i = 0; i < qel::kLPMBaseStationEntries; ++i) {
        const uint8_t* entry =
            aRecord + qel::kLPMBaseStationBlock + i * qel::kLPMBaseStationEntrySize;
        BaseStationDBValue(entry[0], entry[3]);
    }
}
