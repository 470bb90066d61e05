#include "measurement/clients/client_broadcasts.h"

#include "foundation/protocol/client_protocol.h"
#include "measurement/clients/client_connection.h"
#include "measurement/clients/lpm_server.h"
#include "measurement/clients/received_blocks.h"
#include "measurement/clients/server_callbacks.h"
#include "model/transponder/transponder_data.h"
#include "shared/lpm_server_socket.h"

namespace qel {

// Recipients -----------------------------------------------------------------------------------

bool ClientBroadcasts::Listening() const {
    return FServer.FServerSocket->State() == SocketState::Listening;
}

void ClientBroadcasts::ToAll() {
    FServer.FServerSocket->sendToAll(FBroadcast);
}

void ClientBroadcasts::ToLiveClients() {
    const QByteArray& bytes = FBroadcast.data();
    FServer.ForEachClient([&](TqelClientConnection* aClient) {
        if (aClient->LiveData()) {
            aClient->sendToClient(bytes);
        }
    });
}

void ClientBroadcasts::Forward(const QByteArray& aMessage, const TlpmClientConnection* aSender) {
    const int32_t sender = aSender ? aSender->PortId() : 0;
    FServer.ForEachClient([&](TqelClientConnection* aClient) {
        if (!aSender || aClient->PortId() != sender) {
            aClient->sendToClient(aMessage);
        }
    });
}

// Measurement state ------------------------------------------------------------------------------

void ClientBroadcasts::SendActivateMeasurementState(TqelMeasurementStatus aMeasurementState) {
    TqelProtocol::encodeActivateMeasurementResponse(FBroadcast, aMeasurementState);
    const QByteArray& bytes = FBroadcast.data();
    FServer.ForEachClient([&](TqelClientConnection* aClient) {
        if (aClient->ActivatingMeasurement()) {
            aClient->sendToClient(bytes);
            aClient->setActivatingMeasurement(false);
        }
    });
}

void ClientBroadcasts::SendCurrentField(int32_t aFieldID, int32_t aPrepareRecordingID,
                                        TqelMeasurementStatus aMeasurementState,
                                        int32_t aRecordingTimeRemaining,
                                        const QString& aLastLPMError) {
    TqelProtocol::encodeCurrenctStatus(FBroadcast, aFieldID, aPrepareRecordingID, aMeasurementState,
                                       aRecordingTimeRemaining, aLastLPMError);
    ToAll();
}

void ClientBroadcasts::SendMeasurementState(TqelMeasurementStatus aState,
                                            int32_t aRemainingRecordTimeInMS) {
    if (!Listening()) {
        return;
    }
    TqelProtocol::encodeMeasurementStateChanged(FBroadcast, aState, aRemainingRecordTimeInMS);
    ToAll();
}

void ClientBroadcasts::RecordingState(bool aRecordingOn) {
    TqelProtocol::encodeVideoRecording(FBroadcast, aRecordingOn);
    ToAll();
}

// Cameras
// ------------------------------------------------------------------------------------------

void ClientBroadcasts::SendCameraPosition(const RqelCamPosCommunication& aCamPos) {
    if (FServer.Recording()) {
        FServer.FRecorder->ProcessCameraPos(aCamPos);
    }
    TqelProtocol::encodeCamPositon(FBroadcast, aCamPos);
    ToAll();
}

void ClientBroadcasts::FollowingAntennaIDs(uint8_t aCameraIndex,
                                           const TqelArrayOfWord& anAntennaIDs,
                                           TqelTrackingMode aTrackMode) {
    TqelProtocol::encodeCameraFollowing(FBroadcast, aCameraIndex, anAntennaIDs, aTrackMode);
    ToLiveClients();
}

void ClientBroadcasts::CameraZoomChanged(uint8_t aCameraIndex, int32_t aZoom) {
    TqelProtocol::encodeCameraZoomed(FBroadcast, aCameraIndex, static_cast<uint8_t>(aZoom & 0xFF));
    ToLiveClients();
}

void ClientBroadcasts::SendCamRecording(uint8_t aCameraIndex, TqelCamConnection aCamState,
                                        const QString& aFilename, int32_t aLPMStartTime) {
    TqelProtocol::encodeCamRecording(FBroadcast, aCameraIndex, aCamState, aFilename, aLPMStartTime);
    ToAll();
}

void ClientBroadcasts::BallTrackingPostFilePostProcessed(const QString& aFilename) {
    TqelProtocol::encodeBalltrackingPostProcessFile(FBroadcast, aFilename);
    const QByteArray& bytes = FBroadcast.data();
    FServer.ForEachClient([&](TqelClientConnection* aClient) {
        FServer.Log(QStringLiteral("TqelLPMServer.BallTrackingPostFilePostProcessed: Client: ") +
                    aClient->PeerAddr());
        aClient->sendToClient(bytes);
    });
}

// Received data ----------------------------------------------------------------------------------

void ClientBroadcasts::handleEventFromWeb(const RqelEventFromWeb& anEvent) {
    if (FServer.Recording()) {
        FServer.FRecorder->ProcessEventFromWeb(anEvent);
    }
    TqelProtocol::encodeEventToClient(FBroadcast, anEvent);
    ToAll();
}

void ClientBroadcasts::SendChangeAthletesVest(const QString& anOldID, const QString& aNewID) {
    TqelProtocol::encodeChangeAthletesVest(FBroadcast, anOldID, aNewID);
    ToLiveClients();
}

void ClientBroadcasts::handleGameFromClient(const TlpmClientConnection* aSender,
                                            ReceivedGameBlock* aGame) {
    if (!aGame) {
        return;
    }
    if (FServer.Recording()) {
        FServer.FRecorder->ProcessGameFromClient(aGame);
    }
    Forward(aGame->Message(), aSender);
}

void ClientBroadcasts::handleTPFromClient(const TlpmClientConnection* aSender,
                                          TqelTransponderData* aTransponder) {
    if (!aTransponder) {
        return;
    }
    if (FServer.Recording()) {
        FServer.FRecorder->ProcessTPFromClient(aTransponder);
    }
    const uint16_t antenna = aTransponder->Antenna1ID();
    if (TqelAntennaData* registered = FServer.FAntennaList->ItemByAntennaID(antenna)) {
        registered->setAthleteName(aTransponder->AthleteName());
        if (FServer.FCallbacks) {
            FServer.FCallbacks->SetAthleteName(antenna, aTransponder->AthleteName());
        }
    }
    TqelProtocol::encodeTransponderToClients(FBroadcast, aTransponder);
    Forward(FBroadcast.data(), aSender);
}

void ClientBroadcasts::SendMessage(TqelEventMessageType anEventMessageType, const QString& aText) {
    if (!Listening()) {
        return;
    }
    TqelProtocol::encodeEventMessageText(FBroadcast, anEventMessageType, aText);
    ToAll();
}

}  // namespace qel
