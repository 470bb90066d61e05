#include "measurement/clients/lpm_server.h"

#include <QThread>
#include <QtEndian>
#include <cstring>
#include <span>

#include "database/devices/battery_status_thread.h"
#include "database/prepare_recording.h"
#include "foundation/protocol/client_protocol.h"
#include "foundation/settings/server_config.h"
#include "measurement/clients/client_broadcasts.h"
#include "measurement/clients/client_connection.h"
#include "measurement/clients/client_requests.h"
#include "measurement/clients/server_callbacks.h"
#include "measurement/clients/transponder_administration.h"
#include "platform/exception.h"
#include "platform/numbers.h"
#include "platform/queued_call.h"
#include "shared/lpm_server_socket.h"
#include "shared/socket_errors.h"

namespace {

// The text that makes a transponder visible to every client.
QString AllClientsText() {
    return QStringLiteral("all clients");
}

int32_t NowMsOfDay() {
    return static_cast<int32_t>(MilliSecondOfTheDay(Now()));
}

// Pause before the second try to listen: a port just released may need a moment.
constexpr unsigned long kListenRetryWaitMS = 500;

}  // namespace

TqelLPMServer::TqelLPMServer()
    : FRequests(std::make_unique<qel::ClientRequests>(*this)),
      FBroadcasts(std::make_unique<qel::ClientBroadcasts>(*this)),
      FTransponders(std::make_unique<qel::TransponderAdministration>(*this)) {
    const TqelServerConfig* config = ServerConfig();
    FDBTBS = std::make_unique<TqelDBBatteryStatusThread>(config ? config->DatabaseConnectionString()
                                                                : QString());
    FDBTBS->setOnLogMessage([this](const QString& aText) { Log(aText); });
    FRecorder = std::make_unique<TqelRecorder>(this);
    FAntennaList = std::make_unique<TqelAntennaList>(this);
    FServerSocket = std::make_unique<TlpmServerSocket>(
        [this](TlpmPort* aSender, QBuffer& aDatagram) {
            FRequests->HandleClientDatagram(aSender, aDatagram);
        },
        &TqelProtocol::BoundaryCheck, qel::ClientConnectionClass<TqelClientConnection>());
    FServerSocket->OnClientConnected = [this](TlpmClientConnection* aClient) {
        onClientConnect(aClient);
    };
    FServerSocket->OnClientDisconnected = [this](TlpmClientConnection* aClient) {
        onClientDisconnect(aClient);
    };
    FUpdateTimer.setInterval(UpdateIntervalMS);
    FUpdateTimer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&FUpdateTimer, &QTimer::timeout, this, [this] { UpdateTimerTimer(); });
    FDBTBS->Start();
}

TqelLPMServer::~TqelLPMServer() {
    FUpdateTimer.stop();
    if (FRecorder->Recording()) {
        FRecorder->StopRecording();
    }
    // Connections go without disconnect events: nothing may reach the callbacks any more.
    FCallbacks = nullptr;
    FServerSocket.reset();
    FDBTBS.reset();
}

// Lifecycle ----------------------------------------------------------------------------------

void TqelLPMServer::start() {
    FUpdateTimer.start();
    const QString port = ServerConfig()->ServerPort();
    try {
        FServerSocket->start(QStringLiteral("0.0.0.0"), port);
    } catch (const ESocketException& e) {
        // Our sockets are closed on exec, so no child of ours holds the port: wait and retry.
        Log(QStringLiteral("TqelLPMServer.start: %1 - retrying").arg(e.Message()));
        QThread::msleep(kListenRetryWaitMS);
        FServerSocket->start(QStringLiteral("0.0.0.0"), port);
    }
    FTimestampLastPosition = 0;
    FLastTimestampReceived = 0;
}

void TqelLPMServer::stop() {
    FUpdateTimer.stop();
    FServerSocket->stop();
    if (FRecorder->Recording()) {
        SetRecording(false);
    }
}

void TqelLPMServer::Clear() {
    std::lock_guard lock(FCriticalSectionPosition);
    FSampleBufWritePos = 0;
    for (RqelLPMSample& entry : FPositionSamples) {
        entry.setTimestamp(0);
    }
    FAntennaList->Clear();
    FLastTimestampReceived = 0;
    FFirstTimeStampDataMS = 0;
    FFirstTimestampNTP = 0;
    FOffsetMessurmentRestartedInMS = 0;
}

// Positions ----------------------------------------------------------------------------------

void TqelLPMServer::PositionDataRecevied(IqelMeasurementControl* aMeasurementControl,
                                         const RqelPositionRec& aPosition) {
    {
        std::lock_guard lock(FCriticalSectionPosition);
        FPositionSamples[FSampleBufWritePos].AssignPosition(aPosition);
        FSampleBufWritePos = FSampleBufWritePos >= RingLast ? 0 : FSampleBufWritePos + 1;
    }
    RqelPositionRec position = aPosition;
    position.TimeStampInMS = NowMsOfDay();
    FAntennaList->AddData(aMeasurementControl, position);
    SetTimestampLastPositionMS(position.TimeStampInMS);
}

void TqelLPMServer::SetTimestampLastPositionMS(int32_t aValue) {
    if (FFirstTimeStampDataMS == 0) {
        Synchronise(aValue, Now());
    }
    // Times of day: a position just after midnight is newer than one just before it. 0 means
    // no position yet, which any time of day follows.
    if (FTimestampLastPosition == 0 || qel::MsOfDayDiff(aValue, FTimestampLastPosition) > 0) {
        FTimestampLastPosition = aValue;
        FLastTimestampReceived = NowMsOfDay();
    }
}

void TqelLPMServer::Synchronise(int32_t aValue, TDateTime aNow) {
    if (FFirstTimestampNTP != 0) {
        FOffsetMessurmentRestartedInMS = static_cast<uint32_t>(
            Round((aNow - FFirstTimestampNTP) * static_cast<double>(qel::kMSecsPerDay)));
    }
    FFirstTimeStampDataMS = aValue;
    FFirstTimestampNTP = aNow - FTimeDifference;
}

// Update timer -------------------------------------------------------------------------------

void TqelLPMServer::UpdateTimerTimer() {
    if (FRecorder->Recording()) {
        CatchUpRecorder();
    }
    ForEachClient([this](TqelClientConnection* aClient) {
        if (aClient->LiveData()) {
            SendLiveData(aClient);
        }
    });
}

void TqelLPMServer::CatchUpRecorder() {
    std::lock_guard lock(FCriticalSectionPosition);
    int32_t next = FRecorder->LastSampleRecorded();
    if (next < 0 || next > RingLast) {
        next = FSampleBufWritePos;
    }
    while (FSampleBufWritePos < next) {
        FRecorder->ProcessPositionSample(FPositionSamples[next]);
        next = next >= RingLast ? 0 : next + 1;
    }
    while (next < FSampleBufWritePos) {
        FRecorder->ProcessPositionSample(FPositionSamples[next]);
        ++next;
    }
    FRecorder->SetLastSampleRecorded(next);
    if (!FRecorder->CheckContinueRecording()) {
        SetRecording(false);
    }
}

void TqelLPMServer::SendLiveData(TqelClientConnection* aClient) {
    if (aClient->LastSampleSent() < 0 || aClient->LastSampleSent() > RingLast) {
        aClient->setLastSampleSent(FSampleBufWritePos);
    }
    const int32_t from = aClient->LastSampleSent();
    const int32_t to = FSampleBufWritePos;
    if (from == to) {
        return;
    }
    // Before the wrap point: from..RingLast; after it: 0..to-1.
    const std::span<const RqelLPMSample> first =
        from > to ? std::span<const RqelLPMSample>(&FPositionSamples[from], RingSize - from)
                  : std::span<const RqelLPMSample>(&FPositionSamples[from], to - from);
    const std::span<const RqelLPMSample> second =
        from > to ? std::span<const RqelLPMSample>(FPositionSamples.data(), to)
                  : std::span<const RqelLPMSample>();
    aClient->setLastSampleSent(to);

    QBuffer& datagram = aClient->UpdateDatagram();
    int32_t count = 0;
    uint32_t lastTimestamp = aClient->LastLPMTimestamp();
    auto visible = [aClient](const RqelLPMSample& aSample) {
        return aClient->GetCanAccessAntenna(aSample.AntennaID());
    };
    bool allVisible = aClient->CanAccessAllAntennas();
    if (allVisible) {
        for (const auto& part : {first, second}) {
            for (const RqelLPMSample& sample : part) {
                allVisible = allVisible && sample.AntennaID() < TqelClientConnection::AntennaCount;
            }
        }
    }
    if (allVisible) {
        qel::EncodeUpdateSamples(datagram, first, second);
        count = static_cast<int32_t>(first.size() + second.size());
        lastTimestamp = (second.empty() ? first.back() : second.back()).Timestamp();
    } else {
        // The samples are their wire bytes: copy the visible ones behind the count.
        constexpr qsizetype kSampleSize = sizeof(RqelLPMSample);
        constexpr qsizetype kFirstSample = TqelProtocol::kHeaderSize + 4;
        TqelProtocol::InitDatagram(datagram);
        QByteArray& bytes = datagram.buffer();
        bytes.resize(kFirstSample +
                     static_cast<qsizetype>(first.size() + second.size()) * kSampleSize);
        char* out = bytes.data() + kFirstSample;
        for (const auto& part : {first, second}) {
            for (const RqelLPMSample& sample : part) {
                if (visible(sample)) {
                    std::memcpy(out, sample.bytes, kSampleSize);
                    out += kSampleSize;
                    ++count;
                    lastTimestamp = sample.Timestamp();
                }
            }
        }
        if (count == 0) {
            return;
        }
        const qsizetype end = kFirstSample + count * kSampleSize;
        bytes.resize(end);
        qToLittleEndian<int32_t>(count, bytes.data() + TqelProtocol::kHeaderSize);
        datagram.seek(end);
        TqelProtocol::formatDatagram(datagram, qel::msg::Update);
    }
    aClient->setLastLPMTimestamp(lastTimestamp);
    aClient->sendToClient(datagram);
}

// Requests -----------------------------------------------------------------------------------

bool TqelLPMServer::event(QEvent* anEvent) {
    const qel::PostMessageEvent* message = qel::PostMessageEvent::From(anEvent);
    if (message && message->Msg() == UM_CLIENT_MESSAGE_RECEIVED) {
        // No exception leaves an event handler: the request is logged as failed.
        try {
            FRequests->UMClientMessageReceived(message->WParam(), message->LParam());
        } catch (const std::exception& e) {
            Log(QStringLiteral("TqelLPMServer.UMClientMessageReceived: %1 (%2)")
                    .arg(message->WParam())
                    .arg(qel::DescribeException(e)));
        }
        return true;
    }
    return QObject::event(anEvent);
}

void TqelLPMServer::handleLiveData(TqelClientConnection* aClient, int32_t aState) {
    Log(QStringLiteral("TqelLPMServer.handleLiveData: Begin: State=%1").arg(aState));
    if (aState != 0) {
        ComputeAntennaAccess(aClient);
        if (aState == 1) {
            aClient->setLastSampleSent(FSampleBufWritePos);
        }
        aClient->setLiveData(true);
    } else {
        aClient->setLiveData(false);
        if (!Recording() && !AnyClientLiveData()) {
            Log(QStringLiteral("TqelLPMServer.handleLiveData: DeactivateMeasurement"));
            if (FCallbacks) {
                FCallbacks->DeactivateMeasurement();
            }
        }
    }
    Log(QStringLiteral("TqelLPMServer.handleLiveData: End"));
}

void TqelLPMServer::ComputeAntennaAccess(TqelClientConnection* aClient) {
    aClient->SetCanAccessAllAntennas(!ServerConfig()->RestrictAccess());
}

void TqelLPMServer::VisibleToChanged(const QString& aName, uint16_t anAntennaID) {
    if (anAntennaID >= TqelClientConnection::AntennaCount) {
        return;
    }
    ForEachClient([&](TqelClientConnection* aClient) {
        if (aClient->LiveData()) {
            aClient->SetCanAccessAntenna(anAntennaID,
                                         aClient->UserName() == aName || aName == AllClientsText());
        }
    });
}

// Recording ----------------------------------------------------------------------------------

void TqelLPMServer::StartRecording(int32_t aLengthInMin, bool aBallTrackingVideo) {
    FBallTrackingVideoRecording = aBallTrackingVideo;
    qel::PostMessage(this, UM_CLIENT_MESSAGE_RECEIVED, qel::msg::StartRecording, aLengthInMin);
}

void TqelLPMServer::handleStartRecording(int32_t aLengthInMin, bool aBallTrackingVideo) {
    if (Recording()) {
        return;
    }
    FTimeDifference = FCallbacks ? FCallbacks->GetNTPTimeDifference() : 0;
    FLastTimestampReceived = 0;
    FTimestampLastPosition = 0;
    FBallTrackingVideoRecording = aBallTrackingVideo;
    FRecorder->SetMaxRecordingTimeInMin(aLengthInMin);
    SetRecording(true);
}

void TqelLPMServer::handleStopRecording() {
    Log(QStringLiteral("handleStopRecording: Begin"));
    if (Recording()) {
        SetRecording(false);
    }
    SendMeasurementState(FCallbacks ? FCallbacks->GetMeasurementStatus() : imsNone, 0);
    Log(QStringLiteral("handleStopRecording: End"));
}

void TqelLPMServer::SetRecording(bool aOn) {
    Log(QStringLiteral("TqelLPMServer.SetRecording: Recording: %1").arg(aOn ? -1 : 0));
    if (aOn) {
        FRecorder->StartRecording(FSampleBufWritePos);
    } else {
        FRecorder->StopRecording();
    }
    Log(QStringLiteral("TqelLPMServer.SetRecording: FCallbacks.ServerRecordingStarted"));
    if (FCallbacks) {
        FCallbacks->ServerRecordingStarted(aOn);
    }
    Log(QStringLiteral("TqelLPMServer.SetRecording: RecordingState"));
    RecordingState(aOn);
    if (!aOn) {
        FRecorder->MoveVideoFiles();
    }
    Log(QStringLiteral("TqelLPMServer.SetRecording: Recording: End"));
}

// Broadcasts and transponder administration -----------------------------------------------------

void TqelLPMServer::SendActivateMeasurementState(TqelMeasurementStatus aMeasurementState) {
    FBroadcasts->SendActivateMeasurementState(aMeasurementState);
}

void TqelLPMServer::SendCurrentField(int32_t aFieldID, int32_t aPrepareRecordingID,
                                     TqelMeasurementStatus aMeasurementState,
                                     int32_t aRecordingTimeRemaining,
                                     const QString& aLastLPMError) {
    FBroadcasts->SendCurrentField(aFieldID, aPrepareRecordingID, aMeasurementState,
                                  aRecordingTimeRemaining, aLastLPMError);
}

void TqelLPMServer::SendMeasurementState(TqelMeasurementStatus aState,
                                         int32_t aRemainingRecordTimeInMS) {
    FBroadcasts->SendMeasurementState(aState, aRemainingRecordTimeInMS);
}

void TqelLPMServer::SendCameraPosition(const RqelCamPosCommunication& aCamPos) {
    FBroadcasts->SendCameraPosition(aCamPos);
}

void TqelLPMServer::RecordingState(bool aRecordingOn) {
    FBroadcasts->RecordingState(aRecordingOn);
}

void TqelLPMServer::FollowingAntennaIDs(uint8_t aCameraIndex, const TqelArrayOfWord& anAntennaIDs,
                                        TqelTrackingMode aTrackMode) {
    FBroadcasts->FollowingAntennaIDs(aCameraIndex, anAntennaIDs, aTrackMode);
}

void TqelLPMServer::CameraZoomChanged(uint8_t aCameraIndex, int32_t aZoom) {
    FBroadcasts->CameraZoomChanged(aCameraIndex, aZoom);
}

void TqelLPMServer::SendCamRecording(uint8_t aCameraIndex, TqelCamConnection aCamState,
                                     const QString& aFilename, int32_t aLPMStartTime) {
    FBroadcasts->SendCamRecording(aCameraIndex, aCamState, aFilename, aLPMStartTime);
}

void TqelLPMServer::handleEventFromWeb(const RqelEventFromWeb& anEvent) {
    FBroadcasts->handleEventFromWeb(anEvent);
}

void TqelLPMServer::BallTrackingPostFilePostProcessed(const QString& aFilename) {
    FBroadcasts->BallTrackingPostFilePostProcessed(aFilename);
}

void TqelLPMServer::SendMessage(TqelEventMessageType anEventMessageType, const QString& aText) {
    FBroadcasts->SendMessage(anEventMessageType, aText);
}

void TqelLPMServer::TransponderEnable(uint16_t anAntennaID, int32_t aState) {
    FTransponders->TransponderEnable(anAntennaID, aState);
}

void TqelLPMServer::TransponderEnableAll() {
    FTransponders->TransponderEnableAll();
}

void TqelLPMServer::TransponderDisableAll() {
    FTransponders->TransponderDisableAll();
}

void TqelLPMServer::TransponderDisableOffField() {
    FTransponders->TransponderDisableOffField();
}

void TqelLPMServer::ChangeAthletesVest(const QString& anOldVestID, const QString& aNewVestID) {
    FTransponders->ChangeAthletesVest(anOldVestID, aNewVestID);
}

void TqelLPMServer::SaveTranspondersMacAddress() {
    FTransponders->SaveTranspondersMacAddress();
}

// Connections --------------------------------------------------------------------------------

void TqelLPMServer::onClientConnect(TlpmClientConnection* aClient) {
    Log(QStringLiteral("TqelLPMServer.onClientConnect: Begin - %1").arg(aClient->PeerAddr()));
    if (auto* client = dynamic_cast<TqelClientConnection*>(aClient)) {
        client->setLiveData(false);
    }
    QBuffer datagram;
    TqelProtocol::encodeProtocolVersion(datagram);
    aClient->sendToClient(datagram);
    Log(QStringLiteral("TqelLPMServer.onClientConnect: End"));
}

void TqelLPMServer::onClientDisconnect(TlpmClientConnection* aClient) {
    Log(QStringLiteral("TqelLPMServer.onClientDisconnect: Begin"));
    auto* client = dynamic_cast<TqelClientConnection*>(aClient);
    if (client && client->LiveData()) {
        handleLiveData(client, 0);
        client->setLiveData(false);
    }
    Log(QStringLiteral("TqelLPMServer.onClientDisconnect: End"));
}

TqelClientConnection* TqelLPMServer::Client(int anIndex) const {
    return dynamic_cast<TqelClientConnection*>(FServerSocket->getClient(anIndex));
}

bool TqelLPMServer::AnyClientLiveData() const {
    return NumberClientsLiveData() > 0;
}

int TqelLPMServer::ClientCount() const {
    return FServerSocket->ClientCount();
}

QString TqelLPMServer::ClientPeerAddresses() const {
    QString result;
    ForEachClient([&](TqelClientConnection* aClient) { result += aClient->PeerAddr() + u'\r'; });
    return result;
}

int TqelLPMServer::NumberClientsLiveData() const {
    int count = 0;
    ForEachClient([&](TqelClientConnection* aClient) { count += aClient->LiveData() ? 1 : 0; });
    return count;
}

QString TqelLPMServer::ListeningPort() const {
    return FServerSocket->Port();
}

// Settings of the active pitch -----------------------------------------------------------------

void TqelLPMServer::SetField(TqelFieldSettings* aField) {
    FField = aField;
    FRecorder->SetField(aField);
    if (aField) {
        FDBTBS->setStoreData(false);
    }
}

void TqelLPMServer::SetStoreLiveData(bool aValue) {
    FStoreLiveData = aValue;
    FRecorder->SetStoreLiveData(aValue);
}

void TqelLPMServer::SetPreparation(IqelMeasurementControl* aMeasurementControl,
                                   TqelPrepareRecording* aPreparation) {
    FPreparation = aPreparation;
    if (!aPreparation) {
        return;
    }
    for (const auto& prepared : aPreparation->Transponders()) {
        const int32_t antenna = prepared->Antenna1ID();
        TqelAntennaData* data =
            antenna >= 0 && antenna < TqelClientConnection::AntennaCount
                ? FAntennaList->AddAntenna(aMeasurementControl, static_cast<uint16_t>(antenna),
                                           prepared->Enabled() ? 1 : 0, prepared->TPid())
                : nullptr;
        if (!data) {
            Log(QStringLiteral("TqelLPMServer.SetPreparation: antenna %1 of transponder %2 "
                               "refused")
                    .arg(antenna)
                    .arg(prepared->TPid()));
            continue;
        }
        data->setVestID(prepared->VestID());
        data->setAthleteName(prepared->AthleteName());
        data->setTPRole(prepared->TPRole());
        data->setShortcutChar(prepared->ShortcutChar());
        data->setMacAddress(prepared->MacAddress());
    }
    FRecorder->SetPreparationID(aPreparation->PrcID());
}

void TqelLPMServer::AddRoamingField(TqelFieldSettings* aField) {
    if (std::find(FRoamingFields.begin(), FRoamingFields.end(), aField) == FRoamingFields.end()) {
        FRoamingFields.push_back(aField);
    }
    FRecorder->AddRoamingField(aField);
}

void TqelLPMServer::ClearRoamingFields() {
    FRoamingFields.clear();
    FRecorder->ClearRoamingFields();
}

// Callbacks ----------------------------------------------------------------------------------

void TqelLPMServer::CameraStartedFollowing(int32_t aCameraIndex, TqelAntennaData* anAntennaData) {
    if (FCallbacks) {
        FCallbacks->CameraStartedFollowing(aCameraIndex, anAntennaData);
    }
}

void TqelLPMServer::CameraStoppedFollowing(int32_t aCameraIndex, TqelAntennaData* anAntennaData) {
    if (FCallbacks) {
        FCallbacks->CameraStoppedFollowing(aCameraIndex, anAntennaData);
    }
}

void TqelLPMServer::GetCameraSettings(TqelArrayOfCamSetting& aCameraSettings) {
    aCameraSettings.clear();
    if (FCallbacks) {
        FCallbacks->GetCameraInfo(aCameraSettings);
    }
}

void TqelLPMServer::Log(const QString& aText) {
    if (FCallbacks) {
        FCallbacks->LogMessage(aText);
    }
}
