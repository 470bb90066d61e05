#include <gtest/gtest.h>

#include <QBuffer>
#include <memory>
#include <vector>

#include "fakes/fake_tcp_peer.h"
#include "foundation/protocol/client_protocol.h"
#include "shared/lpm_server_socket.h"
#include "socket_test_support.h"

namespace {

using qel::test::FakeTcpPeer;
using qel::test::LogCapture;
using qel::test::WaitUntil;

QByteArray Encoded(const std::function<void(QBuffer&)>& anEncode) {
    QBuffer datagram;
    datagram.open(QIODevice::ReadWrite);
    anEncode(datagram);
    return datagram.data();
}

std::vector<int> OneByteAtATime(const QByteArray& aBytes) {
    return std::vector<int>(static_cast<size_t>(aBytes.size()), 1);
}

// A server framed by the client protocol that greets every client with the protocol version
// and records what it decodes, per connection.
class ClientProtocolSocketTest : public ::testing::Test {
protected:
    struct Decoded {
        TlpmPort* from;
        QString what;
    };

    void SetUp() override {
        FServer = std::make_unique<TlpmServerSocket>(
            [this](TlpmPort* aSender, QBuffer& aDatagram) { handle(aSender, aDatagram); },
            TqelProtocol::BoundaryCheck);
        FServer->OnClientConnected = [](TlpmClientConnection* aClient) {
            QBuffer greeting;
            TqelProtocol::encodeProtocolVersion(greeting);
            aClient->sendToClient(greeting);
        };
        FServer->OnClientDisconnected = [this](TlpmClientConnection* aClient) {
            FDisconnected.push_back(aClient);
        };
        FServer->start(QStringLiteral("127.0.0.1"), QStringLiteral("0"));
        FPort = FServer->Port().toUShort();
        ASSERT_NE(FPort, 0);
    }

    void TearDown() override {
        FServer.reset();
        qel::test::FlushDeferredDeletes();
    }

    void handle(TlpmPort* aSender, QBuffer& aDatagram) {
        switch (TqelProtocol::DatagramType(aDatagram)) {
            case qel::msg::ActivateMeasurement: {
                int32_t field = 0, prep = 0;
                TqelProtocol::decodeActivateMeasurement(aDatagram, field, prep);
                FDecoded.push_back(
                    {aSender, QStringLiteral("activate %1 %2").arg(field).arg(prep)});
                break;
            }
            case qel::msg::AuthenticatedUser: {
                QString user;
                int32_t version = 0;
                TqelProtocol::decodeAuthenticatedUser(aDatagram, user, version);
                FDecoded.push_back({aSender, QStringLiteral("user %1 %2").arg(user).arg(version)});
                break;
            }
            case qel::msg::EventFromWeb: {
                RqelEventFromWeb event;
                TqelProtocol::decodeEventFromWeb(aDatagram, event);
                FDecoded.push_back({aSender, QStringLiteral("event %1").arg(event.EventType)});
                break;
            }
            default:
                FDecoded.push_back({aSender, QStringLiteral("type %1").arg(
                                                 TqelProtocol::DatagramType(aDatagram))});
        }
    }

    // Connects a client and waits for the server's greeting.
    std::unique_ptr<FakeTcpPeer> connectClient() {
        auto peer = std::make_unique<FakeTcpPeer>();
        EXPECT_TRUE(peer->connectTo(FPort));
        EXPECT_TRUE(peer->waitForReceived(12));
        return peer;
    }

    QStringList decodedFrom(TlpmPort* aPort) const {
        QStringList result;
        for (const Decoded& d : FDecoded) {
            if (d.from == aPort) {
                result << d.what;
            }
        }
        return result;
    }

    std::unique_ptr<TlpmServerSocket> FServer;
    quint16 FPort = 0;
    std::vector<Decoded> FDecoded;
    std::vector<TlpmClientConnection*> FDisconnected;
};

TEST_F(ClientProtocolSocketTest, MessagesArrivingByteByByteAreFramedAndDecoded) {
    auto peer = connectClient();
    EXPECT_EQ(peer->received(), QByteArray::fromHex("630000000c00000013000000"));
    ASSERT_EQ(TqelProtocol::Version(), TqelProtocol::kProtocolVersion);

    const QByteArray messages =
        Encoded(
            [](QBuffer& d) { TqelProtocol::encodeAuthenticatedUser(d, QStringLiteral("Ann")); }) +
        Encoded([](QBuffer& d) { TqelProtocol::encodeActivateMeasurement(d, 7, 42); }) +
        Encoded([](QBuffer& d) { TqelProtocol::encodeActivateMeasurement(d, 0, 0); }) +
        Encoded([](QBuffer& d) { TqelProtocol::encodeLogout(d); });
    peer->send(messages, OneByteAtATime(messages));
    ASSERT_TRUE(WaitUntil([this] { return FDecoded.size() >= 4; }));
    EXPECT_EQ(decodedFrom(FServer->getClient(0)),
              QStringList({"user Ann 19", "activate 7 42", "activate 0 0", "type 3"}));
    EXPECT_EQ(FServer->getClient(0)->PendingBytes(), 0);
}

TEST_F(ClientProtocolSocketTest, ACorruptLengthClosesThatConnectionOnly) {
    // A runt, lengths that would wait for ever, and one above the cap.
    for (const char* header :
         {"0100000007000000", "0100000000000000", "01000000F6FFFFFF", "01000000FFFFFF7F"}) {
        SCOPED_TRACE(header);
        LogCapture log;
        auto good = connectClient();
        auto bad = connectClient();
        ASSERT_EQ(FServer->ClientCount(), 2);
        TlpmClientConnection* goodClient = FServer->getClient(0);
        FDisconnected.clear();

        const QByteArray corrupt = QByteArray::fromHex(header);
        bad->send(corrupt, OneByteAtATime(corrupt));
        ASSERT_TRUE(bad->waitForDisconnect());
        ASSERT_TRUE(WaitUntil([this] { return FDisconnected.size() == 1; }));
        EXPECT_NE(FDisconnected.front(), goodClient);
        EXPECT_TRUE(log.contains(QStringLiteral("EqelProtocolError")));

        FDecoded.clear();
        good->send(Encoded([](QBuffer& d) { TqelProtocol::encodeActivateMeasurement(d, 3, 4); }));
        ASSERT_TRUE(WaitUntil([this] { return !FDecoded.empty(); }));
        EXPECT_EQ(decodedFrom(goodClient), QStringList({"activate 3 4"}));
        EXPECT_TRUE(good->isConnected());

        good->close();
        ASSERT_TRUE(WaitUntil([this] { return FServer->ClientCount() == 0; }));
        qel::test::FlushDeferredDeletes();
    }
}

TEST_F(ClientProtocolSocketTest, AMessageThatFailsToDecodeIsLoggedAndTheConnectionGoesOn) {
    LogCapture log;
    auto peer = connectClient();
    // An event whose GUID text is no GUID, then a good message.
    QBuffer event;
    event.open(QIODevice::ReadWrite);
    TqelProtocol::InitDatagram(event);
    event.write(QByteArray::fromHex("07000000 0000000000000000 0000 00000000"));
    TqelProtocol::WriteString(event, QStringLiteral("{not a guid}"));
    TqelProtocol::formatDatagram(event, qel::msg::EventFromWeb);
    peer->send(event.data() +
               Encoded([](QBuffer& d) { TqelProtocol::encodeActivateMeasurement(d, 1, 2); }));
    ASSERT_TRUE(WaitUntil([this] { return !FDecoded.empty(); }));
    EXPECT_EQ(decodedFrom(FServer->getClient(0)), QStringList({"activate 1 2"}));
    EXPECT_TRUE(
        log.contains(QStringLiteral("EConvertError - '{not a guid}' is not a valid GUID value")));
    EXPECT_TRUE(peer->isConnected());
}

}  // namespace
