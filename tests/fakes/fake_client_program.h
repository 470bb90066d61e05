#pragma once

#include <QBuffer>
#include <QByteArray>
#include <cstdint>
#include <vector>

#include "fakes/fake_tcp_peer.h"
#include "foundation/position_records.h"

namespace qel::test {

// A client program of the client server on 127.0.0.1: it speaks the real protocol through the
// codec over a FakeTcpPeer, cuts what it receives into messages by their frames and decodes the
// live-data messages into samples. On request it stops reading, sends a corrupt or split frame,
// or disconnects.
class FakeClientProgram {
public:
    bool connectTo(quint16 aPort) { return peer_.connectTo(aPort); }
    FakeTcpPeer& peer() { return peer_; }

    // Complete messages received so far, in order.
    std::vector<QByteArray> messages() const;
    std::vector<QByteArray> messagesOfType(int32_t aType) const;
    // Lets the event loop run until aCount messages of the type have come.
    bool waitForMessages(int32_t aType, size_t aCount = 1, int aTimeoutMs = 5000);
    // Every sample of every live-data message (10), in order.
    std::vector<RqelLPMSample> samples() const;
    // The samples of one live-data message.
    static std::vector<RqelLPMSample> decodeSamples(const QByteArray& aMessage);
    // Forgets what was received.
    void clearReceived();

    // Sends a message the codec encoded into aDatagram; with pieces, split as FakeTcpPeer does.
    void send(const QBuffer& aDatagram, const std::vector<int>& aPieces = {});
    // Raw bytes: several messages in one write, or hand-made ones.
    void send(const QByteArray& aBytes, const std::vector<int>& aPieces = {}) {
        peer_.send(aBytes, aPieces);
    }
    void sendLiveData(int32_t aState, const std::vector<int>& aPieces = {});
    // A frame whose length field is below the header size: the stream cannot be framed.
    void sendCorruptFrame();
    // Leaves everything the server sends unread, so that it queues up on the server's side.
    void stopReading();
    void disconnect() { peer_.abort(); }

private:
    FakeTcpPeer peer_;
    // Received bytes before this offset are forgotten.
    qsizetype skip_ = 0;
};

}  // namespace qel::test
