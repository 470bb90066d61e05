#include "shared/lpm_server_socket.h"

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <QBuffer>
#include <QTcpSocket>
#include <memory>
#include <vector>

#include "fakes/fake_tcp_peer.h"
#include "socket_test_support.h"

namespace {

using qel::test::FakeTcpPeer;
using qel::test::Frame;
using qel::test::FrameBoundaryCheck;
using qel::test::WaitUntil;

// A connection class of an owner, with state of its own.
class TaggedConnection : public TlpmClientConnection {
public:
    using TlpmClientConnection::TlpmClientConnection;
    int Tag = 42;
};

class ServerSocketTest : public ::testing::Test {
protected:
    void SetUp() override {
        FServer = std::make_unique<TlpmServerSocket>(
            [this](TlpmPort* aSender, QBuffer& aDatagram) {
                FMessages.emplace_back(aSender, aDatagram.data());
                if (FOnMessage) {
                    FOnMessage(static_cast<TlpmClientConnection*>(aSender));
                }
            },
            FrameBoundaryCheck, qel::ClientConnectionClass<TaggedConnection>());
        FServer->OnClientConnected = [this](TlpmClientConnection* aClient) {
            FConnected.push_back(aClient);
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

    // Connects a new fake client and waits until the server has its connection.
    std::unique_ptr<FakeTcpPeer> connectClient() {
        auto peer = std::make_unique<FakeTcpPeer>();
        const size_t before = FConnected.size();
        EXPECT_TRUE(peer->connectTo(FPort));
        EXPECT_TRUE(WaitUntil([&] { return FConnected.size() > before; }));
        return peer;
    }

    std::unique_ptr<TlpmServerSocket> FServer;
    quint16 FPort = 0;
    std::vector<std::pair<TlpmPort*, QByteArray>> FMessages;
    std::vector<TlpmClientConnection*> FConnected;
    std::vector<TlpmClientConnection*> FDisconnected;
    std::function<void(TlpmClientConnection*)> FOnMessage;
};

int SocketOption(qintptr aDescriptor, int aLevel, int anOption) {
    int value = -1;
    socklen_t size = sizeof(value);
    if (::getsockopt(static_cast<int>(aDescriptor), aLevel, anOption, &value, &size) != 0) {
        return -1;
    }
    return value;
}

TEST_F(ServerSocketTest, AcceptedConnectionsHaveNoDelayAndKeepAlive) {
    auto peer = connectClient();
    ASSERT_EQ(FServer->ClientCount(), 1);
    TlpmClientConnection* client = FServer->getClient(0);
    EXPECT_EQ(client, FConnected.front());
    const qintptr descriptor = client->GetSocket()->socketDescriptor();
    EXPECT_EQ(SocketOption(descriptor, IPPROTO_TCP, TCP_NODELAY), 1);
    EXPECT_EQ(SocketOption(descriptor, SOL_SOCKET, SO_KEEPALIVE), 1);
    EXPECT_EQ(SocketOption(descriptor, IPPROTO_TCP, TCP_KEEPIDLE), 30);
    EXPECT_EQ(SocketOption(descriptor, IPPROTO_TCP, TCP_KEEPINTVL), 5);

    EXPECT_EQ(dynamic_cast<TaggedConnection*>(client)->Tag, 42);
    EXPECT_EQ(client->ServerPort(), QString::number(FPort));
    EXPECT_EQ(client->PeerAddr(), QStringLiteral("127.0.0.1"));
    EXPECT_EQ(client->LocalAddr(), QStringLiteral("127.0.0.1"));
    EXPECT_EQ(client->PeerPort(), QString::number(peer->socket()->localPort()));
    EXPECT_EQ(FServer->State(), qel::SocketState::Listening);
}

TEST_F(ServerSocketTest, FramesEachConnectionAndAnswersIt) {
    auto first = connectClient();
    auto second = connectClient();
    TlpmClientConnection* firstClient = FServer->getClient(0);
    TlpmClientConnection* secondClient = FServer->getClient(1);
    EXPECT_NE(firstClient->PortId(), secondClient->PortId());

    second->send(Frame(2, 20));
    first->send(Frame(1, 10) + Frame(1, 3), {5});
    ASSERT_TRUE(WaitUntil([this] { return FMessages.size() >= 3; }));
    std::vector<QByteArray> fromFirst;
    for (const auto& [sender, message] : FMessages) {
        if (sender == firstClient) {
            fromFirst.push_back(message);
        } else {
            EXPECT_EQ(sender, secondClient);
            EXPECT_EQ(message, Frame(2, 20));
        }
    }
    EXPECT_EQ(fromFirst, (std::vector<QByteArray>{Frame(1, 10), Frame(1, 3)}));

    QBuffer answer;
    answer.setData(Frame(9, 1));
    secondClient->sendToClient(answer);
    FServer->sendToAll(QByteArray("!"));
    ASSERT_TRUE(second->waitForReceived(10));
    ASSERT_TRUE(first->waitForReceived(1));
    EXPECT_EQ(second->received(), Frame(9, 1) + "!");
    EXPECT_EQ(first->received(), QByteArray("!"));
}

TEST_F(ServerSocketTest, FindsConnectionsByIndexAndPortId) {
    auto first = connectClient();
    auto second = connectClient();
    TlpmClientConnection* secondClient = FServer->getClient(1);
    EXPECT_EQ(FServer->ClientByPortId(secondClient->PortId()), secondClient);
    EXPECT_EQ(FServer->ClientByPortId(-5), nullptr);
    for (int index : {-1, 2}) {
        try {
            FServer->getClient(index);
            ADD_FAILURE() << index;
        } catch (const EAssertionFailed& e) {
            EXPECT_EQ(e.Message(), QStringLiteral("Assertion failure"));
        }
    }
}

TEST_F(ServerSocketTest, AClosedConnectionIsReportedAndFreedLater) {
    auto peer = connectClient();
    QPointer<TlpmClientConnection> client = FServer->getClient(0);
    peer->close();
    ASSERT_TRUE(WaitUntil([this] { return FDisconnected.size() == 1; }));
    EXPECT_EQ(FDisconnected.front(), client.data());
    EXPECT_EQ(FServer->ClientCount(), 0);
    EXPECT_TRUE(WaitUntil([&] { return client.isNull(); }));
}

TEST_F(ServerSocketTest, AHandlerMayCloseOrFreeItsOwnConnection) {
    struct Case {
        const char* Name;
        std::function<void(TlpmClientConnection*)> Handler;
        size_t DisconnectEvents;
    };
    const std::vector<Case> cases = {
        {"close", [](TlpmClientConnection* aClient) { aClient->close(); }, 1},
        {"free", [](TlpmClientConnection* aClient) { delete aClient; }, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        FMessages.clear();
        FDisconnected.clear();
        auto peer = connectClient();
        FOnMessage = c.Handler;
        peer->send(Frame(1, 4) + Frame(2, 4) + Frame(3, 4));
        EXPECT_TRUE(peer->waitForDisconnect());
        EXPECT_TRUE(WaitUntil([this] { return FServer->ClientCount() == 0; }));
        qel::test::FlushDeferredDeletes();
        EXPECT_EQ(FMessages.size(), 1u);
        EXPECT_EQ(FDisconnected.size(), c.DisconnectEvents);
        FOnMessage = nullptr;
    }
}

TEST_F(ServerSocketTest, AnAnswerSentBeforeCloseStillGoesOut) {
    auto peer = connectClient();
    FOnMessage = [](TlpmClientConnection* aClient) {
        aClient->sendToClient(QByteArray("bye"));
        aClient->close();
    };
    peer->send(Frame(1, 0));
    ASSERT_TRUE(peer->waitForDisconnect());
    EXPECT_EQ(peer->received(), QByteArray("bye"));
}

TEST_F(ServerSocketTest, StopKeepsAcceptedConnectionsOpen) {
    auto peer = connectClient();
    FServer->stop();
    EXPECT_EQ(FServer->State(), qel::SocketState::Closed);
    FakeTcpPeer refused;
    EXPECT_FALSE(refused.connectTo(FPort, 1000));

    FServer->getClient(0)->sendToClient(QByteArray("still here"));
    EXPECT_TRUE(peer->waitForReceived(10));
    EXPECT_EQ(FServer->ClientCount(), 1);
}

TEST_F(ServerSocketTest, StartOnAPortInUseRaises) {
    TlpmServerSocket other([](TlpmPort*, QBuffer&) {}, FrameBoundaryCheck);
    EXPECT_EQ(other.Port(), QStringLiteral("15000"));
    EXPECT_THROW(other.start(QStringLiteral("127.0.0.1"), QString::number(FPort)),
                 ESocketException);
    EXPECT_THROW(other.start(QStringLiteral("127.0.0.1"), QStringLiteral("port")),
                 ESocketException);
    EXPECT_EQ(other.ClientCount(), 0);
}

TEST_F(ServerSocketTest, FreeingTheServerClosesEveryConnection) {
    auto first = connectClient();
    auto second = connectClient();
    FServer.reset();
    EXPECT_TRUE(first->waitForDisconnect());
    EXPECT_TRUE(second->waitForDisconnect());
    EXPECT_TRUE(FDisconnected.empty());
}

TEST(ServerSocketConstruction, NeedsBothCallbacks) {
    try {
        TlpmServerSocket server({}, FrameBoundaryCheck);
        ADD_FAILURE();
    } catch (const EAssertionFailed& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("An TlpmServerSocket can only be created with a "
                                              "valid processDatagram event."));
    }
    try {
        TlpmServerSocket server([](TlpmPort*, QBuffer&) {}, {});
        ADD_FAILURE();
    } catch (const EAssertionFailed& e) {
        EXPECT_EQ(e.Message(),
                  QStringLiteral("An TlpmServerSocket can only be created with a valid "
                                 "BoundaryChecker."));
    }
}

}  // namespace

// A peer that does not read must not make the server buffer without bound: past the
// connection's limit it is logged and closed; the other connection keeps its data.
TEST_F(ServerSocketTest, APeerThatDoesNotReadIsClosedAtTheSendLimit) {
    qel::test::LogCapture log;
    auto slow = connectClient();
    auto healthy = connectClient();
    TlpmClientConnection* slowConnection = FConnected[0];
    slowConnection->setMaxBufferSize(100000);
    const QByteArray block = Frame(1, 60000);

    // Without the event loop nothing leaves the write buffers, so the second block passes the
    // limit of the slow connection only.
    FServer->sendToAll(block);
    FServer->sendToAll(block);
    EXPECT_TRUE(log.contains(QStringLiteral("the peer does not read: closing")));
    EXPECT_TRUE(WaitUntil([&] { return FDisconnected.size() == 1; }));
    EXPECT_EQ(FDisconnected[0], slowConnection);
    EXPECT_TRUE(WaitUntil([&] { return healthy->received().size() >= 2 * block.size(); }));
    EXPECT_EQ(FServer->ClientCount(), 1);
}
