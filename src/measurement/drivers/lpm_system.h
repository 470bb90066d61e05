#pragma once

#include <QByteArray>
#include <QPointer>
#include <QStringList>
#include <cstdint>
#include <deque>
#include <memory>

#include "measurement/drivers/lpm_position_data.h"
#include "measurement/drivers/measurement_system.h"
#include "shared/socket_errors.h"

class QTimer;
class QUdpSocket;
class TqelLPMFileLogger;
class TlpmClientConnection;
class TlpmClientSocket;
class TlpmServerSocket;
class TqelServerConfig;

// One control message waiting for the message handler, with the connection it came from (gone
// when that connection was closed in between).
struct TReceivedAbatec {
    uint32_t msgID = 0;
    uint32_t Param0 = 0;
    uint32_t Param1 = 0;
    QPointer<TlpmClientConnection> Client;
};

// The driver of one LPM measurement system. It listens on the field's LPM port for the LPM
// server's control connection, first tells the LPM server over two short hand-shake
// connections where the control PC and the data receiver are, and then walks the start-up
// sequence (connect, three ini uploads, initialise, start) until the server runs.
//
// Position records arrive as UDP datagrams on the field's UDP listen port; each record is
// decoded in place and handed to the callback's positionReceived, and the records of the LPM
// server itself go to the raw ".lpm" file while the server runs.
//
// Main thread only: sockets, timers and the queued control messages (window message 0x701)
// all run there, so the driver takes no lock.
class TqelLPMSystem : public TqelMeasurementSystem {
    Q_OBJECT

public:
    static constexpr int UMLPMMessage = 0x701;
    static constexpr int32_t kControlMessageSize = 12;
    // Pause requests sent without an acknowledgement before further ones are dropped.
    static constexpr int32_t kMaxUnacknowledgedPauses = 1000;
    // Never commanded by this driver.
    static constexpr uint16_t kUncommandedAntenna = 16;
    static constexpr int32_t kMaxFileRetries = 3;

    // The server settings must outlive the driver.
    explicit TqelLPMSystem(const TqelServerConfig& aConfig, QObject* aParent = nullptr);
    // Sends STOP and DISCONNECT to every control connection without running the event loop.
    ~TqelLPMSystem() override;

    void SetField(TqelFieldSettings* aField) override;
    void ActivateTransponder(uint16_t anAntennaID) override;
    void DeactivateTransponder(uint16_t anAntennaID) override;
    void Stop() override;
    TqelStartupSequence GetStartUpSequenceInternal() override { return FStartUpSequenceInternal; }
    void SetTransponderIni(const QString& aText) override;
    void StartDataLogging() override;
    void StopDataLogging() override;
    void Initialize() override;
    void Startup(bool aSendTransponderState) override;
    void StopMeasurement() override;
    int32_t MeasurementFrequency() override { return 0; }
    int32_t ReceivingError() override { return FReceivingError; }
    int32_t PacketLengthDifferent() override { return FPacketLengthDifferent; }
    int32_t MissedPackets() override { return FLPMTime.MissedPackets(); }
    int32_t NotWholePackedReaded() override { return FNotWholePackedReaded; }

    void PauseTransponder(uint16_t anAntennaID);
    void SetTransponderStateAfterStart();

    // A roaming system's driver leaves "Prepared_Transponder.ini" to the base field's.
    void setRoaming(bool aValue) { FRoaming = aValue; }

    // Timing and the hand-shake port, settable for tests.
    void setStartupTCPPort(const QString& aValue) { FStartupTCPPort = aValue; }
    void setWatchDogInterval(int aMs) { FWatchDogIntervalMs = aMs; }
    void setHandshakeWatchDogInterval(int aMs) { FHandshakeWatchDogIntervalMs = aMs; }
    void setHandshakeDelay(int aMs);
    void setMessagePause(int aMs) { FMessagePauseMs = aMs; }

    // The control server's port while it listens, else empty.
    QString ControlPort() const;
    int32_t ControlConnectionCount() const;
    // The data socket's port while it is bound, else 0.
    uint16_t DataPort() const;
    // The reassembly buffer's size in bytes.
    int64_t LPMBufferSize() const { return FLPMBuffer.Size(); }
    // The raw data file's writer.
    const TqelLPMFileLogger& LPMDataLogger() const { return *FLPMDataLogger; }

    // The data socket's event: reads every waiting datagram and decodes its records.
    void LPMDataAvailable();
    // Decodes one record of aSize bytes and hands it on; false when that raised.
    bool processLPMRecord(const uint8_t* aRecord, int32_t aSize);
    // One base station's signal level from a 304-byte record (aPortIndex: low 7 bits the port).
    virtual void BaseStationDBValue(uint8_t aPortIndex, uint8_t aDBValue) {}

protected:
    bool event(QEvent* anEvent) override;

private:
    // One piece of output in send order; a piece after a pause waits for the pause timer.
    struct Outgoing {
        QPointer<TlpmClientConnection> Client;
        QByteArray Data;
        bool AfterPause = false;
    };

    // Event handlers.
    void srvSocketClientConnect(TlpmClientConnection* aClient);
    void srvSocketError(const QString& aText);
    void cliSocketSessionConnected();
    void cliSocketChangeState(qel::SocketState aNewState);
    void cliSocketConnectError(const QString& aText);
    void Timer1Timer();
    void tmrWatchDogTimer();
    void tmrOnPitchTimer() {}
    void UMLPMMessageReceived();
    void HandleMessage(const TReceivedAbatec& aMessage);

    void ControlDataAvailable(TlpmClientConnection* aClient, const QByteArray& aMessage);
    // Logs, then writes when the connection is up; with aAfterPause the bytes wait for the
    // message pause first.
    void SendLPMMessage(TlpmClientConnection* aClient, int32_t aCode, int32_t aParam0,
                        int32_t aParam1, bool aAfterPause = false);
    void SendLPMMessageToAll(int32_t aCode, int32_t aParam0, int32_t aParam1);
    void SendLPMFile(TlpmClientConnection* aClient, int32_t aFileID, const QString& aFileName,
                     bool aPauseFirst = false);
    void SendTransponderIniFile(TlpmClientConnection* aClient, int32_t aFileID,
                                const QStringList& aLines, bool aPauseFirst = false);
    void SendFileBytes(TlpmClientConnection* aClient, int32_t aFileID, const QByteArray& aBytes,
                       bool aPauseFirst);
    // The upload of a start-up state (parameter, system or transponder ini) as the first one.
    void UploadForState(TlpmClientConnection* aClient, TqelStartupSequence aState,
                        bool aPauseFirst);
    // A failed upload again, at most kMaxFileRetries times in a row.
    void RetryUpload(TlpmClientConnection* aClient, TqelStartupSequence aState);
    bool SendHandshake(TqelStartupSequence aStep);
    void SetStartUpSequenceInternal(TqelStartupSequence aState);
    void LogLPMMessage(int32_t aCode, int32_t aParam0, int32_t aParam1);
    void ApplyControlSettings();
    void SetAntennaState(uint16_t anAntennaID, int32_t anEnabled);

    void Write(TlpmClientConnection* aClient, const QByteArray& aData, bool aAfterPause);
    void PumpOutgoing();
    void StartControlServer();
    // Stops listening and closes every control connection.
    void CloseControlServer();
    void ArmWatchDog(int anInterval);
    void StartHandshakeConnect();
    TlpmClientConnection* FirstControlConnection() const;
    // Binds the data socket when it is closed; a failure is reported once until it changes.
    void OpenDataSocket();
    void ProcessBaseStationBlock(const uint8_t* aRecord);
    // One record to the raw file, at the configured record size.
    void WriteRawRecord(const uint8_t* aRecord, int64_t aLength);
    QString SettingsFile(const QString& aName) const;

    const TqelServerConfig& FConfig;
    std::unique_ptr<TlpmServerSocket> FsrvSocket;
    std::unique_ptr<TlpmClientSocket> FcliSocket;
    QTimer* FtmrWatchDog;
    // -1 stopped, 1 handler running, 0 idle.
    int FWatchDogTag = 0;
    QTimer* FTimer1;
    QTimer* FtmrOnPitch;
    QTimer* FPauseTimer;
    TqelStartupSequence FStartUpSequenceInternal = startNone;
    QString FStartupTCPPort = QStringLiteral("1132");
    QString FLPMSettingsDirectory;
    std::deque<TReceivedAbatec> FQueueAbatecCP;
    std::deque<Outgoing> FOutgoing;
    bool FPauseElapsed = false;
    int32_t FFileRetryCount = 0;
    uint32_t FPauseTimeInMS = 0;
    int32_t FTPOffFieldTimeMS = 0;
    QString FIPAbatecServer;
    QString FIPControlePC;
    uint32_t FLPMPort = 1134;
    QString FSrvAddress = QStringLiteral("0.0.0.0");
    uint32_t FSrvPort = 1134;
    uint32_t FLPMAddr = 0;
    QString FIPUPDReceiverPC;
    bool FWirelessSystem = false;
    bool FWirelessKnown = false;
    QStringList FTransponderIni;
    bool FSendTransponderStateAfterStart = false;
    bool FDataLogging = false;
    bool FBaseStationDBValuesReceived = false;
    int32_t FPauseModeDisabledCount = 0;
    bool FHUBResetting = false;
    QString FLPMLinuxPath;
    bool FRoaming = false;
    // A hand-shake message went out on the current hand-shake connection.
    bool FHandshakeSent = false;
    bool FInStop = false;
    bool FInDataAvailable = false;
    bool FHandlingMessages = false;

    int32_t FReceivingError = 0;
    int32_t FNotWholePackedReaded = 0;
    int32_t FPacketLengthDifferent = 0;
    qel::LPMTimeBookkeeping FLPMTime;
    QUdpSocket* FLPMUdpSocket;
    qel::LPMReassemblyBuffer FLPMBuffer;
    int32_t FLPMDataSize = qel::kLPMMiddleRecord;
    std::unique_ptr<TqelLPMFileLogger> FLPMDataLogger;
    // The last failure to bind the data socket, so that a retry does not repeat it.
    QString FDataSocketError;

    int FWatchDogIntervalMs = 10000;
    int FHandshakeWatchDogIntervalMs = 1000;
    int FMessagePauseMs = 50;
};
