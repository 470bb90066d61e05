#pragma once

#include <QBuffer>
#include <QString>
#include <cstdint>

#include "foundation/position_records.h"
#include "foundation/protocol/client_protocol_types.h"
#include "foundation/shared_enums.h"

class TlpmClientConnection;
class TqelLPMServer;
class TqelTransponderData;

namespace qel {

class ReceivedGameBlock;

// What the client server tells its clients: each message is built once with the codec and the
// same bytes go to every recipient. All clients are the accepted connections; live clients
// those with live data on. Also the handlers that pass received events, games and
// transponders on to the recording and to the other clients.
//
// Part of TqelLPMServer, main thread only; no lock.
class ClientBroadcasts {
public:
    explicit ClientBroadcasts(TqelLPMServer& aServer) : FServer(aServer) {}
    ClientBroadcasts(const ClientBroadcasts&) = delete;
    ClientBroadcasts& operator=(const ClientBroadcasts&) = delete;

    // Message 2 to the clients waiting for an activation; each stops waiting.
    void SendActivateMeasurementState(TqelMeasurementStatus aMeasurementState);
    // Message 4.
    void SendCurrentField(int32_t aFieldID, int32_t aPrepareRecordingID,
                          TqelMeasurementStatus aMeasurementState, int32_t aRecordingTimeRemaining,
                          const QString& aLastLPMError);
    // Message 5; nothing while the server does not listen.
    void SendMeasurementState(TqelMeasurementStatus aState, int32_t aRemainingRecordTimeInMS);
    // Message 12, after the recording took it.
    void SendCameraPosition(const RqelCamPosCommunication& aCamPos);
    // Message 17.
    void RecordingState(bool aRecordingOn);
    // Message 21 to live clients.
    void FollowingAntennaIDs(uint8_t aCameraIndex, const TqelArrayOfWord& anAntennaIDs,
                             TqelTrackingMode aTrackMode);
    // Message 27 to live clients; the zoom goes as its low byte.
    void CameraZoomChanged(uint8_t aCameraIndex, int32_t aZoom);
    // Message 29.
    void SendCamRecording(uint8_t aCameraIndex, TqelCamConnection aCamState,
                          const QString& aFilename, int32_t aLPMStartTime);
    // Message 41, after the recording took the event.
    void handleEventFromWeb(const RqelEventFromWeb& anEvent);
    // Message 44 to live clients.
    void SendChangeAthletesVest(const QString& anOldID, const QString& aNewID);
    // Message 50, with a log line per client.
    void BallTrackingPostFilePostProcessed(const QString& aFilename);
    // Message 71 as received, to every client but the sender (none: to all), after the
    // recording took the game.
    void handleGameFromClient(const TlpmClientConnection* aSender, ReceivedGameBlock* aGame);
    // The registered transponder takes the athlete name, the recording the transponder; then
    // message 72 as received to every client but the sender (none: to all).
    void handleTPFromClient(const TlpmClientConnection* aSender, TqelTransponderData* aTransponder);
    // Message 98; nothing while the server does not listen.
    void SendMessage(TqelEventMessageType anEventMessageType, const QString& aText);

private:
    bool Listening() const;
    void ToAll();
    void ToLiveClients();
    // A received message, sent on unchanged to every client but the sender.
    void Forward(const QByteArray& aMessage, const TlpmClientConnection* aSender);

    TqelLPMServer& FServer;
    // Every message is built here, once per call.
    QBuffer FBroadcast;
};

}  // namespace qel
