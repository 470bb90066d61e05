#pragma once

#include <QBuffer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "foundation/position_records.h"
#include "foundation/protocol/client_protocol_types.h"
#include "foundation/shared_enums.h"
#include "measurement/control/antenna_list.h"
#include "measurement/control/recorder.h"
#include "platform/date_time.h"

class IqelMeasurementControl;
class IqelServerCallbacks;
class TlpmClientConnection;
class TlpmPort;
class TlpmServerSocket;
class TqelClientConnection;
class TqelDBBatteryStatusThread;
class TqelFieldSettings;
class TqelPrepareRecording;
namespace qel {
class ClientBroadcasts;
class ClientRequests;
class TransponderAdministration;
}  // namespace qel

// The server of the client programs: every position goes into a ring of 30,001 samples and the
// antenna list; a 20 ms timer lets the recorder catch up with the ring and sends each live
// client the new samples it may see. The server object is also the hidden window that
// receives the deferred client requests (window message 0x801). The request side, the
// broadcasts and the transponder administration are parts of this server kept in units of
// their own (client_requests, client_broadcasts, transponder_administration).
//
// Threads: everything runs on the main thread. FCriticalSectionPosition is held while a
// position is written into the ring and during the whole recorder catch-up; the ring is written
// only on the main thread, so the client-sending loop (main thread too) reads it without the
// lock. The recorder callbacks' Log may come from any thread.
class TqelLPMServer : public QObject, public IqelAntennaListCallback, public IqelRecorderCallback {
public:
    static constexpr int32_t RingSize = 30001;
    static constexpr int32_t RingLast = RingSize - 1;
    static constexpr int UpdateIntervalMS = 20;
    // Window message of the deferred client requests.
    static constexpr int UM_CLIENT_MESSAGE_RECEIVED = 0x801;

    TqelLPMServer();
    ~TqelLPMServer() override;

    // Listens on 0.0.0.0 at the server setting "TCP Server Port" and starts the update timer.
    // Raises ESocketException when the second try to listen fails too.
    void start();
    // Stops the timer and listening (clients stay connected) and a running recording.
    void stop();
    // Ring position, time stamps, antenna list and synchronisation values back to 0.
    void Clear();

    void PositionDataRecevied(IqelMeasurementControl* aMeasurementControl,
                              const RqelPositionRec& aPosition);
    // Starts at the next message-loop pass.
    void StartRecording(int32_t aLengthInMin, bool aBallTrackingVideo);
    void StopRecording() { handleStopRecording(); }

    void SetField(TqelFieldSettings* aField);
    void SetStoreLiveData(bool aValue);
    void SetPreparation(IqelMeasurementControl* aMeasurementControl,
                        TqelPrepareRecording* aPreparation);
    void AddRoamingField(TqelFieldSettings* aField);
    void ClearRoamingFields();
    // Who may see a transponder: a user name, or "all clients".
    void VisibleToChanged(const QString& aName, uint16_t anAntennaID);

    // Broadcasts to the clients (see qel::ClientBroadcasts).
    void SendActivateMeasurementState(TqelMeasurementStatus aMeasurementState);
    void SendCurrentField(int32_t aFieldID, int32_t aPrepareRecordingID,
                          TqelMeasurementStatus aMeasurementState, int32_t aRecordingTimeRemaining,
                          const QString& aLastLPMError);
    void SendMeasurementState(TqelMeasurementStatus aState, int32_t aRemainingRecordTimeInMS);
    void SendCameraPosition(const RqelCamPosCommunication& aCamPos);
    void RecordingState(bool aRecordingOn);
    void FollowingAntennaIDs(uint8_t aCameraIndex, const TqelArrayOfWord& anAntennaIDs,
                             TqelTrackingMode aTrackMode);
    void CameraZoomChanged(uint8_t aCameraIndex, int32_t aZoom);
    void SendCamRecording(uint8_t aCameraIndex, TqelCamConnection aCamState,
                          const QString& aFilename, int32_t aLPMStartTime);
    void handleEventFromWeb(const RqelEventFromWeb& anEvent);
    void BallTrackingPostFilePostProcessed(const QString& aFilename);
    void SendMessage(TqelEventMessageType anEventMessageType, const QString& aText);

    // Transponder administration (see qel::TransponderAdministration).
    void TransponderEnable(uint16_t anAntennaID, int32_t aState);
    void TransponderEnableAll();
    void TransponderDisableAll();
    void TransponderDisableOffField();
    void ChangeAthletesVest(const QString& anOldVestID, const QString& aNewVestID);
    void SaveTranspondersMacAddress();

    TqelAntennaList* AntennaList() const { return FAntennaList.get(); }
    IqelServerCallbacks* Callback() const { return FCallbacks; }
    void setCallback(IqelServerCallbacks* aValue) { FCallbacks = aValue; }
    int32_t LastTimestampReceived() const { return FLastTimestampReceived; }
    bool StoreLiveData() const { return FStoreLiveData; }
    TqelFieldSettings* Field() const { return FField; }
    bool BallTrackingVideoRecording() const { return FBallTrackingVideoRecording; }
    void setBallTrackingVideoRecording(bool aValue) { FBallTrackingVideoRecording = aValue; }
    int32_t TimestampLastPositionMS() const { return FTimestampLastPosition; }
    uint32_t OffsetMessurmentRestartedInMS() const { return FOffsetMessurmentRestartedInMS; }
    int32_t FirstTimeStampDataMS() const { return FFirstTimeStampDataMS; }
    TDateTime FirstTimestampNTP() const { return FFirstTimestampNTP; }
    int ClientCount() const;
    QString ClientPeerAddresses() const;
    int NumberClientsLiveData() const;
    int32_t RemainingRecordingTimeInMS() const { return FRecorder->RemainingRecordingTimeInMS(); }
    TqelRecorder* Recorder() const { return FRecorder.get(); }
    bool Recording() const { return FRecorder->Recording(); }
    // The port listened on (for tests that listen on port 0).
    QString ListeningPort() const;
    int32_t SampleBufWritePos() const { return FSampleBufWritePos; }
    const RqelLPMSample& RingEntry(int32_t anIndex) const { return FPositionSamples[anIndex]; }
    // The accepted connection at anIndex, or null.
    TqelClientConnection* Client(int anIndex) const;
    const qel::ClientRequests& Requests() const { return *FRequests; }

    // IqelAntennaListCallback
    void CameraStartedFollowing(int32_t aCameraIndex, TqelAntennaData* anAntennaData) override;
    void CameraStoppedFollowing(int32_t aCameraIndex, TqelAntennaData* anAntennaData) override;
    // IqelRecorderCallback
    void GetCameraSettings(TqelArrayOfCamSetting& aCameraSettings) override;
    void Log(const QString& aText) override;
    int32_t GetFirstTimestampDataMS() override { return FFirstTimeStampDataMS; }
    TDateTime GetFirstTimestampNTP() override { return FFirstTimestampNTP; }

    // Runs one pass of the update timer (the timer's own handler).
    void UpdateTimerTimer();

protected:
    bool event(QEvent* anEvent) override;

private:
    friend class qel::ClientBroadcasts;
    friend class qel::ClientRequests;
    friend class qel::TransponderAdministration;

    void onClientConnect(TlpmClientConnection* aClient);
    void onClientDisconnect(TlpmClientConnection* aClient);
    void handleLiveData(TqelClientConnection* aClient, int32_t aState);
    void handleStartRecording(int32_t aLengthInMin, bool aBallTrackingVideo);
    void handleStopRecording();
    void SetRecording(bool aOn);
    void ComputeAntennaAccess(TqelClientConnection* aClient);
    void SetTimestampLastPositionMS(int32_t aValue);
    void Synchronise(int32_t aValue, TDateTime aNow);
    void CatchUpRecorder();
    void SendLiveData(TqelClientConnection* aClient);
    bool AnyClientLiveData() const;
    template <typename F>
    void ForEachClient(F&& aCall) const {
        for (int i = 0; i < ClientCount(); ++i) {
            if (TqelClientConnection* client = Client(i)) {
                aCall(client);
            }
        }
    }

    std::recursive_mutex FCriticalSectionPosition;
    std::unique_ptr<TqelDBBatteryStatusThread> FDBTBS;
    std::unique_ptr<TqelRecorder> FRecorder;
    std::array<RqelLPMSample, RingSize> FPositionSamples{};
    int32_t FSampleBufWritePos = 0;
    uint32_t FOffsetMessurmentRestartedInMS = 0;
    int32_t FFirstTimeStampDataMS = 0;
    TDateTime FFirstTimestampNTP = 0;
    int32_t FTimestampLastPosition = 0;
    int32_t FLastTimestampReceived = 0;
    std::unique_ptr<TqelAntennaList> FAntennaList;
    std::unique_ptr<TlpmServerSocket> FServerSocket;
    QTimer FUpdateTimer;
    IqelServerCallbacks* FCallbacks = nullptr;
    bool FStoreLiveData = false;
    TqelFieldSettings* FField = nullptr;
    TDateTime FTimeDifference = 0;
    bool FBallTrackingVideoRecording = false;
    TqelPrepareRecording* FPreparation = nullptr;
    std::vector<TqelFieldSettings*> FRoamingFields;
    std::unique_ptr<qel::ClientRequests> FRequests;
    std::unique_ptr<qel::ClientBroadcasts> FBroadcasts;
    std::unique_ptr<qel::TransponderAdministration> FTransponders;
};
