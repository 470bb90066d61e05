#include "measurement/clients/client_requests.h"

#include "foundation/protocol/client_protocol.h"
#include "foundation/settings/server_config.h"
#include "measurement/clients/client_broadcasts.h"
#include "measurement/clients/client_connection.h"
#include "measurement/clients/lpm_server.h"
#include "measurement/clients/received_blocks.h"
#include "measurement/clients/server_callbacks.h"
#include "model/transponder/transponder_data.h"
#include "platform/crash_reporter.h"
#include "platform/queued_call.h"
#include "shared/lpm_server_socket.h"

namespace qel {

namespace {

QString BoolText(bool aValue) {
    return aValue ? QStringLiteral("True") : QStringLiteral("False");
}

}  // namespace

ClientRequests::ClientRequests(TqelLPMServer& aServer) : FServer(aServer) {}

ClientRequests::~ClientRequests() = default;

void ClientRequests::Post(int32_t aRequest, int64_t aLParam) {
    PostMessage(&FServer, TqelLPMServer::UM_CLIENT_MESSAGE_RECEIVED, aRequest, aLParam);
}

TqelClientConnection* ClientRequests::ClientByPortId(int64_t aPortId) const {
    return dynamic_cast<TqelClientConnection*>(
        FServer.FServerSocket->ClientByPortId(static_cast<int32_t>(aPortId)));
}

// Dispatch -------------------------------------------------------------------------------------

void ClientRequests::HandleClientDatagram(TlpmPort* aSender, QBuffer& aDatagram) {
    auto* client = dynamic_cast<TqelClientConnection*>(aSender);
    if (!client) {
        return;
    }
    IqelServerCallbacks* callbacks = FServer.FCallbacks;
    switch (TqelProtocol::DatagramType(aDatagram)) {
        case msg::ActivateMeasurement: {
            int32_t fieldID = 0;
            int32_t prepID = 0;
            TqelProtocol::decodeActivateMeasurement(aDatagram, fieldID, prepID);
            client->setActivatingMeasurement(true);
            if (callbacks) {
                callbacks->RequestFieldActivation(fieldID, prepID);
            }
            FServer.FRecorder->SetPreparationID(prepID);
            break;
        }
        case msg::Logout:
            handleLogout(client);
            break;
        case msg::AuthenticatedUser: {
            QString userName;
            int32_t protocolVersion = 0;
            TqelProtocol::decodeAuthenticatedUser(aDatagram, userName, protocolVersion);
            client->setProtocolVersion(protocolVersion);
            client->setUserName(userName);
            Post(msg::AuthenticatedUser, client->PortId());
            break;
        }
        case msg::Reconnected: {
            uint32_t lastTimestamp = 0;
            TqelProtocol::decodeReconnected(aDatagram, lastTimestamp);
            client->setLastLPMTimestamp(lastTimestamp);
            Post(msg::Reconnected, client->PortId());
            break;
        }
        case msg::GetLastSendLPMTimestamp:
            TqelProtocol::encodeLastSendLPMTimestamp(FAnswer, client->LastLPMTimestamp());
            client->sendToClient(FAnswer);
            break;
        case msg::LiveData: {
            int32_t state = 0;
            TqelProtocol::decodeLiveData(aDatagram, state);
            FServer.handleLiveData(client, state);
            break;
        }
        case msg::StartRecording: {
            int32_t minutes = 0;
            bool ballTrackingVideo = FServer.FBallTrackingVideoRecording;
            TqelProtocol::decodeStartRecording(aDatagram, minutes, ballTrackingVideo);
            FServer.FBallTrackingVideoRecording = ballTrackingVideo;
            Post(msg::StartRecording, minutes);
            break;
        }
        case msg::StopRecording:
            Post(msg::StopRecording, 0);
            break;
        case msg::CameraGetCount:
        case msg::CameraGetPositions:
        case msg::MainClientRequest:
            Post(TqelProtocol::DatagramType(aDatagram), client->PortId());
            break;
        case msg::CameraFollow: {
            uint8_t camera = 0;
            TqelArrayOfWord antennas;
            TqelProtocol::decodeCameraFollow(aDatagram, camera, antennas);
            if (callbacks) {
                callbacks->SetFollowAntennaIDs(camera, antennas);
            }
            break;
        }
        case msg::CameraZoom: {
            uint8_t camera = 0;
            uint8_t relativeZoom = 0;
            TqelProtocol::decodeCameraZoom(aDatagram, camera, relativeZoom);
            if (callbacks) {
                callbacks->ZoomChanged(camera, relativeZoom);
            }
            break;
        }
        case msg::CameraGotoPosition: {
            uint8_t camera = 0;
            QString position;
            TqelProtocol::decodeCameraGotoPosition(aDatagram, camera, position);
            if (callbacks) {
                callbacks->GotoPreset(camera, position);
            }
            break;
        }
        case msg::CameraPTZSpeed: {
            uint8_t camera = 0;
            int32_t pan = 0;
            int32_t tilt = 0;
            int32_t zoom = 0;
            TqelProtocol::decodeCameraPTZSpeed(aDatagram, camera, pan, tilt, zoom);
            if (callbacks) {
                callbacks->SetPTZSpeed(camera, pan, tilt, zoom);
            }
            break;
        }
        case msg::EventFromWeb:
            ReceiveEventFromWeb(client, aDatagram);
            break;
        case msg::GameInfoToClients:
            ReceiveGame(client, aDatagram);
            break;
        case msg::TransponderToClients:
            ReceiveTransponder(client, aDatagram);
            break;
        default:
            break;
    }
}

// Each event is handled by the request its arrival posted, so two in one read are both kept.
void ClientRequests::ReceiveEventFromWeb(TqelClientConnection* aClient, QBuffer& aDatagram) {
    RqelEventFromWeb event;
    TqelProtocol::decodeEventFromWeb(aDatagram, event);
    if (FEventsFromWeb.size() >= MaxWaiting) {
        FServer.Log(QStringLiteral("TqelLPMServer.HandleClientDatagram: %1 events waiting, "
                                   "event of %2 dropped")
                        .arg(FEventsFromWeb.size())
                        .arg(aClient->PeerAddr()));
        return;
    }
    FEventsFromWeb.push_back(std::move(event));
    Post(msg::EventFromWeb, 0);
}

void ClientRequests::ReceiveGame(TqelClientConnection* aClient, QBuffer& aDatagram) {
    if (FGameFromClient) {
        return;
    }
    FGameFromClient = std::make_unique<ReceivedGameBlock>(aDatagram.data());
    try {
        TqelProtocol::decodeGameInfoToClients(aDatagram, FGameFromClient.get());
    } catch (const std::exception& e) {
        FGameFromClient.reset();
        CrashReporter::Report(e, QStringLiteral("TqelLPMServer.HandleClientDatagram"));
        return;
    }
    Post(msg::GameInfoToClients, aClient->PortId());
}

void ClientRequests::ReceiveTransponder(TqelClientConnection* aClient, QBuffer& aDatagram) {
    // Without dataset the transponder takes properties only; it allocates no sample arrays.
    auto transponder = std::make_unique<TqelTransponderData>(nullptr, false);
    try {
        TqelProtocol::decodeTransponderToClients(aDatagram, transponder.get());
    } catch (const std::exception& e) {
        CrashReporter::Report(e, QStringLiteral("TqelLPMServer.HandleClientDatagram"));
        return;
    }
    if (FReceivedTransponders.size() >= MaxWaiting) {
        FServer.Log(QStringLiteral("TqelLPMServer.HandleClientDatagram: %1 transponders waiting, "
                                   "transponder of %2 dropped")
                        .arg(FReceivedTransponders.size())
                        .arg(aClient->PeerAddr()));
        return;
    }
    Post(msg::TransponderToClients, aClient->PortId());
    FReceivedTransponders.push_back({std::move(transponder), aClient->PortId()});
}

// Posted requests ------------------------------------------------------------------------------

void ClientRequests::UMClientMessageReceived(int64_t aWParam, int64_t aLParam) {
    switch (aWParam) {
        case msg::AuthenticatedUser:
            if (TqelClientConnection* client = ClientByPortId(aLParam)) {
                SendCurrentStatus(client);
            }
            break;
        case msg::Reconnected:
            if (TqelClientConnection* client = ClientByPortId(aLParam)) {
                HandleReconnected(client);
            }
            break;
        case msg::StartRecording:
            FServer.Log(QStringLiteral("UMClientMessageReceived: msg_StartRecording"));
            FServer.handleStartRecording(static_cast<int32_t>(aLParam),
                                         FServer.FBallTrackingVideoRecording);
            break;
        case msg::StopRecording:
            FServer.Log(QStringLiteral("UMClientMessageReceived: msg_StopRecording"));
            FServer.handleStopRecording();
            break;
        case msg::CameraGetCount:
            if (TqelClientConnection* client = ClientByPortId(aLParam)) {
                SendCameraSettings(client);
            }
            break;
        case msg::EventFromWeb:
            HandleEventFromWeb();
            break;
        case msg::MainClientRequest:
            if (TqelClientConnection* client = ClientByPortId(aLParam)) {
                handleMainClientRequest(client);
            }
            break;
        case msg::GameInfoToClients:
            HandleGame(aLParam);
            break;
        case msg::TransponderToClients:
            HandleTransponders();
            break;
        default:  // the camera positions query among them: never answered
            break;
    }
}

void ClientRequests::SendCurrentStatus(TqelClientConnection* aClient) {
    IqelServerCallbacks* callbacks = FServer.FCallbacks;
    if (!callbacks) {
        return;
    }
    FServer.ComputeAntennaAccess(aClient);
    TqelProtocol::encodeCurrenctStatus(
        FAnswer, callbacks->GetSelectedFieldID(), callbacks->GetPrepareRecordingID(),
        callbacks->GetMeasurementStatus(), callbacks->GetRemainingRecordingTimeInMS(),
        callbacks->GetLastLPMError());
    aClient->sendToClient(FAnswer);
}

void ClientRequests::SendCameraSettings(TqelClientConnection* aClient) {
    TqelArrayOfCamSetting cameras;
    FServer.GetCameraSettings(cameras);
    TqelProtocol::encodeCameraSettings(FAnswer, cameras, aClient->ProtocolVersion());
    aClient->sendToClient(FAnswer);
}

void ClientRequests::HandleReconnected(TqelClientConnection* aClient) {
    aClient->setLastSampleSent(ReconnectionIndex(
        FServer.FPositionSamples, FServer.FSampleBufWritePos, aClient->LastLPMTimestamp()));
    FServer.handleLiveData(aClient, 2);
}

void ClientRequests::HandleEventFromWeb() {
    if (FEventsFromWeb.empty()) {
        return;
    }
    const RqelEventFromWeb event = std::move(FEventsFromWeb.front());
    FEventsFromWeb.pop_front();
    FServer.FBroadcasts->handleEventFromWeb(event);
}

void ClientRequests::HandleGame(int64_t aSenderPortId) {
    const std::unique_ptr<ReceivedGameBlock> game = std::move(FGameFromClient);
    FServer.FBroadcasts->handleGameFromClient(ClientByPortId(aSenderPortId), game.get());
}

void ClientRequests::HandleTransponders() {
    while (!FReceivedTransponders.empty()) {
        const RqelReceivedTransponder received = std::move(FReceivedTransponders.front());
        FReceivedTransponders.pop_front();
        FServer.FBroadcasts->handleTPFromClient(ClientByPortId(received.SenderPortId),
                                                received.Transponder.get());
    }
}

// Handlers -------------------------------------------------------------------------------------

void ClientRequests::handleLogout(TqelClientConnection* aClient) {
    FServer.Log(QStringLiteral("TqelLPMServer.handleLogout: Begin"));
    aClient->setLiveData(false);
    if (!FServer.Recording() && !FServer.AnyClientLiveData()) {
        FServer.Log(QStringLiteral("TqelLPMServer.handleLogout: DeActivateMeasurement"));
        if (FServer.FCallbacks) {
            FServer.FCallbacks->DeactivateMeasurement();
        }
    }
    FServer.Log(QStringLiteral("TqelLPMServer.handleLogout: End"));
}

void ClientRequests::handleMainClientRequest(TqelClientConnection* aClient) {
    FServer.Log(QStringLiteral("TqelLPMServer.handleMainClientRequest: Begin"));
    bool granted = ServerConfig()->AllClientsCanBeMain();
    if (!granted) {
        granted = true;
        FServer.ForEachClient([&](TqelClientConnection* anOther) {
            granted = granted && (anOther == aClient || !anOther->MainClient());
        });
    }
    FServer.Log(QStringLiteral("TqelLPMServer.handleMainClientRequest: Send Reply %1 : %2")
                    .arg(aClient->PeerAddr(), BoolText(granted)));
    aClient->setMainClient(granted);
    TqelProtocol::encodeMainClientReply(FAnswer, granted);
    aClient->sendToClient(FAnswer);
    FServer.Log(QStringLiteral("TqelLPMServer.handleMainClientRequest: End"));
}

// Reconnection ---------------------------------------------------------------------------------

int32_t ClientRequests::ReconnectionIndex(std::span<const RqelLPMSample> aRing, int32_t aWritePos,
                                          uint32_t aTimestamp) {
    const auto ringLast = static_cast<int32_t>(aRing.size()) - 1;
    if (ringLast < 0) {
        return 0;
    }
    auto timestamp = [&](int32_t anIndex) {
        return aRing[static_cast<size_t>(anIndex)].Timestamp();
    };
    auto next = [ringLast](int32_t anIndex) { return anIndex >= ringLast ? 0 : anIndex + 1; };

    int32_t last = aWritePos - 1;
    if (last < 0) {
        if (timestamp(ringLast) == 0) {
            return 0;  // nothing written yet
        }
        last = ringLast;
    }
    if (timestamp(last) < aTimestamp) {
        return last;  // the client has everything but the newest sample
    }
    int32_t index = next(last);  // the oldest entry
    for (int32_t steps = 0; steps <= ringLast; ++steps) {
        if (index == last || timestamp(index) >= aTimestamp) {
            return index;
        }
        // Past the newest entry an empty one means the ring has not wrapped: the oldest entry
        // is 0. Once there, the scan stays below the newest entry, so this happens once.
        index = index > last && timestamp(index) == 0 ? 0 : next(index);
    }
    return last;
}

}  // namespace qel
