#pragma once

#include <QBuffer>
#include <cstdint>
#include <deque>
#include <memory>
#include <span>

#include "foundation/position_records.h"

class TlpmPort;
class TqelClientConnection;
class TqelLPMServer;
class TqelTransponderData;

namespace qel {

class ReceivedGameBlock;

// The request side of the client server. Requests that only read or forward are handled in the
// socket event; those that answer with the main window's state, start or stop a recording or
// hand data to it are posted to the server (window message 0x801, wParam the request type,
// lParam the sender's PortId or a value) and handled at the next message-loop pass, in the
// order they were posted. A posted request whose client has gone does nothing; a game or
// transponder whose sender has gone still goes to the recording and to every client.
//
// Part of TqelLPMServer, main thread only; no lock. Waiting events and transponders keep the
// order they came in; each keeps its sender. At most MaxWaiting of each wait: past that an
// arrival is dropped and logged.
class ClientRequests {
public:
    static constexpr size_t MaxWaiting = 1000;

    explicit ClientRequests(TqelLPMServer& aServer);
    ~ClientRequests();
    ClientRequests(const ClientRequests&) = delete;
    ClientRequests& operator=(const ClientRequests&) = delete;

    // The listening socket's message handler: one complete message of a client.
    void HandleClientDatagram(TlpmPort* aSender, QBuffer& aDatagram);
    // The posted requests.
    void UMClientMessageReceived(int64_t aWParam, int64_t aLParam);

    void handleLogout(TqelClientConnection* aClient);
    void handleMainClientRequest(TqelClientConnection* aClient);

    // Where a reconnecting client resumes: the first ring entry whose time stamp (0.1 ms,
    // compared unsigned) is at or after aTimestamp; the newest entry when none is; 0 for an
    // empty ring. An entry with time stamp 0 is empty. Reads each entry once at most.
    static int32_t ReconnectionIndex(std::span<const RqelLPMSample> aRing, int32_t aWritePos,
                                     uint32_t aTimestamp);

    bool GamePending() const { return FGameFromClient != nullptr; }
    size_t WaitingTransponders() const { return FReceivedTransponders.size(); }
    size_t WaitingEvents() const { return FEventsFromWeb.size(); }

private:
    struct RqelReceivedTransponder {
        std::unique_ptr<TqelTransponderData> Transponder;
        int32_t SenderPortId;
    };

    void Post(int32_t aRequest, int64_t aLParam);
    TqelClientConnection* ClientByPortId(int64_t aPortId) const;
    void ReceiveEventFromWeb(TqelClientConnection* aClient, QBuffer& aDatagram);
    void ReceiveGame(TqelClientConnection* aClient, QBuffer& aDatagram);
    void ReceiveTransponder(TqelClientConnection* aClient, QBuffer& aDatagram);
    void SendCurrentStatus(TqelClientConnection* aClient);
    void SendCameraSettings(TqelClientConnection* aClient);
    void HandleReconnected(TqelClientConnection* aClient);
    void HandleEventFromWeb();
    void HandleGame(int64_t aSenderPortId);
    void HandleTransponders();

    TqelLPMServer& FServer;
    std::deque<RqelEventFromWeb> FEventsFromWeb;
    std::unique_ptr<ReceivedGameBlock> FGameFromClient;
    std::deque<RqelReceivedTransponder> FReceivedTransponders;
    // Answers to single clients are built here.
    QBuffer FAnswer;
};

}  // namespace qel
